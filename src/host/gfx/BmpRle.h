// The run-length encoded pixel streams of BMP files: RLE8 (one palette index a byte) and RLE4
// (two a byte, high nibble first), with every escape code: end of line, end of bitmap, delta
// and absolute runs with their padding to whole 16-bit words.
//
// Guarantees: writes only inside the image and reads only inside the stream, whatever the
// stream says; each code moves on by at least one byte, so decoding ends within the
// stream's length. Pixels the stream never sets keep what the image held (black from the
// decoder). Where it bites: a run that passes the right edge is cut there, not wrapped to the
// next row; a code that is cut off or leads above the top row stops decoding, keeping what
// was decoded before it.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "host/gfx/Color.h"
#include "host/gfx/Surface.h"

namespace stagehand::host {

using BmpPalette = std::array<Color, 256>;

// Decodes `stream` into `image`, filling rows from the bottom up as BMP files store them.
// `bitsPerPixel` is 8 for RLE8 and 4 for RLE4.
void DecodeBmpRle(std::span<const uint8_t> stream, int bitsPerPixel, const BmpPalette& palette,
                  Surface& image);

}  // namespace stagehand::host
