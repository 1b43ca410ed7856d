#include "effects/SpellsParticleSystem.h"

#include "effects/ParticleMath.h"

using particles::Vary;

CSpellsParticleSystem::CSpellsParticleSystem(CSharedPtr<CRenderDevice> device, int32_t capacity,
                                             CSharedPtr<CTexture> texture,
                                             CSharedPtr<CVertexBuffer> vertexBuffer,
                                             CSharedPtr<CIndexBuffer> indexBuffer,
                                             CSharedPtr<CParticleEnvironment> environment,
                                             const CSpellsSpringParametres& p)
    : CParticleSystem(device, capacity, texture, vertexBuffer, indexBuffer, environment),
      Velocity(p.Velocity), PreviousPosition(p.Position), Colour(p.Colour & 0x00FFFFFFu),
      Speed(p.Speed), SpeedVariation(p.SpeedVariation), Size(p.Size),
      SizeVariation(p.SizeVariation), FadeRate(p.FadeRate), FadeVariation(p.FadeVariation),
      TrailMode(p.TrailMode), RandomAngle(p.RandomAngle), RandomSpinSign(p.RandomSpinSign),
      Spin(p.Spin), SpinVariation(p.SpinVariation), FadeOut(p.FadeOut),
      FadeOutRate(p.FadeOutRate) {
    Pool.resize(static_cast<size_t>(Capacity));
    Position = p.Position;
    Timed = p.Timed;
    EmissionDuration = p.EmissionDuration;
    ParticleCount = p.ParticleCount;
    RemainingCount = p.ParticleCount;
    EmissionRate = p.EmissionRate;
    AlphaTest = 1;
    SrcBlend = gpu::Blend::SrcAlpha;
    DestBlend = gpu::Blend::One;
}

void CSpellsParticleSystem::StartSpell(CSpell& spell, const CVector3& point) {
    CVector3 dir(particles::Signed(), particles::Signed(), particles::Signed());
    float len = dir.Length();
    CVector3 v = Velocity;
    float speed = Vary(Speed, SpeedVariation);
    if (len > 0.0f)
        v += dir * (speed / len);
    float fade = Vary(FadeRate, FadeVariation);
    float sign = 1.0f;
    if (RandomSpinSign)
        sign = RandomFloat() < 0.5f ? -1.0f : 1.0f;
    float angle = RandomAngle ? RandomFloat() * 1024.0f : 0.0f;
    float spin = Vary(Spin, SpinVariation) * sign;
    float size = Vary(Size, SizeVariation);
    if (TrailMode) {
        // Start behind the emitter so that the spell reaches it as it fades
        // away; a rate of 0 or less adds no lead.
        float lead = 0.0f;
        if (fade > 0.0f)
            lead += 1.0f / fade;
        if (FadeOutRate > 0.0f)
            lead += 1.0f / FadeOutRate;
        CVector3 start = point - v * lead;
        spell.Init(Colour, -fade, start.X, start.Y, start.Z, v.X, v.Y, v.Z, size, angle, spin);
    } else {
        spell.Init(Colour, fade, point.X, point.Y, point.Z, v.X, v.Y, v.Z, size, angle, spin);
    }
    spell.PhaseSpeed = FadeOutRate;
    if (FadeOut)
        spell.Phase = 2.0f;
}

int32_t CSpellsParticleSystem::Update(float dt) {
    if (Emitting) {
        float accumulated = 0.0f;
        int32_t n = TakeDueCount(dt, &accumulated);
        CVector3 step;
        if (n > 0) {
            float d = EmissionRate * accumulated;
            if (d > 0.0f)
                step = (Position - PreviousPosition) * (1.0f / d);
        }
        const CVector3 from = PreviousPosition;
        Place(Pool, n, [this, &step, &from](int32_t slot, int32_t k) {
            StartSpell(Pool[static_cast<size_t>(slot)], from + step * static_cast<float>(k + 1));
        });
    }
    return Age(Pool, [dt](CSpell& s) {
        s.Update(dt);
        return s.Finished == 0;
    });
}

void CSpellsParticleSystem::FillBuffers(gpu::Vertex** vertexCursor, uint16_t** indexCursor,
                                        int32_t firstVertex, int32_t firstIndex) {
    CParticleSystem::FillBuffers(vertexCursor, indexCursor, firstVertex, firstIndex);
    if (LiveCount <= 0)
        return;
    const CParticleEnvironment& env = *Environment;
    const CParticleCamera& cam = *env.Camera;
    static const float uv[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
    gpu::Vertex* v = *vertexCursor;
    uint16_t* idx = *indexCursor;
    uint32_t first = static_cast<uint32_t>(firstVertex);
    for (int32_t i = 0; i < UsedSlots && FilledCount < LiveCount; ++i) {
        const CSpell& s = Pool[static_cast<size_t>(i)];
        if (!s.Alive)
            continue;
        float sn, cs;
        env.SinCos(s.Angle, &sn, &cs);
        CVector3 x = cam.Right * (s.Size * cs) + cam.Up * (s.Size * sn);
        CVector3 y = cam.Up * (s.Size * cs) - cam.Right * (s.Size * sn);
        CVector3 c[4];
        c[0] = s.Position - x * 0.5f + y * 0.5f;
        c[1] = c[0] + x;
        c[2] = c[1] - y;
        c[3] = c[2] - x;
        WriteQuad(v, idx, first, c, uv, particles::AlphaColour(s.Alpha, s.Colour));
        ++FilledCount;
    }
    *vertexCursor = v;
    *indexCursor = idx;
}

void CSpellsParticleSystem::Move(float dx, float dy, float dz) {
    CParticleSystem::Move(dx, dy, dz);
    PreviousPosition += CVector3(dx, dy, dz);
    for (int32_t i = 0; i < UsedSlots; ++i)
        if (Pool[static_cast<size_t>(i)].Alive)
            Pool[static_cast<size_t>(i)].Move(dx, dy, dz);
}

void CSpellsParticleSystem::SetPosition(float x, float y, float z) {
    PreviousPosition = Position;
    Position = {x, y, z};
}
