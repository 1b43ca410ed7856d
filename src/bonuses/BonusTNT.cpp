#include "bonuses/BonusTNT.h"

#include <algorithm>
#include <cmath>

#include "bonuses/BonusParametres.h"
#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/SparksParticleSystem.h"
#include "engine/Random.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "totems/BoardGrid.h"

using namespace bonusdraw;

namespace {

// Tier pictures on the sheet: a 2 by 2 grid of cells this wide and high.
constexpr float kTierCellU = 0.3359375f, kTierCellV = 0.359375f;
// The front part, and the strip of eight 32 by 32 spark frames.
constexpr float kFrontU0 = 0.671875f, kFrontU1 = 1.0f, kFrontV1 = 0.359375f;
constexpr float kSparkV0 = 0.734375f, kSparkV1 = 0.859375f;
constexpr int32_t kSparkFrames = 8;
constexpr float kSparkFramesPerSecond = 20.0f;
// Seconds the body stays after the blast.
constexpr float kBodyAfterBlast = 0.05f;
// Alpha speed of the ring as it appears.
constexpr float kRingFadeIn = 25.0f;
constexpr float kBlastSparksTime = 0.1f;

int32_t FrameOf(float frame) {
    const auto f = static_cast<int32_t>(frame);
    return ((f % kSparkFrames) + kSparkFrames) % kSparkFrames;
}

} // namespace

CBonusTNT::CBonusTNT() {
    Kind = kTnt;
}

CBonusTNT::~CBonusTNT() {
    ReleaseSprites();
}

int32_t CBonusTNT::Tier() const {
    return CBonusParametres::TntSection::TierIndex(Param);
}

void CBonusTNT::SetTextures(const CBonusHandles& handles) {
    Layers.Take(handles, BoardLayers);
    BodyTexture = handles.Texture(0);
    HaloTexture = handles.Texture(1);
    RingTexture = handles.Texture(2);
    SparkTexture = handles.Texture(3);
}

void CBonusTNT::ReleaseSprites() {
    ForEachSprite([&](CSharedPtr<CSpriteQuad>& s) {
        RemoveFrom(Layers.Current.Sprites, s);
        s = Sprite();
    });
}

void CBonusTNT::Init() {
    LaidOutSize = Size;
    State = kStill;
    Scale = Size / ReferenceSize();

    const auto t = static_cast<float>(Tier());
    const float column = std::fmod(t, 2.0f), row = std::floor(t / 2.0f);
    Body[0] = CSharedPtr<CSpriteQuad>(new CSpriteQuad(Pos[0], Pos[1], Pos[2] - 0.5f,
                                                      kBodyWidth * Scale, kBodyHeight * Scale,
                                                      kWhite, BodyTexture, 1));
    Body[0]->SetFrameRect(0, kTierCellU * column, kTierCellV * row, kTierCellU * (column + 1.0f),
                          kTierCellV * (row + 1.0f));
    Body[0]->Key = ZOrder - 1;
    Body[1] = CSharedPtr<CSpriteQuad>(new CSpriteQuad(Pos[0], Pos[1], Pos[2] + 0.5f,
                                                      kFrontWidth * Scale, kFrontHeight * Scale,
                                                      kWhite, BodyTexture, 1));
    Body[1]->SetFrameRect(0, kFrontU0, 0.0f, kFrontU1, kFrontV1);
    Body[1]->Key = ZOrder;

    for (int i = 0; i < 3; ++i) {
        WireFrame[i] = 8.0f * RandomFloat();
        WireAngle[i] = kTwoPi * (0.25f + 0.5f * RandomFloat() + static_cast<float>(i)) / 3.0f;
        CSharedPtr<CSpriteQuad> spark(new CSpriteQuad(Pos[0], Pos[1], Pos[2],
                                                      kSparkSize * Scale, kSparkSize * Scale,
                                                      kWhite, BodyTexture, 1));
        spark->SetFrameRect(0, 0.0f, kSparkV0, 0.125f, kSparkV1);
        for (int k = 1; k < kSparkFrames; ++k)
            spark->AddFrame(0.125f * static_cast<float>(k), kSparkV0,
                            0.125f * static_cast<float>(k + 1), kSparkV1);
        spark->CurrentFrame = FrameOf(WireFrame[i]);
        spark->SetBlend(1, CSpriteQuad::BlendAdd);
        spark->Key = ZOrder - 2;
        WireSparks[i] = spark;
    }
    AddHeldSprites();
    LayOut(CBonusRamp{}, 0.0f);
}

void CBonusTNT::LayOut(const CBonusRamp& ramp, float dt) {
    const float s = ramp.Scale;
    if (!Body[0].IsNull()) {
        Body[0]->SetScale(kBodyWidth * Scale * s, kBodyHeight * Scale * s);
        Body[0]->SetAlpha(ramp.Alpha);
        Body[0]->Position = CVector3(Pos[0], Pos[1], Pos[2] - 0.5f);
    }
    if (!Body[1].IsNull()) {
        Body[1]->SetScale(kFrontWidth * Scale * s, kFrontHeight * Scale * s);
        Body[1]->SetAlpha(ramp.Alpha);
        Body[1]->Position = CVector3(Pos[0], Pos[1], Pos[2] + 0.5f);
    }
    if (WireSparks[0].IsNull())
        return;
    const CBonusParametres::TntSection& p = g_bonusParams.TNT;
    for (int i = 0; i < 3; ++i) {
        CSpriteQuad& spark = *WireSparks[i];
        if (std::isfinite(dt)) {
            WireAngle[i] += p.SparkerW * dt;
            if (WireAngle[i] >= kTwoPi || WireAngle[i] < 0.0f)
                WireAngle[i] -= kTwoPi * std::floor(WireAngle[i] / kTwoPi);
            WireFrame[i] = std::fmod(WireFrame[i] + kSparkFramesPerSecond * dt,
                                     static_cast<float>(kSparkFrames));
            if (!(WireFrame[i] >= 0.0f))
                WireFrame[i] = 0.0f;
        }
        spark.CurrentFrame = FrameOf(WireFrame[i]);
        const float c = std::cos(WireAngle[i]), n = std::sin(WireAngle[i]);
        const CTntWire& w = p.Wire[i];
        // Round the wire in the picture's units, which the bonus's scale and
        // the ramp stretch like the body.
        const float k = Scale * s;
        float at[3];
        for (int a = 0; a < 3; ++a)
            at[a] = w.Centre[a] + c * w.Half[a] + n * w.Normal[a];
        spark.Position = CVector3(Pos[0] + at[0] * k, Pos[1] + at[1] * k, Pos[2] - 0.5f + at[2] * s);
        spark.SetScale(kSparkSize * Scale * s, kSparkSize * Scale * s);
        float alpha = n < -0.25f ? 1.0f : (n < 0.0f ? -4.0f * n : 0.0f);
        alpha *= ramp.Alpha;
        if (State == kFinished)
            alpha = 0.0f;
        spark.SetAlpha(alpha);
    }
}

int32_t CBonusTNT::Update(float dt) {
    if (!Visible)
        return 1;
    // Finished (exploded, or a pop that has ended): stay while events wait.
    if (State == kFinished)
        return Events.empty() ? 0 : 1;
    Age += dt;
    CBonusRamp ramp;
    if (InBaseMotion()) {
        const bool ended = AdvanceMotion(dt);
        ramp = MotionRamp();
        if (ended) {
            if (EndMotion() == 0)
                return 0;
            // Landed: full size and alpha. A finished pop keeps its last look.
            if (State == kPlaced)
                ramp = CBonusRamp{};
        }
    }
    LayOut(ramp, dt);
    return 1;
}

void CBonusTNT::AddBlastSprites(int32_t tier) {
    if (Layers.Current.Sprites.IsNull())
        return;
    const CBonusParametres::TntSection& p = g_bonusParams.TNT;
    const float ringSize = p.RingSize[tier];
    const float expand = p.RingExpandTime;
    const float edge = kRingSize * Scale;
    const float fadeTime = p.LifeTime - expand;

    CSharedPtr<CSpriteQuad> ring(new CSpriteQuad(Pos[0], Pos[1], Pos[2] - 2.0f, edge, edge,
                                                 p.RingColor, RingTexture, 1));
    ring->SetBlend(1, CSpriteQuad::BlendAdd);
    ring->SetAlpha(0.0f);
    ring->FadeSpeed = kRingFadeIn;
    ring->FadeTo(1.0f);
    ring->WidthSpeed = ring->HeightSpeed = (ringSize - 1.0f) * Scale * kRingSize / expand;
    ring->ScaleTo(edge * ringSize, edge * ringSize);
    ring->LifeOn = 1;
    ring->RemainingLife = p.LifeTime;
    ring->LifeFadeOn = fadeTime > 0.0f ? 1 : 0;
    ring->LifeFadeTime = fadeTime;
    ring->Key = ZOrder;
    Layers.Current.Sprites->Add(ring);

    const float haloEdge = edge * p.HaloSizeFactor;
    for (int i = 0; i < 2; ++i) {
        CSharedPtr<CSpriteQuad> halo(new CSpriteQuad(Pos[0], Pos[1], Pos[2] - 2.0f, haloEdge,
                                                     haloEdge, p.HaloColor, HaloTexture, 1));
        halo->SetBlend(1, CSpriteQuad::BlendScreen);
        halo->SetAlpha(0.0f);
        halo->FadeSpeed = 4.0f / expand;
        halo->FadeTo(1.0f);
        halo->WidthSpeed = halo->HeightSpeed =
            (ringSize - 1.0f) * p.HaloSizeFactor * Scale * 0.5f * kRingSize / expand;
        halo->ScaleTo(haloEdge * ringSize, haloEdge * ringSize);
        halo->SetRotation(RandomFloat() * kTwoPi);
        halo->SpinOn = 1;
        halo->SpinSpeed = i == 0 ? p.HaloW : -p.HaloW;
        halo->LifeOn = 1;
        halo->RemainingLife = p.LifeTime;
        halo->LifeFadeOn = fadeTime > 0.0f ? 1 : 0;
        halo->LifeFadeTime = fadeTime;
        halo->Key = ZOrder;
        Layers.Current.Sprites->Add(halo);
    }
}

void CBonusTNT::AddBlastSparks() {
    if (Layers.Current.Particles.IsNull())
        return;
    const CBonusParametres::TntSection& p = g_bonusParams.TNT;
    const float speed = p.ExpSparkSpeed;
    CSparksSpringParametres b(Pos[0], Pos[1], Pos[2], 0.0f, 0.25f * speed, 0.0f, 1.0f, 0.0f, 0.0f,
                              speed, 0.5f * speed, p.ExpSparkColor);
    b.SphereMode = 1;
    b.Size = p.ExpSparkSize;
    b.LengthFactor = 2.0f / speed;
    b.MaxLength = 5.0f * p.ExpSparkSize;
    b.FadeRate = p.ExpSparkFading;
    b.EmissionDuration = kBlastSparksTime;
    b.EmissionRate = 10.0f * p.ExpSparkCount * EffectFactor;
    // Room for one whole emission.
    const float wanted = std::ceil(b.EmissionRate * kBlastSparksTime) + 1.0f;
    const int32_t capacity =
        std::isfinite(wanted) && wanted > 1.0f ? static_cast<int32_t>(std::min(wanted, 4096.0f)) : 1;
    CSharedPtr<CParticleSystem> system =
        Layers.Current.Particles->AddSparks(b, capacity, SparkTexture);
    if (system.IsNull())
        return;
    // The sparks fall at ExpSparkGravity units per second squared.
    const float gy = Layers.Current.Particles->Environment().Gravity.Y;
    if (auto* sparks = dynamic_cast<CSparksParticleSystem*>(system.Get()); sparks && gy != 0.0f)
        sparks->GravityFactor = -p.ExpSparkGravity / gy;
    system->Update(kBlastSparksTime);
}

std::vector<CTntCell> CBonusTNT::BlastCells(int32_t tier, int32_t column, int32_t row,
                                            int32_t columns, int32_t rows) {
    std::vector<CTntCell> cells;
    const float r = BlastRadius(tier);
    const float r2 = r * r;
    for (int32_t j = row - 2; j <= row + 2; ++j) {
        if (j < 0 || j >= rows)
            continue;
        for (int32_t i = column - 2; i <= column + 2; ++i) {
            if (i < 0 || i >= columns)
                continue;
            const auto di = static_cast<float>(i - column), dj = static_cast<float>(j - row);
            if (di * di + dj * dj <= r2)
                cells.push_back(CTntCell{i, j});
        }
    }
    return cells;
}

float CBonusTNT::BlastRadius(int32_t tier) {
    if (tier < 1)
        return 1.1f;
    if (tier == 1)
        return 1.5f;
    if (tier == 2)
        return 2.1f;
    return 2.4f;
}

void CBonusTNT::Fire() {
    if (Dead)
        return;
    Dead = 1;
    State = kFinished;
    PopEnded = 0;

    // The body lingers a moment; the wire sparks go at once.
    for (auto& s : Body) {
        if (s.IsNull())
            continue;
        s->LifeOn = 1;
        s->RemainingLife = kBodyAfterBlast;
        s = CSharedPtr<CSpriteQuad>();
    }
    for (auto& s : WireSparks) {
        if (s.IsNull())
            continue;
        RemoveFrom(Layers.Current.Sprites, s);
        s = Sprite();
    }

    const int32_t tier = Tier();
    AddBlastSprites(tier);
    AddBlastSparks();

    QueueEvent(CBonusEvent::kTntExploded, Param);
    // A TNT that never had a cell destroys none.
    if (Column < 0 || Row < 0)
        return;
    const CBoardGrid& grid = g_boardGrid;
    for (const CTntCell& cell : BlastCells(Param, Column, Row, grid.columns, grid.rows))
        QueueEvent(CBonusEvent::kDestroyCell, 0, cell.Column, cell.Row);
}
