// One parsed profile (INI) file, read by the desktop's profile rules that titles were
// written against: lines end at LF, CRLF or a lone CR and at a NUL; lines are trimmed and
// blank ones dropped; `Key = Value` is stored as `Key=Value`; a header is `[name]` with
// anything after the first `]` ignored; sections and keys match case-blind in 1252; the
// first of two equal sections or keys wins; comments and key-less lines are kept as lines.
// Each kept line remembers its number in the file, for the trace to name where a value stood.
//
// Guarantees: any bytes parse (nothing throws but allocation); storage is flat (one text
// buffer, 32-bit offsets, open-addressing indexes, buffers cut to size), so memory stays
// within a small multiple of the input (about 2x for a roles file, more for a file of
// nothing but tiny distinct sections, at most about 8x), and a parse allocates what it keeps
// once (lines and sections are counted first), so it peaks at that plus the input; sections are
// found by hash, keys by hash in
// sections of more than 16 lines and line by line in smaller ones, and a section's whole
// text is a view, ready to copy.
// Where it bites: lines before the first header and every later section with an already
// seen name are dropped at parse time; lines hold no NUL, so C-string readers see them
// whole. Values are stored as written (quotes kept): unquoting is the reader's job. Only
// the first kMaxParsedBytes of an input are parsed. Sections point into their file: they
// live as long as the ProfileFile (moving the file keeps them valid), and only in its array
// (a section copied out of it is not one).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace stagehand::host {

struct ProfileStorage;

// `text` without the blanks (space, tab, vertical tab, form feed) a profile line, name or value
// is trimmed of at either end.
std::string_view TrimProfileBlanks(std::string_view text);

class ProfileSection {
  public:
    // The name as the header wrote it (trimmed).
    std::string_view Name() const;

    // Every line, in order, each followed by '\0'.
    std::string_view Text() const;

    size_t LineCount() const { return lineCount_; }
    // One line (empty for an index out of range).
    std::string_view Line(size_t index) const;
    // The key of a line, or nullopt for comments, lines without '=' and bad indexes.
    std::optional<std::string_view> LineKey(size_t index) const;

    // The value of the first line whose key matches case-blind, or nullopt; `number`, when
    // given, receives that line's number in the file (from 1).
    std::optional<std::string_view> FindValue(std::string_view key,
                                              uint32_t* number = nullptr) const;

  private:
    friend class ProfileFile;
    friend struct ProfileStorage;

    // Which section it is comes from its place in the storage's array.
    uint32_t Index() const;

    const ProfileStorage* storage_ = nullptr;
    uint32_t nameOffset_ = 0;
    uint32_t nameLength_ = 0;
    uint32_t firstLine_ = 0;
    uint32_t lineCount_ = 0;
};

class ProfileFile {
  public:
    static constexpr size_t kMaxParsedBytes = 0xFFFF'0000;

    static ProfileFile Parse(std::string_view bytes);

    ProfileFile(ProfileFile&&) noexcept;
    ProfileFile& operator=(ProfileFile&&) noexcept;
    ~ProfileFile();

    // The first section with that name (case-blind), or nullptr.
    const ProfileSection* FindSection(std::string_view name) const;

    // The bytes the parsed file holds in memory.
    size_t MemoryBytes() const;

    // The reachable sections in file order (duplicates already dropped).
    const std::vector<ProfileSection>& Sections() const;

  private:
    ProfileFile();

    std::unique_ptr<ProfileStorage> storage_;
};

}  // namespace stagehand::host
