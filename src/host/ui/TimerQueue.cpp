#include "host/ui/TimerQueue.h"

#include <algorithm>

namespace stagehand::host {

void TimerQueue::Set(WindowHandle window, uintptr_t id, uint32_t period, uint32_t now) {
    Kill(window, id);
    const Key key{window.value, id};
    Timer timer;
    timer.period = std::clamp<uint32_t>(period, kMinimumPeriod, 0x7FFFFFFF);
    timer.due = now + timer.period;
    timer.order = nextOrder_++;
    timers_.emplace(key, timer);
    byDue_.insert(SlotOf(key, timer));
}

void TimerQueue::Erase(std::map<Key, Timer>::iterator it) {
    byDue_.erase(SlotOf(it->first, it->second));
    timers_.erase(it);
}

void TimerQueue::Kill(WindowHandle window, uintptr_t id) {
    auto it = timers_.find({window.value, id});
    if (it != timers_.end()) {
        Erase(it);
    }
}

void TimerQueue::KillAll(WindowHandle window) {
    auto it = timers_.lower_bound({window.value, 0});
    while (it != timers_.end() && it->first.first == window.value) {
        Erase(it++);
    }
}

std::set<TimerQueue::Slot>::const_iterator TimerQueue::Earliest(uint32_t now) const {
    // Seen from `now`, times run from now - 2^31 (the furthest past) round the circle to
    // now + 2^31 - 1; in unsigned order that is [start, max] followed by [0, start).
    const uint32_t start = now - 0x80000000u;
    auto it = byDue_.lower_bound({start, 0, {}});
    return it != byDue_.end() ? it : byDue_.begin();
}

std::optional<uint32_t> TimerQueue::NextDue(uint32_t now) const {
    if (byDue_.empty()) {
        return std::nullopt;
    }
    return Earliest(now)->due;
}

std::optional<TimerQueue::Tick> TimerQueue::TakeDue(uint32_t now) {
    if (byDue_.empty()) {
        return std::nullopt;
    }
    auto slot = Earliest(now);
    if (static_cast<int32_t>(slot->due - now) > 0) {
        return std::nullopt;
    }
    const Key key = slot->key;
    Timer& timer = timers_.at(key);
    byDue_.erase(slot);
    timer.due = now + timer.period;
    byDue_.insert(SlotOf(key, timer));
    return Tick{WindowHandle{key.first}, key.second};
}

}  // namespace stagehand::host
