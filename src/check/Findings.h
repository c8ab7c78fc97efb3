// Findings: the faults the checker found in a title, listed one a line in file and line order.
//
// A fault reads `FILE:LINE: [SECTION] KEY: TEXT`; without a key `FILE:LINE: [SECTION]: TEXT`,
// and one about a whole file `FILE: TEXT`. The same line is listed once.
// Guarantees: at most kMaxListed faults are kept and listed, however many are found; the
// count covers them all.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace stagehand::check {

class Findings {
  public:
    static constexpr size_t kMaxListed = 10'000;

    // `rank` orders the files (the role file before the queue file); line 0 is the whole file.
    void Add(int rank, std::string_view file, uint32_t line, std::string_view section,
             std::string_view key, std::string_view text);

    size_t Count() const { return count_; }

    // A line naming `title`, the faults, then a last line with their count; or one line
    // saying `title` is clean.
    void Print(std::ostream& out, std::string_view title) const;

  private:
    struct Fault {
        int rank = 0;
        uint32_t line = 0;
        size_t order = 0;
        std::string text;  // the whole line as listed
    };
    std::vector<Fault> faults_;
    std::unordered_set<std::string> seen_;
    size_t count_ = 0;
};

}  // namespace stagehand::check
