#include "host/files/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

namespace stagehand::host {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        Reset();
        fd_ = other.Release();
    }
    return *this;
}

int FileDescriptor::Release() {
    return std::exchange(fd_, -1);
}

void FileDescriptor::Reset() {
    if (fd_ >= 0) {
        ::close(std::exchange(fd_, -1));
    }
}

size_t ReadAtMost(int fd, char* buffer, size_t size) {
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buffer + got, size - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    return got;
}

InputFile InputFile::Open(const std::filesystem::path& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    const int why = errno;
    return FromDescriptor(std::move(fd), why);
}

InputFile InputFile::FromDescriptor(FileDescriptor fd, int errorNumber) {
    InputFile file;
    if (!fd.IsOpen()) {
        file.error_ = errorNumber;
        file.fault_ = file.error_ == ENOENT || file.error_ == ENOTDIR ? FileFault::kMissing
                                                                      : FileFault::kFailed;
        return file;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        file.error_ = errno;
        return file;
    }
    file.hasStamp_ = true;
    file.mode_ = info.st_mode;
    file.stamp_.size = info.st_size > 0 ? static_cast<uint64_t>(info.st_size) : 0;
    file.stamp_.modifiedNs = int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec;
    file.stamp_.changedNs = int64_t{info.st_ctim.tv_sec} * 1'000'000'000 + info.st_ctim.tv_nsec;
    file.stamp_.inode = static_cast<uint64_t>(info.st_ino);
    file.stamp_.device = static_cast<uint64_t>(info.st_dev);
    if (!S_ISREG(info.st_mode)) {
        file.fault_ = FileFault::kNotAFile;
        return file;
    }
    file.fault_ = FileFault::kNone;
    file.fd_ = std::move(fd);
    return file;
}

InputFile InputFile::Missing() {
    return FromDescriptor(FileDescriptor(), ENOENT);
}

InputFile InputFile::Slice(const InputFile& whole, uint64_t offset, uint64_t size, uint64_t inode) {
    InputFile file;
    if (!whole.IsOpen()) {
        file.fault_ = whole.fault_;
        file.error_ = whole.error_;
        file.mode_ = whole.mode_;
        return file;
    }
    FileDescriptor fd(::fcntl(whole.fd_.Get(), F_DUPFD_CLOEXEC, 0));
    if (!fd.IsOpen()) {
        file.error_ = errno;
        return file;
    }
    file.fd_ = std::move(fd);
    file.slice_ = true;
    file.fault_ = FileFault::kNone;
    file.mode_ = whole.mode_;
    file.hasStamp_ = true;
    file.stamp_ = whole.stamp_;
    file.stamp_.inode = inode;
    // Never past the end of the whole: a slice a damaged image declares too long is cut.
    const uint64_t start = whole.base_ + std::min(offset, whole.stamp_.size);
    file.base_ = start;
    file.stamp_.size = std::min(size, whole.base_ + whole.stamp_.size - start);
    return file;
}

std::string InputFile::Reason() const {
    switch (fault_) {
        case FileFault::kNone:
            return {};
        case FileFault::kNotAFile: {
            const char* what = S_ISFIFO(mode_)                    ? "a named pipe"
                               : S_ISSOCK(mode_)                  ? "a socket"
                               : S_ISDIR(mode_)                   ? "a folder"
                               : S_ISCHR(mode_) || S_ISBLK(mode_) ? "a device"
                                                                  : "something else";
            return std::string("it is ") + what + ", not a regular file";
        }
        case FileFault::kTooLarge:
            return "it is larger than allowed";
        case FileFault::kMissing:
        case FileFault::kFailed:
            break;
    }
    return std::error_code(error_, std::generic_category()).message();
}

base::Result<void> InputFile::ReadSpan(uint64_t offset, size_t count, std::string& out) {
    out.clear();
    if (!IsOpen()) {
        return base::Failure(Reason());
    }
    if (offset >= stamp_.size) {
        return {};
    }
    count = static_cast<size_t>(std::min<uint64_t>(count, stamp_.size - offset));
    out.resize(count);
    size_t got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd_.Get(), out.data() + got, count - got,
                                  static_cast<off_t>(base_ + offset + got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error_ = errno;
            out.clear();
            return base::Failure(std::error_code(error_, std::generic_category()).message());
        }
        if (n == 0) {
            break;  // the file shrank meanwhile
        }
        got += static_cast<size_t>(n);
    }
    out.resize(got);
    return {};
}

base::Result<void> InputFile::ReadAll(uint64_t maxBytes, std::string& out) {
    out.clear();
    if (!IsOpen()) {
        return base::Failure(Reason());
    }
    if (stamp_.size > maxBytes) {
        fault_ = FileFault::kTooLarge;
        return base::Failure(Reason());
    }
    if (slice_) {
        // A slice of a disc image never grows: exactly what it holds.
        return ReadSpan(0, static_cast<size_t>(stamp_.size), out);
    }
    // What stat announced, then on to the end in case the file grew, never past the cap.
    out.resize(static_cast<size_t>(stamp_.size));
    size_t total = 0;
    while (true) {
        if (total == out.size()) {
            if (total > maxBytes) {
                fault_ = FileFault::kTooLarge;
                out.clear();
                return base::Failure(Reason());
            }
            const uint64_t grown = std::min<uint64_t>(maxBytes + 1, total + size_t{64} * 1024);
            out.resize(std::max<size_t>(static_cast<size_t>(grown), total + 1));
        }
        const ssize_t n =
            ::pread(fd_.Get(), out.data() + total, out.size() - total, static_cast<off_t>(total));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error_ = errno;
            fault_ = FileFault::kFailed;
            out.clear();
            return base::Failure(Reason());
        }
        if (n == 0) {
            break;
        }
        total += static_cast<size_t>(n);
    }
    out.resize(total);
    return {};
}

FileBytes ReadFile(const std::filesystem::path& path, uint64_t maxBytes) {
    return ReadFile(InputFile::Open(path), maxBytes);
}

FileBytes ReadFile(InputFile file, uint64_t maxBytes) {
    FileBytes result;
    // A refused read leaves its fault on the file, which the result takes over below.
    if (file.IsOpen() && !file.ReadAll(maxBytes, result.bytes)) {
        result.bytes.clear();
    }
    result.fault = file.Fault();
    result.errorNumber = file.ErrorNumber();
    result.reason = file.Reason();
    result.hasStamp = file.HasStamp();
    result.stamp = file.Stamp();
    return result;
}

}  // namespace stagehand::host
