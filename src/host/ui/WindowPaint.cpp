// Visible areas, invalidation and painting on the retained framebuffer.
#include "host/ui/WindowSystem.h"

namespace stagehand::host {

Region WindowSystem::VisibleRegion(WindowHandle window) const {
    if (!IsShown(window))
        return {};
    Region visible(ScreenRect(window));
    for (WindowHandle w = window; const Record* r = Find(w); w = r->parent) {
        if (r->parent)
            visible.Intersect(ScreenRect(r->parent));
        // Top-level windows always clip one another; children only with clip-siblings.
        if (r->parent && !(r->style & style::kClipSiblings))
            continue;
        const auto& siblings = SiblingsOf(*r);
        bool above = false;
        for (WindowHandle s : siblings) {
            if (s == w) {
                above = true;
                continue;
            }
            if (above && IsVisible(s))
                visible.Subtract(ScreenRect(s));
        }
        if (visible.IsEmpty())
            break;
    }
    visible.Intersect(framebuffer_.Bounds());
    return visible;
}

void WindowSystem::AppendSubtree(WindowHandle window, std::vector<WindowHandle>& out) const {
    const Record* r = Find(window);
    if (!r)
        return;
    out.push_back(window);
    for (WindowHandle child : r->children)
        AppendSubtree(child, out);
}

std::vector<WindowHandle> WindowSystem::PaintOrder() const {
    std::vector<WindowHandle> order;
    order.reserve(windows_.size());
    for (WindowHandle top : topLevel_)
        AppendSubtree(top, order);
    return order;
}

void WindowSystem::InvalidateScreen(const Region& area, WindowHandle from, bool erase) {
    if (area.IsEmpty())
        return;
    // Every window painted from `from` on (the window, what is inside it and what is stacked
    // above it) repaints its part of the area; windows painted before it are below it.
    const Rect bounds = area.Bounds();
    bool marking = !from;
    for (WindowHandle w : PaintOrder()) {
        if (w == from)
            marking = true;
        // Most windows lie elsewhere: skip them before working out what of them shows.
        if (!marking || !ScreenRect(w).Intersects(bounds))
            continue;
        Region part = VisibleRegion(w);
        part.Intersect(area);
        if (part.IsEmpty())
            continue;
        Record* r = Find(w);
        r->invalid.Add(part);
        if (erase)
            r->erase = true;
    }
}

void WindowSystem::Invalidate(WindowHandle window, std::optional<Rect> rect, bool erase) {
    if (!Exists(window))
        return;
    Region area = VisibleRegion(window);
    if (rect) {
        const Point origin = ClientToScreen(window, {0, 0});
        area.Intersect(rect->Offset(origin.x, origin.y));
    }
    InvalidateScreen(area, window, erase);
}

void WindowSystem::ClearInvalidInside(WindowHandle window) {
    std::vector<WindowHandle> subtree;
    AppendSubtree(window, subtree);
    for (WindowHandle w : subtree) {
        Record* r = Find(w);
        r->invalid.Clear();
        r->erase = false;
    }
}

void WindowSystem::Validate(WindowHandle window) {
    if (Record* r = Find(window)) {
        r->invalid.Clear();
        r->erase = false;
    }
}

bool WindowSystem::NeedsPaint(WindowHandle window) const {
    const Record* r = Find(window);
    return r && !r->invalid.IsEmpty() && IsShown(window);
}

WindowHandle WindowSystem::NextToPaint() const {
    for (WindowHandle w : PaintOrder())
        if (NeedsPaint(w))
            return w;
    return {};
}

void WindowSystem::UpdateNow(WindowHandle window) {
    if (NeedsPaint(window))
        Send(window, msg::kPaint);
}

Canvas WindowSystem::BeginPaint(WindowHandle window) {
    Record* r = Find(window);
    if (!r)
        return Canvas(framebuffer_, {}, Region{}, &damage_);
    Region clip = VisibleRegion(window);
    clip.Intersect(r->invalid);
    const bool erase = r->erase;
    r->invalid.Clear();
    r->erase = false;
    const Point origin = ClientToScreen(window, {0, 0});
    if (erase && !clip.IsEmpty()) {
        // A window that does not erase leaves the pixels as they are.
        erasing_ = window;
        eraseClip_ = clip;
        Send(window, msg::kEraseBackground);
        erasing_ = {};
        eraseClip_.Clear();
    }
    return Canvas(framebuffer_, origin, std::move(clip), &damage_);
}

Canvas WindowSystem::EraseCanvas(WindowHandle window) {
    if (window != erasing_)
        return WindowCanvas(window);
    return Canvas(framebuffer_, ClientToScreen(window, {0, 0}), eraseClip_, &damage_);
}

Canvas WindowSystem::WindowCanvas(WindowHandle window) {
    const Point origin = ClientToScreen(window, {0, 0});
    return Canvas(framebuffer_, origin, VisibleRegion(window), &damage_);
}

void WindowSystem::PresentChanges() {
    if (damage_.IsEmpty())
        return;
    const Rect changed = damage_.Intersection(framebuffer_.Bounds());
    damage_ = {};
    if (!changed.IsEmpty())
        backend_.Present(framebuffer_, changed);
}

}  // namespace stagehand::host
