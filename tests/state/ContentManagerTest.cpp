// Content managers against real title folders: how "Filename" is resolved, what
// "ReadContent" stores in which kind of variable, and what it reports when it cannot.
#include <gtest/gtest.h>

#include "state/ContentManager.h"
#include "state/StateVar.h"
#include "support/TitleFixture.h"

namespace stagehand::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Content : public TitleFixture {
  protected:
    // A content manager "Data" for the file name as written, and variables N and S.
    CIniContentManager* MakeData(const std::string& filename) {
        WriteRoles("[Data]\nType=IniContentManager\nFilename=" + filename + "\n");
        n = Make<CStateVarInt>("Integer", "N");
        s = Make<CStateVarString>("String", "S");
        return Make<CIniContentManager>("IniContentManager", "Data");
    }

    CStateVarInt* n = nullptr;
    CStateVarString* s = nullptr;
};

TEST_F(Content, ResolvesTheFilenameToTheFullTitleNameOfTheFirstMatch) {
    WriteFile("scores.ini", "[Scores]\nHigh=1\n");
    WriteFile("data/scores.ini", "[Scores]\nHigh=2\n");
    WriteFile("wild/b.ini", "[Scores]\nHigh=3\n");
    WriteFile("wild/a.ini", "[Scores]\nHigh=4\n");
    WriteFile("wild/Z.ini", "[Scores]\nHigh=5\n");
    struct Row {
        std::string written;
        std::string resolved;
        int32_t high;
    };
    const Row rows[] = {
        {"scores.ini", "C:\\scores.ini", 1},
        {"DATA\\Scores.INI", "C:\\data\\scores.ini", 2},
        {"wild\\*.ini", "C:\\wild\\Z.ini", 5},  // byte order: 'Z' before 'a'
        {"WILD\\?.INI", "C:\\wild\\Z.ini", 5},
    };
    std::string roles;
    for (size_t i = 0; i < std::size(rows); ++i) {
        roles += "[D" + std::to_string(i) +
                 "]\nType=IniContentManager\nFilename=" + rows[i].written + "\n";
    }
    WriteRoles(roles);
    auto* v = Make<CStateVarInt>("Integer", "V");
    for (size_t i = 0; i < std::size(rows); ++i) {
        auto* data = Make<CIniContentManager>("IniContentManager", "D" + std::to_string(i));
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->Filename(), rows[i].resolved) << rows[i].written;
        data->ReadContent("Scores,High", "{V}");
        EXPECT_EQ(v->Value(), rows[i].high) << rows[i].written;
    }
    EXPECT_THAT(Traced("fault: "), IsEmpty());
}

TEST_F(Content, AFilenameWithoutAMatchBecomesEmptyAndReadsTheEmptyText) {
    WriteFile("scores.ini", "[Scores]\nHigh=42\n");
    auto* data = MakeData("nothere.ini");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->Filename(), "");
    EXPECT_THAT(Traced("fault: "),
                ElementsAre("The source file \"nothere.ini\" for content manager \"Data\" does "
                            "not exist.\n"));
    n->SetProperty("Value", "9");
    s->SetProperty("Value", "x");
    data->ReadContent("Scores,High", "{N}");
    data->ReadContent("Scores,High", "{S}");
    EXPECT_EQ(n->Value(), 0);
    EXPECT_EQ(s->Value(), "");
}

TEST_F(Content, QueueMessagesReadTheFirstKeyIntoEitherKindOfVariable) {
    WriteFile("scores.ini", "[Scores]\nHigh=42\nLow=7\nMid=x\n");
    WriteQueues(
        "[Load]\n1=Data.ReadContent(\"Scores,High\",{N})\n"
        "2=Data.ReadContent(\"Scores,High\",{S})\n"
        "[Many]\n1=Data.ReadContent(\"Scores,Low,High,Mid\",{N})\n");
    auto* data = MakeData("scores.ini");
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->RunQueue("Load", CMessageHandler::kPlainScope));
    EXPECT_EQ(n->Value(), 42);
    EXPECT_EQ(s->Value(), "42");
    EXPECT_THAT(Traced("fault: "), IsEmpty());

    EXPECT_TRUE(data->RunQueue("Many", CMessageHandler::kPlainScope));
    EXPECT_EQ(n->Value(), 7);
    EXPECT_THAT(Traced("fault: "),
                ElementsAre("Data.ReadContent: The number of keys in the query string (3) does "
                            "not match the number of state variables (1).\n"));
}

TEST_F(Content, StoresTheEmptyTextForMissingAndTooLargeValues) {
    const std::string fits(CIniContentManager::kMaxValueLength, 'f');
    const std::string tooLarge(CIniContentManager::kMaxValueLength + 1, 'L');
    WriteFile("scores.ini", "[Scores]\nFits=" + fits + "\nLarge=" + tooLarge + "\n");
    auto* data = MakeData("scores.ini");
    ASSERT_NE(data, nullptr);

    struct Row {
        const char* query;
        std::string expected;
    };
    const Row rows[] = {
        {"Scores,Fits", fits},
        {"Scores,Large", ""},
        {"Scores,Missing", ""},
        {"Missing,Fits", ""},
    };
    for (const Row& row : rows) {
        s->SetProperty("Value", "x");
        data->ReadContent(row.query, "{S}");
        EXPECT_EQ(s->Value(), row.expected) << row.query;
    }
    EXPECT_THAT(Traced("fault: "), ElementsAre("The value in file \"C:\\scores.ini\", section "
                                               "\"Scores\", key \"Large\" is too large.\n"));
}

TEST_F(Content, ReportsQueriesAndVariablesItCannotUseAndChangesNothing) {
    WriteFile("scores.ini", "[Scores]\nHigh=42\n");
    auto* data = MakeData("scores.ini");
    ASSERT_NE(data, nullptr);
    Probe& p = MakeProbe("P");
    p.note = "kept";

    struct Row {
        const char* query;
        const char* variable;
        const char* fault;
    };
    const Row rows[] = {
        {"Scores,High", "{Nobody}",
         "Data.ReadContent: The state variable \"Nobody\" does not exist.\n"},
        {"Scores,High", "{P}",
         "Data.ReadContent: The message handler \"P\" is not a state variable.\n"},
        {"Scores", "{N}",
         "Data.ReadContent: The query string \"Scores\" must have at least one key."},
        {"Scores,High", "N", "Data.ReadContent: The variable array must have at least one entry."},
        {"Scores,High", "", "Data.ReadContent: The variable array must have at least one entry."},
    };
    for (const Row& row : rows) {
        traced.clear();
        n->SetProperty("Value", "9");
        data->ReadContent(row.query, row.variable);
        EXPECT_THAT(Traced("fault: "), ElementsAre(row.fault)) << row.query << " " << row.variable;
        EXPECT_EQ(n->Value(), 9) << row.query << " " << row.variable;
    }
    EXPECT_EQ(p.note, "kept");
}

TEST_F(Content, ReadsTheFileAnewEachTime) {
    WriteFile("scores.ini", "[Scores]\nHigh=1\n");
    WriteQueues("[Read]\n1=Data.ReadContent(\"Scores,High\",{N})\n");
    auto* data = MakeData("scores.ini");
    ASSERT_NE(data, nullptr);
    data->RunQueue("Read", CMessageHandler::kPlainScope);
    EXPECT_EQ(n->Value(), 1);
    WriteFile("scores.ini", "[Scores]\nHigh=2\n");
    data->RunQueue("Read", CMessageHandler::kPlainScope);
    EXPECT_EQ(n->Value(), 2);
}

}  // namespace
}  // namespace stagehand::testing
