#include "totems/VioletTotem.h"

#include <algorithm>
#include <cmath>

#include "engine/Random.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "playfield/LevelParams.h"
#include "totems/TotemPanel.h"

namespace {

constexpr float kTwoPi = 6.2831853f;
constexpr float kReadyFadeSpeed = 10.0f;
constexpr int32_t kReadyBelow = 4;
constexpr size_t kReadyCount = 3;
// Texture rectangles of the glow (lower half) and the ray (upper left).
constexpr float kRayRight = 0.734375f;
// The bonuses' flights: the first takes the longest.
constexpr float kFirstFlight = 1.25f;
constexpr float kFlightSpread = 0.5f;
constexpr float kBendX = 320.0f;
constexpr float kBendY = 50.0f;
constexpr float kBendYSpread = 150.0f;
constexpr float kBendDepth = 10.0f;
constexpr float kBonusDepthStep = 10.0f;
constexpr int32_t kBonusBelow = 10;

} // namespace

CVioletTotem::CVioletTotem() : CTotem(kColour) {
    ShineColour = 0xFFFBFDFFu;
    ReadySprites.reserve(kReadyCount);
    PreparedActions.reserve(4);
}

CVioletTotem::~CVioletTotem() {
    CVioletTotem::Release();
}

void CVioletTotem::SetParams(const CTotemColourParams& params) {
    CTotem::SetParams(params);
    if (const auto* violet = dynamic_cast<const CVioletTotemParams*>(&params))
        Params = *violet;
}

void CVioletTotem::Release() {
    CTotem::Release();
    if (!Res.SpriteLayer.IsNull())
        for (const CSharedPtr<CSpriteQuad>& s : ReadySprites)
            Res.SpriteLayer->Remove(s);
    ReadySprites.clear();
}

size_t CVioletTotem::TierIndex() const {
    return static_cast<size_t>(std::clamp(Tier, 1, CVioletTotemParams::kTiers) - 1);
}

CVector3 CVioletTotem::RayPoint(float angle) const {
    const size_t k = TierIndex();
    const CVector3& c = Params.RayCentres[k];
    return FigurePoint(std::cos(angle) * Params.RayRadii[k][0] + c.X,
                       std::sin(angle) * Params.RayRadii[k][1] + c.Y, c.Z);
}

CSharedPtr<CSpriteQuad> CVioletTotem::AddReadySprite(const CVector3& at, const float size[2],
                                                     uint32_t colour, float u0, float v0, float u1,
                                                     float v1) {
    CSharedPtr<CSpriteQuad> s(new CSpriteQuad(at.X, at.Y, at.Z, size[0] * Size[0],
                                              size[1] * Size[1], colour, Res.GlowRays, 1));
    s->SetBlend(1, CSpriteQuad::BlendAdd);
    s->SetAxes(AxisX.X, AxisX.Y, AxisX.Z, AxisY.X, AxisY.Y, AxisY.Z, false);
    s->SetFrameRect(0, u0, v0, u1, v1);
    s->SetAlpha(0.0f);
    s->Key = ZOrder - kReadyBelow;
    s->FadeSpeed = kReadyFadeSpeed;
    s->FadeTo(1.0f);
    if (!Res.SpriteLayer.IsNull())
        Res.SpriteLayer->Add(s);
    ReadySprites.push_back(s);
    return s;
}

void CVioletTotem::SetArmed(int32_t armed, int32_t) {
    if (armed == 0) {
        for (const CSharedPtr<CSpriteQuad>& s : ReadySprites) {
            s->FadeSpeed = kReadyFadeSpeed;
            s->FadeTo(0.0f);
            s->LifeOn = 1;
        }
        return;
    }
    // Lit again after fading: the old sprites leave with their countdown.
    if (!ReadySprites.empty() && ReadySprites.front()->LifeOn)
        ReadySprites.clear();
    if (!ReadySprites.empty())
        return;
    const size_t k = TierIndex();
    const CVector3& g = Params.GlowCentres[k];
    AddReadySprite(FigurePoint(g.X, g.Y, g.Z), Params.GlowSizes[k], Params.GlowColour, 0.0f, 0.5f,
                   1.0f, 1.0f);
    AddReadySprite(RayPoint(RayAngles[0]), Params.RaySizes[k], Params.RayColour, 0.0f, 0.0f,
                   kRayRight, 0.5f);
    // The second ray shows the same picture mirrored.
    AddReadySprite(RayPoint(RayAngles[1]), Params.RaySizes[k], Params.RayColour, kRayRight, 0.0f,
                   0.0f, 0.5f);
}

void CVioletTotem::LayoutExtras(bool resize) {
    if (ReadySprites.size() != kReadyCount)
        return;
    const size_t k = TierIndex();
    const CVector3& g = Params.GlowCentres[k];
    ReadySprites[0]->Position = FigurePoint(g.X, g.Y, g.Z);
    for (size_t r = 0; r < 2; ++r)
        ReadySprites[r + 1]->Position = RayPoint(RayAngles[r]);
    if (!resize)
        return;
    ReadySprites[0]->SetScale(Params.GlowSizes[k][0] * Size[0], Params.GlowSizes[k][1] * Size[1]);
    for (size_t r = 1; r < kReadyCount; ++r)
        ReadySprites[r]->SetScale(Params.RaySizes[k][0] * Size[0], Params.RaySizes[k][1] * Size[1]);
}

void CVioletTotem::Activate(int32_t kind) {
    CTotem::Activate(kind);
    Timer = 2.0f * Params.FlyTime;
    PickState = kNotPicked;
}

void CVioletTotem::PickTargets() {
    PreparedActions.clear();
    int32_t ordinary = 0, special = 0;
    CLevelRules::VioletTotemValues(Tier, Level, ordinary, special);
    const int32_t n = ordinary + special;
    const float step = n >= 2 ? kFlightSpread / static_cast<float>(n - 1) : 0.0f;
    float t = 0.0f;
    const float* area = Params.Areas[TierIndex()];
    for (int32_t i = 0; i < n; ++i) {
        int32_t type = 0, value = 0;
        // No level rules, or none that allows a bonus: this one is skipped.
        if (!g_totemLevelParams || !g_totemLevelParams->Draw(i >= ordinary ? 1 : 0, type, value))
            continue;
        const float fx = RandomFloat() * area[2] + area[0];
        const float fy = area[1] - RandomFloat() * area[3];
        CVector3 s = FigurePoint(fx, fy, 0.0f);
        const auto fi = static_cast<float>(i);
        s.Z -= fi * kBonusDepthStep + 1.0f;
        CTotemAction a;
        a.kind = CTotemAction::kViolet;
        a.column = value;
        a.row = ZOrder - i - kBonusBelow;
        a.fromPoint[0] = s.X;
        a.fromPoint[1] = s.Y;
        a.fromPoint[2] = s.Z;
        a.toPoint[0] = s.X + kBendX;
        a.toPoint[1] = s.Y + kBendY + RandomFloat() * kBendYSpread;
        a.toPoint[2] = s.Z - kBendDepth - fi * kBonusDepthStep;
        a.flightTime = (kFirstFlight - t) * Params.FlyTime;
        a.bonusType = type;
        PreparedActions.push_back(a);
        t += step;
    }
}

int32_t CVioletTotem::Update(float dt) {
    if (FadeStep(dt))
        return 1;
    if (ReadySprites.size() == kReadyCount) {
        for (size_t r = 0; r < 2; ++r) {
            RayAngles[r] += Params.RaySpeed * dt;
            RayAngles[r] = std::fmod(RayAngles[r], kTwoPi);
            if (RayAngles[r] < 0.0f)
                RayAngles[r] += kTwoPi;
            ReadySprites[r + 1]->Position = RayPoint(RayAngles[r]);
        }
    }
    if (State == kMoving)
        return MoveStep(dt);
    if (State != kRunning && State != kRunningLevel3)
        return 0;
    if (PickState == kNotPicked) {
        PickState = kPicked;
        PickTargets();
    }
    Timer -= dt;
    if (Timer > 0.0f)
        return 0;
    return FinishPower();
}

void CVioletTotem::EmitActions(CTotemPanel& panel) {
    if (PickState != kPicked)
        return;
    for (const CTotemAction& a : PreparedActions)
        panel.PushAction(a);
    PickState = kTaken;
}
