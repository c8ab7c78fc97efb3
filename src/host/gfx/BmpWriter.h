// Writing a surface as a BMP file: the player's own pictures (the library's backgrounds and
// buttons, the small pictures it keeps of titles) in the format every title's reader takes.
//
// Guarantees: a bottom-up, uncompressed 24-bit BMP with a 40-byte header, rows padded to four
// bytes, that DecodeBmp reads back pixel for pixel; an empty surface gives a 1x1 black picture.
#pragma once

#include <string>

#include "host/gfx/Surface.h"

namespace stagehand::host {

std::string EncodeBmp(const Surface& surface);

}  // namespace stagehand::host
