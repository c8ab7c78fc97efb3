// Test sounds: wave files made from a one-line description each, and a summary of a wave
// file that a test can compare as text.
//
//   tones list:  NAME.wav RATE CHANNELS BITS MS:LEVEL[:HZ] [MS:LEVEL[:HZ] ...]
//
// Each MS:LEVEL piece is MS milliseconds of a square wave of 20 frames a period swinging
// LEVEL above and below silence (16-bit terms; 8-bit files take LEVEL / 256). LEVEL 0 is
// silence. With :HZ the wave has that pitch instead (20 to RATE / 2), which is how the demo
// writes its tunes. `#` starts a comment line.
//
// The summary cuts a 16-bit stereo file into windows of 10 ms and prints each run of windows
// with the same peak (the largest magnitude of any sample) as "FROM-TO PEAK", in ms.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace stagehand::testkit {

// Writes every wave file of the list into `outDir`; the count, or nothing with the line and
// what is wrong in `error`.
std::optional<size_t> MakeTones(std::string_view list, const std::filesystem::path& outDir,
                                std::string* error);

// The runs of a 16-bit stereo wave file, or nothing with why in `error`.
std::optional<std::string> SummariseSound(const std::filesystem::path& file, std::string* error);

}  // namespace stagehand::testkit
