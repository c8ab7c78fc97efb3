#include <gtest/gtest.h>

#include "host/gfx/Canvas.h"
#include "host/gfx/Font.h"
#include "host/gfx/TextFormat.h"

namespace stagehand::host {
namespace {

using namespace text_format;

constexpr Color kPaper = Rgb(255, 255, 255);
constexpr Color kInk = Rgb(255, 0, 0);

// The bounding box of every pixel that is no longer paper.
Rect Inked(const Surface& s) {
    Rect box;
    for (int32_t y = 0; y < s.Height(); ++y) {
        for (int32_t x = 0; x < s.Width(); ++x) {
            if (s.PixelAt(x, y) != kPaper) {
                box = box.Union({x, y, x + 1, y + 1});
            }
        }
    }
    return box;
}

class TextDrawingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (font_->IsEmpty()) {
            GTEST_SKIP() << "no fonts installed";
        }
    }
    std::shared_ptr<const Font> font_ = Font::Create("Arial", 12);
    Surface surface_{200, 100, kPaper};
};

TEST_F(TextDrawingTest, GlyphsAreInkBlendedOverTheBackground) {
    Rect damage;
    Canvas canvas(surface_, {0, 0}, Region(surface_.Bounds()), &damage);
    canvas.DrawText(*font_, "Hello", {10, 10, 190, 90}, kInk, kLeft);
    int solid = 0;
    for (Color c : surface_.Pixels()) {
        // Red over white keeps red full and takes green and blue down together.
        ASSERT_EQ(RedOf(c), 255);
        ASSERT_EQ(GreenOf(c), BlueOf(c));
        solid += c == kInk;
    }
    EXPECT_GT(solid, 20);
    const Rect ink = Inked(surface_);
    // Left-aligned from x 10; capitals and ascenders within the line from y 10.
    EXPECT_NEAR(ink.left, 11, 1);
    EXPECT_NEAR(ink.right, 10 + font_->MeasureWidth("Hello"), 2);
    EXPECT_GE(ink.top, 10);
    EXPECT_LE(ink.bottom, 10 + font_->Ascent());
    EXPECT_TRUE(damage.Contains(ink));
}

TEST_F(TextDrawingTest, WrappedLinesStepDownByTheLineHeight) {
    Canvas canvas(surface_, {0, 0}, Region(surface_.Bounds()));
    canvas.DrawText(*font_, "HHH HHH", {0, 0, font_->MeasureWidth("HHH") + 2, 100}, kInk,
                    kWordBreak);
    const Rect ink = Inked(surface_);
    const auto h = font_->GlyphFor('H');
    EXPECT_EQ(ink.top, font_->Ascent() - h->top);
    EXPECT_EQ(ink.bottom, font_->LineHeight() + font_->Ascent());
}

TEST_F(TextDrawingTest, OnlyTheCanvasClipLimitsDrawing) {
    // The window sits at (50,20) and may draw in its 100 x 40 area less a hole; the text
    // rectangle is narrower than the text, which still runs past it.
    Region clip({50, 20, 150, 60});
    clip.Subtract({60, 20, 80, 60});
    Canvas canvas(surface_, {50, 20}, clip);
    canvas.DrawText(*font_, "WWWWWWWWWWWWWWWWWWWW", {-20, 0, 10, 40}, kInk, kLeft);
    bool pastRect = false;
    for (int32_t y = 0; y < surface_.Height(); ++y) {
        for (int32_t x = 0; x < surface_.Width(); ++x) {
            if (surface_.PixelAt(x, y) == kPaper) {
                continue;
            }
            ASSERT_TRUE(clip.Contains({x, y})) << x << "," << y;
            pastRect = pastRect || x >= 50 + 10;
        }
    }
    EXPECT_TRUE(pastRect);
}

TEST_F(TextDrawingTest, FarOrEmptyDrawsNothing) {
    const uint32_t centred = kCenter | kSingleLine | kVerticalCenter;
    Canvas high(surface_, {INT32_MAX, INT32_MAX}, Region(surface_.Bounds()));
    high.DrawText(*font_, "far away", {INT32_MAX - 10, INT32_MAX - 10, INT32_MAX, INT32_MAX}, kInk,
                  centred);
    Canvas low(surface_, {INT32_MIN, INT32_MIN}, Region(surface_.Bounds()));
    low.DrawText(*font_, "far away", {INT32_MIN, INT32_MIN, INT32_MIN + 5, INT32_MIN + 5}, kInk,
                 centred);
    Canvas near(surface_, {0, 0}, Region(surface_.Bounds()));
    near.DrawText(*font_, "", {0, 0, 100, 100}, kInk, kWordBreak);
    near.DrawText(*font_, "\r\n\t  \n", {0, 0, 100, 100}, kInk, kWordBreak);
    near.DrawText(Font(nullptr, 16, "", ""), "Hello", {0, 0, 100, 100}, kInk, kLeft);
    Canvas clipped(surface_, {0, 0}, Region());
    clipped.DrawText(*font_, "Hello", {0, 0, 100, 100}, kInk, kLeft);
    EXPECT_TRUE(Inked(surface_).IsEmpty());
}

}  // namespace
}  // namespace stagehand::host
