// String drawing speed with a warm glyph cache: a HUD-like line at sizes 10, 20
// and 32, and a 20-character string through the direct and the blended route.
// Prints microseconds per DrawStringWithFont (medians of the repetitions).
#include <benchmark/benchmark.h>

#include "runtime/core/sjis.h"
#include "runtime/runtime.h"

namespace {

struct Runtime {
    Runtime() {
        SetLogOutputEnabled(0);
        SetScreenMode(320, 240, 16, 60);
        RuntimeInit();
        SetDrawTarget(DRAW_TARGET_BACK);
    }
    ~Runtime() { RuntimeEnd(); }
};

Runtime& Started() {
    static Runtime runtime;
    return runtime;
}

const char kHudLine[] = "SCORE 0012340  LIVES 3  STAGE 07";
const char kTwenty[] = "TOP 5 PLAYER 0123456"; // 20 characters

void DrawLoop(benchmark::State& state, FontHandle font, const char* text, int mode, int param) {
    SetBlendMode(mode, param);
    DrawStringWithFont(0, 100, text, MakeColor(255, 255, 255), font, 0, 0); // warm the cache
    for (auto _ : state) {
        int r = DrawStringWithFont(0, 100, text, MakeColor(255, 255, 255), font, 0, 0);
        benchmark::DoNotOptimize(r);
    }
    SetBlendMode(BLEND_NONE, 0);
    state.SetItemsProcessed(state.iterations());
    DeleteFontHandle(font);
}

void BM_HudLine(benchmark::State& state) {
    Started();
    int size = (int)state.range(0);
    FontHandle font = CreateFontToHandle(SJ("ＭＳゴシック"), size, 0, 0, -1, -1, 0, -1, -1);
    DrawLoop(state, font, kHudLine, 0, 0);
}
BENCHMARK(BM_HudLine)
    ->Arg(10)
    ->Arg(20)
    ->Arg(32)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_TwentyDirect(benchmark::State& state) {
    Started();
    FontHandle font = CreateFontToHandle(SJ("ＭＳゴシック"), 20, 0, 0, -1, -1, 0, -1, -1);
    DrawLoop(state, font, kTwenty, 0, 0);
}
BENCHMARK(BM_TwentyDirect)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_TwentyBlended(benchmark::State& state) {
    Started();
    FontHandle font = CreateFontToHandle(SJ("ＭＳゴシック"), 20, 0, 0, -1, -1, 0, -1, -1);
    DrawLoop(state, font, kTwenty, 1, 128);
}
BENCHMARK(BM_TwentyBlended)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_TwentyAntiAliased(benchmark::State& state) {
    Started();
    FontHandle font = CreateFontToHandle(SJ("ＭＳゴシック"), 20, 0, 2, -1, -1, 0, -1, -1);
    DrawLoop(state, font, kTwenty, 0, 0);
}
BENCHMARK(BM_TwentyAntiAliased)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_TwentyEdged(benchmark::State& state) {
    Started();
    FontHandle font = CreateFontToHandle(SJ("ＭＳゴシック"), 20, 0, 1, -1, 1, 0, -1, -1);
    DrawLoop(state, font, kTwenty, 0, 0);
}
BENCHMARK(BM_TwentyEdged)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
