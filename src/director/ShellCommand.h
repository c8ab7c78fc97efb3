// What the director's "Shell" command does with a command line on this machine. A title
// written for the desktop starts `readme.txt`, `help.htm`, `http://...`, `notepad.exe
// readme.txt` or a program of its own; here a program inside the title folder that this
// machine can run is started, and a document or web address (the line's file, or the first
// argument of a program that cannot run here) is handed to the desktop's opener. Anything
// else is reported in the trace and nothing happens.
//
// Guarantees: never waits for what it starts, never runs a shell, and never starts or opens
// a file outside the title folder (ProgramStarter's rules). A document is an existing file
// of the title that is not of a desktop program kind (.exe .com .bat .cmd .pif .scr) and
// not a program this machine runs (ProgramStarter::IsHostProgram). A document or web
// address that begins the line is opened and the rest of the line ignored. Every refusal
// is a trace fault naming the line.
// Where it bites: a program that cannot run here stands for whatever it was; only its
// first argument is looked at, and only when that is a web address or a document.
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
