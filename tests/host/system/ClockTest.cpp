#include "host/system/Clock.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace stagehand::host {
namespace {

using Steady = std::chrono::steady_clock;

std::atomic<int> signalsCaught{0};

void CountSignal(int) {
    signalsCaught.fetch_add(1);
}

TEST(ClockTest, TickCountNeverGoesBackwards) {
    uint32_t previous = MonotonicMilliseconds();
    for (int i = 0; i < 10'000; ++i) {
        const uint32_t now = MonotonicMilliseconds();
        // Wrap-aware: a step back would show as a difference of nearly 2^32.
        EXPECT_LT(now - previous, uint32_t{1} << 31);
        previous = now;
    }
}

// A handler without SA_RESTART interrupts the sleep, which must still last its whole time,
// on the steady clock and in ticks (truncated, so one less).
TEST(ClockTest, SleepLastsItsTimeThoughSignalsInterruptIt) {
    struct sigaction action {};
    action.sa_handler = CountSignal;
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
    signalsCaught = 0;

    std::atomic<bool> done{false};
    Steady::duration slept{};
    uint32_t ticks = 0;
    std::thread sleeper([&] {
        const uint32_t ticksBefore = MonotonicMilliseconds();
        const auto before = Steady::now();
        SleepMilliseconds(80);
        slept = Steady::now() - before;
        ticks = MonotonicMilliseconds() - ticksBefore;
        SleepMilliseconds(0);
        done = true;
    });
    const pthread_t target = sleeper.native_handle();
    while (!done) {
        pthread_kill(target, SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    sleeper.join();
    sigaction(SIGUSR1, &previous, nullptr);

    EXPECT_GT(signalsCaught.load(), 0);
    EXPECT_GE(slept, std::chrono::milliseconds(80));
    EXPECT_GE(ticks, 79u);
}

}  // namespace
}  // namespace stagehand::host
