// The title checker's parts that a title test cannot reach: its tables against the player's
// own, the line numbers it points at, and its bounds on hostile and damaged titles.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "app/PlayerKit.h"
#include "check/RoleTypeFacts.h"
#include "check/TitleChecker.h"
#include "check/TitleFile.h"
#include "kernel/RoleTypes.h"
#include "support/TempFolder.h"

namespace stagehand::check {
namespace {

using stagehand::testing::TempFolder;

// The listing of a title made of the two files.
std::string Checked(const TempFolder& folder, std::string_view roles, std::string_view queues,
                    int* code = nullptr) {
    folder.Write("roles.mii", roles);
    folder.Write("msg.mii", queues);
    std::ostringstream out;
    std::ostringstream err;
    const int result = CheckTitle(folder.Path().string(), std::nullopt, out, err);
    if (code != nullptr) {
        *code = result;
    }
    return out.str();
}

TEST(RoleTypeFacts, EventTableNamesEveryRoleTypeInTheRegistryOrder) {
    std::vector<std::string_view> registered;
    for (const CRoleTypeRegistry::Entry& entry : RoleTypeTable()) {
        if (!entry.typeName.empty()) {
            registered.push_back(entry.typeName);
        }
    }
    std::vector<std::string_view> described;
    for (const RoleTypeEvents& events : EventTable()) {
        described.push_back(events.type);
    }
    EXPECT_EQ(described, registered);
}

TEST(RoleTypeFacts, CommandsAndPropertiesComeFromTheHandlers) {
    const RoleTypeFacts facts;
    struct Case {
        std::string_view type;
        std::string_view command;
        bool has;
    };
    const Case cases[] = {
        {"Timer", "Start", true},        {"Timer", "Play", false},
        {"Timer", "Set", true},          {"Scene", "AddChild", true},
        {"Scene", "Load", false},        {"Director", "Load", true},
        {"Smacker", "SeekOffset", true}, {"MCIVideo", "SeekOffset", false},
        {"Hotspot", "Enable", true},     {"Integer", "Enable", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(facts.FindCommand(c.type, c.command) != nullptr, c.has)
            << c.type << "." << c.command;
    }
    EXPECT_EQ(facts.FindCommand("Director", "Shell")->ParameterCount(), 2u);
    EXPECT_TRUE(facts.HasProperty("Scene", "ImageFilename"));
    EXPECT_FALSE(facts.HasProperty("Scene", "imagefilename"));
    EXPECT_TRUE(facts.IsContainer("Scene"));
    EXPECT_FALSE(facts.IsContainer("Hotspot"));
    EXPECT_EQ(facts.SpelledAs("scene"), "Scene");
    EXPECT_TRUE(facts.Raises("Zone", "Click"));  // queues are found case-blind
    EXPECT_TRUE(facts.Raises("Director", "Key_F1"));
    EXPECT_FALSE(facts.Raises("Timer", "Click"));
    EXPECT_FALSE(facts.Raises("Label", "Click"));
}

TEST(ChosenQueues, FollowTheDirectorsSplit) {
    using Queues = std::vector<std::string>;
    EXPECT_EQ(ChosenQueues("if A then Q1 else if B then Q2 else Q3"), (Queues{"Q1", "Q2", "Q3"}));
    EXPECT_EQ(ChosenQueues("  if [X.Value] = 1 then Done  "), (Queues{"Done"}));
    EXPECT_EQ(ChosenQueues("Wall"), Queues{});  // one clause without "if " is no else branch
}

TEST(TitleFile, LinesAreNumberedAsWrittenAndSectionsAsTheReaderKeepsThem) {
    TempFolder folder;
    const auto path =
        folder.Write("f.ini", "; top\r\n[A]\r\nx=1\rY = 2\n\n[b]\nz\0ignored\n[a]\nw=3\n");
    TitleFile file;
    const base::Result<void> loaded = file.Load(host::InputFile::Open(path));
    ASSERT_TRUE(loaded) << loaded.error();
    ASSERT_EQ(file.Sections().size(), 2u);  // the second [a] is the first one's duplicate
    const TitleFile::Section& a = *file.Find("a");
    EXPECT_EQ(a.line, 2u);
    const auto lines = file.LinesOf(a);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].number, 4u);
    EXPECT_EQ(file.Key(lines[1]), "Y");
    const auto b = file.LinesOf(*file.Find("B"));
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(file.Text(b[0]), "z");
    EXPECT_FALSE(file.Load(host::InputFile::Open(folder.Path() / "none.ini")));
}

// A line's end and its first NUL are found within the line: a file of many short lines
// (and a NUL only at its very end) is looked at once, not once a line.
TEST(TitleFile, IndexingLooksAtEachByteOnce) {
    TempFolder folder;
    std::string bytes = "[Q]\n";
    for (int i = 0; i < 20'000; ++i) {
        bytes += "1=Out.Set(Value,1)\r\n";
    }
    bytes += std::string_view("x=\0cut", 6);
    TitleFile file;
    ASSERT_TRUE(file.Load(host::InputFile::Open(folder.Write("msg.mii", bytes))));
    EXPECT_EQ(file.ScannedBytes(), bytes.size());
    const auto lines = file.LinesOf(*file.Find("q"));
    ASSERT_EQ(lines.size(), 20'001u);
    EXPECT_EQ(file.Text(lines.back()), "x=");
}

TEST(TitleChecker, CleanTitleSaysSoAndExitsZero) {
    TempFolder folder;
    int code = -1;
    const std::string out = Checked(folder,
                                    "[Director]\nType=Director\nApplicationWindowName=T\n"
                                    "Child1=Main\n[Main]\nType=Scene\nState1=N, Integer, 1\n",
                                    "[Main|Load]\n1=N.Add(1)\n2=Main.Set(Left,[N.Value])\n", &code);
    EXPECT_EQ(out, folder.Path().string() + ": no faults found\n");
    EXPECT_EQ(code, 0);
}

TEST(TitleChecker, RolesInCyclesAndThousandsOfFaultsStayBounded) {
    TempFolder folder;
    std::string roles = "[Director]\nType=Director\nApplicationWindowName=T\nChild1=R0\n";
    constexpr int kRoles = 12'000;
    for (int i = 0; i < kRoles; ++i) {
        // Each scene holds the next and the last holds the first; each names an unknown type
        // in a child state.
        roles += "[R" + std::to_string(i) + "]\nType=Scene\nChild1=R" +
                 std::to_string((i + 1) % kRoles) + "\nState1=S" + std::to_string(i) + ", Sprite\n";
    }
    int code = -1;
    const std::string out = Checked(folder, roles, "", &code);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(out.starts_with("The title in " + folder.Path().string() + ":\n"))
        << out.substr(0, 200);
    // One fault a role, and the ring of 12000 scenes once.
    EXPECT_NE(out.find("... and 2001 more faults not listed\n12001 faults found\n"),
              std::string::npos);
}

TEST(TitleChecker, DamagedFilesGiveFaultsNotCrashes) {
    std::mt19937 random(7);
    const std::string pieces[] = {
        "[", "]", "=",     "\n", "\r", std::string(1, '\0'), "Type", "Scene", "Child1", "1", ".",
        "(", ")", "[A.B]", "#",  "|",  "Director",           ",",    "\\",    "\""};
    for (int round = 0; round < 40; ++round) {
        TempFolder folder;
        std::string roles;
        std::string queues;
        for (int i = 0; i < 300; ++i) {
            roles += pieces[random() % std::size(pieces)];
            queues += pieces[random() % std::size(pieces)];
        }
        int code = -1;
        Checked(folder, roles, queues, &code);
        EXPECT_TRUE(code == 0 || code == 1);
    }
}

}  // namespace
}  // namespace stagehand::check
