// Builds BMP files in memory from a plain description, for the tests and the test kit: every
// depth the player reads, with or without a colour table, either row order, each info header
// size, colour masks, and RLE8/RLE4 data (encoded from the pixels or given as a raw stream).
// Fields the player must cope with being 0 (colours used, image size, pixel offset) can be
// written as 0 on request.
//
// It writes what it is told, sound or not: a test makes damaged files by changing the
// description or the bytes afterwards. It checks nothing and throws nothing.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "host/gfx/Color.h"

namespace stagehand::testing {

enum class BmpEncoding { kRgb, kRle8, kRle4, kBitFields, kAlphaBitFields };

struct BmpImage {
    int32_t width = 0;
    int32_t height = 0;  // always positive here; topDown writes it negative
    uint16_t bitsPerPixel = 24;
    // Top row first, width x height values: palette indexes up to 8 bits a pixel, 0x00RRGGBB
    // colours above.
    std::vector<uint32_t> pixels;
    std::vector<host::Color> palette;
    BmpEncoding encoding = BmpEncoding::kRgb;
    // Red, green, blue (and alpha) masks for the bit-field encodings, and for packing 16- and
    // 32-bit pixels; the defaults are 5-5-5 and 8-8-8.
    std::optional<std::array<uint32_t, 4>> masks;
    bool topDown = false;
    uint32_t infoSize = 40;
    // The colours-used field; by default the palette's size, or 0 when the palette has
    // exactly 2^bitsPerPixel entries.
    std::optional<uint32_t> colorsUsed;
    bool zeroImageSize = false;
    bool zeroPixelOffset = false;
    uint32_t gapBeforePixels = 0;  // unused bytes between the colour table and the pixels
    // Written as the pixel data instead of encoding `pixels` (for hand-made RLE streams).
    std::optional<std::vector<uint8_t>> rawPixelData;
};

namespace bmp_detail {

inline void PutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void SetU32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Scales an 8-bit channel value into the bits of `mask`.
inline uint32_t PackChannel(uint8_t value, uint32_t mask) {
    if (mask == 0)
        return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0)
        ++shift;
    const uint64_t max = mask >> shift;
    return static_cast<uint32_t>((value * max + 127) / 255) << shift & mask;
}

inline std::array<uint32_t, 4> MasksOf(const BmpImage& image) {
    if (image.masks)
        return *image.masks;
    if (image.bitsPerPixel == 16)
        return {0x7C00, 0x03E0, 0x001F, 0};
    return {0xFF0000, 0x00FF00, 0x0000FF, 0};
}

inline bool HasMasks(BmpEncoding e) {
    return e == BmpEncoding::kBitFields || e == BmpEncoding::kAlphaBitFields;
}

inline uint32_t CompressionOf(BmpEncoding e) {
    switch (e) {
        case BmpEncoding::kRgb:
            return 0;
        case BmpEncoding::kRle8:
            return 1;
        case BmpEncoding::kRle4:
            return 2;
        case BmpEncoding::kBitFields:
            return 3;
        case BmpEncoding::kAlphaBitFields:
            return 6;
    }
    return 0;
}

// Uncompressed rows, bottom-up unless top-down, each padded to 4 bytes.
inline std::vector<uint8_t> PackRows(const BmpImage& image) {
    const size_t stride = (size_t{image.bitsPerPixel} * image.width + 31) / 32 * 4;
    const std::array<uint32_t, 4> masks = MasksOf(image);
    std::vector<uint8_t> out(stride * image.height, 0);
    for (int32_t row = 0; row < image.height; ++row) {
        const int32_t y = image.topDown ? row : image.height - 1 - row;
        uint8_t* dest = out.data() + stride * row;
        for (int32_t x = 0; x < image.width; ++x) {
            const uint32_t v = image.pixels[size_t{static_cast<uint32_t>(y)} * image.width + x];
            const uint32_t packed = PackChannel(host::RedOf(v), masks[0]) |
                                    PackChannel(host::GreenOf(v), masks[1]) |
                                    PackChannel(host::BlueOf(v), masks[2]);
            switch (image.bitsPerPixel) {
                case 1:
                    dest[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
                    break;
                case 4:
                    dest[x / 2] |= static_cast<uint8_t>((v & 0x0F) << (x % 2 == 0 ? 4 : 0));
                    break;
                case 8:
                    dest[x] = static_cast<uint8_t>(v);
                    break;
                case 16:
                    dest[2 * x] = static_cast<uint8_t>(packed);
                    dest[2 * x + 1] = static_cast<uint8_t>(packed >> 8);
                    break;
                case 24:
                    dest[3 * x] = host::BlueOf(v);
                    dest[3 * x + 1] = host::GreenOf(v);
                    dest[3 * x + 2] = host::RedOf(v);
                    break;
                case 32:
                    for (int i = 0; i < 4; ++i)
                        dest[4 * x + i] = static_cast<uint8_t>(packed >> (8 * i));
                    break;
                default:
                    break;
            }
        }
    }
    return out;
}

// A plain RLE encoder: runs of one index (RLE4: of one nibble) up to 255 pixels, an
// end-of-line after each row but the last and an end-of-bitmap after that. No absolute runs.
inline std::vector<uint8_t> EncodeRle(const BmpImage& image) {
    const bool fourBits = image.encoding == BmpEncoding::kRle4;
    std::vector<uint8_t> out;
    for (int32_t row = 0; row < image.height; ++row) {
        const uint32_t* line = image.pixels.data() +
                               size_t{static_cast<uint32_t>(image.height - 1 - row)} * image.width;
        int32_t x = 0;
        while (x < image.width) {
            int32_t run = 1;
            while (x + run < image.width && run < 255 && line[x + run] == line[x])
                ++run;
            const uint8_t index = static_cast<uint8_t>(fourBits ? (line[x] & 0x0F) : line[x]);
            out.push_back(static_cast<uint8_t>(run));
            out.push_back(fourBits ? static_cast<uint8_t>(index << 4 | index) : index);
            x += run;
        }
        out.push_back(0);
        out.push_back(row + 1 < image.height ? 0 : 1);
    }
    return out;
}

}  // namespace bmp_detail

inline std::vector<uint8_t> WriteBmp(const BmpImage& image) {
    using namespace bmp_detail;
    std::vector<uint8_t> pixelData;
    if (image.rawPixelData)
        pixelData = *image.rawPixelData;
    else if (image.encoding == BmpEncoding::kRle8 || image.encoding == BmpEncoding::kRle4)
        pixelData = EncodeRle(image);
    else
        pixelData = PackRows(image);

    uint32_t colorsUsed = static_cast<uint32_t>(image.palette.size());
    if (image.colorsUsed)
        colorsUsed = *image.colorsUsed;
    else if (image.bitsPerPixel <= 8 && image.palette.size() == (1u << image.bitsPerPixel))
        colorsUsed = 0;

    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutU32(out, 0);  // file size, set below
    PutU32(out, 0);  // reserved
    PutU32(out, 0);  // pixel offset, set below
    const size_t infoStart = out.size();
    PutU32(out, image.infoSize);
    PutU32(out, static_cast<uint32_t>(image.width));
    PutU32(out, static_cast<uint32_t>(image.topDown ? -image.height : image.height));
    PutU16(out, 1);
    PutU16(out, image.bitsPerPixel);
    PutU32(out, CompressionOf(image.encoding));
    PutU32(out, image.zeroImageSize ? 0 : static_cast<uint32_t>(pixelData.size()));
    PutU32(out, 2835);  // 72 dots an inch
    PutU32(out, 2835);
    PutU32(out, colorsUsed);
    PutU32(out, 0);
    // The masks come right after the first 40 bytes: inside a longer header, after a 40-byte
    // one.
    if (HasMasks(image.encoding)) {
        const std::array<uint32_t, 4> masks = MasksOf(image);
        const size_t count = image.encoding == BmpEncoding::kAlphaBitFields ? 4 : 3;
        for (size_t i = 0; i < count; ++i)
            PutU32(out, masks[i]);
    }
    if (out.size() < infoStart + image.infoSize)
        out.resize(infoStart + image.infoSize, 0);

    for (host::Color c : image.palette) {
        out.push_back(host::BlueOf(c));
        out.push_back(host::GreenOf(c));
        out.push_back(host::RedOf(c));
        out.push_back(0);
    }
    out.resize(out.size() + image.gapBeforePixels, 0);
    SetU32(out, 10, image.zeroPixelOffset ? 0 : static_cast<uint32_t>(out.size()));
    out.insert(out.end(), pixelData.begin(), pixelData.end());
    SetU32(out, 2, static_cast<uint32_t>(out.size()));
    return out;
}

inline bool SaveBmp(const BmpImage& image, const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = WriteBmp(image);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

}  // namespace stagehand::testing
