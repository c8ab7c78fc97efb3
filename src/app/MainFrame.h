// CMainFrame: the player's one top-level window. It covers the whole logical screen in
// black, is the window system's main window, and is the parent of the director's scenes.
//
// It turns the keyboard into the director's key presses: a key that types no character is
// passed on as its virtual key; a character is passed on once, from the character message,
// except for Alt (and Control with a non-letter) combinations, which the key message carries
// because no plain character message comes for them.
//
// Guarantees: a close request destroys the frame with every window in it (which deletes the
// scenes living there) and so ends the message loop. Key messages never reach the default
// handling, so no desktop shortcut closes the title behind its back.
// Where it bites: the frame draws nothing itself; what is not covered by a scene stays black
// only because nothing else draws there.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "host/ui/Window.h"

namespace stagehand {

namespace host {
class WindowSystem;
}

class CMainFrame : public host::Window {
  public:
    // One key press for the director: a virtual-key or character code and CDirector's
    // modifier flags.
    struct KeyPress {
        uint32_t key = 0;
        uint32_t modifiers = 0;
        friend bool operator==(const KeyPress&, const KeyPress&) = default;
    };
    // Where key presses go (the application hands them to the director); unset, nowhere.
    using KeySink = std::function<void(const KeyPress&)>;

    CMainFrame() = default;

    // Creates the frame over the whole screen and makes it the main window.
    bool Open(host::WindowSystem& system);
    void SetKeySink(KeySink sink) { keySink_ = std::move(sink); }

    // The translation of a key-down message (plain or system): the virtual key, its key
    // flags, and whether Shift and Control are down. Nothing when the key is not passed on.
    static std::optional<KeyPress> TranslateKeyDown(uint32_t virtualKey, uint32_t keyFlags,
                                                    bool shiftDown, bool controlDown);
    // The translation of a character message.
    static std::optional<KeyPress> TranslateCharacter(uint32_t code, uint32_t keyFlags,
                                                      bool shiftDown, bool controlDown);

  protected:
    intptr_t OnMessage(const host::Message& message) override;

  private:
    void Deliver(const std::optional<KeyPress>& press);

    KeySink keySink_;
};

}  // namespace stagehand
