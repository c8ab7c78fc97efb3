// Small images for the BMP reader's tests, patterns that tell rows, columns and colours apart,
// and decoding that fails the test with the reader's reason.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "host/gfx/BmpDecoder.h"
#include "testkit/BmpWriter.h"

namespace stagehand::testing {

using namespace stagehand::host;  // the BMP reader

// `count` colours, all different and none black.
inline std::vector<host::Color> Palette(size_t count) {
    std::vector<host::Color> colors;
    for (size_t i = 0; i < count; ++i) {
        colors.push_back(host::Rgb(static_cast<uint8_t>(i + 1), static_cast<uint8_t>(255 - i),
                                   static_cast<uint8_t>(i * 7)));
    }
    return colors;
}

// Up to 8 bits: index (x + 3y) mod `colors` through Palette(colors). Above: a colour for
// every pixel.
inline BmpImage TestImage(int32_t width, int32_t height, uint16_t bits, size_t colors = 0) {
    BmpImage image;
    image.width = width;
    image.height = height;
    image.bitsPerPixel = bits;
    image.palette = Palette(colors);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            image.pixels.push_back(bits <= 8 ? static_cast<uint32_t>((x + 3 * y) % colors)
                                             : host::Rgb(static_cast<uint8_t>(40 * x + 1),
                                                         static_cast<uint8_t>(50 * y + 2),
                                                         static_cast<uint8_t>(x * y + 3)));
        }
    }
    return image;
}

// What the reader must show for `image` at (x, y): black for indexes past the palette.
inline host::Color ExpectedAt(const BmpImage& image, int32_t x, int32_t y) {
    const uint32_t value = image.pixels[static_cast<size_t>(y) * image.width + x];
    if (image.bitsPerPixel > 8) {
        return value;
    }
    return value < image.palette.size() ? image.palette[value] : host::kBlack;
}

inline host::Surface Decode(const std::vector<uint8_t>& bytes) {
    base::Result<host::Surface> image = DecodeBmp(bytes);
    EXPECT_TRUE(image) << image.error();
    return image ? std::move(*image) : host::Surface();
}

// The reason a file is refused, or "" when it is read.
inline std::string RefusalOf(const std::vector<uint8_t>& bytes) {
    const base::Result<host::Surface> image = DecodeBmp(bytes);
    if (image) {
        return "";
    }
    EXPECT_FALSE(image.error().empty());
    return image.error();
}

inline ::testing::AssertionResult Shows(const host::Surface& decoded, const BmpImage& image) {
    if (decoded.Width() != image.width || decoded.Height() != image.height) {
        return ::testing::AssertionFailure()
               << "size " << decoded.Width() << "x" << decoded.Height();
    }
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            if (decoded.PixelAt(x, y) != ExpectedAt(image, x, y)) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << std::hex
                       << decoded.PixelAt(x, y) << ", expected " << ExpectedAt(image, x, y);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace stagehand::testing
