// TitleFile: one of the title's profile files as numbered lines, so that a fault can be shown
// on the line it stands on. Lines are split, trimmed and grouped into sections by the profile
// reader's own rules (see host::ProfileFile): the first section of a name (case-blind) is the
// one the player reads; lines before the first header and in later sections of a seen name
// belong to no section.
//
// Guarantees: the file is read once, whole, and refused past ProfileReader::kMaxFileBytes,
// as the player refuses it; at most kMaxLines lines and kMaxSections sections are indexed
// (Truncated() says when more were left out), so memory stays a small multiple of the file.
// Indexing looks at each byte once (ScannedBytes() counts them).
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/Result.h"
#include "host/files/File.h"

namespace stagehand::check {

class TitleFile {
  public:
    static constexpr size_t kMaxLines = 4'000'000;
    static constexpr size_t kMaxSections = 200'000;

    struct Line {
        uint32_t number = 0;  // 1-based line number in the file
        uint32_t offset = 0;  // the trimmed line in the file's bytes
        uint32_t length = 0;
        uint32_t equals = kNoEquals;  // offset of the first '=' in the line
    };
    static constexpr uint32_t kNoEquals = UINT32_MAX;

    struct Section {
        std::string_view name;  // trimmed, as the header wrote it
        uint32_t line = 0;      // the header's line number
        uint32_t firstLine = 0;
        uint32_t lineCount = 0;
    };

    TitleFile() = default;
    // Sections and lines point into the file's bytes: the index stays where it was made.
    TitleFile(const TitleFile&) = delete;
    TitleFile& operator=(const TitleFile&) = delete;

    // Reads and indexes the file, or says why (a sentence part) it is missing, refused or
    // unreadable.
    base::Result<void> Load(host::InputFile file);

    const std::vector<Section>& Sections() const { return sections_; }
    std::span<const Line> LinesOf(const Section& section) const;
    // The first section of that name, case-blind; nullptr when there is none.
    const Section* Find(std::string_view name) const;
    bool Truncated() const { return truncated_; }
    // The bytes indexing looked at: the file's size, however its lines fall.
    size_t ScannedBytes() const { return scanned_; }

    std::string_view Text(const Line& line) const;
    // The trimmed text before the first '=' ("" for a line without one).
    std::string_view Key(const Line& line) const;
    bool IsComment(const Line& line) const { return Text(line).starts_with(';'); }

  private:
    void Index();

    std::string bytes_;
    std::vector<Line> lines_;
    std::vector<Section> sections_;
    std::unordered_map<std::string, uint32_t> byName_;  // folded name to section index
    bool truncated_ = false;
    size_t scanned_ = 0;
};

}  // namespace stagehand::check
