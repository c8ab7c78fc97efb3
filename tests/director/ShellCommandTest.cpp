#include "director/ShellCommand.h"

#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "host/files/TitlePaths.h"
#include "host/system/Clock.h"
#include "host/system/ProgramStart.h"
#include "support/TempFolder.h"
#include "trace/Trace.h"

namespace stagehand {
namespace {
namespace fs = std::filesystem;
using Kind = ShellOutcome::Kind;

// A script that writes its arguments, one a line, to outName in its working directory (the
// title folder); written whole and then renamed, so a reader never sees half of it.
std::string RecordingScript(const std::string& outName) {
    return "#!/bin/sh\n"
           "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > " +
           outName + ".tmp && mv " + outName + ".tmp " + outName + "\n";
}

// The title lives in base_/title; the fake desktop opener lives beside it and records what
// it was given in opened.txt. Faults in the trace are collected.
class ShellCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        struct statvfs info {};
        if (statvfs(root_.c_str(), &info) == 0 && (info.f_flag & ST_NOEXEC) != 0) {
            GTEST_SKIP() << "the temporary folder does not allow running programs";
        }
        starter_.SetOpener(Program("opener.sh", RecordingScript("opened.txt")).native());
        base_.Write("title/readme.txt", "Read me.");
        base_.Write("title/Help/Index.HTM", "<p>");
        base_.Write("title/start.exe", std::string("MZ\x90\0", 4));
    }

    void TearDown() override {
        for (int i = 0; i < 1000 && starter_.RunningCount() > 0; ++i) {
            host::SleepMilliseconds(10);
            starter_.Reap();
        }
        EXPECT_EQ(starter_.RunningCount(), 0u);
    }

    fs::path Program(const fs::path& relative, const std::string& text) {
        const fs::path file = base_.Write(relative, text);
        fs::permissions(file, fs::perms::owner_exec, fs::perm_options::add);
        return file;
    }

    ShellOutcome Run(std::string_view line) { return RunShellCommand(line, starter_, paths_); }

    // Waits for a started program to leave a file and takes it away: a bounded wait, not a
    // measurement.
    std::optional<std::string> TakeFile(const std::string& name) {
        const fs::path file = root_ / name;
        for (int i = 0; i < 1000; ++i) {
            if (fs::exists(file)) {
                std::ostringstream text;
                text << std::ifstream(file, std::ios::binary).rdbuf();
                fs::remove(file);
                return text.str();
            }
            host::SleepMilliseconds(10);
        }
        return std::nullopt;
    }

    // Runs a line that must open target, and returns the opener's arguments.
    std::optional<std::string> Opened(std::string_view line, const std::string& target) {
        const ShellOutcome outcome = Run(line);
        EXPECT_EQ(outcome.kind, Kind::kOpened) << line << ": " << outcome.target;
        EXPECT_EQ(outcome.target, target) << line;
        if (outcome.kind != Kind::kOpened) {
            return std::nullopt;
        }
        return TakeFile("opened.txt");
    }

    std::string Host(const fs::path& relative) const { return (root_ / relative).native(); }

    testing::TempFolder base_;
    const fs::path root_ = base_.MakeFolder("title");
    const host::TitlePaths paths_{root_};
    host::ProgramStarter starter_{paths_};
    std::vector<std::string> faults_;
    trace::ScopedSink sink_{[this](trace::Entry entry, std::string_view text) {
        if (entry == trace::Entry::kFault) {
            faults_.emplace_back(text);
        }
    }};
};

TEST_F(ShellCommandTest, OpensTheTitlesDocumentsWithTheRestOfTheLineIgnored) {
    const std::string readme = Host("readme.txt");
    EXPECT_EQ(Opened("README.TXT", readme), readme + "\n");
    EXPECT_EQ(Opened("readme.txt /p \"two words\"", readme), readme + "\n");
    EXPECT_EQ(Opened("C:\\help\\index.htm", Host("Help/Index.HTM")), Host("Help/Index.HTM") + "\n");
    // Copied from a disc, a document may carry an execute bit; it is still a document.
    Program("title/Manual.wri", "{\\rtf1}");
    EXPECT_EQ(Opened("manual.wri", Host("Manual.wri")), Host("Manual.wri") + "\n");
    EXPECT_EQ(faults_, std::vector<std::string>{});
}

TEST_F(ShellCommandTest, OpensWebAddresses) {
    EXPECT_EQ(Opened("http://www.example.com/a?b=1", "http://www.example.com/a?b=1"),
              "http://www.example.com/a?b=1\n");
    EXPECT_EQ(Opened("WWW.example.com", "http://WWW.example.com"), "http://WWW.example.com\n");
    // Title text is 1252; the opener gets UTF-8.
    EXPECT_EQ(Opened("https://example.com/caf\xE9", "https://example.com/caf\u00E9"),
              "https://example.com/caf\u00E9\n");
    EXPECT_EQ(faults_, std::vector<std::string>{});
}

TEST_F(ShellCommandTest, OpensWhatAProgramThatCannotRunHereWasAskedToShow) {
    const std::string readme = Host("readme.txt");
    EXPECT_EQ(Opened("notepad.exe readme.txt", readme), readme + "\n");
    EXPECT_EQ(Opened("write \"README.TXT\"", readme), readme + "\n");
    EXPECT_EQ(Opened("start.exe http://x", "http://x"), "http://x\n");
    EXPECT_EQ(Opened("explorer www.example.com other", "http://www.example.com"),
              "http://www.example.com\n");
    EXPECT_EQ(faults_, std::vector<std::string>{});
}

TEST_F(ShellCommandTest, StartsAProgramOfTheTitle) {
    const fs::path program = Program("title/Tools/Run.sh", RecordingScript("args.txt"));
    const ShellOutcome outcome = Run("tools\\run.sh readme.txt \"two words\"");
    EXPECT_EQ(outcome.kind, Kind::kStarted) << outcome.target;
    EXPECT_EQ(outcome.target, program.native());
    EXPECT_EQ(TakeFile("args.txt"), "readme.txt\ntwo words\n");
    EXPECT_FALSE(fs::exists(root_ / "opened.txt"));
    EXPECT_EQ(faults_, std::vector<std::string>{});
}

TEST_F(ShellCommandTest, RefusesAndTracesWhatItCannotCarryOut) {
    base_.Write("title/install.bat", "@echo off\r\n");
    base_.MakeFolder("title/docs");
    const auto refused = [&](std::string_view line) {
        faults_.clear();
        const ShellOutcome outcome = Run(line);
        EXPECT_EQ(outcome.kind, Kind::kRefused) << line;
        EXPECT_EQ(faults_.size(), 1u) << line;
        return faults_.empty() ? std::string() : faults_.front();
    };
    EXPECT_EQ(refused(""), "Shell was given no command line.");
    EXPECT_EQ(refused(" \t "), "Shell was given no command line.");
    EXPECT_EQ(refused("missing.txt"),
              "Shell \"missing.txt\": `missing.txt` is not a file in the title folder.");
    EXPECT_EQ(refused("notepad.exe missing.txt"),
              "Shell \"notepad.exe missing.txt\": `notepad.exe` is not a file in the title "
              "folder.");
    EXPECT_EQ(refused("start.exe /max"),
              "Shell \"start.exe /max\": `start.exe` is a Windows program, which cannot run "
              "here.");
    // A program kind is never a document, and a folder is neither.
    EXPECT_EQ(refused("install.bat"),
              "Shell \"install.bat\": `install.bat` is not an executable file.");
    EXPECT_EQ(refused("explorer docs"),
              "Shell \"explorer docs\": `explorer` is not a file in the title folder.");
    EXPECT_EQ(refused("notepad caf\xE9.txt"),
              "Shell \"notepad caf\u00E9.txt\": `notepad` is not a file in the title folder.");
    EXPECT_NE(refused(std::string(host::ProgramStarter::kMaxCommandLineBytes + 1, 'a')), "");
    EXPECT_FALSE(fs::exists(root_ / "opened.txt"));
}

TEST_F(ShellCommandTest, TracesWhatTheOpenerWouldNotTake) {
    starter_.SetOpener("");
    ShellOutcome outcome = Run("readme.txt");
    EXPECT_EQ(outcome.kind, Kind::kRefused);
    EXPECT_EQ(outcome.target,
              "documents and web addresses are not opened in a run without a desktop");
    outcome = Run("notepad.exe http://example.com");
    EXPECT_EQ(outcome.kind, Kind::kRefused);
    ASSERT_EQ(faults_.size(), 2u);
    EXPECT_EQ(faults_[1],
              "Shell \"notepad.exe http://example.com\": documents and web addresses are not "
              "opened in a run without a desktop.");

    const std::string absent = (base_.Path() / "absent-opener").native();
    starter_.SetOpener(absent);
    EXPECT_EQ(Run("http://example.com").kind, Kind::kRefused);
    ASSERT_EQ(faults_.size(), 3u);
    EXPECT_EQ(faults_[2], "Shell \"http://example.com\": cannot start the opener `" + absent +
                              "` for `http://example.com`: No such file or directory.");
}

}  // namespace
}  // namespace stagehand
