// CSound: the base of sound roles. It has the properties "Filename" and "AutoPlay", the sound
// commands as placeholders that do nothing and succeed (a role class replaces them), and the
// open wave file with its format.
#pragma once

#include <cstdint>
#include <string>

#include "kernel/Actor.h"
#include "media/WaveFile.h"

namespace stagehand {

class CSound : public CActor {
  protected:
    void RegisterProperties() override;
    void RegisterCommands() override;

    std::string filename_;
    int32_t autoPlay_ = 0;
    // 1 between a Play and the next Pause, Stop or Close.
    int32_t playing_ = 0;
    // 1 when disabling the role paused its sound.
    int32_t pausedByDisable_ = 0;
    CWaveFile wave_;
};

}  // namespace stagehand
