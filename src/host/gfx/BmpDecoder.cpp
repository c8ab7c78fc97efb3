#include "host/gfx/BmpDecoder.h"

#include <algorithm>
#include <bit>
#include <new>
#include <optional>

#include "base/Format.h"
#include "base/Result.h"
#include "host/gfx/BmpRle.h"

namespace stagehand::host {

namespace {

constexpr uint64_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
// The colour masks sit right after the 40 bytes of the info header: inside a longer header,
// or after a 40-byte one. Either way at the same place in the file.
constexpr uint64_t kMaskOffset = kFileHeaderSize + kInfoHeaderSize;

// How far an image may outgrow its file before it is taken for a damaged header.
//
// Uncompressed rows take bitsPerPixel / 8 bytes a pixel, so a file of N bytes holds at most
// N * 8 / bitsPerPixel pixels. A file cut short still loads (the missing rows are black), but
// only while it holds at least a quarter of the image: past that the surface would be mostly
// made up by the header, not read from the file.
constexpr uint64_t kTruncatedSlack = 4;
// An RLE run of 2 bytes draws up to 255 pixels, so a stream of N bytes draws about 128 N
// pixels; end-of-line and delta codes skip further, leaving pixels black at no cost in bytes.
// 256 pixels a byte (1 KiB of surface a byte of file) lets every real encoder's output
// through, including images mostly skipped, while a few damaged bytes still cannot ask for
// more than a small surface. Surface::kMaxPixels caps it all.
constexpr uint64_t kRlePixelsPerByte = 256;
// The other way round: every code but a delta draws at least one pixel or ends a row, and no
// code that does is longer than 2 bytes a pixel, so a stream needs at most about 2 bytes a
// pixel and a row. Twice that leaves room for deltas; a stream that says more than this is
// not read past it.
constexpr uint64_t kRleBytesPerPixel = 4;

uint16_t ReadU16(std::span<const uint8_t> bytes, uint64_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

uint32_t ReadU32(std::span<const uint8_t> bytes, uint64_t at) {
    return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
           uint32_t{bytes[at + 3]} << 24;
}

int32_t ReadI32(std::span<const uint8_t> bytes, uint64_t at) {
    return static_cast<int32_t>(ReadU32(bytes, at));
}

bool IsRle(uint32_t compression) {
    return compression == kBmpRle8 || compression == kBmpRle4;
}

bool HasBitFields(uint32_t compression) {
    return compression == kBmpBitFields || compression == kBmpAlphaBitFields;
}

uint64_t RowStride(const BmpHeader& header) {
    return (uint64_t{header.bitsPerPixel} * static_cast<uint64_t>(header.width) + 31) / 32 * 4;
}

// One colour channel of a 16- or 32-bit pixel, scaled from its mask's width to 8 bits so that
// the largest value is 255 (a 5-bit 31 gives 255, not 248). Masks of any width and position
// work, up to all 32 bits; an empty mask gives 0.
class MaskChannel {
  public:
    explicit MaskChannel(uint32_t mask)
        : mask_(mask), shift_(mask == 0 ? 0 : std::countr_zero(mask)), max_(mask >> shift_) {}

    uint8_t Of(uint32_t pixel) const {
        const uint64_t value = (pixel & mask_) >> shift_;
        if (max_ == 255) {
            return static_cast<uint8_t>(value);
        }
        if (max_ == 0) {
            return 0;
        }
        return static_cast<uint8_t>((value * 255 + max_ / 2) / max_);
    }

  private:
    uint32_t mask_;
    int shift_;
    uint64_t max_;
};

struct MaskedFormat {
    explicit MaskedFormat(const std::array<uint32_t, 3>& masks)
        : red(masks[0]), green(masks[1]), blue(masks[2]) {}

    Color Of(uint32_t pixel) const { return Rgb(red.Of(pixel), green.Of(pixel), blue.Of(pixel)); }

    MaskChannel red;
    MaskChannel green;
    MaskChannel blue;
};

// Decodes the first `count` pixels of one stored row.
void DecodeRow(const uint8_t* data, int64_t count, uint16_t bitsPerPixel, const BmpPalette& palette,
               const MaskedFormat& format, Color* out) {
    switch (bitsPerPixel) {
        case 1:
            for (int64_t x = 0; x < count; ++x) {
                out[x] = palette[(data[x >> 3] >> (7 - (x & 7))) & 1];
            }
            break;
        case 4:
            for (int64_t x = 0; x < count; ++x) {
                out[x] = palette[(data[x >> 1] >> ((x & 1) == 0 ? 4 : 0)) & 0x0F];
            }
            break;
        case 8:
            for (int64_t x = 0; x < count; ++x) {
                out[x] = palette[data[x]];
            }
            break;
        case 16:
            for (int64_t x = 0; x < count; ++x) {
                out[x] = format.Of(static_cast<uint32_t>(data[2 * x] | data[2 * x + 1] << 8));
            }
            break;
        case 24:
            for (int64_t x = 0; x < count; ++x) {
                const uint8_t* p = data + 3 * x;
                out[x] = Rgb(p[2], p[1], p[0]);
            }
            break;
        case 32:
            for (int64_t x = 0; x < count; ++x) {
                const uint8_t* p = data + 4 * x;
                out[x] = format.Of(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                                   uint32_t{p[3]} << 24);
            }
            break;
        default:
            break;
    }
}

// Uncompressed rows, stored bottom-up unless the image is top-down and padded to 4 bytes.
// Rows, or the end of a row, that the data does not reach stay black.
void DecodeRows(std::span<const uint8_t> data, const BmpHeader& header, const BmpPalette& palette,
                Surface& image) {
    const uint64_t stride = RowStride(header);
    const MaskedFormat format(header.masks);
    for (int64_t row = 0; row < header.height; ++row) {
        const uint64_t start = static_cast<uint64_t>(row) * stride;
        if (start >= data.size()) {
            break;
        }
        const uint64_t present = std::min<uint64_t>(stride, data.size() - start);
        const int64_t count = std::min<int64_t>(
            header.width, static_cast<int64_t>(present * 8 / header.bitsPerPixel));
        const int64_t y = header.topDown ? row : header.height - 1 - row;
        DecodeRow(data.data() + start, count, header.bitsPerPixel, palette, format,
                  image.Row(static_cast<int32_t>(y)));
    }
}

base::Result<void> CheckFormat(uint16_t bitsPerPixel, uint32_t compression) {
    switch (compression) {
        case kBmpRgb:
        case kBmpRle8:
        case kBmpRle4:
        case kBmpBitFields:
        case kBmpAlphaBitFields:
            break;
        default:
            return base::Fail("its compression type %u is not one the player reads.",
                              {compression});
    }
    switch (bitsPerPixel) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            return base::Fail("images of %u bits a pixel are not read.", {uint32_t{bitsPerPixel}});
    }
    if (compression == kBmpRle8 && bitsPerPixel != 8) {
        return base::Fail("RLE8 compression needs 8 bits a pixel, not %u.",
                          {uint32_t{bitsPerPixel}});
    }
    if (compression == kBmpRle4 && bitsPerPixel != 4) {
        return base::Fail("RLE4 compression needs 4 bits a pixel, not %u.",
                          {uint32_t{bitsPerPixel}});
    }
    if (HasBitFields(compression) && bitsPerPixel != 16 && bitsPerPixel != 32) {
        return base::Fail("colour masks need 16 or 32 bits a pixel, not %u.",
                          {uint32_t{bitsPerPixel}});
    }
    return {};
}

}  // namespace

base::Result<BmpHeader> ReadBmpHeader(std::span<const uint8_t> file) {
    return ReadBmpHeader(file, file.size());
}

base::Result<BmpHeader> ReadBmpHeader(std::span<const uint8_t> file, uint64_t fileSize) {
    // Sizes are judged by the whole file; bytes are read only from what was given.
    fileSize = std::max<uint64_t>(fileSize, file.size());
    if (file.size() < 2 || file[0] != 'B' || file[1] != 'M') {
        return base::Failure("the file does not start with the BMP signature.");
    }
    if (fileSize < kFileHeaderSize + 4 || file.size() < kFileHeaderSize + 4) {
        return base::Failure("the file ends inside its headers.");
    }

    BmpHeader header;
    header.infoSize = ReadU32(file, kFileHeaderSize);
    if (header.infoSize == kCoreHeaderSize) {
        return base::Failure("it has the old 12-byte core header, which the player does not read.");
    }
    if (header.infoSize < kInfoHeaderSize) {
        return base::Fail("its info header size, %u bytes, is too small.", {header.infoSize});
    }
    if (kFileHeaderSize + header.infoSize > fileSize) {
        return base::Fail("its %u-byte info header runs past the end of the file (%u bytes).",
                          {header.infoSize, fileSize});
    }
    if (file.size() < kFileHeaderSize + kInfoHeaderSize) {
        return base::Failure("the file ends inside its headers.");
    }

    const int32_t width = ReadI32(file, 18);
    const int32_t height = ReadI32(file, 22);
    header.bitsPerPixel = ReadU16(file, 28);
    header.compression = ReadU32(file, 30);
    const uint32_t imageSizeField = ReadU32(file, 34);
    const uint32_t colorsUsed = ReadU32(file, 46);
    const uint32_t pixelOffsetField = ReadU32(file, 10);
    // The planes field (always 1 in a sound file) is not looked at.

    if (base::Result<void> format = CheckFormat(header.bitsPerPixel, header.compression); !format) {
        return format.failure();
    }
    if (width <= 0) {
        return base::Fail("its width, %d pixels, is not positive.", {width});
    }
    if (height == 0) {
        return base::Failure("its height is 0 pixels.");
    }
    header.topDown = height < 0;
    const int64_t rows = header.topDown ? -int64_t{height} : int64_t{height};
    if (header.topDown && IsRle(header.compression)) {
        return base::Failure("a compressed image cannot be stored top-down.");
    }
    const int64_t pixels = int64_t{width} * rows;
    if (pixels > Surface::kMaxPixels) {
        return base::Fail("its size, %d x %d pixels, is more than an image may hold.",
                          {width, rows});
    }
    const uint64_t mostPixels = IsRle(header.compression)
                                    ? fileSize * kRlePixelsPerByte
                                    : fileSize * 8 / header.bitsPerPixel * kTruncatedSlack;
    if (static_cast<uint64_t>(pixels) > mostPixels) {
        return base::Fail("its size, %d x %d pixels, is more than a file of %u bytes holds.",
                          {width, rows, fileSize});
    }
    header.width = width;
    header.height = static_cast<int32_t>(rows);

    uint64_t masksEnd = 0;
    if (HasBitFields(header.compression)) {
        const uint64_t maskCount = header.compression == kBmpAlphaBitFields ? 4 : 3;
        masksEnd = kMaskOffset + 4 * maskCount;
        if (masksEnd > fileSize || masksEnd > file.size()) {
            return base::Failure("its colour masks run past the end of the file.");
        }
        for (size_t i = 0; i < 3; ++i) {
            header.masks[i] = ReadU32(file, kMaskOffset + 4 * i);
        }
    } else if (header.bitsPerPixel == 16) {
        header.masks = {0x7C00, 0x03E0, 0x001F};
    } else if (header.bitsPerPixel == 32) {
        header.masks = {0xFF0000, 0x00FF00, 0x0000FF};
    }

    // The colour table follows the headers and masks; it is cut to 256 entries and to what
    // the file holds. The pixels follow the whole table as declared unless an offset says
    // where they are.
    header.colorTableOffset = std::max(kFileHeaderSize + header.infoSize, masksEnd);
    const uint64_t declaredColors =
        colorsUsed != 0 ? colorsUsed : (header.bitsPerPixel <= 8 ? 1u << header.bitsPerPixel : 0);
    const uint64_t colorsInFile =
        file.size() > header.colorTableOffset ? (file.size() - header.colorTableOffset) / 4 : 0;
    header.colorCount =
        static_cast<uint32_t>(std::min<uint64_t>({declaredColors, 256, colorsInFile}));
    header.pixelOffset =
        pixelOffsetField != 0 ? pixelOffsetField : header.colorTableOffset + declaredColors * 4;
    // Without a size an RLE stream runs to the end of the file (it ends itself with its
    // end-of-bitmap code); uncompressed rows take what their stride says.
    if (imageSizeField != 0) {
        header.imageSize = imageSizeField;
    } else if (IsRle(header.compression)) {
        header.imageSize = fileSize > header.pixelOffset ? fileSize - header.pixelOffset : 0;
    } else {
        header.imageSize = RowStride(header) * rows;
    }
    return header;
}

uint64_t BmpBytesNeeded(std::span<const uint8_t> head, uint64_t fileSize) {
    // First the file header and the info header's size, then every header and the masks.
    uint64_t needed = kFileHeaderSize + 4;
    if (head.size() >= needed && head[0] == 'B' && head[1] == 'M') {
        needed = std::max(kFileHeaderSize + ReadU32(head, kFileHeaderSize), kMaskOffset + 16);
        if (head.size() >= std::min(needed, fileSize)) {
            const base::Result<BmpHeader> header = ReadBmpHeader(head, fileSize);
            if (header) {
                const uint64_t rows = static_cast<uint64_t>(header->height);
                const uint64_t pixels = static_cast<uint64_t>(header->width) * rows;
                const uint64_t data =
                    IsRle(header->compression)
                        ? std::min(header->imageSize, kRleBytesPerPixel * (pixels + rows) + 16)
                        : RowStride(*header) * rows;
                needed = std::max({needed, header->colorTableOffset + 4 * uint64_t{256},
                                   header->pixelOffset + data});
            }
        }
    }
    return std::min(needed, fileSize);
}

base::Result<Surface> DecodeBmp(std::span<const uint8_t> file) {
    return DecodeBmp(file, file.size());
}

base::Result<Surface> DecodeBmp(std::span<const uint8_t> file, uint64_t fileSize) {
    const base::Result<BmpHeader> header = ReadBmpHeader(file, fileSize);
    if (!header) {
        return header.failure();
    }

    // Indexes past the table stay black.
    BmpPalette palette{};
    for (uint32_t i = 0; i < header->colorCount; ++i) {
        const uint64_t at = header->colorTableOffset + 4 * uint64_t{i};
        palette[i] = Rgb(file[at + 2], file[at + 1], file[at]);
    }

    std::optional<Surface> image;
    try {
        image.emplace(header->width, header->height);
    } catch (const std::bad_alloc&) {
        image.reset();
    }
    if (!image || image->IsEmpty()) {
        return base::Fail("there is no memory for its %d x %d pixels.",
                          {header->width, header->height});
    }

    const std::span<const uint8_t> data =
        file.subspan(static_cast<size_t>(std::min<uint64_t>(header->pixelOffset, file.size())));
    if (IsRle(header->compression)) {
        const size_t streamSize =
            static_cast<size_t>(std::min<uint64_t>(header->imageSize, data.size()));
        DecodeBmpRle(data.first(streamSize), header->bitsPerPixel, palette, *image);
    } else {
        DecodeRows(data, *header, palette, *image);
    }
    return std::move(*image);
}

}  // namespace stagehand::host
