#include "host/files/ChangeWatch.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace stagehand::host {
namespace {
namespace fs = std::filesystem;

struct Seen {
    int watch;
    uint32_t mask;
    std::string name;
};

class ChangeWatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!watch_.Available() || !ChangeWatch::SeesEveryChange(folder_.Path())) {
            GTEST_SKIP() << "no change events for the temporary folder here";
        }
    }

    // Everything waiting, drained as often as it takes.
    std::vector<Seen> DrainAll() {
        std::vector<Seen> seen;
        for (int i = 0; i < 1000 && watch_.Pending(); ++i) {
            watch_.Drain([&](const ChangeWatch::Change& c) {
                seen.push_back({c.watch, c.mask, std::string(c.name)});
            });
        }
        EXPECT_FALSE(watch_.Pending());
        return seen;
    }

    static bool Names(const std::vector<Seen>& seen, int watch, const std::string& name) {
        return std::any_of(seen.begin(), seen.end(),
                           [&](const Seen& s) { return s.watch == watch && s.name == name; });
    }

    testing::TempFolder folder_;
    ChangeWatch watch_;
};

TEST_F(ChangeWatchTest, ReportsWritesByNameAndNothingWhenIdle) {
    const fs::path file = folder_.Write("x.ini", "1");
    const int dir = watch_.Add(folder_.Path(), true);
    const int self = watch_.Add(file, false);
    ASSERT_GE(dir, 0);
    ASSERT_GE(self, 0);
    EXPECT_EQ(watch_.Add(file, true), -1);  // not a folder
    EXPECT_FALSE(watch_.Pending());

    std::ifstream(file).get();  // reading is no change
    EXPECT_FALSE(watch_.Pending());
    folder_.Write("x.ini", "2");
    const std::vector<Seen> seen = DrainAll();
    EXPECT_TRUE(Names(seen, dir, "x.ini"));
    EXPECT_TRUE(Names(seen, self, ""));
    for (const Seen& s : seen) {
        EXPECT_NE(s.mask & (IN_MODIFY | IN_CLOSE_WRITE), 0u);
    }
}

TEST_F(ChangeWatchTest, SharesOneWatchPerInodeUntilTheLastRemove) {
    const fs::path sub = folder_.MakeFolder("sub");
    const int first = watch_.Add(sub, true);
    const int again = watch_.Add(folder_.Path() / "sub/.", true);
    ASSERT_GE(first, 0);
    EXPECT_EQ(again, first);

    watch_.Remove(first);
    folder_.Write("sub/a", "1");
    EXPECT_TRUE(Names(DrainAll(), first, "a"));

    watch_.Remove(first);
    folder_.Write("sub/b", "1");
    EXPECT_FALSE(Names(DrainAll(), first, "b"));
}

TEST_F(ChangeWatchTest, AFolderDeletedWhileWatchedIsReportedAndCanBeWatchedAgain) {
    const int old = watch_.Add(folder_.MakeFolder("sub"), true);
    ASSERT_GE(old, 0);
    fs::remove_all(folder_.Path() / "sub");
    const std::vector<Seen> seen = DrainAll();
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [&](const Seen& s) {
        return s.watch == old && (s.mask & IN_IGNORED) != 0;
    }));

    const int fresh = watch_.Add(folder_.MakeFolder("sub"), true);
    ASSERT_GE(fresh, 0);
    EXPECT_NE(fresh, old);
    folder_.Write("sub/a", "1");
    EXPECT_TRUE(Names(DrainAll(), fresh, "a"));
    watch_.Remove(old);  // the ended watch's holder lets go; the new one stays
    folder_.Write("sub/b", "1");
    EXPECT_TRUE(Names(DrainAll(), fresh, "b"));
}

}  // namespace
}  // namespace stagehand::host
