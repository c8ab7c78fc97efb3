// The player's own layer over a title: its keys, the pause, its menu and the boxes that put
// back what they covered.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Recorder.h"
#include "host/ui/HotKeys.h"
#include "host/ui/Keys.h"
#include "host/ui/MenuBox.h"
#include "host/ui/QuestionBox.h"

namespace stagehand::testing {
namespace {

constexpr uint8_t kP = 'P';

TEST(HotKeys, TakesControlAltKeysWholeAndPassesTheRest) {
    HotKeys keys;
    const WindowHandle player{7};
    keys.Register(player, 3, kP);
    struct Step {
        uint8_t key;
        bool down, repeat, control, alt;
        bool swallowed;
        bool hit;
    } steps[] = {
        {kP, true, false, false, false, false, false},  // P alone is the title's
        {kP, false, false, false, false, false, false},
        {kP, true, false, true, false, false, false},  // so is Control+P
        {kP, false, false, true, false, false, false},
        {'K', true, false, true, true, false, false},    // a key nobody registered
        {kP, true, true, true, true, false, false},      // a repeat that did not start here
        {kP, true, false, true, true, true, true},       // Control+Alt+P: the player's
        {kP, true, true, true, true, true, false},       // its repeats
        {kP, false, false, false, false, true, false},   // its release, modifiers gone
        {kP, false, false, false, false, false, false},  // and nothing more
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& s = steps[i];
        const HotKeys::Verdict v = keys.Filter(s.key, s.down, s.repeat, s.control, s.alt);
        EXPECT_EQ(v.swallowed, s.swallowed) << "step " << i;
        ASSERT_EQ(v.hit.has_value(), s.hit) << "step " << i;
        if (s.hit) {
            EXPECT_EQ(v.hit->window, player);
            EXPECT_EQ(v.hit->id, 3u);
        }
    }
    keys.Forget(player);
    EXPECT_FALSE(keys.Filter(kP, true, false, true, true).swallowed);
}

// A title window with a 100 ms timer under the main window, and a window of the player's own
// beside it that pauses and resumes on Control+Alt+P and posts the title a message as it
// pauses. Paused, the title's clock, timers, messages and input stand still; resumed, they go
// on where they stood, in their order.
struct Paused : HeadlessScreen {
    explicit Paused(const std::string& script) : HeadlessScreen(script) {
        title.Make(ws, {0, 0, 640, 480}, style::kPopup | style::kVisible);
        ws.SetMainWindow(title.Handle());
        ws.SetFocus(title.Handle());
        ws.SetTimer(title.Handle(), 1, 100);
        title.recordMoves = false;
        player.Make(ws, {0, 0, 1, 1}, style::kPopup);
        ws.RegisterHotKey(player.Handle(), 9, kP);
        player.hook = [this](const Message& m) -> std::optional<intptr_t> {
            if (m.id == msg::kHotKey) {
                const bool pause = !ws.IsPaused();
                ws.SetPaused(pause);
                if (pause) {
                    ws.Post(title.Handle(), msg::kUser, 1);
                    ws.Post(title.Handle(), msg::kUser, 2);
                    clockAtPause = ws.Now();
                }
            }
            return std::nullopt;
        };
        ws.SetPauseListener([this](bool paused) { told.push_back(paused); });
    }
    Recorder title{"title", log};
    Recorder player{"player", log};
    std::vector<bool> told;
    uint32_t clockAtPause = 0;
};

TEST(Pause, StopsTheTitlesClockTimersMessagesAndInput) {
    Paused p(
        "wait 250\nkey Ctrl+Alt+P\nkey A\nclick 5 5\nwait 1000\nkey Ctrl+Alt+P\nwait 250\nkey B");
    p.ws.Run();
    const uint32_t start = p.clockAtPause - 250;
    const auto timer = [start](uint32_t at) {
        return "title:timer 1 @" + std::to_string(start + at);
    };
    // Control and Alt go down before the pause; the downs of the second press and the ups of
    // the first are dropped while paused, so the title sees each once, and balanced.
    const std::vector<std::string> expected = {
        timer(100),           timer(200),           "title:key 17 0", "title:syskey 18 2000",
        "title:message 1024", "title:message 1024",  // held, then in their order
        "title:syskeyup 18",  "title:keyup 17",     timer(300),       timer(400),
        timer(500),           "title:key 66 0",     "title:keyup 66"};
    std::vector<std::string> seen;
    for (const std::string& line : p.log) {
        if (line.rfind("title:", 0) == 0 && line.find("paint") == std::string::npos &&
            line.find("focus") == std::string::npos && line.find("char") == std::string::npos &&
            line.find("close") == std::string::npos && line.find("destroy") == std::string::npos) {
            seen.push_back(line);
        }
    }
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(p.Only("player:key").empty());  // the player's key reached no window
    EXPECT_EQ(p.told, (std::vector<bool>{true, false}));
}

TEST(Pause, CloseRequestResumesSoTheTitleHearsIt) {
    Paused p("wait 50\nkey Ctrl+Alt+P\nwait 100\nclose");
    p.ws.Run();
    EXPECT_FALSE(p.ws.IsPaused());
    EXPECT_EQ(p.Only("title:close"), std::vector<std::string>{"title:close"});
    EXPECT_EQ(p.told, (std::vector<bool>{true, false}));
}

// A box that keeps what it covers puts it back over a title that does not paint.
TEST(SaveBits, PutsBackWhatTheBoxCovered) {
    HeadlessScreen s;
    Recorder title{"title", s.log};
    title.fill = Rgb(10, 20, 30);
    title.Make(s.ws, {0, 0, 640, 480}, style::kPopup | style::kVisible);
    s.ws.RunPending();
    title.fill.reset();  // from here it paints nothing
    Recorder box{"box", s.log};
    box.fill = Rgb(200, 0, 0);
    box.Make(s.ws, {100, 100, 300, 200}, style::kPopup | style::kVisible | style::kSaveBits);
    s.ws.RunPending();
    EXPECT_EQ(s.ws.Framebuffer().PixelAt(150, 150), Rgb(200, 0, 0));
    box.DestroyWindow();
    s.ws.RunPending();
    EXPECT_EQ(s.ws.Framebuffer().PixelAt(150, 150), Rgb(10, 20, 30));
    EXPECT_EQ(s.ws.Framebuffer().PixelAt(299, 199), Rgb(10, 20, 30));
}

// The menu: moving, changing, choosing on release, closing; nothing reaches the title.
TEST(MenuBox, ChoosesChangesAndClosesByKeysAndClicks) {
    struct Case {
        std::string script;
        std::string log;
    } cases[] = {
        {"key Enter", "choose0 "},
        {"key Down\nkey Down\nkey Space", "choose2 "},
        {"key Up\nkey Enter", "choose2 "},  // round from the first to the last
        {"key Down\nkey Right\nkey Right\nkey Left", "change+1 change+1 change-1 "},
        {"key Right", ""},  // the first item has no values
        {"key Escape", "closed "},
        {"key A\nclick 5 5", ""},
    };
    for (const Case& c : cases) {
        HeadlessScreen s(c.script);
        Recorder title{"title", s.log};
        title.Make(s.ws, {0, 0, 640, 480}, style::kPopup | style::kVisible);
        s.ws.SetMainWindow(title.Handle());
        s.ws.SetFocus(title.Handle());
        std::string log;
        MenuBox menu;
        std::vector<MenuBox::Item> items;
        for (int i = 0; i < 3; ++i) {
            MenuBox::Item item{[i] { return "item " + std::to_string(i); },
                               [&log, i] { log += "choose" + std::to_string(i) + " "; },
                               {}};
            if (i == 1) {
                item.change = [&log](int step) {
                    log += std::string("change") + (step > 0 ? "+1 " : "-1 ");
                };
            }
            items.push_back(std::move(item));
        }
        ASSERT_TRUE(menu.Show(s.ws, "Stagehand", std::move(items), [&log] { log += "closed "; }));
        s.log.clear();
        s.ws.Run();
        EXPECT_EQ(log, c.log) << c.script;
        EXPECT_TRUE(s.Only("title:key").empty()) << c.script;
        EXPECT_TRUE(s.Only("title:down").empty()) << c.script;
        EXPECT_EQ(menu.HasWindow(), c.log != "closed ") << c.script;
    }
    // A click on an item chooses it.
    HeadlessScreen probe;
    MenuBox menu;
    std::string log;
    ASSERT_TRUE(menu.Show(probe.ws, "x",
                          {{[] { return std::string("a"); }, [&log] { log += "a"; }, {}}}, {}));
    const Rect r = menu.ItemOnScreen(0);
    EXPECT_FALSE(menu.Show(probe.ws, "x", {}, {}));
    menu.Close();
    HeadlessScreen clicked("click " + std::to_string(r.left + 5) + " " + std::to_string(r.top + 5));
    ASSERT_TRUE(menu.Show(clicked.ws, "x",
                          {{[] { return std::string("a"); }, [&log] { log += "a"; }, {}}}, {}));
    clicked.ws.Run();
    EXPECT_EQ(log, "a");
}

// A menu over a question that stands gives the question its hold on the input back.
TEST(MenuBox, GivesAStandingQuestionItsInputBack) {
    HeadlessScreen s;
    QuestionBox question;
    ASSERT_TRUE(question.Show(s.ws, "Stagehand", "Start it?", {"Yes", "No"}, {}));
    MenuBox menu;
    ASSERT_TRUE(menu.Show(s.ws, "Stagehand", {{[] { return std::string("a"); }, {}, {}}}, {}));
    EXPECT_EQ(s.ws.Modal(), menu.Handle());
    menu.Close();
    EXPECT_EQ(s.ws.Modal(), question.Handle());
    EXPECT_EQ(s.ws.Focus(), question.Handle());
}

}  // namespace
}  // namespace stagehand::testing
