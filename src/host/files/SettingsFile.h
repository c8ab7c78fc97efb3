// The user's settings file, settings.ini in the settings folder (UserSettingsFolder): the
// player's own choices (the window, the scaling, the volume) and, one section per title, what
// the user allowed that title. Several parts of the player keep keys in it, each its own;
// each change reads the file again, edits only its own lines and writes the whole file back,
// so what another part (or the user, with an editor) put there stays.
//
// Guarantees: reads are bounded (kMaxBytes); a file that exists but cannot be read is never
// written over, so nothing of it is lost; a write goes to a temporary file that is renamed
// over the old one (FileReplacement), into a folder made with mode 0700, and only when the
// text changed. Edits keep every other line, comment and blank as it was.
// Where it bites: the sections and keys are matched as profile files match them (trimmed,
// case-blind, the first of two equal ones wins); lines before the first section are kept but
// belong to none.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "base/Result.h"

namespace stagehand::host {

class SettingsFile {
  public:
    static constexpr uint64_t kMaxBytes = uint64_t{1} << 20;
    static constexpr const char* kFileName = "settings.ini";

    // $XDG_CONFIG_HOME/stagehand/settings.ini, or ~/.config/stagehand/settings.ini.
    static std::filesystem::path DefaultPath();

    // The file's text: "" when there is none; a failure saying why when it cannot be read.
    static base::Result<std::string> Read(const std::filesystem::path& file);

    // Reads the file, edits its text and writes it back when the edit changed it. True when
    // it was written; a failure when it could not be read or written (the old file stays).
    using Edit = std::function<std::string(std::string text)>;
    static base::Result<bool> Update(const std::filesystem::path& file, const Edit& edit);

    // `text` with `key=value` in `section`: the key's first line in the section replaced, or
    // a line added after the section's last one, or the section added at the end.
    static std::string WithValue(std::string_view text, std::string_view section,
                                 std::string_view key, std::string_view value);
};

}  // namespace stagehand::host
