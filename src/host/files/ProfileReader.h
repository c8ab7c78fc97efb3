// The profile (INI) reads titles make: one key, or a whole section, with the desktop's
// counts and truncation, from files named by title names and kept parsed in a cache.
//
// Guarantees: each file is parsed once, and a change finished before a read is seen by
// that read. Changes arrive as events: every folder from the title folder down to the
// file, and the file itself (links followed), are watched, so a read of a file nobody
// touched costs one epoll_wait instead of a stat. An event that may concern a cached
// file (the file written or its attributes changed, its name or a folder name on its
// way created, deleted or renamed, a watched folder itself moved or deleted, events
// lost) makes the next read of it stat it (size, modification and change times in
// nanoseconds, inode, device) and re-read it when that differs; an event of a write
// re-reads it even when the stat looks the same (two writes within one tick of the file
// clock). Where a file cannot be watched (no inotify, the watch limit reached, more than
// kMaxWatchedDepth folders deep, or on a network, cluster, FUSE or host-shared
// filesystem whose changes may come from elsewhere) it gets that stat on every read
// instead. At most kMaxCachedFiles names stay cached and at most kMaxCachedBytes parsed
// (least recently used leaves); names that lead to one file (same device, inode, size and
// times) share one parsed copy, so spellings of a name cost a parse only once. The newest
// parse that alone is over kMaxCachedBytes is kept besides, outside that budget, for as
// long as no other such file is parsed: a file too large for the budget is not parsed again
// at each read between reads of other files (memory stays within the budget and one parse). A file
// over kMaxFileBytes, or one that cannot be read, is reported to the error sink once per change of
// the file and then treated as missing; a missing file is not reported, and is looked for again on
// every read. Where it bites: a bare file name (no folder part, no drive) is looked for in the
// desktop's system folder, which the player does not have, so it is never found; callers
// pass full names (`C:\msg.mii`). Cache entries are keyed by the name as written and share
// the parsed file: each spelling costs its own watches and a cache place. A cached file keeps the
// host entry it was found under while that entry exists, even when another one would now match the
// name case-blind. Some changes make no event, and a watched file does not see them until an event
// next concerns it: a folder above the title folder moved or re-pointed, a link outside the title
// folder re-pointed, a filesystem mounted over one of its folders, writes through a shared memory
// mapping. Not thread-safe: one logic thread owns a reader. The TitlePaths must outlive the reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/files/ChangeWatch.h"
#include "host/files/File.h"
#include "host/files/ProfileFile.h"
#include "host/files/TitlePaths.h"

namespace stagehand::host {

class ProfileReader {
  public:
    static constexpr uint64_t kMaxFileBytes = uint64_t{64} << 20;
    static constexpr size_t kMaxCachedFiles = 32;
    // Parsed bytes the cache keeps across its files; the file just read is kept even when it
    // alone is over this, until the next read of another file.
    static constexpr size_t kMaxCachedBytes = size_t{256} << 20;
    // Folders below the title folder a cached file may lie in and still be watched.
    static constexpr size_t kMaxWatchedDepth = 16;

    // maxCachedBytes replaces kMaxCachedBytes (tests use a small one).
    explicit ProfileReader(const TitlePaths& paths, size_t maxCachedBytes = kMaxCachedBytes);

    // One key. Copies at most bufferSize-1 characters of the value (one pair of matching
    // outer quotes removed) into out and returns how many. A missing file, section or key
    // gives defaultValue without trailing blanks, under the same rule. `line`, when given,
    // receives the number of the key's line in the file, or 0 when the default was used.
    uint32_t ReadString(std::string_view file, std::string_view section, std::string_view key,
                        std::string_view defaultValue, std::string& out, uint32_t bufferSize,
                        uint32_t* line = nullptr);

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
                                   std::string& out, uint32_t bufferSize, uint32_t* line = nullptr);
    static uint32_t ReadSectionFrom(const ProfileFile* file, std::string_view section,
                                    std::string& out, uint32_t bufferSize);

    size_t CachedFileCount() const { return cache_.size(); }
    // Bytes held by the parsed files the cache keeps within its budget, each counted once
    // (the parse kept over the budget is not counted).
    size_t CachedBytes() const;
    // How many times a file was parsed.
    size_t ParseCount() const { return parses_; }
    // Cached files whose changes arrive as events; the others are checked with a stat.
    size_t WatchedFileCount() const;

    using FileStamp = host::FileStamp;

  private:
    // One watch a cached file depends on: a folder on its way, or the file itself.
    struct WatchLink {
        int watch = -1;
        std::string child;  // the folder's entry on the way to the file; empty for the file
    };

    struct CacheEntry {
        std::string titleName;
        std::filesystem::path hostPath;
        FileStamp stamp;
        std::shared_ptr<const ProfileFile> file;  // nullptr: refused or unreadable
        uint64_t lastUse = 0;
        std::vector<WatchLink> links;
        bool viaLink = false;   // reached through a link: looked up again at every read
        bool watched = false;   // every link is in place, so changes arrive as events
        bool verified = false;  // watched, and no event since the last look at the file
        bool written = false;   // an event says the file was written: read it again
    };

    // The parsed file a title name refers to, or nullptr when it is missing or refused.
    const ProfileFile* Find(std::string_view titleName);
    // Looks at a cached file again after an event, or on every read when unwatched: stats
    // it, finds it again under another case when it is gone, and re-reads it when it
    // changed. False when it is missing now.
    bool Recheck(CacheEntry& entry);
    // Watches the folders from the title folder down to entry.hostPath and the file itself,
    // before the file is looked at, so that any later change is an event.
    void PlaceWatches(CacheEntry& entry);
    void DropWatches(CacheEntry& entry);
    // Clears the verified flag of every cached file a change may concern.
    void Apply(const ChangeWatch::Change& change);
    // Reads and parses entry.hostPath, reporting a refusal; stamp is the stat just made.
    void Load(CacheEntry& entry, const FileStamp& stamp);
    void Report(const std::string& message) const;
    // Leaves out the least recently used files while the cache holds more than
    // kMaxCachedFiles names or kMaxCachedBytes parsed; the file used last stays.
    void Trim();

    const TitlePaths& paths_;
    size_t maxCachedBytes_;
    // The newest parse over the budget on its own, and the stamp of the file it was read from.
    std::shared_ptr<const ProfileFile> oversized_;
    FileStamp oversizedStamp_;
    size_t parses_ = 0;
    ChangeWatch watch_;
    std::vector<CacheEntry> cache_;
    uint64_t useClock_ = 0;
    std::function<void(const std::string&)> sink_;
};

}  // namespace stagehand::host
