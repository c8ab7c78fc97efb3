#include "media/MciVideo.h"

#include <algorithm>

#include "host/files/TitlePaths.h"
#include "kernel/Player.h"
#include "media/MovieShelf.h"
#include "script/TextUtil.h"
#include "trace/Trace.h"

namespace stagehand {

std::unique_ptr<CMessageHandler> CMCIVideo::Create() {
    return std::make_unique<CMCIVideo>();
}

CMCIVideo::~CMCIVideo() {
    if (IsCreated()) {
        HoldVideoBusy(false);
    }
}

bool CMCIVideo::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    CAnimation::Initialize(player, name, parent);
    host::WindowParams params;
    params.style = host::style::kVisible;
    if (CreateVideoWindow(player, parent, params)) {
        params.style = host::style::kChild | host::style::kVisible | host::style::kClipSiblings;
        params.parent = Handle();
        params.rect = host::Rect::FromSize(0, 0, width_, height_);
        video_.CreateWindow(*player.Windows(), params);
        video_.SetOwner(Handle(), false);
    }
    keyFrameCount_ = CountKeyFrames(keyFrames_);
    Open(filename_);
    if (autoPlay_ != 0) {
        Play();
    }
    return true;
}

void CMCIVideo::RegisterProperties() {
    CAnimation::RegisterProperties();
    AddKeyFrameProperties(keyFrames_);
}

bool CMCIVideo::Open(const std::string& name) {
    if (name.empty()) {
        return false;
    }
    // A file that cannot be read leaves an empty video window; the title is told it opened.
    if (video_.HasWindow()) {
        video_.SetFrameBudget(Player().Service<CMovieShelf>().Frames());
        const std::optional<std::filesystem::path> path = ResolveVideoFile(name);
        if (!path) {
            video_.Close();
        } else if (video_.Open(*path, GetName(), false, Player().Paths().Opener())) {
            video_.RouteSound(VideoSoundMixer());
        }
        System()->Show(video_.Handle(), false);
        System()->Move(video_.Handle(), host::Rect::FromSize(0, 0, width_, height_));
        video_.SetDestination(host::Rect::FromSize(0, 0, width_, height_));
        length_ = video_.LengthMs();
        if (keyFrameCount_ != 0) {
            video_.SetNoticePeriod(kNoticeMs);
        }
    }
    RunQueue("OnOpenComplete", kEventScope);
    return true;
}

void CMCIVideo::Close() {
    HoldVideoBusy(false);
    video_.Close();
}

void CMCIVideo::Play() {
    if (!IsEnabled()) {
        return;
    }
    HoldVideoBusy(true);
    video_.Play();
    if (video_.HasWindow()) {
        System()->Show(video_.Handle(), true);
        System()->SetFocus(Player().MainFrame());
    }
    status_ = kPlaying;
}

void CMCIVideo::Pause() {
    if (IsEnabled()) {
        video_.Pause();
        status_ = kPaused;
    }
}

void CMCIVideo::Stop() {
    if (IsEnabled()) {
        video_.Stop();
        video_.Seek(0);
        status_ = kStopped;
        HoldVideoBusy(false);
    }
}

void CMCIVideo::Seek(int32_t second) {
    if (IsEnabled()) {
        video_.Seek(int64_t{second} * 1000);
        Play();
    }
}

void CMCIVideo::SetEnabled(bool enabled) {
    if (enabled == IsEnabled()) {
        return;
    }
    enabled_ = enabled ? 1 : 0;
    if (status_ == kPlaying) {
        if (enabled) {
            HoldVideoBusy(true);
            video_.Play();
        } else {
            video_.Pause();
        }
    }
}

void CMCIVideo::OnPosition(int64_t ms) {
    if (keyFrameCount_ == 0) {
        return;
    }
    const auto second = static_cast<int32_t>(ms / 1000);
    // A "Notify" may close or destroy this role: it is looked up again after each.
    const std::string name = GetName();
    CStageManager& stage = Player().Stage();
    for (int32_t i = 0; i < keyFrameCount_; ++i) {
        if (keyFrames_[i] == second) {
            notifyFrame_ = second;
            RunQueue("Notify", kEventScope);
            if (stage.Find(name) != this) {
                return;
            }
        }
    }
}

intptr_t CMCIVideo::OnMessage(const host::Message& message) {
    if (message.id == VideoWindow::kNotice) {
        if (message.wParam == VideoWindow::kPosition) {
            OnPosition(message.lParam);
        }
        return 0;
    }
    if (message.id == host::msg::kDestroy) {
        Close();
    }
    return CAnimation::OnMessage(message);
}

}  // namespace stagehand
