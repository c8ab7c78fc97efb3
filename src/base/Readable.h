// Title text made safe for a terminal or a trace line.
//
// Control bytes other than tab and newline, and DEL, are written as \xHH with two lowercase
// hex digits: ESC as \x1b, CR as \x0d, DEL as \x7f. A backslash followed by `x` is written
// \x5c, so every \x in the result starts an escape; other backslashes (the titles' file
// names are full of them) stay as they are. Bytes from 0x80 up are Windows-1252 text and
// pass unchanged.
#pragma once

#include <string>
#include <string_view>

namespace stagehand {

void AppendReadable(std::string& out, std::string_view text);
std::string Readable(std::string_view text);

}  // namespace stagehand
