#pragma once
// What the particle systems of one manager share: gravity and damping values,
// the fixed camera that orders the systems and turns their quads towards the
// viewer, the sine, cosine and atlas look-up tables, and the box outside which
// particles die.
//
// Angles of particles are in 1024ths of a full turn; atlas frames index the 16
// cells of a 4 by 4 texture atlas in row order.
#include <cstdint>

#include "engine/SharedPtr.h"
#include "engine/Vector3.h"

// Looks along +z from in front of the scene; nothing moves it after the game's
// initialisation has placed it.
class CParticleCamera {
public:
    CVector3 Position{0.0f, 0.0f, -1.0f};
    CVector3 Right{1.0f, 0.0f, 0.0f};
    CVector3 Up{0.0f, 1.0f, 0.0f};
    CVector3 View{0.0f, 0.0f, 1.0f};

    // Distance of a point in front of the camera along the view direction.
    float Depth(const CVector3& point) const;
};

// Fractions per second taken off a particle's velocity, spin and frame speed.
struct CParticleDamping {
    float Velocity = 0.0f;
    float Spin = 0.0f;
    float FrameSpeed = 0.0f;
};

class CParticleEnvironment {
public:
    static constexpr int kTableSize = 1024;
    static constexpr int kAtlasFrames = 16;
    static constexpr int kAtlasSlots = 64;

    CParticleEnvironment();

    // Sine and cosine of an angle in 1024ths of a turn, rounded to the nearest
    // table entry; angles outside 0..1023 wrap (negative ones too).
    void SinCos(float angle, float* sine, float* cosine) const;
    // Top-left texture coordinates of an atlas cell (frame rounded, masked to
    // the table's 64 slots; only the first 16 are cells).
    void AtlasFrame(float frame, float* u, float* v) const;
    // False when the point lies strictly outside the bounds on any axis.
    bool IsInside(const CVector3& p) const;

    CVector3 Gravity{0.0f, -9.8f, 0.0f};
    CParticleDamping SmokeDamping{0.5f, 0.1f, 0.5f};
    CParticleDamping FireballDamping{4.5f, 1.5f, 0.01f};
    CSharedPtr<CParticleCamera> Camera;
    float Sine[kTableSize];
    float Cosine[kTableSize];
    float FrameU[kAtlasSlots];
    float FrameV[kAtlasSlots];
    CVector3 BoundsMin{-10.0f, -10.0f, -10.0f};
    CVector3 BoundsMax{10.0f, 10.0f, 10.0f};
};
