#pragma once
// What the game benchmarks share: the assembled game folder, the program
// entry's objects without its guard and loop, and whole-process figures (the
// software rasteriser does most of its work on its own threads, so the calling
// thread's CPU time says little).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <vector>

#include "app/Game.h"
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/Renderer.h"
#include "engine/VideoSettings.h"
#include "platform/Rand15.h"
#include "platform/gpu/FrameProbe.h"
#include "platform/gpu/Gpu.h"
#include "platform/os/GameFolders.h"
#include "platform/os/Window.h"
#include "playfield/CapSlot.h"
#include "playfield/PlayField.h"
#include "screens/ScreensManager.h"
#include "ui/UxForm.h"

namespace bench {

// $GLORVANE_GAME_DIR, else "build/game" or the working directory when it holds
// the data; empty when none does.
inline std::string FindGameDir() {
    namespace fs = std::filesystem;
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

// CPU seconds of every thread of the process.
inline double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Resident set size of the process in bytes (0 when unknown).
inline uint64_t ResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmRSS:") {
            uint64_t kb = 0;
            status >> kb;
            return kb * 1024;
        }
    return 0;
}

// The game folder copied into `to` without what a player's runs leave in it
// (profiles, options, score tables, the log), so that a benchmark plays as a
// new player and never reads or writes the player's files.
inline bool CopyWithoutPlayerFiles(const std::filesystem::path& from,
                                   const std::filesystem::path& to) {
    namespace fs = std::filesystem;
    static const char* const kPlayerFiles[] = {"Players", "Objects.log", "Data/Config/Options.ini",
                                               "Data/GameData"};
    std::error_code ec;
    fs::recursive_directory_iterator it(from, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path rel = it->path().lexically_relative(from);
        bool skip = false;
        for (const char* p : kPlayerFiles)
            skip = skip || rel == fs::path(p);
        if (skip) {
            it.disable_recursion_pending();
        } else if (it->is_directory(ec)) {
            fs::create_directories(to / rel, ec);
        } else {
            fs::copy_file(it->path(), to / rel, ec);
        }
    }
    if (ec)
        return false;
    // The game writes its score tables there.
    return fs::create_directories(to / "Data" / "GameData", ec) || !ec;
}

// The program entry's objects without its guard and loop; runs inside a
// private copy of the game folder (removed again) with the log sent nowhere.
class GameRun {
public:
    static constexpr int kWidth = 1024, kHeight = 768;

    explicit GameRun(const std::string& dir) {
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
            setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        saved_ = std::filesystem::current_path();
        std::error_code ec;
        std::string pattern =
            (std::filesystem::temp_directory_path(ec) / "gv_bench_XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            error = "cannot create a folder for the game's copy";
            return;
        }
        copy_ = pattern;
        if (!CopyWithoutPlayerFiles(dir, copy_)) {
            error = "cannot copy the game folder " + dir;
            return;
        }
        std::filesystem::current_path(copy_);
        // The copy is both folders: nothing reaches the player's own.
        os::SetGameFolders(copy_, copy_);
        SetObjectLogPath("/dev/null");
    }
    ~GameRun() {
        game_.reset();
        renderer_ = CSharedPtr<CRenderer>();
        if (api_)
            api_->Release();
        window_.reset();
        std::error_code ec;
        std::filesystem::current_path(saved_, ec);
        os::SetGameFolders("", "");
        if (!copy_.empty())
            std::filesystem::remove_all(copy_, ec);
    }
    GameRun(const GameRun&) = delete;
    GameRun& operator=(const GameRun&) = delete;

    // Everything up to a started flow at 1024x768 (the window made at its final
    // size, as the program entry makes it); false with `error` on failure.
    bool Start() {
        if (!error.empty())
            return false;
        window_.reset(os::Window::Create("bench", kWidth, kHeight, &error));
        if (!window_)
            return false;
        api_ = gpu::CreateApi(window_.get());
        if (!api_) {
            error = "no GL back end";
            return false;
        }
        renderer_ = CSharedPtr<CRenderer>(new CRenderer());
        VideoSettingsBlock block;
        block.width = kWidth;
        block.height = kHeight;
        if (gpu::Failed(renderer_->CreateDevice(block, api_, window_.get(), gpu::Fmt::D16))) {
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
    CRenderer& Renderer() { return *renderer_; }
    std::string error;

private:
    std::filesystem::path saved_;
    std::filesystem::path copy_;
    std::unique_ptr<os::Window> window_;
    gpu::Api* api_ = nullptr;
    CSharedPtr<CRenderer> renderer_;
    std::unique_ptr<CGame> game_;
};

// The bench's folder has no player: the new-player dialog the game opens with
// and the menu behind it are put away, so that the level is seen as a player
// sees it, and the level starts.
inline void StartLevelFromMenus(CGame& g, int level) {
    for (CSharedPtr<CUxForm>* f : {&g.Screens->NewProfileForm, &g.Screens->MainMenuForm}) {
        (*f)->Visible = false;
        (*f)->Active = false;
    }
    g.StartLevel(level);
}

inline bool InLevel(const CGame& g) {
    return g.Mode == kModeLevelIntro || g.Mode == kModeLevel;
}

// A running game held on one screen as a player of a new quest sees it (the
// bench's copy of the folder has no player, so no tutorial tip opens): level 1 (the first stage's
// first level, entered from the quest map) or level 6 in play with nothing
// moving but the animations, level 6 with a swap made whenever the board
// rests (cascades and their effects), a bonus level, the main menu, the quest
// map after the story, or the shop after level 1. The clocks never run out; a
// screen that ends anyway starts over.
class SceneRun {
public:
    enum Scene : int { kLevel1, kLevel6, kCascade, kBonus, kMainMenu, kMap, kShop };
    static constexpr Scene kScenes[] = {kLevel1, kLevel6, kCascade, kBonus, kMainMenu, kMap, kShop};
    static const char* Name(Scene scene) {
        static const char* const kNames[] = {"level1",   "level6", "cascade", "bonus",
                                             "mainmenu", "map",    "shop"};
        return kNames[scene];
    }
    static constexpr float kStep = 1.0f / 60.0f;

    bool Open(Scene scene, std::string* why) {
        scene_ = scene;
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
        if (!Begin()) {
            *why = std::string("the screen did not start: ") + Name(scene);
            return false;
        }
        if (run_->Game().TipOpen != kTipNone) {
            *why = "a tutorial tip is open";
            return false;
        }
        return true;
    }

    // One frame step of 1/60 s, not drawn.
    void Step() {
        CGame& g = run_->Game();
        g.TimeLeft = g.TimeLimit;
        g.BonusTime = g.BonusTimeLimit;
        CPlayField& f = *g.Field;
        if (scene_ == kCascade && f.IsIdle(true) && f.InputOpen && !f.LevelOver) {
            f.BuildMatchMatrix();
            moves_.clear();
            if (f.MatchFinder.ListMoves(moves_, 3, 0) > 0) {
                const CMatchMove& m =
                    moves_[static_cast<size_t>(Rand15::Global().Next()) % moves_.size()];
                f.SwapCaps(m.Column1, m.Row1, m.Column2, m.Row2, 0);
                ++swaps;
            }
        }
        g.Update(kStep);
        if (!OnScreen()) {
            ++restarts;
            Begin();
        }
    }
    // Draws and presents the frame, then waits for the rasteriser, so that
    // the frame's cost is all spent by the time this returns.
    int32_t Draw() {
        const int32_t r = run_->Game().Render();
        if (gpu::FrameProbe* d = Device())
            d->Finish();
        return r;
    }

    CGame& Game() { return run_->Game(); }
    CRenderer& Renderer() { return run_->Renderer(); }
    gpu::FrameProbe* Device() { return Renderer().Probe(); }

    int swaps = 0;
    int restarts = 0;

private:
    static constexpr int kMaxStartSteps = 2000;
    static constexpr int kMenuSteps = 120;   // past every fade
    static constexpr float kCardRead = 2.5f; // as long as the card stood before it waited
    static constexpr int32_t kIdMapPlay = 150;

    bool OnScreen() const {
        const CGame& g = run_->Game();
        switch (scene_) {
        case kMainMenu:
            return g.Mode == kModeMenu && g.Screens->MainMenuForm->Visible;
        case kMap:
            return g.Mode == kModeMenu && g.Screens->MapForm->Visible;
        case kShop:
            return g.Mode == kModeLevel && g.SubState == kSubShop;
        default:
            return g.Mode == kModeLevel && g.SubState == (scene_ == kBonus ? kSubBonus : kSubPlay);
        }
    }

    void Steps(int n) {
        for (int i = 0; i < n; ++i)
            run_->Game().Update(kStep);
    }

    bool Begin() {
        CGame& g = run_->Game();
        // The main menu's fade-out under the new-player dialog is turned
        // round by ShowMainMenu; hidden outright, the form would stay hidden.
        for (CSharedPtr<CUxForm>* f : {&g.Screens->NewProfileForm, &g.Screens->MainMenuForm})
            if (scene_ != kMainMenu || f == &g.Screens->NewProfileForm) {
                (*f)->Visible = false;
                (*f)->Active = false;
            }
        switch (scene_) {
        case kMainMenu:
            g.ShowMainMenu();
            break;
        case kMap:
        case kLevel1:
            // The story read, then the map, whose Play leads into level 1.
            g.BeginNewQuest(0);
            g.EndStory();
            if (scene_ == kLevel1) {
                Steps(kMenuSteps);
                g.OnMenuClick(kIdMapPlay);
            }
            break;
        case kShop:
            g.StartNewQuest();
            g.OpenShop(1);
            break;
        default:
            g.StartNewQuest();
            g.StartLevel(6);
            break;
        }
        if (scene_ == kMainMenu || scene_ == kMap || scene_ == kShop) {
            Steps(kMenuSteps);
            return OnScreen();
        }
        for (int i = 0; i < kMaxStartSteps && !(g.Mode == kModeLevel && g.SubState == kSubPlay);
             ++i) {
            // The level's card waits for a click, given once it has been read.
            if (g.Mode == kModeLevelIntro && g.ModeTime > kCardRead) {
                g.OnLButtonDown(0, 0);
                g.OnLButtonUp(0, 0);
            }
            g.Update(kStep);
        }
        if (scene_ == kBonus) {
            g.StartBonusLevel(1, 1); // the first of the schedule: the Accuracy challenge
            Steps(30);
            g.BeginBonusRounds();
        }
        return OnScreen();
    }

    Scene scene_ = kLevel1;
    std::unique_ptr<GameRun> run_;
    std::vector<CMatchMove> moves_;
};

} // namespace bench
