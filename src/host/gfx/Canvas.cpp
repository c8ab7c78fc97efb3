#include "host/gfx/Canvas.h"

#include <algorithm>

namespace stagehand::host {

Canvas::Canvas(Surface& target, Point origin, Region clip, Rect* damage)
    : target_(target), origin_(origin), clip_(std::move(clip)), damage_(damage) {
    clip_.Intersect(target_.Bounds());
    clipBounds_ = clip_.Bounds();
}

Region Canvas::ClipInClient() const {
    Region r = clip_;
    r.Offset(-origin_.x, -origin_.y);
    return r;
}

void Canvas::AddDamage(const Rect& targetRect) {
    if (damage_) {
        *damage_ = damage_->Union(targetRect);
    }
}

void Canvas::Fill(const Rect& rect, Color color) {
    const Rect onTarget = rect.Offset(origin_.x, origin_.y);
    for (const Rect& piece : clip_.Rects()) {
        const Rect cut = piece.Intersection(onTarget);
        if (cut.IsEmpty()) {
            continue;
        }
        target_.Fill(cut, color);
        AddDamage(cut);
    }
}

void Canvas::Blit(const Surface& source, const Rect& sourceRect, Point dest) {
    const Rect src = sourceRect.Intersection(source.Bounds());
    if (src.IsEmpty()) {
        return;
    }
    // Where the visible source pixels land on the target, worked out in 64 bits and cut to
    // the clip's bounds so that far-off destinations cannot wrap around into view.
    const int64_t left = int64_t{dest.x} + (int64_t{src.left} - sourceRect.left) + origin_.x;
    const int64_t top = int64_t{dest.y} + (int64_t{src.top} - sourceRect.top) + origin_.y;
    const int64_t cutLeft = std::max<int64_t>(left, clipBounds_.left);
    const int64_t cutTop = std::max<int64_t>(top, clipBounds_.top);
    const int64_t cutRight = std::min<int64_t>(left + src.Width(), clipBounds_.right);
    const int64_t cutBottom = std::min<int64_t>(top + src.Height(), clipBounds_.bottom);
    if (cutLeft >= cutRight || cutTop >= cutBottom) {
        return;
    }
    const Rect onTarget{static_cast<int32_t>(cutLeft), static_cast<int32_t>(cutTop),
                        static_cast<int32_t>(cutRight), static_cast<int32_t>(cutBottom)};
    for (const Rect& piece : clip_.Rects()) {
        const Rect cut = piece.Intersection(onTarget);
        if (cut.IsEmpty()) {
            continue;
        }
        const Rect from = Rect::FromSize(static_cast<int32_t>(src.left + (cut.left - left)),
                                         static_cast<int32_t>(src.top + (cut.top - top)),
                                         cut.Width(), cut.Height());
        target_.Blit(source, from, {cut.left, cut.top});
        AddDamage(cut);
    }
}

namespace {

void Blend(Color& pixel, Color color, uint8_t coverage) {
    if (coverage == 255) {
        pixel = color;
        return;
    }
    auto mix = [coverage](uint8_t over, uint8_t under) {
        return static_cast<uint8_t>((over * coverage + under * (255 - coverage) + 127) / 255);
    };
    pixel = Rgb(mix(RedOf(color), RedOf(pixel)), mix(GreenOf(color), GreenOf(pixel)),
                mix(BlueOf(color), BlueOf(pixel)));
}

}  // namespace

void Canvas::BlendPixel(int32_t x, int32_t y, Color color, uint8_t coverage) {
    if (coverage == 0) {
        return;
    }
    const int64_t tx = int64_t{x} + origin_.x;
    const int64_t ty = int64_t{y} + origin_.y;
    if (tx < clipBounds_.left || ty < clipBounds_.top || tx >= clipBounds_.right ||
        ty >= clipBounds_.bottom) {
        return;
    }
    const Point p{static_cast<int32_t>(tx), static_cast<int32_t>(ty)};
    if (!clip_.Contains(p)) {
        return;
    }
    Blend(target_.Row(p.y)[p.x], color, coverage);
    AddDamage({p.x, p.y, p.x + 1, p.y + 1});
}

void Canvas::BlendCoverage(const uint8_t* coverage, int32_t width, int32_t height, Point dest,
                           Color color) {
    if (!coverage || width <= 0 || height <= 0) {
        return;
    }
    // The block on the target, cut to the clip's bounds in 64 bits so that a block far
    // outside cannot wrap around into view.
    const int64_t left = int64_t{dest.x} + origin_.x;
    const int64_t top = int64_t{dest.y} + origin_.y;
    const int64_t cutLeft = std::max<int64_t>(left, clipBounds_.left);
    const int64_t cutTop = std::max<int64_t>(top, clipBounds_.top);
    const int64_t cutRight = std::min<int64_t>(left + width, clipBounds_.right);
    const int64_t cutBottom = std::min<int64_t>(top + height, clipBounds_.bottom);
    if (cutLeft >= cutRight || cutTop >= cutBottom) {
        return;
    }
    const Rect block{static_cast<int32_t>(cutLeft), static_cast<int32_t>(cutTop),
                     static_cast<int32_t>(cutRight), static_cast<int32_t>(cutBottom)};
    for (const Rect& piece : clip_.Rects()) {
        const Rect cut = piece.Intersection(block);
        if (cut.IsEmpty()) {
            continue;
        }
        for (int32_t y = cut.top; y < cut.bottom; ++y) {
            const uint8_t* row = coverage + static_cast<size_t>(y - top) * width;
            Color* pixels = target_.Row(y);
            for (int32_t x = cut.left; x < cut.right; ++x) {
                const uint8_t c = row[x - left];
                if (c != 0) {
                    Blend(pixels[x], color, c);
                }
            }
        }
        AddDamage(cut);
    }
}

}  // namespace stagehand::host
