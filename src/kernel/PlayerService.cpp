#include "kernel/PlayerService.h"

namespace stagehand {

bool CLoopHooks::RunFilters(host::Message& message) const {
    for (const Filter& filter : filters_) {
        if (filter(message)) {
            return true;
        }
    }
    return false;
}

host::IdleRequest CLoopHooks::RunIdleSteps(uint32_t now) const {
    host::IdleRequest wanted;
    for (size_t i = 0; i < idleSteps_.size(); ++i) {
        Merge(wanted, idleSteps_[i](now));
    }
    return wanted;
}

void CLoopHooks::Merge(host::IdleRequest& into, const host::IdleRequest& other) {
    if (!other.more) {
        return;
    }
    if (!into.more) {
        into = other;
        return;
    }
    if (!into.wakeAt || !other.wakeAt) {
        into.wakeAt.reset();
    } else if (static_cast<int32_t>(*other.wakeAt - *into.wakeAt) < 0) {
        into.wakeAt = other.wakeAt;
    }
}

}  // namespace stagehand
