#pragma once
// Glittering spells that fade in and out, spaced along the path of a moving
// emitter; optionally laid as a trail that fades in behind the emitter.
// Additive.
#include <vector>

#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/Particles.h"

class CSpellsParticleSystem : public CParticleSystem {
public:
    CSpellsParticleSystem(CSharedPtr<CRenderDevice> device, int32_t capacity,
                          CSharedPtr<CTexture> texture, CSharedPtr<CVertexBuffer> vertexBuffer,
                          CSharedPtr<CIndexBuffer> indexBuffer,
                          CSharedPtr<CParticleEnvironment> environment,
                          const CSpellsSpringParametres& params);

    int32_t Update(float dt) override;
    void FillBuffers(gpu::Vertex** vertexCursor, uint16_t** indexCursor, int32_t firstVertex,
                     int32_t firstIndex) override;
    void Move(float dx, float dy, float dz) override;
    void SetPosition(float x, float y, float z) override;

    std::vector<CSpell> Pool;
    CVector3 Velocity;
    CVector3 PreviousPosition;
    uint32_t Colour;
    float Speed, SpeedVariation;
    float Size, SizeVariation;
    float FadeRate, FadeVariation;
    int32_t TrailMode;
    int32_t RandomAngle;
    int32_t RandomSpinSign;
    float Spin, SpinVariation;
    int32_t FadeOut;
    float FadeOutRate;

private:
    void StartSpell(CSpell& spell, const CVector3& point);
};
