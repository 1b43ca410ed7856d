#include "platform/gpu/soft/SoftState.h"

#include "platform/gpu/DeviceDefaults.h"
#include "platform/gpu/soft/SoftResources.h"

namespace gpu {

void SoftState::Restore(uint32_t bbWidth, uint32_t bbHeight) {
    for (uint32_t i = 0; i < kRenderStateCount; ++i)
        rs[i] = DefaultRenderState(i, true);
    for (uint32_t st = 0; st < kStageCount; ++st)
        for (uint32_t i = 0; i < kStageStateCount; ++i)
            ss[st][i] = DefaultStageState(st, i);
    world = view = proj = Matrix::Identity();
    viewport = Viewport{0, 0, bbWidth, bbHeight, 0.0f, 1.0f};
    for (SoftTexture*& t : textures)
        t = nullptr;
}

void SoftState::Mvp(float out[16]) const {
    Matrix wv{}, wvp{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
                wv.m[i][j] += world.m[i][k] * view.m[k][j];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
                wvp.m[i][j] += wv.m[i][k] * proj.m[k][j];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out[i * 4 + j] = wvp.m[i][j];
}

void SoftState::ForDraw(bool backBufferAlpha, SoftPixelState* p,
                        SoftStageTexture stages[kCombinerStages]) const {
    *p = SoftPixelState{};
    const bool alphaTest = rs[Rs::AlphaTestEnable] != 0;
    const CombinerKey key = MakeCombinerKey(ss, alphaTest, rs[Rs::AlphaFunc]);
    for (uint32_t s = 0; s < kCombinerStages; ++s) {
        p->stages[s] = UnpackCombinerStage(key, s);
        if (p->stages[s].colorOp == 0)
            break;
        p->stageCount = s + 1;
        const uint32_t* t = ss[s];
        SoftStageTexture& st = stages[s];
        st = SoftStageTexture{};
        st.texture = textures[s];
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
        if (textures[s])
            textures[s]->PrepareMirrored(st.mirrorU, st.mirrorV);
    }
    p->tfactor = rs[Rs::TextureFactor];
    p->alphaFunc = CombinerAlphaFunc(key);
    p->alphaRef = rs[Rs::AlphaRef] & 0xFF;
    p->blend = rs[Rs::AlphaBlendEnable] != 0;
    p->srcBlend = rs[Rs::SrcBlend];
    p->destBlend = rs[Rs::DestBlend];
    p->depthTest = rs[Rs::ZEnable] != 0;
    p->depthWrite = p->depthTest && rs[Rs::ZWriteEnable] != 0;
    p->depthFunc = rs[Rs::ZFunc];
    p->keepAlpha = !backBufferAlpha;
    SettleSpans(*p);
}

} // namespace gpu
