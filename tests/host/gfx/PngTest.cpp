#include "host/gfx/Png.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "support/TempFolder.h"

namespace stagehand::host {
namespace {

using Bytes = std::vector<uint8_t>;

// A PNG of the given libpng format made in memory, for the colour types the player does not
// write itself.
Bytes Encode(png_uint_32 format, uint32_t width, uint32_t height, const void* pixels,
             const void* colormap = nullptr, uint32_t colors = 0) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = format;
    image.colormap_entries = colors;
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, colormap));
    Bytes bytes(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels, 0, colormap));
    bytes.resize(size);
    return bytes;
}

uint32_t Crc(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

void PutBigEndian(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// Claims other dimensions in the header, with a checksum that matches, so only the size
// checks stand in the way.
Bytes WithDimensions(Bytes png, uint32_t width, uint32_t height) {
    PutBigEndian(png, 16, width);
    PutBigEndian(png, 20, height);
    PutBigEndian(png, 29, Crc(png.data() + 12, 17));
    return png;
}

Surface Pattern(int32_t width, int32_t height) {
    Surface s(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            s.SetPixel(x, y,
                       Rgb(static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 11),
                           static_cast<uint8_t>(x ^ y)));
    return s;
}

Bytes SmallPng() {
    const uint8_t rgb[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};
    return Encode(PNG_FORMAT_RGB, 2, 2, rgb);
}

TEST(PngTest, RoundTripKeepsEveryPixel) {
    testing::TempFolder folder;
    const std::string path = (folder.Path() / "shot.png").string();
    const Surface original = Pattern(37, 23);
    std::string error;
    ASSERT_TRUE(WritePng(original, path, &error)) << error;
    const auto read = ReadPng(path, &error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->Dimensions(), original.Dimensions());
    EXPECT_EQ(read->Pixels(), original.Pixels());
}

TEST(PngTest, OtherColourTypesBecomeOpaqueRgb) {
    std::string error;
    auto decode = [&error](const Bytes& png) {
        auto s = DecodePng(png, &error);
        EXPECT_TRUE(s) << error;
        return s ? s->Pixels() : std::vector<Color>();
    };
    const uint8_t gray[] = {0, 77, 255};
    EXPECT_EQ(decode(Encode(PNG_FORMAT_GRAY, 3, 1, gray)),
              (std::vector<Color>{kBlack, Rgb(77, 77, 77), Rgb(255, 255, 255)}));

    const uint8_t palette[] = {10, 20, 30, 200, 100, 0};
    const uint8_t indices[] = {1, 0, 1, 1};
    EXPECT_EQ(decode(Encode(PNG_FORMAT_RGB_COLORMAP, 4, 1, indices, palette, 2)),
              (std::vector<Color>{Rgb(200, 100, 0), Rgb(10, 20, 30), Rgb(200, 100, 0),
                                  Rgb(200, 100, 0)}));

    // Transparency is laid over black.
    const uint8_t rgba[] = {200, 100, 50, 255, 200, 100, 50, 0, 200, 100, 50, 128};
    const auto blended = decode(Encode(PNG_FORMAT_RGBA, 3, 1, rgba));
    ASSERT_EQ(blended.size(), 3u);
    EXPECT_EQ(blended[0], Rgb(200, 100, 50));
    EXPECT_EQ(blended[1], kBlack);
    EXPECT_NEAR(RedOf(blended[2]), 100, 1);
    EXPECT_NEAR(GreenOf(blended[2]), 50, 1);
    EXPECT_NEAR(BlueOf(blended[2]), 25, 1);

    const uint16_t deep[] = {65535, 0, 0, 0, 0, 65535};
    EXPECT_EQ(decode(Encode(PNG_FORMAT_LINEAR_RGB, 2, 1, deep)),
              (std::vector<Color>{Rgb(255, 0, 0), Rgb(0, 0, 255)}));
}

TEST(PngTest, RefusesDamagedAndTruncatedData) {
    Bytes noise(30 * 30 * 3);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<uint8_t>(i * i * 31 >> 3);
    const Bytes png = Encode(PNG_FORMAT_RGB, 30, 30, noise.data());
    std::string error;
    ASSERT_TRUE(DecodePng(png, &error)) << error;

    // Every cut before the closing chunk; the pixels cannot all be there.
    for (size_t size = 0; size + 12 < png.size(); ++size) {
        error.clear();
        EXPECT_FALSE(DecodePng(std::span(png.data(), size), &error)) << size;
        EXPECT_FALSE(error.empty()) << size;
    }
    Bytes badData = png;
    badData[50] ^= 0xFF;
    EXPECT_FALSE(DecodePng(badData, &error));
    const Bytes text{'n', 'o', 't', ' ', 'p', 'n', 'g'};
    EXPECT_FALSE(DecodePng(text, &error));
    EXPECT_FALSE(DecodePng({}, &error));
}

TEST(PngTest, RefusesImpossibleDimensionsBeforeDecoding) {
    std::string error;
    EXPECT_FALSE(DecodePng(WithDimensions(SmallPng(), 100000, 100000), &error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    // Within the pixel limit, but not from a file of a hundred bytes.
    EXPECT_FALSE(DecodePng(WithDimensions(SmallPng(), 8000, 8000), &error));
    EXPECT_NE(error.find("cannot fit"), std::string::npos) << error;
    EXPECT_FALSE(DecodePng(WithDimensions(SmallPng(), 0, 2), &error));
    EXPECT_FALSE(DecodePng(WithDimensions(SmallPng(), 0x80000000u, 1), &error));
}

TEST(PngTest, FileErrorsAreReported) {
    testing::TempFolder folder;
    std::string error;
    EXPECT_FALSE(ReadPng((folder.Path() / "missing.png").string(), &error));
    EXPECT_NE(error.find("missing.png"), std::string::npos);
    EXPECT_FALSE(ReadPng(folder.Path().string(), &error));
    const std::string pipe = (folder.Path() / "pipe.png").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(ReadPng(pipe, &error));  // refused, not waited on
    auto write = [&folder](const char* name, const Bytes& bytes, size_t size) {
        return folder.Write(name, {reinterpret_cast<const char*>(bytes.data()), size}).string();
    };
    const Bytes small = SmallPng();
    EXPECT_FALSE(ReadPng(write("cut.png", small, small.size() / 2), &error));
    const Bytes huge = WithDimensions(small, 9000, 7000);
    EXPECT_FALSE(ReadPng(write("huge.png", huge, huge.size()), &error));
    EXPECT_NE(error.find("cannot fit"), std::string::npos) << error;

    EXPECT_FALSE(WritePng(Surface(), (folder.Path() / "empty.png").string(), &error));
    EXPECT_FALSE(WritePng(Pattern(2, 2), (folder.Path() / "no/such/folder.png").string(), &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace stagehand::host
