#include "totems/GreenTotem.h"

#include <algorithm>
#include <cmath>

#include "audio/SoundBank.h"
#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/SimpleSpriteSystemKeeper.h"
#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "engine/Random.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "totems/TotemAction.h"
#include "totems/TotemPanel.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kTwoPi = 2.0f * kPi;
constexpr float kForever = 10000000.0f;
constexpr int32_t kRaysBelow = 20;
constexpr int32_t kFlaresBelow = 5;
constexpr float kHeadFadeSpeed = 10.0f;
constexpr float kHeadAfterLife = 0.2f;
// Sparkles and big flares come from the upper half of the gem flares picture.
constexpr float kSparkleRow0 = 0.625f;
constexpr float kSparkleRow1 = 0.875f;
// The chain pictures of the caps' chain texture: a loose link and a spark.
constexpr float kLinkRect[4] = {0.71875f, 0.0f, 0.828125f, 0.21875f};
constexpr float kSparkRect[4] = {0.734375f, 0.25f, 0.984375f, 0.75f};
constexpr int32_t kChainPieces = 11;
// A flying link as a share of the figure's width.
constexpr float kLinkSize = 0.14f;
constexpr int32_t kChainParticles = 20;
constexpr int32_t kChainAbove = 2;
constexpr int32_t kTailParticles = 200;
constexpr int32_t kGlowCount = 5;
constexpr float kGlowFadeOut = 0.2f;
constexpr int32_t kChainPartFigure = 6;

} // namespace

// ---- CGreenRay -----------------------------------------------------------------

CGreenRay::~CGreenRay() {
    if (Layer.IsNull())
        return;
    if (!Beam.IsNull())
        Layer->Remove(Beam);
    if (!Head.IsNull()) {
        Head->FadeTo(0.0f);
        Head->LifeOn = 1;
        Head->RemainingLife = kHeadAfterLife;
    }
}

void CGreenRay::Init(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CTexture> beam,
                     CSharedPtr<CTexture> head, const CGreenTotemParams& p) {
    Layer = layer;
    BeamTexture = beam;
    HeadTexture = head;
    BeamColour = p.RayColour;
    Thickness = p.RayThickness;
    Tan = p.RayTan;
    Speed = p.RaySpeed;
    Length = p.RayLen;
    RepeatLength = p.Ray2PiLen;
    HeadColour = p.RayFlareColour;
    HeadSize = p.RayHeadSize;
    HeadSpin = p.RayHeadW;
}

float CGreenRay::Launch(const CVector3& start, const CVector3& end, float delay, int32_t zOrder) {
    Start = start;
    const CVector3 d = end - start;
    Distance = d.Length();
    Direction = TotemDirection(d);
    Normal = CVector3(-Direction.Y, Direction.X, Direction.Z);
    const float halves = std::floor(2.0f * Distance / RepeatLength + 0.5f) * 0.5f;
    Repeat = Distance > 0.0f ? std::max(0.5f, halves) / Distance : 0.0f;
    Travelled = -Speed * delay;

    // Corners are offsets from the start point: a unit sprite on the world axes.
    Beam = CSharedPtr<CSpriteQuad>(
        new CSpriteQuad(start.X, start.Y, start.Z, 1.0f, 1.0f, BeamColour, BeamTexture, 1));
    Beam->SetBlend(1, CSpriteQuad::BlendAdd);
    Beam->SetFrameRect(0, 0.0f, 0.5f, 1.0f, 1.0f);
    const CTexCoord none[4] = {{Normal.X * Thickness, Normal.Y * Thickness},
                               {-Normal.X * Thickness, -Normal.Y * Thickness},
                               {-Normal.X * Thickness, -Normal.Y * Thickness},
                               {Normal.X * Thickness, Normal.Y * Thickness}};
    Beam->SetCorners(none);
    Beam->Key = zOrder;
    Head = CSharedPtr<CSpriteQuad>(
        new CSpriteQuad(start.X, start.Y, start.Z, HeadSize, HeadSize, HeadColour, HeadTexture, 1));
    Head->SetBlend(1, CSpriteQuad::BlendAdd);
    Head->Key = zOrder;
    Head->SetRotation(kTwoPi * RandomFloat());
    Head->SpinOn = 1;
    Head->SpinSpeed = HeadSpin;
    Head->FadeSpeed = kHeadFadeSpeed;
    Head->SetAlpha(0.0f);
    if (!Layer.IsNull()) {
        Layer->Add(Beam);
        Layer->Add(Head);
    }
    return (Length + Distance) / Speed + delay;
}

int32_t CGreenRay::Update(float dt) {
    const float before = Travelled;
    Travelled += Speed * dt;
    if (before <= 0.0f && Travelled > 0.0f && !Head.IsNull())
        Head->FadeTo(1.0f);
    const float head = std::clamp(Travelled, 0.0f, Distance);
    const float tail = std::clamp(Travelled - Length, 0.0f, Distance);
    // The beam widens by the tangent along its length.
    auto edge = [&](float side, float at) {
        const float across = side * (Thickness + Tan * at);
        return CTexCoord{Direction.X * at + Normal.X * across,
                         Direction.Y * at + Normal.Y * across};
    };
    if (!Beam.IsNull()) {
        const CTexCoord c[4] = {edge(1.0f, tail), edge(-1.0f, tail), edge(-1.0f, head),
                                edge(1.0f, head)};
        Beam->SetCorners(c);
        // The lower half of the picture is a seamless strip: u runs along
        // the beam and moves with it, v across.
        const float u0 = Repeat * tail, u1 = Repeat * head;
        const CTexCoord frame[4] = {{u0, 0.5f}, {u0, 1.0f}, {u1, 1.0f}, {u1, 0.5f}};
        Beam->SetFrameCorners(0, frame);
    }
    if (!Head.IsNull()) {
        const float across = 0.5f + 0.5f * std::sin(kTwoPi * Repeat * head);
        const CTexCoord a = edge(1.0f, head), b = edge(-1.0f, head);
        Head->Position = CVector3(Start.X + a.U + (b.U - a.U) * across,
                                  Start.Y + a.V + (b.V - a.V) * across, Start.Z);
    }
    if (tail < Distance)
        return 1;
    if (!Head.IsNull())
        Head->FadeTo(0.0f);
    return 0;
}

// ---- CUnigem -------------------------------------------------------------------

CUnigem::~CUnigem() {
    ClearEffectList();
}

void CUnigem::Init(float size, uint32_t tailColour, float tailSize, float fadeIn,
                   CSharedPtr<CParticleSystemsManager> particles, CSharedPtr<CQuadLayer> quads,
                   CSharedPtr<CTexture> gem, CSharedPtr<CTexture> star) {
    struct Layer {
        float scale;
        float rect[4];
        float spin;
    };
    // A halo under four gem layers turning against each other.
    const Layer layers[kGlowCount] = {{3.0f, {0.5f, 0.0f, 1.0f, 0.5f}, 0.0f},
                                      {1.0f, {0.0f, 0.0f, 0.25f, 0.25f}, kPi / 2.0f},
                                      {1.0f, {0.0f, 0.25f, 0.25f, 0.5f}, kPi},
                                      {1.25f, {0.25f, 0.25f, 0.5f, 0.5f}, -kPi / 2.0f},
                                      {1.0f, {0.25f, 0.0f, 0.5f, 0.25f}, -kPi}};
    for (int i = 0; i < kGlowCount; ++i) {
        const Layer& l = layers[i];
        CSharedPtr<CQuad> q(new CQuad(Position.X, Position.Y, Position.Z, gem, 0x00FFFFFFu));
        q->SetScale(l.scale * size, l.scale * size);
        q->SetTexRect(l.rect[0], l.rect[1], l.rect[2], l.rect[3]);
        q->HoldEnd = kForever;
        q->FadeOutTime = kGlowFadeOut;
        q->FadeInTime = fadeIn;
        q->FlickerAmplitude = 0.0f;
        if (i == 0)
            q->AlphaMultiplier = static_cast<float>(tailColour >> 24) * 0.5f / 255.0f;
        if (l.spin != 0.0f)
            q->StartRotation(kTwoPi * RandomFloat(), l.spin, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
        if (!quads.IsNull())
            quads->Add(q);
        Glows.push_back(q);
    }
    if (particles.IsNull())
        return;
    CSpellsSpringParametres tail(Position.X, Position.Y, Position.Z, 0.0f, 0.0f, 0.0f,
                                 2.0f * tailSize, tailSize, tailSize, 0.5f * tailSize, tailColour);
    tail.EmissionDuration = kForever;
    tail.FadeRate = 0.75f;
    tail.FadeVariation = 0.25f;
    tail.TrailMode = 1;
    tail.RandomAngle = 1;
    tail.EmissionRate = EffectScale * 20.0f;
    tail.Spin = 512.0f;
    tail.SpinVariation = 256.0f;
    Tail = particles->AddSpells(tail, kTailParticles, star);
}

void CUnigem::SetPosition(const CVector3& p) {
    Position = p;
    for (const CSharedPtr<CQuad>& q : Glows)
        q->Position = p;
    if (!Tail.IsNull())
        Tail->SetPosition(p.X, p.Y, p.Z);
}

void CUnigem::Update(float dt, float left) {
    if (!(left > 0.0f)) {
        SetPosition(Target);
        return;
    }
    // The share of the way left that this frame covers: it arrives exactly
    // when the time left runs out.
    const float f = dt / (left + dt);
    SetPosition(Position * (1.0f - f) + Target * f);
}

void CUnigem::ClearEffectList() {
    Cleared = 1;
    for (const CSharedPtr<CQuad>& q : Glows)
        q->BeginFadeOut();
    Glows.clear();
    if (!Tail.IsNull())
        Tail->Stop();
    Tail = CSharedPtr<CParticleSystem>();
}

// ---- CGreenTotem ---------------------------------------------------------------

CGreenTotem::CGreenTotem() : CTotem(kColour) {
    ShineColour = 0x00FFFFE5u;
    Rays.reserve(20);
    Unigems.reserve(20);
}

CGreenTotem::~CGreenTotem() {
    CGreenTotem::Release();
}

void CGreenTotem::SetParams(const CTotemColourParams& params) {
    CTotem::SetParams(params);
    if (const auto* green = dynamic_cast<const CGreenTotemParams*>(&params))
        Params = *green;
}

const float* CGreenTotem::FlareArea() const {
    return Params.Flares[std::clamp(Tier, 1, CGreenTotemParams::kTiers) - 1];
}

CVector3 CGreenTotem::AreaPoint(float lo, float span) const {
    const float* a = FlareArea();
    const float r1 = lo + span * RandomFloat();
    const float r2 = lo + span * RandomFloat();
    return CVector3(a[0] + r1 * a[3] + r2 * a[5], a[1] + r1 * a[4] + r2 * a[6], a[2]);
}

void CGreenTotem::Init(int32_t mode, CSharedPtr<CTotemShapes> shapes) {
    CTotem::Init(mode, shapes);
    if (Mode != kSelected || Tier < 3)
        return;
    // The chain-less pictures the chain break switches to; a short set has none.
    const float* s = Params.NoChainShadowRect;
    const float* m = Params.NoChainRect;
    if (!FigureSprites.empty())
        FigureSprites.front()->AddFrame(s[0], s[1], s[2], s[3]);
    if (FigureSprites.size() > kChainPartFigure)
        FigureSprites[kChainPartFigure]->AddFrame(m[0], m[1], m[2], m[3]);
}

void CGreenTotem::RemoveBigFlares() {
    for (CSharedPtr<CSpriteQuad>& f : BigFlares) {
        if (!f.IsNull() && !Res.SpriteLayer.IsNull())
            Res.SpriteLayer->Remove(f);
        f = CSharedPtr<CSpriteQuad>();
    }
}

void CGreenTotem::Release() {
    RemoveBigFlares();
    CTotem::Release();
    Rays.clear();
    Unigems.clear();
}

void CGreenTotem::Activate(int32_t kind) {
    CTotem::Activate(kind);
    PowerTime = 0.0f;
    ChainLightTime = 0.0f;
    WantsTarget = 1;
    ChainBroken = 0;
    SoundPlayed = 0;
    ApplyFlag = 0;
    Arrived = 0;
}

void CGreenTotem::SetArmed(int32_t armed, int32_t /*level*/) {
    if (!armed) {
        RemoveBigFlares();
        return;
    }
    if (!BigFlares[0].IsNull() || Tier <= 1)
        return;
    for (int i = 0; i < 2; ++i) {
        BigFlarePoints[i] = AreaPoint(0.0f, 1.0f);
        const CVector3 p =
            FigurePoint(BigFlarePoints[i].X, BigFlarePoints[i].Y, BigFlarePoints[i].Z);
        const float s = Params.BigFSize * Size[0];
        CSharedPtr<CSpriteQuad> f(new CSpriteQuad(p.X, p.Y, p.Z, s, s, 0xFFFFFFFFu, Res.Bonus, 1));
        const float u = static_cast<float>(i) * 0.5f;
        f->SetFrameRect(0, u, 0.0f, u + 0.5f, 0.5f);
        f->SetBlend(1, CSpriteQuad::BlendAdd);
        f->SetAlpha(1.0f);
        f->FadeTo(1.0f);
        f->Key = ZOrder - kFlaresBelow;
        f->SetRotation(RandomFloat() * kPi);
        f->SpinOn = 1;
        f->SpinSpeed = Params.BigFW;
        if (!Res.SpriteLayer.IsNull())
            Res.SpriteLayer->Add(f);
        BigFlares[i] = f;
    }
}

void CGreenTotem::AnimateFlares(float dt) {
    if (BigFlares[0].IsNull() && BigFlares[1].IsNull())
        return;
    BigFlareTime += dt;
    const float phase = BigFlareTime / Params.BigFT;
    const float previous = (BigFlareTime - dt) / Params.BigFT;
    // Each flare moves to a new spot while it is smallest.
    if (std::floor(phase + 0.5f) != std::floor(previous + 0.5f))
        BigFlarePoints[0] = AreaPoint(0.0f, 1.0f);
    if (std::floor(phase) != std::floor(previous))
        BigFlarePoints[1] = AreaPoint(0.0f, 1.0f);
    const float c = 0.5f + 0.5f * std::cos(kTwoPi * phase);
    const float scale[2] = {c <= 0.01f ? 0.01f : c, c >= 0.99f ? 0.01f : 1.0f - c};
    const float a = Params.BigFIntensity;
    const float alpha[2] = {c >= 0.1f ? a : 10.0f * c * a, c <= 0.9f ? a : 10.0f * (1.0f - c) * a};
    for (int i = 0; i < 2; ++i) {
        CSpriteQuad* f = BigFlares[i].Get();
        if (!f)
            continue;
        f->Position = FigurePoint(BigFlarePoints[i].X, BigFlarePoints[i].Y, BigFlarePoints[i].Z);
        const float s = Params.BigFSize * Size[0] * scale[i];
        f->SetScale(s, s);
        f->SetAlpha(alpha[i] * Alpha);
        f->TargetAlpha = f->Alpha;
    }
}

void CGreenTotem::Sparkle(float dt) {
    SparkleTime += dt;
    const auto n = static_cast<int32_t>(std::floor(SparkleTime / Params.SmallFT));
    if (n <= 0)
        return;
    SparkleTime -= static_cast<float>(n) * Params.SmallFT;
    if (Res.QuadLayer.IsNull())
        return;
    for (int32_t i = 0; i < n; ++i) {
        const CVector3 a = AreaPoint(0.0f, 1.0f);
        const CVector3 p = FigurePoint(a.X, a.Y, a.Z);
        CSharedPtr<CQuad> q(new CQuad(p.X, p.Y, p.Z, Res.Bonus, 0x00FFFFFFu));
        const float k = std::min(std::floor(4.0f * RandomFloat()), 3.0f);
        q->SetTexRect(k / 4.0f, kSparkleRow0, (k + 1.0f) / 4.0f, kSparkleRow1);
        const float s = Params.SmallFSize * Size[0];
        q->SetScale(s, s);
        q->AlphaMultiplier = Params.SmallFIntensity;
        q->FlickerAmplitude = 0.0f;
        q->HoldEnd = Params.SmallFLifeTime;
        q->FadeInTime = Params.SmallFLifeTime * 0.1f;
        q->FadeOutTime = Params.SmallFLifeTime * 0.2f;
        q->StartRotation(kTwoPi * RandomFloat(), Params.SmallFW, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f,
                         0.0f);
        Res.QuadLayer->Add(q);
    }
}

void CGreenTotem::SetTarget(const std::vector<CTotemPoint>& rayTargets,
                            const std::vector<CTotemPoint>& gemTargets,
                            const std::vector<CTotemCell>& gemCells,
                            std::vector<float>& arrivalTimes) {
    PowerTime = 0.0f;
    const CVector3& point = Params.Points[std::clamp(Tier, 1, CGreenTotemParams::kTiers) - 1];
    const CVector3 s = FigurePoint(point.X, point.Y, point.Z);

    if (!Res.QuadLayer.IsNull()) {
        CSharedPtr<CQuad> flare(new CQuad(s.X, s.Y, s.Z, Res.Halo, Params.RayFlareColour));
        const float size = 3.0f * Params.RayThickness;
        flare->SetScale(size, size);
        flare->AlphaMultiplier = static_cast<float>(Params.RayColour >> 24) / 255.0f;
        flare->FadeInTime = Params.PreRayTime * 0.5f;
        flare->HoldEnd = Params.RayFlareTime;
        flare->FadeOutTime = Params.RayFlareTime * 0.25f;
        flare->FlickerAmplitude = 0.0f;
        flare->StartRotation(kTwoPi * RandomFloat(), kPi / 4.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f,
                             0.0f);
        flare->StartScale(2.0f, 1.0f / Params.PreRayTime);
        Res.QuadLayer->Add(flare);
    }
    for (const CTotemPoint& t : rayTargets) {
        CSharedPtr<CGreenRay> ray(new CGreenRay());
        ray->Init(Res.SpriteLayer, Res.Unigem, Res.Halo, Params);
        const float time =
            ray->Launch(s, CVector3(t.X, t.Y, s.Z), Params.PreRayTime, ZOrder - kRaysBelow);
        arrivalTimes.push_back(time - Params.RayInTermTime);
        Rays.push_back(ray);
    }
    // Lists of unequal length pair up as far as the shorter goes.
    const size_t gems = std::min(gemTargets.size(), gemCells.size());
    for (size_t i = 0; i < gems; ++i) {
        const CVector3 a = AreaPoint(0.25f, 0.5f);
        CSharedPtr<CUnigem> gem(new CUnigem());
        gem->EffectScale = EffectScale;
        gem->Position = FigurePoint(a.X, a.Y, a.Z);
        gem->Target = CVector3(gemTargets[i].X, gemTargets[i].Y, s.Z);
        gem->Column = gemCells[i].Column;
        gem->Row = gemCells[i].Row;
        gem->Init(Params.UnigemSize, Params.UnigemTailColour, Params.UnigemTailPSize,
                  Params.UnigemStartFlyTime, Res.Particles, Res.QuadLayer, Res.Unigem, Res.Star);
        Unigems.push_back(gem);
    }
}

void CGreenTotem::ChainLights(float dt) {
    ChainLightTime += dt;
    const auto n = static_cast<int32_t>(std::floor(ChainLightTime / Params.ChainLightT));
    if (n < 1)
        return;
    ChainLightTime -= static_cast<float>(n) * Params.ChainLightT;
    if (Res.QuadLayer.IsNull())
        return;
    const float* c = Params.Chain;
    for (int32_t i = 0; i < n; ++i) {
        // The chain hangs as a parabola between its ends.
        const float r = 2.0f * RandomFloat() - 1.0f;
        const float along = c[0] + (1.0f + r) * 0.5f * c[2];
        const float across = c[1] - c[3] * (1.0f - r * r);
        const CVector3 p = FigurePoint(along, across, -static_cast<float>(kChainAbove));
        CSharedPtr<CQuad> q(new CQuad(p.X, p.Y, p.Z, Res.ChainLight, Params.ChainLightColour));
        const float s = Params.ChainLightSize * Size[0];
        q->SetScale(s, s);
        q->SetTexRect(kSparkRect[0], kSparkRect[1], kSparkRect[2], kSparkRect[3]);
        q->HoldEnd = Params.ChainLightLifeTime;
        q->FadeInTime = q->FadeOutTime = Params.ChainLightLifeTime * 0.25f;
        Res.QuadLayer->Add(q);
    }
}

void CGreenTotem::BreakChain() {
    ChainBroken = 1;
    if (!Res.Particles.IsNull()) {
        CSharedPtr<CSimpleSpriteSystemKeeper> keeper(new CSimpleSpriteSystemKeeper());
        keeper->SetParameters(16, 40.0f, 40.0f, 0.0f);
        keeper->SetFrameRect(0, kLinkRect[0], kLinkRect[1], kLinkRect[2], kLinkRect[3]);
        keeper->Floor = -400.0f;
        // Links of the size the chain shows on the figure.
        keeper->Width = keeper->Height = kLinkSize * Size[0];
        keeper->WidthSpread = keeper->HeightSpread = 0.25f * kLinkSize * Size[0];
        keeper->Speed = 150.0f;
        keeper->SpeedSpread = 75.0f;
        keeper->Gravity = 2000.0f;
        const float* c = Params.Chain;
        const float w = Size[0], h = Size[1];
        const CVector3 a = AxisX * (c[0] * w) + AxisY * (c[1] * h);
        const CVector3 b = AxisX * ((c[0] + c[2]) * w) + AxisY * (c[1] * h);
        keeper->GenerateLine(a.X, a.Y, a.Z, b.X, b.Y, b.Z, kChainPieces);
        CCollection2Parametres block(Position.X, Position.Y,
                                     Position.Z - static_cast<float>(kChainAbove), nullptr, keeper,
                                     2);
        block.KeeperEmission = 1;
        Res.Particles->AddCollection(block, kChainParticles, Res.Chain);
    }
    if (!FigureSprites.empty())
        FigureSprites.front()->CurrentFrame = 1;
    if (FigureSprites.size() > kChainPartFigure)
        FigureSprites[kChainPartFigure]->CurrentFrame = 1;
}

int32_t CGreenTotem::Update(float dt) {
    if (FadeStep(dt))
        return 1;
    AnimateFlares(dt);
    if (!BigFlares[0].IsNull())
        Sparkle(dt);
    if (State == kMoving)
        return MoveStep(dt);
    if (State != kRunning && State != kRunningLevel3)
        return 0;
    PowerTime += dt;
    for (size_t i = 0; i < Rays.size();) {
        if (Rays[i]->Update(dt))
            ++i;
        else
            Rays.erase(Rays.begin() + static_cast<std::ptrdiff_t>(i));
    }
    if (!Unigems.empty() && PowerTime >= Params.UnigemStartFlyTime) {
        if (!SoundPlayed && !SoundBank.IsNull())
            SoundBank->PlaySampleAt(SoundBank->Group(ESound::TotemGreen2), Position.X, 0, 0);
        SoundPlayed = 1;
        float left = Params.UnigemFlyTime - PowerTime;
        if (left <= 0.0f) {
            left = 0.0f;
            // The field is told once; it then empties the list.
            ApplyFlag = Arrived ? 0 : 1;
            Arrived = 1;
        }
        for (const CSharedPtr<CUnigem>& gem : Unigems)
            gem->Update(dt, left);
    }
    if (Level == 3 && !ChainBroken) {
        ChainLights(dt);
        if (PowerTime >= Params.ChainTime)
            BreakChain();
    }
    if (WantsTarget || !(PowerTime > Params.PauseTime) || !Rays.empty() || !Unigems.empty())
        return 0;
    return FinishPower();
}

void CGreenTotem::EmitActions(CTotemPanel& panel) {
    CTotemAction a;
    a.kind = CTotemAction::kGreen;
    if (WantsTarget) {
        a.value = 0;
        panel.PushAction(a);
    } else if (ApplyFlag) {
        ApplyFlag = 0;
        a.value = 1;
        panel.PushAction(a);
    }
}
