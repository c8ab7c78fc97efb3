// The player's sense of time: the millisecond tick count titles read, and sleeping the
// logic thread between frames.
//
// Guarantees: MonotonicMilliseconds never goes backwards except by wrapping, and is not
// moved by changes to the wall clock. SleepMilliseconds never returns early, signals or not.
// Where it bites: the count wraps to 0 after about 49.7 days, as the desktop's tick count
// does, so compare two readings by unsigned difference, never by `<`. Its zero is the host's
// monotonic clock's zero (usually boot), not the start of the player.
#pragma once

#include <cstdint>

namespace stagehand::host {

// Milliseconds of the host's steady clock, truncated to 32 bits.
uint32_t MonotonicMilliseconds();

// Suspends the calling thread for at least milliseconds; 0 only gives up the time slice.
// A signal that interrupts the sleep does not shorten it.
void SleepMilliseconds(uint32_t milliseconds);

}  // namespace stagehand::host
