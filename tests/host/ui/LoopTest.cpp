#include <gtest/gtest.h>

#include <iostream>

#include "Recorder.h"

namespace stagehand::testing {
namespace {

using ::testing::ElementsAre;

struct OneWindow : HeadlessScreen {
    explicit OneWindow(const std::string& script = "") : HeadlessScreen(script) {
        frame.Make(ws, {0, 0, 640, 480}, style::kPopup | style::kVisible);
        ws.SetMainWindow(frame.Handle());
        ws.RunPending();
        log.clear();
    }
    Recorder frame{"frame", log};
};

TEST(Timers, TickAtTheirPeriodOnTheVirtualClock) {
    OneWindow s("wait 1000\n");
    s.ws.SetTimer(s.frame.Handle(), 7, 300);
    s.ws.Run();
    EXPECT_THAT(s.Only("timer"), ElementsAre("frame:timer 7 @100300", "frame:timer 7 @100600",
                                             "frame:timer 7 @100900"));
}

TEST(Timers, ComeOnlyWhenNoPostedMessageWaits) {
    OneWindow s;
    s.ws.SetTimer(s.frame.Handle(), 1, 10);
    s.backend.Sleep(50);  // the timer is overdue
    s.ws.Post(s.frame.Handle(), msg::kUser);
    s.ws.Post(s.frame.Handle(), msg::kUser + 1);
    s.ws.RunPending();
    EXPECT_THAT(s.log, ElementsAre("frame:message 1024", "frame:message 1025",
                                   "frame:timer 1 @100050"));  // one tick for the missed periods
}

TEST(Timers, ReplacingRestartsThePeriodAndKillingStopsIt) {
    OneWindow s("wait 250\nwait 1000\n");
    s.ws.SetTimer(s.frame.Handle(), 1, 200);
    s.ws.SetTimer(s.frame.Handle(), 2, 0);  // the shortest period
    int shortTicks = 0;
    s.frame.hook = [&](const Message& m) -> std::optional<intptr_t> {
        if (m.id == msg::kTimer && m.wParam == 2 && ++shortTicks == 3) {
            s.ws.KillTimer(s.frame.Handle(), 2);
        }
        if (m.id == msg::kTimer && m.wParam == 1 && m.time == 100200) {
            s.ws.SetTimer(s.frame.Handle(), 1, 500);
        }
        return std::nullopt;
    };
    s.ws.Run();
    EXPECT_THAT(s.Only("timer 2"), ElementsAre("frame:timer 2 @100010", "frame:timer 2 @100020",
                                               "frame:timer 2 @100030"));
    EXPECT_THAT(s.Only("timer 1"), ElementsAre("frame:timer 1 @100200", "frame:timer 1 @100700",
                                               "frame:timer 1 @101200"));
}

TEST(Timers, EarlierDueFirstAndTimersOfDestroyedWindowsStop) {
    OneWindow s("wait 100\n");
    Recorder child("child", s.log);
    child.Make(s.ws, {0, 0, 1, 1}, style::kChild, s.frame.Handle());
    s.ws.SetTimer(s.frame.Handle(), 1, 30);
    s.ws.SetTimer(child.Handle(), 1, 20);
    child.hook = [&](const Message& m) -> std::optional<intptr_t> {
        if (m.id == msg::kTimer) {
            child.DestroyWindow();
        }
        return std::nullopt;
    };
    s.ws.Run();
    EXPECT_THAT(s.Only("timer"), ElementsAre("child:timer 1 @100020", "frame:timer 1 @100030",
                                             "frame:timer 1 @100060", "frame:timer 1 @100090"));
}

TEST(Loop, PreTranslateHooksMayRetargetOrConsume) {
    OneWindow s;
    Recorder other("other", s.log);
    other.Make(s.ws, {0, 0, 1, 1}, style::kChild, s.frame.Handle());
    s.ws.AddPreTranslateHook([&](Message& m) {
        if (m.id == msg::kUser) {
            m.target = other.Handle();
        }
        return m.id == msg::kUser + 1;
    });
    s.ws.Post(s.frame.Handle(), msg::kUser);
    s.ws.Post(s.frame.Handle(), msg::kUser + 1);
    s.ws.Post(s.frame.Handle(), msg::kUser + 2);
    s.ws.RunPending();
    EXPECT_THAT(s.log, ElementsAre("other:message 1024", "frame:message 1026"));
}

TEST(Loop, QuitEndsTheRunWithItsCode) {
    OneWindow s("wait 10\n");
    s.ws.PostQuit(3);
    EXPECT_EQ(s.ws.Run(), 3);
}

// Logic that warps the pointer from its own move handler gets one move for the place it
// left the pointer, not one per warp, and no move once the pointer stays there.
TEST(Loop, PointerWarpedFromItsOwnMoveHandlerSettles) {
    OneWindow s;
    int moves = 0;
    s.frame.hook = [&](const Message& m) -> std::optional<intptr_t> {
        if (m.id == msg::kMouseMove && ++moves < 1000) {  // the bound ends the old feedback
            s.ws.SetPointerPosition({10, 10});
            s.ws.SetPointerPosition({20, 20});
        }
        return std::nullopt;
    };
    s.ws.PointerMoved({100, 100});
    s.ws.Post(s.frame.Handle(), msg::kUser);
    s.ws.RunPending();
    EXPECT_THAT(s.log, ElementsAre("frame:message 1024", "frame:move 100,100", "frame:move 20,20"));
}

// Logic that keeps posting never keeps the backend's input (a close, a key) out.
struct CountingBackend : HeadlessBackend {
    CountingBackend() : HeadlessBackend(ParseInputScript(""), std::cout, std::cerr) {}
    void PollInput(InputSink&) override { ++polls; }
    int polls = 0;
};

TEST(Loop, InputIsReadWhilePostsNeverStop) {
    CountingBackend backend;
    WindowSystem ws(backend, {640, 480});
    std::vector<std::string> log;
    Recorder frame("frame", log);
    frame.Make(ws, {0, 0, 640, 480}, style::kPopup | style::kVisible);
    constexpr int kPosts = 20 * WindowSystem::kMessagesBetweenPolls;
    frame.hook = [&](const Message&) -> std::optional<intptr_t> {
        if (log.size() < kPosts) {
            ws.Post(frame.Handle(), msg::kUser);
        }
        return std::nullopt;
    };
    ws.Post(frame.Handle(), msg::kUser);
    ws.RunPending();
    EXPECT_GE(backend.polls, 20);
}

TEST(Idle, AHookWithADeadlineIsCalledAtItAndTheLoopWaitsMeanwhile) {
    OneWindow s("wait 1000\n");
    std::vector<uint32_t> calls;
    s.ws.SetIdleHook([&](int) {
        calls.push_back(s.ws.Now());
        return IdleRequest{true, s.ws.Now() + 100};
    });
    s.ws.Run();
    // Called at 100000, 100100, ... 101000 and after the close; never more often.
    ASSERT_GE(calls.size(), 11u);
    for (size_t i = 1; i < 11; ++i) {
        EXPECT_EQ(calls[i] - calls[i - 1], 100u);
    }
    EXPECT_LE(s.backend.WaitCount(), 16);
}

TEST(Idle, AHookThatWantsNoMoreWaitsForTheNextMessageAndCountsFromZero) {
    OneWindow s("wait 500\nmove 10 10\nwait 500\n");
    std::vector<int> counts;
    s.ws.SetIdleHook([&](int count) {
        counts.push_back(count);
        return IdleRequest{count < 2, std::nullopt};
    });
    s.ws.Run();
    // Three calls (0, 1, 2) after start-up, three more after the move message.
    EXPECT_THAT(counts, ::testing::IsSupersetOf({0, 1, 2}));
    ASSERT_GE(counts.size(), 6u);
    EXPECT_THAT(std::vector<int>(counts.begin(), counts.begin() + 6),
                ElementsAre(0, 1, 2, 0, 1, 2));
}

TEST(Idle, SleepBlocksTheThreadAndInputWaitsUntilAfter) {
    OneWindow s("click 5 5\nwait 10\n");
    s.frame.recordMoves = false;
    s.frame.hook = [&](const Message& m) -> std::optional<intptr_t> {
        if (m.id == msg::kLButtonDown) {
            // What is painted before a sleep is on screen during it.
            s.frame.fill = Rgb(1, 2, 3);
            s.ws.Invalidate(s.frame.Handle());
            s.ws.UpdateNow(s.frame.Handle());
            const int presented = s.backend.PresentCount();
            s.ws.Sleep(2000);
            EXPECT_EQ(s.backend.PresentCount(), presented + 1);
        }
        return std::nullopt;
    };
    s.ws.SetTimer(s.frame.Handle(), 1, 1000);
    s.ws.Run();
    // The sleep passed the timer's due time without a tick; one tick comes after it.
    EXPECT_THAT(s.Only("timer"), ElementsAre("frame:timer 1 @102000"));
    EXPECT_THAT(s.Only(":up"), ElementsAre("frame:up 5,5"));
}

TEST(Idle, TheScriptReadsTheVirtualClockAcrossWaitsAndSleeps) {
    OneWindow s("clock\nwait 250\nclick 5 5\nclock\nclock extra\n");
    s.frame.hook = [&](const Message& m) -> std::optional<intptr_t> {
        if (m.id == msg::kLButtonDown) {
            s.ws.Sleep(1000);
        }
        return std::nullopt;
    };
    s.ws.Run();
    EXPECT_EQ(s.out.str(), "clock 0\nclock 1250\n");
    EXPECT_THAT(s.errors.str(), ::testing::HasSubstr("clock takes nothing"));
}

// Title text reaches the terminal without its control bytes; Windows-1252 passes as it is.
TEST(Script, PrintWritesControlBytesEscaped) {
    OneWindow s("print \x1b[2J\ttab\x7f \\x41 C:\\T \xe9\r\n");
    s.backend.SetPrintExpander([](const std::string& text) { return text + "\r\x01"; });
    s.ws.Run();
    EXPECT_EQ(s.out.str(), "\\x1b[2J\ttab\\x7f \\x5cx41 C:\\T \xe9\\x0d\\x01\n");
}

// A message line reaches the title's runner as Windows-1252 text with its line number; an
// empty one is a fault of the script, and with no runner the line is reported and passed over.
TEST(Script, MessageLinesGoToTheRunnerWithTheirLineNumbers) {
    OneWindow s("message A.B(\xc3\xa9)\nmessage  \n# note\nmessage C.D()\n");
    std::vector<std::string> ran;
    s.backend.SetMessageRunner([&](const std::string& text, int line) {
        ran.push_back(std::to_string(line) + " " + text);
    });
    s.ws.Run();
    EXPECT_THAT(ran, ElementsAre("1 A.B(\xe9)", "4 C.D()"));
    EXPECT_THAT(s.errors.str(), ::testing::HasSubstr("input line 2: message needs a message"));

    OneWindow unrun("message A.B()\n");
    unrun.ws.Run();
    EXPECT_THAT(unrun.errors.str(), ::testing::HasSubstr("input line 1: no title runs messages"));
}

}  // namespace
}  // namespace stagehand::testing
