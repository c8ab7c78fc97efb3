#include "script/Variant.h"

#include <gtest/gtest.h>

#include <tuple>

#include "script/TextUtil.h"

namespace stagehand {
namespace {

// Escapes are read one level deep; each fault has its text, and what was read before a fault
// is kept.
TEST(QuotedLiteral, ReadsEscapesAndReportsEachFault) {
    struct Case {
        std::string_view literal;
        std::string_view content;
        const char* error;  // nullptr: some fault, its text not pinned here
    };
    const Case cases[] = {
        {"\"\"", "", ""},
        {R"("a\"b")", "a\"b", ""},
        {R"("a\\b")", "a\\b", ""},
        {R"("\[x\]\#")", "[x]#", ""},
        {R"("\\\\")", "\\\\", ""},
        // Only the literal delimiter is special: bare brackets, hash marks and quotes stay.
        {R"("[a]#"b")", "[a]#\"b", ""},
        {"abc\"", "", "String 'abc\"' is missing its beginning delimiter.\n"},
        {"\"abc", "", "String '\"abc' is missing its end delimiter.\n"},
        {"\"", "", "String '\"' is missing its end delimiter.\n"},
        {R"("a\b")", "",
         "String '\"a\\b\"' contains an invalid use of the literal delimiter "
         "\"\\\".\n"},
        // A literal delimiter as the last character of the body escapes nothing.
        {R"("a\")", "", nullptr},
        {R"("a\"b\qc")", "a\"", nullptr},
    };
    for (const Case& c : cases) {
        std::string content, error;
        const bool ok = CVariant::ParseQuoted(c.literal, content, &error);
        EXPECT_EQ(ok, c.error != nullptr && *c.error == '\0') << c.literal;
        EXPECT_EQ(content, c.content) << c.literal;
        if (c.error != nullptr) {
            EXPECT_EQ(error, c.error) << c.literal;
        }
    }
}

TEST(IntegerText, ReadsLikeTheCLibraryAndSaturates) {
    const std::pair<std::string_view, int32_t> cases[] = {
        {"12abc", 12},
        {"abc", 0},
        {" \t-42", -42},
        {"+7", 7},
        {"- 7", 0},
        {"", 0},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"2147483648", INT32_MAX},
        {"-99999999999999999999999", INT32_MIN},
        {"\xA0"
         "5",
         0},  // a non-breaking space is not white space
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(ReadInteger(text), value) << text;
    }
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

    // Content holding a backslash is not escaped on the way out, so the copy is
    // what the reader made of it before it stopped.
    CVariant slash;
    slash.SetValue(R"("a\\b\"c")", CVariant::kQuotedString);
    ASSERT_EQ(slash.GetString(), "a\\b\"c");
    copy.Assign(slash);
    EXPECT_EQ(copy.GetString(), "");
    slash.SetValue(R"("a\\[b\\c")", CVariant::kQuotedString);
    ASSERT_EQ(slash.GetString(), "a\\[b\\c");
    copy.Assign(slash);
    EXPECT_EQ(copy.GetString(),
              "a[");  // the first backslash now escapes, the second stops it
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

// An operand with a quote anywhere is a string, of whatever the reader got out
// of it.
TEST(Variant, LiteralOperands) {
    const std::tuple<std::string_view, int32_t, std::string_view> cases[] = {
        {"\"5\"", CVariant::kString, "5"},
        {"5", CVariant::kInteger, "5"},
        {"x", CVariant::kInteger, "0"},
        {"a\"b", CVariant::kString, ""},
    };
    for (const auto& [literal, type, text] : cases) {
        CVariant v;
        v.SetFromLiteral(literal);
        EXPECT_EQ(v.GetType(), type) << literal;
        EXPECT_EQ(v.ToText(), text) << literal;
    }
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

// Integers and booleans compare as numbers, texts of one kind by unsigned bytes
// up to a NUL; mixed kinds and invalid values are neither equal nor less, so
// they count as greater.
TEST(Variant, ComparesNumbersTextsAndMixedKinds) {
    struct Case {
        CVariant a, b;
        bool equal, less;
    };
    const Case cases[] = {
        {Int(1, CVariant::kBoolean), Int(1), true, false},
        {Int(-3), Int(2), false, true},
        {Int(2), Int(2), true, false},
        {Int(3), Int(2), false, false},
        {Text("abc"), Text("abc"), true, false},
        {Text("ABC"), Text("abc"), false, true},
        {Text("ab"), Text("abc"), false, true},
        {Text("z"), Text("\xE9"), false, true},  // é sorts after every ASCII letter
        {Text("\"q\"", CVariant::kQuotedString), Text("\"q\"", CVariant::kQuotedString), true,
         false},
        {Text("1"), Int(1), false, false},
        {Text("1"), Text("\"1\"", CVariant::kQuotedString), false, false},
        {CVariant(), CVariant(), false, false},  // not even equal to itself
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a.ToText() + " against " + c.b.ToText());
        EXPECT_EQ(c.a.IsEqual(c.b), c.equal);
        EXPECT_EQ(c.a.IsNotEqual(c.b), !c.equal);
        EXPECT_EQ(c.a.IsLess(c.b), c.less);
        EXPECT_EQ(c.a.IsLessOrEqual(c.b), c.equal || c.less);
        EXPECT_EQ(c.a.IsGreater(c.b), !c.equal && !c.less);
        EXPECT_EQ(c.a.IsGreaterOrEqual(c.b), !c.less);
    }
}

}  // namespace
}  // namespace stagehand
