#include "platform/os/Window.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace os {
namespace {

constexpr uint32_t kStylePopup = 0x80000000u;
constexpr uint32_t kStyleCaption = 0x00C00000u;
// Room left for a window manager's title bar and borders while the window's
// own frame is not known yet (before it is first shown).
constexpr int kFrameAllowanceWidth = 16;
constexpr int kFrameAllowanceHeight = 48;
// The least client size the player can shrink the window to.
constexpr int kLeastWidth = 640;
constexpr int kLeastHeight = 480;

// What the screen leaves for a window's client area on `display`: its usable
// area (without panels and docks) less the window's frame. 0 when unknown.
void ScreenArea(SDL_Window* window, int display, bool frameless, int* width, int* height) {
    *width = *height = 0;
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(display, &usable) != 0)
        return;
    int frameW = 0, frameH = 0;
    int top = 0, left = 0, bottom = 0, right = 0;
    const bool bordered = !window || (SDL_GetWindowFlags(window) & SDL_WINDOW_BORDERLESS) == 0;
    if (window && SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) == 0 &&
        top + left + bottom + right > 0) {
        frameW = left + right;
        frameH = top + bottom;
    } else if (!frameless && bordered) {
        frameW = kFrameAllowanceWidth;
        frameH = kFrameAllowanceHeight;
    }
    *width = usable.w - frameW;
    *height = usable.h - frameH;
}

// SDL key -> the original virtual-key code; 0 for keys the game never tests.
uint32_t VirtualKey(SDL_Keycode k) {
    if (k >= SDLK_a && k <= SDLK_z)
        return 0x41 + static_cast<uint32_t>(k - SDLK_a);
    if (k >= SDLK_0 && k <= SDLK_9)
        return 0x30 + static_cast<uint32_t>(k - SDLK_0);
    if (k >= SDLK_F1 && k <= SDLK_F12)
        return Vk::F1 + static_cast<uint32_t>(k - SDLK_F1);
    switch (k) {
    case SDLK_BACKSPACE:
        return Vk::Back;
    case SDLK_TAB:
        return Vk::Tab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return Vk::Return;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return Vk::Shift;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return Vk::Control;
    case SDLK_LALT:
    case SDLK_RALT:
        return Vk::Menu;
    case SDLK_PAUSE:
        return Vk::Pause;
    case SDLK_ESCAPE:
        return Vk::Escape;
    case SDLK_SPACE:
        return Vk::Space;
    case SDLK_PAGEUP:
        return Vk::Prior;
    case SDLK_PAGEDOWN:
        return Vk::Next;
    case SDLK_END:
        return Vk::End;
    case SDLK_HOME:
        return Vk::Home;
    case SDLK_LEFT:
        return Vk::Left;
    case SDLK_UP:
        return Vk::Up;
    case SDLK_RIGHT:
        return Vk::Right;
    case SDLK_DOWN:
        return Vk::Down;
    case SDLK_INSERT:
        return Vk::Insert;
    case SDLK_DELETE:
        return Vk::Delete;
    default:
        return 0;
    }
}

// Decodes UTF-8 text input into code points; malformed bytes are skipped.
template <typename Fn> void ForEachCodePoint(const char* text, Fn fn) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        uint32_t c = *p;
        int extra = c < 0x80             ? 0
                    : (c & 0xE0) == 0xC0 ? 1
                    : (c & 0xF0) == 0xE0 ? 2
                    : (c & 0xF8) == 0xF0 ? 3
                                         : -1;
        if (extra < 0) {
            ++p;
            continue;
        }
        if (extra > 0)
            c &= 0x3F >> extra;
        ++p;
        bool ok = true;
        for (int i = 0; i < extra; ++i, ++p) {
            if ((*p & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (*p & 0x3F);
        }
        if (ok)
            fn(c);
    }
}

} // namespace

void FitClientSize(int width, int height, int areaWidth, int areaHeight, int* outWidth,
                   int* outHeight) {
    *outWidth = width;
    *outHeight = height;
    if (width <= 0 || height <= 0 || areaWidth <= 0 || areaHeight <= 0 ||
        (width <= areaWidth && height <= areaHeight))
        return;
    // The side with less room sets the scale; rounding down keeps both inside.
    const auto w = static_cast<int64_t>(width), h = static_cast<int64_t>(height);
    if (static_cast<int64_t>(areaWidth) * h <= static_cast<int64_t>(areaHeight) * w) {
        *outWidth = areaWidth;
        *outHeight = std::max(1, static_cast<int>(areaWidth * h / w));
    } else {
        *outHeight = areaHeight;
        *outWidth = std::max(1, static_cast<int>(areaHeight * w / h));
    }
}

Window* Window::Create(const std::string& title, int clientWidth, int clientHeight,
                       std::string* error) {
    // Read as the video system starts; a player's own choice stands.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", kWindowClass, 0);
    SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", kWindowClass, 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (error)
            *error = std::string("no video driver available: ") + SDL_GetError();
        return nullptr;
    }
    // With no display SDL falls back to a driver that shows nothing; a player would
    // get an invisible game. Tests and tools ask for those drivers by name.
    // They draw no frame either.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* requested = SDL_getenv("SDL_VIDEODRIVER");
    const bool frameless =
        driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (frameless && !(requested && std::strstr(requested, driver))) {
        if (error)
            *error = "no display found (DISPLAY / WAYLAND_DISPLAY not set?)";
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    // Load the GL driver once more than SDL does, so it stays loaded for the
    // process: SDL would unload it with every window, and a new window would pay
    // for the reload while leak checkers lose sight of the driver's allocations.
    SDL_GL_LoadLibrary(nullptr);
    // The context attributes only take effect for windows created after them.
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    // The GPU back end draws straight into the window when it can (no gamma,
    // same size), which needs the same depth buffer as its offscreen one.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);

    const int askedW = clientWidth > 0 ? clientWidth : 640;
    const int askedH = clientHeight > 0 ? clientHeight : 480;
    // Made at its fitted size rather than resized after: the headless
    // driver's surface keeps the size it is made with.
    int areaW = 0, areaH = 0, w = askedW, h = askedH;
    ScreenArea(nullptr, 0, frameless, &areaW, &areaH);
    FitClientSize(askedW, askedH, areaW, areaH, &w, &h);
    // Where the display offers no GL (an X server without GLX) the window is
    // made without it, and our rasteriser shows its frames through the
    // window's surface; GLORVANE_PRESENT=surface asks for that anywhere.
    const char* present = SDL_getenv("GLORVANE_PRESENT");
    const bool surfaceOnly = present && std::strcmp(present, "surface") == 0;
    SDL_Window* sdl = nullptr;
    if (!surfaceOnly)
        sdl = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    const bool gl = sdl != nullptr;
    if (!sdl)
        sdl = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                               SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (!sdl) {
        if (error)
            *error = std::string("cannot create the window: ") + SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    // Smaller than the game's least screen its text no longer reads and its
    // gems cannot be aimed at; a screen smaller still gets the same shape.
    int leastW = 0, leastH = 0;
    FitClientSize(kLeastWidth, kLeastHeight, areaW, areaH, &leastW, &leastH);
    SDL_SetWindowMinimumSize(sdl, leastW, leastH);
    auto* win = new Window();
    win->window_ = sdl;
    win->gl_ = gl;
    // The offscreen driver's surface keeps the size it was made with.
    win->fixedSurface_ = driver && std::strcmp(driver, "offscreen") == 0;
    win->frameless_ = frameless;
    win->surfaceWidth_ = w;
    win->surfaceHeight_ = h;
    win->askedWidth_ = askedW;
    win->askedHeight_ = askedH;
    win->windowId_ = SDL_GetWindowID(sdl);
    win->systemCursor_ = SDL_GetDefaultCursor();
    SDL_StartTextInput();
    return win;
}

namespace {
void (*g_goneHook)() = nullptr;
} // namespace

void Window::SetGoneHook(void (*hook)()) {
    g_goneHook = hook;
}

Window::~Window() {
    if (picture_) {
        if (systemCursor_)
            SDL_SetCursor(systemCursor_);
        SDL_FreeCursor(picture_);
    }
    if (window_)
        SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (g_goneHook)
        g_goneHook();
}

void Window::SetStyle(uint32_t style) {
    style_ = style;
    // A full-screen window has no frame whatever its style, and the system
    // ignores a frame asked for while it is full screen: the frame follows
    // when it leaves. Full screen takes the frame away itself.
    if (!IsFullScreen() && (style & kStylePopup) == 0)
        ApplyFrame();
}

void Window::ApplyFrame() {
    const bool framed = (style_ & kStylePopup) == 0 && (style_ & kStyleCaption) == kStyleCaption;
    SDL_SetWindowBordered(window_, framed ? SDL_TRUE : SDL_FALSE);
}

void Window::SetFullScreen(bool on) {
    if (on == IsFullScreen())
        return;
    if (on) {
        // Remembered so that leaving full screen gives back the window the
        // player had: maximised, or its place and size.
        restoreMaximized_ = (SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED) != 0;
        SDL_GetWindowPosition(window_, &restoreX_, &restoreY_);
        SDL_GetWindowSize(window_, &restoreWidth_, &restoreHeight_);
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
        return;
    }
    SDL_SetWindowFullscreen(window_, 0);
    ApplyFrame();
    if (restoreMaximized_) {
        SDL_MaximizeWindow(window_);
    } else if (restoreWidth_ > 0 && restoreHeight_ > 0) {
        SDL_SetWindowSize(window_, restoreWidth_, restoreHeight_);
        SDL_SetWindowPosition(window_, restoreX_, restoreY_);
    }
}

bool Window::IsFullScreen() const {
    return (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
}

void Window::SetClientSize(int w, int h) {
    if (w <= 0 || h <= 0 || (w == askedWidth_ && h == askedHeight_))
        return;
    askedWidth_ = w;
    askedHeight_ = h;
    const int display = SDL_GetWindowDisplayIndex(window_);
    int areaW = 0, areaH = 0;
    ScreenArea(window_, display < 0 ? 0 : display, frameless_, &areaW, &areaH);
    FitClientSize(w, h, areaW, areaH, &w, &h);
    int cw = 0, ch = 0;
    SDL_GetWindowSize(window_, &cw, &ch);
    if (cw == w && ch == h)
        return;
    SDL_SetWindowSize(window_, w, h);
    // Grown or shrunk about its old top-left corner the window could hang off
    // the desktop: keep it centred at its new size.
    if (!IsFullScreen())
        SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

bool Window::SurfaceMatchesClientSize() const {
    if (!fixedSurface_)
        return true;
    int cw = 0, ch = 0;
    SDL_GetWindowSize(window_, &cw, &ch);
    return cw == surfaceWidth_ && ch == surfaceHeight_;
}

void Window::GetClientSize(int* w, int* h) const {
    SDL_GetWindowSize(window_, w, h);
}

void Window::GetDrawableSize(int* w, int* h) const {
    SDL_GL_GetDrawableSize(window_, w, h);
}

void Window::SetPosition(int x, int y) {
    SDL_SetWindowPosition(window_, x, y);
}

void Window::Show() {
    SDL_ShowWindow(window_);
}

void Window::Raise() {
    if (IsMinimized())
        SDL_RestoreWindow(window_);
    SDL_RaiseWindow(window_);
}

void Window::SetTitle(const std::string& title) {
    SDL_SetWindowTitle(window_, title.c_str());
}

bool Window::SetIcon(const uint8_t* rgba, int width, int height) {
    if (!rgba || width <= 0 || height <= 0)
        return false;
    SDL_Surface* surf = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(rgba), width,
                                                           height, 32, width * 4,
                                                           SDL_PIXELFORMAT_RGBA32);
    if (!surf)
        return false;
    SDL_SetWindowIcon(window_, surf);
    SDL_FreeSurface(surf);
    hasIcon_ = true;
    return true;
}

int Window::RefreshRate() const {
    SDL_DisplayMode mode;
    const int display = SDL_GetWindowDisplayIndex(window_);
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0)
        return 0;
    return mode.refresh_rate;
}

bool Window::IsMinimized() const {
    return (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) != 0;
}

void Window::Map(int cx, int cy, int* x, int* y) const {
    *x = static_cast<int>(std::floor((static_cast<float>(cx) - mapOffsetX_) * mapScaleX_));
    *y = static_cast<int>(std::floor((static_cast<float>(cy) - mapOffsetY_) * mapScaleY_));
}

void Window::SetCursorMapping(float offsetX, float offsetY, float scaleX, float scaleY,
                              int pictureWidth, int pictureHeight) {
    mapOffsetX_ = offsetX;
    mapOffsetY_ = offsetY;
    mapScaleX_ = scaleX;
    mapScaleY_ = scaleY;
    pictureWidth_ = pictureWidth;
    pictureHeight_ = pictureHeight;
}

void Window::BackBufferToClient(float x, float y, float* cx, float* cy) const {
    *cx = mapScaleX_ != 0.0f ? x / mapScaleX_ + mapOffsetX_ : mapOffsetX_;
    *cy = mapScaleY_ != 0.0f ? y / mapScaleY_ + mapOffsetY_ : mapOffsetY_;
}

void Window::SetCursorPicture(const uint32_t* argb, int width, int height, int pitchBytes, int hotX,
                              int hotY) {
    if (!argb || width <= 0 || height <= 0)
        return;
    hasPicture_ = true;
    SDL_Cursor* made = nullptr;
    if (SDL_Surface* surf = SDL_CreateRGBSurfaceWithFormatFrom(
            const_cast<uint32_t*>(argb), width, height, 32, pitchBytes, SDL_PIXELFORMAT_ARGB8888)) {
        made = SDL_CreateColorCursor(surf, hotX, hotY);
        SDL_FreeSurface(surf);
    }
    SDL_Cursor* old = picture_;
    picture_ = made;
    ApplyCursor();
    if (old)
        SDL_FreeCursor(old);
}

void Window::ShowCursorPicture(bool on) {
    pictureOn_ = on;
    ApplyCursor();
}

void Window::ApplyCursor() {
    if (ShowsCursorPicture() && picture_)
        SDL_SetCursor(picture_);
    else if (systemCursor_)
        SDL_SetCursor(systemCursor_);
}

void Window::GetCursorPos(int* x, int* y) const {
    int cx = cursorX_, cy = cursorY_;
    if (!cursorSeen_)
        SDL_GetMouseState(&cx, &cy);
    Map(cx, cy, x, y);
}

void Window::Translate(const void* sdlEvent) {
    const SDL_Event& e = *static_cast<const SDL_Event*>(sdlEvent);
    Message m;
    switch (e.type) {
    case SDL_MOUSEMOTION:
        if (e.motion.windowID == windowId_) {
            cursorX_ = e.motion.x;
            cursorY_ = e.motion.y;
            cursorSeen_ = true;
        }
        return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        if (e.button.windowID != windowId_)
            return;
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        if (e.button.button == SDL_BUTTON_LEFT)
            m.kind = down ? MessageKind::LButtonDown : MessageKind::LButtonUp;
        else if (e.button.button == SDL_BUTTON_RIGHT)
            m.kind = down ? MessageKind::RButtonDown : MessageKind::RButtonUp;
        else
            return;
        cursorX_ = e.button.x;
        cursorY_ = e.button.y;
        cursorSeen_ = true;
        Map(e.button.x, e.button.y, &m.x, &m.y);
        const bool onBars = pictureWidth_ > 0 && pictureHeight_ > 0 &&
                            (m.x < 0 || m.y < 0 || m.x >= pictureWidth_ || m.y >= pictureHeight_);
        if (down && onBars)
            return;
        pending_.push_back(m);
        return;
    }
    case SDL_KEYDOWN: {
        if (e.key.windowID != windowId_ && e.key.windowID != 0)
            return;
        uint32_t vk = VirtualKey(e.key.keysym.sym);
        if (vk == 0)
            return;
        m.kind = MessageKind::KeyDown;
        m.key = vk;
        GetCursorPos(&m.x, &m.y);
        pending_.push_back(m);
        // Text input carries printable characters only; the editing keys the
        // game's text fields handle arrive as characters too, as they always did.
        if (vk == Vk::Back || vk == Vk::Return) {
            Message c = m;
            c.kind = MessageKind::Char;
            c.key = 0;
            c.ch = vk;
            pending_.push_back(c);
        }
        return;
    }
    case SDL_TEXTINPUT:
        ForEachCodePoint(e.text.text, [&](uint32_t cp) {
            if (cp > 0xFF)
                return; // the game's fonts are single-byte
            Message c;
            c.kind = MessageKind::Char;
            c.ch = cp;
            GetCursorPos(&c.x, &c.y);
            pending_.push_back(c);
        });
        return;
    case SDL_QUIT:
        // SDL follows the close of its last window with a quit event: that pair
        // is one request. A quit on its own (a signal) is a request too.
        if (quitFollowsClose_) {
            quitFollowsClose_ = false;
            return;
        }
        m.kind = MessageKind::Close;
        pending_.push_back(m);
        return;
    case SDL_WINDOWEVENT:
        if (e.window.windowID != windowId_)
            return;
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            quitFollowsClose_ = true;
            m.kind = MessageKind::Close;
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            m.kind = MessageKind::Minimized;
            break;
        case SDL_WINDOWEVENT_RESTORED:
            exposed_ = true;
            m.kind = MessageKind::Restored;
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            m.kind = MessageKind::FocusGained;
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            m.kind = MessageKind::FocusLost;
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            exposed_ = true;
            m.kind = MessageKind::Resized;
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SHOWN:
            exposed_ = true;
            return;
        default:
            return;
        }
        pending_.push_back(m);
        return;
    default:
        return;
    }
}

bool Window::PollMessage(Message* out) {
    SDL_Event e;
    while (pending_.empty() && SDL_PollEvent(&e))
        Translate(&e);
    if (pending_.empty())
        return false;
    *out = pending_.front();
    pending_.pop_front();
    return true;
}

bool Window::WaitMessage(Message* out, int timeoutMs) {
    if (PollMessage(out))
        return true;
    uint64_t deadline = SDL_GetTicks64() + static_cast<uint64_t>(timeoutMs > 0 ? timeoutMs : 0);
    for (;;) {
        uint64_t now = SDL_GetTicks64();
        if (now >= deadline)
            return false;
        SDL_Event e;
        if (!SDL_WaitEventTimeout(&e, static_cast<int>(deadline - now)))
            return PollMessage(out);
        Translate(&e);
        if (PollMessage(out))
            return true;
    }
}

} // namespace os
