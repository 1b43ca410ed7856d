#include "totems/RedTotem.h"

#include <algorithm>
#include <cmath>

#include "effects/ParticleSystemsManager.h"
#include "effects/SparksParticleSystem.h"
#include "effects/SpellsParticleSystem.h"
#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "engine/Random.h"
#include "playfield/LevelRules.h"
#include "totems/BoardGrid.h"
#include "totems/TotemAction.h"
#include "totems/TotemPanel.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kTwoPi = 2.0f * kPi;
// Spin values of the spell blocks are in 512ths of half a turn per second.
constexpr float kSpinUnit = 512.0f;
constexpr float kOrbSpin = 512.0f;
constexpr float kOrbSpinSpread = 256.0f;
// An orb burns until it is stopped.
constexpr float kForever = 10000000.0f;
constexpr int32_t kOrbParticles = 40;
constexpr float kOrbRate1 = 8.0f;
constexpr float kOrbRate2 = 16.0f;
constexpr float kTrailLift = 25.0f;
constexpr float kBurstTime = 0.2f;
constexpr float kBurstSpeedFactor = 15.0f;
constexpr float kBurstRate = 80.0f;
constexpr int32_t kGlowsPerShot = 3;
constexpr int32_t kExplosionParticles = 80;
constexpr int32_t kSparkParticles = 40;
constexpr float kSparkFall = 500.0f;
constexpr float kSparkTime = 0.1f;

// A random sign and speed for the rotation of a glow quad.
void StartSpin(CQuad& quad, float spin, float spread) {
    const float sign = RandomFloat() < 0.5f ? -1.0f : 1.0f;
    const float angle = kTwoPi * RandomFloat();
    const float speed = sign * kPi * (spin + (2.0f * RandomFloat() - 1.0f) * spread) / kSpinUnit;
    quad.StartRotation(angle, speed, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
}

const CSpellsParticleSystem* Spells(const CSharedPtr<CParticleSystem>& system) {
    return dynamic_cast<const CSpellsParticleSystem*>(system.Get());
}

// A random board index 0..count - span; RandomFloat may return 1.0 exactly.
int32_t RandomIndex(int32_t count, int32_t span) {
    const int32_t last = std::max(count - span, 0);
    return std::clamp(static_cast<int32_t>(std::floor(RandomFloat() * static_cast<float>(last))), 0,
                      last);
}

} // namespace

// ---- CRedShot ----

CRedShot::~CRedShot() {
    if (!Trail.IsNull())
        Trail->Stop();
    for (const CSharedPtr<CQuad>& q : Glows)
        q->BeginFadeOut();
}

void CRedShot::Launch(float effectScale, int32_t level, int32_t column, int32_t row,
                      const CVector3& from, const CVector3& to, float flightTime,
                      CSharedPtr<CTexture> fireTexture, uint32_t colour,
                      const CParticleSystem& glow, CSharedPtr<CParticleSystem> trail,
                      CSharedPtr<CParticleSystemsManager> particles,
                      CSharedPtr<CQuadLayer> quadLayer) {
    EffectScale = effectScale;
    ShotLevel = level;
    Column = column;
    Row = row;
    Position = From = from;
    To = to;
    Duration = flightTime;
    Time = 0.0f;
    FireTexture = fireTexture;
    Colour = colour;
    Trail = trail;
    Particles = particles;
    QuadLayer = quadLayer;
    const auto* spells = dynamic_cast<const CSpellsParticleSystem*>(&glow);
    if (QuadLayer.IsNull() || !spells)
        return;
    for (int32_t i = 0; i < kGlowsPerShot; ++i) {
        CSharedPtr<CQuad> q(
            new CQuad(Position.X, Position.Y, Position.Z, glow.Texture, spells->Colour));
        const float s = spells->Size + (2.0f * RandomFloat() - 1.0f) * spells->SizeVariation;
        q->SetScale(s, s);
        StartSpin(*q, spells->Spin, spells->SpinVariation);
        q->FadeInTime = 0.1f;
        q->FadeOutTime = 0.1f;
        q->HoldEnd = kForever;
        q->FlickerAmplitude = 0.0f;
        q->StartScale(2.0f, 5.0f);
        QuadLayer->Add(q);
        Glows.push_back(q);
    }
}

bool CRedShot::Fly(float dt) {
    Time += dt;
    if (Time < 0.0f)
        return false;
    Time = std::min(Time, Duration);
    // A shot with no way to go is there at once.
    const float t = Duration > 0.0f ? Time / Duration : 1.0f;
    Position = From * (1.0f - t) + To * t;
    if (!Trail.IsNull())
        Trail->SetPosition(Position.X, Position.Y, Position.Z);
    for (const CSharedPtr<CQuad>& q : Glows)
        q->Position = Position;
    return Time >= Duration;
}

void CRedShot::Explode() {
    const float cell = g_boardGrid.cellWidth;
    const float k = static_cast<float>(ShotLevel) * 0.5f + 0.5f;
    const auto* trail = Spells(Trail);
    if (!Particles.IsNull()) {
        CExplosionParametres e(Position.X, Position.Y, Position.Z, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                               0.0f, k * cell, 0.5f, static_cast<int32_t>(EffectScale * 8.0f),
                               Colour, 0);
        e.Size = k * cell;
        e.SizeVariation = k * cell * 0.25f;
        e.Growth *= kSpinUnit;
        e.GrowthVariation *= kSpinUnit;
        Particles->AddExplosion(e, kExplosionParticles, FireTexture);

        if (trail) {
            CSparksSpringParametres s(Position.X, Position.Y, Position.Z, 0.0f, 50.0f, 0.0f, 1.0f,
                                      0.0f, 0.0f, 200.0f, 100.0f, trail->Colour);
            s.Size = cell * 0.2f;
            s.LengthFactor = 0.01f;
            s.MaxLength = cell * 0.2f * 5.0f;
            s.EmissionDuration = kSparkTime;
            s.EmissionRate = EffectScale * 15.0f * 10.0f;
            s.SphereMode = 1;
            CSharedPtr<CParticleSystem> sparks =
                Particles->AddSparks(s, kSparkParticles, Trail->Texture);
            const float gy = Particles->Environment().Gravity.Y;
            if (auto* sp = dynamic_cast<CSparksParticleSystem*>(sparks.Get()); sp && gy != 0.0f)
                sp->GravityFactor = -kSparkFall / gy;
            if (!sparks.IsNull())
                sparks->Update(kSparkTime);
        }
    }
    if (!QuadLayer.IsNull() && trail) {
        CSharedPtr<CQuad> flash(
            new CQuad(Position.X, Position.Y, Position.Z, Trail->Texture, Colour));
        flash->SetScale(2.0f * k * cell, 2.0f * k * cell);
        StartSpin(*flash, trail->Spin, trail->SpinVariation);
        flash->FadeInTime = 0.05f;
        flash->HoldEnd = 0.1f;
        flash->FadeOutTime = 0.1f;
        flash->FlickerAmplitude = 0.0f;
        QuadLayer->Add(flash);
    }
    if (!Trail.IsNull())
        Trail->Stop();
    for (const CSharedPtr<CQuad>& q : Glows)
        q->BeginFadeOut();
    Glows.clear();
}

// ---- CRedTotem ----

CRedTotem::CRedTotem() : CTotem(kColour) {
    ShineColour = 0xFFC8E0FFu;
    ArmedSystems.reserve(4 * CRedTotemParams::kOrbs);
    FlyingShots.reserve(CRedTotemParams::kOrbs);
    HitShots.reserve(CRedTotemParams::kOrbs);
}

CRedTotem::~CRedTotem() {
    CRedTotem::Release();
}

void CRedTotem::SetParams(const CTotemColourParams& params) {
    CTotem::SetParams(params);
    if (const auto* red = dynamic_cast<const CRedTotemParams*>(&params))
        Params = *red;
}

void CRedTotem::EndOrbs() {
    for (const CSharedPtr<CParticleSystem>& s : ArmedSystems)
        if (!s.IsNull())
            s->EndEmission();
    ArmedSystems.clear();
}

void CRedTotem::Release() {
    CTotem::Release();
    EndOrbs();
}

void CRedTotem::FadeOut(float speed) {
    CTotem::FadeOut(speed);
    EndOrbs();
}

void CRedTotem::SetArmed(int32_t armed, int32_t level) {
    for (const CSharedPtr<CParticleSystem>& s : ArmedSystems)
        if (!s.IsNull())
            s->Stop();
    // Arming again replaces the orbs rather than lighting a second set.
    ArmedSystems.clear();
    if (armed == 0 || Res.Particles.IsNull())
        return;
    int32_t levels[4] = {};
    CLevelRules::TotemLevels(levels, Tier, level);
    for (int32_t i = 0; i < OrbCount(); ++i) {
        const float s = (static_cast<float>(levels[i]) * 0.05f + 0.05f) * Size[0];
        const CVector3 p = FigurePoint(Params.Points[i].X, Params.Points[i].Y, Params.Points[i].Z);
        for (int32_t second = 0; second < 2; ++second) {
            CSpellsSpringParametres b(p.X, p.Y, p.Z, 0.0f, second ? kTrailLift : 0.0f, 0.0f,
                                      s * 0.25f, s * 0.125f, second ? s * 0.75f : s,
                                      second ? s * 0.25f : s * 0.5f,
                                      second ? Params.Colour2 : Params.Colour1);
            b.EmissionDuration = kForever;
            b.FadeRate = 0.75f;
            b.FadeVariation = 0.25f;
            b.EmissionRate = EffectScale * (second ? kOrbRate2 : kOrbRate1);
            b.Spin = kOrbSpin;
            b.SpinVariation = kOrbSpinSpread;
            b.RandomAngle = 1;
            b.RandomSpinSign = 1;
            b.FadeOut = 1;
            ArmedSystems.push_back(Res.Particles->AddSpells(b, kOrbParticles, Res.Spell));
        }
    }
}

void CRedTotem::OnRearm() {
    SetArmed(1, 3);
}

void CRedTotem::Activate(int32_t kind) {
    CTotem::Activate(kind);
    int32_t levels[4] = {};
    CLevelRules::TotemLevels(levels, Tier, kind + 1);
    for (int32_t i = 0; i < OrbCount(); ++i) {
        const size_t a = 2 * static_cast<size_t>(i);
        // An orb that is not burning sends no shot.
        if (a + 1 >= ArmedSystems.size() || ArmedSystems[a].IsNull() ||
            ArmedSystems[a + 1].IsNull())
            continue;
        const CSharedPtr<CParticleSystem>& orb = ArmedSystems[a];
        const CSharedPtr<CParticleSystem>& trail = ArmedSystems[a + 1];
        const int32_t level = levels[i];
        const int32_t span = level > 1 ? 2 : 1;
        int32_t column = RandomIndex(g_boardGrid.columns, span);
        int32_t row = RandomIndex(g_boardGrid.rows, span);
        if (level > 1) {
            ++column;
            ++row;
        }
        float target[3];
        g_boardGrid.CellToScreen(target, column, row);
        if (level < 2) {
            target[0] += g_boardGrid.cellWidth * 0.5f;
            target[1] -= g_boardGrid.cellHeight * 0.5f;
        }
        const CVector3 to(target[0], target[1], target[2]);
        const CVector3 d = to - orb->Position;
        const float distance = std::sqrt(d.X * d.X + d.Y * d.Y + d.Z * d.Z);
        CSharedPtr<CRedShot> shot(new CRedShot());
        shot->Launch(EffectScale, level, column, row, orb->Position, to, distance / Params.FlySpeed,
                     Res.Fire, Params.ExpColour, *orb, trail, Res.Particles, Res.QuadLayer);
        shot->Time = -CRedShot::kWait;
        FlyingShots.push_back(shot);

        if (const auto* t = Spells(trail); t && !Res.Particles.IsNull()) {
            const auto* o = Spells(orb);
            CSpellsSpringParametres b(trail->Position.X, trail->Position.Y, trail->Position.Z, 0.0f,
                                      0.0f, 0.0f, kBurstSpeedFactor * t->Speed,
                                      kBurstSpeedFactor * t->SpeedVariation, t->Size,
                                      t->SizeVariation, o ? o->Colour : t->Colour);
            b.EmissionDuration = kBurstTime;
            b.TrailMode = 1;
            b.FadeRate = 8.0f;
            b.FadeVariation = 1.0f;
            b.EmissionRate = EffectScale * kBurstRate;
            b.Spin = kOrbSpin;
            b.SpinVariation = kOrbSpinSpread;
            b.RandomAngle = 1;
            b.RandomSpinSign = 1;
            b.FadeOut = 1;
            Res.Particles->AddSpells(b, kOrbParticles, Res.Spell);
        }
        orb->Stop();
    }
    // The trails live on in their shots.
    ArmedSystems.clear();
}

int32_t CRedTotem::Update(float dt) {
    if (FadeStep(dt))
        return 1;
    if (State == kMoving)
        return MoveStep(dt);
    if (State != kRunning && State != kRunningLevel3)
        return 0;
    for (size_t i = 0; i < FlyingShots.size();) {
        if (FlyingShots[i]->Fly(dt)) {
            FlyingShots[i]->Explode();
            HitShots.push_back(FlyingShots[i]);
            FlyingShots.erase(FlyingShots.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    if (!FlyingShots.empty() || !HitShots.empty())
        return 0;
    return FinishPower();
}

void CRedTotem::EmitActions(CTotemPanel& panel) {
    for (const CSharedPtr<CRedShot>& shot : HitShots) {
        CTotemAction a;
        a.kind = CTotemAction::kRed;
        a.column = shot->Column;
        a.row = shot->Row;
        a.value = shot->ShotLevel;
        panel.PushAction(a);
    }
    HitShots.clear();
}

void CRedTotem::LayoutExtras(bool) {
    for (size_t k = 0; k < static_cast<size_t>(CRedTotemParams::kOrbs); ++k) {
        const CVector3 p = FigurePoint(Params.Points[k].X, Params.Points[k].Y, Params.Points[k].Z);
        for (size_t j = 2 * k; j < 2 * k + 2 && j < ArmedSystems.size(); ++j)
            if (!ArmedSystems[j].IsNull())
                ArmedSystems[j]->SetPosition(p.X, p.Y, p.Z);
    }
}
