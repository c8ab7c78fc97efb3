// The trace is silent until asked for, and writes one readable entry a line.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "trace/Trace.h"

namespace stagehand::trace {
namespace {

// A clock the test moves by hand, and the input it says is being handled.
struct TestSources {
    uint64_t time = 0;
    std::string input;
    int asked = 0;  // how often the input was asked for
    ScopedSources scope{Sources{[this] { return time; },
                                [this] {
                                    ++asked;
                                    return input;
                                }}};
};

// A queue run no other queue started names the input being handled, a message its place in
// the queue file; lines written once the clock has gone (the play taken down) keep its last
// time.
TEST(Trace, IsOffUntilASinkIsSetAndBackOffWhenItsScopeEnds) {
    auto sources = std::make_unique<TestSources>();
    EXPECT_FALSE(IsOn());
    QueueRun("Door|Click", "Door", true);
    EXPECT_EQ(sources->asked, 0);  // nothing is built while the trace is off
    std::ostringstream out;
    {
        ScopedSink sink(LineWriter(out));
        EXPECT_TRUE(IsOn());
        QueueRun("Door|Click", "Door", true);
        sources->input = "click 120,88";
        QueueRun("Door|Click", "Door", true);
        QueueRun("Open", "Door", false);
        sources->time = 1234;
        MessageRun("Door|Click", 2, "Director.Load(Scene2)", Place{"msg.mii", 12});
        sources->time = 1234567;
        Fault("Missing an end tag delimiter for the following tag:\nScore [X.\n");
        sources.reset();
        Fault("gone");
    }
    EXPECT_FALSE(IsOn());
    Fault("not written");
    EXPECT_EQ(out.str(),
              "[     0] queue Door|Click, run by Door\n"
              "[     0] queue Door|Click, run by Door, on click 120,88\n"
              "[     0] queue Open, run by Door\n"
              "[  1234] message Door|Click 2 (msg.mii:12): Director.Load(Scene2)\n"
              "[1234567] fault Missing an end tag delimiter for the following tag:\n"
              "\tScore [X.\n"
              "[1234567] fault gone\n");
}

// Title text in the trace cannot drive the terminal: control bytes but tab and newline are
// escaped, and so is a backslash that would read as the start of an escape.
TEST(Trace, WritesControlBytesEscapedAndCrLfAsALineBreak) {
    struct Case {
        std::string_view text, line;
    };
    const TestSources sources;
    for (const Case& c : {
             Case{"\x1b]0;owned\x07 \x1b[2J", "\\x1b]0;owned\\x07 \\x1b[2J"},
             Case{std::string_view("a\0b\x7f\x1f", 5), "a\\x00b\\x7f\\x1f"},
             Case{"one\r\ntwo\rthree\r\n", "one\n\ttwo\\x0dthree"},
             Case{"C:\\TITLE\\x.bmp \\\t\xe9\xff", "C:\\TITLE\\x5cx.bmp \\\t\xe9\xff"},
         }) {
        std::ostringstream out;
        LineWriter(out)(Entry::kMessage, c.text);
        EXPECT_EQ(out.str(), "[     0] message " + std::string(c.line) + "\n") << c.text;
    }
}

// However much one dispatch runs, what it writes stays bounded: long texts are cut, saying
// how much was left out, and a flood of equal lines is counted, not written, however the
// clock moves meanwhile; the count is told at the time it is told.
TEST(Trace, LongEntriesAreCutAndRunsOfEqualLinesAreCounted) {
    TestSources sources;
    std::ostringstream out;
    {
        const Sink sink = LineWriter(out);
        sink(Entry::kMessage, std::string(kMaxLineCharacters, 'a'));
        sink(Entry::kMessage, std::string(65536, 'b'));
        for (int i = 0; i < 200'000; ++i) {
            sources.time = i / 1000;
            sink(Entry::kFault, "again");
        }
        sink(Entry::kQueue, "other");
        for (int i = 0; i < 20; ++i) {
            sink(Entry::kFault, "last");
        }
        sources.time = 1000;
    }
    std::string expected = "[     0] message " + std::string(kMaxLineCharacters, 'a') + "\n";
    expected += "[     0] message " + std::string(kMaxLineCharacters, 'b') + "... (" +
                std::to_string(65536 - kMaxLineCharacters) + " more characters)\n";
    for (uint64_t i = 0; i < kEqualLinesShown; ++i) {
        expected += "[     0] fault again\n";
    }
    expected += "[   199] fault (the last line came 199992 more times)\n[   199] queue other\n";
    for (uint64_t i = 0; i < kEqualLinesShown; ++i) {
        expected += "[   199] fault last\n";
    }
    // told when the writer goes
    expected += "[  1000] fault (the last line came 12 more times)\n";
    EXPECT_EQ(out.str(), expected);
}

// A stream that fails is reported once, with the system's reason, and the trace goes on.
TEST(Trace, AFailedWriteIsReportedOnce) {
    std::ofstream full("/dev/full");
    ASSERT_TRUE(full.is_open());
    std::vector<std::string> reports;
    const Sink sink = LineWriter(full, [&](std::string_view why) { reports.emplace_back(why); });
    for (int i = 0; i < 3; ++i) {
        sink(Entry::kFault, "lost");
    }
    EXPECT_EQ(reports, std::vector<std::string>{"No space left on device"});
}

}  // namespace
}  // namespace stagehand::trace
