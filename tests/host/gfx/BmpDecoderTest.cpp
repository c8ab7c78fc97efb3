// The BMP reader over files the tests write: what the public suite does not hold (every depth
// top-down, every row padding, masks and alpha masks in every header size, masks of any width
// and place) and the fields a file may leave 0.
#include <gtest/gtest.h>

#include "BmpTestImages.h"

namespace stagehand::testing {
namespace {

// Reads `image` written whole, and as the start of a far longer file (a sparse 255 MiB one)
// from the first bytes its headers declare, asked for as the image class asks: headers,
// colour table and rows, an RLE stream at most 4 bytes a pixel.
::testing::AssertionResult ReadsBack(const BmpImage& image) {
    std::vector<uint8_t> bytes = WriteBmp(image);
    if (::testing::AssertionResult whole = Shows(Decode(bytes), image); !whole) {
        return whole << " read whole";
    }
    constexpr uint64_t kLongFile = 255ull << 20;
    const size_t written = bytes.size() + 256 * 4;
    bytes.resize(written + 64 * 1024);
    size_t have = 0;
    for (uint64_t need = 18; need > have;
         need = BmpBytesNeeded(std::span(bytes).first(have), kLongFile)) {
        have = static_cast<size_t>(need);
    }
    const size_t rle = 54 + 16 + 1024 + 4 * (image.pixels.size() + image.height) + 16;
    if (have > std::max(written, rle)) {
        return ::testing::AssertionFailure() << "asks for " << have << " bytes";
    }
    const base::Result<host::Surface> read = DecodeBmp(std::span(bytes).first(have), kLongFile);
    return read ? Shows(*read, image) << " from a long file"
                : ::testing::AssertionFailure() << read.error();
}

// Every depth in both row orders, with widths that end rows inside a byte and leave 0 to 3
// bytes of padding (full colour tables written with colours used 0); every info header size
// (masks follow a 40-byte header and lie inside longer ones, alpha masks are ignored); and
// with the pixel offset or image size left 0, the pixels follow the colour table as declared
// (short or full) and uncompressed rows take what their stride says. Indexes past a short
// table are black.
TEST(BmpDecoder, ReadsEveryDepthHeaderSizeAndFieldLeftZero) {
    std::vector<std::pair<BmpImage, std::string>> images;
    for (uint16_t bits : {1, 4, 8, 24, 32}) {
        for (bool topDown : {false, true}) {
            for (int32_t width : {1, 2, 7, 13, 33}) {
                BmpImage image = TestImage(width, 5, bits, bits <= 8 ? size_t{1} << bits : 0);
                image.topDown = topDown;
                images.emplace_back(
                    image, "width " + std::to_string(width) + (topDown ? " top-down" : ""));
            }
        }
    }
    BmpImage masked = TestImage(5, 3, 32);
    masked.encoding = BmpEncoding::kBitFields;
    masked.masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0};
    BmpImage withAlpha = TestImage(5, 3, 16);
    withAlpha.encoding = BmpEncoding::kAlphaBitFields;
    withAlpha.masks = {0x0F00, 0x00F0, 0x000F, 0xF000};
    for (uint32_t& pixel : withAlpha.pixels) {  // 4-bit channels: 16 levels
        pixel = (pixel & 0xF0F0F0) | (pixel & 0xF0F0F0) >> 4;
    }
    for (BmpImage image : {TestImage(6, 3, 8, 100), masked, withAlpha}) {
        for (uint32_t infoSize : {40u, 52u, 56u, 64u, 108u, 124u}) {
            image.infoSize = infoSize;
            images.emplace_back(image, "header " + std::to_string(infoSize));
        }
    }
    BmpImage shortTable = TestImage(10, 2, 8, 10);
    shortTable.palette.resize(5);
    BmpImage rle4 = TestImage(33, 5, 4, 16), rle8 = TestImage(33, 5, 8, 200);
    rle4.encoding = BmpEncoding::kRle4;
    rle8.encoding = BmpEncoding::kRle8;
    for (BmpImage image : {shortTable, TestImage(5, 4, 8, 256), TestImage(5, 4, 4, 12),
                           TestImage(5, 4, 24), TestImage(33, 5, 1, 2), masked, rle4, rle8}) {
        for (int zeroed = 0; zeroed < 3; ++zeroed) {
            image.zeroPixelOffset = zeroed != 1;
            image.zeroImageSize = zeroed != 0;
            images.emplace_back(image, "zeroed " + std::to_string(zeroed));
        }
    }
    for (const auto& [image, label] : images) {
        EXPECT_TRUE(ReadsBack(image)) << image.bitsPerPixel << " bits, " << label;
    }
}

// Each channel scales from its mask's width to the full range (31 of 31 is 255, not 248).
TEST(BmpDecoder, ScalesMaskedChannelsOfAnyWidthAndPlace) {
    struct Case {
        const char* label;
        uint16_t bits;
        std::optional<std::array<uint32_t, 4>> masks;  // none: the default, no bit fields
        uint32_t pixel;
        host::Color expected;
    };
    const std::array<uint32_t, 4> k565 = {0xF800, 0x07E0, 0x001F, 0};
    const std::array<uint32_t, 4> k101010 = {0x3FF00000, 0x000FFC00, 0x000003FF, 0};
    for (const Case& c : {
             Case{"5-5-5 white, top bit set", 16, {}, 0xFFFF, 0xFFFFFF},
             Case{"5-5-5 16 of 31 is 132", 16, {}, 0x4210, 0x848484},
             Case{"5-5-5 red", 16, {}, 0x7C00, 0xFF0000},
             Case{"5-5-5 green", 16, {}, 0x03E0, 0x00FF00},
             Case{"8-8-8, top byte unused", 32, {}, 0xFF112233, 0x112233},
             Case{"5-6-5, green 32 of 63 is 130", 16, k565, 0x8410, 0x848284},
             Case{"5-6-5 white", 16, k565, 0xFFFF, 0xFFFFFF},
             Case{"blue on top", 32, {{0xFF, 0xFF00, 0xFF0000, 0}}, 0x00112233, 0x332211},
             Case{"10-10-10 all ones", 32, k101010, 0xFFFFFFFF, 0xFFFFFF},
             Case{"10-10-10 512 is 128", 32, k101010, 0x20000200, 0x800080},
             Case{"whole-word green, empty blue", 32, {{0, 0xFFFFFFFF, 0, 0}}, ~0u, 0x00FF00},
             Case{"1- and 2-bit channels", 16, {{0x0001, 0x0006, 0, 0}}, 0x0003, 0xFF5500},
         }) {
        BmpImage image = TestImage(1, 1, c.bits);
        image.masks = c.masks;
        if (c.masks) {
            image.encoding = BmpEncoding::kBitFields;
        }
        image.rawPixelData = std::vector<uint8_t>(4);
        SetU32(*image.rawPixelData, 0, c.pixel);
        EXPECT_EQ(Decode(WriteBmp(image)).PixelAt(0, 0), c.expected) << c.label;
    }
}

}  // namespace
}  // namespace stagehand::testing
