#pragma once
// The values every render state and texture-stage state holds after device
// creation and after each reset, in the original API's numbering. The engine
// reads them back into its caches, and the sprite passes restore values read
// from the device, so a back end must start from exactly these.
#include <cstdint>

#include "platform/gpu/Gpu.h"

namespace gpu {

// Render state 0..173. Numbers the original API leaves undefined read 0.
// `depthBuffer`: ZENABLE starts on only when the device has a depth buffer.
uint32_t DefaultRenderState(uint32_t state, bool depthBuffer = true);

// Stage 0..7, state 1..28 (0 for an out-of-range pair).
uint32_t DefaultStageState(uint32_t stage, uint32_t state);

// The gamma ramp a device starts with: every level shown as it is.
GammaRamp LinearGammaRamp();

} // namespace gpu
