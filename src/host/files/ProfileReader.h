// The profile (INI) reads titles make: one key, or a whole section, with the desktop's
// counts and truncation, from files named by title names and kept parsed in a cache.
//
// Guarantees: each file is parsed once and re-checked with one stat per read (size,
// modification and change times in nanoseconds, inode, device), so an edited file is seen
// at the next read. At most kMaxCachedFiles stay parsed (least recently used leaves). A
// file over kMaxFileBytes, or one that cannot be read, is reported to the error sink once
// per change of the file and then treated as missing; a missing file is not reported.
// Where it bites: a bare file name (no folder part, no drive) is looked for in the
// desktop's system folder, which the player does not have, so it is never found; callers
// pass full names (`C:\msg.mii`). Cache entries are keyed by the name as written, so two
// spellings of one file are parsed twice. Not thread-safe: one logic thread owns a reader.
// The TitlePaths must outlive the reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/files/ProfileFile.h"
#include "host/files/TitlePaths.h"

namespace stagehand::host {

class ProfileReader {
  public:
    static constexpr uint64_t kMaxFileBytes = uint64_t{64} << 20;
    static constexpr size_t kMaxCachedFiles = 32;

    explicit ProfileReader(const TitlePaths& paths);

    // One key. Copies at most bufferSize-1 characters of the value (one pair of matching
    // outer quotes removed) into out and returns how many. A missing file, section or key
    // gives defaultValue without trailing blanks, under the same rule.
    uint32_t ReadString(std::string_view file, std::string_view section, std::string_view key,
                        std::string_view defaultValue, std::string& out, uint32_t bufferSize);

    // Whole section: every line followed by '\0'; returns the count without the final extra
    // terminator. When the text and that terminator do not fit, out holds the first
    // bufferSize-2 characters. A missing file or section gives 0.
    uint32_t ReadSection(std::string_view file, std::string_view section, std::string& out,
                         uint32_t bufferSize);

    // Receives the faults worth a line in the trace (refused or unreadable files).
    void SetErrorSink(std::function<void(const std::string&)> sink);

    // The same count rules against an already parsed file; nullptr is a missing file.
    static uint32_t ReadStringFrom(const ProfileFile* file, std::string_view section,
                                   std::string_view key, std::string_view defaultValue,
                                   std::string& out, uint32_t bufferSize);
    static uint32_t ReadSectionFrom(const ProfileFile* file, std::string_view section,
                                    std::string& out, uint32_t bufferSize);

    size_t CachedFileCount() const { return cache_.size(); }

    // What one stat says about a file; any difference means the file changed.
    struct FileStamp {
        uint64_t size = 0;
        int64_t modifiedNs = 0;
        int64_t changedNs = 0;
        uint64_t inode = 0;
        uint64_t device = 0;
        bool operator==(const FileStamp&) const = default;
    };

  private:
    struct CacheEntry {
        std::string titleName;
        std::filesystem::path hostPath;
        FileStamp stamp;
        std::unique_ptr<const ProfileFile> file;  // nullptr: refused or unreadable
        uint64_t lastUse = 0;
    };

    // The parsed file a title name refers to, or nullptr when it is missing or refused.
    const ProfileFile* Find(std::string_view titleName);
    // Reads and parses entry.hostPath, reporting a refusal; stamp is the stat just made.
    void Load(CacheEntry& entry, const FileStamp& stamp);
    void Report(const std::string& message) const;

    const TitlePaths& paths_;
    std::vector<CacheEntry> cache_;
    uint64_t useClock_ = 0;
    std::function<void(const std::string&)> sink_;
};

}  // namespace stagehand::host
