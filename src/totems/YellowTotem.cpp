#include "totems/YellowTotem.h"

#include <algorithm>
#include <cmath>

#include "effects/KeeperMath.h"
#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/VortexKeeper.h"
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
constexpr int32_t kNumberBelow = 10;
constexpr int32_t kSwirlParticles = 120;
constexpr float kForever = 10000000.0f;
constexpr int32_t kSwirlBlend = 2;
constexpr float kSwirlScale = 32.0f;
// The plus sign sits in the last cell of the figure picture.
constexpr float kPlusU = 0.9375f;
constexpr float kPlusV = 0.875f;
constexpr float kPlusCell = 0.0625f;
constexpr float kSmokeRate = 80.0f;
constexpr float kSparkleDepth = 10.0f;
constexpr float kSparkleRow0 = 0.625f;
constexpr float kSparkleRow1 = 0.875f;
constexpr int32_t kBoltParticles = 80;
constexpr int32_t kBoltSegments = 4;
constexpr float kBoltWidth = 6.0f;
constexpr float kBoltTime = 0.25f;

// The plus swirl: a vortex whose particles all show the plus sign.
class CPlusKeeper : public CVortexKeeper {
public:
    int32_t InitParticle(int32_t index, CCollectedParticle2& p, float x, float y,
                         float z) override {
        CVortexKeeper::InitParticle(index, p, x, y, z);
        keeper::ApplyCorners(
            p, keeper::RectCorners(kPlusU, kPlusV, kPlusU + kPlusCell, kPlusV + kPlusCell));
        return 1;
    }
};

} // namespace

CYellowTotem::CYellowTotem() : CTotem(kColour) {
    ShineColour = 0xFF73C6FFu;
}

CYellowTotem::~CYellowTotem() {
    CYellowTotem::Release();
}

void CYellowTotem::SetParams(const CTotemColourParams& params) {
    CTotem::SetParams(params);
    if (const auto* yellow = dynamic_cast<const CYellowTotemParams*>(&params))
        Params = *yellow;
}

size_t CYellowTotem::TierIndex() const {
    return static_cast<size_t>(std::clamp(Tier, 1, CYellowTotemParams::kTiers) - 1);
}

CSpriteQuad* CYellowTotem::Nugget() const {
    // A figure without parts has no nugget to fade.
    return FigureSprites.empty() ? nullptr : FigureSprites.back().Get();
}

void CYellowTotem::Init(int32_t mode, CSharedPtr<CTotemShapes> shapes) {
    CTotem::Init(mode, shapes);
    if (CSpriteQuad* nugget = Nugget(); nugget && Mode == kSelected)
        nugget->FadeSpeed = 1.0f / Params.NuggetFadeTime;
}

void CYellowTotem::Release() {
    CTotem::Release();
    EndEffects();
}

void CYellowTotem::EndEffects() {
    if (!Number.IsNull() && !Res.SpriteLayer.IsNull())
        Res.SpriteLayer->Remove(Number);
    Number = CSharedPtr<CSpriteQuad>();
    PlusKeeper = CSharedPtr<CVortexKeeper>();
    if (!PlusSystem.IsNull())
        PlusSystem->Stop();
    PlusSystem = CSharedPtr<CParticleSystem>();
}

void CYellowTotem::Activate(int32_t kind) {
    CTotem::Activate(kind);
    // A relaunch starts clean.
    EndEffects();
    Timer = 0.0f;
    StartPending = 1;
    NumberPhase = kFlying;
}

CVector3 CYellowTotem::StartPoint() const {
    const CVector3& c = Params.SmokeCentres[TierIndex()];
    return FigurePoint(c.X, c.Y, c.Z);
}

void CYellowTotem::Sparkle(float dt) {
    SparkleTime += dt;
    const float period = Params.FlareT;
    const auto n = static_cast<int32_t>(std::floor(SparkleTime / period));
    if (n <= 0)
        return;
    SparkleTime -= static_cast<float>(n) * period;
    if (Res.QuadLayer.IsNull())
        return;
    const size_t k = TierIndex();
    const float* flare = Params.Flares[k];
    const uint32_t colour = Params.FlareColour | 0x00FFFFFFu;
    for (int32_t i = 0; i < n; ++i) {
        const float a = kTwoPi * RandomFloat();
        const float r = 0.5f * std::sqrt(RandomFloat());
        const CVector3 p = FigurePoint(flare[0] + flare[2] * r * std::cos(a),
                                       flare[1] + flare[3] * r * std::sin(a), -kSparkleDepth);
        CSharedPtr<CQuad> q(new CQuad(p.X, p.Y, p.Z, Res.Bonus, colour));
        const float f = std::min(std::floor(4.0f * RandomFloat()), 3.0f);
        q->SetTexRect(f / 4.0f, kSparkleRow0, (f + 1.0f) / 4.0f, kSparkleRow1);
        const float s = Params.FlareSize * Size[0];
        q->SetScale(s, s);
        q->AlphaMultiplier = static_cast<float>(Params.FlareColour >> 24) / 255.0f;
        q->FlickerAmplitude = 0.0f;
        q->HoldEnd = Params.FlareLifeTime;
        q->FadeInTime = q->FadeOutTime = Params.FlareLifeTime * 0.5f;
        q->StartRotation(kTwoPi * RandomFloat(), Params.FlareW, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
        Res.QuadLayer->Add(q);
    }
}

void CYellowTotem::Start(const CVector3& p) {
    if (CSpriteQuad* nugget = Nugget())
        nugget->FadeTo(0.0f);
    const size_t k = TierIndex();
    const float w = Size[0], h = Size[1];
    Number = CSharedPtr<CSpriteQuad>(new CSpriteQuad(p.X, p.Y, p.Z, Params.NumberSizes[k][0] * w,
                                                     Params.NumberSizes[k][1] * h, 0xFFFFFFFFu,
                                                     Res.Colour, 1));
    Number->SetBlend(1, CSpriteQuad::BlendAdd);
    // Tier 1 at level 2 shows the first picture, tier 4 at level 3 the last.
    const auto picture =
        static_cast<size_t>(std::clamp(Tier + Level - 3, 0, CYellowTotemParams::kNumbers - 1));
    const float* t = Params.NumberRects[picture];
    Number->SetFrameRect(0, t[0], t[1], t[2], t[3]);
    Number->SetAlpha(0.0f);
    Number->FadeSpeed = 1.0f / Params.NumberFadeTime;
    Number->Key = ZOrder - kNumberBelow;
    Number->FadeTo(1.0f);
    if (!Res.SpriteLayer.IsNull())
        Res.SpriteLayer->Add(Number);
    if (Res.Particles.IsNull())
        return;

    CSharedPtr<CVortexKeeper> keeper(new CPlusKeeper());
    keeper->SetFrameLayout(0);
    keeper->SetAppearance(0xFFFFFFFFu, Params.PlusSize, Params.PlusSize, 20.0f, 10.0f, 0.5f, 2.0f,
                          256.0f);
    keeper->EmissionRate = EffectScale * kSwirlScale;
    // The plus signs whirl the other way round.
    keeper->Orientation[2][2] = -1.0f;
    keeper->Orientation[0][0] = -1.0f;
    CCollection2Parametres block(p.X, p.Y, p.Z, nullptr, keeper, kSwirlBlend);
    block.KeeperEmission = 1;
    block.EmissionDuration = kForever;
    PlusKeeper = keeper;
    PlusSystem = Res.Particles->AddCollection(block, kSwirlParticles, Res.Colour);

    CSmokesSpringParametres smoke(p.X, p.Y, p.Z, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f,
                                  Params.SmokePlatformSizes[k] * w, 2.0f, 0.25f, 0.0f,
                                  Params.SmokeColour, 0);
    smoke.Speed = Params.SmokeUpSpeed * w;
    smoke.SpeedVariation = smoke.Speed * 0.25f;
    smoke.Growth = Params.SmokeExpand * w;
    smoke.GrowthVariation = smoke.Growth * 0.25f;
    smoke.FadeOutRate = Params.SmokeFadeSpeed;
    smoke.FadeOutVariation = Params.SmokeFadeSpeed * 0.25f;
    smoke.Size = Params.SmokeSize * w;
    smoke.SizeVariation = smoke.Size * 0.5f;
    smoke.EmissionDuration = Params.NumberFlyTime;
    smoke.EmissionRate = EffectScale * kSmokeRate;
    const auto count =
        static_cast<int32_t>(std::floor(3.0f * smoke.EmissionRate / Params.SmokeFadeSpeed));
    smoke.ParticleCount = count;
    Res.Particles->AddSmokes(smoke, count, Res.Fire);
}

void CYellowTotem::Strike() {
    if (Res.Particles.IsNull())
        return;
    const CVector3& a = Params.NumberTarget;
    const CVector3& b = Params.FrenzyTarget;
    CThunderboltParametres bolt(
        a.X, a.Y, a.Z, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 4.0f, 2.0f, 0.5f, b.X, b.Y, b.Z, 1.0f,
        0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 24.0f, Params.FrenzyWidth * 0.125f, 0.5f,
        std::max(1, static_cast<int32_t>(EffectScale * 12.0f)), kBoltSegments, 0xFFFFFF80u);
    bolt.Size = kBoltWidth;
    bolt.EmissionDuration = kBoltTime;
    Res.Particles->AddThunderbolt(bolt, kBoltParticles, Res.Lightning);
}

int32_t CYellowTotem::Update(float dt) {
    if (FadeStep(dt))
        return 1;
    if (State == kMoving)
        return MoveStep(dt);
    if ((State == kIdle || State == kRearmed) && (Mode == kSelected || Mode == kShopFigure)) {
        Sparkle(dt);
        return 0;
    }
    if (State != kRunning && State != kRunningLevel3)
        return 0;
    if (StartPending) {
        Start(StartPoint());
        StartPending = 0;
    }
    Timer += dt;
    if (!Number.IsNull())
        Number->SetRotation(std::sin(0.4f * std::sin(4.0f * kPi * Timer)));
    const float start = Params.NumberStartTime;
    const float arrival = start + Params.NumberFlyTime;
    if (Timer > start) {
        CVector3 at = Params.NumberTarget;
        if (Timer < arrival) {
            const float f = (Timer - start) / Params.NumberFlyTime;
            at = StartPoint() * (1.0f - f) + Params.NumberTarget * f;
        } else if (NumberPhase == kFlying) {
            if (!Number.IsNull())
                Number->FadeTo(0.0f);
            if (CSpriteQuad* nugget = Nugget())
                nugget->FadeTo(1.0f);
            NumberPhase = kArrived;
            if (Tier > 1)
                Strike();
        }
        if (!Number.IsNull())
            Number->Position = at;
        if (!PlusSystem.IsNull())
            PlusSystem->SetPosition(at.X, at.Y, at.Z);
    }
    if (NumberPhase != kReported || Timer <= arrival + Params.NumberFadeTime)
        return 0;
    EndEffects();
    return FinishPower();
}

void CYellowTotem::EmitActions(CTotemPanel& panel) {
    if (NumberPhase != kArrived)
        return;
    CTotemAction a;
    a.kind = CTotemAction::kYellow;
    a.column = Tier;
    a.row = Level;
    panel.PushAction(a);
    NumberPhase = kReported;
}
