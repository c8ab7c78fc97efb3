#include "host/files/FolderRoots.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <deque>
#include <system_error>
#include <utility>

namespace stagehand::host {
namespace fs = std::filesystem;

namespace {

bool useOpenat2 = true;

std::string ErrorText(int errorNumber) {
    return std::error_code(errorNumber, std::generic_category()).message();
}

// The place's parts joined for openat: "." for the root itself.
std::string Joined(const std::vector<std::string>& parts) {
    if (parts.empty()) {
        return ".";
    }
    std::string joined;
    for (const std::string& part : parts) {
        if (!joined.empty()) {
            joined.push_back('/');
        }
        joined += part;
    }
    return joined;
}

bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == name.npos &&
           name.find('\0') == name.npos;
}

FolderRoots::Kind KindOf(mode_t mode) {
    return S_ISDIR(mode)   ? FolderRoots::Kind::kFolder
           : S_ISREG(mode) ? FolderRoots::Kind::kFile
                           : FolderRoots::Kind::kOther;
}

}  // namespace

void FolderRoots::UseOpenat2ForTests(bool use) {
    useOpenat2 = use;
}

bool FolderRoots::IsMissing(const std::string& error) {
    return error == ErrorText(ENOENT) || error == ErrorText(ENOTDIR);
}

base::Result<size_t> FolderRoots::Add(const fs::path& folder) {
    std::error_code ec;
    const fs::path real = fs::canonical(folder, ec);
    if (ec) {
        return base::Failure(ec.message());
    }
    for (size_t i = 0; i < roots_.size(); ++i) {
        if (roots_[i].real == real) {
            return i;
        }
    }
    FileDescriptor fd(::open(real.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!fd.IsOpen()) {
        return base::Failure(ErrorText(errno));
    }
    roots_.push_back(Root{real, std::move(fd), {}});
    return roots_.size() - 1;
}

size_t FolderRoots::Add(ImageFolder folder) {
    const fs::path shown = folder.shownAs.lexically_normal();
    for (size_t i = 0; i < roots_.size(); ++i) {
        if (roots_[i].real == shown && roots_[i].image.tree == folder.tree) {
            return i;
        }
    }
    roots_.push_back(Root{shown, {}, std::move(folder)});
    return roots_.size() - 1;
}

std::optional<size_t> FolderRoots::ImageFolderOf(const Place& place) const {
    const ImageFolder& image = roots_[place.root].image;
    size_t folder = image.folder;
    for (const std::string& part : place.parts) {
        const std::optional<ImageFolders::Found> found = image.tree->Find(folder, part);
        if (!found || !found->folder) {
            return std::nullopt;
        }
        folder = found->index;
    }
    return folder;
}

base::Result<FolderRoots::Place> FolderRoots::WalkImage(const Place& from,
                                                        std::span<const std::string> names) const {
    const std::optional<size_t> start = ImageFolderOf(from);
    if (!start) {
        return base::Failure(ErrorText(ENOENT));
    }
    size_t folder = *start;
    Place place = from;
    for (const std::string& name : names) {
        if (!IsPlainName(name)) {
            return base::Failure("the name " + name + " is not a plain entry name");
        }
        if (place.kind != Kind::kFolder) {
            return base::Failure(ErrorText(ENOTDIR));
        }
        const std::optional<ImageFolders::Found> found =
            roots_[place.root].image.tree->Find(folder, name);
        if (!found) {
            return base::Failure(ErrorText(ENOENT));
        }
        if (place.parts.size() >= kMaxDepth) {
            return base::Failure(ErrorText(ENAMETOOLONG));
        }
        place.parts.push_back(name);
        place.kind = found->folder ? Kind::kFolder : Kind::kFile;
        folder = found->index;
    }
    return place;
}

std::optional<FolderRoots::Place> FolderRoots::Inside(const fs::path& normal) const {
    std::optional<Place> best;
    size_t bestLength = 0;
    for (size_t i = 0; i < roots_.size(); ++i) {
        const fs::path relative = normal.lexically_relative(roots_[i].real);
        if (relative.empty() || *relative.begin() == "..") {
            continue;
        }
        const size_t length = roots_[i].real.native().size();
        if (best && length <= bestLength) {
            continue;
        }
        Place place;
        place.root = i;
        for (const fs::path& element : relative) {
            if (element != "." && !element.empty()) {
                place.parts.push_back(element.native());
            }
        }
        best = std::move(place);
        bestLength = length;
    }
    return best;
}

std::optional<FolderRoots::Place> FolderRoots::PlaceOf(const fs::path& hostPath) const {
    if (!hostPath.is_absolute()) {
        return std::nullopt;
    }
    return Inside(hostPath.lexically_normal());
}

fs::path FolderRoots::HostPath(const Place& place) const {
    fs::path path = roots_[place.root].real;
    for (const std::string& part : place.parts) {
        path /= part;
    }
    return path;
}

base::Result<FolderRoots::Place> FolderRoots::Walk(const Place& from,
                                                   std::span<const std::string> names) const {
    if (from.root >= roots_.size() || from.kind != Kind::kFolder) {
        return base::Failure(ErrorText(ENOTDIR));
    }
    if (IsImage(from.root)) {
        return WalkImage(from, names);
    }
    Place place = from;
    int why = 0;
    FileDescriptor current = Open(place, O_PATH | O_DIRECTORY, why);
    if (!current.IsOpen()) {
        return base::Failure(ErrorText(why));
    }
    std::deque<std::string> pending(names.begin(), names.end());
    int links = 0;
    while (!pending.empty()) {
        const std::string name = std::move(pending.front());
        pending.pop_front();
        if (!IsPlainName(name)) {
            return base::Failure("the name " + name + " is not a plain entry name");
        }
        if (place.kind != Kind::kFolder) {
            return base::Failure(ErrorText(ENOTDIR));
        }
        FileDescriptor next(::openat(current.Get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (!next.IsOpen()) {
            return base::Failure(ErrorText(errno));
        }
        struct stat info {};
        if (::fstat(next.Get(), &info) != 0) {
            return base::Failure(ErrorText(errno));
        }
        if (S_ISLNK(info.st_mode)) {
            if (++links > kMaxLinks) {
                return base::Failure(ErrorText(ELOOP));
            }
            // The link read through its own descriptor: the one just looked at.
            char buffer[PATH_MAX];
            const ssize_t length = ::readlinkat(next.Get(), "", buffer, sizeof buffer);
            if (length < 0 || static_cast<size_t>(length) >= sizeof buffer) {
                return base::Failure(ErrorText(length < 0 ? errno : ENAMETOOLONG));
            }
            const fs::path target(std::string(buffer, static_cast<size_t>(length)));
            const fs::path absolute =
                (target.is_absolute() ? target : HostPath(place) / target).lexically_normal();
            std::optional<Place> there = Inside(absolute);
            if (!there) {
                return base::Failure("the link " + name +
                                     " leads outside the title's folders, to " + target.string());
            }
            // Walk again from the root the target lies in, then on with the rest.
            for (auto part = there->parts.rbegin(); part != there->parts.rend(); ++part) {
                pending.push_front(std::move(*part));
            }
            place = Place{there->root, {}, Kind::kFolder, true};
            if (IsImage(place.root)) {
                // Into a disc image inside the title folder: the rest is walked there.
                const std::vector<std::string> rest(pending.begin(), pending.end());
                base::Result<Place> inImage = WalkImage(place, rest);
                if (inImage) {
                    inImage->throughLink = true;
                }
                return inImage;
            }
            current = Open(place, O_PATH | O_DIRECTORY, why);
            if (!current.IsOpen()) {
                return base::Failure(ErrorText(why));
            }
            continue;
        }
        if (place.parts.size() >= kMaxDepth) {
            return base::Failure(ErrorText(ENAMETOOLONG));
        }
        place.parts.push_back(name);
        place.kind = KindOf(info.st_mode);
        current = std::move(next);
    }
    return place;
}

FileDescriptor FolderRoots::Open(const Place& place, int flags, int& errorNumber) const {
    errorNumber = 0;
    if (place.root >= roots_.size() || IsImage(place.root)) {
        errorNumber = ENOENT;
        return {};
    }
    const int rootFd = roots_[place.root].fd.Get();
    flags |= O_CLOEXEC | O_NOFOLLOW;
    if (useOpenat2) {
        struct open_how how {};
        how.flags = static_cast<uint64_t>(flags);
        how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
        const std::string relative = Joined(place.parts);
        const long fd = ::syscall(SYS_openat2, rootFd, relative.c_str(), &how, sizeof how);
        if (fd >= 0) {
            return FileDescriptor(static_cast<int>(fd));
        }
        errorNumber = errno;
        if (errorNumber != ENOSYS && errorNumber != EPERM && errorNumber != E2BIG) {
            return {};
        }
        // A kernel (or a sandbox) without openat2: the walk below from now on.
        useOpenat2 = false;
    }
    if (place.parts.empty()) {
        FileDescriptor fd(::openat(rootFd, ".", flags));
        errorNumber = fd.IsOpen() ? 0 : errno;
        return fd;
    }
    FileDescriptor current;
    int at = rootFd;
    for (size_t i = 0; i + 1 < place.parts.size(); ++i) {
        FileDescriptor next(
            ::openat(at, place.parts[i].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.IsOpen()) {
            errorNumber = errno;
            return {};
        }
        current = std::move(next);
        at = current.Get();
    }
    FileDescriptor fd(::openat(at, place.parts.back().c_str(), flags));
    errorNumber = fd.IsOpen() ? 0 : errno;
    return fd;
}

InputFile FolderRoots::OpenFile(const Place& place) const {
    if (place.root < roots_.size() && IsImage(place.root)) {
        if (place.parts.empty()) {
            return InputFile::Missing();
        }
        Place folder = place;
        folder.parts.pop_back();
        const std::optional<size_t> index = ImageFolderOf(folder);
        return index ? roots_[place.root].image.tree->OpenFile(*index, place.parts.back())
                     : InputFile::Missing();
    }
    int why = 0;
    FileDescriptor fd = Open(place, O_RDONLY | O_NONBLOCK | O_NOCTTY, why);
    return InputFile::FromDescriptor(std::move(fd), why);
}

std::optional<FileStamp> FolderRoots::FolderStamp(const Place& folder) const {
    if (folder.root < roots_.size() && IsImage(folder.root)) {
        const std::optional<size_t> index = ImageFolderOf(folder);
        return index ? std::optional(FileStamp{.inode = *index}) : std::nullopt;
    }
    int why = 0;
    const FileDescriptor fd = Open(folder, O_RDONLY | O_DIRECTORY, why);
    struct stat st {};
    if (!fd.IsOpen() || ::fstat(fd.Get(), &st) != 0) {
        return std::nullopt;
    }
    return FileStamp{static_cast<uint64_t>(st.st_size),
                     int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec,
                     int64_t{st.st_ctim.tv_sec} * 1'000'000'000 + st.st_ctim.tv_nsec,
                     static_cast<uint64_t>(st.st_ino), static_cast<uint64_t>(st.st_dev)};
}

std::vector<std::string> FolderRoots::List(const Place& folder, size_t limit) const {
    std::vector<std::string> names;
    if (folder.root < roots_.size() && IsImage(folder.root)) {
        const std::optional<size_t> index = ImageFolderOf(folder);
        return index ? roots_[folder.root].image.tree->Names(*index, limit) : names;
    }
    int why = 0;
    FileDescriptor fd = Open(folder, O_RDONLY | O_DIRECTORY, why);
    if (!fd.IsOpen()) {
        return names;
    }
    DIR* dir = ::fdopendir(fd.Get());
    if (dir == nullptr) {
        return names;
    }
    fd.Release();  // the stream owns it now
    while (names.size() < limit) {
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            break;
        }
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    return names;
}

}  // namespace stagehand::host
