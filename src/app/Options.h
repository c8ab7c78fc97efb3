// The `stagehand` command line: what the user asked for, read by a pure function so that
// every option and every refusal can be tested without starting anything.
//
//   stagehand --library [--window] ...
//   stagehand [TITLE_DIR] [--window] [--screen WxH] [--cd DIR] [--save-dir DIR]
//             [--allow-programs] [--headless] [--input FILE] [--trace FILE|-]
//             [--audio-out FILE.wav] [--version] [--help]
//   stagehand --check [TITLE_DIR] [--cd DIR]
//
// Guarantees: ParseCommandLine never touches the disk or the process; a refused command line
// comes back with a one-line reason, shown with kTryHelp under it.
// Where it bites: paths are kept as the user wrote them; the application makes them absolute
// (relative to the directory the player was started in) before it changes directory.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "host/ScaleMode.h"
#include "host/gfx/Geometry.h"

namespace stagehand {

struct PlayerOptions {
    static constexpr int32_t kMinScreenSide = 64;
    static constexpr int32_t kMaxScreenSide = 4096;

    // The title folder; empty: the default title (app/DefaultTitle.h).
    std::string titleFolder;
    // A window instead of full screen for this run (desktop runs only); `fullscreen` below is
    // the opposite; neither: what the user's settings say (app/UserSettings.h).
    bool window = false;
    // The logical screen the title draws.
    host::Size screen{640, 480};
    // No display and a virtual clock; `input` is the scripted user (none: an empty script).
    bool headless = false;
    std::optional<std::string> input;
    // Where the trace goes: a file, or "-" for standard output. None: no trace.
    std::optional<std::string> trace;
    // The folder the title's disc drive (D:) shows; none: the title folder.
    std::optional<std::string> cd;
    // Where a headless run writes its sound (a wave file). None: the sound is not kept.
    std::optional<std::string> audioOut;
    // The folder the title's saves go to; none: the user's own for this title
    // (host/files/SaveFolder.h).
    std::optional<std::string> saveDir;
    // The title may start programs and open documents without asking.
    bool allowPrograms = false;
    // Full screen for this run.
    bool fullscreen = false;
    // How the screen is enlarged, for this run; none: the user's settings.
    std::optional<host::ScaleMode> scale = std::nullopt;
    // Opens the library of the titles played recently (app/Library.h) instead of a title.
    bool library = false;
};

struct ParsedCommandLine {
    enum class Action {
        kRun,      // play the title in `options`
        kCheck,    // check the title in `options` without playing it
        kVersion,  // print the version and stop
        kHelp,     // print the usage and stop
        kRefused,  // print `reason` and kTryHelp on standard error, exit code 2
    };
    Action action = Action::kRun;
    PlayerOptions options;
    std::string reason;
    // --check was given (the action is kCheck unless --help or --version win).
    bool check = false;
};

// The arguments after the program's name. A refusal wins over --help and --version, and
// --help over --version.
ParsedCommandLine ParseCommandLine(std::span<const std::string_view> arguments);

// "WxH" with each side kMinScreenSide..kMaxScreenSide; nothing otherwise.
std::optional<host::Size> ParseScreenSize(std::string_view text);

// The line under a refusal's reason.
inline constexpr std::string_view kTryHelp = "Try 'stagehand --help' for more information.";

// The usage text, ending with a line break.
std::string_view Usage();

// "stagehand 0.1.0"
std::string VersionLine();

}  // namespace stagehand
