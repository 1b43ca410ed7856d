#pragma once
// The whole game, headless: a private copy of the assembled game folder (with
// plain stand-in pictures for any the data generator has not made yet), the
// offscreen GL back end, and a game object that a test drives frame by frame
// at a fixed step on a fixed seed. Input goes through the main loop's message
// dispatch to the game's own handlers, at window pixels mapped from
// virtual-screen points the way the window would report them.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/Game.h"
#include "app/MainLoop.h"
#include "app/core/AppTestSupport.h"
#include "ui/UxForm.h"

namespace snd {
class FakeAudio;
}

namespace flowtest {

class FlowHarness {
public:
    static constexpr float kDt = 1.0f / 30.0f;
    // Every this many frames one is also rendered (the scene is drawn for real,
    // but drawing every frame would only slow the tests down).
    static constexpr int kRenderEvery = 6;

    // withSound: a recording audio object (the sounds are converted and loaded);
    // otherwise the game is silent. intoLevel: the menus are walked into the
    // intro of level 1 (a first player named, Play on the menu and on the map);
    // otherwise the game waits on its first screen.
    explicit FlowHarness(uint32_t seed, bool withSound = false, bool intoLevel = true);
    ~FlowHarness();
    FlowHarness(const FlowHarness&) = delete;
    FlowHarness& operator=(const FlowHarness&) = delete;

    // Set: the trophy screen showing a level's awards is closed as it opens.
    bool CloseAwards = true;

    // Empty when the game is up; else why not (the test skips or fails on it).
    const std::string& Skip() const { return skip_; }
    const std::string& Failure() const { return failure_; }

    CGame& Game() { return *game_; }
    CPlayField& Field() { return *game_->Field; }
    snd::FakeAudio* Audio() { return audio_; }
    CMainLoop& Loop() { return *loop_; }
    os::Window& Window() { return *gl_->Window(); }
    std::string Log() const { return apptest::ReadFile(dir_.Path() / "Objects.log"); }

    // Frames of kDt.
    void Frames(int n = 1);
    // Frames until `done` holds (true) or `seconds` of game time pass (false).
    bool RunUntil(const std::function<bool()>& done, float seconds);

    // Window pixels of a virtual-screen point, and back.
    void ToPixels(float x, float y, int32_t* px, int32_t* py) const;
    // A left click (press and release) at a virtual-screen point.
    void Click(float x, float y);
    void Press(float x, float y);
    void Release(float x, float y);
    // The pointer moves there (the game reads it at the next frame).
    void MoveTo(float x, float y);
    void RightClick(float x, float y);
    // A key press as the window reports it.
    void Key(uint32_t vk);
    // Typed characters as the window reports them.
    void Type(const std::string& text);

    // The centre of the shown control `id` of the form, in virtual-screen
    // units (false when the form shows no such control).
    bool ControlCentre(const CSharedPtr<CUxForm>& form, int32_t id, float* x, float* y) const;
    // Waits until the form is shown and takes input (its fade is over), then
    // clicks the control at its window pixels. False when either never happens.
    bool ClickControl(const CSharedPtr<CUxForm>& form, int32_t id, float seconds = 3.0f);
    // Frames until the form is shown and takes input.
    bool WaitForForm(const CSharedPtr<CUxForm>& form, float seconds = 3.0f);
    // After a level: its results (Continue), the shop (Done, and yes when it
    // asks about stars left), then (when a stage ended) the stage's newspaper
    // page (Continue), then the map with the next level, whose Play button
    // leads into that level's intro.
    bool PlayOnFromMap(float seconds = 8.0f);
    // The shop, once it has opened, left with Done (and yes when asked). True
    // also when the map or a newspaper page comes without a shop.
    bool PassShop(float seconds = 8.0f);
    // The window closes (the game's exit save) and the game starts again on
    // the same folder, waiting on its first screen. False when it does not.
    bool Restart(uint32_t seed);
    // From the first screen into the intro of level 1, as a player would;
    // empty, or the step that could not be taken.
    std::string EnterFirstLevel(const std::string& playerName);

private:
    bool Start(uint32_t seed, bool withSound, bool intoLevel);
    bool Launch(uint32_t seed, bool withSound, bool intoLevel);
    void Send(os::MessageKind kind, float x, float y);

    apptest::TempDir dir_;
    std::unique_ptr<apptest::EnterDir> enter_;
    std::unique_ptr<apptest::GlStack> gl_;
    snd::FakeAudio* audio_ = nullptr;  // owned by the game's shared pointer
    std::unique_ptr<CGame> game_;
    std::unique_ptr<CMainLoop> loop_;
    uint64_t frame_ = 0;
    std::string skip_;
    std::string failure_;
};

} // namespace flowtest
