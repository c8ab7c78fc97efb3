// Movie work per frame: finding the changed rectangles of a 640x480 frame, and stepping a
// movie (the file STAGEHAND_BENCH_SMK names) frame by frame with its changed rectangles.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "host/video/FrameChanges.h"
#include "host/video/MoviePlayback.h"

namespace stagehand::host {
namespace {

void ChangedRectsOfAFrame(benchmark::State& state) {
    const Surface before(640, 480, Rgb(10, 20, 30));
    Surface after = before;
    // state.range(0) changed squares of 24x24 spread over the frame.
    for (int64_t i = 0; i < state.range(0); ++i) {
        after.Fill(Rect::FromSize(static_cast<int32_t>(i * 97 % 600),
                                  static_cast<int32_t>(i * 61 % 440), 24, 24),
                   Rgb(200, 0, 0));
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(ChangedRects(before, after));
    }
}
BENCHMARK(ChangedRectsOfAFrame)->Arg(0)->Arg(1)->Arg(8)->Arg(64);

void DecodeMovieFrames(benchmark::State& state) {
    const char* file = std::getenv("STAGEHAND_BENCH_SMK");
    MoviePlayback playback;
    if (file == nullptr || !playback.Open(file)) {
        state.SkipWithError("set STAGEHAND_BENCH_SMK to a Smacker movie");
        return;
    }
    int64_t now = 0;
    for (auto _ : state) {
        if (!playback.Decode(now)) {
            state.SkipWithError(playback.Error().c_str());
            return;
        }
        playback.Advance();
        now += 100;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DecodeMovieFrames);

}  // namespace
}  // namespace stagehand::host
