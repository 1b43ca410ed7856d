#pragma once
// The particle records of every particle-system kind. A record carries its own
// state and knows how to start (Init) and how to move for one frame (Update);
// the systems decide emission, death and drawing. Records live in fixed pools:
// a default-constructed record is a free slot (Alive 0).
//
// Angles are in 1024ths of a turn (the environment's table unit), atlas frames
// are 0..15 of a 4 by 4 atlas, colours keep only their red, green and blue bytes.
#include <cstdint>

#include "engine/Vector3.h"

class CParticleEnvironment;

class CParticle {
public:
    CParticle() = default;
    virtual ~CParticle() = default;
    CParticle(const CParticle&) = default;
    CParticle& operator=(const CParticle&) = default;

    virtual void Move(float dx, float dy, float dz);

    CVector3 Position;
    CVector3 Velocity;
    float Size = 0.0f;
    uint32_t Word = 0;  // spare; no system reads it
    int32_t Alive = 0;
};

// Keeps an angle in 0..1024: a negative angle becomes 1024 minus the remainder
// of its magnitude.
float WrapParticleAngle(float angle);

// A streak that flies under gravity and fades out linearly.
class CSpark : public CParticle {
public:
    void Init(uint32_t colour, float fadeRate, float x, float y, float z, float vx, float vy,
              float vz, float size, float sizeFactor, float maxLength);
    void Update(float dt, const CVector3& gravity);

    float SizeFactor = 0.0f;
    float MaxLength = 0.0f;
    float GravityFactor = 1.0f;
    float StreakLength = 0.0f;  // recomputed when drawn
    float LengthScale = 0.0f;   // streak length per unit of speed
    float Life = 1.0f;
    float FadeRate = 0.0f;
    uint32_t Colour = 0;
};

// A puff that drifts, rises, grows, turns and fades (optionally fading in first).
class CSmoke : public CParticle {
public:
    void Init(uint32_t colour, float alphaRate, float x, float y, float z, float vx, float vy,
              float vz, float size, float growth, float growthChange, float lift);
    void Update(float dt, const CParticleEnvironment& env);

    float Alpha = 1.0f;
    float AlphaRate = 0.0f;  // alpha lost per second; negative while fading in
    float FadeOutRate = 0.0f;
    float PeakAlpha = 1.0f;
    float Growth = 0.0f;
    float GrowthChange = 0.0f;
    float Angle = 0.0f;
    float Spin = 0.0f;  // angle units per second
    float Frame = 0.0f;
    float FrameSpeed = 0.0f;
    float Lift = 0.0f;
    uint32_t Colour = 0;
    float Red = 0.0f, Green = 0.0f, Blue = 0.0f;  // 0..255
};

// One ball of an explosion: flies with strong drag, spins fast, fades out.
class CFireball : public CParticle {
public:
    void Init(uint32_t colour, float fadeRate, float x, float y, float z, float vx, float vy,
              float vz, float size, float growth, float growthChange);
    void Update(float dt, const CParticleEnvironment& env);

    float Alpha = 1.0f;
    float FadeRate = 0.0f;
    float Growth = 0.0f;
    float GrowthChange = 0.0f;
    float Angle = 0.0f;
    float Spin = 0.0f;
    float Frame = 0.0f;
    float FrameSpeed = 0.0f;
    uint32_t Colour = 0;
};

// A joint of a lightning bolt: Position is where the joint belongs, Second is
// where it is drawn, jumping about Position within the jitter radius.
class CThunderbolt : public CParticle {
public:
    void Init(uint32_t colour, float x, float y, float z, float jitter, float size);
    void Update(float dt);
    void Move(float dx, float dy, float dz) override;
    // A new random brightness, 0.75 to 1.
    void NewBrightness();

    CVector3 Second;
    float Jitter = 0.0f;
    float Frame = 0.0f;
    uint32_t Colour = 0;
    float Brightness = 1.0f;
};

// A glitter that fades in and out through a phase: phase 0..1 ramps the alpha,
// 1 holds the plain fade, a negative phase fades out after a fade-in.
class CSpell : public CParticle {
public:
    void Init(uint32_t colour, float fadeRate, float x, float y, float z, float vx, float vy,
              float vz, float size, float angle, float spin);
    void Update(float dt);

    float Alpha = 0.0f;
    float FadeRate = 0.0f;  // negative = fading in
    uint32_t Colour = 0;
    float Angle = 0.0f;
    float Spin = 0.0f;
    float Phase = 1.0f;
    float PhaseSpeed = 0.0f;
    int32_t Finished = 0;
};

struct CParticleUV {
    float U = 0.0f, V = 0.0f;
};

// A particle of a keeper-driven collection system. The system reads the alive
// flag, position, life, colour, texture corners, angle and (for the "2" kind)
// the quad corners and size; the fields marked for the keeper are its own.
class CCollectedParticle : public CParticle {
public:
    void Init(uint32_t colour, float x, float y, float z, int32_t frame, float life, float size,
              float angle);

    float Life = 0.0f;      // 0..1, drawn as the alpha
    float FadeRate = 0.0f;  // keeper's: by convention the life change rate
    uint32_t Colour = 0;    // RGB; the alpha byte is 0
    float Red = 0.0f, Green = 0.0f, Blue = 0.0f;  // 0..255
    CParticleUV Uv[4];      // texture coordinates of corners 0..3
    float Spin = 0.0f;      // keeper's
    float Angle = 0.0f;     // 1024ths of a turn
    float User0 = 0.0f;     // keeper's
    float User1 = 0.0f;     // keeper's
    int32_t Frame = 0;      // keeper's (set by Init)
    float User2 = 0.0f;     // keeper's
};

// Offset of a quad corner along the width axis (S) and the height axis (T).
struct CCornerOffset {
    float S = 0.0f, T = 0.0f, Unused = 0.0f;
};

class CCollectedParticle2 : public CCollectedParticle {
public:
    // Init with size = width; corners (-0.5, 0.5), (0.5, 0.5), (0.5, -0.5),
    // (-0.5, -0.5): a quad of width by height centred on the position.
    void Init(uint32_t colour, float x, float y, float z, int32_t frame, float life, float width,
              float height, float angle);

    CCornerOffset Corners[4];
    float Width = 0.0f;
    float Height = 0.0f;
};
