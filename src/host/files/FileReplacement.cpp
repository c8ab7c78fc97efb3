#include "host/files/FileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace stagehand::host {

namespace fs = std::filesystem;

namespace {

// How many names are tried before giving up on a folder full of leftovers.
constexpr int kNameAttempts = 64;

// The file a target name stands for: the target of a symbolic link (followed to its end),
// else the name itself.
fs::path RealTarget(const fs::path& target) {
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(target, error))) {
        const fs::path resolved = fs::weakly_canonical(target, error);
        if (!error) {
            return resolved;
        }
    }
    return target;
}

}  // namespace

FileReplacement::FileReplacement(const fs::path& target) : target_(RealTarget(target)) {
    std::random_device seed;
    std::mt19937 random(seed());
    const std::string stem = "." + target_.filename().string() + ".";
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        fs::path candidate = target_;
        candidate.replace_filename(stem + std::to_string(random() % 1000000) + ".tmp");
        const int fd =
            ::open(candidate.c_str(),
                   O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0666);
        if (fd >= 0) {
            fd_ = FileDescriptor(fd);
            temporary_ = std::move(candidate);
            break;
        }
        if (errno != EEXIST) {
            (void)Fail(errno);
            return;
        }
    }
    if (!fd_.IsOpen()) {
        (void)Fail(EEXIST);
        return;
    }
    // The replacement keeps the permissions of the file it replaces.
    struct stat existing {};
    if (::stat(target_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        (void)::fchmod(fd_.Get(), existing.st_mode & 07777);
    }
}

FileReplacement::~FileReplacement() {
    RemoveTemporary();
}

base::Failure FileReplacement::Fail(int errorNumber) {
    failed_ = true;
    reason_ = std::strerror(errorNumber);
    RemoveTemporary();
    return base::Failure(reason_);
}

base::Result<void> FileReplacement::Refused() const {
    return base::Failure(reason_);
}

void FileReplacement::RemoveTemporary() {
    fd_.Reset();
    if (!temporary_.empty()) {
        (void)::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

base::Result<void> FileReplacement::Write(std::string_view bytes) {
    if (failed_ || !fd_.IsOpen()) {
        return Refused();
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_.Get(), bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail(errno);
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return {};
}

base::Result<void> FileReplacement::Commit() {
    if (failed_ || !fd_.IsOpen()) {
        return Refused();
    }
    if (::fsync(fd_.Get()) != 0) {
        return Fail(errno);
    }
    // Closing can report a write the disk refused late (network and quota file systems).
    if (::close(fd_.Release()) != 0) {
        return Fail(errno);
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        return Fail(errno);
    }
    temporary_.clear();
    // The rename itself reaches the disk with the folder.
    const fs::path folder = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.IsOpen()) {
        (void)::fsync(dir.Get());
    }
    return {};
}

base::Result<void> ReplaceFile(const fs::path& target, std::string_view bytes) {
    FileReplacement replacement(target);
    if (base::Result<void> written = replacement.Write(bytes); !written) {
        return written;
    }
    return replacement.Commit();
}

}  // namespace stagehand::host
