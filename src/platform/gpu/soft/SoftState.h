#pragma once
// The fixed-function state of the software back end as the game sets it (the
// device front's shadow, read in place by every draw: nothing is copied), and
// its reduction to what one draw's vertices and pixels need.
#include <cstdint>

#include "platform/gpu/DeviceFront.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/StageCombiner.h"
#include "platform/gpu/soft/SoftSetup.h"
#include "platform/gpu/soft/SoftSpans.h"

namespace gpu {

class SoftTexture;
class SoftVertexBuffer;
class SoftIndexBuffer;

using SoftShadow = DeviceShadow<SoftTexture, SoftVertexBuffer, SoftIndexBuffer>;

// world * view * projection, row-major.
void SoftMvp(const SoftShadow& s, float out[16]);
// The pixel state and the stages' textures of a draw.
void SoftDrawState(const SoftShadow& s, bool backBufferAlpha, SoftPixelState* pixels,
                   SoftStageTexture stages[kCombinerStages]);

} // namespace gpu
