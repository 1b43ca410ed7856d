#pragma once
// Set-up and clipping of the software back end: vertices through the
// row-vector matrices into clip space, triangles cut at the depth range, the
// viewport mapping with the GL back end's half-pixel placement (pixel centres
// at integer coordinates of the game's geometry), culling, the mip level and
// filter each stage reads, and the rows of pixels handed to the span routines.
#include <cstdint>

#include "platform/gpu/Gpu.h"
#include "platform/gpu/soft/SoftSpans.h"

namespace gpu {

class SoftTexture;

// A vertex in clip space with what is interpolated across the triangle.
struct SoftClipVertex {
    float x, y, z, w;
    float color[4]; // r, g, b, a in 0..255
    float uv[kCombinerStages][2];
};

// What one stage samples, before the level is chosen per triangle.
struct SoftStageTexture {
    const SoftTexture* texture = nullptr;
    bool minLinear = false, magLinear = false, mipmapped = false;
    bool wrapU = true, wrapV = true;
};

struct SoftTarget {
    uint32_t* color = nullptr;
    uint16_t* depth = nullptr;
    int32_t width = 0;
    int32_t clip[4] = {0, 0, 0, 0}; // left, top, right, bottom (exclusive)
};

SoftClipVertex TransformVertex(const Vertex& v, const float mvp[16]);

class SoftSetup {
public:
    // Draws one triangle with `state` (its samplers are filled in per triangle
    // from `stages`). cull: the CullMode state.
    void DrawTriangle(const SoftClipVertex tri[3], SoftPixelState& state,
                      const SoftStageTexture stages[kCombinerStages], const Viewport& vp,
                      const SoftTarget& target, uint32_t cull);
    uint64_t Pixels() const { return pixels_; }

private:
    struct WindowVertex {
        double x, y, z, q; // q = 1 / w
        float color[4];
        float uv[kCombinerStages][2];
    };
    void Rasterise(const WindowVertex v[3], SoftPixelState& state,
                   const SoftStageTexture stages[kCombinerStages], const SoftTarget& target,
                   uint32_t cull);
    uint64_t pixels_ = 0;
};

} // namespace gpu
