#pragma once
// The main loop: a message pump that runs one frame tick whenever no message
// waits. The tick counts frames, refreshes the frames-per-second figure every
// 250 ms and hands the elapsed milliseconds to the game's frame step. While the
// window is minimised the sound pauses and nothing is updated; after more than
// 100 idle passes the loop blocks until a message arrives.
#include <cstdint>

class CGame;

namespace os {
class SingleInstance;
class Window;
struct Message;
}

// Frame timing of the loop: elapsed milliseconds per tick and the FPS figure.
class CFrameClock {
public:
    static constexpr uint64_t kFpsPeriodMs = 250;

    explicit CFrameClock(uint64_t nowMs = 0) { Reset(nowMs); }
    void Reset(uint64_t nowMs);
    // One frame at `nowMs`: the milliseconds since the previous tick (a clock
    // that went backwards gives 0). Counts the frame and, once 250 ms have
    // passed since the last refresh, refreshes the figure.
    uint32_t Tick(uint64_t nowMs);
    float Fps() const { return fps_; }
    // True on the tick that refreshed the figure.
    bool Refreshed() const { return refreshed_; }

private:
    uint64_t last_ = 0;
    uint64_t periodStart_ = 0;
    uint32_t framesInPeriod_ = 0;
    float fps_ = 0.0f;
    bool refreshed_ = false;
};

struct MainLoopLimits {
    // Leave the loop after this many frame ticks (0: run until the window
    // closes). Tests and benchmarks only; the shipped game never sets it.
    int64_t exitAfterFrames = 0;
    // Frames shorter than this are padded with a sleep, so that the game draws
    // no more frames than the display shows (60 a second when its rate is
    // unknown).
    uint32_t minFrameMs = 16;
};

// The frame period in whole milliseconds for a display of `hz` refreshes a
// second (rounded down, so the cap never falls below the display's rate); 60
// when the rate is unknown (0 or absurd).
uint32_t FrameMsForRefresh(int hz);

class CMainLoop {
public:
    static constexpr int kIdlePassesBeforeWait = 100;

    CMainLoop(os::Window& window, CGame& game, MainLoopLimits limits = MainLoopLimits());

    // Runs until the window closes (or the frame limit). 0 for a normal end; 4
    // when the game's Init failed (at the end of the splash).
    int Run();
    // Handles one message; false when the loop must end.
    bool Dispatch(const os::Message& message);
    // One pass while the window is minimised: sound paused, nothing updated, and
    // after kIdlePassesBeforeWait such passes a blocking wait for the next message.
    void MinimisedPass();

    int64_t Frames() const { return frames_; }

    // A second start of the game brings this window to the front: the guard's
    // requests are looked at once a second.
    void WatchSecondStarts(const os::SingleInstance* guard) { guard_ = guard; }
    static constexpr uint64_t kSecondStartCheckMs = 1000;

    // SIGINT and SIGTERM end the loop the way closing the window does, so the
    // quest is saved. The handler only raises a flag; the loop's next pass
    // acts on it (and takes it down again).
    static void InstallStopSignals();
    static bool StopRequested();

private:
    void Close();
    void CheckSecondStart();

    os::Window& window_;
    CGame& game_;
    MainLoopLimits limits_;
    CFrameClock clock_;
    bool running_ = true;
    int idlePasses_ = 0;
    int64_t frames_ = 0;
    const os::SingleInstance* guard_ = nullptr;
    uint64_t lastSecondStartCheck_ = 0;
};
