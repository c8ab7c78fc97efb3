// Reading title files: one owned descriptor type, and bounded reads of regular files that
// never block, whatever the name points at.
//
// Guarantees: opening uses O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, so a named pipe,
// a terminal or a device named where a file should be cannot stall the player, and the
// descriptor is then examined with fstat: anything but a regular file (named pipe, socket,
// device, folder) is refused before a byte is read. Every read is bounded by the caller's
// limit; reads are retried when a signal interrupts them. Nothing here throws except on
// allocation failure.
// Where it bites: a file that grows or shrinks while it is read gives what was there when
// it was read (a whole-file read refuses one that grows past its limit). Descriptors are
// plain POSIX descriptors: code outside the host layer uses these types, never the calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "base/Result.h"

namespace stagehand::host {

// Owns one descriptor and closes it when it goes; moves, never copies.
class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { Reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    // Gives the descriptor up without closing it.
    int Release();
    // Closes the descriptor now.
    void Reset();

  private:
    int fd_ = -1;
};

// Reads until `size` bytes have come, the file ends or an error other than an interruption
// occurs; returns how many bytes were read.
size_t ReadAtMost(int fd, char* buffer, size_t size);

// What one stat says about a file; any difference means the file changed.
struct FileStamp {
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;
    uint64_t inode = 0;
    uint64_t device = 0;
    bool operator==(const FileStamp&) const = default;
};

// Why a file was not read.
enum class FileFault {
    kNone,
    kMissing,   // nothing by that name (or a folder on the way is missing)
    kNotAFile,  // a named pipe, socket, device or folder
    kTooLarge,  // longer than the caller's limit
    kFailed,    // the system refused: errorNumber says why
};

// A regular file opened for reading. Open never blocks and refuses anything else.
class InputFile {
  public:
    static InputFile Open(const std::filesystem::path& path);
    // Takes over a descriptor opened elsewhere (a safe walk of a title folder) and examines
    // it as Open does. A closed descriptor gives kFailed with errorNumber.
    static InputFile FromDescriptor(FileDescriptor fd, int errorNumber);
    // `size` bytes from `offset` of an open file seen as a file of their own (a file inside
    // a disc image): a duplicate of its descriptor, offsets counted from `offset`, and the
    // stamp of the whole with this size and `inode` (so two slices never look alike).
    // A file that is not there (kMissing), for a name that leads to nothing.
    static InputFile Missing();
    static InputFile Slice(const InputFile& whole, uint64_t offset, uint64_t size, uint64_t inode);

    bool IsOpen() const { return fd_.IsOpen(); }
    FileFault Fault() const { return fault_; }
    int ErrorNumber() const { return error_; }
    // Why the file is not open, as a sentence part: "it is a named pipe, not a regular
    // file", "No such file or directory", ...
    std::string Reason() const;
    // Set whenever fstat succeeded, also for a file refused as not regular.
    bool HasStamp() const { return hasStamp_; }
    const FileStamp& Stamp() const { return stamp_; }
    uint64_t Size() const { return stamp_.size; }

    // Up to `count` bytes from `offset` into `out` (fewer where the file ends), reusing its
    // memory. When reading fails ErrorNumber is set and the error says why ("Input/output
    // error"); a file that is not open fails with its Reason().
    base::Result<void> ReadSpan(uint64_t offset, size_t count, std::string& out);
    // Everything from the start when the file holds at most maxBytes, even when it grew
    // since it was opened; kTooLarge otherwise. The error is Reason() after the failure.
    base::Result<void> ReadAll(uint64_t maxBytes, std::string& out);

  private:
    FileDescriptor fd_;
    uint64_t base_ = 0;  // where this file starts in the descriptor's file
    bool slice_ = false;
    FileFault fault_ = FileFault::kFailed;
    int error_ = 0;
    uint32_t mode_ = 0;
    bool hasStamp_ = false;
    FileStamp stamp_;
};

// How a reader reaches the file at a path: TitlePaths::Open for a title's files, which
// never follows a link out of the title, or InputFile::Open for the user's own.
using FileOpener = std::function<InputFile(const std::filesystem::path&)>;

// A whole file of at most maxBytes, read through one descriptor so that `stamp` describes
// what was read.
struct FileBytes {
    FileFault fault = FileFault::kFailed;
    std::string bytes;   // the file, when fault is kNone
    std::string reason;  // why not, as InputFile::Reason says
    int errorNumber = 0;
    bool hasStamp = false;
    FileStamp stamp;
    bool Read() const { return fault == FileFault::kNone; }
};
FileBytes ReadFile(const std::filesystem::path& path, uint64_t maxBytes);
// The same for a file already opened (a refused one gives its fault and reason).
FileBytes ReadFile(InputFile file, uint64_t maxBytes);

// Text bytes seen as the unsigned bytes decoders take.
inline std::span<const uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace stagehand::host
