// The user's own choices that outlast a play: full screen or a window, the window's size, the
// scaling, the volume and mute. They are kept in the user's settings file (host/files/
// SettingsFile.h), beside what the user allowed each title:
//
//   [Display]
//   Fullscreen=yes          yes or no
//   Window=1280x960         the window's size when it is not full screen
//   Scale=sharp             sharp, nearest, smooth or integer (host/ScaleMode.h)
//   [Sound]
//   Volume=100              0 to 100
//   Mute=no                 yes or no
//
// The command line overrides them for one run (--window, --fullscreen, --scale) and is not
// written back; what the user changes while playing (Alt+Enter, resizing the window, the
// player's keys and menu) is, when the play ends.
//
// Guarantees: a file that cannot be read, or a value that is not one of these, is one line on
// the error stream (once per file) and the default is used; never fatal. Unknown keys and
// sections are kept. The file is written only when something the user chose changed, with
// only those keys changed, whole or not at all; a file that could not be read is not written.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "app/Options.h"
#include "base/Result.h"
#include "host/ScaleMode.h"
#include "host/gfx/Geometry.h"

namespace stagehand {

namespace host {
class Backend;
class Mixer;
}  // namespace host

struct PlayerSettings {
    static constexpr int32_t kMinWindowSide = 64;
    static constexpr int32_t kMaxWindowSide = 16384;

    bool fullscreen = true;
    // None: a whole multiple of the screen that fits the display.
    std::optional<host::Size> windowSize = std::nullopt;
    host::ScaleMode scaling = host::ScaleMode::kSharp;
    int volume = 100;
    bool muted = false;

    friend bool operator==(const PlayerSettings&, const PlayerSettings&) = default;
};

// What a settings file's text says. Values that cannot be used keep their defaults; `problem`
// names the first of them ("[Sound] Volume=loud is not a number from 0 to 100"), empty when
// there was none.
struct ParsedSettings {
    PlayerSettings values;
    std::string problem;
};
ParsedSettings ParseSettings(std::string_view text);

// `text` with the values of `values` whose fields differ between `before` and `values`.
std::string WithChangedSettings(std::string text, const PlayerSettings& before,
                                const PlayerSettings& values);

// What the backend and the mixer show now; and setting the mixer's part.
PlayerSettings SettingsShown(const host::Backend& backend, const host::Mixer& mixer);
void ApplySound(const PlayerSettings& settings, host::Mixer& mixer);

// One play's settings: read at its start, kept at its end.
class CUserSettings {
  public:
    // Reads `file`; says on `err` why it could not be (all) used. `oldFile` is the earlier
    // players' file of allowed titles, folded in when the file is written.
    CUserSettings(std::filesystem::path file, std::filesystem::path oldFile, std::ostream& err);

    const PlayerSettings& FromFile() const { return fromFile_; }
    // The file's settings with the command line's over them.
    PlayerSettings ForRun(const PlayerOptions& options) const;
    // What the play shows once it has started: what differs from this at the end was the
    // user's doing.
    void Started(const PlayerSettings& shown) { started_ = shown; }
    // Writes what the user changed since Started into the file. True when it was written;
    // false when nothing changed or the file could not be read at the start.
    base::Result<bool> Keep(const PlayerSettings& now);

    const std::filesystem::path& File() const { return file_; }

  private:
    std::filesystem::path file_;
    std::filesystem::path oldFile_;
    PlayerSettings fromFile_;
    std::optional<PlayerSettings> started_;
    bool readable_ = false;
};

}  // namespace stagehand
