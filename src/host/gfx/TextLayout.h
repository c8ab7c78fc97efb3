// Where formatted text goes: which bytes make up each line and where each line starts, by the
// desktop's rules for drawing text in a rectangle (flags of TextFormat.h).
//
//  - Lines are placed from the rectangle's top, one font line height apart, each aligned left,
//    centred or right within the rectangle's width.
//  - Unless kSingleLine is set, CR LF, a lone CR and a lone LF each end a line; text that ends
//    with a line break has no empty line after it, and empty text is one empty line.
//  - With kWordBreak a line is broken before the word that would carry it past the
//    rectangle's width; the blanks at the break are dropped. A word wider than the rectangle
//    is not split: it stands on a line of its own and runs past the edge.
//  - With kSingleLine the whole text is one line (CR and LF in it draw nothing), and
//    kVerticalCenter centres that line between the rectangle's top and bottom. Multi-line text
//    always starts at the top.
//
// Nothing is cut to the rectangle: lines may start left of it, run past it or lie below it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "host/gfx/Geometry.h"

namespace stagehand::host {

class Font;

struct TextLine {
    size_t start = 0;   // offset of the line's first byte in the text
    size_t length = 0;  // bytes to draw: no line break, and no blanks dropped at a wrap
    Point origin;       // top-left corner of the line, in the rectangle's coordinates
    int32_t width = 0;  // of the bytes drawn, in pixels

    friend bool operator==(const TextLine&, const TextLine&) = default;
};

std::vector<TextLine> LayoutText(const Font& font, std::string_view text, const Rect& rect,
                                 uint32_t format);

}  // namespace stagehand::host
