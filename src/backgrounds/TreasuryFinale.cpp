// The Treasury's finale: when the stage's last slot has lit, a flare rises
// over the chest, rays of light with sparks shoot out of it, it flashes and
// shatters into two overlapping sets of irregular shards that float up
// spinning ever faster, and glowing motes keep rising where it stood.
#include <algorithm>
#include <cmath>

#include "audio/SoundBank.h"
#include "backgrounds/BackdropKit.h"
#include "backgrounds/TreasuryBackground.h"
#include "effects/ParticleParametres.h"
#include "effects/ParticleSystemsManager.h"
#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "engine/Random.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"

using namespace backdrop;

namespace {

// The closed chest and its shadow always stand where the picture expects
// them: the chest over texels (0, 232)-(302, 496) of the elements sheet, the
// shadow from a 32 x 160 strip turned a quarter turn.
constexpr float kChest[4] = {-32.5f, -49.5f, 302.0f, 264.0f};
constexpr float kChestFrame[4] = {0.0f, 0.453125f, 0.58984375f, 0.96875f};
constexpr float kShadow[4] = {-36.5f, -162.5f, 320.0f, 64.0f};
constexpr CTexCoord kShadowFrame[4] = {{0.59765625f, 0.7734375f},
                                       {0.59765625f, 0.4609375f},
                                       {0.66015625f, 0.4609375f},
                                       {0.66015625f, 0.7734375f}};
constexpr int32_t kChestKey = 98, kShadowKey = 99, kShardKey = 97;
constexpr int32_t kChestRayKey = -12, kGlowWormKey = -13;
constexpr float kChestRayDepth = 12.0f, kFlashDepth = 13.0f, kShardDepth = 1.5f;
// No frame makes more rays than the list is meant to hold.
constexpr int32_t kMaxRaysPerFrame = 32;
// A chest ray's sparks.
constexpr float kSparkSpeed = 200.0f;
constexpr int32_t kSparkCount = 120;
// The flash grows to four times the chest in a third of the fade time.
constexpr float kFlashGrowth = 4.0f, kFlashOut = 1.0f;
constexpr float kShardFadeSpeed = 10.0f, kGlowWormFadeSpeed = 4.0f, kGlowWormLeaveSpeed = 10.0f;
constexpr float kJitter = 0.98f;

float Spread() {
    return 0.75f + 0.5f * RandomFloat();
}

// Fades a transient sprite out over what is left of its alpha.
void FadeOut(const CSharedPtr<CSpriteLayer>& layer, const CSharedPtr<CSpriteQuad>& s) {
    if (!s.IsNull())
        Retire(layer, s, s->FadeSpeed > 0.0f ? s->Alpha / s->FadeSpeed : 0.0f);
}

} // namespace

void CTreasuryBackground::MakeChest() {
    ChestSprite =
        MakeSprite(kChest[0], kChest[1], kDepth - 1.0f, kChest[2], kChest[3], 0xFFFFFFFFu, Sheet);
    ChestSprite->SetFrameRect(0, kChestFrame[0], kChestFrame[1], kChestFrame[2], kChestFrame[3]);
    ChestShadowSprite = MakeSprite(kShadow[0], kShadow[1], kDepth - 1.0f, kShadow[2], kShadow[3],
                                   0xFFFFFFFFu, Sheet);
    ChestShadowSprite->SetFrameCorners(0, kShadowFrame);
    ChestShadowSprite->SetBlend(1, CSpriteQuad::BlendMultiply);
    ChestSprite->Key = kChestKey;
    ChestShadowSprite->Key = kShadowKey;
    for (CSpriteQuad* s : {ChestSprite.Get(), ChestShadowSprite.Get()}) {
        s->DepthTest = s->DepthWrite = 0;
        s->PassTag = kPassBehind;
        s->FadeSpeed = 1.0f / ChestFadeTime;
    }
    Show(Layer, ChestShadowSprite);
    Show(Layer, ChestSprite);
}

void CTreasuryBackground::SetStage(int32_t count, int32_t flag) {
    const size_t had = Elements.GemSprites.size();
    const CStageElements::Change change = Elements.SetStage(count, flag);
    // The chest's flare waits, unlit, for the last slot.
    if (change.Added && change.ReachedMax)
        Elements.AddFinalFlare();
    if (Elements.GemSprites.size() < had)
        ResetChest();
    Elements.CelebrateIfWon(change);
}

void CTreasuryBackground::UpdateChest(float dt) {
    int32_t& state = Elements.SlotStateAt(kChestSlot);
    float& timer = Elements.SlotTimerAt(kChestSlot);
    switch (state) {
    case kChestFlare:
        timer += dt;
        if (timer >= Elements.NewFlareTime) {
            state = kChestRays;
            timer = ChestRayTimer = GlowWormTimer = 0.0f;
        }
        break;
    case kChestRays:
        timer += dt;
        if (timer >= ChestRaysTime)
            Burst();
        else
            SpawnChestRays(dt);
        break;
    case kChestBurst:
        timer += dt;
        if (timer >= ChestFadeTime && Shards.empty() && GlowWorms.empty()) {
            state = kChestIdle;
            timer = 0.0f;
            break;
        }
        MoveShards(dt);
        UpdateGlowWorms(dt);
        break;
    default:
        break;
    }
}

void CTreasuryBackground::SpawnChestRays(float dt) {
    ChestRayTimer += dt;
    const int32_t n = static_cast<int32_t>(std::floor(ChestRayTimer / ChestRaysT));
    if (n < 1)
        return;
    ChestRayTimer -= static_cast<float>(n) * ChestRaysT;
    for (int32_t i = 0; i < std::min(n, kMaxRaysPerFrame); ++i) {
        const float a = RandomFloat() * kTwoPi;
        const float f = 0.2f + 0.8f * RandomFloat();
        const float x = ChestRaysCentre[0] + f * ChestRaysR * std::cos(a) + kOffsetX;
        const float y = ChestRaysCentre[1] + f * ChestRaysR * std::sin(a) + kOffsetY;
        const float z = kDepth - kChestRayDepth;
        const float w = Spread() * f * ChestRaysSize[0];
        const float h = Spread() * ChestRaysSize[1];
        auto ray = MakeSprite(x, y, z, w, h, ChestRaysColour, SparkTexture);
        ray->SetFrameRect(0, 0.5f, 0.0f, 1.0f, 1.0f);
        ray->SetBlend(1, CSpriteQuad::BlendAdd);
        ray->Key = kChestRayKey;
        ray->FadeSpeed = 1.0f / ChestFadeTime;
        // It starts at its position and points away from the chest.
        ray->PivotX = -0.5f;
        ray->SetRotation(a);
        Show(Layer, ray);
        ChestRays.push_back(ray);
        if (Particles.IsNull())
            continue;
        CSparksSpringParametres sparks(x, y, z, kSparkSpeed * std::cos(a),
                                       kSparkSpeed * std::sin(a), 0.0f, 1.0f, 0.0f, 0.0f, 200.0f,
                                       100.0f, ChestRaysColour);
        sparks.Size = 5.0f;
        sparks.LengthFactor = 0.01f;
        sparks.MaxLength = 25.0f;
        sparks.FadeRate = 1.0f;
        sparks.EmissionDuration = 0.1f;
        sparks.EmissionRate = 300.0f;
        sparks.SphereMode = 1;
        Particles->AddSparks(sparks, kSparkCount, SparkTexture);
    }
}

void CTreasuryBackground::Burst() {
    Elements.SlotStateAt(kChestSlot) = kChestBurst;
    Elements.SlotTimerAt(kChestSlot) = 0.0f;
    for (const auto& r : ChestRays)
        FadeOut(Layer, r);
    ChestRays.clear();
    FadeOut(Layer, ChestSprite);
    FadeOut(Layer, ChestShadowSprite);
    ChestSprite = ChestShadowSprite = CSharedPtr<CSpriteQuad>();
    const float w = ChestForm[2], h = ChestForm[3];
    if (!Quads.IsNull()) {
        CSharedPtr<CQuad> flash(new CQuad(ChestForm[0] + 0.5f * w + kOffsetX,
                                          ChestForm[1] - 0.5f * h + kOffsetY, kDepth - kFlashDepth,
                                          SparkTexture, ChestFlashColour));
        flash->SetScale(w, h);
        flash->FlickerAmplitude = 0.0f;
        flash->FadeInTime = 0.1f * ChestFadeTime;
        flash->HoldEnd = ChestFadeTime;
        flash->FadeOutTime = kFlashOut;
        flash->StartScale(kFlashGrowth, 3.0f / ChestFadeTime);
        Quads->Add(flash);
    }
    CrackChest();
    CrackChest();
}

void CTreasuryBackground::CrackChest() {
    const int32_t cols = ChestCrack[0], rows = ChestCrack[1];
    const size_t across = static_cast<size_t>(cols + 1);
    // Each grid point of the cut moves a little inside its cell, the border
    // only along the border, the corners not at all.
    std::vector<float> jx(across * static_cast<size_t>(rows + 1), 0.0f), jy(jx);
    for (int32_t p = 0; p <= rows; ++p)
        for (int32_t q = 0; q <= cols; ++q) {
            const size_t at = static_cast<size_t>(p) * across + static_cast<size_t>(q);
            const bool edgeRow = p == 0 || p == rows, edgeCol = q == 0 || q == cols;
            if (edgeRow) {
                if (!edgeCol)
                    jx[at] = RandomFloat() * kJitter - 0.5f * kJitter;
            } else if (edgeCol) {
                jy[at] = RandomFloat() * kJitter - 0.5f * kJitter;
            } else {
                jx[at] = RandomFloat() * kJitter - 0.5f * kJitter;
                jy[at] = RandomFloat() * kJitter - 0.5f * kJitter;
            }
        }
    const float cw = ChestForm[2] / static_cast<float>(cols);
    const float ch = ChestForm[3] / static_cast<float>(rows);
    const float tu = (ChestTForm[2] - ChestTForm[0]) / static_cast<float>(cols);
    const float tv = (ChestTForm[3] - ChestTForm[1]) / static_cast<float>(rows);
    const auto uv = [&](int32_t p, int32_t q) {
        const size_t at = static_cast<size_t>(p) * across + static_cast<size_t>(q);
        return CTexCoord{ChestTForm[0] + (static_cast<float>(q) + jx[at]) * tu,
                         ChestTForm[1] + (static_cast<float>(p) - jy[at]) * tv};
    };
    const auto corner = [&](int32_t p, int32_t q, float sx, float sy) {
        const size_t at = static_cast<size_t>(p) * across + static_cast<size_t>(q);
        return CTexCoord{jx[at] + sx, jy[at] + sy};
    };
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c) {
            auto s = MakeSprite(ChestForm[0] + 0.5f * cw + static_cast<float>(c) * cw + kOffsetX,
                                ChestForm[1] - 0.5f * ch - static_cast<float>(r) * ch + kOffsetY,
                                kDepth - kShardDepth, cw, ch, 0xFFFFFFFFu, Sheet);
            const CTexCoord shape[4] = {corner(r, c, -0.5f, 0.5f), corner(r, c + 1, 0.5f, 0.5f),
                                        corner(r + 1, c + 1, 0.5f, -0.5f),
                                        corner(r + 1, c, -0.5f, -0.5f)};
            const CTexCoord frame[4] = {uv(r, c), uv(r, c + 1), uv(r + 1, c + 1), uv(r + 1, c)};
            s->SetCorners(shape);
            s->SetFrameCorners(0, frame);
            s->Key = kShardKey;
            s->PassTag = kPassBehind;
            s->FadeSpeed = kShardFadeSpeed;
            s->SpinOn = 1;
            s->SpinSpeed = 0.0f;
            Show(Layer, s);
            Shards.push_back(s);
            // Every shard drifts left, the farther right the slower; the top
            // row rises with about the first acceleration, the bottom row with
            // about the second.
            ShardVelocity.push_back(static_cast<float>(c - cols) * Spread());
            ShardVelocity.push_back(0.0f);
            const float along = static_cast<float>(r) / static_cast<float>(rows - 1);
            ShardAccel.push_back(
                (ChestAccelArea[0] + (ChestAccelArea[1] - ChestAccelArea[0]) * along) * Spread());
        }
}

void CTreasuryBackground::MoveShards(float dt) {
    const float top = 0.5f * kScreenHeight;
    for (size_t i = 0; i < Shards.size();) {
        CSpriteQuad& s = *Shards[i];
        float& vx = ShardVelocity[2 * i];
        float& vy = ShardVelocity[2 * i + 1];
        vy += ShardAccel[i] * dt;
        s.Position.X += vx * dt;
        s.Position.Y += vy * dt;
        // It spins ever faster, each shard its own way.
        float sign = s.SpinSpeed < 0.0f ? -1.0f : 1.0f;
        if (s.SpinSpeed == 0.0f)
            sign = RandomFloat() < 0.5f ? -1.0f : 1.0f;
        s.SpinSpeed += sign * Spread() * ChestRotAccel * dt;
        if (s.Position.Y > top + 2.5f * s.Height) {
            if (!Layer.IsNull())
                Layer->Remove(Shards[i]);
            Shards.erase(Shards.begin() + static_cast<long>(i));
            ShardVelocity.erase(ShardVelocity.begin() + static_cast<long>(2 * i),
                                ShardVelocity.begin() + static_cast<long>(2 * i + 2));
            ShardAccel.erase(ShardAccel.begin() + static_cast<long>(i));
            continue;
        }
        ++i;
    }
}

void CTreasuryBackground::UpdateGlowWorms(float dt) {
    GlowWormTimer += Spread() * dt;
    if (GlowWormTimer >= GlowWormsT) {
        GlowWormTimer -= GlowWormsT;
        const float x = ChestRaysCentre[0] + (RandomFloat() - 0.5f) * 1.5f * ChestRaysR + kOffsetX;
        const float y = ChestRaysCentre[1] - (0.5f + 0.5f * RandomFloat()) * ChestRaysR + kOffsetY;
        const float side = Spread() * GlowWormsSize;
        const float phase = RandomFloat() * kTwoPi;
        const float rise = Spread() * GlowWormsSpeed;
        const uint32_t colour =
            GlowWormsColour != 0 ? GlowWormsColour : RandomColour(0.0f, 1.0f, 0.0f, 0.0f);
        auto s = MakeSprite(x, y, kDepth - kShardDepth, side, side, colour, HaloTexture);
        s->SetBlend(1, CSpriteQuad::BlendAdd);
        s->Key = kGlowWormKey;
        s->FadeSpeed = kGlowWormFadeSpeed;
        s->SetAlpha(0.0f);
        s->FadeTo(1.0f);
        s->PassTag = kPassBehind;
        Show(Layer, s);
        GlowWorms.push_back(s);
        GlowWormRecord.insert(GlowWormRecord.end(), {x, rise, phase});
    }
    const float top = 0.5f * kScreenHeight;
    for (size_t i = 0; i < GlowWorms.size();) {
        CSpriteQuad& s = *GlowWorms[i];
        float* record = &GlowWormRecord[3 * i];
        if (s.Position.Y > top + 2.0f * s.Height) {
            if (!Layer.IsNull())
                Layer->Remove(GlowWorms[i]);
            GlowWorms.erase(GlowWorms.begin() + static_cast<long>(i));
            GlowWormRecord.erase(GlowWormRecord.begin() + static_cast<long>(3 * i),
                                 GlowWormRecord.begin() + static_cast<long>(3 * i + 3));
            continue;
        }
        record[2] += GlowWormsW * dt;
        if (record[2] >= kTwoPi)
            record[2] -= kTwoPi;
        s.Position.X = record[0] + 0.25f * ChestRaysR * std::sin(record[2]);
        s.Position.Y += record[1] * dt;
        ++i;
    }
}

void CTreasuryBackground::ResetChest() {
    for (auto* list : {&ChestRays, &Shards}) {
        for (const auto& s : *list)
            FadeOut(Layer, s);
        list->clear();
    }
    ShardVelocity.clear();
    ShardAccel.clear();
    for (const auto& s : GlowWorms) {
        s->FadeSpeed = kGlowWormLeaveSpeed;
        FadeOut(Layer, s);
    }
    GlowWorms.clear();
    GlowWormRecord.clear();
    if (ChestSprite.IsNull())
        MakeChest();
}
