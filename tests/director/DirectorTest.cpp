// The director: creation and the running-instance check, its commands, and ChooseQueue.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/StageFixture.h"

namespace stagehand::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class DirectorTest : public StageFixture {
  protected:
    DirectorTest() { MakeProbe("Log"); }

    // Lets the loop handle what was posted; true when the main frame is still there.
    bool MainFrameSurvives() {
        Windows().RunPending();
        return Windows().Exists(MainFrame());
    }
};

TEST_F(DirectorTest, CreationNamesTheMainFrameAndLoadsTheFirstScenes) {
    WriteRoles("[Director]\nApplicationWindowName=My Title\nChild1=Start\n[Start]\nType=Scene\n");
    WriteQueues("[Start|Load]\n1=Log.Log(started)\n");
    CDirector& director = MakeDirector();
    EXPECT_TRUE(DirectorCreated());
    EXPECT_EQ(Windows().Title(MainFrame()), "My Title");
    EXPECT_EQ(Backend().Caption(), "My Title");
    EXPECT_THAT(log, ElementsAre("Log:started"));
    EXPECT_FALSE(director.HasWindow());
    EXPECT_TRUE(MainFrameSurvives());
}

TEST_F(DirectorTest, ATitleWithoutWindowNameEndsBeforeAnythingLoads) {
    WriteRoles("[Director]\nChild1=Start\nState1=Early, Integer, 1\n[Start]\nType=Scene\n");
    WriteQueues("[Start|Load]\n1=Log.Log(started)\n");
    MakeDirector();
    EXPECT_FALSE(DirectorCreated());
    EXPECT_THAT(log, IsEmpty());
    EXPECT_NE(stage->Find("Early"), nullptr);  // states come with the role, before the check
    EXPECT_THAT(Traced("fault: "), ElementsAre(HasSubstr("sets no ApplicationWindowName")));
    EXPECT_FALSE(MainFrameSurvives());
}

TEST_F(DirectorTest, AWindowOfTheSameNameMeansAnotherInstanceRuns) {
    WriteRoles("[Director]\nApplicationWindowName=Quest\nChild1=Start\n[Start]\nType=Scene\n");
    host::Window other;
    other.CreateWindow(Windows(), {"QUEST", host::style::kPopup, {0, 0, 10, 10}, {}, false, {}});
    MakeDirector();
    EXPECT_FALSE(DirectorCreated());
    EXPECT_EQ(stage->Find("Start"), nullptr);
    EXPECT_FALSE(MainFrameSurvives());
}

TEST_F(DirectorTest, AnotherPlayerShowingTheTitleEndsThisOne) {
    WriteRoles("[Director]\nApplicationWindowName=Quest\n");
    std::vector<std::string> asked;
    player->otherInstanceShows = [&](const std::string& name) {
        asked.push_back(name);
        return true;
    };
    MakeDirector();
    EXPECT_FALSE(DirectorCreated());
    EXPECT_THAT(asked, ElementsAre("Quest"));
    EXPECT_FALSE(MainFrameSurvives());
}

TEST_F(DirectorTest, EndLetsTheRestOfTheQueueRunFirst) {
    WriteRoles("[Director]\nApplicationWindowName=T\n");
    WriteQueues("[Finish]\n1=Director.End()\n2=Log.Log(after end)\n");
    MakeDirector();
    RunQueue("Finish");
    EXPECT_THAT(log, ElementsAre("Log:after end"));
    EXPECT_FALSE(MainFrameSurvives());
}

TEST_F(DirectorTest, RunQueueStopsAtTheFirstMissingMessage) {
    WriteRoles("[Director]\nApplicationWindowName=T\n");
    WriteQueues(
        "[Go]\n1=Director.RunQueue(Gaps)\n2=Director.RunQueue(Nothing)\n"
        "[Gaps]\n1=Log.Log(1)\n2=Log.Log(2)\n4=Log.Log(4)\n");
    MakeDirector();
    RunQueue("Go");
    EXPECT_THAT(log, ElementsAre("Log:1", "Log:2"));
}

TEST_F(DirectorTest, LoadAndUnloadAffectOnlyWhatTheyCan) {
    WriteRoles(
        "[Director]\nApplicationWindowName=T\nState1=Score, Integer, 4\n[Room]\nType=Scene\n"
        "[Untyped]\nX=1\n");
    WriteQueues(
        "[Go]\n1=Director.Load(Room)\n2=Director.Unload(Score)\n3=Director.Unload(Nobody)\n"
        "4=Director.Load(Untyped)\n5=Director.Load(Absent)\n"
        "[Out]\n1=Director.Unload(Room)\n[Room|Unload]\n1=Log.Log(room unloads)\n");
    CDirector& director = MakeDirector();
    RunQueue("Go");
    EXPECT_TRUE(director.HasChild("Room"));
    EXPECT_TRUE(director.HasChild("Score"));  // no window: "Unload" leaves it
    EXPECT_FALSE(director.HasChild("Untyped"));
    RunQueue("Out");
    EXPECT_THAT(log, ElementsAre("Log:room unloads"));
    EXPECT_FALSE(director.HasChild("Room"));
}

TEST_F(DirectorTest, WaitSleepsOnTheClockForItsLeadingDigits) {
    WriteRoles("[Director]\nApplicationWindowName=T\n");
    WriteQueues(
        "[Waits]\n1=Director.Wait(250)\n2=Director.Wait(abc)\n3=Director.Wait(-5000)\n"
        "4=Director.Wait( 40ms)\n");
    MakeDirector();
    const uint32_t before = Backend().Now();
    RunQueue("Waits");
    EXPECT_EQ(Backend().Now() - before, 290u);
}

TEST_F(DirectorTest, ShellBuildsTheCommandLineFromFileAndArguments) {
    WriteRoles("[Director]\nApplicationWindowName=T\n");
    WriteQueues(
        "[Shells]\n1=Director.Shell( setup.exe , /quiet )\n2=Director.Shell(readme.txt,x)\n"
        "3=Director.Shell(tool.exe,\\\\skip)\n");
    MakeDirector();
    RunQueue("Shells");
    EXPECT_THAT(Traced("fault: "),
                ElementsAre(HasSubstr("\"setup.exe /quiet\""), HasSubstr("\"readme.txt\""),
                            HasSubstr("\"tool.exe\"")));
}

class ChooseQueueTest : public DirectorTest {
  protected:
    ChooseQueueTest() {
        WriteRoles("[Director]\nApplicationWindowName=T\nState1=A, Integer\nState2=B, Integer\n");
        WriteQueues(
            "[Q1]\n1=Log.Log(Q1)\n2=ChooseQueueReservedEvaluator.Set(Value,0)\n"
            "[Q2]\n1=Log.Log(Q2)\n[Q3]\n1=Log.Log(Q3)\n");
        MakeDirector();
    }
    std::vector<std::string> Choose(int a, int b, const std::string& statement) {
        log.clear();
        traced.clear();
        Find("A")->SetProperty("Value", std::to_string(a));
        Find("B")->SetProperty("Value", std::to_string(b));
        Find<CDirector>("Director")->ChooseQueue(statement);
        return log;
    }
};

TEST_F(ChooseQueueTest, ClausesAreTriedInOrderWithTheElseBranchLast) {
    const std::string chain = "  if [A.Value] = 1 then Q1 else if [B.Value] ?? 1 then Q2 else Q3 ";
    // Tags are expanded when the message is read; here the statement is given as it would be.
    auto statement = [&] {
        std::string text = chain;
        stage->ExpandTags(text, nullptr);
        return text;
    };
    Find("A")->SetProperty("Value", "1");
    EXPECT_THAT(Choose(1, 0, statement()), ElementsAre("Log:Q1"));
    // B's clause was never evaluated: its unknown operator would be in the trace.
    EXPECT_THAT(Traced("fault: "), ElementsAre(HasSubstr("ChooseQueueReservedEvaluator")));
    EXPECT_THAT(Choose(0, 0, "if 0 = 1 then Q1 else if 1 = 1 then Q2 else Q3"),
                ElementsAre("Log:Q2"));
    EXPECT_THAT(Choose(0, 0, "if 0 = 1 then Q1 else if 2 = 1 then Q2 else  Q3"),
                ElementsAre("Log:Q3"));
    EXPECT_EQ(stage->Find(CDirector::kEvaluatorName), nullptr);
}

TEST_F(ChooseQueueTest, WithoutAnElseBranchNothingMayRun) {
    EXPECT_THAT(Choose(0, 0, "if 1 = 2 then Q1"), IsEmpty());
    // A lone queue name is not an else branch: its empty condition holds nothing.
    EXPECT_THAT(Choose(0, 0, "Q3"), IsEmpty());
    EXPECT_THAT(Traced("fault: "), ElementsAre(HasSubstr("\"Q3\" does not read if")));
    EXPECT_THAT(Choose(0, 0, "   "), IsEmpty());
}

TEST_F(ChooseQueueTest, KeywordsAreCaseSensitiveAndNeedTheirBlanks) {
    EXPECT_THAT(Choose(0, 0, "IF 1 = 1 THEN Q1 else Q2"), ElementsAre("Log:Q2"));
    EXPECT_THAT(Choose(0, 0, "if 1 = 1 then Q1else Q2"), IsEmpty());  // no queue "Q1else Q2"
}

}  // namespace
}  // namespace stagehand::testing
