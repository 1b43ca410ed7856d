#pragma once
// One burst of fireballs thrown from a ball about the centre, in all
// directions or in a disc across a direction. Additive.
#include <vector>

#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/Particles.h"

class CExplosionParticleSystem : public CParticleSystem {
public:
    CExplosionParticleSystem(CSharedPtr<CRenderDevice> device, int32_t capacity,
                             CSharedPtr<CTexture> texture, CSharedPtr<CVertexBuffer> vertexBuffer,
                             CSharedPtr<CIndexBuffer> indexBuffer,
                             CSharedPtr<CParticleEnvironment> environment,
                             const CExplosionParametres& params);

    int32_t Update(float dt) override;
    void FillBuffers(gpu::Vertex** vertexCursor, uint16_t** indexCursor, int32_t firstVertex,
                     int32_t firstIndex) override;
    void Move(float dx, float dy, float dz) override;

    std::vector<CFireball> Pool;
    int32_t Mode;
    CVector3 Velocity;
    CVector3 Direction;
    float StartRadius;
    uint32_t Colour;
    float Speed, SpeedVariation;
    float Spread;
    float Size, SizeVariation;
    float Growth, GrowthVariation, GrowthChange;
    float FadeRate, FadeVariation;
    int32_t BurstCount;
    CVector3 DiscAxis1, DiscAxis2;  // across the direction (disc mode)
};
