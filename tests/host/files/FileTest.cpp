// Bounded, non-blocking reads of title files: what is refused and why, and reading a span.
#include "host/files/File.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/TempFolder.h"

namespace stagehand::host {
namespace {

namespace fs = std::filesystem;

// Whatever a name points at, a read ends at once: a named pipe (or a link to one) is
// refused, not waited on for a writer, as are folders and devices.
TEST(FileTest, ReadsRegularFilesUpToTheLimitAndRefusesEverythingElseAtOnce) {
    testing::TempFolder folder;
    folder.Write("ten.txt", "0123456789");
    folder.MakeFolder("folder");
    const fs::path pipe = folder.Path() / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    fs::create_symlink(pipe, folder.Path() / "link");
    struct Case {
        fs::path path;
        uint64_t limit;
        FileFault fault;
        std::string reason;
    };
    for (const Case& c : {
             Case{folder.Path() / "ten.txt", 10, FileFault::kNone, ""},
             Case{folder.Path() / "ten.txt", 9, FileFault::kTooLarge, "it is larger than allowed"},
             Case{folder.Path() / "gone.txt", 10, FileFault::kMissing, "No such file or directory"},
             Case{folder.Path() / "ten.txt/x", 10, FileFault::kMissing, "Not a directory"},
             Case{folder.Path() / "folder", 10, FileFault::kNotAFile,
                  "it is a folder, not a regular file"},
             Case{pipe, 10, FileFault::kNotAFile, "it is a named pipe, not a regular file"},
             Case{folder.Path() / "link", 10, FileFault::kNotAFile,
                  "it is a named pipe, not a regular file"},
             Case{"/dev/null", 10, FileFault::kNotAFile, "it is a device, not a regular file"},
         }) {
        const FileBytes read = ReadFile(c.path, c.limit);
        EXPECT_EQ(read.fault, c.fault) << c.path;
        EXPECT_EQ(read.reason, c.reason) << c.path;
        EXPECT_EQ(read.bytes, c.fault == FileFault::kNone ? "0123456789" : "") << c.path;
    }
}

// A header first, then only the span it declares; spans past the end are cut there.
TEST(FileTest, ReadsTheSpansAskedFor) {
    testing::TempFolder folder;
    InputFile file = InputFile::Open(folder.Write("ten.txt", "0123456789"));
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Size(), 10u);
    std::string out = "stale";
    for (const auto& [offset, count, expected] :
         {std::tuple<uint64_t, size_t, std::string>{0, 4, "0123"},
          {6, 3, "678"},
          {8, 100, "89"},
          {10, 1, ""},
          {1ull << 40, 1, ""}}) {
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
