#include "platform/gpu/StageCombiner.h"

namespace gpu {
namespace {

// Stage argument bits as the game sets them: a selector in the low bits and two modifiers.
constexpr uint32_t kArgComplement = 0x10;
constexpr uint32_t kArgAlphaReplicate = 0x20;

// Packed layout of one stage in the key (27 bits):
//   colour op 3 | colour arg1 5 | colour arg2 5 | alpha op 3 | alpha arg1 5 | alpha arg2 5 | uv set
//   1
// An op of 0 means "stage off" (colour) or "keep the current alpha" (alpha).
constexpr uint32_t kStageBits = 27;
constexpr uint32_t kAlphaFuncShift = kStageBits * kCombinerStages;

using StageKey = CombinerStage;

uint32_t PackArg(uint32_t arg) {
    uint32_t sel = arg & kCombinerArgSelect;
    uint32_t mods =
        ((arg & kArgComplement) ? 0x8u : 0u) | ((arg & kArgAlphaReplicate) ? 0x10u : 0u);
    return sel | mods;
}

uint32_t NormaliseOp(uint32_t op) {
    // Operations beyond the seven the game uses behave as MODULATE.
    return (op >= Top::Disable && op <= Top::Add) ? op : Top::Modulate;
}

bool UsesArg1(uint32_t op) {
    return op != Top::SelectArg2;
}
bool UsesArg2(uint32_t op) {
    return op != Top::SelectArg1;
}

uint32_t PackStage(const StageKey& k) {
    return k.colorOp | (k.colorArg1 << 3) | (k.colorArg2 << 8) | (k.alphaOp << 13) |
           (k.alphaArg1 << 16) | (k.alphaArg2 << 21) | (k.uvSet << 26);
}

} // namespace

StageKey UnpackCombinerStage(CombinerKey key, uint32_t stage) {
    uint32_t v = static_cast<uint32_t>(key >> (stage * kStageBits)) & ((1u << kStageBits) - 1);
    StageKey k;
    k.colorOp = v & 7;
    k.colorArg1 = (v >> 3) & 31;
    k.colorArg2 = (v >> 8) & 31;
    k.alphaOp = (v >> 13) & 7;
    k.alphaArg1 = (v >> 16) & 31;
    k.alphaArg2 = (v >> 21) & 31;
    k.uvSet = (v >> 26) & 1;
    return k;
}

bool ArgIsTexture(uint32_t packed) {
    return (packed & kCombinerArgSelect) == Ta::Texture;
}

bool CombinerStageSamples(const StageKey& k) {
    if (k.colorOp == 0)
        return false;
    bool c = (UsesArg1(k.colorOp) && ArgIsTexture(k.colorArg1)) ||
             (UsesArg2(k.colorOp) && ArgIsTexture(k.colorArg2));
    bool a = k.alphaOp != 0 && ((UsesArg1(k.alphaOp) && ArgIsTexture(k.alphaArg1)) ||
                                (UsesArg2(k.alphaOp) && ArgIsTexture(k.alphaArg2)));
    return c || a;
}

uint32_t CombinerAlphaFunc(CombinerKey key) {
    return static_cast<uint32_t>(key >> kAlphaFuncShift) & 0xF;
}

CombinerKey MakeCombinerKey(const StageStateTable& ss, bool alphaTest, uint32_t alphaFunc) {
    CombinerKey key = 0;
    for (uint32_t s = 0; s < kCombinerStages; ++s) {
        const uint32_t* t = ss[s];
        if (t[Tss::ColorOp] == Top::Disable)
            break; // a disabled stage ends the chain
        StageKey k;
        k.colorOp = NormaliseOp(t[Tss::ColorOp]);
        k.colorArg1 = UsesArg1(k.colorOp) ? PackArg(t[Tss::ColorArg1]) : 0;
        k.colorArg2 = UsesArg2(k.colorOp) ? PackArg(t[Tss::ColorArg2]) : 0;
        uint32_t aop = t[Tss::AlphaOp];
        if (aop != Top::Disable) {
            k.alphaOp = NormaliseOp(aop);
            k.alphaArg1 = UsesArg1(k.alphaOp) ? PackArg(t[Tss::AlphaArg1]) : 0;
            k.alphaArg2 = UsesArg2(k.alphaOp) ? PackArg(t[Tss::AlphaArg2]) : 0;
        }
        if (s == 0) {
            // Before the first stage the current colour is the diffuse colour.
            for (uint32_t* a : {&k.colorArg1, &k.colorArg2, &k.alphaArg1, &k.alphaArg2})
                if ((*a & kCombinerArgSelect) == Ta::Current)
                    *a = (*a & ~kCombinerArgSelect) | Ta::Diffuse;
        }
        k.uvSet = (CombinerStageSamples(k) && (t[Tss::TexCoordIndex] & 0xFFFF) != 0) ? 1 : 0;
        key |= static_cast<CombinerKey>(PackStage(k)) << (s * kStageBits);
    }
    uint32_t func =
        (alphaTest && alphaFunc >= Cmp::Never && alphaFunc < Cmp::Always) ? alphaFunc : 0;
    key |= static_cast<CombinerKey>(func) << kAlphaFuncShift;
    return key;
}

bool ZeroAlphaLeavesTarget(bool alphaTest, uint32_t func, uint32_t ref, bool blend,
                           uint32_t srcBlend, uint32_t destBlend, bool depthWrites) {
    const bool dropped =
        alphaTest && ((func == Cmp::Greater) || (func == Cmp::GreaterEqual && ref > 0) ||
                      (func == Cmp::NotEqual && ref == 0) || (func == Cmp::Equal && ref != 0) ||
                      func == Cmp::Never || (func == Cmp::Less && ref == 0));
    const bool blendsAway = blend && srcBlend == Blend::SrcAlpha &&
                            (destBlend == Blend::InvSrcAlpha || destBlend == Blend::One) &&
                            !depthWrites;
    return dropped || blendsAway;
}

bool StagesAlphaFull(const CombinerStage* stages, uint32_t count, const AlphaSources& full) {
    bool current = full.diffuse; // before the first stage, the vertices' alpha
    // A stage whose colour is off ends the chain.
    for (uint32_t s = 0; s < count && s < kCombinerStages && stages[s].colorOp != 0; ++s) {
        auto isFull = [&](uint32_t arg) {
            switch (arg) { // (a complemented or replicated argument is none of these)
            case Ta::Texture:
                return full.texture[s];
            case Ta::Diffuse:
                return full.diffuse;
            case Ta::TFactor:
                return full.tfactor;
            case Ta::Current:
                return current;
            default:
                return false;
            }
        };
        const CombinerStage& k = stages[s];
        if (k.alphaOp == 0)
            continue; // the stage keeps the current alpha
        if (k.alphaOp == Top::SelectArg1)
            current = isFull(k.alphaArg1);
        else if (k.alphaOp == Top::SelectArg2)
            current = isFull(k.alphaArg2);
        else if (k.alphaOp == Top::Modulate)
            current = isFull(k.alphaArg1) && isFull(k.alphaArg2);
        else
            return false;
    }
    return current;
}

bool StagesAlphaFull(CombinerKey key, const AlphaSources& full) {
    CombinerStage stages[kCombinerStages];
    for (uint32_t s = 0; s < kCombinerStages; ++s)
        stages[s] = UnpackCombinerStage(key, s);
    return StagesAlphaFull(stages, kCombinerStages, full);
}

bool WritesWithoutReading(bool alphaFull, bool blend, uint32_t srcBlend, uint32_t destBlend,
                          bool alphaTest, uint32_t alphaFunc, uint32_t alphaRef) {
    const bool srcReadsTarget = !(srcBlend >= Blend::Zero && srcBlend <= Blend::InvSrcAlpha);
    const bool blendReadsNothing =
        !blend || (!srcReadsTarget && (destBlend == Blend::Zero ||
                                       (destBlend == Blend::InvSrcAlpha && alphaFull)));
    // Where every fragment's alpha is 255, the tests that 255 passes.
    const bool fullPasses = alphaFunc == Cmp::GreaterEqual ||
                            (alphaFunc == Cmp::Greater && alphaRef < 255) ||
                            (alphaFunc == Cmp::NotEqual && alphaRef != 255) ||
                            ((alphaFunc == Cmp::Equal || alphaFunc == Cmp::LessEqual) && alphaRef >= 255);
    const bool testPasses = !alphaTest || alphaFunc == Cmp::Always || (alphaFull && fullPasses);
    return blendReadsNothing && testPasses;
}

bool KeyUsesTexture(CombinerKey key, uint32_t stage) {
    if (stage >= kCombinerStages)
        return false;
    return CombinerStageSamples(UnpackCombinerStage(key, stage));
}

} // namespace gpu
