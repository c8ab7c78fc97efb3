// Drives a mixer from a millisecond clock instead of a sound card: each Advance mixes the
// frames due since the last one, so that play positions move with the clock. The headless
// backend runs on it (its clock is virtual), and so does a desktop run without a sound device.
//
// Guarantees: time nobody hears costs nothing. Without a sink, or once the sink takes no
// more, the mixer's positions, loops and ends are only moved on (Mixer::Skip), in one step
// per sound however long the time passed.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "host/audio/Mixer.h"

namespace stagehand::host {

class ClockedMix {
  public:
    // What is done with each block mixed (written to a file); false once it takes no more.
    using Sink = std::function<bool(std::span<const int16_t> stereoSamples)>;

    void Start(Mixer& mixer, uint32_t now);
    void Stop() { mixer_ = nullptr; }
    bool Running() const { return mixer_ != nullptr; }
    // Mixes everything due up to `now` (a clock that only moves forward, wrapping) into the
    // sink; without one the time passes unmixed.
    void Advance(uint32_t now, const Sink& sink = {});
    // Output frames mixed so far (not those skipped).
    uint64_t FramesMixed() const { return framesMixed_; }

  private:
    Mixer* mixer_ = nullptr;
    uint32_t last_ = 0;
    uint64_t elapsedMs_ = 0;
    uint64_t framesDone_ = 0;
    uint64_t framesMixed_ = 0;
    uint32_t rate_ = 0;
    std::vector<int16_t> block_;
};

}  // namespace stagehand::host
