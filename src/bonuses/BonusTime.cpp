#include "bonuses/BonusTime.h"

#include <algorithm>
#include <cmath>

#include "bonuses/BonusParametres.h"
#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/VortexKeeper.h"
#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "totems/BoardGrid.h"

using namespace bonusdraw;

namespace {

struct ClockPart {
    float Width, Height;  // at scale 1
    float U0, V0, U1, V1;
    int32_t Blend;        // CSpriteQuad blend mode
    int32_t KeyOffset;    // below the bonus's depth order
    float PivotX, PivotY;
    float SpinSpeed;      // 0: a still part
};

constexpr int32_t kAdd = CSpriteQuad::BlendAdd;
constexpr int32_t kDark = CSpriteQuad::BlendMultiply;

// The hands turn from twelve o'clock, the long one a full turn in two
// seconds, the short one in twenty-four.
constexpr ClockPart kLongHandPart = {CBonusTime::kLongHand, CBonusTime::kHandWidth, 0.796875f,
                                     0.9453125f, 1.0f, 1.0f, kAdd, 5, -0.3653846f, 0.0714286f,
                                     kPi};
constexpr ClockPart kLongShadowPart = {CBonusTime::kLongHand, CBonusTime::kHandWidth, 0.796875f,
                                       0.890625f, 1.0f, 0.9453125f, kDark, 4, -0.3846154f, 0.0f,
                                       kPi};
constexpr ClockPart kShortHandPart = {CBonusTime::kShortHand, CBonusTime::kHandWidth, 0.6328125f,
                                      0.9453125f, 0.796875f, 1.0f, kAdd, 3, -0.3333333f,
                                      -0.0714286f, kPi / 12.0f};
constexpr ClockPart kShortShadowPart = {CBonusTime::kShortHand, CBonusTime::kHandWidth,
                                        0.6328125f, 0.890625f, 0.796875f, 0.9453125f, kDark, 2,
                                        -0.3571429f, 0.0f, kPi / 12.0f};
constexpr ClockPart kFacePart = {CBonusTime::kFaceSize, CBonusTime::kFaceSize, 0.3515625f, 0.0f,
                                 0.703125f, 0.3515625f, kAdd, 1, 0.0f, 0.0f, 0.0f};
constexpr ClockPart kRimPart = {CBonusTime::kFaceSize, CBonusTime::kFaceSize, 0.0f, 0.0f,
                                0.3515625f, 0.3515625f, kDark, 0, 0.0f, 0.0f, 0.0f};
// The number plates are stacked in the right-hand column of the sheet.
constexpr float kPlateU0 = 0.703125f, kPlateHeight = 0.296875f;
constexpr int32_t kPlateKeyOffset = 1;

// The vortex keeper's own look, with only the particle size changed.
constexpr float kVortexSpeed = 20.0f, kVortexFadeIn = 10.0f, kVortexHold = 0.5f;
constexpr float kVortexFadeOut = 2.0f, kVortexSpin = 256.0f;
constexpr float kStreamRate = 50.0f;
// The streams are advanced this much at once, so that they show at the start.
constexpr int32_t kStreamWarmUpSteps = 6;
constexpr float kStreamWarmUpStep = 0.05f;

Sprite MakePart(const ClockPart& part, const float* pos, float scale, int32_t zOrder,
                const CSharedPtr<CTexture>& texture) {
    Sprite s = MakeSprite(pos[0], pos[1], pos[2], part.Width * scale, part.Height * scale, kWhite,
                          texture);
    s->SetFrameRect(0, part.U0, part.V0, part.U1, part.V1);
    s->SetBlend(1, part.Blend);
    s->Key = zOrder - part.KeyOffset;
    if (part.SpinSpeed != 0.0f) {
        s->PivotX = part.PivotX;
        s->PivotY = part.PivotY;
        s->SetRotation(kPi / 2.0f);
        s->SpinOn = 1;
        s->SpinSpeed = part.SpinSpeed;
    }
    return s;
}

} // namespace

CBonusTime::CBonusTime() {
    Kind = kTime;
    Clock.reserve(8);
}

CBonusTime::~CBonusTime() {
    // A bonus dropped in flight takes its twirl and its streams along.
    RemoveHeldSprites();
    EndStreams();
}

int32_t CBonusTime::Variant() const {
    return std::clamp(Param, 0, 3);
}

void CBonusTime::SetTextures(const CBonusHandles& handles) {
    Layers.Take(handles, BoardLayers);
    SheetTexture = handles.Texture(0);
    TwirlTexture = handles.Texture(1);
    StreamTexture = handles.Texture(2);
    StarTexture = handles.Texture(3);
    FlashTexture = handles.Texture(4);
}

void CBonusTime::Init() {
    LaidOutSize = Size;
    State = kStill;
    Scale = Size / ReferenceSize();

    for (auto& s : Clock)
        RemoveFrom(Layers.Current.Sprites, s);
    Clock.clear();
    Clock.push_back(MakePart(kLongHandPart, Pos, Scale, ZOrder, SheetTexture));
    Clock.push_back(MakePart(kLongShadowPart, Pos, Scale, ZOrder, SheetTexture));
    Clock.push_back(MakePart(kShortHandPart, Pos, Scale, ZOrder, SheetTexture));
    Clock.push_back(MakePart(kShortShadowPart, Pos, Scale, ZOrder, SheetTexture));
    if (HasPlate()) {
        const auto v = static_cast<float>(Variant());
        const ClockPart plate = {kPlateSize,   kPlateSize, kPlateU0, (v - 1.0f) * kPlateHeight,
                                 1.0f,         v * kPlateHeight, kAdd, kPlateKeyOffset,
                                 0.0f,         0.0f,       0.0f};
        Clock.push_back(MakePart(plate, Pos, Scale, ZOrder, SheetTexture));
    }
    Clock.push_back(MakePart(kFacePart, Pos, Scale, ZOrder, SheetTexture));
    Clock.push_back(MakePart(kRimPart, Pos, Scale, ZOrder, SheetTexture));
    for (auto& s : Clock)
        AddTo(Layers.Current.Sprites, s);
    PlaceSprites(1.0f);
}

void CBonusTime::ScaleSprites(float factor) {
    if (Clock.empty())
        return;
    const float s = Scale * factor;
    const bool plate = Clock.size() == 7;
    for (size_t i = 0; i < Clock.size(); ++i) {
        if (Clock[i].IsNull())
            continue;
        if (i < 2)
            Clock[i]->SetScale(kLongHand * s, kHandWidth * s);
        else if (i < 4)
            Clock[i]->SetScale(kShortHand * s, kHandWidth * s);
        else if (plate && i == 4)
            Clock[i]->SetScale(kPlateSize * s, kPlateSize * s);
        else
            Clock[i]->SetScale(kFaceSize * s, kFaceSize * s);
    }
}

void CBonusTime::SetAlpha(float alpha) {
    for (auto& s : Clock)
        if (!s.IsNull())
            s->SetAlpha(alpha);
}

void CBonusTime::PlaceSprites(float k) {
    const float shift = Scale * k;
    for (size_t i = 0; i < Clock.size(); ++i) {
        if (Clock[i].IsNull())
            continue;
        if (i == kLongShadow || i == kShortShadow)
            Clock[i]->Position = CVector3(Pos[0] + shift, Pos[1] + shift, Pos[2]);
        else
            Clock[i]->Position = CVector3(Pos[0], Pos[1], Pos[2]);
    }
}

int32_t CBonusTime::Update(float dt) {
    if (!Visible)
        return 1;
    // A pop that has ended only waits for its event.
    if (PopSettled())
        return Events.empty() ? 0 : 1;
    if (State == kFinished)
        return UpdateFired(dt);
    Age += dt;

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
    PlaceSprites(ramp.Scale);

    if (ended) {
        if (EndMotion() == 0)
            return 0;
        if (State == kPlaced) {
            ScaleSprites(ramp.Scale);
            SetAlpha(ramp.Alpha);
            PlaceSprites(ramp.Scale);
        }
    }
    return 1;
}

void CBonusTime::MoveEffect(float x, float y, float z) {
    if (!Twirl.IsNull())
        Twirl->Position = CVector3(x, y, z);
    for (auto& s : Streams)
        if (!s.IsNull())
            s->SetPosition(x, y, z);
}

int32_t CBonusTime::UpdateFired(float dt) {
    const CBonusParametres::TimeSection& p = g_bonusParams.Time;
    if (std::isfinite(dt))
        FlyTimer += dt;
    const float arrival = p.PreFlyTime + p.FlyTime;
    if (FlyTimer < arrival) {
        if (FlyTimer > p.PreFlyTime && p.FlyTime > 0.0f) {
            const float f = (FlyTimer - p.PreFlyTime) / p.FlyTime;
            MoveEffect(FlyStart[0] + f * FlyDelta[0], FlyStart[1] + f * FlyDelta[1],
                       FlyStart[2] + f * FlyDelta[2]);
        }
        return 1;
    }
    if (!Arrived)
        Arrive();
    if (FlyTimer >= arrival + p.PostFlyTime && !StreamsEnded) {
        EndStreams();
        StreamsEnded = 1;
    }
    if (StreamsEnded)
        return Events.empty() ? 0 : 1;
    return 1;
}

void CBonusTime::Arrive() {
    const CBonusParametres::TimeSection& p = g_bonusParams.Time;
    Arrived = 1;
    MoveEffect(p.Target[0], p.Target[1], p.Target[2]);
    if (!Twirl.IsNull()) {
        Twirl->FadeSpeed = PerSecond(1.0f, p.PostFlyTime);
        Twirl->FadeTo(0.0f);
        Expire(Twirl, p.PostFlyTime);
    }
    const CSharedPtr<CQuadLayer>& quads = Layers.Upper.Quads;
    if (!quads.IsNull()) {
        CSharedPtr<CQuad> flash(new CQuad(p.Target[0], p.Target[1], p.Target[2], FlashTexture,
                                          kWhite));
        flash->SetTexRect(0.0f, 0.0f, 0.546875f, 0.546875f);
        flash->SetScale(kFlashSize, kFlashSize);
        flash->FadeInTime = 0.75f * p.PostFlyTime;
        flash->HoldEnd = 4.0f * p.PostFlyTime;
        flash->FadeOutTime = 0.75f * p.PostFlyTime;
        quads->Add(flash);
    }
    QueueEvent(CBonusEvent::kTimeWon, Param);
}

void CBonusTime::EndStreams() {
    // Without the whirl the last particles fly straight out.
    for (auto& k : Keepers) {
        if (!k.IsNull())
            k->WhirlOn = 0;
        k = CSharedPtr<CVortexKeeper>();
    }
    for (auto& s : Streams) {
        if (!s.IsNull())
            s->EndEmission();
        s = CSharedPtr<CParticleSystem>();
    }
}

void CBonusTime::AddStreams() {
    const CBonusParametres::TimeSection& p = g_bonusParams.Time;
    const CSharedPtr<CParticleSystemsManager>& manager = Layers.Current.Particles;
    if (manager.IsNull())
        return;
    const CSharedPtr<CTexture> textures[2] = {StreamTexture, StarTexture};
    for (int i = 0; i < 2; ++i) {
        CSharedPtr<CVortexKeeper> keeper(new CVortexKeeper());
        keeper->SetFrameLayout(i == 0 ? 2 : 0);
        keeper->SetAppearance(i == 0 ? kWhite : p.StarColor, p.DigitsSize, p.DigitsSize,
                              kVortexSpeed, kVortexFadeIn, kVortexHold, kVortexFadeOut,
                              kVortexSpin);
        // The star stream runs at half the digits' rate.
        keeper->EmissionRate = EffectFactor * kStreamRate * (i == 0 ? 1.0f : 0.5f);
        CCollection2Parametres block(FlyStart[0], FlyStart[1], FlyStart[2], nullptr,
                                     CSharedPtr<CCollection2Keeper>(keeper), 2);
        block.EmissionDuration = kEndlessEmission;
        block.KeeperEmission = 1;
        if (i == 1)
            block.AlphaScale = static_cast<float>(p.StarColor >> 24) / 255.0f;
        CSharedPtr<CParticleSystem> system =
            manager->AddCollection(block, kStreamCapacity, textures[i]);
        for (int step = 0; step < kStreamWarmUpSteps && !system.IsNull(); ++step)
            system->Update(kStreamWarmUpStep);
        Keepers[i] = keeper;
        Streams[i] = system;
    }
}

void CBonusTime::Fire() {
    if (Dead)
        return;
    Dead = 1;
    State = kFinished;
    PopEnded = 0;
    for (auto& s : Clock)
        Expire(s, kFiredSpriteLife);
    Clock.clear();

    const CBonusParametres::TimeSection& p = g_bonusParams.Time;
    FlyTimer = 0.0f;
    Arrived = 0;
    StreamsEnded = 0;
    FlyStart[0] = Pos[0];
    FlyStart[1] = Pos[1];
    FlyStart[2] = p.Target[2];
    for (int a = 0; a < 3; ++a)
        FlyDelta[a] = p.Target[a] - FlyStart[a];

    const CBoardGrid& grid = g_boardGrid;
    Twirl = MakeSprite(FlyStart[0], FlyStart[1], FlyStart[2], 0.5f * Scale * grid.cellWidth,
                       0.5f * Scale * grid.cellHeight, p.TwirlColor, TwirlTexture);
    Twirl->SetBlend(1, CSpriteQuad::BlendScreen);
    Twirl->Key = p.TwirlZOrder;
    Twirl->SetRotation(RandomAngle());
    Twirl->SpinOn = 1;
    Twirl->SpinSpeed = kPi / 2.0f;
    Twirl->SetAlpha(0.0f);
    Twirl->FadeSpeed = PerSecond(1.0f, p.PreFlyTime);
    Twirl->FadeTo(1.0f);
    Twirl->WidthSpeed = PerSecond(1.5f * Scale * grid.cellWidth, p.PreFlyTime);
    Twirl->HeightSpeed = PerSecond(1.5f * Scale * grid.cellHeight, p.PreFlyTime);
    Twirl->ScaleTo(2.0f * Scale * grid.cellWidth, 2.0f * Scale * grid.cellHeight);
    AddTo(Layers.Current.Sprites, Twirl);

    AddStreams();
    QueueEvent(CBonusEvent::kTimeFired, Param);
}
