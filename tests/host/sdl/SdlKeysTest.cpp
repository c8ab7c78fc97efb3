#include "host/sdl/SdlKeys.h"

#include <gtest/gtest.h>

#include <optional>

#include "host/ui/Keys.h"

namespace stagehand::host {
namespace {

struct Case {
    SDL_Keycode keycode;
    SDL_Scancode scancode;
    std::optional<uint8_t> expected;  // nothing: the desktop gives titles no key
};

void ExpectKeys(std::initializer_list<Case> cases, bool numLock = false) {
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "keycode " << c.keycode << " scancode " << c.scancode);
        EXPECT_EQ(VirtualKeyFor(c.keycode, c.scancode, numLock), c.expected);
    }
}

// SDLK_UNKNOWN: a key known by its place alone.
constexpr SDL_Keycode kNone = SDLK_UNKNOWN;

TEST(SdlKeysTest, LettersFollowTheLayoutDigitsAndFunctionKeysTheirPlace) {
    ExpectKeys({{SDLK_a, SDL_SCANCODE_A, 'A'},
                {SDLK_z, SDL_SCANCODE_Z, 'Z'},
                {SDLK_0, SDL_SCANCODE_0, '0'},
                {SDLK_9, SDL_SCANCODE_9, '9'},
                {SDLK_F1, SDL_SCANCODE_F1, vk::kF1},
                {SDLK_F12, SDL_SCANCODE_F12, vk::kF12},
                // French: the US A place types q, the digit row types & and é.
                {SDLK_q, SDL_SCANCODE_A, 'Q'},
                {SDLK_m, SDL_SCANCODE_SEMICOLON, 'M'},
                {SDLK_AMPERSAND, SDL_SCANCODE_1, '1'},
                {0xE9, SDL_SCANCODE_2, '2'},
                // No Latin letters (Russian): the US place.
                {0x0439, SDL_SCANCODE_Q, 'Q'}});
}

TEST(SdlKeysTest, PunctuationByTheLayoutsCharacterOrTheUsPlace) {
    ExpectKeys({{SDLK_SEMICOLON, SDL_SCANCODE_NONUSHASH, vk::kOem1},
                {SDLK_EQUALS, SDL_SCANCODE_NONUSHASH, vk::kOemPlus},
                {SDLK_COMMA, SDL_SCANCODE_NONUSHASH, vk::kOemComma},
                {SDLK_MINUS, SDL_SCANCODE_NONUSHASH, vk::kOemMinus},
                {SDLK_PERIOD, SDL_SCANCODE_NONUSHASH, vk::kOemPeriod},
                {SDLK_SLASH, SDL_SCANCODE_NONUSHASH, vk::kOem2},
                {SDLK_BACKQUOTE, SDL_SCANCODE_NONUSHASH, vk::kOem3},
                {SDLK_LEFTBRACKET, SDL_SCANCODE_NONUSHASH, vk::kOem4},
                {SDLK_BACKSLASH, SDL_SCANCODE_NONUSHASH, vk::kOem5},
                {SDLK_RIGHTBRACKET, SDL_SCANCODE_NONUSHASH, vk::kOem6},
                {SDLK_QUOTE, SDL_SCANCODE_NONUSHASH, vk::kOem7},
                {kNone, SDL_SCANCODE_SEMICOLON, vk::kOem1},
                {kNone, SDL_SCANCODE_GRAVE, vk::kOem3},
                {kNone, SDL_SCANCODE_APOSTROPHE, vk::kOem7},
                // German ß sits at the US minus.
                {0xDF, SDL_SCANCODE_MINUS, vk::kOemMinus}});
}

TEST(SdlKeysTest, BothEntersAndBothSidesOfEachModifierGiveOneCode) {
    ExpectKeys({{SDLK_RETURN, SDL_SCANCODE_RETURN, vk::kReturn},
                {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, vk::kReturn},
                {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, vk::kShift},
                {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, vk::kShift},
                {SDLK_LCTRL, SDL_SCANCODE_LCTRL, vk::kControl},
                {SDLK_RCTRL, SDL_SCANCODE_RCTRL, vk::kControl},
                {SDLK_LALT, SDL_SCANCODE_LALT, vk::kMenu},
                {SDLK_RALT, SDL_SCANCODE_RALT, vk::kMenu},
                {SDLK_LGUI, SDL_SCANCODE_LGUI, std::nullopt},
                {SDLK_AUDIOPLAY, SDL_SCANCODE_AUDIOPLAY, std::nullopt},
                // AltGr (the right Alt on layouts that make it the mode key) is not Alt.
                {SDLK_MODE, SDL_SCANCODE_RALT, std::nullopt}});
}

TEST(SdlKeysTest, KeypadTypesDigitsOnlyWithNumLock) {
    const uint8_t moves[] = {vk::kInsert, vk::kEnd,   vk::kDown, vk::kNext, vk::kLeft,
                             0x0C,        vk::kRight, vk::kHome, vk::kUp,   vk::kPrior};
    for (int digit = 0; digit < 10; ++digit) {
        // SDL numbers the keypad 1..9 then 0.
        const auto scancode = static_cast<SDL_Scancode>(digit == 0 ? SDL_SCANCODE_KP_0
                                                                   : SDL_SCANCODE_KP_1 + digit - 1);
        ExpectKeys({{kNone, scancode, static_cast<uint8_t>(vk::kNumpad0 + digit)}}, true);
        ExpectKeys({{kNone, scancode, moves[digit]}}, false);
    }
    ExpectKeys({{kNone, SDL_SCANCODE_KP_PERIOD, vk::kDecimal}}, true);
    ExpectKeys({{kNone, SDL_SCANCODE_KP_PERIOD, vk::kDelete}}, false);
    for (const bool numLock : {true, false}) {
        ExpectKeys({{kNone, SDL_SCANCODE_KP_DIVIDE, vk::kDivide},
                    {kNone, SDL_SCANCODE_KP_MULTIPLY, vk::kMultiply},
                    {kNone, SDL_SCANCODE_KP_MINUS, vk::kSubtract},
                    {kNone, SDL_SCANCODE_KP_PLUS, vk::kAdd}},
                   numLock);
    }
}

}  // namespace
}  // namespace stagehand::host
