// Per-window periodic timers. A timer message is made only when nothing else waits, and a
// timer that fell behind makes one message, not one per missed period.
#include <algorithm>

#include "host/ui/WindowSystem.h"

namespace stagehand::host {

namespace {
// Milliseconds from `now` to `time` on the wrapping clock; negative once it has passed.
int32_t Until(uint32_t time, uint32_t now) {
    return static_cast<int32_t>(time - now);
}
}  // namespace

void WindowSystem::SetTimer(WindowHandle window, uintptr_t id, uint32_t periodMs) {
    if (!Exists(window)) {
        return;
    }
    // Periods beyond the clock's half range could not be told from the past.
    const uint32_t period = std::clamp<uint32_t>(periodMs, kMinimumTimerPeriod, 0x7FFFFFFF);
    KillTimer(window, id);
    timers_.push_back({window, id, period, backend_.Now() + period, timerOrder_++});
}

void WindowSystem::KillTimer(WindowHandle window, uintptr_t id) {
    std::erase_if(timers_, [&](const Timer& t) { return t.window == window && t.id == id; });
}

std::optional<uint32_t> WindowSystem::NextTimerDue() const {
    if (timers_.empty()) {
        return std::nullopt;
    }
    const uint32_t now = backend_.Now();
    const Timer* next = &timers_.front();
    for (const Timer& t : timers_) {
        if (Until(t.due, now) < Until(next->due, now)) {
            next = &t;
        }
    }
    return next->due;
}

bool WindowSystem::TakeTimerMessage(Message& out) {
    const uint32_t now = backend_.Now();
    Timer* next = nullptr;
    for (Timer& t : timers_) {
        if (Until(t.due, now) > 0) {
            continue;
        }
        if (!next || Until(t.due, now) < Until(next->due, now) ||
            (t.due == next->due && t.order < next->order)) {
            next = &t;
        }
    }
    if (!next) {
        return false;
    }
    next->due = now + next->period;
    out = MakeMessage(next->window, msg::kTimer, next->id, 0);
    return true;
}

}  // namespace stagehand::host
