#include "platform/os/MessageBox.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace os {
namespace {

bool EnvSet(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && v[0] != '\0';
}

// SDL falls back to an X11 dialog even when the offscreen driver is active, so
// a headless run with DISPLAY set would block on an invisible dialog. Decide
// up front whether a dialog can be seen at all.
bool DisplayAvailable() {
    const char* driver =
        SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : std::getenv("SDL_VIDEODRIVER");
    if (driver != nullptr &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0))
        return false;
    return EnvSet("DISPLAY") || EnvSet("WAYLAND_DISPLAY");
}

} // namespace

bool ShowMessageBox(const std::string& title, const std::string& text) {
    if (DisplayAvailable() && SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, title.c_str(),
                                                       text.c_str(), nullptr) == 0)
        return true;
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
    return false;
}

} // namespace os
