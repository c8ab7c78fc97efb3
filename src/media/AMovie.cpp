#include "media/AMovie.h"

#include <algorithm>

#include "host/files/TitlePaths.h"
#include "kernel/Player.h"
#include "media/MovieShelf.h"
#include "script/TextUtil.h"
#include "trace/Trace.h"

namespace stagehand {

std::unique_ptr<CMessageHandler> CAMovie::Create() {
    return std::make_unique<CAMovie>();
}

CAMovie::~CAMovie() {
    if (IsCreated()) {
        HoldVideoBusy(false);
    }
}

bool CAMovie::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    CAnimation::Initialize(player, name, parent);
    host::WindowParams params;
    params.title = name;
    if (CreateVideoWindow(player, parent, params)) {
        // The player's window overlaps the role's by 2 pixels on every side.
        params.title.clear();
        params.style = host::style::kChild | host::style::kVisible;
        params.parent = Handle();
        params.rect = host::Rect::FromSize(
            -2, -2, static_cast<int32_t>(std::min<int64_t>(int64_t{width_} + 4, INT32_MAX)),
            static_cast<int32_t>(std::min<int64_t>(int64_t{height_} + 4, INT32_MAX)));
        video_.CreateWindow(*player.Windows(), params);
        video_.SetOwner(Handle(), true);
        video_.SetNoticePeriod(kTimerMs);
    }
    keyFrameCount_ = CountKeyFrames(keyFrames_);
    return filename_.empty() || Open(filename_);
}

void CAMovie::RegisterProperties() {
    CAnimation::RegisterProperties();
    AddKeyFrameProperties(keyFrames_);
}

bool CAMovie::Open(const std::string& name) {
    if (!IsEnabled()) {
        return false;
    }
    if (status_ != kClosed) {
        Close();
    }
    if (!video_.HasWindow()) {
        return true;
    }
    // A file that does not load never reports open: the role stays closed.
    const std::optional<std::filesystem::path> path = ResolveVideoFile(name);
    if (!path) {
        return true;
    }
    video_.SetFrameBudget(Player().Service<CMovieShelf>().Frames());
    if (video_.Open(*path, GetName(), true, Player().Paths().Opener())) {
        video_.RouteSound(VideoSoundMixer());
        video_.SetDestination(System()->ClientRect(video_.Handle()));
        durationSeconds_ = static_cast<int32_t>(video_.LengthMs() / 1000);
    }
    return true;
}

void CAMovie::Close() {
    if (status_ == kClosed) {
        return;
    }
    if (status_ == kPlaying) {
        HoldVideoBusy(false);
    }
    if (HasWindow()) {
        System()->Show(Handle(), false);
    }
    status_ = kClosed;
    video_.Close();
}

void CAMovie::Play() {
    if (!IsEnabled() || (status_ != kStopped && status_ != kPaused)) {
        return;
    }
    if (status_ == kStopped) {
        if (HasWindow()) {
            System()->Show(Handle(), true);
            System()->Invalidate(Handle());
            System()->UpdateNow(Handle());
        }
        notifyPosition_ = keyFrames_[keyFrameIndex_];
    }
    stopRequested_ = false;
    HoldVideoBusy(true);
    video_.Play();
    status_ = kPlaying;
}

void CAMovie::Pause() {
    if (IsEnabled() && status_ == kPlaying) {
        HoldVideoBusy(false);
        stopRequested_ = false;
        video_.Pause();
        status_ = kPaused;
    }
}

void CAMovie::Resume() {
    if (IsEnabled() && status_ == kPaused) {
        HoldVideoBusy(true);
        stopRequested_ = false;
        video_.Play();
        status_ = kPlaying;
    }
}

void CAMovie::Stop() {
    if (IsEnabled() && status_ != kClosed) {
        HoldVideoBusy(false);
        stopRequested_ = true;
        const std::string name = GetName();
        CStageManager& stage = Player().Stage();
        video_.Stop();  // a playing movie reports the stop here, while Status is still 2
        if (stage.Find(name) == this) {
            status_ = kStopped;
        }
    }
}

void CAMovie::Seek(int32_t second) {
    if (!IsEnabled() || status_ == kClosed) {
        return;
    }
    for (int32_t i = 0; i < keyFrameCount_; ++i) {
        if (keyFrames_[i] >= second) {
            keyFrameIndex_ = i;
            notifyPosition_ = keyFrames_[i];
            break;
        }
    }
    video_.Seek(int64_t{second} * 1000);
}

void CAMovie::SetEnabled(bool enabled) {
    if (IsOwnDisabled() || enabled == IsEnabled()) {
        return;
    }
    enabled_ = enabled ? 1 : 0;
    if (status_ == kPlaying) {
        if (enabled) {
            HoldVideoBusy(true);
            video_.Play();
        } else {
            video_.Stop();  // its end report is ignored: the role is disabled now
        }
    }
}

void CAMovie::OnMovieEvent(uintptr_t kind, intptr_t value) {
    switch (kind) {
        case kOpened:
            status_ = kStopped;
            if (autoPlay_ != 0) {
                Play();
            }
            RunQueue("OnOpenComplete", kEventScope);
            return;
        case VideoWindow::kPosition: {
            // The player's timer: a key frame is due from its second to the next.
            const auto second = static_cast<int32_t>(value / 1000);
            if (status_ == kPlaying && notifyPosition_ != 0 && notifyPosition_ <= second &&
                second <= notifyPosition_ + 1) {
                System()->Post(Handle(), kMovieEvent, kKeyFrame, notifyPosition_);
            }
            return;
        }
        case kEnded:
            HoldVideoBusy(false);
            if (!IsEnabled() || status_ != kPlaying) {
                return;
            }
            status_ = kStopped;
            notifyFrame_ = durationSeconds_;
            RunQueue(stopRequested_ ? "OnStopComplete" : "Notify", kEventScope);
            return;
        case kKeyFrame:
            notifyFrame_ = static_cast<int32_t>(value);
            keyFrameIndex_ = keyFrameCount_ == 0 ? 0 : (keyFrameIndex_ + 1) % keyFrameCount_;
            notifyPosition_ = keyFrames_[keyFrameIndex_];
            RunQueue("Notify", kEventScope);
            return;
        default:
            return;
    }
}

intptr_t CAMovie::OnMessage(const host::Message& message) {
    if (message.id == kMovieEvent) {
        OnMovieEvent(message.wParam, message.lParam);
        return 0;
    }
    if (message.id == host::msg::kDestroy && status_ != kClosed) {
        Close();
    }
    return CAnimation::OnMessage(message);
}

}  // namespace stagehand
