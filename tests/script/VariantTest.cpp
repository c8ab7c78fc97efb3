#include "script/Variant.h"

#include <gtest/gtest.h>

#include "script/TextUtil.h"

namespace stagehand {
namespace {

std::string Content(std::string_view literal, bool* ok = nullptr, std::string* error = nullptr) {
    std::string content;
    bool result = CVariant::ParseQuoted(literal, content, error);
    if (ok != nullptr) {
        *ok = result;
    }
    return content;
}

TEST(QuotedLiteral, ReadsEscapesOneLevelDeep) {
    EXPECT_EQ(Content("\"\""), "");
    EXPECT_EQ(Content(R"("a\"b")"), "a\"b");
    EXPECT_EQ(Content(R"("a\\b")"), "a\\b");
    EXPECT_EQ(Content(R"("\[x\]\#")"), "[x]#");
    EXPECT_EQ(Content(R"("\\\\")"), "\\\\");
    // Only the literal delimiter is special: bare brackets, hash marks and quotes stay.
    EXPECT_EQ(Content(R"("[a]#"b")"), "[a]#\"b");
}

TEST(QuotedLiteral, ReportsEachFaultWithTheGivenText) {
    bool ok = true;
    std::string error;
    Content("abc\"", &ok, &error);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "String 'abc\"' is missing its beginning delimiter.\n");

    Content("\"abc", &ok, &error);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "String '\"abc' is missing its end delimiter.\n");

    Content("\"", &ok, &error);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "String '\"' is missing its end delimiter.\n");

    Content(R"("a\b")", &ok, &error);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error,
              "String '\"a\\b\"' contains an invalid use of the literal delimiter \"\\\".\n");

    // A literal delimiter as the last character of the body escapes nothing.
    Content(R"("a\")", &ok, &error);
    EXPECT_FALSE(ok);

    Content(R"("ok")", &ok, &error);
    EXPECT_TRUE(ok);
    EXPECT_EQ(error, "");
}

TEST(QuotedLiteral, KeepsWhatWasReadBeforeAFault) {
    bool ok = true;
    EXPECT_EQ(Content(R"("a\"b\qc")", &ok), "a\"");
    EXPECT_FALSE(ok);
}

TEST(IntegerText, ReadsLikeTheCLibraryAndSaturates) {
    EXPECT_EQ(ReadInteger("12abc"), 12);
    EXPECT_EQ(ReadInteger("abc"), 0);
    EXPECT_EQ(ReadInteger(" \t-42"), -42);
    EXPECT_EQ(ReadInteger("+7"), 7);
    EXPECT_EQ(ReadInteger("- 7"), 0);
    EXPECT_EQ(ReadInteger(""), 0);
    EXPECT_EQ(ReadInteger("2147483647"), 2147483647);
    EXPECT_EQ(ReadInteger("-2147483648"), INT32_MIN);
    EXPECT_EQ(ReadInteger("2147483648"), INT32_MAX);
    EXPECT_EQ(ReadInteger("-99999999999999999999999"), INT32_MIN);
    EXPECT_EQ(ReadInteger("\xA0"
                          "5"),
              0);  // a non-breaking space is not white space
    EXPECT_EQ(WriteInteger(INT32_MIN), "-2147483648");
    EXPECT_EQ(WriteInteger(0), "0");
}

TEST(Variant, CreateSetsTypeAndInitialText) {
    CVariant v;
    EXPECT_FALSE(v.IsValid());
    ASSERT_TRUE(v.Create("7", "integer"));
    EXPECT_EQ(v.GetType(), CVariant::kInteger);
    EXPECT_EQ(v.GetInteger(), 7);

    ASSERT_TRUE(v.Create("", "quoted string"));
    EXPECT_EQ(v.GetType(), CVariant::kQuotedString);
    EXPECT_EQ(v.GetString(), "");
    EXPECT_EQ(v.ToQuotedText(), "\"\"");

    EXPECT_FALSE(v.Create("abc", "quoted string"));
    EXPECT_FALSE(v.IsValid());

    EXPECT_FALSE(v.Create("1", "Integer"));  // type names are exact
    EXPECT_FALSE(v.IsValid());

    ASSERT_TRUE(v.Create("yes", "boolean"));
    EXPECT_EQ(v.GetType(), CVariant::kBoolean);
    EXPECT_EQ(v.GetInteger(), 0);
}

TEST(Variant, BoundValueWritesIntoTheFieldAndNeverOwnsIt) {
    int32_t field = 3;
    std::string text = "old";
    {
        CVariant number;
        ASSERT_TRUE(number.Bind(&field, CVariant::kInteger));
        EXPECT_FALSE(number.IsOwned());
        EXPECT_TRUE(number.SetFromText("  41 apples"));
        EXPECT_EQ(field, 41);

        CVariant string;
        ASSERT_TRUE(string.Bind(&text, CVariant::kString));
        string.SetFromText("\"new\"");
        EXPECT_EQ(text, "\"new\"");  // a string takes the text as it stands
        string.Clear();
        EXPECT_FALSE(string.IsValid());
    }
    EXPECT_EQ(field, 41);
    EXPECT_EQ(text, "\"new\"");

    CVariant wrong;
    EXPECT_FALSE(wrong.Bind(&field, CVariant::kString));
    EXPECT_FALSE(wrong.Bind(&text, CVariant::kBoolean));
}

TEST(Variant, AssignMakesAnOwnedCopyAndDropsABinding) {
    int32_t field = 5;
    CVariant bound;
    bound.Bind(&field, CVariant::kBoolean);

    CVariant copy;
    copy.Assign(bound);
    EXPECT_TRUE(copy.IsOwned());
    EXPECT_EQ(copy.GetType(), CVariant::kBoolean);
    copy.SetFromText("9");
    EXPECT_EQ(field, 5);

    // Assigning onto a bound value gives it storage of its own.
    CVariant other;
    other.SetValue(8, CVariant::kInteger);
    bound.Assign(other);
    EXPECT_TRUE(bound.IsOwned());
    EXPECT_EQ(bound.GetInteger(), 8);
    EXPECT_EQ(field, 5);

    // An invalid source leaves an owned target cleared.
    CVariant invalid;
    copy.Assign(invalid);
    EXPECT_FALSE(copy.IsValid());

    other.Assign(other);
    EXPECT_EQ(other.GetInteger(), 8);
}

TEST(Variant, QuotedStringCopyLosesWhatDoesNotRoundTrip) {
    CVariant plain;
    plain.SetValue("\"say [hi]\"", CVariant::kQuotedString);
    CVariant copy;
    copy.Assign(plain);
    EXPECT_EQ(copy.GetString(), "say [hi]");

    // Content holding a backslash is not escaped on the way out, so the copy is what the
    // reader made of it before it stopped.
    CVariant slash;
    slash.SetValue(R"("a\\b\"c")", CVariant::kQuotedString);
    ASSERT_EQ(slash.GetString(), "a\\b\"c");
    copy.Assign(slash);
    EXPECT_EQ(copy.GetString(), "");
    slash.SetValue(R"("a\\[b\\c")", CVariant::kQuotedString);
    ASSERT_EQ(slash.GetString(), "a\\[b\\c");
    copy.Assign(slash);
    EXPECT_EQ(copy.GetString(), "a[");  // the first backslash now escapes, the second stops it
}

TEST(Variant, QuotedStringKeepsItsContentWhenTextIsNotALiteral) {
    CVariant v;
    ASSERT_TRUE(v.Create("\"keep\"", "quoted string"));
    EXPECT_FALSE(v.SetFromText("bare"));
    EXPECT_EQ(v.GetString(), "keep");
    EXPECT_TRUE(v.SetFromText(R"("x\#y")"));
    EXPECT_EQ(v.ToText(), "x#y");
}

TEST(Variant, SetValueRefusesAMismatchedKind) {
    CVariant v;
    EXPECT_FALSE(v.SetValue(1, CVariant::kString));
    EXPECT_FALSE(v.SetValue("a", CVariant::kInteger));
    EXPECT_FALSE(v.SetValue(1, static_cast<CVariant::Type>(4)));
    EXPECT_FALSE(v.IsValid());
    EXPECT_EQ(v.ToText(), "");
    EXPECT_EQ(v.GetInteger(), 0);
}

TEST(Variant, LiteralOperands) {
    CVariant v;
    v.SetFromLiteral("\"5\"");
    EXPECT_EQ(v.GetType(), CVariant::kString);
    EXPECT_EQ(v.GetString(), "5");
    v.SetFromLiteral("5");
    EXPECT_EQ(v.GetType(), CVariant::kInteger);
    EXPECT_EQ(v.GetInteger(), 5);
    v.SetFromLiteral("x");
    EXPECT_EQ(v.GetType(), CVariant::kInteger);
    EXPECT_EQ(v.GetInteger(), 0);
    // A quote anywhere makes a string, of whatever the reader got out of it.
    v.SetFromLiteral("a\"b");
    EXPECT_EQ(v.GetType(), CVariant::kString);
    EXPECT_EQ(v.GetString(), "");
}

CVariant Int(int32_t n, CVariant::Type type = CVariant::kInteger) {
    CVariant v;
    v.SetValue(n, type);
    return v;
}

CVariant Text(std::string_view s, CVariant::Type type = CVariant::kString) {
    CVariant v;
    v.SetValue(s, type);
    return v;
}

TEST(Variant, ComparesNumbersAcrossIntegerAndBoolean) {
    EXPECT_TRUE(Int(1, CVariant::kBoolean).IsEqual(Int(1)));
    EXPECT_TRUE(Int(-3).IsLess(Int(2)));
    EXPECT_TRUE(Int(2).IsGreaterOrEqual(Int(2)));
    EXPECT_FALSE(Int(2).IsGreater(Int(2)));
    EXPECT_TRUE(Int(3).IsGreater(Int(2)));
}

TEST(Variant, ComparesTextsByUnsignedBytes) {
    EXPECT_TRUE(Text("abc").IsEqual(Text("abc")));
    EXPECT_TRUE(Text("ABC").IsLess(Text("abc")));
    EXPECT_TRUE(Text("ab").IsLess(Text("abc")));
    EXPECT_TRUE(Text("z").IsLess(Text("\xE9")));  // é sorts after every ASCII letter
    EXPECT_TRUE(
        Text("\"q\"", CVariant::kQuotedString).IsEqual(Text("\"q\"", CVariant::kQuotedString)));
}

TEST(Variant, MixedKindsAreNeitherEqualNorLess) {
    CVariant one = Int(1);
    CVariant digit = Text("1");
    EXPECT_FALSE(digit.IsEqual(one));
    EXPECT_FALSE(digit.IsLess(one));
    EXPECT_TRUE(digit.IsNotEqual(one));
    EXPECT_TRUE(digit.IsGreater(one));
    EXPECT_TRUE(digit.IsGreaterOrEqual(one));
    EXPECT_FALSE(digit.IsLessOrEqual(one));
    // A string and a quoted string are different kinds too.
    EXPECT_FALSE(Text("1").IsEqual(Text("\"1\"", CVariant::kQuotedString)));
    // An invalid value is never equal, not even to itself.
    CVariant invalid;
    EXPECT_FALSE(invalid.IsEqual(invalid));
}

}  // namespace
}  // namespace stagehand
