// Maps the Windows-style file names a title uses (`movies\Intro.SMK`, `D:\data\x.ini`)
// onto files inside the title folder, matching names case-blind as the desktop does. The
// disc drive `D:` means the disc folder: the title folder unless SetDiscFolder names another.
//
// Guarantees: this is the safety boundary for every file the player opens or writes. A
// title name never reaches outside the title folder (or the disc folder, for `D:` names):
// other drive letters and leading separators mean the folder itself, `..` stops at it, host
// absolute paths are title paths under it, and every part becomes one plain directory entry.
// Symbolic links are followed only where they stay inside the title folder or the disc
// folder (FolderRoots walks every name), and the paths handed out are real paths without
// links, which Open reaches again without following any. The player never writes here:
// the title folder is read-only to it (saves go to the SaveFolder). Nothing throws;
// directory scans are bounded.
// The title folder and the disc folder may each be a folder of a disc image (ImageFolder):
// its entries are matched and opened in the image, under host paths that lead to nothing on
// the disk.
// A name not found as spelled is looked for case-blind in an index of its folder's names
// (folded name to host names), made by one listing of the folder and made again when the
// folder's stamp (times, inode) changes; at most kMaxIndexedFolders folders are indexed
// (least recently used go). The index only names candidates: each is still reached by a walk.
// Where it bites: names are title text (Windows-1252 bytes), not UTF-8; a directory with
// more than kMaxScannedEntries entries is only searched that far case-blind; a change to a
// folder within one tick of its clock is not seen until the folder changes again; a host
// name ending in a dot or blank cannot be reached, since title names lose those as the
// desktop drops them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/Result.h"
#include "host/files/File.h"
#include "host/files/FolderRoots.h"

namespace stagehand::host {

class TitlePaths {
  public:
    static constexpr size_t kMaxScannedEntries = 100'000;
    static constexpr size_t kMaxIndexedFolders = 16;

    // titleFolder is made absolute; it need not exist yet.
    explicit TitlePaths(const std::filesystem::path& titleFolder);
    // A title in a folder of a disc image.
    explicit TitlePaths(ImageFolder titleFolder);

    const std::filesystem::path& Root() const { return root_; }

    // The drive whose names lead into the disc folder, as the title sees it.
    static std::string DiscDrive() { return "D:\\"; }
    // Names on the disc drive lead into `folder` (made absolute) from now on.
    void SetDiscFolder(const std::filesystem::path& folder);
    // Names on the disc drive lead into a folder of a disc image from now on.
    void SetDiscImage(ImageFolder folder);
    // Whether a path this resolver handed out lies in a disc image: it can be opened only
    // through Open, never by its path.
    bool IsInImage(const std::filesystem::path& hostPath) const;
    const std::filesystem::path& DiscFolder() const { return disc_; }

    // The title's current directory, as the title sees it.
    static std::string CurrentDirectory() { return "C:\\"; }

    // True for a name with neither a drive nor a folder part (`text.ini`). Such a name
    // means a file in the desktop's system folder to its profile reader, not the title's.
    static bool IsBareName(std::string_view titleName);

    // The host path of an existing file or directory, or nullopt. A name that reduces to
    // the folder itself (`C:\`, `.`) gives Root(); an empty name gives nullopt.
    std::optional<std::filesystem::path> Resolve(std::string_view titleName) const;

    // The same, or why not: kNotFound, or why the walk was refused ("the link sh leads
    // outside the title's folders, to /bin/sh").
    static constexpr const char* kNotFound = "there is no such file";
    // `throughLink`, when given, tells whether a link was followed on the way.
    base::Result<std::filesystem::path> Locate(std::string_view titleName,
                                               bool* throughLink = nullptr) const;

    // Opens a path this resolver handed out, for reading, through no link; anything else is
    // refused as missing.
    InputFile Open(const std::filesystem::path& hostPath) const;
    // The whole file at such a path, as ReadFile reads it.
    FileBytes Read(const std::filesystem::path& hostPath, uint64_t maxBytes) const;
    // Open as a reader's opener; the resolver must outlive it.
    FileOpener Opener() const {
        return [this](const std::filesystem::path& hostPath) { return Open(hostPath); };
    }

    // The first regular file, in byte order of the host names, whose name matches the last
    // part of pattern (`*` any run, `?` one character, case-blind; `x.*` also matches `x`,
    // so `*.*` matches every name; a trailing `.` matches only names without a dot).
    std::optional<std::filesystem::path> FindFirst(std::string_view pattern) const;

    // The title's full name for a host path inside the folder: `C:\` and the parts joined
    // by `\`, in 1252 (`D:\` for one inside a disc folder of its own, wherever that lies).
    // Resolves back to the same entry. Empty for a path outside both.
    std::string TitleFullName(const std::filesystem::path& hostPath) const;

    // How many times a folder was listed to index it.
    size_t FolderScans() const { return folderScans_; }

  private:
    // A folder's host names by folded name, each list in byte order.
    struct FolderIndex {
        FileStamp stamp;
        std::unordered_map<std::string, std::vector<std::string>> byFolded;
        uint64_t lastUse = 0;
    };
    using Place = FolderRoots::Place;
    // The real place a title name leads to (throughLink set when a link was followed on the
    // way), or why not, as Locate says.
    base::Result<Place> LocatePlace(std::string_view titleName) const;
    // The entry of folder dir matching one title part, or nullopt; `why` says why when a
    // walk was refused.
    std::optional<Place> MatchEntry(const Place& dir, std::string_view part,
                                    std::string* why) const;
    // Resolves the folder part of a name (drive prefix removed) under `base` to an existing
    // folder.
    std::optional<Place> ResolveFolder(const Place& base, std::string_view folderPart) const;
    // The folder a title name starts in: the disc folder for the disc drive, else the root;
    // nullopt when that folder could not be opened.
    std::optional<Place> BaseOf(std::string_view titleName) const;
    // The host names in folder dir whose folded 1252 form is `folded`, in byte order, from
    // the folder's index (made or made again first when needed).
    std::vector<std::string> CaseBlindNames(const Place& dir, const std::string& folded) const;
    // The host names in folder dir whose folded form `keep` keeps, in byte order.
    std::vector<std::string> NamesWhere(
        const Place& dir, const std::function<bool(std::string_view folded)>& keep) const;
    // The folder's index, made or made again when needed; nullptr when the folder cannot be
    // looked at. Only with indexMutex_ held; valid until the next call.
    const FolderIndex* FreshIndex(const Place& dir) const;

    FolderRoots roots_;
    std::filesystem::path root_;
    std::filesystem::path disc_;
    std::optional<size_t> titleRoot_;
    std::optional<size_t> discRoot_;
    // Keyed by root and host parts joined by '/'.
    mutable std::map<std::pair<size_t, std::string>, FolderIndex> indexes_;
    mutable uint64_t indexClock_ = 0;
    mutable size_t folderScans_ = 0;
    mutable std::mutex indexMutex_;
};

}  // namespace stagehand::host
