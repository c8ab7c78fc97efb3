// What the director's "Shell" command does with a command line on this machine. A title
// written for the desktop starts `readme.txt`, `help.htm`, `http://...`, `notepad.exe
// readme.txt` or a program of its own; here a program inside the title folder that this
// machine can run (a Windows one through wine) is started, and a document or web address
// (the line's file, or the first argument of a program that cannot run here) is handed to
// the desktop's opener. Anything else is reported in the trace and nothing happens.
//
// The command is planned first and carried out once the user has allowed it: the plan says
// what would be started or opened, in the words of the question put to the user.
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

#include "base/Result.h"
#include "host/system/ProgramStart.h"

namespace stagehand {

namespace host {
class TitlePaths;
}  // namespace host

struct ShellOutcome {
    enum class Kind { kStarted, kOpened, kRefused };
    Kind kind = Kind::kRefused;
    std::string target;  // what was started or opened (UTF-8), or why nothing was (trace text)
};

// What a command line would do.
struct ShellPlan {
    enum class Kind { kStart, kOpen };
    Kind kind = Kind::kOpen;
    host::ProgramPlan program;  // kStart
    std::string target;         // kOpen: the web address or the document's host path
    std::string question;       // "This title wants to start SETUP.EXE." (UTF-8)
};

// Plans a command line built by the director (file, then a blank and the arguments); a
// refusal is traced as a fault naming the line, and its reason returned.
base::Result<ShellPlan> PlanShellCommand(std::string_view commandLine,
                                         const host::ProgramStarter& starter,
                                         const host::TitlePaths& paths);
// Carries out a plan; a failure to start is traced.
ShellOutcome CarryOutShellPlan(std::string_view commandLine, const ShellPlan& plan,
                               host::ProgramStarter& starter);
// Both, for a run that allows everything.
ShellOutcome RunShellCommand(std::string_view commandLine, host::ProgramStarter& starter,
                             const host::TitlePaths& paths);

// Traces why a command line was not carried out.
void TraceShellRefusal(std::string_view commandLine, const std::string& reason);

}  // namespace stagehand
