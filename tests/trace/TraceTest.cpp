// The trace is silent until asked for, and writes one readable entry a line.
#include <gtest/gtest.h>

#include <sstream>

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

}  // namespace
}  // namespace stagehand::trace
