#pragma once
// Which back end draws the game: GL where the GL driver draws with a GPU, our
// own rasteriser where it draws on the CPU (its rasteriser costs several times
// ours), unless GLORVANE_RENDERER says "gl" or "soft".
#include <string>
#include <string_view>

namespace gpu {

struct ApiChoice {
    bool soft = false;
    // What the log says: "Renderer: software (GL renderer is llvmpipe ...)".
    std::string line;

    // `setting`: GLORVANE_RENDERER's value (null or empty when unset);
    // `glRenderer`: the GL driver's GL_RENDERER string (empty when unknown).
    static ApiChoice Make(const char* setting, std::string_view glRenderer);
    // Whether `setting` decides without the driver being asked.
    static bool Decides(const char* setting);
    // Whether a GL_RENDERER string names a software rasteriser.
    static bool SoftwareGl(std::string_view glRenderer);
};

} // namespace gpu
