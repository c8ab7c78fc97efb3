// Where a title's saves go: a folder of the user's own, never the title folder. A title played
// from a disc, a disc image, a folder of another user or one under /usr/share keeps its saves
// all the same, and nothing a title saves can reach the user's other files or the title's
// own script files.
//
// Guarantees: a title's name for a save (`C:\GAME\SAVE.DAT`, `.\save.dat`) is folded to its
// last part, with the desktop's rules (drive letters, `.`, `..`, separators, trailing dots and
// blanks dropped) and case folded, so every spelling of one file is one save and no name
// leaves the folder; `roles.mii` and `msg.mii` are never written under any spelling. Writes
// replace a save whole or not at all (FileReplacement). The folder and the folders above it
// that the player makes get mode 0700; it is made on the first write, never before.
// Where it bites: two names that differ only in their folders are one save. The folder is
// $XDG_DATA_HOME/stagehand/saves/TITLE (default ~/.local/share/...), TITLE the title's key
// (TitleKey): a title whose roles.mii changes has a new key, and so new saves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/Result.h"
#include "host/files/File.h"

namespace stagehand::host {

// What one title may keep: a title that saves under ever new names, or ever larger files,
// fills the user's disk no further than this.
struct SaveLimits {
    size_t saves = 1000;
    uint64_t totalBytes = 64ull << 20;
};

class SaveFolder {
  public:
    // `folder` is asked once, at the first use, for where the saves go; a title's key is
    // known only once its director role has been read.
    explicit SaveFolder(std::function<std::filesystem::path()> folder, SaveLimits limits = {});

    // A stable name for a title: its window name (letters, digits, blanks, `.`, `_` and
    // `-` kept, anything else `_`, at most 48 characters; "title" when that leaves nothing)
    // and 12 hexadecimal digits of a hash of its roles.mii bytes.
    static std::string TitleKey(std::string_view windowName1252, std::string_view rolesBytes);
    // $XDG_DATA_HOME/stagehand/saves/KEY, or ~/.local/share/stagehand/saves/KEY when that
    // is not set (or not absolute); a relative folder when there is no home either.
    static std::filesystem::path DefaultFolder(std::string_view titleKey);

    // The host name a title's name has in the folder (UTF-8), or why it has none.
    static base::Result<std::string> SaveName(std::string_view titleName);

    const std::filesystem::path& Folder() const;
    // The save a title's name stands for, opened for reading; a refused InputFile (kMissing)
    // when there is none.
    InputFile Open(std::string_view titleName) const;
    // Writes the save, making the folder first; refused when it would take the folder past
    // the limits' count of files or their bytes.
    base::Result<void> Write(std::string_view titleName, std::string_view bytes) const;

  private:
    std::function<std::filesystem::path()> where_;
    SaveLimits limits_;
    mutable std::optional<std::filesystem::path> folder_;
};

}  // namespace stagehand::host
