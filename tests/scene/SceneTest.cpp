// Scenes on a headless window system: their windows, the "Load" and "Unload" events, closing
// in every way, enable passing and modal scenes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "kernel/Actor.h"
#include "scene/ModalScenes.h"
#include "support/StageFixture.h"

namespace stagehand::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SceneTest : public StageFixture {
  protected:
    SceneTest() { MakeProbe("Log"); }

    CScene* Scene(std::string_view name) const { return Find<CScene>(name); }
    void Close(std::string_view name) { Windows().Send(Scene(name)->Handle(), host::msg::kClose); }
};

TEST_F(SceneTest, ASceneOpensItsWindowThenItsChildrenThenRunsLoad) {
    WriteRoles(
        "[Director]\nApplicationWindowName=T\nChild1=First\nChild2=Second\n"
        "[First]\nType=Scene\nLeft=10\nTop=20\nWidth=300\nHeight=200\nState1=Score, Integer, 3\n"
        "[Second]\nType=Scene\nWidth=50\nHeight=50\n");
    WriteQueues("[First|Load]\n1=Log.Log(score [Score.Value])\n[Second|Load]\n1=Log.Log(two)\n");
    MakeDirector();
    EXPECT_THAT(log, ElementsAre("Log:score 3", "Log:two"));

    CScene* first = Scene("First");
    ASSERT_TRUE(first->HasWindow());
    EXPECT_EQ(Windows().Parent(first->Handle()), MainFrame());
    EXPECT_EQ(Windows().WindowRect(first->Handle()), (host::Rect{10, 20, 310, 220}));
    EXPECT_EQ(Windows().Title(first->Handle()), "First");
    // Later scenes stack above earlier ones.
    EXPECT_THAT(Windows().Children(MainFrame()),
                ElementsAre(first->Handle(), Scene("Second")->Handle()));
    EXPECT_EQ(Windows().Focus(), MainFrame());
}

TEST_F(SceneTest, AHiddenSceneTakesNoFocusAndShowChangesOnlyTheWindow) {
    WriteRoles(
        "[Director]\nApplicationWindowName=T\nChild1=Quiet\n[Quiet]\nType=Scene\nIsVisible=0\n");
    WriteQueues("[Reveal]\n1=Quiet.Show()\n");
    Windows().SetFocus({});
    MakeDirector();
    CScene* quiet = Scene("Quiet");
    EXPECT_FALSE(Windows().IsVisible(quiet->Handle()));
    EXPECT_NE(Windows().Focus(), MainFrame());
    RunQueue("Reveal");
    EXPECT_TRUE(Windows().IsVisible(quiet->Handle()));
    EXPECT_EQ(quiet->GetProperty("IsVisible"), "0");
}

TEST_F(SceneTest, NestedScenesOpenInTheirParentScene) {
    WriteRoles(
        "[Director]\nApplicationWindowName=T\nChild1=Outer\n"
        "[Outer]\nType=Scene\nLeft=100\nWidth=200\nHeight=200\nChild1=Inner\n"
        "[Inner]\nType=Scene\nLeft=5\nTop=5\nWidth=20\nHeight=20\n");
    MakeDirector();
    EXPECT_EQ(Windows().Parent(Scene("Inner")->Handle()), Scene("Outer")->Handle());
    EXPECT_EQ(Windows().ScreenRect(Scene("Inner")->Handle()), (host::Rect{105, 5, 125, 25}));
}

TEST_F(SceneTest, CloseRunsUnloadAndTakesTheSceneWithEverythingItOwns) {
    WriteRoles(
        "[Director]\nApplicationWindowName=T\nChild1=Room\n"
        "[Room]\nType=Scene\nWidth=10\nHeight=10\nChild1=Nook\nState1=Items, Integer, 2\n"
        "[Nook]\nType=Scene\n");
    WriteQueues("[Room|Unload]\n1=Log.Log(unload [Items.Value])\n[Nook|Unload]\n1=Log.Log(nook)\n");
    MakeDirector();
    const host::WindowHandle window = Scene("Room")->Handle();
    Close("Room");
    // Only the scene that was asked to close runs "Unload"; what it owns just goes.
    EXPECT_THAT(log, ElementsAre("Log:unload 2"));
    EXPECT_FALSE(Windows().Exists(window));
    for (const char* name : {"Room", "Nook", "Items"}) {
        EXPECT_EQ(stage->Find(name), nullptr) << name;
    }
    EXPECT_THAT(Find<CDirector>("Director")->Children(), IsEmpty());
}

TEST_F(SceneTest, ScenesThatUnloadThemselvesGoSafely) {
    WriteRoles(
        "[Director]\nApplicationWindowName=T\n[Brief]\nType=Scene\n[Loop]\nType=Scene\n"
        "[Gone]\nType=Scene\n");
    WriteQueues(
        // A scene whose "Load" unloads it, whose "Unload" unloads it again, and one that a
        // message of its own "Unload" removes outright.
        "[Start]\n1=Director.Load(Brief)\n2=Director.Load(Loop)\n3=Director.Unload(Loop)\n"
        "4=Director.Load(Gone)\n5=Director.Unload(Gone)\n6=Log.Log(done)\n"
        "[Brief|Load]\n1=Director.Unload(Brief)\n2=Log.Log(brief still runs)\n"
        "[Loop|Unload]\n1=Director.Unload(Loop)\n2=Log.Log(loop)\n"
        "[Gone|Unload]\n1=Director.RemoveChild(Gone)\n2=Log.Log(gone)\n");
    MakeDirector();
    RunQueue("Start");
    EXPECT_THAT(log, ElementsAre("Log:brief still runs", "Log:loop", "Log:gone", "Log:done"));
    EXPECT_THAT(Windows().Children(MainFrame()), IsEmpty());
    EXPECT_THAT(Find<CDirector>("Director")->Children(), IsEmpty());
}

TEST_F(SceneTest, ClosingTheMainFrameDeletesEveryScene) {
    WriteRoles(
        "[Director]\nApplicationWindowName=T\nChild1=A\nChild2=B\nState1=Keep, Integer\n"
        "[A]\nType=Scene\n[B]\nType=Scene\nModal=1\n");
    WriteQueues("[A|Unload]\n1=Log.Log(a)\n");
    MakeDirector();
    Windows().Send(MainFrame(), host::msg::kClose);
    EXPECT_THAT(log, IsEmpty());  // destruction from above runs no event
    EXPECT_EQ(stage->Find("A"), nullptr);
    EXPECT_EQ(stage->Find("B"), nullptr);
    EXPECT_NE(stage->Find("Keep"), nullptr);  // no window: it goes with the director
    EXPECT_THAT(player->Service<CModalScenes>().Scenes(), IsEmpty());
}

TEST_F(SceneTest, EnablingPassesToChildScenesUnlessOneIsDisabledOnItsOwn) {
    WriteRoles(
        "[Director]\nApplicationWindowName=T\nChild1=Outer\n"
        "[Outer]\nType=Scene\nChild1=Inner\nChild2=Side\n[Inner]\nType=Scene\n[Side]\nType="
        "Scene\n");
    WriteQueues("[Off]\n1=Side.Disable()\n2=Outer.Disable()\n[On]\n1=Outer.Enable()\n");
    MakeDirector();
    RunQueue("Off");
    EXPECT_FALSE(Scene("Outer")->IsEnabled());
    EXPECT_FALSE(Scene("Inner")->IsEnabled());
    RunQueue("On");
    EXPECT_TRUE(Scene("Inner")->IsEnabled());
    EXPECT_FALSE(Scene("Side")->IsEnabled());  // its own "Disable" holds
}

// The container's call without destroying only forgets the entry: the child stays alive and
// owned (the sanitizer build sees no leak).
TEST_F(SceneTest, RemoveChildWithoutDestroyingOnlyForgetsTheEntry) {
    WriteRoles("[Director]\nApplicationWindowName=T\nState1=B, Integer\n");
    CDirector& d = MakeDirector();
    CMessageHandler* b = d.FindChild("B");
    d.RemoveChild("B", false);
    EXPECT_FALSE(d.HasChild("B"));
    EXPECT_EQ(stage->Find("B"), b);
}

class ModalTest : public SceneTest {
  protected:
    ModalTest() {
        WriteRoles(
            "[Director]\nApplicationWindowName=T\nChild1=A\nChild2=B\n"
            "[A]\nType=Scene\nChild1=Inside\n[Inside]\nType=Scene\n[B]\nType=Scene\n"
            "[M1]\nType=Scene\nModal=1\n[M2]\nType=Scene\nModal=1\n");
        WriteQueues("[Modals]\n1=Director.Load(M1)\n2=Director.Load(M2)\n");
        MakeDirector();
    }
    std::string States() {
        std::string states;
        for (const char* name : {"A", "Inside", "B", "M1", "M2"}) {
            if (CScene* scene = Scene(name)) {
                states += std::string(name) + (scene->IsEnabled() ? "+ " : "- ");
            }
        }
        return states;
    }
};

// Two modal scenes closed in either order: the newer one is in charge while it exists.
TEST_F(ModalTest, ModalScenesDisableTheOthersAndHandBackInTurn) {
    struct Step {
        const char* close;
        std::string states;
    };
    for (const auto& order :
         {std::vector<Step>{{"M2", "A- Inside- B- M1+ "}, {"M1", "A+ Inside+ B+ "}},
          std::vector<Step>{{"M1", "A- Inside- B- M2+ "}, {"M2", "A+ Inside+ B+ "}}}) {
        RunQueue("Modals");
        EXPECT_EQ(States(), "A- Inside- B- M1- M2+ ");
        for (const Step& step : order) {
            Close(step.close);
            EXPECT_EQ(States(), step.states) << "after closing " << step.close;
        }
    }
}

// A scene disabled by its own command stays so; a scene that stopped claiming Modal still
// leaves the list.
TEST_F(ModalTest, OwnDisablingHoldsAndAFormerModalSceneLeavesTheList) {
    WriteQueues(
        "[Modal]\n1=B.Disable()\n2=Director.Load(M1)\n3=M1.Set(Modal,0)\n4=Director.Unload(M1)\n");
    RunQueue("Modal");
    EXPECT_THAT(player->Service<CModalScenes>().Scenes(), IsEmpty());
    EXPECT_EQ(States(), "A+ Inside+ B- ");
}

}  // namespace
}  // namespace stagehand::testing
