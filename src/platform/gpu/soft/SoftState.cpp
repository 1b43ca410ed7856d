#include "platform/gpu/soft/SoftState.h"

#include <cstring>

#include "platform/gpu/MathHelpers.h"
#include "platform/gpu/soft/SoftResources.h"

namespace gpu {

void SoftMvp(const SoftShadow& s, float out[16]) {
    const Matrix wvp = WorldViewProjection(s.world, s.view, s.proj);
    std::memcpy(out, wvp.m, sizeof(wvp.m));
}

void SoftDrawState(const SoftShadow& state, bool backBufferAlpha, SoftPixelState* p,
                   SoftStageTexture stages[kCombinerStages]) {
    *p = SoftPixelState{};
    const bool alphaTest = state.rs[Rs::AlphaTestEnable] != 0;
    const CombinerKey key = MakeCombinerKey(state.ss, alphaTest, state.rs[Rs::AlphaFunc]);
    for (uint32_t s = 0; s < kCombinerStages; ++s) {
        p->stages[s] = UnpackCombinerStage(key, s);
        if (p->stages[s].colorOp == 0)
            break;
        p->stageCount = s + 1;
        const uint32_t* t = state.ss[s];
        SoftStageTexture& st = stages[s];
        st = SoftStageTexture{};
        st.texture = state.textures[s];
        st.minLinear = t[Tss::MinFilter] >= Tf::Linear;
        st.magLinear = t[Tss::MagFilter] >= Tf::Linear;
        st.mipmapped = t[Tss::MipFilter] != Tf::None;
        // Clamp, border and mirror-once clamp (the game sets no border
        // colour), as on GL; mirroring reads a mirrored copy wrapped; the
        // rest wraps.
        auto wraps = [](uint32_t a) { return a < Tadr::Clamp || a > 5; };
        st.wrapU = wraps(t[Tss::AddressU]);
        st.wrapV = wraps(t[Tss::AddressV]);
        st.mirrorU = t[Tss::AddressU] == Tadr::Mirror;
        st.mirrorV = t[Tss::AddressV] == Tadr::Mirror;
        if (state.textures[s])
            state.textures[s]->PrepareMirrored(st.mirrorU, st.mirrorV);
    }
    p->tfactor = state.rs[Rs::TextureFactor];
    p->alphaFunc = CombinerAlphaFunc(key);
    p->alphaRef = state.rs[Rs::AlphaRef] & 0xFF;
    p->blend = state.rs[Rs::AlphaBlendEnable] != 0;
    p->srcBlend = state.rs[Rs::SrcBlend];
    p->destBlend = state.rs[Rs::DestBlend];
    p->depthTest = state.rs[Rs::ZEnable] != 0;
    p->depthWrite = p->depthTest && state.rs[Rs::ZWriteEnable] != 0;
    p->depthFunc = state.rs[Rs::ZFunc];
    p->keepAlpha = !backBufferAlpha;
    SettleSpans(*p);
}

} // namespace gpu
