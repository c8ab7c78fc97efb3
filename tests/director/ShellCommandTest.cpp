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
        starter_.SetOpener(opener_ = Program("opener.sh", RecordingScript("opened.txt")).native());
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
        for (int i = 0; i < 1000 && !fs::exists(file); ++i)
            host::SleepMilliseconds(10);
        if (!fs::exists(file))
            return std::nullopt;
        std::ostringstream text;
        text << std::ifstream(file, std::ios::binary).rdbuf();
        fs::remove(file);
        return text.str();
    }

    std::string Host(const fs::path& relative) const { return (root_ / relative).native(); }

    testing::TempFolder base_;
    const fs::path root_ = base_.MakeFolder("title");
    const host::TitlePaths paths_{root_};
    host::ProgramStarter starter_{paths_};
    std::string opener_;
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
        {"explorer www.example.com other", "http://www.example.com"},
    };
    for (const auto& [line, target] : cases) {
        const ShellOutcome outcome = Run(line);
        EXPECT_EQ(outcome.kind, Kind::kOpened) << line << ": " << outcome.target;
        EXPECT_EQ(outcome.target, target) << line;
        if (outcome.kind == Kind::kOpened) {
            EXPECT_EQ(TakeFile("opened.txt"), target + "\n") << line;
        }
    }
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

// A program kind is never a document, and a folder is neither. Without a desktop (no opener)
// documents and web addresses are not opened; an opener that cannot start is traced.
TEST_F(ShellCommandTest, RefusesAndTracesWhatItCannotCarryOut) {
    base_.Write("title/install.bat", "@echo off\r\n");
    base_.MakeFolder("title/docs");
    const std::string absent = (base_.Path() / "absent-opener").native();
    const std::string noDesktop =
        "documents and web addresses are not opened in a run without a desktop";
    const std::string tooLong(host::ProgramStarter::kMaxCommandLineBytes + 1, 'a');
    struct Case {
        std::string line, fault;
        std::optional<std::string> opener = {};  // none: the recording one
    };
    for (const Case& c : {
             Case{"", "Shell was given no command line."},
             Case{" \t ", "Shell was given no command line."},
             Case{"missing.txt",
                  "Shell \"missing.txt\": `missing.txt` is not a file in the title folder."},
             Case{"notepad.exe missing.txt",
                  "Shell \"notepad.exe missing.txt\": `notepad.exe` is not a file in the title "
                  "folder."},
             Case{"start.exe /max",
                  "Shell \"start.exe /max\": `start.exe` is a Windows program, which cannot run "
                  "here."},
             Case{"install.bat", "Shell \"install.bat\": `install.bat` is not an executable file."},
             Case{"explorer docs",
                  "Shell \"explorer docs\": `explorer` is not a file in the title folder."},
             Case{"notepad caf\xE9.txt",
                  "Shell \"notepad caf\u00E9.txt\": `notepad` is not a file in the title folder."},
             Case{tooLong, ""},  // any reason
             Case{"readme.txt", "Shell \"readme.txt\": " + noDesktop + ".", ""},
             Case{"notepad.exe http://example.com",
                  "Shell \"notepad.exe http://example.com\": " + noDesktop + ".", ""},
             Case{"http://example.com",
                  "Shell \"http://example.com\": cannot start the opener `" + absent +
                      "` for `http://example.com`: No such file or directory.",
                  absent},
         }) {
        starter_.SetOpener(c.opener.value_or(opener_));
        faults_.clear();
        const ShellOutcome outcome = Run(c.line);
        EXPECT_EQ(outcome.kind, Kind::kRefused) << c.line;
        ASSERT_EQ(faults_.size(), 1u) << c.line;
        if (!c.fault.empty()) {
            EXPECT_EQ(faults_[0], c.fault);
        }
        if (c.opener == "") {
            EXPECT_EQ(outcome.target, noDesktop);
        }
    }
    EXPECT_FALSE(fs::exists(root_ / "opened.txt"));
}

}  // namespace
}  // namespace stagehand
