#pragma once
// The parameter blocks from which the particle-systems manager builds its six
// kinds of system. A caller constructs a block with its leading values, changes
// any defaulted field it needs, and passes the block to the manager's add
// operation; the system reads it once, so the block may be reused afterwards.
//
// Colours are ARGB words of which the systems keep the red, green and blue
// bytes: a particle's alpha comes from its life.
#include <cstdint>
#include <vector>

#include "engine/SharedPtr.h"
#include "engine/Vector3.h"

class CCollectedParticle2;
class CCollection2Keeper;

// Sparks thrown from a point, drawn as streaks along their velocity.
class CSparksSpringParametres {
public:
    CSparksSpringParametres(float x, float y, float z, float vx, float vy, float vz, float sx,
                            float sy, float sz, float spreadWidth, float spreadHeight,
                            uint32_t colour);
    virtual ~CSparksSpringParametres() = default;

    CVector3 Position;
    CVector3 Velocity;
    // Box mode: the velocity spreads along this direction (normalised by the
    // system; a zero vector becomes (1, 0, 0)) and across it.
    CVector3 SpreadDirection;
    float SpreadWidth;   // box: full spread along the direction; sphere: mean speed
    float SpreadHeight;  // box: full spread across; sphere: speed variation
    uint32_t Colour;
    float Size = 0.005f;  // streak width and shortest length
    float LengthFactor = 1.5f;
    float MaxLength = 0.02f;
    float FadeRate = 0.75f;  // life lost per second
    int32_t Timed = 1;
    float EmissionDuration = 0.5f;
    int32_t ParticleCount = 50;
    float EmissionRate = 50.0f;
    int32_t SphereMode = 0;
};

// Smoke puffs: a cloud around a point, or a trail behind a moving emitter.
class CSmokesSpringParametres {
public:
    // Low four bits of the mode: 0 alpha blend, 1 additive, other darkening.
    static constexpr uint32_t kBlendMask = 0x0F;
    // The emitter lays a trail from its previous to its current position.
    static constexpr uint32_t kTrail = 0x10;

    CSmokesSpringParametres(float x, float y, float z, float vx, float vy, float vz, float sx,
                            float sy, float sz, float positionSpread1, float positionSpread2,
                            float velocitySpread1, float velocitySpread2, uint32_t colour,
                            uint32_t mode);
    virtual ~CSmokesSpringParametres() = default;

    uint32_t Mode;
    CVector3 Position;
    // Without the trail bit: the base direction of the velocity (the speed
    // comes from the speed range); with it: every smoke's exact velocity.
    CVector3 Velocity;
    CVector3 SpreadDirection;  // without the trail bit
    float PositionSpread1, PositionSpread2;  // along the direction, across it
    float VelocitySpread1, VelocitySpread2;
    uint32_t Colour;
    float Speed = 0.1f, SpeedVariation = 0.025f;
    float Lift = 0.1f, LiftVariation = 0.025f;
    float Size = 0.01f, SizeVariation = 0.0025f;
    float Growth = 0.2f, GrowthVariation = 0.1f;
    float GrowthChange = 0.01f;
    float FadeOutRate = 0.75f, FadeOutVariation = 0.25f;
    float FadeInRate = 0.0f;  // 0: a smoke starts fully visible
    int32_t Timed = 1;
    float EmissionDuration = 3.0f;
    int32_t ParticleCount = 50;
    float EmissionRate = 60.0f;
};

// One burst of fireballs from a ball around the centre.
class CExplosionParametres {
public:
    CExplosionParametres(float cx, float cy, float cz, float vx, float vy, float vz, float dx,
                         float dy, float dz, float startRadius, float spread,
                         int32_t particleCount, uint32_t colour, int32_t mode);
    virtual ~CExplosionParametres() = default;

    int32_t Mode;  // 0 random directions, 1 a disc across the direction
    CVector3 Position;  // the centre
    CVector3 Velocity;  // added to every fireball
    CVector3 Direction;  // normalised; a zero vector becomes (0, 1, 0)
    float StartRadius;
    uint32_t Colour;
    float Speed = 0.5f, SpeedVariation = 0.25f;
    float Spread;  // disc mode: speed along the direction, up to +-
    float Size = 0.005f, SizeVariation = 0.0025f;
    float Growth = 0.25f, GrowthVariation = 0.125f;
    float GrowthChange = 0.0f;
    float FadeRate = 2.0f, FadeVariation = 0.25f;
    int32_t ParticleCount;
};

// Flickering lightning bolts between two spread points.
class CThunderboltParametres {
public:
    CThunderboltParametres(float sx, float sy, float sz, float s1x, float s1y, float s1z,
                           float s2x, float s2y, float s2z, float length1, float length2,
                           float startJitter, float ex, float ey, float ez, float e1x, float e1y,
                           float e1z, float e2x, float e2y, float e2z, float length3,
                           float length4, float endJitter, int32_t segments, int32_t bolts,
                           uint32_t colour);
    virtual ~CThunderboltParametres() = default;

    CVector3 Position;  // the start point
    CVector3 StartAxis1, StartAxis2;  // directions, normalised by the system
    float Length1, Length2;  // each bolt starts within +- half of each along its axis
    float StartJitter;
    CVector3 End;
    CVector3 EndAxis1, EndAxis2;
    float Length3, Length4;
    float EndJitter;
    uint32_t Colour;
    float Size = 0.01f;  // width of the segment quads
    int32_t Segments;  // per bolt
    int32_t Bolts;
    float EmissionDuration = 5.0f;
    float StartDelay = 0.0f;
};

// Glitter spells spaced along the path of a moving emitter.
class CSpellsSpringParametres {
public:
    CSpellsSpringParametres(float x, float y, float z, float vx, float vy, float vz, float speed,
                            float speedVariation, float size, float sizeVariation,
                            uint32_t colour);
    virtual ~CSpellsSpringParametres() = default;

    CVector3 Position;  // also the first previous position
    CVector3 Velocity;
    uint32_t Colour;
    float Speed, SpeedVariation;
    float Size, SizeVariation;
    float FadeRate = 0.5f, FadeVariation = 0.25f;
    int32_t Timed = 1;
    float EmissionDuration = 10.0f;
    int32_t ParticleCount = 50;
    float EmissionRate = 60.0f;
    int32_t TrailMode = 0;  // spells start behind the emitter and fade in
    int32_t RandomAngle = 0;
    int32_t RandomSpinSign = 1;
    float Spin = 0.0f, SpinVariation = 0.0f;
    int32_t FadeOut = 0;  // a faded-in spell fades out again before it dies
    float FadeOutRate = 5.0f;
};

// A keeper-driven collection system, or a prepared list emitted once.
class CCollection2Parametres {
public:
    CCollection2Parametres(float x, float y, float z,
                           const std::vector<CCollectedParticle2>* initial,
                           CSharedPtr<CCollection2Keeper> keeper, int32_t blendMode);
    virtual ~CCollection2Parametres();

    // 1 multiply (DESTCOLOR, ZERO), 2 alpha blend, any other value additive.
    int32_t BlendMode;
    CVector3 Position;
    int32_t KeeperEmission = 0;  // 0: emit the initial list once; else ask the keeper
    const std::vector<CCollectedParticle2>* InitialList;  // may be null; copied
    CSharedPtr<CCollection2Keeper> Keeper;  // may be empty
    int32_t Timed = 1;
    float EmissionDuration = 10.0f;
    int32_t ParticleCount = 50;
    float EmissionRate = 60.0f;
    float AlphaScale = 1.0f;
};
