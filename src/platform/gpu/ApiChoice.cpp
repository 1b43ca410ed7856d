#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "platform/gpu/GlApi.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/FrameProbe.h"

namespace gpu {

Api* CreateSoftApi() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return nullptr;
    return new GlApi(true);
}

Api* CreateApi() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return nullptr;
    // Our rasteriser has no fast span routines yet and costs more CPU than
    // Mesa's, so even a software GL draws the game until it does: it is
    // chosen only on request.
    const char* choice = std::getenv("GLORVANE_RENDERER");
    const bool soft = choice && std::strcmp(choice, "soft") == 0;
    return soft ? CreateSoftApi() : CreateGlApi();
}

FrameProbe* ProbeOf(Device* device) {
    return dynamic_cast<FrameProbe*>(device);
}

} // namespace gpu
