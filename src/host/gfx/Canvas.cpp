#include "host/gfx/Canvas.h"

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
    if (damage_) *damage_ = damage_->Union(targetRect);
}

void Canvas::Fill(const Rect& rect, Color color) {
    const Rect onTarget = rect.Offset(origin_.x, origin_.y);
    for (const Rect& piece : clip_.Rects()) {
        const Rect cut = piece.Intersection(onTarget);
        if (cut.IsEmpty()) continue;
        target_.Fill(cut, color);
        AddDamage(cut);
    }
}

void Canvas::Blit(const Surface& source, const Rect& sourceRect, Point dest) {
    const Rect src = sourceRect.Intersection(source.Bounds());
    if (src.IsEmpty()) return;
    // Where the visible source pixels land on the target.
    const Rect onTarget = Rect::FromSize(dest.x + (src.left - sourceRect.left) + origin_.x,
                                         dest.y + (src.top - sourceRect.top) + origin_.y,
                                         src.Width(), src.Height());
    for (const Rect& piece : clip_.Rects()) {
        const Rect cut = piece.Intersection(onTarget);
        if (cut.IsEmpty()) continue;
        const Rect from = Rect::FromSize(src.left + (cut.left - onTarget.left),
                                         src.top + (cut.top - onTarget.top), cut.Width(),
                                         cut.Height());
        target_.Blit(source, from, {cut.left, cut.top});
        AddDamage(cut);
    }
}

void Canvas::BlendPixel(int32_t x, int32_t y, Color color, uint8_t coverage) {
    if (coverage == 0) return;
    const int64_t tx = int64_t{x} + origin_.x;
    const int64_t ty = int64_t{y} + origin_.y;
    if (tx < clipBounds_.left || ty < clipBounds_.top || tx >= clipBounds_.right ||
        ty >= clipBounds_.bottom)
        return;
    const Point p{static_cast<int32_t>(tx), static_cast<int32_t>(ty)};
    if (!clip_.Contains(p)) return;
    Color& pixel = target_.Row(p.y)[p.x];
    if (coverage == 255) {
        pixel = color;
    } else {
        auto mix = [coverage](uint8_t over, uint8_t under) {
            return static_cast<uint8_t>((over * coverage + under * (255 - coverage) + 127) / 255);
        };
        pixel = Rgb(mix(RedOf(color), RedOf(pixel)), mix(GreenOf(color), GreenOf(pixel)),
                    mix(BlueOf(color), BlueOf(pixel)));
    }
    AddDamage({p.x, p.y, p.x + 1, p.y + 1});
}

}  // namespace stagehand::host
