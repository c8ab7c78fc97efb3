// The main frame: its place on the screen, its handling of close requests, and how it turns
// key and character messages into the director's key presses, both from the messages alone
// and from keys typed through the window system.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "app/MainFrame.h"
#include "director/Director.h"
#include "host/headless/HeadlessBackend.h"
#include "host/ui/Keys.h"
#include "host/ui/WindowSystem.h"

namespace stagehand {
namespace {

using KeyPress = CMainFrame::KeyPress;
namespace vk = host::vk;
constexpr uint32_t kShift = CDirector::kShift;
constexpr uint32_t kControl = CDirector::kControl;
constexpr uint32_t kAlt = CDirector::kAlt;
constexpr uint32_t kCharacter = CDirector::kCharacter;
constexpr uint32_t kAltFlag = host::key_flags::kAltDown;
constexpr uint32_t kRepeatFlag = host::key_flags::kRepeat;

// Key-down messages: keys without a character pass as their virtual key; character keys come
// as character messages unless Alt is down, or Control with a non-letter, and then pass the
// unshifted character. Modifier keys, repeats and keypad digits are no key press. Character
// messages carry Control, Shift (when not in the character already) and Alt; control codes
// become letters.
TEST(MainFrameKeys, TranslatesKeyDownAndCharacterMessages) {
    constexpr bool kDown = false, kChar = true;
    struct Case {
        const char* label;
        bool character;  // a character message, else a key-down
        uint32_t code, flags;
        uint32_t held;  // kShift and kControl
        std::optional<KeyPress> press;
    };
    for (const Case& c : std::vector<Case>{
             {"F1", kDown, vk::kF1, 0, 0, KeyPress{vk::kF1, 0}},
             {"Shift+Ctrl+Left", kDown, vk::kLeft, 0, kShift | kControl,
              KeyPress{vk::kLeft, kShift | kControl}},
             {"Alt+F12", kDown, vk::kF12, kAltFlag, 0, KeyPress{vk::kF12, kAlt}},
             {"Shift", kDown, vk::kShift, 0, kShift | kControl, {}},
             {"Control", kDown, vk::kControl, 0, kShift | kControl, {}},
             {"Alt", kDown, vk::kMenu, 0, kShift | kControl, {}},
             {"F1 repeated", kDown, vk::kF1, kRepeatFlag, 0, {}},
             {"keypad 0", kDown, vk::kNumpad0, 0, 0, {}},
             {"Alt+keypad 9", kDown, vk::kNumpad0 + 9, kAltFlag, 0, {}},
             {"Alt+keypad *", kDown, vk::kMultiply, kAltFlag, 0, KeyPress{'*', kAlt | kCharacter}},
             {"A", kDown, vk::kA, 0, 0, {}},
             {"Shift+A", kDown, vk::kA, 0, kShift, {}},
             {"Ctrl+A", kDown, vk::kA, 0, kControl, {}},
             {"Enter", kDown, vk::kReturn, 0, 0, {}},
             {"Alt+Shift+A", kDown, vk::kA, kAltFlag, kShift,
              KeyPress{'a', kAlt | kShift | kCharacter}},
             {"Ctrl+7", kDown, vk::k0 + 7, 0, kControl, KeyPress{'7', kControl | kCharacter}},
             {"Shift+Ctrl+-", kDown, vk::kOemMinus, 0, kShift | kControl,
              KeyPress{'-', kShift | kControl | kCharacter}},
             {"a", kChar, 'a', 0, 0, KeyPress{'a', kCharacter}},
             {"Shift+A", kChar, 'A', 0, kShift, KeyPress{'A', kCharacter}},
             {"Ctrl+A", kChar, 1, 0, kControl, KeyPress{'A', kControl | kCharacter}},
             {"Shift+Ctrl+Z", kChar, 26, 0, kShift | kControl,
              KeyPress{'Z', kControl | kShift | kCharacter}},
             {"Enter", kChar, 13, 0, 0, KeyPress{13, kCharacter}},
             {"Alt+e acute", kChar, 0xE9, kAltFlag, 0, KeyPress{0xE9, kAlt | kCharacter}},
             {"a repeated", kChar, 'a', kRepeatFlag, 0, {}},
         }) {
        const bool shift = (c.held & kShift) != 0, control = (c.held & kControl) != 0;
        const std::optional<KeyPress> press =
            c.character ? CMainFrame::TranslateCharacter(c.code, c.flags, shift, control)
                        : CMainFrame::TranslateKeyDown(c.code, c.flags, shift, control);
        ASSERT_EQ(press.has_value(), c.press.has_value()) << c.label;
        if (press) {
            EXPECT_EQ(press->key, c.press->key) << c.label;
            EXPECT_EQ(press->modifiers, c.press->modifiers) << c.label;
        }
    }
}

// A main frame on a headless window system typed at by a script: it covers the screen in
// black, each key reaches the director once, Alt+F4 and Escape do not close it, and the
// script's end does.
TEST(MainFrameRun, PassesTypedKeysOnceEachAndClosesAtTheScriptsEnd) {
    std::ostringstream out, err;
    host::HeadlessBackend backend(
        host::ParseInputScript("key A\nkey Shift+B\nkey Ctrl+C\nkey Alt+D\nkey F5\n"
                               "key Shift+Left\nkey Enter\nkey Ctrl+7\nkey Alt+F4\nkey Escape\n"
                               "type x!\n"),
        out, err);
    host::WindowSystem windows(backend, host::Size{320, 200});
    CMainFrame frame;
    std::vector<KeyPress> presses;
    frame.SetKeySink([&](const KeyPress& press) { presses.push_back(press); });
    ASSERT_TRUE(frame.Open(windows));
    EXPECT_EQ(windows.Run(), 0);
    EXPECT_EQ(err.str(), "");
    EXPECT_FALSE(frame.HasWindow());
    EXPECT_EQ(backend.PresentCount(), 1);
    EXPECT_EQ(windows.Framebuffer().Pixels(), host::Surface(320, 200, host::kBlack).Pixels());
    const std::vector<KeyPress> expected = {{'a', kCharacter},
                                            {'B', kCharacter},
                                            {'C', kControl | kCharacter},
                                            {'d', kAlt | kCharacter},
                                            {vk::kF1 + 4, 0},
                                            {vk::kLeft, kShift},
                                            {13, kCharacter},
                                            {'7', kControl | kCharacter},
                                            {vk::kF1 + 3, kAlt},
                                            {27, kCharacter},
                                            {'x', kCharacter},
                                            {'!', kCharacter}};
    EXPECT_EQ(presses, expected);
}

}  // namespace
}  // namespace stagehand
