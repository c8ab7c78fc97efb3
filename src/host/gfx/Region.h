// A set of pixels made of disjoint rectangles: a window's visible area (its rectangle less the
// siblings stacked above it) and the parts of it waiting to be painted. Kept simple on
// purpose, a flat list rather than a banded one: a title shows tens of windows at once, and the
// window system keeps a title with thousands fast by walking each stack once from the top
// (what is already covered is never cut again) rather than by a cleverer region.
#pragma once

#include <vector>

#include "host/gfx/Geometry.h"

namespace stagehand::host {

class Region {
  public:
    Region() = default;
    explicit Region(const Rect& rect);

    bool IsEmpty() const { return rects_.empty(); }
    const std::vector<Rect>& Rects() const { return rects_; }
    Rect Bounds() const;
    bool Contains(Point p) const;
    bool Intersects(const Rect& rect) const;
    long long Area() const;

    void Add(const Rect& rect);
    void Add(const Region& other);
    void Subtract(const Rect& rect);
    void Subtract(const Region& other);
    void Intersect(const Rect& rect);
    void Intersect(const Region& other);
    void Offset(int32_t dx, int32_t dy);
    void Clear() { rects_.clear(); }

  private:
    std::vector<Rect> rects_;
};

}  // namespace stagehand::host
