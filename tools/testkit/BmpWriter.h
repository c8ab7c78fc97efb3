// Builds BMP files in memory from a plain description, for the tests and the test kit: every
// depth the player reads, either row order, any info header size, colour masks, and RLE8/RLE4
// data (encoded from the pixels or given raw). It writes what it is told, sound or not, and
// checks nothing: a test makes damaged files by changing the description or the bytes.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "host/gfx/Color.h"

namespace stagehand::testing {

// The values are the file's compression field.
enum class BmpEncoding : uint32_t { kRgb, kRle8, kRle4, kBitFields, kAlphaBitFields = 6 };

struct BmpImage {
    int32_t width = 0;
    int32_t height = 0;  // always positive here; topDown writes it negative
    uint16_t bitsPerPixel = 24;
    // Top row first: palette indexes up to 8 bits a pixel, 0x00RRGGBB colours above.
    std::vector<uint32_t> pixels;
    std::vector<host::Color> palette;
    BmpEncoding encoding = BmpEncoding::kRgb;
    // Red, green, blue, alpha masks for packing 16- and 32-bit pixels, written with the
    // bit-field encodings; by default 5-5-5 and 8-8-8.
    std::optional<std::array<uint32_t, 4>> masks;
    bool topDown = false;
    uint32_t infoSize = 40;
    // By default the palette's size, or 0 when it has exactly 2^bitsPerPixel entries.
    std::optional<uint32_t> colorsUsed;
    bool zeroImageSize = false;
    bool zeroPixelOffset = false;
    // Written as the pixel data instead of `pixels` (for hand-made RLE streams).
    std::optional<std::vector<uint8_t>> rawPixelData;
};

// Little-endian 32-bit value at `at`, which must lie inside `bytes`.
inline void SetU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

namespace bmp_detail {

inline void Put(std::vector<uint8_t>& out, uint32_t value, int bytes = 4) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

inline std::array<uint32_t, 4> MasksOf(const BmpImage& image) {
    if (image.masks) {
        return *image.masks;
    }
    if (image.bitsPerPixel == 16) {
        return {0x7C00, 0x03E0, 0x001F, 0};
    }
    return {0xFF0000, 0x00FF00, 0x0000FF, 0};
}

// An 8-bit channel value scaled into the bits of `mask`.
inline uint32_t PackChannel(uint8_t value, uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const uint64_t max = mask >> shift;
    return static_cast<uint32_t>((value * max + 127) / 255) << shift & mask;
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
            const int bits = image.bitsPerPixel;
            if (bits <= 8) {  // the leftmost pixel in the high bits
                dest[x * bits / 8] |=
                    static_cast<uint8_t>((v & ((1u << bits) - 1)) << (8 - bits - x * bits % 8));
            } else {  // little-endian; 24 bits hold blue, green, red
                for (int i = 0; i < bits / 8; ++i) {
                    dest[bits / 8 * x + i] =
                        static_cast<uint8_t>((bits == 24 ? v : packed) >> (8 * i));
                }
            }
        }
    }
    return out;
}

// Runs of one index (RLE4: of one nibble) up to 255 pixels, an end-of-line after each row but
// the last and an end-of-bitmap after that. No absolute runs.
inline std::vector<uint8_t> EncodeRle(const BmpImage& image) {
    const bool fourBits = image.encoding == BmpEncoding::kRle4;
    std::vector<uint8_t> out;
    for (int32_t row = 0; row < image.height; ++row) {
        const uint32_t* line = image.pixels.data() +
                               size_t{static_cast<uint32_t>(image.height - 1 - row)} * image.width;
        for (int32_t x = 0, run = 1; x < image.width; x += run, run = 1) {
            while (x + run < image.width && run < 255 && line[x + run] == line[x]) {
                ++run;
            }
            const uint8_t index = static_cast<uint8_t>(fourBits ? (line[x] & 0x0F) : line[x]);
            out.push_back(static_cast<uint8_t>(run));
            out.push_back(fourBits ? static_cast<uint8_t>(index << 4 | index) : index);
        }
        out.push_back(0);
        out.push_back(row + 1 < image.height ? 0 : 1);
    }
    return out;
}

}  // namespace bmp_detail

inline std::vector<uint8_t> WriteBmp(const BmpImage& image) {
    using namespace bmp_detail;
    const bool rle = image.encoding == BmpEncoding::kRle8 || image.encoding == BmpEncoding::kRle4;
    const std::vector<uint8_t> pixelData = image.rawPixelData ? *image.rawPixelData
                                           : rle              ? EncodeRle(image)
                                                              : PackRows(image);
    uint32_t colorsUsed = static_cast<uint32_t>(image.palette.size());
    if (image.colorsUsed) {
        colorsUsed = *image.colorsUsed;
    } else if (image.bitsPerPixel <= 8 && image.palette.size() == (1u << image.bitsPerPixel)) {
        colorsUsed = 0;
    }

    std::vector<uint8_t> out = {'B', 'M'};
    Put(out, 0);  // file size, set below
    Put(out, 0);  // reserved
    Put(out, 0);  // pixel offset, set below
    Put(out, image.infoSize);
    Put(out, static_cast<uint32_t>(image.width));
    Put(out, static_cast<uint32_t>(image.topDown ? -image.height : image.height));
    Put(out, 1, 2);  // planes
    Put(out, image.bitsPerPixel, 2);
    Put(out, static_cast<uint32_t>(image.encoding));
    Put(out, image.zeroImageSize ? 0 : static_cast<uint32_t>(pixelData.size()));
    Put(out, 2835);  // 72 dots an inch
    Put(out, 2835);
    Put(out, colorsUsed);
    Put(out, 0);
    // The masks follow the first 40 bytes: inside a longer header, after a 40-byte one.
    if (image.encoding == BmpEncoding::kBitFields ||
        image.encoding == BmpEncoding::kAlphaBitFields) {
        const std::array<uint32_t, 4> masks = MasksOf(image);
        for (size_t i = 0; i < (image.encoding == BmpEncoding::kAlphaBitFields ? 4u : 3u); ++i) {
            Put(out, masks[i]);
        }
    }
    if (out.size() < 14 + image.infoSize) {
        out.resize(14 + image.infoSize, 0);
    }
    for (host::Color c : image.palette) {
        Put(out, c & 0xFFFFFF);  // blue, green, red, 0
    }
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
