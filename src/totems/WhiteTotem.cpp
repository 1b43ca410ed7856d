#include "totems/WhiteTotem.h"

#include <algorithm>
#include <cmath>

#include "effects/DropsSprayKeeper.h"
#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "engine/Random.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "playfield/LevelRules.h"
#include "totems/BoardGrid.h"
#include "totems/TotemAction.h"
#include "totems/TotemPanel.h"

namespace {

constexpr float kTwoPi = 6.2831855f;
// Paint by cap colour index, before the paint's own alpha.
constexpr uint32_t kPaintColours[CWhiteTotem::kPaints] = {
    0xFF40FF40u, 0xFFFFFF40u, 0xFFFF4040u, 0xFF4040FFu, 0xFFFFD040u, 0xFFFFF0F0u, 0xFFFF40FFu};
// The fountains of the armed figure, one per colour.
constexpr uint32_t kSmokeColours[CWhiteTotem::kPaints] = {
    0xFFFF4040u, 0xFF40FF40u, 0xFF4040FFu, 0xFFFFFF40u, 0xFFFF40FFu, 0xFFFFC040u, 0xFFFFE0E0u};
constexpr int32_t kSmokeParticles = 40;
constexpr float kForever = 10000000.0f;
constexpr int32_t kStreamBelow = 2;
constexpr int32_t kDropsBelow = 2;
constexpr float kStreamDepth = 0.2f;
// Where the pictures of the drop texture lie: the blob and its highlight in
// the upper half, the coloured and the white splash droplets in the lower.
constexpr float kBlobCentre[2] = {0.25f, 0.25f};
constexpr float kHighlightShift = 0.5f;
constexpr float kBlobHalf = 0.125f;
constexpr float kSplashRect[4] = {0.0f, 0.5f, 0.5f, 1.0f};
constexpr float kGlintRect[4] = {0.5f, 0.5f, 1.0f, 1.0f};
constexpr float kLandingFadeSpeed = 10.0f;
constexpr float kLandingLife = 0.1f;

// A smoke block with the given lift, size and growth (shares of the figure's
// width `w`) and fade, each with its spread, lasting `duration` at `rate`
// puffs a second. The speed out of the fog keeps its default: the lift alone
// carries the smoke up.
void Shape(CSmokesSpringParametres& s, const float values[6], float w, float fade, float fadeSpread,
           float duration, float rate) {
    s.Lift = values[0] * w;
    s.LiftVariation = values[1] * w;
    s.Size = values[2] * w;
    s.SizeVariation = values[3] * w;
    s.Growth = values[4] * w;
    s.GrowthVariation = values[5] * w;
    s.FadeOutRate = fade;
    s.FadeOutVariation = fadeSpread;
    s.EmissionDuration = duration;
    s.EmissionRate = rate;
}

} // namespace

// ---- CPaintDrop ----------------------------------------------------------------

CPaintDrop::CPaintDrop() {
    for (float& a : Angles)
        a = kTwoPi * RandomFloat();
}

CPaintDrop::~CPaintDrop() {
    RemoveSprites();
}

void CPaintDrop::RemoveSprites() {
    if (!Layer.IsNull()) {
        for (const CSharedPtr<CSpriteQuad>& s : Blobs)
            Layer->Remove(s);
        for (const CSharedPtr<CSpriteQuad>& s : Highlights)
            Layer->Remove(s);
    }
    Blobs.clear();
    Highlights.clear();
}

void CPaintDrop::Init(CSharedPtr<CParticleSystemsManager> particles, CSharedPtr<CSpriteLayer> layer,
                      CSharedPtr<CTexture> texture) {
    Particles = particles;
    Layer = layer;
    Texture = texture;
}

void CPaintDrop::Launch(const CVector3& a, const CVector3& b, const CVector3& t, float halfCellW,
                        float halfCellH, int32_t column, int32_t row, int32_t colourIndex,
                        uint32_t colour, float speed, int32_t zOrder) {
    ZOrder = zOrder;
    HalfCell[0] = halfCellW;
    HalfCell[1] = halfCellH;
    Column = column;
    Row = row;
    ColourIndex = colourIndex;
    PaintColour = colour;
    BlobBase[0] = halfCellW * 0.6f;
    BlobBase[1] = halfCellH * 0.6f;
    LastPos = a;
    // A target above the bend point is thrown straight at; any other is
    // tossed up past the bend first.
    if (t.Y > b.Y) {
        Path.SetFirstKey(a.X, a.Y, a.Z, t.X, t.Y, t.Z, 0, 2, 1, 1, 0, 1, (t - a).Length() / speed);
    } else {
        Path.SetFirstKey(a.X, a.Y, a.Z, b.X, b.Y, b.Z, 0, 2, 1, 1, 0, 1, (b - a).Length() / speed);
        Path.AddKeyKeepScale(t.X, t.Y, t.Z, 1, 2, 1, (t - b).Length() / speed);
    }
    Duration = Path.GetTotal();
    GrowTime = 0.4f * Duration;
    const float fadeTime = 0.2f * Duration;
    Elapsed = 0.0f;
    RemoveSprites();
    for (int32_t i = 0; i < kBlobs; ++i) {
        float from[2], to[2];
        for (float* o : {from, to})
            for (int k = 0; k < 2; ++k)
                o[k] = halfCellW * 0.8f * (RandomFloat() - 0.5f);
        for (int k = 0; k < 2; ++k) {
            Offsets[i][k] = from[k];
            Velocities[i][k] = Duration > 0.0f ? (to[k] - from[k]) / Duration : 0.0f;
        }
        for (int highlight = 0; highlight < 2; ++highlight) {
            const uint32_t c = highlight ? (colour | 0x00FFFFFFu) : colour;
            CSharedPtr<CSpriteQuad> s(new CSpriteQuad(a.X + from[0] * 0.1f, a.Y + from[1] * 0.1f,
                                                      a.Z, 0.1f * BlobBase[0], 0.1f * BlobBase[1],
                                                      c, Texture, 1));
            // Paint light: the drops glow over the board and add up where
            // they cross.
            s->SetBlend(1, CSpriteQuad::BlendAdd);
            const float u = kBlobCentre[0] + (highlight ? kHighlightShift : 0.0f);
            s->SetFrameRect(0, u - kBlobHalf, kBlobCentre[1] - kBlobHalf, u + kBlobHalf,
                            kBlobCentre[1] + kBlobHalf);
            s->SetAlpha(0.0f);
            s->Key = zOrder;
            s->FadeSpeed = fadeTime > 0.0f ? 1.0f / fadeTime : kLandingFadeSpeed;
            s->FadeTo(1.0f);
            if (!Layer.IsNull())
                Layer->Add(s);
            (highlight ? Highlights : Blobs).push_back(s);
        }
    }
}

int32_t CPaintDrop::Update(float dt) {
    Elapsed = std::min(Elapsed + dt, Duration);
    float at[3] = {};
    Path.GetPoint(at, Elapsed);
    const CVector3 p(at[0], at[1], at[2]);
    const CVector3 d = TotemDirection(p - LastPos);
    LastPos = p;
    // The pictures turn with the flight, so the stretch runs along it.
    CTexCoord frame[2][4];
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (int k = 0; k < 4; ++k) {
        const float cx = corners[k][0], cy = corners[k][1];
        const float u = kBlobCentre[0] + kBlobHalf * (cx * d.X + cy * d.Y);
        const float v = kBlobCentre[1] + kBlobHalf * (cy * d.X - cx * d.Y);
        frame[0][k] = {u, v};
        frame[1][k] = {u + kHighlightShift, v};
    }
    for (size_t i = 0; i < Blobs.size() && i < Highlights.size() && i < kBlobs; ++i) {
        Offsets[i][0] += Velocities[i][0] * dt;
        Offsets[i][1] += Velocities[i][1] * dt;
        Angles[i] += WobbleSpeed * dt;
        const float s = (std::sin(Angles[i]) + 1.0f) * 0.5f;
        float length = BlobBase[0] * (LengthRange[0] + s * (LengthRange[1] - LengthRange[0]));
        float width = BlobBase[1] * (WidthRange[1] + (1.0f - s) * (WidthRange[1] - WidthRange[0]));
        float ox = Offsets[i][0], oy = Offsets[i][1];
        if (Elapsed < GrowTime) {
            const float g = 0.9f * Elapsed / GrowTime + 0.1f;
            length *= g;
            width *= g;
            ox *= g;
            oy *= g;
        }
        for (int h = 0; h < 2; ++h) {
            CSpriteQuad& sprite = h ? *Highlights[i] : *Blobs[i];
            sprite.SetAxes(d.X, d.Y, d.Z, -d.Y, d.X, d.Z, true);
            sprite.SetFrameCorners(0, frame[h]);
            sprite.SetScale(length, width);
            sprite.Position = CVector3(p.X + ox, p.Y + oy, p.Z);
        }
    }
    if (Elapsed < Duration)
        return 1;
    for (auto* list : {&Blobs, &Highlights})
        for (const CSharedPtr<CSpriteQuad>& s : *list) {
            s->FadeSpeed = kLandingFadeSpeed;
            s->FadeTo(0.0f);
            s->LifeOn = 1;
            s->RemainingLife = kLandingLife;
        }
    Blobs.clear();
    Highlights.clear();
    Splash(p);
    return 0;
}

void CPaintDrop::Splash(const CVector3& at) {
    if (Particles.IsNull())
        return;
    CSharedPtr<CDropsSprayKeeper> paint(new CDropsSprayKeeper());
    CSharedPtr<CDropsSprayKeeper> glint(new CDropsSprayKeeper());
    const float w = 2.0f * HalfCell[0], h = 2.0f * HalfCell[1];
    paint->SetParameters(SprayParticles, w, h, 0.0f, kSplashRect[0], kSplashRect[1], kSplashRect[2],
                         kSplashRect[3]);
    glint->SetParameters(SprayParticles, w, h, 0.0f, kGlintRect[0], kGlintRect[1], kGlintRect[2],
                         kGlintRect[3]);
    for (CDropsSprayKeeper* k : {paint.Get(), glint.Get()}) {
        k->DropSize = SprayParticleSize;
        k->Floor = -400.0f;
        k->Speed = 300.0f;
        k->SpeedSpread = 150.0f;
        k->Gravity = 2500.0f;
    }
    paint->Colour = PaintColour & 0x00FFFFFFu;
    paint->Generate();
    // The glints fly exactly with the paint.
    glint->StartPoints.clear();
    glint->StartVelocities.clear();
    glint->AddPoints(paint);
    for (const CSharedPtr<CDropsSprayKeeper>& k : {paint, glint}) {
        CCollection2Parametres block(at.X, at.Y, at.Z, nullptr, k, 2);
        block.KeeperEmission = 1;
        block.AlphaScale = SprayIntensity;
        Particles->AddCollection(block, SprayParticles + 2, Texture);
    }
}

// ---- CWhiteTotem ---------------------------------------------------------------

CWhiteTotem::CWhiteTotem() : CTotem(kColour) {
    ShineColour = 0xFFFFBB74u;
    FlyingDrops.reserve(20);
    LandedDrops.reserve(20);
}

CWhiteTotem::~CWhiteTotem() {
    CWhiteTotem::Release();
}

uint32_t CWhiteTotem::PaintColour(int32_t k) {
    return kPaintColours[std::clamp(k, 0, kPaints - 1)];
}

void CWhiteTotem::SetParams(const CTotemColourParams& params) {
    CTotem::SetParams(params);
    if (const auto* white = dynamic_cast<const CWhiteTotemParams*>(&params))
        Params = *white;
}

size_t CWhiteTotem::TierIndex() const {
    return static_cast<size_t>(std::clamp(Tier, 1, CWhiteTotemParams::kTiers) - 1);
}

void CWhiteTotem::Init(int32_t mode, CSharedPtr<CTotemShapes> shapes) {
    CTotem::Init(mode, shapes);
    if (Mode == kSelected || Mode == kShopFigure)
        BuildStream();
}

void CWhiteTotem::BuildStream() {
    const std::vector<CWhiteTotemParams::Line>& strip = Params.Strips[TierIndex()];
    const std::vector<float>& lengths = Params.SegmentLengths[TierIndex()];
    const auto a = static_cast<uint32_t>(std::clamp(Params.StreamIntensity, 0.0f, 1.0f) * 255.0f);
    const uint32_t colour = a << 24 | 0x00FFFFFFu;
    float v = StreamOffset;
    for (size_t i = 0; i < lengths.size() && i + 1 < strip.size(); ++i) {
        CSharedPtr<CSpriteQuad> s(new CSpriteQuad(Position.X, Position.Y, Position.Z - kStreamDepth,
                                                  Size[0], Size[1], colour, Res.PaintStream, 1));
        s->SetAxes(AxisX.X, AxisX.Y, AxisX.Z, AxisY.X, AxisY.Y, AxisY.Z, false);
        // u runs across the stream, v down it.
        const CTexCoord corners[4] = {{strip[i].X1, strip[i].Y1},
                                      {strip[i].X2, strip[i].Y2},
                                      {strip[i + 1].X2, strip[i + 1].Y2},
                                      {strip[i + 1].X1, strip[i + 1].Y1}};
        s->SetCorners(corners);
        s->SetFrameRect(0, 0.0f, v, 1.0f, v + lengths[i]);
        s->SetAlpha(0.0f);
        s->Key = ZOrder - kStreamBelow;
        if (!Res.SpriteLayer.IsNull())
            Res.SpriteLayer->Add(s);
        StreamSprites.push_back(s);
        v += lengths[i];
    }
}

void CWhiteTotem::FlowStream(float dt) {
    if (Mode == kStanding || StreamSprites.empty())
        return;
    StreamOffset -= Params.StreamTSpeed * dt;
    StreamOffset -= std::floor(StreamOffset);
    const std::vector<float>& lengths = Params.SegmentLengths[TierIndex()];
    float t = StreamOffset;
    for (size_t i = 0; i < StreamSprites.size() && i < lengths.size(); ++i) {
        StreamSprites[i]->SetFrameRect(0, 0.0f, t, 1.0f, t + lengths[i]);
        t += lengths[i];
    }
}

void CWhiteTotem::LayoutExtras(bool resize) {
    for (const CSharedPtr<CSpriteQuad>& s : StreamSprites) {
        s->Position = CVector3(Position.X, Position.Y, Position.Z - kStreamDepth);
        if (resize)
            s->SetScale(Size[0], Size[1]);
    }
}

void CWhiteTotem::SetAlpha(float alpha, int32_t alsoTarget) {
    CTotem::SetAlpha(alpha, alsoTarget);
    for (const CSharedPtr<CSpriteQuad>& s : StreamSprites)
        s->SetAlpha(Alpha);
}

void CWhiteTotem::EndSmokes() {
    for (const CSharedPtr<CParticleSystem>& s : ReadySmokes)
        s->EndEmission();
    ReadySmokes.clear();
}

void CWhiteTotem::Release() {
    if (!Res.SpriteLayer.IsNull())
        for (const CSharedPtr<CSpriteQuad>& s : StreamSprites)
            Res.SpriteLayer->Remove(s);
    StreamSprites.clear();
    EndSmokes();
    CTotem::Release();
    FlyingDrops.clear();
    LandedDrops.clear();
}

void CWhiteTotem::SetArmed(int32_t armed, int32_t /*level*/) {
    if (!armed) {
        EndSmokes();
        return;
    }
    if (!ReadySmokes.empty() || Res.Particles.IsNull())
        return;
    const float w = Size[0];
    const CVector3 s = FigurePoint(Fog().X, Fog().Y, Fog().Z);
    const float rise[6] = {0.04f, 0.01f, 0.03f, 0.015f, 0.03f, 0.0075f};
    for (uint32_t colour : kSmokeColours) {
        CSmokesSpringParametres smoke(s.X, s.Y, s.Z, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f,
                                      FogRadius() * w, 0.1f, 0.25f, 0.0f, colour, 0);
        Shape(smoke, rise, w, 0.6f, 0.15f, kForever, 4.0f * EffectScale);
        CSharedPtr<CParticleSystem> system =
            Res.Particles->AddSmokes(smoke, kSmokeParticles, Res.Cloud);
        if (system.IsNull())
            continue;
        system->Update(0.5f);
        ReadySmokes.push_back(system);
    }
}

void CWhiteTotem::Activate(int32_t kind) {
    CTotem::Activate(kind);
    AwaitingTargets = 1;
}

void CWhiteTotem::SetTarget(const std::vector<CTotemPoint>& points,
                            const std::vector<CTotemCell>& cells) {
    // One colour for the whole launch.
    const int32_t k =
        std::clamp(static_cast<int32_t>(std::floor(RandomFloat() * kPaints)), 0, kPaints - 1);
    const auto alpha = static_cast<uint32_t>(std::floor(Params.DropIntensity * 255.0f));
    const uint32_t colour = (PaintColour(k) & 0x00FFFFFFu) | alpha << 24;
    const CVector3& fog = Fog();
    const float r = FogRadius();
    const CVector3 down(0.0f, 0.0f, 3.0f);
    // Lists of unequal length pair up as far as the shorter goes.
    const size_t n = std::min(points.size(), cells.size());
    for (size_t i = 0; i < n; ++i) {
        const CVector3 a = FigurePoint(fog.X + RandomFloat() * 0.4f * r, fog.Y, fog.Z) - down;
        const CVector3 b = FigurePoint(fog.X + 0.5f - RandomFloat() * 0.25f,
                                       fog.Y + 0.5f - RandomFloat() * 0.25f, fog.Z) -
                           down;
        CSharedPtr<CPaintDrop> drop(new CPaintDrop());
        drop->Init(Res.Particles, Res.SpriteLayer, Res.PaintDrop);
        std::copy(Params.DropLengthFactor, Params.DropLengthFactor + 2, drop->LengthRange);
        std::copy(Params.DropWidthFactor, Params.DropWidthFactor + 2, drop->WidthRange);
        drop->WobbleSpeed = Params.DropWobble;
        drop->SprayIntensity = Params.SprayIntensity;
        drop->SprayParticleSize = Params.SprayParticleSize;
        drop->SprayParticles = Params.SprayParticles;
        drop->Launch(a, b, CVector3(points[i].X, points[i].Y, b.Z), g_boardGrid.cellWidth * 0.5f,
                     g_boardGrid.cellHeight * 0.5f, cells[i].Column, cells[i].Row, k, colour,
                     Params.DropSpeed, ZOrder - kDropsBelow);
        FlyingDrops.push_back(drop);
    }
    if (!Res.Particles.IsNull()) {
        const float w = Size[0];
        const CVector3 p =
            FigurePoint(fog.X + r * 0.25f, fog.Y + 0.01f, fog.Z) - CVector3(0.0f, 0.0f, 2.0f);
        CSmokesSpringParametres burst(p.X, p.Y, p.Z, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f,
                                      r * 0.5f * w, 0.1f, 0.25f, 0.0f, colour, 0);
        const float puff[6] = {0.4f, 0.1f, 0.075f, 0.0375f, 0.13f, 0.0325f};
        Shape(burst, puff, w, 1.0f, 0.25f, 0.5f, 24.0f * EffectScale);
        CSharedPtr<CParticleSystem> system =
            Res.Particles->AddSmokes(burst, kSmokeParticles, Res.Cloud);
        if (!system.IsNull())
            system->Update(0.25f);
    }
    AwaitingTargets = 0;
}

int32_t CWhiteTotem::Update(float dt) {
    if (FadeStep(dt))
        return 1;
    FlowStream(dt);
    if (State == kMoving)
        return MoveStep(dt);
    if (State != kRunning && State != kRunningLevel3)
        return 0;
    for (size_t i = 0; i < FlyingDrops.size();) {
        if (FlyingDrops[i]->Update(dt)) {
            ++i;
            continue;
        }
        LandedDrops.push_back(FlyingDrops[i]);
        FlyingDrops.erase(FlyingDrops.begin() + static_cast<std::ptrdiff_t>(i));
    }
    if (AwaitingTargets || !FlyingDrops.empty() || !LandedDrops.empty())
        return 0;
    return FinishPower();
}

void CWhiteTotem::EmitActions(CTotemPanel& panel) {
    CTotemAction a;
    a.kind = CTotemAction::kWhite;
    if (AwaitingTargets) {
        a.value = CLevelRules::TotemPanelValue(Tier, Level);
        panel.PushAction(a);
    } else if (!LandedDrops.empty()) {
        for (const CSharedPtr<CPaintDrop>& d : LandedDrops) {
            a.column = d->Column;
            a.row = d->Row;
            a.value = 0;
            a.value2 = d->ColourIndex;
            panel.PushAction(a);
        }
        LandedDrops.clear();
    } else if ((State == kFinished || State == kRearmed) &&
               (Event == kPowerDone || Event == kPowerDoneLevel3)) {
        // The paint has dried: the field looks for rows again.
        a.value = -1;
        panel.PushAction(a);
    }
}
