#include "platform/gpu/WindowGlContext.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstring>

#include "platform/os/Window.h"

namespace gpu {
namespace {

bool g_contextAlive = false; // one GL context (and so one device) at a time

// The context RendererName made, kept for the device that follows.
struct ParkedContext {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
};
ParkedContext g_parked;

} // namespace

std::unique_ptr<WindowGlContext> WindowGlContext::Create(os::Window* window) {
    if (g_contextAlive)
        return nullptr;
    SDL_GLContext ctx = nullptr;
    if (g_parked.context && g_parked.window == window->Sdl()) {
        ctx = g_parked.context;
        g_parked = {};
    } else {
        DropParked();
        ctx = SDL_GL_CreateContext(window->Sdl());
    }
    if (!ctx) {
        std::fprintf(stderr, "Cannot create an OpenGL 3.3 context: %s\n", SDL_GetError());
        return nullptr;
    }
    Forget();
    if (SDL_GL_MakeCurrent(window->Sdl(), ctx) != 0 || epoxy_gl_version() < 33) {
        SDL_GL_DeleteContext(ctx);
        return nullptr;
    }
    g_contextAlive = true;
    os::Window::SetGoneHook(&WindowGlContext::Forget);
    std::unique_ptr<WindowGlContext> made(new WindowGlContext(window->Sdl(), ctx));
    current_ = made.get();
    return made;
}

WindowGlContext::~WindowGlContext() {
    g_contextAlive = false;
    if (current_ == this)
        current_ = nullptr;
    if (!context_)
        return; // parked for the next device
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(context_);
}

void WindowGlContext::MakeCurrent() {
    if (SDL_GL_GetCurrentContext() != context_)
        SDL_GL_MakeCurrent(window_, context_);
    current_ = this;
}

std::string WindowGlContext::RendererName(os::Window* window) {
    std::unique_ptr<WindowGlContext> made = Create(window);
    if (!made)
        return std::string();
    const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    std::string out = name ? name : "";
    // A context costs tens of milliseconds on a software GL: the device made
    // next on this window takes this one over.
    SDL_GL_MakeCurrent(window->Sdl(), nullptr);
    Forget();
    g_parked = {window->Sdl(), made->context_};
    made->context_ = nullptr;
    return out;
}

void WindowGlContext::DropParked() {
    if (g_parked.context)
        SDL_GL_DeleteContext(g_parked.context);
    g_parked = {};
}

bool WindowGlContext::InUse() {
    return g_contextAlive;
}

void WindowGlContext::ApplySwapInterval(uint32_t interval) {
    // The engine passes the default interval in windowed mode whatever its video
    // sync option says, so a window always waits for the vertical blank; full
    // screen without video sync presents immediately.
    SDL_GL_SetSwapInterval(interval == kPresentIntervalImmediate ? 0 : 1);
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
