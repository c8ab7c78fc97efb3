// What the BMP reader refuses, and what it makes of files cut short or with fields that
// claim more than the file holds.
#include <gtest/gtest.h>

#include <climits>

#include "BmpTestImages.h"

namespace stagehand::testing {
namespace {

// A sound 1 x 1 file whose header fields the tests change.
std::vector<uint8_t> TinyFile(uint16_t bits = 24) {
    BmpImage image = bits <= 8 ? IndexedImage(1, 1, bits, 2) : ColorImage(1, 1, bits);
    return WriteBmp(image);
}

std::vector<uint8_t> WithField(std::vector<uint8_t> bytes, size_t at, uint32_t value) {
    PutU32(bytes, at, value);
    return bytes;
}

constexpr size_t kInfoSizeAt = 14;
constexpr size_t kWidthAt = 18;
constexpr size_t kHeightAt = 22;
constexpr size_t kCompressionAt = 30;

std::vector<uint8_t> WithDepth(std::vector<uint8_t> bytes, uint16_t bits) {
    bytes[28] = static_cast<uint8_t>(bits);
    bytes[29] = static_cast<uint8_t>(bits >> 8);
    return bytes;
}

TEST(BmpRefusal, RefusesFilesThatAreNotBmpOrEndInTheHeaders) {
    std::vector<uint8_t> wrong = TinyFile();
    wrong[1] = 'A';
    EXPECT_EQ(RefusalOf(wrong), "the file does not start with the BMP signature.");
    EXPECT_EQ(RefusalOf({}), "the file does not start with the BMP signature.");
    EXPECT_EQ(RefusalOf({'B'}), "the file does not start with the BMP signature.");
    EXPECT_EQ(RefusalOf({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40}),
              "the file ends inside its headers.");
}

TEST(BmpRefusal, RefusesInfoHeadersTooShortOrPastTheEnd) {
    EXPECT_EQ(RefusalOf(WithField(TinyFile(), kInfoSizeAt, 12)),
              "it has the old 12-byte core header, which the player does not read.");
    EXPECT_EQ(RefusalOf(WithField(TinyFile(), kInfoSizeAt, 16)),
              "its info header size, 16 bytes, is too small.");
    EXPECT_EQ(RefusalOf(WithField(TinyFile(), kInfoSizeAt, 0)),
              "its info header size, 0 bytes, is too small.");
    // The file is 58 bytes: 14 + 40 + one padded pixel.
    EXPECT_EQ(RefusalOf(WithField(TinyFile(), kInfoSizeAt, 124)),
              "its 124-byte info header runs past the end of the file (58 bytes).");
    EXPECT_NE(RefusalOf(WithField(TinyFile(), kInfoSizeAt, 0xFFFFFFFF)), "");
    std::vector<uint8_t> cut = TinyFile();
    cut.resize(40);
    EXPECT_NE(RefusalOf(cut).find("runs past the end"), std::string::npos);
}

TEST(BmpRefusal, RefusesUnknownCompressionsAndDepths) {
    for (uint32_t compression : {4u, 5u, 7u, 0xFFFFFFFFu})
        EXPECT_NE(RefusalOf(WithField(TinyFile(), kCompressionAt, compression))
                      .find("compression type " + std::to_string(compression)),
                  std::string::npos);
    for (uint16_t bits : {0, 2, 3, 12, 64, 30000})
        EXPECT_EQ(RefusalOf(WithDepth(TinyFile(), bits)),
                  "images of " + std::to_string(bits) + " bits a pixel are not read.");
    // Compressions that belong to other depths.
    EXPECT_EQ(RefusalOf(WithField(TinyFile(4), kCompressionAt, kBmpRle8)),
              "RLE8 compression needs 8 bits a pixel, not 4.");
    EXPECT_EQ(RefusalOf(WithField(TinyFile(8), kCompressionAt, kBmpRle4)),
              "RLE4 compression needs 4 bits a pixel, not 8.");
    EXPECT_EQ(RefusalOf(WithField(TinyFile(24), kCompressionAt, kBmpBitFields)),
              "colour masks need 16 or 32 bits a pixel, not 24.");
    EXPECT_EQ(RefusalOf(WithField(TinyFile(8), kCompressionAt, kBmpAlphaBitFields)),
              "colour masks need 16 or 32 bits a pixel, not 8.");
}

TEST(BmpRefusal, RefusesCompressedImagesStoredTopDown) {
    BmpImage image = IndexedImage(4, 2, 8, 4);
    image.encoding = BmpEncoding::kRle8;
    image.topDown = true;
    EXPECT_EQ(RefusalOf(WriteBmp(image)), "a compressed image cannot be stored top-down.");
}

// Dimensions no image has, or more pixels than a file of its length could justify, are
// refused from the header alone, before any pixel memory is taken.
TEST(BmpRefusal, RefusesAbsurdDimensions) {
    auto sized = [](uint32_t width, uint32_t height, uint16_t bits = 24) {
        return WithField(WithField(TinyFile(bits), kWidthAt, width), kHeightAt, height);
    };
    EXPECT_EQ(RefusalOf(sized(0, 1)), "its width, 0 pixels, is not positive.");
    EXPECT_EQ(RefusalOf(sized(static_cast<uint32_t>(-127), 1)),
              "its width, -127 pixels, is not positive.");
    EXPECT_EQ(RefusalOf(sized(0x80000000u, 1)), "its width, -2147483648 pixels, is not positive.");
    EXPECT_EQ(RefusalOf(sized(1, 0)), "its height is 0 pixels.");
    EXPECT_EQ(RefusalOf(sized(INT32_MAX, 1)),
              "its size, 2147483647 x 1 pixels, is more than an image may hold.");
    EXPECT_EQ(RefusalOf(sized(1, 0x80000000u)),
              "its size, 1 x 2147483648 pixels, is more than an image may hold.");
    EXPECT_EQ(RefusalOf(sized(INT32_MAX, INT32_MAX)),
              "its size, 2147483647 x 2147483647 pixels, is more than an image may hold.");
    EXPECT_EQ(RefusalOf(sized(8192, 8193)),
              "its size, 8192 x 8193 pixels, is more than an image may hold.");
    // Exactly the most a surface holds, but from a 58-byte file.
    EXPECT_EQ(RefusalOf(sized(8192, 8192)),
              "its size, 8192 x 8192 pixels, is more than a file of 58 bytes holds.");
    EXPECT_NE(RefusalOf(sized(1000, static_cast<uint32_t>(-1000), 1)).find("file of"),
              std::string::npos);
}

TEST(BmpRefusal, BoundsRleImagesByWhatTheirStreamCanCover) {
    BmpImage image = IndexedImage(4, 4, 8, 4);
    image.encoding = BmpEncoding::kRle8;
    std::vector<uint8_t> bytes = WriteBmp(image);
    const uint32_t fileSize = static_cast<uint32_t>(bytes.size());
    // 256 pixels a byte of file are allowed, the next row past that is not.
    const uint32_t width = 256;
    PutU32(bytes, kWidthAt, width);
    PutU32(bytes, kHeightAt, fileSize);
    EXPECT_EQ(RefusalOf(bytes), "");
    PutU32(bytes, kHeightAt, fileSize + 1);
    EXPECT_EQ(RefusalOf(bytes), "its size, 256 x " + std::to_string(fileSize + 1) +
                                    " pixels, is more than a file of " + std::to_string(fileSize) +
                                    " bytes holds.");
}

TEST(BmpRefusal, RefusesMasksPastTheEndOfTheFile) {
    BmpImage image = ColorImage(1, 1, 32);
    image.encoding = BmpEncoding::kBitFields;
    std::vector<uint8_t> bytes = WriteBmp(image);
    bytes.resize(60);
    EXPECT_EQ(RefusalOf(bytes), "its colour masks run past the end of the file.");
}

// The rows the file holds are shown; the rest, and the end of a row cut in the middle, are
// black. Bottom-up files lose their top rows, top-down files their bottom rows.
TEST(BmpRefusal, ShowsWhatATruncatedFileHoldsAndTheRestBlack) {
    for (bool topDown : {false, true}) {
        BmpImage image = ColorImage(6, 10, 24);  // rows of 18 bytes padded to 20
        image.topDown = topDown;
        std::vector<uint8_t> bytes = WriteBmp(image);
        const size_t pixelOffset = 54;
        bytes.resize(pixelOffset + 4 * 20 + 7);  // 4 rows and 2 pixels of the fifth
        const host::Surface decoded = Decode(bytes);
        ASSERT_EQ(decoded.Dimensions(), (host::Size{6, 10}));
        for (int32_t stored = 0; stored < 10; ++stored) {
            const int32_t y = topDown ? stored : 9 - stored;
            for (int32_t x = 0; x < 6; ++x) {
                const bool present = stored < 4 || (stored == 4 && x < 2);
                EXPECT_EQ(decoded.PixelAt(x, y), present ? ExpectedAt(image, x, y) : host::kBlack)
                    << x << ", " << y << (topDown ? " top-down" : "");
            }
        }
    }
}

TEST(BmpRefusal, ShowsAPalettedFileCutInsideItsRowsAndRefusesOneCutFarShorter) {
    BmpImage image = IndexedImage(16, 16, 4, 16);  // 8 bytes a row
    std::vector<uint8_t> bytes = WriteBmp(image);
    bytes.resize(bytes.size() - 8 * 5 - 3);  // 10 whole rows and 10 pixels of the eleventh
    const host::Surface decoded = Decode(bytes);
    EXPECT_EQ(decoded.PixelAt(0, 0), host::kBlack);
    EXPECT_EQ(decoded.PixelAt(15, 4), host::kBlack);
    EXPECT_EQ(decoded.PixelAt(9, 5), ExpectedAt(image, 9, 5));
    EXPECT_EQ(decoded.PixelAt(10, 5), host::kBlack);
    EXPECT_EQ(decoded.PixelAt(15, 6), ExpectedAt(image, 15, 6));

    // A quarter of the pixels' worth of bytes must be there.
    BmpImage big = ColorImage(100, 100, 24);
    std::vector<uint8_t> cut = WriteBmp(big);
    cut.resize(154);
    EXPECT_EQ(RefusalOf(cut),
              "its size, 100 x 100 pixels, is more than a file of 154 bytes holds.");
}

TEST(BmpRefusal, ShowsBlackWhenThePixelsLieBeyondTheFile) {
    std::vector<uint8_t> bytes = WithField(TinyFile(), 10, 0x7FFFFFFF);
    const host::Surface decoded = Decode(bytes);
    EXPECT_EQ(decoded.PixelAt(0, 0), host::kBlack);
}

// The colours-used field may claim more than 256 colours or more than the file holds: the
// table is cut to both, and the pixels are found where the offset says.
TEST(BmpRefusal, CutsTheColourTableToTheFile) {
    BmpImage image = IndexedImage(4, 4, 8, 16);
    for (uint32_t colorsUsed : {257u, 1000u, 0x40000000u, 0xFFFFFFFFu}) {
        image.colorsUsed = colorsUsed;
        EXPECT_TRUE(Shows(Decode(WriteBmp(image)), image)) << colorsUsed;
        const std::optional<BmpHeader> header = ReadBmpHeader(WriteBmp(image), nullptr);
        ASSERT_TRUE(header);
        EXPECT_LE(header->colorCount, 256u);
        EXPECT_LE(header->colorTableOffset + 4 * header->colorCount, WriteBmp(image).size());
    }
    // A real table of 300 colours: the first 256 count, and with no offset the pixels follow
    // all 300.
    BmpImage large = IndexedImage(16, 16, 8, 256);
    large.palette = Palette(300);
    large.colorsUsed = 300;
    large.zeroPixelOffset = true;
    EXPECT_TRUE(Shows(Decode(WriteBmp(large)), large));
    // With no offset the pixels would follow the whole claimed table, past the file's end.
    image.colorsUsed = 0xFFFFFFFF;
    image.zeroPixelOffset = true;
    const host::Surface decoded = Decode(WriteBmp(image));
    EXPECT_EQ(decoded.PixelAt(3, 3), host::kBlack);
}

}  // namespace
}  // namespace stagehand::testing
