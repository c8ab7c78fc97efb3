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
    return {};
}

uint64_t MoviePlayback::FrameBytes() const {
    const auto pixels = static_cast<uint64_t>(movie_.FrameSize().width) * movie_.FrameSize().height;
    // The buffer (4 bytes a pixel), the colour indices shown and the decoder's picture
    // (1 each), and the pictures kept for going to frames.
    const int64_t spacing = movie_.SnapshotSpacing();
    const uint64_t kept =
        spacing == 0
            ? 0
            : std::min<uint64_t>(static_cast<uint64_t>(movie_.FrameCount() / spacing) * pixels,
                                 Movie::kMaxSnapshotBytes);
    return pixels * 6 + kept;
}

void MoviePlayback::Close() {
    RouteSound(nullptr);
    movie_.Close();
    if (budget_ != nullptr) {
        budget_->Give(taken_);
    }
    taken_ = 0;
    seeking_ = false;
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
    if (taken_ == 0 && budget_ != nullptr) {
        if (!budget_->Take(FrameBytes())) {
            return base::Failure("its frames would take the movies' frame memory past " +
                                 std::to_string(budget_->MaxBytes() >> 20) + " MiB");
        }
        taken_ = FrameBytes();
    }
    seeking_ = false;
    if (movie_.NextFrame() != current_) {
        const auto pixels =
            std::max<int64_t>(int64_t{movie_.FrameSize().width} * movie_.FrameSize().height, 1);
        const base::Result<bool> sought =
            movie_.SeekToward(current_, std::max<int64_t>(stepPixels_ / pixels, 1));
        if (!sought) {
            return sought.failure();
        }
        if (!*sought) {
            seeking_ = true;  // the next Decode goes on
            return {};
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
