// Movie work per frame: finding the changed rectangles of a 640x480 frame, stepping a movie
// (the file STAGEHAND_BENCH_SMK names) frame by frame with its changed rectangles, and
// playing it through as the player does, as fast as it goes (scripts/video-figures compares
// that with FFmpeg decoding the same file).
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "host/gfx/Canvas.h"
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
        if (const stagehand::base::Result<void> decoded = playback.Decode(now); !decoded) {
            state.SkipWithError(decoded.error().c_str());
            return;
        }
        playback.Advance();
        now += 100;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DecodeMovieFrames);

// One whole pass per iteration: decode each frame, then copy its changed rectangles through a
// window's canvas onto a screen, as a playing movie's step does. Counted in frames.
void PlayMovieThrough(benchmark::State& state) {
    const char* file = std::getenv("STAGEHAND_BENCH_SMK");
    MoviePlayback playback;
    if (file == nullptr || !playback.Open(file)) {
        state.SkipWithError("set STAGEHAND_BENCH_SMK to a Smacker movie");
        return;
    }
    const Size size = playback.FrameSize();
    Surface screen(size.width + 64, size.height + 64, Rgb(0, 0, 0));
    const Point origin{32, 32};
    const Region clip(Rect::FromSize(origin.x, origin.y, size.width, size.height));
    const int64_t frames = playback.FrameCount();
    for (auto _ : state) {
        for (int64_t i = 0; i < frames; ++i) {
            if (const stagehand::base::Result<void> decoded = playback.Decode(0); !decoded) {
                state.SkipWithError(decoded.error().c_str());
                return;
            }
            Canvas canvas(screen, origin, clip);
            for (const Rect& r : playback.Changed()) {
                canvas.Blit(playback.Buffer(), r, {r.left, r.top});
            }
            playback.Advance();
        }
    }
    state.SetItemsProcessed(state.iterations() * frames);
}
BENCHMARK(PlayMovieThrough)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace stagehand::host
