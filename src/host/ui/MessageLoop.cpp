// The message loop: take, pre-translate, dispatch; when nothing is left, present, idle, wait.
// Guarantees: the backend is polled at least every kMessagesBetweenPolls messages.
#include "host/ui/WindowSystem.h"

namespace stagehand::host {

namespace {
bool HasCome(uint32_t time, uint32_t now) {
    return static_cast<int32_t>(time - now) <= 0;
}
}  // namespace

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
        if (!input_.Take(out)) {
            continue;
        }
        return true;
    }
    while (input_.TakeMove(out)) {
        if (input_.Take(out)) {
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

        std::optional<uint32_t> until = NextTimerDue();
        if (idle_ && idleWanted_) {
            const uint32_t now = backend_.Now();
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
        if (!backend_.WaitForInput(*this, until)) {
            return 0;
        }
    }
}

}  // namespace stagehand::host
