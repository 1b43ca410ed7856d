#include "platform/gpu/DeviceDefaults.h"

#include "platform/gpu/Gpu.h"

namespace gpu {
namespace {

constexpr uint32_t kTrue = 1, kFalse = 0;
constexpr uint32_t kFloatOne = 0x3F800000u; // 1.0f
constexpr uint32_t kFloat64 = 0x42800000u;  // 64.0f
constexpr uint32_t kAllBits = 0xFFFFFFFFu;

struct Entry {
    uint32_t state, value;
};

// Defaults that are not zero, and the zero ones the engine relies on, spelled
// out so the table reads as the complete list of defined states.
constexpr Entry kRenderDefaults[] = {
    {Rs::FillMode, 3},  // solid
    {Rs::ShadeMode, 2}, // Gouraud
    {10, 0},            // line pattern
    {Rs::ZWriteEnable, kTrue},
    {Rs::AlphaTestEnable, kFalse},
    {Rs::LastPixel, kTrue},
    {Rs::SrcBlend, Blend::One},
    {Rs::DestBlend, Blend::Zero},
    {Rs::CullMode, Cull::CCW},
    {Rs::ZFunc, Cmp::LessEqual},
    {Rs::AlphaRef, 0},
    {Rs::AlphaFunc, Cmp::Always},
    {Rs::DitherEnable, kFalse},
    {Rs::AlphaBlendEnable, kFalse},
    {Rs::FogEnable, kFalse},
    {Rs::SpecularEnable, kFalse},
    {Rs::FogColor, 0},
    {Rs::FogTableMode, 0},
    {36, 0},         // fog start 0.0
    {37, kFloatOne}, // fog end 1.0
    {38, kFloatOne}, // fog density 1.0
    {53, 1},
    {54, 1},
    {55, 1},           // stencil fail / z-fail / pass: KEEP
    {56, Cmp::Always}, // stencil func
    {58, kAllBits},    // stencil mask
    {59, kAllBits},    // stencil write mask
    {Rs::TextureFactor, kAllBits},
    {136, kTrue}, // clipping
    {Rs::Lighting, kTrue},
    {Rs::ColorVertex, kTrue},
    {142, kTrue},     // local viewer
    {145, 1},         // diffuse material source: vertex colour 1
    {146, 2},         // specular material source: vertex colour 2
    {154, kFloatOne}, // point size
    {155, kFloatOne}, // point size min
    {158, kFloatOne}, // point scale A
    {161, kTrue},     // multisample antialias
    {162, kAllBits},  // multisample mask
    {164, kFloatOne}, // patch segments
    {166, kFloat64},  // point size max
    {168, 0x0F},      // colour write enable
    {171, 1},         // blend op ADD
    {172, 3},         // position order cubic
    {173, 1},         // normal order linear
};

} // namespace

uint32_t DefaultRenderState(uint32_t state, bool depthBuffer) {
    if (state == Rs::ZEnable)
        return depthBuffer ? kTrue : kFalse;
    for (const Entry& e : kRenderDefaults)
        if (e.state == state)
            return e.value;
    return 0;
}

uint32_t DefaultStageState(uint32_t stage, uint32_t state) {
    if (stage >= kStageCount || state == 0 || state >= kStageStateCount)
        return 0;
    switch (state) {
    case Tss::ColorOp:
        return stage == 0 ? Top::Modulate : Top::Disable;
    case Tss::AlphaOp:
        return stage == 0 ? Top::SelectArg1 : Top::Disable;
    case Tss::ColorArg1:
    case Tss::AlphaArg1:
        return Ta::Texture;
    case Tss::ColorArg2:
    case Tss::AlphaArg2:
        return Ta::Current;
    case Tss::TexCoordIndex:
        return stage;
    case Tss::AddressU:
    case Tss::AddressV:
    case 25:
        return Tadr::Wrap; // address W
    case Tss::MagFilter:
    case Tss::MinFilter:
        return Tf::Point;
    case Tss::MipFilter:
        return Tf::None;
    case 21:
        return 1; // max anisotropy
    case 26:      // colour arg 0
    case 27:      // alpha arg 0
    case 28:
        return Ta::Current; // result arg
    default:
        return 0;
    }
}

GammaRamp LinearGammaRamp() {
    GammaRamp g;
    for (uint32_t i = 0; i < 256; ++i)
        g.red[i] = g.green[i] = g.blue[i] = static_cast<uint16_t>(i * 257);
    return g;
}

} // namespace gpu
