#pragma once
// Flickering lightning bolts between two spread points, each a chain of
// segments whose inner joints jump about; lives for its emission duration
// after an optional start delay. Additive.
#include <vector>

#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/Particles.h"

class CThunderboltParticleSystem : public CParticleSystem {
public:
    CThunderboltParticleSystem(CSharedPtr<CRenderDevice> device, int32_t capacity,
                               CSharedPtr<CTexture> texture,
                               CSharedPtr<CVertexBuffer> vertexBuffer,
                               CSharedPtr<CIndexBuffer> indexBuffer,
                               CSharedPtr<CParticleEnvironment> environment,
                               const CThunderboltParametres& params);

    int32_t Update(float dt) override;
    void FillBuffers(gpu::Vertex** vertexCursor, uint16_t** indexCursor, int32_t firstVertex,
                     int32_t firstIndex) override;
    void Move(float dx, float dy, float dz) override;
    void Reaim(float sx, float sy, float sz, float s1x, float s1y, float s1z, float length1,
               float ex, float ey, float ez, float e1x, float e1y, float e1z,
               float length3) override;

    std::vector<CThunderbolt> Pool;  // (Segments + 1) joints per bolt, bolt after bolt
    float StartJitter;
    CVector3 End;
    float EndJitter;
    uint32_t Colour;
    float Size;
    int32_t Segments;  // at least 1
    int32_t Bolts;     // the bolts that fit the capacity
    float StartDelay;
    // Raw spread directions and their lengths; the axes are the normalised
    // directions times the lengths.
    CVector3 StartDirection1, StartDirection2, EndDirection1, EndDirection2;
    float Length1, Length2, Length3, Length4;
    CVector3 StartAxis1, StartAxis2, EndAxis1, EndAxis2;

private:
    // Lays every bolt's joints along a freshly spread start and end.
    void Layout(float dt, bool first);
};
