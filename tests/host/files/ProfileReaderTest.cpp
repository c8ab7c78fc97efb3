#include "host/files/ProfileReader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/files/ChangeWatch.h"

#include "support/TempFolder.h"

namespace stagehand::host {
namespace {
namespace fs = std::filesystem;
using namespace std::literals;

class ProfileReaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reader_.SetErrorSink([this](const std::string& m) { faults_.push_back(m); });
    }

    fs::path Write(const fs::path& relative, const std::string& bytes) {
        return folder_.Write(relative, bytes);
    }

    // Reads key k of section s, checking that the count returned is the length read.
    std::string Get(std::string_view key, uint32_t size = 1024, std::string_view dflt = "",
                    std::string_view file = "C:\\t.ini") {
        std::string out = "stale";
        const uint32_t n = reader_.ReadString(file, "s", key, dflt, out, size);
        EXPECT_EQ(n, out.size());
        return out;
    }
    std::string Read(std::string_view file = "C:\\t.ini") { return Get("k", 1024, "none", file); }
    std::string Section(std::string_view file, std::string_view section, uint32_t size) {
        std::string out = "stale";
        const uint32_t n = reader_.ReadSection(file, section, out, size);
        EXPECT_EQ(n, out.size());
        return out;
    }

    // Rewrites a file in place keeping its size and modification time, so only the change
    // time and the written event tell.
    static void RewriteKeepingTimes(const fs::path& file, const std::string& bytes) {
        struct stat before {};
        ASSERT_EQ(::stat(file.c_str(), &before), 0);
        ASSERT_EQ(static_cast<size_t>(before.st_size), bytes.size());
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    }

    // How many files reads here are meant to watch rather than stat.
    size_t Watched(size_t files) const {
        return ChangeWatch().Available() && ChangeWatch::SeesEveryChange(root_) ? files : 0;
    }

    testing::TempFolder folder_;
    const fs::path& root_ = folder_.Path();
    TitlePaths paths_{root_};
    ProfileReader reader_{paths_};
    std::vector<std::string> faults_;
};

// A value loses one outer pair of matching quotes and is cut to the buffer less one; a
// default loses its trailing blanks. A section's text ends with an extra NUL, which must fit
// the buffer too. Names end at a NUL, as the callers' C strings do; bare file names are not
// looked for in the title folder.
TEST_F(ProfileReaderTest, ReadsValuesAndSectionsCutToTheBuffer) {
    Write("t.ini",
          "[s]\nshort=abc\nd=\"abc\"\nq='abc'\nmixed=\"abc'\nlone=\"\nempty=\"\"\n"
          "twice=\"\"x\"\"\ninner=a\"b\"\nspaced = \" padded \" \nk=v\n");
    struct Case {
        std::string_view key;
        uint32_t size;
        std::string_view dflt, expected;
    };
    const Case cases[] = {
        {"short", 4, "", "abc"},    {"short", 3, "", "ab"},         {"short", 2, "", "a"},
        {"short", 1, "", ""},       {"short", 0, "d", ""},          {"d", 1024, "", "abc"},
        {"d", 3, "", "ab"},         {"q", 1024, "", "abc"},         {"mixed", 9, "", "\"abc'"},
        {"lone", 9, "", "\""},      {"empty", 9, "x", ""},          {"twice", 9, "", "\"x\""},
        {"inner", 9, "", "a\"b\""}, {"spaced", 99, "", " padded "}, {"no", 64, "dflt  ", "dflt"},
        {"no", 3, "dflt", "df"},    {"no", 64, "  ", ""},           {"no", 64, "d \0x"sv, "d"},
        {"k\0x"sv, 64, "", "v"}};
    for (const Case& c : cases) {
        EXPECT_EQ(Get(c.key, c.size, c.dflt), c.expected) << c.key << " " << c.size;
    }
    std::string out;
    EXPECT_EQ(reader_.ReadString("C:\\t.ini\0x"s, "s\0x"s, "k", "d", out, 64), 1u);
    EXPECT_EQ(out, "v");
    EXPECT_EQ(reader_.ReadString("C:\\t.ini", "other", "k", "d", out, 64), 1u);
    EXPECT_EQ(out, "d");
    EXPECT_EQ(Get("k", 64, "dd", "C:\\none.ini"), "dd");

    Write("c.ini", "[s]\nk=xx\n");
    const std::pair<uint32_t, std::string> sizes[] = {{6, "k=xx\0"s}, {5, "k=x"}, {3, "k"},
                                                      {2, ""},        {1, ""},    {0, ""}};
    for (const auto& [size, expected] : sizes) {
        EXPECT_EQ(Section("C:\\c.ini", "S", size), expected) << size;
    }
    EXPECT_EQ(Section("C:\\c.ini", "nosuch", 100), "");
    EXPECT_EQ(Section("C:\\none.ini", "s", 100), "");
    EXPECT_EQ(Section("c.ini", "s", 100), "");

    Write("x/y.ini", "[s]\nk=sub\n");
    EXPECT_EQ(Read("c.ini"), "none");
    EXPECT_EQ(Read("c:C.INI"), "xx");
    EXPECT_EQ(Read("x\\y.ini"), "sub");
    EXPECT_EQ(Read("/x/Y.ini"), "sub");
    EXPECT_TRUE(faults_.empty());
}

// A read of a file refused once is not reported again until the file changes.
TEST_F(ProfileReaderTest, ReportsWhatItWillNotReadOncePerChange) {
    const fs::path big = Write("big.ini", "[s]\nk=v\n");
    fs::resize_file(big, ProfileReader::kMaxFileBytes + 1);
    fs::create_directories(root_ / "folder.ini");
    ASSERT_EQ(::mkfifo((root_ / "pipe.ini").c_str(), 0600), 0);  // refused, not waited on
    for (const char* name : {"C:\\big.ini", "C:\\big.ini", "C:\\pipe.ini", "C:\\folder.ini"}) {
        EXPECT_EQ(Read(name), "none");
    }
    EXPECT_EQ(Section("C:\\big.ini", "s", 64), "");
    const std::string head = "The profile file \"C:\\";
    EXPECT_EQ(faults_,
              (std::vector<std::string>{head + "big.ini\" is larger than 64 MiB and was not read.",
                                        head + "pipe.ini\" is not a file and was not read.",
                                        head + "folder.ini\" is not a file and was not read."}));
    fs::resize_file(big, ProfileReader::kMaxFileBytes);  // exactly at the cap is read
    EXPECT_EQ(Read("C:\\big.ini"), "v");
    EXPECT_EQ(Read("C:\\"), "none");
    EXPECT_EQ(faults_.size(), 4u);
}

// Spellings of one name lead to one file, parsed once and held once.
TEST_F(ProfileReaderTest, CacheStaysBoundedAndSharesOneParsePerFile) {
    const std::string text = "[s]\nk=v\n[t]\nk=w\n";
    Write("t.ini", text);
    for (const char* name : {"C:\\t.ini", "c:\\T.INI", "C:\\T.ini"}) {
        EXPECT_EQ(Read(name), "v");
    }
    EXPECT_EQ(reader_.CachedFileCount(), 3u);
    EXPECT_EQ(reader_.CachedBytes(), ProfileFile::Parse(text).MemoryBytes());

    const size_t files = ProfileReader::kMaxCachedFiles + 8;
    for (size_t i = 0; i < files; ++i) {
        Write("f" + std::to_string(i) + ".ini", "[s]\nk=" + std::to_string(i) + "\n");
    }
    for (size_t i = 0; i < 2 * files; ++i) {
        EXPECT_EQ(Read("C:\\f" + std::to_string(i % files) + ".ini"), std::to_string(i % files));
    }
    EXPECT_EQ(reader_.CachedFileCount(), ProfileReader::kMaxCachedFiles);
}

// A file whose parse alone is over the budget is kept besides it: its spellings, read in
// turn with another file between them (as queues are read between content reads), share
// one parse instead of parsing it at every read. A second such file takes its place.
TEST_F(ProfileReaderTest, AFileOverTheBudgetIsParsedOnceForAllItsSpellings) {
    std::string big = "[first]\nk=v\n";
    for (int i = 0; i < 2000; ++i) {
        big += "[" + std::to_string(i) + "]\n";
    }
    Write("big.ini", big);
    Write("other.ini", big + "[last]\nk=w\n");
    Write("t.ini", "[s]\nk=small\n");
    ProfileReader reader(paths_, 4096);
    ASSERT_GT(ProfileFile::Parse(big).MemoryBytes(), 4096u);
    std::string out;
    for (int round = 0; round < 3; ++round) {
        for (const char* name : {"C:\\big.ini", "c:\\BIG.INI", "C:\\Big.Ini"}) {
            EXPECT_EQ(reader.ReadString(name, "first", "k", "", out, 100), 1u);
            EXPECT_EQ(reader.ReadString("C:\\t.ini", "s", "k", "", out, 100), 5u);
        }
    }
    EXPECT_EQ(reader.ParseCount(), 2u);
    EXPECT_LE(reader.CachedBytes(), 4096u);
    reader.ReadString("C:\\other.ini", "last", "k", "", out, 100);
    reader.ReadString("C:\\t.ini", "s", "k", "", out, 100);
    EXPECT_EQ(reader.ReadString("C:\\BIG.ini", "first", "k", "", out, 100), 1u);
    EXPECT_EQ(reader.ParseCount(), 4u);  // other.ini, then big.ini once more
}

// Watched files are read from the cache unless an event says otherwise; others are checked
// with a stat. Either way every kind of change shows at the next read.
TEST_F(ProfileReaderTest, SeesEveryKindOfChangeAtTheNextRead) {
    const fs::path p = Write("t.ini", "[s]\nk=aaaa\n");
    EXPECT_EQ(Read(), "aaaa");
    EXPECT_EQ(reader_.WatchedFileCount(), Watched(1));
    RewriteKeepingTimes(p, "[s]\nk=bbbb\n");
    EXPECT_EQ(Read(), "bbbb");
    RewriteKeepingTimes(p, "[s]\nk=cccc\n");
    EXPECT_EQ(Read(), "cccc");
    Write("t.ini", "[s]\nk=longer value\n");
    EXPECT_EQ(Read(), "longer value");

    Write("t.new", "[s]\nk=renamed\n");
    fs::rename(root_ / "t.new", p);
    EXPECT_EQ(Read(), "renamed");
    RewriteKeepingTimes(p, "[s]\nk=rewrote\n");
    EXPECT_EQ(Read(), "rewrote");
    fs::remove(p);
    const fs::path upper = Write("T.INI", "[s]\nk=recreated\n");
    EXPECT_EQ(Read(), "recreated");

    fs::remove(upper);
    EXPECT_EQ(Read(), "none");
    EXPECT_EQ(Section("C:\\t.ini", "s", 100), "");
    EXPECT_EQ(reader_.CachedFileCount(), 0u);
    Write("t.ini", "[s]\nk=back\n");
    EXPECT_EQ(Read(), "back");
    // A change to another file of the folder leaves the cached one trusted.
    Write("other.ini", "[s]\nk=x\n");
    EXPECT_EQ(Read(), "back");
    RewriteKeepingTimes(p, "[s]\nk=last\n");
    EXPECT_EQ(Read(), "last");
    EXPECT_EQ(reader_.WatchedFileCount(), Watched(1));
    EXPECT_TRUE(faults_.empty());
}

TEST_F(ProfileReaderTest, WatchesEveryFolderOnTheWayToAFile) {
    const fs::path x = Write("data/x.ini", "[s]\nk=x1\n");
    Write("a/b/y.ini", "[s]\nk=y1\n");
    EXPECT_EQ(Read("C:\\data\\x.ini"), "x1");
    EXPECT_EQ(Read("C:\\a\\b\\y.ini"), "y1");
    EXPECT_EQ(reader_.WatchedFileCount(), Watched(2));
    RewriteKeepingTimes(x, "[s]\nk=x2\n");
    EXPECT_EQ(Read("C:\\data\\x.ini"), "x2");

    // Moving a folder two levels up changes nothing below it, only the name on the way.
    fs::rename(root_ / "a", root_ / "a-old");
    Write("a/b/y.ini", "[s]\nk=y2\n");
    EXPECT_EQ(Read("C:\\a\\b\\y.ini"), "y2");
    fs::remove_all(root_ / "a");
    EXPECT_EQ(Read("C:\\a\\b\\y.ini"), "none");

    // A folder deleted and made again, or another renamed over it: its new files are
    // watched, not the old folder.
    fs::remove_all(root_ / "data");
    Write("data/x.ini", "[s]\nk=x3\n");
    EXPECT_EQ(Read("C:\\data\\x.ini"), "x3");
    EXPECT_EQ(reader_.WatchedFileCount(), Watched(1));
    RewriteKeepingTimes(x, "[s]\nk=x4\n");
    EXPECT_EQ(Read("C:\\data\\x.ini"), "x4");
    Write("data2/x.ini", "[s]\nk=x5\n");
    fs::remove_all(root_ / "data");
    fs::rename(root_ / "data2", root_ / "data");
    EXPECT_EQ(Read("C:\\data\\x.ini"), "x5");
    RewriteKeepingTimes(x, "[s]\nk=x6\n");
    EXPECT_EQ(Read("C:\\data\\x.ini"), "x6");
}

TEST_F(ProfileReaderTest, FilesTooDeepToWatchGetAStatOnEveryRead) {
    std::string deepest = "C:";
    fs::path folder;
    for (size_t depth = 1; depth <= ProfileReader::kMaxWatchedDepth + 1; ++depth) {
        deepest += "\\d";
        folder /= "d";
        Write(folder / "x.ini", "[s]\nk=1\n");
    }
    deepest += "\\x.ini";
    const std::string watchable = deepest.substr(0, deepest.size() - 8) + "\\x.ini";
    EXPECT_EQ(Read(watchable), "1");
    EXPECT_EQ(Read(deepest), "1");
    EXPECT_EQ(reader_.WatchedFileCount(), Watched(1));
    EXPECT_EQ(reader_.CachedFileCount(), 2u);
    RewriteKeepingTimes(root_ / folder / "x.ini", "[s]\nk=2\n");
    EXPECT_EQ(Read(deepest), "2");
    RewriteKeepingTimes(root_ / folder.parent_path() / "x.ini", "[s]\nk=3\n");
    EXPECT_EQ(Read(watchable), "3");
}

// Pointing the link elsewhere (inside the title: a link out is never read) is a change in
// the title folder.
TEST_F(ProfileReaderTest, WatchesALinkedFileWhereItLies) {
    testing::TempFolder elsewhere;
    fs::create_directories(root_ / "store");
    const fs::path target = root_ / "store" / "real.ini";
    std::ofstream(target) << "[s]\nk=one\n";
    fs::create_symlink(target, root_ / "t.ini");
    EXPECT_EQ(Read(), "one");
    RewriteKeepingTimes(target, "[s]\nk=two\n");
    EXPECT_EQ(Read(), "two");
    const fs::path other = root_ / "store" / "other.ini";
    std::ofstream(other) << "[s]\nk=three\n";
    fs::remove(root_ / "t.ini");
    fs::create_symlink(other, root_ / "t.ini");
    EXPECT_EQ(Read(), "three");
    RewriteKeepingTimes(other, "[s]\nk=four_\n");
    EXPECT_EQ(Read(), "four_");
    // Pointed out of the title, it is no longer there.
    fs::remove(root_ / "t.ini");
    fs::create_symlink(elsewhere.Write("real.ini", "[s]\nk=out\n"), root_ / "t.ini");
    EXPECT_EQ(Read(), "none");
}

TEST_F(ProfileReaderTest, ManyEditsInARowEndWithTheLatest) {
    const fs::path p = Write("t.ini", "[s]\nk=1000\n");
    EXPECT_EQ(Read(), "1000");
    const auto edit = [&](int n) { RewriteKeepingTimes(p, "[s]\nk=" + std::to_string(n) + "\n"); };
    // More events than one read of the queue takes, with and without reads in between.
    for (int n = 1001; n <= 1400; ++n) {
        edit(n);
        if (n % 100 == 0 || n > 1390) {
            EXPECT_EQ(Read(), std::to_string(n));
        }
    }

    // More events than the kernel queues: the edit in the middle is never reported.
    Write("a.ini", "a");
    Write("b.ini", "b");
    size_t queued = 16384;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queued;
    queued = std::min<size_t>(queued, 200'000);
    const auto now = fs::file_time_type::clock::now();
    for (size_t i = 0; i <= queued + 16; ++i) {
        fs::last_write_time(root_ / (i % 2 == 0 ? "a.ini" : "b.ini"),
                            now + std::chrono::seconds(i));
        if (i == queued) {
            edit(1401);
        }
    }
    EXPECT_EQ(Read(), "1401");
    edit(1402);
    EXPECT_EQ(Read(), "1402");
}

}  // namespace
}  // namespace stagehand::host
