#include "interaction/Zone.h"

#include <algorithm>

#include "host/ui/WindowSystem.h"
#include "kernel/Player.h"
#include "trace/Trace.h"

namespace stagehand {

std::unique_ptr<CMessageHandler> CZone::Create() {
    return std::make_unique<CZone>();
}

CZone::~CZone() {
    if (entered_ && IsCreated()) {
        Player().Service<CZoneTable>().Leave(key_, record_);
    }
}

bool CZone::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    CActor::Initialize(player, name, parent);
    OpenWindow();
    return true;
}

// The zone's window lies at the container's client origin with no size and is never shown:
// it only receives what the filter routes to it, and places the rectangle on the screen.
void CZone::OpenWindow() {
    host::WindowSystem* windows = Player().Windows();
    if (windows == nullptr) {
        return;
    }
    host::WindowHandle container = Player().MainFrame();
    if (GetParent() != nullptr && GetParent()->HasWindow()) {
        container = GetParent()->Handle();
    }
    host::WindowParams params;
    params.title = GetName();
    params.style = host::style::kChild;
    params.parent = container;
    if (!windows->Exists(container) || !CreateWindow(*windows, params)) {
        trace::Fault("The zone \"%s\" has no window to take the mouse in.", {GetName()});
        return;
    }
    // Cut to the container's client area, in place: the properties show the edges used.
    const host::Rect client = windows->ClientRect(container);
    left_ = std::min(std::max(left_, 0), client.Width());
    top_ = std::min(std::max(top_, 0), client.Height());
    const auto right =
        static_cast<int32_t>(std::min<int64_t>(int64_t{left_} + width_, client.Width()));
    const auto bottom =
        static_cast<int32_t>(std::min<int64_t>(int64_t{top_} + height_, client.Height()));
    const host::Point origin = windows->ClientToScreen(Handle(), {0, 0});
    // Saturated: a zone far off its window lies far off the screen, never wrapped onto it.
    const auto onScreen = [](int32_t a, int32_t b) {
        return static_cast<int32_t>(std::clamp<int64_t>(int64_t{a} + b, INT32_MIN, INT32_MAX));
    };
    record_.screenRect = {onScreen(origin.x, left_), onScreen(origin.y, top_),
                          onScreen(origin.x, right), onScreen(origin.y, bottom)};
    record_.window = Handle();
    record_.enabled = IsEnabled();
    Enter();
}

void CZone::Enter() {
    if (const std::optional<uint16_t> key = Player().Service<CZoneTable>().Enter(record_)) {
        key_ = *key;
        entered_ = true;
        return;
    }
    trace::Fault("The zone \"%s\" finds no free key: every key is taken.", {GetName()});
}

void CZone::SetEnabled(bool enabled) {
    if (ownDisabled_ || enabled == IsEnabled()) {
        return;
    }
    enabled_ = enabled ? 1 : 0;
    mouseOn_ = false;
    pressed_ = false;
    record_.enabled = enabled;
}

void CZone::RegisterProperties() {
    CActor::RegisterProperties();
    AddProperty("Left", CVariant::kInteger, &left_);
    AddProperty("Top", CVariant::kInteger, &top_);
    AddProperty("Width", CVariant::kInteger, &width_);
    AddProperty("Height", CVariant::kInteger, &height_);
}

intptr_t CZone::OnMessage(const host::Message& message) {
    switch (message.id) {
        case host::msg::kMouseMove:
            if (!mouseOn_ && IsEnabled()) {
                mouseOn_ = true;
                RunQueue("mouseon", kEventScope);
            }
            return 0;
        case host::msg::kLButtonDown:
            if (IsEnabled()) {
                pressed_ = true;
            }
            return 0;
        case host::msg::kLButtonUp:
            // The press stays: another release without leaving clicks again.
            if (IsEnabled() && pressed_) {
                RunQueue("click", kEventScope);
            }
            return 0;
        case host::msg::kCancelMode:
            pressed_ = false;
            if (mouseOn_ && IsEnabled()) {
                mouseOn_ = false;
                RunQueue("mouseoff", kEventScope);
            }
            return 0;
        default:
            return CActor::OnMessage(message);
    }
}

}  // namespace stagehand
