// A Smacker movie stepped as a movie window steps it: due times on a made-up clock, changed
// rectangles, wrapping, going to frames, the palette and the routed sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "host/audio/Mixer.h"
#include "host/video/MoviePlayback.h"
#include "support/ErrorOf.h"

namespace stagehand::host {
namespace {

namespace fs = std::filesystem;

fs::path File(const char* name) {
    const char* dir = std::getenv("STAGEHAND_VIDEO_FILES");
    return fs::path(dir != nullptr ? dir : "video-files") / name;
}

// Frame `index` of ffmpeg's RGB decoding of a movie.
Surface Reference(const char* name, Size size, int64_t index) {
    std::ifstream in(File(name).string() + ".rgb", std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    const std::string rgb = all.str();
    Surface frame(size.width, size.height);
    const size_t at = static_cast<size_t>(index) * size.width * size.height * 3;
    for (int32_t y = 0; y < size.height && at + (y + 1) * size.width * 3 <= rgb.size(); ++y) {
        for (int32_t x = 0; x < size.width; ++x) {
            const auto* p = reinterpret_cast<const uint8_t*>(rgb.data()) + at +
                            (static_cast<size_t>(y) * size.width + x) * 3;
            frame.SetPixel(x, y, Rgb(p[0], p[1], p[2]));
        }
    }
    return frame;
}

// A window that copies only the changed rectangles of each frame shows what ffmpeg shows:
// a paletted movie whose palette stays (only changed blocks made again) and one of full colours.
TEST(MoviePlayback, CopyingOnlyWhatChangedShowsEveryFrame) {
    for (const char* name : {"pal8.avi", "cinepak.avi"}) {
        SCOPED_TRACE(name);
        MoviePlayback playback;
        const base::Result<void> opened = playback.Open(File(name));
        ASSERT_TRUE(opened) << opened.error();
        Surface window(96, 64);
        size_t partial = 0;
        for (int64_t n = 0; n < 24; ++n) {  // 20 frames, then 4 after wrapping round
            const base::Result<void> decoded = playback.Decode(0);
            ASSERT_TRUE(decoded) << decoded.error();
            for (const Rect& r : playback.Changed()) {
                window.Blit(playback.Buffer(), r, {r.left, r.top});
            }
            partial += playback.Changed() != std::vector<Rect>{window.Bounds()} ? 1 : 0;
            const Surface reference = Reference(name, {96, 64}, n % 20);
            ASSERT_EQ(window.Pixels(), reference.Pixels()) << "frame " << n;
            playback.Advance();
        }
        EXPECT_GT(partial, 10U);
    }
}

TEST(MoviePlayback, StepsOnTheBeatWrapsGoesToFramesAndCopiesOnlyWhatChanged) {
    if (!fs::exists(File("count.smk"))) {
        GTEST_SKIP() << "no Smacker encoder in this build";
    }
    MoviePlayback playback;
    Mixer mixer;  // outlives the playback
    mixer.SetOutputRate(11025);
    const base::Result<void> opened = playback.Open(File("count.smk"));
    ASSERT_TRUE(opened) << opened.error();
    playback.RouteSound(&mixer);
    const Size size{64, 48};
    EXPECT_EQ(playback.FrameSize(), size);
    EXPECT_FALSE(playback.HasFrame());
    EXPECT_TRUE(playback.IsDue(-1000000));

    // 15 frames a second from t = 1000: frame n is due at 1000 + n * 66.67 ms.
    Surface window(64, 48);
    int64_t now = 1000;
    for (int64_t n = 0; n < 25; ++n) {
        SCOPED_TRACE(n);
        const int64_t frame = n % 20;
        ASSERT_EQ(playback.CurrentFrame(), frame);
        if (n > 0) {
            EXPECT_EQ(playback.DueAt(), 1000 + std::llround(n * 1000 / 14.99925));
            EXPECT_FALSE(playback.IsDue(playback.DueAt() - 1));
            now = playback.DueAt();
        }
        const base::Result<void> decoded = playback.Decode(now);
        ASSERT_TRUE(decoded) << decoded.error();
        for (const Rect& r : playback.Changed()) {
            window.Blit(playback.Buffer(), r, {r.left, r.top});
        }
        ASSERT_EQ(window.Pixels(), Reference("count.smk", size, frame).Pixels());
        ASSERT_EQ(playback.Palette().size(), 256U);
        for (const Color c : playback.Buffer().Pixels()) {
            ASSERT_NE(std::find(playback.Palette().begin(), playback.Palette().end(), c),
                      playback.Palette().end());
        }
        playback.Advance();
    }
    // Going to frames, in range or not: the frame shows as decoding in order shows it, due
    // when the next frame in order would have been.
    for (const auto& [target, shown] : {std::pair{13L, 13L}, {4L, 4L}, {100L, 19L}, {-5L, 0L}}) {
        const int64_t due = playback.DueAt();
        playback.GoTo(target);
        EXPECT_EQ(playback.DueAt(), due);
        const base::Result<void> decoded = playback.Decode(due);
        ASSERT_TRUE(decoded) << decoded.error();
        EXPECT_EQ(playback.Buffer().Pixels(), Reference("count.smk", size, shown).Pixels())
            << target;
        playback.Advance();
    }
    std::vector<int16_t> out(2 * 11025 * 3);
    mixer.Mix(out.data(), out.size() / 2);
    EXPECT_GT(std::count_if(out.begin(), out.end(), [](int16_t s) { return s > 1000; }), 1000);

    // A movie of full colours has no palette; a closed one shows nothing.
    const base::Result<void> full = playback.Open(File("cinepak.avi"));
    ASSERT_TRUE(full) << full.error();
    ASSERT_TRUE(playback.Decode(0));
    EXPECT_TRUE(playback.Palette().empty());
    playback.Close();
    EXPECT_FALSE(playback.Decode(0));
    EXPECT_TRUE(playback.Buffer().IsEmpty());
    const base::Result<void> missing = playback.Open(File("missing.smk"));
    EXPECT_FALSE(missing);
    EXPECT_NE(::stagehand::testing::ErrorOf(missing), "");
}

// Going to a frame of a long Smacker movie starts from the decoder picture kept nearest
// before it: once the movie has played through, any frame costs at most a spacing's worth
// of decoding, and shows what decoding in order shows. The first far seek, before anything
// is kept, is spread over Decode calls of a bounded step each.
TEST(MoviePlayback, FarFramesCostAFewFramesAndEachStepIsBounded) {
    if (!fs::exists(File("long.smk"))) {
        GTEST_SKIP() << "no Smacker encoder in this build";
    }
    const Size size{64, 48};
    MoviePlayback playback;
    ASSERT_TRUE(playback.Open(File("long.smk")));
    constexpr int64_t kStepFrames = 40;
    playback.SetStepPixels(kStepFrames * size.width * size.height);
    playback.GoTo(290);
    int calls = 0;
    for (int64_t before = 0; calls < 20; ++calls) {
        ASSERT_TRUE(playback.Decode(0));
        EXPECT_LE(playback.Decoder().FramesDecoded() - before, kStepFrames);
        before = playback.Decoder().FramesDecoded();
        if (!playback.Seeking()) {
            break;
        }
    }
    EXPECT_EQ(calls, 290 / kStepFrames);
    EXPECT_EQ(playback.Buffer().Pixels(), Reference("long.smk", size, 290).Pixels());
    for (int64_t n = 291; n < 300; ++n) {  // on to the end: every frame so far was seen
        playback.Advance();
        ASSERT_TRUE(playback.Decode(0));
    }
    const int64_t spacing = playback.Decoder().SnapshotSpacing();
    ASSERT_GT(spacing, 0);
    for (const int64_t target : {150, 7, 299, 0, 289, 3, 296, 64}) {
        SCOPED_TRACE(target);
        const int64_t before = playback.Decoder().FramesDecoded();
        playback.GoTo(target);
        ASSERT_TRUE(playback.Decode(0));
        EXPECT_FALSE(playback.Seeking());
        EXPECT_LE(playback.Decoder().FramesDecoded() - before, spacing + 1);
        EXPECT_EQ(playback.Buffer().Pixels(), Reference("long.smk", size, target).Pixels());
    }
}

// Open takes no frame memory; the first Decode takes it from the shared budget, which
// refuses a movie that does not fit, and Close gives it back.
TEST(MoviePlayback, FrameMemoryIsTakenAtTheFirstFrameFromASharedBudget) {
    if (!fs::exists(File("count.smk"))) {
        GTEST_SKIP() << "no Smacker encoder in this build";
    }
    MoviePlayback probe;
    ASSERT_TRUE(probe.Open(File("count.smk")));
    const uint64_t each = probe.FrameBytes();
    auto budget = std::make_shared<FrameBudget>(each * 2);
    MoviePlayback movies[3];
    for (MoviePlayback& m : movies) {
        m.SetBudget(budget);
        ASSERT_TRUE(m.Open(File("count.smk")));
        EXPECT_TRUE(m.Buffer().IsEmpty());
    }
    EXPECT_EQ(budget->HeldBytes(), 0U);
    EXPECT_TRUE(movies[0].Decode(0));
    EXPECT_TRUE(movies[1].Decode(0));
    const base::Result<void> refused = movies[2].Decode(0);
    EXPECT_NE(::stagehand::testing::ErrorOf(refused).find("frame memory"), std::string::npos);
    EXPECT_TRUE(movies[2].Buffer().IsEmpty());
    EXPECT_EQ(budget->HeldBytes(), each * 2);
    movies[0].Close();
    EXPECT_TRUE(movies[2].Decode(0));
    EXPECT_EQ(movies[2].Buffer().Pixels(), Reference("count.smk", {64, 48}, 0).Pixels());
}

// Sound routed before the first frame goes to the mixer with it, wherever the file stores it
// (a Smacker file before the picture, an AVI after it): the mix opens with the movie's tone.
TEST(MoviePlayback, RoutedSoundStartsWithTheFirstFrame) {
    for (const char* name : {"count.smk", "cinepak.avi"}) {
        SCOPED_TRACE(name);
        if (!fs::exists(File(name))) {
            continue;
        }
        Mixer mixer;
        mixer.SetOutputRate(11025);
        MoviePlayback playback;
        const base::Result<void> opened = playback.Open(File(name));
        ASSERT_TRUE(opened) << opened.error();
        playback.RouteSound(&mixer);
        const base::Result<void> decoded = playback.Decode(0);
        ASSERT_TRUE(decoded) << decoded.error();
        std::vector<int16_t> out(2 * 11025 / 20);  // the first 50 ms
        mixer.Mix(out.data(), out.size() / 2);
        EXPECT_GT(std::count_if(out.begin(), out.end(), [](int16_t s) { return s > 1000; }), 50);
    }
}

}  // namespace
}  // namespace stagehand::host
