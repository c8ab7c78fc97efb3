#include "host/system/InstanceLock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/TempFolder.h"

namespace stagehand::host {
namespace {
namespace fs = std::filesystem;

using Status = InstanceLock::Status;

class InstanceLockTest : public ::testing::Test {
  protected:
    InstanceLock::Result Claim(std::string_view name) { return InstanceLock::Claim(name, locks_); }

    Status StatusOf(std::string_view name) { return Claim(name).status; }

    testing::TempFolder base_;
    const fs::path locks_ = base_.Path() / "locks";
};

TEST_F(InstanceLockTest, HoldsTheLockUntilReleased) {
    InstanceLock::Result first = Claim("My Title");
    ASSERT_EQ(first.status, Status::kClaimed) << first.error;
    ASSERT_NE(first.lock, nullptr);
    EXPECT_EQ(first.error, "");
    EXPECT_EQ(first.lock->File(), locks_ / "title-a3da9316647caf45");
    EXPECT_TRUE(fs::is_regular_file(first.lock->File()));
    struct stat info {};
    ASSERT_EQ(stat(locks_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A second claim opens the file anew, as another player would.
    const InstanceLock::Result second = Claim("My Title");
    EXPECT_EQ(second.status, Status::kHeldElsewhere);
    EXPECT_EQ(second.lock, nullptr);
    EXPECT_NE(second.error, "");

    first.lock.reset();
    const InstanceLock::Result third = Claim("My Title");
    EXPECT_EQ(third.status, Status::kClaimed) << third.error;
    EXPECT_EQ(StatusOf("My Title"), Status::kHeldElsewhere);
}

TEST_F(InstanceLockTest, NamesMatchCaseBlindOnAsciiLettersAndAnyBytesAreSafe) {
    const InstanceLock::Result held = Claim("My Title");
    ASSERT_EQ(held.status, Status::kClaimed);
    EXPECT_EQ(StatusOf("MY TITLE"), Status::kHeldElsewhere);
    EXPECT_EQ(StatusOf("my title"), Status::kHeldElsewhere);
    EXPECT_EQ(StatusOf("My Title 2"), Status::kClaimed);
    EXPECT_EQ(StatusOf("MyTitle"), Status::kClaimed);

    // Accented letters were not folded by the desktop's title comparison either.
    const InstanceLock::Result lower = Claim("caf\xE9");
    EXPECT_EQ(lower.status, Status::kClaimed);
    EXPECT_EQ(StatusOf("CAF\xC9"), Status::kClaimed);
    EXPECT_EQ(StatusOf("CAF\xE9"), Status::kHeldElsewhere);

    EXPECT_EQ(InstanceLock::FileName("A"), "title-af63fc4c860222ec");
    for (const std::string& name :
         {std::string("../../etc/passwd"), std::string("x\0y", 3), std::string(4096, '\xFF')}) {
        const InstanceLock::Result result = Claim(name);
        ASSERT_EQ(result.status, Status::kClaimed) << result.error;
        EXPECT_EQ(result.lock->File().parent_path(), locks_);
    }
}

TEST_F(InstanceLockTest, NeverLocksOnAnEmptyName) {
    const InstanceLock::Result result = Claim("");
    EXPECT_EQ(result.status, Status::kUnavailable);
    EXPECT_NE(result.error, "");
    EXPECT_FALSE(fs::exists(locks_));
}

// A child process claims the lock, says so through one pipe and holds it until told through
// another (or until it is killed).
class ChildHolder {
  public:
    ChildHolder(const fs::path& locks, std::string_view name) {
        if (pipe(ready_) != 0 || pipe(release_) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            close(ready_[0]);
            close(release_[1]);
            const InstanceLock::Result result = InstanceLock::Claim(name, locks);
            const char status = result.status == Status::kClaimed ? 'c' : 'x';
            if (write(ready_[1], &status, 1) != 1) {
                _exit(2);
            }
            char ignored = 0;
            while (read(release_[0], &ignored, 1) < 0 && errno == EINTR) {
            }
            _exit(0);
        }
        close(ready_[1]);
        close(release_[0]);
    }
    ~ChildHolder() {
        close(ready_[0]);
        close(release_[1]);
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    // True once the child holds the lock.
    bool Claimed() {
        char status = 0;
        ssize_t got = 0;
        do {
            got = read(ready_[0], &status, 1);
        } while (got < 0 && errno == EINTR);
        return pid_ > 0 && got == 1 && status == 'c';
    }

    // Ends the child, normally or as a crash; returns its wait status.
    int End(bool crash) {
        if (crash) {
            kill(pid_, SIGKILL);
        } else {
            close(release_[1]);
            release_[1] = -1;
        }
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

  private:
    int ready_[2] = {-1, -1};
    int release_[2] = {-1, -1};
    pid_t pid_ = -1;
};

TEST_F(InstanceLockTest, AnotherProcessHoldsTheLockUntilItEndsOrDies) {
    for (const bool crash : {false, true}) {
        SCOPED_TRACE(crash ? "killed" : "ended");
        ChildHolder child(locks_, "Shared Title");
        ASSERT_TRUE(child.Claimed());
        const InstanceLock::Result refused = Claim("shared title");
        EXPECT_EQ(refused.status, Status::kHeldElsewhere);
        EXPECT_EQ(refused.lock, nullptr);

        const int status = child.End(crash);
        EXPECT_EQ(crash ? WIFSIGNALED(status) : WIFEXITED(status) && WEXITSTATUS(status) == 0,
                  true);
        EXPECT_EQ(StatusOf("Shared Title"), Status::kClaimed);
    }
}

TEST_F(InstanceLockTest, RefusesALockFolderOthersCouldChange) {
    const auto error = [&](const fs::path& folder) {
        const InstanceLock::Result result = InstanceLock::Claim("Title", folder);
        EXPECT_EQ(result.status, Status::kUnavailable) << folder;
        EXPECT_EQ(result.lock, nullptr);
        return result.error;
    };
    const fs::path open = base_.MakeFolder("open");
    fs::permissions(open, fs::perms::all);
    EXPECT_EQ(error(open), "the lock folder `" + open.native() +
                               "` belongs to another user or others may write to it");
    const fs::path group = base_.MakeFolder("group");
    fs::permissions(group, fs::perms::owner_all | fs::perms::group_all);
    EXPECT_NE(error(group), "");

    const fs::path mine = base_.MakeFolder("mine");
    fs::permissions(mine, fs::perms::owner_all);
    fs::create_directory_symlink(mine, base_.Path() / "link");
    EXPECT_EQ(error(base_.Path() / "link"),
              "the lock folder `" + (base_.Path() / "link").native() + "` is not a folder");
    EXPECT_NE(error(base_.Write("file")), "");
    EXPECT_EQ(error(base_.Path() / "missing/locks").rfind("cannot make the lock folder", 0), 0u);

    if (geteuid() == 0) {  // only the superuser can give a folder away
        const fs::path given = base_.MakeFolder("given");
        fs::permissions(given, fs::perms::owner_all);
        ASSERT_EQ(chown(given.c_str(), 65534, 65534), 0);
        EXPECT_NE(error(given), "");
    }
    EXPECT_EQ(InstanceLock::Claim("Title", mine).status, Status::kClaimed);
}

// Sets an environment variable for a scope and restores it afterwards.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        Set(value);
    }
    ~ScopedEnvironment() { Set(old_ ? old_->c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void Set(const char* value) {
        if (value != nullptr) {
            setenv(name_, value, 1);
        } else {
            unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST_F(InstanceLockTest, KeepsLocksInTheUsersRuntimeFolderWhenItIsPrivate) {
    const fs::path fallback = "/tmp/stagehand-" + std::to_string(geteuid());
    const fs::path runtime = base_.MakeFolder("run");
    fs::permissions(runtime, fs::perms::owner_all);
    ScopedEnvironment environment("XDG_RUNTIME_DIR", runtime.c_str());
    EXPECT_EQ(InstanceLock::UserLockFolder(), runtime / "stagehand");
    const InstanceLock::Result result = InstanceLock::Claim("Title");
    ASSERT_EQ(result.status, Status::kClaimed) << result.error;
    EXPECT_EQ(result.lock->File(), runtime / "stagehand" / InstanceLock::FileName("Title"));

    environment.Set("run");
    EXPECT_EQ(InstanceLock::UserLockFolder(), fallback);
    environment.Set("");
    EXPECT_EQ(InstanceLock::UserLockFolder(), fallback);
    environment.Set((base_.Path() / "missing").c_str());
    EXPECT_EQ(InstanceLock::UserLockFolder(), fallback);
    fs::permissions(runtime, fs::perms::all);
    environment.Set(runtime.c_str());
    EXPECT_EQ(InstanceLock::UserLockFolder(), fallback);
    environment.Set(nullptr);
    EXPECT_EQ(InstanceLock::UserLockFolder(), fallback);
}

}  // namespace
}  // namespace stagehand::host
