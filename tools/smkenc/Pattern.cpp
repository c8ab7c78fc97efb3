#include "smkenc/Pattern.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>

namespace stagehand::smkenc {

namespace {

// The digits 0 to 9, seven rows of five pixels, the leftmost pixel in bit 4.
constexpr std::array<std::array<std::uint8_t, 7>, 10> kDigits{{
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
}};

// A colour the file stores exactly, from three 6-bit levels.
Rgb Level(int r, int g, int b) {
    auto c = [](int n) { return static_cast<std::uint8_t>(n % 64 * 4 + n % 64 / 16); };
    return {c(r), c(g), c(b)};
}

}  // namespace

Frame PatternFrame(int width, int height, int index, int frameCount, bool steadyPalette) {
    Frame frame;
    for (int i = 0; i < 256; ++i) {
        frame.palette[i] = Level(i / 4, i / 4, i / 4);
    }
    // Neighbouring frames differ in every component.
    const auto backgroundOf = [](int n) { return Level(n * 29 + 8, n * 13 + 40, n * 47 + 20); };
    const auto isDark = [](Rgb c) { return c.r * 3 + c.g * 6 + c.b < 1280; };
    int backgroundIndex = kBackgroundIndex;
    int digitIndex = kDigitIndex;
    if (steadyPalette) {
        for (int n = 0; n < 256 - kSteadyBackgrounds; ++n) {
            frame.palette[kSteadyBackgrounds + n] = backgroundOf(n);
        }
        frame.palette[kDigitIndex] = Level(0, 0, 0);
        frame.palette[kLightDigitIndex] = Level(63, 63, 63);
        frame.palette[kBarIndex] = Level(63, 20, 63);
        const int n = index / kSteadyRun % (256 - kSteadyBackgrounds);
        backgroundIndex = kSteadyBackgrounds + n;
        digitIndex = isDark(backgroundOf(n)) ? kLightDigitIndex : kDigitIndex;
    } else {
        const Rgb background = backgroundOf(index);
        frame.palette[kBackgroundIndex] = background;
        frame.palette[kDigitIndex] = isDark(background) ? Level(63, 63, 63) : Level(0, 0, 0);
        frame.palette[kBarIndex] = Level(63 - background.r / 4, 63 - background.g / 4, 63);
    }
    frame.pixels.assign(static_cast<std::size_t>(width) * height,
                        static_cast<std::uint8_t>(backgroundIndex));
    auto paint = [&](int x, int y, int colour) {
        if (x >= 0 && x < width && y >= 0 && y < height) {
            frame.pixels[static_cast<std::size_t>(y) * width + x] =
                static_cast<std::uint8_t>(colour);
        }
    };

    const std::string text = std::to_string(index);
    const int columns = 6 * static_cast<int>(text.size()) - 1;
    const int scale = std::max(1, std::min(width * 3 / 4 / columns, height / 2 / 7));
    const int left = (width - columns * scale) / 2;
    const int top = (height - 7 * scale) / 2;
    for (std::size_t d = 0; d < text.size(); ++d) {
        const auto& glyph = kDigits[text[d] - '0'];
        for (int row = 0; row < 7 * scale; ++row) {
            for (int col = 0; col < 5 * scale; ++col) {
                if ((glyph[row / scale] >> (4 - col / scale)) & 1) {
                    paint(left + (static_cast<int>(d) * 6 * scale) + col, top + row, digitIndex);
                }
            }
        }
    }

    const int barWidth = static_cast<int>(static_cast<long long>(width) * (index + 1) / frameCount);
    for (int y = height - std::max(1, height / 16); y < height; ++y) {
        for (int x = 0; x < barWidth; ++x) {
            paint(x, y, kBarIndex);
        }
    }
    return frame;
}

Sound ToneSound(int rate, int bits, int channels, double hz, std::size_t sampleFrames) {
    Sound sound{rate, bits, channels, {}};
    sound.bytes.reserve(sampleFrames * channels * bits / 8);
    for (std::size_t i = 0; i < sampleFrames; ++i) {
        const double level = 0.5 * std::sin(2 * std::numbers::pi * hz * i / rate);
        for (int c = 0; c < channels; ++c) {
            if (bits == 8) {
                sound.bytes.push_back(static_cast<std::uint8_t>(128 + std::lround(level * 127)));
            } else {
                const auto v = static_cast<std::uint16_t>(std::lround(level * 32767));
                sound.bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
                sound.bytes.push_back(static_cast<std::uint8_t>(v >> 8));
            }
        }
    }
    return sound;
}

}  // namespace stagehand::smkenc
