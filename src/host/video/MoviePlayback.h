// A movie stepped frame by frame into a frame buffer, as a movie window plays it from idle
// time: is the next frame due at time T and when; decode it into the buffer; which
// rectangles changed; advance (after the last frame comes the first); go to a frame; the
// palette; the sound routed to a mixer.
//
// Guarantees: the buffer is made (the movie's frame size) by the first Decode, never by
// Open, and its bytes are taken from the frame budget given (refused with a reason when
// the budget has no room); a frame number past the ends is taken to the nearest end; every
// failure of the movie leaves the buffer as it was and says why. One Decode decodes at most
// a step's worth of pixels (kStepPixels): going to a far frame takes several Decode calls
// (Seeking() says so). Frames are due 1/rate seconds apart from the first one decoded, and
// a jump (going to a frame, wrapping round) keeps that beat.
// Where it bites: Decode decodes the current frame, so calling it twice shows one frame
// twice; Advance moves on. While Seeking() the buffer holds the frame shown before. The mixer given
// to RouteSound must outlive the playback or be unrouted first.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/gfx/Surface.h"
#include "host/video/FrameBudget.h"
#include "host/video/FramePacing.h"
#include "host/video/Movie.h"

namespace stagehand::host {

class Mixer;

class MoviePlayback {
  public:
    base::Result<void> Open(const std::filesystem::path& path, FileOpener open = InputFile::Open);
    void Close();
    bool IsOpen() const { return movie_.IsOpen(); }

    // Pixels one Decode decodes at most (about a tenth of a second of work).
    static constexpr int64_t kStepPixels = 8 * 1024 * 1024;

    // The budget the buffer's bytes come from (nullptr: none), set before Open.
    void SetBudget(std::shared_ptr<FrameBudget> budget) { budget_ = std::move(budget); }
    // Pixels a Decode may decode; kStepPixels unless a test says otherwise.
    void SetStepPixels(int64_t pixels) { stepPixels_ = pixels; }
    // The bytes a movie of this frame size and length takes from the budget when it plays.
    uint64_t FrameBytes() const;

    Size FrameSize() const { return movie_.FrameSize(); }
    int64_t FrameCount() const { return movie_.FrameCount(); }
    double FrameRate() const { return movie_.FrameRate(); }
    // 0-based number of the frame Decode shows next (and of the frame in the buffer after it).
    int64_t CurrentFrame() const { return current_; }
    // Whether a frame has been decoded since opening.
    bool HasFrame() const { return hasFrame_; }

    // When the current frame is due (milliseconds, the caller's clock); due at once before
    // the first frame.
    int64_t DueAt() const;
    bool IsDue(int64_t nowMs) const { return nowMs >= DueAt(); }

    // Decodes the current frame into the buffer at time `nowMs`, or says what is damaged.
    base::Result<void> Decode(int64_t nowMs);
    // Whether the last Decode went only part of the way to the current frame: the next one
    // goes on (the buffer and Changed() are as before).
    bool Seeking() const { return seeking_; }
    const Movie& Decoder() const { return movie_; }
    // The parts of the buffer the last Decode changed (all of it for the first frame).
    const std::vector<Rect>& Changed() const { return changed_; }
    const Surface& Buffer() const { return buffer_; }
    // The colours of the frame in the buffer when the movie is paletted, else empty.
    const std::vector<Color>& Palette() const { return movie_.Palette(); }

    // Moves to the next frame, the first after the last.
    void Advance();
    // Makes `frame` the current frame; it is decoded by the next Decode.
    void GoTo(int64_t frame);

    // Sends the movie's sound to `mixer` as frames are decoded; nullptr stops it.
    void RouteSound(Mixer* mixer);

  private:
    // Makes `frame` current, due when frame `beatOf` of the present run would be.
    void Restart(int64_t beatOf, int64_t frame);

    Movie movie_;
    std::shared_ptr<FrameBudget> budget_;
    uint64_t taken_ = 0;  // the bytes taken from the budget
    int64_t stepPixels_ = kStepPixels;
    bool seeking_ = false;
    Surface buffer_;
    std::vector<Rect> changed_;
    FramePacing pacing_;
    bool paced_ = false;
    bool hasFrame_ = false;
    int64_t current_ = 0;
    Mixer* mixer_ = nullptr;
};

}  // namespace stagehand::host
