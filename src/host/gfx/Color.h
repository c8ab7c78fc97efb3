// Pixel colours of the framebuffer and of every surface: 0x00RRGGBB in one 32-bit word (the
// top byte is always 0). Titles write colours as red + 256 x green + 65536 x blue; FromColorRef
// turns that desktop value into a pixel.
#pragma once

#include <cstdint>

namespace stagehand::host {

using Color = uint32_t;

constexpr Color Rgb(uint8_t red, uint8_t green, uint8_t blue) {
    return (uint32_t{red} << 16) | (uint32_t{green} << 8) | blue;
}
constexpr uint8_t RedOf(Color c) {
    return static_cast<uint8_t>(c >> 16);
}
constexpr uint8_t GreenOf(Color c) {
    return static_cast<uint8_t>(c >> 8);
}
constexpr uint8_t BlueOf(Color c) {
    return static_cast<uint8_t>(c);
}

constexpr Color FromColorRef(uint32_t colorRef) {
    return Rgb(static_cast<uint8_t>(colorRef), static_cast<uint8_t>(colorRef >> 8),
               static_cast<uint8_t>(colorRef >> 16));
}

constexpr Color kBlack = 0;

}  // namespace stagehand::host
