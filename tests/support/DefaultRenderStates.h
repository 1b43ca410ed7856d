#pragma once
// The render states a device starts from, on every back end, and goes back to
// on a reset.
#include <cstdint>

#include "platform/gpu/Gpu.h"

namespace testsupport {

struct RenderStateValue {
    uint32_t state, value;
};

inline constexpr RenderStateValue kDefaultRenderStates[] = {
    {gpu::Rs::ZEnable, 1},
    {gpu::Rs::ZWriteEnable, 1},
    {gpu::Rs::AlphaTestEnable, 0},
    {gpu::Rs::SrcBlend, gpu::Blend::One},
    {gpu::Rs::DestBlend, gpu::Blend::Zero},
    {gpu::Rs::CullMode, gpu::Cull::CCW},
    {gpu::Rs::ZFunc, gpu::Cmp::LessEqual},
    {gpu::Rs::AlphaRef, 0},
    {gpu::Rs::AlphaFunc, gpu::Cmp::Always},
    {gpu::Rs::DitherEnable, 0},
    {gpu::Rs::AlphaBlendEnable, 0},
    {gpu::Rs::FogEnable, 0},
    {gpu::Rs::FogColor, 0},
    {gpu::Rs::Lighting, 1},
    {gpu::Rs::TextureFactor, 0xFFFFFFFF},
};

} // namespace testsupport
