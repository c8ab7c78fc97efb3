#include "interaction/Zone.h"

#include <algorithm>

#include "host/ui/WindowSystem.h"
#include "stage/Player.h"
#include "trace/Trace.h"

namespace stagehand {

namespace {

bool IsZoneInput(uint32_t id) {
    return id == host::msg::kMouseMove || id == host::msg::kLButtonDown ||
           id == host::msg::kLButtonUp;
}

}  // namespace

std::unique_ptr<CMessageHandler> CZone::Create() {
    return std::make_unique<CZone>();
}

CZone::~CZone() {
    if (!entered_ || !IsCreated() || !Player().zones) {
        return;
    }
    auto& records = Player().zones->records;
    const auto found = records.find(key_);
    if (found != records.end() && found->second == &record_) {
        records.erase(found);
    }
}

bool CZone::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    CActor::Initialize(player, name, parent);
    if (!player.zones) {
        player.zones = std::make_unique<CZoneTable>();
    }
    if (!player.zoneFilter) {
        player.zoneFilter = [&player](host::Message& message) { return Filter(player, message); };
    }
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
    record_.screenRect = {origin.x + left_, origin.y + top_, origin.x + right, origin.y + bottom};
    record_.window = Handle();
    record_.enabled = IsEnabled();
    Enter();
}

// The next free key after the counter, which wraps at 65536.
void CZone::Enter() {
    CZoneTable& table = *Player().zones;
    for (uint32_t tries = 0; tries <= 0xFFFF; ++tries) {
        ++table.keyCounter;
        if (table.records.count(table.keyCounter) == 0) {
            key_ = table.keyCounter;
            table.records.emplace(key_, &record_);
            entered_ = true;
            return;
        }
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

bool CZone::Filter(CPlayer& player, host::Message& message) {
    host::WindowSystem* windows = player.Windows();
    if (!player.zones || windows == nullptr || !IsZoneInput(message.id)) {
        return false;
    }
    CZoneTable& table = *player.zones;
    const CZoneRecord* hit = nullptr;
    for (const auto& [key, record] : table.records) {
        if (record->enabled && record->screenRect.Contains(message.screen)) {
            hit = record;
            break;
        }
    }
    const host::WindowHandle current = table.currentZone;
    if (hit == nullptr) {
        if (current) {
            windows->Post(current, host::msg::kCancelMode);
            table.currentZone = {};
        }
        return false;
    }
    if (windows->Capture()) {
        windows->ReleaseCapture();
    }
    table.currentZone = hit->window;
    if (current && current != hit->window) {
        // The zone left hears cancel mode now; the zone entered gets the input after it.
        windows->Post(hit->window, message.id);
        if (!windows->Exists(current)) {
            return true;
        }
        message.target = current;
        message.id = host::msg::kCancelMode;
        return false;
    }
    if (windows->Exists(hit->window)) {
        message.target = hit->window;
    }
    return false;
}

void CZone::ShutDown(CPlayer& player) {
    player.zones.reset();
}

}  // namespace stagehand
