#include "playfield/ArcadeGame.h"

#include <algorithm>
#include <cmath>

#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "engine/Random.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/Texture.h"

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr float kHitSpinFactor = 7.0f;
// A trail emits until the token is gone; the token's end stops it.
constexpr float kTrailLife = 10000000.0f;
constexpr float kBurstLife = 0.05f;
constexpr float kDefaultFlightTime = 1.0f;

// Spells values of the trail and of the burst of a hit token.
struct SparkValues {
    float speed, speedVariation, size, sizeVariation;
    float life;
    float fadeRate, fadeVariation, emissionRate, spin, spinVariation;
};
constexpr SparkValues kTrail{16.0f, 8.0f,  8.0f,  4.0f,   kTrailLife,
                             0.5f,  0.25f, 20.0f, 512.0f, 256.0f};
constexpr SparkValues kBurst{96.0f, 32.0f, 8.0f,   4.0f,   kBurstLife,
                             1.0f,  0.25f, 400.0f, 512.0f, 256.0f};

float RandomSign() {
    return RandomFloat() >= 0.5f ? 1.0f : -1.0f;
}

} // namespace

// ---- CArcadeItem ----

CArcadeItem::~CArcadeItem() {
    if (!Sprite.IsNull()) {
        Sprite->LifeOn = 1;
        Sprite->RemainingLife = 0.0f;
        if (!Layer.IsNull())
            Layer->Remove(Sprite);
    }
    EndTrail();
}

void CArcadeItem::EndTrail() {
    if (!Trail.IsNull())
        Trail->EndEmission();
    Trail = CSharedPtr<CParticleSystem>();
}

// ---- CArcadeGame ----

CArcadeGame::CArcadeGame() {
    Tokens.reserve(40);
}

CArcadeGame::~CArcadeGame() {
    Tokens.clear();
    SpriteLayer = CSharedPtr<CSpriteLayer>();
    Particles = CSharedPtr<CParticleSystemsManager>();
    TokenTexture = CSharedPtr<CTexture>();
    SparkTexture = CSharedPtr<CTexture>();
    SoundBank = CSharedPtr<CSoundBank>();
}

void CArcadeGame::SetResources(float areaX, float areaY, float areaZ, float areaWidth,
                               float areaHeight, float rowX, float rowY, float rowZ,
                               float slotWidth, float slotHeight, int32_t slots) {
    AreaX = areaX;
    AreaY = areaY;
    AreaZ = areaZ;
    AreaWidth = areaWidth;
    AreaHeight = areaHeight;
    RowX = rowX;
    RowY = rowY;
    RowZ = rowZ;
    SlotWidth = slotWidth;
    SlotHeight = slotHeight;
    Slots = slots;
}

void CArcadeGame::SetTextures(CSharedPtr<CSpriteLayer> layer,
                              CSharedPtr<CParticleSystemsManager> particles,
                              CSharedPtr<CTexture> token, CSharedPtr<CTexture> sparks) {
    SpriteLayer = layer;
    Particles = particles;
    TokenTexture = token;
    SparkTexture = sparks;
}

void CArcadeGame::Start(int32_t group) {
    State = kLaunching;
    LaunchTimer = 0.0f;
    Hits = 0;
    Launched = 0;
    LaunchPeriod = 1.0f;
    Speed = static_cast<float>(group - 1) * 100.0f + 175.0f;
    TokenWidth = 64.0f;
    TokenHeight = 64.0f;
}

CSharedPtr<CParticleSystem> CArcadeGame::AddSparks(float x, float y, float z, bool burst) const {
    if (Particles.IsNull())
        return CSharedPtr<CParticleSystem>();
    const SparkValues& v = burst ? kBurst : kTrail;
    CSpellsSpringParametres params(x, y, z, 0.0f, 0.0f, 0.0f, v.speed, v.speedVariation, v.size,
                                   v.sizeVariation, kTokenColour);
    params.EmissionDuration = v.life;
    params.RandomAngle = 1;
    params.RandomSpinSign = 1;
    params.FadeRate = v.fadeRate;
    params.FadeVariation = v.fadeVariation;
    params.EmissionRate = v.emissionRate;
    params.Spin = v.spin;
    params.SpinVariation = v.spinVariation;
    return Particles->AddSpells(params, kTrailParticles, SparkTexture);
}

void CArcadeGame::Launch() {
    const float edgeX = AreaX + TokenWidth;
    const float leaveY = AreaY - RandomFloat() * AreaHeight;
    const float returnY = AreaY - RandomFloat() * AreaHeight;
    const float turnX = AreaX - (0.7f + 0.3f * RandomFloat()) * AreaWidth;
    float flightTime = (edgeX - turnX) / ((0.75f + 0.5f * RandomFloat()) * Speed);
    // A speed or area that gives no proper flight (zero, negative, not finite)
    // still launches a token that comes back.
    if (!(flightTime > 0.0f) || !std::isfinite(flightTime))
        flightTime = kDefaultFlightTime;

    CSharedPtr<CArcadeItem> item(new CArcadeItem());
    item->A = 4.0f * (edgeX - turnX) / (flightTime * flightTime);
    item->B = -item->A * flightTime;
    item->C = edgeX;
    item->D = 0.0f;
    item->E = (returnY - leaveY) / flightTime;
    item->F = leaveY;
    item->Elapsed = 0.0f;
    item->Duration = flightTime;
    item->State = CArcadeItem::kFlying;

    CSharedPtr<CSpriteQuad> sprite(new CSpriteQuad(edgeX, leaveY, AreaZ, TokenWidth, TokenHeight,
                                                   kTokenColour, TokenTexture, 1));
    sprite->SetFrameRect(0, 0.0f, 0.75f, 0.25f, 1.0f);
    sprite->SetBlend(1, CSpriteQuad::BlendAdd);
    sprite->SpinOn = 1;
    const float spin = (0.75f + 0.5f * RandomFloat()) * kHalfPi;
    sprite->SpinSpeed = spin * RandomSign();
    sprite->Key = DrawKey;
    item->Sprite = sprite;
    item->Layer = SpriteLayer;
    if (!SpriteLayer.IsNull())
        SpriteLayer->Add(sprite);
    item->Trail = AddSparks(edgeX, leaveY, AreaZ, false);
    Tokens.push_back(item);
}

int32_t CArcadeGame::OnClick(float x, float y) {
    if (State != kLaunching)
        return kMissed;
    for (const CSharedPtr<CArcadeItem>& token : Tokens) {
        if (token.IsNull() || token->State != CArcadeItem::kFlying || token->Sprite.IsNull())
            continue;
        CSpriteQuad& sprite = *token->Sprite;
        const float dx = x - sprite.Position.X, dy = y - sprite.Position.Y;
        if (!(std::sqrt(dx * dx + dy * dy) <= sprite.Width * 0.5f))
            continue;

        token->StartX = sprite.Position.X;
        token->StartY = sprite.Position.Y;
        token->StartZ = sprite.Position.Z;
        token->TargetX = RowX + (static_cast<float>(Hits) + 0.5f) * SlotWidth;
        token->TargetY = RowY - 0.5f * SlotHeight;
        token->TargetZ = RowZ;
        token->Elapsed = 0.0f;
        token->Duration = kCollectTime;
        sprite.SpinSpeed *= kHitSpinFactor * RandomSign();
        token->State = CArcadeItem::kCollecting;

        if (CSharedPtr<CParticleSystem> burst =
                AddSparks(sprite.Position.X, sprite.Position.Y, sprite.Position.Z, true);
            !burst.IsNull())
            burst->Update(kBurstLife);
        if (!SoundBank.IsNull())
            SoundBank->PlaySampleAt(SoundBank->Group(ESound::Explode2), x, 0, 0);

        ++Hits;
        if (Hits >= Slots) {
            State = kFinishing;
            ResetTargets();
        }
        return kHit;
    }
    return kMissed;
}

int32_t CArcadeGame::Update(float dt) {
    if (State == kLaunching) {
        LaunchTimer += dt;
        if (LaunchTimer >= LaunchPeriod) {
            Launched = 1;
            LaunchTimer -= LaunchPeriod;
            Launch();
        }
    } else if (State == kFinishing) {
        Launched = 1;
    }

    size_t i = 0;
    while (i < Tokens.size()) {
        CArcadeItem* token = Tokens[i].Get();
        if (!token || token->State == CArcadeItem::kInSlot) {
            ++i;
            continue;
        }
        CSpriteQuad* sprite = token->Sprite.Get();
        token->Elapsed += dt;
        if (token->Elapsed < token->Duration) {
            float x, y, z;
            if (token->State == CArcadeItem::kFlying) {
                x = token->XAt(token->Elapsed);
                y = token->YAt(token->Elapsed);
                z = sprite ? sprite->Position.Z : AreaZ;
            } else {
                const float u = token->Elapsed / token->Duration;
                x = token->StartX * (1.0f - u) + token->TargetX * u;
                y = token->StartY * (1.0f - u) + token->TargetY * u;
                z = token->StartZ * (1.0f - u) + token->TargetZ * u;
                if (sprite)
                    sprite->SetScale(TokenWidth * (1.0f - u) + SlotWidth * u,
                                     TokenHeight * (1.0f - u) + SlotHeight * u);
            }
            if (sprite)
                sprite->Position = CVector3(x, y, z);
            if (!token->Trail.IsNull())
                token->Trail->SetPosition(x, y, z);
            ++i;
            continue;
        }

        token->Elapsed = token->Duration;
        if (token->State == CArcadeItem::kFlying) {
            // Back at the edge without being hit: it is gone.
            Tokens.erase(Tokens.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        if (sprite) {
            sprite->Position = CVector3(token->TargetX, token->TargetY, token->TargetZ);
            sprite->SetScale(SlotWidth, SlotHeight);
            sprite->SpinOn = 0;
            sprite->SetRotation(0.0f);
        }
        if (!token->Trail.IsNull())
            token->Trail->SetPosition(token->TargetX, token->TargetY, token->TargetZ);
        token->EndTrail();
        token->State = CArcadeItem::kInSlot;
        ++i;
    }

    if (State == kFinishing && Launched == 1) {
        const bool allInSlots =
            std::all_of(Tokens.begin(), Tokens.end(), [](const CSharedPtr<CArcadeItem>& t) {
                return t.IsNull() || t->State == CArcadeItem::kInSlot;
            });
        if (allInSlots) {
            // Reported once: the challenge is over.
            State = kIdle;
            return kOver;
        }
    }
    return kNothing;
}

void CArcadeGame::ResetTargets() {
    for (const CSharedPtr<CArcadeItem>& token : Tokens) {
        if (token.IsNull() || token->State != CArcadeItem::kFlying)
            continue;
        const float x = token->Sprite.IsNull() ? AreaX : token->Sprite->Position.X;
        const float y = token->Sprite.IsNull() ? AreaY : token->Sprite->Position.Y;
        token->Elapsed = 0.0f;
        token->Duration = kDashTime;
        token->A = 0.0f;
        token->C = x;
        token->B = (AreaX + TokenWidth - x) / kDashTime;
        token->D = 0.0f;
        token->E = 0.0f;
        token->F = y;
    }
}
