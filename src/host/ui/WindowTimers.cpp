// Per-window periodic timers. A timer message is made only when nothing else waits, and a
// timer that fell behind makes one message, not one per missed period.
#include "host/ui/WindowSystem.h"

namespace stagehand::host {

void WindowSystem::SetTimer(WindowHandle window, uintptr_t id, uint32_t periodMs) {
    if (!Exists(window)) {
        return;
    }
    timers_.Set(window, id, periodMs, Now());
}

void WindowSystem::KillTimer(WindowHandle window, uintptr_t id) {
    timers_.Kill(window, id);
}

std::optional<uint32_t> WindowSystem::NextTimerDue() const {
    if (clock_.IsPaused()) {
        return std::nullopt;  // the title's clock stands still
    }
    return timers_.NextDue(clock_.Now(backend_.Now()));
}

bool WindowSystem::TakeTimerMessage(Message& out) {
    if (clock_.IsPaused()) {
        return false;
    }
    const std::optional<TimerQueue::Tick> tick = timers_.TakeDue(Now());
    if (!tick) {
        return false;
    }
    out = MakeMessage(tick->window, msg::kTimer, tick->id, 0);
    return true;
}

}  // namespace stagehand::host
