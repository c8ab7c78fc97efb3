// What SDL and the sound library it drives would print on the terminal of their own accord
// (SDL's log, ALSA's error lines when no sound card answers) goes to the player's fault sink
// instead: the person playing hears of a missing sound device once, in the player's words, and
// the trace keeps the libraries' own lines.
//
// Guarantees: idempotent; only lines said on the thread that routed them reach the sink, so the
// audio thread (ALSA reports an underrun there) never touches it: those lines are dropped.
// Where it bites: ALSA is reached through the copy SDL already loaded (looked up by name, never
// linked); a system without it has nothing to quiet. The routing lasts for the process.
#pragma once

#include "base/FaultSink.h"

namespace stagehand::host {

// Sends SDL's and ALSA's messages to `faults` from now on (nothing: they are dropped).
void RouteLibraryMessages(base::FaultSink* faults);

}  // namespace stagehand::host
