#include "host/system/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "host/files/File.h"
#include "host/files/TextEncoding.h"

namespace stagehand::host {
namespace fs = std::filesystem;

namespace {

std::string ErrorText(int err) {
    return std::generic_category().message(err);
}

// A folder that only this user can change: a link or a folder others may write into could
// be swapped under the player.
bool IsPrivateFolder(const struct stat& info) {
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 022) == 0;
}

InstanceLock::Result Unavailable(std::string error) {
    return {InstanceLock::Status::kUnavailable, nullptr, std::move(error)};
}

}  // namespace

InstanceLock::InstanceLock(FileDescriptor fd, fs::path file)
    : fd_(std::move(fd)), file_(std::move(file)) {}

// Closing the only descriptor of the open file description drops the lock.
InstanceLock::~InstanceLock() = default;

std::string InstanceLock::FileName(std::string_view windowName) {
    uint64_t hash = 14'695'981'039'346'656'037u;
    for (char c : windowName) {
        // Folded as the window search folds names, so one title is one lock.
        hash ^= static_cast<unsigned char>(FoldCase1252(c));
        hash *= 1'099'511'628'211u;
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name = "title-";
    for (int shift = 60; shift >= 0; shift -= 4) {
        name.push_back(kDigits[(hash >> shift) & 0xF]);
    }
    return name;
}

fs::path InstanceLock::UserLockFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        struct stat info {};
        if (stat(runtime, &info) == 0 && IsPrivateFolder(info)) {
            return fs::path(runtime) / "stagehand";
        }
    }
    return fs::path("/tmp") / ("stagehand-" + std::to_string(geteuid()));
}

InstanceLock::Result InstanceLock::Claim(std::string_view windowName) {
    return Claim(windowName, UserLockFolder());
}

InstanceLock::Result InstanceLock::Claim(std::string_view windowName, const fs::path& lockFolder) {
    if (windowName.empty()) {
        return Unavailable("a title without a window name is not locked");
    }
    const std::string shown = "the lock folder `" + lockFolder.native() + "`";
    if (mkdir(lockFolder.c_str(), 0700) != 0 && errno != EEXIST) {
        const int err = errno;
        return Unavailable("cannot make " + shown + ": " + ErrorText(err));
    }
    FileDescriptor folder(
        open(lockFolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.Get() < 0) {
        const int err = errno;
        return Unavailable(err == ELOOP || err == ENOTDIR
                               ? shown + " is not a folder"
                               : "cannot open " + shown + ": " + ErrorText(err));
    }
    struct stat info {};
    if (fstat(folder.Get(), &info) != 0) {
        const int err = errno;
        return Unavailable("cannot examine " + shown + ": " + ErrorText(err));
    }
    if (!IsPrivateFolder(info)) {
        return Unavailable(shown + " belongs to another user or others may write to it");
    }

    const std::string name = FileName(windowName);
    fs::path file = lockFolder / name;
    FileDescriptor lockFile(
        openat(folder.Get(), name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (lockFile.Get() < 0) {
        const int err = errno;
        return Unavailable("cannot open the lock `" + file.native() + "`: " + ErrorText(err));
    }
    int result = 0;
    do {
        result = flock(lockFile.Get(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int err = errno;
        if (err == EWOULDBLOCK) {
            return {Status::kHeldElsewhere, nullptr,
                    "the title is already running: another player holds `" + file.native() + "`"};
        }
        return Unavailable("cannot lock `" + file.native() + "`: " + ErrorText(err));
    }
    return {Status::kClaimed,
            std::unique_ptr<InstanceLock>(new InstanceLock(std::move(lockFile), std::move(file))),
            {}};
}

}  // namespace stagehand::host
