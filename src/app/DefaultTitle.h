// Which title `stagehand` plays when it is given none. In order:
//   1. the folder the program lies in, when it holds a title (a player copied next to its
//      title's files);
//   2. the bundled demo beside the built program (PROGRAM_DIR/demo, where the build makes it);
//   3. the bundled demo where installing puts it (PREFIX/share/stagehand/demo for the program
//      PREFIX/bin/stagehand).
// The program's folder comes from the program's own path, never the working directory, so the
// player finds its demo wherever it is started from.
//
// Guarantees: only looks; a folder holds a title when its roles.mii (the name matched
// case-blind, as every title name is) is a regular file.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace stagehand {

// The folder of the running program (from /proc/self/exe); the current directory when that
// cannot be read.
std::filesystem::path ProgramFolder();

// The folders looked at for `programFolder`, in order.
std::vector<std::filesystem::path> DefaultTitleCandidates(
    const std::filesystem::path& programFolder);

bool HoldsTitle(const std::filesystem::path& folder);

// The first candidate that holds a title.
std::optional<std::filesystem::path> FindDefaultTitle(const std::filesystem::path& programFolder);

}  // namespace stagehand
