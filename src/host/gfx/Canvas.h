// Where a window paints: a target surface seen through an origin (the window's top-left
// corner on the target) and a clip region (the part of the window that may be drawn on, in
// target coordinates). Every operation takes the window's own client coordinates and touches
// only pixels inside the clip. Each pixel written is added to the damage rectangle, when one
// is given, so the backend presents only what changed.
#pragma once

#include <cstdint>
#include <string_view>

#include "host/gfx/Color.h"
#include "host/gfx/Geometry.h"
#include "host/gfx/Region.h"
#include "host/gfx/Surface.h"

namespace stagehand::host {

class Font;

class Canvas {
  public:
    Canvas(Surface& target, Point origin, Region clip, Rect* damage = nullptr);

    Point Origin() const { return origin_; }
    // The clip in the canvas's own coordinates.
    Region ClipInClient() const;

    void Fill(const Rect& rect, Color color);
    // Opaque copy of `sourceRect` of `source` to `dest`.
    void Blit(const Surface& source, const Rect& sourceRect, Point dest);
    // Mixes `color` into one pixel with coverage 0 (nothing) to 255 (opaque): text glyphs.
    void BlendPixel(int32_t x, int32_t y, Color color, uint8_t coverage);
    // BlendPixel for a block of `width` x `height` coverage values (rows top to bottom, no
    // padding) with its top-left corner at `dest`: one glyph.
    void BlendCoverage(const uint8_t* coverage, int32_t width, int32_t height, Point dest,
                       Color color);
    // Draws Windows-1252 text in `rect` with the flags of TextFormat.h, laid out as
    // TextLayout.h describes; the background around the glyphs is left as it is. Only the
    // clip limits it: text that runs past `rect` is drawn there too.
    void DrawText(const Font& font, std::string_view text, const Rect& rect, Color color,
                  uint32_t format);

  private:
    void AddDamage(const Rect& targetRect);

    Surface& target_;
    Point origin_;
    Region clip_;
    Rect clipBounds_;
    Rect* damage_;
};

}  // namespace stagehand::host
