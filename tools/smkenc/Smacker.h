// Writes Smacker (SMK2) movies of known content, for tests and the bundled demo.
//
// Every frame carries its whole palette and is coded whole, in 4x4 blocks: a block of one
// colour as a solid block, any other as a full block of 16 pixels; frames never refer to the
// frame before, so each is a key frame. The optional sound track is stored as plain PCM.
//
// Where it bites: the file stores each palette component with 6 bits, so a decoder shows
// ShownColour(c) for a component c; the 8-bit values 4 * n + n / 16 (n from 0 to 63) come back
// unchanged. Width and height must be multiples of 4. Movie::frame is called twice for every
// frame (once to count, once to code) and must give the same frame both times. FFmpeg (5.1)
// delivers every byte of an 8-bit sound track but takes the first four bytes of each of its
// chunks for a length, so its timestamps for 8-bit sound are wrong: prefer 16 bits.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <vector>

namespace stagehand::smkenc {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
using Palette = std::array<Rgb, 256>;

// An 8-bit indexed frame: width * height palette indexes, row by row from the top.
struct Frame {
    std::vector<std::uint8_t> pixels;
    Palette palette{};
};

// PCM as the file stores it: 8-bit samples unsigned, 16-bit samples signed little-endian,
// stereo samples left first.
struct Sound {
    int rate = 22050;  // samples a second, 1000 to 48000
    int bits = 16;     // 8 or 16
    int channels = 1;  // 1 or 2
    std::vector<std::uint8_t> bytes;
};

// The limits the encoder accepts.
constexpr int kMaxWidth = 1024;
constexpr int kMaxHeight = 768;
constexpr int kMaxFrames = 10000;
constexpr double kMinFps = 1;
constexpr double kMaxFps = 100;
constexpr std::size_t kMaxSoundBytes = 64 * 1024 * 1024;

struct Movie {
    int width = 0;  // multiples of 4, from 4 to kMaxWidth and kMaxHeight
    int height = 0;
    int frameCount = 0;  // 1 to kMaxFrames
    double fps = 10;     // kMinFps to kMaxFps
    std::function<Frame(int index)> frame;
    // Spread over the frames by time; what runs past the last frame goes with it.
    std::optional<Sound> sound;
};

// Writes the movie to a seekable stream (the frame sizes are filled in at the end). Throws
// std::invalid_argument, saying what is wrong, for a movie outside the limits above or a
// frame of the wrong size, and std::runtime_error when the stream fails.
void WriteMovie(const Movie& movie, std::ostream& out);
std::vector<std::uint8_t> EncodeMovie(const Movie& movie);

// The 8-bit value a decoder shows for the palette component `c`.
constexpr std::uint8_t ShownColour(std::uint8_t c) {
    return static_cast<std::uint8_t>((c & 0xFC) | (c >> 6));
}

// The header's frame rate field: milliseconds a frame when that is a whole number, else the
// negated frame time in units of 10 microseconds.
std::int32_t FrameRateField(double fps);

}  // namespace stagehand::smkenc
