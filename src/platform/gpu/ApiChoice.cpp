#include "platform/gpu/ApiChoice.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/gpu/DisplayApi.h"
#include "platform/gpu/FrameProbe.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/WindowGlContext.h"
#include "platform/os/Window.h"

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

ApiChoice ApiChoice::Make(const char* setting, std::string_view glRenderer, const char* present,
                          bool glContext) {
    ApiChoice c;
    std::string why;
    const bool forced = Is(present, "surface");
    const char* noGl = forced ? "GLORVANE_PRESENT=surface" : "no GL 3.3 context";
    if (Decides(setting)) {
        c.soft = Is(setting, "soft");
        why = std::string("GLORVANE_RENDERER=") + setting;
        if (forced || !glContext)
            why += std::string("; ") + noGl;
    } else if (forced || !glContext) {
        c.soft = true;
        why = noGl;
    } else {
        c.soft = SoftwareGl(glRenderer);
        why = glRenderer.empty() ? std::string("the GL renderer is unknown")
                                 : "GL renderer is " + std::string(glRenderer);
        if (setting && *setting)
            why += "; GLORVANE_RENDERER=" + std::string(setting) + " is neither gl nor soft";
    }
    c.surface = c.soft && (forced || !glContext);
    c.line = std::string("Renderer: ") + (c.soft ? "software" : "GL") + " (" + why + ")" +
             (c.surface ? ", shown through the window surface" : "") + "\n";
    return c;
}

Api* CreateApi(os::Window* window, std::string* logLine) {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return nullptr;
    const char* setting = std::getenv("GLORVANE_RENDERER");
    const char* present = std::getenv("GLORVANE_PRESENT");
    const bool glWindow = !window || window->HasGl();
    // The driver is asked only when the setting leaves the choice open.
    const bool ask = !ApiChoice::Decides(setting) && window && glWindow;
    const std::string renderer = ask ? WindowGlContext::RendererName(window) : std::string();
    const ApiChoice choice =
        ApiChoice::Make(setting, renderer, present, glWindow && !(ask && renderer.empty()));
    Api* api = choice.soft ? CreateSoftApi(choice.surface) : CreateGlApi();
    if (logLine) {
        *logLine = choice.line;
        // What the back end adds (our rasteriser: which row routines it runs, and why).
        // (Both drawing back ends answer through the display adapter level.)
        const auto* display = dynamic_cast<const DisplayApi*>(api);
        const std::string detail = display ? display->Detail() : "";
        if (!detail.empty())
            logLine->insert(logLine->find(" ("), ", " + detail);
    }
    return api;
}

FrameProbe* ProbeOf(Device* device) {
    return dynamic_cast<FrameProbe*>(device);
}

} // namespace gpu
