#include "engine/Quad.h"

#include <cmath>

#include "engine/Random.h"
#include "engine/Texture.h"

namespace {

constexpr float kTwoPi = 6.2831855f;

} // namespace

CQuad::CQuad(float x, float y, float z, CSharedPtr<CTexture> texture, uint32_t colour)
    : Position(x, y, z), Colour(colour & 0x00FFFFFFu), Texture(texture) {
    EdgeA = AxisA * Width;
    EdgeB = AxisB * Height;
}

CQuad::~CQuad() = default;

void CQuad::SetScale(float width, float height) {
    Width = width;
    Height = height;
    EdgeA = AxisA * width;
    EdgeB = AxisB * height;
}

void CQuad::SetAxes(float ax, float ay, float az, float bx, float by, float bz) {
    AxisA = CVector3(ax, ay, az).NormalisedOrUp();
    AxisB = CVector3(bx, by, bz).NormalisedOrUp();
    EdgeA = AxisA * Width;
    EdgeB = AxisB * Height;
}

void CQuad::SetTexRect(float u0, float v0, float u1, float v1) {
    TexCorners[0][0] = u0;
    TexCorners[0][1] = v0;
    TexCorners[1][0] = u1;
    TexCorners[1][1] = v0;
    TexCorners[2][0] = u1;
    TexCorners[2][1] = v1;
    TexCorners[3][0] = u0;
    TexCorners[3][1] = v1;
}

void CQuad::StartRotation(float angle, float speed, float a1x, float a1y, float a1z, float a2x,
                          float a2y, float a2z) {
    RotationOn = 1;
    Angle = angle;
    AngularSpeed = speed;
    RotationAxis1 = CVector3(a1x, a1y, a1z).NormalisedOrUp();
    RotationAxis2 = CVector3(a2x, a2y, a2z).NormalisedOrUp();
}

void CQuad::StartScale(float target, float speed) {
    ScaleOn = 1;
    BaseWidth = Width;
    BaseHeight = Height;
    ScaleFactor = 1.0f;
    TargetFactor = target;
    FactorSpeed = speed;
}

void CQuad::BeginFadeOut() {
    if (Age >= HoldEnd)
        return;
    float e = Age - StartDelay;
    if (e >= FadeInTime) {
        HoldEnd = Age;
        return;
    }
    // Still fading in: start the fade-out at the intensity reached so far.
    float reached = FadeInTime > 0.0f ? e / FadeInTime : 0.0f;
    HoldEnd = Age - (1.0f - reached) * FadeOutTime;
    FadeInTime = 0.0f;
}

bool CQuad::Update(float dt) {
    Age += dt;
    const float end = HoldEnd + FadeOutTime;
    bool alive = true;
    if (Age >= end) {
        alive = false;
        dt -= Age - end;  // spin and scale only up to the end of life
    }

    const float e = Age - StartDelay;
    if (e < FadeInTime)
        Intensity = FadeInTime > 0.0f ? e / FadeInTime : 0.0f;
    else if (Age <= HoldEnd)
        Intensity = 1.0f;
    else
        Intensity = FadeOutTime > 0.0f ? (end - Age) / FadeOutTime : 0.0f;

    if (FlickerPeriod > 0.0f) {
        float t = Age - LastFlickerTime;
        if (t >= FlickerPeriod) {
            if (t - FlickerPeriod < FlickerPeriod) {
                LastFlickerTime += FlickerPeriod;
                FlickerStartDip = FlickerTargetDip;
            } else {
                // A long frame: restart on the period grid.
                LastFlickerTime = std::floor(Age / FlickerPeriod) * FlickerPeriod;
                FlickerStartDip = RandomFloat() * FlickerAmplitude;
            }
            FlickerTargetDip = RandomFloat() * FlickerAmplitude;
            FlickerDipChange = FlickerTargetDip - FlickerStartDip;
            t = std::fmod(Age, FlickerPeriod);
        }
        Intensity -= FlickerStartDip + FlickerDipChange * t / FlickerPeriod;
    }
    if (Intensity < 0.0f)
        Intensity = 0.0f;

    if (RotationOn) {
        Angle += AngularSpeed * dt;
        if (Angle >= kTwoPi)
            Angle -= kTwoPi;
        if (Angle < 0.0f)
            Angle += kTwoPi;
        const float c = std::cos(Angle), s = std::sin(Angle);
        EdgeA = (RotationAxis1 * c + RotationAxis2 * s) * Width;
        EdgeB = (RotationAxis2 * c - RotationAxis1 * s) * Height;
        float la = EdgeA.Length(), lb = EdgeB.Length();
        if (la > 0.0f)
            AxisA = EdgeA * (1.0f / la);
        if (lb > 0.0f)
            AxisB = EdgeB * (1.0f / lb);
    }

    if (ScaleOn && e > 0.0f) {
        ScaleFactor += FactorSpeed * dt;
        bool goesOn = FactorSpeed < 0.0f ? TargetFactor < ScaleFactor : TargetFactor > ScaleFactor;
        if (!goesOn) {
            ScaleOn = 0;
            ScaleFactor = TargetFactor;
        }
        SetScale(BaseWidth * ScaleFactor, BaseHeight * ScaleFactor);
    }
    return alive;
}

void CQuad::WriteVertices(gpu::Vertex* out) const {
    float a = std::floor(Intensity * 255.0f * AlphaMultiplier);
    a = a < 0.0f ? 0.0f : (a > 255.0f ? 255.0f : a);
    const uint32_t colour = static_cast<uint32_t>(a) << 24 | Colour;
    const CVector3 halfA = EdgeA * 0.5f, halfB = EdgeB * 0.5f;
    CVector3 p[4];
    p[0] = Position - halfA + halfB;
    p[1] = p[0] + EdgeA;
    p[2] = p[1] - EdgeB;
    p[3] = p[2] - EdgeA;
    for (int i = 0; i < 4; ++i)
        out[i] = gpu::Vertex{p[i].X, p[i].Y, Position.Z, colour, TexCorners[i][0],
                             TexCorners[i][1], 0.0f, 0.0f};
}
