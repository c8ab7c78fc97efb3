#include "host/gfx/BmpWriter.h"

#include <cstdint>

namespace stagehand::host {

namespace {

void Put16(std::string& out, uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

}  // namespace

std::string EncodeBmp(const Surface& surface) {
    const Surface blank(1, 1);
    const Surface& picture = surface.IsEmpty() ? blank : surface;
    const auto width = static_cast<uint32_t>(picture.Width());
    const auto height = static_cast<uint32_t>(picture.Height());
    const uint32_t rowBytes = (width * 3 + 3) & ~uint32_t{3};
    const uint32_t pixelBytes = rowBytes * height;
    constexpr uint32_t kHeaderBytes = 14 + 40;
    std::string out;
    out.reserve(kHeaderBytes + pixelBytes);
    out += "BM";
    Put32(out, kHeaderBytes + pixelBytes);
    Put32(out, 0);
    Put32(out, kHeaderBytes);
    Put32(out, 40);
    Put32(out, width);
    Put32(out, height);
    Put16(out, 1);   // planes
    Put16(out, 24);  // bits a pixel
    Put32(out, 0);   // no compression
    Put32(out, pixelBytes);
    Put32(out, 2835);  // 72 dots an inch
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (uint32_t y = height; y-- > 0;) {
        const Color* row = picture.Row(static_cast<int32_t>(y));
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t c = row[x];
            out.push_back(static_cast<char>(c & 0xFF));
            out.push_back(static_cast<char>((c >> 8) & 0xFF));
            out.push_back(static_cast<char>((c >> 16) & 0xFF));
        }
        out.append(rowBytes - width * 3, '\0');
    }
    return out;
}

}  // namespace stagehand::host
