// The player's own keys: Control+Alt with a letter, a digit or a sign. Titles could bind
// Control and Shift combinations and the function keys, and the desktop kept Alt
// combinations for itself, so Control+Alt reaches no title.
//
// A registered key is taken from the backend's input before the window system routes it: its
// press posts msg::kHotKey (wParam: the id) to the window that registered it, and neither that
// press, its repeats nor its release reaches any window. Control and Alt themselves pass as
// they are.
// Guarantees: a key that went down as a player's key is swallowed until it comes up, even if
// Control or Alt was let go first or the key was unregistered meanwhile.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "host/ui/Messages.h"

namespace stagehand::host {

class HotKeys {
  public:
    struct Hit {
        WindowHandle window;
        uintptr_t id = 0;
    };

    // Control+Alt+`virtualKey` posts `id` to `window`; a key registered again goes to the
    // newer window.
    void Register(WindowHandle window, uintptr_t id, uint8_t virtualKey);
    void Forget(WindowHandle window);

    // Whether the backend's key change is the player's (then no window gets it), and the hit
    // to post when it is a press.
    struct Verdict {
        bool swallowed = false;
        std::optional<Hit> hit;
    };
    Verdict Filter(uint8_t virtualKey, bool down, bool repeat, bool controlDown, bool altDown);

  private:
    std::map<uint8_t, Hit> keys_;
    bool held_[256] = {};
};

}  // namespace stagehand::host
