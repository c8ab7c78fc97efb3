// The title's clock: the backend's clock less the time the player held the title paused.
// While paused it stands still, so that everything the title times by it (its timers, its
// movies' frames, the stamps on its messages) stands still too, and after the pause it goes
// on from where it stood.
//
// Guarantees: both clocks wrap after 49 days the same way; a time on the title's clock is
// turned into one on the backend's by adding the time held, which holds while not paused.
#pragma once

#include <cstdint>

namespace stagehand::host {

class TitleClock {
  public:
    uint32_t Now(uint32_t backendNow) const { return paused_ ? pausedAt_ : backendNow - held_; }
    bool IsPaused() const { return paused_; }
    void Pause(uint32_t backendNow) {
        if (!paused_) {
            pausedAt_ = Now(backendNow);
            paused_ = true;
        }
    }
    void Resume(uint32_t backendNow) {
        if (paused_) {
            held_ = backendNow - pausedAt_;
            paused_ = false;
        }
    }
    // A time on the title's clock as the backend's clock will show it.
    uint32_t ToBackend(uint32_t titleTime) const { return titleTime + held_; }

  private:
    bool paused_ = false;
    uint32_t pausedAt_ = 0;  // the title's time when the pause began
    uint32_t held_ = 0;      // backend time minus title time while not paused
};

}  // namespace stagehand::host
