// State variables driven by real queues, the six comparison commands, and the condition
// evaluator with its operator table.
#include <gtest/gtest.h>

#include "state/StateVar.h"
#include "state/StateVarBool.h"
#include "support/TitleFixture.h"

namespace stagehand::testing {
namespace {

using ::testing::IsEmpty;
using ::testing::StartsWith;

using StateVar = TitleFixture;

TEST_F(StateVar, IgnoreTheValueInTheirOwnRole) {
    WriteRoles(
        "[I]\nType=Integer\nValue=9\n[S]\nType=String\nValue=hi\n"
        "[B]\nType=Boolean\nValue=1\n");
    EXPECT_EQ(Make("Integer", "I")->GetProperty("Value"), "0");
    EXPECT_EQ(Make("String", "S")->GetProperty("Value"), "");
    EXPECT_EQ(Make("Boolean", "B")->GetProperty("Value"), "0");
}

TEST_F(StateVar, CommandsFromAQueueChangeTheValue) {
    WriteQueues(
        "[Q]\n1=A.Set(Value,5)\n2=A.Add(-3)\n3=Z.Set(Value,7)\n4=Z.Add()\n"
        "5=W.Set(Value,2147483647)\n6=W.Add(1)\n"
        "7=S.Set(Value,AbC\xC4z)\n8=S.MakeLowerCase()\n9=T.Set(Value,\"hi there\")\n"
        "10=B.Set(Value,5)\n11=F.Set(Value,1)\n12=F.Set(Value,true)\n");
    auto* a = Make<CStateVarInt>("Integer", "A");
    auto* z = Make<CStateVarInt>("Integer", "Z");
    auto* w = Make<CStateVarInt>("Integer", "W");
    auto* s = Make<CStateVarString>("String", "S");
    auto* t = Make<CStateVarString>("String", "T");
    auto* b = Make<CStateVarBool>("Boolean", "B");
    auto* f = Make<CStateVarBool>("Boolean", "F");
    ASSERT_TRUE(a && z && w && s && t && b && f);
    EXPECT_TRUE(MakeProbe("P").RunQueue("Q", CMessageHandler::kPlainScope));

    EXPECT_EQ(a->Value(), 2);
    EXPECT_EQ(z->Value(), 7);  // no argument adds 0
    EXPECT_EQ(w->Value(), -2147483647 - 1);
    EXPECT_EQ(s->Value(), "abc\xC4z");  // A-Z only
    EXPECT_EQ(t->Value(), "\"hi there\"");
    EXPECT_EQ(b->RawValue(), 5);
    EXPECT_TRUE(b->Value());
    EXPECT_EQ(f->RawValue(), 0);  // a word reads as the integer 0
}

using Condition = TitleFixture;

constexpr int32_t kUntouched = 7;

TEST_F(Condition, ComparisonCommandsReadQuotedOperandsAsTextsAndOthersAsIntegers) {
    struct Row {
        const char* message;
        int32_t expected;
    };
    const Row rows[] = {
        {"B.IsEqual(5,05)", 1},
        {"B.IsEqual(abc,xyz)", 1},  // no digits: both 0
        {"B.IsEqual(\"abc\",\"xyz\")", 0},
        {"B.IsNotEqual(\"a\",\"a\")", 0},
        {"B.IsLessThan(9,10)", 1},
        {"B.IsLessThan(\"9\",\"10\")", 0},
        {"B.IsLessThanOrEqual(3,3)", 1},
        {"B.IsLessThanOrEqual(4,3)", 0},
        {"B.IsGreaterThan(\"b\",\"a\")", 1},
        {"B.IsGreaterThan(3,3)", 0},
        {"B.IsGreaterThan(2,3)", 0},
        {"B.IsGreaterThanOrEqual(3,3)", 1},
        {"B.IsGreaterThanOrEqual(2,3)", 0},
        // A text against a number is neither equal nor less.
        {"B.IsEqual(\"5\",5)", 0},
        {"B.IsNotEqual(\"5\",5)", 1},
        {"B.IsLessThan(5,\"5\")", 0},
        {"B.IsLessThanOrEqual(\"5\",5)", 0},
        {"B.IsGreaterThan(\"5\",5)", 1},
        {"B.IsGreaterThanOrEqual(5,\"5\")", 1},
    };
    auto* b = Make<CStateVarBool>("Boolean", "B");
    ASSERT_NE(b, nullptr);
    for (const Row& row : rows) {
        b->SetProperty("Value", std::to_string(kUntouched));
        b->ExecuteMessage(CMessage(row.message));
        EXPECT_EQ(b->RawValue(), row.expected) << row.message;
    }
    EXPECT_THAT(Traced("fault: "), IsEmpty());
}

TEST_F(Condition, EvaluatesOperatorsAndCommandNames) {
    struct Row {
        const char* condition;
        int32_t expected;
    };
    const Row rows[] = {
        {"7 >= 5", 1},
        {"5 = 05", 1},
        {"5 != 05", 0},
        {"9 < 10", 1},
        {"\"9\" < \"10\"", 0},
        {"3 <= 2", 0},
        {"  3 > 2  ", 1},
        {"a IsEqual a", 1},
        {"2 IsGreaterThan 3", 0},
        {"\"a b\" = \"a b\"", 1},
        {"\"a b\" = \"a c\"", 0},
        {"\"x\" > 5", 1},
        {"Value * 3", 3},  // "*" sets the property the left operand names
    };
    auto* b = Make<CStateVarBool>("Boolean", "B");
    ASSERT_NE(b, nullptr);
    for (const Row& row : rows) {
        b->SetProperty("Value", std::to_string(kUntouched));
        b->EvaluateExpression(row.condition);
        EXPECT_EQ(b->RawValue(), row.expected) << row.condition;
    }
    EXPECT_THAT(Traced("fault: "), IsEmpty());
}

TEST_F(Condition, WithoutAKnownOperatorLeavesTheValueAlone) {
    auto* b = Make<CStateVarBool>("Boolean", "B");
    ASSERT_NE(b, nullptr);
    for (const char* condition : {"a ?? b", "5>3", "a Add b"}) {
        b->SetProperty("Value", std::to_string(kUntouched));
        b->EvaluateExpression(condition);
        EXPECT_EQ(b->RawValue(), kUntouched) << condition;
    }
    EXPECT_THAT(Traced("fault: ").front(), StartsWith("The condition \"a ?? b\" has no operator"));
}

TEST_F(Condition, EvaluatesOperandsExpandedFromTags) {
    WriteQueues("[Q]\n1=C.Set(Value,\"a b\")\n2=N.Set(Value,12)\n3=B.Set(Value,1)\n");
    Make("String", "C");
    Make("Integer", "N");
    auto* b = Make<CStateVarBool>("Boolean", "B");
    ASSERT_NE(b, nullptr);
    b->RunQueue("Q", CMessageHandler::kPlainScope);

    struct Row {
        std::string condition;
        std::string expanded;
        bool expected;
    };
    const Row rows[] = {
        {"[N.Value] < 9", "12 < 9", false},
        {"[C.Value] = \"a b\"", "\"a b\" = \"a b\"", true},
        {"[N.Value] <= [N.Value]", "12 <= 12", true},
        {"[C.Value] != [N.Value]", "\"a b\" != 12", true},
    };
    for (Row row : rows) {
        ASSERT_TRUE(stage->ExpandTags(row.condition, nullptr));
        ASSERT_EQ(row.condition, row.expanded);
        b->EvaluateExpression(row.condition);
        EXPECT_EQ(b->Value(), row.expected) << row.expanded;
    }
}

}  // namespace
}  // namespace stagehand::testing
