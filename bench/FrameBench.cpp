// The cost of a whole game frame at 1024x768 on the generated data, measured as
// the whole process's CPU time (on the software rasteriser nearly all of it is
// spent on the rasteriser's threads) and as frames per second. Scenes: a level
// in play with nothing moving but the animations, a level with cascades and
// their effects, and a bonus level. Each row also gives the draws and GL state
// calls per frame and, per scene layer, what the frame saves when that layer
// is left out ("ms_<layer>", medians of interleaved frames; layers that draw
// nothing in the scene are not listed), and the cost of a frame without any
// layer ("ms_bare": clearing and presenting); "depthless" is the share of
// frames drawn without depth tests, "redraws" the frames drawn again after a
// failed guess, "kpx_skipped" the pixels left out of draws (thousands).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BenchGame.h"

namespace {

using bench::SceneRun;

constexpr int kWarmUpFrames = 60;
constexpr int kBreakdownRounds = 25;

double Median(std::vector<double> v) {
    if (v.empty())
        return 0.0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// One frame drawn with the layers of `skipped` left out: its process CPU
// milliseconds, and whether it issued fewer draws than `fullDraws`.
double DrawSkipping(SceneRun& run, uint32_t skipped, uint64_t* draws) {
    gpu::FrameProbe* d = run.Device();
    run.Renderer().SetSkippedLayers(skipped);
    const uint64_t before = d->DrawCalls();
    const double start = bench::ProcessCpuSeconds();
    run.Draw();
    const double ms = (bench::ProcessCpuSeconds() - start) * 1000.0;
    *draws = d->DrawCalls() - before;
    run.Renderer().SetSkippedLayers(0);
    return ms;
}

void Breakdown(SceneRun& run, benchmark::State& state) {
    constexpr uint32_t kLayers = CRenderer::kSceneLayerCount;
    std::vector<std::vector<double>> ms(kLayers + 2);
    std::vector<uint64_t> fewerDraws(kLayers + 1, 0);
    for (int round = 0; round < kBreakdownRounds; ++round) {
        run.Step();
        uint64_t fullDraws = 0;
        ms[kLayers].push_back(DrawSkipping(run, 0, &fullDraws));
        uint64_t bareDraws = 0;
        ms[kLayers + 1].push_back(DrawSkipping(run, ~0u, &bareDraws));
        // The same picture again with each layer left out in turn.
        for (uint32_t layer = 0; layer < kLayers; ++layer) {
            uint64_t draws = 0;
            ms[layer].push_back(DrawSkipping(run, 1u << layer, &draws));
            if (draws < fullDraws)
                ++fewerDraws[layer];
        }
    }
    const double full = Median(ms[kLayers]);
    state.counters["ms_draw"] = full;
    state.counters["ms_bare"] = Median(ms[kLayers + 1]); // clears and presenting only
    for (uint32_t layer = 0; layer < kLayers; ++layer)
        if (fewerDraws[layer] > 0)
            state.counters[std::string("ms_") + CRenderer::SceneLayerName(layer)] =
                full - Median(ms[layer]);
}

void BM_Frame(benchmark::State& state) {
    SceneRun run;
    std::string why;
    if (!run.Open(static_cast<SceneRun::Scene>(state.range(0)), &why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    gpu::FrameProbe* d = run.Device();
    if (!d) {
        state.SkipWithError("no back end to inspect");
        return;
    }
    for (int i = 0; i < kWarmUpFrames; ++i) {
        run.Step();
        run.Draw();
    }
    const uint64_t draws = d->DrawCalls(), states = d->StateCalls();
    const uint64_t redraws = d->SceneRedraws(), skipped = d->SkippedPixels();
    const CRenderDevice& device = *run.Renderer().GetDevice();
    const uint64_t covered = device.CoveredPixels();
    double depthless = 0;
    for (auto _ : state) {
        run.Step();
        benchmark::DoNotOptimize(run.Draw());
        depthless += d->DrawsWithoutDepth() ? 1 : 0;
    }
    const auto frames = static_cast<double>(state.iterations());
    state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    state.counters["draws"] = static_cast<double>(d->DrawCalls() - draws) / frames;
    state.counters["states"] = static_cast<double>(d->StateCalls() - states) / frames;
    // Frames drawn without touching depth, frames drawn again after a failed
    // guess, and pixels per frame left out of draws.
    state.counters["depthless"] = depthless / frames;
    state.counters["redraws"] = static_cast<double>(d->SceneRedraws() - redraws) / frames;
    state.counters["kpx_skipped"] =
        static_cast<double>(d->SkippedPixels() - skipped) / frames / 1000.0;
    // Pixels per frame the draws that reached the back end covered, after the
    // clipping of what opaque draws above hid (thousands).
    state.counters["kpx_covered"] =
        static_cast<double>(device.CoveredPixels() - covered) / frames / 1000.0;
    Breakdown(run, state);
}
BENCHMARK(BM_Frame)
    ->ArgName("scene")
    ->Arg(SceneRun::kLevel)
    ->Arg(SceneRun::kCascade)
    ->Arg(SceneRun::kBonus)
    ->Iterations(300)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
