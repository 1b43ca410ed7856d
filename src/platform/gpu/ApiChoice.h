#pragma once
// Which back end draws the game: GL where the GL driver draws with a GPU, our
// own rasteriser where it draws on the CPU (its rasteriser costs several times
// ours), unless GLORVANE_RENDERER says "gl" or "soft".
#include <string>
#include <string_view>

namespace gpu {

struct ApiChoice {
    bool soft = false;
    // Our rasteriser shows its frames through the window's surface, not GL.
    bool surface = false;
    // What the log says: "Renderer: software (GL renderer is llvmpipe ...)".
    std::string line;

    // `setting`: GLORVANE_RENDERER's value (null or empty when unset);
    // `glRenderer`: the GL driver's GL_RENDERER string (empty when unknown);
    // `present`: GLORVANE_PRESENT's value ("surface" asks for the window
    // surface); `glContext`: false where the window can have no GL context,
    // which leaves our rasteriser presenting through the window surface.
    static ApiChoice Make(const char* setting, std::string_view glRenderer,
                          const char* present = nullptr, bool glContext = true);
    // Whether `setting` decides without the driver being asked.
    static bool Decides(const char* setting);
    // Whether a GL_RENDERER string names a software rasteriser.
    static bool SoftwareGl(std::string_view glRenderer);
};

} // namespace gpu
