// Per-window periodic timers. A timer message is made only when nothing else waits, and a
// timer that fell behind makes one message, not one per missed period.
#include "host/ui/WindowSystem.h"

namespace stagehand::host {

void WindowSystem::SetTimer(WindowHandle window, uintptr_t id, uint32_t periodMs) {
    if (!Exists(window)) {
        return;
    }
    timers_.Set(window, id, periodMs, backend_.Now());
}

void WindowSystem::KillTimer(WindowHandle window, uintptr_t id) {
    timers_.Kill(window, id);
}

std::optional<uint32_t> WindowSystem::NextTimerDue() const {
    return timers_.NextDue(backend_.Now());
}

bool WindowSystem::TakeTimerMessage(Message& out) {
    const std::optional<TimerQueue::Tick> tick = timers_.TakeDue(backend_.Now());
    if (!tick) {
        return false;
    }
    out = MakeMessage(tick->window, msg::kTimer, tick->id, 0);
    return true;
}

}  // namespace stagehand::host
