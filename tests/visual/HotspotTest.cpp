// What ends a hotspot's highlighted or pressed state besides the mouse: a cancel-mode notice,
// another window taking the mouse, its scene disabling it. None of them lets the release that
// follows click. A press on a disabled hotspot still takes the keyboard focus to the main frame.
#include "visual/Hotspot.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/StageFixture.h"

namespace stagehand::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class HotspotTest : public StageFixture {
  protected:
    HotspotTest() {
        MakeProbe("Log");
        WriteRoles(
            "[Director]\nApplicationWindowName=T\nChild1=S\n"
            "[S]\nType=Scene\nWidth=100\nHeight=100\nChild1=H\n"
            "[H]\nType=CommandButton\nLeft=10\nTop=10\nWidth=40\nHeight=40\n");
        WriteQueues("[H|Click]\n1=Log.Log(click)\n");
        MakeDirector();
        hotspot = Find<CHotspot>("H");
        scene = Find<CScene>("S");
    }

    void Mouse(uint32_t id) { Windows().Send(hotspot->Handle(), id, 0, host::PackPoint({5, 5})); }

    CHotspot* hotspot = nullptr;
    CScene* scene = nullptr;
};

TEST_F(HotspotTest, CancelModeCaptureLossAndDisablingEndAPressWithoutAClick) {
    ASSERT_NE(hotspot, nullptr);
    struct Case {
        const char* name;
        std::function<void()> interrupt;
        bool releases;
    };
    const Case cases[] = {
        {"cancel mode", [&] { Windows().Send(hotspot->Handle(), host::msg::kCancelMode); }, false},
        {"capture taken", [&] { Windows().SetCapture(MainFrame()); }, true},
        {"scene disabled", [&] { scene->SetEnabled(false); }, true},
    };
    for (const Case& c : cases) {
        Mouse(host::msg::kMouseMove);
        EXPECT_EQ(hotspot->ButtonState(), CHotspot::kHighlighted) << c.name;
        EXPECT_EQ(Windows().Capture(), hotspot->Handle()) << c.name;
        Mouse(host::msg::kLButtonDown);
        EXPECT_EQ(hotspot->ButtonState(), CHotspot::kSelected) << c.name;
        c.interrupt();
        EXPECT_EQ(hotspot->ButtonState(), CHotspot::kNormal) << c.name;
        EXPECT_FALSE(hotspot->IsPressed()) << c.name;
        EXPECT_EQ(Windows().Capture() != hotspot->Handle(), c.releases) << c.name;
        Mouse(host::msg::kLButtonUp);
        EXPECT_THAT(log, IsEmpty()) << c.name;
        Windows().ReleaseCapture();
        scene->SetEnabled(true);
    }

    // Disabled, it ignores the mouse but a press still moves the focus.
    Windows().SetFocus(hotspot->Handle());
    scene->SetEnabled(false);
    Mouse(host::msg::kMouseMove);
    Mouse(host::msg::kLButtonDown);
    EXPECT_EQ(Windows().Focus(), MainFrame());
    EXPECT_EQ(hotspot->ButtonState(), CHotspot::kNormal);
    EXPECT_FALSE(hotspot->IsPressed());
    Mouse(host::msg::kLButtonUp);
    EXPECT_THAT(log, IsEmpty());

    // Enabled again, a press and release click.
    scene->SetEnabled(true);
    Mouse(host::msg::kLButtonDown);
    Mouse(host::msg::kLButtonUp);
    EXPECT_THAT(log, ElementsAre("Log:click"));
    EXPECT_EQ(hotspot->ButtonState(), CHotspot::kNormal);
}

}  // namespace
}  // namespace stagehand::testing
