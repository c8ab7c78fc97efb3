// SDL's keys to the desktop's virtual-key codes (host/ui/Keys.h).
#pragma once

#include <SDL.h>

#include <cstdint>
#include <optional>

namespace stagehand::host {

// The virtual key for a key SDL reports, or nothing for keys titles never see (the logo
// keys, media keys and the like).
//
// Letters follow the key's meaning in the user's layout (its keycode), as the desktop's do;
// a layout whose letter keys type no Latin letter falls back to the key's place on a US
// keyboard. The digit row always gives the digits. Punctuation follows the layout when its
// keycode is one of the US punctuation characters, otherwise the key's US place. The keypad
// gives its digits and the decimal point only while NumLock is on, and the navigation keys
// printed on it otherwise. Left and right Shift, Control and Alt give the generic codes.
std::optional<uint8_t> VirtualKeyFor(SDL_Keycode keycode, SDL_Scancode scancode, bool numLock);

}  // namespace stagehand::host
