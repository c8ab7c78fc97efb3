#include "host/sdl/SdlKeys.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "host/ui/Keys.h"

namespace stagehand::host {
namespace {

constexpr SDL_Keycode kNone = SDLK_UNKNOWN;      // a key known by its place alone
constexpr std::nullopt_t kNoKey = std::nullopt;  // the desktop gives titles no key

// Letters follow the layout; digits, function keys and letters on a layout without Latin ones
// (Russian) their US place. French: the US A place types q, the digit row & and é. Punctuation
// follows the layout's character, or else the US place (German ß sits at the US minus). Both
// Enters and both sides of each modifier give one code; AltGr (the right Alt on layouts that
// make it the mode key) is not Alt.
TEST(SdlKeysTest, LettersAndPunctuationFollowTheLayoutTheRestTheirPlace) {
    const std::tuple<SDL_Keycode, SDL_Scancode, std::optional<uint8_t>> cases[] = {
        {SDLK_a, SDL_SCANCODE_A, 'A'},
        {SDLK_z, SDL_SCANCODE_Z, 'Z'},
        {SDLK_0, SDL_SCANCODE_0, '0'},
        {SDLK_9, SDL_SCANCODE_9, '9'},
        {SDLK_F1, SDL_SCANCODE_F1, vk::kF1},
        {SDLK_F12, SDL_SCANCODE_F12, vk::kF12},
        {SDLK_q, SDL_SCANCODE_A, 'Q'},
        {SDLK_m, SDL_SCANCODE_SEMICOLON, 'M'},
        {SDLK_AMPERSAND, SDL_SCANCODE_1, '1'},
        {0xE9, SDL_SCANCODE_2, '2'},
        {0x0439, SDL_SCANCODE_Q, 'Q'},
        {0xDF, SDL_SCANCODE_MINUS, vk::kOemMinus},
        {kNone, SDL_SCANCODE_SEMICOLON, vk::kOem1},
        {kNone, SDL_SCANCODE_GRAVE, vk::kOem3},
        {kNone, SDL_SCANCODE_APOSTROPHE, vk::kOem7},
        {SDLK_RETURN, SDL_SCANCODE_RETURN, vk::kReturn},
        {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, vk::kReturn},
        {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, vk::kShift},
        {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, vk::kShift},
        {SDLK_LCTRL, SDL_SCANCODE_LCTRL, vk::kControl},
        {SDLK_RCTRL, SDL_SCANCODE_RCTRL, vk::kControl},
        {SDLK_LALT, SDL_SCANCODE_LALT, vk::kMenu},
        {SDLK_RALT, SDL_SCANCODE_RALT, vk::kMenu},
        {SDLK_LGUI, SDL_SCANCODE_LGUI, kNoKey},
        {SDLK_MODE, SDL_SCANCODE_RALT, kNoKey},
        {SDLK_AUDIOPLAY, SDL_SCANCODE_AUDIOPLAY, kNoKey}};
    for (const auto& [keycode, scancode, expected] : cases) {
        for (bool numLock : {false, true}) {
            EXPECT_EQ(VirtualKeyFor(keycode, scancode, numLock), expected)
                << keycode << " " << scancode;
        }
    }
    // At a place no US key has, punctuation goes by the layout's character.
    const std::pair<SDL_Keycode, uint8_t> punctuation[] = {
        {SDLK_SEMICOLON, vk::kOem1},    {SDLK_EQUALS, vk::kOemPlus},   {SDLK_COMMA, vk::kOemComma},
        {SDLK_MINUS, vk::kOemMinus},    {SDLK_PERIOD, vk::kOemPeriod}, {SDLK_SLASH, vk::kOem2},
        {SDLK_BACKQUOTE, vk::kOem3},    {SDLK_LEFTBRACKET, vk::kOem4}, {SDLK_BACKSLASH, vk::kOem5},
        {SDLK_RIGHTBRACKET, vk::kOem6}, {SDLK_QUOTE, vk::kOem7}};
    for (const auto& [keycode, key] : punctuation) {
        EXPECT_EQ(VirtualKeyFor(keycode, SDL_SCANCODE_NONUSHASH, false), key) << keycode;
    }
}

TEST(SdlKeysTest, KeypadTypesDigitsOnlyWithNumLock) {
    // SDL numbers the keypad 1..9, 0, then the point.
    const uint8_t moves[] = {vk::kEnd,  vk::kDown, vk::kNext,  vk::kLeft,   0x0C,       vk::kRight,
                             vk::kHome, vk::kUp,   vk::kPrior, vk::kInsert, vk::kDelete};
    for (int i = 0; i < 11; ++i) {
        const auto scancode = static_cast<SDL_Scancode>(SDL_SCANCODE_KP_1 + i);
        EXPECT_EQ(VirtualKeyFor(kNone, scancode, true),
                  i == 10 ? vk::kDecimal : vk::kNumpad0 + (i + 1) % 10);
        EXPECT_EQ(VirtualKeyFor(kNone, scancode, false), moves[i]) << i;
    }
    for (bool numLock : {true, false}) {
        for (const auto& [scancode, key] : {std::pair{SDL_SCANCODE_KP_DIVIDE, vk::kDivide},
                                            {SDL_SCANCODE_KP_MULTIPLY, vk::kMultiply},
                                            {SDL_SCANCODE_KP_MINUS, vk::kSubtract},
                                            {SDL_SCANCODE_KP_PLUS, vk::kAdd}}) {
            EXPECT_EQ(VirtualKeyFor(kNone, scancode, numLock), key);
        }
    }
}

}  // namespace
}  // namespace stagehand::host
