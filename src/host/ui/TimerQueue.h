// The windows' periodic timers, kept in the order they come due so that finding the next one
// costs O(log n) however many timers run.
//
// Times are on the wrapping millisecond clock: a time is due when it is at most now, read as
// a signed distance from now. The next timer is the one furthest overdue (or, when none is
// due, the soonest); timers due at the same millisecond go in the order they were set.
// Resetting a timer sets it again; taking one keeps its place among timers due with it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "host/ui/Messages.h"

namespace stagehand::host {

class TimerQueue {
  public:
    // The shortest period; a period of 0 gets this.
    static constexpr uint32_t kMinimumPeriod = 10;

    struct Tick {
        WindowHandle window;
        uintptr_t id = 0;
    };

    // (Re)starts the window's timer `id`, due one period from `now`. Periods are clamped to
    // [kMinimumPeriod, 2^31 - 1]: longer ones could not be told from the past.
    void Set(WindowHandle window, uintptr_t id, uint32_t period, uint32_t now);
    void Kill(WindowHandle window, uintptr_t id);
    void KillAll(WindowHandle window);

    // When the next timer comes due; none without timers.
    std::optional<uint32_t> NextDue(uint32_t now) const;
    // The next timer if it is due at `now`, due again one period after `now`: a timer that
    // fell behind ticks once, not once per missed period.
    std::optional<Tick> TakeDue(uint32_t now);

    size_t Size() const { return timers_.size(); }

  private:
    using Key = std::pair<uint32_t, uintptr_t>;  // window, id
    struct Timer {
        uint32_t period = 0;
        uint32_t due = 0;
        uint64_t order = 0;  // when it was set, for timers due together
    };
    struct Slot {
        uint32_t due;
        uint64_t order;
        Key key;
        bool operator<(const Slot& other) const {
            return due != other.due ? due < other.due : order < other.order;
        }
    };
    static Slot SlotOf(const Key& key, const Timer& timer) { return {timer.due, timer.order, key}; }
    // The first slot on the clock's circle from half a range before `now`, which is the
    // earliest time as seen from `now`.
    std::set<Slot>::const_iterator Earliest(uint32_t now) const;
    void Erase(std::map<Key, Timer>::iterator it);

    std::map<Key, Timer> timers_;
    std::set<Slot> byDue_;  // by due time as an unsigned number, then by order
    uint64_t nextOrder_ = 0;
};

}  // namespace stagehand::host
