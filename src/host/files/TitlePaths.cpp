#include "host/files/TitlePaths.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "host/files/TextEncoding.h"

namespace stagehand::host {
namespace fs = std::filesystem;

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

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

// The name as a C string, without a drive prefix: `X:` means the root of its folder (the
// disc folder's for the disc drive, the title folder's for any other), as does a leading
// separator, and the current directory is the title folder's root, so every name is walked
// from a root.
bool HasDrive(std::string_view name) {
    return name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == ':';
}

std::string_view TitleRelative(std::string_view name) {
    name = name.substr(0, name.find('\0'));
    if (HasDrive(name)) {
        name.remove_prefix(2);
    }
    return name;
}

// The desktop drops trailing dots and blanks from every part of a name.
std::string_view StripTrailingDotsAndBlanks(std::string_view part) {
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) {
        part.remove_suffix(1);
    }
    return part;
}

// Splits a name into plain entry names: `.` and parts that strip to nothing are skipped,
// `..` drops the previous part and stops at the root. The result never holds `.`, `..`
// or a separator, which is what keeps names inside the folder.
std::vector<std::string_view> PlainParts(std::string_view name) {
    std::vector<std::string_view> parts;
    size_t pos = 0;
    while (pos < name.size()) {
        size_t end = pos;
        while (end < name.size() && !IsSeparator(name[end])) {
            ++end;
        }
        const std::string_view part = name.substr(pos, end - pos);
        pos = end + 1;
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
            continue;
        }
        const std::string_view stripped = StripTrailingDotsAndBlanks(part);
        if (!stripped.empty()) {
            parts.push_back(stripped);
        }
    }
    return parts;
}

// Splits a name after its last separator into the folder part and the last part.
std::pair<std::string_view, std::string_view> SplitLast(std::string_view name) {
    size_t sep = name.size();
    while (sep > 0 && !IsSeparator(name[sep - 1])) {
        --sep;
    }
    return {name.substr(0, sep), name.substr(sep)};
}

// An on-disk name in the 1252 domain: converted when it converts exactly, else its bytes.
std::string HostNameAs1252(const std::string& hostName) {
    std::string converted;
    if (Utf8ToCp1252Exact(hostName, converted)) {
        return converted;
    }
    return hostName;
}

bool IsForbiddenInName(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20) {
        return true;
    }
    switch (c) {
        case '<':
        case '>':
        case ':':
        case '"':
        case '|':
        case '?':
        case '*':
            return true;
        default:
            return false;
    }
}

bool IsDirectory(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

bool IsRegularFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
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

// Visits at most TitlePaths::kMaxScannedEntries names of a directory; errors end the scan.
template <typename Visit>
void ScanDirectory(const fs::path& dir, Visit visit) {
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    size_t count = 0;
    const fs::directory_iterator end;
    while (!ec && it != end && count < TitlePaths::kMaxScannedEntries) {
        visit(*it);
        ++count;
        it.increment(ec);
    }
}

}  // namespace

TitlePaths::TitlePaths(const fs::path& titleFolder)
    : root_(NormalFolder(titleFolder)), disc_(root_) {}

void TitlePaths::SetDiscFolder(const fs::path& folder) {
    disc_ = NormalFolder(folder);
}

const fs::path& TitlePaths::BaseOf(std::string_view titleName) const {
    const bool onDisc = HasDrive(titleName) && (titleName[0] | 0x20) == (DiscDrive()[0] | 0x20);
    return onDisc ? disc_ : root_;
}

std::optional<fs::path> TitlePaths::MatchEntry(const fs::path& dir, std::string_view part) const {
    const fs::path exact = dir / Cp1252ToUtf8(part);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(exact, ec))) {
        return exact;
    }
    const std::string folded = FoldCase1252(part);
    std::optional<std::string> best;
    ScanDirectory(dir, [&](const fs::directory_entry& entry) {
        const std::string name = entry.path().filename().native();
        if (best && name >= *best) {
            return;
        }
        if (EqualsCaseBlind1252(HostNameAs1252(name), folded)) {
            best = name;
        }
    });
    if (!best) {
        return std::nullopt;
    }
    return dir / *best;
}

std::optional<fs::path> TitlePaths::ResolveFolder(const fs::path& base,
                                                  std::string_view folderPart) const {
    fs::path dir = base;
    if (!IsDirectory(dir)) {
        return std::nullopt;
    }
    for (std::string_view part : PlainParts(folderPart)) {
        std::optional<fs::path> next = MatchEntry(dir, part);
        if (!next || !IsDirectory(*next)) {
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

std::optional<fs::path> TitlePaths::Resolve(std::string_view titleName) const {
    titleName = titleName.substr(0, titleName.find('\0'));
    if (titleName.empty()) {
        return std::nullopt;
    }
    const fs::path& base = BaseOf(titleName);
    const std::vector<std::string_view> parts = PlainParts(TitleRelative(titleName));
    if (parts.empty()) {
        return IsDirectory(base) ? std::optional<fs::path>(base) : std::nullopt;
    }
    fs::path current = base;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (!IsDirectory(current)) {
            return std::nullopt;
        }
        std::optional<fs::path> next = MatchEntry(current, parts[i]);
        if (!next) {
            return std::nullopt;
        }
        current = std::move(*next);
    }
    std::error_code ec;
    if (!fs::exists(current, ec)) {
        return std::nullopt;
    }
    return current;
}

std::optional<fs::path> TitlePaths::ResolveForWrite(std::string_view titleName) const {
    const auto [folder, written] = SplitLast(TitleRelative(titleName));
    if (written == "." || written == "..") {
        return std::nullopt;
    }
    for (char c : written) {
        if (IsForbiddenInName(c)) {
            return std::nullopt;
        }
    }
    const std::string_view last = StripTrailingDotsAndBlanks(written);
    if (last.empty()) {
        return std::nullopt;
    }
    std::optional<fs::path> dir = ResolveFolder(BaseOf(titleName), folder);
    if (!dir) {
        return std::nullopt;
    }
    if (std::optional<fs::path> existing = MatchEntry(*dir, last)) {
        return existing;
    }
    return *dir / Cp1252ToUtf8(last);
}

std::optional<fs::path> TitlePaths::FindFirst(std::string_view pattern) const {
    const std::string_view relative = TitleRelative(pattern);
    const auto [folder, last] = SplitLast(relative);
    if (last.empty()) {
        return std::nullopt;
    }
    if (!HasWildcard(last)) {
        std::optional<fs::path> found = Resolve(pattern);
        if (found && IsRegularFile(*found)) {
            return found;
        }
        return std::nullopt;
    }
    const WildcardName wildcard(last);
    if (wildcard.Empty()) {
        return std::nullopt;
    }
    std::optional<fs::path> dir = ResolveFolder(BaseOf(pattern), folder);
    if (!dir) {
        return std::nullopt;
    }
    std::optional<std::string> best;
    ScanDirectory(*dir, [&](const fs::directory_entry& entry) {
        const std::string name = entry.path().filename().native();
        if (best && name >= *best) {
            return;
        }
        if (!wildcard.Matches(HostNameAs1252(name))) {
            return;
        }
        std::error_code ec;
        if (entry.is_regular_file(ec)) {
            best = name;
        }
    });
    if (!best) {
        return std::nullopt;
    }
    return *dir / *best;
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
