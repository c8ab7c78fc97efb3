// The BMP reader: turns the bytes of a BMP file into a 32-bit surface, the colour table
// applied. It reads the 40-byte info header and every longer one (52, 56, 64, 108, 124 bytes;
// only the fields of the first 40 and the colour masks are used), 1, 4 and 8 bits a pixel
// with a colour table, 16 and 32 bits with default or given colour masks, 24 bits, and RLE8
// and RLE4 compression.
//
// Guarantees: pure functions over the bytes given, nothing thrown. Every header is checked
// before any pixel memory is taken: an image is refused when its header is damaged or when it
// is bigger than Surface::kMaxPixels or than a file of its length could justify, so a few
// bytes can never make the player allocate much. Pixels the file does not hold (rows cut off
// at its end, pixels an RLE stream never sets, indexes past the colour table) are black.
// Where it bites: the old 12-byte core header, 2-bit images and the embedded JPEG/PNG and
// Huffman/RLE24 compressions are refused; alpha masks are ignored (images are opaque).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "base/Result.h"
#include "host/gfx/Surface.h"

namespace stagehand::host {

enum BmpCompression : uint32_t {
    kBmpRgb = 0,
    kBmpRle8 = 1,
    kBmpRle4 = 2,
    kBmpBitFields = 3,
    kBmpAlphaBitFields = 6,
};

// What the headers say, checked against the file and resolved: defaults filled in, the
// colour table cut to what the file holds.
struct BmpHeader {
    uint32_t infoSize = 0;
    int32_t width = 0;
    int32_t height = 0;  // rows, always positive
    bool topDown = false;
    uint16_t bitsPerPixel = 0;
    uint32_t compression = kBmpRgb;
    // Red, green and blue masks of 16- and 32-bit pixels (given or the defaults).
    std::array<uint32_t, 3> masks{};
    uint64_t colorTableOffset = 0;
    uint32_t colorCount = 0;  // entries actually read: at most 256 and within the file
    uint64_t pixelOffset = 0;
    uint64_t imageSize = 0;  // bytes of pixel data the header claims
};

// Parses and checks the file and info headers. When the file is refused, the error is the
// reason, a sentence without the file's name.
base::Result<BmpHeader> ReadBmpHeader(std::span<const uint8_t> file);

// Decodes a whole BMP file, or says why it is refused.
base::Result<Surface> DecodeBmp(std::span<const uint8_t> file);

// Reading only what an image needs: the same, given the first bytes of a file of fileSize
// bytes. Sizes are judged against fileSize as for the whole file, and only the bytes given
// are read: with the first BmpBytesNeeded bytes the result is the whole file's.
base::Result<BmpHeader> ReadBmpHeader(std::span<const uint8_t> head, uint64_t fileSize);
base::Result<Surface> DecodeBmp(std::span<const uint8_t> head, uint64_t fileSize);

// How many bytes from the start of a file of fileSize bytes decoding needs, judged from its
// first bytes `head`: ask again with at least that many until the answer stays the same.
// The headers come first, then the colour table and the pixel data as the headers declare
// them (an RLE stream at most 4 bytes a pixel and a row); never more than fileSize.
uint64_t BmpBytesNeeded(std::span<const uint8_t> head, uint64_t fileSize);

}  // namespace stagehand::host
