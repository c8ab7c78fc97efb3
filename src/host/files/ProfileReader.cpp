#include "host/files/ProfileReader.h"

#include <sys/inotify.h>
#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "host/files/File.h"
#include "host/files/TextEncoding.h"

namespace stagehand::host {
namespace fs = std::filesystem;

namespace {

std::string_view CutAtNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == '"' || value.front() == '\'')) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string_view TrimTrailingBlanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

// The stamp of a file the resolver handed out, read through a descriptor of the file
// itself (never through a link); false when nothing is there.
bool StatPath(const TitlePaths& paths, const fs::path& path, ProfileReader::FileStamp& stamp) {
    const InputFile file = paths.Open(path);
    if (!file.HasStamp()) {
        return false;
    }
    stamp = file.Stamp();
    return true;
}

}  // namespace

ProfileReader::ProfileReader(const TitlePaths& paths, size_t maxCachedBytes)
    : paths_(paths), maxCachedBytes_(maxCachedBytes) {}

void ProfileReader::SetErrorSink(std::function<void(const std::string&)> sink) {
    sink_ = std::move(sink);
}

void ProfileReader::Report(const std::string& message) const {
    if (sink_) {
        sink_(message);
    }
}

uint32_t ProfileReader::ReadStringFrom(const ProfileFile* file, std::string_view section,
                                       std::string_view key, std::string_view defaultValue,
                                       std::string& out, uint32_t bufferSize, uint32_t* line) {
    out.clear();
    if (line != nullptr) {
        *line = 0;
    }
    if (bufferSize == 0) {
        return 0;
    }
    const ProfileSection* found = file ? file->FindSection(CutAtNul(section)) : nullptr;
    const std::optional<std::string_view> value =
        found ? found->FindValue(CutAtNul(key), line) : std::nullopt;
    const std::string_view text =
        value ? Unquote(*value) : TrimTrailingBlanks(CutAtNul(defaultValue));
    const size_t count = std::min<size_t>(text.size(), bufferSize - 1);
    out.assign(text.substr(0, count));
    return static_cast<uint32_t>(count);
}

uint32_t ProfileReader::ReadSectionFrom(const ProfileFile* file, std::string_view section,
                                        std::string& out, uint32_t bufferSize) {
    out.clear();
    if (bufferSize == 0) {
        return 0;
    }
    const ProfileSection* found = file ? file->FindSection(CutAtNul(section)) : nullptr;
    if (found == nullptr) {
        return 0;
    }
    const std::string_view text = found->Text();
    // The caller's buffer also takes the final extra terminator.
    if (text.size() < bufferSize) {
        out.assign(text);
        return static_cast<uint32_t>(text.size());
    }
    if (bufferSize < 2) {
        return 0;
    }
    out.assign(text.substr(0, bufferSize - 2));
    return bufferSize - 2;
}

uint32_t ProfileReader::ReadString(std::string_view file, std::string_view section,
                                   std::string_view key, std::string_view defaultValue,
                                   std::string& out, uint32_t bufferSize, uint32_t* line) {
    const ProfileFile* parsed = bufferSize == 0 ? nullptr : Find(file);
    return ReadStringFrom(parsed, section, key, defaultValue, out, bufferSize, line);
}

uint32_t ProfileReader::ReadSection(std::string_view file, std::string_view section,
                                    std::string& out, uint32_t bufferSize) {
    const ProfileFile* parsed = bufferSize == 0 ? nullptr : Find(file);
    return ReadSectionFrom(parsed, section, out, bufferSize);
}

size_t ProfileReader::WatchedFileCount() const {
    return static_cast<size_t>(
        std::count_if(cache_.begin(), cache_.end(), [](const CacheEntry& e) { return e.watched; }));
}

const ProfileFile* ProfileReader::Find(std::string_view titleName) {
    titleName = CutAtNul(titleName);
    // The desktop looks for bare names in its system folder, which the player does not have.
    if (TitlePaths::IsBareName(titleName)) {
        return nullptr;
    }
    if (watch_.Pending()) {
        watch_.Drain([this](const ChangeWatch::Change& change) { Apply(change); });
    }
    ++useClock_;
    auto cached = std::find_if(cache_.begin(), cache_.end(),
                               [&](const CacheEntry& e) { return e.titleName == titleName; });
    if (cached != cache_.end()) {
        if (!cached->verified && !Recheck(*cached)) {
            DropWatches(*cached);
            cache_.erase(cached);
            return nullptr;
        }
        cached->lastUse = useClock_;
        const ProfileFile* parsed = cached->file.get();
        Trim();
        return parsed;
    }

    FileStamp stamp;
    bool viaLink = false;
    base::Result<fs::path> host = paths_.Locate(titleName, &viaLink);
    if (!host || !StatPath(paths_, *host, stamp)) {
        return nullptr;
    }
    CacheEntry& entry = cache_.emplace_back();
    entry.titleName.assign(titleName);
    entry.hostPath = std::move(*host);
    entry.viaLink = viaLink;
    entry.lastUse = useClock_;
    PlaceWatches(entry);
    Load(entry, stamp);
    entry.verified = entry.watched;
    const ProfileFile* parsed = entry.file.get();
    Trim();
    return parsed;
}

size_t ProfileReader::CachedBytes() const {
    size_t total = 0;
    for (auto e = cache_.begin(); e != cache_.end(); ++e) {
        const bool counted =
            e->file == oversized_ || std::any_of(cache_.begin(), e, [&](const CacheEntry& before) {
                return before.file == e->file;
            });
        total += e->file && !counted ? e->file->MemoryBytes() : 0;
    }
    return total;
}

void ProfileReader::Trim() {
    while (cache_.size() > 1 &&
           (cache_.size() > kMaxCachedFiles || CachedBytes() > maxCachedBytes_)) {
        auto oldest = std::min_element(
            cache_.begin(), cache_.end(),
            [](const CacheEntry& a, const CacheEntry& b) { return a.lastUse < b.lastUse; });
        DropWatches(*oldest);
        cache_.erase(oldest);
    }
}

bool ProfileReader::Recheck(CacheEntry& entry) {
    // Watches go in before the stat: a watched folder may have been replaced, or the kernel
    // may have ended a watch, and a change after this point must still make an event.
    if (entry.watched) {
        PlaceWatches(entry);
    }
    FileStamp stamp;
    if (entry.viaLink) {
        // The watches follow the real file, not the links to it: a link pointed elsewhere
        // is only seen by looking the name up again.
        base::Result<fs::path> now = paths_.Locate(entry.titleName, &entry.viaLink);
        if (now && *now != entry.hostPath) {
            entry.hostPath = std::move(*now);
            entry.stamp = {};
            entry.file.reset();
        } else if (!now) {
            return false;
        }
    }
    if (!StatPath(paths_, entry.hostPath, stamp)) {
        // Renamed or recreated under another case: look the name up once more.
        std::optional<fs::path> again = paths_.Resolve(entry.titleName);
        if (!again || !StatPath(paths_, *again, stamp)) {
            return false;
        }
        entry.hostPath = std::move(*again);
        entry.stamp = {};
        entry.file.reset();
        PlaceWatches(entry);
        Load(entry, stamp);
    } else if (entry.written || stamp != entry.stamp) {
        if (!entry.watched) {
            PlaceWatches(entry);
        }
        Load(entry, stamp);
    }
    entry.written = false;
    entry.verified = entry.watched;
    return true;
}

void ProfileReader::PlaceWatches(CacheEntry& entry) {
    // The host path is the title folder joined with one host entry per part of the name;
    // the title folder itself (`C:\`) has no parts and is watched as the file.
    const fs::path relative = entry.hostPath.lexically_relative(paths_.Root());
    std::vector<std::string> parts;
    bool complete = !entry.viaLink && watch_.Available() && !relative.empty();
    if (complete && relative != ".") {
        for (const fs::path& part : relative) {
            if (part.empty() || part == "." || part == ".." || parts.size() > kMaxWatchedDepth) {
                complete = false;
                break;
            }
            parts.push_back(part.native());
        }
    }
    std::vector<WatchLink> links;
    if (complete) {
        fs::path folder = paths_.Root();
        for (std::string& part : parts) {
            const int watch = watch_.Add(folder, true);
            if (watch < 0) {
                complete = false;
                break;
            }
            folder /= part;
            links.push_back({watch, std::move(part)});
        }
    }
    if (complete) {
        const int watch = watch_.Add(entry.hostPath, false);
        complete = watch >= 0;
        if (complete) {
            links.push_back({watch, std::string()});
        }
    }
    if (!complete) {
        for (const WatchLink& link : links) {
            watch_.Remove(link.watch);
        }
        links.clear();
    }
    // The old links go after the new ones are in, so a watch both share is kept, not
    // ended and placed again.
    DropWatches(entry);
    entry.links = std::move(links);
    entry.watched = complete;
}

void ProfileReader::DropWatches(CacheEntry& entry) {
    for (const WatchLink& link : entry.links) {
        watch_.Remove(link.watch);
    }
    entry.links.clear();
    entry.watched = false;
    entry.verified = false;
}

void ProfileReader::Apply(const ChangeWatch::Change& change) {
    if (change.watch == ChangeWatch::kEverything) {
        for (CacheEntry& entry : cache_) {
            entry.verified = false;
        }
        return;
    }
    // A change names an entry of a watched folder, or (no name) the watched object itself:
    // the file, or a folder on the way that was moved, deleted or changed.
    const bool written = (change.mask & (IN_MODIFY | IN_CLOSE_WRITE)) != 0;
    for (CacheEntry& entry : cache_) {
        for (const WatchLink& link : entry.links) {
            if (link.watch == change.watch && (change.name.empty() || change.name == link.child)) {
                entry.verified = false;
                entry.written = entry.written || written;
                break;
            }
        }
    }
}

void ProfileReader::Load(CacheEntry& entry, const FileStamp& stamp) {
    entry.file.reset();
    entry.stamp = stamp;
    for (const CacheEntry& other : cache_) {
        // Another name for the same file, parsed as it is now: share that parse.
        if (&other != &entry && other.file && other.stamp == stamp && !other.written) {
            entry.file = other.file;
            return;
        }
    }
    if (oversized_ && oversizedStamp_ == stamp && !entry.written) {
        entry.file = oversized_;
        return;
    }
    // Non-blocking open, so a FIFO placed in the title folder cannot stall the player.
    FileBytes read = paths_.Read(entry.hostPath, kMaxFileBytes);
    if (read.hasStamp) {
        entry.stamp = read.stamp;
    }
    const std::string name = "The profile file \"" + Cp1252ToUtf8(entry.titleName) + "\"";
    switch (read.fault) {
        case FileFault::kNone:
            entry.file = std::make_shared<const ProfileFile>(ProfileFile::Parse(read.bytes));
            ++parses_;
            if (entry.file->MemoryBytes() > maxCachedBytes_) {
                oversized_ = entry.file;
                oversizedStamp_ = entry.stamp;
            }
            return;
        case FileFault::kMissing:
            return;
        case FileFault::kNotAFile:
            Report(name + " is not a file and was not read.");
            return;
        case FileFault::kTooLarge:
            Report(name + " is larger than 64 MiB and was not read.");
            return;
        case FileFault::kFailed:
            Report(name + " could not be read: " + read.reason + ".");
            return;
    }
}

}  // namespace stagehand::host
