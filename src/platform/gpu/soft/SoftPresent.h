#pragma once
// Shows the software back end's finished frame: the picture goes through the
// gamma ramp's lookup table, up as one BGRA texture, and onto the window as
// one opaque quad with depth, blending and everything else off.
#include <cstdint>
#include <vector>

#include "platform/gpu/Gpu.h"

namespace gpu {

class SoftPresent {
public:
    // Needs the window's GL context current; false when GL refuses.
    bool Init();
    ~SoftPresent();

    // Lookup tables per channel; identity ones skip the pass over the picture.
    void SetRamp(const GammaRamp& ramp);
    // Draws the frame (0xAARRGGBB words, top row first) into `framebuffer` of
    // width x height with its aspect kept; `shown` receives where it landed.
    void Draw(const uint32_t* argb, uint32_t bbWidth, uint32_t bbHeight, uint32_t framebuffer,
              int32_t width, int32_t height, int32_t shown[4]);
    // Draws into an offscreen target of width x height and reads it back.
    void ReadPresented(const uint32_t* argb, uint32_t bbWidth, uint32_t bbHeight, uint32_t width,
                       uint32_t height, std::vector<uint32_t>& out);

private:
    uint32_t program_ = 0, vao_ = 0, texture_ = 0;
    uint32_t texWidth_ = 0, texHeight_ = 0;
    int32_t filter_ = 0;
    bool identity_ = true;
    uint8_t lut_[3][256];
    std::vector<uint32_t> ramped_;
};

} // namespace gpu
