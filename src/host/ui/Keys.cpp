#include "host/ui/Keys.h"

#include <array>
#include <utility>

namespace stagehand::host::vk {

namespace {

struct PunctuationKey {
    uint8_t key;
    char plain;
    char shifted;
};

constexpr std::array<PunctuationKey, 11> kPunctuation{{
    {kOem1, ';', ':'},
    {kOemPlus, '=', '+'},
    {kOemComma, ',', '<'},
    {kOemMinus, '-', '_'},
    {kOemPeriod, '.', '>'},
    {kOem2, '/', '?'},
    {kOem3, '`', '~'},
    {kOem4, '[', '{'},
    {kOem5, '\\', '|'},
    {kOem6, ']', '}'},
    {kOem7, '\'', '"'},
}};

constexpr std::string_view kShiftedDigits = ")!@#$%^&*(";

constexpr std::array<std::pair<std::string_view, uint8_t>, 16> kNamedKeys{{
    {"Space", kSpace},
    {"Enter", kReturn},
    {"Escape", kEscape},
    {"Tab", kTab},
    {"BackSpace", kBack},
    {"Left", kLeft},
    {"Up", kUp},
    {"Right", kRight},
    {"Down", kDown},
    {"PageUp", kPrior},
    {"PageDown", kNext},
    {"Home", kHome},
    {"End", kEnd},
    {"Insert", kInsert},
    {"Delete", kDelete},
    {"Quote", kOem7},
}};

}  // namespace

std::optional<uint8_t> CharacterFor(uint8_t key, bool shift) {
    if (key >= kA && key <= kA + 25) {
        return shift ? key : static_cast<uint8_t>(key + 32);
    }
    if (key >= k0 && key <= k0 + 9) {
        return shift ? static_cast<uint8_t>(kShiftedDigits[key - k0]) : key;
    }
    if (key >= kNumpad0 && key <= kNumpad0 + 9) {
        return static_cast<uint8_t>('0' + key - kNumpad0);
    }
    switch (key) {
        case kSpace:
            return ' ';
        case kReturn:
            return 13;
        case kTab:
            return 9;
        case kBack:
            return 8;
        case kEscape:
            return 27;
        case kMultiply:
            return '*';
        case kAdd:
            return '+';
        case kSubtract:
            return '-';
        case kDecimal:
            return '.';
        case kDivide:
            return '/';
        default:
            break;
    }
    for (const PunctuationKey& p : kPunctuation) {
        if (p.key == key) {
            return static_cast<uint8_t>(shift ? p.shifted : p.plain);
        }
    }
    return std::nullopt;
}

std::optional<KeyStroke> KeyStrokeFor(uint8_t c) {
    if (c >= 'a' && c <= 'z') {
        return KeyStroke{static_cast<uint8_t>(c - 32), false};
    }
    if (c >= 'A' && c <= 'Z') {
        return KeyStroke{c, true};
    }
    if (c >= '0' && c <= '9') {
        return KeyStroke{c, false};
    }
    switch (c) {
        case ' ':
            return KeyStroke{kSpace, false};
        case 13:
            return KeyStroke{kReturn, false};
        case 9:
            return KeyStroke{kTab, false};
        case 8:
            return KeyStroke{kBack, false};
        case 27:
            return KeyStroke{kEscape, false};
        default:
            break;
    }
    for (size_t i = 0; i < kShiftedDigits.size(); ++i) {
        if (static_cast<uint8_t>(kShiftedDigits[i]) == c) {
            return KeyStroke{static_cast<uint8_t>(k0 + i), true};
        }
    }
    for (const PunctuationKey& p : kPunctuation) {
        if (static_cast<uint8_t>(p.plain) == c) {
            return KeyStroke{p.key, false};
        }
        if (static_cast<uint8_t>(p.shifted) == c) {
            return KeyStroke{p.key, true};
        }
    }
    return std::nullopt;
}

std::optional<uint8_t> KeyFromName(std::string_view name) {
    if (name.size() == 1) {
        const auto stroke = KeyStrokeFor(static_cast<uint8_t>(name[0]));
        if (stroke) {
            return stroke->virtualKey;
        }
        return std::nullopt;
    }
    for (const auto& [keyName, key] : kNamedKeys) {
        if (keyName == name) {
            return key;
        }
    }
    if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F') {
        int number = 0;
        for (char c : name.substr(1)) {
            if (c < '0' || c > '9') {
                return std::nullopt;
            }
            number = number * 10 + (c - '0');
        }
        if (number >= 1 && number <= 12 && name[1] != '0') {
            return static_cast<uint8_t>(kF1 + number - 1);
        }
    }
    return std::nullopt;
}

std::string NameOfKey(uint8_t key) {
    for (const auto& [keyName, named] : kNamedKeys) {
        if (named == key) {
            return std::string(keyName);
        }
    }
    if (key >= kF1 && key <= kF12) {
        return "F" + std::to_string(key - kF1 + 1);
    }
    switch (key) {
        case kShift:
            return "Shift";
        case kControl:
            return "Control";
        case kMenu:
            return "Alt";
        default:
            break;
    }
    // Letters by their capital, as key lists write them; digits and punctuation as typed.
    if (const std::optional<uint8_t> c = CharacterFor(key, false); c && *c > ' ' && *c < 0x7F) {
        return std::string(1, static_cast<char>(key >= kA && key <= kA + 25 ? key : *c));
    }
    constexpr std::string_view kHex = "0123456789ABCDEF";
    return std::string("0x") + kHex[key >> 4] + kHex[key & 0xF];
}

}  // namespace stagehand::host::vk
