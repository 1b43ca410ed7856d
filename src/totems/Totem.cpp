#include "totems/Totem.h"

#include <algorithm>
#include <cmath>

#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/SpriteSet.h"
#include "totems/TotemParams.h"
#include "totems/TotemShapes.h"

namespace {

constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;
// The flash of a new glow sprite: it grows to five times its size while it
// fades out in half a second, turning a quarter turn per second.
constexpr float kFlashGrowth = 5.0f;
constexpr float kFlashGrowthSpeed = 4.0f * 2.0f;
constexpr float kFlashSpin = 1.5707964f;
constexpr float kFlashLife = 1.0f / CTotem::kShineFadeSpeed;

float Lerp(float from, float to, float t) {
    const float kept = from * (1.0f - t);
    return kept + to * t;
}

} // namespace

CVector3 TotemDirection(const CVector3& v) {
    const float length = v.Length();
    if (!(length > 0.0f) || !std::isfinite(length))
        return CVector3(1.0f, 0.0f, 0.0f);
    return v * (1.0f / length);
}

CTotem::~CTotem() {
    CTotem::Release();
}

template <class F> void CTotem::ForEachPartSet(F f) const {
    if (Shapes.IsNull())
        return;
    const int32_t k = CTotemShapes::Index(Tier);
    switch (Mode) {
    case kStanding:
        f(Shapes->Small[k], Res.Small, CSpriteQuad::BlendNormal, ZOrder);
        break;
    case kSelected:
        f(Shapes->Shadow[k], Res.Shadow, CSpriteQuad::BlendMultiply, ZOrder);
        f(Shapes->Main[k], Res.Colour, CSpriteQuad::BlendNormal, ZOrder - 1);
        break;
    case kShopFigure:
        f(Shapes->Shadow[k], Res.Shadow, CSpriteQuad::BlendMultiply, ZOrder);
        f(Shapes->Shop[k], Res.Colour, CSpriteQuad::BlendNormal, ZOrder - 1);
        break;
    default:
        break;
    }
}

void CTotem::SetTextures(const CTotemResources& resources) {
    Res = resources;
}

void CTotem::SetParams(const CTotemColourParams& params) {
    ShineColour = params.ShineColour;
}

void CTotem::Init(int32_t mode, CSharedPtr<CTotemShapes> shapes) {
    Alpha = 0.0f;
    MoveElapsed = 0.0f;
    State = kIdle;
    MoveDuration = 1.0f;
    Mode = mode;
    AlphaTarget = 1.0f;
    Event = kNoEvent;
    Level = 0;
    Shapes = shapes;

    float s = 0.0f;
    switch (Mode) {
    case kStanding:
        s = kStandingSize;
        break;
    case kSelected:
        s = kSelectedSize;
        break;
    case kShopFigure:
        s = kShopSize;
        break;
    default:
        return;
    }
    float w = s, h = s;
    // A shop figure stands in its card's picture at the size its parts were
    // laid out on, so that it and its shadow keep to the picture.
    if (Mode == kShopFigure && !Shapes.IsNull()) {
        w = Shapes->ShopSize[0];
        h = Shapes->ShopSize[1];
    }
    Size[0] = SizeFrom[0] = SizeTo[0] = FrameSize[0] = w;
    Size[1] = SizeFrom[1] = SizeTo[1] = FrameSize[1] = h;
    ForEachPartSet([&](const CSpriteSet& set, const CSharedPtr<CTexture>& texture, int32_t blend,
                       int32_t key) {
        // The colour picture's parts of a layered figure stack by their entries.
        const bool layered = LayeredParts() && Mode != kStanding && texture == Res.Colour;
        for (size_t i = 0; i < set.Positions.size(); ++i) {
            const int32_t z = layered && i < set.ZOrders.size() ? set.ZOrders[i] : 0;
            AddPart(set, i, texture, blend, key + z);
        }
    });
}

void CTotem::AddPart(const CSpriteSet& set, size_t entry, const CSharedPtr<CTexture>& texture,
                     int32_t blend, int32_t key) {
    const CSpriteSet::Position& o = set.Positions[entry];
    const CSpriteSet::Size& s = set.Sizes[entry];
    const CVector3 c = FigurePoint(o.x, o.y, o.z);
    CSharedPtr<CSpriteQuad> part(
        new CSpriteQuad(c.X, c.Y, c.Z, s.w * Size[0], s.h * Size[1], kOpaqueWhite, texture, 1));
    if (blend != CSpriteQuad::BlendNormal)
        part->SetBlend(1, blend);
    part->SetAxes(AxisX.X, AxisX.Y, AxisX.Z, AxisY.X, AxisY.Y, AxisY.Z, false);
    const CSpriteSet::TexRect& t = set.TexRects[entry];
    part->SetFrameRect(0, t.v[0], t.v[1], t.v[2], t.v[3]);
    part->SetAlpha(0.0f);
    part->Key = key;
    if (!Res.SpriteLayer.IsNull())
        Res.SpriteLayer->Add(part);
    FigureSprites.push_back(part);
}

CVector3 CTotem::FigurePoint(float fx, float fy, float fz) const {
    const float a = fx * Size[0];
    const float b = fy * Size[1];
    return CVector3(Position.X + a * AxisX.X + b * AxisY.X, Position.Y + a * AxisX.Y + b * AxisY.Y,
                    Position.Z + a * AxisX.Z + b * AxisY.Z + fz);
}

void CTotem::Place(CSpriteQuad& sprite, const CSpriteSet& set, size_t entry, bool resize) const {
    const CSpriteSet::Position& o = set.Positions[entry];
    sprite.Position = FigurePoint(o.x, o.y, o.z);
    if (resize)
        sprite.SetScale(set.Sizes[entry].w * Size[0], set.Sizes[entry].h * Size[1]);
}

void CTotem::Layout(bool resize) {
    size_t part = 0;
    ForEachPartSet([&](const CSpriteSet& set, const CSharedPtr<CTexture>&, int32_t, int32_t) {
        for (size_t i = 0; i < set.Positions.size() && part < FigureSprites.size(); ++i, ++part)
            Place(*FigureSprites[part], set, i, resize);
    });
    if (Mode == kSelected && !Shapes.IsNull()) {
        const CSpriteSet& light = Shapes->Light;
        for (size_t i = 0; i < ShineSprites.size() && i < light.Positions.size(); ++i)
            Place(*ShineSprites[i], light, i, resize);
    }
    LayoutExtras(resize);
}

void CTotem::SetPosition(float x, float y, float z) {
    Position = CVector3(x, y, z);
    Layout(false);
}

void CTotem::SetSize(float w, float h) {
    Size[0] = w;
    Size[1] = h;
    Layout(true);
}

void CTotem::MoveTo(float x, float y, float z, float w, float h, float time) {
    MoveElapsed = 0.0f;
    MoveFrom = Position;
    MoveTarget = CVector3(x, y, z);
    SizeFrom[0] = Size[0];
    SizeFrom[1] = Size[1];
    SizeTo[0] = w;
    SizeTo[1] = h;
    MoveDuration = time;
    State = kMoving;
}

void CTotem::StopShine(int32_t clear) {
    for (const CSharedPtr<CSpriteQuad>& s : ShineSprites) {
        s->FadeSpeed = kShineStopSpeed;
        s->FadeTo(0.0f);
        s->LifeOn = 1;
        s->RemainingLife = 1.0f / kShineStopSpeed;
    }
    if (clear)
        ShineSprites.clear();
}

void CTotem::Shine(int32_t count) {
    if (Shapes.IsNull())
        return;
    const CSpriteSet& light = Shapes->Light;
    const size_t wanted = std::min(static_cast<size_t>(std::max(count, 0)), light.Positions.size());
    for (size_t i = ShineSprites.size(); i < wanted; ++i) {
        const CSpriteSet::Position& o = light.Positions[i];
        const CVector3 p = FigurePoint(o.x, o.y, o.z);
        const float w = light.Sizes[i].w * Size[0], h = light.Sizes[i].h * Size[1];

        CSharedPtr<CSpriteQuad> shine(
            new CSpriteQuad(p.X, p.Y, p.Z, w, h, kOpaqueWhite, Res.Lights, 1));
        shine->SetBlend(1, CSpriteQuad::BlendAdd);
        shine->SetAxes(AxisX.X, AxisX.Y, AxisX.Z, AxisY.X, AxisY.Y, AxisY.Z, false);
        const CSpriteSet::TexRect& t = light.TexRects[i];
        shine->SetFrameRect(0, t.v[0], t.v[1], t.v[2], t.v[3]);
        shine->SetAlpha(1.0f);
        shine->Key = ZOrder - 2;
        shine->FadeSpeed = kShineFadeSpeed;
        shine->FadeTo(1.0f);
        if (!Res.SpriteLayer.IsNull())
            Res.SpriteLayer->Add(shine);
        ShineSprites.push_back(shine);

        CSharedPtr<CSpriteQuad> flash(
            new CSpriteQuad(p.X, p.Y, p.Z, w, w, ShineColour, Res.Halo, 1));
        flash->SetBlend(1, CSpriteQuad::BlendAdd);
        flash->SetAlpha(1.0f);
        flash->FadeSpeed = kShineFadeSpeed;
        flash->Key = ZOrder - 3;
        if (!Res.SpriteLayer.IsNull())
            Res.SpriteLayer->Add(flash);
        flash->FadeTo(0.0f);
        flash->WidthSpeed = flash->Width * kFlashGrowthSpeed;
        flash->HeightSpeed = flash->Height * kFlashGrowthSpeed;
        flash->ScaleTo(flash->Width * kFlashGrowth, flash->Height * kFlashGrowth);
        flash->SpinOn = 1;
        flash->SpinSpeed = kFlashSpin;
        flash->LifeOn = 1;
        flash->RemainingLife = kFlashLife;
    }
}

void CTotem::FadeOut(float speed) {
    State = kFadingOut;
    FadeSpeed = speed;
    AlphaTarget = 0.0f;
}

void CTotem::SetAlpha(float alpha, int32_t alsoTarget) {
    Alpha = alpha;
    if (alsoTarget)
        AlphaTarget = alpha;
    for (const CSharedPtr<CSpriteQuad>& s : FigureSprites)
        s->SetAlpha(Alpha);
    for (const CSharedPtr<CSpriteQuad>& s : ShineSprites)
        s->SetAlpha(Alpha);
}

void CTotem::ShiftKeys(const std::vector<CSharedPtr<CSpriteQuad>>& sprites, int32_t delta) {
    for (const CSharedPtr<CSpriteQuad>& s : sprites)
        s->Key += delta;
}

void CTotem::SetZOrder(int32_t z) {
    ZOrder = z;
    if (FigureSprites.empty())
        return;
    const int32_t delta = z - FigureSprites.front()->Key;
    ShiftKeys(FigureSprites, delta);
    ShiftKeys(ShineSprites, delta);
    ShiftExtraKeys(delta);
}

void CTotem::Activate(int32_t kind) {
    Level = kind + 1;
    State = kind == 2 ? kRunningLevel3 : kRunning;
}

int32_t CTotem::Update(float dt) {
    if (FadeStep(dt))
        return 1;
    if (State == kMoving)
        return MoveStep(dt);
    return 0;
}

void CTotem::Release() {
    if (!Res.SpriteLayer.IsNull()) {
        for (const CSharedPtr<CSpriteQuad>& s : FigureSprites)
            Res.SpriteLayer->Remove(s);
        for (const CSharedPtr<CSpriteQuad>& s : ShineSprites)
            Res.SpriteLayer->Remove(s);
    }
    FigureSprites.clear();
    ShineSprites.clear();
}

int32_t CTotem::FadeStep(float dt) {
    // A speed that is no speed ends the fade at once.
    const float step = FadeSpeed > 0.0f ? dt * FadeSpeed : 1.0f;
    if (AlphaTarget > Alpha) {
        SetAlpha(std::min(Alpha + step, AlphaTarget), 0);
        if (Alpha == 1.0f && Mode == kShopFigure) {
            Event = kFadedIn;
            return 1;
        }
    } else if (AlphaTarget < Alpha) {
        SetAlpha(std::max(Alpha - step, AlphaTarget), 0);
    }
    // A figure told to fade out when already invisible leaves at once.
    if (State == kFadingOut && Alpha <= 0.0f) {
        Event = kFadedOut;
        return 1;
    }
    return 0;
}

int32_t CTotem::MoveStep(float dt) {
    MoveElapsed += dt;
    float t = MoveDuration > 0.0f ? MoveElapsed / MoveDuration : 1.0f;
    if (!(t < 1.0f))
        t = 1.0f;
    Position = CVector3(Lerp(MoveFrom.X, MoveTarget.X, t), Lerp(MoveFrom.Y, MoveTarget.Y, t),
                        Lerp(MoveFrom.Z, MoveTarget.Z, t));
    SetSize(Lerp(SizeFrom[0], SizeTo[0], t), Lerp(SizeFrom[1], SizeTo[1], t));
    if (t < 1.0f)
        return 0;
    Event = kMoveDone;
    return 1;
}

int32_t CTotem::FinishPower() {
    Event = State;
    if (Tier < RearmTier() || State == kRunningLevel3) {
        State = kFinished;
    } else {
        State = kRearmed;
        OnRearm();
    }
    return 1;
}
