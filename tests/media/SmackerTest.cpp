// Smacker roles played on a headless window system with a made-up clock: loops, key frames,
// the commands' state changes, going to frames, what a disabled role does, and refusals.
// Which frame shows is read from the screen: each frame of the test movie has a colour of
// its own in its top left corner.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "media/MovieShelf.h"
#include "media/Smacker.h"
#include "support/StageFixture.h"

namespace stagehand::testing {
namespace {

std::string MovieBytes(const char* name) {
    const char* dir = std::getenv("STAGEHAND_VIDEO_FILES");
    std::ifstream in(std::filesystem::path(dir != nullptr ? dir : "video-files") / name,
                     std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

constexpr int kAny = -2;

class SmackerTest : public StageFixture {
  protected:
    // Plays the director's scene S holding the movie role M (count.smk at 10,20 unless
    // `role` says otherwise), with queues that call M's commands.
    void Start(const std::string& role) {
        WriteFile("count.smk", movie_);
        WriteRoles(
            "[Director]\nApplicationWindowName=Movies\nChild1=S\n"
            "[S]\nType=Scene\nWidth=640\nHeight=480\nChild1=M\n"
            "[M]\nType=Smacker\nFilename=count.smk\nLeft=10\nTop=20\nWidth=64\nHeight=48\n" +
            role);
        WriteQueues(
            "[Play]\n1=M.Play\n[Pause]\n1=M.Pause\n[Resume]\n1=M.Resume\n[Stop]\n1=M.Stop\n"
            "[Close]\n1=M.Close\n[Disable]\n1=M.Disable\n[Enable]\n1=M.Enable\n"
            "[Seek12]\n1=M.Seek(12)\n[Back]\n1=M.SeekOffset(-5)\n"
            "[Far]\n1=M.SeekOffset(2147483647)\n[FarBack]\n1=M.SeekOffset(-2147483648)\n[Reopen]"
            "\n1=M.Open(count.smk)\n"
            "[missing.smk]\n1=M.Open(missing.smk)\n[text.smk]\n1=M.Open(text.smk)\n"
            "[bad.smk]\n1=M.Open(bad.smk)\n"
            "[M|Notify]\n1=Log.Log(notified)\n");
        MakeProbe("Log");
        MakeDirector();
        ASSERT_NE(stage->Find("M"), nullptr) << ::testing::PrintToString(traced);
    }
    // Steps every movie `count` times, 67 ms apart: one frame a step at 15 frames a second.
    void Step(int count) {
        for (int i = 0; i < count; ++i) {
            now_ += 67;
            player->Service<CMovieShelf>().StepAll(now_);
        }
    }
    // The frame showing at the movie's place, or -1.
    int Shown() {
        const host::Color corner = Windows().Framebuffer().PixelAt(10, 20);
        constexpr size_t kFrameBytes = 64 * 48 * 3;
        for (int frame = 0; frame < 20 && rgb_.size() >= (frame + 1) * kFrameBytes; ++frame) {
            const auto* p = reinterpret_cast<const uint8_t*>(rgb_.data()) + frame * kFrameBytes;
            if (corner == host::Rgb(p[0], p[1], p[2])) {
                return frame;
            }
        }
        return -1;
    }
    std::string Property(const char* name) { return stage->Find("M")->GetProperty(name); }

    std::string movie_ = MovieBytes("count.smk");
    std::string rgb_ = MovieBytes("count.smk.rgb");
    uint32_t now_ = 1000;
};

TEST_F(SmackerTest, LoopsKeyFramesCommandsAndSeeksAsTheTitleAsks) {
    if (movie_.empty()) {
        GTEST_SKIP() << "no Smacker encoder in this build";
    }
    struct Case {
        const char* what;
        const char* role;
        const char* script;  // numbers step, names run a queue
        std::vector<int> notified;
        int status;
        int shown;
    };
    const Case cases[] = {
        {"plays once, stays on its last frame", "AutoPlay=1\n", "25", {19}, 1, 19},
        {"two passes", "AutoPlay=1\nNumberOfLoops=2\n", "45", {19}, 1, 19},
        {"another negative count plays once", "AutoPlay=1\nNumberOfLoops=-3\n", "25", {19}, 1, 19},
        {"for ever: the key frames up to the first 0, the last frame unseen as KeyFrame2",
         "AutoPlay=1\nNumberOfLoops=-1\nKeyFrame1=3\nKeyFrame2=19\nKeyFrame4=7\n",
         "45",
         {3, 3, 3},
         2,
         4},
        {"the last frame as KeyFrame1 is seen on every pass",
         "AutoPlay=1\nNumberOfLoops=-1\nKeyFrame1=19\n",
         "41",
         {19, 19},
         2,
         0},
        {"without AutoPlay the window waits for Play", "", "10 Play 5", {}, 2, 4},
        {"Stop and Play do not rewind; Pause holds",
         "AutoPlay=1\n",
         "5 Stop 5 Play 3 Pause 5 Resume 2",
         {},
         2,
         9},
        {"Play at the end plays the last frame once more",
         "AutoPlay=1\n",
         "25 Play 1",
         {19, 19},
         1,
         19},
        {"a disabled movie holds its frame and refuses Play",
         "AutoPlay=1\n",
         "3 Disable 5 Play Pause Stop 1 Enable 2",
         {},
         2,
         4},
        {"Seek shows the frame at the next step and aims at the next key frame",
         "AutoPlay=1\nKeyFrame1=5\nKeyFrame2=15\n",
         "2 Seek12 1 Back 8",
         {15},
         2,
         15},
        {"the farthest offsets go to the ends, never round",
         "AutoPlay=1\n",
         "3 Far 1",
         {19},
         1,
         19},
        {"and the farthest back to the first", "AutoPlay=1\n", "5 FarBack 2", {}, 2, 1},
        {"Close closes even while disabled", "AutoPlay=1\n", "3 Disable Close 3", {}, 0, kAny},
        {"Open again starts a fresh pass", "AutoPlay=1\n", "25 Reopen 3", {19}, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start(c.role);
        EXPECT_EQ(Property("TotalFrames"), "19");
        std::vector<int> notified;
        std::istringstream script(c.script);
        for (std::string word; script >> word;) {
            if (std::isdigit(static_cast<unsigned char>(word[0]))) {
                for (int i = std::stoi(word); i > 0; --i) {
                    const size_t before = log.size();
                    Step(1);
                    if (log.size() != before) {
                        notified.push_back(std::stoi(Property("NotifyFrame")));
                    }
                }
            } else {
                RunQueue(word);
            }
        }
        EXPECT_EQ(notified, c.notified);
        EXPECT_EQ(Property("Status"), std::to_string(c.status));
        if (c.shown != kAny) {
            EXPECT_EQ(Shown(), c.shown);
        }
        EXPECT_EQ(player->Service<CMovieShelf>().Has("M"), c.status != 0);
        EXPECT_EQ(Traced("fault: "), std::vector<std::string>{});
        log.clear();
        traced.clear();
        MakePlayer({&Windows(), MainFrame()});
        Windows().SetTitle(MainFrame(), "");  // the next director may take the name again
    }
}

TEST_F(SmackerTest, FilesThatAreNoMovieFailTheOpenWithAReason) {
    if (movie_.empty()) {
        GTEST_SKIP() << "no Smacker encoder in this build";
    }
    WriteFile("bad.smk", movie_.substr(0, movie_.size() / 3));
    WriteFile("text.smk", "not a movie");
    Start("AutoPlay=1\nNumberOfLoops=-1\n");
    EXPECT_EQ(Property("Status"), "2");
    for (const char* name : {"missing.smk", "text.smk"}) {
        RunQueue(name);
        EXPECT_EQ(Property("Status"), "0") << name;
    }
    RunQueue("bad.smk");
    EXPECT_EQ(Property("Status"), "2");
    Step(20);  // the damage shows while playing: the movie stops
    EXPECT_EQ(Property("Status"), "1");
    const std::vector<std::string> faults = Traced("fault: ");
    ASSERT_EQ(faults.size(), 3U);
    EXPECT_NE(faults[0].find("cannot open \"missing.smk\""), std::string::npos) << faults[0];
    EXPECT_NE(faults[1].find("not a movie"), std::string::npos) << faults[1];
    EXPECT_NE(faults[2].find("stops at frame"), std::string::npos) << faults[2];
}

}  // namespace
}  // namespace stagehand::testing
