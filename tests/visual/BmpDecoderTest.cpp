// The BMP reader over files the tests write: every depth, both row orders, each header size,
// colour tables and masks, and the fields a file may leave 0.
#include <gtest/gtest.h>

#include "BmpTestImages.h"

namespace stagehand::testing {
namespace {

// Widths that end rows inside a byte and leave 1 to 3 bytes of padding.
TEST(BmpDecoder, ReadsEveryPalettedDepthInBothRowOrders) {
    for (uint16_t bits : {1, 4, 8}) {
        for (bool topDown : {false, true}) {
            for (int32_t width : {1, 7, 13, 33}) {
                BmpImage image = IndexedImage(width, 5, bits, size_t{1} << bits);
                image.topDown = topDown;
                EXPECT_TRUE(Shows(Decode(WriteBmp(image)), image))
                    << bits << " bits, width " << width << (topDown ? ", top-down" : "");
            }
        }
    }
}

TEST(BmpDecoder, ReadsEveryTrueColourDepthInBothRowOrders) {
    for (uint16_t bits : {24, 32}) {
        for (bool topDown : {false, true}) {
            for (int32_t width : {1, 2, 3, 5}) {
                BmpImage image = ColorImage(width, 4, bits);
                image.topDown = topDown;
                EXPECT_TRUE(Shows(Decode(WriteBmp(image)), image))
                    << bits << " bits, width " << width;
            }
        }
    }
}

// 16 bits default to 5-5-5 with the top bit unused; each 5-bit value scales to the full range.
TEST(BmpDecoder, ReadsDefaultSixteenBitPixelsAtFullRange) {
    BmpImage image;
    image.width = 3;
    image.height = 2;
    image.bitsPerPixel = 16;
    // Rows are 6 bytes, padded to 8; the bottom row comes first.
    image.rawPixelData = std::vector<uint8_t>{
        0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0,  // red, green, blue
        0xFF, 0xFF, 0x10, 0x42, 0x00, 0x00, 0, 0,  // white (top bit set), 16-16-16, black
    };
    const host::Surface decoded = Decode(WriteBmp(image));
    ASSERT_EQ(decoded.Dimensions(), (host::Size{3, 2}));
    EXPECT_EQ(decoded.PixelAt(0, 0), 0xFFFFFFu);
    EXPECT_EQ(decoded.PixelAt(1, 0), 0x848484u);  // 16 of 31 is 132 of 255
    EXPECT_EQ(decoded.PixelAt(2, 0), 0x000000u);
    EXPECT_EQ(decoded.PixelAt(0, 1), 0xFF0000u);
    EXPECT_EQ(decoded.PixelAt(1, 1), 0x00FF00u);
    EXPECT_EQ(decoded.PixelAt(2, 1), 0x0000FFu);
}

TEST(BmpDecoder, ScalesMaskedChannelsOfAnyWidthAndPlace) {
    struct Case {
        uint16_t bits;
        std::array<uint32_t, 4> masks;
        uint32_t pixel;
        host::Color expected;
    };
    for (const Case& c : {
             // 5-6-5: green's 32 of 63 is 130 of 255; all ones are white.
             Case{16, {0xF800, 0x07E0, 0x001F, 0}, 0x8410, 0x848284},
             Case{16, {0xF800, 0x07E0, 0x001F, 0}, 0xFFFF, 0xFFFFFF},
             // Blue on top, red at the bottom.
             Case{32, {0x000000FF, 0x0000FF00, 0x00FF0000, 0}, 0x00112233, 0x332211},
             // 10-10-10 and 2 bits unused; 1023 is 255, 512 is 128.
             Case{32, {0x3FF00000, 0x000FFC00, 0x000003FF, 0}, 0xFFFFFFFF, 0xFFFFFF},
             Case{32, {0x3FF00000, 0x000FFC00, 0x000003FF, 0}, 0x20000200, 0x800080},
             // A whole 32-bit green mask; an empty blue mask gives 0.
             Case{32, {0, 0xFFFFFFFF, 0, 0}, 0xFFFFFFFF, 0x00FF00},
             // 1-bit and 2-bit channels.
             Case{16, {0x0001, 0x0006, 0x0000, 0}, 0x0003, 0xFF5500},
         }) {
        BmpImage image;
        image.width = 1;
        image.height = 1;
        image.bitsPerPixel = c.bits;
        image.encoding = BmpEncoding::kBitFields;
        image.masks = c.masks;
        image.rawPixelData = std::vector<uint8_t>{
            static_cast<uint8_t>(c.pixel), static_cast<uint8_t>(c.pixel >> 8),
            static_cast<uint8_t>(c.pixel >> 16), static_cast<uint8_t>(c.pixel >> 24)};
        EXPECT_EQ(Decode(WriteBmp(image)).PixelAt(0, 0), c.expected)
            << std::hex << c.pixel << " with red mask " << c.masks[0];
    }
}

// The masks come after a 40-byte header and inside longer ones; the colour table and pixels
// come after both. The alpha mask is ignored.
TEST(BmpDecoder, ReadsEveryInfoHeaderSize) {
    for (uint32_t infoSize : {40u, 52u, 56u, 64u, 108u, 124u}) {
        BmpImage paletted = IndexedImage(6, 3, 8, 100);
        paletted.infoSize = infoSize;
        EXPECT_TRUE(Shows(Decode(WriteBmp(paletted)), paletted)) << infoSize;

        BmpImage masked = ColorImage(5, 3, 32);
        masked.infoSize = infoSize;
        masked.encoding = BmpEncoding::kBitFields;
        masked.masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0};
        EXPECT_TRUE(Shows(Decode(WriteBmp(masked)), masked)) << infoSize;

        BmpImage withAlpha = ColorImage(5, 3, 16);
        withAlpha.infoSize = infoSize;
        withAlpha.encoding = BmpEncoding::kAlphaBitFields;
        withAlpha.masks = {0x0F00, 0x00F0, 0x000F, 0xF000};
        // 4-bit channels: the colours come back as the nearest of 16 levels.
        for (uint32_t& pixel : withAlpha.pixels) {
            pixel &= 0xF0F0F0;
            pixel |= pixel >> 4;
        }
        EXPECT_TRUE(Shows(Decode(WriteBmp(withAlpha)), withAlpha)) << infoSize;
    }
}

TEST(BmpDecoder, TakesTheFullTableWhenColoursUsedIsZero) {
    BmpImage image = IndexedImage(16, 16, 8, 256);
    image.colorsUsed = 0;
    for (size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = 255 - static_cast<uint32_t>(i % 256);
    EXPECT_TRUE(Shows(Decode(WriteBmp(image)), image));

    BmpImage oneBit = IndexedImage(9, 2, 1, 2);
    oneBit.colorsUsed = 0;
    EXPECT_TRUE(Shows(Decode(WriteBmp(oneBit)), oneBit));
}

TEST(BmpDecoder, ReadsShortTablesAndShowsIndexesPastThemAsBlack) {
    // 5 colours in an 8-bit image: indexes 5 to 9 are black.
    BmpImage image = IndexedImage(10, 2, 8, 10);
    image.palette.resize(5);
    EXPECT_TRUE(Shows(Decode(WriteBmp(image)), image));
    // The same with the pixels' place left to follow the short table.
    image.zeroPixelOffset = true;
    EXPECT_TRUE(Shows(Decode(WriteBmp(image)), image));
}

TEST(BmpDecoder, FindsThePixelsWhenOffsetAndImageSizeAreZero) {
    std::vector<BmpImage> images = {IndexedImage(5, 4, 8, 256), IndexedImage(5, 4, 4, 12),
                                    ColorImage(5, 4, 24), ColorImage(3, 2, 32)};
    images[3].encoding = BmpEncoding::kBitFields;
    images[3].masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
    for (BmpImage& image : images) {
        image.zeroPixelOffset = true;
        image.zeroImageSize = true;
        EXPECT_TRUE(Shows(Decode(WriteBmp(image)), image)) << image.bitsPerPixel << " bits";
    }
}

}  // namespace
}  // namespace stagehand::testing
