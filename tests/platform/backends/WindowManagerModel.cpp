#include "WindowManagerModel.h"

namespace wmtest {

WindowManagerModel g_wm;

} // namespace wmtest

using wmtest::g_wm;

extern "C" {
Uint32 __real_SDL_GetWindowFlags(SDL_Window* w);
void __real_SDL_SetWindowBordered(SDL_Window* w, SDL_bool bordered);
void __real_SDL_MaximizeWindow(SDL_Window* w);
void __real_SDL_MinimizeWindow(SDL_Window* w);
void __real_SDL_RestoreWindow(SDL_Window* w);
void __real_SDL_RaiseWindow(SDL_Window* w);
int __real_SDL_SetWindowFullscreen(SDL_Window* w, Uint32 flags);
void __real_SDL_GL_GetDrawableSize(SDL_Window* w, int* width, int* height);
SDL_Surface* __real_SDL_GetWindowSurface(SDL_Window* w);
void __real_SDL_SetWindowIcon(SDL_Window* w, SDL_Surface* icon);
void __real_SDL_GetWindowSize(SDL_Window* w, int* width, int* height);

Uint32 __wrap_SDL_GetWindowFlags(SDL_Window* w) {
    Uint32 flags = __real_SDL_GetWindowFlags(w);
    if (!g_wm.on)
        return flags;
    flags &= ~static_cast<Uint32>(SDL_WINDOW_BORDERLESS | SDL_WINDOW_MAXIMIZED |
                                  SDL_WINDOW_MINIMIZED);
    const auto flag = [](bool on, SDL_WindowFlags f) { return on ? static_cast<Uint32>(f) : 0u; };
    return flags | flag(g_wm.frameless, SDL_WINDOW_BORDERLESS) |
           flag(g_wm.maximized, SDL_WINDOW_MAXIMIZED) | flag(g_wm.minimized, SDL_WINDOW_MINIMIZED);
}
void __wrap_SDL_SetWindowBordered(SDL_Window* w, SDL_bool bordered) {
    if (!(wmtest::DriverFlags(w) & SDL_WINDOW_FULLSCREEN))
        g_wm.frameless = bordered == SDL_FALSE;
    __real_SDL_SetWindowBordered(w, bordered);
}
void __wrap_SDL_MaximizeWindow(SDL_Window* w) {
    if (!(wmtest::DriverFlags(w) & SDL_WINDOW_FULLSCREEN))
        g_wm.maximized = true;
    __real_SDL_MaximizeWindow(w);
}
void __wrap_SDL_MinimizeWindow(SDL_Window* w) {
    g_wm.minimized = true;
    __real_SDL_MinimizeWindow(w);
}
void __wrap_SDL_RestoreWindow(SDL_Window* w) {
    g_wm.minimized = false;
    __real_SDL_RestoreWindow(w);
}
void __wrap_SDL_RaiseWindow(SDL_Window* w) {
    if (!g_wm.on || !g_wm.minimized)
        ++g_wm.raised;
    __real_SDL_RaiseWindow(w);
}
int __wrap_SDL_SetWindowFullscreen(SDL_Window* w, Uint32 flags) {
    if (!g_wm.on)
        return __real_SDL_SetWindowFullscreen(w, flags);
    if (flags != 0)
        g_wm.maximized = false;
    const int r = __real_SDL_SetWindowFullscreen(w, flags);
    SDL_Rect desktop;
    // Out of full screen the window keeps the desktop's size until the
    // program says otherwise.
    if (r == 0 && flags == 0 && SDL_GetDisplayBounds(0, &desktop) == 0)
        SDL_SetWindowSize(w, desktop.w, desktop.h);
    return r;
}
// In full screen the window is the desktop's size.
void __wrap_SDL_GetWindowSize(SDL_Window* w, int* width, int* height) {
    SDL_Rect desktop;
    if (g_wm.on && (__real_SDL_GetWindowFlags(w) & SDL_WINDOW_FULLSCREEN) &&
        SDL_GetDisplayBounds(0, &desktop) == 0) {
        if (width)
            *width = desktop.w;
        if (height)
            *height = desktop.h;
        return;
    }
    __real_SDL_GetWindowSize(w, width, height);
}
void __wrap_SDL_GL_GetDrawableSize(SDL_Window* w, int* width, int* height) {
    __real_SDL_GL_GetDrawableSize(w, width, height);
    if (g_wm.on && g_wm.minimized) {
        if (width)
            *width = 0;
        if (height)
            *height = 0;
    }
}
SDL_Surface* __wrap_SDL_GetWindowSurface(SDL_Window* w) {
    if (g_wm.on && g_wm.minimized) {
        SDL_SetError("the window is minimised");
        return nullptr;
    }
    return __real_SDL_GetWindowSurface(w);
}
void __wrap_SDL_SetWindowIcon(SDL_Window* w, SDL_Surface* icon) {
    g_wm.icon.clear();
    g_wm.iconWidth = g_wm.iconHeight = 0;
    if (icon && SDL_LockSurface(icon) == 0) {
        g_wm.iconWidth = icon->w;
        g_wm.iconHeight = icon->h;
        for (int y = 0; y < icon->h; ++y)
            for (int x = 0; x < icon->w; ++x) {
                const auto* row = static_cast<const uint8_t*>(icon->pixels) + y * icon->pitch;
                Uint32 pixel = 0;
                SDL_memcpy(&pixel, row + x * icon->format->BytesPerPixel,
                           icon->format->BytesPerPixel);
                Uint8 r = 0, g = 0, b = 0, a = 0;
                SDL_GetRGBA(pixel, icon->format, &r, &g, &b, &a);
                g_wm.icon.push_back(static_cast<uint32_t>(a) << 24 | r << 16 | g << 8 | b);
            }
        SDL_UnlockSurface(icon);
    }
    __real_SDL_SetWindowIcon(w, icon);
}
}

namespace wmtest {

Uint32 DriverFlags(SDL_Window* w) {
    return __real_SDL_GetWindowFlags(w);
}

} // namespace wmtest
