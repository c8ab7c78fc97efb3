#include "director/ShellCommand.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/files/TextEncoding.h"
#include "host/system/TitleProgramTest.h"
#include "trace/Trace.h"

namespace stagehand {
namespace {
namespace fs = std::filesystem;
using Kind = ShellOutcome::Kind;

// Faults in the trace are collected.
class ShellCommandTest : public testing::TitleProgramTest {
  protected:
    void SetUp() override {
        TitleProgramTest::SetUp();
        base_.Write("title/readme.txt", "Read me.");
        base_.Write("title/Help/Index.HTM", "<p>");
        base_.Write("title/start.exe", std::string("MZ\x90\0", 4));
        starter_.SetWindowsRunner("");
    }

    ShellOutcome Run(std::string_view line) { return RunShellCommand(line, starter_, paths_); }
    std::string Host(const fs::path& relative) const { return (root_ / relative).native(); }

    std::vector<std::string> faults_;
    trace::ScopedSink sink_{[this](trace::Entry entry, std::string_view text) {
        if (entry == trace::Entry::kFault) {
            faults_.emplace_back(text);
        }
    }};
};

// Documents of the title and web addresses are opened with the rest of the line ignored,
// and so is what a program that cannot run here was asked to show. A document copied from a
// disc may carry an execute bit and is still a document. Title text is 1252; the opener gets
// UTF-8.
TEST_F(ShellCommandTest, OpensDocumentsAndWebAddresses) {
    Program("title/Manual.wri", "{\\rtf1}");
    const std::string readme = Host("readme.txt");
    const std::pair<std::string_view, std::string> cases[] = {
        {"README.TXT", readme},
        {"readme.txt /p \"two words\"", readme},
        {"C:\\help\\index.htm", Host("Help/Index.HTM")},
        {"manual.wri", Host("Manual.wri")},
        {"http://www.example.com/a?b=1", "http://www.example.com/a?b=1"},
        {"WWW.example.com", "http://WWW.example.com"},
        {"https://example.com/caf\xE9", "https://example.com/caf\u00E9"},
        {"notepad.exe readme.txt", readme},
        {"write \"README.TXT\"", readme},
        {"start.exe http://x", "http://x"},
        {"explorer www.example.com other", "http://www.example.com"}};
    for (const auto& [line, target] : cases) {
        const ShellOutcome outcome = Run(line);
        EXPECT_EQ(outcome.kind, Kind::kOpened) << line << ": " << outcome.target;
        EXPECT_EQ(outcome.target, target) << line;
        if (outcome.kind == Kind::kOpened) {
            EXPECT_EQ(TakeRecord("opened.txt"), target + "\n") << line;
        }
    }
    EXPECT_EQ(faults_, std::vector<std::string>{});
}

TEST_F(ShellCommandTest, StartsAProgramOfTheTitle) {
    const fs::path program = Program("title/Tools/Run.sh", testing::RecordingScript("args.txt"));
    const ShellOutcome outcome = Run("tools\\run.sh readme.txt \"two words\"");
    EXPECT_EQ(outcome.kind, Kind::kStarted) << outcome.target;
    EXPECT_EQ(outcome.target, program.native());
    EXPECT_EQ(TakeRecord("args.txt"), "readme.txt\ntwo words\n");
    EXPECT_EQ(faults_, std::vector<std::string>{});
}

// The question put to the user names what would start or open, as the title named it, cut
// where a title gives a name no one could read.
TEST_F(ShellCommandTest, PlansWithTheQuestionForTheUser) {
    Program("title/Tools/Run.sh", "#!/bin/sh\n");
    Program("wine.sh", "#!/bin/sh\n");
    const std::string longName(200, 'x');
    base_.Write("title/" + longName + ".txt", "");
    const std::pair<std::string, std::string> cases[] = {
        {"README.TXT /p", "This title wants to open README.TXT."},
        {"notepad readme.txt", "This title wants to open readme.txt."},
        {"www.example.com", "This title wants to open the web address http://www.example.com."},
        {"tools\\run.sh a b", "This title wants to start tools\\run.sh."},
        {"start.exe", "This title wants to start start.exe, a Windows program."},
        {longName + ".txt", "This title wants to open " + std::string(76, 'x') + "\u2026."}};
    starter_.SetWindowsRunner((base_.Path() / "wine.sh").native());
    for (const auto& [line, question] : cases) {
        const base::Result<ShellPlan> plan = PlanShellCommand(line, starter_, paths_);
        ASSERT_TRUE(plan) << line << ": " << plan.error();
        EXPECT_EQ(plan->question, question) << line;
    }
    EXPECT_EQ(faults_, std::vector<std::string>{});
}

// A program kind is never a document, and a folder is neither. Without a desktop (no opener)
// documents and web addresses are not opened; an opener that cannot start is traced.
TEST_F(ShellCommandTest, RefusesAndTracesWhatItCannotCarryOut) {
    base_.Write("title/install.bat", "@echo off\r\n");
    base_.MakeFolder("title/docs");
    const std::string absent = (base_.Path() / "absent-opener").native();
    const std::string noDesktop =
        "documents and web addresses are not opened in a run without a desktop";
    const std::string noFile = " is not a file in the title folder";
    struct Case {
        std::string line, reason;
        std::optional<std::string> opener = {};  // none: the recording one
    };
    const Case cases[] = {
        {"notepad.exe missing.txt", "`notepad.exe`" + noFile},
        {"start.exe /max", "`start.exe` is a Windows program, and this run starts none"},
        {"install.bat", "`install.bat` is not an executable file"},
        {"explorer docs", "`explorer`" + noFile},
        {"notepad caf\xE9.txt", "`notepad`" + noFile},
        {"readme.txt", noDesktop, ""},
        {"notepad.exe http://example.com", noDesktop, ""},
        {"http://example.com",
         "cannot start the opener `" + absent +
             "` for `http://example.com`: No such file or directory",
         absent}};
    for (const Case& c : cases) {
        starter_.SetOpener(c.opener.value_or(opener_));
        faults_.clear();
        const ShellOutcome outcome = Run(c.line);
        EXPECT_EQ(outcome.kind, Kind::kRefused) << c.line;
        EXPECT_EQ(outcome.target, c.reason);
        EXPECT_EQ(faults_, std::vector<std::string>{"Shell \"" + host::Cp1252ToUtf8(c.line) +
                                                    "\": " + c.reason + "."});
    }
    faults_.clear();
    EXPECT_EQ(Run("").kind, Kind::kRefused);
    EXPECT_EQ(Run(std::string(host::ProgramStarter::kMaxCommandLineBytes + 1, 'a')).kind,
              Kind::kRefused);
    ASSERT_EQ(faults_.size(), 2u);
    EXPECT_EQ(faults_[0], "Shell was given no command line.");
    EXPECT_FALSE(fs::exists(root_ / "opened.txt"));
}

}  // namespace
}  // namespace stagehand
