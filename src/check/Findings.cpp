#include "check/Findings.h"

#include <algorithm>
#include <ostream>
#include <tuple>

namespace stagehand::check {

void Findings::Add(int rank, std::string_view file, uint32_t line, std::string_view section,
                   std::string_view key, std::string_view text) {
    std::string listed(file);
    if (line != 0) {
        listed += ':' + std::to_string(line);
    }
    listed += ": ";
    if (line != 0) {
        listed += '[';
        listed += section;
        listed += ']';
        if (!key.empty()) {
            listed += ' ';
            listed += key;
        }
        listed += ": ";
    }
    // A fault is one line, whatever the title's texts hold.
    for (const char c : text) {
        listed += c == '\n' || c == '\r' ? ' ' : c;
    }
    if (faults_.size() < kMaxListed) {
        if (!seen_.insert(listed).second) {
            return;  // listed already
        }
        faults_.push_back({rank, line, faults_.size(), std::move(listed)});
    }
    ++count_;
}

void Findings::Print(std::ostream& out, std::string_view title) const {
    if (faults_.empty()) {
        out << title << ": no faults found\n";
        return;
    }
    // The files are named as the title has them: the title itself is named once, above them.
    out << "The title in " << title << ":\n";
    std::vector<const Fault*> sorted;
    sorted.reserve(faults_.size());
    for (const Fault& fault : faults_) {
        sorted.push_back(&fault);
    }
    std::sort(sorted.begin(), sorted.end(), [](const Fault* a, const Fault* b) {
        return std::tie(a->rank, a->line, a->order) < std::tie(b->rank, b->line, b->order);
    });
    for (const Fault* fault : sorted) {
        out << fault->text << '\n';
    }
    if (count_ > faults_.size()) {
        out << "... and " << count_ - faults_.size() << " more faults not listed\n";
    }
    out << count_ << (count_ == 1 ? " fault found\n" : " faults found\n");
}

}  // namespace stagehand::check
