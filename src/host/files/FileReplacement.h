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

#include "base/Result.h"
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
    // Appends bytes. Once any step failed, every later one fails with that step's reason
    // ("No space left on device", ...).
    base::Result<void> Write(std::string_view bytes);
    // Flushes the bytes to the disk and renames the temporary file over the target.
    base::Result<void> Commit();
    const std::filesystem::path& TemporaryPath() const { return temporary_; }

  private:
    base::Failure Fail(int errorNumber);
    base::Result<void> Refused() const;
    void RemoveTemporary();

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    FileDescriptor fd_;
    bool failed_ = false;
    std::string reason_;
};

// The whole replacement in one call; fails, saying why, when the old file stayed.
base::Result<void> ReplaceFile(const std::filesystem::path& target, std::string_view bytes);

}  // namespace stagehand::host
