#include "media/Smacker.h"

#include <algorithm>
#include <vector>

#include "host/files/TitlePaths.h"
#include "kernel/Player.h"
#include "media/MovieShelf.h"
#include "media/SoundTable.h"
#include "script/TextUtil.h"
#include "trace/Trace.h"

namespace stagehand {

std::unique_ptr<CMessageHandler> CSmacker::Create() {
    return std::make_unique<CSmacker>();
}

CSmacker::~CSmacker() {
    if (IsCreated()) {
        LeaveTable();
    }
}

bool CSmacker::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    CAnimation::Initialize(player, name, parent);
    host::WindowParams params;
    params.title = name;
    CreateVideoWindow(player, parent, params);
    keyFrameCount_ = CountKeyFrames(keyFrames_);
    return filename_.empty() || Open(filename_);
}

void CSmacker::RegisterProperties() {
    CAnimation::RegisterProperties();
    AddProperty("DropFrames", CVariant::kBoolean, &dropFrames_);
    AddKeyFrameProperties(keyFrames_);
}

void CSmacker::RegisterCommands() {
    CAnimation::RegisterCommands();
    static const Action<CSmacker> kCommands[] = {
        {"SeekOffset", 1, "integer", "0",
         [](CSmacker& s, CArguments& a) { s.SeekOffset(ReadInteger(a[0].ToText())); }},
    };
    AddActions(kCommands);
}

bool CSmacker::Open(const std::string& name) {
    if (!IsEnabled()) {
        return false;
    }
    if (status_ != kClosed) {
        Close();
    }
    Player().Service<CMovieShelf>().Put(GetName(), *this);
    movie_.SetBudget(Player().Service<CMovieShelf>().Frames());
    const base::Result<std::filesystem::path> path = Player().Paths().Locate(name);
    const base::Result<void> opened =
        path ? movie_.Open(*path, Player().Paths().Opener()) : path.failure();
    if (!opened) {
        trace::Fault("The Smacker video \"%s\" cannot open \"%s\": %s.",
                     {GetName(), name, opened.error()});
        return false;
    }
    if (!HasWindow()) {
        movie_.Close();  // nowhere to show it: the role stays closed
        return true;
    }
    status_ = kStopped;
    loopsLeft_ = numberOfLoops_;
    totalFrames_ = static_cast<int32_t>(movie_.FrameCount() - 1);
    RouteSound();
    if (autoPlay_ != 0) {
        Play();
    }
    return true;
}

void CSmacker::Close() {
    if (status_ != kClosed) {
        movie_.Close();
        LeaveTable();
    }
    if (HasWindow()) {
        System()->Show(Handle(), false);
    }
    status_ = kClosed;
}

void CSmacker::LeaveTable() {
    Player().Service<CMovieShelf>().Take(GetName(), *this);
}

void CSmacker::Play() {
    if (!IsEnabled()) {
        return;
    }
    if (status_ == kStopped) {
        if (HasWindow()) {
            System()->Show(Handle(), true);
            System()->Invalidate(Handle());
            System()->UpdateNow(Handle());
        }
        status_ = kPlaying;
    } else if (status_ == kPaused) {
        status_ = kPlaying;
    }
}

void CSmacker::Pause() {
    if (IsEnabled() && status_ == kPlaying) {
        status_ = kPaused;
    }
}

void CSmacker::Resume() {
    if (IsEnabled() && status_ == kPaused) {
        status_ = kPlaying;
    }
}

void CSmacker::Stop() {
    if (IsEnabled() && status_ != kClosed) {
        status_ = kStopped;
    }
}

void CSmacker::Seek(int32_t frame) {
    if (!IsEnabled() || !HasMovie()) {
        return;
    }
    // A movie that has shown nothing yet shows its first frame before it moves.
    if (movie_.CurrentFrame() == 0 && !movie_.HasFrame() && System() != nullptr) {
        // A damaged frame is found, and traced, by the step that shows it.
        static_cast<void>(movie_.Decode(System()->Now()));
    }
    movie_.GoTo(frame);
    for (int32_t i = 0; i < keyFrameCount_; ++i) {
        if (keyFrames_[i] >= frame) {
            keyFrameIndex_ = i;
            break;
        }
    }
}

void CSmacker::SeekOffset(int32_t offset) {
    if (IsEnabled() && HasMovie()) {
        // Far offsets go to the ends (Seek takes the frame there), never round.
        const int64_t frame = movie_.CurrentFrame() + int64_t{offset};
        Seek(static_cast<int32_t>(std::clamp<int64_t>(frame, INT32_MIN, INT32_MAX)));
    }
}

void CSmacker::Step(uint32_t now) {
    if (status_ != kPlaying || !IsEnabled() || !movie_.IsDue(now)) {
        return;
    }
    if (const base::Result<void> decoded = movie_.Decode(now); !decoded) {
        trace::Fault("The Smacker video \"%s\" stops at frame %d: %s.",
                     {GetName(), static_cast<int32_t>(movie_.CurrentFrame()), decoded.error()});
        status_ = kStopped;
        return;
    }
    if (movie_.Seeking()) {
        return;  // on the way to a far frame: the next step goes on
    }
    if (HasWindow()) {
        host::Canvas canvas = System()->WindowCanvas(Handle());
        for (const host::Rect& r : movie_.Changed()) {
            canvas.Blit(movie_.Buffer(), r, {r.left, r.top});
        }
    }
    const auto frame = static_cast<int32_t>(movie_.CurrentFrame());
    if (movie_.FrameCount() - frame == 1) {
        if (numberOfLoops_ != -1) {
            --loopsLeft_;
            if (loopsLeft_ <= 0) {
                status_ = kStopped;
                notifyFrame_ = frame;
                RunQueue("Notify", kEventScope);  // may destroy this role: nothing after it
                return;
            }
        }
        keyFrameIndex_ = 0;
    }
    bool notify = false;
    if (keyFrameCount_ != 0 && keyFrames_[keyFrameIndex_] == frame) {
        notifyFrame_ = frame;
        keyFrameIndex_ = (keyFrameIndex_ + 1) % keyFrameCount_;
        notify = true;
    }
    movie_.Advance();
    if (notify) {
        RunQueue("Notify", kEventScope);  // may destroy this role: nothing after it
    }
}

intptr_t CSmacker::OnMessage(const host::Message& message) {
    if (message.id == host::msg::kPaint) {
        host::Canvas canvas = System()->BeginPaint(Handle());
        if (HasMovie() && movie_.HasFrame() && movie_.CurrentFrame() != 0) {
            canvas.Blit(movie_.Buffer(), movie_.Buffer().Bounds(), {0, 0});
        }
        return 0;
    }
    return CAnimation::OnMessage(message);
}

void CSmacker::RouteSound() {
    CPlayer& player = Player();
    const CSoundTable& sound = player.Service<CSoundTable>();
    const bool on = player.Service<CMovieShelf>().AudioRouted() && sound.IsOpen();
    movie_.RouteSound(on ? &sound.Mixer() : nullptr);
}

std::optional<uint32_t> CSmacker::NextStepAt(uint32_t now) const {
    if (status_ != kPlaying || !IsEnabled() || !movie_.IsOpen()) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(std::max<int64_t>(movie_.DueAt(), now));
}

}  // namespace stagehand
