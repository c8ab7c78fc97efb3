// A title in base_/title whose programs are scripts that record what they were given, and a
// starter for it whose desktop opener (opener_) records the same way, in opened.txt; base_
// holds what lies beside the title, out of its reach. Every program started must have ended
// when the test does.
#pragma once

#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "host/files/TitlePaths.h"
#include "host/system/Clock.h"
#include "host/system/ProgramStart.h"
#include "support/TempFolder.h"

namespace stagehand::testing {
namespace fs = std::filesystem;

// A script that writes its working directory and then its arguments, one a line, to outName
// in its working directory; written whole and then renamed, so a reader never sees half.
inline std::string RecordingScript(const std::string& outName) {
    return "#!/bin/sh\n{ pwd -P; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > " + outName +
           ".tmp && mv " + outName + ".tmp " + outName + "\n";
}

class TitleProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        struct statvfs info {};
        if (statvfs(root_.c_str(), &info) == 0 && (info.f_flag & ST_NOEXEC) != 0) {
            GTEST_SKIP() << "the temporary folder does not allow running programs";
        }
        starter_.SetOpener(opener_ = Program("opener.sh", RecordingScript("opened.txt")).native());
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

    // Waits for a recording script to leave its file in the title folder and takes it away:
    // a bounded wait, not a measurement. Gives the arguments recorded, after checking that
    // the script ran in the title folder.
    std::optional<std::string> TakeRecord(const std::string& name) {
        const fs::path file = root_ / name;
        for (int i = 0; i < 1000 && !fs::exists(file); ++i) {
            host::SleepMilliseconds(10);
        }
        if (!fs::exists(file)) {
            return std::nullopt;
        }
        std::ostringstream text;
        text << std::ifstream(file, std::ios::binary).rdbuf();
        fs::remove(file);
        const std::string got = text.str();
        const std::string head = fs::canonical(root_).native() + "\n";
        EXPECT_TRUE(got.starts_with(head)) << got;
        return got.starts_with(head) ? got.substr(head.size()) : got;
    }

    TempFolder base_;
    const fs::path root_ = base_.MakeFolder("title");
    const host::TitlePaths paths_{root_};
    host::ProgramStarter starter_{paths_};
    std::string opener_;
};

}  // namespace stagehand::testing
