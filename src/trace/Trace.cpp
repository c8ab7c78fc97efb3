#include "trace/Trace.h"

#include <cerrno>
#include <memory>
#include <ostream>
#include <string>
#include <system_error>
#include <utility>

namespace stagehand::trace {

namespace detail {
bool on = false;
}

namespace {

Sink& CurrentSink() {
    static Sink sink;
    return sink;
}

Sources& CurrentSources() {
    static Sources sources;
    return sources;
}

// The time the clock last gave, kept for the lines written after it has gone.
uint64_t lastTime = 0;

}  // namespace

std::string_view EntryName(Entry entry) {
    switch (entry) {
        case Entry::kQueue:
            return "queue";
        case Entry::kMessage:
            return "message";
        case Entry::kFault:
            return "fault";
    }
    return "trace";
}

void SetSink(Sink sink) {
    CurrentSink() = std::move(sink);
    detail::on = static_cast<bool>(CurrentSink());
}

void Write(Entry entry, std::string_view text) {
    if (detail::on) {
        CurrentSink()(entry, text);
    }
}

void SetSources(Sources sources) {
    CurrentSources() = std::move(sources);
}

uint64_t Now() {
    if (const auto& clock = CurrentSources().clock) {
        lastTime = clock();
    }
    return lastTime;
}

void QueueRun(std::string_view queue, std::string_view by, bool outermost) {
    if (!detail::on) {
        return;
    }
    std::string line(queue);
    line += ", run by ";
    line += by;
    if (const auto& input = CurrentSources().input; outermost && input) {
        if (const std::string cause = input(); !cause.empty()) {
            line += ", on ";
            line += cause;
        }
    }
    Write(Entry::kQueue, line);
}

void MessageRun(std::string_view queue, uint32_t number, std::string_view text, Place place) {
    if (!detail::on) {
        return;
    }
    std::string line(queue);
    line += ' ';
    line += std::to_string(number);
    if (!place.file.empty()) {
        line += " (";
        line += place.file;
        line += ':';
        line += std::to_string(place.line);
        line += ')';
    }
    line += ": ";
    line += text;
    Write(Entry::kMessage, line);
}

void Fault(std::string_view text) {
    Write(Entry::kFault, text);
}

void Fault(std::string_view pattern, std::initializer_list<FormatArg> args) {
    if (detail::on) {
        Write(Entry::kFault, FormatText(pattern, args));
    }
}

namespace {

// What one LineWriter keeps between entries: the stream's state and the run of equal lines.
class LineWriterState {
  public:
    LineWriterState(std::ostream& out, WriteFailure onFailure)
        : out_(out), onFailure_(std::move(onFailure)) {}
    // A run still being counted is told when the trace ends.
    ~LineWriterState() { EndRun(); }
    LineWriterState(const LineWriterState&) = delete;
    LineWriterState& operator=(const LineWriterState&) = delete;

    void Write(Entry entry, std::string_view text) {
        std::string line = Line(entry, text);
        if (line == last_) {
            if (++equal_ > kEqualLinesShown) {
                return;  // counted, told when the run ends
            }
        } else {
            EndRun();
            last_ = line;
            lastEntry_ = entry;
            equal_ = 1;
        }
        Put(line);
    }

    // "[  1234] ": the time right-aligned in kTimeWidth digits, or in as many as it needs.
    static std::string TimePrefix() {
        const std::string digits = std::to_string(Now());
        std::string prefix = "[";
        if (digits.size() < static_cast<size_t>(kTimeWidth)) {
            prefix.append(static_cast<size_t>(kTimeWidth) - digits.size(), ' ');
        }
        prefix += digits;
        prefix += "] ";
        return prefix;
    }

  private:
    static std::string Line(Entry entry, std::string_view text) {
        // The error texts end in line breaks of their own; the line ends here instead.
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.remove_suffix(1);
        }
        const size_t cut = text.size() > kMaxLineCharacters ? text.size() - kMaxLineCharacters : 0;
        text.remove_suffix(cut);
        std::string line(EntryName(entry));
        line += ' ';
        size_t start = 0;
        while (true) {
            const size_t end = text.find('\n', start);
            std::string_view piece = text.substr(start, end - start);
            if (end != std::string_view::npos && !piece.empty() && piece.back() == '\r') {
                piece.remove_suffix(1);  // CR LF is one line break
            }
            AppendReadable(line, piece);
            if (end == std::string_view::npos) {
                break;
            }
            line += "\n\t";
            start = end + 1;
        }
        if (cut != 0) {
            line += "... (" + std::to_string(cut) + " more characters)";
        }
        line += '\n';
        return line;
    }

    // Tells how many equal lines were left out after the last one written.
    void EndRun() {
        if (equal_ > kEqualLinesShown) {
            Put(std::string(EntryName(lastEntry_)) + " (the last line came " +
                std::to_string(equal_ - kEqualLinesShown) + " more times)\n");
        }
        equal_ = 0;
        last_.clear();
    }

    // Writes one line (its continuations with it) behind the time it is written at.
    void Put(const std::string& line) {
        if (failed_) {
            return;  // the stream failed before, and that was said
        }
        errno = 0;
        out_ << TimePrefix() << line;
        out_.flush();
        if (!out_.good()) {
            failed_ = true;
            if (onFailure_) {
                const int error = errno;
                onFailure_(error ? std::generic_category().message(error) : "the write failed");
            }
        }
    }

    std::ostream& out_;
    WriteFailure onFailure_;
    bool failed_ = false;
    std::string last_;
    Entry lastEntry_ = Entry::kFault;
    uint64_t equal_ = 0;
};

}  // namespace

Sink LineWriter(std::ostream& out, WriteFailure onFailure) {
    auto state = std::make_shared<LineWriterState>(out, std::move(onFailure));
    return [state](Entry entry, std::string_view text) { state->Write(entry, text); };
}

base::FaultSink& Faults() {
    class TraceFaults final : public base::FaultSink {
      public:
        void Fault(std::string_view text) override { trace::Fault(text); }
    };
    static TraceFaults faults;
    return faults;
}

ScopedSink::ScopedSink(Sink sink) : previous_(std::move(CurrentSink())) {
    SetSink(std::move(sink));
}

ScopedSink::~ScopedSink() {
    SetSink(std::move(previous_));
}

}  // namespace stagehand::trace
