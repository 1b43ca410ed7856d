#pragma once
// A window manager as the headless drivers lack one: this executable is
// linked with the SDL calls of WindowManagerModel.cpp wrapped (see
// tests/CMakeLists.txt), and while the model is on they answer as a desktop
// would for the calls the game makes, in the order it makes them:
// - the frame and the maximised state: a frame asked for while the window is
//   full screen is ignored, and a full-screen window shows as not maximised;
// - full screen covers the desktop, and leaving it keeps the desktop's size
//   (the headless driver gives the old size back by itself; a desktop leaves
//   that to the program);
// - a minimised window has no area (no drawable, no surface) and is not
//   raised by a raise alone: it must be restored first;
// - the icon the window was given, as the desktop would read it.
#include <SDL.h>

#include <cstdint>
#include <vector>

namespace wmtest {

struct WindowManagerModel {
    bool on = false;
    bool frameless = false;
    bool maximized = false;
    bool minimized = false;
    int raised = 0; // raises that brought the window to the front
    // The last icon as 0xAARRGGBB words, top row first.
    int iconWidth = 0, iconHeight = 0;
    std::vector<uint32_t> icon;
};

// The one window manager of the tests; WindowManagerModel{} is off.
extern WindowManagerModel g_wm;

// The window's flags as the headless driver keeps them, without the model.
Uint32 DriverFlags(SDL_Window* w);

} // namespace wmtest
