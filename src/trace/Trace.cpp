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

void QueueRun(std::string_view queue, std::string_view by) {
    if (!detail::on) {
        return;
    }
    std::string line(queue);
    line += ", run by ";
    line += by;
    Write(Entry::kQueue, line);
}

void MessageRun(std::string_view queue, uint32_t number, std::string_view text) {
    if (!detail::on) {
        return;
    }
    std::string line(queue);
    line += ' ';
    line += std::to_string(number);
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

Sink LineWriter(std::ostream& out, WriteFailure onFailure) {
    auto reported = std::make_shared<bool>(false);
    return [&out, onFailure = std::move(onFailure), reported](Entry entry, std::string_view text) {
        // The error texts end in line breaks of their own; the line ends here instead.
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.remove_suffix(1);
        }
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
        line += '\n';
        if (*reported) {
            return;  // the stream failed before, and that was said
        }
        errno = 0;
        out << line;
        out.flush();
        if (!out.good()) {
            *reported = true;
            if (onFailure) {
                const int error = errno;
                onFailure(error ? std::generic_category().message(error) : "the write failed");
            }
        }
    };
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
