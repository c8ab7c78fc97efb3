#include "smkenc/Blocks.h"

#include <array>
#include <cstddef>

namespace stagehand::smkenc {

namespace {

// Block kinds in the low two bits of a TYPE value.
constexpr std::uint16_t kFull = 1;
constexpr std::uint16_t kSolid = 3;

// The run lengths a TYPE value can give, by the 6-bit index in its bits 2 to 7.
constexpr int RunLength(int index) {
    return index < 59 ? index + 1 : 128 << (index - 59);
}

// Appends TYPE values for `count` blocks of one kind, longest runs first.
void PutRun(std::vector<std::uint16_t>& types, std::uint16_t kindAndColour, int count) {
    while (count > 0) {
        int index = 63;
        while (RunLength(index) > count) {
            --index;
        }
        types.push_back(static_cast<std::uint16_t>(kindAndColour | (index << 2)));
        count -= RunLength(index);
    }
}

}  // namespace

BlockStreams SplitFrame(const std::vector<std::uint8_t>& pixels, int width, int height) {
    BlockStreams streams;
    std::uint16_t runKind = 0;  // kind and colour of the run being gathered
    int runCount = 0;
    for (int by = 0; by < height; by += 4) {
        for (int bx = 0; bx < width; bx += 4) {
            std::array<std::uint8_t, 16> block;
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < 4; ++x) {
                    block[y * 4 + x] = pixels[static_cast<std::size_t>(by + y) * width + bx + x];
                }
            }
            bool solid = true;
            for (std::uint8_t p : block) {
                solid = solid && p == block[0];
            }
            const std::uint16_t kind =
                solid ? static_cast<std::uint16_t>(kSolid | block[0] << 8) : kFull;
            if (!solid) {
                // Each row as two values: pixels 2 and 3 first, then pixels 0 and 1, the
                // left pixel of each pair in the low byte.
                for (int y = 0; y < 4; ++y) {
                    const std::uint8_t* row = &block[y * 4];
                    streams.fulls.push_back(static_cast<std::uint16_t>(row[2] | row[3] << 8));
                    streams.fulls.push_back(static_cast<std::uint16_t>(row[0] | row[1] << 8));
                }
            }
            if (runCount > 0 && kind != runKind) {
                PutRun(streams.types, runKind, runCount);
                runCount = 0;
            }
            runKind = kind;
            ++runCount;
        }
    }
    PutRun(streams.types, runKind, runCount);
    return streams;
}

std::vector<std::uint8_t> CodeFrame(const BlockStreams& streams, const BlockTree& types,
                                    const BlockTree& fulls) {
    BitWriter out;
    std::size_t full = 0;
    for (std::uint16_t type : streams.types) {
        types.Put(out, type);
        if ((type & 3) == kFull) {
            const int blocks = RunLength((type >> 2) & 0x3F);
            for (int i = 0; i < blocks * 8; ++i) {
                fulls.Put(out, streams.fulls[full++]);
            }
        }
    }
    return out.Bytes();
}

std::vector<std::uint8_t> PaletteChunk(const Palette& palette) {
    std::vector<std::uint8_t> chunk{0};
    for (const Rgb& c : palette) {
        // A first byte below 0x40 means "a new colour"; 6-bit components always are.
        chunk.push_back(c.r >> 2);
        chunk.push_back(c.g >> 2);
        chunk.push_back(c.b >> 2);
    }
    chunk.resize((chunk.size() + 3) / 4 * 4, 0);
    chunk[0] = static_cast<std::uint8_t>(chunk.size() / 4);
    return chunk;
}

}  // namespace stagehand::smkenc
