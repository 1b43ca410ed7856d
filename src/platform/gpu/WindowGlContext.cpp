#include "platform/gpu/WindowGlContext.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstring>

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

void ApplySwapInterval(uint32_t interval) {
    // The engine passes the default interval in windowed mode whatever its video
    // sync option says, so a window always waits for the vertical blank; full
    // screen without video sync presents immediately.
    SDL_GL_SetSwapInterval(interval == kPresentIntervalImmediate ? 0 : 1);
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
