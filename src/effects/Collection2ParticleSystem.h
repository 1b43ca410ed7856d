#pragma once
// The particle system driven by an effect keeper (CCollection2Keeper): the
// system owns the pool of CCollectedParticle2 records, the blending and the
// drawing; the keeper says when to emit, starts each particle and moves it.
// Without a keeper, or with the keeper emission flag clear, the system emits a
// prepared list of particles once. Neither gravity nor the environment's
// bounds apply to this kind.
#include <vector>

#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/Particles.h"

class CCollection2ParticleSystem : public CParticleSystem {
public:
    CCollection2ParticleSystem(CSharedPtr<CRenderDevice> device, int32_t capacity,
                               CSharedPtr<CTexture> texture,
                               CSharedPtr<CVertexBuffer> vertexBuffer,
                               CSharedPtr<CIndexBuffer> indexBuffer,
                               CSharedPtr<CParticleEnvironment> environment,
                               const CCollection2Parametres& params);
    ~CCollection2ParticleSystem() override;

    int32_t Update(float dt) override;
    void FillBuffers(gpu::Vertex** vertexCursor, uint16_t** indexCursor, int32_t firstVertex,
                     int32_t firstIndex) override;
    // Moves the emitter and the live particles, not the keeper.
    void Move(float dx, float dy, float dz) override;

    std::vector<CCollectedParticle2> Pool;
    int32_t BlendMode;
    int32_t KeeperEmission;
    std::vector<CCollectedParticle2> InitialList;
    CSharedPtr<CCollection2Keeper> Keeper;
    float AlphaScale;
};
