// The user's input in the words of the trace: what a queue run names as its cause.
// "click 120,88", "double click 4,5", "release 120,88" (right-button ones begin with "right"),
// "move 300,200", "key F1", "key Shift_F1", "key F1 up", and for typed characters "key a",
// "key Enter", "key Control_C" (Shift shows in the character itself). Points are on the logical
// screen; keys are named as the titles' key lists name them (vk::NameOfKey), with the modifiers
// held before the name.
#pragma once

#include <string>

#include "host/ui/Messages.h"

namespace stagehand::host {

class WindowSystem;

// The input the window system dispatches now (WindowSystem::CurrentInput), or "" when it
// dispatches none.
std::string CurrentInputText(const WindowSystem& windows);

// One input message; `shift` and `control` say whether those keys were down with it. Other
// messages give "".
std::string InputText(const Message& message, bool shift, bool control);

}  // namespace stagehand::host
