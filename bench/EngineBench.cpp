// Queue runs through the whole path a title's scripts take: the queue file read (and checked
// for changes) for every message, tag expansion, parsing, and dispatch to live handlers.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/PlayerKit.h"
#include "host/files/ProfileReader.h"
#include "host/files/TitlePaths.h"
#include "kernel/Player.h"

namespace stagehand {
namespace {

constexpr int kMessages = 10'000;

// A title whose queue Count alternates Counter.Add(1) and Total.Set(Value,[Counter.Value]),
// among 200 other queues, as a title's msg.mii holds many.
std::filesystem::path WriteTitle() {
    const auto dir = std::filesystem::temp_directory_path() / "stagehand-bench-engine";
    std::filesystem::create_directories(dir);
    std::ofstream roles(dir / "roles.mii", std::ios::binary | std::ios::trunc);
    roles << "[Counter]\r\nType=Integer\r\n[Total]\r\nType=Integer\r\n";
    std::ofstream queues(dir / "msg.mii", std::ios::binary | std::ios::trunc);
    for (int q = 0; q < 200; ++q) {
        queues << "[Scene" << q << "|Click]\r\n1=Counter.Add(" << q << ")\r\n";
    }
    queues << "[Count]\r\n";
    for (int m = 1; m <= kMessages; ++m) {
        queues << m << (m % 2 ? "=Counter.Add(1)" : "=Total.Set(Value,[Counter.Value])") << "\r\n";
    }
    return dir;
}

void RunQueueOf10000Messages(benchmark::State& state) {
    const host::TitlePaths paths(WriteTitle());
    host::ProfileReader reader(paths);
    const std::unique_ptr<CPlayer> made = MakePlayer(paths, reader);
    CPlayer& player = *made;
    const auto counter = player.RoleTypes().Create("Integer");
    const auto total = player.RoleTypes().Create("Integer");
    counter->Initialize(player, "Counter", nullptr);
    total->Initialize(player, "Total", nullptr);
    for (auto _ : state) {
        counter->RunQueue("Count", CMessageHandler::kPlainScope);
    }
    state.SetItemsProcessed(state.iterations() * kMessages);
    if (total->GetProperty("Value") != std::to_string(state.iterations() * kMessages / 2)) {
        state.SkipWithError("the queue did not run every message");
    }
}
BENCHMARK(RunQueueOf10000Messages)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace stagehand
