// Visible areas, invalidation and painting on the retained framebuffer.
#include "host/ui/WindowSystem.h"

#include <algorithm>

namespace stagehand::host {

Region WindowSystem::VisibleRegion(WindowHandle window) const {
    const Record* self = Find(window);
    if (!self || self->dying || !IsShown(window)) {
        return {};
    }
    Region visible(ScreenRect(window));
    for (WindowHandle w = window; const Record* r = Find(w); w = r->parent) {
        if (r->parent) {
            visible.Intersect(ScreenRect(r->parent));
        }
        // Top-level windows always clip one another; children only with clip-siblings.
        if (r->parent && !(r->style & style::kClipSiblings)) {
            continue;
        }
        const auto& siblings = SiblingsOf(*r);
        auto it = std::find(siblings.begin(), siblings.end(), w);
        if (it != siblings.end()) {
            ++it;
        }
        for (; it != siblings.end() && !visible.IsEmpty(); ++it) {
            const Record* s = Find(*it);
            if (s && (s->style & style::kVisible) && !s->dying) {
                visible.Subtract(ScreenRect(*it));
            }
        }
        if (visible.IsEmpty()) {
            return visible;
        }
    }
    visible.Intersect(framebuffer_.Bounds());
    return visible;
}

void WindowSystem::InvalidateScreen(const Region& area, WindowHandle from, bool erase) {
    // Every window painted from `from` on (the window, what is inside it and what is stacked
    // above it) repaints its part of the area; windows painted before it are below it.
    std::vector<WindowHandle> path;
    for (WindowHandle w = from; const Record* r = Find(w); w = r->parent) {
        path.insert(path.begin(), w);
    }
    // A window whose ancestors have gone in the middle of a destruction is on no stack.
    if (area.IsEmpty() || (from && (path.empty() || Find(path.front())->parent))) {
        return;
    }
    Region clip = area;
    clip.Intersect(framebuffer_.Bounds());
    InvalidateStack(tree_.TopLevel(), true, clip, 0, !from, {path, erase});
}

// Walks one stack of siblings top down, with `clip` the part of the area their parent shows,
// so that what each window shows comes from what the windows above it left uncovered instead
// of being worked out afresh for every window. With `marking` false only the windows at or
// after request.path[depth] in painting order are marked; the ones below it are not visited.
void WindowSystem::InvalidateStack(const std::vector<WindowHandle>& stack, bool topLevel,
                                   const Region& clip, size_t depth, bool marking,
                                   const InvalidateRequest& request) {
    Region uncovered = clip;
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        const bool onPath = !marking && *it == request.path[depth];
        Record* r = Find(*it);
        const bool clipped = topLevel || (r && (r->style & style::kClipSiblings));
        if (r && (r->style & style::kVisible) && !r->dying && !(clipped && uncovered.IsEmpty())) {
            const Rect rect = ScreenRect(*it);
            Region part = clipped ? uncovered : clip;
            part.Intersect(rect);
            const bool markThis = !onPath || depth + 1 == request.path.size();
            if (!part.IsEmpty()) {
                if (markThis) {
                    paint_.Add(*it, part, request.erase);
                }
                InvalidateStack(r->children, false, part, depth + 1, markThis, request);
            }
            uncovered.Subtract(rect);
        }
        if (onPath) {
            return;
        }
    }
}

void WindowSystem::Invalidate(WindowHandle window, std::optional<Rect> rect, bool erase) {
    if (!Exists(window)) {
        return;
    }
    Region area = VisibleRegion(window);
    if (rect) {
        const Point origin = ClientToScreen(window, {0, 0});
        area.Intersect(rect->Offset(origin.x, origin.y));
    }
    InvalidateScreen(area, window, erase);
}

void WindowSystem::ClearInvalidInside(WindowHandle window) {
    std::vector<WindowHandle> subtree;
    tree_.AppendSubtree(window, subtree);
    for (WindowHandle w : subtree) {
        paint_.Clear(w);
    }
}

void WindowSystem::Validate(WindowHandle window) {
    paint_.Clear(window);
}

bool WindowSystem::NeedsPaint(WindowHandle window) const {
    const Record* r = Find(window);
    return r && paint_.Waits(window) && !r->dying && IsShown(window);
}

WindowHandle WindowSystem::NextToPaint() const {
    return paint_.First([this](WindowHandle w) { return NeedsPaint(w); });
}

void WindowSystem::UpdateNow(WindowHandle window) {
    if (NeedsPaint(window)) {
        Send(window, msg::kPaint);
    }
}

Canvas WindowSystem::BeginPaint(WindowHandle window) {
    if (!Exists(window)) {
        return Canvas(framebuffer_, {}, Region{}, &damage_);
    }
    Region clip = VisibleRegion(window);
    const PaintQueue::Pending pending = paint_.Take(window);
    clip.Intersect(pending.invalid);
    const bool erase = pending.erase;
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
    if (window != erasing_) {
        return WindowCanvas(window);
    }
    return Canvas(framebuffer_, ClientToScreen(window, {0, 0}), eraseClip_, &damage_);
}

Canvas WindowSystem::WindowCanvas(WindowHandle window) {
    const Point origin = ClientToScreen(window, {0, 0});
    return Canvas(framebuffer_, origin, VisibleRegion(window), &damage_);
}

void WindowSystem::PresentChanges() {
    if (damage_.IsEmpty()) {
        return;
    }
    const Rect changed = damage_.Intersection(framebuffer_.Bounds());
    damage_ = {};
    if (!changed.IsEmpty()) {
        backend_.Present(framebuffer_, changed);
    }
}

}  // namespace stagehand::host
