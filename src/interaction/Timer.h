// CTimer: raises "notify" every "Interval" milliseconds while it runs, role type "Timer".
// "Start" (re)starts the period from now, "Stop" ignores ticks until the next "Start"; the
// scene that holds the timer pauses and resumes it, and a resumed timer ticks first when
// the time that was left at the pause has passed, then every full period again.
//
// The timer owns a hidden, disabled window of its container's window for its ticks. Its
// identifier is 2000 plus the number of live timers, itself included (2001 for the first).
//
// Guarantees: a change of "Interval" takes effect at the next full arming (Start, or the
// first tick after a resume). A pause that finds the next tick already overdue (work held
// the tick back) resumes with nothing left: the tick comes at once, never after a negative
// or unbounded wait. A period of 0 or less asks the window system for its shortest.
// Where it bites: pausing and resuming leave "Enabled" as it is; a timer disabled on its own
// (its "Disable", Enabled=0 in its role) ignores its scene's switching, and "AutoStart"
// still starts it.
#pragma once

#include <optional>

#include "kernel/Actor.h"
#include "kernel/CountedIds.h"

namespace stagehand {

class CTimer : public CActor {
  public:
    static std::unique_ptr<CMessageHandler> Create();
    static constexpr uintptr_t kFirstIdentifier = 2000;

    CTimer() = default;
    ~CTimer() override;

    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;
    // 0 pauses a running timer, keeping the time left; anything else resumes a paused one.
    void SetEnabled(bool enabled) override;

    uintptr_t Identifier() const { return identifier_; }

  protected:
    void RegisterProperties() override;
    void RegisterCommands() override;
    intptr_t OnMessage(const host::Message& message) override;

  private:
    // Ticks in a row whose queue spent the whole work budget before the timer stops.
    static constexpr int kMaxRunawayTicks = 3;

    void Start();
    void ArmFull();
    void Arm(int32_t periodMs);
    void Cancel();
    uint32_t Now() const;
    void Leave();

    int32_t interval_ = 0;
    int32_t autoStart_ = 0;
    int32_t remaining_ = 0;
    uintptr_t identifier_ = 0;
    bool counted_ = false;
    bool running_ = false;
    bool armed_ = false;
    bool paused_ = false;
    bool restartFull_ = false;
    bool overdue_ = false;  // the pause found the tick overdue: resume ticks at once
    std::optional<uint32_t> lastTick_;
    int runawayTicks_ = 0;
};

// The timers' identifiers: 2000 plus the count of live timers, the new one included.
using CTimerIds = CCountedIds<struct TimerIdsTag, CTimer::kFirstIdentifier>;

}  // namespace stagehand
