#include "kernel/WorkBudget.h"

#include <utility>

#include "trace/Trace.h"

namespace stagehand {

CWorkBudget::Step::Step(CWorkBudget& budget, Kind kind) : budget_(budget), kind_(kind) {
    if (budget_.queueDepth_ == 0 && budget_.creationDepth_ == 0) {
        budget_.spent_ = 0;
        budget_.faultTraced_ = false;
    }
    ++(kind_ == Kind::kQueueRun ? budget_.queueDepth_ : budget_.creationDepth_);
}

CWorkBudget::Step::~Step() {
    --(kind_ == Kind::kQueueRun ? budget_.queueDepth_ : budget_.creationDepth_);
    if (budget_.queueDepth_ == 0 && budget_.creationDepth_ == 0) {
        budget_.lastRanOut_ = budget_.spent_ > kUnitsPerDispatch;
    }
}

bool CWorkBudget::FirstOfDispatch() {
    return !std::exchange(faultTraced_, true);
}

bool CWorkBudget::Spend(uint64_t units, std::string_view what, std::string_view name) {
    if (IsSpent()) {
        return false;
    }
    spent_ += units;
    if (!IsSpent()) {
        return true;
    }
    trace::Fault(
        "%s \"%s\" was stopped, and with it everything this dispatch would still run: it has run "
        "%u messages' worth of work, more than any title needs at once (do queues run or load "
        "each other over and over?).",
        {what, name, kUnitsPerDispatch});
    return false;
}

}  // namespace stagehand
