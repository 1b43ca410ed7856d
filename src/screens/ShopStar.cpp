#include "screens/ShopStar.h"

#include <algorithm>
#include <cmath>

#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"

namespace {

constexpr float kTexel = 1.0f / 512.0f;
constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;
// Texel rectangles: the bank star (ShopCtrls2), the slot star (ShopCtrls1)
// and the spin frames (ShopCtrls2, frame k at column k / 4, row k % 4).
constexpr float kBankStar[4] = {336.0f, 336.0f, 432.0f, 432.0f};
constexpr float kSlotStar[4] = {336.0f, 392.0f, 392.0f, 448.0f};
constexpr float kSpinLeft = 336.0f;
constexpr float kSpinCell = 84.0f;
constexpr int32_t kSpinRows = 4;
// The tail: it lives until the token ends it, and its glitter is spaced along
// the flight.
constexpr float kEndlessTail = 10000000.0f;
constexpr float kTailFadeRate = 1.25f;
constexpr float kTailFadeVariation = 0.25f;
constexpr float kTailSpinSpread = 512.0f;
constexpr float kTailSpin = 256.0f;

void SetRect(CSpriteQuad& s, int32_t frame, const float r[4]) {
    s.SetFrameRect(frame, r[0] * kTexel, r[1] * kTexel, r[2] * kTexel, r[3] * kTexel);
}

void SpinFrame(float out[4], int32_t k) {
    out[0] = kSpinLeft + kSpinCell * static_cast<float>(k / kSpinRows);
    out[1] = kSpinCell * static_cast<float>(k % kSpinRows);
    out[2] = out[0] + kSpinCell;
    out[3] = out[1] + kSpinCell;
}

} // namespace

CShopStar::~CShopStar() {
    if (!tail.IsNull())
        tail->EndEmission();
    tail = CSharedPtr<CParticleSystem>();
    DropSprite();
}

void CShopStar::Attach(CSharedPtr<CParticleSystemsManager> p, CSharedPtr<CSpriteLayer> l,
                       CSharedPtr<CTexture> a, CSharedPtr<CTexture> b, CSharedPtr<CTexture> t) {
    particles = p;
    layer = l;
    textureA = a;
    textureB = b;
    tailTexture = t;
}

void CShopStar::SetTail(float size, float intensity, uint32_t colour) {
    tailSize = size;
    tailIntensity = intensity;
    tailColour = colour;
}

void CShopStar::DropSprite() {
    if (!sprite.IsNull() && !layer.IsNull())
        layer->Remove(sprite);
    sprite = CSharedPtr<CSpriteQuad>();
}

void CShopStar::MakeSprite(bool spinning, float size, int32_t order) {
    DropSprite();
    const bool bankLook = state != kOnItem;
    sprite = CSharedPtr<CSpriteQuad>(
        new CSpriteQuad(x, y, z, size, size, kOpaqueWhite, bankLook ? textureB : textureA, 1));
    sprite->Key = order;
    if (spinning) {
        float r[4];
        SpinFrame(r, 0);
        SetRect(*sprite, 0, r);
        for (int32_t k = 1; k < kSpinFrames; ++k) {
            SpinFrame(r, k);
            sprite->AddFrame(r[0] * kTexel, r[1] * kTexel, r[2] * kTexel, r[3] * kTexel);
        }
    } else {
        SetRect(*sprite, 0, state == kOnItem ? kSlotStar : kBankStar);
    }
    if (!layer.IsNull())
        layer->Add(sprite);
}

void CShopStar::Rest(int32_t newState, float px, float py, float pz, int32_t order) {
    x = px;
    y = py;
    z = pz;
    state = newState;
    if (newState == kDragged)
        MakeSprite(true, kFlightSize, order - 1);
    else
        MakeSprite(false, newState == kInBank ? kBankSize : kSlotSize, order);
}

void CShopStar::RestInBank(float px, float py, float pz, int32_t order) {
    Rest(kInBank, px, py, pz, order);
}

void CShopStar::RestOnItem(float px, float py, float pz, int32_t order) {
    Rest(kOnItem, px, py, pz, order);
}

void CShopStar::StartDrag(float px, float py, float pz, int32_t order) {
    Rest(kDragged, px, py, pz, order);
}

void CShopStar::Fly(int32_t newState, float fx, float fy, float fz, float tx, float ty, float tz,
                    float speed, int32_t order) {
    time = 0.0f;
    fromX = x = fx;
    fromY = y = fy;
    fromZ = z = fz;
    toX = tx;
    toY = ty;
    toZ = tz;
    phase = 0.0f;
    const float d =
        std::sqrt((tx - fx) * (tx - fx) + (ty - fy) * (ty - fy) + (tz - fz) * (tz - fz));
    if (d == 0.0f || !(speed > 0.0f)) {
        duration = 0.0f;
        spinRate = 0.0f;
    } else {
        duration = d / speed;
        // A whole number of turns of the eight frames, at about 30 frames a
        // second.
        const float turns = std::max(
            1.0f, std::floor((duration * kFramesPerSecond + kSpinFrames / 2) / kSpinFrames));
        spinRate = turns * kSpinFrames / duration;
    }
    state = newState;
    MakeSprite(true, newState == kDropReturn ? kFlightSize : kSlotSize, order - 1);
    if (newState == kToItem)
        sprite->SetScale(kFlightSize, kFlightSize);

    if (particles.IsNull())
        return;
    CSpellsSpringParametres block(x, y, z, 0.0f, 0.0f, 0.0f, tailSize * 2.0f, tailSize, tailSize,
                                  tailSize / 2.0f, tailColour & 0x00FFFFFFu);
    block.EmissionDuration = kEndlessTail;
    block.FadeRate = kTailFadeRate;
    block.FadeVariation = kTailFadeVariation;
    block.EmissionRate = tailIntensity;
    block.TrailMode = 1;
    block.RandomAngle = 1;
    block.Spin = kTailSpinSpread;
    block.SpinVariation = kTailSpin;
    const auto count = static_cast<int32_t>(tailIntensity * 3.0f / kTailFadeRate);
    block.ParticleCount = count;
    tail = particles->AddSpells(block, std::max(count, 1), tailTexture);
}

void CShopStar::FlyBackFromDrop(float fx, float fy, float fz, float tx, float ty, float tz,
                                float speed, int32_t order) {
    Fly(kDropReturn, fx, fy, fz, tx, ty, tz, speed, order);
}

void CShopStar::FlyBackFromItem(float fx, float fy, float fz, float tx, float ty, float tz,
                                float speed, int32_t order) {
    Fly(kSaleReturn, fx, fy, fz, tx, ty, tz, speed, order);
}

void CShopStar::FlyToItem(float fx, float fy, float fz, float tx, float ty, float tz, float speed,
                          int32_t order) {
    Fly(kToItem, fx, fy, fz, tx, ty, tz, speed, order);
}

bool CShopStar::Update(float dt) {
    if (!IsFlying())
        return false;
    time = std::min(time + dt, duration);
    const float t = duration > 0.0f ? time / duration : 1.0f;
    x = fromX * (1.0f - t) + toX * t;
    y = fromY * (1.0f - t) + toY * t;
    z = fromZ * (1.0f - t) + toZ * t;
    phase += spinRate * dt;
    phase -= kSpinFrames * std::floor(phase / kSpinFrames);
    if (!sprite.IsNull()) {
        sprite->Position = CVector3(x, y, z);
        if (state == kSaleReturn)
            sprite->SetScale(kSlotSize + (kFlightSize - kSlotSize) * t,
                             kSlotSize + (kFlightSize - kSlotSize) * t);
        else if (state == kToItem)
            sprite->SetScale(kSlotSize + (kFlightSize - kSlotSize) * (1.0f - t),
                             kSlotSize + (kFlightSize - kSlotSize) * (1.0f - t));
        sprite->CurrentFrame = static_cast<int32_t>(std::floor(phase)) % kSpinFrames;
    }
    if (!tail.IsNull())
        tail->SetPosition(x, y, z);
    return time >= duration;
}

void CShopStar::SetPosition(float px, float py, float pz) {
    x = px;
    y = py;
    z = pz;
    if (!sprite.IsNull())
        sprite->Position = CVector3(x, y, z);
    if (!tail.IsNull())
        tail->SetPosition(x, y, z);
}

void CShopStar::Fade(bool in, float speed) {
    if ((state != kInBank && state != kOnItem) || sprite.IsNull())
        return;
    // Without a speed the token is at its end alpha at once.
    if (!(speed > 0.0f)) {
        sprite->SetAlpha(in ? 1.0f : 0.0f);
        return;
    }
    sprite->FadeSpeed = speed;
    if (in)
        sprite->SetAlpha(0.0f);
    sprite->FadeTo(in ? 1.0f : 0.0f);
}
