// Start-up of a whole player in-process: a 50-role title (the director with its states,
// eight scenes, two deep, each with states of its own, a background picture and a Load
// queue; the four outer pictures full-screen 24-bit, the inner ones 8-bit) played headless, from
// CApplication::Run to the first frame presented; and the whole short run of an empty script,
// start-up, the close request at its end and the teardown.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "app/Application.h"
#include "host/ui/WindowSystem.h"
#include "kernel/Player.h"
#include "testkit/BmpWriter.h"

namespace stagehand {
namespace {

constexpr int kTopScenes = 4;
constexpr int kDirectorStates = 9;
constexpr int kSceneStates = 4;

// The title, written once into a folder of its own and removed at exit. Roles: the director,
// 9 states of its own, 4 scenes each holding one inner scene (8 scenes), 4 states per scene.
class Title {
  public:
    Title() {
        folder_ = std::filesystem::temp_directory_path() /
                  ("stagehand-bench-startup-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
        std::ofstream roles(folder_ / "roles.mii", std::ios::binary | std::ios::trunc);
        std::ofstream queues(folder_ / "msg.mii", std::ios::binary | std::ios::trunc);
        roles << "[Director]\r\nApplicationWindowName=Startup Bench\r\n";
        for (int s = 1; s <= kDirectorStates; ++s) {
            roles << "State" << s << "=Global" << s << ", Integer, " << s << "\r\n";
        }
        for (int t = 1; t <= kTopScenes; ++t) {
            roles << "Child" << t << "=Scene" << t << "\r\n";
        }
        queues << "[Shared]\r\n1=Global1.Add(1)\r\n2=Global2.Set(Value,[Global1.Value])\r\n";
        for (int t = 1; t <= kTopScenes; ++t) {
            WriteScene(roles, queues, "Scene" + std::to_string(t), "Inner" + std::to_string(t),
                       (t - 1) * 150);
            WriteScene(roles, queues, "Inner" + std::to_string(t), "", 20);
            WritePicture("Scene" + std::to_string(t) + ".bmp", 640, 480, 24);
            WritePicture("Inner" + std::to_string(t) + ".bmp", 140, 200, 8);
        }
    }
    ~Title() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    const std::filesystem::path& Folder() const { return folder_; }

  private:
    // A gradient picture of the given depth (palette of 256 greys below 24 bits).
    void WritePicture(const std::string& name, int32_t width, int32_t height,
                      uint16_t bitsPerPixel) const {
        testing::BmpImage image;
        image.width = width;
        image.height = height;
        image.bitsPerPixel = bitsPerPixel;
        if (bitsPerPixel <= 8) {
            for (uint32_t i = 0; i < 256; ++i) {
                image.palette.push_back(i * 0x010101u);
            }
        }
        image.pixels.resize(static_cast<size_t>(width) * height);
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                image.pixels[static_cast<size_t>(y) * width + x] =
                    bitsPerPixel <= 8 ? (x + y) % 256 : static_cast<uint32_t>(x * 0x100 + y);
            }
        }
        const std::vector<uint8_t> bytes = testing::WriteBmp(image);
        std::ofstream file(folder_ / name, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    static void WriteScene(std::ofstream& roles, std::ofstream& queues, const std::string& name,
                           const std::string& child, int left) {
        roles << "[" << name << "]\r\nType=Scene\r\nLeft=" << left
              << "\r\nTop=20\r\nWidth=140\r\nHeight=200\r\nImageFilename=" << name << ".bmp\r\n";
        for (int s = 1; s <= kSceneStates; ++s) {
            roles << "State" << s << "=" << name << "State" << s << ", "
                  << (s % 2 ? "Integer, " : "String, text ") << s << "\r\n";
        }
        if (!child.empty()) {
            roles << "Child1=" << child << "\r\n";
        }
        queues << "[" << name << "|Load]\r\n"
               << "1=" << name << "State1.Add([Global3.Value])\r\n"
               << "2=" << name << "State2.Set(Value,[" << name << "State1.Value] loaded)\r\n"
               << "3=Director.RunQueue(Shared)\r\n"
               << "4=" << name << "State3.Add(-1)\r\n";
    }

    std::filesystem::path folder_;
};

const Title& TheTitle() {
    static const Title title;
    return title;
}

PlayerOptions HeadlessOptions() {
    PlayerOptions options;
    options.titleFolder = TheTitle().Folder().string();
    options.headless = true;
    return options;
}

void StartupToFirstFrame(benchmark::State& state) {
    const PlayerOptions options = HeadlessOptions();
    for (auto _ : state) {
        std::ostringstream out, err;
        CApplication app;
        using Clock = std::chrono::steady_clock;
        Clock::time_point firstFrame{};
        app.SetFirstFrameHook([&](CPlayer& player) {
            firstFrame = Clock::now();
            player.Windows()->Post(player.MainFrame(), host::msg::kClose);
        });
        const Clock::time_point start = Clock::now();
        const int exitCode = app.Run(options, out, err);
        if (exitCode != 0 || firstFrame == Clock::time_point{} || !err.str().empty()) {
            state.SkipWithError(("the title did not start: " + err.str()).c_str());
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(firstFrame - start).count());
    }
}
BENCHMARK(StartupToFirstFrame)->UseManualTime()->Unit(benchmark::kMicrosecond);

void WholeRunOfAnEmptyScript(benchmark::State& state) {
    const PlayerOptions options = HeadlessOptions();
    for (auto _ : state) {
        std::ostringstream out, err;
        CApplication app;
        if (app.Run(options, out, err) != 0) {
            state.SkipWithError(("the title did not run: " + err.str()).c_str());
            break;
        }
    }
}
BENCHMARK(WholeRunOfAnEmptyScript)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace stagehand
