// Splits a Windows-style command line into its arguments, as a program's C runtime on the
// desktop split the one line the desktop handed it.
//
// Rules: blanks (space, tab) separate arguments and runs of them count as one. The first
// argument, the program name, is taken plainly: one that starts with `"` runs to the next
// `"` (both removed), any other to the first blank, and backslashes and quotes in it are
// kept as written. In the other arguments `"` starts and ends quoted text, in which blanks
// do not separate, and is removed; `""` inside quoted text is one literal `"` and the text
// stays quoted (the later runtimes' rule; the earliest ended the quoted text there).
// Backslashes are literal unless a `"` follows them: then 2n of them give n backslashes
// and the `"` quotes as above, and 2n+1 give n backslashes and a literal `"`.
// Guarantees: any bytes are accepted; time and memory are linear in the input; the
// arguments together never hold more bytes than the input.
// Where it bites: the text ends at the first NUL, as the desktop's command line did. Blanks
// before the program name are skipped, and an argument may start right after a quoted
// program name's closing quote (`"a.exe"b` gives `a.exe` and `b`). An unterminated quote
// runs to the end of the line. Bytes are title text (1252); nothing is converted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace stagehand::host {

// The arguments of commandLine, program name first; empty for a line of only blanks.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

}  // namespace stagehand::host
