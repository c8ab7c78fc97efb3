// CWorkBudget: how much work one dispatch of the title may start.
//
// A dispatch is everything that follows from one outside cause: one queue run or one role's
// creation that nothing else of the title is running around (an input event's queue, a
// timer's, the director creating the first scenes). Within it, every message run and every
// role created spends from one budget, far above what any real title needs in one go. A
// title whose queues multiply (a queue that runs itself twice, a scene whose Unload loads it
// while its Load unloads it) spends it quickly; from then on nothing more of that dispatch
// runs or is created, the trace says so once, and the player gets back to its loop.
//
// It also keeps the nesting depths of queue runs and of role creations, which their callers
// bound on their own.
#pragma once

#include <cstdint>
#include <string_view>

namespace stagehand {

class CWorkBudget {
  public:
    static constexpr uint64_t kUnitsPerDispatch = 200'000;
    static constexpr uint64_t kMessageCost = 1;
    // Creating a role opens a window, reads its role and may paint: it costs more.
    static constexpr uint64_t kRoleCost = 20;

    enum class Kind { kQueueRun, kCreation };

    // One piece of work in progress, for as long as it lives. The outermost piece starts a
    // new dispatch with the whole budget.
    class Step {
      public:
        Step(CWorkBudget& budget, Kind kind);
        ~Step();
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;

      private:
        CWorkBudget& budget_;
        Kind kind_;
    };

    // Takes `units` for the work of `what` `name` ("The message queue", "Intro"), named in
    // the trace when the budget runs out there; false once the dispatch's budget is spent.
    bool Spend(uint64_t units, std::string_view what, std::string_view name);
    // Whether the dispatch in progress has spent its budget; outside any work the next
    // dispatch starts afresh.
    bool IsSpent() const {
        return (queueDepth_ > 0 || creationDepth_ > 0) && spent_ > kUnitsPerDispatch;
    }
    // True the first time in a dispatch: a fault that a cascade repeats at every turn (runs
    // nested too deep) is traced once.
    bool FirstOfDispatch();
    // Whether the last dispatch that ended had spent its whole budget: a cause that keeps
    // coming back (a timer) can tell that its work runs away each time.
    bool LastDispatchRanOut() const { return lastRanOut_; }
    int Depth(Kind kind) const { return kind == Kind::kQueueRun ? queueDepth_ : creationDepth_; }

  private:
    int queueDepth_ = 0;
    int creationDepth_ = 0;
    uint64_t spent_ = 0;
    bool faultTraced_ = false;
    bool lastRanOut_ = false;
};

}  // namespace stagehand
