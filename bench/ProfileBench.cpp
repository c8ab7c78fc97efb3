// Reads from a title's queue file as running a queue does: one key of a section of a
// 2,000-line file, with the file checked for changes on every read. The check is a look
// for change events; the stat it replaced, and the look itself, are measured alongside.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host/files/ChangeWatch.h"
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

// Reads message N of a queue; 9 is missing, as at the end of every queue run.
void ReadOneKeyFromQueueFile(benchmark::State& state) {
    const TitlePaths paths(WriteQueueFile());
    ProfileReader reader(paths);
    const std::string key = std::to_string(state.range(0));
    std::string text;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            reader.ReadString("C:\\msg.mii", "Scene150|Click", key, "", text, 1026));
    }
    const std::string expected = state.range(0) <= 8 ? "Counter150.Add(" + key + ")" : "";
    if (text != expected) {
        state.SkipWithError("the read returned the wrong message");
    }
    if (reader.WatchedFileCount() != 1) {
        state.SkipWithError("the queue file is not watched: every read made a stat");
    }
}
BENCHMARK(ReadOneKeyFromQueueFile)->Arg(5)->Arg(9);

// The floor under every read of a watched file: one look for waiting change events.
void CheckQueueFolderForChanges(benchmark::State& state) {
    const std::filesystem::path dir = WriteQueueFile();
    ChangeWatch watch;
    if (watch.Add(dir, true) < 0 || watch.Add(dir / "msg.mii", false) < 0) {
        state.SkipWithError("the folder cannot be watched here");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(watch.Pending());
    }
}
BENCHMARK(CheckQueueFolderForChanges);

// The check a file gets on every read where its folder cannot be watched: one stat.
void StatQueueFile(benchmark::State& state) {
    const std::filesystem::path file = WriteQueueFile() / "msg.mii";
    struct stat info {};
    for (auto _ : state) {
        benchmark::DoNotOptimize(::stat(file.c_str(), &info));
    }
}
BENCHMARK(StatQueueFile);

}  // namespace
}  // namespace stagehand::host
