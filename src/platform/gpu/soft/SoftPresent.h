#pragma once
// Shows the software back end's finished frame: the picture goes through the
// gamma ramp's lookup table, up as one BGRA texture, and into the window as one
// framebuffer blit. On Mesa's llvmpipe both steps are plain copies when the
// picture is shown 1:1 (see SoftPresent.cpp); a scaled picture is filtered.
// Where the window has no GL context, the picture is copied into the window's
// surface instead (scaled by nearest texels when the sizes differ).
#include <cstdint>
#include <vector>

#include "platform/gpu/Gpu.h"

struct SDL_Surface;

namespace os {
class Window;
}

namespace gpu {

class WindowGlContext;

class SoftPresent {
public:
    // Presents through `context` (kept, and made current whenever this
    // touches GL); false when GL refuses.
    bool Init(WindowGlContext* context);
    // Presents through the window surface: no GL at all.
    void InitSurface() { onSurface_ = true; }
    bool OnSurface() const { return onSurface_; }
    ~SoftPresent();

    // Shows the frame in the window; false while it has no area (minimised).
    // Only `changed` (left, top, right, bottom) differs from the frame shown
    // before: the rest of the window keeps what it shows where it can.
    bool Show(os::Window* window, const uint32_t* argb, uint32_t bbWidth, uint32_t bbHeight,
              const int32_t changed[4], int32_t shown[4]);

    // Lookup tables per channel; identity ones skip the pass over the picture.
    void SetRamp(const GammaRamp& ramp);
    // Draws the frame (0xAARRGGBB words, top row first) into `framebuffer` of
    // width x height with its aspect kept; `shown` receives where it landed.
    // The result is opaque: framebuffer 0 (the window) is given the picture's
    // own alpha only when it has none to keep, any other is given full alpha.
    // Of the picture only rows [rows[0], rows[1]) go up; the texture holds the rest.
    void Draw(const uint32_t* argb, uint32_t bbWidth, uint32_t bbHeight, uint32_t framebuffer,
              int32_t width, int32_t height, int32_t shown[4], const int32_t* rows = nullptr);
    // Draws into an offscreen target of width x height and reads it back (with
    // full alpha).
    void ReadPresented(const uint32_t* argb, uint32_t bbWidth, uint32_t bbHeight, uint32_t width,
                       uint32_t height, std::vector<uint32_t>& out);

private:
    // The picture as it goes up: `argb` itself, or a copy through the ramp
    // and with full alpha when the target keeps alpha.
    const uint32_t* Prepare(const uint32_t* argb, size_t count, bool targetKeepsAlpha);
    // The surface path of Draw: `target` of any 32-bit format.
    // Only `changed` is copied where the surface holds the last frame 1:1;
    // it is made the rectangle of the surface that changed.
    void DrawToSurface(const uint32_t* argb, uint32_t bbWidth, uint32_t bbHeight,
                       SDL_Surface* target, int32_t shown[4], int32_t changed[4]);

    WindowGlContext* context_ = nullptr;
    uint32_t texture_ = 0, source_ = 0; // the picture's texture and a framebuffer holding it
    uint32_t texWidth_ = 0, texHeight_ = 0;
    // The window surface last drawn to, and its size.
    const SDL_Surface* surface_ = nullptr;
    int32_t surfaceSize_[2] = {0, 0};
    bool windowKeepsAlpha_ = true;
    bool onSurface_ = false;
    bool identity_ = true;
    uint8_t lut_[3][256];
    std::vector<uint32_t> ramped_;
};

} // namespace gpu
