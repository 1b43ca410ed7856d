#include <cstdlib>
#include <cstring>

#include "platform/gpu/Gpu.h"

namespace gpu {

// Not built yet: every machine draws through GL.
Api* CreateSoftApi() { return nullptr; }

Api* CreateApi() {
    const char* choice = std::getenv("GLORVANE_RENDERER");
    if (choice && std::strcmp(choice, "soft") == 0)
        if (Api* soft = CreateSoftApi())
            return soft;
    return CreateGlApi();
}

} // namespace gpu
