// A soak: the demo played headless for an hour of virtual time under a random user, in
// process. The resident size at the end must lie within 5% of the size after the first ten
// minutes (by then the random user has played the movies and videos once: their decoders'
// first use is a high-water mark the size never falls back from); then every scene is unloaded, and
// no window may stand under the main frame and no handler may live that the director does not hold.
// The demo's "Quit" is turned into a "Back" for the soak, so the random user never ends it. The
// user first takes the demo's tour (TOUR, the tour test's input script, without its shots), so the
// first minute has seen every page; random input follows.
//   bench_soak DEMO_DIR TOUR [SECONDS [SEED]]     exit code 0 when it holds, 1 when not
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/Application.h"
#include "host/ui/WindowSystem.h"
#include "kernel/Container.h"
#include "kernel/Player.h"
#include "scene/Scene.h"

namespace {
namespace fs = std::filesystem;
using namespace stagehand;

size_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    size_t pages = 0;
    size_t resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// Every handler the director holds, itself included.
size_t Reachable(const CMessageHandler& handler) {
    size_t count = 1;
    if (const auto* container = dynamic_cast<const CMessageHandlerContainer*>(&handler)) {
        for (const auto& [name, child] : container->Children()) {
            count += Reachable(*child);
        }
    }
    return count;
}

// Clicks, presses, moves and keys at random, with waits that add up to `seconds`.
std::string RandomUser(uint32_t seconds, uint32_t seed) {
    static const char* kKeys[] = {"Enter",     "Escape", "Space", "Tab",   "Left", "Right",
                                  "Up",        "Down",   "F1",    "A",     "Z",    "7",
                                  "BackSpace", "Home",   "End",   "PageUp"};
    std::mt19937 random(seed);
    std::ostringstream script;
    uint64_t waited = 0;
    while (waited < uint64_t{seconds} * 1000) {
        const int x = static_cast<int>(random() % 640);
        const int y = static_cast<int>(random() % 480);
        switch (random() % 6) {
            case 0:
            case 1:
                script << "click " << x << ' ' << y << '\n';
                break;
            case 2:
                script << "move " << x << ' ' << y << '\n';
                break;
            case 3:
                script << "key " << kKeys[random() % std::size(kKeys)] << '\n';
                break;
            case 4:
                script << "rpress " << x << ' ' << y << "\nrrelease " << x << ' ' << y << '\n';
                break;
            default:
                script << "type hello\n";
                break;
        }
        const uint32_t wait = 20 + static_cast<uint32_t>(random() % 1500);
        script << "wait " << wait << '\n';
        waited += wait;
    }
    return script.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: bench_soak DEMO_DIR TOUR [SECONDS [SEED]]\n";
        return 2;
    }
    const uint32_t seconds = argc > 3 ? static_cast<uint32_t>(std::stoul(argv[3])) : 3600;
    const uint32_t seed = argc > 4 ? static_cast<uint32_t>(std::stoul(argv[4])) : 1;
    std::string tour;
    {
        std::ifstream in(argv[2]);
        for (std::string line; std::getline(in, line);) {
            if (!line.starts_with("shot ")) {
                tour += line + '\n';
            }
        }
    }
    const fs::path work =
        fs::temp_directory_path() / ("stagehand-soak-" + std::to_string(getpid()));
    fs::create_directories(work);
    fs::copy(argv[1], work / "demo", fs::copy_options::recursive);
    {
        // Quit's "Yes" goes back instead of ending the play.
        std::ifstream in(work / "demo/msg.mii", std::ios::binary);
        std::string queues((std::istreambuf_iterator<char>(in)), {});
        const std::string end = "[QuitYes|Click]\n1=Director.RunQueue(Click)\n2=Director.End()";
        const size_t at = queues.find(end);
        if (at == std::string::npos) {
            std::cerr << "bench_soak: the demo's Quit queue is not where it was\n";
            return 2;
        }
        queues.replace(
            at, end.size(),
            "[QuitYes|Click]\n1=Director.RunQueue(Click)\n2=Director.RunQueue(CloseQuit)");
        std::ofstream(work / "demo/msg.mii", std::ios::binary | std::ios::trunc) << queues;
    }
    std::ofstream(work / "input.txt") << tour << RandomUser(seconds, seed);

    CApplication app;
    CPlayer* player = nullptr;
    app.SetFirstFrameHook([&player](CPlayer& p) { player = &p; });
    size_t afterMinute = 0;
    size_t afterTen = 0;
    size_t atEnd = 0;
    size_t windowsLeft = 0;
    size_t handlersLeft = 0;
    bool unloaded = false;
    bool checked = false;
    const uint32_t endAt = seconds * 1000;
    uint32_t nextReport = 60'000;
    app.AddFrameStepper([&](uint32_t now) -> host::IdleRequest {
        if (player == nullptr) {
            return {};
        }
        if (afterMinute == 0 && now >= 60'000) {
            afterMinute = ResidentBytes();
        }
        if (afterTen == 0 && now >= 600'000) {
            afterTen = ResidentBytes();
        }
        if (now >= nextReport) {
            std::printf("at %u s: resident %.1f MB, %zu handlers\n", now / 1000,
                        ResidentBytes() / 1048576.0, CMessageHandler::LiveCount());
            nextReport += now < 700'000 ? 30'000 : 600'000;
        }
        if (!unloaded && now + 2000 >= endAt) {
            atEnd = ResidentBytes();
            unloaded = true;
            std::vector<std::string> scenes;
            for (const auto& [name, child] : player->Director()->Children()) {
                if (dynamic_cast<CScene*>(child) != nullptr) {
                    scenes.push_back(name);
                }
            }
            for (const std::string& scene : scenes) {
                player->Stage().RunMessageText("Director.Unload(" + scene + ")", "soak", 0);
            }
            return {true, now + 500};
        }
        if (unloaded && !checked) {
            checked = true;
            windowsLeft = player->Windows()->Children(player->MainFrame()).size();
            handlersLeft = CMessageHandler::LiveCount() - Reachable(*player->Director());
        }
        return {};
    });
    PlayerOptions options;
    options.titleFolder = (work / "demo").string();
    options.headless = true;
    options.input = (work / "input.txt").string();
    options.saveDir = (work / "saves").string();
    std::ostringstream out;
    std::ostringstream err;
    const int code = app.Run(options, out, err);
    std::error_code ec;
    fs::remove_all(work, ec);

    const double growth =
        afterTen == 0 ? 0.0
                      : (static_cast<double>(atEnd) - afterTen) / static_cast<double>(afterTen);
    std::printf("virtual seconds %u, seed %u, exit code %d\n", seconds, seed, code);
    std::printf(
        "resident after the first minute %.1f MB, after ten %.1f MB, at the end %.1f MB "
        "(%+.2f%% since ten)\n",
        afterMinute / 1048576.0, afterTen / 1048576.0, atEnd / 1048576.0, growth * 100);
    std::printf(
        "after unloading every scene: %zu windows under the main frame, %zu handlers "
        "the director does not hold\n",
        windowsLeft, handlersLeft);
    const bool holds =
        code == 0 && checked && growth <= 0.05 && windowsLeft == 0 && handlersLeft == 0;
    std::printf("%s\n", holds ? "the soak holds" : "the soak FAILS");
    return holds ? 0 : 1;
}
