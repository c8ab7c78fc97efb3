// A set of pixels made of disjoint rectangles: a window's visible area (its rectangle less the
// siblings stacked above it) and the parts of it waiting to be painted. Kept simple on
// purpose: the player has tens of windows, not thousands, so a flat list beats a banded one.
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
