#include "bonuses/BonusAdviser.h"

#include <algorithm>
#include <cmath>

#include "bonuses/BonusParametres.h"
#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "engine/Random.h"

using namespace bonusdraw;

namespace {

constexpr uint32_t kHalfWhite = 0x80FFFFFFu;
constexpr float kCell = 0.34375f;
// Where each whole picture lies on the sheet (variants 0 to 2).
constexpr float kPictureCells[3][2] = {{0.0f, 0.0f}, {kCell, 0.0f}, {0.0f, kCell}};
// The halves of the split picture: the left one, then the right one.
constexpr float kHalves[2][4] = {{0.34375f, 0.34375f, 0.515625f, 0.6875f},
                                 {0.171875f, 0.34375f, 0.34375f, 0.6875f}};
constexpr float kTailRate = 80.0f;
// A flight never lasts less than this distance at the bonus's speed.
constexpr float kShortestFlight = 0.1f;

} // namespace

CBonusAdviser::CBonusAdviser() {
    Kind = kAdviser;
    Sprites.reserve(4);
}

CBonusAdviser::~CBonusAdviser() {
    RemoveHeldSprites();
    EndTail();
}

void CBonusAdviser::SetTextures(const CBonusHandles& handles) {
    Layers.Take(handles, BoardLayers);
    SheetTexture = handles.Texture(0);
    SecondTexture = handles.Texture(1);
    TailTexture = handles.Texture(2);
}

void CBonusAdviser::Init() {
    LaidOutSize = Size;
    State = kStill;
    Scale = Size / ReferenceSize();
    const float s = Scale;
    const float x = Pos[0], y = Pos[1], z = Pos[2];

    RemoveHeldSprites();
    Sprites.clear();
    if (IsSplit()) {
        for (const auto& half : kHalves) {
            Sprite p = MakeSprite(x, y, z, kHalfWidth * s, kPictureSize * s, kWhite, SheetTexture);
            p->SetFrameRect(0, half[0], half[1], half[2], half[3]);
            p->Key = ZOrder - 2;
            Sprites.push_back(p);
        }
    } else {
        const auto& cell = kPictureCells[std::max(Param, 0)];
        Sprite p = MakeSprite(x, y, z, kPictureSize * s, kPictureSize * s, kWhite, SheetTexture);
        p->SetFrameRect(0, cell[0], cell[1], cell[0] + kCell, cell[1] + kCell);
        p->Key = ZOrder - 2;
        Sprites.push_back(p);
    }

    Sprite glass = MakeSprite(x, y, z, kGlassSize * s, kGlassSize * s, kHalfWhite, SheetTexture);
    glass->SetBlend(1, CSpriteQuad::BlendAdd);
    glass->SetFrameRect(0, 0.6953125f, 0.0078125f, 0.984375f, 0.296875f);
    glass->Key = ZOrder - 1;
    glass->SpinOn = 1;
    glass->SpinSpeed = g_bonusParams.Adviser.GlassW;
    Sprites.push_back(glass);

    Sprite frame = MakeSprite(x, y, z, kFrameWidth * s, kFrameHeight * s, kWhite, SheetTexture);
    frame->SetBlend(1, CSpriteQuad::BlendMultiply);
    frame->SetFrameRect(0, 0.546875f, 0.34375f, 0.90625f, 0.7109375f);
    frame->Key = ZOrder;
    Sprites.push_back(frame);

    for (auto& sp : Sprites)
        AddTo(Layers.Current.Sprites, sp);
    LayoutSprites(1.0f);
}

void CBonusAdviser::ScaleSprites(float factor) {
    const float s = Scale * factor;
    const size_t pictures = PictureCount();
    for (size_t i = 0; i < Sprites.size(); ++i) {
        if (Sprites[i].IsNull())
            continue;
        if (i < pictures)
            Sprites[i]->SetScale((pictures == 2 ? kHalfWidth : kPictureSize) * s,
                                 kPictureSize * s);
        else if (i == pictures)
            Sprites[i]->SetScale(kGlassSize * s, kGlassSize * s);
        else
            Sprites[i]->SetScale(kFrameWidth * s, kFrameHeight * s);
    }
}

void CBonusAdviser::LayoutSprites(float factor) {
    const CBonusParametres::AdviserSection& p = g_bonusParams.Adviser;
    const float s = Scale * factor;
    const float x = Pos[0], y = Pos[1], z = Pos[2];
    const size_t pictures = PictureCount();
    const float picX = x + p.RimShift[0] * s, picY = y + p.RimShift[1] * s;
    for (size_t i = 0; i < Sprites.size(); ++i) {
        if (Sprites[i].IsNull())
            continue;
        CVector3 at;
        if (i < pictures) {
            // Two halves sit side by side, centred where the whole would be.
            const float dx = pictures == 2 ? (i == 0 ? -0.5f : 0.5f) * kHalfWidth * s : 0.0f;
            at = CVector3(picX + dx, picY, z);
        } else if (i == pictures) {
            at = CVector3(x + p.GlassShift[0] * s, y + p.GlassShift[1] * s, z);
        } else {
            at = CVector3(x + p.GlobalShift[0] * s, y + p.GlobalShift[1] * s, z);
        }
        Sprites[i]->Position = at;
    }
    if (!Tail.IsNull())
        Tail->SetPosition(x, y, z);
}

void CBonusAdviser::SetAlpha(float alpha) {
    for (auto& s : Sprites)
        if (!s.IsNull())
            s->SetAlpha(alpha);
}

int32_t CBonusAdviser::Update(float dt) {
    if (State == kArrived && Dead)
        return 0;
    if (!Visible)
        return 1;
    // A pop that has ended only waits for its event.
    if (PopSettled())
        return Events.empty() ? 0 : 1;
    Age += dt;

    const bool flying = Dead && State == kFinished;
    bool ended = false;
    CBonusRamp ramp;
    if (InBaseMotion()) {
        ended = AdvanceMotion(dt);
        ramp = MotionRamp();
        ScaleSprites(ramp.Scale);
        SetAlpha(ramp.Alpha);
        LaidOutSize = Size;
    } else {
        if (flying)
            ended = AdvanceMotion(dt);
        if (LaidOutSize != Size) {
            ScaleSprites(1.0f);
            LaidOutSize = Size;
        }
    }
    LayoutSprites(ramp.Scale);

    if (ended) {
        if (flying) {
            QueueEvent(CBonusEvent::kAdviserTimeWon, Param);
            State = kArrived;
            EndTail();
            return 1;
        }
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

void CBonusAdviser::StartTail() {
    const CSharedPtr<CParticleSystemsManager>& manager = Layers.Upper.Particles;
    if (manager.IsNull())
        return;
    CSpellsSpringParametres block(Pos[0], Pos[1], Pos[2], 0.0f, 0.0f, 0.0f, 2.0f * Size,
                                  0.5f * Size, 0.5f * Size, 0.25f * Size,
                                  g_bonusParams.Adviser.TailColor);
    block.EmissionDuration = kEndlessEmission;
    block.FadeRate = 0.75f;
    block.FadeVariation = 0.25f;
    block.EmissionRate = EffectFactor * kTailRate;
    Tail = manager->AddSpells(block, kTailCapacity, TailTexture);
}

void CBonusAdviser::EndTail() {
    if (!Tail.IsNull())
        Tail->EndEmission();
    Tail = CSharedPtr<CParticleSystem>();
}

void CBonusAdviser::Fire() {
    if (Dead)
        return;
    Dead = 1;
    State = kFinished;
    PopEnded = 0;
    const CBonusParametres::AdviserSection& p = g_bonusParams.Adviser;

    // Lifted onto the upper layers for the flight.
    for (size_t i = 0; i < Sprites.size(); ++i) {
        if (Sprites[i].IsNull())
            continue;
        Sprites[i]->Key = p.ZOrder - 2 + static_cast<int32_t>(i);
        RemoveFrom(Layers.Current.Sprites, Sprites[i]);
        AddTo(Layers.Upper.Sprites, Sprites[i]);
    }
    Layers.Current = Layers.Upper;
    BoardLayers = 0;

    Pos[2] = p.Target[2];
    for (int a = 0; a < 3; ++a)
        Target[a] = p.Target[a];
    const float dx = Target[0] - Pos[0], dy = Target[1] - Pos[1], dz = Target[2] - Pos[2];
    float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (!(distance > 0.0f))
        distance = kShortestFlight;
    Time = 0.0f;
    Duration = distance / p.Speed;
    if (!std::isfinite(Duration) || Duration < 0.0f)
        Duration = 0.0f;
    // The curve bends at random on every firing.
    float bend[4];
    for (float& b : bend)
        b = 2.0f * (RandomFloat() - 0.5f);
    Path.SetFirstKey(Pos[0], Pos[1], Pos[2], Target[0], Target[1], Target[2], bend[0], bend[1],
                     1.0f, bend[2], bend[3], 1.0f, Duration);

    StartTail();
    LayoutSprites(1.0f);
    QueueEvent(CBonusEvent::kAdviserFired, Param);
}

void CBonusAdviser::SetLayerFlag(int32_t onBoard) {
    // A fired bonus stays on the upper layers for its flight.
    if (!InFlight())
        CBonusDrawn::SetLayerFlag(onBoard);
}

void CBonusAdviser::Hide() {
    CBonusDrawn::Hide();
    EndTail();
}

void CBonusAdviser::Show() {
    CBonusDrawn::Show();
    if (Dead && State == kFinished && Tail.IsNull())
        StartTail();
}
