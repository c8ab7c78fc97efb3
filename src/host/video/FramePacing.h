// When the frames of a movie are due: frame n of a run started at time T (milliseconds)
// is due at T + n * 1000 / rate, to the nearest millisecond. The player asks "is the next frame due
// now" from idle time and "when is it due" to tell the loop how long it may sleep. Where it bites:
// a player that falls behind by more than kMaxLagMs starts a new run from the frame it is on, so
// frames are not shown in a burst after a long pause.
#pragma once

#include <cmath>
#include <cstdint>

namespace stagehand::host {

class FramePacing {
  public:
    static constexpr int64_t kMaxLagMs = 500;

    // Frame `frame` is due at `nowMs`; `rate` is frames a second (not above 0 counts as 10).
    void Start(double nowMs, int64_t frame, double rate) {
        startMs_ = nowMs;
        startFrame_ = frame;
        rate_ = rate > 0 ? rate : 10;
    }
    int64_t DueAt(int64_t frame) const { return std::llround(ExactDueAt(frame)); }
    // The due time before rounding, to start a new run on the same beat.
    double ExactDueAt(int64_t frame) const {
        return startMs_ + static_cast<double>(frame - startFrame_) * 1000.0 / rate_;
    }
    bool IsDue(int64_t frame, int64_t nowMs) const { return nowMs >= DueAt(frame); }
    // Called after showing `frame` at `nowMs`: restarts the run when far behind.
    void Shown(int64_t frame, int64_t nowMs) {
        if (nowMs - DueAt(frame) > kMaxLagMs) {
            Start(static_cast<double>(nowMs), frame, rate_);
        }
    }

  private:
    double startMs_ = 0;
    int64_t startFrame_ = 0;
    double rate_ = 10;
};

}  // namespace stagehand::host
