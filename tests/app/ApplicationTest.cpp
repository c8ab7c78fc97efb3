// The application played in-process: refusals before the title starts, the trace, a whole
// headless run, the main frame as the title sees it, the loop's hooks, and the state the
// process is left in afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/DefaultTitle.h"
#include "director/Director.h"
#include "host/ui/WindowSystem.h"
#include "kernel/Player.h"
#include "media/VideoBusy.h"
#include "support/TempFolder.h"
#include "trace/Trace.h"

namespace stagehand {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

constexpr std::string_view kRoles =
    "[Director]\n"
    "ApplicationWindowName=App Test\n"
    "Child1=Counter\n"
    "Child2=SceneA\n"
    "[Counter]\n"
    "Type=Integer\n"
    "[SceneA]\n"
    "Type=Scene\n"
    "Left=10\nTop=20\nWidth=100\nHeight=50\n";
constexpr std::string_view kQueues = "[SceneA|Load]\n1=Counter.Set(Value,5)\n2=Counter.Add(1)\n";

class Application : public ::testing::Test {
  protected:
    Application() { options.headless = true; }

    // Writes the title into title/ and plays it with `script` as the scripted user.
    int Play(std::string_view script = "", std::string_view roles = kRoles,
             std::string_view queues = kQueues) {
        folder.Write("title/roles.mii", roles);
        folder.Write("title/msg.mii", queues);
        options.titleFolder = (folder.Path() / "title").string();
        options.input = folder.Write("input.txt", script).string();
        return app.Run(options, out, err);
    }

    TempFolder folder;
    PlayerOptions options;
    CApplication app;
    std::ostringstream out, err;
};

// Each refusal is one line on standard error; the trace's ends with the system's reason.
TEST_F(Application, RefusesToStartWithOneLineAndExitCode1) {
    folder.Write("title/roles.mii", kRoles);
    folder.Write("empty/msg.mii", "");
    folder.Write("plain.txt");
    // An image whose primary volume says its blocks hold nothing.
    folder.Write("damaged.iso", std::string(16 * 2048, '\0') + std::string("\1CD001\1", 7) +
                                    std::string(2041, '\0') +
                                    std::string("\xFF"
                                                "CD001\1",
                                                7) +
                                    std::string(2041, '\0'));
    const std::string at = folder.Path().string() + "/", title = at + "title";
    struct Case {
        std::string folder;
        std::optional<std::string> input, trace;
        std::string error;
    };
    for (const Case& c : {
             Case{at + "empty", {}, {}, at + "empty is not a title: it has no roles.mii\n"},
             Case{at + "nowhere", {}, {}, "the title folder " + at + "nowhere does not exist\n"},
             Case{at + "plain.txt", {}, {}, at + "plain.txt: it is not a disc image: "},
             Case{at + "plain.txt:/GAME", {}, {}, at + "plain.txt: it is not a disc image: "},
             Case{at + "damaged.iso", {}, {}, at + "damaged.iso: the disc image is damaged: "},
             Case{title, at + "in.txt", {}, "cannot read the input script " + at + "in.txt\n"},
             Case{title, {}, at + "no/t", "cannot write the trace to " + at + "no/t: "},
         }) {
        options.titleFolder = c.folder;
        options.input = c.input;
        options.trace = c.trace;
        err.str("");
        EXPECT_EQ(CApplication().Run(options, out, err), 1) << c.error;
        const std::string text = err.str();
        EXPECT_EQ(text.substr(0, 11 + c.error.size()), "stagehand: " + c.error);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        EXPECT_EQ(text.back(), '\n');
    }
    EXPECT_EQ(out.str(), "");
}

// End is posted: the queue finishes, and nothing of the script after it runs.
TEST_F(Application, ATitleThatEndsItselfExitsNormally) {
    const std::string queues = std::string(kQueues) + "3=Director.End()\n4=Counter.Add(10)\n";
    EXPECT_EQ(Play("print counter=[Counter.Value]\nwait 5000\nprint late\n", kRoles, queues), 0);
    EXPECT_EQ(out.str(), "");
}

// The title's files are found in any case. Files on the command line are found from the
// starting folder: the player goes into the title folder and comes back. The trace file is
// made afresh.
TEST_F(Application, PlaysATitleHeadlessToTheEndOfItsScript) {
    const fs::path before = fs::current_path();
    folder.Write("title/ROLES.MII", kRoles);
    folder.Write("title/MSG.MII", kQueues);
    folder.Write("script.txt", "print counter=[Counter.Value]\nwait 100\nclose\nprint late\n");
    folder.Write("run.trace", "old text that must go\n");
    fs::current_path(folder.Path());
    options.titleFolder = "title";
    options.input = "script.txt";
    options.trace = "run.trace";
    const int exitCode = app.Run(options, out, err);
    EXPECT_TRUE(fs::equivalent(fs::current_path(), folder.Path()));
    fs::current_path(before);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(out.str(), "counter=6\n");
    EXPECT_FALSE(fs::exists(folder.Path() / "title" / "run.trace"));
    std::stringstream text;
    text << std::ifstream(folder.Path() / "run.trace").rdbuf();
    EXPECT_EQ(text.str().find("old text"), std::string::npos);
    // Times count from the start of the play; the file is named as the trace names it.
    EXPECT_NE(text.str().find("[     0] queue SceneA|Load, run by SceneA\n"), std::string::npos)
        << text.str();
    EXPECT_NE(text.str().find("[     0] message SceneA|Load 2 (msg.mii:3): Counter.Add(1)\n"),
              std::string::npos);
    EXPECT_FALSE(trace::IsOn());  // the sink went with the run
}

TEST_F(Application, TracesToStandardOutputBetweenPrintedLines) {
    options.trace = "-";
    ASSERT_EQ(Play("print after start-up\n"), 0);
    const size_t queue = out.str().find("queue SceneA|Load");
    ASSERT_NE(queue, std::string::npos) << out.str();
    EXPECT_LT(queue, out.str().find("after start-up\n"));
}

// A trace that cannot be written is said once on standard error; the play goes on.
TEST_F(Application, ATraceThatCannotBeWrittenIsReportedOnceAndThePlayGoesOn) {
    options.trace = "/dev/full";
    ASSERT_EQ(Play("print counter=[Counter.Value]\n"), 0);
    EXPECT_EQ(err.str(),
              "stagehand: the trace could not be written to /dev/full: No space left on device\n");
    EXPECT_EQ(out.str(), "counter=6\n");
}

TEST_F(Application, TheMainFrameCoversTheScreenInBlackUnderTheScenesAndGoesWithThePlay) {
    options.screen = {320, 240};
    bool looked = false;
    app.SetFirstFrameHook([&](CPlayer& player) {
        looked = true;
        host::WindowSystem& windows = *player.Windows();
        const host::WindowHandle frame = player.MainFrame();
        EXPECT_EQ(windows.MainWindow(), frame);
        EXPECT_EQ(windows.WindowRect(frame), (host::Rect{0, 0, 320, 240}));
        EXPECT_EQ(windows.Style(frame), host::style::kPopup | host::style::kVisible);
        EXPECT_EQ(windows.Focus(), frame);
        EXPECT_EQ(windows.Title(frame), "App Test");
        EXPECT_TRUE(windows.IsShown(frame));
        // The scene opened inside it.
        const std::vector<host::WindowHandle> scenes = windows.Children(frame);
        ASSERT_EQ(scenes.size(), 1u);
        EXPECT_EQ(windows.WindowRect(scenes[0]), (host::Rect{10, 20, 110, 70}));
        const std::vector<host::Color>& pixels = windows.Framebuffer().Pixels();
        EXPECT_TRUE(
            std::all_of(pixels.begin(), pixels.end(), [](host::Color c) { return c == 0; }));
        EXPECT_NE(player.Director(), nullptr);
        EXPECT_NE(player.Programs(), nullptr);
        EXPECT_FALSE(player.SeesOtherInstances());  // headless runs meet no other player
    });
    ASSERT_EQ(Play(), 0);
    EXPECT_TRUE(looked);

    // A second play in the same process starts from scratch.
    out.str("");
    CApplication again;
    options.input = folder.Write("again.txt", "print [Counter.Value]\n").string();
    EXPECT_EQ(again.Run(options, out, err), 0);
    EXPECT_EQ(out.str(), "6\n");
}

TEST_F(Application, WithoutAWindowNameTheTitleEndsBeforeItsScenesRun) {
    std::vector<std::string> faults;
    trace::ScopedSink sink([&](trace::Entry entry, std::string_view text) {
        if (entry == trace::Entry::kFault) {
            faults.emplace_back(text);
        }
    });
    std::string roles(kRoles);
    roles.erase(roles.find("ApplicationWindowName"),
                std::string_view("ApplicationWindowName=App Test\n").size());
    EXPECT_EQ(Play("print [Counter.Value]\n", roles), 0);
    EXPECT_EQ(out.str(), "");  // the close request came before the script's first line
    EXPECT_TRUE(std::any_of(faults.begin(), faults.end(), [](const std::string& fault) {
        return fault.find("sets no ApplicationWindowName") != std::string::npos;
    }));
}

TEST_F(Application, FrameSteppersRunInIdleTimeWhenTheyAskAndPauseForAVideo) {
    std::vector<uint32_t> calls;
    app.AddFrameStepper([&](uint32_t now) {
        calls.push_back(now);
        return host::IdleRequest{calls.size() < 4, now + 100};
    });
    ASSERT_EQ(Play("wait 1000\n"), 0);
    // Once at start-up, then three more at the times asked for; then it is done.
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[1] - calls[0], 100u);
    EXPECT_EQ(calls[3] - calls[0], 300u);

    calls.clear();
    CApplication paused;
    paused.AddFrameStepper([&](uint32_t now) {
        calls.push_back(now);
        return host::IdleRequest{true, now + 100};
    });
    paused.SetFirstFrameHook(
        [](CPlayer& player) { player.Service<CVideoBusy>().Hold(&player, true); });
    EXPECT_EQ(paused.Run(options, out, err), 0);
    EXPECT_TRUE(calls.empty());
}

TEST_F(Application, TheLoopsFiltersSeeMessagesInTheirOrderAndTheFirstToConsumeEndsIt) {
    std::vector<std::string> seen;
    std::vector<uint32_t> aliveAt;
    CPlayer* playing = nullptr;
    app.SetFirstFrameHook([&](CPlayer& player) {
        playing = &player;
        player.Hooks().AddFilter([&](host::Message& m) {
            if (m.id == host::msg::kClose) {
                seen.push_back("first");
            }
            return false;
        });
        player.Hooks().AddFilter([&](host::Message& m) {
            if (m.id != host::msg::kClose) {
                return false;
            }
            seen.push_back("second");
            return true;
        });
        player.Hooks().AddFilter([&](host::Message& m) {
            if (m.id == host::msg::kClose) {
                seen.push_back("never");
            }
            return false;
        });
    });
    app.AddFrameStepper([&](uint32_t now) {
        if (playing && playing->Windows()->Exists(playing->MainFrame())) {
            aliveAt.push_back(now);
        }
        return host::IdleRequest{true, now + 100};
    });
    // Every close request is swallowed: the run ends only when the script has nothing more.
    ASSERT_EQ(Play("close\nwait 300\n"), 0);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0], "first");
    EXPECT_EQ(seen[1], "second");
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "never"), 0);
    ASSERT_FALSE(aliveAt.empty());
    EXPECT_GE(aliveAt.back() - aliveAt.front(), 300u);
}

// Given no title: the program's own folder when it holds one, then the demo beside the built
// program, then the installed demo; roles.mii matched case-blind, and a folder named so is none.
TEST(DefaultTitle, TheOwnFolderComesFirstThenTheBuiltDemoThenTheInstalledOne) {
    TempFolder prefix;
    const fs::path bin = prefix.MakeFolder("bin");
    EXPECT_EQ(FindDefaultTitle(bin), std::nullopt);
    const fs::path notAFile = prefix.MakeFolder("share/stagehand/demo/roles.mii");
    EXPECT_EQ(FindDefaultTitle(bin), std::nullopt);
    fs::remove(notAFile);

    struct Case {
        std::string file;
        fs::path expected;
    } cases[] = {
        {"share/stagehand/demo/ROLES.MII", prefix.Path() / "share/stagehand/demo"},
        {"bin/demo/roles.mii", bin / "demo"},
        {"bin/Roles.mii", bin},
    };
    for (const Case& c : cases) {
        prefix.Write(c.file);
        EXPECT_EQ(FindDefaultTitle(bin), c.expected) << c.file;
    }
}

}  // namespace
}  // namespace stagehand
