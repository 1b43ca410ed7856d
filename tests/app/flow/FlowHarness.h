#pragma once
// The whole game, headless: a private copy of the assembled game folder (with
// plain stand-in pictures for any the data generator has not made yet) as its
// data folder and an empty user folder, the latter entered, the
// offscreen GL back end, and a game object that a test drives frame by frame
// at a fixed step on a fixed seed. Input is what a player's hand would give:
// SDL events (pointer motion, buttons, keys, text) pushed into SDL's queue at
// the window's own pixels, read by the window's pump and handed to the main
// loop's dispatch before each frame, as the running game does.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/Game.h"
#include "app/MainLoop.h"
#include "app/core/AppTestSupport.h"
#include "ui/UxForm.h"

union SDL_Event;

namespace snd {
class FakeAudio;
}

// A test's first step: it skips where the game cannot run here, and fails
// when the game does not start.
#define START_GAME(h)                                                                              \
    do {                                                                                           \
        if (!(h).Skip().empty())                                                                   \
            GTEST_SKIP() << (h).Skip();                                                            \
        ASSERT_EQ((h).Failure(), "") << (h).Log();                                                 \
    } while (0)

namespace flowtest {

class FlowHarness {
public:
    static constexpr float kDt = 1.0f / 30.0f;
    // Every this many frames one is also rendered (the scene is drawn for real,
    // but drawing every frame would only slow the tests down).
    static constexpr int kRenderEvery = 6;
    // The trophy screen's close button.
    static constexpr int32_t kIdAwardsClose = 260;

    // withSound: a recording audio object (the sounds are converted and loaded);
    // otherwise the game is silent. intoLevel: the menus are walked into the
    // intro of level 1 (a first player named, Play on the menu and on the map);
    // otherwise the game waits on its first screen.
    explicit FlowHarness(uint32_t seed, bool withSound = false, bool intoLevel = true);
    // The game's folders as they are, unprepared: an installed data folder and
    // a user folder (made when missing), the latter entered.
    struct Folders {
        std::filesystem::path data;
        std::filesystem::path user;
    };
    FlowHarness(uint32_t seed, const Folders& folders, bool intoLevel = true);
    ~FlowHarness();
    FlowHarness(const FlowHarness&) = delete;
    FlowHarness& operator=(const FlowHarness&) = delete;

    // Set: the trophy screen showing a level's awards is closed as it opens.
    bool CloseAwards = true;
    // Set: a tutorial tip is read and closed as it shows (its box as with its
    // OK, its pointer as with the swap it asks for), its next page too.
    bool CloseTips = true;
    // Set: a level's card, which waits for a click, is clicked away once it
    // has been read.
    bool ClickCards = true;
    // Set: runs after every frame (a watch kept over a whole flow).
    std::function<void()> EachFrame;

    // Empty when the game is up; else why not (the test skips or fails on it).
    const std::string& Skip() const { return skip_; }
    const std::string& Failure() const { return failure_; }

    CGame& Game() { return *game_; }
    CPlayField& Field() { return *game_->Field; }
    snd::FakeAudio* Audio() { return audio_; }
    CMainLoop& Loop() { return *loop_; }
    os::Window& Window() { return *gl_->Window(); }
    std::string Log() const { return apptest::ReadFile(userFolder_ / "Objects.log"); }
    // The game's data folder (a private copy) and its user folder (where the
    // test runs): both temporary, unless given.
    const std::filesystem::path& DataFolder() const { return dataFolder_; }
    const std::filesystem::path& UserFolder() const { return userFolder_; }
    const std::filesystem::path& CacheFolder() const { return cache_.Path(); }

    // Frames of kDt.
    void Frames(int n = 1);
    // Frames until `done` holds (true) or `seconds` of game time pass (false).
    bool RunUntil(const std::function<bool()>& done, float seconds);

    // The back-buffer point showing a virtual-screen point (through the
    // renderer's game area).
    void ToBackBuffer(float x, float y, float* bx, float* by) const;
    // The window's client pixel showing a virtual-screen point: to the back
    // buffer, then through the window's mapping of the back buffer onto its
    // client area.
    void ToClient(float x, float y, float* cx, float* cy) const;
    // A left click (press and release) at a client pixel of the window.
    void ClickAtClient(int32_t cx, int32_t cy);
    // A left click (press and release) at a virtual-screen point.
    void Click(float x, float y);
    // A click on the lost life's card once it has been read: it waits for one.
    void ClickLostLifeCard();
    void Press(float x, float y);
    void Release(float x, float y);
    // The pointer moves there (the game reads it at the next frame).
    void MoveTo(float x, float y);
    void RightClick(float x, float y);
    // A key (a virtual-key code) pressed and let go.
    void Key(uint32_t vk);
    // Typed characters: each a key and its text ('\b' backspace, '\r' enter).
    void Type(const std::string& text);
    // The window's close box.
    void CloseWindow();
    // The scene drawn now, as the window would show it, written as a PNG
    // (false when there is no window or back end to read).
    bool SavePicture(const std::string& path);

    // The centre of the shown control `id` of the form, in virtual-screen
    // units (false when the form shows no such control).
    bool ControlCentre(const CSharedPtr<CUxForm>& form, int32_t id, float* x, float* y) const;
    // Waits until the form is shown and takes input (its fade is over), then
    // clicks the control at the window pixel under its centre. False when
    // either never happens, or (a failure then) when what the control draws
    // is not seen about that pixel of the presented frame.
    bool ClickControl(const CSharedPtr<CUxForm>& form, int32_t id, float seconds = 3.0f);
    // Frames until the form is shown and takes input.
    bool WaitForForm(const CSharedPtr<CUxForm>& form, float seconds = 3.0f);
    // Whether drawing without these draw flags (set to 0 for one frame)
    // changes the presented frame within the box of size (w, h) about the
    // virtual-screen point (x, y); `anywhere` tells whether it changes any
    // pixel.
    bool SeenAt(const std::vector<int32_t*>& flags, float x, float y, float w, float h,
                bool* anywhere = nullptr);
    // The presented frame drawn now with these draw flags set to 0 for it
    // (ARGB, rows from the top), and the pixel box (inclusive) it shows the
    // box of size (w, h) about the virtual-screen point (x, y) in.
    struct Picture {
        int width = 0, height = 0;
        std::vector<uint32_t> argb;
        uint32_t At(int col, int row) const {
            return argb[static_cast<size_t>(row) * static_cast<size_t>(width) +
                        static_cast<size_t>(col)];
        }
    };
    struct PixelBox {
        int col0 = 0, row0 = 0, col1 = -1, row1 = -1;
    };
    Picture Drawn(const std::vector<int32_t*>& hidden = {});
    PixelBox PixelsOf(float x, float y, float w, float h);
    // The mean colour (0 to 255 a channel) the picture shows in the box of
    // size (w, h) about the virtual-screen point (x, y).
    struct Colour {
        double r = 0, g = 0, b = 0;
    };
    Colour MeanColour(const Picture& picture, float x, float y, float w, float h);
    // A board message seen now (the message popup not yet faded out, or the
    // level card's plaque): its text and its box.
    struct BoardMessage {
        std::string what;
        float l, b, r, t;
    };
    std::vector<BoardMessage> BoardMessagesShown();
    // The board's messages seen now that are drawn over one another, each
    // pair as "A" over "B".
    std::vector<std::string> MessagesOverOneAnother();
    // The draw flags of everything the window and its children draw.
    static std::vector<int32_t*> DrawFlagsOf(CUxWindow& window);
    // A new quest's story read page by page (a click on each), then the map
    // shown.
    bool PassStory(float seconds = 4.0f);
    // After a level: its results (Continue), the shop (Done, and yes when it
    // asks about stars left), then (when a stage ended) the stage's newspaper
    // page (Continue), then the map with the next level, whose Play button
    // leads into that level's intro. With `buy`, the shop's item of that
    // number is bought first (false when no star pays for it).
    bool PlayOnFromMap(float seconds = 8.0f, int32_t buy = -1);
    // The same up to the map, which waits for Play.
    bool BackToMap(float seconds = 8.0f, int32_t buy = -1);
    // The level being played (its first tip closed) is played as `level`
    // and won at once; its results are closed and the shop that follows has
    // opened. False when that does not happen.
    bool WinIntoShop(int32_t level);
    // The shop, once it has opened, left with Done (and yes when asked),
    // buying `buy` first; a level's awards on the way are closed. True also
    // when the map or a newspaper page comes without a shop.
    bool PassShop(float seconds = 8.0f, int32_t buy = -1);
    // Play on the main menu, the notice of a damaged save read (when one
    // comes; `notice` says so), the level the start-quest form offers into
    // `offered`, and Continue into that level's play (through the shop when
    // the save was taken there).
    bool ContinueQuest(std::string* offered, bool* notice);
    // "Save and quit" from the level's menu, then the main menu (through the
    // high-score table when the score made it there).
    bool SaveAndQuit();
    // The window closes (the game's exit save) and the game starts again on
    // the same folders, waiting on its first screen; `whileClosed` runs in
    // between. False when it does not start.
    bool Restart(uint32_t seed, const std::function<void()>& whileClosed = nullptr);
    // From the first screen into the intro of level 1, as a player would;
    // empty, or the step that could not be taken.
    std::string EnterFirstLevel(const std::string& playerName);
    // The same as far as the main menu (naming a first player when asked).
    std::string EnterMainMenu(const std::string& playerName);

private:
    bool Start(uint32_t seed, bool withSound, bool intoLevel);
    bool Launch(uint32_t seed, bool withSound, bool intoLevel);
    static CSharedPtr<CUxWindow> ShownControl(const CSharedPtr<CUxForm>& form, int32_t id);
    // The main loop's reading of every waiting message.
    void Pump();
    // Pushes the events and lets the main loop read and dispatch them.
    void Push(std::initializer_list<SDL_Event> events);
    SDL_Event Mouse(uint32_t type, float x, float y, uint8_t button = 0) const;
    SDL_Event MouseAt(uint32_t type, int32_t px, int32_t py, uint8_t button = 0) const;
    // Whether hiding what the control draws changes the presented frame near
    // its centre; true also when it changes nothing anywhere (a link over
    // other controls' pictures).
    bool DrawnAt(CUxWindow& control);

    apptest::TempDir dir_;
    apptest::TempDir user_;
    apptest::TempDir cache_;
    std::filesystem::path dataFolder_ = dir_.Path();
    std::filesystem::path userFolder_ = user_.Path();
    std::unique_ptr<apptest::EnterDir> enter_;
    std::unique_ptr<apptest::GlStack> gl_;
    snd::FakeAudio* audio_ = nullptr; // owned by the game's shared pointer
    std::unique_ptr<CGame> game_;
    std::unique_ptr<CMainLoop> loop_;
    uint64_t frame_ = 0;
    std::string skip_;
    std::string failure_;
};

} // namespace flowtest
