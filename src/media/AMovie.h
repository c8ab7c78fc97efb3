// CAMovie: a media player in the role's own window, role type "Amovie". Opening is
// asynchronous: Open hands the file to the player, and when it has loaded (a posted movie
// event) Status becomes 1, AutoPlay starts it, and "OnOpenComplete" is raised. Key frames are
// whole seconds, checked at the player's timer (every 250 ms while it plays): "Notify" with
// "NotifyFrame" the key frame once the position reaches that second or the next, then the
// watch moves to the next key frame (back to KeyFrame1 after the last). At the natural end
// "Notify" is raised with "NotifyFrame" the duration in whole seconds; a Stop of a playing
// movie raises "OnStopComplete" instead (the player reports the stop while Stop runs).
//
// While it plays it holds the player's video-busy flag (Pause, Stop, Close and the end
// release it), which freezes Smacker movies.
// Where it bites: a file that cannot be loaded never reports open, so Status stays 0 and
// Play does nothing; disabling a playing movie stops it but Status stays 2.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "media/Animation.h"
#include "media/VideoWindow.h"

namespace stagehand {

class CAMovie : public CAnimation {
  public:
    static constexpr int kKeyFrames = 10;
    static constexpr uint32_t kTimerMs = 250;
    // The movie event: wParam the kind, lParam the value.
    static constexpr uint32_t kMovieEvent = VideoWindow::kNotice;
    enum EventKind : uintptr_t { kOpened = 0, kEnded = 3, kKeyFrame = 4 };

    static std::unique_ptr<CMessageHandler> Create();
    CAMovie() = default;
    ~CAMovie() override;
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
    void Resume() override;
    void Stop() override;
    void Seek(int32_t second) override;
    void OnMovieEvent(uintptr_t kind, intptr_t value);

    std::array<int32_t, kKeyFrames> keyFrames_{};
    int32_t keyFrameCount_ = 0;
    int32_t keyFrameIndex_ = 0;
    int32_t notifyPosition_ = 0;
    int32_t durationSeconds_ = 0;
    bool stopRequested_ = false;
    VideoWindow video_;
};

}  // namespace stagehand
