#include "interaction/ZoneTable.h"

#include "host/ui/WindowSystem.h"
#include "kernel/Player.h"

namespace stagehand {

namespace {

bool IsZoneInput(uint32_t id) {
    return id == host::msg::kMouseMove || id == host::msg::kLButtonDown ||
           id == host::msg::kLButtonUp;
}

}  // namespace

CZoneTable::CZoneTable(CPlayer& player) : player_(player) {
    player.Hooks().AddFilter([this](host::Message& message) { return Filter(message); });
}

std::optional<uint16_t> CZoneTable::Enter(CZoneRecord& record) {
    for (uint32_t tries = 0; tries <= 0xFFFF; ++tries) {
        ++keyCounter_;
        if (records_.count(keyCounter_) == 0) {
            records_.emplace(keyCounter_, &record);
            return keyCounter_;
        }
    }
    return std::nullopt;
}

void CZoneTable::Leave(uint16_t key, const CZoneRecord& record) {
    const auto found = records_.find(key);
    if (found != records_.end() && found->second == &record) {
        records_.erase(found);
    }
}

bool CZoneTable::Filter(host::Message& message) {
    host::WindowSystem* windows = player_.Windows();
    if (windows == nullptr || !IsZoneInput(message.id)) {
        return false;
    }
    const CZoneRecord* hit = nullptr;
    for (const auto& [key, record] : records_) {
        if (record->enabled && record->screenRect.Contains(message.screen)) {
            hit = record;
            break;
        }
    }
    const host::WindowHandle current = currentZone_;
    if (hit == nullptr) {
        if (current) {
            windows->Post(current, host::msg::kCancelMode);
            currentZone_ = {};
        }
        return false;
    }
    if (windows->Capture()) {
        windows->ReleaseCapture();
    }
    currentZone_ = hit->window;
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

}  // namespace stagehand
