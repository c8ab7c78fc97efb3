// The trace: what the player did and what it passed over, for the person debugging a title.
//
// Every layer writes to it: each queue run (its name, on whose behalf, and the user's input
// that started it), each message as expanded (with its line in the queue file), and each
// fault the player otherwise lets pass in silence (a malformed message, a target that is not
// loaded, an unknown command, a failed tag expansion, an unreadable role, a content file that
// cannot be used), in the player's own error texts. A LineWriter begins each line with the
// time of the play it was written at.
//
// The trace reaches nothing itself: the application lends it its sources (the play's clock
// and the input being handled) as functions, the way it lends the sink.
//
// Guarantees: off unless a sink is set, and then nothing is built: callers test IsOn()
// before they format a line, and the sources are asked only for lines that are written, so
// a title runs at full speed without it.
// Where it bites: one process-wide sink and one set of sources, used from the logic thread
// only.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>

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

// What the trace asks the application while it writes. Either may be empty.
struct Sources {
    // Milliseconds since the play started.
    std::function<uint64_t()> clock;
    // The user's input being handled, in the trace's words ("click 120,88", "key F1"); empty
    // when no input is.
    std::function<std::string()> input;
};

// Empty sources leave the time where the last clock left it, and name no input.
void SetSources(Sources sources);
// The clock's time, or the last time it gave once it is gone (0 before any).
uint64_t Now();

// "queue Door|Click, run by Door"; a run no other queue started (`outermost`) adds the input
// that started it: "queue Door|Click, run by Door, on click 120,88".
void QueueRun(std::string_view queue, std::string_view by, bool outermost = false);

// Where a message stands in the title's files; no file is a message from elsewhere.
struct Place {
    std::string_view file;
    uint32_t line = 0;
};
// "message Door|Click 2 (msg.mii:14): Director.Load(Scene2)"; "message input 19: ..." for a
// place without a file.
void MessageRun(std::string_view queue, uint32_t number, std::string_view text, Place place = {});
void Fault(std::string_view text);
// A fault in one of the player's message templates, filled only when the trace is on.
void Fault(std::string_view pattern, std::initializer_list<FormatArg> args);

// The word an entry kind is written with: "queue", "message" or "fault".
std::string_view EntryName(Entry entry);

// Told once, with the system's reason, when the stream a LineWriter writes to first fails.
using WriteFailure = std::function<void(std::string_view reason)>;

// A sink that writes one entry a line, the time first as "[  1234] " (Now(), right-aligned in
// kTimeWidth digits, wider when it needs more), then its kind, in readable form (see
// base/Readable.h); a multi-line text (the player's error texts hold line breaks, CR LF or LF) goes
// on indented continuation lines. Each line is flushed; when a write fails the trace goes on
// without that stream and `onFailure`, if given, hears of it once. Guarantees: what one dispatch
// writes stays bounded however much it runs: an entry's text is cut after kMaxLineCharacters (the
// line says how many more there were), and after kEqualLinesShown equal lines in a row the next
// equal ones are only counted, then told in one line ("message (the last line came 199990 more
// times)") when another line comes or the writer goes. Lines that differ only in their time are
// equal.
inline constexpr size_t kMaxLineCharacters = 1000;
inline constexpr uint64_t kEqualLinesShown = 8;
inline constexpr int kTimeWidth = 6;
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

// Sets the sources for a scope and takes them away afterwards.
class ScopedSources {
  public:
    explicit ScopedSources(Sources sources) { SetSources(std::move(sources)); }
    ~ScopedSources() { SetSources({}); }
    ScopedSources(const ScopedSources&) = delete;
    ScopedSources& operator=(const ScopedSources&) = delete;
};

}  // namespace stagehand::trace
