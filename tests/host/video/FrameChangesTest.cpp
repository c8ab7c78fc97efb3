// The changed rectangles between two frames, and when frames are due.
#include <gtest/gtest.h>

#include <vector>

#include "host/video/FrameChanges.h"
#include "host/video/FramePacing.h"

namespace stagehand::host {
namespace {

TEST(FrameChanges, CoverEveryChangedPixelWithFewRectangles) {
    struct Case {
        const char* what;
        std::vector<Point> changed;  // pixels of a 100x50 frame that change
        std::vector<Rect> rects;
    };
    std::vector<Point> scattered;
    for (int32_t x = 0; x < 100; x += 32) {
        for (int32_t y = 0; y < 50; y += 32) {
            scattered.push_back({x, y});
        }
    }
    const Case cases[] = {
        {"nothing", {}, {}},
        {"one pixel", {{17, 3}}, {{16, 0, 32, 16}}},
        {"the frame's cut edge", {{99, 49}}, {{96, 48, 100, 50}}},
        {"neighbours in a row join", {{1, 1}, {20, 1}, {40, 1}}, {{0, 0, 48, 16}}},
        {"a column joins", {{1, 1}, {1, 20}, {1, 40}}, {{0, 0, 16, 48}}},
        {"different spans stay apart", {{1, 1}, {20, 20}}, {{0, 0, 16, 16}, {16, 16, 32, 32}}},
        {"a gap splits a row", {{1, 1}, {40, 1}}, {{0, 0, 16, 16}, {32, 0, 48, 16}}},
        {"scattered",
         scattered,
         {{0, 0, 16, 16},
          {32, 0, 48, 16},
          {64, 0, 80, 16},
          {96, 0, 100, 16},
          {0, 32, 16, 48},
          {32, 32, 48, 48},
          {64, 32, 80, 48},
          {96, 32, 100, 48}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Surface before(100, 50, Rgb(1, 2, 3));
        Surface after = before;
        for (const Point p : c.changed) {
            after.SetPixel(p.x, p.y, Rgb(9, 9, 9));
        }
        EXPECT_EQ(ChangedRects(before, after), c.rects);
    }
    // Past kMaxRects: one rectangle around all; another size: the whole frame.
    Surface big(1100, 64);
    Surface dotted = big;
    for (int32_t x = 20; x < 1100; x += 32) {
        dotted.SetPixel(x, 10, 1);
    }
    EXPECT_EQ(ChangedRects(big, dotted), (std::vector<Rect>{{16, 0, 1088, 16}}));
    EXPECT_EQ(ChangedRects(Surface(4, 4), big), (std::vector<Rect>{big.Bounds()}));
}

TEST(FramePacing, FramesFallDueAtTheRateAndARunRestartsWhenFarBehind) {
    FramePacing pacing;
    pacing.Start(1000, 5, 15);
    EXPECT_EQ(pacing.DueAt(5), 1000);
    EXPECT_EQ(pacing.DueAt(8), 1200);
    EXPECT_FALSE(pacing.IsDue(6, 1066));
    EXPECT_TRUE(pacing.IsDue(6, 1067));
    pacing.Shown(6, 1100);  // a little late: keeps the run
    EXPECT_EQ(pacing.DueAt(7), 1133);
    pacing.Shown(7, 5000);  // far behind: frame 7 counts as shown on time now
    EXPECT_EQ(pacing.DueAt(8), 5067);
    pacing.Start(0, 0, 0);  // no rate: 10 frames a second
    EXPECT_EQ(pacing.DueAt(3), 300);
}

}  // namespace
}  // namespace stagehand::host
