#include "platform/gpu/ApiChoice.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/gpu/DisplayApi.h"
#include "platform/gpu/FrameProbe.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/gl/GlContext.h"
#include "platform/gpu/soft/SoftSpans.h"

namespace gpu {
namespace {

bool Is(const char* setting, const char* value) {
    return setting && std::strcmp(setting, value) == 0;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

} // namespace

bool ApiChoice::Decides(const char* setting) {
    return Is(setting, "gl") || Is(setting, "soft");
}

bool ApiChoice::SoftwareGl(std::string_view glRenderer) {
    // Mesa's rasterisers; the old swrast driver calls itself "Software Rasterizer".
    const std::string name = Lower(glRenderer);
    for (const char* soft : {"llvmpipe", "softpipe", "swrast", "software rasterizer"})
        if (name.find(soft) != std::string::npos)
            return true;
    return false;
}

ApiChoice ApiChoice::Make(const char* setting, std::string_view glRenderer) {
    ApiChoice c;
    std::string why;
    if (Decides(setting)) {
        c.soft = Is(setting, "soft");
        why = std::string("GLORVANE_RENDERER=") + setting;
    } else {
        c.soft = SoftwareGl(glRenderer);
        why = glRenderer.empty() ? std::string("the GL renderer is unknown")
                                 : "GL renderer is " + std::string(glRenderer);
        if (setting && *setting)
            why += "; GLORVANE_RENDERER=" + std::string(setting) + " is neither gl nor soft";
    }
    c.line = std::string("Renderer: ") + (c.soft ? "software" : "GL") + " (" + why + ")\n";
    return c;
}

Api* CreateSoftApi() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return nullptr;
    return new DisplayApi(DisplayApi::Devices::Soft);
}

Api* CreateApi(os::Window* window, std::string* logLine) {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return nullptr;
    const char* setting = std::getenv("GLORVANE_RENDERER");
    // The driver is asked only when the setting leaves the choice open.
    const std::string renderer =
        ApiChoice::Decides(setting) || !window ? std::string() : GlRendererName(window);
    const ApiChoice choice = ApiChoice::Make(setting, renderer);
    if (logLine) {
        *logLine = choice.line;
        // Which row routines our rasteriser runs, and why.
        if (choice.soft)
            logLine->insert(std::strlen("Renderer: software"),
                            std::string(", ") + SpanRoutineChoice());
    }
    return choice.soft ? CreateSoftApi() : CreateGlApi();
}

FrameProbe* ProbeOf(Device* device) {
    return dynamic_cast<FrameProbe*>(device);
}

} // namespace gpu
