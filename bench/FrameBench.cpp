// The cost of a whole game frame at 1024x768 on the generated data, per scene
// and back end ("BM_Frame/<scene>/<gl|soft>"; the scenes are SceneRun's),
// measured as the whole process's CPU time (a rasteriser may work on threads
// of its own), wall time and frames per second. The back end is asked for
// through GLORVANE_RENDERER while the game starts; a row whose back end did
// not come up is skipped. The game stays up across the runs the library makes
// to settle the iteration count (--benchmark_min_time sets how long a row
// runs) and goes before the next row opens its own.
//
// Each row also gives the draws and state calls per frame, "MB_resident" (the
// process's resident memory once the scene is up and drawn), "MB_texcopies"
// (the texels the back end itself keeps; a GL driver's own are not counted),
// and per scene
// layer what the frame saves when that layer is left out ("ms_<layer>",
// medians of interleaved frames; layers that draw nothing in the scene are not
// listed), and the cost of a frame without any layer ("ms_bare": clearing and
// presenting); "depthless" is the share of frames drawn without depth tests,
// "redraws" the frames drawn again after a failed guess, "kpx_skipped" the
// pixels left out of draws (thousands), "kpx_covered" the pixels the draws
// that reached the back end covered, "kpx_damaged" the pixels our rasteriser
// drew where the frame could differ from the last (thousands). "<gl|soft>-unclipped" rows draw without
// leaving out what opaque draws above hide; "soft-3threads" rows draw on
// three threads (GLORVANE_SOFT_THREADS=3). GLORVANE_BENCH_FRAMES=<n> makes
// every row one run of n timed frames (scripts/count-frames counts them).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BenchGame.h"

// scripts/count-frames runs the rows under callgrind and reads the counts of
// the timed frames only (every thread's).
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS_AT(what)
#endif

namespace {

using bench::SceneRun;

// Warming up and the layer breakdown stop at whichever limit comes first, so
// that a slow back end does not hold the run for minutes.
constexpr int kWarmUpFrames = 60;
constexpr int kMinWarmUpFrames = 8;
constexpr double kWarmUpSeconds = 1.0;
constexpr int kBreakdownRounds = 25;
constexpr int kMinBreakdownRounds = 1;
constexpr double kBreakdownSeconds = 2.0;

// kSoftThreads: the software back end drawing on three threads.
enum BackEnd : int { kGl, kSoft, kSoftThreads };

const char* BackEndOption(BackEnd b) {
    return b == kGl ? "gl" : "soft";
}

const char* BackEndName(BackEnd b) {
    return b == kSoftThreads ? "soft-3threads" : BackEndOption(b);
}

// Sets an environment variable for a while, as it was after.
class EnvFor {
public:
    EnvFor(const char* name, const char* value) : name_(name) {
        if (const char* before = std::getenv(name))
            saved_ = before;
        if (value)
            setenv(name, value, 1);
    }
    ~EnvFor() {
        if (saved_)
            setenv(name_, saved_->c_str(), 1);
        else
            unsetenv(name_);
    }
    EnvFor(const EnvFor&) = delete;
    EnvFor& operator=(const EnvFor&) = delete;

private:
    const char* name_;
    std::optional<std::string> saved_;
};

double Median(std::vector<double> v) {
    if (v.empty())
        return 0.0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

double WallSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// One frame drawn with the layers of `skipped` left out: its process CPU
// milliseconds, and the draws it issued. It is drawn twice and the second is
// measured: the GL back end shapes a frame's draws after the frame before, so
// that only the second stands as the same frame would in play.
double DrawSkipping(SceneRun& run, uint32_t skipped, uint64_t* draws) {
    gpu::FrameProbe* d = run.Device();
    run.Renderer().SetSkippedLayers(skipped);
    run.Draw();
    const uint64_t before = d->DrawCalls();
    const double start = bench::ProcessCpuSeconds();
    run.Draw();
    const double ms = (bench::ProcessCpuSeconds() - start) * 1000.0;
    *draws = d->DrawCalls() - before;
    run.Renderer().SetSkippedLayers(0);
    return ms;
}

std::map<std::string, double> Breakdown(SceneRun& run) {
    constexpr uint32_t kLayers = CRenderer::kSceneLayerCount;
    std::vector<std::vector<double>> ms(kLayers + 2);
    std::vector<uint64_t> fewerDraws(kLayers + 1, 0);
    const double start = WallSeconds();
    int rounds = 0;
    for (; rounds < kBreakdownRounds; ++rounds) {
        if (rounds >= kMinBreakdownRounds && WallSeconds() - start > kBreakdownSeconds)
            break;
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
    std::map<std::string, double> out;
    const double full = Median(ms[kLayers]);
    out["ms_draw"] = full;
    out["ms_bare"] = Median(ms[kLayers + 1]); // clears and presenting only
    // A layer counts when leaving it out saves draws in most rounds.
    for (uint32_t layer = 0; layer < kLayers; ++layer)
        if (fewerDraws[layer] * 2 > static_cast<uint64_t>(rounds))
            out[std::string("ms_") + CRenderer::SceneLayerName(layer)] = full - Median(ms[layer]);
    return out;
}

// The scene of the current row, kept up across the library's runs of it.
struct OpenScene {
    SceneRun::Scene scene;
    BackEnd backEnd;
    bool clipped;
    SceneRun run;
    std::string error;
    double residentMb = 0, textureCopiesMb = 0;
    std::map<std::string, double> layers;
};
std::unique_ptr<OpenScene> g_open;

void Close() {
    g_open.reset();
    malloc_trim(0); // what the last game freed does not count against the next
}
void CloseScene(const benchmark::State&) {
    Close();
}

// The scene up on the back end: started with GLORVANE_RENDERER set for the
// start only, warmed up, its memory read and its layers timed. Unclipped: every
// draw reaches the back end whole (what the frame cost before the clipping),
// its pixels still counted.
OpenScene& Open(SceneRun::Scene scene, BackEnd backEnd, bool clipped) {
    if (g_open && g_open->scene == scene && g_open->backEnd == backEnd &&
        g_open->clipped == clipped)
        return *g_open;
    Close();
    g_open = std::make_unique<OpenScene>();
    OpenScene& o = *g_open;
    o.scene = scene;
    o.backEnd = backEnd;
    o.clipped = clipped;
    bool opened = false;
    {
        const EnvFor renderer("GLORVANE_RENDERER", BackEndOption(backEnd));
        const EnvFor threads("GLORVANE_SOFT_THREADS", backEnd == kSoftThreads ? "3" : nullptr);
        opened = o.run.Open(scene, &o.error);
    }
    if (!opened)
        return o;
    const gpu::FrameProbe* d = o.run.Device();
    if (!d) {
        o.error = "no back end to inspect";
        return o;
    }
    if ((std::string(d->BackEndName()) == "GL") != (backEnd == kGl)) {
        o.error = std::string("GLORVANE_RENDERER=") + BackEndOption(backEnd) + " gave the " +
                  d->BackEndName() + " back end";
        return o;
    }
    if (!clipped) {
        o.run.Renderer().GetDevice()->SetClipping(false);
        o.run.Renderer().GetDevice()->SetCounting(true);
    }
    const double start = WallSeconds();
    for (int i = 0; i < kWarmUpFrames; ++i) {
        if (i >= kMinWarmUpFrames && WallSeconds() - start > kWarmUpSeconds)
            break;
        o.run.Step();
        o.run.Draw();
    }
    constexpr double kMb = 1024.0 * 1024.0;
    o.residentMb = static_cast<double>(bench::ResidentBytes()) / kMb;
    o.textureCopiesMb = static_cast<double>(d->TextureCopyBytes()) / kMb;
    o.layers = Breakdown(o.run);
    return o;
}

void BM_Frame(benchmark::State& state, SceneRun::Scene scene, BackEnd backEnd, bool clipped) {
    OpenScene& o = Open(scene, backEnd, clipped);
    if (!o.error.empty()) {
        state.SkipWithError(o.error.c_str());
        return;
    }
    SceneRun& run = o.run;
    gpu::FrameProbe* d = run.Device();
    const uint64_t draws = d->DrawCalls(), states = d->StateCalls();
    const uint64_t redraws = d->SceneRedraws(), skipped = d->SkippedPixels();
    const uint64_t damaged = d->DamagedPixels();
    const CRenderDevice& device = *run.Renderer().GetDevice();
    const uint64_t covered = device.CoveredPixels();
    double depthless = 0;
    int64_t timed = 0;
    gpu::DrawnTiles tiles{}; // after the first timed frame
    CALLGRIND_ZERO_STATS;
    for (auto _ : state) {
        run.Step();
        benchmark::DoNotOptimize(run.Draw());
        depthless += d->DrawsWithoutDepth() ? 1 : 0;
        // The first frame follows the breakdown's pictures, the rest follow
        // frames like themselves: the counts keep them apart.
        if (++timed == 1) {
            CALLGRIND_DUMP_STATS_AT("BM_Frame first frame");
            tiles = d->TilesDrawn();
        }
    }
    CALLGRIND_DUMP_STATS_AT("BM_Frame timed frames");
    const auto frames = static_cast<double>(state.iterations());
    auto perFrame = [frames](uint64_t n) { return static_cast<double>(n) / frames; };
    state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    state.counters["draws"] = perFrame(d->DrawCalls() - draws);
    state.counters["states"] = perFrame(d->StateCalls() - states);
    state.counters["MB_resident"] = o.residentMb;
    state.counters["MB_texcopies"] = o.textureCopiesMb;
    // Frames drawn without touching depth, frames drawn again after a failed
    // guess, and pixels per frame left out of draws.
    state.counters["depthless"] = depthless / frames;
    state.counters["redraws"] = perFrame(d->SceneRedraws() - redraws);
    state.counters["kpx_skipped"] = perFrame(d->SkippedPixels() - skipped) / 1000.0;
    state.counters["kpx_damaged"] = perFrame(d->DamagedPixels() - damaged) / 1000.0;
    // Pixels per frame the draws that reached the back end covered, after the
    // clipping of what opaque draws above hid (thousands).
    state.counters["kpx_covered"] = perFrame(device.CoveredPixels() - covered) / 1000.0;
    // Tiles per steady frame a back end drawing by damage drew, by why
    // (scripts/count-frames prints them beside the instructions).
    const gpu::DrawnTiles after = d->TilesDrawn();
    for (uint32_t c = 0; c < gpu::kDrawnCauses && frames > 1; ++c)
        state.counters[std::string("tiles_") + gpu::kDrawnCauseNames[c]] =
            static_cast<double>(after[c] - tiles[c]) / (frames - 1);
    for (const auto& [name, ms] : o.layers)
        state.counters[name] = ms;
}

const bool kRegistered = [] {
    const char* fixedFrames = std::getenv("GLORVANE_BENCH_FRAMES");
    for (SceneRun::Scene scene : SceneRun::kScenes)
        for (BackEnd backEnd : {kSoft, kSoftThreads, kGl})
            for (bool clipped : {true, false}) {
                if (backEnd == kSoftThreads && !clipped)
                    continue;
                const std::string name = std::string("BM_Frame/") + SceneRun::Name(scene) + "/" +
                                         BackEndName(backEnd) + (clipped ? "" : "-unclipped");
                auto* row =
                    benchmark::RegisterBenchmark(name.c_str(), BM_Frame, scene, backEnd, clipped)
                        ->MeasureProcessCPUTime()
                        ->UseRealTime()
                        ->Unit(benchmark::kMillisecond)
                        ->Teardown(CloseScene);
                if (fixedFrames && std::atoi(fixedFrames) > 0)
                    row->Iterations(std::atoi(fixedFrames));
            }
    return true;
}();

} // namespace
