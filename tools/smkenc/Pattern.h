// The content of generated movies, so that a screenshot tells which frame is showing: each
// frame has a background colour of its own, its number in large digits and a bar along the
// bottom that reaches the right edge on the last frame. The sound is a sine tone.
#pragma once

#include <cstddef>

#include "smkenc/Smacker.h"

namespace stagehand::smkenc {

// Palette indexes of the pattern (the other entries hold a grey ramp).
constexpr int kBackgroundIndex = 0;
constexpr int kDigitIndex = 1;
constexpr int kBarIndex = 2;

// With `steadyPalette` every frame carries the same palette, as most movies of the time did,
// and the background, one of 64 colours kept from kSteadyBackgrounds onwards, changes only
// every kSteadyRun frames: in between only the digits and the bar's end change.
constexpr int kSteadyBackgrounds = 192;
constexpr int kSteadyRun = 30;
constexpr int kLightDigitIndex = 3;

Frame PatternFrame(int width, int height, int index, int frameCount, bool steadyPalette = false);

// `sampleFrames` samples a channel of a sine at `hz`, at half of full scale, the same in both
// channels of a stereo sound.
Sound ToneSound(int rate, int bits, int channels, double hz, std::size_t sampleFrames);

}  // namespace stagehand::smkenc
