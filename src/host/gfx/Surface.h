// A block of 32-bit pixels (0x00RRGGBB), rows top to bottom with no padding. The framebuffer
// is one; decoded images are others. A surface never holds more than kMaxPixels: asking for
// more (or for a negative size) gives an empty surface, so a damaged image header cannot make
// the player allocate gigabytes.
#pragma once

#include <cstdint>
#include <vector>

#include "host/gfx/Color.h"
#include "host/gfx/Geometry.h"

namespace stagehand::host {

class Surface {
  public:
    static constexpr int64_t kMaxPixels = 64LL * 1024 * 1024;

    Surface() = default;
    Surface(int32_t width, int32_t height, Color fill = kBlack);

    bool IsEmpty() const { return pixels_.empty(); }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    Size Dimensions() const { return {width_, height_}; }
    Rect Bounds() const { return {0, 0, width_, height_}; }

    Color* Row(int32_t y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
    const Color* Row(int32_t y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
    // Reading outside the surface gives black; writing outside does nothing.
    Color PixelAt(int32_t x, int32_t y) const;
    void SetPixel(int32_t x, int32_t y, Color c);
    const std::vector<Color>& Pixels() const { return pixels_; }

    // Fills the part of `rect` inside the surface.
    void Fill(const Rect& rect, Color c);
    // Copies `sourceRect` of `source` to `dest`, cut to both surfaces (opaque copy).
    void Blit(const Surface& source, const Rect& sourceRect, Point dest);

  private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<Color> pixels_;
};

}  // namespace stagehand::host
