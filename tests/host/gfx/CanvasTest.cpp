#include "host/gfx/Canvas.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace stagehand::host {
namespace {

// A surface whose every pixel names its own position, so a copied pixel tells where it came
// from.
Surface Numbered(int32_t width, int32_t height) {
    Surface s(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            s.SetPixel(x, y, Rgb(1, x, y));
        }
    }
    return s;
}

constexpr Color kPaper = Rgb(250, 250, 250);

TEST(SurfaceTest, BlitCutsToBothSurfaces) {
    const Surface source = Numbered(8, 6);
    struct Case {
        Rect from;
        Point to;
    };
    const Case cases[] = {
        {{-3, -2, 5, 4}, {1, 1}},  // source rectangle starts outside the source
        {{4, 3, 12, 9}, {6, 7}},   // runs past the source and past the target
        {{0, 0, 8, 6}, {-5, -4}},  // lands partly above and left of the target
        {{2, 2, 4, 4}, {INT32_MAX - 1, 0}},
        {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {0, 0}},
        {{0, 0, 8, 6}, {INT32_MIN, INT32_MIN}},
    };
    for (const Case& c : cases) {
        Surface target(10, 10, kPaper);
        target.Blit(source, c.from, c.to);
        for (int32_t y = 0; y < 10; ++y) {
            for (int32_t x = 0; x < 10; ++x) {
                // Where this target pixel would come from, in 64 bits.
                const int64_t sx = int64_t{x} - c.to.x + c.from.left;
                const int64_t sy = int64_t{y} - c.to.y + c.from.top;
                const bool copied =
                    sx >= std::max(c.from.left, 0) && sy >= std::max(c.from.top, 0) &&
                    sx < std::min(c.from.right, 8) && sy < std::min(c.from.bottom, 6);
                const Color want =
                    copied ? source.PixelAt(static_cast<int32_t>(sx), static_cast<int32_t>(sy))
                           : kPaper;
                ASSERT_EQ(target.PixelAt(x, y), want)
                    << "at " << x << "," << y << " case from " << c.from.left << "," << c.from.top;
            }
        }
    }
}

// A 12 x 12 target with a window at (2,2) whose clip is its 8 x 8 area less a 2 x 2 hole.
class CanvasClipTest : public ::testing::Test {
  protected:
    CanvasClipTest() {
        Region clip({2, 2, 10, 10});
        clip.Subtract({5, 5, 7, 7});
        clip_ = clip;
    }
    Canvas Make() { return Canvas(target_, {2, 2}, clip_, &damage_); }
    bool InClip(int32_t x, int32_t y) const { return clip_.Contains({x, y}); }

    Surface target_{12, 12, kPaper};
    Region clip_;
    Rect damage_;
};

TEST_F(CanvasClipTest, FillBlitAndBlendStayInsideTheClipAndBlendingMixes) {
    Canvas canvas = Make();
    canvas.Fill({-100, -100, 100, 100}, Rgb(9, 9, 9));
    for (int32_t y = 0; y < 12; ++y) {
        for (int32_t x = 0; x < 12; ++x) {
            ASSERT_EQ(target_.PixelAt(x, y), InClip(x, y) ? Rgb(9, 9, 9) : kPaper) << x << "," << y;
        }
    }
    EXPECT_EQ(damage_, (Rect{2, 2, 10, 10}));

    const Surface source = Numbered(20, 20);
    canvas.Blit(source, {0, 0, 20, 20}, {-3, -1});
    for (int32_t y = 0; y < 12; ++y) {
        for (int32_t x = 0; x < 12; ++x) {
            // Client (0,0) is target (2,2); the source's (0,0) sits at client (-3,-1).
            const Color want = InClip(x, y) ? source.PixelAt(x - 2 + 3, y - 2 + 1) : kPaper;
            ASSERT_EQ(target_.PixelAt(x, y), want) << x << "," << y;
        }
    }
    EXPECT_EQ(canvas.ClipInClient().Bounds(), (Rect{0, 0, 8, 8}));

    const std::vector<uint8_t> solid(30 * 30, 255);
    canvas.BlendCoverage(solid.data(), 30, 30, {-10, -10}, kBlack);
    for (int32_t y = 0; y < 12; ++y) {
        for (int32_t x = 0; x < 12; ++x) {
            ASSERT_EQ(target_.PixelAt(x, y), InClip(x, y) ? kBlack : kPaper) << x << "," << y;
        }
    }

    canvas.Fill({0, 0, 8, 8}, Rgb(200, 100, 0));
    canvas.BlendPixel(0, 0, Rgb(0, 200, 100), 128);
    EXPECT_EQ(target_.PixelAt(2, 2), Rgb(100, 150, 50));
    canvas.BlendPixel(3, 3, Rgb(0, 0, 0), 0);  // inside the hole, and no coverage anyway
    canvas.BlendPixel(-1, 0, kBlack, 255);
    EXPECT_EQ(target_.PixelAt(1, 2), kPaper);
    EXPECT_EQ(target_.PixelAt(5, 5), kPaper);
}

TEST_F(CanvasClipTest, FarAwayCoordinatesDrawNothing) {
    const std::vector<uint8_t> solid(9, 255);
    const Surface source = Numbered(3, 3);
    for (const Point origin : {Point{INT32_MIN, INT32_MIN}, Point{INT32_MAX, INT32_MAX}}) {
        Canvas canvas(target_, origin, clip_, &damage_);
        for (const Point p : {Point{INT32_MAX, INT32_MAX}, Point{INT32_MIN, INT32_MIN},
                              Point{INT32_MAX - 2, 0}, Point{0, INT32_MIN + 1}}) {
            canvas.BlendCoverage(solid.data(), 3, 3, p, kBlack);
            canvas.BlendPixel(p.x, p.y, kBlack, 255);
            canvas.Blit(source, {0, 0, 3, 3}, p);
            canvas.Blit(source, {1, 1, 6, 6}, p);
            canvas.Fill(Rect::FromSize(p.x, p.y, 3, 3), kBlack);
        }
    }
    // The nearest any of these comes: origin INT32_MIN plus INT32_MAX is -1, and a 3-pixel
    // block there reaches 0..1 on the target, which the clip leaves out.
    for (Color c : target_.Pixels()) {
        ASSERT_EQ(c, kPaper);
    }
    EXPECT_TRUE(damage_.IsEmpty());
}

}  // namespace
}  // namespace stagehand::host
