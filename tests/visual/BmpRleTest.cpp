// RLE8 and RLE4 images: encoded images round-trip, and hand-written streams exercise every
// escape code and every way a stream can go wrong.
#include <gtest/gtest.h>

#include "BmpTestImages.h"

namespace stagehand::testing {
namespace {

// Palette index i shows as colour 0x0000(i+1): black is only ever "not drawn".
BmpImage Canvas(int32_t width, int32_t height, BmpEncoding encoding) {
    BmpImage image;
    image.width = width;
    image.height = height;
    image.encoding = encoding;
    image.bitsPerPixel = encoding == BmpEncoding::kRle4 ? 4 : 8;
    for (uint32_t i = 0; i < (encoding == BmpEncoding::kRle4 ? 16u : 256u); ++i)
        image.palette.push_back(i + 1);
    image.pixels.assign(static_cast<size_t>(width) * height, 0);
    return image;
}

// The decoded image as rows of palette indexes, top row first; '.' for black (not drawn).
std::vector<std::string> Indexes(const host::Surface& image) {
    std::vector<std::string> rows;
    for (int32_t y = 0; y < image.Height(); ++y) {
        std::string row;
        for (int32_t x = 0; x < image.Width(); ++x) {
            const host::Color c = image.PixelAt(x, y);
            row +=
                c == host::kBlack ? '.' : static_cast<char>(c <= 10 ? '0' + c - 1 : 'a' + c - 11);
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> DecodeStream(BmpEncoding encoding, int32_t width, int32_t height,
                                      std::vector<uint8_t> stream) {
    BmpImage image = Canvas(width, height, encoding);
    image.rawPixelData = std::move(stream);
    return Indexes(Decode(WriteBmp(image)));
}

using Rows = std::vector<std::string>;

TEST(BmpRle, RoundTripsEncodedImages) {
    for (BmpEncoding encoding : {BmpEncoding::kRle8, BmpEncoding::kRle4}) {
        // Long runs (past 255 pixels), single pixels, odd widths.
        for (int32_t width : {1, 3, 300}) {
            BmpImage image = Canvas(width, 5, encoding);
            const uint32_t colors = encoding == BmpEncoding::kRle4 ? 16 : 256;
            for (size_t i = 0; i < image.pixels.size(); ++i)
                image.pixels[i] = static_cast<uint32_t>((i / 7 + i % 3) % colors);
            EXPECT_TRUE(Shows(Decode(WriteBmp(image)), image)) << "width " << width;
        }
    }
}

TEST(BmpRle, AStreamWithoutASizeRunsToTheEndOfTheFile) {
    // One pixel a run: the stream is longer than the image would be uncompressed.
    BmpImage image = Canvas(8, 1, BmpEncoding::kRle8);
    std::vector<uint8_t> stream;
    for (uint8_t i = 0; i < 8; ++i) {
        stream.insert(stream.end(), {1, i});
    }
    stream.insert(stream.end(), {0, 1});
    image.rawPixelData = stream;
    image.zeroImageSize = true;
    EXPECT_EQ(Indexes(Decode(WriteBmp(image))), Rows{"01234567"});
}

TEST(BmpRle, FillsRowsFromTheBottomAndLeavesWhatEndOfLineSkipsBlack) {
    // Bottom row: 3 pixels of 1, end of line; next row: 2 of 2, end of line; top row untouched
    // by an end of bitmap.
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle8, 4, 3, {3, 1, 0, 0, 2, 2, 0, 0, 0, 1}),
              (Rows{"....", "22..", "111."}));
}

TEST(BmpRle, StopsAtEndOfBitmap) {
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle8, 4, 2, {2, 5, 0, 1, 4, 6, 0, 0}),
              (Rows{"....", "55.."}));
}

TEST(BmpRle, JumpsOverPixelsWithDeltas) {
    // 1 pixel, then right 2 and up 1, then 1 pixel, then up 1 with x kept.
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle8, 5, 3, {1, 3, 0, 2, 2, 1, 1, 4, 0, 2, 0, 1, 1, 5}),
              (Rows{"....5", "...4.", "3...."}));
}

TEST(BmpRle, ReadsAbsoluteRunsWithTheirWordPadding) {
    // RLE8: 3 pixels take 3 bytes and a pad byte, 4 pixels take 4 bytes and none.
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle8, 8, 2,
                           {0, 3, 1, 2, 3, 0xEE, 1, 9, 0, 0, 0, 4, 4, 5, 6, 7, 0, 1}),
              (Rows{"4567....", "1239...."}));
    // RLE4: 3 pixels take 2 bytes and no pad, 5 take 3 bytes and a pad.
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle4, 12, 1,
                           {0, 3, 0x12, 0x30, 0, 5, 0x45, 0x67, 0x80, 0xEE, 0, 3, 0x9A, 0xB0, 1,
                            0xC0, 0, 1}),
              (Rows{"123456789abc"}));
}

TEST(BmpRle, AlternatesTheTwoIndexesOfAnRle4Run) {
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle4, 6, 1, {5, 0x12, 0, 1}), (Rows{"12121."}));
}

TEST(BmpRle, CutsRunsAtTheRightEdgeWithoutWrapping) {
    // A run of 200, then an absolute run of 4 starting past the edge, then the next row.
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle8, 3, 2, {200, 1, 0, 4, 2, 2, 2, 2, 0, 0, 1, 3}),
              (Rows{"3..", "111"}));
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle4, 3, 1, {255, 0x12, 0, 5, 0x33, 0x33, 0x30, 0}),
              (Rows{"121"}));
}

// Streams that run past the top row, past their own end or off the image keep what was
// drawn before.
TEST(BmpRle, KeepsWhatWasDecodedWhenTheStreamGoesWrong) {
    // End of lines past the top row, then more runs.
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle8, 2, 2, {2, 1, 0, 0, 2, 2, 0, 0, 0, 0, 2, 3}),
              (Rows{"22", "11"}));
    // A delta far above the image.
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle8, 2, 2, {1, 1, 0, 2, 0, 255, 1, 2}),
              (Rows{"..", "1."}));
    // A delta cut off, a run cut off, an escape with no second byte.
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle8, 3, 1, {2, 1, 0, 2, 1}), (Rows{"11."}));
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle8, 3, 1, {2, 1, 5}), (Rows{"11."}));
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle8, 3, 1, {2, 1, 0}), (Rows{"11."}));
    // An absolute run cut off is drawn as far as it goes.
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle8, 5, 1, {0, 5, 1, 2}), (Rows{"12..."}));
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle4, 5, 1, {0, 5, 0x12, 0x3}), (Rows{"1203."}));
    // No end of bitmap at all.
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle8, 3, 2, {1, 1}), (Rows{"...", "1.."}));
    // Nothing at all.
    EXPECT_EQ(DecodeStream(BmpEncoding::kRle8, 2, 1, {}), (Rows{".."}));
}

TEST(BmpRle, ShowsIndexesPastTheColourTableAsBlack) {
    BmpImage image = Canvas(4, 1, BmpEncoding::kRle8);
    image.palette.resize(3);
    image.rawPixelData = std::vector<uint8_t>{2, 2, 2, 200, 0, 1};
    EXPECT_EQ(Indexes(Decode(WriteBmp(image))), (Rows{"22.."}));
}

// The stream is as long as the image size field says (with the field 0, to the file's end).
TEST(BmpRle, ReadsNoFurtherThanTheImageSize) {
    BmpImage image = Canvas(4, 1, BmpEncoding::kRle8);
    image.rawPixelData = std::vector<uint8_t>{1, 1, 1, 2, 1, 3, 0, 1};
    std::vector<uint8_t> bytes = WriteBmp(image);
    PutU32(bytes, 34, 4);
    EXPECT_EQ(Indexes(Decode(bytes)), (Rows{"12.."}));
    PutU32(bytes, 34, 0xFFFFFFFF);
    EXPECT_EQ(Indexes(Decode(bytes)), (Rows{"123."}));
}

}  // namespace
}  // namespace stagehand::testing
