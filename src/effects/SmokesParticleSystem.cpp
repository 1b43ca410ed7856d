#include "effects/SmokesParticleSystem.h"

#include "effects/ParticleMath.h"

using particles::Cross;
using particles::NormalisedOr;
using particles::Vary;

CSmokesParticleSystem::CSmokesParticleSystem(CSharedPtr<CRenderDevice> device, int32_t capacity,
                                             CSharedPtr<CTexture> texture,
                                             CSharedPtr<CVertexBuffer> vertexBuffer,
                                             CSharedPtr<CIndexBuffer> indexBuffer,
                                             CSharedPtr<CParticleEnvironment> environment,
                                             const CSmokesSpringParametres& p)
    : CParticleSystem(device, capacity, texture, vertexBuffer, indexBuffer, environment),
      Mode(p.Mode), Velocity(p.Velocity), PositionSpread1(p.PositionSpread1),
      PositionSpread2(p.PositionSpread2), VelocitySpread1(p.VelocitySpread1),
      VelocitySpread2(p.VelocitySpread2), Colour(p.Colour & 0x00FFFFFFu), Speed(p.Speed),
      SpeedVariation(p.SpeedVariation), Lift(p.Lift), LiftVariation(p.LiftVariation),
      Size(p.Size), SizeVariation(p.SizeVariation), Growth(p.Growth),
      GrowthVariation(p.GrowthVariation), GrowthChange(p.GrowthChange),
      FadeOutRate(p.FadeOutRate), FadeOutVariation(p.FadeOutVariation),
      FadeInRate(p.FadeInRate) {
    Pool.resize(static_cast<size_t>(Capacity));
    Position = p.Position;
    Timed = p.Timed;
    EmissionDuration = p.EmissionDuration;
    ParticleCount = p.ParticleCount;
    RemainingCount = p.ParticleCount;
    EmissionRate = p.EmissionRate;
    PreviousPosition = IsTrail() ? p.Position : p.SpreadDirection;
    if (!IsTrail()) {
        CVector3 along = NormalisedOr(p.SpreadDirection, {0.0f, 1.0f, 0.0f});
        CVector3 side = NormalisedOr(Cross(p.SpreadDirection, p.Velocity), {0.0f, 1.0f, 0.0f});
        PositionAxis1 = along * PositionSpread1;
        PositionAxis2 = side * PositionSpread2;
        VelocityAxis1 = along * VelocitySpread1;
        VelocityAxis2 = side * VelocitySpread2;
    }
    AlphaTest = 1;
    switch (BlendKind()) {
    case 0:
        SrcBlend = gpu::Blend::SrcAlpha;
        DestBlend = gpu::Blend::InvSrcAlpha;
        break;
    case 1:
        SrcBlend = gpu::Blend::SrcAlpha;
        DestBlend = gpu::Blend::One;
        break;
    default:
        SrcBlend = gpu::Blend::Zero;
        DestBlend = gpu::Blend::InvSrcColor;
        break;
    }
}

void CSmokesParticleSystem::StartSmoke(CSmoke& smoke, const CVector3& trailPoint) {
    CVector3 start;
    CVector3 v;
    if (IsTrail()) {
        start = trailPoint;
        v = Velocity;
    } else {
        start = Position + PositionAxis1 * (RandomFloat() - 0.5f) +
                PositionAxis2 * (RandomFloat() - 0.5f);
        float r1 = particles::Signed();
        float r2 = particles::Signed();
        CVector3 dir =
            NormalisedOr(Velocity + VelocityAxis1 * r1 + VelocityAxis2 * r2, {0.0f, 1.0f, 0.0f});
        v = dir * Vary(Speed, SpeedVariation);
    }
    float fade = Vary(FadeOutRate, FadeOutVariation);
    float size = Vary(Size, SizeVariation);
    float growth = Vary(Growth, GrowthVariation);
    float lift = Vary(Lift, LiftVariation);
    smoke.Init(Colour, fade, start.X, start.Y, start.Z, v.X, v.Y, v.Z, size, growth, GrowthChange,
               lift);
    if (FadeInRate == 0.0f) {
        smoke.Alpha = StartAlpha;
    } else {
        // Fade in to the start alpha first, then out at the drawn rate.
        smoke.FadeOutRate = fade;
        smoke.AlphaRate = -FadeInRate;
        smoke.PeakAlpha = StartAlpha;
        smoke.Alpha = 0.00001f;
    }
}

int32_t CSmokesParticleSystem::Update(float dt) {
    if (Emitting) {
        float accumulated = 0.0f;
        int32_t n = TakeDueCount(dt, &accumulated);
        CVector3 step;
        if (n > 0 && IsTrail()) {
            // The frame's smokes are spaced evenly towards the current point.
            float d = EmissionRate * accumulated;
            if (d > 0.0f)
                step = (Position - PreviousPosition) * (1.0f / d);
        }
        const CVector3 from = PreviousPosition;
        Place(Pool, n, [this, &step, &from](int32_t slot, int32_t k) {
            StartSmoke(Pool[static_cast<size_t>(slot)], from + step * static_cast<float>(k + 1));
        });
    }
    const CParticleEnvironment& env = *Environment;
    return Age(Pool, [dt, &env](CSmoke& s) {
        s.Update(dt, env);
        return s.Alpha > 0.0f;
    });
}

void CSmokesParticleSystem::FillBuffers(gpu::Vertex** vertexCursor, uint16_t** indexCursor,
                                        int32_t firstVertex, int32_t firstIndex) {
    CParticleSystem::FillBuffers(vertexCursor, indexCursor, firstVertex, firstIndex);
    if (LiveCount <= 0)
        return;
    gpu::Vertex* v = *vertexCursor;
    uint16_t* idx = *indexCursor;
    uint32_t first = static_cast<uint32_t>(firstVertex);
    const bool darken = BlendKind() == 2;
    for (int32_t i = 0; i < UsedSlots && FilledCount < LiveCount; ++i) {
        const CSmoke& s = Pool[static_cast<size_t>(i)];
        if (!s.Alive)
            continue;
        uint32_t colour;
        if (darken) {
            // Opaque, with the colour fading towards black with the smoke.
            colour = 0xFF000000u | (particles::RoundByte(s.Red * s.Alpha) << 16) |
                     (particles::RoundByte(s.Green * s.Alpha) << 8) |
                     particles::RoundByte(s.Blue * s.Alpha);
        } else {
            colour = particles::AlphaColour(s.Alpha, s.Colour);
        }
        WriteAtlasSquare(v, idx, first, s.Position, s.Size, s.Angle, s.Frame, colour);
        ++FilledCount;
    }
    *vertexCursor = v;
    *indexCursor = idx;
}

void CSmokesParticleSystem::Move(float dx, float dy, float dz) {
    CParticleSystem::Move(dx, dy, dz);
    if (IsTrail())
        PreviousPosition += CVector3(dx, dy, dz);
    for (int32_t i = 0; i < UsedSlots; ++i)
        if (Pool[static_cast<size_t>(i)].Alive)
            Pool[static_cast<size_t>(i)].Move(dx, dy, dz);
}

void CSmokesParticleSystem::SetPosition(float x, float y, float z) {
    PreviousPosition = Position;
    Position = {x, y, z};
}
