#include <gtest/gtest.h>

#include "Recorder.h"
#include "host/ui/InputText.h"
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

namespace stagehand::testing {
namespace {

// The window system says which of the user's input it dispatches, as it was taken (the
// logical screen's point, the keys held), and only while it does: what a handler posts or
// sends from it, a timer and painting are no input.
TEST(CurrentInput, NamesTheInputBeingDispatchedAndNothingElse) {
    TwoButtons s(
        "move 20 30\nclick 250 40\nrpress 250 41\nkey Shift+F2\ntype a\nkey Ctrl+C\nwait 50");
    std::vector<std::string> seen, others;
    for (Recorder* r : {&s.frame, &s.left, &s.right}) {
        r->hook = [&](const Message& m) -> std::optional<intptr_t> {
            if (m.id == msg::kLButtonDown) {
                s.ws.Post(s.frame.Handle(), msg::kUser);
            }
            if (m.id == msg::kUser || m.id == msg::kTimer) {
                others.push_back(CurrentInputText(s.ws));
            } else if (m.id != msg::kPaint && m.id != msg::kEraseBackground) {
                seen.push_back(CurrentInputText(s.ws));
            }
            return std::nullopt;
        };
    }
    s.ws.SetFocus(s.frame.Handle());
    s.ws.SetTimer(s.frame.Handle(), 1, 20);
    s.ws.Run();
    EXPECT_EQ(CurrentInputText(s.ws), "");
    ASSERT_GE(others.size(), 2u);
    EXPECT_EQ(std::count(others.begin(), others.end(), ""), std::ssize(others));
    seen.erase(std::remove(seen.begin(), seen.end(), ""), seen.end());  // focus, capture
    EXPECT_THAT(
        seen, ElementsAre("move 20,30", "move 250,40", "click 250,40", "release 250,40",
                          "move 250,41", "right click 250,41", "key Shift", "key Shift_F2",
                          "key F2 up", "key Shift up", "key A", "key a", "key A up", "key Control",
                          "key Control_C", "key Control_C", "key C up", "key Control up"));
}

// Names as the titles' key lists spell them; what the desktop never makes a cause is none.
TEST(CurrentInput, SpellsKeysAndCharactersAsKeyListsDo) {
    struct Case {
        uint32_t id;
        uintptr_t key;
        bool shift, control, alt;
        std::string_view text;
    };
    for (const Case& c : {
             Case{msg::kKeyDown, vk::kF1 + 11, false, false, false, "key F12"},
             Case{msg::kSysKeyDown, vk::kPrior, true, true, true, "key Shift_Control_Alt_PageUp"},
             Case{msg::kKeyDown, 0x5B, false, false, false, "key 0x5B"},
             Case{msg::kKeyUp, vk::kReturn, true, false, false, "key Enter up"},
             Case{msg::kChar, 13, true, false, false, "key Enter"},
             Case{msg::kChar, 3, false, true, false, "key Control_C"},
             Case{msg::kSysChar, 'x', false, false, true, "key Alt_x"},
             Case{msg::kRButtonDoubleClick, 0, false, false, false, "right double click 7,-2"},
             Case{msg::kTimer, 1, false, false, false, ""},
         }) {
        Message m{{}, c.id, c.key, c.alt ? intptr_t{key_flags::kAltDown} << 16 : 0, {}, 0};
        m.screen = {7, -2};
        EXPECT_EQ(InputText(m, c.shift, c.control), c.text) << c.text;
    }
}

}  // namespace
}  // namespace stagehand::testing
