// Containers: the numbered "Child" and "State" entries, "AddChild" and "RemoveChild", and
// ownership, played through the director on a title without windows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "director/Director.h"
#include "state/StateVar.h"
#include "support/TitleFixture.h"

namespace stagehand::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class ContainerTest : public TitleFixture {
  protected:
    CDirector& MakeDirector() {
        player->StartDirector();
        return *player->Director();
    }
};

TEST_F(ContainerTest, ChildrenAreCreatedInOrderUpToTheFirstMissingNumber) {
    WriteRoles(
        "[Director]\nApplicationWindowName=T\nChild1=Score\nChild2=Name\nChild4=Lost\n"
        "[Score]\nType=Integer\n[Name]\nType=String\n[Lost]\nType=Integer\n");
    CDirector& d = MakeDirector();
    EXPECT_TRUE(d.HasChild("Score"));
    EXPECT_TRUE(d.HasChild("Name"));
    EXPECT_FALSE(d.HasChild("Lost"));
    EXPECT_EQ(stage->Find("Lost"), nullptr);
    // The numbered entries are the container's, not properties of its own.
    EXPECT_THAT(Traced("fault: "), IsEmpty());
}

TEST_F(ContainerTest, StateEntriesMakeStateVariablesWithTheirStartingValues) {
    WriteRoles(
        "[Director]\nApplicationWindowName=T\n"
        "State1=Counter, Integer\n"
        "State2= Lives ,Integer, 5\n"
        "State3=Greeting, String, hello, world \n"
        "State4=Flag, Boolean, 1\n"
        "State5=NoType\n"
        "State6=Odd, Float, 2\n");
    CDirector& d = MakeDirector();
    EXPECT_EQ(d.FindChild("Counter")->GetProperty("Value"), "0");
    EXPECT_EQ(d.FindChild("Lives")->GetProperty("Value"), "5");
    // Only the first two commas split: the rest of the line is the value, trimmed.
    EXPECT_EQ(d.FindChild("Greeting")->GetProperty("Value"), "hello, world");
    EXPECT_EQ(d.FindChild("Flag")->GetProperty("Value"), "1");
    EXPECT_EQ(stage->Find("Lives"), d.FindChild("Lives"));
    EXPECT_FALSE(d.HasChild("NoType"));
    EXPECT_FALSE(d.HasChild("Odd"));
    EXPECT_THAT(Traced("fault: "),
                ElementsAre(HasSubstr("\"NoType\" of \"Director\" has no type"),
                            HasSubstr("\"Odd\" was not created: \"Float\" is not a role type")));
}

TEST_F(ContainerTest, UnreadableAndUntypedChildRolesAreNotCreated) {
    WriteRoles(
        "[Director]\nApplicationWindowName=T\nChild1=Missing\nChild2=Untyped\nChild3=Ok\n"
        "[Untyped]\nValue=1\n[Ok]\nType=Integer\n");
    CDirector& d = MakeDirector();
    EXPECT_THAT(d.Children(), ::testing::SizeIs(1));
    EXPECT_TRUE(d.HasChild("Ok"));
}

TEST_F(ContainerTest, AddChildTwiceKeepsBothAndTheNewerAnswersToTheName) {
    WriteRoles("[Director]\nApplicationWindowName=T\n[Score]\nType=Integer\n");
    WriteQueues(
        "[Start]\n1=Director.AddChild(Score)\n2=Score.Set(Value,7)\n"
        "3=Director.AddChild(Score)\n");
    CDirector& d = MakeDirector();
    d.RunQueue("Start", CMessageHandler::kPlainScope);
    CMessageHandler* newer = d.FindChild("Score");
    ASSERT_NE(newer, nullptr);
    EXPECT_EQ(stage->Find("Score"), newer);
    EXPECT_EQ(newer->GetProperty("Value"), "0");

    // Removing by name destroys the newer one; the older stays owned (and goes with the
    // director: the sanitizer build sees a leak otherwise).
    d.RemoveChild("Score", true);
    EXPECT_FALSE(d.HasChild("Score"));
    EXPECT_EQ(stage->Find("Score"), nullptr);
}

TEST_F(ContainerTest, RemoveChildDestroysOrOnlyForgets) {
    WriteRoles("[Director]\nApplicationWindowName=T\nState1=A, Integer\nState2=B, Integer\n");
    WriteQueues("[Drop]\n1=Director.RemoveChild(A)\n2=Director.RemoveChild(Nobody)\n");
    CDirector& d = MakeDirector();
    d.RunQueue("Drop", CMessageHandler::kPlainScope);
    EXPECT_FALSE(d.HasChild("A"));
    EXPECT_EQ(stage->Find("A"), nullptr);

    CMessageHandler* b = d.FindChild("B");
    d.RemoveChild("B", false);
    EXPECT_FALSE(d.HasChild("B"));
    EXPECT_EQ(stage->Find("B"), b);  // still alive, still owned (the sanitizer sees leaks)
}

TEST_F(ContainerTest, DestroyingTheContainerDestroysEveryChild) {
    WriteRoles(
        "[Director]\nApplicationWindowName=T\nChild1=Inner\nState1=A, Integer\n"
        "[Inner]\nType=Scene\nState1=B, Integer\n");
    CDirector& d = MakeDirector();
    ASSERT_NE(stage->Find("B"), nullptr);
    EXPECT_EQ(stage->Find("B")->GetParent(), stage->Find("Inner"));
    const int alive = stage->LiveHandlers();
    d.RemoveChild("Inner", true);
    for (const char* name : {"B", "Inner"}) {
        EXPECT_EQ(stage->Find(name), nullptr) << name;
    }
    EXPECT_EQ(stage->LiveHandlers(), alive - 2);
}

}  // namespace
}  // namespace stagehand::testing
