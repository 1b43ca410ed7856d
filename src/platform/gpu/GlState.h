#pragma once
// The GL back end's translation of the original fixed-function state: state
// values to GL enums, and the texture-stage combiner reduced to a small key from
// which a fragment shader is generated.
#include <cstdint>
#include <string>

#include "platform/gpu/Gpu.h"

namespace gpu {

using RenderStateTable = uint32_t[kRenderStateCount];
using StageStateTable = uint32_t[kStageCount][kStageStateCount];

// State values -> GL enums. Values outside the original range get a harmless choice
// (blend ONE/ZERO, compare ALWAYS, address REPEAT).
uint32_t GlBlendFactor(uint32_t blend, bool isSource);
uint32_t GlCompareFunc(uint32_t cmp);
uint32_t GlAddressMode(uint32_t address);
uint32_t GlMinFilter(uint32_t minFilter, uint32_t mipFilter);
uint32_t GlMagFilter(uint32_t magFilter);

// The combiner runs the first two stages (the game never enables a third). The key
// holds what decides the generated shader: per stage the colour and alpha operations
// and their arguments (reduced: arguments an operation ignores are dropped, CURRENT
// in stage 0 reads the diffuse colour, a disabled stage ends the chain), the
// texture-coordinate set of each sampling stage, and the alpha-test function.
constexpr uint32_t kCombinerStages = 2;
using CombinerKey = uint64_t;
CombinerKey MakeCombinerKey(const StageStateTable& ss, bool alphaTest, uint32_t alphaFunc);
// Whether a stage of the key reads its texture (it needs a bound texture unit).
bool KeyUsesTexture(CombinerKey key, uint32_t stage);
// One stage of a key. An op of 0 means "stage off" (colour) or "keep the
// current alpha" (alpha); arguments hold the selector in the low three bits,
// 0x8 for the complement and 0x10 for the alpha replicated.
struct CombinerStage {
    uint32_t colorOp = 0, colorArg1 = 0, colorArg2 = 0;
    uint32_t alphaOp = 0, alphaArg1 = 0, alphaArg2 = 0;
    uint32_t uvSet = 0;
};
CombinerStage UnpackCombinerStage(CombinerKey key, uint32_t stage);
bool CombinerStageSamples(const CombinerStage& k);
// The alpha-test function of a key (0 when there is no test).
uint32_t CombinerAlphaFunc(CombinerKey key);

// GLSL 3.30 sources. The vertex stage transforms with the row-vector matrix uMvp,
// moves the half-pixel sample offset by uPixelShift (NDC units) and maps the
// original 0..1 depth to GL's -1..1.
const char* CombinerVertexShader();
std::string CombinerFragmentShader(CombinerKey key);
// The present pass: the back buffer through the 3x256 gamma ramp.
const char* PresentVertexShader();
const char* PresentFragmentShader();

} // namespace gpu
