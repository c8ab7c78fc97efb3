// Message handler tags: [Handler.Property] replaced by live values, "#" removed, escapes
// kept, and each failure with the player's text and the partial result it leaves.
#include <gtest/gtest.h>

#include "support/TitleFixture.h"

namespace stagehand::testing {
namespace {

class TagExpansion : public TitleFixture {
  protected:
    TagExpansion() {
        Probe& counter = MakeProbe("Counter");
        counter.count = 12;
        counter.note = "n";
    }

    // Expands text; returns the expanded text, and the error in `error`.
    std::string Expand(std::string text, bool* ok = nullptr) {
        error.clear();
        const bool result = stage->ExpandTags(text, &error);
        if (ok != nullptr) {
            *ok = result;
        }
        return text;
    }

    std::string error;
};

TEST_F(TagExpansion, ReplacesPropertyTagsAndRemovesHashMarks) {
    bool ok = false;
    EXPECT_EQ(Expand("Score [Counter.Count]", &ok), "Score 12");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Expand("[Counter.Count][ Counter . Note ]x"), "12nx");
    EXPECT_EQ(Expand("a#b#c", &ok), "abc");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Expand("#[Counter.Count]#"), "12");
    EXPECT_EQ(Expand("plain text, no tags"), "plain text, no tags");
}

TEST_F(TagExpansion, EscapedDelimitersStayInTheTextWithTheirBackslashes) {
    bool ok = false;
    EXPECT_EQ(Expand("Price \\[1\\]", &ok), "Price \\[1\\]");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Expand("a\\#b", &ok), "a\\#b");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Expand("\\[x\\] is [Counter.Count]", &ok), "\\[x\\] is 12");
    EXPECT_TRUE(ok);
}

TEST_F(TagExpansion, AValueThatHoldsATagIsExpandedInTurn) {
    Probe& chain = MakeProbe("Chain");
    chain.note = "[Counter.Count]";
    EXPECT_EQ(Expand("v=[Chain.Note]"), "v=12");
}

TEST_F(TagExpansion, ACloseDelimiterWithoutAnOpenFailsUnlessFirstOrEscaped) {
    bool ok = true;
    EXPECT_EQ(Expand("a]b", &ok), "a]b");
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "Missing a start tag delimiter for the following tag:\na]b");
    EXPECT_EQ(Expand("]ab", &ok), "]ab");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Expand("a\\]b", &ok), "a\\]b");
    EXPECT_TRUE(ok);
}

TEST_F(TagExpansion, AnOpenDelimiterWithoutACloseFailsWithEscapesCutFromTheText) {
    bool ok = true;
    EXPECT_EQ(Expand("[Counter.Count] and [Counter", &ok), "12 and [Counter");
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "Missing an end tag delimiter for the following tag:\n12 and [Counter.");
    // The escaped open delimiter was cut from the text, not from the result.
    EXPECT_EQ(Expand("\\[ x [Counter", &ok), "\\ x [Counter");
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "Missing an end tag delimiter for the following tag:\n\\[ x [Counter.");
}

TEST_F(TagExpansion, ABadTagStopsTheExpansionWithEarlierTagsReplaced) {
    struct Case {
        std::string text;
        std::string left;
        std::string error;
    };
    const Case cases[] = {
        {"[Counter.Count] []", "12 []", "No data was supplied in message handler tag."},
        {"[Counter.Count] [Counter]", "12 [Counter]",
         "Missing delimiter in message handler tag.\n\"Counter\"\n"},
        {"[1abc.Value]", "[1abc.Value]",
         "Invalid message handler name in message handler tag.\n\"1abc.Value\""},
        {"[a_b.Value]", "[a_b.Value]",
         "Invalid message handler name in message handler tag.\n\"a_b.Value\""},
        {"x [Gone.Value]", "x [Gone.Value]", "Message Handler does not exist.\n\"Gone.Value\""},
        {"[Counter.Count][Counter.Nope]", "12[Counter.Nope]",
         "Invalid property used in message handler tag.\n\"Counter.Nope\"\n"},
    };
    for (const Case& c : cases) {
        bool ok = true;
        EXPECT_EQ(Expand(c.text, &ok), c.left) << c.text;
        EXPECT_FALSE(ok) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST_F(TagExpansion, ALookBehindIsNotResetBetweenDelimiterKinds) {
    // The escape before "[" is still the look-behind when "#" is found at position 0 of
    // the hash-mark pass, so that "#" counts as escaped and stays.
    bool ok = false;
    EXPECT_EQ(Expand("#a\\[", &ok), "#a\\[");
    EXPECT_TRUE(ok);
}

TEST_F(TagExpansion, AMessageWithAFailedTagIsStillBuiltAndRun) {
    WriteQueues("[Q]\n1=Counter.Log([Gone.Value])\n");
    Probe& counter = static_cast<Probe&>(*stage->Find("Counter"));
    counter.RunQueue("Q", CMessageHandler::kPlainScope);
    EXPECT_THAT(log, ::testing::ElementsAre("Counter:[Gone.Value]"));
    EXPECT_THAT(Traced("fault: "),
                ::testing::ElementsAre("Message Handler does not exist.\n\"Gone.Value\""));
}

TEST_F(TagExpansion, ATagThatLeadsBackToItselfStopsAfter1000Replacements) {
    Probe& loop = MakeProbe("Loop");
    loop.note = "[Loop.Note]";
    bool ok = true;
    EXPECT_EQ(Expand("x[Loop.Note]", &ok), "x[Loop.Note]");
    EXPECT_FALSE(ok);
    EXPECT_EQ(error,
              "Message handler tags were replaced 1000 times without coming to an end in:\n"
              "x[Loop.Note]");
}

TEST_F(TagExpansion, ATagThatKeepsGrowingTheTextStopsAt64KiB) {
    Probe& grow = MakeProbe("Grow");
    grow.note = std::string(200, 'x') + "[Grow.Note]";  // 200 more characters each time
    bool ok = true;
    const std::string left = Expand("[Grow.Note]", &ok);
    EXPECT_FALSE(ok);
    EXPECT_LE(left.size(), CStageManager::kMaxExpandedLength);
    EXPECT_TRUE(
        error.starts_with("Message handler tags grew the text past 65536 characters in:\n"));

    // A long value that ends is fine up to the limit.
    grow.note = std::string(60000, 'g');
    EXPECT_EQ(Expand("[Grow.Note]", &ok).size(), 60000u);
    EXPECT_TRUE(ok);
}

TEST_F(TagExpansion, ATextFullOfEscapesEndsWithinTheScanningBound) {
    Probe& escapes = MakeProbe("Escapes");
    std::string many;
    for (int i = 0; i < 30000; ++i) {
        many += "\\#";
    }
    escapes.note = many;
    bool ok = true;
    const std::string left = Expand("[Escapes.Note]", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error.substr(0, 20), "Message handler tags");
}

TEST_F(TagExpansion, RoleValuesAreExpandedAndMetaDataTypeIsDropped) {
    WriteRoles(
        "[Sign]\nType=Label\nCaption=Score [Counter.Count]\nMetaDataType=Sign\n"
        "Broken=[Missing.Value] here\n");
    const RoleValues values = stage->GetRoleProperties("Sign");
    EXPECT_EQ(values.at("Caption"), "Score 12");
    EXPECT_EQ(values.count("MetaDataType"), 0u);
    EXPECT_EQ(values.at("Broken"), "[Missing.Value] here");
    EXPECT_EQ(stage->GetRoleType("Sign"), "Label");
    EXPECT_THAT(Traced("fault: "),
                ::testing::Contains("Role Sign, key Broken: Message Handler does not exist.\n"
                                    "\"Missing.Value\""));
}

}  // namespace
}  // namespace stagehand::testing
