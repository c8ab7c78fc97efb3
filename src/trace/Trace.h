// The trace: what the player did and what it passed over, for the person debugging a title.
//
// Every layer writes to it: each queue run (its name and on whose behalf), each message as
// expanded, and each fault the player otherwise lets pass in silence (a malformed message, a
// target that is not loaded, an unknown command, a failed tag expansion, an unreadable role,
// a content file that cannot be used), in the player's own error texts.
//
// Guarantees: off unless a sink is set, and then nothing is built: callers test IsOn()
// before they format a line, so a title runs at full speed without it.
// Where it bites: one process-wide sink, used from the logic thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "base/FaultSink.h"
#include "base/Format.h"
#include "base/Readable.h"

namespace stagehand::trace {

enum class Entry {
    kQueue,    // a queue run begins
    kMessage,  // one message, after tag expansion
    kFault,    // something the player passed over
};

using Sink = std::function<void(Entry entry, std::string_view text)>;

namespace detail {
extern bool on;
}

inline bool IsOn() {
    return detail::on;
}

// An empty sink turns the trace off.
void SetSink(Sink sink);

void Write(Entry entry, std::string_view text);

// "queue Door|Click, run by Door"
void QueueRun(std::string_view queue, std::string_view by);
// "message Door|Click 2: Director.Load(Scene2)"
void MessageRun(std::string_view queue, uint32_t number, std::string_view text);
void Fault(std::string_view text);
// A fault in one of the player's message templates, filled only when the trace is on.
void Fault(std::string_view pattern, std::initializer_list<FormatArg> args);

// The word an entry kind is written with: "queue", "message" or "fault".
std::string_view EntryName(Entry entry);

// Told once, with the system's reason, when the stream a LineWriter writes to first fails.
using WriteFailure = std::function<void(std::string_view reason)>;

// A sink that writes one entry a line, its kind first, in readable form (see base/Readable.h); a
// multi-line text (the player's error texts hold line breaks, CR LF or LF) goes on indented
// continuation lines. Each line is flushed; when a write fails the trace goes on without
// that stream and `onFailure`, if given, hears of it once.
// Guarantees: what one dispatch writes stays bounded however much it runs: an entry's text
// is cut after kMaxLineCharacters (the line says how many more there were), and after
// kEqualLinesShown equal lines in a row the next equal ones are only counted, then told in
// one line ("message (the last line came 199990 more times)") when another line comes or the
// writer goes.
inline constexpr size_t kMaxLineCharacters = 1000;
inline constexpr uint64_t kEqualLinesShown = 8;
Sink LineWriter(std::ostream& out, WriteFailure onFailure = {});

// The trace as the host layer's fault sink: each fault it is told is a trace fault line.
base::FaultSink& Faults();

// Sets a sink for a scope and restores the previous one afterwards.
class ScopedSink {
  public:
    explicit ScopedSink(Sink sink);
    ~ScopedSink();
    ScopedSink(const ScopedSink&) = delete;
    ScopedSink& operator=(const ScopedSink&) = delete;

  private:
    Sink previous_;
};

}  // namespace stagehand::trace
