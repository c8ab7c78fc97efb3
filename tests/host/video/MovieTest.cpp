// Movies made by the ffmpeg program (and the Smacker encoder) at test time, decoded by the
// player and compared with what ffmpeg decodes them to; going to frames, sound, refusals.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "host/audio/Mixer.h"
#include "host/video/Movie.h"
#include "support/ErrorOf.h"
#include "support/TempFolder.h"

namespace stagehand::host {
namespace {

namespace fs = std::filesystem;

fs::path Dir() {
    const char* dir = std::getenv("STAGEHAND_VIDEO_FILES");
    return dir != nullptr ? fs::path(dir) : fs::path("video-files");
}

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// The largest difference of one colour channel between a frame and ffmpeg's RGB of it.
int MaxDifference(const Surface& frame, const std::string& rgb, int64_t index) {
    const size_t frameBytes = static_cast<size_t>(frame.Width()) * frame.Height() * 3;
    if (rgb.size() < (index + 1) * frameBytes) {
        return 999;
    }
    int worst = 0;
    const auto* p = reinterpret_cast<const uint8_t*>(rgb.data()) + index * frameBytes;
    for (const Color c : frame.Pixels()) {
        for (const int d : {RedOf(c) - p[0], GreenOf(c) - p[1], BlueOf(c) - p[2]}) {
            worst = std::max(worst, std::abs(d));
        }
        p += 3;
    }
    return worst;
}

std::vector<Surface> DecodeAll(Movie& movie) {
    std::vector<Surface> frames;
    Surface frame;
    while (movie.DecodeNext(frame)) {
        EXPECT_EQ(movie.NextFrame(), static_cast<int64_t>(frames.size()) + 1);
        frames.push_back(frame);
    }
    EXPECT_EQ(movie.Error(), "");
    return frames;
}

TEST(Movie, DecodesEveryFormatLikeFfmpegAndGoesToAnyFrame) {
    struct Case {
        const char* file;
        Size size;
        int64_t frames;
        double fps;
        bool sound;
        bool smacker;
        int tolerance;  // ffmpeg converts to RGB by its own path; paletted frames match exactly
    };
    const Case cases[] = {
        {"cinepak.avi", {96, 64}, 20, 10, true, false, 4},
        {"msvideo1.avi", {96, 64}, 20, 10, true, false, 0},
        {"mpeg1.mpg", {96, 64}, 50, 25, false, false, 4},
        {"count.smk", {64, 48}, 20, 15, true, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        if (!fs::exists(Dir() / c.file)) {
            if (c.smacker) {
                continue;  // no Smacker encoder in this build
            }
            ADD_FAILURE() << "missing " << (Dir() / c.file) << " (made by make-movies.sh)";
            continue;
        }
        Movie movie;
        const base::Result<void> opened = movie.Open(Dir() / c.file);
        ASSERT_TRUE(opened) << opened.error();
        EXPECT_EQ(movie.FrameSize(), c.size);
        EXPECT_EQ(movie.FrameCount(), c.frames);
        EXPECT_NEAR(movie.FrameRate(), c.fps, 0.01);
        EXPECT_NEAR(movie.DurationSeconds(), static_cast<double>(c.frames) / c.fps, 0.1);
        EXPECT_EQ(movie.HasSound(), c.sound);
        EXPECT_EQ(movie.IsSmacker(), c.smacker);
        const std::vector<Surface> frames = DecodeAll(movie);
        ASSERT_EQ(static_cast<int64_t>(frames.size()), c.frames);
        const std::string rgb = Bytes(Dir() / (std::string(c.file) + ".rgb"));
        for (size_t i = 0; i < frames.size(); ++i) {
            ASSERT_LE(MaxDifference(frames[i], rgb, i), c.tolerance) << "frame " << i;
        }
        // Back, forward, to the ends and to where it is: the same pixels as decoding on.
        for (const int64_t target : {c.frames / 2 + 3, 2L, c.frames - 1, 0L, 0L, 1L, 7L}) {
            const base::Result<void> sought = movie.SeekToFrame(target);
            ASSERT_TRUE(sought) << target << ": " << sought.error();
            EXPECT_EQ(movie.NextFrame(), target);
            Surface frame;
            ASSERT_TRUE(movie.DecodeNext(frame)) << movie.Error();
            EXPECT_EQ(frame.Pixels(), frames[target].Pixels()) << "frame " << target;
        }
        EXPECT_FALSE(movie.SeekToFrame(c.frames));
        const base::Result<void> before = movie.SeekToFrame(-1);
        EXPECT_FALSE(before);
        EXPECT_NE(::stagehand::testing::ErrorOf(before), "");
    }
}

TEST(Movie, SmackerFrameRateZeroIsTenFramesASecond) {
    const fs::path file = Dir() / "rate0.smk";
    if (!fs::exists(file)) {
        GTEST_SKIP() << "no Smacker encoder in this build";
    }
    Movie movie;
    const base::Result<void> opened = movie.Open(file);
    ASSERT_TRUE(opened) << opened.error();
    EXPECT_DOUBLE_EQ(movie.FrameRate(), 10);
    EXPECT_DOUBLE_EQ(movie.DurationSeconds(), 2);
}

TEST(Movie, SoundTracksReachTheMixerAsTheFramesAreDecoded) {
    for (const char* file : {"cinepak.avi", "count.smk"}) {
        SCOPED_TRACE(file);
        if (!fs::exists(Dir() / file)) {
            continue;
        }
        Mixer mixer;
        mixer.SetOutputRate(11025);
        Movie movie;
        const base::Result<void> opened = movie.Open(Dir() / file);
        ASSERT_TRUE(opened) << opened.error();
        Surface frame;
        while (movie.DecodeNext(frame)) {
            movie.PumpSound(mixer);
        }
        movie.PumpSound(mixer);
        // The tone lasts as long as the frames (1.33 to 2 s): its samples are not silent.
        std::vector<int16_t> out(2 * 11025 * 3);
        mixer.Mix(out.data(), out.size() / 2);
        const auto loud =
            std::count_if(out.begin(), out.end(), [](int16_t s) { return std::abs(s) > 1000; });
        EXPECT_GT(loud, 11025) << "too little sound";
        EXPECT_LT(loud, 2 * 11025 * 2 + 200) << "more sound than the movie holds";
        movie.CloseSound();
    }
}

TEST(Movie, RefusesWhatIsNotAWholeMovieWithAReason) {
    ::stagehand::testing::TempFolder folder;
    const std::string avi = Bytes(Dir() / "cinepak.avi");
    const std::string smk = Bytes(Dir() / "count.smk");
    const std::string mpg = Bytes(Dir() / "mpeg1.mpg");
    auto patched = [](std::string bytes, size_t at, uint32_t value) {
        if (bytes.size() >= at + 4) {
            for (int i = 0; i < 4; ++i) {
                bytes[at + i] = static_cast<char>(value >> (8 * i));
            }
        }
        return bytes;
    };
    struct Case {
        const char* what;
        std::string bytes;
        bool mayPlay;  // a cut MPEG stream cannot know it was cut
    };
    const std::vector<Case> cases = {
        {"empty", "", false},
        {"text", "this is no movie at all, just a line of text\n", false},
        {"avi cut in half", avi.substr(0, avi.size() / 2), false},
        {"avi cut in its header", avi.substr(0, 300), false},
        {"avi cut at four fifths", avi.substr(0, avi.size() * 4 / 5), false},
        {"smk cut in half", smk.substr(0, smk.size() / 2), false},
        {"smk cut in its header", smk.substr(0, 100), false},
        {"smk 100000 pixels wide", patched(smk, 4, 100000), false},
        {"smk of 2^30 frames", patched(smk, 12, 1U << 30), false},
        {"mpeg cut in half", mpg.substr(0, mpg.size() / 2), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Movie movie;
        const base::Result<void> opened = movie.Open(folder.Write("damaged", c.bytes));
        std::string error = ::stagehand::testing::ErrorOf(opened);
        if (opened) {
            Surface frame;
            int64_t frames = 0;
            while (movie.DecodeNext(frame) && frames < Movie::kMaxFrames) {
                ++frames;
            }
            error = ::stagehand::testing::ErrorOf(movie.SeekToFrame(movie.FrameCount() - 1));
            if (c.mayPlay) {
                continue;
            }
        }
        EXPECT_NE(error, "");
    }
    // Names that are not regular files.
    ASSERT_EQ(mkfifo((folder.Path() / "pipe").c_str(), 0600), 0);
    for (const char* name : {"pipe", "missing.avi", "."}) {
        Movie movie;
        const base::Result<void> opened = movie.Open(folder.Path() / name);
        EXPECT_FALSE(opened) << name;
        EXPECT_NE(::stagehand::testing::ErrorOf(opened), "") << name;
        Surface frame;
        EXPECT_FALSE(movie.DecodeNext(frame));
    }
}

}  // namespace
}  // namespace stagehand::host
