#pragma once
// A short-lived glowing 2D quad: a textured, coloured rectangle that fades in,
// holds, fades out and dies, flickering on the way, and may spin and grow or
// shrink. Callers create one, set its life fields directly and hand it to a
// CQuadLayer, which drives and draws it from then on.
#include <cstdint>

#include "engine/SharedPtr.h"
#include "engine/Vector3.h"
#include "platform/gpu/Gpu.h"

class CTexture;

class CQuad {
public:
    // The colour's alpha byte is dropped: a quad's alpha is its intensity.
    CQuad(float x, float y, float z, CSharedPtr<CTexture> texture, uint32_t colour);
    ~CQuad();
    CQuad(const CQuad&) = delete;
    CQuad& operator=(const CQuad&) = delete;

    void SetScale(float width, float height);
    // Both axes are normalised (a zero axis becomes (0, 1, 0)); the edges follow.
    void SetAxes(float ax, float ay, float az, float bx, float by, float bz);
    void SetTexRect(float u0, float v0, float u1, float v1);
    // The quad turns from axis 1 towards axis 2 at `speed` radians per second.
    void StartRotation(float angle, float speed, float a1x, float a1y, float a1z, float a2x,
                       float a2y, float a2z);
    // The size runs from its present value towards `target` times it.
    void StartScale(float target, float speed);
    // Ends the hold now; a quad still fading in fades out from where it got to.
    void BeginFadeOut();

    // One frame; false once the quad's life (hold end + fade-out) is over.
    bool Update(float dt);
    // Four vertices: top-left, top-right, bottom-right, bottom-left.
    void WriteVertices(gpu::Vertex* out) const;

    float Life() const { return HoldEnd + FadeOutTime; }

    int32_t Id = 0;
    CVector3 Position;
    CVector3 AxisA{1.0f, 0.0f, 0.0f};
    CVector3 AxisB{0.0f, 1.0f, 0.0f};
    CVector3 EdgeA;
    CVector3 EdgeB;
    float TexCorners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    float Width = 0.08f;
    float Height = 0.08f;
    uint32_t Colour = 0;  // RGB, top byte zero
    CSharedPtr<CTexture> Texture;

    float FadeInTime = 0.1f;
    float FadeOutTime = 0.2f;
    float HoldEnd = 2.0f;
    float FlickerAmplitude = 0.4f;
    float FlickerPeriod = 0.05f;
    float Intensity = 0.0f;
    float FlickerStartDip = 0.0f;
    float FlickerTargetDip = 0.0f;
    float FlickerDipChange = 0.0f;
    float LastFlickerTime = 0.0f;
    float Age = 0.0f;
    float StartDelay = 0.0f;

    int32_t RotationOn = 0;
    float Angle = 0.0f;
    float AngularSpeed = 0.0f;
    CVector3 RotationAxis1{1.0f, 0.0f, 0.0f};
    CVector3 RotationAxis2{0.0f, 1.0f, 0.0f};

    int32_t ScaleOn = 0;
    float BaseWidth = 0.0f;
    float BaseHeight = 0.0f;
    float ScaleFactor = 1.0f;
    float TargetFactor = 1.0f;
    float FactorSpeed = 0.0f;

    float AlphaMultiplier = 1.0f;
};
