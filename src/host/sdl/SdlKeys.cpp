#include "host/sdl/SdlKeys.h"

#include "host/ui/Keys.h"

namespace stagehand::host {

namespace {

// The desktop's codes for the keypad's 5 while NumLock is off, and for the extra key beside
// the left Shift on European keyboards.
constexpr uint8_t kClear = 0x0C;
constexpr uint8_t kOem102 = 0xE2;

std::optional<uint8_t> PunctuationFor(SDL_Keycode keycode) {
    switch (keycode) {
        case SDLK_SEMICOLON:
            return vk::kOem1;
        case SDLK_EQUALS:
            return vk::kOemPlus;
        case SDLK_COMMA:
            return vk::kOemComma;
        case SDLK_MINUS:
            return vk::kOemMinus;
        case SDLK_PERIOD:
            return vk::kOemPeriod;
        case SDLK_SLASH:
            return vk::kOem2;
        case SDLK_BACKQUOTE:
            return vk::kOem3;
        case SDLK_LEFTBRACKET:
            return vk::kOem4;
        case SDLK_BACKSLASH:
            return vk::kOem5;
        case SDLK_RIGHTBRACKET:
            return vk::kOem6;
        case SDLK_QUOTE:
            return vk::kOem7;
        default:
            return std::nullopt;
    }
}

// The keypad keys that type a digit or the decimal point with NumLock on, and move without.
std::optional<uint8_t> KeypadFor(SDL_Scancode scancode, bool numLock) {
    struct KeypadKey {
        SDL_Scancode scancode;
        uint8_t withNumLock;
        uint8_t withoutNumLock;
    };
    static constexpr KeypadKey kKeys[] = {
        {SDL_SCANCODE_KP_0, vk::kNumpad0 + 0, vk::kInsert},
        {SDL_SCANCODE_KP_1, vk::kNumpad0 + 1, vk::kEnd},
        {SDL_SCANCODE_KP_2, vk::kNumpad0 + 2, vk::kDown},
        {SDL_SCANCODE_KP_3, vk::kNumpad0 + 3, vk::kNext},
        {SDL_SCANCODE_KP_4, vk::kNumpad0 + 4, vk::kLeft},
        {SDL_SCANCODE_KP_5, vk::kNumpad0 + 5, kClear},
        {SDL_SCANCODE_KP_6, vk::kNumpad0 + 6, vk::kRight},
        {SDL_SCANCODE_KP_7, vk::kNumpad0 + 7, vk::kHome},
        {SDL_SCANCODE_KP_8, vk::kNumpad0 + 8, vk::kUp},
        {SDL_SCANCODE_KP_9, vk::kNumpad0 + 9, vk::kPrior},
        {SDL_SCANCODE_KP_PERIOD, vk::kDecimal, vk::kDelete},
    };
    for (const KeypadKey& key : kKeys) {
        if (key.scancode == scancode) {
            return numLock ? key.withNumLock : key.withoutNumLock;
        }
    }
    return std::nullopt;
}

// Keys that mean the same in every layout, by their place on the keyboard.
std::optional<uint8_t> FixedKeyFor(SDL_Scancode scancode) {
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12) {
        return static_cast<uint8_t>(vk::kF1 + (scancode - SDL_SCANCODE_F1));
    }
    switch (scancode) {
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_KP_ENTER:
            return vk::kReturn;
        case SDL_SCANCODE_ESCAPE:
            return vk::kEscape;
        case SDL_SCANCODE_TAB:
            return vk::kTab;
        case SDL_SCANCODE_BACKSPACE:
            return vk::kBack;
        case SDL_SCANCODE_SPACE:
            return vk::kSpace;
        case SDL_SCANCODE_LEFT:
            return vk::kLeft;
        case SDL_SCANCODE_UP:
            return vk::kUp;
        case SDL_SCANCODE_RIGHT:
            return vk::kRight;
        case SDL_SCANCODE_DOWN:
            return vk::kDown;
        case SDL_SCANCODE_HOME:
            return vk::kHome;
        case SDL_SCANCODE_END:
            return vk::kEnd;
        case SDL_SCANCODE_PAGEUP:
            return vk::kPrior;
        case SDL_SCANCODE_PAGEDOWN:
            return vk::kNext;
        case SDL_SCANCODE_INSERT:
            return vk::kInsert;
        case SDL_SCANCODE_DELETE:
            return vk::kDelete;
        case SDL_SCANCODE_LSHIFT:
        case SDL_SCANCODE_RSHIFT:
            return vk::kShift;
        case SDL_SCANCODE_LCTRL:
        case SDL_SCANCODE_RCTRL:
            return vk::kControl;
        case SDL_SCANCODE_LALT:
        case SDL_SCANCODE_RALT:
            return vk::kMenu;
        case SDL_SCANCODE_PAUSE:
            return vk::kPause;
        case SDL_SCANCODE_CAPSLOCK:
            return vk::kCapital;
        case SDL_SCANCODE_NUMLOCKCLEAR:
            return vk::kNumLock;
        case SDL_SCANCODE_KP_DIVIDE:
            return vk::kDivide;
        case SDL_SCANCODE_KP_MULTIPLY:
            return vk::kMultiply;
        case SDL_SCANCODE_KP_MINUS:
            return vk::kSubtract;
        case SDL_SCANCODE_KP_PLUS:
            return vk::kAdd;
        default:
            return std::nullopt;
    }
}

// The key's place on a US keyboard, for letters and punctuation whose keycode says nothing.
std::optional<uint8_t> UsPlaceFor(SDL_Scancode scancode) {
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
        return static_cast<uint8_t>(vk::kA + (scancode - SDL_SCANCODE_A));
    }
    switch (scancode) {
        case SDL_SCANCODE_SEMICOLON:
            return vk::kOem1;
        case SDL_SCANCODE_EQUALS:
            return vk::kOemPlus;
        case SDL_SCANCODE_COMMA:
            return vk::kOemComma;
        case SDL_SCANCODE_MINUS:
            return vk::kOemMinus;
        case SDL_SCANCODE_PERIOD:
            return vk::kOemPeriod;
        case SDL_SCANCODE_SLASH:
            return vk::kOem2;
        case SDL_SCANCODE_GRAVE:
            return vk::kOem3;
        case SDL_SCANCODE_LEFTBRACKET:
            return vk::kOem4;
        case SDL_SCANCODE_BACKSLASH:
            return vk::kOem5;
        case SDL_SCANCODE_RIGHTBRACKET:
            return vk::kOem6;
        case SDL_SCANCODE_APOSTROPHE:
            return vk::kOem7;
        case SDL_SCANCODE_NONUSBACKSLASH:
            return kOem102;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<uint8_t> VirtualKeyFor(SDL_Keycode keycode, SDL_Scancode scancode, bool numLock) {
    // AltGr on layouts that have it (the right Alt's place, reported as the mode key) only
    // selects characters, which arrive as typed text; it is not Alt.
    if (keycode == SDLK_MODE) {
        return std::nullopt;
    }
    if (auto key = KeypadFor(scancode, numLock)) {
        return key;
    }
    if (auto key = FixedKeyFor(scancode)) {
        return key;
    }
    // The digit row: SDL numbers its places 1..9 then 0.
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) {
        return static_cast<uint8_t>(vk::k0 + 1 + (scancode - SDL_SCANCODE_1));
    }
    if (scancode == SDL_SCANCODE_0) {
        return vk::k0;
    }
    if (keycode >= SDLK_a && keycode <= SDLK_z) {
        return static_cast<uint8_t>(vk::kA + (keycode - SDLK_a));
    }
    if (auto key = PunctuationFor(keycode)) {
        return key;
    }
    return UsPlaceFor(scancode);
}

}  // namespace stagehand::host
