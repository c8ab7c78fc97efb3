// A content manager reads its file anew for each ReadContent: a title cannot change a file
// between two reads, so this one check stays here; the rest is the content-files title test.
#include <gtest/gtest.h>

#include "state/ContentManager.h"
#include "state/StateVar.h"
#include "support/TitleFixture.h"

namespace stagehand::testing {
namespace {

using Content = TitleFixture;

TEST_F(Content, ReadsTheFileAnewEachTime) {
    WriteFile("scores.ini", "[Scores]\nHigh=1\n");
    WriteRoles("[Data]\nType=IniContentManager\nFilename=scores.ini\n");
    WriteQueues("[Read]\n1=Data.ReadContent(\"Scores,High\",{N})\n");
    auto* n = Make<CStateVarInt>("Integer", "N");
    auto* data = Make<CIniContentManager>("IniContentManager", "Data");
    ASSERT_TRUE(n && data);
    data->RunQueue("Read", CMessageHandler::kPlainScope);
    EXPECT_EQ(n->Value(), 1);
    WriteFile("scores.ini", "[Scores]\nHigh=2\n");
    data->RunQueue("Read", CMessageHandler::kPlainScope);
    EXPECT_EQ(n->Value(), 2);
}

}  // namespace
}  // namespace stagehand::testing
