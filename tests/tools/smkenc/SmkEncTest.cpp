#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "smkenc/Pattern.h"
#include "smkenc/Smacker.h"
#include "support/TempFolder.h"

namespace stagehand::smkenc {
namespace {

// Runs a shell command; its standard output, and its exit status in `status`.
std::string Shell(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[65536];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, n);
    }
    const int code = pclose(pipe);
    if (status != nullptr) {
        *status = WEXITSTATUS(code);
    }
    return out;
}

bool HaveFfmpeg() {
    return std::system("ffmpeg -version >/dev/null 2>&1") == 0;
}

std::string Decode(const std::filesystem::path& movie, const std::string& format) {
    return Shell("ffmpeg -v error -i '" + movie.string() + "' -f " + format + " -");
}

// The frames as a decoder shows them: each pixel's palette colour, 6 bits a component.
std::string Rgb24(const Movie& movie) {
    std::string out;
    for (int i = 0; i < movie.frameCount; ++i) {
        const Frame f = movie.frame(i);
        for (std::uint8_t p : f.pixels) {
            for (std::uint8_t c : {f.palette[p].r, f.palette[p].g, f.palette[p].b}) {
                out.push_back(static_cast<char>(ShownColour(c)));
            }
        }
    }
    return out;
}

void ExpectDecodesAsGiven(const Movie& movie, const std::filesystem::path& file,
                          const std::string& rate) {
    const std::string video = Decode(file, "rawvideo -pix_fmt rgb24");
    EXPECT_EQ(video.size() / (movie.width * movie.height * 3), movie.frameCount);
    EXPECT_TRUE(video == Rgb24(movie)) << "decoded frames differ";
    EXPECT_EQ(Shell("ffprobe -v error -select_streams v -show_entries stream=r_frame_rate -of "
                    "csv=p=0 '" +
                    file.string() + "'"),
              rate + "\n");
    if (movie.sound) {
        const std::string sound = Decode(file, movie.sound->bits == 8 ? "u8" : "s16le");
        EXPECT_TRUE(sound == std::string(movie.sound->bytes.begin(), movie.sound->bytes.end()))
            << "decoded " << sound.size() << " sound bytes of " << movie.sound->bytes.size();
    }
}

enum class Content { kPattern, kNoise, kFlat, kSteady };

TEST(SmkEncTest, FfmpegDecodesTheFramesAndSoundGiven) {
    if (!HaveFfmpeg()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    struct Case {
        const char* name;
        int width, height, frames;
        double fps;
        std::int32_t rateField;  // ms a frame, or minus 10-microsecond units
        const char* rate;        // as ffprobe gives it
        Content content;
        int soundRate, bits, channels;
        long long samples;
    } cases[] = {
        // Runs of solid blocks broken by digits; the whole sound.
        {"pattern", 320, 240, 6, 15, -6667, "100000/6667", Content::kPattern, 22050, 16, 2, 8820},
        // Every palette index in full blocks. Sound for 1102 samples a frame ends 2 bytes
        // into the second frame: they go with the first.
        {"noise", 64, 32, 3, 10, 100, "10/1", Content::kNoise, 11025, 8, 1, 1104},
        // One colour: runs of 2048 blocks, trees of one leaf, no full blocks, no sound.
        {"flat", 1024, 768, 2, 25, 40, "25/1", Content::kFlat, 0, 0, 0, 0},
        // One block; a sound longer than the movie ends in its last frame.
        {"tiny", 4, 4, 3, 100, 10, "100/1", Content::kNoise, 48000, 16, 1, 3600},
        {"stereo8", 16, 8, 4, 12.5, 80, "25/2", Content::kPattern, 8000, 8, 2, 2560},
        // One palette throughout; the background changes at frame 30.
        {"steady", 64, 48, 32, 15, -6667, "100000/6667", Content::kSteady, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Movie movie{c.width, c.height, c.frames, c.fps, {}, {}};
        movie.frame = [&c](int i) {
            if (c.content == Content::kPattern || c.content == Content::kSteady) {
                return PatternFrame(c.width, c.height, i, c.frames, c.content == Content::kSteady);
            }
            Frame f;
            std::mt19937 random(i);
            for (Rgb& colour : f.palette) {
                colour = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                          static_cast<std::uint8_t>(random())};
            }
            f.pixels.resize(c.width * c.height, 77);
            for (auto& p : f.pixels) {
                p = c.content == Content::kNoise ? static_cast<std::uint8_t>(random()) : p;
            }
            return f;
        };
        if (c.soundRate != 0) {
            movie.sound = ToneSound(c.soundRate, c.bits, c.channels, 1000, c.samples);
        }
        testing::TempFolder folder;
        const auto file = folder.Path() / "movie.smk";
        const auto bytes = EncodeMovie(movie);
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        ExpectDecodesAsGiven(movie, file, c.rate);
        EXPECT_EQ(bytes[16] | bytes[17] << 8 | bytes[18] << 16 | bytes[19] << 24, c.rateField);
    }
}

TEST(SmkEncTest, RefusesMoviesOutsideItsLimitsSayingWhy) {
    struct Case {
        void (*spoil)(Movie&);
        const char* message;
    } cases[] = {
        {[](Movie& m) { m.width = 18; }, "width 18 is not a multiple of 4 from 4 to 1024"},
        {[](Movie& m) { m.width = 1028; }, "width 1028 is not"},
        {[](Movie& m) { m.height = 0; }, "height 0 is not a multiple of 4 from 4 to 768"},
        {[](Movie& m) { m.frameCount = 0; }, "frame count 0 is not from 1 to 10000"},
        {[](Movie& m) { m.frameCount = 10001; }, "frame count 10001 is not"},
        {[](Movie& m) { m.fps = 0.5; }, "frame rate 0.5 is not from 1 to 100"},
        {[](Movie& m) { m.fps = NAN; }, "frame rate nan is not"},
        {[](Movie& m) { m.frame = nullptr; }, "no frames given"},
        {[](Movie& m) { m.frame = [](int) {
                            return Frame{std::vector<std::uint8_t>(15), {}};
                        }; },
         "frame 0 has 15 pixels, not 16"},
        {[](Movie& m) { m.sound->rate = 999; }, "sound rate 999 is not from 1000 to 48000"},
        {[](Movie& m) { m.sound->bits = 12; }, "sound bits 12 is not 8 or 16"},
        {[](Movie& m) { m.sound->channels = 3; }, "sound channels 3 is not 1 or 2"},
        {[](Movie& m) { m.sound->bytes.resize(3); }, "sound of 3 bytes ends inside a sample"},
    };
    for (const Case& c : cases) {
        Movie movie{4,
                    4,
                    1,
                    10,
                    [](int i) { return PatternFrame(4, 4, i, 1); },
                    Sound{8000, 16, 2, std::vector<std::uint8_t>(40)}};
        c.spoil(movie);
        try {
            EncodeMovie(movie);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, std::strlen(c.message)), c.message);
        }
    }
}

TEST(SmkEncTest, CommandLineWritesAPatternMovieAndRefusesWrongOptions) {
    testing::TempFolder folder;
    const std::string tool = SMKENC_TOOL;
    const auto file = folder.Path() / "show.smk";
    int status = -1;
    const std::string said = Shell(tool + " '" + file.string() +
                                       "' --size 64x48 --frames 12 --fps 20 --sound 11025,16,1 "
                                       "--tone 300",
                                   &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(said.substr(0, said.find(", sound")), file.string() + ": 64x48, 12 frames at 20 fps");
    if (HaveFfmpeg()) {
        Movie movie{64,
                    48,
                    12,
                    20,
                    [](int i) { return PatternFrame(64, 48, i, 12); },
                    ToneSound(11025, 16, 1, 300, 6615)};
        ExpectDecodesAsGiven(movie, file, "20/1");
    }
    const std::pair<const char*, const char*> refusals[] = {
        {"", "no output file given"},
        {"a.smk b.smk", "more than one output file given"},
        {"a.smk --size 64", "--size wants 2 numbers separated by 'x'"},
        {"a.smk --frames ten", "--frames wants a number, not \"ten\""},
        {"a.smk --fps", "--fps needs a value"},
        {"a.smk --tone 440", "--tone needs --sound"},
        {"a.smk --sound 8000,16,1 --tone 0", "--tone 0 is not from 1 to 20000 Hz"},
        {"a.smk --sound 8000,24,1", "sound bits 24 is not 8 or 16"},
        {"a.smk --size 10x10", "width 10 is not a multiple of 4"},
        {"a.smk --loop", "unknown option --loop"},
    };
    for (const auto& [arguments, message] : refusals) {
        const std::string out = Shell(tool + " " + arguments + " 2>&1", &status);
        EXPECT_EQ(status, 2) << arguments;
        EXPECT_EQ(out.rfind("stagehand-smkenc: " + std::string(message), 0), 0U) << out;
    }
}

}  // namespace
}  // namespace stagehand::smkenc
