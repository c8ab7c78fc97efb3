// What the BMP reader refuses and why, and what it makes of files cut short or with fields
// that claim more than the file holds.
#include <gtest/gtest.h>

#include <climits>

#include "BmpTestImages.h"

namespace stagehand::testing {
namespace {

constexpr size_t kPixelOffsetAt = 10;
constexpr size_t kInfoSizeAt = 14;
constexpr size_t kWidthAt = 18;
constexpr size_t kHeightAt = 22;
constexpr size_t kDepthAt = 28;  // 16 bits: set as 32 with the compression after it left 0
constexpr size_t kCompressionAt = 30;

// A sound 1 x 1 file (58 bytes at 24 bits) with 32-bit fields changed: {offset, value}.
std::vector<uint8_t> Tiny(uint16_t bits,
                          std::initializer_list<std::pair<size_t, uint32_t>> fields = {}) {
    std::vector<uint8_t> bytes = WriteBmp(TestImage(1, 1, bits, bits <= 8 ? 2 : 0));
    for (const auto& [at, value] : fields) {
        SetU32(bytes, at, value);
    }
    return bytes;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t size) {
    bytes.resize(size);
    return bytes;
}

// Each reason once, with the values the public suite's refused files do not already give.
// Dimensions no image has, or more pixels than a file of its length could justify, are
// refused from the header alone, before any pixel memory is taken.
TEST(BmpRefusal, RefusesWithTheReason) {
    BmpImage rle = TestImage(4, 2, 8, 4), rle4x4 = TestImage(4, 4, 8, 4);
    rle.encoding = rle4x4.encoding = BmpEncoding::kRle8;
    rle.topDown = true;
    BmpImage masked = TestImage(1, 1, 32);
    masked.encoding = BmpEncoding::kBitFields;
    const std::string kSignature = "the file does not start with the BMP signature.";
    const std::string kTooBig = " pixels, is more than an image may hold.";
    auto over = [](const std::string& size, size_t file) {
        return "its size, " + size + " pixels, is more than a file of " + std::to_string(file) +
               " bytes holds.";
    };
    std::vector<std::pair<std::vector<uint8_t>, std::string>> cases = {
        {Tiny(24, {{0, 'B' | 'A' << 8}}), kSignature},
        {{}, kSignature},
        {{'B'}, kSignature},
        {{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40}, "the file ends inside its headers."},
        {Tiny(24, {{kInfoSizeAt, 12}}),
         "it has the old 12-byte core header, which the player does not read."},
        {Tiny(24, {{kInfoSizeAt, 0}}), "its info header size, 0 bytes, is too small."},
        {Tiny(24, {{kInfoSizeAt, 124}}),
         "its 124-byte info header runs past the end of the file (58 bytes)."},
        {Tiny(24, {{kInfoSizeAt, UINT32_MAX}}),
         "its 4294967295-byte info header runs past the end of the file (58 bytes)."},
        {Cut(Tiny(24), 40), "its 40-byte info header runs past the end of the file (40 bytes)."},
        {Tiny(4, {{kCompressionAt, kBmpRle8}}), "RLE8 compression needs 8 bits a pixel, not 4."},
        {Tiny(8, {{kCompressionAt, kBmpRle4}}), "RLE4 compression needs 4 bits a pixel, not 8."},
        {Tiny(24, {{kCompressionAt, kBmpBitFields}}),
         "colour masks need 16 or 32 bits a pixel, not 24."},
        {Tiny(8, {{kCompressionAt, kBmpAlphaBitFields}}),
         "colour masks need 16 or 32 bits a pixel, not 8."},
        {WriteBmp(rle), "a compressed image cannot be stored top-down."},
        {Cut(WriteBmp(masked), 60), "its colour masks run past the end of the file."},
        {Tiny(24, {{kWidthAt, 0}}), "its width, 0 pixels, is not positive."},
        {Tiny(24, {{kWidthAt, 0x80000000u}}), "its width, -2147483648 pixels, is not positive."},
        {Tiny(24, {{kHeightAt, 0}}), "its height is 0 pixels."},
        {Tiny(24, {{kWidthAt, INT32_MAX}}), "its size, 2147483647 x 1" + kTooBig},
        {Tiny(24, {{kHeightAt, 0x80000000u}}), "its size, 1 x 2147483648" + kTooBig},
        {Tiny(24, {{kWidthAt, INT32_MAX}, {kHeightAt, INT32_MAX}}),
         "its size, 2147483647 x 2147483647" + kTooBig},
        {Tiny(24, {{kWidthAt, 8192}, {kHeightAt, 8193}}), "its size, 8192 x 8193" + kTooBig},
        {Tiny(24, {{kWidthAt, 8192}, {kHeightAt, 8192}}), over("8192 x 8192", 58)},
        {Tiny(1, {{kWidthAt, 1000}, {kHeightAt, uint32_t(-1000)}}), over("1000 x 1000", 66)},
        // A file cut short must hold a quarter of its pixels' bytes.
        {Cut(WriteBmp(TestImage(100, 100, 24)), 154), over("100 x 100", 154)},
    };
    for (uint32_t compression : {7u, UINT32_MAX}) {
        cases.push_back({Tiny(24, {{kCompressionAt, compression}}),
                         "its compression type " + std::to_string(compression) +
                             " is not one the player reads."});
    }
    for (uint16_t bits : {0, 3, 12, 48}) {
        cases.push_back({Tiny(24, {{kDepthAt, bits}}),
                         "images of " + std::to_string(bits) + " bits a pixel are not read."});
    }
    // An RLE stream may cover 256 pixels a byte of file; the next row past that is refused.
    for (uint32_t extra : {0, 1}) {
        std::vector<uint8_t> bytes = WriteBmp(rle4x4);
        const uint32_t size = static_cast<uint32_t>(bytes.size());
        SetU32(bytes, kWidthAt, 256);
        SetU32(bytes, kHeightAt, size + extra);
        cases.push_back({bytes, extra == 0 ? "" : over("256 x " + std::to_string(size + 1), size)});
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(RefusalOf(cases[i].first), cases[i].second) << "case " << i;
    }
}

// The rows the file holds are shown; the rest, and the end of a row cut in the middle (even
// inside a pixel), are black. Bottom-up files lose their top rows, top-down files their
// bottom rows.
TEST(BmpRefusal, ShowsWhatATruncatedFileHoldsAndTheRestBlack) {
    struct Case {
        const char* label;
        BmpImage image;
        size_t keptBytes;  // of the pixel data
        int32_t wholeRows, pixelsOfNextRow;
    };
    BmpImage topDown = TestImage(6, 10, 24);
    topDown.topDown = true;
    for (const Case& c : {
             // Rows of 18 bytes padded to 20: 4 rows, 2 pixels and a byte of the third.
             Case{"24 bits", TestImage(6, 10, 24), 4 * 20 + 7, 4, 2},
             Case{"24 bits top-down", topDown, 4 * 20 + 7, 4, 2},
             Case{"4 bits", TestImage(16, 16, 4, 16), 10 * 8 + 5, 10, 10},  // 8 bytes a row
         }) {
        std::vector<uint8_t> bytes = WriteBmp(c.image);
        const size_t stride = (size_t{c.image.bitsPerPixel} * c.image.width + 31) / 32 * 4;
        bytes.resize(bytes.size() - stride * c.image.height + c.keptBytes);
        const host::Surface decoded = Decode(bytes);
        ASSERT_EQ(decoded.Dimensions(), (host::Size{c.image.width, c.image.height})) << c.label;
        for (int32_t stored = 0; stored < c.image.height; ++stored) {
            const int32_t y = c.image.topDown ? stored : c.image.height - 1 - stored;
            for (int32_t x = 0; x < c.image.width; ++x) {
                const bool kept =
                    stored < c.wholeRows || (stored == c.wholeRows && x < c.pixelsOfNextRow);
                EXPECT_EQ(decoded.PixelAt(x, y), kept ? ExpectedAt(c.image, x, y) : host::kBlack)
                    << c.label << " at " << x << ", " << y;
            }
        }
    }
}

// The colours-used field may claim more than 256 colours or more than the file holds: the
// table is cut to both, and the pixels are found where the offset says. Pixels placed past
// the file's end are black.
TEST(BmpRefusal, CutsTheColourTableAndPixelsToTheFile) {
    BmpImage image = TestImage(4, 4, 8, 16);
    for (uint32_t colorsUsed : {257u, 1000u, 0x40000000u, UINT32_MAX}) {
        image.colorsUsed = colorsUsed;
        const std::vector<uint8_t> bytes = WriteBmp(image);
        EXPECT_TRUE(Shows(Decode(bytes), image)) << colorsUsed;
        const base::Result<BmpHeader> header = ReadBmpHeader(bytes);
        ASSERT_TRUE(header);
        EXPECT_LE(header->colorCount, 256u);
        EXPECT_LE(header->colorTableOffset + 4 * header->colorCount, bytes.size());
    }
    // A real table of 300 colours: the first 256 count, and with no offset the pixels follow
    // all 300.
    BmpImage large = TestImage(16, 16, 8, 256);
    large.palette = Palette(300);
    large.colorsUsed = 300;
    large.zeroPixelOffset = true;
    EXPECT_TRUE(Shows(Decode(WriteBmp(large)), large));
    // With no offset the pixels follow the whole claimed table, past the file's end.
    image.zeroPixelOffset = true;
    EXPECT_EQ(Decode(WriteBmp(image)).PixelAt(3, 3), host::kBlack);
    EXPECT_EQ(Decode(Tiny(24, {{kPixelOffsetAt, 0x7FFFFFFF}})).PixelAt(0, 0), host::kBlack);
}

}  // namespace
}  // namespace stagehand::testing
