#pragma once
// The fixed-function state every back end keeps (render states and stage
// states, numbered as the game sets them), and the texture-stage combiner
// reduced to a small key: GL generates a fragment shader from it, our
// rasteriser picks its span routines by it.
#include <cstdint>

#include "platform/gpu/Gpu.h"

namespace gpu {

using RenderStateTable = uint32_t[kRenderStateCount];
using StageStateTable = uint32_t[kStageCount][kStageStateCount];

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
// current alpha" (alpha); arguments hold the selector in the low three bits
// (kCombinerArgSelect), 0x8 for the complement and 0x10 for the alpha replicated.
constexpr uint32_t kCombinerArgSelect = 0x7;
struct CombinerStage {
    uint32_t colorOp = 0, colorArg1 = 0, colorArg2 = 0;
    uint32_t alphaOp = 0, alphaArg1 = 0, alphaArg2 = 0;
    uint32_t uvSet = 0;
};
CombinerStage UnpackCombinerStage(CombinerKey key, uint32_t stage);
bool CombinerStageSamples(const CombinerStage& k);
// The alpha-test function of a key (0 when there is no test).
uint32_t CombinerAlphaFunc(CombinerKey key);

// Whether a fragment of zero alpha leaves its pixel (colour and depth) as it
// was: the alpha test drops it (`alphaRef` as 0..255), or the blend weighs it
// out and no depth is written. The GL back end and the engine's clipper skip
// such texels by this; our span routines skip them only for the states their
// fast paths draw (a narrower answer of the same rule, in SettleSpans).
bool ZeroAlphaLeavesTarget(bool alphaTest, uint32_t alphaFunc, uint32_t alphaRef, bool blend,
                           uint32_t srcBlend, uint32_t destBlend, bool depthWrites);

// Which sources of alpha are full (255) in every fragment of a draw: each
// stage's texture (the caller knows its texels), the vertices' colour and the
// texture factor.
struct AlphaSources {
    bool texture[kCombinerStages] = {false, false};
    bool diffuse = false;
    bool tfactor = false;
};
// Whether every fragment leaves the stages with full alpha: each stage keeps
// the current alpha, selects a full one, or multiplies two full ones; an
// argument complemented or of another kind may be anything.
bool StagesAlphaFull(const CombinerStage* stages, uint32_t count, const AlphaSources& full);
bool StagesAlphaFull(CombinerKey key, const AlphaSources& full);
// Whether a draw writes its pixels' colour without reading what lies below,
// given whether every fragment's alpha is full (`alphaRef` as 0..255): the
// blend reads nothing of the target (none, or a destination weight that is
// zero and a source weight that does not read the target) and the alpha test
// passes every fragment. Depth is the caller's: a depth test that may fail
// reads the target too.
bool WritesWithoutReading(bool alphaFull, bool blend, uint32_t srcBlend, uint32_t destBlend,
                          bool alphaTest, uint32_t alphaFunc, uint32_t alphaRef);

} // namespace gpu
