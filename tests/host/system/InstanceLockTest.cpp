#include "host/system/InstanceLock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/TempFolder.h"

namespace stagehand::host {
namespace {
namespace fs = std::filesystem;
using namespace std::string_literals;

using enum InstanceLock::Status;

class InstanceLockTest : public ::testing::Test {
  protected:
    InstanceLock::Result Claim(std::string_view name) { return InstanceLock::Claim(name, locks_); }

    testing::TempFolder base_;
    const fs::path locks_ = base_.Path() / "locks";
};

// A second claim opens the file anew, as another player would. An empty name is never
// locked on, and makes no folder.
TEST_F(InstanceLockTest, HoldsALockPerNameCaseBlindUntilReleased) {
    const InstanceLock::Result empty = Claim("");
    EXPECT_EQ(empty.status, kUnavailable);
    EXPECT_NE(empty.error, "");
    EXPECT_FALSE(fs::exists(locks_));

    InstanceLock::Result first = Claim("My Title");
    ASSERT_EQ(first.status, kClaimed) << first.error;
    EXPECT_EQ(first.error, "");
    EXPECT_EQ(first.lock->File(), locks_ / InstanceLock::FileName("My Title"));
    EXPECT_TRUE(fs::is_regular_file(first.lock->File()));
    EXPECT_EQ(fs::status(locks_).permissions(), fs::perms::owner_all);

    const InstanceLock::Result second = Claim("My Title");
    EXPECT_EQ(second.status, kHeldElsewhere);
    EXPECT_EQ(second.lock, nullptr);
    EXPECT_NE(second.error, "");

    first.lock.reset();
    const InstanceLock::Result third = Claim("My Title");
    EXPECT_EQ(third.status, kClaimed) << third.error;
    EXPECT_EQ(Claim("My Title").status, kHeldElsewhere);

    // Letters fold as the window search folds them, accented 1252 letters too; the file name
    // is the 64-bit FNV-1a hash of the folded name, so any bytes are safe.
    EXPECT_EQ(InstanceLock::FileName("A"), "title-af63fc4c860222ec");
    const InstanceLock::Result accented = Claim("caf\xE9");
    ASSERT_EQ(accented.status, kClaimed);
    for (const char* name : {"MY TITLE", "my title", "CAF\xE9", "CAF\xC9", "caf\xC9"}) {
        EXPECT_EQ(Claim(name).status, kHeldElsewhere) << name;
    }
    const std::string others[] = {"My Title 2",       "MyTitle", "cafe",
                                  "../../etc/passwd", "x\0y"s,   std::string(4096, '\xFF')};
    for (const std::string& name : others) {
        const InstanceLock::Result result = Claim(name);
        ASSERT_EQ(result.status, kClaimed) << name.substr(0, 20) << ": " << result.error;
        EXPECT_EQ(result.lock->File().parent_path(), locks_);
    }
}

// A child process claims the lock, reports through `ready` whether it got it, and holds it
// until `release` closes (it then exits normally) or it is killed. Nothing between the fork
// and the wait can stop the test, so the child never outlives it.
TEST_F(InstanceLockTest, AnotherProcessHoldsTheLockUntilItEndsOrDies) {
    for (const bool crash : {false, true}) {
        SCOPED_TRACE(crash ? "killed" : "ended");
        int ready[2], release[2];
        ASSERT_EQ(pipe(ready), 0);
        ASSERT_EQ(pipe(release), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(release[1]);
            const InstanceLock::Result held = InstanceLock::Claim("Shared Title", locks_);
            const char status = held.status == kClaimed ? 'c' : 'x';
            char ignored = 0;
            _exit(write(ready[1], &status, 1) == 1 && read(release[0], &ignored, 1) >= 0 ? 0 : 2);
        }
        close(ready[1]);
        close(release[0]);
        char status = 0;
        const bool claimed = read(ready[0], &status, 1) == 1 && status == 'c';
        const InstanceLock::Result refused = Claim("shared title");
        if (crash) {
            kill(child, SIGKILL);
        }
        close(release[1]);
        close(ready[0]);
        int ended = 0;
        waitpid(child, &ended, 0);
        ASSERT_TRUE(claimed);
        EXPECT_EQ(refused.status, kHeldElsewhere);
        EXPECT_EQ(refused.lock, nullptr);
        EXPECT_TRUE(crash ? WIFSIGNALED(ended) : WIFEXITED(ended) && WEXITSTATUS(ended) == 0);
        EXPECT_EQ(Claim("Shared Title").status, kClaimed);
    }
}

TEST_F(InstanceLockTest, RefusesALockFolderOthersCouldChange) {
    const auto error = [&](const fs::path& folder) {
        const InstanceLock::Result result = InstanceLock::Claim("Title", folder);
        EXPECT_EQ(result.status, kUnavailable) << folder;
        EXPECT_EQ(result.lock, nullptr);
        return result.error;
    };
    const auto folder = [&](const char* name, fs::perms perms) {
        const fs::path made = base_.MakeFolder(name);
        fs::permissions(made, perms);
        return made;
    };
    const fs::path open = folder("open", fs::perms::all);
    EXPECT_EQ(error(open), "the lock folder `" + open.native() +
                               "` belongs to another user or others may write to it");
    EXPECT_NE(error(folder("group", fs::perms::owner_all | fs::perms::group_all)), "");
    const fs::path mine = folder("mine", fs::perms::owner_all);
    fs::create_directory_symlink(mine, base_.Path() / "link");
    EXPECT_EQ(error(base_.Path() / "link"),
              "the lock folder `" + (base_.Path() / "link").native() + "` is not a folder");
    EXPECT_NE(error(base_.Write("file")), "");
    EXPECT_EQ(error(base_.Path() / "missing/locks").rfind("cannot make the lock folder", 0), 0u);
    if (geteuid() == 0) {  // only the superuser can give a folder away
        const fs::path given = folder("given", fs::perms::owner_all);
        ASSERT_EQ(chown(given.c_str(), 65534, 65534), 0);
        EXPECT_NE(error(given), "");
    }
    EXPECT_EQ(InstanceLock::Claim("Title", mine).status, kClaimed);
}

// Sets XDG_RUNTIME_DIR (unsets it for nullptr) and restores it at the end.
class RuntimeDir {
  public:
    ~RuntimeDir() { Set(old_ ? old_->c_str() : nullptr); }
    void Set(const char* value) { value != nullptr ? setenv(kName, value, 1) : unsetenv(kName); }

  private:
    static constexpr const char* kName = "XDG_RUNTIME_DIR";
    const char* const now_ = std::getenv(kName);
    const std::optional<std::string> old_ = now_ ? std::optional<std::string>(now_) : std::nullopt;
};

TEST_F(InstanceLockTest, KeepsLocksInTheUsersRuntimeFolderWhenItIsPrivate) {
    const fs::path runtime = base_.MakeFolder("run");
    fs::permissions(runtime, fs::perms::owner_all);
    RuntimeDir environment;
    environment.Set(runtime.c_str());
    EXPECT_EQ(InstanceLock::UserLockFolder(), runtime / "stagehand");
    const InstanceLock::Result result = InstanceLock::Claim("Title");
    ASSERT_EQ(result.status, kClaimed) << result.error;
    EXPECT_EQ(result.lock->File(), runtime / "stagehand" / InstanceLock::FileName("Title"));

    // Relative, empty, missing, open to others or unset: the fallback.
    const fs::path open = base_.MakeFolder("open");
    fs::permissions(open, fs::perms::all);
    const std::string missing = (base_.Path() / "missing").native();
    for (const char* value :
         {"run", "", missing.c_str(), open.c_str(), static_cast<const char*>(nullptr)}) {
        environment.Set(value);
        EXPECT_EQ(InstanceLock::UserLockFolder(), "/tmp/stagehand-" + std::to_string(geteuid()))
            << (value != nullptr ? value : "unset");
    }
}

}  // namespace
}  // namespace stagehand::host
