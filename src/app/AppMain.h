#pragma once
// The program entry: the single-instance guard, the window, the renderer and
// its device, the game object and the main loop, and the ordered shut-down.
// Exit codes: 0 normal end (or another copy already runs), 3 no renderer or
// device, 4 the game could not initialise, 100 no video system.
#include <cstdint>
#include <string>

// Seams for tests and benchmarks; the shipped game runs with the defaults
// (it takes no command-line options).
struct AppOptions {
    // Leave the main loop after this many frames (0: run until closed).
    int64_t exitAfterFrames = 0;
    // Folder of the single-instance lock file (empty: the default folder).
    std::string lockFolder;
    // Frames shorter than this are padded with a sleep (kFrameCapFromDisplay:
    // one frame per refresh of the display).
    static constexpr uint32_t kFrameCapFromDisplay = UINT32_MAX;
    uint32_t minFrameMs = kFrameCapFromDisplay;
};

int AppMain(const AppOptions& options = AppOptions());

// The window title: the first line of the game's "appname.txt", else the
// built-in name.
std::string ReadAppTitle();
