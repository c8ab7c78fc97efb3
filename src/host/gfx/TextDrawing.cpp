// Canvas::DrawText: the lines LayoutText places, drawn glyph by glyph on their baselines.
#include <cstdint>

#include "host/gfx/Canvas.h"
#include "host/gfx/Font.h"
#include "host/gfx/TextLayout.h"

namespace stagehand::host {

void Canvas::DrawText(const Font& font, std::string_view text, const Rect& rect, Color color,
                      uint32_t format) {
    if (font.IsEmpty() || clip_.IsEmpty()) {
        return;
    }
    // The clip's bounds in the canvas's coordinates, widened by the most a glyph can reach
    // past its line box, so that lines and glyphs wholly outside are skipped unrendered.
    const int64_t reach = 2 * int64_t{font.PixelHeight()};
    const int64_t clipLeft = int64_t{clipBounds_.left} - origin_.x - reach;
    const int64_t clipRight = int64_t{clipBounds_.right} - origin_.x + reach;
    const int64_t clipTop = int64_t{clipBounds_.top} - origin_.y - reach;
    const int64_t clipBottom = int64_t{clipBounds_.bottom} - origin_.y + reach;

    for (const TextLine& line : LayoutText(font, text, rect, format)) {
        if (line.origin.y + int64_t{font.LineHeight()} < clipTop || line.origin.y > clipBottom) {
            continue;
        }
        const int64_t baseline = int64_t{line.origin.y} + font.Ascent();
        int64_t pen = line.origin.x;
        for (char ch : text.substr(line.start, line.length)) {
            const auto c = static_cast<unsigned char>(ch);
            if (pen > clipRight) {
                break;
            }
            if (pen >= clipLeft) {
                if (const auto glyph = font.GlyphFor(c)) {
                    const int64_t x = pen + glyph->left;
                    const int64_t y = baseline - glyph->top;
                    if (x >= INT32_MIN && x <= INT32_MAX && y >= INT32_MIN && y <= INT32_MAX) {
                        BlendCoverage(glyph->coverage.data(), glyph->width, glyph->height,
                                      {static_cast<int32_t>(x), static_cast<int32_t>(y)}, color);
                    }
                }
            }
            pen += font.Advance(c);
        }
    }
}

}  // namespace stagehand::host
