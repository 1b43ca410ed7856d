#include "platform/gpu/GlWindow.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/gpu/GlResources.h"
#include "platform/os/Window.h"

namespace gpu {
namespace {

bool g_contextAlive = false; // one GL context (and so one device) at a time

// The context GlRendererName made, kept for the device that follows.
struct ParkedContext {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
};
ParkedContext g_parked;

bool BackBufferFormatOk(uint32_t f) {
    return f == Fmt::A8R8G8B8 || f == Fmt::X8R8G8B8 || f == Fmt::R5G6B5 || f == Fmt::X1R5G5B5 ||
           f == Fmt::A1R5G5B5;
}

} // namespace

SDL_GLContext CreateWindowContext(os::Window* window) {
    if (g_contextAlive)
        return nullptr;
    SDL_GLContext ctx = nullptr;
    if (g_parked.context && g_parked.window == window->Sdl()) {
        ctx = g_parked.context;
        g_parked = {};
    } else {
        DropParkedContext();
        ctx = SDL_GL_CreateContext(window->Sdl());
    }
    if (!ctx) {
        std::fprintf(stderr, "Cannot create an OpenGL 3.3 context: %s\n", SDL_GetError());
        return nullptr;
    }
    if (SDL_GL_MakeCurrent(window->Sdl(), ctx) != 0 || epoxy_gl_version() < 33) {
        SDL_GL_DeleteContext(ctx);
        return nullptr;
    }
    g_contextAlive = true;
    return ctx;
}

void DestroyWindowContext(os::Window* window, SDL_GLContext context) {
    if (!context)
        return;
    SDL_GL_MakeCurrent(window->Sdl(), nullptr);
    SDL_GL_DeleteContext(context);
    g_contextAlive = false;
}

std::string GlRendererName(os::Window* window) {
    SDL_GLContext ctx = CreateWindowContext(window);
    if (!ctx)
        return std::string();
    const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    std::string out = name ? name : "";
    // A context costs tens of milliseconds on a software GL: the device made
    // next on this window takes this one over.
    SDL_GL_MakeCurrent(window->Sdl(), nullptr);
    g_contextAlive = false;
    g_parked = {window->Sdl(), ctx};
    return out;
}

void DropParkedContext() {
    if (g_parked.context)
        SDL_GL_DeleteContext(g_parked.context);
    g_parked = {};
}

bool WindowContextInUse() {
    return g_contextAlive;
}

bool CompletePresentParams(os::Window* window, PresentParams* p) {
    if (p->windowed && (p->backBufferWidth == 0 || p->backBufferHeight == 0)) {
        int w = 0, h = 0;
        window->GetClientSize(&w, &h);
        p->backBufferWidth = static_cast<uint32_t>(w);
        p->backBufferHeight = static_cast<uint32_t>(h);
    }
    return p->backBufferWidth != 0 && p->backBufferHeight != 0 && p->backBufferWidth <= 16384 &&
           p->backBufferHeight <= 16384 && BackBufferFormatOk(p->backBufferFormat);
}

void ApplyWindowMode(os::Window* window, const PresentParams& pp) {
    if (pp.windowed) {
        window->SetFullScreen(false);
        window->SetClientSize(static_cast<int>(pp.backBufferWidth),
                              static_cast<int>(pp.backBufferHeight));
    } else {
        // No real mode switch: the desktop stays as it is and the back buffer is
        // scaled into it.
        window->SetFullScreen(true);
    }
}

void ApplySwapInterval(uint32_t interval) {
    // The engine passes the default interval in windowed mode whatever its video
    // sync option says, so a window always waits for the vertical blank; full
    // screen without video sync presents immediately.
    SDL_GL_SetSwapInterval(interval == kPresentIntervalImmediate ? 0 : 1);
}

void FitPicture(int32_t width, int32_t height, uint32_t bbWidth, uint32_t bbHeight,
                int32_t out[4]) {
    // Keep the back buffer's aspect: bars where the window's shape differs.
    double s =
        std::min(static_cast<double>(width) / bbWidth, static_cast<double>(height) / bbHeight);
    auto w = static_cast<int32_t>(std::min<double>(width, std::floor(bbWidth * s + 0.5)));
    auto h = static_cast<int32_t>(std::min<double>(height, std::floor(bbHeight * s + 0.5)));
    out[0] = (width - w) / 2;
    out[1] = (height - h) / 2;
    out[2] = w;
    out[3] = h;
}

void MapCursorToPicture(os::Window* window, const int32_t shown[4], uint32_t bbWidth,
                        uint32_t bbHeight) {
    int dw = 0, dh = 0, cw = 0, ch = 0;
    window->GetDrawableSize(&dw, &dh);
    window->GetClientSize(&cw, &ch);
    if (dw <= 0 || dh <= 0)
        return;
    float toClientX = cw > 0 ? static_cast<float>(cw) / static_cast<float>(dw) : 1.0f;
    float toClientY = ch > 0 ? static_cast<float>(ch) / static_cast<float>(dh) : 1.0f;
    window->SetCursorMapping(
        static_cast<float>(shown[0]) * toClientX,
        static_cast<float>(dh - shown[1] - shown[3]) * toClientY,
        static_cast<float>(bbWidth) / (static_cast<float>(shown[2]) * toClientX),
        static_cast<float>(bbHeight) / (static_cast<float>(shown[3]) * toClientY));
}

Result SetSurfaceCursor(os::Window* window, uint32_t hotX, uint32_t hotY, Surface* image) {
    auto* s = dynamic_cast<GlSurface*>(image);
    if (!s || s->Format() != Fmt::A8R8G8B8 || hotX >= s->Width() || hotY >= s->Height())
        return kErrInvalidCall;
    // The pixel words are 0xAARRGGBB, which is SDL's packed ARGB8888.
    window->SetCursorPicture(reinterpret_cast<const uint32_t*>(s->Bits()),
                             static_cast<int>(s->Width()), static_cast<int>(s->Height()),
                             static_cast<int>(s->Pitch()), static_cast<int>(hotX),
                             static_cast<int>(hotY));
    return kOk;
}

int32_t ShowSurfaceCursor(os::Window* window, int32_t show) {
    const int32_t was = window->ShowsCursorPicture() ? 1 : 0;
    window->ShowCursorPicture(show != 0);
    return was;
}

uint32_t CompileShader(uint32_t type, const char* src) {
    GLuint s = glCreateShader(type);
    glShaderSource(s, 1, &src, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(s, sizeof(log) - 1, nullptr, log);
        std::fprintf(stderr, "GL shader compile failed: %s\n", log);
        glDeleteShader(s);
        return 0;
    }
    return s;
}

uint32_t LinkProgram(uint32_t vs, uint32_t fs) {
    GLuint p = glCreateProgram();
    glAttachShader(p, vs);
    glAttachShader(p, fs);
    glLinkProgram(p);
    glDetachShader(p, vs);
    glDetachShader(p, fs);
    GLint ok = 0;
    glGetProgramiv(p, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetProgramInfoLog(p, sizeof(log) - 1, nullptr, log);
        std::fprintf(stderr, "GL program link failed: %s\n", log);
        glDeleteProgram(p);
        return 0;
    }
    return p;
}

void ReadFramebuffer(uint32_t w, uint32_t h, std::vector<uint32_t>& argb) {
    argb.assign(static_cast<size_t>(w) * h, 0);
    std::vector<uint32_t> rows(argb.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h), GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
    // GL stores the bottom row first.
    for (uint32_t y = 0; y < h; ++y)
        std::memcpy(&argb[static_cast<size_t>(y) * w], &rows[static_cast<size_t>(h - 1 - y) * w],
                    w * sizeof(uint32_t));
}

} // namespace gpu
