#include "host/system/ProgramStart.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "host/system/TitleProgramTest.h"

namespace stagehand::host {
namespace {
namespace fs = std::filesystem;
using testing::RecordingScript;

class ProgramStartTest : public testing::TitleProgramTest {
  protected:
    // The one argument the opener got for the next open, which must have started.
    std::string OpenedWith(std::string_view target) {
        const ProgramStartResult result = starter_.Open(target);
        EXPECT_TRUE(result.started) << result.error;
        EXPECT_EQ(result.started ? TakeRecord("opened.txt") : std::nullopt, result.target + "\n");
        return result.target;
    }
};

// Names are case-blind and may lead through folders, and through links that stay inside.
TEST_F(ProgramStartTest, StartsATitleProgramCaseBlindWithItsArguments) {
    Program("title/run.sh", RecordingScript("args.txt"));
    Program("title/Setup/Install.sh", RecordingScript("install.txt"));
    fs::create_symlink("Setup/Install.sh", root_ / "install");
    const ProgramStartResult result =
        starter_.Start("RUN.SH \"two words\" a\\\"b caf\xE9 \"\" C:\\data\\x.ini");
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(TakeRecord("args.txt"), "two words\na\"b\ncaf\u00E9\n\nC:\\data\\x.ini\n");
    ASSERT_TRUE(starter_.Start(".\\setup\\INSTALL.SH /q").started);
    EXPECT_EQ(TakeRecord("install.txt"), "/q\n");
    const ProgramStartResult linked = starter_.Start("install");
    ASSERT_TRUE(linked.started) << linked.error;
    EXPECT_EQ(linked.target, (fs::canonical(root_) / "Setup/Install.sh").native());
    EXPECT_EQ(TakeRecord("install.txt"), "");
}

// A Windows program starts through the Windows runner, given the program's host path first;
// without a runner it is refused before anything starts.
TEST_F(ProgramStartTest, StartsWindowsProgramsThroughTheRunner) {
    const fs::path setup = base_.Write("title/Setup.exe", std::string("MZ\x90\0", 4));
    starter_.SetWindowsRunner(Program("wine.sh", RecordingScript("wine.txt")).native());
    const ProgramStartResult started = starter_.Start("SETUP.EXE /s");
    ASSERT_TRUE(started.started) << started.error;
    EXPECT_EQ(started.target, setup.native());
    EXPECT_EQ(TakeRecord("wine.txt"), setup.native() + "\n/s\n");
    starter_.SetWindowsRunner("stagehand-no-such-runner");
    EXPECT_EQ(starter_.Start("setup.exe").error,
              "`setup.exe` is a Windows program, and `stagehand-no-such-runner` is not installed "
              "to start it");
    starter_.SetWindowsRunner("");
    EXPECT_EQ(starter_.Start("setup.exe").error,
              "`setup.exe` is a Windows program, and this run starts none");
}

// An executable that is neither a binary nor a script is refused, not handed to a shell.
TEST_F(ProgramStartTest, RefusesWhatIsNotAProgramOfTheTitle) {
    base_.MakeFolder("title/tools");
    Program("title/notes.sh", "touch ran-by-a-shell.txt\n");
    const std::pair<std::string, std::string> cases[] = {
        {"", "empty command line"},
        {"caf\xE9.sh", "`caf\u00E9.sh` is not a file in the title folder"},
        {"\"\"", "`` is not a file in the title folder"},
        {"tools", "`tools` is not an executable file"},
        {"notes.sh", "cannot start `notes.sh`: Exec format error"},
        {"x " + std::string(ProgramStarter::kMaxCommandLineBytes, 'a'),
         "command line longer than 32767 bytes"}};
    for (const auto& [line, error] : cases) {
        const ProgramStartResult result = starter_.Start(line);
        EXPECT_FALSE(result.started) << line;
        EXPECT_EQ(result.error, error);
    }
    EXPECT_EQ(starter_.RunningCount(), 0u);
    SleepMilliseconds(50);
    EXPECT_FALSE(fs::exists(root_ / "ran-by-a-shell.txt"));
}

// A host absolute path is a title path under the folder, never the host's shell.
TEST_F(ProgramStartTest, NeverStartsAnythingOutsideTheTitleFolder) {
    Program("bin/sh", RecordingScript("outside.txt"));
    Program("escape.sh", RecordingScript("outside.txt"));
    Program("title/bin/sh", RecordingScript("inside.txt"));
    ASSERT_TRUE(starter_.Start("..\\..\\bin\\sh one").started);
    EXPECT_EQ(TakeRecord("inside.txt"), "one\n");
    ASSERT_TRUE(starter_.Start("/bin/sh -c \"touch /tmp/x\"").started);
    EXPECT_EQ(TakeRecord("inside.txt"), "-c\ntouch /tmp/x\n");
    // Links out are refused whatever they lead to, and the reason names where.
    fs::create_symlink("/bin/sh", root_ / "shell");
    fs::create_symlink("../escape.sh", root_ / "escape");
    EXPECT_EQ(starter_.Start("shell notes.txt").error,
              "`shell`: the link shell leads outside the title's folders, to /bin/sh");
    EXPECT_NE(starter_.Start("escape").error.find("leads outside"), std::string::npos);
    const std::string lines[] = {"..\\escape.sh", "C:\\..\\..\\escape.sh", "\"../escape.sh\"",
                                 "\"" + (base_.Path() / "escape.sh").native() + "\""};
    for (const std::string& line : lines) {
        EXPECT_FALSE(starter_.Start(line).started) << line;
    }
}

TEST_F(ProgramStartTest, HandsWebAddressesAndTitleFilesToTheOpenerAsOneArgument) {
    const std::string readme = base_.Write("title/Read Me.txt", "hello").native();
    base_.Write("title/help/index.htm", "<p>");
    EXPECT_EQ(OpenedWith("HTTP://Example.com/a?b=1&c=\"d\""), "HTTP://Example.com/a?b=1&c=\"d\"");
    EXPECT_EQ(OpenedWith("ftp://files.example.com/x.zip"), "ftp://files.example.com/x.zip");
    EXPECT_EQ(OpenedWith("MailTo:someone@example.com"), "MailTo:someone@example.com");
    EXPECT_EQ(OpenedWith(readme), readme);
    EXPECT_EQ(OpenedWith((root_ / "help/./../help/index.htm").native()),
              (root_ / "help/index.htm").native());
}

// A target is judged before the opener, so the reason names what was wrong with it. Started
// in the title folder, an opener named by a relative path would reach the title's own files.
TEST_F(ProgramStartTest, OpensNeitherWhatIsNotAWebAddressOrAFileOfTheTitleNorWithoutAnOpener) {
    base_.Write("outside.txt");
    const std::string readme = base_.Write("title/readme.txt").native();
    base_.MakeFolder("title/docs");
    const auto error = [&](std::string_view target) {
        const ProgramStartResult result = starter_.Open(target);
        EXPECT_FALSE(result.started) << target;
        return result.error;
    };
    EXPECT_EQ(error("readme.txt"),
              "`readme.txt` is neither a web address nor a file in the title folder");
    for (const char* name : {"missing.txt", "docs"}) {
        const std::string target = (root_ / name).native();
        EXPECT_EQ(error(target), "`" + target + "` is not a file in the title folder");
    }
    const std::string hostPaths[] = {(base_.Path() / "outside.txt").native(),
                                     (root_ / "../outside.txt").native(), root_.native(),
                                     readme + std::string("\0", 1)};
    for (const std::string& target : hostPaths) {
        EXPECT_NE(error(target), "") << target;
    }
    for (const char* target :
         {"", "-h", "--help", "http://", "www.", "file:///etc/passwd", "javascript:alert(1)",
          "http://a b", "http://a\nb", "http://a\x7F", "http://a\u0085", "mailto:"}) {
        EXPECT_NE(error(target), "") << target;
    }

    EXPECT_EQ(ProgramStarter(paths_).Opener(), "xdg-open");
    starter_.SetOpener("");
    EXPECT_EQ(error("nothing"),
              "`nothing` is neither a web address nor a file in the title folder");
    starter_.SetOpener("stagehand-no-such-opener");
    EXPECT_NE(error(readme), "");
    Program("title/bin/opener", RecordingScript("opened.txt"));
    starter_.SetOpener("bin/opener");
    EXPECT_EQ(error(readme), "the opener `bin/opener` is neither a name nor an absolute path");
    EXPECT_EQ(starter_.RunningCount(), 0u);
    SleepMilliseconds(50);
    EXPECT_FALSE(fs::exists(root_ / "opened.txt"));
}

TEST_F(ProgramStartTest, KnowsTheProgramsThisMachineRuns) {
    const auto runs = [](const fs::path& file) {
        InputFile opened = InputFile::Open(file);
        return ProgramStarter::IsHostProgram(opened, file);
    };
    EXPECT_TRUE(runs(Program("title/run.sh", "#!/bin/sh\n")));
    EXPECT_TRUE(runs("/bin/sh"));
    EXPECT_FALSE(runs(Program("title/readme.txt", "text copied from a disc")));
    EXPECT_FALSE(runs(Program("title/setup.exe", "MZ\x90")));
    EXPECT_FALSE(runs(base_.Write("title/plain.sh", "#!/bin/sh\n")));  // no execute bit
    EXPECT_FALSE(runs(root_));
    EXPECT_FALSE(runs(root_ / "missing"));
}

}  // namespace
}  // namespace stagehand::host
