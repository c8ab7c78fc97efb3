// CAnimation: the base of the video roles. It has the video window's place and size, the
// movie's file name, frame figures, loops, the AutoPlay switch and the playback Status
// (0 closed, 1 open and stopped, 2 playing, 3 paused), and the video commands "Open",
// "Close", "Play", "Pause", "Resume", "Stop" and "Seek". Each command calls the operation of
// its name, which does nothing and succeeds here; each video role class overrides the ones
// its player has.
//
// Where it bites: "CurrentFrame", "Transparent", "TransparentColor", "Cursor" and "Modal" are
// only stored; no player reads them.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "kernel/Actor.h"

namespace stagehand {

namespace host {
class Mixer;
}

class CAnimation : public CActor {
  public:
    enum Status : int32_t { kClosed = 0, kStopped = 1, kPlaying = 2, kPaused = 3 };

  protected:
    void RegisterProperties() override;
    void RegisterCommands() override;
    // The video commands; "Open" reports its result, the others always succeed.
    virtual bool Open(const std::string& /*name*/) { return true; }
    virtual void Close() {}
    virtual void Play() {}
    virtual void Pause() {}
    virtual void Resume() {}
    virtual void Stop() {}
    virtual void Seek(int32_t /*position*/) {}
    // "KeyFrame1", "KeyFrame2" and so on, one for each of `keyFrames`.
    template <size_t N>
    void AddKeyFrameProperties(std::array<int32_t, N>& keyFrames) {
        for (size_t i = 0; i < N; ++i) {
            AddProperty("KeyFrame" + std::to_string(i + 1), CVariant::kInteger, &keyFrames[i]);
        }
    }

    // Makes the role's video window at its place and size, with `params`' title and style
    // (a clipping child is added): in the main frame for the director's videos, in the scene
    // for a scene's. False when there is no window system or no such owner.
    bool CreateVideoWindow(CPlayer& player, CMessageHandler* parent, host::WindowParams params);
    // The title's file `name` for this video; nothing, with a line in the trace, when the
    // title has no such file.
    std::optional<std::filesystem::path> ResolveVideoFile(const std::string& name) const;
    // The mixer a video's sound plays through, with the sound device opened for it when it
    // was not; nullptr when sound stays silent.
    host::Mixer* VideoSoundMixer() const;
    // Whether this video plays, for the video-busy state (see CVideoBusy).
    void HoldVideoBusy(bool playing) const;
    // The key frames in use: those before the first that is 0.
    template <size_t N>
    static int32_t CountKeyFrames(const std::array<int32_t, N>& keyFrames) {
        return static_cast<int32_t>(std::find(keyFrames.begin(), keyFrames.end(), 0) -
                                    keyFrames.begin());
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
