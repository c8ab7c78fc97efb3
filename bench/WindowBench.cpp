// Tearing down many overlapping windows, as a title with many scenes does when it closes or
// unloads them: N clip-siblings children of one full-screen frame (every other one covers the
// whole frame, the rest are smaller rectangles at staggered places), shown and painted once,
// then destroyed all at once (the frame goes) or one by one, topmost first, with or without
// the loop painting between.
#include <benchmark/benchmark.h>

#include <sstream>

#include "host/headless/HeadlessBackend.h"
#include "host/ui/WindowSystem.h"

namespace stagehand::host {
namespace {

constexpr Size kScreen{640, 480};

struct Stage {
    Stage() : backend(InputScript{}, out, errors), windows(backend, kScreen) {}

    // The frame and its children, painted.
    void Open(int children) {
        WindowParams params;
        params.title = "Frame";
        params.style = style::kVisible;
        params.rect = Rect::FromSize(0, 0, kScreen.width, kScreen.height);
        params.background = kBlack;
        frame = windows.Create(nullptr, params);
        params.title.clear();
        params.style = style::kChild | style::kVisible | style::kClipSiblings;
        params.parent = frame;
        scenes.clear();
        for (int i = 0; i < children; ++i) {
            params.rect = i % 2 ? Rect::FromSize(i % 37 * 8, i % 23 * 8, 320, 240)
                                : Rect::FromSize(0, 0, kScreen.width, kScreen.height);
            params.background = Rgb(static_cast<uint8_t>(i), 64, 128);
            scenes.push_back(windows.Create(nullptr, params));
        }
        windows.RunPending();
    }

    std::ostringstream out, errors;
    HeadlessBackend backend;
    WindowSystem windows;
    WindowHandle frame;
    std::vector<WindowHandle> scenes;
};

void DestroyTheFrameOfNChildren(benchmark::State& state) {
    Stage stage;
    for (auto _ : state) {
        state.PauseTiming();
        stage.Open(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        stage.windows.Destroy(stage.frame);
        stage.windows.RunPending();
    }
}
BENCHMARK(DestroyTheFrameOfNChildren)->Arg(300)->Arg(600)->Arg(1000)->Unit(benchmark::kMillisecond);

// Second argument 1: the loop paints what each destruction uncovered before the next one.
void DestroyNChildrenOneByOne(benchmark::State& state) {
    Stage stage;
    const bool paintBetween = state.range(1) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        stage.Open(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        for (auto it = stage.scenes.rbegin(); it != stage.scenes.rend(); ++it) {
            stage.windows.Destroy(*it);
            if (paintBetween) {
                stage.windows.RunPending();
            }
        }
        stage.windows.RunPending();
        state.PauseTiming();
        stage.windows.Destroy(stage.frame);
        stage.windows.RunPending();
        state.ResumeTiming();
    }
}
BENCHMARK(DestroyNChildrenOneByOne)
    ->ArgsProduct({{300, 600, 1000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace stagehand::host
