#include "totems/BlueTotem.h"

#include <algorithm>
#include <cmath>

#include "effects/ParticleParametres.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/SpriteCrackKeeper.h"
#include "effects/ThunderboltParticleSystem.h"
#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "totems/BoardGrid.h"
#include "totems/TotemAction.h"
#include "totems/TotemPanel.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kForever = 10000000.0f;
constexpr int32_t kSegments = 4;
// Width of a figure bolt's spread as a share of its extent.
constexpr float kSpreadShare = 0.075f;
constexpr float kFigureBoltThickness = 0.015f;
constexpr int32_t kBurstCapacity = 10;
constexpr int32_t kCrossCapacity = 20;
constexpr int32_t kCrossBolts = 3;
constexpr int32_t kShieldsBelow = 5;
constexpr float kGlowBrightness = 0.75f;
constexpr int32_t kCrackPieces = 6;
constexpr int32_t kCrackParticles = 40;
constexpr int32_t kFlourishParticles = 100;
// A corner cell's flash covers its neighbours too above tier 2.
constexpr float kWideImpact = 2.5f;
const CVector3 kNormal{0.0f, 0.0f, 1.0f};
const CVector3 kUp{0.0f, 1.0f, 0.0f};
const CVector3 kRight{1.0f, 0.0f, 0.0f};

struct BoltEnd {
    CVector3 Point, Direction;
    float Extent, Width;
};

CSharedPtr<CParticleSystem> AddLightning(CParticleSystemsManager* particles, const BoltEnd& a,
                                         const BoltEnd& b, int32_t capacity, int32_t bolts,
                                         uint32_t colour, float thickness, float life,
                                         const CSharedPtr<CTexture>& texture) {
    if (!particles)
        return CSharedPtr<CParticleSystem>();
    CThunderboltParametres p(a.Point.X, a.Point.Y, a.Point.Z, a.Direction.X, a.Direction.Y,
                             a.Direction.Z, kNormal.X, kNormal.Y, kNormal.Z, a.Extent, 0.5f,
                             a.Width, b.Point.X, b.Point.Y, b.Point.Z, b.Direction.X, b.Direction.Y,
                             b.Direction.Z, kNormal.X, kNormal.Y, kNormal.Z, b.Extent, 0.5f,
                             b.Width, kSegments, bolts, colour);
    p.Size = thickness;
    p.EmissionDuration = life;
    return particles->AddThunderbolt(p, capacity, texture);
}

// Two short flickering bolts crossing at `c`, `w` wide and `h` high; each
// spreads `extent` of the other size.
void AddCross(CParticleSystemsManager* particles, const CVector3& c, float w, float h, float extent,
              uint32_t colour, float thickness, float life, const CSharedPtr<CTexture>& texture) {
    AddLightning(particles, {c - kRight * (0.5f * w), kUp, extent * h, 0.25f * h},
                 {c + kRight * (0.5f * w), kUp, extent * h, 0.25f * h}, kCrossCapacity, kCrossBolts,
                 colour, thickness, life, texture);
    AddLightning(particles, {c - kUp * (0.5f * h), kRight, extent * w, 0.25f * w},
                 {c + kUp * (0.5f * h), kRight, extent * w, 0.25f * w}, kCrossCapacity, kCrossBolts,
                 colour, thickness, life, texture);
}

CSharedPtr<CQuad> Flash(const CVector3& at, const CSharedPtr<CTexture>& texture, uint32_t colour,
                        float w, float h, float fadeIn, float hold, float fadeOut) {
    CSharedPtr<CQuad> q(new CQuad(at.X, at.Y, at.Z, texture, colour));
    q->SetScale(w, h);
    q->FadeInTime = fadeIn;
    q->HoldEnd = hold;
    q->FadeOutTime = fadeOut;
    return q;
}

} // namespace

// ---- CBlueBolt -----------------------------------------------------------------

CBlueBolt::~CBlueBolt() {
    if (!System.IsNull())
        System->Stop();
    if (!Glow.IsNull())
        Glow->BeginFadeOut();
}

void CBlueBolt::Launch(const CVector3& start, const CVector3& end, float length, float width,
                       float speed, int32_t column, int32_t row, uint32_t colour,
                       CSharedPtr<CParticleSystemsManager> particles, CSharedPtr<CQuadLayer> quads,
                       CSharedPtr<CTexture> lightning, CSharedPtr<CTexture> spark) {
    Start = start;
    End = end;
    Length = length;
    Width = width;
    Speed = speed;
    Column = column;
    Row = row;
    Colour = colour;
    Particles = particles;
    Quads = quads;
    LightningTexture = lightning;
    SparkTexture = spark;
    const CVector3 delta = end - start;
    Distance = delta.Length();
    Direction = TotemDirection(delta);
    Side = CVector3(-Direction.Y, Direction.X, 0.0f);
    Travelled = 0.0f;
    System = AddLightning(Particles.Get(), {start, Side, 2.0f, 0.5f * Width},
                          {start + Direction, Side, 2.0f, 0.5f * Width}, kCrossCapacity,
                          kCrossBolts, Colour, 4.0f, kForever, LightningTexture);
    Glow = Flash(start, SparkTexture, Colour, Width, Width, 0.05f, kForever, 0.1f);
    Glow->SetAxes(Direction.X, Direction.Y, Direction.Z, Side.X, Side.Y, Side.Z);
    if (!Quads.IsNull())
        Quads->Add(Glow);
}

int32_t CBlueBolt::Update(float dt) {
    Travelled += Speed * dt;
    float head = std::clamp(Travelled, 0.0f, Distance);
    float tail = std::clamp(Travelled - Length, 0.0f, Distance);
    const bool flying = tail < Distance;
    // The lit stretch never shrinks to nothing.
    if (head == tail) {
        if (tail == 0.0f)
            head = 1.0f;
        else
            tail = head - 1.0f;
    }
    const CVector3 a = Start + Direction * tail, b = Start + Direction * head;
    if (!System.IsNull())
        System->Reaim(a.X, a.Y, a.Z, Side.X, Side.Y, Side.Z, 2.0f, b.X, b.Y, b.Z, Side.X, Side.Y,
                      Side.Z, 2.0f);
    if (!Glow.IsNull()) {
        Glow->Position = (a + b) * 0.5f;
        Glow->SetScale(head - tail + Width, Width);
    }
    if (flying)
        return 1;
    Impact();
    if (!System.IsNull())
        System->Stop();
    System = CSharedPtr<CParticleSystem>();
    if (!Glow.IsNull())
        Glow->BeginFadeOut();
    Glow = CSharedPtr<CQuad>();
    return 0;
}

void CBlueBolt::Impact() {
    const float m = Tier > 2 ? kWideImpact : 1.0f;
    const float cw = g_boardGrid.cellWidth * m, ch = g_boardGrid.cellHeight * m;
    if (!Quads.IsNull())
        Quads->Add(Flash(End, SparkTexture, Colour, 2.0f * cw, 2.0f * ch, 0.0625f, 0.25f, 0.1f));
    AddCross(Particles.Get(), End, cw, ch, 0.05f, Colour, 5.0f, 0.225f, LightningTexture);
}

// ---- CBlueTotem ----------------------------------------------------------------

CBlueTotem::CBlueTotem() : CTotem(kColour) {
    ShineColour = 0xFFEB83FFu;
    ChargeBolts.reserve(3);
    FlyingBolts.reserve(10);
    StruckBolts.reserve(10);
    ShieldSprites.reserve(4);
    ShieldAges.reserve(4);
}

CBlueTotem::~CBlueTotem() {
    CBlueTotem::Release();
}

void CBlueTotem::SetParams(const CTotemColourParams& params) {
    CTotem::SetParams(params);
    if (const auto* blue = dynamic_cast<const CBlueTotemParams*>(&params))
        Params = *blue;
}

const std::vector<CBlueTotemParams::Segment>& CBlueTotem::Begins() const {
    return Params.BoltBegins[std::clamp(Tier, 1, CBlueTotemParams::kTiers) - 1];
}

const std::vector<CBlueTotemParams::Segment>& CBlueTotem::Ends() const {
    return Params.BoltEnds[std::clamp(Tier, 1, CBlueTotemParams::kTiers) - 1];
}

const float* CBlueTotem::ShieldBox() const {
    return Mode == kStanding ? Params.SmallShield : Params.Shield;
}

void CBlueTotem::Init(int32_t mode, CSharedPtr<CTotemShapes> shapes) {
    CTotem::Init(mode, shapes);
    LastSize[0] = Size[0];
    LastSize[1] = Size[1];
    if (Mode != kSelected)
        return;
    // The last two parts show the steel caps; their second frames show the
    // figure without them. A short set has fewer parts to give them to.
    const auto& rects = Params.EmptyRects[std::clamp(Tier, 1, CBlueTotemParams::kTiers) - 1];
    const size_t n = FigureSprites.size();
    for (size_t k = 0; k < 2 && k < n; ++k) {
        const float* r = rects[1 - k];
        FigureSprites[n - 1 - k]->AddFrame(r[0], r[1], r[2], r[3]);
    }
}

void CBlueTotem::ShowCaps(int32_t frame) {
    const size_t n = FigureSprites.size();
    for (size_t k = 0; k < 2 && k < n; ++k)
        FigureSprites[n - 1 - k]->CurrentFrame = frame;
}

void CBlueTotem::EndChargeBolts() {
    for (const CSharedPtr<CParticleSystem>& s : ChargeBolts)
        s->EndEmission();
    ChargeBolts.clear();
}

void CBlueTotem::RemoveShields() {
    if (!Res.SpriteLayer.IsNull())
        for (const CSharedPtr<CSpriteQuad>& s : ShieldSprites)
            Res.SpriteLayer->Remove(s);
    ShieldSprites.clear();
    ShieldAges.clear();
}

void CBlueTotem::Release() {
    // The rings fade out in the layer by themselves.
    for (const CSharedPtr<CSpriteQuad>& s : ShieldSprites) {
        s->FadeTo(0.0f);
        s->LifeOn = 1;
        s->RemainingLife = s->FadeSpeed > 0.0f ? s->Alpha / s->FadeSpeed : 0.0f;
    }
    ShieldSprites.clear();
    ShieldAges.clear();
    EndChargeBolts();
    CTotem::Release();
    FlyingBolts.clear();
    StruckBolts.clear();
}

void CBlueTotem::SetFlag(int32_t flag) {
    BlueFlag = flag;
    if (!flag)
        RemoveShields();
}

void CBlueTotem::LayoutExtras(bool resize) {
    const float* box = ShieldBox();
    const CVector3 at = FigurePoint(box[0], box[1], box[2]);
    const float fx = LastSize[0] > 0.0f ? Size[0] / LastSize[0] : 1.0f;
    const float fy = LastSize[1] > 0.0f ? Size[1] / LastSize[1] : 1.0f;
    for (const CSharedPtr<CSpriteQuad>& s : ShieldSprites) {
        s->Position = at;
        if (resize)
            s->SetScale(s->Width * fx, s->Height * fy);
    }
    LastSize[0] = Size[0];
    LastSize[1] = Size[1];
}

void CBlueTotem::Shields(float dt) {
    const float* box = ShieldBox();
    auto scale = [&](CSpriteQuad& s, float age) {
        const float f = age / Params.ShieldLifeTime;
        const float factor =
            (Params.ShieldMaxFactor - Params.ShieldMinFactor) * f + Params.ShieldMinFactor;
        s.SetScale(box[3] * Size[0] * factor, box[4] * Size[1] * factor);
    };
    for (size_t i = 0; i < ShieldSprites.size();) {
        ShieldAges[i] += dt;
        CSpriteQuad& s = *ShieldSprites[i];
        if (ShieldAges[i] >= Params.ShieldLifeTime) {
            if (!Res.SpriteLayer.IsNull())
                Res.SpriteLayer->Remove(ShieldSprites[i]);
            ShieldSprites.erase(ShieldSprites.begin() + static_cast<std::ptrdiff_t>(i));
            ShieldAges.erase(ShieldAges.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        if (ShieldAges[i] >= 0.5f * Params.ShieldLifeTime)
            s.FadeTo(0.0f);
        scale(s, ShieldAges[i]);
        ++i;
    }
    ShieldTimer += dt;
    if (ShieldTimer < Params.ShieldBirth)
        return;
    // One ring a frame at most.
    ShieldTimer -= std::floor(ShieldTimer / Params.ShieldBirth) * Params.ShieldBirth;
    const CVector3 p = FigurePoint(box[0], box[1], box[2]);
    CSharedPtr<CSpriteQuad> ring(
        new CSpriteQuad(p.X, p.Y, p.Z, 1.0f, 1.0f, Params.ShieldColour, Res.Colour, 1));
    scale(*ring, 0.0f);
    ring->SetBlend(1, CSpriteQuad::BlendAdd);
    ring->SetAxes(AxisX.X, AxisX.Y, AxisX.Z, AxisY.X, AxisY.Y, AxisY.Z, false);
    // The shop figure's ring takes the selected figure's picture.
    const float* r = Mode == kStanding ? Params.SmallShieldRect : Params.ShieldRect;
    ring->SetFrameRect(0, r[0], r[1], r[2], r[3]);
    ring->SetAlpha(0.0f);
    ring->Key = ZOrder - kShieldsBelow;
    ring->FadeSpeed = 2.0f / Params.ShieldLifeTime;
    ring->FadeTo(1.0f);
    if (!Res.SpriteLayer.IsNull())
        Res.SpriteLayer->Add(ring);
    ShieldSprites.push_back(ring);
    ShieldAges.push_back(0.0f);
}

void CBlueTotem::Activate(int32_t kind) {
    CTotem::Activate(kind);
    Timer = 0.0f;
    StepNo = 0;
    RequestTargets = 0;
    Remaining = Params.StrikeTime + Params.PreTime + (Level == 3 ? 1.2f : 0.35f);
}

CSharedPtr<CParticleSystem> CBlueTotem::Lightning(const CVector3& a, const CVector3& da, float la,
                                                  const CVector3& b, const CVector3& db, float lb,
                                                  int32_t capacity, int32_t bolts, float thickness,
                                                  float life) {
    return AddLightning(Res.Particles.Get(), {a, da, la, kSpreadShare * la},
                        {b, db, lb, kSpreadShare * lb}, capacity, bolts, Params.BoltColour,
                        thickness, life, Res.Lightning);
}

void CBlueTotem::BuildGeometry() {
    // Built again for every launch: the figure stands still while armed.
    BoltCentres.clear();
    BoltDirs.clear();
    BoltLengths.clear();
    const auto& begins = Begins();
    const auto& ends = Ends();
    auto add = [&](const CBlueTotemParams::Segment& s) {
        const CVector3 a = FigurePoint(s.X1, s.Y1, -100.0f);
        const CVector3 b = FigurePoint(s.X2, s.Y2, -100.0f);
        const float length = (b - a).Length();
        BoltCentres.push_back((a + b) * 0.5f);
        BoltLengths.push_back(length);
        BoltDirs.push_back(TotemDirection(b - a));
    };
    for (size_t j = 0; j < begins.size() && j < ends.size(); ++j) {
        add(begins[j]);
        add(ends[j]);
    }
}

void CBlueTotem::Burst() {
    if (StepNo == 0)
        BuildGeometry();
    const float life = Params.PreTime - Timer;
    for (size_t j = 0; 2 * j + 1 < BoltCentres.size(); ++j) {
        const size_t b = 2 * j, e = 2 * j + 1;
        Lightning(BoltCentres[b], BoltDirs[b], BoltLengths[b], BoltCentres[e], BoltDirs[e],
                  BoltLengths[e], kBurstCapacity, 1, kFigureBoltThickness * Size[0], life);
        if (StepNo != 0 || Res.QuadLayer.IsNull())
            continue;
        const float s = 3.0f * (BoltCentres[e] - BoltCentres[b]).Length();
        CSharedPtr<CQuad> glow = Flash((BoltCentres[b] + BoltCentres[e]) * 0.5f, Res.Spark,
                                       Params.BoltColour, s, s, life, life, 0.1f * Params.PreTime);
        glow->AlphaMultiplier = kGlowBrightness;
        Res.QuadLayer->Add(glow);
    }
    if (StepNo == 0 && Level == 3)
        Flourish();
    ++StepNo;
}

void CBlueTotem::Flourish() {
    const float* box = Params.Shield;
    const CVector3 s = FigurePoint(box[0], box[1], box[2]);
    const float w = box[3] * Size[0], h = box[3] * Size[1];
    CSharedPtr<CSpriteQuad> halo(new CSpriteQuad(s.X, s.Y, s.Z, w * 0.05f, h * 0.05f,
                                                 Params.ShieldColour | 0xFF000000u, Res.Halo, 1));
    halo->SetBlend(1, CSpriteQuad::BlendAdd);
    halo->SetAlpha(1.0f);
    halo->Key = ZOrder - kShieldsBelow;
    halo->FadeSpeed = 2.0f;
    halo->FadeTo(0.0f);
    halo->WidthSpeed = w * 8.0f;
    halo->HeightSpeed = h * 8.0f;
    halo->ScaleTo(w * 5.0f, h * 5.0f);
    halo->SpinOn = 1;
    halo->SpinSpeed = kPi / 2.0f;
    halo->LifeOn = 1;
    halo->RemainingLife = 0.5f;
    if (!Res.SpriteLayer.IsNull())
        Res.SpriteLayer->Add(halo);
    if (Res.Particles.IsNull())
        return;
    CSpellsSpringParametres spells(s.X, s.Y, s.Z - 100.0f, 0.0f, 0.0f, 0.0f, 400.0f, 100.0f, 24.0f,
                                   12.0f, Params.ShieldColour);
    spells.FadeRate = 4.0f;
    spells.FadeVariation = 1.0f;
    spells.EmissionDuration = 1.0f;
    spells.EmissionRate = 80.0f * EffectScale;
    Res.Particles->AddSpells(spells, kFlourishParticles, Res.Spark);
}

void CBlueTotem::Hold() {
    // A first frame that already reaches the strike has built nothing yet.
    if (BoltCentres.empty())
        BuildGeometry();
    for (size_t j = 0; 2 * j + 1 < BoltCentres.size(); ++j) {
        const size_t b = 2 * j, e = 2 * j + 1;
        CSharedPtr<CParticleSystem> s = Lightning(
            BoltCentres[b], BoltDirs[b], BoltLengths[b], BoltCentres[e], BoltDirs[e],
            BoltLengths[e], 6 * kBursts, kBursts, kFigureBoltThickness * Size[0], kForever);
        if (!s.IsNull())
            ChargeBolts.push_back(s);
    }
    StepNo = kStriking;
}

void CBlueTotem::Contract() {
    const CVector3 t = FigurePoint(Params.Target.X, Params.Target.Y, Params.Target.Z);
    const float f = std::min((Timer - Params.PreTime) / Params.StrikeTime, 1.0f);
    for (size_t i = 0; i < ChargeBolts.size() && 2 * i + 1 < BoltCentres.size(); ++i) {
        const size_t b = 2 * i, e = 2 * i + 1;
        const CVector3 a = BoltCentres[b] * (1.0f - f) + t * f - kRight;
        const CVector3 z = BoltCentres[e] * (1.0f - f) + t * f + kRight;
        const CVector3 da = BoltDirs[b] * (1.0f - f) + kUp * f;
        const CVector3 dz = BoltDirs[e] * (1.0f - f) + kUp * f;
        const float la = BoltLengths[b] + f * (1.0f - BoltLengths[b]);
        const float lz = BoltLengths[e] + f * (1.0f - BoltLengths[e]);
        CParticleSystem& s = *ChargeBolts[i];
        s.Reaim(a.X, a.Y, a.Z, da.X, da.Y, da.Z, la, z.X, z.Y, z.Z, dz.X, dz.Y, dz.Z, lz);
        if (auto* bolt = dynamic_cast<CThunderboltParticleSystem*>(&s)) {
            bolt->StartJitter = kSpreadShare * la;
            bolt->EndJitter = kSpreadShare * lz;
        }
    }
}

void CBlueTotem::Shatter() {
    EndChargeBolts();
    ShowCaps(1);
    const float* c = Params.Caps;
    const CVector3 k = FigurePoint(c[0], c[1], c[2]);
    const float w = c[3] * Size[0], h = c[4] * Size[1];
    if (!Res.Particles.IsNull()) {
        CSharedPtr<CSpriteCrackKeeper> crack(new CSpriteCrackKeeper());
        crack->SetParameters(w, h, 0.0f, 0.0f, 0.65625f, 1.0f, kCrackPieces, kCrackPieces, 0.25f);
        crack->Gravity = 2500.0f;
        crack->Floor = -400.0f;
        crack->Speed = 300.0f;
        crack->SpeedSpread = 150.0f;
        crack->BuildPieces();
        CCollection2Parametres block(k.X, k.Y, k.Z, nullptr, crack, 2);
        block.KeeperEmission = 1;
        Res.Particles->AddCollection(block, kCrackParticles, Res.Steel);
    }
    if (!Res.QuadLayer.IsNull())
        Res.QuadLayer->Add(Flash(k - CVector3(0.0f, 0.0f, 50.0f), Res.Spark, Params.BoltColour,
                                 1.5f * w, 1.5f * h, 0.05f, 0.05f, 0.1f));
    AddCross(Res.Particles.Get(), k, w, h, 0.2f, Params.BoltColour, kFigureBoltThickness * Size[0],
             0.2f, Res.Lightning);
    RequestTargets = 1;
    StepNo = kRequesting;
}

void CBlueTotem::SetTarget(const std::vector<CTotemPoint>& points,
                           const std::vector<CTotemCell>& cells) {
    const CVector3 t = FigurePoint(Params.Target.X, Params.Target.Y, Params.Target.Z);
    // Lists of unequal length pair up as far as the shorter goes.
    const size_t n = std::min(points.size(), cells.size());
    for (size_t i = 0; i < n; ++i) {
        CSharedPtr<CBlueBolt> bolt(new CBlueBolt());
        bolt->Tier = Tier;
        bolt->Launch(t, CVector3(points[i].X, points[i].Y, t.Z), Params.BoltSize[0],
                     Params.BoltSize[1], Params.BoltSpeed, cells[i].Column, cells[i].Row,
                     Params.BoltColour, Res.Particles, Res.QuadLayer, Res.Lightning, Res.Spark);
        FlyingBolts.push_back(bolt);
    }
    RequestTargets = 0;
    StepNo = kFlying;
}

int32_t CBlueTotem::Update(float dt) {
    if (FadeStep(dt))
        return 1;
    if (BlueFlag)
        Shields(dt);
    if (State == kMoving)
        return MoveStep(dt);
    if (State != kRunning && State != kRunningLevel3)
        return 0;
    Timer += dt;
    if (StepNo <= kBursts && Timer < Params.PreTime) {
        const auto due = static_cast<int32_t>(std::floor(Timer * kBursts / Params.PreTime)) + 1;
        const int32_t k = std::min(due, kBursts);
        while (StepNo < k)
            Burst();
    }
    if (StepNo <= kBursts && Timer >= Params.PreTime)
        Hold();
    if (StepNo == kStriking && Timer < Params.PreTime + Params.StrikeTime)
        Contract();
    if (StepNo == kStriking && Timer >= Params.PreTime + Params.StrikeTime)
        Shatter();
    if (StepNo == kFlying)
        for (size_t i = 0; i < FlyingBolts.size();) {
            if (FlyingBolts[i]->Update(dt)) {
                ++i;
                continue;
            }
            StruckBolts.push_back(FlyingBolts[i]);
            FlyingBolts.erase(FlyingBolts.begin() + static_cast<std::ptrdiff_t>(i));
        }
    Remaining -= dt;
    if (StepNo < kFlying || Remaining > 0.0f || !FlyingBolts.empty() || !StruckBolts.empty())
        return 0;
    ShowCaps(0);
    return FinishPower();
}

void CBlueTotem::EmitActions(CTotemPanel& panel) {
    CTotemAction a;
    a.kind = CTotemAction::kBlue;
    if (RequestTargets) {
        a.value = Level;
        panel.PushAction(a);
        if (Level == 3)
            panel.SetBlueFlag(1);
        return;
    }
    if (StruckBolts.empty())
        return;
    const bool wide = Tier > 2;
    a.spread = wide ? 1.0f : 0.0f;
    for (const CSharedPtr<CBlueBolt>& bolt : StruckBolts) {
        const int32_t c = bolt->Column, r = bolt->Row;
        a.column = c;
        a.row = r;
        panel.PushAction(a);
        if (!wide)
            continue;
        // The neighbours inside the board.
        const CTotemCell around[4] = {{c - 1, r}, {c + 1, r}, {c, r - 1}, {c, r + 1}};
        for (const CTotemCell& n : around) {
            if (n.Column < 0 || n.Column >= g_boardGrid.columns || n.Row < 0 ||
                n.Row >= g_boardGrid.rows)
                continue;
            a.column = n.Column;
            a.row = n.Row;
            panel.PushAction(a);
        }
    }
    StruckBolts.clear();
}
