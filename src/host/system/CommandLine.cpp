#include "host/system/CommandLine.h"

#include <cstddef>

namespace stagehand::host {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

size_t SkipBlanks(std::string_view text, size_t pos) {
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    return pos;
}

// The program name at pos: no escapes, quotes only around the whole name. Returns the
// position just after it.
size_t ReadProgramName(std::string_view text, size_t pos, std::string& name) {
    if (text[pos] == '"') {
        const size_t close = text.find('"', pos + 1);
        const size_t end = close == std::string_view::npos ? text.size() : close;
        name.assign(text.substr(pos + 1, end - pos - 1));
        return close == std::string_view::npos ? end : close + 1;
    }
    size_t end = pos;
    while (end < text.size() && !IsBlank(text[end])) {
        ++end;
    }
    name.assign(text.substr(pos, end - pos));
    return end;
}

// One argument after the program name, starting at a non-blank pos. Returns the position
// just after it.
size_t ReadArgument(std::string_view text, size_t pos, std::string& arg) {
    bool quoted = false;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == '\\') {
            size_t run = 0;
            while (pos < text.size() && text[pos] == '\\') {
                ++run;
                ++pos;
            }
            if (pos < text.size() && text[pos] == '"') {
                arg.append(run / 2, '\\');
                if (run % 2 == 1) {
                    arg.push_back('"');
                    ++pos;
                }
                // With an even run the quote is handled as a plain quote next time round.
            } else {
                arg.append(run, '\\');
            }
            continue;
        }
        if (c == '"') {
            if (quoted && pos + 1 < text.size() && text[pos + 1] == '"') {
                arg.push_back('"');
                pos += 2;
            } else {
                quoted = !quoted;
                ++pos;
            }
            continue;
        }
        if (!quoted && IsBlank(c)) {
            break;
        }
        arg.push_back(c);
        ++pos;
    }
    return pos;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    commandLine = commandLine.substr(0, commandLine.find('\0'));
    std::vector<std::string> args;
    size_t pos = SkipBlanks(commandLine, 0);
    if (pos == commandLine.size()) {
        return args;
    }
    args.emplace_back();
    pos = ReadProgramName(commandLine, pos, args.back());
    for (pos = SkipBlanks(commandLine, pos); pos < commandLine.size();
         pos = SkipBlanks(commandLine, pos)) {
        args.emplace_back();
        pos = ReadArgument(commandLine, pos, args.back());
    }
    return args;
}

}  // namespace stagehand::host
