// Reads from a title's queue file as running a queue does: one key of a section of a
// 2,000-line file, with the file checked for changes on every read.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host/files/ProfileReader.h"
#include "host/files/TitlePaths.h"

namespace stagehand::host {
namespace {

// A queue file of 200 queues with 9 messages each, plus headers and comments: 2,000 lines.
std::filesystem::path WriteQueueFile() {
    const auto dir = std::filesystem::temp_directory_path() / "stagehand-bench-title";
    std::filesystem::create_directories(dir);
    std::ofstream out(dir / "msg.mii", std::ios::binary | std::ios::trunc);
    for (int q = 0; q < 200; ++q) {
        out << "[Scene" << q << "|Click]\r\n";
        out << "; what happens when scene " << q << " is clicked\r\n";
        for (int m = 1; m <= 8; ++m) {
            out << m << "=Counter" << q << ".Add(" << m << ")\r\n";
        }
    }
    return dir;
}

void ReadOneKeyFromQueueFile(benchmark::State& state) {
    const TitlePaths paths(WriteQueueFile());
    ProfileReader reader(paths);
    std::string text;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            reader.ReadString("C:\\msg.mii", "Scene150|Click", "5", "", text, 1026));
    }
    if (text != "Counter150.Add(5)") {
        state.SkipWithError("the read returned the wrong message");
    }
}
BENCHMARK(ReadOneKeyFromQueueFile);

void ReadMissingKeyFromQueueFile(benchmark::State& state) {
    const TitlePaths paths(WriteQueueFile());
    ProfileReader reader(paths);
    std::string text;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            reader.ReadString("C:\\msg.mii", "Scene150|Click", "9", "", text, 1026));
    }
}
BENCHMARK(ReadMissingKeyFromQueueFile);

}  // namespace
}  // namespace stagehand::host
