#include "effects/ThunderboltParticleSystem.h"

#include "effects/ParticleMath.h"

using particles::Cross;
using particles::NormalisedOr;

namespace {
const CVector3 kUp{0.0f, 1.0f, 0.0f};
}

CThunderboltParticleSystem::CThunderboltParticleSystem(
    CSharedPtr<CRenderDevice> device, int32_t capacity, CSharedPtr<CTexture> texture,
    CSharedPtr<CVertexBuffer> vertexBuffer, CSharedPtr<CIndexBuffer> indexBuffer,
    CSharedPtr<CParticleEnvironment> environment, const CThunderboltParametres& p)
    : CParticleSystem(device, capacity, texture, vertexBuffer, indexBuffer, environment),
      StartJitter(p.StartJitter), End(p.End), EndJitter(p.EndJitter),
      Colour(p.Colour & 0x00FFFFFFu), Size(p.Size), StartDelay(p.StartDelay),
      StartDirection1(p.StartAxis1), StartDirection2(p.StartAxis2), EndDirection1(p.EndAxis1),
      EndDirection2(p.EndAxis2), Length1(p.Length1), Length2(p.Length2), Length3(p.Length3),
      Length4(p.Length4) {
    Pool.resize(static_cast<size_t>(Capacity));
    Position = p.Position;
    EmissionDuration = p.EmissionDuration;
    // A bolt needs at least one segment, and only whole bolts that fit the
    // pool are drawn: the others are dropped.
    Segments = p.Segments > 0 ? p.Segments : 1;
    int64_t fit = static_cast<int64_t>(Capacity) / (static_cast<int64_t>(Segments) + 1);
    Bolts = p.Bolts > 0 ? p.Bolts : 0;
    if (Bolts > fit)
        Bolts = static_cast<int32_t>(fit);
    StartAxis1 = NormalisedOr(StartDirection1, kUp) * Length1;
    StartAxis2 = NormalisedOr(StartDirection2, kUp) * Length2;
    EndAxis1 = NormalisedOr(EndDirection1, kUp) * Length3;
    EndAxis2 = NormalisedOr(EndDirection2, kUp) * Length4;
    AlphaTest = 1;
    SrcBlend = gpu::Blend::SrcAlpha;
    DestBlend = gpu::Blend::One;
}

void CThunderboltParticleSystem::Layout(float dt, bool first) {
    const int32_t joints = Segments + 1;
    const float n = static_cast<float>(Segments);
    for (int32_t b = 0; b < Bolts; ++b) {
        CVector3 start = Position + StartAxis1 * (RandomFloat() - 0.5f) +
                         StartAxis2 * (RandomFloat() - 0.5f);
        CVector3 end =
            End + EndAxis1 * (RandomFloat() - 0.5f) + EndAxis2 * (RandomFloat() - 0.5f);
        for (int32_t k = 0; k <= Segments; ++k) {
            CThunderbolt& j = Pool[static_cast<size_t>(b * joints + k)];
            float t = static_cast<float>(k) / n;
            CVector3 point = start + (end - start) * t;
            float jitter = StartJitter + t * (EndJitter - StartJitter);
            if (first)
                j.Init(Colour, point.X, point.Y, point.Z, jitter, Size);
            j.Position = point;
            j.Jitter = jitter;
            if (k == 0 || k == Segments) {
                // The ends stay pinned to their points.
                j.Second = point;
                j.NewBrightness();
            } else {
                j.Update(dt);
            }
        }
    }
}

int32_t CThunderboltParticleSystem::Update(float dt) {
    ElapsedTime += dt;
    if (ElapsedTime < StartDelay) {
        LiveCount = 0;
        return 1;
    }
    bool first = Emitting != 0;
    if (first) {
        UsedSlots = Bolts * (Segments + 1);
        Emitting = 0;
    }
    Layout(dt, first);
    LiveCount = Segments * Bolts;
    return EmissionDuration <= ElapsedTime ? 0 : 1;
}

void CThunderboltParticleSystem::FillBuffers(gpu::Vertex** vertexCursor, uint16_t** indexCursor,
                                             int32_t firstVertex, int32_t firstIndex) {
    CParticleSystem::FillBuffers(vertexCursor, indexCursor, firstVertex, firstIndex);
    if (LiveCount <= 0)
        return;
    const CVector3 view = Environment->Camera->View;
    static const float uv[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
    gpu::Vertex* v = *vertexCursor;
    uint16_t* idx = *indexCursor;
    uint32_t first = static_cast<uint32_t>(firstVertex);
    const int32_t joints = Segments + 1;
    for (int32_t b = 0; b < Bolts && FilledCount < LiveCount; ++b) {
        for (int32_t j = 0; j < Segments && FilledCount < LiveCount; ++j) {
            const CThunderbolt& a = Pool[static_cast<size_t>(b * joints + j)];
            const CThunderbolt& c = Pool[static_cast<size_t>(b * joints + j + 1)];
            CVector3 segment = c.Second - a.Second;
            CVector3 half = NormalisedOr(Cross(segment, view), kUp) * (Size * 0.5f);
            CVector3 corners[4] = {a.Second - half, a.Second + half, c.Second + half,
                                   c.Second - half};
            WriteQuad(v, idx, first, corners, uv, particles::AlphaColour(a.Brightness, Colour));
            ++FilledCount;
        }
    }
    *vertexCursor = v;
    *indexCursor = idx;
}

void CThunderboltParticleSystem::Move(float dx, float dy, float dz) {
    CParticleSystem::Move(dx, dy, dz);
    End += CVector3(dx, dy, dz);
    for (int32_t i = 0; i < UsedSlots; ++i)
        if (Pool[static_cast<size_t>(i)].Alive)
            Pool[static_cast<size_t>(i)].Move(dx, dy, dz);
}

void CThunderboltParticleSystem::Reaim(float sx, float sy, float sz, float s1x, float s1y,
                                       float s1z, float length1, float ex, float ey, float ez,
                                       float e1x, float e1y, float e1z, float length3) {
    Position = {sx, sy, sz};
    End = {ex, ey, ez};
    StartDirection1 = {s1x, s1y, s1z};
    EndDirection1 = {e1x, e1y, e1z};
    Length1 = length1;
    Length3 = length3;
    StartAxis1 = NormalisedOr(StartDirection1, kUp) * Length1;
    EndAxis1 = NormalisedOr(EndDirection1, kUp) * Length3;
    // A full second makes every inner joint jump; the clock ends where it was.
    ElapsedTime -= 1.0f;
    Update(1.0f);
}
