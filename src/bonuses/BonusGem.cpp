#include "bonuses/BonusGem.h"

#include <algorithm>
#include <cmath>

#include "bonuses/BonusParametres.h"
#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "engine/Random.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
// Colour of the trail and the burst of a collected gem.
constexpr uint32_t kSparkleColour = 0xFFC0C0FFu;
constexpr int32_t kSpellsCapacity = 200;
// Small flares made in one frame at most; a longer frame drops the rest.
constexpr int32_t kMostSmallFlares = 64;

} // namespace

const float CBonusGem::kFlightSpin[kGemColours] = {
    0.25f * kPi,  // green
    0.5f * kPi,   // yellow
    -0.5f * kPi,  // red
    0.3f * kPi,   // blue
    -0.25f * kPi, // orange
    0.25f * kPi,  // white
    -0.5f * kPi,  // violet
    0.25f * kPi,  // spare
};

CBonusGem::CBonusGem() {
    Kind = kGem;
}

CBonusGem::~CBonusGem() {
    const CSharedPtr<CSpriteLayer>& layer = CurrentSpriteLayer();
    if (!layer.IsNull()) {
        layer->Remove(Halo);
        layer->Remove(Flares[0]);
        layer->Remove(Flares[1]);
        layer->Remove(GemSprite);
    }
    if (!Trail.IsNull())
        Trail->EndEmission();
}

void CBonusGem::SetGemColour(int32_t colour) {
    GemColourIndex = std::clamp(colour, 0, kGemColours - 1);
    Colour = colour;
}

void CBonusGem::SetTextures(const CBonusHandles& handles) {
    SpriteLayer1 = handles.Board.Sprites;
    QuadLayer1 = handles.Board.Quads;
    SpriteLayer2 = handles.Upper.Sprites;
    Particles2 = handles.Upper.Particles;
    QuadLayer2 = handles.Upper.Quads;
    LightsTexture = handles.Texture(0);
    GemsTexture = handles.Texture(1);
    FlaresTexture = handles.Texture(2);
    StarTexture = handles.Texture(3);
}

void CBonusGem::MoveSprite(const CSharedPtr<CSpriteQuad>& sprite,
                           const CSharedPtr<CSpriteLayer>& from, const CSharedPtr<CSpriteLayer>& to) {
    if (sprite.IsNull())
        return;
    if (!from.IsNull())
        from->Remove(sprite);
    if (!to.IsNull())
        to->Add(sprite);
}

void CBonusGem::Init() {
    const CGemsParametres& g = g_gemsParams;
    const int32_t c = GemColourIndex;
    LaidOutSize = Size;
    State = kStill;
    Scale = Size / ReferenceSize();

    for (int i = 0; i < 2; ++i) {
        g.RandomFlareOffset(c, 1, &FlareOffset[i][0], &FlareOffset[i][1]);
        const float edge = Scale * g.BigFlares.Size;
        CSharedPtr<CSpriteQuad> flare(new CSpriteQuad(Pos[0] + Scale * FlareOffset[i][0],
                                                      Pos[1] + Scale * FlareOffset[i][1], Pos[2],
                                                      edge, edge, kWhite, FlaresTexture, 1));
        const auto fi = static_cast<float>(i);
        flare->SetFrameRect(0, 0.5f * fi, 0.0f, 0.5f * (fi + 1.0f), 0.5f);
        flare->SetBlend(1, g.BigFlares.Method);
        flare->Key = ZOrder;
        flare->SetRotation(RandomFloat() * kPi);
        flare->SpinOn = 1;
        flare->SpinSpeed = g.BigFlares.W;
        Flares[i] = flare;
        if (!SpriteLayer1.IsNull())
            SpriteLayer1->Add(flare);
    }

    const float haloEdge = Scale * g.Halo.Size;
    Halo = CSharedPtr<CSpriteQuad>(new CSpriteQuad(Pos[0], Pos[1], Pos[2], haloEdge, haloEdge,
                                                   g.Halo.Color[c], LightsTexture, 1));
    const auto column = static_cast<float>(c % 4), row = static_cast<float>(c / 4);
    Halo->SetFrameRect(0, 0.25f * column, 0.5f * row, 0.25f * (column + 1.0f),
                       0.5f * (row + 1.0f));
    Halo->SetBlend(1, g.Halo.Method);
    Halo->SetAlpha(g.Halo.MinIntensity);
    Halo->Key = ZOrder;
    if (!SpriteLayer1.IsNull())
        SpriteLayer1->Add(Halo);
}

void CBonusGem::StartTrail(float fadeRate, float rate) {
    if (!Trail.IsNull())
        Trail->EndEmission();
    Trail = CSharedPtr<CParticleSystem>();
    if (Particles2.IsNull())
        return;
    CSpellsSpringParametres p(Pos[0], Pos[1], Pos[2], 0.0f, 0.0f, 0.0f, Size, 0.5f * Size,
                              0.5f * Size, 0.25f * Size, kSparkleColour);
    p.FadeRate = fadeRate;
    p.FadeVariation = 0.25f;
    p.EmissionDuration = 10000000.0f;
    p.EmissionRate = rate;
    p.RandomAngle = 1;
    p.RandomSpinSign = 1;
    p.Spin = 512.0f;
    p.SpinVariation = 256.0f;
    Trail = Particles2->AddSpells(p, kSpellsCapacity, StarTexture);
}

void CBonusGem::Burst() {
    if (Particles2.IsNull())
        return;
    CSpellsSpringParametres p(Pos[0], Pos[1], Pos[2], 0.0f, 0.0f, 0.0f, Size, 0.5f * Size,
                              0.35f * Size, 0.15f * Size, kSparkleColour);
    p.FadeRate = 0.75f;
    p.FadeVariation = 0.25f;
    p.EmissionDuration = 0.25f;
    p.EmissionRate = 60.0f;
    p.RandomAngle = 1;
    p.RandomSpinSign = 1;
    p.Spin = 512.0f;
    p.SpinVariation = 256.0f;
    CSharedPtr<CParticleSystem> burst = Particles2->AddSpells(p, kSpellsCapacity, StarTexture);
    if (!burst.IsNull())
        burst->Update(0.25f);
}

void CBonusGem::UpdateHalo() {
    const CGemsParametres& g = g_gemsParams;
    if (Halo.IsNull())
        return;
    const float angle = Age * 2.0f * kPi / g.Halo.T;
    const float alpha = (0.5f - 0.5f * std::cos(angle)) * (g.Halo.Intensity - g.Halo.MinIntensity) +
                        g.Halo.MinIntensity;
    Halo->SetAlpha(alpha);
}

void CBonusGem::UpdateBigFlares() {
    const CGemsParametres& g = g_gemsParams;
    const float p = Age / g.BigFlares.T;
    // Each flare jumps to a new place while it is small.
    const float period0 = std::floor(p + 0.5f), period1 = std::floor(p);
    if (period0 != FlarePeriod[0]) {
        FlarePeriod[0] = period0;
        g.RandomFlareOffset(GemColourIndex, 1, &FlareOffset[0][0], &FlareOffset[0][1]);
    }
    if (period1 != FlarePeriod[1]) {
        FlarePeriod[1] = period1;
        g.RandomFlareOffset(GemColourIndex, 1, &FlareOffset[1][0], &FlareOffset[1][1]);
    }
    const float f = 0.5f + 0.5f * std::cos(2.0f * kPi * p);
    const float intensity = g.BigFlares.Intensity;
    const float edge = Scale * g.BigFlares.Size;
    if (!Flares[0].IsNull()) {
        Flares[0]->SetAlpha(f >= 0.1f ? intensity : 10.0f * f * intensity);
        const float e = edge * std::max(f, 0.01f);
        Flares[0]->SetScale(e, e);
    }
    if (!Flares[1].IsNull()) {
        Flares[1]->SetAlpha(f <= 0.9f ? intensity : 10.0f * (1.0f - f) * intensity);
        const float e = edge * (f >= 0.99f ? 0.01f : 1.0f - f);
        Flares[1]->SetScale(e, e);
    }
}

void CBonusGem::PlaceSprites() {
    const CGemsParametres& g = g_gemsParams;
    if (!Halo.IsNull())
        Halo->Position = CVector3(Pos[0], Pos[1], Pos[2]);
    if (!GemSprite.IsNull())
        GemSprite->Position = CVector3(Pos[0], Pos[1], Pos[2]);
    for (int i = 0; i < 2; ++i)
        if (!Flares[i].IsNull())
            Flares[i]->Position = CVector3(Pos[0] + Scale * FlareOffset[i][0],
                                           Pos[1] + Scale * FlareOffset[i][1], Pos[2]);
    if (!Trail.IsNull())
        Trail->SetPosition(Pos[0], Pos[1], Pos[2]);
    if (LaidOutSize != Size) {
        LaidOutSize = Size;
        if (!Halo.IsNull())
            Halo->SetScale(Scale * g.Halo.Size, Scale * g.Halo.Size);
        if (!GemSprite.IsNull())
            GemSprite->SetScale(Scale * g.Gems.Size, Scale * g.Gems.Size);
    }
}

void CBonusGem::EmitSmallFlares(float dt) {
    const CGemsParametres& g = g_gemsParams;
    const float period = g.SmallFlares.T;
    if (std::isfinite(dt))
        FlareClock += dt;
    if (!(FlareClock >= period))
        return;
    const float due = std::floor(FlareClock / period);
    FlareClock -= due * period;
    if (!(FlareClock >= 0.0f && FlareClock < period))
        FlareClock = 0.0f;
    const int32_t n = due < static_cast<float>(kMostSmallFlares) ? static_cast<int32_t>(due)
                                                                  : kMostSmallFlares;
    const CSharedPtr<CQuadLayer>& layer = Upper ? QuadLayer2 : QuadLayer1;
    if (layer.IsNull())
        return;
    const float life = g.SmallFlares.LifeTime;
    const float edge = Scale * g.SmallFlares.Size;
    for (int32_t i = 0; i < n; ++i) {
        float dx = 0.0f, dy = 0.0f;
        g.RandomFlareOffset(GemColourIndex, 0, &dx, &dy);
        const auto k = static_cast<float>(std::min(static_cast<int32_t>(4.0f * RandomFloat()), 3));
        CSharedPtr<CQuad> quad(new CQuad(Pos[0] + Scale * dx, Pos[1] + Scale * dy, Pos[2],
                                         FlaresTexture, g.Gems.ParticleColor[GemColourIndex]));
        quad->SetTexRect(0.25f * k, 0.625f, 0.25f * (k + 1.0f), 0.875f);
        quad->SetScale(edge, edge);
        quad->Intensity = g.SmallFlares.Intensity;
        quad->FlickerAmplitude = 0.0f;
        quad->FadeInTime = 0.1f * life;
        quad->HoldEnd = life;
        quad->FadeOutTime = 0.2f * life;
        quad->StartRotation(RandomFloat() * 2.0f * kPi, g.SmallFlares.W, 1.0f, 0.0f, 0.0f, 0.0f,
                            1.0f, 0.0f);
        layer->Add(quad);
    }
}

int32_t CBonusGem::Update(float dt) {
    if (!Visible)
        return 1;
    if (PopSettled())
        return Events.empty() ? 0 : 1;
    if (State == kGemTaken)
        return 0;
    Age += dt;

    if (InBaseMotion() || State == kGemFlight) {
        if (AdvanceMotion(dt)) {
            if (State == kGemFlight) {
                State = kGemArrived;
                Burst();
                QueueEvent(CBonusEvent::kGemArrived, GemColourIndex);
            } else if (EndMotion() == 0) {
                return 0;
            }
        }
    }

    UpdateHalo();
    UpdateBigFlares();
    PlaceSprites();
    EmitSmallFlares(dt);
    return 1;
}

void CBonusGem::Fire() {
    if (Dead)
        return;
    const CGemsParametres& g = g_gemsParams;
    Dead = 1;
    State = kGemFlight;
    Upper = 1;

    // Every gem takes its own curve to the bar.
    const float z = g.Gems.TargetPos[2];
    float a[3] = {1.0f - 2.0f * RandomFloat(), 1.0f - 2.0f * RandomFloat(), 1.0f};
    float b[3] = {1.0f - 2.0f * RandomFloat(), 1.0f - 2.0f * RandomFloat(), 1.0f};
    Pos[2] = z;
    Target[0] = FlyTarget[0];
    Target[1] = FlyTarget[1];
    Target[2] = z;
    StartSegment(g.Gems.FlyTime, a, b);

    const float spin = kFlightSpin[GemColourIndex];
    for (CSharedPtr<CSpriteQuad>* s : {&Flares[0], &Flares[1], &Halo}) {
        if (s->IsNull())
            continue;
        (*s)->Key = g.Gems.TargetZOrder;
        MoveSprite(*s, SpriteLayer1, SpriteLayer2);
    }
    if (!Halo.IsNull()) {
        Halo->SpinOn = 1;
        Halo->SpinSpeed = spin;
    }

    const float edge = Scale * g.Gems.Size;
    GemSprite = CSharedPtr<CSpriteQuad>(
        new CSpriteQuad(Pos[0], Pos[1], Pos[2], edge, edge, kWhite, GemsTexture, 1));
    const auto column = static_cast<float>(GemColourIndex % 4);
    const auto row = static_cast<float>(GemColourIndex / 4);
    GemSprite->SetFrameRect(0, 0.1875f * column, 0.375f * row, 0.1875f * (column + 1.0f),
                            0.375f * (row + 1.0f));
    GemSprite->Key = g.Gems.TargetZOrder;
    GemSprite->SpinOn = 1;
    GemSprite->SpinSpeed = spin;
    if (!SpriteLayer2.IsNull())
        SpriteLayer2->Add(GemSprite);

    StartTrail(0.75f, 20.0f * EffectFactor);
    QueueEvent(CBonusEvent::kGemFired, GemColourIndex);
}

void CBonusGem::Hide() {
    const CSharedPtr<CSpriteLayer>& layer = CurrentSpriteLayer();
    for (const CSharedPtr<CSpriteQuad>& s : {Halo, Flares[0], Flares[1], GemSprite}) {
        if (s.IsNull())
            continue;
        if (layer.IsNull())
            s->Shown = 0;
        else
            layer->SetDynamic(s, 0);
    }
    if (!Trail.IsNull())
        Trail->EndEmission();
    CBonus::Hide();
}

void CBonusGem::Show() {
    const CSharedPtr<CSpriteLayer>& layer = CurrentSpriteLayer();
    for (const CSharedPtr<CSpriteQuad>& s : {Halo, Flares[0], Flares[1], GemSprite}) {
        if (s.IsNull())
            continue;
        if (layer.IsNull())
            s->Shown = 1;
        else
            layer->SetDynamic(s, 1);
    }
    CBonus::Show();
    if (State == kGemFlight)
        StartTrail(0.5f, 20.0f);
}
