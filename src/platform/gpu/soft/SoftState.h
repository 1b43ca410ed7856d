#pragma once
// The fixed-function state of the software back end as the game sets it:
// render states 0..173 and stage states 1..28 of stages 0..7 (stored as set,
// starting from the original defaults), the three transforms and the
// viewport, and their reduction to what one draw's pixels need.
#include <cstdint>

#include "platform/gpu/Gpu.h"
#include "platform/gpu/StageCombiner.h"
#include "platform/gpu/soft/SoftSetup.h"
#include "platform/gpu/soft/SoftSpans.h"

namespace gpu {

class SoftTexture;

struct SoftState {
    RenderStateTable rs;
    StageStateTable ss;
    Matrix world = Matrix::Identity(), view = Matrix::Identity(), proj = Matrix::Identity();
    Viewport viewport;
    SoftTexture* textures[kStageCount] = {};

    // Back to the original defaults, the viewport over the whole back buffer.
    void Restore(uint32_t bbWidth, uint32_t bbHeight);
    // world * view * projection, row-major.
    void Mvp(float out[16]) const;
    // The pixel state and the stages' textures of a draw.
    void ForDraw(bool backBufferAlpha, SoftPixelState* pixels,
                 SoftStageTexture stages[kCombinerStages]) const;
};

} // namespace gpu
