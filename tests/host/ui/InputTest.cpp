#include <gtest/gtest.h>

#include "Recorder.h"
#include "host/ui/Keys.h"

namespace stagehand::testing {
namespace {

using ::testing::ElementsAre;

struct TwoButtons : HeadlessScreen {
    explicit TwoButtons(const std::string& script = "") : HeadlessScreen(script) {
        frame.Make(ws, {0, 0, 640, 480}, style::kPopup | style::kVisible);
        ws.SetMainWindow(frame.Handle());
        left.Make(ws, {0, 0, 100, 100}, kShownChild, frame.Handle());
        right.Make(ws, {200, 0, 300, 100}, kShownChild, frame.Handle());
        ws.RunPending();
        log.clear();
    }
    Recorder frame{"frame", log}, left{"L", log}, right{"R", log};
};

TEST(Capture, RoutesTheMouseToTheCaptureWindowWhereverThePointerIs) {
    TwoButtons s("press 50 50\nmove 250 50\nrelease 600 400\n");
    s.left.hook = [&](const Message& m) -> std::optional<intptr_t> {
        if (m.id == msg::kLButtonDown) {
            s.ws.SetCapture(s.left.Handle());
        }
        if (m.id == msg::kLButtonUp) {
            s.ws.ReleaseCapture();
        }
        return std::nullopt;
    };
    s.ws.Run();
    EXPECT_THAT(s.Only("L:"),
                ElementsAre("L:move 50,50", "L:down 50,50", "L:move 250,50", "L:move 600,400",
                            "L:up 600,400", "L:capture-changed 0", "L:destroy"));
    EXPECT_THAT(s.Only("R:"), ElementsAre("R:destroy"));
}

// Input that arrives in one burst is addressed as each message is taken: a press that comes
// with the move off a window that held the capture (and let it go on that move, as a
// highlighted button does) goes to the window under the pointer, not to the old capture.
TEST(Capture, InputIsAddressedWhenTakenNotWhenItArrives) {
    TwoButtons s;
    s.left.hook = [&](const Message& m) -> std::optional<intptr_t> {
        if (m.id == msg::kMouseMove) {
            const Point p = UnpackPoint(m.lParam);
            if (p.x < 100 && p.y < 100) {
                s.ws.SetCapture(s.left.Handle());
            } else {
                s.ws.ReleaseCapture();
            }
        }
        return std::nullopt;
    };
    s.ws.PointerMoved({50, 50});
    s.ws.RunPending();
    s.ws.ButtonChanged(MouseButton::kLeft, true, {250, 50});
    s.ws.ButtonChanged(MouseButton::kLeft, false, {250, 50});
    s.ws.RunPending();
    EXPECT_THAT(s.Only("R:"), ElementsAre("R:down 50,50", "R:up 50,50"));
}

TEST(Capture, TheWindowLosingItIsToldWhoTookIt) {
    TwoButtons s;
    s.ws.SetCapture(s.left.Handle());
    s.ws.SetCapture(s.right.Handle());
    EXPECT_THAT(s.log, ElementsAre("L:capture-changed " + std::to_string(s.right.Handle().value)));
    s.log.clear();
    s.right.DestroyWindow();  // a destroyed capture window gives the capture up
    EXPECT_EQ(s.ws.Capture(), WindowHandle{});
    EXPECT_THAT(s.log, ElementsAre("R:capture-changed 0", "R:destroy"));
}

TEST(Capture, DisablingAWindowSendsCancelModeAndTakesItsFocus) {
    TwoButtons s;
    s.ws.SetFocus(s.left.Handle());
    s.log.clear();
    s.ws.Enable(s.left.Handle(), false);
    EXPECT_THAT(s.log, ElementsAre("L:cancel-mode", "L:kill-focus"));
    EXPECT_EQ(s.ws.Focus(), WindowHandle{});
}

TEST(Focus, MovesWithNoticesAndKeysFollowIt) {
    TwoButtons s("key A\n");
    EXPECT_EQ(s.ws.Focus(), s.frame.Handle());  // the first shown top-level window
    s.ws.SetFocus(s.right.Handle());
    EXPECT_THAT(s.log, ElementsAre("frame:kill-focus", "R:set-focus"));
    s.log.clear();
    s.ws.Run();
    EXPECT_THAT(s.Only("R:"), ElementsAre("R:key 65 0", "R:char 97 0", "R:keyup 65", "R:kill-focus",
                                          "R:destroy"));
}

struct Keyboard : TwoButtons {
    explicit Keyboard(const std::string& script) : TwoButtons(script) {
        frame.hook = [this](const Message& m) -> std::optional<intptr_t> {
            if (m.id == msg::kKeyDown || m.id == msg::kSysKeyDown) {
                shiftSeen.push_back(ws.IsKeyDown(vk::kShift));
            }
            return std::nullopt;
        };
        ws.Run();
    }
    std::vector<std::string> Typed() const {
        std::vector<std::string> keys;
        for (const auto& line : log) {
            if (line.find("keyup") == std::string::npos && line.find("frame:") == 0 &&
                line.find("destroy") == std::string::npos &&
                line.find("close") == std::string::npos &&
                line.find("focus") == std::string::npos) {
                keys.push_back(line.substr(6));
            }
        }
        return keys;
    }
    std::vector<bool> shiftSeen;
};

TEST(Keys, ShiftGivesTheShiftedCharacterAndIsReportedDown) {
    Keyboard s("key Shift+A\nkey 7\n");
    EXPECT_THAT(s.Typed(),
                ElementsAre("key 16 0", "key 65 0", "char 65 0", "key 55 0", "char 55 0"));
    EXPECT_THAT(s.shiftSeen, ElementsAre(true, true, false));
}

TEST(Keys, AltMakesSystemKeysWithTheAltBit) {
    Keyboard s("key Alt+F4\nkey Alt+X\n");
    EXPECT_THAT(s.Typed(), ElementsAre("syskey 18 2000", "syskey 115 2000", "syskey 18 2000",
                                       "syskey 88 2000", "syschar 120 2000"));
}

TEST(Keys, ControlLetterGivesTheControlCharacter) {
    Keyboard s("key Ctrl+S\nkey Ctrl+Shift+A\n");
    EXPECT_THAT(s.Typed(), ElementsAre("key 17 0", "key 83 0", "char 19 0", "key 16 0", "key 17 0",
                                       "key 65 0", "char 1 0"));
}

TEST(Keys, EnterTabEscapeAndBackSpaceCarryTheirControlCharacters) {
    Keyboard s("key Enter\nkey Tab\nkey Escape\nkey BackSpace\nkey F1\nkey PageDown\n");
    EXPECT_THAT(s.Typed(),
                ElementsAre("key 13 0", "char 13 0", "key 9 0", "char 9 0", "key 27 0", "char 27 0",
                            "key 8 0", "char 8 0", "key 112 0", "key 34 0"));
}

TEST(Keys, AutoRepeatSetsTheRepeatFlagOnKeyAndCharacter) {
    TwoButtons s;
    s.ws.KeyChanged('Q', true, false);
    s.ws.CharacterTyped('q');
    s.ws.KeyChanged('Q', true, true);
    s.ws.CharacterTyped('q');
    s.ws.KeyChanged('Q', false, false);
    s.ws.RunPending();
    EXPECT_THAT(s.log, ElementsAre("frame:key 81 0", "frame:char 113 0", "frame:key 81 4000",
                                   "frame:char 113 4000", "frame:keyup 81"));
}

TEST(Keys, TypedTextArrivesOneCharacterAtATimeInWindows1252) {
    Keyboard s("type a B\xC3\xA9!\n");  // the script is UTF-8; é is 0xE9 in Windows-1252
    std::vector<std::string> chars;
    for (const auto& k : s.Typed()) {
        if (k.rfind("char", 0) == 0) {
            chars.push_back(k);
        }
    }
    EXPECT_THAT(chars,
                ElementsAre("char 97 0", "char 32 0", "char 66 0", "char 233 0", "char 33 0"));
}

TEST(Mouse, DoubleClicksOnlyForWindowsThatAskAndOnlyWhenQuick) {
    HeadlessScreen s(
        "click 5 5\nclick 5 5\nclick 5 5\nwait 600\nclick 5 5\nclick 50 50\nclick 50 50\n");
    Recorder quick("Q", s.log), plain("P", s.log);
    quick.recordMoves = plain.recordMoves = false;
    quick.CreateWindow(s.ws, {"Q", style::kPopup | style::kVisible, {0, 0, 20, 20}, {}, true, {}});
    plain.Make(s.ws, {40, 40, 60, 60}, style::kPopup | style::kVisible);
    s.ws.SetMainWindow(quick.Handle());
    s.ws.Run();
    EXPECT_THAT(s.Only("down"), ElementsAre("Q:down 5,5", "Q:down 5,5", "Q:down 5,5",
                                            "P:down 10,10", "P:down 10,10"));
    EXPECT_EQ(s.Only("double").size(), 1u);  // the second click; the third is a press again
}

TEST(Mouse, UnmovedPointerMakesNoMoveMovesMergeAndWarpsAreClamped) {
    TwoButtons s;
    s.ws.PointerMoved({10, 10});
    s.ws.PointerMoved({10, 10});
    s.ws.RunPending();
    s.ws.PointerMoved({12, 10});
    s.ws.SetPointerPosition({-50, 9999});  // the moves merge: one at the newest place
    s.ws.RunPending();
    s.ws.PointerMoved({30, 30});
    s.ws.PointerMoved({10, 10});
    s.ws.SetPointerPosition({0, 479});  // back where the last move went: no move
    s.ws.RunPending();
    EXPECT_THAT(s.Only("move"), ElementsAre("L:move 10,10", "frame:move 0,479"));
    EXPECT_EQ(s.ws.ShowPointer(false), -1);
    EXPECT_FALSE(s.backend.PointerVisible());
    EXPECT_EQ(s.ws.ShowPointer(true), 0);
    EXPECT_TRUE(s.backend.PointerVisible());
}

TEST(Mouse, ACloseRequestFromOutsideGoesToTheMainWindow) {
    TwoButtons s("close\n");
    EXPECT_EQ(s.ws.Run(), 0);
    EXPECT_THAT(s.Only("close"), ElementsAre("frame:close"));
}

}  // namespace
}  // namespace stagehand::testing
