// Bounded, non-blocking reads of title files: what is refused and why, and reading a span.
#include "host/files/File.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <tuple>

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

}  // namespace
}  // namespace stagehand::host
