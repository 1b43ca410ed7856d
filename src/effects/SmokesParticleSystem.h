#pragma once
// Smoke puffs that drift, rise, grow, turn and fade, drawn as rotated squares
// cut from a 4 by 4 atlas; either a cloud about the emitter or (trail mode) a
// trail spaced along the emitter's way from its previous position.
#include <vector>

#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/Particles.h"

class CSmokesParticleSystem : public CParticleSystem {
public:
    CSmokesParticleSystem(CSharedPtr<CRenderDevice> device, int32_t capacity,
                          CSharedPtr<CTexture> texture, CSharedPtr<CVertexBuffer> vertexBuffer,
                          CSharedPtr<CIndexBuffer> indexBuffer,
                          CSharedPtr<CParticleEnvironment> environment,
                          const CSmokesSpringParametres& params);

    int32_t Update(float dt) override;
    void FillBuffers(gpu::Vertex** vertexCursor, uint16_t** indexCursor, int32_t firstVertex,
                     int32_t firstIndex) override;
    void Move(float dx, float dy, float dz) override;
    void SetPosition(float x, float y, float z) override;

    bool IsTrail() const { return (Mode & CSmokesSpringParametres::kTrail) != 0; }
    uint32_t BlendKind() const { return Mode & CSmokesSpringParametres::kBlendMask; }

    std::vector<CSmoke> Pool;
    uint32_t Mode;
    CVector3 Velocity;
    CVector3 PreviousPosition;
    float PositionSpread1, PositionSpread2, VelocitySpread1, VelocitySpread2;
    uint32_t Colour;
    float Speed, SpeedVariation;
    float Lift, LiftVariation;
    float Size, SizeVariation;
    float Growth, GrowthVariation;
    float GrowthChange;
    float FadeOutRate, FadeOutVariation;
    float FadeInRate;
    // Spread axes of the start point and of the velocity (cloud mode).
    CVector3 PositionAxis1, PositionAxis2, VelocityAxis1, VelocityAxis2;
    float StartAlpha = 1.0f;

private:
    void StartSmoke(CSmoke& smoke, const CVector3& trailPoint);
};
