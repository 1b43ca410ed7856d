#include "bonuses/BonusScore.h"

#include <algorithm>
#include <cmath>

#include "bonuses/BonusParametres.h"
#include "effects/MultiOriginSystemKeeper.h"
#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/SimpleSpriteSystemKeeper.h"

using namespace bonusdraw;

namespace {

// Texture coordinates are pixels of the 256 by 256 sheet.
constexpr float kTexel = 1.0f / 256.0f;
constexpr float kChestU0 = 4.0f, kChestU1 = 54.0f, kChestV0 = 94.0f, kChestRow = 36.0f;
constexpr float kCoinU0 = 54.0f, kCoinV0 = 94.0f, kCoinCell = 24.0f;
// The chest pictures of the four tiers are stacked on the sheet.
constexpr int32_t kChestRows = 4;
constexpr float kOrbitRate = 60.0f;

float WrapPhase(float phase) {
    const float frames = static_cast<float>(CBonusScore::kCoinFrames);
    if (!std::isfinite(phase))
        return 0.0f;
    const float turns = std::floor(phase / frames);
    if (turns != 0.0f)
        phase -= turns * frames;
    // Rounding may leave the phase on the upper bound.
    return phase >= frames || phase < 0.0f ? 0.0f : phase;
}

int32_t FrameOf(float phase) {
    return static_cast<int32_t>(std::floor(phase)) & (CBonusScore::kCoinFrames - 1);
}

} // namespace

CBonusScore::CBonusScore() {
    Kind = kScore;
    Sprites.reserve(16);
}

CBonusScore::~CBonusScore() {
    RemoveHeldSprites();
    EndOrbit();
}

int32_t CBonusScore::CoinCount(int32_t tier) {
    switch (tier) {
    case 0:
        return 3;
    case 1:
        return 5;
    case 2:
        return 7;
    default:
        return 10;
    }
}

void CBonusScore::SetTextures(const CBonusHandles& handles) {
    Layers.Take(handles, BoardLayers);
    SheetTexture = handles.Texture(0);
    SparkleTexture = handles.Texture(1);
}

float CBonusScore::FirstCoinAngle() const {
    return Sprites.size() > 1 && !Sprites[1].IsNull() ? Sprites[1]->Angle : kPi / 2.0f;
}

void CBonusScore::Init() {
    LaidOutSize = Size;
    State = kStill;
    Scale = Size / ReferenceSize();
    const CBonusParametres::ScoreSection& p = g_bonusParams.Score;
    const float s = Scale;
    const float x = Pos[0], y = Pos[1], z = Pos[2];

    RemoveHeldSprites();
    Sprites.clear();
    EndOrbit();

    // Tiers beyond the sheet's four chests show the last one.
    const auto row = static_cast<float>(std::clamp(Param, 0, kChestRows - 1));
    Sprite chest = MakeSprite(x, y, z, kChestWidth * s, kChestHeight * s, kWhite, SheetTexture);
    chest->SetFrameRect(0, kChestU0 * kTexel, (kChestV0 + kChestRow * row) * kTexel,
                        kChestU1 * kTexel, (kChestV0 + kChestRow * (row + 1.0f)) * kTexel);
    chest->Key = ZOrder;
    Sprites.push_back(chest);

    const int32_t n = CoinCount(Param);
    CoinPhases.assign(static_cast<size_t>(n), 0.0f);
    const float step = kTwoPi / static_cast<float>(n);
    const float radius = p.CoinOrbitRadius;
    for (int32_t i = 0; i < n; ++i) {
        Sprite coin = MakeSprite(x, y, z, kCoinSize * s, kCoinSize * s, kWhite, SheetTexture);
        for (int32_t k = 0; k < kCoinFrames; ++k) {
            const float left = (kCoinU0 + kCoinCell * static_cast<float>(k / 4)) * kTexel;
            const float top = (kCoinV0 + kCoinCell * static_cast<float>(k % 4)) * kTexel;
            const float right = left + kCoinCell * kTexel, bottom = top + kCoinCell * kTexel;
            // The coin pictures lie a quarter turn round on the sheet.
            const CTexCoord corners[4] = {{right, top}, {right, bottom}, {left, bottom},
                                          {left, top}};
            if (k == 0)
                coin->SetFrameCorners(0, corners);
            else
                coin->AddFrameCorners(corners);
        }
        CoinPhases[static_cast<size_t>(i)] = RandomFloat() * static_cast<float>(kCoinFrames);
        coin->CurrentFrame = FrameOf(CoinPhases[static_cast<size_t>(i)]);
        // Pivoted so that the coin's centre lies on the orbit.
        coin->PivotX = -radius / kCoinSize;
        coin->SetRotation(kPi / 2.0f + static_cast<float>(i) * step);
        coin->SpinSpeed = p.CoinW;
        coin->SpinOn = 1;
        coin->Key = ZOrder;
        Sprites.push_back(coin);
    }
    AddHeldSprites();
    BuildOrbit(Layers.Current.Particles);
}

void CBonusScore::BuildOrbit(const CSharedPtr<CParticleSystemsManager>& manager) {
    EndOrbit();
    if (manager.IsNull())
        return;
    const CBonusParametres::ScoreSection& p = g_bonusParams.Score;
    const int32_t n = CoinCount(Param);
    CSharedPtr<CMultiOriginSystemKeeper> keeper(new CMultiOriginSystemKeeper());
    keeper->ZFactor = 0.0f;
    keeper->SetRing(p.CoinOrbitRadius, n, kPi / 2.0f, EffectFactor * kOrbitRate, 0.0f, 20.0f, 5.0f,
                    12.0f, 12.0f, 4.0f, 4.0f, 512.0f, -256.0f, p.TailColor, 0.01f, 0.1f, 0.2f,
                    0.001f, 0.025f, 0.025f, 0);
    CCollection2Parametres block(Pos[0], Pos[1], Pos[2], nullptr,
                                 CSharedPtr<CCollection2Keeper>(keeper), 0);
    block.KeeperEmission = 1;
    block.EmissionDuration = kEndlessEmission;
    Orbit = manager->AddCollection(block, kOrbitCapacity, SparkleTexture);
    OrbitKeeper = keeper;
}

void CBonusScore::EndOrbit() {
    if (!Orbit.IsNull())
        Orbit->EndEmission();
    Orbit = CSharedPtr<CParticleSystem>();
    OrbitKeeper = CSharedPtr<CMultiOriginSystemKeeper>();
}

void CBonusScore::ScaleSprites(float factor) {
    const float k = Scale * factor;
    for (size_t i = 0; i < Sprites.size(); ++i) {
        if (Sprites[i].IsNull())
            continue;
        if (i == 0)
            Sprites[i]->SetScale(kChestWidth * k, kChestHeight * k);
        else
            Sprites[i]->SetScale(kCoinSize * k, kCoinSize * k);
    }
}

void CBonusScore::LayoutSprites(float factor) {
    if (Orbit.IsNull())
        return;
    Orbit->SetPosition(Pos[0], Pos[1], Pos[2]);
    if (OrbitKeeper.IsNull())
        return;
    const int32_t n = CoinCount(Param);
    const float r = Scale * factor * g_bonusParams.Score.CoinOrbitRadius;
    const float step = kTwoPi / static_cast<float>(n);
    float angle = FirstCoinAngle();
    for (int32_t i = 0; i < n; ++i, angle += step)
        OrbitKeeper->SetEmitterOffset(i, std::cos(angle) * r, std::sin(angle) * r, 0.0f);
}

void CBonusScore::SetAlpha(float alpha) {
    ForEachSprite([&](Sprite& s) { s->SetAlpha(alpha); });
}

void CBonusScore::PlaceSprites() {
    const CVector3 at(Pos[0], Pos[1], Pos[2]);
    ForEachSprite([&](Sprite& s) { s->Position = at; });
}

int32_t CBonusScore::Update(float dt) {
    if (!Visible)
        return 1;
    // Fired, or a pop that has ended: only the queued events keep it.
    if (State == kFinished)
        return Events.empty() ? 0 : 1;
    Age += dt;

    const float fps = g_bonusParams.Score.CoinFPS;
    for (size_t i = 0; i < CoinPhases.size(); ++i) {
        CoinPhases[i] = WrapPhase(CoinPhases[i] + fps * dt);
        if (i + 1 < Sprites.size() && !Sprites[i + 1].IsNull())
            Sprites[i + 1]->CurrentFrame = FrameOf(CoinPhases[i]);
    }

    bool ended = false;
    CBonusRamp ramp;
    if (InBaseMotion()) {
        ended = AdvanceMotion(dt);
        ramp = MotionRamp();
        ScaleSprites(ramp.Scale);
        SetAlpha(ramp.Alpha);
        LaidOutSize = Size;
    } else if (LaidOutSize != Size) {
        ScaleSprites(1.0f);
        LaidOutSize = Size;
    }
    PlaceSprites();
    LayoutSprites(ramp.Scale);

    if (ended) {
        if (EndMotion() == 0)
            return 0;
        if (State == kPlaced) {
            ScaleSprites(ramp.Scale);
            SetAlpha(ramp.Alpha);
            LayoutSprites(ramp.Scale);
        }
    }
    return 1;
}

void CBonusScore::Fire() {
    if (Dead)
        return;
    Dead = 1;
    State = kFinished;
    PopEnded = 0;

    const CSharedPtr<CParticleSystemsManager>& manager = Layers.Current.Particles;
    if (!manager.IsNull()) {
        const int32_t n = CoinCount(Param);
        CSharedPtr<CSimpleSpriteSystemKeeper> keeper(new CSimpleSpriteSystemKeeper());
        keeper->SetParameters(n, 40.0f, 40.0f, 0.0f);
        keeper->SetFrameRect(0, kCoinU0 * kTexel, kCoinV0 * kTexel, (kCoinU0 + kCoinCell) * kTexel,
                             (kCoinV0 + kCoinCell) * kTexel);
        keeper->Floor = -400.0f;
        keeper->Width = 40.0f;
        keeper->Height = 40.0f;
        keeper->WidthSpread = 0.0f;
        keeper->HeightSpread = 8.0f;
        keeper->Gravity = 2000.0f;
        keeper->Speed = 500.0f;
        keeper->SpeedSpread = 150.0f;
        // Each falling coin starts where a coin of the ring is.
        keeper->GenerateRing(g_bonusParams.Score.CoinOrbitRadius, n, FirstCoinAngle());
        CCollection2Parametres block(Pos[0], Pos[1], Pos[2], nullptr,
                                     CSharedPtr<CCollection2Keeper>(keeper), 0);
        block.KeeperEmission = 1;
        manager->AddCollection(block, kBurstCapacity, SheetTexture);
    }

    for (auto& s : Sprites)
        Expire(s, kFiredSpriteLife);
    Sprites.clear();
    EndOrbit();
    QueueEvent(CBonusEvent::kScoreFired, Param);
}

void CBonusScore::SetLayerFlag(int32_t onBoard) {
    const int32_t before = BoardLayers;
    CBonusDrawn::SetLayerFlag(onBoard);
    // The sparkle starts again in the new set's particles.
    if (BoardLayers != before && !Orbit.IsNull())
        BuildOrbit(Layers.Current.Particles);
}

void CBonusScore::Hide() {
    CBonusDrawn::Hide();
    EndOrbit();
}

void CBonusScore::Show() {
    CBonusDrawn::Show();
    // A fired bonus has nothing left to show.
    if (!Dead)
        BuildOrbit(Layers.Current.Particles);
}
