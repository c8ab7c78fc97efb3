// CTextFont: the font and colour helper of text buttons and labels. It holds one font made
// from a typeface name and a size in points, reads colours written as text, fills rectangles
// and draws text the way buttons and labels lay it out.
//
// Colours are written "red, green, blue" in decimal and read like the C pattern "%d,%d,%d":
// blanks may stand before each number but not before a comma, reading stops at the first
// part that does not fit, components not read are 0, and each component keeps its low 8 bits
// (256 is 0, -1 is 255). The empty text is black.
//
// Guarantees: reading a colour never fails and never overflows, however long its numbers.
// Where it bites: "255 ,255,0" is pure red (the blank before the comma ends the reading).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "host/gfx/Canvas.h"
#include "host/gfx/Font.h"

namespace stagehand {

class CTextFont {
  public:
    // The mode of DrawText that keeps the text on one line.
    static constexpr int32_t kSingleLineMode = 32;
    // Alignments DrawText takes.
    static constexpr uint32_t kAlignLeft = 0;
    static constexpr uint32_t kAlignCenter = 1;
    static constexpr uint32_t kAlignRight = 2;

    // An empty typeface leaves the face to the font lookup; 0 points is the default height.
    CTextFont(std::string_view typeface, int32_t points);

    // The colour value red + 256 x green + 65536 x blue of a colour text.
    static uint32_t ParseColor(std::string_view text);
    // Reads a colour text into as many of the three components (red, green, blue) as it
    // reaches before it stops matching; the others keep what they held.
    static void ReadColorComponents(std::string_view text, uint8_t (&rgb)[3]);
    // Fills `rect` with the colour value `colorRef`.
    static void FillBackground(const host::Rect& rect, uint32_t colorRef, host::Canvas& canvas);

    // Draws `text` in `rect` in the colour `colorText`: backslash-n pairs break lines; words
    // wrap at the right edge from the top of `rect`, unless `mode` is kSingleLineMode, which
    // keeps one line centred vertically. `alignment` is kAlignLeft, kAlignCenter or kAlignRight.
    void DrawText(std::string_view text, const host::Rect& rect, std::string_view colorText,
                  host::Canvas& canvas, int32_t mode, uint32_t alignment) const;

    const host::Font& Font() const { return *font_; }

  private:
    std::shared_ptr<const host::Font> font_;
};

}  // namespace stagehand
