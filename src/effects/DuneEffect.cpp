#include "effects/DuneEffect.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "effects/Collection2Keeper.h"
#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/SandKeepers.h"
#include "effects/Sandbox.h"
#include "engine/IndexBuffer.h"
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "playfield/QuestFieldLayout.h"

namespace {

constexpr float kDefaultBarPostTime = 0.25f;
constexpr int32_t kDefaultBarElementCount = 19;
// How bright the row of empty slots shows, against a full element.
constexpr float kEmptySlotAlpha = 0.35f;
// The particle systems' emission never times out while the box is shown.
constexpr float kEndlessEmission = 100000000.0f;
constexpr float kFlyOutSetupValue = 500.0f;

// The front panel: 658 x 42 units in three quads cut from a 256 x 128 texel
// layout: x offset, width, u0, u1, v0, v1.
struct FrontQuad {
    float X, Width, U0, U1, V0, V1;
};
constexpr FrontQuad kFrontQuads[3] = {
    {0.0f, 242.0f, 0.0f, 0.9453125f, 0.0f, 0.328125f},
    {242.0f, 176.0f, 0.15625f, 0.84375f, 0.328125f, 0.65625f},
    {418.0f, 240.0f, 0.0625f, 1.0f, 0.65625f, 0.984375f},
};
constexpr float kFrontHeight = 42.0f;

uint32_t WithAlpha(uint32_t rgb, int32_t alpha) {
    alpha = std::clamp(alpha, 0, 255);
    return (static_cast<uint32_t>(alpha) << 24) | (rgb & 0x00FFFFFFu);
}

// Four vertices of an axis-aligned quad from its top-left corner, corners in
// the order top-left, top-right, bottom-right, bottom-left.
void WriteQuad(gpu::Vertex* v, float x, float y, float z, float w, float h, float u0, float v0,
               float u1, float v1, uint32_t colour) {
    v[0] = {x, y, z, colour, u0, v0, 0.0f, 0.0f};
    v[1] = {x + w, y, z, colour, u1, v0, 0.0f, 0.0f};
    v[2] = {x + w, y - h, z, colour, u1, v1, 0.0f, 0.0f};
    v[3] = {x, y - h, z, colour, u0, v1, 0.0f, 0.0f};
}

void WriteQuadIndices(uint16_t* out, uint32_t first) {
    const uint32_t order[6] = {0, 1, 2, 0, 2, 3};
    for (int k = 0; k < 6; ++k)
        out[k] = static_cast<uint16_t>(first + order[k]);
}

} // namespace

CDuneEffect::CDuneEffect() = default;

CDuneEffect::~CDuneEffect() {
    // The manager updates a stopped system once more before dropping it: the
    // keepers must no longer look at this object's geometry by then.
    if (!FlyOutKeeper.IsNull())
        FlyOutKeeper->Detach();
    if (!DustKeeper.IsNull())
        DustKeeper->Detach();
    if (!FlyOutSystem.IsNull())
        FlyOutSystem->Stop();
    if (!DustSystem.IsNull())
        DustSystem->Stop();
}

void CDuneEffect::SetTextures(CSharedPtr<CTexture> surface, CSharedPtr<CTexture> grain,
                              CSharedPtr<CTexture> dust, CSharedPtr<CTexture> front,
                              CSharedPtr<CTexture> glass, CSharedPtr<CTexture> bar) {
    SurfaceTexture = surface;
    GrainTexture = grain;
    DustTexture = dust;
    FrontTexture = front;
    GlassTexture = glass;
    BarTexture = bar;
}

void CDuneEffect::SetParameters(const CQuestFieldLayout& layout) {
    FrontShift[0] = layout.SandboxFrontShift[0];
    FrontShift[1] = layout.SandboxFrontShift[1];
    FrontShift[2] = layout.SandboxFrontShift[2];
    GlassColour = layout.SandboxGlassColour;
    if (!layout.SandPath.empty()) {
        const CSandPathKey& first = layout.SandPath.front();
        SandPath.SetSingleKey(first.Start[0], first.Start[1], first.Start[2], first.End[0],
                              first.End[1], first.End[2], first.Duration);
        for (size_t k = 1; k < layout.SandPath.size(); ++k) {
            const CSandPathKey& key = layout.SandPath[k];
            SandPath.AddKeyFromLast(key.End[0], key.End[1], key.End[2], key.Duration);
        }
    }
    SandInGravity = layout.SandInGravity;
    SandOutGravity = layout.SandOutGravity;
    SandPathSpeed = layout.SandPathSpeed;
    SandColour = layout.SandColour;
    SandAlpha = layout.SandAlpha;
    DustSpeed = layout.DustSpeed;
    HalfDustSpeed = layout.HalfDustSpeed;
    DustSpeedCopy = DustSpeed;
    DustSize = layout.DustSize;
    HalfDustSize = layout.HalfDustSize;
    DustColour = layout.DustColour;
    DustAlpha = layout.DustAlpha;
    BarColour = layout.FrenzyBarColour & 0x00FFFFFFu;
    BarAlpha = layout.FrenzyBarAlpha;
    BarShift[0] = layout.FrenzyBarShift[0];
    BarShift[1] = layout.FrenzyBarShift[1];
    BarElementWidth = layout.FrenzyBarElementSize[0];
    BarElementHeight = layout.FrenzyBarElementSize[1];
    BarElementCount = layout.FrenzyBarCount;
    if (BarElementCount <= 0) {
        LogObject("Warning! SandboxFrenzyBarCount must be above 0, using " +
                  std::to_string(kDefaultBarElementCount) + ".\n");
        BarElementCount = kDefaultBarElementCount;
    }
    BarPostTime = layout.FrenzyBarPostTime;
    if (!(BarPostTime > 0.0f)) {
        LogObject("Warning! SandboxFrenzyBarPostTime must be above 0, using 0.25.\n");
        BarPostTime = kDefaultBarPostTime;
    }
}

void CDuneEffect::SetSandbox(CSharedPtr<CSandbox> sandbox) {
    Sandbox = sandbox;
    UpdateSurface();
}

void CDuneEffect::SetBox(float x, float y, float z, float width, float height) {
    box_.X = x;
    box_.Y = y;
    box_.Z = z;
    box_.Width = width;
    box_.Height = height;
    const int32_t n = Sandbox.IsNull() ? 0 : Sandbox->GetColumnCount();
    const size_t count = static_cast<size_t>(std::max(n, 0));
    box_.BasePoints.resize(count);
    box_.ColumnVectors.resize(count);
    box_.BaseTexCoords.resize(count);
    box_.TexDeltas.resize(count);
    if (n >= 2) {
        const float step = width / static_cast<float>(n - 1);
        const float du = box_.TextureRepeat / static_cast<float>(n - 1);
        float px = x;
        float u = 0.0f;
        for (size_t i = 0; i < count; ++i) {
            box_.BasePoints[i] = {px, y - height, z};
            box_.ColumnVectors[i] = {0.0f, height, 0.0f};
            box_.BaseTexCoords[i] = {u, box_.TextureSpan};
            box_.TexDeltas[i] = {0.0f, -box_.TextureSpan};
            px += step;
            u += du;
        }
    }
    UpdateSurface();
}

void CDuneEffect::UpdateSurface() {
    if (Sandbox.IsNull())
        return;
    const std::vector<double>& shown = Sandbox->DisplayProfile;
    surface_.resize(box_.BasePoints.size());
    for (size_t i = 0; i < surface_.size(); ++i) {
        const float h = i < shown.size() ? static_cast<float>(shown[i]) : 0.0f;
        surface_[i] = box_.BasePoints[i] + box_.ColumnVectors[i] * h;
    }
}

void CDuneEffect::Create(int32_t on, float speed) {
    speed = std::fabs(speed);
    if (speed == 0.0f) {
        Shown = on ? 1 : 0;
        FadeLevel = on ? 1.0f : 0.0f;
        FadeSpeed = 0.0f;
    } else {
        FadeSpeed = on ? speed : -speed;
    }

    if (on == 1) {
        if (Manager.IsNull() || !FlyOutSystem.IsNull() || !FlyOutKeeper.IsNull() ||
            !DustSystem.IsNull() || !DustKeeper.IsNull())
            return;
        FlyOutKeeper = CSharedPtr<CDuneSandFlyOut>(new CDuneSandFlyOut());
        FlyOutKeeper->Setup(Sandbox, &box_, SandPath, &surface_, SandInGravity, SandOutGravity,
                            SandPathSpeed, kFlyOutSetupValue);
        FlyOutKeeper->Colour = SandColour;
        FlyOutKeeper->Enabled = 1;
        CCollection2Parametres flyOut(box_.X, box_.Y, box_.Z, nullptr,
                                      CSharedPtr<CCollection2Keeper>(FlyOutKeeper), 2);
        flyOut.KeeperEmission = 1;
        flyOut.EmissionDuration = kEndlessEmission;
        flyOut.AlphaScale = SandAlpha;
        FlyOutSystem = Manager->AddCollection(flyOut, kSystemCapacity, GrainTexture);

        DustKeeper = CSharedPtr<CDuneDustKeeper>(new CDuneDustKeeper());
        DustKeeper->Setup(Sandbox, &box_, &surface_, DustSpeed, HalfDustSpeed, 512.0f, 256.0f);
        DustKeeper->Speed = DustSpeedCopy;
        DustKeeper->Size = DustSize;
        DustKeeper->SizeSpread = HalfDustSize;
        DustKeeper->Colour = DustColour;
        DustKeeper->Enabled = 1;
        CCollection2Parametres dust(box_.X, box_.Y, box_.Z, nullptr,
                                    CSharedPtr<CCollection2Keeper>(DustKeeper), 2);
        dust.KeeperEmission = 1;
        dust.EmissionDuration = kEndlessEmission;
        dust.AlphaScale = DustAlpha;
        DustSystem = Manager->AddCollection(dust, kSystemCapacity, DustTexture);
        return;
    }

    // Hiding: the systems run out on their own; their last particles may still
    // look at the geometry, which lives as long as this object.
    if (!FlyOutKeeper.IsNull())
        FlyOutKeeper->Enabled = 0;
    if (!FlyOutSystem.IsNull())
        FlyOutSystem->EndEmission();
    if (!DustKeeper.IsNull())
        DustKeeper->Enabled = 0;
    if (!DustSystem.IsNull())
        DustSystem->EndEmission();
    FlyOutSystem = CSharedPtr<CParticleSystem>();
    FlyOutKeeper = CSharedPtr<CDuneSandFlyOut>();
    DustSystem = CSharedPtr<CParticleSystem>();
    DustKeeper = CSharedPtr<CDuneDustKeeper>();
}

void CDuneEffect::SetActive(int32_t on, double progress) {
    if (!Sandbox.IsNull()) {
        if (on) {
            BarAlpha = 1.0f;
            Sandbox->SetFrenzy(1, progress);
        } else {
            Sandbox->SetFrenzy(0, 0.0);
        }
    } else if (on) {
        BarAlpha = 1.0f;
    }
    UpdateSurface();
    if (!FlyOutKeeper.IsNull())
        FlyOutKeeper->Enabled = on ? 0 : 1;
    if (!DustKeeper.IsNull())
        DustKeeper->Enabled = on ? 0 : 1;
}

void CDuneEffect::Update(float dt) {
    if (FadeSpeed < 0.0f) {
        FadeLevel += dt * FadeSpeed;
        if (FadeLevel <= 0.0f) {
            FadeLevel = 0.0f;
            Shown = 0;
            FadeSpeed = 0.0f;
        }
    } else if (FadeSpeed > 0.0f) {
        Shown = 1;
        FadeLevel += dt * FadeSpeed;
        if (FadeLevel >= 1.0f) {
            FadeLevel = 1.0f;
            FadeSpeed = 0.0f;
        }
    } else {
        const bool frenzy = !Sandbox.IsNull() && Sandbox->Mode == CSandbox::kFrenzy;
        if (!frenzy && BarAlpha > 0.0f) {
            BarAlpha -= dt / BarPostTime;
            if (BarAlpha < 0.0f)
                BarAlpha = 0.0f;
        }
    }
    UpdateSurface();
}

void CDuneEffect::DropSand(float amount, float x, float y, float, float bottomOffset,
                           float horizontalSpeed, float upwardSpeed, float fallSpeedLimit,
                           float gravity) {
    if (Sandbox.IsNull())
        return;
    const float h = y - (box_.Y - box_.Height) - bottomOffset;
    float t = 0.0f;
    // Without gravity or a fall speed the grain would never land: it lands at once.
    if (h > 0.0f && gravity > 0.0f && fallSpeedLimit > 0.0f) {
        const float a = gravity;
        const float vmax = fallSpeedLimit;
        const float s0 = std::min(upwardSpeed, vmax);
        const float t1 = (vmax + s0) / a;
        const float d1 = 0.5f * a * t1 * t1 - s0 * t1;
        if (d1 < h)
            t = t1 + (h - d1) / vmax;
        else
            t = (s0 + std::sqrt(s0 * s0 + 2.0f * a * h)) / a;
    }
    const int32_t n = Sandbox->GetColumnCount();
    float column = 0.0f;
    if (box_.Width > 0.0f)
        column = ((x + horizontalSpeed * t) - box_.X) / box_.Width * static_cast<float>(n - 1);
    SandDrop drop;
    drop.TimeLeft = t;
    drop.Column = column;
    drop.Amount = amount;
    Sandbox->Grains.push_back(drop);
}

uint32_t CDuneEffect::SetStates(CRenderDevice& device, bool blend) const {
    device.SetTextureStageState(0, gpu::Tss::ColorOp, gpu::Top::Modulate);
    device.SetTextureStageState(0, gpu::Tss::ColorArg1, gpu::Ta::Texture);
    device.SetTextureStageState(0, gpu::Tss::ColorArg2, gpu::Ta::Diffuse);
    device.SetTextureStageState(0, gpu::Tss::AlphaOp, gpu::Top::Modulate);
    device.SetTextureStageState(0, gpu::Tss::AlphaArg1, gpu::Ta::Texture);
    device.SetTextureStageState(0, gpu::Tss::AlphaArg2, gpu::Ta::Diffuse);
    // The sand texture repeats across the box, the bar's star along the run.
    device.SetTextureStageState(0, gpu::Tss::AddressU, gpu::Tadr::Wrap);
    device.SetTextureStageState(0, gpu::Tss::AddressV, gpu::Tadr::Wrap);
    device.SetTextureStageState(1, gpu::Tss::ColorOp, gpu::Top::Disable);
    device.SetTextureStageState(1, gpu::Tss::AlphaOp, gpu::Top::Disable);
    device.SetRenderState(gpu::Rs::CullMode, gpu::Cull::None);
    device.SetRenderState(gpu::Rs::AlphaTestEnable, 1);
    device.SetRenderState(gpu::Rs::AlphaRef, 1);
    device.SetRenderState(gpu::Rs::AlphaFunc, gpu::Cmp::Greater);
    if (blend) {
        device.SetRenderState(gpu::Rs::AlphaBlendEnable, 1);
        device.SetRenderState(gpu::Rs::SrcBlend, gpu::Blend::SrcAlpha);
        device.SetRenderState(gpu::Rs::DestBlend, gpu::Blend::InvSrcAlpha);
    } else {
        device.SetRenderState(gpu::Rs::AlphaBlendEnable, 0);
    }
    const uint32_t zwrite = device.GetCachedRenderState(gpu::Rs::ZWriteEnable);
    device.SetRenderState(gpu::Rs::ZWriteEnable, 1);
    return zwrite;
}

void CDuneEffect::RenderSand(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vb,
                             CSharedPtr<CIndexBuffer> ib) {
    if (device.IsNull() || vb.IsNull() || ib.IsNull() || Sandbox.IsNull())
        return;
    const std::vector<double>& shown = Sandbox->DisplayProfile;
    const size_t n = std::min({box_.BasePoints.size(), box_.ColumnVectors.size(),
                               box_.BaseTexCoords.size(), shown.size()});
    if (n < 2)
        return;
    const uint32_t count = static_cast<uint32_t>(2 * n);

    gpu::Vertex* v = nullptr;
    if (gpu::Failed(vb->Lock(count, &v)) || !v)
        return;
    const uint32_t firstVertex = vb->GetLastStart();
    uint16_t* idx = nullptr;
    if (gpu::Failed(ib->Lock(count, &idx)) || !idx) {
        vb->Unlock();
        return;
    }
    const uint32_t firstIndex = ib->GetLastStart();

    const uint32_t colour =
        WithAlpha(0x00FFFFFFu, static_cast<int32_t>(std::floor(FadeLevel * 255.0f)));
    const bool frenzy = Sandbox->Mode == CSandbox::kFrenzy;
    // Normal sand uses the upper half of the texture, frenzy sand the lower.
    const float offset = frenzy ? 0.0f : -0.5f;
    const float span = box_.TextureSpan;
    for (size_t i = 0; i < n; ++i) {
        const float h = static_cast<float>(shown[i]);
        const CVector3& base = box_.BasePoints[i];
        const CVector3 top = base + box_.ColumnVectors[i] * h;
        const float u = box_.BaseTexCoords[i].U;
        v[2 * i] = {base.X, base.Y, base.Z, colour, u, span + offset, 0.0f, 0.0f};
        v[2 * i + 1] = {top.X, top.Y, top.Z, colour, u, span + offset - 0.5f * span * h,
                        0.0f, 0.0f};
    }
    for (uint32_t k = 0; k < count; ++k)
        idx[k] = static_cast<uint16_t>(firstVertex + k);
    ib->Unlock();
    vb->Unlock();

    const uint32_t zwrite = SetStates(*device, FadeLevel != 1.0f);
    device->SetTexture(0, SurfaceTexture);
    device->DrawIndexedPrimitive(gpu::Prim::TriangleStrip, firstVertex, count, firstIndex,
                                 count - 2);
    device->SetRenderState(gpu::Rs::ZWriteEnable, zwrite);
}

void CDuneEffect::RenderBox(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vb,
                            CSharedPtr<CIndexBuffer> ib) {
    if (device.IsNull() || vb.IsNull() || ib.IsNull())
        return;

    // The frenzy bar: the element being filled and the run of full ones.
    const double progress = Sandbox.IsNull() ? 0.0 : Sandbox->FrenzyProgress;
    int32_t barQuads = 0;
    float p = 0.0f;
    int32_t k = 0;
    if (BarAlpha > 0.0f && BarElementCount > 0) {
        p = static_cast<float>(BarElementCount * progress);
        if (!(p >= 0.0f))
            p = 0.0f;
        k = static_cast<int32_t>(std::min(std::floor(p), static_cast<float>(BarElementCount - 1)));
        barQuads = 1;
        if (progress >= 1.0 / BarElementCount && k >= 1)
            barQuads = 2;
    }
    // The row of empty slots, faint under whatever fills them.
    const int32_t rowQuads = SlotsShown && BarElementCount > 0 ? 1 : 0;

    const uint32_t quads = 6 + static_cast<uint32_t>(barQuads + rowQuads);
    gpu::Vertex* v = nullptr;
    if (gpu::Failed(vb->Lock(quads * 4, &v)) || !v)
        return;
    const uint32_t firstVertex = vb->GetLastStart();
    uint16_t* idx = nullptr;
    if (gpu::Failed(ib->Lock(quads * 6, &idx)) || !idx) {
        vb->Unlock();
        return;
    }
    const uint32_t firstIndex = ib->GetLastStart();

    const float ox = box_.X + FrontShift[0];
    const float oy = box_.Y + FrontShift[1];
    const float oz = box_.Z + FrontShift[2];
    const int32_t glassAlpha =
        static_cast<int32_t>(std::floor(FadeLevel * static_cast<float>(GlassColour >> 24)));
    const uint32_t glass = WithAlpha(GlassColour, glassAlpha);
    const uint32_t white =
        WithAlpha(0x00FFFFFFu, static_cast<int32_t>(std::floor(FadeLevel * 255.0f)));
    for (int layer = 0; layer < 2; ++layer) {
        for (int q = 0; q < 3; ++q) {
            const FrontQuad& f = kFrontQuads[q];
            WriteQuad(v + 4 * (3 * layer + q), ox + f.X, oy, oz, f.Width, kFrontHeight, f.U0, f.V0,
                      f.U1, f.V1, layer == 0 ? glass : white);
        }
    }
    const float bx = box_.X + BarShift[0];
    const float by = box_.Y + BarShift[1];
    const float bz = box_.Z + FrontShift[2];
    if (rowQuads > 0) {
        const auto count = static_cast<float>(BarElementCount);
        WriteQuad(v + 24 + 4 * barQuads, bx, by, bz, count * BarElementWidth, BarElementHeight,
                  0.0f, 0.0f, count, 1.0f,
                  WithAlpha(BarColour, static_cast<int32_t>(
                                           std::floor(FadeLevel * kEmptySlotAlpha * 255.0f))));
    }
    if (barQuads > 0) {
        const float level = FadeLevel * BarAlpha;
        const int32_t fillingAlpha = std::min(
            255, static_cast<int32_t>(std::floor(level * (p - static_cast<float>(k)) * 255.0f)));
        WriteQuad(v + 24, bx + static_cast<float>(k) * BarElementWidth, by, bz, BarElementWidth,
                  BarElementHeight, 0.0f, 0.0f, 1.0f, 1.0f, WithAlpha(BarColour, fillingAlpha));
        if (barQuads == 2) {
            const int32_t fullAlpha = static_cast<int32_t>(std::floor(level * 255.0f));
            WriteQuad(v + 28, bx, by, bz, static_cast<float>(k) * BarElementWidth,
                      BarElementHeight, 0.0f, 0.0f, static_cast<float>(k), 1.0f,
                      WithAlpha(BarColour, fullAlpha));
        }
    }
    for (uint32_t q = 0; q < quads; ++q)
        WriteQuadIndices(idx + 6 * q, firstVertex + 4 * q);
    ib->Unlock();
    vb->Unlock();

    const uint32_t zwrite = SetStates(*device, true);
    device->SetTexture(0, GlassTexture);
    device->DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex, 12, firstIndex, 6);
    device->SetTexture(0, FrontTexture);
    device->DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex + 12, 12, firstIndex + 18,
                                 6);
    if (barQuads + rowQuads > 0) {
        const auto barAndRow = static_cast<uint32_t>(barQuads + rowQuads);
        device->SetRenderState(gpu::Rs::DestBlend, gpu::Blend::One);
        device->SetTexture(0, BarTexture);
        device->DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex + 24, 4 * barAndRow,
                                     firstIndex + 36, 2 * barAndRow);
    }
    device->SetRenderState(gpu::Rs::ZWriteEnable, zwrite);
}
