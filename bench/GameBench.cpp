// The whole game object on the offscreen GL back end (llvmpipe on a headless
// machine):
//   - start-up: window, renderer and device, PreInit, Init with its loading
//     screen and the flow's first frames, until the first frame of level 1 is
//     presented;
//   - level 6 in play with cascades (a swap whenever the board rests): the CPU
//     time of the frame step without drawing, and of the drawing alone.
// Both need the assembled game folder: $GLORVANE_GAME_DIR, else "build/game"
// or the working directory when it holds the data.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Game.h"
#include "engine/ObjectLog.h"
#include "engine/Renderer.h"
#include "engine/VideoSettings.h"
#include "platform/Rand15.h"
#include "platform/gpu/Gpu.h"
#include "platform/os/Window.h"
#include "playfield/CapSlot.h"
#include "playfield/PlayField.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string FindGameDir() {
    auto usable = [](const fs::path& p) {
        std::error_code ec;
        return fs::exists(p / "Data" / "TextID.dat", ec) && fs::exists(p / "Data" / "Fonts", ec);
    };
    if (const char* env = std::getenv("GLORVANE_GAME_DIR"))
        if (usable(env))
            return fs::absolute(env).string();
    for (const char* candidate : {"build/game", "game", "."})
        if (usable(candidate))
            return fs::absolute(candidate).string();
    return std::string();
}

struct ApiReleaser {
    void operator()(gpu::Api* api) const {
        if (api)
            api->Release();
    }
};

// The program entry's objects without its guard and loop; runs inside the
// game folder with the log sent nowhere.
class GameRun {
public:
    explicit GameRun(const std::string& dir) {
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
            setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        saved_ = fs::current_path();
        fs::current_path(dir);
        SetObjectLogPath("/dev/null");
    }
    ~GameRun() {
        game_.reset();
        renderer_ = CSharedPtr<CRenderer>();
        api_.reset();
        window_.reset();
        std::error_code ec;
        fs::current_path(saved_, ec);
    }

    // Everything up to a started flow; false with `error` on failure.
    bool Start() {
        window_.reset(os::Window::Create("bench", 640, 480, &error));
        if (!window_)
            return false;
        api_.reset(gpu::CreateGlApi());
        if (!api_) {
            error = "no GL back end";
            return false;
        }
        renderer_ = CSharedPtr<CRenderer>(new CRenderer());
        VideoSettingsBlock block;
        block.width = 1024;
        block.height = 768;
        if (gpu::Failed(renderer_->CreateDevice(block, api_.get(), window_.get(), gpu::Fmt::D16))) {
            error = "no device";
            return false;
        }
        game_ = std::make_unique<CGame>(renderer_, window_.get(), CSharedPtr<snd::Audio>());
        if (!game_->PreInit() || !game_->InitAndStartFlow()) {
            error = game_->LastError();
            return false;
        }
        return true;
    }

    CGame& Game() { return *game_; }
    std::string error;

private:
    fs::path saved_;
    std::unique_ptr<os::Window> window_;
    std::unique_ptr<gpu::Api, ApiReleaser> api_;
    CSharedPtr<CRenderer> renderer_;
    std::unique_ptr<CGame> game_;
};

bool InLevel(const CGame& g) { return g.Mode == kModeLevelIntro || g.Mode == kModeLevel; }

void BM_StartUpToFirstLevelFrame(benchmark::State& state) {
    const std::string dir = FindGameDir();
    if (dir.empty()) {
        state.SkipWithError("no game folder (set GLORVANE_GAME_DIR)");
        return;
    }
    for (auto _ : state) {
        const auto start = Clock::now();
        GameRun run(dir);
        if (!run.Start()) {
            state.SkipWithError(run.error.c_str());
            return;
        }
        int frames = 0;
        while (!InLevel(run.Game()) && frames < 1000) {
            run.Game().Frame(16);
            ++frames;
        }
        run.Game().Frame(16);  // the first frame of the level on screen
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);  // the shut-down that follows is not counted
    }
}
BENCHMARK(BM_StartUpToFirstLevelFrame)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// Level 6 on a running game: the clock never runs out, and a swap is made
// from the move list whenever the board rests, so the frames hold cascades.
class Level6 {
public:
    bool Open(std::string* why) {
        const std::string dir = FindGameDir();
        if (dir.empty()) {
            *why = "no game folder (set GLORVANE_GAME_DIR)";
            return false;
        }
        run_ = std::make_unique<GameRun>(dir);
        if (!run_->Start()) {
            *why = run_->error;
            return false;
        }
        Rand15::Global().Seed(6);
        CGame& g = run_->Game();
        g.StartLevel(6);
        for (int i = 0; i < 2000 && !(g.Mode == kModeLevel && g.SubState == kSubPlay); ++i)
            g.Frame(16);
        if (!(g.Mode == kModeLevel && g.SubState == kSubPlay)) {
            *why = "level 6 did not start";
            return false;
        }
        return true;
    }

    // One frame step of 1/60 s (not drawn), after the swap the board wants.
    void Step() {
        CGame& g = run_->Game();
        g.TimeLeft = g.TimeLimit;  // never lose by time
        CPlayField& f = *g.Field;
        if (f.IsIdle(true) && f.InputOpen && !f.LevelOver) {
            f.BuildMatchMatrix();
            moves_.clear();
            if (f.MatchFinder.ListMoves(moves_, 3, 0) > 0) {
                const CMatchMove& m = moves_[static_cast<size_t>(Rand15::Global().Next()) % moves_.size()];
                f.SwapCaps(m.Column1, m.Row1, m.Column2, m.Row2, 0);
                ++swaps;
            }
        }
        g.Update(1.0f / 60.0f);
        // A won level starts over, so the benchmark stays on level 6.
        if (g.Mode != kModeLevel || g.SubState != kSubPlay) {
            ++restarts;
            g.StartLevel(6);
            for (int i = 0; i < 2000 && !(g.Mode == kModeLevel && g.SubState == kSubPlay); ++i)
                g.Update(1.0f / 60.0f);
        }
    }
    int32_t Draw() { return run_->Game().Render(); }

    int swaps = 0;
    int restarts = 0;

private:
    std::unique_ptr<GameRun> run_;
    std::vector<CMatchMove> moves_;
};

void BM_Level6Update(benchmark::State& state) {
    Level6 level;
    std::string why;
    if (!level.Open(&why)) {
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

void BM_Level6Render(benchmark::State& state) {
    Level6 level;
    std::string why;
    if (!level.Open(&why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    for (auto _ : state) {
        level.Step();
        const auto start = Clock::now();
        benchmark::DoNotOptimize(level.Draw());
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.counters["swaps"] = level.swaps;
}
BENCHMARK(BM_Level6Render)->UseManualTime()->Iterations(600)->Unit(benchmark::kMillisecond);

} // namespace
