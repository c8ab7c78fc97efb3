#include "host/ui/InputText.h"

#include "host/ui/Keys.h"
#include "host/ui/WindowSystem.h"

namespace stagehand::host {

namespace {

std::string PointText(std::string_view what, Point p) {
    std::string text(what);
    text += ' ';
    text += std::to_string(p.x);
    text += ',';
    text += std::to_string(p.y);
    return text;
}

// A typed character as a key list writes it: the control characters a key types by their
// key's name, a Control letter as that letter, the double quote as "Quote".
std::string CharacterName(uint8_t c) {
    switch (c) {
        case 8:
            return "BackSpace";
        case 9:
            return "Tab";
        case 13:
            return "Enter";
        case 27:
            return "Escape";
        case ' ':
            return "Space";
        case '"':
            return "Quote";
        default:
            break;
    }
    if (c >= 1 && c <= 26) {
        return std::string("Control_") + static_cast<char>('A' + c - 1);
    }
    return std::string(1, static_cast<char>(c));
}

}  // namespace

std::string InputText(const Message& message, bool shift, bool control) {
    const bool alt = (KeyFlagsOf(message) & key_flags::kAltDown) != 0;
    const auto key = static_cast<uint8_t>(message.wParam & 0xFF);
    // A modifier key is not named again as its own modifier.
    std::string modifiers;
    if (shift && key != vk::kShift) {
        modifiers += "Shift_";
    }
    if (control && key != vk::kControl) {
        modifiers += "Control_";
    }
    if (alt && key != vk::kMenu) {
        modifiers += "Alt_";
    }
    switch (message.id) {
        case msg::kMouseMove:
            return PointText("move", message.screen);
        case msg::kLButtonDown:
            return PointText("click", message.screen);
        case msg::kLButtonDoubleClick:
            return PointText("double click", message.screen);
        case msg::kLButtonUp:
            return PointText("release", message.screen);
        case msg::kRButtonDown:
            return PointText("right click", message.screen);
        case msg::kRButtonDoubleClick:
            return PointText("right double click", message.screen);
        case msg::kRButtonUp:
            return PointText("right release", message.screen);
        case msg::kKeyDown:
        case msg::kSysKeyDown:
            return "key " + modifiers + vk::NameOfKey(key);
        case msg::kKeyUp:
        case msg::kSysKeyUp:
            return "key " + vk::NameOfKey(key) + " up";
        case msg::kChar:
        case msg::kSysChar:
            // The character already says what Shift and Control made of it.
            return std::string("key ") + (alt ? "Alt_" : "") + CharacterName(key);
        default:
            return {};
    }
}

std::string CurrentInputText(const WindowSystem& windows) {
    const Message* input = windows.CurrentInput();
    if (input == nullptr) {
        return {};
    }
    return InputText(*input, windows.IsKeyDown(vk::kShift), windows.IsKeyDown(vk::kControl));
}

}  // namespace stagehand::host
