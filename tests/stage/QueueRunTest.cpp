// Queue runs read from a real msg.mii: which messages run, in what order, and what the
// trace says about the ones that cannot.
#include <gtest/gtest.h>

#include "support/TitleFixture.h"

namespace stagehand::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using QueueRun = TitleFixture;

TEST_F(QueueRun, RunsFromOneUpToTheFirstGap) {
    WriteQueues(
        "[Go]\n1=P.Log(one)\n2=P.Log(two)\n4=P.Log(four)\n"
        "[NoFirst]\n2=P.Log(two)\n3=P.Log(three)\n"
        "[Padded]\n01=P.Log(padded)\n");
    Probe& p = MakeProbe("P");
    EXPECT_TRUE(p.RunQueue("Go", CMessageHandler::kPlainScope));
    EXPECT_THAT(log, ElementsAre("P:one", "P:two"));

    log.clear();
    EXPECT_FALSE(p.RunQueue("NoFirst", CMessageHandler::kPlainScope));
    EXPECT_FALSE(p.RunQueue("Padded", CMessageHandler::kPlainScope));
    EXPECT_FALSE(p.RunQueue("Missing", CMessageHandler::kPlainScope));
    EXPECT_THAT(log, IsEmpty());
}

TEST_F(QueueRun, EventScopeNamesTheQueueAfterTheHandler) {
    WriteQueues("[Door|Click]\n1=Door.Log(clicked)\n[Click]\n1=Door.Log(plain)\n");
    Probe& door = MakeProbe("Door");
    EXPECT_TRUE(door.RunQueue("Click", CMessageHandler::kEventScope));
    EXPECT_THAT(log, ElementsAre("Door:clicked"));
}

TEST_F(QueueRun, MessagesOfUpTo1024CharactersRunAndLongerOnesStopTheQueue) {
    const std::string fits = "P.Log(" + std::string(1024 - 7, 'a') + ")";
    const std::string tooLong = "P.Log(" + std::string(1025 - 7, 'b') + ")";
    ASSERT_EQ(fits.size(), 1024u);
    ASSERT_EQ(tooLong.size(), 1025u);
    WriteQueues("[Q]\n1=" + fits + "\n2=" + tooLong + "\n3=P.Log(after)\n");
    Probe& p = MakeProbe("P");
    EXPECT_TRUE(p.RunQueue("Q", CMessageHandler::kPlainScope));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "P:" + std::string(1017, 'a'));
    EXPECT_THAT(Traced("fault: "), ElementsAre("Message number 2 in queue Q is too large."));
}

TEST_F(QueueRun, MessageReadsCarryThePlayersTexts) {
    WriteQueues("[Q]\n1=P.Log(x)\n2=\n");
    std::string text, error;
    EXPECT_TRUE(stage->ReadMessage("Q", 1, text, &error));
    EXPECT_EQ(text, "P.Log(x)");
    EXPECT_EQ(error, "");
    EXPECT_FALSE(stage->ReadMessage("Q", 2, text, &error));  // an empty value counts as missing
    EXPECT_EQ(error, "Message number 2 in queue Q is too small or does not exist.");
}

TEST_F(QueueRun, SkipsMessagesForHandlersThatAreNotLoadedAndSaysSo) {
    WriteQueues("[Q]\n1=P.Log(1)\n2=P.Log(2)\n3=Nobody.Log(3)\n4=P.Log(4)\n");
    Probe& p = MakeProbe("P");
    p.RunQueue("Q", CMessageHandler::kPlainScope);
    EXPECT_THAT(log, ElementsAre("P:1", "P:2", "P:4"));
    EXPECT_THAT(Traced("fault: "),
                ElementsAre("Message 3 in message queue \"Q\" has an invalid target \"Nobody\"."));
}

TEST_F(QueueRun, TracesEachRunAndEachMessageAsExpanded) {
    WriteQueues("[Q]\n1=P.Set(Count,5)\n2=P.Log([P.Count]#)\n");
    Probe& p = MakeProbe("P");
    p.RunQueue("Q", CMessageHandler::kPlainScope);
    EXPECT_THAT(Traced("queue: "), ElementsAre("Q, run by P"));
    EXPECT_THAT(Traced("message: "), ElementsAre("Q 1: P.Set(Count,5)", "Q 2: P.Log(5)"));
    EXPECT_THAT(log, ElementsAre("P:5"));
}

TEST_F(QueueRun, RunsMalformedMessagesAsFarAsTheyParsedAndReportsThem) {
    WriteQueues("[Q]\n1=P.Log(a,b\n2=P.Nothing(x)\n3=P.Log(x,y,z)\n4=P.Log()\n5=P.Log(done)\n");
    Probe& p = MakeProbe("P");
    p.RunQueue("Q", CMessageHandler::kPlainScope);
    EXPECT_THAT(Traced("fault: "),
                ElementsAre("Message 1 in message queue \"Q\": Missing a data list delimiter.",
                            "P.Log needs 1 data elements; the message gives 0.",
                            "The message handler \"P\" has no command \"Nothing\".",
                            "P.Log takes 1 data elements; the message gives 3.",
                            "P.Log needs 1 data elements; the message gives 0."));
    EXPECT_EQ(log.back(), "P:done");
}

TEST_F(QueueRun, SeesPropertyChangesOfEarlierMessagesAndFileEditsBetweenRuns) {
    WriteQueues("[Q]\n1=P.Set(Note,first)\n2=P.Log([P.Note])\n");
    Probe& p = MakeProbe("P");
    p.RunQueue("Q", CMessageHandler::kPlainScope);
    WriteQueues("[Q]\n1=P.Log(edited)\n");
    p.RunQueue("Q", CMessageHandler::kPlainScope);
    EXPECT_THAT(log, ElementsAre("P:first", "P:edited"));
}

TEST_F(QueueRun, NestedRunsFinishBeforeTheOuterQueueGoesOn) {
    WriteQueues(
        "[Outer]\n1=P.Log(o1)\n2=P.Run(Inner)\n3=P.Log(o3)\n"
        "[Inner]\n1=P.Log(i1)\n2=P.Log(i2)\n");
    Probe& p = MakeProbe("P");
    p.RunQueue("Outer", CMessageHandler::kPlainScope);
    EXPECT_THAT(log, ElementsAre("P:o1", "P:i1", "P:i2", "P:o3"));
}

TEST_F(QueueRun, ARunNestedDeeperThan256DoesNotStart) {
    // Each run of Loop counts, then runs Loop again: it would never end on its own.
    WriteQueues("[Loop]\n1=C.Add(1)\n2=P.Run(Loop)\n3=P.Log(back)\n");
    Probe& p = MakeProbe("P");
    auto* counter = Make("Integer", "C");
    ASSERT_NE(counter, nullptr);
    EXPECT_TRUE(p.RunQueue("Loop", CMessageHandler::kPlainScope));
    EXPECT_EQ(counter->GetProperty("Value"), "256");
    EXPECT_EQ(log.size(), 256u);  // every run that started finished its last message
    EXPECT_THAT(Traced("fault: "),
                ElementsAre("The message queue \"Loop\" was not run: queue runs are already "
                            "nested 256 deep."));
    EXPECT_EQ(stage->Budget().Depth(CWorkBudget::Kind::kQueueRun), 0);
}

TEST_F(QueueRun, AQueueThatRunsItselfTwiceIsStoppedByTheDispatchBudgetAndTheNextRunIsFresh) {
    WriteQueues("[Double]\n1=C.Add(1)\n2=P.Run(Double)\n3=P.Run(Double)\n[Once]\n1=C.Add(1)\n");
    Probe& p = MakeProbe("P");
    auto* counter = Make("Integer", "C");
    EXPECT_TRUE(p.RunQueue("Double", CMessageHandler::kPlainScope));
    const std::vector<std::string> faults = Traced("fault: ");
    ASSERT_EQ(faults.size(), 2u);  // each said once, however often the cascade met it
    EXPECT_EQ(faults[0],
              "The message queue \"Double\" was not run: queue runs are already nested 256 deep.");
    EXPECT_THAT(faults[1], ::testing::StartsWith("The message queue \"Double\" was stopped"));
    const int ran = std::stoi(counter->GetProperty("Value"));
    EXPECT_GT(ran, 60'000);  // a third of the budget's messages were additions
    EXPECT_LT(ran, 70'000);
    EXPECT_EQ(stage->Budget().Depth(CWorkBudget::Kind::kQueueRun), 0);
    EXPECT_TRUE(p.RunQueue("Once", CMessageHandler::kPlainScope));
    EXPECT_EQ(std::stoi(counter->GetProperty("Value")), ran + 1);
}

TEST_F(QueueRun, AHandlerDestroyedByItsOwnQueueLeavesTheRunGoingUnderItsName) {
    WriteQueues(
        "[Door|Click]\n1=Door.Log(before)\n2=Door.Destroy()\n3=Door.Log(gone)\n"
        "4=Other.Log(after)\n5=Door.Log(again)\n");
    Probe& door = MakeProbe("Door");
    MakeProbe("Other");
    door.onDestroy = [this](Probe& self) { Delete(self); };
    EXPECT_TRUE(door.RunQueue("Click", CMessageHandler::kEventScope));
    EXPECT_THAT(log, ElementsAre("Door:before", "Other:after"));
    EXPECT_FALSE(stage->IsLoaded("Door"));
    EXPECT_THAT(
        Traced("fault: "),
        ElementsAre("Message 3 in message queue \"Door|Click\" has an invalid target \"Door\".",
                    "Message 5 in message queue \"Door|Click\" has an invalid target \"Door\"."));
}

TEST_F(QueueRun, AHandlerThatTakesOverTheNameOfADestroyedOneGetsItsMessages) {
    WriteQueues("[Door|Click]\n1=Door.Destroy()\n2=Door.Log(new)\n");
    Probe& door = MakeProbe("Door");
    door.onDestroy = [this](Probe& self) {
        Delete(self);
        MakeProbe("Door");
    };
    door.RunQueue("Click", CMessageHandler::kEventScope);
    EXPECT_THAT(log, ElementsAre("Door:new"));
}

}  // namespace
}  // namespace stagehand::testing
