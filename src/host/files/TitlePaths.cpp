#include "host/files/TitlePaths.h"

#include <algorithm>
#include <span>
#include <system_error>
#include <vector>

#include "host/files/TextEncoding.h"
#include "host/files/TitleNames.h"

namespace stagehand::host {
namespace fs = std::filesystem;

namespace {

// An absolute, normal folder path without a trailing separator.
fs::path NormalFolder(const fs::path& folder) {
    std::error_code ec;
    fs::path absolute = fs::absolute(folder, ec);
    if (ec) {
        absolute = folder;
    }
    fs::path normal = absolute.lexically_normal();
    if (!normal.has_filename() && normal != normal.root_path()) {
        normal = normal.parent_path();
    }
    return normal;
}

// The parts of `path` below `folder`, or an empty path when it is not inside it.
fs::path InsideOf(const fs::path& path, const fs::path& folder) {
    const fs::path relative = path.lexically_relative(folder);
    if (relative.empty() || *relative.begin() == "..") {
        return {};
    }
    return relative;
}

// An on-disk name in the 1252 domain: converted when it converts exactly, else its bytes.
std::string HostNameAs1252(const std::string& hostName) {
    std::string converted;
    if (Utf8ToCp1252Exact(hostName, converted)) {
        return converted;
    }
    return hostName;
}

bool HasWildcard(std::string_view part) {
    return part.find_first_of("*?") != part.npos;
}

// Matches folded text against a folded pattern of `*` and `?`; backtracks only to the
// last star, so the cost stays proportional to pattern length times name length.
bool GlobMatch(std::string_view pattern, std::string_view text) {
    size_t p = 0;
    size_t t = 0;
    size_t starP = std::string_view::npos;
    size_t starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starT = t;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

// A last part with wildcards, matched as the desktop's file search does.
class WildcardName {
  public:
    explicit WildcardName(std::string_view pattern) {
        // A trailing dot asks for names without an extension.
        while (!pattern.empty() && pattern.back() == '.') {
            pattern.remove_suffix(1);
            noDot_ = true;
        }
        pattern_ = FoldCase1252(pattern);
        // `x.*` also matches `x`, so `*.*` matches every name.
        if (pattern_.size() >= 2 && pattern_.compare(pattern_.size() - 2, 2, ".*") == 0) {
            withoutExtension_ = pattern_.substr(0, pattern_.size() - 2);
        }
    }

    bool Empty() const { return pattern_.empty(); }

    bool Matches(std::string_view name1252) const {
        if (noDot_ && name1252.find('.') != name1252.npos) {
            return false;
        }
        const std::string folded = FoldCase1252(name1252);
        return GlobMatch(pattern_, folded) ||
               (withoutExtension_ && GlobMatch(*withoutExtension_, folded));
    }

  private:
    std::string pattern_;
    std::optional<std::string> withoutExtension_;
    bool noDot_ = false;
};

}  // namespace

TitlePaths::TitlePaths(const fs::path& titleFolder) : root_(NormalFolder(titleFolder)) {
    if (base::Result<size_t> added = roots_.Add(root_)) {
        titleRoot_ = *added;
        root_ = roots_.RealPath(*added);
    }
    disc_ = root_;
    discRoot_ = titleRoot_;
}

TitlePaths::TitlePaths(ImageFolder titleFolder) : root_(titleFolder.shownAs.lexically_normal()) {
    titleRoot_ = roots_.Add(std::move(titleFolder));
    disc_ = root_;
    discRoot_ = titleRoot_;
}

void TitlePaths::SetDiscImage(ImageFolder folder) {
    disc_ = folder.shownAs.lexically_normal();
    discRoot_ = roots_.Add(std::move(folder));
}

bool TitlePaths::IsInImage(const fs::path& hostPath) const {
    const std::optional<Place> place = roots_.PlaceOf(hostPath);
    return place && roots_.IsImage(place->root);
}

void TitlePaths::SetDiscFolder(const fs::path& folder) {
    disc_ = NormalFolder(folder);
    discRoot_.reset();
    if (base::Result<size_t> added = roots_.Add(disc_)) {
        discRoot_ = *added;
        disc_ = roots_.RealPath(*added);
    }
}

std::optional<TitlePaths::Place> TitlePaths::BaseOf(std::string_view titleName) const {
    const bool onDisc = HasDrive(titleName) && (titleName[0] | 0x20) == (DiscDrive()[0] | 0x20);
    const std::optional<size_t> root = onDisc ? discRoot_ : titleRoot_;
    if (!root) {
        return std::nullopt;
    }
    return Place{*root, {}, FolderRoots::Kind::kFolder};
}

std::optional<TitlePaths::Place> TitlePaths::MatchEntry(const Place& dir, std::string_view part,
                                                        std::string* why) const {
    const std::string exact = Cp1252ToUtf8(part);
    base::Result<Place> found = roots_.Walk(dir, std::span(&exact, 1));
    if (found) {
        return std::move(*found);
    }
    std::string refusal = found.error();
    std::optional<std::string> best;
    for (std::string& name : CaseBlindNames(dir, FoldCase1252(part))) {
        if (name != exact) {
            best = std::move(name);
            break;
        }
    }
    if (best) {
        found = roots_.Walk(dir, std::span(&*best, 1));
        if (found) {
            return std::move(*found);
        }
        refusal = found.error();
    }
    if (why != nullptr) {
        *why = std::move(refusal);
    }
    return std::nullopt;
}

const TitlePaths::FolderIndex* TitlePaths::FreshIndex(const Place& dir) const {
    const std::optional<FileStamp> stamp = roots_.FolderStamp(dir);
    if (!stamp) {
        return nullptr;
    }
    std::string joined;
    for (const std::string& part : dir.parts) {
        joined += '/';
        joined += part;
    }
    auto [at, added] = indexes_.try_emplace({dir.root, std::move(joined)});
    FolderIndex& index = at->second;
    if (added || index.stamp != *stamp) {
        // The stamp is taken before the listing: a change during it makes the next look
        // list the folder again.
        index.stamp = *stamp;
        index.byFolded.clear();
        ++folderScans_;
        for (std::string& name : roots_.List(dir, kMaxScannedEntries)) {
            index.byFolded[FoldCase1252(HostNameAs1252(name))].push_back(std::move(name));
        }
        for (auto& [key, names] : index.byFolded) {
            std::sort(names.begin(), names.end());
        }
    }
    index.lastUse = ++indexClock_;
    // The one just used is the newest, so it is never the one that goes.
    while (indexes_.size() > kMaxIndexedFolders) {
        auto oldest = std::min_element(indexes_.begin(), indexes_.end(), [](auto& a, auto& b) {
            return a.second.lastUse < b.second.lastUse;
        });
        indexes_.erase(oldest);
    }
    return &index;
}

std::vector<std::string> TitlePaths::CaseBlindNames(const Place& dir,
                                                    const std::string& folded) const {
    const std::lock_guard lock(indexMutex_);
    const FolderIndex* index = FreshIndex(dir);
    if (index == nullptr) {
        return {};
    }
    const auto found = index->byFolded.find(folded);
    return found == index->byFolded.end() ? std::vector<std::string>() : found->second;
}

std::vector<std::string> TitlePaths::NamesWhere(
    const Place& dir, const std::function<bool(std::string_view folded)>& keep) const {
    std::vector<std::string> names;
    const std::lock_guard lock(indexMutex_);
    const FolderIndex* index = FreshIndex(dir);
    if (index == nullptr) {
        return names;
    }
    for (const auto& [folded, hostNames] : index->byFolded) {
        if (keep(folded)) {
            names.insert(names.end(), hostNames.begin(), hostNames.end());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<TitlePaths::Place> TitlePaths::ResolveFolder(const Place& base,
                                                           std::string_view folderPart) const {
    Place dir = base;
    for (std::string_view part : PlainParts(folderPart)) {
        std::optional<Place> next = MatchEntry(dir, part, nullptr);
        if (!next || next->kind != FolderRoots::Kind::kFolder) {
            return std::nullopt;
        }
        dir = std::move(*next);
    }
    return dir;
}

bool TitlePaths::IsBareName(std::string_view titleName) {
    titleName = titleName.substr(0, titleName.find('\0'));
    return !HasDrive(titleName) && std::none_of(titleName.begin(), titleName.end(), IsSeparator);
}

base::Result<TitlePaths::Place> TitlePaths::LocatePlace(std::string_view titleName) const {
    titleName = titleName.substr(0, titleName.find('\0'));
    const std::optional<Place> base = titleName.empty() ? std::nullopt : BaseOf(titleName);
    if (!base) {
        return base::Failure(kNotFound);
    }
    Place current = *base;
    for (std::string_view part : PlainParts(TitleRelative(titleName))) {
        if (current.kind != FolderRoots::Kind::kFolder) {
            return base::Failure(kNotFound);
        }
        std::string why;
        std::optional<Place> next = MatchEntry(current, part, &why);
        if (!next) {
            // A missing entry is simply not there; a refused walk says why.
            const bool missing = why.empty() || FolderRoots::IsMissing(why);
            return base::Failure(missing ? std::string(kNotFound) : why);
        }
        const bool linked = current.throughLink || next->throughLink;
        current = std::move(*next);
        current.throughLink = linked;
    }
    return current;
}

base::Result<fs::path> TitlePaths::Locate(std::string_view titleName, bool* throughLink) const {
    base::Result<Place> found = LocatePlace(titleName);
    if (!found) {
        return found.failure();
    }
    if (throughLink != nullptr) {
        *throughLink = found->throughLink;
    }
    return roots_.HostPath(*found);
}

std::optional<fs::path> TitlePaths::Resolve(std::string_view titleName) const {
    base::Result<fs::path> found = Locate(titleName);
    if (!found) {
        return std::nullopt;
    }
    return std::move(*found);
}

std::optional<fs::path> TitlePaths::FindFirst(std::string_view pattern) const {
    const std::string_view relative = TitleRelative(pattern);
    const auto [folder, last] = SplitLast(relative);
    if (last.empty()) {
        return std::nullopt;
    }
    if (!HasWildcard(last)) {
        const base::Result<Place> found = LocatePlace(pattern);
        if (found && found->kind == FolderRoots::Kind::kFile) {
            return roots_.HostPath(*found);
        }
        return std::nullopt;
    }
    const WildcardName wildcard(last);
    const std::optional<Place> base = BaseOf(pattern);
    if (wildcard.Empty() || !base) {
        return std::nullopt;
    }
    const std::optional<Place> dir = ResolveFolder(*base, folder);
    if (!dir) {
        return std::nullopt;
    }
    // The first name in byte order as the folder lists it (a link by its own name) that
    // leads to a file, found through the folder's index of folded names.
    for (std::string& name :
         NamesWhere(*dir, [&](std::string_view folded) { return wildcard.Matches(folded); })) {
        base::Result<Place> found = roots_.Walk(*dir, std::span(&name, 1));
        if (found && found->kind == FolderRoots::Kind::kFile) {
            return roots_.HostPath(*found);
        }
    }
    return std::nullopt;
}

InputFile TitlePaths::Open(const fs::path& hostPath) const {
    const std::optional<Place> place = roots_.PlaceOf(hostPath);
    if (!place) {
        return InputFile::Missing();
    }
    return roots_.OpenFile(*place);
}

FileBytes TitlePaths::Read(const fs::path& hostPath, uint64_t maxBytes) const {
    return ReadFile(Open(hostPath), maxBytes);
}

std::string TitlePaths::TitleFullName(const fs::path& hostPath) const {
    const fs::path normal =
        (hostPath.is_absolute() ? hostPath : root_ / hostPath).lexically_normal();
    // A disc folder of its own is named by its drive, even when it lies in the title folder.
    std::string full = DiscDrive();
    fs::path relative = disc_ != root_ ? InsideOf(normal, disc_) : fs::path();
    if (relative.empty()) {
        full = CurrentDirectory();
        relative = InsideOf(normal, root_);
    }
    if (relative.empty()) {
        return {};
    }
    bool first = true;
    for (const fs::path& element : relative) {
        const std::string& name = element.native();
        if (name.empty() || name == ".") {
            continue;
        }
        if (name == "..") {
            return {};
        }
        if (!first) {
            full.push_back('\\');
        }
        full += HostNameAs1252(name);
        first = false;
    }
    return full;
}

}  // namespace stagehand::host
