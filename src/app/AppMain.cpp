// The program entry.
#include "app/AppMain.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/Game.h"
#include "app/MainLoop.h"
#include "engine/ObjectLog.h"
#include "engine/Renderer.h"
#include "engine/SharedPtr.h"
#include "engine/VideoSettings.h"
#include "platform/Rand15.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/FrameProbe.h"
#include "platform/os/FolderCheck.h"
#include "platform/os/MessageBox.h"
#include "platform/os/Path.h"
#include "platform/os/SingleInstance.h"
#include "platform/os/TextFile.h"
#include "platform/os/Window.h"
#include "platform/sound/SdlAudio.h"

namespace {

constexpr const char* kMutexName = "GlorvaneCopyCheckMutex32545";
constexpr const char* kDefaultTitle = "The Glorvane of Quolvarin";
constexpr const char* kVersion = "Ver.1.08";

} // namespace

// A line that is empty or absurdly long is not a title.
std::string ReadAppTitle() {
    FILE* f = os::Open("appname.txt", "rb");
    if (!f)
        return kDefaultTitle;
    char buf[512];
    const char* got = os::ReadLine(buf, sizeof buf, f);
    std::fclose(f);
    if (!got)
        return kDefaultTitle;
    std::string line(buf);
    const size_t end = line.find('\n');
    if (end != std::string::npos)
        line.erase(end);
    else if (line.size() >= sizeof buf - 1)
        return kDefaultTitle;  // a first line longer than any title
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.pop_back();
    if (line.size() >= 3 && static_cast<unsigned char>(line[0]) == 0xEF &&
        static_cast<unsigned char>(line[1]) == 0xBB && static_cast<unsigned char>(line[2]) == 0xBF)
        line.erase(0, 3);
    return line.empty() ? std::string(kDefaultTitle) : line;
}

namespace {

// Milliseconds of a clock that does not restart with the program, so that two
// runs draw different boards.
uint32_t TimerSeed() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Each problem with the game's folders, told in the log and on the terminal
// before anything fails on it (a user folder that cannot be written leaves no
// log to read). They are kept for the error box should the game then fail
// to load.
os::FolderProblems TellFolderProblems() {
    const os::FolderProblems problems = os::CheckGameFolders();
    for (const std::string* problem : {&problems.data, &problems.user})
        if (!problem->empty()) {
            LogObject(*problem + "\n");
            std::fprintf(stderr, "%s\n", problem->c_str());
        }
    std::fflush(stderr);
    return problems;
}

struct ApiReleaser {
    void operator()(gpu::Api* api) const {
        if (api)
            api->Release();
    }
};

} // namespace

int AppMain(const AppOptions& options) {
    // 1. One copy at a time.
    std::unique_ptr<os::SingleInstance> guard(
        options.lockFolder.empty() ? new os::SingleInstance(kMutexName)
                                   : new os::SingleInstance(kMutexName, options.lockFolder));
    if (guard->AlreadyRunning()) {
        // Nothing of this copy shows: the running one comes to the front.
        guard->RequestRaise();
        return 0;
    }

    // 2. Random seed.
    const uint32_t seed = TimerSeed();
    Rand15::Global().Seed(seed);
    std::srand(seed);

    // 3-4. Video settings.
    CVideoSettings videoSettings;
    VideoSettingsBlock block;
    videoSettings.Set(block);
    videoSettings.Load();
    block = videoSettings.Get();

    // 5. The window, made at the size the settings ask for, so that it opens
    // centred at its final size (the device corrects it if the size cannot be
    // used).
    const std::string title = ReadAppTitle();
    std::string error;
    const bool sized = !block.fullScreen && block.width > 0 && block.height > 0;
    std::unique_ptr<os::Window> window(
        os::Window::Create(title, sized ? block.width : 640, sized ? block.height : 480, &error));
    if (!window) {
        os::ShowMessageBox(title, title + " cannot start: no video system is available (" +
                                      error + ").");
        return 100;
    }
    window->Show();

    // 6. The log.
    ResetObjectLog();
    LogObject("Begin log\n");
    LogObject(kVersion);
    LogObject("\n");
    const os::FolderProblems folderProblems = TellFolderProblems();
    LogObject("Creating Direct3D object...");

    // 7. The graphics API.
    std::string apiChoice;
    std::unique_ptr<gpu::Api, ApiReleaser> api(gpu::CreateApi(window.get(), &apiChoice));
    if (!apiChoice.empty())
        LogObject(apiChoice);
    if (!api) {
        os::ShowMessageBox(title, "Unable to create Direct3D object!");
        return 3;
    }

    // 8. Renderer and device.
    LogObject("Creating Renderer...");
    CSharedPtr<CRenderer> renderer(new CRenderer());
    const gpu::Result created =
        renderer->CreateDevice(block, api.get(), window.get(), gpu::Fmt::D16);
    if (gpu::Failed(created)) {
        if (created == gpu::kErrNotAvailable)
            os::ShowMessageBox(title, "Sorry!\nThis computer does not meet minimum requirements.\n"
                                      "Or maybe hardware acceleration drivers were not installed.");
        else
            os::ShowMessageBox(title, "Unable to create Direct3D device!");
        renderer = CSharedPtr<CRenderer>();
        api.reset();
        return 3;
    }
    if (const gpu::FrameProbe* drawing = renderer->Probe())
        LogObject(std::string("Drawing with the ") + drawing->BackEndName() + " renderer\n");

    // 9. The corrected settings go back to the file.
    videoSettings.Set(block);
    videoSettings.Save();

    // 10-12. The game and the main loop.
    int exitCode = 0;
    {
        CSharedPtr<CGame> game(
            new CGame(renderer, window.get(), CSharedPtr<snd::Audio>(new snd::SdlAudio())));
        bool ready = game->PreInit() != 0;
        if (ready) {
            if (game->HasSplash())
                game->StartSplash();
            else
                ready = game->InitAndStartFlow() != 0;
        }
        if (ready) {
            MainLoopLimits limits;
            limits.exitAfterFrames = options.exitAfterFrames;
            limits.minFrameMs = options.minFrameMs == AppOptions::kFrameCapFromDisplay
                                    ? FrameMsForRefresh(window->RefreshRate())
                                    : options.minFrameMs;
            CMainLoop loop(*window, *game, limits);
            loop.WatchSecondStarts(guard.get());
            CMainLoop::InstallStopSignals();
            exitCode = loop.Run();
        } else {
            // Closed during the loading: the player has lost nothing, as
            // nothing of theirs was open yet.
            exitCode = game->ClosedWhileLoading() ? 0 : 4;
        }
        if (exitCode == 4) {
            game->RestoreGamma();
            std::string text;
            for (const std::string& line : os::StartFailureLines(game->LastError(), folderProblems))
                text += (text.empty() ? "" : "\n") + line;
            os::ShowMessageBox("Error!", text);
        }
        // Shut-down: the desktop gamma first, then the game with everything it
        // owns.
        game->RestoreGamma();
    }
    renderer = CSharedPtr<CRenderer>();
    api.reset();
    LogObject("End of log\n");
    window.reset();
    guard.reset();
    return exitCode;
}
