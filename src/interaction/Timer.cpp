#include "interaction/Timer.h"

#include <algorithm>
#include <memory>

#include "host/ui/WindowSystem.h"
#include "kernel/Player.h"
#include "trace/Trace.h"

namespace stagehand {

std::unique_ptr<CMessageHandler> CTimer::Create() {
    return std::make_unique<CTimer>();
}

CTimer::~CTimer() {
    Leave();
}

bool CTimer::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    identifier_ = player.Service<CTimerIds>().Take();
    counted_ = true;
    if (!CActor::Initialize(player, name, parent)) {
        return false;
    }
    if (host::WindowSystem* windows = player.Windows()) {
        host::WindowHandle container = player.MainFrame();
        if (parent != nullptr && parent->HasWindow()) {
            container = parent->Handle();
        }
        host::WindowParams params;
        params.style = host::style::kChild | host::style::kDisabled;
        params.parent = container;
        if (!windows->Exists(container) || !CreateWindow(*windows, params)) {
            trace::Fault("The timer \"%s\" has no window to tick in.", {name});
        }
    }
    if (autoStart_ != 0) {
        Start();
    }
    return true;
}

// The count of live timers drops once, when the window goes or else with the timer.
void CTimer::Leave() {
    if (counted_ && IsCreated()) {
        Player().Service<CTimerIds>().Give();
    }
    counted_ = false;
}

uint32_t CTimer::Now() const {
    return System() != nullptr ? System()->Now() : 0;
}

void CTimer::Arm(int32_t periodMs) {
    if (HasWindow()) {
        System()->SetTimer(Handle(), identifier_, static_cast<uint32_t>(std::max(periodMs, 0)));
    }
    lastTick_ = Now();
    armed_ = true;
}

void CTimer::ArmFull() {
    remaining_ = std::max(interval_, 0);
    Arm(remaining_);
}

void CTimer::Cancel() {
    if (HasWindow()) {
        System()->KillTimer(Handle(), identifier_);
    }
}

void CTimer::Start() {
    if (armed_) {
        armed_ = false;
        Cancel();
    }
    ArmFull();
    running_ = true;
}

void CTimer::SetEnabled(bool enabled) {
    if (ownDisabled_) {
        return;
    }
    if (!enabled) {
        if (!running_) {
            return;
        }
        running_ = false;
        if (lastTick_) {
            paused_ = true;
            const int64_t left = int64_t{remaining_} - (Now() - *lastTick_);
            overdue_ = overdue_ || left < 0;
            remaining_ = static_cast<int32_t>(std::max<int64_t>(left, 0));
        }
        return;
    }
    if (!paused_) {
        return;
    }
    Cancel();
    paused_ = false;
    armed_ = false;
    running_ = true;
    restartFull_ = true;
    if (remaining_ == 0 && !overdue_) {
        ArmFull();
    } else {
        Arm(remaining_);  // overdue: the shortest period the window system has
    }
    overdue_ = false;
}

void CTimer::RegisterProperties() {
    CActor::RegisterProperties();
    AddProperty("Interval", CVariant::kInteger, &interval_);
    AddProperty("AutoStart", CVariant::kInteger, &autoStart_);
}

void CTimer::RegisterCommands() {
    CActor::RegisterCommands();
    AddCommand(
        "Start",
        [](CMessageHandler& target, CArguments&) {
            static_cast<CTimer&>(target).Start();
            return 1;
        },
        0, "", "");
    AddCommand(
        "Stop",
        [](CMessageHandler& target, CArguments&) {
            static_cast<CTimer&>(target).running_ = false;
            return 1;
        },
        0, "", "");
}

intptr_t CTimer::OnMessage(const host::Message& message) {
    switch (message.id) {
        case host::msg::kTimer:
            if (!running_ || message.wParam != identifier_) {
                return 0;
            }
            lastTick_ = Now();
            if (restartFull_) {
                Start();
                restartFull_ = false;
            }
            {
                const std::weak_ptr<const char> alive = LifeToken();
                RunQueue("notify", kEventScope);
                if (alive.expired()) {
                    return 0;  // the queue took the timer away
                }
            }
            // A queue that runs away at every tick would keep the player busy for ever on
            // a clock that waits for nobody: after a few ticks in a row the timer stops.
            if (!Player().Stage().Budget().LastDispatchRanOut()) {
                runawayTicks_ = 0;
            } else if (++runawayTicks_ >= kMaxRunawayTicks) {
                runawayTicks_ = 0;
                running_ = false;
                trace::Fault(
                    "The timer \"%s\" stops: its \"notify\" queue ran out of the work "
                    "budget at %d ticks in a row.",
                    {GetName(), kMaxRunawayTicks});
            }
            return 0;
        case host::msg::kDestroy:
            enabled_ = 0;
            Cancel();
            Leave();
            return CActor::OnMessage(message);
        default:
            return CActor::OnMessage(message);
    }
}

}  // namespace stagehand
