#include "host/gfx/Png.h"

#include <png.h>

#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "host/files/File.h"

namespace stagehand::host {

namespace {

// Deflate cannot shrink data by more than about 1032 to 1, so an image whose rows would not
// fit in that many times the file's size is a lie told by a damaged header.
constexpr uint64_t kMaxDeflateRatio = 1032;
constexpr uint64_t kHeaderSlack = 1024;

// Pixels are 0x00RRGGBB words; read them as words with alpha on top, whichever byte order
// the machine keeps them in.
constexpr png_uint_32 kWordFormat =
    std::endian::native == std::endian::little ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;

// No image a title shows comes near this; a bigger file is not read into memory at all.
constexpr uint64_t kMaxFileBytes = 256ull * 1024 * 1024;

// Lays every pixel over black and clears the alpha byte.
void DropAlpha(Surface& surface) {
    for (int32_t y = 0; y < surface.Height(); ++y) {
        Color* row = surface.Row(y);
        for (int32_t x = 0; x < surface.Width(); ++x) {
            const uint32_t p = row[x];
            const uint32_t alpha = p >> 24;
            if (alpha == 255) {
                row[x] = p & 0x00FFFFFF;
                continue;
            }
            auto scale = [alpha](uint8_t v) {
                return static_cast<uint8_t>((v * alpha + 127) / 255);
            };
            row[x] = Rgb(scale(RedOf(p)), scale(GreenOf(p)), scale(BlueOf(p)));
        }
    }
}

// Takes over an image whose header has been read: checks its size against the limits and
// the size of the data it came from, then decodes it.
base::Result<Surface> FinishRead(png_image& image, uint64_t dataSize, const std::string& name) {
    const uint64_t width = image.width;
    const uint64_t height = image.height;
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX ||
        width * height > static_cast<uint64_t>(Surface::kMaxPixels)) {
        png_image_free(&image);
        return base::Failure(name + ": image of " + std::to_string(width) + " x " +
                             std::to_string(height) + " pixels is too large");
    }
    // The least the image data can take: one bit a pixel and a filter byte a row.
    if (height * (1 + (width + 7) / 8) > dataSize * kMaxDeflateRatio + kHeaderSlack) {
        png_image_free(&image);
        return base::Failure(name + ": image of " + std::to_string(width) + " x " +
                             std::to_string(height) + " pixels cannot fit in " +
                             std::to_string(dataSize) + " bytes");
    }
    Surface surface(static_cast<int32_t>(width), static_cast<int32_t>(height));
    if (surface.IsEmpty()) {
        png_image_free(&image);
        return base::Failure(name + ": out of memory for the image");
    }
    image.format = kWordFormat;
    // A 16-bit image without colour-space chunks holds the same sRGB values as an 8-bit one,
    // as every common writer means it; read as linear light it would come out too bright.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    const bool ok = png_image_finish_read(&image, nullptr, surface.Row(0), 0, nullptr) != 0;
    const std::string message = image.message;
    png_image_free(&image);
    if (!ok) {
        return base::Failure(name + ": " + message);
    }
    DropAlpha(surface);
    return surface;
}

png_image FreshImage() {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    return image;
}

}  // namespace

base::Result<void> WritePng(const Surface& surface, const std::string& path) {
    if (surface.IsEmpty()) {
        return base::Failure(path + ": an empty surface cannot be written as PNG");
    }
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(surface.Width()) * surface.Height() * 3);
    for (Color c : surface.Pixels()) {
        rgb.push_back(RedOf(c));
        rgb.push_back(GreenOf(c));
        rgb.push_back(BlueOf(c));
    }
    png_image image = FreshImage();
    image.width = static_cast<png_uint_32>(surface.Width());
    image.height = static_cast<png_uint_32>(surface.Height());
    image.format = PNG_FORMAT_RGB;
    const bool ok = png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
    const std::string message = image.message;
    png_image_free(&image);
    if (!ok) {
        return base::Failure(path + ": " + (message.empty() ? "cannot write" : message));
    }
    return {};
}

base::Result<Surface> ReadPng(const std::string& path) {
    // Opened without blocking and read only when it is a regular file, so that a named pipe
    // given as an image cannot stall the player.
    const FileBytes file = ReadFile(path, kMaxFileBytes);
    if (!file.Read()) {
        return base::Failure(path + ": " +
                             (file.fault == FileFault::kTooLarge
                                  ? "the file is " + std::to_string(file.stamp.size) +
                                        " bytes long; PNG files over 256 MiB are not read"
                                  : file.reason));
    }
    png_image image = FreshImage();
    if (file.bytes.empty() ||
        !png_image_begin_read_from_memory(&image, file.bytes.data(), file.bytes.size())) {
        base::Failure refused(path + ": " + (file.bytes.empty() ? "empty" : image.message));
        png_image_free(&image);
        return refused;
    }
    return FinishRead(image, file.bytes.size(), path);
}

base::Result<Surface> DecodePng(std::span<const uint8_t> bytes) {
    png_image image = FreshImage();
    if (bytes.empty() || !png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        base::Failure refused(std::string("PNG data: ") +
                              (bytes.empty() ? "empty" : image.message));
        png_image_free(&image);
        return refused;
    }
    return FinishRead(image, bytes.size(), "PNG data");
}

}  // namespace stagehand::host
