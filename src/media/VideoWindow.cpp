#include "media/VideoWindow.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "trace/Trace.h"

namespace stagehand {

namespace {

// Nearest-pixel stretch of `source` to `target`, only the part `visible` of it: the pixels
// of the result are those of `visible`.
host::Surface StretchPart(const host::Surface& source, const host::Rect& target,
                          const host::Rect& visible) {
    host::Surface out(visible.Width(), visible.Height());
    if (out.IsEmpty() || source.IsEmpty() || target.IsEmpty()) {
        return out;
    }
    std::vector<int32_t> columns(static_cast<size_t>(visible.Width()));
    for (int32_t x = 0; x < visible.Width(); ++x) {
        columns[x] = static_cast<int32_t>(int64_t{visible.left + x - target.left} * source.Width() /
                                          target.Width());
    }
    for (int32_t y = 0; y < visible.Height(); ++y) {
        const host::Color* from = source.Row(static_cast<int32_t>(
            int64_t{visible.top + y - target.top} * source.Height() / target.Height()));
        host::Color* to = out.Row(y);
        for (int32_t x = 0; x < visible.Width(); ++x) {
            to[x] = from[columns[x]];
        }
    }
    return out;
}

}  // namespace

bool VideoWindow::Open(const std::filesystem::path& path, const std::string& name, bool postOpened,
                       host::FileOpener open) {
    Close();
    name_ = name;
    if (const base::Result<void> opened = movie_.Open(path, std::move(open)); !opened) {
        trace::Fault("The video \"%s\" cannot open \"%s\": %s.",
                     {name, path.filename().string(), opened.error()});
        return false;
    }
    lengthMs_ = std::llround(static_cast<double>(movie_.FrameCount()) * 1000.0 /
                             std::max(movie_.FrameRate(), 1.0));
    if (postOpened && System() != nullptr) {
        System()->Post(owner_, kNotice, kOpened, 0);
    }
    return true;
}

void VideoWindow::Close() {
    Halt();
    movie_.Close();
    lengthMs_ = 0;
    startMs_ = 0;
    shown_ = -1;
    badFrame_ = -1;
    seekingTo_ = -1;
    if (HasWindow()) {
        System()->Invalidate(Handle());
    }
}

void VideoWindow::SetDestination(const host::Rect& rect) {
    destination_ = rect;
    if (shown_ >= 0 && HasWindow()) {
        System()->Invalidate(Handle());
    }
}

int64_t VideoWindow::PositionMs() const {
    if (!playing_ || System() == nullptr) {
        return startMs_;
    }
    return std::min<int64_t>(startMs_ + static_cast<uint32_t>(Now() - startedAt_), lengthMs_);
}

void VideoWindow::Halt() {
    if (HasWindow()) {
        System()->KillTimer(Handle(), kFrameTimer);
        System()->KillTimer(Handle(), kNoticeTimer);
    }
    playing_ = false;
    movie_.RouteSound(nullptr);  // what was queued is dropped: a halted movie is silent
}

void VideoWindow::Play() {
    if (!IsOpen() || playing_ || !HasWindow()) {
        return;
    }
    if (startMs_ >= lengthMs_) {
        startMs_ = 0;
    }
    startedAt_ = Now();
    playing_ = true;
    movie_.RouteSound(mixer_);
    // The frame shown while halted is decoded again, now with its sound: a seek while
    // stopped or a pause dropped the sound read with it.
    shown_ = -1;
    SetNoticePeriod(noticePeriod_);
    Tick();
}

void VideoWindow::Pause() {
    if (playing_) {
        startMs_ = PositionMs();
        Halt();
    }
}

void VideoWindow::Stop() {
    const bool wasPlaying = playing_;
    Pause();
    if (wasPlaying && stopsReport_) {
        System()->Send(owner_, kNotice, kEnded, 0);  // may close this window: nothing after it
    }
}

void VideoWindow::Seek(int64_t ms) {
    if (!IsOpen()) {
        return;
    }
    startMs_ = std::clamp<int64_t>(ms, 0, lengthMs_);
    if (HasWindow()) {
        startedAt_ = Now();
    }
    if (playing_) {
        Tick();
    } else if (shown_ >= 0) {
        ShowFrame(FrameAt(startMs_));
    }
}

void VideoWindow::SetNoticePeriod(uint32_t periodMs) {
    noticePeriod_ = periodMs;
    if (!HasWindow()) {
        return;
    }
    if (periodMs != 0 && playing_) {
        System()->SetTimer(Handle(), kNoticeTimer, periodMs);
    } else {
        System()->KillTimer(Handle(), kNoticeTimer);
    }
}

int64_t VideoWindow::FrameAt(int64_t ms) const {
    const int64_t frame =
        static_cast<int64_t>(static_cast<double>(ms) * movie_.FrameRate() / 1000.0);
    return std::clamp<int64_t>(frame, 0, movie_.FrameCount() - 1);
}

int64_t VideoWindow::FrameTimeMs(int64_t frame) const {
    return std::llround(static_cast<double>(frame) * 1000.0 / std::max(movie_.FrameRate(), 1.0));
}

void VideoWindow::Tick() {
    const int64_t position = PositionMs();
    const int64_t frame = FrameAt(position);
    if (frame != shown_ && !ShowFrame(frame)) {
        Halt();
        System()->Send(owner_, kNotice, kEnded, 0);  // may close this window: nothing after it
        return;
    }
    if (seekingTo_ >= 0) {
        return;  // the frame timer goes on with the seek
    }
    if (position >= lengthMs_) {
        startMs_ = lengthMs_;
        Halt();
        System()->Send(owner_, kNotice, kEnded, 0);  // may close this window: nothing after it
        return;
    }
    const int64_t next = frame + 1 < movie_.FrameCount() ? FrameTimeMs(frame + 1) : lengthMs_;
    const int64_t wait = std::max<int64_t>(next - position, 1);
    System()->SetTimer(Handle(), kFrameTimer, static_cast<uint32_t>(wait));
}

bool VideoWindow::ShowFrame(int64_t frame) {
    if (frame == badFrame_) {
        return false;  // told once already
    }
    if (frame != movie_.CurrentFrame()) {
        movie_.GoTo(frame);
    }
    if (const base::Result<void> decoded = movie_.Decode(Now()); !decoded) {
        badFrame_ = frame;
        trace::Fault("The video \"%s\" stops at frame %d: %s.",
                     {name_, static_cast<int32_t>(frame), decoded.error()});
        return false;
    }
    if (movie_.Seeking()) {
        // A far frame takes several steps: the frame timer comes back for the next one.
        seekingTo_ = frame;
        System()->SetTimer(Handle(), kFrameTimer, host::WindowSystem::kMinimumTimerPeriod);
        return true;
    }
    seekingTo_ = -1;
    movie_.Advance();
    shown_ = frame;
    const host::Rect target =
        destination_.IsEmpty() ? System()->ClientRect(Handle()) : destination_;
    System()->Invalidate(Handle(), target, false);
    return true;
}

intptr_t VideoWindow::OnMessage(const host::Message& message) {
    switch (message.id) {
        case host::msg::kTimer:
            if (message.wParam == kFrameTimer && playing_) {
                Tick();
            } else if (message.wParam == kFrameTimer && seekingTo_ >= 0) {
                System()->KillTimer(Handle(), kFrameTimer);
                ShowFrame(seekingTo_);  // a seek while halted goes on
            } else if (message.wParam == kNoticeTimer && playing_) {
                System()->Post(owner_, kNotice, kPosition, static_cast<intptr_t>(PositionMs()));
            }
            return 0;
        case host::msg::kPaint: {
            host::Canvas canvas = System()->BeginPaint(Handle());
            if (shown_ >= 0) {
                // Only the part of the picture that can be seen is stretched, however large
                // the destination.
                const host::Rect target =
                    destination_.IsEmpty() ? System()->ClientRect(Handle()) : destination_;
                const host::Rect visible = canvas.ClipInClient().Bounds().Intersection(target);
                const host::Surface part = StretchPart(movie_.Buffer(), target, visible);
                stretchedPixels_ = int64_t{part.Width()} * part.Height();
                canvas.Blit(part, part.Bounds(), {visible.left, visible.top});
            }
            return 0;
        }
        case host::msg::kEraseBackground:
            return 1;
        default:
            return DefaultMessage(message);
    }
}

}  // namespace stagehand
