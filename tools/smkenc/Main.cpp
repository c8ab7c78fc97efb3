// stagehand-smkenc: writes a Smacker movie of known content for tests and the bundled demo.
//
//   stagehand-smkenc OUT.smk [--size WxH] [--frames N] [--fps F]
//                    [--sound RATE,BITS,CHANNELS] [--tone HZ] [--steady-palette]
//
// Each frame shows its number (see Pattern.h); defaults are 320x240, 30 frames, 15 frames a
// second and no sound. With --sound the movie carries a sine tone (440 Hz unless --tone says)
// as long as its frames. Exit 0 with a line saying what was written, 1 when the file cannot
// be written, 2 for a wrong command line (with what is wrong).
#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "smkenc/Pattern.h"
#include "smkenc/Smacker.h"

namespace {

using namespace stagehand::smkenc;

constexpr const char* kUsage =
    "usage: stagehand-smkenc OUT.smk [--size WxH] [--frames N] [--fps F]\n"
    "                        [--sound RATE,BITS,CHANNELS] [--tone HZ] [--steady-palette]\n";

struct UsageError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

template <typename T>
T Number(std::string_view text, std::string_view option) {
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        throw UsageError(std::string(option) + " wants a number, not \"" + std::string(text) +
                         "\"");
    }
    return value;
}

// Splits "A<sep>B<sep>C" into `count` numbers.
std::vector<int> Numbers(std::string_view text, char sep, std::size_t count,
                         std::string_view option) {
    std::vector<int> values;
    while (values.size() + 1 < count) {
        const std::size_t at = text.find(sep);
        if (at == std::string_view::npos) {
            throw UsageError(std::string(option) + " wants " + std::to_string(count) +
                             " numbers separated by '" + sep + "'");
        }
        values.push_back(Number<int>(text.substr(0, at), option));
        text.remove_prefix(at + 1);
    }
    values.push_back(Number<int>(text, option));
    return values;
}

int Run(int argc, char** argv) {
    std::optional<std::string> outPath;
    Movie movie{320, 240, 30, 15, {}, {}};
    std::optional<Sound> sound;
    std::optional<double> tone;
    bool steadyPalette = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--steady-palette") {
            steadyPalette = true;
            continue;
        }
        if (!arg.starts_with("--")) {
            if (outPath) {
                throw UsageError("more than one output file given");
            }
            outPath = arg;
            continue;
        }
        if (arg != "--size" && arg != "--frames" && arg != "--fps" && arg != "--sound" &&
            arg != "--tone") {
            throw UsageError("unknown option " + std::string(arg));
        }
        if (i + 1 == argc) {
            throw UsageError(std::string(arg) + " needs a value");
        }
        const std::string_view value = argv[++i];
        if (arg == "--size") {
            const auto size = Numbers(value, 'x', 2, arg);
            movie.width = size[0];
            movie.height = size[1];
        } else if (arg == "--frames") {
            movie.frameCount = Number<int>(value, arg);
        } else if (arg == "--fps") {
            movie.fps = Number<double>(value, arg);
        } else if (arg == "--sound") {
            const auto format = Numbers(value, ',', 3, arg);
            sound = Sound{format[0], format[1], format[2], {}};
        } else {
            tone = Number<double>(value, arg);
            if (!(*tone >= 1 && *tone <= 20000)) {
                throw UsageError("--tone " + std::string(value) + " is not from 1 to 20000 Hz");
            }
        }
    }
    if (!outPath) {
        throw UsageError("no output file given");
    }
    if (tone && !sound) {
        throw UsageError("--tone needs --sound");
    }
    movie.frame = [&movie, steadyPalette](int index) {
        return PatternFrame(movie.width, movie.height, index, movie.frameCount, steadyPalette);
    };
    if (sound) {
        // A tone as long as the frames. A format the encoder cannot store goes to it without
        // samples, for it to refuse.
        const bool storable = (sound->bits == 8 || sound->bits == 16) &&
                              (sound->channels == 1 || sound->channels == 2) && sound->rate > 0 &&
                              sound->rate <= 48000 && movie.fps >= kMinFps &&
                              movie.fps <= kMaxFps && movie.frameCount <= kMaxFrames;
        const double samples = movie.frameCount / movie.fps * sound->rate;
        if (storable && !(samples * sound->bits / 8 * sound->channels <= kMaxSoundBytes)) {
            throw UsageError("a sound of " + std::to_string(movie.frameCount / movie.fps) +
                             " seconds is longer than 64 MiB");
        }
        movie.sound = storable
                          ? ToneSound(sound->rate, sound->bits, sound->channels, tone.value_or(440),
                                      static_cast<std::size_t>(std::llround(samples)))
                          : *sound;
    }

    std::vector<std::uint8_t> bytes = EncodeMovie(movie);
    std::ofstream out(*outPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::cerr << "stagehand-smkenc: " << *outPath << ": cannot be written\n";
        return 1;
    }
    std::cout << *outPath << ": " << movie.width << "x" << movie.height << ", " << movie.frameCount
              << " frames at " << movie.fps << " fps";
    if (movie.sound) {
        std::cout << ", sound " << movie.sound->rate << " Hz " << movie.sound->bits << "-bit "
                  << (movie.sound->channels == 2 ? "stereo" : "mono");
    }
    std::cout << ", " << bytes.size() << " bytes\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const UsageError& e) {
        std::cerr << "stagehand-smkenc: " << e.what() << "\n" << kUsage;
    } catch (const std::invalid_argument& e) {
        std::cerr << "stagehand-smkenc: " << e.what() << "\n";
    }
    return 2;
}
