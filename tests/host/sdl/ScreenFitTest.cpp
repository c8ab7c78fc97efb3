#include "host/sdl/ScreenFit.h"

#include <gtest/gtest.h>

namespace stagehand::host {
namespace {

constexpr Size kScreen{640, 480};

TEST(ScreenFitTest, ScalesToFitAndCentresWithBars) {
    // Wide: bars left and right.
    const ScreenFit wide(kScreen, {1920, 1080});
    EXPECT_EQ(wide.Viewport(), (Rect{240, 0, 1680, 1080}));
    EXPECT_DOUBLE_EQ(wide.Scale(), 2.25);
    EXPECT_FALSE(wide.IsWholeScale());
    // Tall: bars above and below.
    EXPECT_EQ(ScreenFit(kScreen, {800, 1000}).Viewport(), (Rect{0, 200, 800, 800}));
    const ScreenFit sxga(kScreen, {1280, 1024});
    EXPECT_EQ(sxga.Viewport(), (Rect{0, 32, 1280, 992}));
    EXPECT_TRUE(sxga.IsWholeScale());
    // Exact fits, bigger and smaller.
    EXPECT_EQ(ScreenFit(kScreen, {1920, 1440}).Viewport(), (Rect{0, 0, 1920, 1440}));
    EXPECT_TRUE(ScreenFit(kScreen, {640, 480}).IsWholeScale());
    EXPECT_EQ(ScreenFit(kScreen, {320, 240}).Viewport(), (Rect{0, 0, 320, 240}));
}

TEST(ScreenFitTest, OddSizesRoundToTheNearestPixel) {
    EXPECT_EQ(ScreenFit(kScreen, {1366, 768}).Viewport(), (Rect{171, 0, 1195, 768}));
    // One pixel more each way: width decides, 480.75 rounds to 481.
    const ScreenFit nearly(kScreen, {641, 481});
    EXPECT_EQ(nearly.Viewport(), (Rect{0, 0, 641, 481}));
    EXPECT_FALSE(nearly.IsWholeScale());
    // An odd screen: 217 x 1000 / 333 = 651.65.
    EXPECT_EQ(ScreenFit({333, 217}, {1000, 1000}).Viewport(), (Rect{0, 174, 1000, 826}));
}

TEST(ScreenFitTest, PointsOutsideTheViewportGoToTheNearestEdge) {
    // An empty window has nothing to show.
    const ScreenFit minimized(kScreen, {0, 0});
    EXPECT_TRUE(minimized.Viewport().IsEmpty());
    EXPECT_EQ(minimized.ToScreen({10, 10}), (Point{0, 0}));
    EXPECT_TRUE(ScreenFit({0, 480}, {1920, 1080}).Viewport().IsEmpty());

    // Points in the bars go to the nearest edge.
    const ScreenFit fit(kScreen, {1920, 1080});
    EXPECT_EQ(fit.ToScreen({100, 0}), (Point{0, 0}));
    EXPECT_EQ(fit.ToScreen({1900, 1079}), (Point{639, 479}));
    EXPECT_EQ(fit.ToScreen({-50, 5000}), (Point{0, 479}));
    EXPECT_EQ(fit.ToScreen({240, 0}), (Point{0, 0}));
    EXPECT_EQ(fit.ToScreen({1679, 540}), (Point{639, 240}));
    // Window points for logical points off the screen are cut to it.
    EXPECT_EQ(fit.ToWindow({-5, 1000}), fit.ToWindow({0, 479}));
}

// Each scaling: where the picture lands, the whole multiple it passes through first and the
// sampling of the last step.
TEST(ScreenFitTest, EachScalingPlacesAndSamplesThePicture) {
    using enum ScaleMode;
    constexpr auto kNear = ScreenFit::Filter::kNearest;
    constexpr auto kLinear = ScreenFit::Filter::kLinear;
    struct Case {
        ScaleMode mode;
        Size window;
        Rect viewport;
        int32_t intermediate;
        ScreenFit::Filter filter;
    };
    const Case cases[] = {
        // 2.25x: 2x nearest, then 1.125x smoothly.
        {kSharp, {1920, 1080}, {240, 0, 1680, 1080}, 2, kLinear},
        {kSharp, {3840, 2160}, {480, 0, 3360, 2160}, 4, kLinear},
        // At a whole scale it is nearest alone; below 2x the first step would change nothing.
        {kSharp, {1280, 1024}, {0, 32, 1280, 992}, 1, kNear},
        {kSharp, {800, 600}, {0, 0, 800, 600}, 1, kLinear},
        {kSharp, {320, 240}, {0, 0, 320, 240}, 1, kLinear},
        {kNearest, {1920, 1080}, {240, 0, 1680, 1080}, 1, kNear},
        {kNearest, {800, 600}, {0, 0, 800, 600}, 1, kNear},
        {kSmooth, {1920, 1080}, {240, 0, 1680, 1080}, 1, kLinear},
        {kSmooth, {1280, 960}, {0, 0, 1280, 960}, 1, kNear},
        // Whole multiples only, centred; a window smaller than the screen shows its middle.
        {kInteger, {1920, 1080}, {320, 60, 1600, 1020}, 1, kNear},
        {kInteger, {3840, 2160}, {640, 120, 3200, 2040}, 1, kNear},
        {kInteger, {1366, 768}, {363, 144, 1003, 624}, 1, kNear},
        {kInteger, {320, 240}, {-160, -120, 480, 360}, 1, kNear},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << ScaleModeName(c.mode) << " " << c.window.width << "x" << c.window.height);
        const ScreenFit fit(kScreen, c.window, c.mode);
        EXPECT_EQ(fit.Viewport(), c.viewport);
        EXPECT_EQ(fit.IntermediateMultiple(), c.intermediate);
        EXPECT_EQ(fit.IntermediateSize(), (Size{640 * c.intermediate, 480 * c.intermediate}));
        EXPECT_EQ(fit.FinalFilter(), c.filter);
    }
    EXPECT_TRUE(ScreenFit(kScreen, {0, 0}, kInteger).Viewport().IsEmpty());
}

TEST(ScreenFitTest, ScaleModesHaveNamesAndOtherWordsAreNone) {
    for (const ScaleMode mode : kScaleModes) {
        EXPECT_EQ(ParseScaleMode(ScaleModeName(mode)), mode);
    }
    EXPECT_EQ(ScaleModeName(ScaleMode::kSharp), "sharp");
    for (const std::string_view word : {"", "Sharp", "linear", "sharp ", "integer2"}) {
        EXPECT_FALSE(ParseScaleMode(word)) << word;
    }
}

TEST(ScreenFitTest, EveryLogicalPixelIsReachedAndFoundAgain) {
    const Size windows[] = {{1920, 1080}, {1366, 768}, {641, 481},   {1000, 500},
                            {1280, 1024}, {800, 1000}, {3840, 2160}, {640, 480}};
    for (const ScaleMode mode : kScaleModes) {
        for (const Size window : windows) {
            SCOPED_TRACE(::testing::Message()
                         << ScaleModeName(mode) << " " << window.width << "x" << window.height);
            const ScreenFit fit(kScreen, window, mode);
            const Rect& view = fit.Viewport();
            // Across the viewport the logical column never goes back and never skips one.
            int32_t previous = 0;
            for (int32_t x = view.left; x < view.right; ++x) {
                const int32_t column = fit.ToScreen({x, view.top}).x;
                ASSERT_GE(column, previous);
                ASSERT_LE(column, previous + 1);
                previous = column;
            }
            EXPECT_EQ(fit.ToScreen({view.left, view.top}), (Point{0, 0}));
            EXPECT_EQ(fit.ToScreen({view.right - 1, view.bottom - 1}), (Point{639, 479}));
            for (int32_t i = 0; i < 640; ++i) {
                const Point logical{i, i * 479 / 639};
                const Point back = fit.ToWindow(logical);
                ASSERT_TRUE(view.Contains(back));
                ASSERT_EQ(fit.ToScreen(back), logical);
            }
        }
    }
}

TEST(ScreenFitTest, WindowIsTheLargestWholeMultipleThatFits) {
    EXPECT_EQ(LargestWholeMultiple(kScreen, {1920, 1080}), 2);
    EXPECT_EQ(LargestWholeMultiple(kScreen, {1280, 1024}), 2);
    EXPECT_EQ(LargestWholeMultiple(kScreen, {1279, 1024}), 1);
    EXPECT_EQ(LargestWholeMultiple(kScreen, {3840, 2160}), 4);
    // Never less than one, even on a display smaller than the screen.
    EXPECT_EQ(LargestWholeMultiple(kScreen, {600, 400}), 1);
    EXPECT_EQ(LargestWholeMultiple(kScreen, {0, 0}), 1);
}

}  // namespace
}  // namespace stagehand::host
