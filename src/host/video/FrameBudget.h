// The frame memory of the movies that share one budget: a movie takes its frames' bytes
// when it first decodes a frame, and gives them back when it closes, so movies that are
// open and not playing cost nothing and many movies with huge frames cannot exhaust memory.
//
// Guarantees: Take never lets the bytes held pass the budget's bound; a refused Take takes
// nothing.
// Where it bites: the bytes are what the player itself keeps for each movie (see
// MoviePlayback::FrameBytes), not what FFmpeg allocates inside the decoder on top.
#pragma once

#include <cstdint>

namespace stagehand::host {

class FrameBudget {
  public:
    // Far above the movies a title plays at once (a 640x480 movie takes about 18 MB).
    static constexpr uint64_t kMaxHeldBytes = 512ull << 20;

    explicit FrameBudget(uint64_t maxHeldBytes = kMaxHeldBytes) : max_(maxHeldBytes) {}

    bool Take(uint64_t bytes) {
        if (bytes > max_ - held_) {
            return false;
        }
        held_ += bytes;
        return true;
    }
    void Give(uint64_t bytes) { held_ -= bytes < held_ ? bytes : held_; }
    uint64_t HeldBytes() const { return held_; }
    uint64_t MaxBytes() const { return max_; }

  private:
    uint64_t max_;
    uint64_t held_ = 0;
};

}  // namespace stagehand::host
