#include "host/ui/WindowSystem.h"

#include <algorithm>

#include "host/files/TextEncoding.h"

namespace stagehand::host {

WindowSystem::WindowSystem(Backend& backend, Size screen)
    : backend_(backend),
      framebuffer_(screen.width, screen.height),
      input_(tree_, queue_, [this] { return Now(); }, {screen.width / 2, screen.height / 2}) {
    // The first present shows the whole (black) screen.
    damage_ = framebuffer_.Bounds();
}

WindowSystem::~WindowSystem() {
    // Windows still standing go without notices: their owners may already be gone.
    for (auto& [value, record] : tree_.Records()) {
        if (record.owner) {
            record.owner->system_ = nullptr;
            record.owner->handle_ = {};
        }
    }
}

WindowHandle WindowSystem::Create(Window* owner, const WindowParams& params) {
    const bool child = (params.style & style::kChild) != 0;
    const Record* parent = child ? Find(params.parent) : nullptr;
    if (child && (!parent || parent->dying)) {
        return {};
    }
    Record record;
    record.owner = owner;
    record.parent = child ? params.parent : WindowHandle{};
    record.rect = params.rect;
    record.style = params.style;
    record.title = params.title;
    record.doubleClicks = params.doubleClicks;
    record.background = params.background;
    const WindowHandle handle = tree_.Add(std::move(record));
    if (!child && (params.style & style::kSaveBits) != 0) {
        const Rect covered = params.rect.Intersection(framebuffer_.Bounds());
        Surface& saved = savedBits_[handle.value] = Surface(covered.Width(), covered.Height());
        saved.Blit(framebuffer_, covered, {0, 0});
    }
    if (Find(handle)->style & style::kVisible) {
        Invalidate(handle);
        // A top-level window shown while nothing has the keyboard takes it, as the active
        // window does on the desktop.
        if (!child && !Focus()) {
            SetFocus(handle);
        }
    }
    return handle;
}

void WindowSystem::Destroy(WindowHandle window) {
    Record* record = Find(window);
    if (!record || record->dying) {
        return;
    }
    // The whole subtree leaves the screen at once: what it showed is uncovered in one go when
    // it has gone, and meanwhile its windows are neither painted nor invalidated.
    const Region exposed = VisibleRegion(window);
    const Rect place = record->rect.Intersection(framebuffer_.Bounds());
    MarkDying(window);
    DestroyMarked(window);
    if (const auto saved = savedBits_.find(window.value); saved != savedBits_.end()) {
        framebuffer_.Blit(saved->second, saved->second.Bounds(), {place.left, place.top});
        damage_ = damage_.Union(place);
        savedBits_.erase(saved);
    }
    InvalidateScreen(exposed, {}, true);
}

void WindowSystem::MarkDying(WindowHandle window) {
    Record* record = Find(window);
    record->dying = true;
    // A dying window is never painted; dropping it now keeps the painting order to windows
    // whose ancestors all stand.
    paint_.Clear(window);
    for (WindowHandle child : record->children) {
        MarkDying(child);
    }
}

void WindowSystem::DestroyMarked(WindowHandle window) {
    Record* record = Find(window);
    // A notice may destroy an ancestor, whose walk then meets windows already on their way.
    if (!record || record->destroying) {
        return;
    }
    record->destroying = true;
    // Children first, the topmost first.
    std::vector<WindowHandle> children = record->children;
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        DestroyMarked(*it);
    }

    if (Capture() == window || IsInside(Capture(), window)) {
        ReleaseCapture();
    }
    if (Focus() == window || IsInside(Focus(), window)) {
        SetFocus({});
    }
    Send(window, msg::kDestroy);

    record = Find(window);
    if (!record) {
        return;
    }
    Window* owner = record->owner;
    timers_.KillAll(window);
    tree_.Remove(window);
    input_.Forget(window);
    hotKeys_.Forget(window);
    if (owner) {
        owner->handle_ = {};
        owner->OnWindowGone();  // may delete the owner
    }
    if (window == main_) {
        main_ = {};
        PostQuit(0);
    }
}

void WindowSystem::Detach(Window* owner) {
    if (Record* record = Find(owner->handle_)) {
        record->owner = nullptr;
    }
}

WindowHandle WindowSystem::Parent(WindowHandle window) const {
    const Record* r = Find(window);
    return r ? r->parent : WindowHandle{};
}

std::vector<WindowHandle> WindowSystem::Children(WindowHandle window) const {
    const Record* r = Find(window);
    return r ? r->children : std::vector<WindowHandle>{};
}

uint32_t WindowSystem::Style(WindowHandle window) const {
    const Record* r = Find(window);
    return r ? r->style : 0;
}

void WindowSystem::Show(WindowHandle window, bool show) {
    Record* record = Find(window);
    if (!record || IsVisible(window) == show) {
        return;
    }
    if (show) {
        record->style |= style::kVisible;
        Invalidate(window);
        if (!record->parent && !Focus()) {
            SetFocus(window);
        }
    } else {
        const Region exposed = VisibleRegion(window);
        record->style &= ~style::kVisible;
        ClearInvalidInside(window);
        InvalidateScreen(exposed, {}, true);
    }
}

bool WindowSystem::IsVisible(WindowHandle window) const {
    const Record* r = Find(window);
    return r && (r->style & style::kVisible);
}

bool WindowSystem::IsShown(WindowHandle window) const {
    return tree_.IsShown(window);
}

void WindowSystem::Enable(WindowHandle window, bool enable) {
    Record* record = Find(window);
    if (!record || IsEnabled(window) == enable) {
        return;
    }
    if (enable) {
        record->style &= ~style::kDisabled;
        return;
    }
    record->style |= style::kDisabled;
    Send(window, msg::kCancelMode);
    if (Focus() == window || IsInside(Focus(), window)) {
        SetFocus({});
    }
}

bool WindowSystem::IsEnabled(WindowHandle window) const {
    const Record* r = Find(window);
    return r && !(r->style & style::kDisabled);
}

void WindowSystem::Move(WindowHandle window, const Rect& rect) {
    Record* record = Find(window);
    if (!record || record->rect == rect) {
        return;
    }
    const Region exposed = VisibleRegion(window);
    ClearInvalidInside(window);
    record->rect = rect;
    InvalidateScreen(exposed, {}, true);
    Invalidate(window);
}

void WindowSystem::BringToTop(WindowHandle window) {
    std::vector<WindowHandle> subtree;
    tree_.AppendSubtree(window, subtree);
    bool raised = false;
    paint_.Reorder(subtree, [&] { raised = tree_.Raise(window); });
    if (raised) {
        Invalidate(window);
    }
}

Rect WindowSystem::WindowRect(WindowHandle window) const {
    const Record* r = Find(window);
    return r ? r->rect : Rect{};
}

Rect WindowSystem::ClientRect(WindowHandle window) const {
    const Rect r = WindowRect(window);
    return {0, 0, r.Width(), r.Height()};
}

Rect WindowSystem::ScreenRect(WindowHandle window) const {
    return tree_.ScreenRect(window);
}

Point WindowSystem::ClientToScreen(WindowHandle window, Point p) const {
    return tree_.ClientToScreen(window, p);
}

Point WindowSystem::ScreenToClient(WindowHandle window, Point p) const {
    const Point origin = ClientToScreen(window, {0, 0});
    return {static_cast<int32_t>(int64_t{p.x} - origin.x),
            static_cast<int32_t>(int64_t{p.y} - origin.y)};
}

std::string WindowSystem::Title(WindowHandle window) const {
    const Record* r = Find(window);
    return r ? r->title : std::string{};
}

void WindowSystem::SetTitle(WindowHandle window, const std::string& title) {
    Record* record = Find(window);
    if (!record) {
        return;
    }
    record->title = title;
    if (window == main_) {
        SetMainWindow(window);
    }
}

WindowHandle WindowSystem::FindTopLevel(const std::string& title) const {
    return tree_.FindTopLevel(title);
}

void WindowSystem::SetMainWindow(WindowHandle window) {
    main_ = window;
    const std::string title = Title(window);
    backend_.SetCaption(title.empty() ? std::string("Stagehand") : Cp1252ToUtf8(title));
}

Message WindowSystem::MakeMessage(WindowHandle target, uint32_t id, uintptr_t wParam,
                                  intptr_t lParam) {
    return Message{target, id, wParam, lParam, input_.Pointer(), Now()};
}

void WindowSystem::Post(WindowHandle target, uint32_t id, uintptr_t wParam, intptr_t lParam) {
    if (!Exists(target)) {
        return;
    }
    queue_.push_back(MakeMessage(target, id, wParam, lParam));
}

intptr_t WindowSystem::Send(WindowHandle target, uint32_t id, uintptr_t wParam, intptr_t lParam) {
    if (!Exists(target)) {
        return 0;
    }
    return Deliver(MakeMessage(target, id, wParam, lParam));
}

intptr_t WindowSystem::Deliver(const Message& message) {
    Record* record = Find(message.target);
    if (!record) {
        return 0;
    }
    if (record->owner) {
        return record->owner->OnMessage(message);
    }
    return DefaultProcess(message);
}

intptr_t WindowSystem::DefaultProcess(const Message& message) {
    switch (message.id) {
        case msg::kClose:
            Destroy(message.target);
            return 0;
        case msg::kPaint:
            // Beginning a paint erases what needs it and validates the window.
            BeginPaint(message.target);
            return 0;
        case msg::kEraseBackground: {
            const Record* record = Find(message.target);
            if (!record || !record->background) {
                return 0;
            }
            Canvas canvas = EraseCanvas(message.target);
            canvas.Fill(ClientRect(message.target), *record->background);
            return 1;
        }
        default:
            return 0;
    }
}

void WindowSystem::PostQuit(int exitCode) {
    queue_.push_back(MakeMessage({}, msg::kQuit, static_cast<uintptr_t>(exitCode), 0));
}

}  // namespace stagehand::host
