#include "app/MainFrame.h"

#include "director/Director.h"
#include "host/ui/Keys.h"
#include "host/ui/WindowSystem.h"

namespace stagehand {

namespace {

bool IsLetter(uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

bool CMainFrame::Open(host::WindowSystem& system) {
    const host::Size screen = system.ScreenSize();
    host::WindowParams params;
    params.style = host::style::kPopup | host::style::kVisible;
    params.rect = {0, 0, screen.width, screen.height};
    params.background = host::Rgb(0, 0, 0);
    if (!CreateWindow(system, params)) {
        return false;
    }
    system.SetMainWindow(Handle());
    return true;
}

std::optional<CMainFrame::KeyPress> CMainFrame::TranslateKeyDown(uint32_t virtualKey,
                                                                 uint32_t keyFlags, bool shiftDown,
                                                                 bool controlDown) {
    const auto key = static_cast<uint8_t>(virtualKey);
    // The modifier keys themselves, and the machine's auto-repeat, are no key presses.
    if (key >= host::vk::kShift && key <= host::vk::kMenu) {
        return std::nullopt;
    }
    if (keyFlags & host::key_flags::kRepeat) {
        return std::nullopt;
    }
    uint32_t modifiers = 0;
    if (keyFlags & host::key_flags::kAltDown) {
        modifiers |= CDirector::kAlt;
    }
    if (shiftDown) {
        modifiers |= CDirector::kShift;
    }
    if (controlDown) {
        modifiers |= CDirector::kControl;
    }
    // Keypad digits type their digit through the character message.
    if (key >= host::vk::kNumpad0 && key <= host::vk::kNumpad0 + 9) {
        return std::nullopt;
    }
    const std::optional<uint8_t> c = host::vk::CharacterFor(key, false);
    if (!c) {
        return KeyPress{key, modifiers};
    }
    // Combinations no plain character message brings are passed on here, as the character.
    if ((modifiers & CDirector::kAlt) || ((modifiers & CDirector::kControl) && !IsLetter(*c))) {
        return KeyPress{*c, modifiers | CDirector::kCharacter};
    }
    return std::nullopt;
}

std::optional<CMainFrame::KeyPress> CMainFrame::TranslateCharacter(uint32_t code, uint32_t keyFlags,
                                                                   bool shiftDown,
                                                                   bool controlDown) {
    if (keyFlags & host::key_flags::kRepeat) {
        return std::nullopt;
    }
    uint32_t modifiers = 0;
    if (controlDown) {
        modifiers = CDirector::kControl;
        if (shiftDown) {
            modifiers |= CDirector::kShift;
        }
        // Control turns letters into control codes; the director wants the letter back.
        if (code < 32) {
            code += 64;
        }
    }
    if (keyFlags & host::key_flags::kAltDown) {
        modifiers |= CDirector::kAlt;
    }
    return KeyPress{code, modifiers | CDirector::kCharacter};
}

intptr_t CMainFrame::OnMessage(const host::Message& message) {
    host::WindowSystem& system = *System();
    switch (message.id) {
        case host::msg::kEraseBackground:
            // The frame is black already and scenes cover what they show.
            return 1;
        case host::msg::kPaint:
            system.Validate(Handle());
            return 0;
        case host::msg::kKeyDown:
        case host::msg::kSysKeyDown:
            Deliver(TranslateKeyDown(message.wParam & 0xFF, host::KeyFlagsOf(message),
                                     system.IsKeyDown(host::vk::kShift),
                                     system.IsKeyDown(host::vk::kControl)));
            return 0;
        case host::msg::kChar:
            Deliver(TranslateCharacter(message.wParam & 0xFF, host::KeyFlagsOf(message),
                                       system.IsKeyDown(host::vk::kShift),
                                       system.IsKeyDown(host::vk::kControl)));
            return 0;
        default:
            return DefaultMessage(message);
    }
}

void CMainFrame::Deliver(const std::optional<KeyPress>& press) {
    if (!press) {
        return;
    }
    if (keySink_) {
        keySink_(*press);
    }
}

}  // namespace stagehand
