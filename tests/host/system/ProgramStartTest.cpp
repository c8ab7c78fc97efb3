#include "host/system/ProgramStart.h"

#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "host/system/Clock.h"
#include "support/TempFolder.h"

namespace stagehand::host {
namespace {
namespace fs = std::filesystem;

// A script that writes its working directory and then its arguments, one a line, to
// outName in its working directory; written whole and then renamed, so a reader never sees
// half of it.
std::string RecordingScript(const std::string& outName) {
    return "#!/bin/sh\n"
           "{ pwd -P; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > " +
           outName + ".tmp && mv " + outName + ".tmp " + outName + "\n";
}

// The title lives in base_/title, so that base_ can hold programs beside the title.
class ProgramStartTest : public ::testing::Test {
  protected:
    void SetUp() override {
        struct statvfs info {};
        if (statvfs(root_.c_str(), &info) == 0 && (info.f_flag & ST_NOEXEC) != 0) {
            GTEST_SKIP() << "the temporary folder does not allow running programs";
        }
    }

    fs::path Program(const fs::path& relative, const std::string& text) {
        const fs::path file = base_.Write(relative, text);
        fs::permissions(file, fs::perms::owner_exec, fs::perm_options::add);
        return file;
    }

    // Waits for a started program to leave a file: a bounded wait, not a measurement.
    std::optional<std::string> AwaitFile(const std::string& name) {
        const fs::path file = root_ / name;
        for (int i = 0; i < 1000; ++i) {
            if (fs::exists(file)) {
                std::ostringstream text;
                text << std::ifstream(file, std::ios::binary).rdbuf();
                return text.str();
            }
            SleepMilliseconds(10);
        }
        return std::nullopt;
    }

    bool AwaitAllReaped(ProgramStarter& starter) {
        for (int i = 0; i < 1000 && starter.RunningCount() > 0; ++i) {
            SleepMilliseconds(10);
            starter.Reap();
        }
        return starter.RunningCount() == 0;
    }

    testing::TempFolder base_;
    const fs::path root_ = base_.MakeFolder("title");
    const TitlePaths paths_{root_};
};

TEST_F(ProgramStartTest, StartsATitleProgramCaseBlindWithItsArguments) {
    Program("title/run.sh", RecordingScript("args.txt"));
    ProgramStarter starter(paths_);
    const ProgramStartResult result =
        starter.Start("RUN.SH \"two words\" a\\\"b caf\xE9 \"\" C:\\data\\x.ini");
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(AwaitFile("args.txt"),
              fs::canonical(root_).native() + "\ntwo words\na\"b\ncaf\u00E9\n\nC:\\data\\x.ini\n");
    EXPECT_TRUE(AwaitAllReaped(starter));
}

TEST_F(ProgramStartTest, FindsProgramsInFoldersAndBareNamesAsWritten) {
    Program("title/Setup/Install.sh", RecordingScript("install.txt"));
    Program("title/run.", RecordingScript("dotted.txt"));  // unreachable as a title name
    ProgramStarter starter(paths_);
    ASSERT_TRUE(starter.Start(".\\setup\\INSTALL.SH /q").started);
    ASSERT_TRUE(starter.Start("run.").started);
    EXPECT_TRUE(AwaitFile("install.txt").has_value());
    EXPECT_TRUE(AwaitFile("dotted.txt").has_value());
    EXPECT_TRUE(AwaitAllReaped(starter));
}

TEST_F(ProgramStartTest, RefusesWhatIsNotAProgramOfTheTitle) {
    base_.Write("title/readme.txt", "#!/bin/sh\n");
    base_.MakeFolder("title/tools");
    Program("title/SETUP.EXE", std::string("MZ\x90\0\3\0\0\0", 8));
    ProgramStarter starter(paths_);
    const auto error = [&](std::string_view line) {
        const ProgramStartResult result = starter.Start(line);
        EXPECT_FALSE(result.started) << line;
        return result.error;
    };
    EXPECT_EQ(error(""), "empty command line");
    EXPECT_EQ(error(" \t "), "empty command line");
    EXPECT_EQ(error("missing.sh x"), "`missing.sh` is not a file in the title folder");
    EXPECT_EQ(error("caf\xE9.sh"), "`caf\u00E9.sh` is not a file in the title folder");
    EXPECT_EQ(error("\"\""), "`` is not a file in the title folder");
    EXPECT_EQ(error("README.TXT"), "`README.TXT` is not an executable file");
    EXPECT_EQ(error("tools"), "`tools` is not an executable file");
    EXPECT_EQ(error(".."), "`..` is not an executable file");
    EXPECT_EQ(error("setup.exe /s"), "`setup.exe` is a Windows program, which cannot run here");
    EXPECT_EQ(error("x " + std::string(ProgramStarter::kMaxCommandLineBytes, 'a')),
              "command line longer than 32767 bytes");
    EXPECT_EQ(starter.RunningCount(), 0u);
}

TEST_F(ProgramStartTest, ReportsWhyTheStartFailedWithoutFallingBackToAShell) {
    // Executable but neither a binary nor a script: a shell would run it, the start must not.
    Program("title/notes.sh", "touch ran-by-a-shell.txt\n");
    ProgramStarter starter(paths_);
    const ProgramStartResult result = starter.Start("notes.sh");
    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.error, "cannot start `notes.sh`: Exec format error");
    EXPECT_EQ(starter.RunningCount(), 0u);
    SleepMilliseconds(50);
    EXPECT_FALSE(fs::exists(root_ / "ran-by-a-shell.txt"));
}

TEST_F(ProgramStartTest, NeverStartsAnythingOutsideTheTitleFolder) {
    Program("bin/sh", RecordingScript("outside.txt"));
    Program("escape.sh", RecordingScript("outside.txt"));
    Program("title/bin/sh", RecordingScript("inside.txt"));
    ProgramStarter starter(paths_);
    const std::string root = fs::canonical(root_).native();

    ASSERT_TRUE(starter.Start("..\\..\\bin\\sh one").started);
    EXPECT_EQ(AwaitFile("inside.txt"), root + "\none\n");
    fs::remove(root_ / "inside.txt");
    // A host absolute path is a title path under the folder, never the host's shell.
    ASSERT_TRUE(starter.Start("/bin/sh -c \"touch /tmp/x\"").started);
    EXPECT_EQ(AwaitFile("inside.txt"), root + "\n-c\ntouch /tmp/x\n");

    EXPECT_FALSE(starter.Start("..\\escape.sh").started);
    EXPECT_FALSE(starter.Start("C:\\..\\..\\escape.sh").started);
    EXPECT_FALSE(starter.Start("\"../escape.sh\"").started);
    EXPECT_FALSE(starter.Start(("\"" + (base_.Path() / "escape.sh").native() + "\"")).started);
    EXPECT_TRUE(AwaitAllReaped(starter));
    EXPECT_FALSE(fs::exists(root_ / "outside.txt"));
}

}  // namespace
}  // namespace stagehand::host
