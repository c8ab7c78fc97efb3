// The user's settings: what a file says (good, damaged, bad values, unknown keys), what the
// command line lays over it, and what is written back when the play ends.
#include "app/UserSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/TempFolder.h"

namespace stagehand {
namespace {
namespace fs = std::filesystem;
using host::ScaleMode;

std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(UserSettings, EachFileGivesWhatItCanAndNamesWhatItCannot) {
    struct Case {
        const char* what;
        std::string text;
        PlayerSettings expected;
        std::string problem;  // a part of it; empty: none
    };
    const PlayerSettings defaults;
    const Case cases[] = {
        {"no file", "", defaults, ""},
        {"every key, case-blind, blanks trimmed",
         "[display]\nFULLSCREEN = No\nWindow=1000x700\nScale= integer \n[Sound]\nVolume=35\n"
         "mute=YES\n",
         {false, host::Size{1000, 700}, ScaleMode::kInteger, 35, true},
         ""},
        {"unknown keys and sections are passed over",
         "; mine\n[Display]\nTheme=dark\nScale=nearest\n[Title X-1]\nPrograms=always\n[Other]\n",
         {true, std::nullopt, ScaleMode::kNearest, 100, false},
         ""},
        {"a bad value keeps its default, the others are used",
         "[Sound]\nVolume=loud\nMute=yes\n[Display]\nScale=blurry\n",
         {true, std::nullopt, ScaleMode::kSharp, 100, true},
         "[Display] Scale=blurry is not sharp, nearest, smooth or integer"},
        {"volume beyond 100", "[Sound]\nVolume=101\n", defaults, "Volume=101 is not a number"},
        {"a negative volume", "[Sound]\nVolume=-1\n", defaults, "Volume=-1"},
        {"a window too small", "[Display]\nWindow=63x480\n", defaults, "Window=63x480"},
        {"a window without its height", "[Display]\nWindow=800x\n", defaults, "Window=800x"},
        {"a fullscreen that is neither", "[Display]\nFullscreen=1\n", defaults, "yes or no"},
        {"binary junk", std::string("\x00\xFF[\x01\n=\n\xFE", 8), defaults, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ParsedSettings parsed = ParseSettings(c.text);
        EXPECT_EQ(parsed.values, c.expected);
        if (c.problem.empty()) {
            EXPECT_EQ(parsed.problem, "");
        } else {
            EXPECT_NE(parsed.problem.find(c.problem), std::string::npos) << parsed.problem;
        }
    }
}

// One line on the error stream for a file that cannot be (all) read; never fatal.
TEST(UserSettings, AFileThatCannotBeReadIsOneLineAndTheDefaults) {
    testing::TempFolder folder;
    struct Case {
        fs::path file;
        std::string said;
    };
    const fs::path large = folder.Write("large.ini", std::string((1 << 20) + 1, ';'));
    fs::create_directories(folder.Path() / "folder.ini");
    const Case cases[] = {
        {folder.Path() / "missing.ini", ""},
        {large, "stagehand: the settings in " + large.string() + " could not be read: "},
        {folder.Path() / "folder.ini", " could not be read: "},
        {folder.Write("bad.ini", "[Sound]\nVolume=x\nMute=maybe\n"),
         " could not all be read: [Sound] Volume=x is not a number from 0 to 100; its default "
         "is used\n"},
    };
    for (const Case& c : cases) {
        std::ostringstream err;
        const CUserSettings settings(c.file, {}, err);
        EXPECT_EQ(settings.FromFile(), PlayerSettings{});
        if (c.said.empty()) {
            EXPECT_EQ(err.str(), "");
        } else {
            const std::string said = err.str();
            EXPECT_NE(said.find(c.said), std::string::npos) << said;
            EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        }
    }
    // What could not be read is never written over.
    std::ostringstream err;
    CUserSettings unreadable(large, {}, err);
    unreadable.Started({});
    EXPECT_EQ(unreadable.Keep({.fullscreen = false}).value(), false);
    EXPECT_EQ(fs::file_size(large), (1u << 20) + 1);
}

// The command line wins for the run and is not written back; what the user changed while
// playing is, and only that; nothing changed, nothing written.
TEST(UserSettings, OptionsWinForTheRunAndOnlyTheUsersChangesAreKept) {
    testing::TempFolder folder;
    const std::string held = "; mine\n[Display]\nFullscreen=yes\nScale=smooth\nTheme=dark\n";
    const fs::path file = folder.Write("config/settings.ini", held);
    std::ostringstream err;
    CUserSettings settings(file, {}, err);
    PlayerOptions options;
    options.window = true;
    options.scale = ScaleMode::kInteger;
    PlayerSettings run = settings.ForRun(options);
    EXPECT_EQ(run, (PlayerSettings{false, std::nullopt, ScaleMode::kInteger, 100, false}));
    options = {};
    options.fullscreen = true;
    EXPECT_TRUE(settings.ForRun(options).fullscreen);
    EXPECT_EQ(settings.ForRun(options).scaling, ScaleMode::kSmooth);

    // The run started in a window at 1280x960 with integer scaling, as the options said.
    run.windowSize = host::Size{1280, 960};
    settings.Started(run);
    EXPECT_EQ(settings.Keep(run).value(), false);
    EXPECT_EQ(Read(file), held);
    // The user turned the volume down and muted: those two are written, the options are not.
    PlayerSettings now = run;
    now.volume = 40;
    now.muted = true;
    EXPECT_EQ(settings.Keep(now).value(), true);
    EXPECT_EQ(Read(file), held + "\n[Sound]\nVolume=40\nMute=yes\n");
    EXPECT_EQ(err.str(), "");

    // Resizing the window and Alt+Enter back to full screen are the user's choices too.
    CUserSettings next(file, {}, err);
    next.Started(run);
    now = run;
    now.windowSize = host::Size{1000, 500};
    now.fullscreen = true;
    EXPECT_EQ(next.Keep(now).value(), true);
    const ParsedSettings parsed = ParseSettings(Read(file));
    EXPECT_EQ(parsed.values,
              (PlayerSettings{true, host::Size{1000, 500}, ScaleMode::kSmooth, 40, true}));
    EXPECT_NE(Read(file).find("Theme=dark\n"), std::string::npos);
}

// An old programs.ini is folded in when the settings are next written, and then goes.
TEST(UserSettings, TheOldFileOfAllowedTitlesIsFoldedIn) {
    testing::TempFolder folder;
    const fs::path file = folder.Path() / "settings.ini";
    const fs::path old = folder.Write("programs.ini", "[Always]\nOld-1=yes\n");
    std::ostringstream err;
    CUserSettings settings(file, old, err);
    settings.Started({});
    ASSERT_EQ(settings.Keep({.scaling = ScaleMode::kNearest}).value(), true);
    EXPECT_EQ(Read(file), "[Title Old-1]\nPrograms=always\n\n[Display]\nScale=nearest\n");
    EXPECT_FALSE(fs::exists(old));
}

}  // namespace
}  // namespace stagehand
