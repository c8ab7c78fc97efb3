// The desktop's virtual-key codes, which titles' key handling is written against, and the
// characters a US keyboard layout gives for them. Backends translate the machine's keys into
// these codes; the window system uses the layout to make control characters and to answer
// "which character does this key carry" (the unshifted one, as the desktop's key mapping does).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace stagehand::host::vk {

constexpr uint8_t kBack = 0x08;
constexpr uint8_t kTab = 0x09;
constexpr uint8_t kReturn = 0x0D;
constexpr uint8_t kShift = 0x10;
constexpr uint8_t kControl = 0x11;
constexpr uint8_t kMenu = 0x12;  // Alt
constexpr uint8_t kPause = 0x13;
constexpr uint8_t kCapital = 0x14;
constexpr uint8_t kEscape = 0x1B;
constexpr uint8_t kSpace = 0x20;
constexpr uint8_t kPrior = 0x21;  // PageUp
constexpr uint8_t kNext = 0x22;   // PageDown
constexpr uint8_t kEnd = 0x23;
constexpr uint8_t kHome = 0x24;
constexpr uint8_t kLeft = 0x25;
constexpr uint8_t kUp = 0x26;
constexpr uint8_t kRight = 0x27;
constexpr uint8_t kDown = 0x28;
constexpr uint8_t kInsert = 0x2D;
constexpr uint8_t kDelete = 0x2E;
constexpr uint8_t k0 = 0x30;        // '0'..'9' are 0x30..0x39
constexpr uint8_t kA = 0x41;        // 'A'..'Z' are 0x41..0x5A
constexpr uint8_t kNumpad0 = 0x60;  // keypad digits 0x60..0x69
constexpr uint8_t kMultiply = 0x6A;
constexpr uint8_t kAdd = 0x6B;
constexpr uint8_t kSubtract = 0x6D;
constexpr uint8_t kDecimal = 0x6E;
constexpr uint8_t kDivide = 0x6F;
constexpr uint8_t kF1 = 0x70;  // F1..F12 are 0x70..0x7B
constexpr uint8_t kF12 = 0x7B;
constexpr uint8_t kNumLock = 0x90;
constexpr uint8_t kOem1 = 0xBA;       // ;:
constexpr uint8_t kOemPlus = 0xBB;    // =+
constexpr uint8_t kOemComma = 0xBC;   // ,<
constexpr uint8_t kOemMinus = 0xBD;   // -_
constexpr uint8_t kOemPeriod = 0xBE;  // .>
constexpr uint8_t kOem2 = 0xBF;       // /?
constexpr uint8_t kOem3 = 0xC0;       // `~
constexpr uint8_t kOem4 = 0xDB;       // [{
constexpr uint8_t kOem5 = 0xDC;       // \|
constexpr uint8_t kOem6 = 0xDD;       // ]}
constexpr uint8_t kOem7 = 0xDE;       // '"

// The character a US layout gives for a key, with or without Shift; nothing for keys that
// type no character. Enter, Tab, BackSpace and Escape give 13, 9, 8 and 27.
std::optional<uint8_t> CharacterFor(uint8_t virtualKey, bool shift);

// The virtual key and Shift state that type a character on a US layout (for scripted
// typing); nothing for characters the layout cannot type.
struct KeyStroke {
    uint8_t virtualKey;
    bool shift;
};
std::optional<KeyStroke> KeyStrokeFor(uint8_t character);

// A key by the name titles use in their key lists: a single letter, digit or punctuation
// character, or "Space", "Enter", "Escape", "Tab", "BackSpace", "F1".."F12", "Left", "Up",
// "Right", "Down", "PageUp", "PageDown", "Home", "End", "Insert", "Delete". Names are
// case-sensitive except single letters.
std::optional<uint8_t> KeyFromName(std::string_view name);

// The name KeyFromName reads for a key ("F1", "Enter", "A", ";"), "Shift", "Control" and
// "Alt" for the modifiers, and the code in hexadecimal ("0x5B") for keys without a name.
std::string NameOfKey(uint8_t virtualKey);

}  // namespace stagehand::host::vk
