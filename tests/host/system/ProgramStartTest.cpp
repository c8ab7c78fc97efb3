#include "host/system/ProgramStart.h"

#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

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

// Names are case-blind and may lead through folders; a bare name is taken as written.
TEST_F(ProgramStartTest, StartsATitleProgramCaseBlindWithItsArguments) {
    Program("title/run.sh", RecordingScript("args.txt"));
    Program("title/Setup/Install.sh", RecordingScript("install.txt"));
    Program("title/run.", RecordingScript("dotted.txt"));  // unreachable as a title name
    ProgramStarter starter(paths_);
    const ProgramStartResult result =
        starter.Start("RUN.SH \"two words\" a\\\"b caf\xE9 \"\" C:\\data\\x.ini");
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(AwaitFile("args.txt"),
              fs::canonical(root_).native() + "\ntwo words\na\"b\ncaf\u00E9\n\nC:\\data\\x.ini\n");
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

// The opener lives beside the title, as the desktop's own opener lives outside it; it
// records what it was given in opened.txt in the title folder, its working directory.
class ProgramOpenTest : public ProgramStartTest {
  protected:
    void SetUp() override {
        ProgramStartTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        starter_.SetOpener(Program("opener.sh", RecordingScript("opened.txt")).native());
    }

    // The one argument the opener got for the next open, which must have started.
    std::optional<std::string> OpenedWith(std::string_view target) {
        const ProgramStartResult result = starter_.Open(target);
        EXPECT_TRUE(result.started) << result.error;
        if (!result.started) {
            return std::nullopt;
        }
        std::optional<std::string> got = AwaitFile("opened.txt");
        fs::remove(root_ / "opened.txt");
        const std::string head = fs::canonical(root_).native() + "\n";
        if (!got || !got->starts_with(head) || !got->ends_with("\n")) {
            return got;
        }
        EXPECT_EQ(result.target, got->substr(head.size(), got->size() - head.size() - 1));
        return got->substr(head.size(), got->size() - head.size() - 1);
    }

    ProgramStarter starter_{paths_};
};

TEST_F(ProgramOpenTest, HandsWebAddressesAndTitleFilesToTheOpenerAsOneArgument) {
    const fs::path readme = base_.Write("title/Read Me.txt", "hello");
    base_.Write("title/help/index.htm", "<p>");
    EXPECT_EQ(OpenedWith("HTTP://Example.com/a?b=1&c=\"d\""), "HTTP://Example.com/a?b=1&c=\"d\"");
    EXPECT_EQ(OpenedWith("https://example.com"), "https://example.com");
    EXPECT_EQ(OpenedWith("ftp://files.example.com/x.zip"), "ftp://files.example.com/x.zip");
    EXPECT_EQ(OpenedWith("MailTo:someone@example.com"), "MailTo:someone@example.com");
    EXPECT_EQ(OpenedWith("WWW.example.com/caf\u00E9"), "http://WWW.example.com/caf\u00E9");
    EXPECT_EQ(OpenedWith(readme.native()), readme.native());
    EXPECT_EQ(OpenedWith((root_ / "help/./../help/index.htm").native()),
              (root_ / "help/index.htm").native());
    EXPECT_TRUE(AwaitAllReaped(starter_));
}

TEST_F(ProgramOpenTest, RefusesWhatIsNeitherAWebAddressNorAFileOfTheTitle) {
    base_.Write("outside.txt");
    base_.Write("title/readme.txt");
    base_.MakeFolder("title/docs");
    const auto error = [&](std::string_view target) {
        const ProgramStartResult result = starter_.Open(target);
        EXPECT_FALSE(result.started) << target;
        return result.error;
    };
    EXPECT_EQ(error("readme.txt"),
              "`readme.txt` is neither a web address nor a file in the title folder");
    EXPECT_EQ(error((root_ / "missing.txt").native()),
              "`" + (root_ / "missing.txt").native() + "` is not a file in the title folder");
    EXPECT_EQ(error((root_ / "docs").native()),
              "`" + (root_ / "docs").native() + "` is not a file in the title folder");
    for (const std::string& target :
         {std::string(), (base_.Path() / "outside.txt").native(),
          (root_ / "../outside.txt").native(), root_.native(), std::string("-h"),
          std::string("--help"), std::string("http://"), std::string("www."),
          std::string("file:///etc/passwd"), std::string("javascript:alert(1)"),
          std::string("http://a b"), std::string("http://a\nb"), std::string("http://a\x7F"),
          std::string("http://a\u0085"), std::string("mailto:"),
          (root_ / "readme.txt").native() + std::string("\0", 1)}) {
        EXPECT_NE(error(target), "") << target;
    }
    EXPECT_EQ(starter_.RunningCount(), 0u);
    SleepMilliseconds(50);
    EXPECT_FALSE(fs::exists(root_ / "opened.txt"));
}

TEST_F(ProgramOpenTest, OpensNothingWithoutAnOpener) {
    EXPECT_EQ(ProgramStarter(paths_).Opener(), "xdg-open");
    const fs::path readme = base_.Write("title/readme.txt");

    starter_.SetOpener("");
    ProgramStartResult result = starter_.Open("http://example.com");
    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.error,
              "documents and web addresses are not opened in a run without a desktop");
    EXPECT_FALSE(starter_.Open(readme.native()).started);
    // A target is judged before the opener: the reason names what was wrong with it.
    EXPECT_EQ(starter_.Open("nothing").error,
              "`nothing` is neither a web address nor a file in the title folder");

    const std::string absent = (base_.Path() / "no-opener").native();
    starter_.SetOpener(absent);
    result = starter_.Open("http://example.com");
    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.error, "cannot start the opener `" + absent +
                                "` for `http://example.com`: No such file or directory");
    starter_.SetOpener("stagehand-no-such-opener");
    EXPECT_FALSE(starter_.Open(readme.native()).started);
    // Started in the title folder, a relative path would reach the title's own files.
    Program("title/bin/opener", RecordingScript("opened.txt"));
    starter_.SetOpener("bin/opener");
    EXPECT_EQ(starter_.Open(readme.native()).error,
              "the opener `bin/opener` is neither a name nor an absolute path");
    EXPECT_EQ(starter_.RunningCount(), 0u);
}

TEST_F(ProgramStartTest, KnowsTheProgramsThisMachineRuns) {
    const fs::path script = Program("title/run.sh", "#!/bin/sh\n");
    const fs::path copied = Program("title/readme.txt", "text copied from a disc");
    const fs::path windows = Program("title/setup.exe", "MZ\x90");
    const fs::path plain = base_.Write("title/plain.sh", "#!/bin/sh\n");
    EXPECT_TRUE(ProgramStarter::IsHostProgram(script));
    EXPECT_TRUE(ProgramStarter::IsHostProgram("/bin/sh"));
    EXPECT_FALSE(ProgramStarter::IsHostProgram(copied));
    EXPECT_FALSE(ProgramStarter::IsHostProgram(windows));
    EXPECT_FALSE(ProgramStarter::IsHostProgram(plain));  // no execute bit, even for root
    EXPECT_FALSE(ProgramStarter::IsHostProgram(root_));
    EXPECT_FALSE(ProgramStarter::IsHostProgram(root_ / "missing"));
}

}  // namespace
}  // namespace stagehand::host
