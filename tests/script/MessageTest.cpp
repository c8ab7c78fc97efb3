#include "script/Message.h"

#include <gtest/gtest.h>

namespace stagehand {
namespace {

using Elements = std::vector<std::string>;

struct Outcome {
    bool ok;
    std::string error;
    CMessage message;
};

Outcome ParseText(std::string_view text) {
    Outcome out;
    out.ok = out.message.Parse(text, &out.error);
    return out;
}

// Quoted elements stay whole with their escapes checked but kept (the text is
// converted later), and what follows a closing quote up to the delimiter stays
// part of the element. Arrays are normalised unless last.
TEST(MessageParse, SplitsTargetCommandAndData) {
    struct Case {
        const char* text;
        std::string_view target, command;
        Elements data;
    };
    const Case cases[] = {
        {"Director.RunQueue(Intro)", "Director", "RunQueue", {"Intro"}},
        {"  \tTitle.Hide", "Title", "Hide", {}},
        {"Total.Set( Value , [Counter.Value] )  \r\n",
         "Total",
         "Set",
         {"Value", "[Counter.Value]"}},
        {"A.B()", "A", "B", {}},
        {"A.B(   )", "A", "B", {}},
        {"A.B(\t)\n", "A", "B", {}},
        {R"(A.B("x, y) z", {1,2}, 3))", "A", "B", {R"("x, y) z")", "{1,2}", "3"}},
        {R"(A.B("a)b"))", "A", "B", {R"("a)b")"}},
        {R"(A.B("say \"hi\" \\ \[x\]"))", "A", "B", {R"("say \"hi\" \\ \[x\]")"}},
        {R"(A.B("a\"b\", c", 2))", "A", "B", {R"("a\"b\", c")", "2"}},
        {R"(A.B("q" x, 2))", "A", "B", {R"("q" x)", "2"}},
        {"A.B({1, 2}, 3)", "A", "B", {"{1,2}", "3"}},
        {"A.B(3, { 1, 2 })", "A", "B", {"3", "{ 1, 2 }"}},
        {"A.B({ }, {\"a,b\" , c} ,x)", "A", "B", {"{}", "{\"a,b\",c}", "x"}},
    };
    for (const Case& c : cases) {
        const Outcome r = ParseText(c.text);
        ASSERT_TRUE(r.ok) << c.text << ": " << r.error;
        EXPECT_EQ(r.error, "");
        EXPECT_EQ(r.message.target, c.target) << c.text;
        EXPECT_EQ(r.message.command, c.command) << c.text;
        EXPECT_EQ(r.message.data, c.data) << c.text;
    }
}

struct Failure {
    const char* text;
    std::string_view error;
};

TEST(MessageParse, EveryBrokenRuleHasItsText) {
    const Failure cases[] = {
        {"NoDelimiter", CMessage::kMissingTargetCommandDelimiter},
        {"A(x).B", CMessage::kMissingTargetCommandDelimiter},
        {".B(x)", CMessage::kNoTarget},
        {"   .B", CMessage::kNoTarget},
        {"A .B", CMessage::kWhitespaceBeforeDelimiter},
        {"A. B", CMessage::kWhitespaceAroundCommand},
        {"A.B ", CMessage::kWhitespaceAroundCommand},
        {"A.B (x)", CMessage::kWhitespaceAroundCommand},
        {"A.B)", CMessage::kMissingDataListDelimiter},
        {"A.B(x", CMessage::kMissingDataListDelimiter},
        {"A.", CMessage::kNoCommand},
        {"A.(x)", CMessage::kNoCommand},
        {"A.B.C(x)", CMessage::kExtraTargetCommandDelimiter},
        {"A.B.C", CMessage::kExtraTargetCommandDelimiter},
        {"A.B(x) y", CMessage::kJunkAfterDataList},
        {"A.B(\"x)", CMessage::kMissingEndString},
        {R"(A.B("a\\"))", CMessage::kMissingEndString},  // ends in an escaped backslash
        {R"(A.B("a\"))", CMessage::kMissingEndString},   // an escaped quote leaves it open
        {R"(A.B("a\b"))", CMessage::kIllegalLiteral},
        {R"(A.B("a"\,2))", CMessage::kIllegalLiteral},
        {"A.B({1,2)", CMessage::kMissingEndArray},
        {"A.B({1} x, 2)", CMessage::kJunkAfterElement},
        {"A.B({1,{2}})", CMessage::kJunkAfterElement},
        {"A.B({1,{2},3})", CMessage::kExtraArrayDelimiter},
        {"A.B(x,,y)", CMessage::kExtraElementDelimiter},
        {"A.B(x,)", CMessage::kExtraElementDelimiter},
        {"A.B(,x)", CMessage::kExtraElementDelimiter},
        {"A.B({1,,2})", CMessage::kExtraElementDelimiter},
    };
    for (const Failure& c : cases) {
        Outcome r = ParseText(c.text);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.error, c.error) << c.text;
    }
}

TEST(MessageParse, AFailedParseKeepsWhatWasStored) {
    CMessage extra("A.B.C(x)");
    EXPECT_EQ(extra.target, "A");
    EXPECT_EQ(extra.command, "B.C");
    EXPECT_TRUE(extra.data.empty());

    CMessage partial("Door.Open(one, two,, three)");
    EXPECT_EQ(partial.target, "Door");
    EXPECT_EQ(partial.command, "Open");
    EXPECT_EQ(partial.data, (Elements{"one", "two"}));

    CMessage spaced("Door. Open(x)");
    EXPECT_EQ(spaced.target, "Door");
    EXPECT_EQ(spaced.command, "");

    // Parsing again starts from empty fields.
    CMessage reused("A.B(1,2)");
    reused.Parse("C.D");
    EXPECT_EQ(reused.target, "C");
    EXPECT_TRUE(reused.data.empty());
    // No error text is needed.
    EXPECT_FALSE(reused.Parse("A.B(x,)"));
    EXPECT_TRUE(reused.Parse("A.B(x)", nullptr));
}

TEST(MessageParse, LongListsParseInLinearTime) {
    // A list of 100,000 elements would take minutes if each step copied the rest.
    std::string text = "A.B(";
    for (int i = 0; i < 100000; ++i) {
        text += i == 0 ? "x" : ",x";
    }
    text += ")";
    Outcome r = ParseText(text);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.message.data.size(), 100000u);
}

TEST(MessageDump, WritesFieldsForTheTrace) {
    EXPECT_EQ(CMessage("A.B(1, {2,3})").Dump(), "\nTarget = A\nCommand = B\nData: 1,{2,3}\n");
    EXPECT_EQ(CMessage("A.B").Dump(), "\nTarget = A\nCommand = B\n");
}

}  // namespace
}  // namespace stagehand
