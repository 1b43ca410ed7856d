#pragma once
// Sparks that fly under gravity, drawn as streaks stretched along their
// velocity; bursts of the backdrops, bonuses and totems. Additive.
#include <vector>

#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/Particles.h"

class CSparksParticleSystem : public CParticleSystem {
public:
    CSparksParticleSystem(CSharedPtr<CRenderDevice> device, int32_t capacity,
                          CSharedPtr<CTexture> texture, CSharedPtr<CVertexBuffer> vertexBuffer,
                          CSharedPtr<CIndexBuffer> indexBuffer,
                          CSharedPtr<CParticleEnvironment> environment,
                          const CSparksSpringParametres& params);

    int32_t Update(float dt) override;
    void FillBuffers(gpu::Vertex** vertexCursor, uint16_t** indexCursor, int32_t firstVertex,
                     int32_t firstIndex) override;
    void Move(float dx, float dy, float dz) override;

    std::vector<CSpark> Pool;
    CVector3 Velocity;
    uint32_t Colour;
    float SpreadWidth, SpreadHeight;
    float Size, LengthFactor, MaxLength, FadeRate;
    CVector3 SpreadAxis1;  // along the spread direction, half the spread width long
    CVector3 SpreadAxis2;  // across it, half the spread height long
    int32_t SphereMode;
    float GravityFactor = 1.0f;

private:
    void StartSpark(CSpark& spark);
};
