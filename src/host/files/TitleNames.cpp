#include "host/files/TitleNames.h"

#include <string_view>
#include <utility>
#include <vector>

namespace stagehand::host {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

bool HasDrive(std::string_view name) {
    return name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == ':';
}

std::string_view TitleRelative(std::string_view name) {
    name = name.substr(0, name.find('\0'));
    if (HasDrive(name)) {
        name.remove_prefix(2);
    }
    return name;
}

// The desktop drops trailing dots and blanks from every part of a name.
std::string_view StripTrailingDotsAndBlanks(std::string_view part) {
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) {
        part.remove_suffix(1);
    }
    return part;
}

// Splits a name into plain entry names: `.` and parts that strip to nothing are skipped,
// `..` drops the previous part and stops at the root. The result never holds `.`, `..`
// or a separator, which is what keeps names inside the folder.
std::vector<std::string_view> PlainParts(std::string_view name) {
    std::vector<std::string_view> parts;
    size_t pos = 0;
    while (pos < name.size()) {
        size_t end = pos;
        while (end < name.size() && !IsSeparator(name[end])) {
            ++end;
        }
        const std::string_view part = name.substr(pos, end - pos);
        pos = end + 1;
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
            continue;
        }
        const std::string_view stripped = StripTrailingDotsAndBlanks(part);
        if (!stripped.empty()) {
            parts.push_back(stripped);
        }
    }
    return parts;
}

// Splits a name after its last separator into the folder part and the last part.
std::pair<std::string_view, std::string_view> SplitLast(std::string_view name) {
    size_t sep = name.size();
    while (sep > 0 && !IsSeparator(name[sep - 1])) {
        --sep;
    }
    return {name.substr(0, sep), name.substr(sep)};
}

bool IsForbiddenInName(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20) {
        return true;
    }
    switch (c) {
        case '<':
        case '>':
        case ':':
        case '"':
        case '|':
        case '?':
        case '*':
            return true;
        default:
            return false;
    }
}

}  // namespace stagehand::host
