// Drives a mixer from a millisecond clock instead of a sound card: each Advance mixes the
// frames due since the last one, so that play positions move with the clock. The headless
// backend runs on it (its clock is virtual), and so does a desktop run without a sound device.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "host/audio/Mixer.h"

namespace stagehand::host {

class ClockedMix {
  public:
    // What is done with each block mixed (written to a file, or nothing).
    using Sink = std::function<void(std::span<const int16_t> stereoSamples)>;

    void Start(Mixer& mixer, uint32_t now);
    void Stop() { mixer_ = nullptr; }
    bool Running() const { return mixer_ != nullptr; }
    // Mixes everything due up to `now` (a clock that only moves forward, wrapping).
    void Advance(uint32_t now, const Sink& sink = {});

  private:
    Mixer* mixer_ = nullptr;
    uint32_t last_ = 0;
    uint64_t elapsedMs_ = 0;
    uint64_t framesDone_ = 0;
    uint32_t rate_ = 0;
    std::vector<int16_t> block_;
};

}  // namespace stagehand::host
