// The desktop's own message box, for the one thing a player started from the desktop must
// still say when it has no window and no terminal: why the title could not start.
//
// Guarantees: returns once the user has closed the box, or at once when there is no display to
// show it on (nothing is shown then). Needs no window and no SDL set up before.
#pragma once

#include <string>

namespace stagehand::host {

// Shows `text` (UTF-8) under `caption` as an error; false when it could not be shown.
bool ShowErrorBox(const std::string& caption, const std::string& text);

}  // namespace stagehand::host
