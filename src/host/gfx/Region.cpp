#include "host/gfx/Region.h"

namespace stagehand::host {

namespace {

// Appends the parts of `piece` outside `hole`: at most four rectangles (above, below, left,
// right), which stay disjoint from one another.
void AppendDifference(const Rect& piece, const Rect& hole, std::vector<Rect>& out) {
    const Rect cut = piece.Intersection(hole);
    if (cut.IsEmpty()) {
        out.push_back(piece);
        return;
    }
    if (piece.top < cut.top) {
        out.push_back({piece.left, piece.top, piece.right, cut.top});
    }
    if (cut.bottom < piece.bottom) {
        out.push_back({piece.left, cut.bottom, piece.right, piece.bottom});
    }
    if (piece.left < cut.left) {
        out.push_back({piece.left, cut.top, cut.left, cut.bottom});
    }
    if (cut.right < piece.right) {
        out.push_back({cut.right, cut.top, piece.right, cut.bottom});
    }
}

}  // namespace

Region::Region(const Rect& rect) {
    if (!rect.IsEmpty()) {
        rects_.push_back(rect);
    }
}

Rect Region::Bounds() const {
    Rect bounds;
    for (const Rect& r : rects_) {
        bounds = bounds.Union(r);
    }
    return bounds;
}

bool Region::Contains(Point p) const {
    for (const Rect& r : rects_) {
        if (r.Contains(p)) {
            return true;
        }
    }
    return false;
}

bool Region::Intersects(const Rect& rect) const {
    for (const Rect& r : rects_) {
        if (r.Intersects(rect)) {
            return true;
        }
    }
    return false;
}

long long Region::Area() const {
    long long area = 0;
    for (const Rect& r : rects_) {
        area += static_cast<long long>(r.Width()) * r.Height();
    }
    return area;
}

void Region::Add(const Rect& rect) {
    if (rect.IsEmpty()) {
        return;
    }
    // Keep the list disjoint: add only the parts of `rect` not yet covered.
    std::vector<Rect> pieces{rect};
    for (const Rect& existing : rects_) {
        std::vector<Rect> next;
        for (const Rect& piece : pieces) {
            AppendDifference(piece, existing, next);
        }
        pieces.swap(next);
        if (pieces.empty()) {
            return;
        }
    }
    rects_.insert(rects_.end(), pieces.begin(), pieces.end());
}

void Region::Add(const Region& other) {
    for (const Rect& r : other.rects_) {
        Add(r);
    }
}

void Region::Subtract(const Rect& rect) {
    if (rect.IsEmpty()) {
        return;
    }
    std::vector<Rect> next;
    for (const Rect& r : rects_) {
        AppendDifference(r, rect, next);
    }
    rects_.swap(next);
}

void Region::Subtract(const Region& other) {
    for (const Rect& r : other.rects_) {
        Subtract(r);
    }
}

void Region::Intersect(const Rect& rect) {
    std::vector<Rect> next;
    for (const Rect& r : rects_) {
        const Rect cut = r.Intersection(rect);
        if (!cut.IsEmpty()) {
            next.push_back(cut);
        }
    }
    rects_.swap(next);
}

void Region::Intersect(const Region& other) {
    // Pieces of two disjoint lists cut against each other are themselves disjoint.
    std::vector<Rect> next;
    for (const Rect& a : rects_) {
        for (const Rect& b : other.rects_) {
            const Rect cut = a.Intersection(b);
            if (!cut.IsEmpty()) {
                next.push_back(cut);
            }
        }
    }
    rects_.swap(next);
}

void Region::Offset(int32_t dx, int32_t dy) {
    for (Rect& r : rects_) {
        r = r.Offset(dx, dy);
    }
}

}  // namespace stagehand::host
