#pragma once
// The base of the particle-system kinds. A system owns a fixed pool of particle
// records (allocated once, never grown), emits into it at a rate for a time or
// up to a count, ages the live particles, and writes one quad (4 vertices, 6
// indices) per live particle into the shared buffers of its manager, drawn by
// one indexed triangle-list call.
//
// Systems are made only by CParticleSystemsManager; callers keep the returned
// handle to move, re-aim or stop the system, or drop it: the manager keeps the
// system until it has finished.
#include <cmath>
#include <cstdint>
#include <vector>

#include "effects/ParticleEnvironment.h"
#include "engine/SharedPtr.h"
#include "engine/Vector3.h"
#include "platform/gpu/Gpu.h"

class CRenderDevice;
class CTexture;
class CVertexBuffer;
class CIndexBuffer;

class CParticleSystem {
public:
    CParticleSystem(CSharedPtr<CRenderDevice> device, int32_t capacity,
                    CSharedPtr<CTexture> texture, CSharedPtr<CVertexBuffer> vertexBuffer,
                    CSharedPtr<CIndexBuffer> indexBuffer,
                    CSharedPtr<CParticleEnvironment> environment);
    virtual ~CParticleSystem();
    CParticleSystem(const CParticleSystem&) = delete;
    CParticleSystem& operator=(const CParticleSystem&) = delete;

    // Emits and advances the particles; non-zero while the system emits or any
    // particle lives. The base has nothing to do and returns 0.
    virtual int32_t Update(float dt);
    // Writes 4 vertices and 6 indices per live particle at the cursors and
    // advances them; firstVertex is the buffer index of the first vertex
    // written, firstIndex that of the first index. Remembered for Render.
    virtual void FillBuffers(gpu::Vertex** vertexCursor, uint16_t** indexCursor,
                             int32_t firstVertex, int32_t firstIndex);
    // One indexed triangle-list draw of what FillBuffers wrote.
    virtual void Render();
    // 4 and 6 per live particle (as of the last Update).
    virtual void GetBufferNeeds(int32_t* vertices, int32_t* indices) const;
    // The manager drops the system at its next Update, live particles included.
    virtual void Stop();
    // A timed emission ends at the next Update; live particles finish their
    // lives. No effect on a count-limited emission.
    virtual void EndEmission();
    // Moves the emitter and every live particle by the offset.
    virtual void Move(float dx, float dy, float dz);
    // Moves the emitter to a new point (trail kinds remember the old one as
    // the previous position, from which the next particles are spaced).
    virtual void SetPosition(float x, float y, float z);
    // Re-aims a thunderbolt (start point, start spread axis 1 and its length,
    // end point, end spread axis 1 and its length) and rebuilds it at once
    // without advancing its clock. Other kinds ignore it.
    virtual void Reaim(float sx, float sy, float sz, float s1x, float s1y, float s1z,
                       float length1, float ex, float ey, float ez, float e1x, float e1y,
                       float e1z, float length3);

    int32_t Serial = 0;
    CVector3 Position;
    int32_t Capacity = 0;
    int32_t UsedSlots = 0;  // one past the highest slot that may hold a live particle
    int32_t Emitting = 1;
    CSharedPtr<CParticleEnvironment> Environment;
    int32_t Timed = 1;
    float EmissionDuration = 0.0f;
    int32_t ParticleCount = 0;
    float EmissionRate = 0.0f;
    float ElapsedTime = 0.0f;
    int32_t RemainingCount = 0;
    float Accumulator = 0.0f;
    int32_t LiveCount = 0;
    int32_t FirstVertex = 0;
    int32_t FirstIndex = 0;
    // Quads the last FillBuffers wrote (what Render draws).
    int32_t FilledCount = 0;
    int32_t Stopped = 0;
    CSharedPtr<CRenderDevice> Device;
    CSharedPtr<CTexture> Texture;
    CSharedPtr<CVertexBuffer> VertexBuffer;
    CSharedPtr<CIndexBuffer> IndexBuffer;
    int32_t AlphaTest = 1;
    uint32_t SrcBlend = gpu::Blend::SrcAlpha;
    uint32_t DestBlend = gpu::Blend::One;

protected:
    // Steps of the shared emission loop, for the kinds that emit at a rate.
    //
    // Advances the emission clock (a timed emission that ends this frame
    // shortens dt by the overshoot) and returns how many particles are due;
    // a rate of 0 or less makes none due (and ends a count-limited
    // emission). Not clamped to the capacity. `accumulated` receives the
    // accumulator before the due particles were taken out of it.
    int32_t TakeDueCount(float& dt, float* accumulated = nullptr);
    // Starts n particles: each in the next free slot from 0 upwards, the ones
    // that find none in slots 0, 1, 2, ... over live particles. start(slot, k)
    // initialises the particle in `slot` as the k-th (0-based) of the frame.
    template <class Record, class Start>
    void Place(std::vector<Record>& pool, int32_t n, Start start);
    // Ages the live particles: advance(record) moves one and returns true
    // while it stays alive (the bounds are tested here). Sets LiveCount and
    // returns the Update result.
    template <class Record, class Advance>
    int32_t Age(std::vector<Record>& pool, Advance advance);
    // Clears the alive flag of slot i and lowers UsedSlots past dead slots.
    template <class Record> void Kill(std::vector<Record>& pool, int32_t i);

    // The four corners and indices of one particle quad.
    static void WriteQuad(gpu::Vertex*& v, uint16_t*& idx, uint32_t& first, const CVector3 c[4],
                          const float uv[4][2], uint32_t colour);
    // A camera-facing square of side `size` turned by `angle`, textured with
    // the atlas cell of `frame` (smokes and fireballs).
    void WriteAtlasSquare(gpu::Vertex*& v, uint16_t*& idx, uint32_t& first,
                          const CVector3& position, float size, float angle, float frame,
                          uint32_t colour) const;
};

template <class Record, class Start>
void CParticleSystem::Place(std::vector<Record>& pool, int32_t n, Start start) {
    if (n <= 0)
        return;
    if (n > Capacity)
        n = Capacity;
    int32_t slot = 0;
    int32_t placed = 0;
    int32_t last = -1;
    for (; placed < n; ++placed) {
        while (slot < Capacity && pool[static_cast<size_t>(slot)].Alive)
            ++slot;
        if (slot >= Capacity)
            break;
        start(slot, placed);
        last = slot;
        ++slot;
    }
    if (last + 1 > UsedSlots)
        UsedSlots = last + 1;
    // No room left: the rest replace the particles in the lowest slots.
    for (int32_t k = 0; placed < n; ++placed, ++k) {
        start(k, placed);
        if (k + 1 > UsedSlots)
            UsedSlots = k + 1;
    }
    if (UsedSlots > Capacity)
        UsedSlots = Capacity;
    // A start that left its slot free (a keeper that refused) must not keep
    // the slot counted.
    while (UsedSlots > 0 && !pool[static_cast<size_t>(UsedSlots - 1)].Alive)
        --UsedSlots;
}

template <class Record> void CParticleSystem::Kill(std::vector<Record>& pool, int32_t i) {
    pool[static_cast<size_t>(i)].Alive = 0;
    if (i == UsedSlots - 1) {
        while (UsedSlots > 0 && !pool[static_cast<size_t>(UsedSlots - 1)].Alive)
            --UsedSlots;
    }
}

template <class Record, class Advance>
int32_t CParticleSystem::Age(std::vector<Record>& pool, Advance advance) {
    LiveCount = 0;
    int32_t result = Emitting;
    const CParticleEnvironment& env = *Environment;
    for (int32_t i = 0; i < UsedSlots; ++i) {
        Record& p = pool[static_cast<size_t>(i)];
        if (!p.Alive)
            continue;
        if (!advance(p) || !env.IsInside(p.Position)) {
            Kill(pool, i);
            continue;
        }
        ++LiveCount;
        result = 1;
    }
    return result;
}
