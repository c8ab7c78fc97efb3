#include "host/video/MoviePlayback.h"

#include <algorithm>

namespace stagehand::host {

base::Result<void> MoviePlayback::Open(const std::filesystem::path& path, FileOpener open) {
    Close();
    if (base::Result<void> opened = movie_.Open(path, std::move(open)); !opened) {
        return opened;
    }
    if (movie_.FrameCount() <= 0) {
        movie_.Close();
        return base::Failure("the movie holds no frames");
    }
    buffer_ = Surface(movie_.FrameSize().width, movie_.FrameSize().height);
    return {};
}

void MoviePlayback::Close() {
    RouteSound(nullptr);
    movie_.Close();
    buffer_ = Surface();
    changed_.clear();
    paced_ = false;
    hasFrame_ = false;
    current_ = 0;
}

int64_t MoviePlayback::DueAt() const {
    return paced_ ? pacing_.DueAt(current_) : INT64_MIN;
}

base::Result<void> MoviePlayback::Decode(int64_t nowMs) {
    if (!movie_.IsOpen()) {
        return base::Failure("no movie is open");
    }
    if (movie_.NextFrame() != current_) {
        if (base::Result<void> sought = movie_.SeekToFrame(current_); !sought) {
            return sought;
        }
    }
    // The buffer holds the frame shown before: only what changed since is made again.
    if (!movie_.DecodeNext(buffer_, &changed_)) {
        return base::Failure(movie_.Error().empty() ? "the movie ended early" : movie_.Error());
    }
    if (mixer_ != nullptr) {
        movie_.PumpSound(*mixer_);
    }
    if (!hasFrame_) {
        changed_ = {buffer_.Bounds()};
    }
    hasFrame_ = true;
    if (!paced_) {
        pacing_.Start(static_cast<double>(nowMs), current_, movie_.FrameRate());
        paced_ = true;
    } else {
        pacing_.Shown(current_, nowMs);
    }
    return {};
}

void MoviePlayback::Advance() {
    if (current_ + 1 < FrameCount()) {
        ++current_;
    } else {
        Restart(current_ + 1, 0);  // the first frame follows the last on the beat
    }
}

void MoviePlayback::GoTo(int64_t frame) {
    frame = std::clamp<int64_t>(frame, 0, std::max<int64_t>(FrameCount() - 1, 0));
    if (frame != current_) {
        Restart(current_, frame);  // due when the current frame would have been
    }
}

void MoviePlayback::Restart(int64_t beatOf, int64_t frame) {
    if (paced_) {
        pacing_.Start(pacing_.ExactDueAt(beatOf), frame, movie_.FrameRate());
    }
    current_ = frame;
}

void MoviePlayback::RouteSound(Mixer* mixer) {
    if (mixer_ != nullptr && mixer != mixer_) {
        movie_.CloseSound();
    }
    mixer_ = mixer;
    if (mixer_ != nullptr) {
        movie_.PumpSound(*mixer_);  // keeps the sound from here on, the next frame's included
    }
}

}  // namespace stagehand::host
