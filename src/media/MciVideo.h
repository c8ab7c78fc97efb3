// CMCIVideo: a video file played in a video window inside the role's own visible window,
// role type "MCIVideo". Key frames are whole seconds of playback: while the video plays and
// has key frames, its position is checked about once a second and "Notify" is raised for
// every key frame equal to that second ("NotifyFrame" holds it). "OnOpenComplete" follows
// every Open with a name, whether or not the file could be read.
//
// While it plays it holds the player's video-busy flag, which freezes Smacker movies; the
// flag stays set when the video reaches its end by itself (Status stays 2) until Stop or
// Close. Stop rewinds; Seek goes to a second and plays; "Resume" does nothing.
// Where it bites: Open and Close leave Status as it was; a scene that is disabled pauses
// its playing video and plays it again when enabled, whatever the role's own latch says.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "media/Animation.h"
#include "media/VideoWindow.h"

namespace stagehand {

class CMCIVideo : public CAnimation {
  public:
    static constexpr int kKeyFrames = 5;
    static constexpr uint32_t kNoticeMs = 1000;

    static std::unique_ptr<CMessageHandler> Create();
    CMCIVideo() = default;
    ~CMCIVideo() override;
    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;
    void SetEnabled(bool enabled) override;

  protected:
    void RegisterProperties() override;
    intptr_t OnMessage(const host::Message& message) override;

  private:
    bool Open(const std::string& name) override;
    void Close() override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void Seek(int32_t second) override;
    void OnPosition(int64_t ms);

    std::array<int32_t, kKeyFrames> keyFrames_{};
    int32_t keyFrameCount_ = 0;
    int64_t length_ = 0;
    VideoWindow video_;
};

}  // namespace stagehand
