// The main frame: its place on the screen, its handling of close requests, and how it turns
// key and character messages into the director's key presses, both from the messages alone
// and from keys typed through the window system.
#include <gtest/gtest.h>

#include <algorithm>
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

TEST(MainFrameKeys, KeysWithoutACharacterPassAsTheirVirtualKeyWithTheirModifiers) {
    EXPECT_EQ(CMainFrame::TranslateKeyDown(vk::kF1, 0, false, false), (KeyPress{vk::kF1, 0}));
    EXPECT_EQ(CMainFrame::TranslateKeyDown(vk::kLeft, 0, true, true),
              (KeyPress{vk::kLeft, kShift | kControl}));
    EXPECT_EQ(CMainFrame::TranslateKeyDown(vk::kF12, kAltFlag, false, false),
              (KeyPress{vk::kF12, kAlt}));
}

TEST(MainFrameKeys, ModifierKeysRepeatsAndKeypadDigitsAreNoKeyPress) {
    for (uint8_t key : {vk::kShift, vk::kControl, vk::kMenu})
        EXPECT_FALSE(CMainFrame::TranslateKeyDown(key, 0, true, true));
    EXPECT_FALSE(CMainFrame::TranslateKeyDown(vk::kF1, kRepeatFlag, false, false));
    EXPECT_FALSE(CMainFrame::TranslateKeyDown(vk::kNumpad0, 0, false, false));
    EXPECT_FALSE(CMainFrame::TranslateKeyDown(vk::kNumpad0 + 9, kAltFlag, false, false));
    // The key just past the digits is a key of its own.
    EXPECT_EQ(CMainFrame::TranslateKeyDown(vk::kMultiply, kAltFlag, false, false),
              (KeyPress{'*', kAlt | kCharacter}));
}

TEST(MainFrameKeys, CharacterKeysPassFromTheKeyOnlyWithAltOrControlOnANonLetter) {
    // Plain and shifted character keys, and Control with a letter, come as characters.
    EXPECT_FALSE(CMainFrame::TranslateKeyDown(vk::kA, 0, false, false));
    EXPECT_FALSE(CMainFrame::TranslateKeyDown(vk::kA, 0, true, false));
    EXPECT_FALSE(CMainFrame::TranslateKeyDown(vk::kA, 0, false, true));
    EXPECT_FALSE(CMainFrame::TranslateKeyDown(vk::kReturn, 0, false, false));
    // Alt with anything, and Control with a digit or punctuation, pass the unshifted character.
    EXPECT_EQ(CMainFrame::TranslateKeyDown(vk::kA, kAltFlag, true, false),
              (KeyPress{'a', kAlt | kShift | kCharacter}));
    EXPECT_EQ(CMainFrame::TranslateKeyDown(vk::k0 + 7, 0, false, true),
              (KeyPress{'7', kControl | kCharacter}));
    EXPECT_EQ(CMainFrame::TranslateKeyDown(vk::kOemMinus, 0, true, true),
              (KeyPress{'-', kShift | kControl | kCharacter}));
}

TEST(MainFrameKeys, CharactersCarryControlShiftAndAltAndControlCodesBecomeLetters) {
    EXPECT_EQ(CMainFrame::TranslateCharacter('a', 0, false, false), (KeyPress{'a', kCharacter}));
    // Shift alone is part of the character already.
    EXPECT_EQ(CMainFrame::TranslateCharacter('A', 0, true, false), (KeyPress{'A', kCharacter}));
    EXPECT_EQ(CMainFrame::TranslateCharacter(1, 0, false, true),
              (KeyPress{'A', kControl | kCharacter}));
    EXPECT_EQ(CMainFrame::TranslateCharacter(26, 0, true, true),
              (KeyPress{'Z', kControl | kShift | kCharacter}));
    EXPECT_EQ(CMainFrame::TranslateCharacter(13, 0, false, false), (KeyPress{13, kCharacter}));
    EXPECT_EQ(CMainFrame::TranslateCharacter(0xE9, kAltFlag, false, false),
              (KeyPress{0xE9, kAlt | kCharacter}));
    EXPECT_FALSE(CMainFrame::TranslateCharacter('a', kRepeatFlag, false, false));
}

// A main frame on a headless window system, typed at by a script.
class MainFrameRun : public ::testing::Test {
  protected:
    void Play(const std::string& script) {
        backend_ =
            std::make_unique<host::HeadlessBackend>(host::ParseInputScript(script), out_, err_);
        windows_ = std::make_unique<host::WindowSystem>(*backend_, host::Size{320, 200});
        frame_.SetKeySink([this](const KeyPress& press) { presses.push_back(press); });
        ASSERT_TRUE(frame_.Open(*windows_));
        exitCode = windows_->Run();
        EXPECT_EQ(err_.str(), "");
    }

    std::vector<KeyPress> presses;
    int exitCode = -1;
    std::ostringstream out_, err_;
    std::unique_ptr<host::HeadlessBackend> backend_;
    std::unique_ptr<host::WindowSystem> windows_;
    CMainFrame frame_;
};

TEST_F(MainFrameRun, CoversTheScreenInBlackAsTheMainWindowAndCloses) {
    Play("");
    EXPECT_EQ(exitCode, 0);
    // The end of the script asked to close: the frame is gone and the loop ended.
    EXPECT_FALSE(frame_.HasWindow());
    ASSERT_EQ(backend_->PresentCount(), 1);
    const host::Surface& frame = windows_->Framebuffer();
    ASSERT_EQ(frame.Dimensions(), (host::Size{320, 200}));
    const std::vector<host::Color>& pixels = frame.Pixels();
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](host::Color c) { return c == 0; }));
}

TEST_F(MainFrameRun, TypedKeysReachTheDirectorOnceEach) {
    Play(
        "key A\nkey Shift+B\nkey Ctrl+C\nkey Alt+D\nkey F5\nkey Shift+Left\nkey Enter\n"
        "key Ctrl+7\nkey Alt+F4\ntype x!\n");
    EXPECT_EQ(exitCode, 0);
    const std::vector<KeyPress> expected = {
        {'a', kCharacter},
        {'B', kCharacter},
        {'C', kControl | kCharacter},
        {'d', kAlt | kCharacter},
        {vk::kF1 + 4, 0},
        {vk::kLeft, kShift},
        {13, kCharacter},
        {'7', kControl | kCharacter},
        {vk::kF1 + 3, kAlt},
        {'x', kCharacter},
        {'!', kCharacter},
    };
    EXPECT_EQ(presses, expected);
}

TEST_F(MainFrameRun, AltF4DoesNotCloseTheFrame) {
    // The script ends with its own close request; until then Alt+F4 and Escape leave the
    // frame standing, so the keys typed after them still arrive.
    Play("key Alt+F4\nkey Escape\nkey F2\n");
    ASSERT_EQ(presses.size(), 3u);
    EXPECT_EQ(presses.back(), (KeyPress{vk::kF1 + 1, 0}));
}

}  // namespace
}  // namespace stagehand
