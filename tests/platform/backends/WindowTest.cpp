// The window's event pump: SDL events in, the game's messages out.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "WindowManagerModel.h"
#include "platform/os/Window.h"

namespace {

using wmtest::g_wm;
using wmtest::WindowManagerModel;
using os::Message;
using os::MessageKind;

class WindowPump : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        window_.reset(os::Window::Create("pump test", 640, 480, &error));
        if (!window_)
            GTEST_SKIP() << "no video driver (" << error << ")";
        id_ = SDL_GetWindowID(window_->Sdl());
        Drain();
    }
    void Drain() {
        Message m;
        while (window_->PollMessage(&m)) {
        }
    }
    void Key(SDL_Keycode k) {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.windowID = id_;
        e.key.state = SDL_PRESSED;
        e.key.keysym.sym = k;
        SDL_PushEvent(&e);
    }
    void Text(const char* utf8) {
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        e.text.windowID = id_;
        std::strncpy(e.text.text, utf8, sizeof(e.text.text) - 1);
        SDL_PushEvent(&e);
    }
    void WindowEvent(uint8_t what) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = id_;
        e.window.event = what;
        SDL_PushEvent(&e);
    }
    void Button(bool down, uint8_t button, int x, int y) {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = id_;
        e.button.button = button;
        e.button.x = x;
        e.button.y = y;
        SDL_PushEvent(&e);
    }
    std::vector<Message> All() {
        std::vector<Message> out;
        Message m;
        while (window_->PollMessage(&m))
            out.push_back(m);
        return out;
    }
    std::unique_ptr<os::Window> window_;
    uint32_t id_ = 0;
};

TEST_F(WindowPump, KeysBecomeVirtualKeyCodes) {
    const std::pair<SDL_Keycode, uint32_t> keys[] = {
        {SDLK_LEFT, 0x25},   {SDLK_UP, 0x26},    {SDLK_RIGHT, 0x27}, {SDLK_DOWN, 0x28},
        {SDLK_ESCAPE, 0x1B}, {SDLK_F1, 0x70},    {SDLK_F5, 0x74},    {SDLK_F12, 0x7B},
        {SDLK_a, 'A'},       {SDLK_z, 'Z'},      {SDLK_0, '0'},      {SDLK_9, '9'},
        {SDLK_TAB, 0x09},    {SDLK_SPACE, 0x20}, {SDLK_DELETE, 0x2E}};
    for (auto [sdl, vk] : keys)
        Key(sdl);
    Key(SDLK_CAPSLOCK); // not a key the game knows: no message
    std::vector<Message> got = All();
    ASSERT_EQ(got.size(), std::size(keys));
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].kind, MessageKind::KeyDown);
        EXPECT_EQ(got[i].key, keys[i].second) << i;
    }
}

TEST_F(WindowPump, EditingKeysAndTextBecomeCharacters) {
    Key(SDLK_BACKSPACE);
    Key(SDLK_RETURN);
    Text("a\xC3\xA9\xE2\x82\xAC!"); // 'a', e acute, a euro sign (not single-byte), '!'
    std::vector<Message> got = All();
    ASSERT_EQ(got.size(), 7u);
    EXPECT_EQ(got[0].kind, MessageKind::KeyDown);
    EXPECT_EQ(got[0].key, os::Vk::Back);
    EXPECT_EQ(got[1].kind, MessageKind::Char);
    EXPECT_EQ(got[1].ch, 8u);
    EXPECT_EQ(got[2].key, os::Vk::Return);
    EXPECT_EQ(got[3].kind, MessageKind::Char);
    EXPECT_EQ(got[3].ch, 13u);
    EXPECT_EQ(got[4].ch, static_cast<uint32_t>('a'));
    EXPECT_EQ(got[5].ch, 0xE9u);
    EXPECT_EQ(got[6].ch, static_cast<uint32_t>('!'));
}

TEST_F(WindowPump, CloseIsReportedOncePerRequest) {
    WindowEvent(SDL_WINDOWEVENT_CLOSE);
    SDL_Event q{};
    q.type = SDL_QUIT;
    SDL_PushEvent(&q);
    std::vector<Message> got = All();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].kind, MessageKind::Close);
    // A quit on its own (a signal) is a close request too.
    SDL_PushEvent(&q);
    got = All();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].kind, MessageKind::Close);
}

TEST_F(WindowPump, WindowStateMessages) {
    WindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    WindowEvent(SDL_WINDOWEVENT_RESTORED);
    WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    WindowEvent(SDL_WINDOWEVENT_MOVED); // not a message
    std::vector<Message> got = All();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].kind, MessageKind::Minimized);
    EXPECT_EQ(got[1].kind, MessageKind::Restored);
    EXPECT_EQ(got[2].kind, MessageKind::FocusLost);
    EXPECT_EQ(got[3].kind, MessageKind::FocusGained);
}

TEST_F(WindowPump, ButtonsAreMappedToBackBufferPixels) {
    // The back buffer 1024 wide shown 512 wide, 64 pixels in from the left.
    window_->SetCursorMapping(64.0f, 0.0f, 2.0f, 2.0f, 1024, 768);
    Button(true, SDL_BUTTON_LEFT, 64, 10);
    Button(false, SDL_BUTTON_LEFT, 100, 20);
    Button(true, SDL_BUTTON_RIGHT, 575, 383);
    Button(false, SDL_BUTTON_RIGHT, 0, 0);
    Button(true, SDL_BUTTON_MIDDLE, 0, 0); // not a message
    // Presses on the bars beside and below the picture are no clicks on the game.
    Button(true, SDL_BUTTON_LEFT, 63, 10);
    Button(true, SDL_BUTTON_RIGHT, 100, 384);
    std::vector<Message> got = All();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].kind, MessageKind::LButtonDown);
    EXPECT_EQ(got[0].x, 0);
    EXPECT_EQ(got[0].y, 20);
    EXPECT_EQ(got[1].kind, MessageKind::LButtonUp);
    EXPECT_EQ(got[1].x, 72);
    EXPECT_EQ(got[2].kind, MessageKind::RButtonDown);
    EXPECT_EQ(got[2].x, 1022);
    EXPECT_EQ(got[2].y, 766);
    EXPECT_EQ(got[3].kind, MessageKind::RButtonUp);
    EXPECT_EQ(got[3].x, -128);
}

TEST_F(WindowPump, WaitReturnsAQueuedMessageOrTimesOut) {
    Message m;
    EXPECT_FALSE(window_->WaitMessage(&m, 20));
    Key(SDLK_F5);
    ASSERT_TRUE(window_->WaitMessage(&m, 1000));
    EXPECT_EQ(m.key, os::Vk::F5);
}

TEST_F(WindowPump, StyleAndSize) {
    EXPECT_EQ(window_->GetStyle(), os::kStyleWindowed);
    window_->SetStyle(os::kStyleFullScreen);
    EXPECT_EQ(window_->GetStyle(), os::kStyleFullScreen);
    window_->SetStyle(os::kStyleWindowed);
    EXPECT_NE(SDL_GetWindowFlags(window_->Sdl()) & SDL_WINDOW_RESIZABLE, 0u);
    SDL_Rect screen;
    ASSERT_EQ(SDL_GetDisplayUsableBounds(0, &screen), 0);
    // The game's sizes (the headless screen has no frames and no panels), one
    // larger than the screen, and the player's own size, which stands while
    // the game asks for the size it asked for before.
    const struct {
        int askW, askH, playerW, playerH, wantW, wantH;
    } steps[] = {
        {800, 600, 0, 0, 800, 600},   {800, 600, 1366, 700, 1366, 700},
        {1024, 768, 0, 0, 1024, 768}, {screen.w * 2, screen.h * 2, 0, 0, screen.w, screen.h},
        {1024, 768, 0, 0, 1024, 768},
    };
    for (const auto& s : steps) {
        if (s.playerW > 0)
            SDL_SetWindowSize(window_->Sdl(), s.playerW, s.playerH);
        window_->SetClientSize(s.askW, s.askH);
        int w = 0, h = 0;
        window_->GetClientSize(&w, &h);
        EXPECT_EQ(w, s.wantW) << s.askW << "x" << s.askH;
        EXPECT_EQ(h, s.wantH) << s.askW << "x" << s.askH;
    }
    EXPECT_FALSE(window_->IsMinimized());
    // Shrunk by the player, the window stops at its least size.
    SDL_SetWindowSize(window_->Sdl(), 200, 150);
    int w = 0, h = 0;
    window_->GetClientSize(&w, &h);
    EXPECT_TRUE(w == 640 && h == 480) << w << "x" << h;
}

// Full screen and back, the calls in the order a switch of the game's mode
// makes them (the style first, then the mode): the window comes back framed,
// where and as large as the player had it, or maximised when it was.
TEST_F(WindowPump, FullScreenAndBackGivesTheWindowBack) {
    g_wm = WindowManagerModel{};
    g_wm.on = true;
    SDL_Window* sdl = window_->Sdl();
    const auto roundTrip = [&] {
        window_->SetStyle(os::kStyleFullScreen);
        window_->SetFullScreen(true);
        EXPECT_TRUE(window_->IsFullScreen());
        window_->SetStyle(os::kStyleWindowed);
        window_->SetFullScreen(false);
        EXPECT_FALSE(window_->IsFullScreen());
    };
    SDL_SetWindowSize(sdl, 900, 700);
    SDL_SetWindowPosition(sdl, 40, 30);
    SDL_Rect desktop;
    ASSERT_EQ(SDL_GetDisplayBounds(0, &desktop), 0);
    window_->SetStyle(os::kStyleFullScreen);
    window_->SetFullScreen(true);
    int fw = 0, fh = 0;
    window_->GetClientSize(&fw, &fh);
    EXPECT_TRUE(fw == desktop.w && fh == desktop.h) << "full screen: " << fw << "x" << fh;
    window_->SetStyle(os::kStyleWindowed);
    window_->SetFullScreen(false);
    roundTrip();
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(sdl, &x, &y);
    window_->GetClientSize(&w, &h);
    EXPECT_EQ(SDL_GetWindowFlags(sdl) & SDL_WINDOW_BORDERLESS, 0u);
    EXPECT_FALSE(g_wm.maximized);
    EXPECT_TRUE(x == 40 && y == 30 && w == 900 && h == 700)
        << x << "," << y << " " << w << "x" << h;

    SDL_MaximizeWindow(sdl);
    ASSERT_NE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_MAXIMIZED, 0u);
    roundTrip();
    EXPECT_NE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_MAXIMIZED, 0u);
    EXPECT_EQ(SDL_GetWindowFlags(sdl) & SDL_WINDOW_BORDERLESS, 0u);
    g_wm = WindowManagerModel{};
}

// What the desktop knows the window by: its icon as the game gave it, the
// class its desktop entry names (so that the taskbar puts the two together),
// and a minimised window that a second start of the game brings back.
TEST_F(WindowPump, TheDesktopSeesTheIconTheClassAndTheRaise) {
    g_wm = WindowManagerModel{};
    g_wm.on = true;
    // Red and a half-seen blue, as straight RGBA bytes.
    const uint8_t rgba[] = {255, 0, 0, 255, 0, 0, 255, 128};
    ASSERT_TRUE(window_->SetIcon(rgba, 2, 1));
    EXPECT_EQ(g_wm.iconWidth, 2);
    EXPECT_EQ(g_wm.iconHeight, 1);
    EXPECT_EQ(g_wm.icon, (std::vector<uint32_t>{0xFFFF0000u, 0x800000FFu}));

    // The class SDL gives the window (X11 and Wayland alike) is the one the
    // installed desktop entry names.
    std::string entry;
    for (const auto& f : std::filesystem::directory_iterator(
             std::filesystem::path(GV_BINARY_DIR) / "packaging"))
        if (f.path().extension() == ".desktop") {
            std::ifstream in(f.path());
            for (std::string line; std::getline(in, line);)
                if (line.rfind("StartupWMClass=", 0) == 0)
                    entry = line.substr(std::strlen("StartupWMClass="));
        }
    ASSERT_FALSE(entry.empty()) << "the desktop entry's StartupWMClass";
    const char* x11 = SDL_getenv("SDL_VIDEO_X11_WMCLASS");
    const char* wayland = SDL_getenv("SDL_VIDEO_WAYLAND_WMCLASS");
    EXPECT_EQ(std::string(x11 ? x11 : ""), entry);
    EXPECT_EQ(std::string(wayland ? wayland : ""), entry);

    // A minimised window is restored, then raised: a raise alone leaves it
    // in the taskbar.
    window_->Show();
    SDL_MinimizeWindow(window_->Sdl());
    ASSERT_TRUE(window_->IsMinimized());
    const int raisedBefore = g_wm.raised;
    window_->Raise();
    EXPECT_FALSE(window_->IsMinimized());
    EXPECT_EQ(g_wm.raised, raisedBefore + 1) << "in front of the other windows";
    g_wm = WindowManagerModel{};
}

TEST(WindowFit, OpensAtTheSizeAskedOrSmallerWithItsShape) {
    // Asked size, room on the screen -> the client size.
    const int rows[][6] = {
        {1024, 768, 1920, 1032, 1024, 768}, // fits
        {1024, 768, 1024, 768, 1024, 768},  // fits exactly
        {1024, 768, 1350, 692, 922, 692},   // a 1366x768 laptop: the height sets the scale
        {1024, 768, 1000, 900, 1000, 750},  // a narrow screen: the width does
        {1024, 768, 800, 600, 800, 600},    // the same shape
        {800, 600, 2544, 1392, 800, 600},   // a large screen: no larger than asked
        {1024, 768, 1, 1, 1, 1},            // never nothing
        {1024, 768, 0, 0, 1024, 768},       // the screen unknown
        {1024, 768, -10, 500, 1024, 768},
    };
    for (const auto& r : rows) {
        int w = 0, h = 0;
        os::FitClientSize(r[0], r[1], r[2], r[3], &w, &h);
        EXPECT_EQ(w, r[4]) << r[2] << "x" << r[3];
        EXPECT_EQ(h, r[5]) << r[2] << "x" << r[3];
    }
}

} // namespace
