// A window that plays one movie file on its own clock: frames are shown when their time has
// come (a window timer wakes it for the next one), the sound goes to a mixer as frames are
// decoded, and the picture is stretched to a destination rectangle of the window. It tells an
// owner window what happens through one message (kNotice, wParam the kind, lParam a value):
// kOpened (posted when asked for), kPosition (posted every notice period while playing, value
// the position in milliseconds) and kEnded (sent when playing stops by itself: at the end, or
// at a frame that cannot be decoded; and, when asked for, when Stop stops a playing movie).
//
// Guarantees: a file that cannot be opened, or a frame that cannot be decoded, is a line in
// the trace, never a crash; the movie stops there. The picture is stretched when painted,
// and only the part of the destination the paint can reach (the window clipped to the
// screen), so a huge destination costs no more than the screen. A stopped or paused movie costs
// nothing (no timer) and is silent (its queued sound is dropped). Where it bites: at its end the
// movie stays on its last frame, not playing; Play then starts again from the beginning.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "host/audio/Mixer.h"
#include "host/ui/Window.h"
#include "host/ui/WindowSystem.h"
#include "host/video/MoviePlayback.h"

namespace stagehand {

class VideoWindow : public host::Window {
  public:
    static constexpr uint32_t kNotice = host::msg::kUser + 0x200;
    enum Kind : uintptr_t { kOpened = 0, kPosition = 1, kEnded = 3 };
    static constexpr uintptr_t kFrameTimer = 1;
    static constexpr uintptr_t kNoticeTimer = 2;

    // Where the notices go; `stopsReport` also sends kEnded for a Stop of a playing movie.
    void SetOwner(host::WindowHandle owner, bool stopsReport) {
        owner_ = owner;
        stopsReport_ = stopsReport;
    }
    // Opens `path` (named `name` in the trace lines); posts kOpened when `postOpened`.
    bool Open(const std::filesystem::path& path, const std::string& name, bool postOpened,
              host::FileOpener open = host::InputFile::Open);
    void Close();
    bool IsOpen() const { return movie_.IsOpen(); }
    // The frame memory the video takes its frames from, shared with the play's movies.
    void SetFrameBudget(std::shared_ptr<host::FrameBudget> budget) {
        movie_.SetBudget(std::move(budget));
    }
    bool IsPlaying() const { return playing_; }
    // The picture's place in the window (an empty rectangle: the whole window).
    void SetDestination(const host::Rect& rect);
    // The mixer the sound plays on while the movie plays (nullptr: silent).
    void RouteSound(host::Mixer* mixer) { mixer_ = mixer; }
    int64_t LengthMs() const { return lengthMs_; }
    int64_t PositionMs() const;
    void Play();
    void Pause();
    void Stop();
    void Seek(int64_t ms);
    // Position notices every `periodMs` while playing; 0: none.
    void SetNoticePeriod(uint32_t periodMs);
    // The pixels the last paint stretched the picture to.
    int64_t StretchedPixels() const { return stretchedPixels_; }

  protected:
    intptr_t OnMessage(const host::Message& message) override;

  private:
    uint32_t Now() const { return System()->Now(); }
    void Halt();
    // Shows the frame whose time has come and sets the timer for the next one.
    void Tick();
    int64_t FrameAt(int64_t ms) const;
    bool ShowFrame(int64_t frame);
    void Schedule();
    int64_t FrameTimeMs(int64_t frame) const;

    host::MoviePlayback movie_;
    std::string name_;
    host::WindowHandle owner_;
    bool stopsReport_ = false;
    bool playing_ = false;
    host::Rect destination_;
    int64_t lengthMs_ = 0;
    int64_t startMs_ = 0;     // position when playing started or the movie stood
    uint32_t startedAt_ = 0;  // the clock when playing started
    int64_t shown_ = -1;      // frame in the buffer, -1: none
    int64_t badFrame_ = -1;   // the frame that could not be decoded, -1: none
    uint32_t noticePeriod_ = 0;
    int64_t seekingTo_ = -1;  // the frame a seek cut short goes on to, -1: none
    int64_t stretchedPixels_ = 0;
    host::Mixer* mixer_ = nullptr;
};

}  // namespace stagehand
