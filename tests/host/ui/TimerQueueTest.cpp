#include "host/ui/TimerQueue.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace stagehand::host {
namespace {

constexpr WindowHandle kA{1};
constexpr WindowHandle kB{2};

// Takes every due tick at `now`, as "window.id" strings.
std::vector<std::string> Drain(TimerQueue& q, uint32_t now) {
    std::vector<std::string> ticks;
    while (auto tick = q.TakeDue(now)) {
        ticks.push_back(std::to_string(tick->window.value) + "." + std::to_string(tick->id));
    }
    return ticks;
}

TEST(TimerQueue, PeriodsAreClampedToTheUsableRange) {
    struct Case {
        uint32_t period;
        uint32_t due;
    } cases[] = {
        {0, 10}, {1, 10}, {10, 10}, {11, 11}, {0x7FFFFFFF, 0x7FFFFFFF}, {0xFFFFFFFF, 0x7FFFFFFF}};
    for (const Case& c : cases) {
        TimerQueue q;
        q.Set(kA, 1, c.period, 0);
        EXPECT_EQ(q.NextDue(0), c.due) << c.period;
    }
}

TEST(TimerQueue, FurthestOverdueFirstThenTheOrderTheyWereSet) {
    TimerQueue q;
    q.Set(kA, 1, 30, 0);  // due 30
    q.Set(kB, 1, 20, 0);  // due 20
    q.Set(kA, 2, 20, 0);  // due 20, set after kB's
    q.Set(kB, 2, 50, 0);  // not due at 40
    EXPECT_EQ(q.NextDue(0), 20u);
    // Each tick is due again at 40 + its period, so one pass yields each due timer once.
    EXPECT_EQ(Drain(q, 40), (std::vector<std::string>{"2.1", "1.2", "1.1"}));
    EXPECT_EQ(q.NextDue(40), 50u);
    // Due together at 60 (kA.2, kB.1) and 70 (kA.1): ticks keep the order they were set in.
    EXPECT_EQ(Drain(q, 70), (std::vector<std::string>{"2.2", "2.1", "1.2", "1.1"}));
}

TEST(TimerQueue, SettingAgainRestartsAndGoesAfterTimersDueWithIt) {
    TimerQueue q;
    q.Set(kA, 1, 10, 0);
    q.Set(kB, 1, 10, 0);
    q.Set(kA, 1, 5, 5);  // due 15 now; the minimum period applies
    EXPECT_EQ(q.Size(), 2u);
    EXPECT_EQ(Drain(q, 15), (std::vector<std::string>{"2.1", "1.1"}));
}

TEST(TimerQueue, KillingRemovesOneTimerOrAllOfAWindow) {
    TimerQueue q;
    for (uintptr_t id : {0u, 1u, 7u}) {
        q.Set(kA, id, 10, 0);
        q.Set(kB, id, 10, 0);
    }
    q.Kill(kB, 1);
    q.Kill(kB, 99);
    q.KillAll(kA);
    EXPECT_EQ(Drain(q, 10), (std::vector<std::string>{"2.0", "2.7"}));
    q.KillAll(kB);
    EXPECT_EQ(q.NextDue(10), std::nullopt);
    EXPECT_EQ(q.TakeDue(1000), std::nullopt);
}

TEST(TimerQueue, TheClockWrapsWithoutReorderingTimers) {
    TimerQueue q;
    const uint32_t start = 0xFFFFFFF0u;
    q.Set(kA, 1, 40, start);  // due 0x18, after the wrap
    q.Set(kB, 1, 10, start);  // due 0xFFFFFFFA, before it
    EXPECT_EQ(q.NextDue(start), 0xFFFFFFFAu);
    EXPECT_EQ(q.TakeDue(start), std::nullopt);
    EXPECT_EQ(Drain(q, 0x20), (std::vector<std::string>{"2.1", "1.1"}));
    EXPECT_EQ(q.NextDue(0x20), 0x2Au);
}

// Against the plain scan over every timer, with random operations on a clock that wraps.
TEST(TimerQueue, AgreesWithAScanOfEveryTimer) {
    struct Model {
        WindowHandle window;
        uintptr_t id;
        uint32_t period, due;
        uint64_t order;
    };
    std::mt19937 random(7);
    TimerQueue q;
    std::vector<Model> model;
    uint64_t order = 0;
    uint32_t now = 0xFFFF0000u;
    auto until = [&](uint32_t due) { return static_cast<int32_t>(due - now); };
    for (int step = 0; step < 20000; ++step) {
        const WindowHandle window{static_cast<uint32_t>(1 + random() % 4)};
        const uintptr_t id = random() % 4;
        switch (random() % 8) {
            case 0: {
                const uint32_t period = std::max<uint32_t>(10, random() % 200);
                std::erase_if(model, [&](auto& t) { return t.window == window && t.id == id; });
                model.push_back({window, id, period, now + period, order++});
                q.Set(window, id, period, now);
                break;
            }
            case 1:
                std::erase_if(model, [&](auto& t) { return t.window == window; });
                q.KillAll(window);
                break;
            case 2:
                now += random() % 100;
                break;
            default: {
                Model* next = nullptr;
                for (Model& t : model) {
                    if (until(t.due) <= 0 && (!next || until(t.due) < until(next->due))) {
                        next = &t;
                    }
                }
                const auto tick = q.TakeDue(now);
                ASSERT_EQ(tick.has_value(), next != nullptr) << step;
                if (next) {
                    ASSERT_EQ(tick->window, next->window) << step;
                    ASSERT_EQ(tick->id, next->id) << step;
                    next->due = now + next->period;
                }
            }
        }
        ASSERT_EQ(q.Size(), model.size());
    }
}

}  // namespace
}  // namespace stagehand::host
