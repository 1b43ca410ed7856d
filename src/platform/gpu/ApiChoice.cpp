#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/gpu/GlApi.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/Inspection.h"

namespace gpu {
namespace {

// The renderer string of the GL this process gets, from a hidden window of
// its own; empty when there is no GL 3.3 to ask.
std::string GlRenderer() {
    SDL_Window* w = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!w)
        return {};
    std::string name;
    if (SDL_GLContext ctx = SDL_GL_CreateContext(w)) {
        if (SDL_GL_MakeCurrent(w, ctx) == 0 && epoxy_gl_version() >= 33)
            if (const auto* s = reinterpret_cast<const char*>(glGetString(GL_RENDERER)))
                name = s;
        SDL_GL_MakeCurrent(w, nullptr);
        SDL_GL_DeleteContext(ctx);
    }
    SDL_DestroyWindow(w);
    return name;
}

} // namespace

bool IsSoftwareGl(const std::string& renderer) {
    for (const char* word : {"llvmpipe", "softpipe", "swrast"})
        if (renderer.find(word) != std::string::npos)
            return true;
    return false;
}

Api* CreateSoftApi() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return nullptr;
    return new GlApi(true);
}

Api* CreateApi() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return nullptr;
    const char* choice = std::getenv("GLORVANE_RENDERER");
    bool soft = false;
    if (choice && std::strcmp(choice, "soft") == 0)
        soft = true;
    else if (!(choice && std::strcmp(choice, "gl") == 0)) {
        // The GL driver does not change while the process runs.
        static const bool softwareGl = IsSoftwareGl(GlRenderer());
        soft = softwareGl;
    }
    return soft ? CreateSoftApi() : CreateGlApi();
}

Inspection* Inspect(Device* device) {
    return dynamic_cast<Inspection*>(device);
}

} // namespace gpu
