// The message loop: take, pre-translate, dispatch; when nothing is left, present, idle, wait.
// Guarantees: the backend is polled at least every kMessagesBetweenPolls messages. While
// paused, the title's messages wait in `held_` and go back to the front of the queue, in
// their order, when the play resumes.
#include "host/ui/WindowSystem.h"

namespace stagehand::host {

namespace {
bool HasCome(uint32_t time, uint32_t now) {
    return static_cast<int32_t>(time - now) <= 0;
}
}  // namespace

void WindowSystem::SetPaused(bool paused) {
    if (paused == clock_.IsPaused()) {
        return;
    }
    if (paused) {
        clock_.Pause(backend_.Now());
    } else {
        clock_.Resume(backend_.Now());
        queue_.insert(queue_.begin(), held_.begin(), held_.end());
        held_.clear();
        OfferIdle();
    }
    if (pauseListener_) {
        pauseListener_(paused);
    }
}

bool WindowSystem::HeldByPause(const Message& message) const {
    return clock_.IsPaused() && main_ && IsWithin(message.target, main_);
}

void WindowSystem::AddPreTranslateHook(PreTranslateHook hook) {
    preTranslate_.push_back(std::move(hook));
}

void WindowSystem::SetIdleHook(IdleHook hook) {
    idle_ = std::move(hook);
}

bool WindowSystem::TakeMessage(Message& out) {
    // The backend's input is read whenever the queue runs dry, and every so many messages
    // while it does not, so that a close or a key gets through logic that keeps posting.
    if (queue_.empty() || ++sincePoll_ >= kMessagesBetweenPolls) {
        sincePoll_ = 0;
        backend_.PollInput(*this);
    }
    while (!queue_.empty()) {
        out = queue_.front();
        queue_.pop_front();
        tookInput_ = out.target == InputRouter::kInputTarget;
        const bool input = tookInput_;
        if (!input_.Take(out)) {
            continue;
        }
        if (HeldByPause(out)) {
            if (!input) {
                held_.push_back(out);
            }
            continue;
        }
        return true;
    }
    while (input_.TakeMove(out)) {
        if (input_.Take(out) && !HeldByPause(out)) {
            tookInput_ = true;
            return true;
        }
    }
    tookInput_ = false;
    if (WindowHandle w = NextToPaint()) {
        out = MakeMessage(w, msg::kPaint, 0, 0);
        return true;
    }
    return TakeTimerMessage(out);
}

void WindowSystem::Dispatch(Message& message) {
    // The input as it was taken, before a hook rewrites it; what the message's handling
    // dispatches in turn is not this input's.
    const Message taken = message;
    const Message* outer = currentInput_;
    currentInput_ = tookInput_ ? &taken : nullptr;
    tookInput_ = false;
    struct Restore {
        const Message*& current;
        const Message* outer;
        ~Restore() { current = outer; }
    } restore{currentInput_, outer};
    for (size_t i = 0; i < preTranslate_.size(); ++i) {
        if (preTranslate_[i](message)) {
            return;
        }
    }
    if (!Exists(message.target)) {
        return;
    }
    Deliver(message);
    // A paint handler that does not validate would otherwise be asked again forever.
    if (message.id == msg::kPaint) {
        Validate(message.target);
    }
}

bool WindowSystem::RunPending() {
    bool ran = false;
    Message m;
    while (TakeMessage(m)) {
        if (m.id == msg::kQuit) {
            queue_.push_front(m);
            break;
        }
        Dispatch(m);
        ran = true;
    }
    PresentChanges();
    return ran;
}

void WindowSystem::OfferIdle() {
    idleWanted_ = true;
    idleCount_ = 0;
    idleWakeAt_.reset();
}

int WindowSystem::Run() {
    idleWanted_ = true;
    idleCount_ = 0;
    idleWakeAt_.reset();
    for (;;) {
        Message m;
        if (TakeMessage(m)) {
            if (m.id == msg::kQuit) {
                return static_cast<int>(m.wParam);
            }
            Dispatch(m);
            // Any message but painting and timers makes idle time worth offering again.
            if (m.id != msg::kPaint && m.id != msg::kTimer) {
                OfferIdle();
            }
            continue;
        }
        PresentChanges();
        if (!whenPresented_.empty()) {
            std::vector<std::function<void()>> jobs;
            jobs.swap(whenPresented_);
            for (const std::function<void()>& job : jobs) {
                job();
            }
            continue;  // a job may have posted or drawn something
        }

        std::optional<uint32_t> until = NextTimerDue();
        if (idle_ && idleWanted_ && !clock_.IsPaused()) {
            const uint32_t now = Now();
            if (!idleWakeAt_ || HasCome(*idleWakeAt_, now)) {
                const IdleRequest request = idle_(idleCount_++);
                idleWanted_ = request.more;
                idleWakeAt_ = request.more ? request.wakeAt : std::nullopt;
                continue;  // the hook may have posted or drawn something
            }
            if (!until || static_cast<int32_t>(*idleWakeAt_ - *until) < 0) {
                until = idleWakeAt_;
            }
        }
        if (until) {
            until = clock_.ToBackend(*until);
        }
        if (!backend_.WaitForInput(*this, until)) {
            return 0;
        }
    }
}

}  // namespace stagehand::host
