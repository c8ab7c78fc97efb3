// What the title tests cannot see: the system role's conversions on other machines, timer
// identifiers, the pointer's show count and which mouse messages the zone filter routes.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "interaction/Cursor.h"
#include "interaction/System.h"
#include "interaction/Timer.h"
#include "interaction/Zone.h"
#include "interaction/ZoneTable.h"
#include "support/StageFixture.h"

namespace stagehand {
namespace {

TEST(SystemFacts, MemoryInThousandsAndTheNtLineOfNamesAsOldMachinesReportedThem) {
    const std::pair<uint64_t, int32_t> memory[] = {
        {67108864, 67108},
        {0, 0},
        {999, 0},
        {1000, 1},
        {2147483647999, 2147483647},
        {std::numeric_limits<uint64_t>::max(), std::numeric_limits<int32_t>::max()},
    };
    for (const auto& [bytes, thousands] : memory) {
        EXPECT_EQ(system_facts::Thousands(bytes), thousands) << bytes;
    }
    const std::pair<const char*, const char*> systems[] = {
        {"6.1.0-13-amd64", "NT6.1"},
        {"4.0", "NT4.0"},
        {"5.15.0", "NT5.15"},
        {"06.010", "NT6.10"},
        {"10", ""},
        {"", ""},
        {"x6.1", ""},
        {"6.", ""},
        {"1234567890.1", ""},
    };
    for (const auto& [release, name] : systems) {
        EXPECT_EQ(system_facts::OperatingSystem(release), name) << release;
    }
    struct Processor {
        const char* system;
        const char* machine;
        const char* family;
    };
    const Processor processors[] = {
        {"NT6.1", "x86_64", ""},     {"NT6.1", "i686", ""},        {"NT6.1", "i386", "386"},
        {"nt4.0", "i486", "486"},    {"NT4.0", "i586", "Pentium"}, {"NT4.0", "i5860", ""},
        {"NT4.0", "mips64", "MIPS"}, {"NT4.0", "alpha", "ALPHA"},  {"NT4.0", "ppc64le", "PPC"},
        {"NT4.0", "powerpc", "PPC"}, {"NT6.1", "aarch64", ""},     {"", "i486", ""},
        {"Win95", "i486", ""},
    };
    for (const Processor& p : processors) {
        EXPECT_EQ(system_facts::Processor(p.system, p.machine), p.family) << p.machine;
    }
}

class InteractionTest : public testing::StageFixture {
  protected:
    InteractionTest() {
        WriteRoles(
            "[Director]\nApplicationWindowName=Play\nChild1=S\n"
            "[S]\nType=Scene\nLeft=5\nWidth=100\nHeight=100\nChild1=T1\nChild2=T2\nChild3=P\n"
            "Child4=Z\n"
            "[T1]\nType=Timer\n[T2]\nType=Timer\n[P]\nType=Cursor\n"
            "[Z]\nType=Zone\nLeft=10\nTop=10\nWidth=10\nHeight=10\n");
        WriteQueues(
            "[Hide]\n1=P.Hide\n[Show]\n1=P.Show\n[Hide2]\n1=P.Hide\n2=P.Hide\n"
            "[Show2]\n1=P.Show\n2=P.Show\n");
        MakeDirector();
    }
};

// Timers number from 2001. One "Show" undoes any number of hides and one "Hide" any number
// of shows. Only moves and left-button presses and releases reach a zone.
TEST_F(InteractionTest, TimerIdentifiersPointerShowCountAndTheMessagesZonesTake) {
    EXPECT_EQ(Find<CTimer>("T1")->Identifier(), 2001u);
    EXPECT_EQ(Find<CTimer>("T2")->Identifier(), 2002u);

    const std::pair<const char*, bool> pointer[] = {
        {"Hide2", false}, {"Show", true}, {"Show2", true}, {"Hide", false}, {"Show", true},
    };
    for (const auto& [queue, visible] : pointer) {
        RunQueue(queue);
        EXPECT_EQ(Backend().PointerVisible(), visible) << queue;
    }

    const host::WindowHandle zone = Find<CZone>("Z")->Handle();
    const std::pair<uint32_t, bool> routed[] = {
        {host::msg::kMouseMove, true},           {host::msg::kLButtonDown, true},
        {host::msg::kLButtonUp, true},           {host::msg::kRButtonDown, false},
        {host::msg::kRButtonUp, false},          {host::msg::kLButtonDoubleClick, false},
        {host::msg::kRButtonDoubleClick, false}, {host::msg::kTimer, false},
    };
    for (const auto& [id, toZone] : routed) {
        host::Message message{MainFrame(), id, 0, 0, {15, 10}, 0};
        EXPECT_FALSE(player->Service<CZoneTable>().Filter(message));
        EXPECT_EQ(message.target == zone, toZone) << id;
        EXPECT_EQ(message.id, id);
    }
}

}  // namespace
}  // namespace stagehand
