// RLE8 and RLE4 images: encoded images round-trip, and hand-written streams exercise every
// escape code and every way a stream can go wrong.
#include <gtest/gtest.h>

#include "BmpTestImages.h"

namespace stagehand::testing {
namespace {

constexpr size_t kImageSizeAt = 34;

// Palette index i shows as colour i + 1, so black is only ever "not drawn".
BmpImage Blank(BmpEncoding encoding, int32_t width, int32_t height) {
    const bool fourBits = encoding == BmpEncoding::kRle4;
    BmpImage image = TestImage(width, height, fourBits ? 4 : 8, 1);  // all index 0
    image.encoding = encoding;
    image.palette.clear();
    for (uint32_t i = 0; i < (fourBits ? 16u : 256u); ++i) {
        image.palette.push_back(i + 1);
    }
    return image;
}

using Rows = std::vector<std::string>;

// The decoded image as rows of palette indexes in hex, top row first; '.' for black, '?'
// for indexes past 15.
Rows Indexes(const std::vector<uint8_t>& bytes) {
    const host::Surface image = Decode(bytes);
    Rows rows(image.Height());
    for (int32_t y = 0; y < image.Height(); ++y) {
        for (int32_t x = 0; x < image.Width(); ++x) {
            const host::Color c = image.PixelAt(x, y);
            rows[y] += c == host::kBlack ? '.' : c <= 16 ? "0123456789abcdef"[c - 1] : '?';
        }
    }
    return rows;
}

// Runs past 255 pixels, single pixels, odd widths.
TEST(BmpRle, RoundTripsEncodedImages) {
    for (BmpEncoding encoding : {BmpEncoding::kRle8, BmpEncoding::kRle4}) {
        for (int32_t width : {1, 3, 300}) {
            BmpImage image = Blank(encoding, width, 5);
            for (size_t i = 0; i < image.pixels.size(); ++i) {
                image.pixels[i] = static_cast<uint32_t>((i / 7 + i % 3) % image.palette.size());
            }
            EXPECT_TRUE(Shows(Decode(WriteBmp(image)), image)) << "width " << width;
        }
    }
}

// Rows fill from the bottom; end of line skips the rest of a row, end of bitmap the rest of
// the image; a delta moves right and up. RLE8 absolute runs of 3 pixels take a pad byte, of
// 4 none; RLE4 runs of 3 take 2 bytes and no pad, of 5 3 bytes and a pad. Runs stop at the
// right edge without wrapping. Streams that run past the top row, past their own end or off
// the image keep what was drawn before.
TEST(BmpRle, DecodesEveryEscapeAndKeepsWhatWasDrawnWhenTheStreamGoesWrong) {
    constexpr BmpEncoding k8 = BmpEncoding::kRle8, k4 = BmpEncoding::kRle4;
    // The image is as wide and high as the rows expected.
    struct Case {
        BmpEncoding encoding;
        std::vector<uint8_t> stream;
        Rows rows;
    };
    for (const Case& c : std::vector<Case>{
             {k8, {3, 1, 0, 0, 2, 2, 0, 0, 0, 1}, {"....", "22..", "111."}},
             {k8, {2, 5, 0, 1, 4, 6, 0, 0}, {"....", "55.."}},
             {k8, {1, 3, 0, 2, 2, 1, 1, 4, 0, 2, 0, 1, 1, 5}, {"....5", "...4.", "3...."}},
             {k8,
              {0, 3, 1, 2, 3, 0xEE, 1, 9, 0, 0, 0, 4, 4, 5, 6, 7, 0, 1},
              {"4567....", "1239...."}},
             {k4,
              {0, 3, 0x12, 0x30, 0, 5, 0x45, 0x67, 0x80, 0xEE, 0, 3, 0x9A, 0xB0, 1, 0xC0, 0, 1},
              {"123456789abc"}},
             {k4, {5, 0x12, 0, 1}, {"12121."}},
             {k8, {200, 1, 0, 4, 2, 2, 2, 2, 0, 0, 1, 3}, {"3..", "111"}},
             {k4, {255, 0x12, 0, 5, 0x33, 0x33, 0x30, 0}, {"121"}},
             {k8, {2, 1, 0, 0, 2, 2, 0, 0, 0, 0, 2, 3}, {"22", "11"}},
             {k8, {1, 1, 0, 2, 0, 255, 1, 2}, {"..", "1."}},
             {k8, {2, 1, 0, 2, 1}, {"11."}},
             {k8, {2, 1, 5}, {"11."}},
             {k8, {2, 1, 0}, {"11."}},
             {k8, {0, 5, 1, 2}, {"12..."}},
             {k4, {0, 5, 0x12, 0x3}, {"1203."}},
             {k8, {1, 1}, {"...", "1.."}},
             {k8, {}, {".."}},
         }) {
        BmpImage image = Blank(c.encoding, static_cast<int32_t>(c.rows[0].size()),
                               static_cast<int32_t>(c.rows.size()));
        image.rawPixelData = c.stream;
        EXPECT_EQ(Indexes(WriteBmp(image)), c.rows) << ::testing::PrintToString(c.stream);
    }
}

// The stream is as long as the image size says, or with the size 0 runs to the file's end
// (here longer than the pixels would be uncompressed). Indexes past the table are black.
TEST(BmpRle, ReadsTheStreamToTheImageSizeThroughTheColourTable) {
    BmpImage image = Blank(BmpEncoding::kRle8, 8, 1);
    image.rawPixelData = {1, 0, 1, 1, 1, 2, 1, 3, 1, 4, 1, 5, 1, 6, 1, 7, 0, 1};
    image.zeroImageSize = true;
    EXPECT_EQ(Indexes(WriteBmp(image)), Rows{"01234567"});
    std::vector<uint8_t> bytes = WriteBmp(image);
    SetU32(bytes, kImageSizeAt, 4);
    EXPECT_EQ(Indexes(bytes), Rows{"01......"});
    SetU32(bytes, kImageSizeAt, UINT32_MAX);
    EXPECT_EQ(Indexes(bytes), Rows{"01234567"});

    image.palette.resize(3);
    image.rawPixelData = {2, 2, 2, 200, 0, 1};
    EXPECT_EQ(Indexes(WriteBmp(image)), Rows{"22......"});
}

}  // namespace
}  // namespace stagehand::testing
