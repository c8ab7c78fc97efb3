// The script core on the path of every message a title runs: parsing the message text and
// turning its data elements into typed arguments.
#include <benchmark/benchmark.h>

#include "script/Command.h"
#include "script/Message.h"

namespace stagehand {
namespace {

void ParseTypicalMessage(benchmark::State& state) {
    const std::string text = "Total.Set(Value,\"Score: 42\")";
    CMessage message;
    for (auto _ : state) {
        benchmark::DoNotOptimize(message.Parse(text));
        benchmark::DoNotOptimize(message.data.data());
    }
}
BENCHMARK(ParseTypicalMessage);

void ParseMessageWithArray(benchmark::State& state) {
    const std::string text = "Content.ReadContent(\"Scores,High\", {HighScore, LowScore})";
    CMessage message;
    for (auto _ : state) {
        benchmark::DoNotOptimize(message.Parse(text));
    }
}
BENCHMARK(ParseMessageWithArray);

void BuildArguments(benchmark::State& state) {
    const CCommand command(nullptr, 2, "string,string", "\"\",\"\"");
    const std::vector<std::string> elements = {"Value", "42"};
    for (auto _ : state) {
        CArguments arguments = command.BuildArguments(elements);
        benchmark::DoNotOptimize(arguments.data());
    }
}
BENCHMARK(BuildArguments);

}  // namespace
}  // namespace stagehand
