// Bounded, non-blocking reads of title files: what is refused and why, and reading a span.
#include "host/files/File.h"

#include <signal.h>
#include <sys/resource.h>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "host/files/FileReplacement.h"
#include "support/ErrorOf.h"
#include "support/TempFolder.h"

namespace stagehand::host {
namespace {

namespace fs = std::filesystem;

// Whatever a name points at, a read ends at once: a named pipe (or a link to one) is
// refused, not waited on for a writer, as are folders and devices.
TEST(FileTest, ReadsRegularFilesUpToTheLimitAndRefusesEverythingElseAtOnce) {
    testing::TempFolder folder;
    const fs::path ten = folder.Write("ten.txt", "0123456789");
    folder.MakeFolder("folder");
    const fs::path pipe = folder.Path() / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    fs::create_symlink(pipe, folder.Path() / "link");
    const std::string notAFile = ", not a regular file";
    const std::tuple<fs::path, uint64_t, FileFault, std::string> cases[] = {
        {ten, 10, FileFault::kNone, ""},
        {ten, 9, FileFault::kTooLarge, "it is larger than allowed"},
        {folder.Path() / "gone.txt", 10, FileFault::kMissing, "No such file or directory"},
        {ten / "x", 10, FileFault::kMissing, "Not a directory"},
        {folder.Path() / "folder", 10, FileFault::kNotAFile, "it is a folder" + notAFile},
        {pipe, 10, FileFault::kNotAFile, "it is a named pipe" + notAFile},
        {folder.Path() / "link", 10, FileFault::kNotAFile, "it is a named pipe" + notAFile},
        {"/dev/null", 10, FileFault::kNotAFile, "it is a device" + notAFile}};
    for (const auto& [path, limit, fault, reason] : cases) {
        const FileBytes read = ReadFile(path, limit);
        EXPECT_EQ(read.fault, fault) << path;
        EXPECT_EQ(read.reason, reason) << path;
        EXPECT_EQ(read.bytes, fault == FileFault::kNone ? "0123456789" : "") << path;
    }
}

// A header first, then only the span it declares; spans past the end are cut there.
TEST(FileTest, ReadsTheSpansAskedFor) {
    testing::TempFolder folder;
    InputFile file = InputFile::Open(folder.Write("ten.txt", "0123456789"));
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Size(), 10u);
    std::string out = "stale";
    const std::tuple<uint64_t, size_t, std::string> spans[] = {
        {0, 4, "0123"}, {6, 3, "678"}, {8, 100, "89"}, {10, 1, ""}, {1ull << 40, 1, ""}};
    for (const auto& [offset, count, expected] : spans) {
        EXPECT_TRUE(file.ReadSpan(offset, count, out));
        EXPECT_EQ(out, expected) << offset;
    }

    // A slice is a file of its own: offsets from its start, cut where the whole ends, and a
    // slice of a slice stays inside it.
    InputFile slice = InputFile::Slice(file, 3, 4, 77);
    ASSERT_TRUE(slice.IsOpen());
    EXPECT_EQ(slice.Size(), 4u);
    EXPECT_EQ(slice.Stamp().inode, 77u);
    EXPECT_TRUE(slice.ReadSpan(1, 100, out));
    EXPECT_EQ(out, "456");
    EXPECT_TRUE(slice.ReadAll(4, out));
    EXPECT_EQ(out, "3456");
    EXPECT_FALSE(slice.ReadAll(3, out));
    EXPECT_EQ(ReadFile(InputFile::Slice(slice, 2, 1000, 78), 100).bytes, "56");
    EXPECT_EQ(ReadFile(InputFile::Slice(file, 1ull << 40, 5, 79), 100).bytes, "");
}

// The descriptor is closed exactly once, by whichever owner holds it last.
TEST(FileTest, DescriptorClosesOnceWhenItsLastOwnerGoes) {
    const int raw = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(raw, 0);
    FileDescriptor first(raw);
    FileDescriptor second(std::move(first));
    EXPECT_FALSE(first.IsOpen());
    FileDescriptor third;
    third = std::move(second);
    EXPECT_EQ(third.Get(), raw);
    EXPECT_GE(::fcntl(raw, F_GETFD), 0);
    third.Reset();
    EXPECT_EQ(::fcntl(raw, F_GETFD), -1);
}

// A replacement lands whole or not at all: abandoned after the temporary file was written (a
// crash), or refused by a full disk (a file size limit stands in for it), the old file stays
// whole and no temporary file is left; a finished one keeps the old file's permissions and
// replaces what a link points to, not the link.
TEST(FileTest, ReplacementLandsWholeOrLeavesTheOldFile) {
    testing::TempFolder folder;
    const fs::path target = folder.Write("pass.dat", "old password");
    ::chmod(target.c_str(), 0640);
    const auto entries = [&] {
        return std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator());
    };
    {
        FileReplacement abandoned(target);
        ASSERT_TRUE(abandoned.Write("new and longer password"));
        EXPECT_TRUE(fs::exists(abandoned.TemporaryPath()));
    }
    EXPECT_EQ(ReadFile(target, 100).bytes, "old password");
    EXPECT_EQ(entries(), 1);

    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldSignal = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 8;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const base::Result<void> full = ReplaceFile(target, std::string(300, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldSignal);
    EXPECT_FALSE(full);
    EXPECT_EQ(testing::ErrorOf(full), "File too large");
    EXPECT_EQ(ReadFile(target, 100).bytes, "old password");
    EXPECT_EQ(entries(), 1);

    fs::create_symlink(target, folder.Path() / "link.dat");
    EXPECT_TRUE(ReplaceFile(folder.Path() / "link.dat", "new"));
    EXPECT_TRUE(fs::is_symlink(folder.Path() / "link.dat"));
    EXPECT_EQ(ReadFile(target, 100).bytes, "new");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entries(), 2);
    const base::Result<void> nowhere = ReplaceFile(folder.Path() / "none" / "x.dat", "new");
    EXPECT_FALSE(nowhere);
    EXPECT_EQ(testing::ErrorOf(nowhere), "No such file or directory");
}

}  // namespace
}  // namespace stagehand::host
