// The trace is silent until asked for, and writes one readable entry a line.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "trace/Trace.h"

namespace stagehand::trace {
namespace {

TEST(Trace, IsOffUntilASinkIsSetAndBackOffWhenItsScopeEnds) {
    EXPECT_FALSE(IsOn());
    std::ostringstream out;
    {
        ScopedSink sink(LineWriter(out));
        EXPECT_TRUE(IsOn());
        QueueRun("Door|Click", "Door");
        MessageRun("Door|Click", 2, "Director.Load(Scene2)");
        Fault("Missing an end tag delimiter for the following tag:\nScore [X.\n");
    }
    EXPECT_FALSE(IsOn());
    Fault("not written");
    EXPECT_EQ(out.str(),
              "queue Door|Click, run by Door\n"
              "message Door|Click 2: Director.Load(Scene2)\n"
              "fault Missing an end tag delimiter for the following tag:\n"
              "\tScore [X.\n");
}

// Title text in the trace cannot drive the terminal: control bytes but tab and newline are
// escaped, and so is a backslash that would read as the start of an escape.
TEST(Trace, WritesControlBytesEscapedAndCrLfAsALineBreak) {
    struct Case {
        std::string_view text, line;
    };
    for (const Case& c : {
             Case{"\x1b]0;owned\x07 \x1b[2J", "\\x1b]0;owned\\x07 \\x1b[2J"},
             Case{std::string_view("a\0b\x7f\x1f", 5), "a\\x00b\\x7f\\x1f"},
             Case{"one\r\ntwo\rthree\r\n", "one\n\ttwo\\x0dthree"},
             Case{"C:\\TITLE\\x.bmp \\\t\xe9\xff", "C:\\TITLE\\x5cx.bmp \\\t\xe9\xff"},
         }) {
        std::ostringstream out;
        LineWriter(out)(Entry::kMessage, c.text);
        EXPECT_EQ(out.str(), "message " + std::string(c.line) + "\n") << c.text;
    }
}

// However much one dispatch runs, what it writes stays bounded: long texts are cut, saying
// how much was left out, and a flood of equal lines is counted, not written.
TEST(Trace, LongEntriesAreCutAndRunsOfEqualLinesAreCounted) {
    std::ostringstream out;
    {
        const Sink sink = LineWriter(out);
        sink(Entry::kMessage, std::string(kMaxLineCharacters, 'a'));
        sink(Entry::kMessage, std::string(65536, 'b'));
        for (int i = 0; i < 200'000; ++i) {
            sink(Entry::kFault, "again");
        }
        sink(Entry::kQueue, "other");
        for (int i = 0; i < 20; ++i) {
            sink(Entry::kFault, "last");
        }
    }
    std::string expected = "message " + std::string(kMaxLineCharacters, 'a') + "\n";
    expected += "message " + std::string(kMaxLineCharacters, 'b') + "... (" +
                std::to_string(65536 - kMaxLineCharacters) + " more characters)\n";
    for (uint64_t i = 0; i < kEqualLinesShown; ++i) {
        expected += "fault again\n";
    }
    expected += "fault (the last line came 199992 more times)\nqueue other\n";
    for (uint64_t i = 0; i < kEqualLinesShown; ++i) {
        expected += "fault last\n";
    }
    expected += "fault (the last line came 12 more times)\n";  // told when the writer goes
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
