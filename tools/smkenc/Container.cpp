// The Smacker container: the header with its frame tables and trees, then each frame's
// palette, sound and video chunks.
#include <cmath>
#include <sstream>
#include <stdexcept>
#include <string>

#include "smkenc/Blocks.h"
#include "smkenc/Huffman.h"
#include "smkenc/Smacker.h"

namespace stagehand::smkenc {

namespace {

constexpr std::size_t kHeaderBytes = 104;            // up to the table of frame sizes
constexpr std::uint32_t kKeyFrame = 1;               // in a frame's size entry
constexpr std::uint8_t kHasPalette = 1;              // in a frame's type byte
constexpr std::uint8_t kHasSound = 2;                // sound track 0, in a frame's type byte
constexpr std::uint32_t kSoundPresent = 0x40000000;  // in a track's rate field
constexpr std::uint32_t kSound16Bit = 0x20000000;
constexpr std::uint32_t kSoundStereo = 0x10000000;

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

void Require(bool ok, const std::string& message) {
    if (!ok) {
        throw std::invalid_argument(message);
    }
}

void Validate(const Movie& m) {
    Require(m.width >= 4 && m.width <= kMaxWidth && m.width % 4 == 0,
            "width " + std::to_string(m.width) + " is not a multiple of 4 from 4 to " +
                std::to_string(kMaxWidth));
    Require(m.height >= 4 && m.height <= kMaxHeight && m.height % 4 == 0,
            "height " + std::to_string(m.height) + " is not a multiple of 4 from 4 to " +
                std::to_string(kMaxHeight));
    Require(m.frameCount >= 1 && m.frameCount <= kMaxFrames,
            "frame count " + std::to_string(m.frameCount) + " is not from 1 to " +
                std::to_string(kMaxFrames));
    Require(std::isfinite(m.fps) && m.fps >= kMinFps && m.fps <= kMaxFps,
            "frame rate " + std::to_string(m.fps) + " is not from 1 to 100 frames a second");
    Require(static_cast<bool>(m.frame), "no frames given");
    if (!m.sound) {
        return;
    }
    const Sound& s = *m.sound;
    Require(s.rate >= 1000 && s.rate <= 48000,
            "sound rate " + std::to_string(s.rate) + " is not from 1000 to 48000");
    Require(s.bits == 8 || s.bits == 16,
            "sound bits " + std::to_string(s.bits) + " is not 8 or 16");
    Require(s.channels == 1 || s.channels == 2,
            "sound channels " + std::to_string(s.channels) + " is not 1 or 2");
    Require(s.bytes.size() <= kMaxSoundBytes,
            "sound of " + std::to_string(s.bytes.size()) + " bytes is longer than 64 MiB");
    Require(s.bytes.size() % (s.bits / 8 * s.channels) == 0,
            "sound of " + std::to_string(s.bytes.size()) + " bytes ends inside a sample");
}

Frame FrameAt(const Movie& m, int index) {
    Frame f = m.frame(index);
    const std::size_t expected = static_cast<std::size_t>(m.width) * m.height;
    Require(f.pixels.size() == expected, "frame " + std::to_string(index) + " has " +
                                             std::to_string(f.pixels.size()) + " pixels, not " +
                                             std::to_string(expected));
    return f;
}

// The sound bytes of each frame: frame i starts at the sample its start time falls on.
std::vector<std::pair<std::size_t, std::size_t>> SoundSpans(const Movie& m) {
    std::vector<std::pair<std::size_t, std::size_t>> spans(m.frameCount);
    if (!m.sound) {
        return spans;
    }
    const std::int32_t field = FrameRateField(m.fps);
    const std::uint64_t period = field > 0 ? field * 100ULL : static_cast<std::uint64_t>(-field);
    const std::size_t align = m.sound->bits / 8 * m.sound->channels;
    const std::size_t total = m.sound->bytes.size() / align;
    auto start = [&](int i) {
        return std::min<std::size_t>(total, i * period * m.sound->rate / 100000);
    };
    for (int i = 0; i < m.frameCount; ++i) {
        const std::size_t end = i + 1 == m.frameCount ? total : start(i + 1);
        spans[i] = {start(i) * align, end * align};
        // FFmpeg drops a frame whose 8-bit sound chunk is shorter than 4 bytes, so a
        // shorter end of the sound goes with the frame before.
        if (i > 0 && spans[i].second - spans[i].first < 4) {
            spans[i - 1].second = spans[i].second;
            spans[i].first = spans[i].second;
        }
    }
    return spans;
}

}  // namespace

std::int32_t FrameRateField(double fps) {
    const double ms = 1000 / fps;
    if (std::abs(ms - std::round(ms)) < 1e-9) {
        return static_cast<std::int32_t>(std::round(ms));
    }
    return -static_cast<std::int32_t>(std::lround(100000 / fps));
}

void WriteMovie(const Movie& movie, std::ostream& out) {
    Validate(movie);

    // First pass: count the block values of every frame, for the trees.
    std::vector<std::uint64_t> typeCounts(0x10000), fullCounts(0x10000);
    for (int i = 0; i < movie.frameCount; ++i) {
        const BlockStreams s = SplitFrame(FrameAt(movie, i).pixels, movie.width, movie.height);
        for (std::uint16_t v : s.types) {
            ++typeCounts[v];
        }
        for (std::uint16_t v : s.fulls) {
            ++fullCounts[v];
        }
    }
    const BlockTree unused(std::vector<std::uint64_t>(0x10000));
    const BlockTree types(typeCounts);
    const BlockTree fulls(fullCounts);
    BitWriter trees;
    unused.PutHeader(trees);  // MMAP and MCLR: no two-colour blocks are written
    unused.PutHeader(trees);
    fulls.PutHeader(trees);
    types.PutHeader(trees);

    const auto spans = SoundSpans(movie);
    std::vector<std::uint8_t> header;
    for (char c : {'S', 'M', 'K', '2'}) {
        header.push_back(static_cast<std::uint8_t>(c));
    }
    Put32(header, movie.width);
    Put32(header, movie.height);
    Put32(header, movie.frameCount);
    Put32(header, static_cast<std::uint32_t>(FrameRateField(movie.fps)));
    Put32(header, 0);  // no ring frame, no interlacing or doubling
    std::size_t largestSound = 0;
    for (const auto& [begin, end] : spans) {
        largestSound = std::max(largestSound, end - begin);
    }
    for (int track = 0; track < 7; ++track) {
        Put32(header, track == 0 ? static_cast<std::uint32_t>(largestSound) : 0);
    }
    Put32(header, static_cast<std::uint32_t>(trees.Bytes().size()));
    Put32(header, unused.TableBytes());
    Put32(header, unused.TableBytes());
    Put32(header, fulls.TableBytes());
    Put32(header, types.TableBytes());
    for (int track = 0; track < 7; ++track) {
        std::uint32_t rate = 0;
        if (track == 0 && movie.sound) {
            rate = movie.sound->rate | kSoundPresent | (movie.sound->bits == 16 ? kSound16Bit : 0) |
                   (movie.sound->channels == 2 ? kSoundStereo : 0);
        }
        Put32(header, rate);
    }
    Put32(header, 0);
    for (int i = 0; i < movie.frameCount; ++i) {
        Put32(header, 0);  // the frame sizes, filled in at the end
    }
    for (const auto& [begin, end] : spans) {
        header.push_back(kHasPalette | (end > begin ? kHasSound : 0));
    }
    header.insert(header.end(), trees.Bytes().begin(), trees.Bytes().end());
    out.write(reinterpret_cast<const char*>(header.data()),
              static_cast<std::streamsize>(header.size()));

    // Second pass: each frame's palette, sound and video chunks.
    std::vector<std::uint8_t> sizes;
    for (int i = 0; i < movie.frameCount; ++i) {
        const Frame frame = FrameAt(movie, i);
        std::vector<std::uint8_t> data = PaletteChunk(frame.palette);
        const auto [begin, end] = spans[i];
        if (end > begin) {
            Put32(data, static_cast<std::uint32_t>(4 + end - begin));
            data.insert(data.end(), movie.sound->bytes.begin() + begin,
                        movie.sound->bytes.begin() + end);
        }
        std::vector<std::uint8_t> video =
            CodeFrame(SplitFrame(frame.pixels, movie.width, movie.height), types, fulls);
        if (video.empty()) {
            video.push_back(0);  // a decoder wants at least one byte of video data
        }
        data.insert(data.end(), video.begin(), video.end());
        // Frame sizes are whole 32-bit words: their low bits are flags.
        data.resize((data.size() + 3) / 4 * 4, 0);
        Put32(sizes, static_cast<std::uint32_t>(data.size()) | kKeyFrame);
        out.write(reinterpret_cast<const char*>(data.data()),
                  static_cast<std::streamsize>(data.size()));
    }
    const std::streampos end = out.tellp();
    out.seekp(static_cast<std::streamoff>(kHeaderBytes));
    out.write(reinterpret_cast<const char*>(sizes.data()),
              static_cast<std::streamsize>(sizes.size()));
    out.seekp(end);
    if (!out) {
        throw std::runtime_error("the movie could not be written");
    }
}

std::vector<std::uint8_t> EncodeMovie(const Movie& movie) {
    std::stringstream out(std::ios::in | std::ios::out | std::ios::binary);
    WriteMovie(movie, out);
    const std::string bytes = out.str();
    return {bytes.begin(), bytes.end()};
}

}  // namespace stagehand::smkenc
