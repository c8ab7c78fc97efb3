// Roles read from a real roles.mii: the size limits, comments, bad lines and the texts the
// reader gives for each.
#include <gtest/gtest.h>

#include "support/TitleFixture.h"

namespace stagehand::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

using RoleRead = TitleFixture;

TEST_F(RoleRead, ReadsEveryEntryWithTheLaterOfTwoEqualKeysWinning) {
    WriteRoles("[Title]\nType=Scene\nCaption=a=b\n; a comment\nCaption2 = spaced \nX=1\nX=2\n");
    RoleValues values;
    std::string error;
    ASSERT_TRUE(stage->ReadRole("Title", values, &error));
    EXPECT_EQ(error, "");
    EXPECT_THAT(values, ElementsAre(Pair("Caption", "a=b"), Pair("Caption2", "spaced"),
                                    Pair("Type", "Scene"), Pair("X", "2")));
    EXPECT_EQ(values.count("type"), 0u);  // keys match exactly once read
    EXPECT_EQ(stage->GetRoleProperties("Title").size(), 4u);
}

TEST_F(RoleRead, SizesOutsideThreeTo5121CharactersAreRefused) {
    // Each line counts with its terminator: "a=" is 3 characters, "a" only 2.
    const std::string big = "K=" + std::string(5121 - 3, 'v');  // exactly 5121 with its end
    const std::string bigger = "K=" + std::string(5122 - 3, 'v');
    WriteRoles("[Tiny]\na\n[Small]\na=\n[Big]\n" + big + "\n[Bigger]\n" + bigger + "\n");
    struct Case {
        std::string role;
        bool ok;
        std::string error;
    };
    const Case cases[] = {
        {"Tiny", false, "Role Tiny is too small or does not exist."},
        {"Small", true, ""},
        {"Big", true, ""},
        {"Bigger", false, "Role Bigger is too large."},
        {"Absent", false, "Role Absent is too small or does not exist."},
    };
    for (const Case& c : cases) {
        RoleValues values;
        std::string error;
        EXPECT_EQ(stage->ReadRole(c.role, values, &error), c.ok) << c.role;
        EXPECT_EQ(error, c.error) << c.role;
    }
    RoleValues values;
    stage->ReadRole("Big", values, nullptr);
    EXPECT_EQ(values.at("K").size(), 5118u);
}

TEST_F(RoleRead, CommentsOnlyAndLinesWithoutEqualsAreFaults) {
    WriteRoles(
        "[Comments]\n;one\n;two\n"
        "[Bad]\nType=Scene\nno equals here\nAfter=1\n");
    RoleValues values;
    std::string error;
    EXPECT_FALSE(stage->ReadRole("Comments", values, &error));
    EXPECT_EQ(error, "Role Comments contains only comments.");
    EXPECT_FALSE(stage->ReadRole("Bad", values, &error));
    EXPECT_EQ(error, "Role Bad has an invalid key-value pair.");
    EXPECT_THAT(values, ElementsAre(Pair("Type", "Scene")));  // read before the bad line
}

TEST_F(RoleRead, AnUnreadableRoleIsEmptyAndReportedInTheTrace) {
    WriteRoles("[Comments]\n;only\n");
    EXPECT_TRUE(stage->GetRoleProperties("Comments").empty());
    EXPECT_EQ(stage->GetRoleType("Nowhere"), "");
    EXPECT_THAT(Traced("fault: "), ElementsAre("Role Comments contains only comments.",
                                               "Role Nowhere is too small or does not exist."));
}

TEST_F(RoleRead, RoleFileEditsAreSeenByTheNextRead) {
    WriteRoles("[R]\nType=Integer\n");
    EXPECT_EQ(stage->GetRoleType("R"), "Integer");
    WriteRoles("[R]\nType=String\n");
    EXPECT_EQ(stage->GetRoleType("R"), "String");
}

TEST_F(RoleRead, ATitleFileTheReaderRefusesIsAFaultInTheTrace) {
    std::filesystem::create_directory(folder_.Path() / "roles.mii");  // a folder, not a file
    EXPECT_EQ(stage->GetRoleType("R"), "");
    EXPECT_THAT(Traced("fault: "),
                ElementsAre("The profile file \"C:\\roles.mii\" is not a file and was not read.",
                            "Role R is too small or does not exist."));
}

}  // namespace
}  // namespace stagehand::testing
