// CAnimation: the base of the video roles. It has the video window's place and size, the
// movie's file name, frame figures, loops, the AutoPlay switch and the playback Status
// (0 closed, 1 open and stopped, 2 playing, 3 paused), and the video commands as
// placeholders that do nothing and succeed; each video role class registers its own under
// the same names afterwards, which replaces them.
//
// Where it bites: "CurrentFrame", "Transparent", "TransparentColor", "Cursor" and "Modal" are
// only stored; no player reads them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "handlers/Actor.h"

namespace stagehand {

class CAnimation : public CActor {
  public:
    enum Status : int32_t { kClosed = 0, kStopped = 1, kPlaying = 2, kPaused = 3 };

  protected:
    void RegisterProperties() override;
    void RegisterCommands() override;
    // "KeyFrame1", "KeyFrame2" and so on, one for each of `keyFrames`.
    template <size_t N>
    void AddKeyFrameProperties(std::array<int32_t, N>& keyFrames) {
        for (size_t i = 0; i < N; ++i) {
            AddProperty("KeyFrame" + std::to_string(i + 1), CVariant::kInteger, &keyFrames[i]);
        }
    }

    int32_t left_ = 0;
    int32_t top_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::string filename_;
    int32_t currentFrame_ = 0;
    int32_t totalFrames_ = 0;
    int32_t notifyFrame_ = 0;
    int32_t numberOfLoops_ = 0;
    int32_t transparent_ = 0;
    int32_t transparentColor_ = 0;
    int32_t autoPlay_ = 0;
    int32_t cursor_ = 0;
    int32_t modal_ = 0;
    int32_t status_ = kClosed;
};

}  // namespace stagehand
