// Writing a title file whole or not at all. The new contents go to a temporary file beside
// the target; only when every byte is written and flushed to the disk does a rename put it
// in the target's place. A crash, a full disk or a refused write at any step leaves the old
// file as it was, and the temporary file is removed.
//
// Guarantees: the temporary file is created exclusively (never an existing file or link),
// with the permissions an existing target had (new files get the user's default); a target
// that is a symbolic link keeps the link and replaces the file it points to.
// Where it bites: the folder must let the player create files, even when the target itself
// is writable; the rename is atomic only on one file system, which beside the target it is.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "host/files/File.h"

namespace stagehand::host {

class FileReplacement {
  public:
    // Creates the temporary file for `target`; check IsOpen().
    explicit FileReplacement(const std::filesystem::path& target);
    // Removes the temporary file unless Commit succeeded.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    bool IsOpen() const { return fd_.IsOpen(); }
    // Appends bytes; false once anything failed.
    bool Write(std::string_view bytes);
    // Flushes the bytes to the disk and renames the temporary file over the target.
    bool Commit();
    // Why the last step failed ("No space left on device", ...).
    const std::string& Reason() const { return reason_; }
    const std::filesystem::path& TemporaryPath() const { return temporary_; }

  private:
    bool Fail(int errorNumber);
    void RemoveTemporary();

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    FileDescriptor fd_;
    bool failed_ = false;
    std::string reason_;
};

// The whole replacement in one call; false with `reason` set when the old file stayed.
bool ReplaceFile(const std::filesystem::path& target, std::string_view bytes,
                 std::string* reason = nullptr);

}  // namespace stagehand::host
