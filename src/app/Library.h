// What `stagehand` plays: the title it was given, or the library of the titles played
// recently and then the title the user chose in it, one play after the other in one process.
//
//   - `--library` opens the library; so does `stagehand` with no folder in a desktop run when
//     titles were played before and the program's own folder holds no title. Otherwise the
//     default title plays as before (app/DefaultTitle.h).
//   - A desktop play of a title the user named (on the command line, typed or dropped in the
//     library, or picked from its list) is remembered in recent.ini when its first frame
//     shows, and its picture is kept a few seconds in (or at its end, when sooner). The
//     library itself, the bundled demo, headless runs and checks are not remembered.
//   - A folder or disc image dropped on the library's window opens at once.
//   - A chosen title that cannot start brings the library back with the reason shown.
//
// Guarantees: a damaged recent.ini costs one line on the error stream, never the play; the
// library's own title is written to the user's cache folder, never beside the program. A
// headless library run gives its input script to the library; the chosen title then plays
// without one (it starts and is closed), so its trace shows that it played.
// Where it bites: with `--trace FILE` the chosen title's trace replaces the library's; the
// chosen title's error lines reach the error stream when its play ends.
#pragma once

#include <iosfwd>

#include "app/Options.h"

namespace stagehand {

// The exit code of the last play.
int PlayTitles(const PlayerOptions& options, std::ostream& out, std::ostream& err);

}  // namespace stagehand
