// Maps the Windows-style file names a title uses (`movies\Intro.SMK`, `D:\data\x.ini`)
// onto files inside the title folder, matching names case-blind as the desktop does. The
// disc drive `D:` means the disc folder: the title folder unless SetDiscFolder names another.
//
// Guarantees: this is the safety boundary for every file the player opens or writes. A
// title name never reaches outside the title folder (or the disc folder, for `D:` names):
// other drive letters and leading separators mean the folder itself, `..` stops at it, host
// absolute paths are title paths under it, and every part becomes one plain directory entry.
// Symbolic links inside the folder are followed (the user put them there). Nothing throws;
// directory scans are bounded.
// Where it bites: names are title text (Windows-1252 bytes), not UTF-8; a directory with
// more than kMaxScannedEntries entries is only searched that far case-blind; resolution
// reads the disk each time (nothing is cached); a host name ending in a dot or blank
// cannot be reached, since title names lose those as the desktop drops them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace stagehand::host {

class TitlePaths {
  public:
    static constexpr size_t kMaxScannedEntries = 100'000;

    // titleFolder is made absolute; it need not exist yet.
    explicit TitlePaths(const std::filesystem::path& titleFolder);

    const std::filesystem::path& Root() const { return root_; }

    // The drive whose names lead into the disc folder, as the title sees it.
    static std::string DiscDrive() { return "D:\\"; }
    // Names on the disc drive lead into `folder` (made absolute) from now on.
    void SetDiscFolder(const std::filesystem::path& folder);
    const std::filesystem::path& DiscFolder() const { return disc_; }

    // The title's current directory, as the title sees it.
    static std::string CurrentDirectory() { return "C:\\"; }

    // True for a name with neither a drive nor a folder part (`text.ini`). Such a name
    // means a file in the desktop's system folder to its profile reader, not the title's.
    static bool IsBareName(std::string_view titleName);

    // The host path of an existing file or directory, or nullopt. A name that reduces to
    // the folder itself (`C:\`, `.`) gives Root(); an empty name gives nullopt.
    std::optional<std::filesystem::path> Resolve(std::string_view titleName) const;

    // The host path to create or overwrite: every folder part must exist; the last part is
    // the existing entry matching case-blind, else the name as the title wrote it. Refuses
    // a last part that is empty, `.`, `..`, or holds characters the desktop forbids.
    std::optional<std::filesystem::path> ResolveForWrite(std::string_view titleName) const;

    // The first regular file, in byte order of the host names, whose name matches the last
    // part of pattern (`*` any run, `?` one character, case-blind; `x.*` also matches `x`,
    // so `*.*` matches every name; a trailing `.` matches only names without a dot).
    std::optional<std::filesystem::path> FindFirst(std::string_view pattern) const;

    // The title's full name for a host path inside the folder: `C:\` and the parts joined
    // by `\`, in 1252 (`D:\` for one inside a disc folder of its own, wherever that lies).
    // Resolves back to the same entry. Empty for a path outside both.
    std::string TitleFullName(const std::filesystem::path& hostPath) const;

  private:
    // The entry of directory dir matching one title part, or nullopt.
    std::optional<std::filesystem::path> MatchEntry(const std::filesystem::path& dir,
                                                    std::string_view part) const;
    // Resolves the folder part of a name (drive prefix removed) under `base` to an existing
    // directory.
    std::optional<std::filesystem::path> ResolveFolder(const std::filesystem::path& base,
                                                       std::string_view folderPart) const;
    // The folder a title name starts in: the disc folder for the disc drive, else the root.
    const std::filesystem::path& BaseOf(std::string_view titleName) const;

    std::filesystem::path root_;
    std::filesystem::path disc_;
};

}  // namespace stagehand::host
