// CSmacker: a Smacker movie in a window of its own, role type "Smacker". Idle time steps
// every open movie by one frame when its next frame is due (by the movie's frame rate):
// the frame is decoded and only the rectangles that changed are copied to the window; the
// movie raises "Notify" at its key frames and at the end of its last pass, and loops
// NumberOfLoops times (-1: for ever). Paint shows the whole frame.
//
// The movie shelf (CMovieShelf) holds every Smacker role that has opened a movie, by name;
// the director's "StartAudio" and "EndAudio" route the movies' sound to the mixer and back.
// Guarantees: a file that is not a movie, or is damaged, is a line in the trace, never a
// crash; a movie's frame memory is taken when it first shows a frame, from the shelf's
// frame budget (a movie refused it stops with a line in the trace); a step does a bounded
// amount of decoding, so going to a far frame may take several steps; a movie that turns out
// damaged while playing stops (Status 1) with a line in the trace. A disabled role refuses every
// command but Close (Open fails, the others succeed doing nothing) and does not advance. Where it
// bites: the frame is drawn at its own size from the window's top left corner, whatever Width and
// Height say; a stopped movie does not rewind, and Paint shows nothing while the movie stands on
// its first frame (as after wrapping round).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "host/ui/WindowSystem.h"
#include "host/video/MoviePlayback.h"
#include "media/Animation.h"

namespace stagehand {

class CSmacker : public CAnimation {
  public:
    static constexpr int kKeyFrames = 10;

    static std::unique_ptr<CMessageHandler> Create();
    CSmacker() = default;
    ~CSmacker() override;
    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;

    // One step of the per-frame work at `now` (the movie shelf's idle step).
    void Step(uint32_t now);
    // When the movie wants its next step: nothing unless it plays.
    std::optional<uint32_t> NextStepAt(uint32_t now) const;
    // The movie's sound to the mixer when the shelf routes audio and sound plays, else nowhere.
    void RouteSound();

  protected:
    void RegisterProperties() override;
    void RegisterCommands() override;
    intptr_t OnMessage(const host::Message& message) override;

  private:
    bool Open(const std::string& name) override;
    void Close() override;
    void Play() override;
    void Pause() override;
    void Resume() override;
    void Stop() override;
    void Seek(int32_t frame) override;
    void SeekOffset(int32_t offset);
    void Draw();
    void LeaveTable();
    bool HasMovie() const { return status_ != kClosed && movie_.IsOpen(); }

    int32_t dropFrames_ = 1;
    std::array<int32_t, kKeyFrames> keyFrames_{};
    int32_t keyFrameCount_ = 0;
    int32_t keyFrameIndex_ = 0;
    int32_t loopsLeft_ = 0;
    host::MoviePlayback movie_;
};

}  // namespace stagehand
