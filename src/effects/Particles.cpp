#include "effects/Particles.h"

#include <cmath>

#include "effects/ParticleEnvironment.h"
#include "effects/ParticleMath.h"
#include "engine/Random.h"

using particles::RandomFrame;

void CParticle::Move(float dx, float dy, float dz) { Position += CVector3(dx, dy, dz); }

float WrapParticleAngle(float angle) {
    if (angle < 0.0f)
        return 1024.0f - std::fmod(-angle, 1024.0f);
    if (angle >= 1024.0f)
        return std::fmod(angle, 1024.0f);
    return angle;
}

namespace {

// Drag, growth, turning and atlas animation shared by smokes and fireballs.
// The velocity loses `drag` of itself per second but never reverses; a spin
// that damping would turn round stops instead; the frame speed never goes
// below 0.
void Drift(CParticle& p, float dt, float lift, const CParticleDamping& damping, float& growth,
           float growthChange, float& angle, float& spin, float& frame, float& frameSpeed) {
    p.Position.X += p.Velocity.X * dt;
    p.Position.Y += (p.Velocity.Y + lift) * dt;
    p.Position.Z += p.Velocity.Z * dt;

    float speed = p.Velocity.Length();
    if (speed > 0.0f) {
        float k = (speed - dt * damping.Velocity * speed) / speed;
        if (k < 0.0f)
            k = 0.0f;
        p.Velocity = p.Velocity * k;
    }

    p.Size += growth * dt;
    growth += growthChange * dt;

    angle = WrapParticleAngle(angle + spin * dt);
    float newSpin = spin - damping.Spin * spin * dt;
    if ((spin > 0.0f && newSpin < 0.0f) || (spin < 0.0f && newSpin > 0.0f))
        newSpin = 0.0f;
    spin = newSpin;

    frame += frameSpeed * dt;
    if (frame >= 16.0f)
        frame = std::fmod(frame, 16.0f);
    frameSpeed -= damping.FrameSpeed * frameSpeed * dt;
    if (frameSpeed < 0.0f)
        frameSpeed = 0.0f;
}

} // namespace

// ---- CSpark ----

void CSpark::Init(uint32_t colour, float fadeRate, float x, float y, float z, float vx, float vy,
                  float vz, float size, float sizeFactor, float maxLength) {
    Colour = colour & 0x00FFFFFFu;
    FadeRate = fadeRate;
    Position = {x, y, z};
    Velocity = {vx, vy, vz};
    Size = size;
    StreakLength = size;
    SizeFactor = sizeFactor;
    MaxLength = maxLength;
    LengthScale = size * sizeFactor;
    GravityFactor = 1.0f;
    Life = 1.0f;
    Alive = 1;
}

void CSpark::Update(float dt, const CVector3& gravity) {
    Position += Velocity * dt;
    Velocity += gravity * (GravityFactor * dt);
    Life -= FadeRate * dt;
    if (Life < 0.0f)
        Life = 0.0f;
}

// ---- CSmoke ----

void CSmoke::Init(uint32_t colour, float alphaRate, float x, float y, float z, float vx, float vy,
                  float vz, float size, float growth, float growthChange, float lift) {
    Colour = colour & 0x00FFFFFFu;
    Red = static_cast<float>((colour >> 16) & 0xFF);
    Green = static_cast<float>((colour >> 8) & 0xFF);
    Blue = static_cast<float>(colour & 0xFF);
    AlphaRate = alphaRate;
    FadeOutRate = alphaRate;
    Position = {x, y, z};
    Velocity = {vx, vy, vz};
    Size = size;
    Growth = growth;
    GrowthChange = growthChange;
    Lift = lift;
    Alpha = 1.0f;
    PeakAlpha = 1.0f;
    Angle = std::floor(RandomFloat() * 1024.0f);
    Spin = RandomFloat() * 600.0f - 300.0f;
    Frame = RandomFrame();
    FrameSpeed = 0.0f;
    Alive = 1;
}

void CSmoke::Update(float dt, const CParticleEnvironment& env) {
    Drift(*this, dt, Lift, env.SmokeDamping, Growth, GrowthChange, Angle, Spin, Frame, FrameSpeed);

    float oldRate = AlphaRate;
    Alpha -= AlphaRate * dt;
    if (oldRate < 0.0f && Alpha >= PeakAlpha) {
        // Faded in: spend the rest of the step fading out.
        AlphaRate = FadeOutRate;
        Alpha = PeakAlpha - ((Alpha - PeakAlpha) / -oldRate) * FadeOutRate;
    }
    if (Alpha < 0.0f)
        Alpha = 0.0f;
}

// ---- CFireball ----

void CFireball::Init(uint32_t colour, float fadeRate, float x, float y, float z, float vx,
                     float vy, float vz, float size, float growth, float growthChange) {
    Colour = colour & 0x00FFFFFFu;
    FadeRate = fadeRate;
    Position = {x, y, z};
    Velocity = {vx, vy, vz};
    Size = size;
    Growth = growth;
    GrowthChange = growthChange;
    Alpha = 1.0f;
    Angle = std::floor(RandomFloat() * 1024.0f);
    if (RandomFloat() < 0.5f)
        Spin = -(1024.0f + RandomFloat() * 1024.0f);
    else
        Spin = 1024.0f + RandomFloat() * 1024.0f;
    Frame = RandomFrame();
    FrameSpeed = 0.0f;
    Alive = 1;
}

void CFireball::Update(float dt, const CParticleEnvironment& env) {
    Drift(*this, dt, 0.0f, env.FireballDamping, Growth, GrowthChange, Angle, Spin, Frame,
          FrameSpeed);
    Alpha -= FadeRate * dt;
    if (Alpha < 0.0f)
        Alpha = 0.0f;
}

// ---- CThunderbolt ----

void CThunderbolt::Init(uint32_t colour, float x, float y, float z, float jitter, float size) {
    Colour = colour & 0x00FFFFFFu;
    Position = {x, y, z};
    Second = Position;
    Velocity = {};
    Jitter = jitter;
    Size = size;
    NewBrightness();
    Frame = RandomFrame();
    Alive = 1;
}

void CThunderbolt::NewBrightness() { Brightness = 0.75f + RandomFloat() * 0.25f; }

void CThunderbolt::Update(float dt) {
    // About twenty jumps a second.
    if (RandomFloat() > 20.0f * dt)
        return;
    CVector3 r(particles::Signed(), particles::Signed(), particles::Signed());
    float len = r.Length();
    Second = len > 0.0f ? Position + r * (Jitter / len) : Position;
    NewBrightness();
    Frame = RandomFrame();
}

void CThunderbolt::Move(float dx, float dy, float dz) {
    CVector3 d(dx, dy, dz);
    Position += d;
    Second += d;
}

// ---- CSpell ----

void CSpell::Init(uint32_t colour, float fadeRate, float x, float y, float z, float vx, float vy,
                  float vz, float size, float angle, float spin) {
    Colour = colour & 0x00FFFFFFu;
    FadeRate = fadeRate;
    Alpha = fadeRate > 0.0f ? 1.0f : 0.0f;
    Position = {x, y, z};
    Velocity = {vx, vy, vz};
    Size = size;
    Angle = angle;
    Spin = spin;
    Phase = 1.0f;
    PhaseSpeed = std::fabs(10.0f * fadeRate);
    Finished = 0;
    Alive = 1;
}

void CSpell::Update(float dt) {
    Position += Velocity * dt;

    if (Phase >= 0.0f && Phase < 1.0f) {
        // Ramp towards the plain fade.
        Phase += PhaseSpeed * dt;
        if (Phase < 1.0f) {
            Alpha = FadeRate < 0.0f ? 1.0f - Phase : Phase;
        } else {
            float t = PhaseSpeed > 0.0f ? (Phase - 1.0f) / PhaseSpeed : 0.0f;
            Alpha = FadeRate < 0.0f ? -FadeRate * t : 1.0f - FadeRate * t;
            if (Alpha < 0.0f || Alpha > 1.0f) {
                Finished = 1;
                Alpha = Alpha < 0.0f ? 0.0f : 1.0f;
            }
            Phase = 1.0f;
        }
    } else if (Phase >= 1.0f) {
        Alpha -= FadeRate * dt;
        if (Alpha < 0.0f) {
            Alpha = 0.0f;
            Finished = 1;
        } else if (Alpha > 1.0f) {
            if (Phase == 2.0f && FadeRate != 0.0f) {
                // Faded in: turn round and fade out, spending the overshoot.
                Phase = -1.0f - ((Alpha - 1.0f) * PhaseSpeed) / FadeRate;
                Alpha = -Phase;
                if (Phase >= 0.0f) {
                    Finished = 1;
                    Alpha = 0.0f;
                }
            } else {
                Alpha = 1.0f;
                Finished = 1;
            }
        }
    } else {
        // Fading out after a fade-in.
        Phase += PhaseSpeed * dt;
        if (Phase >= 0.0f) {
            Finished = 1;
            Alpha = 0.0f;
        } else {
            Alpha = -Phase;
        }
    }

    Angle = WrapParticleAngle(Angle + Spin * dt);
}

// ---- Collected particles ----

void CCollectedParticle::Init(uint32_t colour, float x, float y, float z, int32_t frame,
                              float life, float size, float angle) {
    Position = {x, y, z};
    Velocity = {};
    Size = size;
    Colour = colour & 0x00FFFFFFu;
    Red = static_cast<float>((colour >> 16) & 0xFF);
    Green = static_cast<float>((colour >> 8) & 0xFF);
    Blue = static_cast<float>(colour & 0xFF);
    Life = life;
    Angle = angle;
    Frame = frame;
    Uv[0] = {0.0f, 0.0f};
    Uv[1] = {1.0f, 0.0f};
    Uv[2] = {1.0f, 1.0f};
    Uv[3] = {0.0f, 1.0f};
    FadeRate = 0.0f;
    Spin = 0.0f;
    User0 = 0.0f;
    User1 = 0.0f;
    User2 = 0.0f;
    Alive = 1;
}

void CCollectedParticle2::Init(uint32_t colour, float x, float y, float z, int32_t frame,
                               float life, float width, float height, float angle) {
    CCollectedParticle::Init(colour, x, y, z, frame, life, width, angle);
    Corners[0] = {-0.5f, 0.5f, 0.0f};
    Corners[1] = {0.5f, 0.5f, 0.0f};
    Corners[2] = {0.5f, -0.5f, 0.0f};
    Corners[3] = {-0.5f, -0.5f, 0.0f};
    Width = width;
    Height = height;
}
