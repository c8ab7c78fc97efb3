// Codes one frame's pixels as Smacker video data: 4x4 blocks in rows from the top left, each
// solid (one colour) or full (16 pixels), with runs of like blocks merged.
//
// A frame's blocks become two streams of 16-bit values: the TYPE stream (block kind, run
// length and, for solid blocks, the colour) and the FULL stream (two pixels a value). The
// container counts the values of every frame, builds the trees, then codes each frame.
#pragma once

#include <cstdint>
#include <vector>

#include "smkenc/Huffman.h"
#include "smkenc/Smacker.h"

namespace stagehand::smkenc {

struct BlockStreams {
    std::vector<std::uint16_t> types;
    std::vector<std::uint16_t> fulls;
};

// `pixels` holds width * height indexes; width and height are multiples of 4.
BlockStreams SplitFrame(const std::vector<std::uint8_t>& pixels, int width, int height);

// The frame's video data: its streams coded with the movie's trees, padded to whole bytes.
std::vector<std::uint8_t> CodeFrame(const BlockStreams& streams, const BlockTree& types,
                                    const BlockTree& fulls);

// The palette chunk: a length byte (in 4-byte units) and 256 new 6-bit colours.
std::vector<std::uint8_t> PaletteChunk(const Palette& palette);

}  // namespace stagehand::smkenc
