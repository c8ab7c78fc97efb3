#include "host/ui/WindowTree.h"

#include <algorithm>

#include "host/files/TextEncoding.h"

namespace stagehand::host {

WindowHandle WindowTree::Add(Record record) {
    const WindowHandle handle{nextHandle_++};
    record.stacked = nextStacked_++;
    Record& placed = records_.emplace(handle.value, std::move(record)).first->second;
    SiblingsOf(placed).push_back(handle);
    return handle;
}

void WindowTree::Remove(WindowHandle window) {
    if (const Record* record = Find(window)) {
        std::erase(SiblingsOf(*record), window);
        records_.erase(window.value);
    }
}

bool WindowTree::Raise(WindowHandle window) {
    Record* record = Find(window);
    if (!record) {
        return false;
    }
    auto& siblings = SiblingsOf(*record);
    if (!siblings.empty() && siblings.back() == window) {
        return false;
    }
    std::erase(siblings, window);
    siblings.push_back(window);
    record->stacked = nextStacked_++;
    return true;
}

WindowTree::Record* WindowTree::Find(WindowHandle window) {
    auto it = records_.find(window.value);
    return it == records_.end() ? nullptr : &it->second;
}

const WindowTree::Record* WindowTree::Find(WindowHandle window) const {
    auto it = records_.find(window.value);
    return it == records_.end() ? nullptr : &it->second;
}

std::vector<WindowHandle>& WindowTree::SiblingsOf(const Record& record) {
    if (Record* parent = Find(record.parent)) {
        return parent->children;
    }
    return topLevel_;
}

const std::vector<WindowHandle>& WindowTree::SiblingsOf(const Record& record) const {
    if (const Record* parent = Find(record.parent)) {
        return parent->children;
    }
    return topLevel_;
}

bool WindowTree::IsInside(WindowHandle window, WindowHandle ancestor) const {
    for (const Record* r = Find(window); r; r = Find(r->parent)) {
        if (window == ancestor) {
            return true;
        }
        window = r->parent;
    }
    return false;
}

bool WindowTree::IsShown(WindowHandle window) const {
    const Record* r = Find(window);
    if (!r) {
        return false;
    }
    for (; r; r = Find(r->parent)) {
        if (!(r->style & style::kVisible)) {
            return false;
        }
    }
    return true;
}

void WindowTree::AppendSubtree(WindowHandle window, std::vector<WindowHandle>& out) const {
    const Record* r = Find(window);
    if (!r) {
        return;
    }
    out.push_back(window);
    for (WindowHandle child : r->children) {
        AppendSubtree(child, out);
    }
}

bool WindowTree::PaintsBefore(WindowHandle a, WindowHandle b) const {
    // Painting order is a walk of the tree, each window before its children: compare the
    // windows' paths from the top level where they part.
    auto path = [this](WindowHandle w) {
        std::vector<const Record*> records;
        for (const Record* r = Find(w); r; r = Find(r->parent)) {
            records.push_back(r);
        }
        return records;
    };
    const std::vector<const Record*> pathA = path(a);
    const std::vector<const Record*> pathB = path(b);
    auto itA = pathA.rbegin();
    auto itB = pathB.rbegin();
    for (; itA != pathA.rend() && itB != pathB.rend(); ++itA, ++itB) {
        if (*itA != *itB) {
            return (*itA)->stacked < (*itB)->stacked;
        }
    }
    return itA == pathA.rend() && itB != pathB.rend();  // an ancestor paints first
}

Point WindowTree::ClientToScreen(WindowHandle window, Point p) const {
    int64_t x = p.x, y = p.y;
    for (const Record* r = Find(window); r; r = Find(r->parent)) {
        x += r->rect.left;
        y += r->rect.top;
    }
    auto clamp = [](int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    };
    return {clamp(x), clamp(y)};
}

Rect WindowTree::ScreenRect(WindowHandle window) const {
    const Record* r = Find(window);
    if (!r) {
        return {};
    }
    const Point origin = ClientToScreen(window, {0, 0});
    return Rect::FromSize(origin.x, origin.y, r->rect.Width(), r->rect.Height());
}

WindowHandle WindowTree::HitTestIn(WindowHandle window, Point screen) const {
    const Record* r = Find(window);
    if (!r || !(r->style & style::kVisible) || (r->style & style::kDisabled)) {
        return {};
    }
    if (!ScreenRect(window).Contains(screen)) {
        return {};
    }
    for (auto it = r->children.rbegin(); it != r->children.rend(); ++it) {
        if (WindowHandle hit = HitTestIn(*it, screen)) {
            return hit;
        }
    }
    return window;
}

bool WindowTree::IsWithin(WindowHandle window, WindowHandle ancestor) const {
    for (const Record* r = Find(window); r != nullptr; r = Find(r->parent)) {
        if (window == ancestor) {
            return true;
        }
        window = r->parent;
    }
    return false;
}

WindowHandle WindowTree::HitTest(Point screen) const {
    for (auto it = topLevel_.rbegin(); it != topLevel_.rend(); ++it) {
        if (WindowHandle hit = HitTestIn(*it, screen)) {
            return hit;
        }
    }
    return {};
}

WindowHandle WindowTree::FindTopLevel(const std::string& title) const {
    for (auto it = topLevel_.rbegin(); it != topLevel_.rend(); ++it) {
        const Record* r = Find(*it);
        if (r && EqualsCaseBlind1252(r->title, title)) {
            return *it;
        }
    }
    return {};
}

}  // namespace stagehand::host
