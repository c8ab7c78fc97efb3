#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Recorder.h"

namespace stagehand::testing {
namespace {

using ::testing::ElementsAre;

constexpr Color kRed = Rgb(255, 0, 0);
constexpr Color kGreen = Rgb(0, 255, 0);
constexpr Color kBlue = Rgb(0, 0, 255);
constexpr Color kGrey = Rgb(128, 128, 128);

struct Painted : HeadlessScreen {
    Painted() {
        frame.Make(ws, {0, 0, 640, 480}, style::kPopup | style::kVisible);
        ws.SetMainWindow(frame.Handle());
    }
    Color At(int x, int y) const { return ws.Framebuffer().PixelAt(x, y); }
    Recorder frame{"frame", log};
};

TEST(Painting, ParentsBeforeChildrenBottomToTop) {
    Painted s;
    Recorder a("A", s.log), b("B", s.log), a1("A1", s.log), hidden("hidden", s.log);
    a.Make(s.ws, {0, 0, 100, 100}, kShownChild, s.frame.Handle());
    b.Make(s.ws, {50, 50, 150, 150}, kShownChild, s.frame.Handle());
    a1.Make(s.ws, {10, 10, 20, 20}, kShownChild, a.Handle());
    hidden.Make(s.ws, {0, 0, 10, 10}, style::kChild, s.frame.Handle());
    s.ws.RunPending();
    EXPECT_THAT(s.Only("paint"), ElementsAre("frame:paint", "A:paint", "A1:paint", "B:paint"));
}

TEST(Painting, InvalidatingAWindowRepaintsWhatIsStackedAboveItButNotBelow) {
    Painted s;
    Recorder low("low", s.log), high("high", s.log), apart("apart", s.log);
    low.Make(s.ws, {0, 0, 100, 100}, kShownChild, s.frame.Handle());
    high.Make(s.ws, {50, 50, 150, 150}, kShownChild, s.frame.Handle());
    apart.Make(s.ws, {300, 300, 320, 320}, kShownChild, s.frame.Handle());
    s.ws.RunPending();
    s.log.clear();
    s.ws.Invalidate(low.Handle());
    s.ws.RunPending();
    EXPECT_THAT(s.Only("paint"), ElementsAre("low:paint", "high:paint"));
}

TEST(Painting, HidingExposesWhatWasBelowAndUpdateNowPaintsAtOnce) {
    Painted s;
    s.frame.fill = kGrey;
    Recorder top("top", s.log);
    top.fill = kRed;
    top.Make(s.ws, {10, 10, 30, 30}, kShownChild, s.frame.Handle());
    s.ws.RunPending();
    EXPECT_EQ(s.At(15, 15), kRed);
    s.ws.Show(top.Handle(), false);
    s.ws.RunPending();
    EXPECT_EQ(s.At(15, 15), kGrey);
    s.ws.Show(top.Handle(), true);
    s.ws.UpdateNow(top.Handle());  // no loop needed
    EXPECT_EQ(s.At(15, 15), kRed);
    EXPECT_FALSE(s.ws.NeedsPaint(top.Handle()));
}

TEST(Painting, MovingRepaintsTheOldPlaceAndTheNewAndHitTestingFollows) {
    Painted s;
    s.frame.fill = kGrey;
    Recorder box("box", s.log);
    box.fill = kRed;
    box.recordMoves = false;
    box.Make(s.ws, {10, 10, 30, 30}, kShownChild, s.frame.Handle());
    s.ws.RunPending();
    s.ws.Move(box.Handle(), {100, 100, 120, 120});
    s.ws.RunPending();
    EXPECT_EQ(s.At(15, 15), kGrey);
    EXPECT_EQ(s.At(110, 110), kRed);
    s.ws.ButtonChanged(MouseButton::kLeft, true, {105, 105});
    s.ws.RunPending();
    EXPECT_FALSE(s.Only("box:down 5,5").empty());
}

TEST(Clipping, AChildIsCutByItsParentAndClipSiblingsBySiblingsAbove) {
    Painted s;
    Recorder parent("parent", s.log), under("under", s.log), over("over", s.log);
    parent.fill = kGrey;
    under.fill = kRed;
    over.fill = kBlue;
    parent.Make(s.ws, {100, 100, 200, 200}, kShownChild, s.frame.Handle());
    // Reaches out of its parent on the right.
    under.Make(s.ws, {50, 0, 150, 50}, kShownChild | style::kClipSiblings, parent.Handle());
    over.Make(s.ws, {80, 20, 90, 30}, kShownChild, parent.Handle());
    s.ws.RunPending();
    EXPECT_EQ(s.At(160, 110), kRed);
    EXPECT_EQ(s.At(210, 110), kBlack);  // outside the parent: not drawn
    EXPECT_EQ(s.At(185, 125), kBlue);
    // Repainting `under` alone does not draw over `over`, which is above it.
    s.ws.Invalidate(under.Handle());
    s.log.clear();
    s.ws.Send(under.Handle(), msg::kPaint);
    EXPECT_EQ(s.At(185, 125), kBlue);
    EXPECT_EQ(s.ws.VisibleRegion(under.Handle()).Area(), 50 * 50 - 10 * 10);
}

TEST(Clipping, WithoutClipSiblingsAWindowPaintsOverItsSiblingsWhichThenRepaint) {
    Painted s;
    Recorder under("under", s.log), over("over", s.log);
    under.fill = kRed;
    over.fill = kBlue;
    under.Make(s.ws, {0, 0, 100, 100}, kShownChild, s.frame.Handle());
    over.Make(s.ws, {40, 40, 60, 60}, kShownChild, s.frame.Handle());
    s.ws.RunPending();
    s.log.clear();
    {
        Canvas canvas = s.ws.WindowCanvas(under.Handle());
        canvas.Fill({0, 0, 100, 100}, kGreen);
    }
    EXPECT_EQ(s.At(50, 50), kGreen);  // drawn over the sibling, as the desktop does
    s.ws.Invalidate(under.Handle(), Rect{45, 45, 50, 50});
    s.ws.RunPending();
    EXPECT_THAT(s.Only("paint"), ElementsAre("under:paint", "over:paint"));
    EXPECT_EQ(s.At(47, 47), kBlue);
    EXPECT_EQ(s.At(55, 55), kGreen);  // outside the invalidated part: left as it was
}

TEST(Clipping, APaintDrawsOnlyWhatWasInvalidated) {
    Painted s;
    Recorder w("w", s.log);
    w.Make(s.ws, {0, 0, 100, 100}, kShownChild, s.frame.Handle());
    s.ws.RunPending();
    w.fill = kRed;
    s.ws.Invalidate(w.Handle(), Rect{10, 10, 20, 20});
    s.ws.RunPending();
    EXPECT_EQ(s.At(15, 15), kRed);
    EXPECT_EQ(s.At(25, 25), kBlack);
}

// Clip-siblings scenes stacked in a holder go one by one, topmost first, and then all at once
// with the holder; each time the screen shows what is left.
TEST(Clipping, DestroyedStacksUncoverWhatIsLeft) {
    Painted s;
    s.frame.fill = kGrey;
    Recorder holder("holder", s.log);
    holder.fill = kBlue;
    holder.Make(s.ws, {0, 0, 300, 300}, kShownChild, s.frame.Handle());
    std::vector<std::unique_ptr<Recorder>> scenes;
    for (int i = 0; i < 6; ++i) {
        scenes.push_back(std::make_unique<Recorder>("scene", s.log));
        scenes.back()->fill = i % 2 ? kGreen : kRed;
        scenes.back()->Make(s.ws, Rect{0, 0, 200, 200}.Offset(i * 10, i * 10),
                            kShownChild | style::kClipSiblings, holder.Handle());
    }
    s.ws.RunPending();
    EXPECT_EQ(s.At(100, 100), kGreen);
    s.ws.Destroy(scenes[5]->Handle());
    s.ws.Destroy(scenes[4]->Handle());
    s.ws.RunPending();
    EXPECT_EQ(s.At(100, 100), kGreen);
    EXPECT_EQ(s.At(245, 245), kBlue);
    s.ws.Destroy(scenes[3]->Handle());
    s.ws.RunPending();
    EXPECT_EQ(s.At(100, 100), kRed);
    EXPECT_EQ(s.At(5, 5), kRed);
    s.ws.Destroy(holder.Handle());
    s.ws.RunPending();
    for (Point p : {Point{5, 5}, Point{100, 100}, Point{250, 250}}) {
        EXPECT_EQ(s.At(p.x, p.y), kGrey);
    }
    EXPECT_TRUE(s.ws.Children(s.frame.Handle()).empty());
}

TEST(Erasing, WindowsThatDoNotEraseLeaveThePixelsBelow) {
    Painted s;
    s.frame.fill = kGrey;
    Recorder label("label", s.log), box("box", s.log);
    label.recordErase = box.recordErase = true;
    label.Make(s.ws, {0, 0, 50, 50}, kShownChild, s.frame.Handle());
    box.CreateWindow(s.ws, {"box", kShownChild, {60, 0, 110, 50}, s.frame.Handle(), false, kGreen});
    s.ws.RunPending();
    EXPECT_EQ(s.At(25, 25), kGrey);   // the label drew nothing and erased nothing
    EXPECT_EQ(s.At(85, 25), kGreen);  // the default erase fills with the background colour
    EXPECT_THAT(s.Only("erase"), ElementsAre("label:erase", "box:erase"));
}

TEST(Presenting, OnlyChangesArePresentedAndANeverChangingScreenIsNot) {
    Painted s;
    s.frame.fill = kGrey;
    s.ws.RunPending();
    const int first = s.backend.PresentCount();
    EXPECT_GE(first, 1);
    s.ws.RunPending();
    EXPECT_EQ(s.backend.PresentCount(), first);
}

}  // namespace
}  // namespace stagehand::testing
