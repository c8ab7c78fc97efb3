// The Smacker container: the header with its frame tables and trees, then each frame's
// palette, sound and video chunks.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

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
    std::ostringstream fps;
    fps << m.fps;
    Require(std::isfinite(m.fps) && m.fps >= kMinFps && m.fps <= kMaxFps,
            "frame rate " + fps.str() + " is not from 1 to 100 frames a second");
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

// The sound bytes of each frame, from and to: frame i starts at the sample its start time
// falls on.
using Spans = std::vector<std::pair<std::size_t, std::size_t>>;
Spans SoundSpans(const Movie& m) {
    Spans spans(m.frameCount);
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

// The trees of the four block streams, built from every frame's block values.
struct Trees {
    BlockTree unused;  // MMAP and MCLR: no two-colour blocks are written
    BlockTree fulls;
    BlockTree types;
    BitWriter bits;  // the trees as the header holds them
};

Trees BuildTrees(const Movie& movie) {
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
    Trees trees{BlockTree(std::vector<std::uint64_t>(0x10000)),
                BlockTree(fullCounts),
                BlockTree(typeCounts),
                {}};
    trees.unused.PutHeader(trees.bits);
    trees.unused.PutHeader(trees.bits);
    trees.fulls.PutHeader(trees.bits);
    trees.types.PutHeader(trees.bits);
    return trees;
}

// The header, its frame sizes left 0, up to the frames.
std::vector<std::uint8_t> Header(const Movie& movie, const Trees& trees, const Spans& spans) {
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
    Put32(header, static_cast<std::uint32_t>(trees.bits.Bytes().size()));
    for (const BlockTree* tree : {&trees.unused, &trees.unused, &trees.fulls, &trees.types}) {
        Put32(header, tree->TableBytes());
    }
    for (int track = 0; track < 7; ++track) {
        std::uint32_t rate = 0;
        if (track == 0 && movie.sound) {
            rate = movie.sound->rate | kSoundPresent | (movie.sound->bits == 16 ? kSound16Bit : 0) |
                   (movie.sound->channels == 2 ? kSoundStereo : 0);
        }
        Put32(header, rate);
    }
    Put32(header, 0);
    header.resize(header.size() + 4 * spans.size(), 0);  // the frame sizes
    for (const auto& [begin, end] : spans) {
        header.push_back(kHasPalette | (end > begin ? kHasSound : 0));
    }
    header.insert(header.end(), trees.bits.Bytes().begin(), trees.bits.Bytes().end());
    return header;
}

// One frame's palette, sound and video chunks.
std::vector<std::uint8_t> FrameData(const Movie& movie, int index, const Trees& trees,
                                    std::pair<std::size_t, std::size_t> sound) {
    const Frame frame = FrameAt(movie, index);
    std::vector<std::uint8_t> data = PaletteChunk(frame.palette);
    const auto [begin, end] = sound;
    if (end > begin) {
        Put32(data, static_cast<std::uint32_t>(4 + end - begin));
        data.insert(data.end(), movie.sound->bytes.begin() + begin,
                    movie.sound->bytes.begin() + end);
    }
    std::vector<std::uint8_t> video =
        CodeFrame(SplitFrame(frame.pixels, movie.width, movie.height), trees.types, trees.fulls);
    if (video.empty()) {
        video.push_back(0);  // a decoder wants at least one byte of video data
    }
    data.insert(data.end(), video.begin(), video.end());
    // Frame sizes are whole 32-bit words: their low bits are flags.
    data.resize((data.size() + 3) / 4 * 4, 0);
    return data;
}

void Write(std::ostream& out, const std::vector<std::uint8_t>& bytes) {
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
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
    const Trees trees = BuildTrees(movie);  // the first pass over the frames
    const Spans spans = SoundSpans(movie);
    const std::streampos start = out.tellp();
    Write(out, Header(movie, trees, spans));
    std::vector<std::uint8_t> sizes;
    for (int i = 0; i < movie.frameCount; ++i) {
        const std::vector<std::uint8_t> data = FrameData(movie, i, trees, spans[i]);
        Put32(sizes, static_cast<std::uint32_t>(data.size()) | kKeyFrame);
        Write(out, data);
    }
    const std::streampos end = out.tellp();
    out.seekp(start + static_cast<std::streamoff>(kHeaderBytes));
    Write(out, sizes);
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
