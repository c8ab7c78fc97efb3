#include "app/Options.h"

#include <charconv>

#ifndef STAGEHAND_VERSION
#define STAGEHAND_VERSION "unknown"
#endif

namespace stagehand {

namespace {

bool ReadSide(std::string_view text, int32_t& side) {
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), side);
    return error == std::errc() && end == text.data() + text.size() &&
           side >= PlayerOptions::kMinScreenSide && side <= PlayerOptions::kMaxScreenSide;
}

ParsedCommandLine Refuse(std::string reason) {
    ParsedCommandLine refused;
    refused.action = ParsedCommandLine::Action::kRefused;
    refused.reason = std::move(reason);
    return refused;
}

}  // namespace

std::optional<host::Size> ParseScreenSize(std::string_view text) {
    const size_t x = text.find('x');
    if (x == std::string_view::npos) {
        return std::nullopt;
    }
    host::Size size;
    if (!ReadSide(text.substr(0, x), size.width) || !ReadSide(text.substr(x + 1), size.height)) {
        return std::nullopt;
    }
    return size;
}

namespace {

// What one option says, with its value; the reason it is refused, or nothing.
std::optional<std::string> ApplyOption(std::string_view name, std::string_view value,
                                       ParsedCommandLine& line) {
    PlayerOptions& options = line.options;
    if (name == "--window") {
        options.window = true;
    } else if (name == "--fullscreen") {
        options.fullscreen = true;
    } else if (name == "--scale") {
        options.scale = host::ParseScaleMode(value);
        if (!options.scale) {
            return "the scaling " + std::string(value) +
                   " is not one of sharp, nearest, smooth and integer";
        }
    } else if (name == "--headless") {
        options.headless = true;
    } else if (name == "--allow-programs") {
        options.allowPrograms = true;
    } else if (name == "--library") {
        options.library = true;
    } else if (name == "--help" || name == "-h") {
        line.action = ParsedCommandLine::Action::kHelp;
    } else if (name == "--version") {
        if (line.action != ParsedCommandLine::Action::kHelp) {
            line.action = ParsedCommandLine::Action::kVersion;
        }
    } else if (name == "--check") {
        line.check = true;
    } else if (name == "--screen") {
        const std::optional<host::Size> size = ParseScreenSize(value);
        if (!size) {
            return "the screen size " + std::string(value) +
                   " is not WIDTHxHEIGHT with each side from 64 to 4096";
        }
        options.screen = *size;
    } else if (name == "--input") {
        options.input = std::string(value);
    } else if (name == "--cd") {
        options.cd = std::string(value);
    } else if (name == "--save-dir") {
        options.saveDir = std::string(value);
    } else if (name == "--trace") {
        options.trace = std::string(value);
    } else if (name == "--audio-out") {
        options.audioOut = std::string(value);
    } else {
        return "unknown option " + std::string(name);
    }
    return std::nullopt;
}

}  // namespace

ParsedCommandLine ParseCommandLine(std::span<const std::string_view> arguments) {
    ParsedCommandLine line;
    bool titleGiven = false;
    std::string_view playOption;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string_view arg = arguments[i];
        if (optionsEnded || !arg.starts_with('-')) {
            if (titleGiven) {
                return Refuse("only one title folder can be played, but " + std::string(arg) +
                              " is a second one");
            }
            titleGiven = true;
            line.options.titleFolder = std::string(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // --name=value and --name value are the same.
        std::optional<std::string_view> inlineValue;
        if (const size_t eq = arg.find('=');
            arg.starts_with("--") && eq != std::string_view::npos) {
            inlineValue = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        const bool takesValue = arg == "--screen" || arg == "--input" || arg == "--trace" ||
                                arg == "--cd" || arg == "--audio-out" || arg == "--save-dir" ||
                                arg == "--scale";
        if (inlineValue && !takesValue) {
            return Refuse("the option " + std::string(arg) + " takes no value");
        }
        std::string_view value;
        if (takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            }
            if (value.empty()) {
                return Refuse("the option " + std::string(arg) + " needs a value");
            }
        }
        if (std::optional<std::string> refusal = ApplyOption(arg, value, line)) {
            return Refuse(*refusal);
        }
        // A check plays nothing: these have no meaning for it.
        if (playOption.empty() &&
            (arg == "--window" || arg == "--fullscreen" || arg == "--headless" ||
             arg == "--allow-programs" || arg == "--library" || takesValue) &&
            arg != "--cd") {
            playOption = arg;
        }
    }
    if (line.check) {
        if (!playOption.empty()) {
            return Refuse("the option " + std::string(playOption) +
                          " is for playing a title, not for --check");
        }
        if (line.action == ParsedCommandLine::Action::kRun) {
            line.action = ParsedCommandLine::Action::kCheck;
        }
    }
    if (line.options.window && line.options.fullscreen) {
        return Refuse("--window and --fullscreen cannot both be had");
    }
    if (line.options.library && titleGiven) {
        return Refuse("--library opens the library, not the title folder " +
                      line.options.titleFolder);
    }
    if (line.options.input && !line.options.headless) {
        return Refuse("--input is only for a run with --headless");
    }
    if (line.options.audioOut && !line.options.headless) {
        return Refuse("--audio-out is only for a run with --headless");
    }
    return line;
}

std::string_view Usage() {
    return "usage: stagehand [TITLE_DIR] [options]\n"
           "       stagehand --check [TITLE_DIR]\n"
           "Plays the title in TITLE_DIR, a folder with roles.mii and msg.mii, or a disc image\n"
           "holding one (title.iso, or title.iso:/FOLDER for a folder in it). Without it (for\n"
           "--check too): the program's own folder when it holds a title, else (playing) the\n"
           "library of the titles played recently, else the bundled demo.\n"
           "\n"
           "  --library         open the library of the titles played recently\n"
           "  --window          play in a window this time (the settings keep the last choice)\n"
           "  --fullscreen      play full screen this time\n"
           "  --scale MODE      how the screen is enlarged this time: sharp (whole pixels, then\n"
           "                    smoothed to fit; the default), nearest, smooth, or integer\n"
           "                    (whole multiples only, with bars)\n"
           "  --screen WxH      the title's screen size (default 640x480; 64 to 4096 a side)\n"
           "  --cd DIR          the folder or disc image the title finds on its disc drive D:\n"
           "                    (default: the title folder)\n"
           "  --save-dir DIR    keep the title's saves in DIR (default:\n"
           "                    $XDG_DATA_HOME/stagehand/saves/TITLE, ~/.local/share/...)\n"
           "  --allow-programs  let the title start its programs and open documents without\n"
           "                    asking (a headless run starts none without it)\n"
           "  --headless        play without a display, on a virtual clock\n"
           "  --input FILE      the scripted user of a headless run\n"
           "  --trace FILE|-    write the trace to FILE, or with -, to standard output\n"
           "  --audio-out FILE  write a headless run's sound to the wave file FILE\n"
           "  --check           read the title without playing it and list its faults (file,\n"
           "                    section, key, line); exit code 0 when clean, 1 with faults\n"
           "  --version         print the version\n"
           "  --help            print this text\n"
           "\n"
           "While playing, Alt+Enter switches between full screen and a window; closing the\n"
           "window ends the title. The settings (full screen, window size, scaling, volume)\n"
           "last in $XDG_CONFIG_HOME/stagehand/settings.ini (~/.config/stagehand/...).\n"
           "The player's own keys: Ctrl+Alt+M its menu, Ctrl+Alt+P pause, Ctrl+Alt+0 mute,\n"
           "Ctrl+Alt+- and Ctrl+Alt+= volume, Ctrl+Alt+S screenshot, Ctrl+Alt+Z scaling,\n"
           "Ctrl+Alt+Q quit.\n"
           "Input script commands, one a line (# starts a comment): wait MS, move X Y,\n"
           "click X Y, press [X Y], release [X Y], rpress [X Y], rrelease [X Y], key NAME,\n"
           "type TEXT, shot FILE.png, print TEXT, clock, close, message TEXT, drop PATH.\n"
           "Exit codes: 0 the title ended, 1 it could not start, 2 a bad command line.\n";
}

std::string VersionLine() {
    return std::string("stagehand ") + STAGEHAND_VERSION;
}

}  // namespace stagehand
