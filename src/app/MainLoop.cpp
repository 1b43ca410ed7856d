// The message pump and the frame tick.
#include "app/MainLoop.h"

#include <csignal>

#include "app/Game.h"
#include "engine/ObjectLog.h"
#include "platform/os/Clock.h"
#include "platform/os/SingleInstance.h"
#include "platform/os/Window.h"

void CFrameClock::Reset(uint64_t nowMs) {
    last_ = periodStart_ = nowMs;
    framesInPeriod_ = 0;
    fps_ = 0.0f;
    refreshed_ = false;
}

uint32_t CFrameClock::Tick(uint64_t nowMs) {
    const uint64_t elapsed = nowMs > last_ ? nowMs - last_ : 0;
    if (nowMs > last_)
        last_ = nowMs;
    ++framesInPeriod_;
    refreshed_ = false;
    const uint64_t span = last_ - periodStart_;
    if (span >= kFpsPeriodMs) {
        fps_ = static_cast<float>(framesInPeriod_) * 1000.0f / static_cast<float>(span);
        framesInPeriod_ = 0;
        periodStart_ = last_;
        refreshed_ = true;
    }
    return elapsed > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(elapsed);
}

namespace {

volatile std::sig_atomic_t gStopRequested = 0;

void OnStopSignal(int) {
    gStopRequested = 1;
}

} // namespace

void CMainLoop::InstallStopSignals() {
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
}

bool CMainLoop::StopRequested() {
    return gStopRequested != 0;
}

uint32_t FrameMsForRefresh(int hz) {
    constexpr int kDefaultHz = 60, kMaxHz = 1000;
    if (hz <= 0 || hz > kMaxHz)
        hz = kDefaultHz;
    return static_cast<uint32_t>(1000 / hz);
}

CMainLoop::CMainLoop(os::Window& window, CGame& game, MainLoopLimits limits)
    : window_(window), game_(game), limits_(limits), clock_(os::Milliseconds()) {}

void CMainLoop::Close() {
    if (running_)
        game_.SaveOnExit();
    running_ = false;
}

bool CMainLoop::Dispatch(const os::Message& m) {
    int32_t result = 0;
    switch (m.kind) {
    case os::MessageKind::Close:
        Close();
        break;
    case os::MessageKind::LButtonDown:
        if (game_.Mode == kModeSplash && game_.GetInitResult() < 0)
            game_.SkipSplash();
        else if (game_.GetInitResult() == 1)
            result = game_.OnLButtonDown(m.x, m.y);
        break;
    case os::MessageKind::LButtonUp:
        if (game_.GetInitResult() == 1)
            result = game_.OnLButtonUp(m.x, m.y);
        break;
    case os::MessageKind::RButtonDown:
        if (game_.GetInitResult() == 1)
            result = game_.OnRButtonDown(m.x, m.y);
        break;
    case os::MessageKind::KeyDown:
        if (m.key == os::Vk::F5)
            game_.ToggleFpsDisplay();
        else if (game_.GetInitResult() == 1)
            result = game_.OnKeyDown(m.key);
        break;
    case os::MessageKind::Char:
        if (game_.GetInitResult() == 1)
            result = game_.OnChar(m.ch);
        break;
    default:
        break;
    }
    if (result == 1)
        Close();
    return running_;
}

void CMainLoop::CheckSecondStart() {
    const uint64_t now = os::Milliseconds();
    if (!guard_ || now - lastSecondStartCheck_ < kSecondStartCheckMs)
        return;
    lastSecondStartCheck_ = now;
    if (!guard_->TakeRaiseRequest())
        return;
    LogObject("Another start of the game: the window comes to the front\n");
    window_.Raise();
}

void CMainLoop::MinimisedPass() {
    CheckSecondStart();
    game_.PauseAudio(true);
    if (++idlePasses_ > kIdlePassesBeforeWait) {
        os::Message m;
        if (window_.WaitMessage(&m, 500))
            Dispatch(m);
    } else {
        os::Sleep(10);
    }
    if (window_.IsFullScreen())
        game_.Render(); // the unchanged scene
    clock_.Reset(os::Milliseconds());
}

int CMainLoop::Run() {
    running_ = true;
    clock_.Reset(os::Milliseconds());
    while (running_) {
        if (gStopRequested) {
            gStopRequested = 0;
            Close();
            break;
        }
        os::Message m;
        if (window_.PollMessage(&m)) {
            Dispatch(m);
            continue;
        }
        if (window_.IsMinimized()) {
            MinimisedPass();
            continue;
        }
        idlePasses_ = 0;
        CheckSecondStart();
        game_.PauseAudio(false);

        const uint64_t start = os::Milliseconds();
        const uint32_t ms = clock_.Tick(start);
        if (clock_.Refreshed())
            game_.SetFps(clock_.Fps());
        game_.Frame(ms);
        if (game_.GetInitResult() == 0) {
            running_ = false;
            return game_.ClosedWhileLoading() ? 0 : 4;
        }
        ++frames_;
        if (limits_.exitAfterFrames > 0 && frames_ >= limits_.exitAfterFrames) {
            Close();
            break;
        }
        const uint64_t spent = os::Milliseconds() - start;
        if (spent < limits_.minFrameMs)
            os::Sleep(static_cast<uint32_t>(limits_.minFrameMs - spent));
    }
    return 0;
}
