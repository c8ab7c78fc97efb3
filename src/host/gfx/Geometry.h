// Points, sizes and rectangles in whole pixels, with the desktop's conventions: a rectangle
// holds its left and top edges and excludes its right and bottom edges, so (0,0)-(10,10)
// covers 10 x 10 pixels and an empty rectangle covers none. Arithmetic is done in 64 bits
// where it could overflow, so rectangles built from title values never wrap around.
#pragma once

#include <algorithm>
#include <cstdint>

namespace stagehand::host {

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    // A rectangle from an origin and a size; sizes that would pass INT32_MAX are cut there.
    static Rect FromSize(int32_t left, int32_t top, int32_t width, int32_t height);
    static int32_t Span(int32_t from, int32_t to) {
        const int64_t span = int64_t{to} - from;
        return span > INT32_MAX ? INT32_MAX : static_cast<int32_t>(span);
    }

    // Cut at INT32_MAX, which a rectangle from one end of the range to the other passes.
    int32_t Width() const { return right > left ? Span(left, right) : 0; }
    int32_t Height() const { return bottom > top ? Span(top, bottom) : 0; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    bool Contains(const Rect& r) const {
        return r.IsEmpty() ||
               (r.left >= left && r.top >= top && r.right <= right && r.bottom <= bottom);
    }
    bool Intersects(const Rect& r) const { return !Intersection(r).IsEmpty(); }
    Rect Intersection(const Rect& r) const;
    // The smallest rectangle holding both; an empty operand is ignored.
    Rect Union(const Rect& r) const;
    Rect Offset(int32_t dx, int32_t dy) const;

    friend bool operator==(const Rect&, const Rect&) = default;
};

inline Rect Rect::FromSize(int32_t left, int32_t top, int32_t width, int32_t height) {
    auto clamp = [](int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    };
    return {left, top, clamp(int64_t{left} + width), clamp(int64_t{top} + height)};
}

inline Rect Rect::Intersection(const Rect& r) const {
    Rect out{std::max(left, r.left), std::max(top, r.top), std::min(right, r.right),
             std::min(bottom, r.bottom)};
    if (out.IsEmpty()) {
        return {};
    }
    return out;
}

inline Rect Rect::Union(const Rect& r) const {
    if (r.IsEmpty()) {
        return *this;
    }
    if (IsEmpty()) {
        return r;
    }
    return {std::min(left, r.left), std::min(top, r.top), std::max(right, r.right),
            std::max(bottom, r.bottom)};
}

inline Rect Rect::Offset(int32_t dx, int32_t dy) const {
    auto add = [](int32_t a, int32_t b) {
        return static_cast<int32_t>(std::clamp<int64_t>(int64_t{a} + b, INT32_MIN, INT32_MAX));
    };
    return {add(left, dx), add(top, dy), add(right, dx), add(bottom, dy)};
}

}  // namespace stagehand::host
