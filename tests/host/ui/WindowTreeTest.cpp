#include <gtest/gtest.h>

#include <memory>

#include "Recorder.h"

namespace stagehand::testing {
namespace {

using ::testing::ElementsAre;

// A full-screen frame with two overlapping children, B above A, and a grandchild inside A.
struct Stage : HeadlessScreen {
    explicit Stage(const std::string& script = "") : HeadlessScreen(script) {
        frame.recordMoves = a.recordMoves = b.recordMoves = inner.recordMoves = false;
        frame.Make(ws, {0, 0, 640, 480}, style::kPopup | style::kVisible);
        ws.SetMainWindow(frame.Handle());
        a.Make(ws, {100, 100, 300, 300}, kShownChild, frame.Handle());
        b.Make(ws, {200, 200, 400, 400}, kShownChild, frame.Handle());
        inner.Make(ws, {10, 10, 50, 50}, kShownChild, a.Handle());
        ws.RunPending();
        log.clear();
    }
    Recorder frame{"frame", log}, a{"A", log}, b{"B", log}, inner{"inner", log};
};

TEST(HitTesting, FindsTheTopmostShownEnabledWindowInClientCoordinates) {
    Stage s("click 250 250\nclick 105 105\nclick 115 115\nclick 5 5\n");
    s.ws.Run();
    EXPECT_THAT(s.Only(":down"),
                ElementsAre("B:down 50,50", "A:down 5,5", "inner:down 5,5", "frame:down 5,5"));
}

TEST(HitTesting, PassesOverDisabledAndHiddenWindowsAndEverythingInThem) {
    Stage s;
    s.ws.Enable(s.b.Handle(), false);
    s.ws.ButtonChanged(MouseButton::kLeft, true, {250, 250});  // B disabled: A below it
    s.ws.RunPending();
    s.ws.Show(s.a.Handle(), false);
    s.ws.ButtonChanged(MouseButton::kLeft, true, {115, 115});  // A hidden, inner with it
    s.ws.RunPending();
    s.ws.Show(s.a.Handle(), true);
    s.ws.Enable(s.a.Handle(), false);
    s.ws.ButtonChanged(MouseButton::kLeft, true, {115, 115});  // A disabled, inner with it
    s.ws.RunPending();
    EXPECT_THAT(s.Only(":down"),
                ElementsAre("A:down 150,150", "frame:down 115,115", "frame:down 115,115"));
}

TEST(HitTesting, BringingToTopChangesWhoGetsTheOverlap) {
    Stage s;
    s.ws.BringToTop(s.a.Handle());
    s.ws.ButtonChanged(MouseButton::kLeft, true, {250, 250});
    s.ws.RunPending();
    EXPECT_THAT(s.Only(":down"), ElementsAre("A:down 150,150"));
    EXPECT_EQ(s.ws.Children(s.frame.Handle()).back(), s.a.Handle());
}

TEST(HitTesting, MessagesCarryTheScreenPoint) {
    Stage s;
    Point seen;
    s.b.hook = [&](const Message& m) -> std::optional<intptr_t> {
        if (m.id == msg::kLButtonDown) {
            seen = m.screen;
        }
        return std::nullopt;
    };
    s.ws.ButtonChanged(MouseButton::kLeft, true, {390, 395});
    s.ws.RunPending();
    EXPECT_EQ(seen, (Point{390, 395}));
}

TEST(Destruction, DestroysChildrenFirstAndDropsTheirMessages) {
    Stage s;
    s.ws.Post(s.inner.Handle(), msg::kUser);
    s.ws.Post(s.a.Handle(), msg::kUser);
    const WindowHandle gone = s.a.Handle();
    s.a.DestroyWindow();
    s.ws.RunPending();
    EXPECT_THAT(s.Only("destroy"), ElementsAre("inner:destroy", "A:destroy"));
    EXPECT_TRUE(s.Only("message").empty());
    EXPECT_FALSE(s.ws.Exists(gone));
    EXPECT_EQ(s.ws.Send(gone, msg::kUser), 0);
    s.ws.Post(gone, msg::kUser);  // dropped at once
    EXPECT_FALSE(s.ws.RunPending() && !s.Only("message").empty());
}

TEST(Destruction, AnOwnerMayDeleteItselfWhenItsWindowIsGone) {
    HeadlessScreen s;
    struct SelfOwned : Recorder {
        using Recorder::Recorder;
        bool* deleted = nullptr;
        void OnWindowGone() override {
            *deleted = true;
            delete this;
        }
    };
    bool deleted = false;
    auto* w = new SelfOwned("self", s.log);
    w->deleted = &deleted;
    w->Make(s.ws, {0, 0, 10, 10}, style::kPopup | style::kVisible);
    const WindowHandle h = w->Handle();
    s.ws.Post(h, msg::kClose);  // default handling destroys the window
    s.ws.Post(h, msg::kUser);   // arrives after the window is gone: dropped
    s.ws.RunPending();
    EXPECT_TRUE(deleted);
    EXPECT_THAT(s.log,
                ElementsAre("self:set-focus", "self:close", "self:kill-focus", "self:destroy"));
}

TEST(Destruction, DeletingTheOwnerDestroysItsWindowQuietly) {
    Stage s;
    auto owner = std::make_unique<Recorder>("owned", s.log);
    owner->Make(s.ws, {0, 0, 20, 20}, kShownChild, s.frame.Handle());
    Recorder child("child", s.log);
    child.Make(s.ws, {0, 0, 5, 5}, kShownChild, owner->Handle());
    const WindowHandle h = owner->Handle();
    owner.reset();
    EXPECT_FALSE(s.ws.Exists(h));
    EXPECT_FALSE(child.HasWindow());
    EXPECT_THAT(s.Only("destroy"), ElementsAre("child:destroy"));
}

// From the first notice on, every window going is off the screen: it shows nothing, is not
// painted (even by a loop run inside a notice) and takes no children. What the subtree showed
// is repainted once it has gone: the frame below it and B, which A did not clip.
TEST(Destruction, WindowsGoingAreOffTheScreenFromTheFirstNotice) {
    Stage s;
    s.a.hook = [&](const Message& m) -> std::optional<intptr_t> {
        if (m.id != msg::kDestroy) {
            return std::nullopt;
        }
        EXPECT_TRUE(s.ws.VisibleRegion(s.a.Handle()).IsEmpty());
        s.ws.Invalidate(s.a.Handle());
        EXPECT_FALSE(s.ws.NeedsPaint(s.a.Handle()));
        Recorder late("late", s.log);
        EXPECT_FALSE(late.Make(s.ws, {0, 0, 5, 5}, kShownChild, s.a.Handle()));
        s.ws.RunPending();
        return std::nullopt;
    };
    s.a.DestroyWindow();
    s.ws.RunPending();
    EXPECT_THAT(s.log, ElementsAre("inner:destroy", "A:destroy", "frame:paint", "B:paint"));
}

TEST(Destruction, DestroyingTheMainWindowEndsTheLoop) {
    Stage s("click 10 10\n");
    s.frame.hook = [&](const Message& m) -> std::optional<intptr_t> {
        if (m.id == msg::kLButtonUp) {
            s.ws.Post(s.frame.Handle(), msg::kClose);
        }
        return std::nullopt;
    };
    EXPECT_EQ(s.ws.Run(), 0);
    EXPECT_FALSE(s.ws.Exists(s.b.Handle()));
    EXPECT_EQ(s.Only("destroy").size(), 4u);
}

TEST(Titles, FindTopLevelComparesWithoutCaseAndIgnoresChildren) {
    Stage s;
    s.ws.SetTitle(s.frame.Handle(), "My Title");
    EXPECT_EQ(s.ws.FindTopLevel("MY TITLE"), s.frame.Handle());
    EXPECT_EQ(s.ws.FindTopLevel("A"), WindowHandle{});  // a child's title
    EXPECT_EQ(s.backend.Caption(), "My Title");
    s.ws.SetTitle(s.frame.Handle(), "Caf\xE9");
    EXPECT_EQ(s.backend.Caption(), "Caf\xC3\xA9");  // shown in UTF-8
}

TEST(Creation, AChildNeedsALiveParent) {
    HeadlessScreen s;
    Recorder orphan("orphan", s.log);
    EXPECT_FALSE(orphan.Make(s.ws, {0, 0, 5, 5}, kShownChild, WindowHandle{12345}));
    EXPECT_FALSE(orphan.HasWindow());
}

}  // namespace
}  // namespace stagehand::testing
