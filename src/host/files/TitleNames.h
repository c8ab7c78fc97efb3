// How the desktop reads the parts of a file name a title writes: separators, drive letters,
// `.` and `..`, and the trailing dots and blanks it drops. Shared by the resolver of title
// files and the save folder, so that both fold a name the same way.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

namespace stagehand::host {

bool IsSeparator(char c);
// A name that starts with a drive letter and a colon (`C:`, `d:`).
bool HasDrive(std::string_view name);
// The name as a C string (up to its first NUL), without a drive prefix. `X:` means the root
// of its folder, as does a leading separator, and the current directory is the title
// folder's root, so every name is walked from a root.
std::string_view TitleRelative(std::string_view name);
// The desktop drops trailing dots and blanks from every part of a name.
std::string_view StripTrailingDotsAndBlanks(std::string_view part);
// Splits a name into plain entry names: `.` and parts that strip to nothing are skipped,
// `..` drops the previous part and stops at the root. The result never holds `.`, `..`
// or a separator, which is what keeps names inside a folder.
std::vector<std::string_view> PlainParts(std::string_view name);
// Splits a name after its last separator into the folder part and the last part.
std::pair<std::string_view, std::string_view> SplitLast(std::string_view name);
// Characters the desktop forbids in a file name (controls, `<>:"|?*`).
bool IsForbiddenInName(char c);

}  // namespace stagehand::host
