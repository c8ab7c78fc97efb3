// What the director's "Shell" command does with a command line on this machine. A title
// written for the desktop starts `readme.txt`, `help.htm`, `http://...`, `notepad.exe
// readme.txt` or a program of its own; here a program inside the title folder that this
// machine can run is started, and a document or web address (the line's file, or the first
// argument of a program that cannot run here) is handed to the desktop's opener. Anything
// else is reported in the trace and nothing happens.
#pragma once

#include <string>
#include <string_view>

namespace stagehand {

namespace host {
class ProgramStarter;
class TitlePaths;
}  // namespace host

struct ShellOutcome {
    enum class Kind { kStarted, kOpened, kRefused };
    Kind kind = Kind::kRefused;
    std::string target;  // what was started or opened (UTF-8), or why nothing was (trace text)
};

// Carries out a command line built by the director (file, then a blank and the arguments).
ShellOutcome RunShellCommand(std::string_view commandLine, host::ProgramStarter& starter,
                             const host::TitlePaths& paths);

}  // namespace stagehand
