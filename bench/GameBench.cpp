// The whole game object on the offscreen GL back end (llvmpipe on a headless
// machine):
//   - start-up: window, renderer and device, PreInit, Init with its loading
//     screen and the flow's first frames, until the first frame of level 1 is
//     presented, with the process's resident memory at that point;
//   - level 6 in play with cascades (a swap whenever the board rests): the time
//     of the frame step without drawing, and the whole-process CPU time of the
//     drawing alone.
// Both need the assembled game folder: $GLORVANE_GAME_DIR, else "build/game"
// or the working directory when it holds the data.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "BenchGame.h"

namespace {

using Clock = std::chrono::steady_clock;
using bench::SceneRun;

void BM_StartUpToFirstLevelFrame(benchmark::State& state) {
    const std::string dir = bench::FindGameDir();
    if (dir.empty()) {
        state.SkipWithError("no game folder (set GLORVANE_GAME_DIR)");
        return;
    }
    double cpu = 0.0, rss = 0.0, textures = 0.0;
    for (auto _ : state) {
        bench::GameRun run(dir); // the folder's copy is not counted
        const auto start = Clock::now();
        const double cpuStart = bench::ProcessCpuSeconds();
        if (!run.Start()) {
            state.SkipWithError(run.error.c_str());
            return;
        }
        bench::StartLevelFromMenus(run.Game(), 1);
        int frames = 0;
        while (!bench::InLevel(run.Game()) && frames < 1000) {
            run.Game().Frame(16);
            ++frames;
        }
        run.Game().Frame(16); // the first frame of the level on screen
        gpu::FrameProbe* device = run.Renderer().Probe();
        if (device)
            device->Finish();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        cpu += bench::ProcessCpuSeconds() - cpuStart;
        rss = static_cast<double>(bench::ResidentBytes());
        if (device)
            textures = static_cast<double>(device->TextureCopyBytes());
        state.SetIterationTime(seconds); // the shut-down that follows is not counted
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000.0, benchmark::Counter::kAvgIterations);
    state.counters["rss_MB"] = rss / (1024.0 * 1024.0);
    state.counters["texcopies_MB"] = textures / (1024.0 * 1024.0); // the CPU side only
}
BENCHMARK(BM_StartUpToFirstLevelFrame)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

void BM_Level6Update(benchmark::State& state) {
    SceneRun level;
    std::string why;
    if (!level.Open(SceneRun::kCascade, &why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    for (auto _ : state) {
        const auto start = Clock::now();
        level.Step();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        level.Draw();
    }
    state.counters["swaps"] = level.swaps;
    state.counters["restarts"] = level.restarts;
}
BENCHMARK(BM_Level6Update)->UseManualTime()->Iterations(600)->Unit(benchmark::kMillisecond);

// The CPU column is the whole process's: the drawing and the rasteriser's threads
// (the frame step in between is paused out).
void BM_Level6Render(benchmark::State& state) {
    SceneRun level;
    std::string why;
    if (!level.Open(SceneRun::kCascade, &why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        level.Step();
        state.ResumeTiming();
        benchmark::DoNotOptimize(level.Draw());
    }
    state.counters["swaps"] = level.swaps;
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Level6Render)
    ->Iterations(600)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
