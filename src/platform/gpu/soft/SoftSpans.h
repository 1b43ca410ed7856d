#pragma once
// The span routines of the software back end: one row of pixels of one
// triangle at a time, from the interpolated vertex values to the blended
// pixel. A draw's state is reduced once to a SoftPixelState; the set-up hands
// each span its start values and steps. The fast routines settle per span what
// the general path decides per pixel (texels 1:1, a texture row read along
// the axes, coordinates that need no wrapping, one diffuse colour, the blend
// pair) and run with AVX2 where the processor has it.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gpu/StageCombiner.h"

namespace gpu {

// A texture level as one stage reads it.
struct SoftSampler {
    const uint32_t* texels = nullptr; // null: reads opaque white
    int32_t width = 1, height = 1;
    bool wrapU = true, wrapV = true;
    bool linear = false;
    const uint8_t* clearTiles = nullptr; // FindClearTiles of the level, or none
    float clearShare = 0;                // of its tiles, how many are clear
};

// Texels in tiles of kClearTile a side. A tile is clear when every texel in
// it, in the column after it and in the row below it (wrapping at the
// texture's ends) has zero alpha: no read whose first texel lies in the tile,
// filtered or not, wrapped or clamped, sees any alpha. One byte per tile (1:
// clear), row by row; empty unless both sides are multiples of the tile and
// some tile is clear.
constexpr int32_t kClearTile = 8;
std::vector<uint8_t> FindClearTiles(const uint32_t* texels, int32_t width, int32_t height);

// The blend pairs the span routines have routines of their own for.
enum class SoftPair : uint8_t { kNone, kOver, kAdd, kScreen, kDarken, kMultiply };
// How the stages combine, where the game's draws have it in one step: the
// texture modulated by the diffuse colour, the first texture by the second.
enum class SoftRecipe : uint8_t { kAny, kTexDiffuse, kTexTimesTex };

struct SoftPixelState {
    CombinerStage stages[kCombinerStages];
    uint32_t stageCount = 0;
    SoftSampler samplers[kCombinerStages];
    uint32_t tfactor = 0xFFFFFFFFu;
    uint32_t alphaFunc = 0, alphaRef = 0; // func 0: no test
    bool blend = false;
    uint32_t srcBlend = 2, destBlend = 1;
    bool depthTest = false, depthWrite = false;
    uint32_t depthFunc = 4;
    // The back buffer has no alpha: its words hold full alpha, and keep it.
    bool keepAlpha = true;

    // What SettleSpans makes of the fields above, once per draw; the span
    // routines settle a state that is not settled for each span.
    bool settled = false;
    bool samples[kCombinerStages] = {}; // the stage reads its texture
    SoftRecipe recipe = SoftRecipe::kAny;
    SoftPair pair = SoftPair::kNone; // of a blend
    // A fragment whose first texture reads zero alpha leaves its pixel, colour
    // and depth, as it is (so texels known clear need not be read).
    bool clearKeepsPixel = false;
};

void SettleSpans(SoftPixelState& st);

// Where a span starts and how its values change per pixel. Colours are
// 0..255, texture coordinates in texels of the sampled level (a linear
// sampler's already moved by half a texel), depth 0..65535. With
// perspective, every value is divided by the interpolated `q`.
struct SoftSpan {
    float color[4], dColor[4];
    float uv[kCombinerStages][2], dUv[kCombinerStages][2];
    float z, dz;
    float q, dq;
    bool perspective = false;
    // The first pixel shaded, in steps from where the start values hold: a
    // row cut into pieces shades each piece as the whole row would.
    int32_t first = 0;
};

// One row's pixels [0, count): colour words 0xAARRGGBB and 16-bit depths
// (none: depth is neither tested nor written).
struct SoftRow {
    SoftSpan span;
    uint32_t* color;
    uint16_t* depth;
    int32_t count;
};

// Shades rows of one draw with the fast routines of this processor, which
// compute what the general path below computes, to the bit. What depends on
// the state alone is settled once for all the rows.
void ShadeRows(const SoftPixelState& st, const SoftRow* rows, int32_t count);

// The general scalar path: every pixel through the whole fixed-function
// pipeline. The reference the fast routines are held to.
void ShadeSpanReference(const SoftPixelState& st, const SoftSpan& in, uint32_t* color,
                        uint16_t* depth, int32_t count);

// Which routines ShadeRows runs: "avx2", "sse2" or "portable": the fastest
// this processor runs, unless GLORVANE_SOFT_SPANS names another it runs.
const char* SpanRoutineKind();
// What the log says of the choice: "sse2 span routines (GLORVANE_SOFT_SPANS=sse2)",
// or why the setting was passed over.
const char* SpanRoutineChoice();

// The kind GLORVANE_SOFT_SPANS = `setting` (null or empty: unset) chooses,
// and what the log says of it in `line`.
const char* ChooseSpanRoutines(const char* setting, std::string* line);

// The routines of one kind, null where this processor cannot run them.
using SoftShadeFn = void (*)(const SoftPixelState&, const SoftRow*, int32_t);
SoftShadeFn SpanRoutine(const char* kind);
// Has ShadeRows run the routines of one kind from now on (tests that draw
// with each set; never while rows are being shaded). False where this
// processor cannot run them.
bool UseSpanRoutines(const char* kind);

} // namespace gpu
