#include "effects/ExplosionParticleSystem.h"

#include "effects/ParticleMath.h"

using particles::Cross;
using particles::NormalisedOr;
using particles::Vary;

namespace {
const CVector3 kUp{0.0f, 1.0f, 0.0f};

CVector3 RandomUnit() {
    return NormalisedOr(CVector3(particles::Signed(), particles::Signed(), particles::Signed()), kUp);
}
} // namespace

CExplosionParticleSystem::CExplosionParticleSystem(CSharedPtr<CRenderDevice> device,
                                                   int32_t capacity, CSharedPtr<CTexture> texture,
                                                   CSharedPtr<CVertexBuffer> vertexBuffer,
                                                   CSharedPtr<CIndexBuffer> indexBuffer,
                                                   CSharedPtr<CParticleEnvironment> environment,
                                                   const CExplosionParametres& p)
    : CParticleSystem(device, capacity, texture, vertexBuffer, indexBuffer, environment),
      Mode(p.Mode), Velocity(p.Velocity), Direction(NormalisedOr(p.Direction, kUp)),
      StartRadius(p.StartRadius), Colour(p.Colour & 0x00FFFFFFu), Speed(p.Speed),
      SpeedVariation(p.SpeedVariation), Spread(p.Spread), Size(p.Size),
      SizeVariation(p.SizeVariation), Growth(p.Growth), GrowthVariation(p.GrowthVariation),
      GrowthChange(p.GrowthChange), FadeRate(p.FadeRate), FadeVariation(p.FadeVariation),
      BurstCount(p.ParticleCount) {
    Pool.resize(static_cast<size_t>(Capacity));
    Position = p.Position;
    ParticleCount = p.ParticleCount;
    RemainingCount = p.ParticleCount;
    // Two axes across the direction for the disc: the helper vector must not
    // be parallel to the direction.
    float h;
    if (Direction.Y == 0.0f)
        h = 0.0f;
    else if (Direction.X == 0.0f && Direction.Z == 0.0f)
        h = 1.0f;
    else
        h = Direction.X;
    DiscAxis1 = NormalisedOr(Cross(Direction, CVector3(h, 1.0f, 0.0f)), kUp);
    DiscAxis2 = NormalisedOr(Cross(DiscAxis1, Direction), kUp);
    AlphaTest = 1;
    SrcBlend = gpu::Blend::SrcAlpha;
    DestBlend = gpu::Blend::One;
}

int32_t CExplosionParticleSystem::Update(float dt) {
    if (Emitting) {
        int32_t count = BurstCount < Capacity ? BurstCount : Capacity;
        if (count < 0)
            count = 0;
        for (int32_t i = 0; i < count; ++i) {
            CVector3 start = Position + RandomUnit() * (RandomFloat() * StartRadius);
            CVector3 flight;
            if (Mode == 1) {
                float r1 = particles::Signed();
                float r2 = particles::Signed();
                flight = NormalisedOr(DiscAxis1 * r1 + DiscAxis2 * r2, kUp) +
                         Direction * Vary(0.0f, Spread);
            } else {
                flight = RandomUnit();
            }
            CVector3 v = Velocity + flight * Vary(Speed, SpeedVariation);
            Pool[static_cast<size_t>(i)].Init(Colour, Vary(FadeRate, FadeVariation), start.X,
                                              start.Y, start.Z, v.X, v.Y, v.Z,
                                              Vary(Size, SizeVariation),
                                              Vary(Growth, GrowthVariation), GrowthChange);
        }
        UsedSlots = count;
        Emitting = 0;
    }
    const CParticleEnvironment& env = *Environment;
    return Age(Pool, [dt, &env](CFireball& f) {
        f.Update(dt, env);
        return f.Alpha > 0.0f;
    });
}

void CExplosionParticleSystem::FillBuffers(gpu::Vertex** vertexCursor, uint16_t** indexCursor,
                                           int32_t firstVertex, int32_t firstIndex) {
    CParticleSystem::FillBuffers(vertexCursor, indexCursor, firstVertex, firstIndex);
    if (LiveCount <= 0)
        return;
    gpu::Vertex* v = *vertexCursor;
    uint16_t* idx = *indexCursor;
    uint32_t first = static_cast<uint32_t>(firstVertex);
    for (int32_t i = 0; i < UsedSlots && FilledCount < LiveCount; ++i) {
        const CFireball& f = Pool[static_cast<size_t>(i)];
        if (!f.Alive)
            continue;
        WriteAtlasSquare(v, idx, first, f.Position, f.Size, f.Angle, f.Frame,
                         particles::AlphaColour(f.Alpha, f.Colour));
        ++FilledCount;
    }
    *vertexCursor = v;
    *indexCursor = idx;
}

void CExplosionParticleSystem::Move(float dx, float dy, float dz) {
    CParticleSystem::Move(dx, dy, dz);
    for (int32_t i = 0; i < UsedSlots; ++i)
        if (Pool[static_cast<size_t>(i)].Alive)
            Pool[static_cast<size_t>(i)].Move(dx, dy, dz);
}
