#include "totems/OrangeTotem.h"

#include <algorithm>

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
constexpr int32_t kCloudParticles = 120;
// The clouds emit until the power ends them.
constexpr float kForever = 10000000.0f;
constexpr float kDigitRate = 40.0f;
constexpr int32_t kDigitFrames = 2;
constexpr int32_t kWholeTexture = 0;
constexpr int32_t kDigitBlend = 2;
constexpr int32_t kStarBlend = 0;
// The keeper's appearance besides colour and size: its own defaults.
constexpr float kSwirlSpeed = 20.0f;
constexpr float kSwirlFadeIn = 10.0f;
constexpr float kSwirlHold = 0.5f;
constexpr float kSwirlFadeOut = 2.0f;
constexpr float kSwirlSpin = 256.0f;
constexpr float kFlashShare = 0.35f;
constexpr float kFlashGrowth = 3.0f;
constexpr float kArrivalFlashScale = 140.0f;
constexpr float kArrivalFlashUV = 0.546875f;
constexpr float kArrivalHold = 5.0f;
constexpr int32_t kFlyAbove = 5;

float AlphaOf(uint32_t argb) {
    return static_cast<float>(argb >> 24) / 255.0f;
}

} // namespace

COrangeTotem::COrangeTotem() : CTotem(kColour) {
    ShineColour = 0xFFFFF89Au;
}

COrangeTotem::~COrangeTotem() {
    COrangeTotem::Release();
}

void COrangeTotem::SetParams(const CTotemColourParams& params) {
    CTotem::SetParams(params);
    if (const auto* orange = dynamic_cast<const COrangeTotemParams*>(&params))
        Params = *orange;
}

void COrangeTotem::Release() {
    CTotem::Release();
    EndClouds();
}

void COrangeTotem::SetArmed(int32_t armed, int32_t) {
    if (armed == 0)
        EndClouds();
}

void COrangeTotem::EndClouds() {
    for (int i = 0; i < 2; ++i) {
        Keepers[i] = CSharedPtr<CVortexKeeper>();
        if (!Systems[i].IsNull())
            Systems[i]->EndEmission();
        Systems[i] = CSharedPtr<CParticleSystem>();
    }
    if (!FlySprite.IsNull() && !Res.SpriteLayer.IsNull())
        Res.SpriteLayer->Remove(FlySprite);
    FlySprite = CSharedPtr<CSpriteQuad>();
}

void COrangeTotem::Activate(int32_t kind) {
    CTotem::Activate(kind);
    Arrived = kOnTheWay;
    // A relaunch starts from a clean sky.
    EndClouds();
    const CVector3& k = Params.Points[std::clamp(Tier, 1, COrangeTotemParams::kPoints - 1)];
    const CVector3 s = FigurePoint(k.X, k.Y, k.Z);
    FlyFrom = s;
    FlyVector = Params.Points[0] - s;
    PhaseTime = -Params.PreFlyTime;
    if (!Res.Particles.IsNull()) {
        for (int i = 0; i < 2; ++i) {
            const bool digits = i == 0;
            CSharedPtr<CVortexKeeper> keeper(new CVortexKeeper());
            keeper->SetFrameLayout(digits ? kDigitFrames : kWholeTexture);
            keeper->SetAppearance(digits ? 0xFFFFFFFFu : Params.StarColour, Params.DigitsSize,
                                  Params.DigitsSize, kSwirlSpeed, kSwirlFadeIn, kSwirlHold,
                                  kSwirlFadeOut, kSwirlSpin);
            keeper->EmissionRate =
                digits ? EffectScale * kDigitRate : EffectScale * 0.5f * Keepers[0]->EmissionRate;
            CCollection2Parametres block(s.X, s.Y, s.Z, nullptr, keeper,
                                         digits ? kDigitBlend : kStarBlend);
            block.KeeperEmission = 1;
            block.EmissionDuration = kForever;
            if (!digits)
                block.AlphaScale = AlphaOf(Params.StarColour);
            Keepers[i] = keeper;
            Systems[i] = Res.Particles->AddCollection(block, kCloudParticles,
                                                      digits ? Res.Digits : Res.Star);
        }
    }
    if (!Res.QuadLayer.IsNull()) {
        CSharedPtr<CQuad> flash(new CQuad(s.X, s.Y, s.Z, Res.Twirl, Params.TwirlColour));
        flash->SetScale(Size[0] * kFlashShare, Size[1] * kFlashShare);
        flash->FlickerAmplitude = 0.0f;
        flash->StartRotation(kTwoPi * RandomFloat(), kPi / 2.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f,
                             0.0f);
        const float pre = Params.PreFlyTime;
        flash->FadeInTime = pre * 0.1f;
        flash->HoldEnd = pre * 0.9f;
        flash->FadeOutTime = pre * 0.3f;
        // Without a wait the flash just shows at its size.
        if (pre > 0.0f)
            flash->StartScale(kFlashGrowth, 2.0f / (pre * 0.75f));
        flash->AlphaMultiplier = AlphaOf(Params.TwirlColour);
        Res.QuadLayer->Add(flash);
    }
}

void COrangeTotem::MakeFlySprite(const CVector3& at, float t) {
    const bool growing = t < 0.0f;
    const float share = growing ? 0.25f : 0.5f;
    CSharedPtr<CSpriteQuad> sprite(new CSpriteQuad(at.X, at.Y, at.Z + 1.0f, Size[0] * share,
                                                   Size[1] * share, Params.FlyTwirlColour,
                                                   Res.Twirl, 1));
    sprite->SetBlend(1, Params.FlyTwirlFilter);
    if (growing) {
        // It reaches full size and full sight as the flight begins.
        sprite->SetAlpha(0.0f);
        sprite->FadeSpeed = -1.0f / t;
        sprite->FadeTo(1.0f);
        sprite->WidthSpeed = Size[0] * 0.25f / -t;
        sprite->HeightSpeed = Size[1] * 0.25f / -t;
        sprite->ScaleTo(Size[0] * 0.5f, Size[1] * 0.5f);
    }
    sprite->SetRotation(kTwoPi * RandomFloat());
    sprite->SpinOn = 1;
    sprite->SpinSpeed = kPi / 2.0f;
    sprite->Key = ZOrder - kFlyAbove;
    if (!Res.SpriteLayer.IsNull())
        Res.SpriteLayer->Add(sprite);
    FlySprite = sprite;
}

void COrangeTotem::Arrive(float t) {
    if (Arrived == kOnTheWay)
        Arrived = kArrived;
    const CVector3& to = Params.Points[0];
    for (const CSharedPtr<CParticleSystem>& s : Systems)
        if (!s.IsNull())
            s->SetPosition(to.X, to.Y, to.Z);
    if (FlySprite.IsNull())
        return;
    FlySprite->Position = CVector3(to.X, to.Y, to.Z + 1.0f);
    FlySprite->LifeOn = 1;
    const float left = Params.FlyTime + Params.PostFlyTime - t;
    if (left > 0.0f) {
        FlySprite->RemainingLife = left;
        FlySprite->FadeSpeed = 1.0f / left;
        FlySprite->FadeTo(0.0f);
    } else if (!Res.SpriteLayer.IsNull()) {
        Res.SpriteLayer->Remove(FlySprite);
    }
    // The layer keeps the fading sprite.
    FlySprite = CSharedPtr<CSpriteQuad>();
    if (!Res.QuadLayer.IsNull()) {
        CSharedPtr<CQuad> flash(new CQuad(to.X, to.Y, to.Z, Res.Glass, 0xFFFFFFFFu));
        flash->SetTexRect(0.0f, 0.0f, kArrivalFlashUV, kArrivalFlashUV);
        flash->SetScale(kArrivalFlashScale, kArrivalFlashScale);
        flash->FadeInTime = Params.PostFlyTime;
        flash->HoldEnd = kArrivalHold * Params.PostFlyTime;
        flash->FadeOutTime = Params.PostFlyTime;
        Res.QuadLayer->Add(flash);
    }
}

int32_t COrangeTotem::Update(float dt) {
    if (FadeStep(dt))
        return 1;
    if (State == kMoving)
        return MoveStep(dt);
    if (State != kRunning && State != kRunningLevel3)
        return 0;
    PhaseTime += dt;
    const float t = PhaseTime;
    if (t < 0.0f) {
        if (FlySprite.IsNull() && t > -0.5f * Params.PreFlyTime)
            MakeFlySprite(FlyFrom, t);
    } else if (t < Params.FlyTime) {
        const CVector3 p = FlyFrom + FlyVector * (t / Params.FlyTime);
        for (int i = 0; i < 2; ++i) {
            if (!Systems[i].IsNull())
                Systems[i]->SetPosition(p.X, p.Y, p.Z);
            if (!Keepers[i].IsNull())
                Keepers[i]->SetOrigin(p.X, p.Y, p.Z, 0.0f);
        }
        if (FlySprite.IsNull())
            MakeFlySprite(p, t);
        FlySprite->Position = CVector3(p.X, p.Y, p.Z + 1.0f);
    } else {
        Arrive(t);
    }
    if (t < Params.FlyTime + Params.PostFlyTime)
        return 0;
    EndClouds();
    return FinishPower();
}

void COrangeTotem::EmitActions(CTotemPanel& panel) {
    if (Arrived != kArrived)
        return;
    CTotemAction a;
    a.kind = CTotemAction::kOrange;
    a.value = Level;
    a.value2 = Tier;
    panel.PushAction(a);
    Arrived = kReported;
}
