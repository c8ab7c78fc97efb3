#include "host/gfx/Surface.h"

#include <algorithm>
#include <cstring>

namespace stagehand::host {

Surface::Surface(int32_t width, int32_t height, Color fill) {
    if (width <= 0 || height <= 0 || int64_t{width} * height > kMaxPixels) {
        return;
    }
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<size_t>(width) * height, fill);
}

Color Surface::PixelAt(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return kBlack;
    }
    return Row(y)[x];
}

void Surface::SetPixel(int32_t x, int32_t y, Color c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    Row(y)[x] = c;
}

void Surface::Fill(const Rect& rect, Color c) {
    const Rect r = rect.Intersection(Bounds());
    for (int32_t y = r.top; y < r.bottom; ++y) {
        std::fill(Row(y) + r.left, Row(y) + r.right, c);
    }
}

void Surface::Blit(const Surface& source, const Rect& sourceRect, Point dest) {
    // Cut the source rectangle to the source, then the destination to this surface, moving
    // the other side by the same amount.
    const Rect src = sourceRect.Intersection(source.Bounds());
    if (src.IsEmpty()) {
        return;
    }
    const int64_t shiftX = int64_t{dest.x} - sourceRect.left;
    const int64_t shiftY = int64_t{dest.y} - sourceRect.top;
    Rect dst{static_cast<int32_t>(std::clamp<int64_t>(src.left + shiftX, INT32_MIN, INT32_MAX)),
             static_cast<int32_t>(std::clamp<int64_t>(src.top + shiftY, INT32_MIN, INT32_MAX)),
             static_cast<int32_t>(std::clamp<int64_t>(src.right + shiftX, INT32_MIN, INT32_MAX)),
             static_cast<int32_t>(std::clamp<int64_t>(src.bottom + shiftY, INT32_MIN, INT32_MAX))};
    dst = dst.Intersection(Bounds());
    if (dst.IsEmpty()) {
        return;
    }
    const size_t count = static_cast<size_t>(dst.Width());
    for (int32_t y = dst.top; y < dst.bottom; ++y) {
        const int32_t sy = static_cast<int32_t>(y - shiftY);
        const int32_t sx = static_cast<int32_t>(dst.left - shiftX);
        std::memmove(Row(y) + dst.left, source.Row(sy) + sx, count * sizeof(Color));
    }
}

}  // namespace stagehand::host
