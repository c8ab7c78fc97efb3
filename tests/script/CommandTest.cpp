#include "script/Command.h"

#include <gtest/gtest.h>

namespace stagehand {

// Commands never look into their target; the script layer's tests stand this in for the
// message handler class, which lives in a layer above.
class CMessageHandler {};

namespace {

using Elements = std::vector<std::string>;

CCommand Make(std::string_view types, std::string_view defaults, uint32_t minimum = 0) {
    return CCommand(nullptr, minimum, types, defaults);
}

TEST(CommandDefaults, AreBuiltFromTheRegistrationTexts) {
    CCommand set = Make("string,string", R"("","")", 2);
    ASSERT_EQ(set.ParameterCount(), 2u);
    EXPECT_EQ(set.Minimum(), 2u);
    EXPECT_EQ(set.Default(0).GetType(), CVariant::kString);
    EXPECT_EQ(set.Default(0).GetString(), "");
    EXPECT_EQ(set.Default(1).GetString(), "");

    CCommand read = Make("quoted string,string", R"("""","")");
    ASSERT_EQ(read.ParameterCount(), 2u);
    EXPECT_TRUE(read.Default(0).IsValid());
    EXPECT_EQ(read.Default(0).GetType(), CVariant::kQuotedString);
    EXPECT_EQ(read.Default(0).GetString(), "");
    EXPECT_EQ(read.Default(1).GetType(), CVariant::kString);

    CCommand move = Make(" integer , integer ", " 3 , -4 ");
    EXPECT_EQ(move.Default(0).GetInteger(), 3);
    EXPECT_EQ(move.Default(1).GetInteger(), -4);

    EXPECT_EQ(Make("", "").ParameterCount(), 0u);
    EXPECT_EQ(Make("boolean", "1").Default(0).GetType(), CVariant::kBoolean);

    // A final separator means an empty default.
    CCommand c = Make("string,string", "x,");
    ASSERT_EQ(c.ParameterCount(), 2u);
    EXPECT_EQ(c.Default(0).GetString(), "x");
    EXPECT_EQ(c.Default(1).GetString(), "");

    // A default list shorter than the type list gives empty defaults, not a fault.
    CCommand shorter = Make("integer,string,integer", "5");
    ASSERT_EQ(shorter.ParameterCount(), 3u);
    EXPECT_EQ(shorter.Default(0).GetInteger(), 5);
    EXPECT_EQ(shorter.Default(1).GetString(), "");
    EXPECT_EQ(shorter.Default(2).GetInteger(), 0);
    // Unknown types or unreadable defaults make invalid defaults.
    EXPECT_FALSE(Make("float", "1").Default(0).IsValid());
    EXPECT_FALSE(Make("quoted string", "abc").Default(0).IsValid());
}

TEST(CommandList, SplitsLikeRegistrationsAreWritten) {
    EXPECT_EQ(CCommand::SplitList(""), Elements{});
    EXPECT_EQ(CCommand::SplitList("a"), Elements{"a"});
    EXPECT_EQ(CCommand::SplitList("a,"), Elements{"a"});
    EXPECT_EQ(CCommand::SplitList("a,,"), (Elements{"a", ""}));
    EXPECT_EQ(CCommand::SplitList(" a , b "), (Elements{"a", "b"}));
    EXPECT_EQ(CCommand::SplitList(","), Elements{""});
}

TEST(CommandArguments, ElementsOverwriteCopiesOfTheDefaults) {
    CCommand c = Make("integer,string,quoted string", R"(1,"d",""q"")");
    CArguments none = c.BuildArguments({});
    ASSERT_EQ(none.size(), 3u);
    EXPECT_EQ(none[0].GetInteger(), 1);
    EXPECT_EQ(none[1].GetString(), "d");
    EXPECT_EQ(none[2].GetString(), "q");

    CArguments given = c.BuildArguments({"5", "\"kept\"", R"("new \#")"});
    EXPECT_EQ(given[0].GetInteger(), 5);
    EXPECT_EQ(given[1].GetString(), "\"kept\"");  // a string keeps the quotes
    EXPECT_EQ(given[2].GetString(), "new #");

    CArguments bad = c.BuildArguments({"abc", "x", "bare"});
    EXPECT_EQ(bad[0].GetInteger(), 0);
    EXPECT_EQ(bad[2].GetString(), "q");  // a bare word keeps the default content

    // Arguments are copies: changing one leaves the default alone.
    given[0].SetFromText("99");
    EXPECT_EQ(c.Default(0).GetInteger(), 1);
    EXPECT_TRUE(given[0].IsOwned());

    // Extra elements are ignored.
    CArguments args = Make("integer", "0").BuildArguments({"1", "2", "3"});
    ASSERT_EQ(args.size(), 1u);
    EXPECT_EQ(args[0].GetInteger(), 1);
    EXPECT_TRUE(Make("", "").BuildArguments({"x"}).empty());
}

// A registration whose lists do not build says what is wrong; the handler reports it.
TEST(CommandRegistration, NamesTheParameterWhoseListsDoNotBuild) {
    EXPECT_EQ(Make("integer,string", "0,x").Fault(), "");
    EXPECT_EQ(Make("integer,float", "0,1").Fault(),
              "parameter 2 of type \"float\" cannot take the default \"1\"");
}

}  // namespace
}  // namespace stagehand
