#include "host/files/ProfileReader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/files/ChangeWatch.h"

#include "support/TempFolder.h"

namespace stagehand::host {
namespace {
namespace fs = std::filesystem;
using namespace std::string_literals;

class ProfileReaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reader_.SetErrorSink([this](const std::string& m) { faults_.push_back(m); });
    }

    fs::path Write(const fs::path& relative, const std::string& bytes) {
        return folder_.Write(relative, bytes);
    }

    // Reads key k of section s in C:\t.ini.
    std::string Get(std::string_view key, uint32_t bufferSize = 1024, std::string_view dflt = "") {
        std::string out;
        const uint32_t n = reader_.ReadString("C:\\t.ini", "s", key, dflt, out, bufferSize);
        EXPECT_EQ(n, out.size());
        return out;
    }
    std::string Section(std::string_view file, std::string_view section, uint32_t bufferSize) {
        std::string out = "stale";
        const uint32_t n = reader_.ReadSection(file, section, out, bufferSize);
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

    // Whether reads of files here are meant to go without a stat.
    bool Watchable(const fs::path& folder) const {
        return ChangeWatch().Available() && ChangeWatch::SeesEveryChange(folder);
    }

    testing::TempFolder folder_;
    const fs::path& root_ = folder_.Path();
    TitlePaths paths_{root_};
    ProfileReader reader_{paths_};
    std::vector<std::string> faults_;
};

TEST_F(ProfileReaderTest, OneKeyTruncatesToBufferMinusOne) {
    Write("t.ini", "[s]\nk1024=" + std::string(1024, 'a') + "\nk1025=" + std::string(1025, 'b') +
                       "\nk1026=" + std::string(1026, 'c') + "\nshort=abc\n");
    EXPECT_EQ(Get("k1024", 1026), std::string(1024, 'a'));
    EXPECT_EQ(Get("k1025", 1026), std::string(1025, 'b'));
    EXPECT_EQ(Get("k1026", 1026), std::string(1025, 'c'));
    EXPECT_EQ(Get("short", 4), "abc");
    EXPECT_EQ(Get("short", 3), "ab");
    EXPECT_EQ(Get("short", 2), "a");
    EXPECT_EQ(Get("short", 1), "");
    std::string out = "stale";
    EXPECT_EQ(reader_.ReadString("C:\\t.ini", "s", "short", "dflt", out, 0), 0u);
    EXPECT_EQ(out, "");
}

TEST_F(ProfileReaderTest, MissingFileSectionOrKeyGivesTrimmedDefault) {
    Write("t.ini", "[s]\nk=v\n");
    EXPECT_EQ(Get("nokey", 64, "fallback  "), "fallback");
    EXPECT_EQ(Get("nokey", 5, "fallback"), "fall");
    EXPECT_EQ(Get("nokey", 64, ""), "");
    EXPECT_EQ(Get("nokey", 64, "  "), "");
    std::string out;
    EXPECT_EQ(reader_.ReadString("C:\\t.ini", "other", "k", "d", out, 64), 1u);
    EXPECT_EQ(out, "d");
    EXPECT_EQ(reader_.ReadString("C:\\none.ini", "s", "k", "dd", out, 64), 2u);
    EXPECT_EQ(out, "dd");
    EXPECT_TRUE(faults_.empty());
    // Callers hand over C strings: everything after a NUL is not part of the name.
    reader_.ReadString("C:\\t.ini\0x"s, "s\0x"s, "k\0x"s, "d\0x"s, out, 64);
    EXPECT_EQ(out, "v");
    EXPECT_EQ(Get("nokey", 64, "d \0x"s), "d");
}

TEST_F(ProfileReaderTest, StripsOneOuterPairOfMatchingQuotes) {
    Write("t.ini",
          "[s]\nd=\"abc\"\nq='abc'\nmixed=\"abc'\nlone=\"\nempty=\"\"\ntwice=\"\"x\"\"\n"
          "inner=a\"b\"\nspaced = \" padded \" \n");
    EXPECT_EQ(Get("d"), "abc");
    EXPECT_EQ(Get("q"), "abc");
    EXPECT_EQ(Get("mixed"), "\"abc'");
    EXPECT_EQ(Get("lone"), "\"");
    EXPECT_EQ(Get("empty"), "");
    EXPECT_EQ(Get("twice"), "\"x\"");
    EXPECT_EQ(Get("inner"), "a\"b\"");
    EXPECT_EQ(Get("spaced"), " padded ");
    EXPECT_EQ(Get("d", 3), "ab");
}

TEST_F(ProfileReaderTest, SectionCountsAroundTheBufferSize) {
    // One line "k=xxx..." of length L-1, plus its '\0', makes a text of length L.
    std::string file;
    for (int length : {5121, 5122, 5123, 5124}) {
        file += "[s" + std::to_string(length) + "]\nk=" + std::string(length - 3, 'x') + "\n";
    }
    Write("t.ini", file);
    const auto text = [](int length) { return "k=" + std::string(length - 3, 'x') + '\0'; };
    EXPECT_EQ(Section("C:\\t.ini", "s5121", 5124), text(5121));
    EXPECT_EQ(Section("C:\\t.ini", "s5122", 5124), text(5122));
    EXPECT_EQ(Section("C:\\t.ini", "s5123", 5124), text(5123));
    EXPECT_EQ(Section("C:\\t.ini", "s5124", 5124), text(5124).substr(0, 5122));
    EXPECT_EQ(Section("C:\\t.ini", "s5121", 2), "");
    EXPECT_EQ(Section("C:\\t.ini", "s5121", 3), "k");
    EXPECT_EQ(Section("C:\\t.ini", "s5121", 1), "");
    EXPECT_EQ(Section("C:\\t.ini", "s5121", 0), "");
    EXPECT_EQ(Section("C:\\t.ini", "nosuch", 100), "");
    EXPECT_EQ(Section("C:\\none.ini", "s5121", 100), "");
}

TEST_F(ProfileReaderTest, SectionHoldsCommentsKeylessLinesAndQuotes) {
    Write("t.ini", "[s]\n  ; comment = 1\nplain line\nKey = \"Value\"  \n\n[empty]\n[next]\n");
    EXPECT_EQ(Section("C:\\t.ini", "S", 100), "; comment = 1\0plain line\0Key=\"Value\"\0"s);
    EXPECT_EQ(Section("C:\\t.ini", "empty", 1), "");
    EXPECT_EQ(Get("; comment", 100, "d"), "d");
    EXPECT_EQ(Get("plain line", 100, "d"), "d");
    EXPECT_EQ(Get("KEY"), "Value");
}

TEST_F(ProfileReaderTest, BareNamesAreNotLookedForInTheTitleFolder) {
    Write("x.ini", "[s]\nk=root\n");
    Write("x/y.ini", "[s]\nk=sub\n");
    std::string out;
    EXPECT_EQ(reader_.ReadString("x.ini", "s", "k", "d", out, 64), 1u);
    EXPECT_EQ(out, "d");
    EXPECT_EQ(Section("x.ini", "s", 64), "");
    reader_.ReadString("C:\\x.ini", "s", "k", "d", out, 64);
    EXPECT_EQ(out, "root");
    reader_.ReadString("c:X.INI", "s", "k", "d", out, 64);
    EXPECT_EQ(out, "root");
    reader_.ReadString("x\\y.ini", "s", "k", "d", out, 64);
    EXPECT_EQ(out, "sub");
    reader_.ReadString("/x/Y.ini", "s", "k", "d", out, 64);
    EXPECT_EQ(out, "sub");
}

TEST_F(ProfileReaderTest, SeesRewrittenRenamedAndDeletedFiles) {
    const fs::path p = Write("t.ini", "[s]\nk=aaaa\n");
    EXPECT_EQ(Get("k"), "aaaa");
    const auto before = fs::last_write_time(p);
    Write("t.ini", "[s]\nk=bbbb\n");  // same size
    fs::last_write_time(p, before + std::chrono::seconds(2));
    EXPECT_EQ(Get("k"), "bbbb");
    Write("t.ini", "[s]\nk=longer value\n");
    EXPECT_EQ(Get("k"), "longer value");

    fs::remove(p);
    Write("T.INI", "[s]\nk=recreated\n");
    EXPECT_EQ(Get("k"), "recreated");

    fs::remove(root_ / "T.INI");
    EXPECT_EQ(Get("k", 100, "gone"), "gone");
    EXPECT_EQ(Section("C:\\t.ini", "s", 100), "");
    EXPECT_EQ(reader_.CachedFileCount(), 0u);
    EXPECT_TRUE(faults_.empty());
}

TEST_F(ProfileReaderTest, RefusesFilesOverTheCapOncePerChange) {
    const fs::path big = root_ / "big.ini";
    Write("big.ini", "[s]\nk=v\n");
    fs::resize_file(big, ProfileReader::kMaxFileBytes + 1);
    std::string out;
    EXPECT_EQ(reader_.ReadString("C:\\big.ini", "s", "k", "d", out, 64), 1u);
    EXPECT_EQ(out, "d");
    ASSERT_EQ(faults_.size(), 1u);
    EXPECT_EQ(faults_[0],
              "The profile file \"C:\\big.ini\" is larger than 64 MiB and was not read.");
    EXPECT_EQ(Section("C:\\big.ini", "s", 64), "");
    EXPECT_EQ(faults_.size(), 1u);

    // Exactly at the cap is read.
    fs::resize_file(big, ProfileReader::kMaxFileBytes);
    reader_.ReadString("C:\\big.ini", "s", "k", "d", out, 64);
    EXPECT_EQ(out, "v");
    EXPECT_EQ(faults_.size(), 1u);
}

// A named pipe is refused at once, not waited on for a writer.
TEST_F(ProfileReaderTest, ReportsWhatCannotBeRead) {
    fs::create_directories(root_ / "folder.ini");
    ASSERT_EQ(::mkfifo((root_ / "pipe.ini").c_str(), 0600), 0);
    std::string out;
    EXPECT_EQ(reader_.ReadString("C:\\pipe.ini", "s", "k", "d", out, 64), 1u);
    ASSERT_EQ(faults_.size(), 1u);
    EXPECT_EQ(faults_[0], "The profile file \"C:\\pipe.ini\" is not a file and was not read.");
    faults_.clear();
    EXPECT_EQ(reader_.ReadString("C:\\folder.ini", "s", "k", "d", out, 64), 1u);
    ASSERT_EQ(faults_.size(), 1u);
    EXPECT_NE(faults_[0].find("\"C:\\folder.ini\""), std::string::npos);
    EXPECT_EQ(reader_.ReadString("C:\\", "s", "k", "d", out, 64), 1u);
    EXPECT_EQ(faults_.size(), 2u);
}

TEST_F(ProfileReaderTest, CacheStaysBoundedAndCorrect) {
    const size_t files = ProfileReader::kMaxCachedFiles + 8;
    for (size_t i = 0; i < files; ++i) {
        Write("f" + std::to_string(i) + ".ini", "[s]\nk=" + std::to_string(i) + "\n");
    }
    std::string out;
    for (int round = 0; round < 2; ++round) {
        for (size_t i = 0; i < files; ++i) {
            reader_.ReadString("C:\\f" + std::to_string(i) + ".ini", "s", "k", "", out, 64);
            EXPECT_EQ(out, std::to_string(i));
        }
    }
    EXPECT_EQ(reader_.CachedFileCount(), ProfileReader::kMaxCachedFiles);
}

// Spellings of one name lead to one file, parsed once and held once.
TEST_F(ProfileReaderTest, SpellingsOfOneFileShareOneParse) {
    const std::string text = "[s]\nk=v\n[t]\nk=w\n";
    Write("t.ini", text);
    std::string out;
    for (const char* name : {"C:\\t.ini", "c:\\T.INI", "C:\\T.ini"}) {
        EXPECT_EQ(reader_.ReadString(name, "t", "k", "", out, 64), 1u);
        EXPECT_EQ(out, "w");
    }
    EXPECT_EQ(reader_.CachedFileCount(), 3u);
    EXPECT_EQ(reader_.CachedBytes(), ProfileFile::Parse(text).MemoryBytes());
}

// The tests below check files that are watched, so that what they read comes from the
// cache unless an event said otherwise.
TEST_F(ProfileReaderTest, WatchedFileSeesEveryKindOfChangeAtTheNextRead) {
    const fs::path p = Write("t.ini", "[s]\nk=aaaa\n");
    EXPECT_EQ(Get("k"), "aaaa");
    EXPECT_EQ(reader_.WatchedFileCount(), Watchable(root_) ? 1u : 0u);

    RewriteKeepingTimes(p, "[s]\nk=bbbb\n");
    EXPECT_EQ(Get("k"), "bbbb");
    RewriteKeepingTimes(p, "[s]\nk=cccc\n");
    EXPECT_EQ(Get("k"), "cccc");

    Write("t.new", "[s]\nk=renamed\n");
    fs::rename(root_ / "t.new", p);
    EXPECT_EQ(Get("k"), "renamed");
    RewriteKeepingTimes(p, "[s]\nk=rewrote\n");
    EXPECT_EQ(Get("k"), "rewrote");

    fs::remove(p);
    EXPECT_EQ(Get("k", 100, "gone"), "gone");
    EXPECT_EQ(reader_.CachedFileCount(), 0u);
    Write("t.ini", "[s]\nk=back\n");
    EXPECT_EQ(Get("k"), "back");

    // A change to another file of the folder leaves the cached one trusted.
    Write("other.ini", "[s]\nk=x\n");
    EXPECT_EQ(Get("k"), "back");
    RewriteKeepingTimes(p, "[s]\nk=last\n");
    EXPECT_EQ(Get("k"), "last");
    EXPECT_EQ(reader_.WatchedFileCount(), Watchable(root_) ? 1u : 0u);
    EXPECT_TRUE(faults_.empty());
}

TEST_F(ProfileReaderTest, WatchesEveryFolderOnTheWayToAFile) {
    const fs::path x = Write("data/x.ini", "[s]\nk=x1\n");
    Write("a/b/y.ini", "[s]\nk=y1\n");
    std::string out;
    const auto read = [&](std::string_view file) {
        reader_.ReadString(file, "s", "k", "none", out, 64);
        return out;
    };
    EXPECT_EQ(read("C:\\data\\x.ini"), "x1");
    EXPECT_EQ(read("C:\\a\\b\\y.ini"), "y1");
    const size_t watched = Watchable(root_) ? 2 : 0;
    EXPECT_EQ(reader_.WatchedFileCount(), watched);

    RewriteKeepingTimes(x, "[s]\nk=x2\n");
    EXPECT_EQ(read("C:\\data\\x.ini"), "x2");

    // Moving a folder two levels up changes nothing below it, only the name on the way.
    fs::rename(root_ / "a", root_ / "a-old");
    Write("a/b/y.ini", "[s]\nk=y2\n");
    EXPECT_EQ(read("C:\\a\\b\\y.ini"), "y2");
    fs::remove_all(root_ / "a");
    EXPECT_EQ(read("C:\\a\\b\\y.ini"), "none");

    // A folder deleted and made again: its new files are watched, not the old folder.
    fs::remove_all(root_ / "data");
    Write("data/x.ini", "[s]\nk=x3\n");
    EXPECT_EQ(read("C:\\data\\x.ini"), "x3");
    EXPECT_EQ(reader_.WatchedFileCount(), watched / 2);
    RewriteKeepingTimes(x, "[s]\nk=x4\n");
    EXPECT_EQ(read("C:\\data\\x.ini"), "x4");

    // The same for a folder renamed over the one on the way.
    Write("data2/x.ini", "[s]\nk=x5\n");
    fs::remove_all(root_ / "data");
    fs::rename(root_ / "data2", root_ / "data");
    EXPECT_EQ(read("C:\\data\\x.ini"), "x5");
    RewriteKeepingTimes(x, "[s]\nk=x6\n");
    EXPECT_EQ(read("C:\\data\\x.ini"), "x6");
}

TEST_F(ProfileReaderTest, FilesTooDeepToWatchGetAStatOnEveryRead) {
    std::string deep = "C:";
    fs::path folder;
    for (size_t depth = 1; depth <= ProfileReader::kMaxWatchedDepth + 1; ++depth) {
        deep += "\\d";
        folder /= "d";
        Write(folder / "x.ini", "[s]\nk=1\n");
    }
    std::string out;
    const std::string deepest = deep + "\\x.ini";
    const std::string watchable = deepest.substr(0, deepest.size() - 8) + "\\x.ini";
    reader_.ReadString(watchable, "s", "k", "", out, 64);
    EXPECT_EQ(reader_.WatchedFileCount(), Watchable(root_) ? 1u : 0u);
    reader_.ReadString(deepest, "s", "k", "", out, 64);
    EXPECT_EQ(reader_.WatchedFileCount(), Watchable(root_) ? 1u : 0u);
    EXPECT_EQ(reader_.CachedFileCount(), 2u);

    RewriteKeepingTimes(root_ / folder / "x.ini", "[s]\nk=2\n");
    reader_.ReadString(deepest, "s", "k", "", out, 64);
    EXPECT_EQ(out, "2");
    RewriteKeepingTimes(root_ / folder.parent_path() / "x.ini", "[s]\nk=3\n");
    reader_.ReadString(watchable, "s", "k", "", out, 64);
    EXPECT_EQ(out, "3");
}

TEST_F(ProfileReaderTest, WatchesALinkedFileWhereItLies) {
    testing::TempFolder elsewhere;
    const fs::path target = elsewhere.Write("real.ini", "[s]\nk=one\n");
    fs::create_symlink(target, root_ / "t.ini");
    EXPECT_EQ(Get("k"), "one");
    RewriteKeepingTimes(target, "[s]\nk=two\n");
    EXPECT_EQ(Get("k"), "two");

    // Pointing the link elsewhere is a change in the title folder.
    const fs::path other = elsewhere.Write("other.ini", "[s]\nk=three\n");
    fs::remove(root_ / "t.ini");
    fs::create_symlink(other, root_ / "t.ini");
    EXPECT_EQ(Get("k"), "three");
    RewriteKeepingTimes(other, "[s]\nk=four_\n");
    EXPECT_EQ(Get("k"), "four_");
}

TEST_F(ProfileReaderTest, ManyEditsInARowEndWithTheLatest) {
    const fs::path p = Write("t.ini", "[s]\nk=0000\n");
    EXPECT_EQ(Get("k"), "0000");
    const auto value = [](int n) {
        char text[8];
        std::snprintf(text, sizeof text, "%04d", n % 10000);
        return std::string(text);
    };
    const auto edit = [&](int n) { RewriteKeepingTimes(p, "[s]\nk=" + value(n) + "\n"); };
    // More events than one read of the queue takes, with and without reads in between.
    for (int n = 1; n <= 400; ++n) {
        edit(n);
        if (n % 100 == 0 || n > 390) {
            EXPECT_EQ(Get("k"), value(n));
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
            edit(401);
        }
    }
    EXPECT_EQ(Get("k"), "0401");
    edit(402);
    EXPECT_EQ(Get("k"), "0402");
}

}  // namespace
}  // namespace stagehand::host
