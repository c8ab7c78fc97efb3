// The host folders a title may read from (its own folder and the folder its disc drive shows),
// each held open, and the one way to reach an entry below them: a walk that resolves every
// symbolic link itself and follows it only where it stays inside one of the folders.
//
// Guarantees: a walk never leaves the folders. Every step opens the next entry relative to
// the descriptor of the folder before it, with O_NOFOLLOW, so a link put in the way at any
// moment is seen as a link and its target checked like any other; a link is read through
// the descriptor of the link itself, so what is checked is what is followed. The result of
// a walk is a place without links (the real entries, folder by folder), and Open reaches it
// again with openat2 and RESOLVE_NO_SYMLINKS | RESOLVE_BENEATH where the kernel has it, else
// with the same step-by-step walk and no links allowed: a link swapped in after the walk makes
// the open fail, never follow. At most kMaxLinks links are followed in one walk.
// Where it bites: the step-by-step walk (kernels without openat2) cannot see a folder on the
// way being renamed out of the tree while it is walked; openat2 refuses that too. Absolute
// link targets are taken as host paths and must lie inside a root's real path; a root that
// lies inside another is its own root for the entries under it. A root in a disc image
// holds no links, and its host paths lead to nothing on the disk: only this class opens
// them. Not thread-safe.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/Result.h"
#include "host/files/File.h"
#include "host/files/ImageFolders.h"

namespace stagehand::host {

class FolderRoots {
  public:
    static constexpr int kMaxLinks = 40;
    static constexpr size_t kMaxDepth = 256;

    enum class Kind { kFolder, kFile, kOther };

    // An entry below a root, as the real entries on the way (no links, no `.` or `..`).
    struct Place {
        size_t root = 0;
        std::vector<std::string> parts;  // host names
        Kind kind = Kind::kFolder;
        bool throughLink = false;  // a link was followed on the way
    };

    // Opens a root and returns its index; the same real folder added twice is one root.
    base::Result<size_t> Add(const std::filesystem::path& folder);
    // A folder of a disc image as a root: its entries are walked, listed and opened in the
    // image, under the host path it is shown as. An image holds no links to follow.
    size_t Add(ImageFolder folder);
    bool IsImage(size_t root) const { return roots_[root].image.tree != nullptr; }
    size_t Count() const { return roots_.size(); }
    // The real path of a root.
    const std::filesystem::path& RealPath(size_t root) const { return roots_[root].real; }

    // Walks host names from `from` (a folder place), following links that stay inside a
    // root. The error says why not, in the player's words ("… leads outside the title
    // folder", "No such file or directory").
    base::Result<Place> Walk(const Place& from, std::span<const std::string> names) const;
    // True for a walk's error that only says an entry is not there (missing, or a file
    // where a folder should be), not that the walk was refused.
    static bool IsMissing(const std::string& error);

    // The place of a host path inside a root (lexically; the path must be link-free, as
    // HostPath gives). The innermost root that holds it wins.
    std::optional<Place> PlaceOf(const std::filesystem::path& hostPath) const;
    std::filesystem::path HostPath(const Place& place) const;

    // Opens a place again: folders for listing (O_DIRECTORY), files for reading, never
    // through a link.
    FileDescriptor Open(const Place& place, int flags, int& errorNumber) const;
    // A file for reading, refused unless it is a regular file.
    InputFile OpenFile(const Place& place) const;
    // Host names in a folder, at most `limit` of them, in the order the folder gives them.
    std::vector<std::string> List(const Place& folder, size_t limit) const;
    // What changes when a folder's entries do (its times and inode, from a descriptor of the
    // folder itself); nullopt when it cannot be opened. A folder of an image never changes.
    std::optional<FileStamp> FolderStamp(const Place& folder) const;

    // Tests force the step-by-step walk that kernels without openat2 get.
    static void UseOpenat2ForTests(bool use);

  private:
    struct Root {
        std::filesystem::path real;
        FileDescriptor fd;  // O_PATH | O_DIRECTORY, for a folder on the disk
        ImageFolder image;  // for a folder of an image
    };
    base::Result<Place> WalkImage(const Place& from, std::span<const std::string> names) const;
    // The number of the image folder a place of an image root names, if it names one.
    std::optional<size_t> ImageFolderOf(const Place& place) const;
    // The root and the parts under it for an absolute, normal host path, if inside one.
    std::optional<Place> Inside(const std::filesystem::path& normal) const;

    std::vector<Root> roots_;
};

}  // namespace stagehand::host
