// FaultSink: where a layer that knows nothing of the trace reports what it passed over (the
// host's backends: a sound device that could not be opened, a display that went away).
//
// The trace implements it (trace::Faults()); a backend is handed one by whoever builds it and
// reports nothing when it was handed none.
#pragma once

#include <string_view>

namespace stagehand::base {

class FaultSink {
  public:
    virtual ~FaultSink() = default;
    // One fault, in the player's own words, already filled in.
    virtual void Fault(std::string_view text) = 0;
};

}  // namespace stagehand::base
