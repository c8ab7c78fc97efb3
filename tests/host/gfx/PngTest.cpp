#include "host/gfx/Png.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <tuple>
#include <vector>

#include "support/ErrorOf.h"
#include "support/TempFolder.h"

namespace stagehand::host {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::ErrorOf;

// A PNG of the given libpng format made in memory, for the colour types the player does not
// write itself.
Bytes Encode(png_uint_32 format, uint32_t width, uint32_t height, const void* pixels,
             const void* colormap = nullptr, uint32_t colors = 0) {
    png_image image{nullptr, PNG_IMAGE_VERSION, width, height, format, 0, colors, 0, {}};
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, colormap));
    Bytes bytes(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels, 0, colormap));
    bytes.resize(size);
    return bytes;
}

// A 2 x 2 PNG that claims other dimensions in its header, with a checksum that matches, so
// only the size checks stand in the way.
Bytes SmallPng(uint32_t width = 2, uint32_t height = 2) {
    const uint8_t rgb[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};
    Bytes png = Encode(PNG_FORMAT_RGB, 2, 2, rgb);
    auto put = [&png](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            png[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
        }
    };
    put(16, width);
    put(20, height);
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 12; i < 29; ++i) {
        crc ^= png[i];
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
        }
    }
    put(29, ~crc);
    return png;
}

Surface Pattern(int32_t width, int32_t height) {
    Surface s(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            s.SetPixel(x, y, Rgb(x * 7, y * 11, x ^ y));
        }
    }
    return s;
}

TEST(PngTest, RoundTripKeepsEveryPixel) {
    testing::TempFolder folder;
    const std::string path = (folder.Path() / "shot.png").string();
    const Surface original = Pattern(37, 23);
    const base::Result<void> written = WritePng(original, path);
    ASSERT_TRUE(written) << written.error();
    const auto read = ReadPng(path);
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(read->Dimensions(), original.Dimensions());
    EXPECT_EQ(read->Pixels(), original.Pixels());
}

// Transparency is laid over black (within 1 a channel).
TEST(PngTest, OtherColourTypesBecomeOpaqueRgb) {
    const uint8_t gray[] = {0, 77, 255};
    const uint8_t palette[] = {10, 20, 30, 200, 100, 0}, indices[] = {1, 0, 1, 1};
    const uint8_t rgba[] = {200, 100, 50, 255, 200, 100, 50, 0, 200, 100, 50, 128};
    const uint16_t deep[] = {65535, 0, 0, 0, 0, 65535};
    const Color orange = Rgb(200, 100, 0);
    for (const auto& [png, expected, tolerance] :
         std::initializer_list<std::tuple<Bytes, std::vector<Color>, int>>{
             {Encode(PNG_FORMAT_GRAY, 3, 1, gray),
              {kBlack, Rgb(77, 77, 77), Rgb(255, 255, 255)},
              0},
             {Encode(PNG_FORMAT_RGB_COLORMAP, 4, 1, indices, palette, 2),
              {orange, Rgb(10, 20, 30), orange, orange},
              0},
             {Encode(PNG_FORMAT_RGBA, 3, 1, rgba),
              {Rgb(200, 100, 50), kBlack, Rgb(100, 50, 25)},
              1},
             {Encode(PNG_FORMAT_LINEAR_RGB, 2, 1, deep), {Rgb(255, 0, 0), Rgb(0, 0, 255)}, 0}}) {
        const auto decoded = DecodePng(png);
        ASSERT_TRUE(decoded) << decoded.error();
        ASSERT_EQ(decoded->Pixels().size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            for (int shift : {0, 8, 16}) {
                EXPECT_NEAR(decoded->Pixels()[i] >> shift & 0xFF, expected[i] >> shift & 0xFF,
                            tolerance)
                    << i;
            }
        }
    }
}

// Every cut before the closing chunk (the pixels cannot all be there), damaged data, other
// data, and dimensions no image has or that no file of a hundred bytes could hold.
TEST(PngTest, RefusesDamagedTruncatedAndImpossibleData) {
    Bytes noise(30 * 30 * 3);
    for (size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<uint8_t>(i * i * 31 >> 3);
    }
    const Bytes png = Encode(PNG_FORMAT_RGB, 30, 30, noise.data());
    const base::Result<Surface> whole = DecodePng(png);
    ASSERT_TRUE(whole) << whole.error();
    std::vector<std::pair<Bytes, std::string>> refused = {
        {Bytes{'n', 'o', 't', ' ', 'p', 'n', 'g'}, ""},
        {SmallPng(100000, 100000), "too large"},
        {SmallPng(8000, 8000), "cannot fit"},
        {SmallPng(0, 2), ""},
        {SmallPng(0x80000000u, 1), ""}};
    for (size_t size = 0; size + 12 < png.size(); ++size) {
        refused.emplace_back(Bytes(png.begin(), png.begin() + size), "");
    }
    refused.emplace_back(png, "");
    refused.back().first[50] ^= 0xFF;
    for (const auto& [bytes, reason] : refused) {
        const base::Result<Surface> decoded = DecodePng(bytes);
        const std::string error = ErrorOf(decoded);
        EXPECT_FALSE(decoded) << bytes.size();
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        EXPECT_FALSE(error.empty()) << bytes.size();
    }
}

// A named pipe is refused, not waited on.
TEST(PngTest, FileErrorsAreReported) {
    testing::TempFolder folder;
    const base::Result<Surface> missing = ReadPng((folder.Path() / "missing.png").string());
    EXPECT_FALSE(missing);
    EXPECT_NE(ErrorOf(missing).find("missing.png"), std::string::npos);
    EXPECT_FALSE(ReadPng(folder.Path().string()));
    const std::string pipe = (folder.Path() / "pipe.png").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(ReadPng(pipe));
    const Bytes small = SmallPng(), huge = SmallPng(9000, 7000);
    auto write = [&folder](const char* name, const Bytes& bytes, size_t size) {
        return folder.Write(name, {reinterpret_cast<const char*>(bytes.data()), size}).string();
    };
    EXPECT_FALSE(ReadPng(write("cut.png", small, small.size() / 2)));
    const base::Result<Surface> tooLarge = ReadPng(write("huge.png", huge, huge.size()));
    EXPECT_FALSE(tooLarge);
    EXPECT_NE(ErrorOf(tooLarge).find("cannot fit"), std::string::npos) << ErrorOf(tooLarge);
    EXPECT_FALSE(WritePng(Surface(), (folder.Path() / "empty.png").string()));
    const base::Result<void> unwritten =
        WritePng(Pattern(2, 2), (folder.Path() / "no/such/folder.png").string());
    EXPECT_FALSE(unwritten);
    EXPECT_FALSE(ErrorOf(unwritten).empty());
}

}  // namespace
}  // namespace stagehand::host
