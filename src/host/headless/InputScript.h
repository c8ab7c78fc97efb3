// The scripted user of a headless run: one command a line, `#` starting a comment.
//   wait MS            let MS milliseconds of virtual time pass
//   move X Y           move the pointer
//   press [X Y]        left button down (moving first when a position is given)
//   release [X Y]      left button up; rpress / rrelease likewise for the right button
//   click X Y          move, press, release
//   key NAME           press and release a key: A, 7, Space, Enter, F1..F12, Left, PageUp, ...
//                      with any of the prefixes Shift+, Ctrl+, Alt+
//   type TEXT          the rest of the line, one character at a time
//   shot FILE.png      the framebuffer as a PNG file
//   print TEXT         the rest of the line, expanded, as one line of standard output; control
//                      bytes come out escaped as in the trace (Readable), ESC as \x1b
//   clock              `clock MS`: the virtual milliseconds since the run began, on standard output
//   close              a close request from outside
//   drop PATH          the file or folder PATH dropped on the window
//   message TEXT       the rest of the line run as one message of the title's queues would
//                      run (Windows-1252, from UTF-8 as `type` converts)
// Parsing never fails as a whole: a line that cannot be read is reported and left out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/gfx/Geometry.h"

namespace stagehand::host {

struct InputStep {
    enum class Kind {
        kWait,
        kMove,
        kPress,
        kRelease,
        kRightPress,
        kRightRelease,
        kClick,
        kKey,
        kCharacter,  // one character of a `type` line
        kShot,
        kPrint,
        kClock,
        kClose,
        kMessage,
        kDrop,
    };
    Kind kind = Kind::kWait;
    uint32_t milliseconds = 0;
    bool hasPosition = false;
    Point position;
    uint8_t virtualKey = 0;
    bool shift = false;
    bool control = false;
    bool alt = false;
    uint8_t character = 0;  // Windows-1252
    std::string text;       // file name, text to print or message to run
    int line = 0;
};

struct InputScript {
    std::vector<InputStep> steps;
    std::vector<std::string> errors;  // "input line N: ..."
};

InputScript ParseInputScript(std::string_view text);

}  // namespace stagehand::host
