// What only the window system shows of the director: the main frame takes the title's window
// name, and a window of that name or another player showing it ends the title before its
// scenes. Its commands are played by the title tests (director-commands, choose-queue).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/StageFixture.h"

namespace stagehand::testing {
namespace {

using ::testing::ElementsAre;

class DirectorTest : public StageFixture {
  protected:
    // Lets the loop handle what was posted; true when the main frame is still there.
    bool MainFrameSurvives() {
        Windows().RunPending();
        return Windows().Exists(MainFrame());
    }
};

TEST_F(DirectorTest, CreationNamesTheMainFrame) {
    WriteRoles("[Director]\nApplicationWindowName=My Title\nChild1=Start\n[Start]\nType=Scene\n");
    CDirector& director = MakeDirector();
    EXPECT_TRUE(DirectorCreated());
    EXPECT_EQ(Windows().Title(MainFrame()), "My Title");
    EXPECT_EQ(Backend().Caption(), "My Title");
    EXPECT_FALSE(director.HasWindow());
    EXPECT_TRUE(MainFrameSurvives());
}

TEST_F(DirectorTest, ARunningInstanceEndsTheTitleBeforeItsScenes) {
    WriteRoles(
        "[Director]\nApplicationWindowName=Quest\nChild1=Start\nState1=Early, Integer, 1\n"
        "[Start]\nType=Scene\n");
    // A window of the same name in any case; the states came with the role, before the check.
    host::Window other;
    other.CreateWindow(Windows(), {"QUEST", host::style::kPopup, {0, 0, 10, 10}, {}, false, {}});
    MakeDirector();
    EXPECT_FALSE(DirectorCreated());
    EXPECT_EQ(stage->Find("Start"), nullptr);
    EXPECT_NE(stage->Find("Early"), nullptr);
    other.DestroyWindow();

    // Another player showing the title, asked by name.
    std::vector<std::string> asked;
    CPlayer::Links links{&Windows(), MainFrame()};
    links.otherInstanceShows = [&](const std::string& name) {
        asked.push_back(name);
        return true;
    };
    MakePlayer(links);
    MakeDirector();
    EXPECT_FALSE(DirectorCreated());
    EXPECT_EQ(stage->Find("Start"), nullptr);
    EXPECT_THAT(asked, ElementsAre("Quest"));
    EXPECT_FALSE(MainFrameSurvives());
}

}  // namespace
}  // namespace stagehand::testing
