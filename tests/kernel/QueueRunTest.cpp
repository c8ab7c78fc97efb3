// What the title tests (tests/titles/queue-runs, queue-depth, tag-expansion, role-read)
// cannot show: bounds whose faults carry 64 KiB of text, error texts' final line breaks (the
// trace drops them), handlers deleted through a test hook, title files edited between reads,
// and the reader's texts that no queue run asks for.
#include <gtest/gtest.h>

#include "support/TitleFixture.h"

namespace stagehand::testing {
namespace {

using ::testing::ElementsAre;

using QueueRun = TitleFixture;

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

// What tag expansion looks at is work of the dispatch: long values stop a cascade sooner.
TEST_F(QueueRun, TheCharactersTagsExpandAreSpentFromTheDispatchBudget) {
    WriteQueues(
        "[Double]\n1=C.Add(1)\n2=S.Set(Value,[P.Note])\n3=P.Run(Double)\n4=P.Run(Double)\n");
    Probe& p = MakeProbe("P");
    p.note = std::string(8000, 'x');
    auto* counter = Make("Integer", "C");
    Make("String", "S");
    const trace::ScopedSink quiet({});  // 8000 characters a message are not kept
    EXPECT_TRUE(p.RunQueue("Double", CMessageHandler::kPlainScope));
    // Each round is four messages and some 24,000 characters looked at and written (the
    // value built in, the text scanned past it): about 27 units, where it was 4.
    const int ran = std::stoi(counter->GetProperty("Value"));
    EXPECT_GT(ran, 5'000);
    EXPECT_LT(ran, 10'000);
}

TEST_F(QueueRun, AHandlerDestroyedByItsOwnQueueLeavesTheRunGoingUnderItsName) {
    WriteQueues(
        "[Door|Click]\n1=Door.Log(before)\n2=Door.Destroy()\n3=Door.Log(gone)\n"
        "4=Other.Log(after)\n5=Other.Destroy()\n6=Door.Log(new)\n");
    Probe& door = MakeProbe("Door");
    door.onDestroy = [this](Probe& self) { Delete(self); };
    MakeProbe("Other").onDestroy = [this](Probe&) { MakeProbe("Door"); };  // takes the name
    EXPECT_TRUE(door.RunQueue("Click", CMessageHandler::kEventScope));
    EXPECT_THAT(log, ElementsAre("Door:before", "Other:after", "Door:new"));
    EXPECT_THAT(Traced("fault: "), ElementsAre("Message 3 in message queue \"Door|Click\" has "
                                               "an invalid target \"Door\"."));
}

TEST_F(QueueRun, TitleFileEditsAreSeenByTheNextReadAndReadsCarryThePlayersTexts) {
    Probe& p = MakeProbe("P");
    WriteRoles("[R]\nType=Integer\n");
    WriteQueues("[Q]\n1=P.Log(first)\n");
    EXPECT_EQ(stage->GetRoleType("R"), "Integer");
    p.RunQueue("Q", CMessageHandler::kPlainScope);
    WriteRoles("[R]\nType=String\n");
    WriteQueues("[Q]\n1=P.Log(edited)\n2=\n");
    EXPECT_EQ(stage->GetRoleType("R"), "String");
    p.RunQueue("Q", CMessageHandler::kPlainScope);
    EXPECT_THAT(log, ElementsAre("P:first", "P:edited"));

    std::string text, error;
    EXPECT_TRUE(stage->ReadMessage("Q", 1, text, &error));
    EXPECT_EQ(text, "P.Log(edited)");
    EXPECT_EQ(error, "");
    EXPECT_FALSE(stage->ReadMessage("Q", 2, text, &error));  // an empty value counts as missing
    EXPECT_EQ(error, "Message number 2 in queue Q is too small or does not exist.");
}

TEST_F(QueueRun, ATitleFileTheReaderRefusesIsAFaultInTheTrace) {
    std::filesystem::create_directory(folder_.Path() / "roles.mii");  // a folder, not a file
    EXPECT_EQ(stage->GetRoleType("R"), "");
    EXPECT_THAT(Traced("fault: "),
                ElementsAre("The profile file \"C:\\roles.mii\" is not a file and was not read.",
                            "Role R is too small or does not exist."));
}

TEST_F(QueueRun, TagExpansionStopsAtItsBoundsAndItsErrorsEndAsThePlayersDid) {
    Probe& p = MakeProbe("P");
    std::string error;
    const auto expand = [&](std::string text, bool ok) {
        error.clear();
        EXPECT_EQ(stage->ExpandTags(text, &error), ok) << text.substr(0, 40);
        return text;
    };
    // A tag that keeps growing the text stops at 64 KiB; a long value that ends is fine.
    p.note = std::string(200, 'x') + "[P.Note]";
    EXPECT_LE(expand("[P.Note]", false).size(), CStageManager::kMaxExpandedLength);
    EXPECT_TRUE(
        error.starts_with("Message handler tags grew the text past 65536 characters in:\n"));
    p.note = std::string(60000, 'g');
    EXPECT_EQ(expand("[P.Note]", true).size(), 60000u);
    // Escapes cost no more than other characters: each is looked at once, where cutting
    // them one by one and searching again from the start scanned the text each time.
    for (const std::string_view escape : {"\\#", "\\["}) {
        p.note.clear();
        for (int i = 0; i < 30000; ++i) {
            p.note += escape;
        }
        EXPECT_EQ(expand("[P.Note]", true), p.note);
        EXPECT_LT(stage->ExpansionWork(), 4 * p.note.size());
    }
    // The trace drops the line breaks these texts end in.
    expand("[P]", false);
    EXPECT_EQ(error, "Missing delimiter in message handler tag.\n\"P\"\n");
    expand("[P.Nope]", false);
    EXPECT_EQ(error, "Invalid property used in message handler tag.\n\"P.Nope\"\n");
}

}  // namespace
}  // namespace stagehand::testing

namespace stagehand::testing {
namespace {

// Each message of a run names its line in msg.mii (comments, blank lines and other sections
// counted); only a run no other queue started names the input being handled. A message from
// outside the title names no line.
TEST_F(QueueRun, TracesMessageLinesAndTheInputOfTheOutermostRunOnly) {
    WriteQueues(
        "; the door\n\n[Door|Click]\n1=P.Run(Inner)\n\r\n2 = P.Log(x)\n[Inner]\n"
        "; first\n1=P.Log(in)\n");
    Probe& door = MakeProbe("Door");
    MakeProbe("P");
    const trace::ScopedSources sources({{}, [] { return std::string("click 1,2"); }});
    EXPECT_TRUE(door.RunQueue("Click", CMessageHandler::kEventScope));
    stage->RunMessageText("P.Log(typed)", "input", 7);
    EXPECT_THAT(Traced("queue: "),
                ElementsAre("Door|Click, run by Door, on click 1,2", "Inner, run by P"));
    EXPECT_THAT(
        Traced("message: "),
        ElementsAre("Door|Click 1 (msg.mii:4): P.Run(Inner)", "Inner 1 (msg.mii:9): P.Log(in)",
                    "Door|Click 2 (msg.mii:6): P.Log(x)", "input 7: P.Log(typed)"));
}

}  // namespace
}  // namespace stagehand::testing
