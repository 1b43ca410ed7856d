#include "effects/ParticleSystem.h"

#include <cmath>

#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"

CParticleSystem::CParticleSystem(CSharedPtr<CRenderDevice> device, int32_t capacity,
                                 CSharedPtr<CTexture> texture,
                                 CSharedPtr<CVertexBuffer> vertexBuffer,
                                 CSharedPtr<CIndexBuffer> indexBuffer,
                                 CSharedPtr<CParticleEnvironment> environment)
    : Capacity(capacity > 0 ? capacity : 0), Environment(environment), Device(device),
      Texture(texture), VertexBuffer(vertexBuffer), IndexBuffer(indexBuffer) {
    // A system made without an environment still needs tables and bounds.
    if (Environment.IsNull())
        Environment = CSharedPtr<CParticleEnvironment>(new CParticleEnvironment());
}

CParticleSystem::~CParticleSystem() = default;

int32_t CParticleSystem::Update(float) { return 0; }

void CParticleSystem::FillBuffers(gpu::Vertex**, uint16_t**, int32_t firstVertex,
                                  int32_t firstIndex) {
    FirstVertex = firstVertex;
    FirstIndex = firstIndex;
    FilledCount = 0;
}

void CParticleSystem::Render() {
    if (FilledCount <= 0 || Device.IsNull())
        return;
    Device->DrawIndexedPrimitive(gpu::Prim::TriangleList, static_cast<uint32_t>(FirstVertex),
                                 static_cast<uint32_t>(4 * FilledCount),
                                 static_cast<uint32_t>(FirstIndex),
                                 static_cast<uint32_t>(2 * FilledCount));
}

void CParticleSystem::GetBufferNeeds(int32_t* vertices, int32_t* indices) const {
    *vertices = 4 * LiveCount;
    *indices = 6 * LiveCount;
}

void CParticleSystem::Stop() { Stopped = 1; }

void CParticleSystem::EndEmission() { EmissionDuration = ElapsedTime; }

void CParticleSystem::Move(float dx, float dy, float dz) { Position += CVector3(dx, dy, dz); }

void CParticleSystem::SetPosition(float x, float y, float z) { Position = {x, y, z}; }

void CParticleSystem::Reaim(float, float, float, float, float, float, float, float, float, float,
                            float, float, float, float) {}

int32_t CParticleSystem::TakeDueCount(float& dt, float* accumulated) {
    if (Timed) {
        ElapsedTime += dt;
        if (EmissionDuration <= ElapsedTime) {
            // The emission ended inside this step: only its first part counts.
            Emitting = 0;
            dt -= ElapsedTime - EmissionDuration;
            if (dt < 0.0f)
                dt = 0.0f;
        }
    }
    if (!(EmissionRate > 0.0f) || !std::isfinite(EmissionRate)) {
        // Nothing can ever be due; a count-limited emission could never end.
        if (!Timed)
            Emitting = 0;
        if (accumulated)
            *accumulated = 0.0f;
        return 0;
    }
    Accumulator += dt;
    if (accumulated)
        *accumulated = Accumulator;
    double due = std::floor(static_cast<double>(Accumulator) * EmissionRate);
    if (!(due > 0.0))
        due = 0.0;
    if (due > 1.0e9)
        due = 1.0e9;
    Accumulator -= static_cast<float>(due / EmissionRate);
    int32_t n = static_cast<int32_t>(due);
    if (!Timed) {
        if (RemainingCount < n) {
            Emitting = 0;
            n = RemainingCount > 0 ? RemainingCount : 0;
        }
        RemainingCount -= n;
    }
    return n;
}

void CParticleSystem::WriteQuad(gpu::Vertex*& v, uint16_t*& idx, uint32_t& first,
                                const CVector3 c[4], const float uv[4][2], uint32_t colour) {
    for (int k = 0; k < 4; ++k) {
        v->x = c[k].X;
        v->y = c[k].Y;
        v->z = c[k].Z;
        v->diffuse = colour;
        v->u0 = uv[k][0];
        v->v0 = uv[k][1];
        v->u1 = uv[k][0];
        v->v1 = uv[k][1];
        ++v;
    }
    idx[0] = static_cast<uint16_t>(first);
    idx[1] = static_cast<uint16_t>(first + 1);
    idx[2] = static_cast<uint16_t>(first + 2);
    idx[3] = static_cast<uint16_t>(first);
    idx[4] = static_cast<uint16_t>(first + 2);
    idx[5] = static_cast<uint16_t>(first + 3);
    idx += 6;
    first += 4;
}

void CParticleSystem::WriteAtlasSquare(gpu::Vertex*& v, uint16_t*& idx, uint32_t& first,
                                       const CVector3& position, float size, float angle,
                                       float frame, uint32_t colour) const {
    const CParticleEnvironment& env = *Environment;
    const CParticleCamera& cam = *env.Camera;
    float s, c, u, w;
    env.SinCos(angle, &s, &c);
    env.AtlasFrame(frame, &u, &w);
    CVector3 x = cam.Up * (size * s) + cam.Right * (size * c);
    CVector3 y = cam.Up * (size * c) - cam.Right * (size * s);
    CVector3 corners[4];
    corners[0] = position - x * 0.5f + y * 0.5f;
    corners[1] = corners[0] + x;
    corners[2] = corners[1] - y;
    corners[3] = corners[2] - x;
    const float uv[4][2] = {{u, w}, {u + 0.25f, w}, {u + 0.25f, w + 0.25f}, {u, w + 0.25f}};
    WriteQuad(v, idx, first, corners, uv, colour);
}
