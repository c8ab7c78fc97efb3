// Keeps a second player from running a title that is already running for the same user:
// the player claims a lock named after the title's window name at start and ends at once
// when another live player holds it. Within one process the window system finds the
// title's window by name; this lock covers players in other processes.
//
// Guarantees: the lock is flock(LOCK_EX | LOCK_NB) on a file in the user's lock folder,
// $XDG_RUNTIME_DIR/stagehand/ when XDG_RUNTIME_DIR names an absolute directory of this
// user, else /tmp/stagehand-<uid>/. The folder is made with mode 0700 and refused when it
// is a link, not a directory, not this user's, or writable by others. The file name is
// "title-" and 16 hex digits of the 64-bit FNV-1a hash of the window name with its
// Windows-1252 letters folded (FoldCase1252, as the window search folds), so names that
// differ only in case, accented letters included, share a lock and any bytes are safe.
// The lock is held while the InstanceLock lives and dropped by the system when the process
// dies, so a crashed player never blocks the next start.
// Where it bites: lock files are left in place (removing one would race a player opening
// it). flock locks belong to an open file description: a second claim in the same process
// is refused like one from another process, and a child forked while the lock is held
// shares it. Names whose hashes collide share a lock. A folder on a file system without
// flock makes the lock unavailable, and the caller then runs without one.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "host/files/File.h"

namespace stagehand::host {

class InstanceLock {
  public:
    enum class Status {
        kClaimed,        // lock holds the claim
        kHeldElsewhere,  // another open lock on the same name, in this or another process
        kUnavailable,    // no lock could be taken; error says why
    };

    struct Result {
        Status status = Status::kUnavailable;
        std::unique_ptr<InstanceLock> lock;  // set only when claimed
        std::string error;                   // UTF-8, for the trace; empty when claimed
    };

    // Claims the lock for windowName in the user's lock folder. An empty name is never
    // locked on: unavailable.
    static Result Claim(std::string_view windowName);

    // The same in lockFolder, made (its parent must exist) and checked as the user's lock
    // folder is: for tests and for callers that keep locks elsewhere.
    static Result Claim(std::string_view windowName, const std::filesystem::path& lockFolder);

    // The user's lock folder, chosen from the environment as described above; it need not
    // exist yet.
    static std::filesystem::path UserLockFolder();

    // The lock file's name for windowName.
    static std::string FileName(std::string_view windowName);

    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    const std::filesystem::path& File() const { return file_; }

  private:
    InstanceLock(FileDescriptor fd, std::filesystem::path file);

    FileDescriptor fd_;
    std::filesystem::path file_;
};

}  // namespace stagehand::host
