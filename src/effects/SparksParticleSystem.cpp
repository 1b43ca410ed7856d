#include "effects/SparksParticleSystem.h"

#include "effects/ParticleMath.h"

using particles::Cross;
using particles::NormalisedOr;

CSparksParticleSystem::CSparksParticleSystem(CSharedPtr<CRenderDevice> device, int32_t capacity,
                                             CSharedPtr<CTexture> texture,
                                             CSharedPtr<CVertexBuffer> vertexBuffer,
                                             CSharedPtr<CIndexBuffer> indexBuffer,
                                             CSharedPtr<CParticleEnvironment> environment,
                                             const CSparksSpringParametres& p)
    : CParticleSystem(device, capacity, texture, vertexBuffer, indexBuffer, environment),
      Velocity(p.Velocity), Colour(p.Colour & 0x00FFFFFFu), SpreadWidth(p.SpreadWidth),
      SpreadHeight(p.SpreadHeight), Size(p.Size), LengthFactor(p.LengthFactor),
      MaxLength(p.MaxLength), FadeRate(p.FadeRate), SphereMode(p.SphereMode) {
    Pool.resize(static_cast<size_t>(Capacity));
    Position = p.Position;
    Timed = p.Timed;
    EmissionDuration = p.EmissionDuration;
    ParticleCount = p.ParticleCount;
    RemainingCount = p.ParticleCount;
    EmissionRate = p.EmissionRate;
    SpreadAxis1 = NormalisedOr(p.SpreadDirection, {1.0f, 0.0f, 0.0f}) * (SpreadWidth * 0.5f);
    SpreadAxis2 =
        NormalisedOr(Cross(Velocity, p.SpreadDirection), {0.0f, 1.0f, 0.0f}) * (SpreadHeight * 0.5f);
    AlphaTest = 1;
    SrcBlend = gpu::Blend::SrcAlpha;
    DestBlend = gpu::Blend::One;
}

void CSparksParticleSystem::StartSpark(CSpark& spark) {
    CVector3 v;
    if (SphereMode == 0) {
        float r1 = particles::Signed();
        float r2 = particles::Signed();
        float k = 0.5f + 0.5f * RandomFloat();
        v = (Velocity + SpreadAxis1 * r1 + SpreadAxis2 * r2) * k;
    } else {
        CVector3 d(RandomFloat() - 0.5f, RandomFloat() - 0.5f, RandomFloat() - 0.5f);
        float len = d.Length();
        if (!(len > 0.0f))
            len = 1.0f;
        float speed = particles::Vary(SpreadWidth, SpreadHeight);
        v = Velocity + d * (speed / len);
    }
    spark.Init(Colour, FadeRate, Position.X, Position.Y, Position.Z, v.X, v.Y, v.Z, Size,
               LengthFactor, MaxLength);
    spark.GravityFactor = GravityFactor;
}

int32_t CSparksParticleSystem::Update(float dt) {
    if (Emitting) {
        int32_t n = TakeDueCount(dt);
        Place(Pool, n, [this](int32_t slot, int32_t) { StartSpark(Pool[static_cast<size_t>(slot)]); });
    }
    const CVector3 gravity = Environment->Gravity;
    return Age(Pool, [dt, &gravity](CSpark& s) {
        s.Update(dt, gravity);
        return s.Life > 0.0f;
    });
}

void CSparksParticleSystem::FillBuffers(gpu::Vertex** vertexCursor, uint16_t** indexCursor,
                                        int32_t firstVertex, int32_t firstIndex) {
    CParticleSystem::FillBuffers(vertexCursor, indexCursor, firstVertex, firstIndex);
    if (LiveCount <= 0)
        return;
    const CVector3 view = Environment->Camera->View;
    static const float uv[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
    gpu::Vertex* v = *vertexCursor;
    uint16_t* idx = *indexCursor;
    uint32_t first = static_cast<uint32_t>(firstVertex);
    for (int32_t i = 0; i < UsedSlots && FilledCount < LiveCount; ++i) {
        CSpark& s = Pool[static_cast<size_t>(i)];
        if (!s.Alive)
            continue;
        // A streak along the velocity: longer when faster, within its limits.
        float speed = s.Velocity.Length();
        float length = speed * s.LengthScale;
        if (length < s.Size)
            length = s.Size;
        if (length > s.MaxLength)
            length = s.MaxLength;
        s.StreakLength = length;
        CVector3 streak = speed > 0.0f ? s.Velocity * (length / speed) : CVector3(length, 0.0f, 0.0f);
        CVector3 width = NormalisedOr(Cross(streak, view), {0.0f, 1.0f, 0.0f}) * s.Size;
        CVector3 c[4];
        c[0] = s.Position - width * 0.5f + streak * 0.5f;
        c[1] = c[0] + width;
        c[2] = c[1] - streak;
        c[3] = c[2] - width;
        WriteQuad(v, idx, first, c, uv, particles::AlphaColour(s.Life, s.Colour));
        ++FilledCount;
    }
    *vertexCursor = v;
    *indexCursor = idx;
}

void CSparksParticleSystem::Move(float dx, float dy, float dz) {
    CParticleSystem::Move(dx, dy, dz);
    for (int32_t i = 0; i < UsedSlots; ++i)
        if (Pool[static_cast<size_t>(i)].Alive)
            Pool[static_cast<size_t>(i)].Move(dx, dy, dz);
}
