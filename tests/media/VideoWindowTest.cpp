// A video window with a destination far larger than the screen: the picture is stretched
// only where the paint reaches.
#include <cstdlib>
#include <filesystem>

#include "media/VideoWindow.h"
#include "support/StageFixture.h"

namespace stagehand::testing {
namespace {

std::filesystem::path Video(const char* name) {
    const char* dir = std::getenv("STAGEHAND_VIDEO_FILES");
    return std::filesystem::path(dir != nullptr ? dir : "video-files") / name;
}

class VideoWindowTest : public StageFixture {};

TEST_F(VideoWindowTest, AHugeDestinationCostsNoMoreThanTheScreen) {
    if (!std::filesystem::exists(Video("cinepak.avi"))) {
        GTEST_SKIP() << "no test videos";
    }
    struct Case {
        host::Rect window;  // in the main frame
        host::Rect destination;
    };
    const Case cases[] = {
        {{0, 0, 8192, 8192}, {0, 0, 8192, 8192}},
        {{100, 50, 8292, 8242}, {0, 0, 8192, 8192}},
        {{0, 0, 640, 480}, {-4000, -3000, 4192, 5192}},
        {{0, 0, 96, 64}, {0, 0, 96, 64}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window.Width());
        VideoWindow video;
        host::WindowParams params;
        params.style = host::style::kChild | host::style::kVisible;
        params.parent = MainFrame();
        params.rect = c.window;
        ASSERT_TRUE(video.CreateWindow(Windows(), params));
        ASSERT_TRUE(video.Open(Video("cinepak.avi"), "V", false));
        video.SetDestination(c.destination);
        video.Play();
        Windows().RunPending();
        const host::Rect seen = c.window.Intersection({0, 0, 640, 480});
        EXPECT_GT(video.StretchedPixels(), 0);
        EXPECT_LE(video.StretchedPixels(), int64_t{seen.Width()} * seen.Height());
        video.Pause();
        video.DestroyWindow();
    }
}

// A video takes its frames from the budget it shares with the play's movies: while it is open
// and has shown a frame it holds them, a budget too small stops it at its first frame, and
// closing gives them back.
TEST_F(VideoWindowTest, FramesComeFromTheSharedBudget) {
    if (!std::filesystem::exists(Video("cinepak.avi"))) {
        GTEST_SKIP() << "no test videos";
    }
    for (const uint64_t bound : {uint64_t{64} << 20, uint64_t{16}}) {
        SCOPED_TRACE(bound);
        auto budget = std::make_shared<host::FrameBudget>(bound);
        VideoWindow video;
        host::WindowParams params;
        params.style = host::style::kChild | host::style::kVisible;
        params.parent = MainFrame();
        params.rect = {0, 0, 96, 64};
        ASSERT_TRUE(video.CreateWindow(Windows(), params));
        video.SetFrameBudget(budget);
        ASSERT_TRUE(video.Open(Video("cinepak.avi"), "V", false));
        video.Play();
        Windows().RunPending();
        EXPECT_EQ(budget->HeldBytes() > 0, bound > 16);
        video.Close();
        EXPECT_EQ(budget->HeldBytes(), 0u);
        video.DestroyWindow();
    }
}

}  // namespace
}  // namespace stagehand::testing
