#pragma once
// Helpers of the program-entry and game-object tests: a scratch folder, a
// private copy of the assembled game folder to run in, a guard that makes a
// folder the game's folders and enters it for the length of a test, and the window, GL back end and
// renderer a game object needs.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Game.h"
#include "engine/ObjectLog.h"
#include "engine/Renderer.h"
#include "engine/SharedPtr.h"
#include "engine/VideoSettings.h"
#include "platform/gpu/Gpu.h"
#include "platform/os/GameFolders.h"
#include "platform/os/Window.h"

namespace apptest {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "gv_app_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            ADD_FAILURE() << "cannot create a temporary folder";
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& Path() const { return path_; }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }

    std::string Write(const std::string& name, const std::string& bytes) const {
        const fs::path p = path_ / name;
        fs::create_directories(p.parent_path());
        std::ofstream out(p, std::ios::binary);
        out << bytes;
        return p.string();
    }

private:
    fs::path path_;
};

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Makes a folder the game's user folder (its data folder too, unless another
// is given) and enters it, so that the test's own relative paths see what the
// game writes; the object log is its "Objects.log". All is restored at the end.
class EnterDir {
public:
    explicit EnterDir(const fs::path& dir, const fs::path& data = {}, const fs::path& cache = {})
        : saved_(fs::current_path()), log_(ObjectLogPath()), data_(os::DataFolder()),
          user_(os::UserFolder()), cache_(os::CacheFolder()) {
        fs::current_path(dir);
        os::SetGameFolders(data.empty() ? dir.string() : data.string(), dir.string());
        os::SetCacheFolder(cache.string());
        SetObjectLogPath("Objects.log");
    }
    ~EnterDir() {
        std::error_code ec;
        fs::current_path(saved_, ec);
        os::SetGameFolders(data_, user_);
        os::SetCacheFolder(cache_);
        SetObjectLogPath(log_);
    }
    EnterDir(const EnterDir&) = delete;
    EnterDir& operator=(const EnterDir&) = delete;

private:
    fs::path saved_;
    std::string log_;
    std::string data_;
    std::string user_;
    std::string cache_;
};

// Files the game cannot start without; the tests that run the real game skip
// (naming what is missing) while the assembled folder lacks one.
inline std::vector<std::string> MissingGameData(const fs::path& game) {
    static const char* const kNeeded[] = {
        "Data/TextID.dat",      "Data/Txt/Strings.txt",    "Data/CapsAnimation.dat",
        "Data/Fonts/Font.tga",  "Data/Fonts/Font.uxd",     "Data/Gfx/Caps.png",
        "Data/Gfx/Loading.jpg", "Data/Gfx/FieldFrame.png", "Data/Gfx/FieldBack.jpg",
        "Data/Gfx/Halo1.tga",   "Data/Gfx/Sandbox.jpg",    "Data/Lvl/l1.lvl",
    };
    std::vector<std::string> missing;
    for (const char* f : kNeeded)
        if (!fs::exists(game / f))
            missing.push_back(f);
    return missing;
}

inline std::string Join(const std::vector<std::string>& items) {
    std::string s;
    for (const auto& i : items)
        s += (s.empty() ? "" : ", ") + i;
    return s;
}

// A private copy of the assembled game folder (GV_GAME_DIR) without its splash
// pictures (the splash would add eight seconds to every run) and without
// anything an earlier run left behind.
class GameCopy {
public:
    GameCopy() {
        const fs::path source = GV_GAME_DIR;
        if (!fs::is_directory(source)) {
            missing_ = "the game folder " + source.string() + " does not exist";
            return;
        }
        const auto lacking = MissingGameData(source);
        if (!lacking.empty()) {
            missing_ = "the game folder " + source.string() + " lacks " + Join(lacking);
            return;
        }
        std::error_code ec;
        fs::copy(source, dir_.Path(), fs::copy_options::recursive, ec);
        if (ec) {
            missing_ = "cannot copy the game folder: " + ec.message();
            return;
        }
        fs::remove_all(dir_.Path() / "fsdata", ec);
        fs::remove(dir_.Path() / "Objects.log", ec);
        fs::remove(dir_.Path() / "glorvane", ec);
        // The options file lives here even before any configuration exists.
        fs::create_directories(dir_.Path() / "Data" / "Config", ec);
    }

    // Empty when the copy is usable; else why not (for GTEST_SKIP).
    const std::string& Missing() const { return missing_; }
    const fs::path& Path() const { return dir_.Path(); }
    std::string Log() const { return ReadFile(dir_.Path() / "Objects.log"); }

private:
    TempDir dir_;
    std::string missing_;
};

struct ApiReleaser {
    void operator()(gpu::Api* api) const {
        if (api)
            api->Release();
    }
};

// The offscreen window, the back end this machine draws with (or GL, when a
// test is about GL itself) and a renderer with its device, made the way the
// program entry makes them (the window at its final size).
class GlStack {
public:
    explicit GlStack(bool glOnly = false) {
        std::string error;
        window_.reset(os::Window::Create("Glorvane test", 1024, 768, &error));
        if (!window_) {
            problem_ = "no window: " + error;
            return;
        }
        api_.reset(glOnly ? gpu::CreateGlApi() : gpu::CreateApi(window_.get()));
        if (!api_) {
            problem_ = "no back end";
            return;
        }
        renderer_ = CSharedPtr<CRenderer>(new CRenderer());
        VideoSettingsBlock block;
        block.width = 1024;
        block.height = 768;
        const gpu::Result r =
            renderer_->CreateDevice(block, api_.get(), window_.get(), gpu::Fmt::D16);
        if (gpu::Failed(r))
            problem_ = "no device";
    }
    ~GlStack() {
        renderer_ = CSharedPtr<CRenderer>();
        api_.reset();
        window_.reset();
    }

    const std::string& Problem() const { return problem_; }
    os::Window* Window() const { return window_.get(); }
    const CSharedPtr<CRenderer>& Renderer() const { return renderer_; }

private:
    std::unique_ptr<os::Window> window_;
    std::unique_ptr<gpu::Api, ApiReleaser> api_;
    CSharedPtr<CRenderer> renderer_;
    std::string problem_;
};

// True when the texts occur in `text` in this order.
inline ::testing::AssertionResult InOrder(const std::string& text,
                                          const std::vector<std::string>& parts) {
    size_t at = 0;
    for (const auto& p : parts) {
        const size_t found = text.find(p, at);
        if (found == std::string::npos)
            return ::testing::AssertionFailure()
                   << "\"" << p << "\" missing after offset " << at << " in:\n"
                   << text;
        at = found + p.size();
    }
    return ::testing::AssertionSuccess();
}

// One frame of `ms`; a level's card, which waits for a click, is clicked
// away once read, as a player does.
inline int32_t FramePastCard(CGame& game, uint32_t ms) {
    constexpr float kCardRead = 2.5f;
    if (game.Mode == kModeLevelIntro && game.ModeTime > kCardRead) {
        game.OnLButtonDown(0, 0);
        game.OnLButtonUp(0, 0);
    }
    return game.Frame(ms);
}

} // namespace apptest
