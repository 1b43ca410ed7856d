#pragma once
// Continuous emission from any number of emitters (origins), each with its own
// offset, base velocity, rate, speed, size, spin, colour and life curve (fade
// in, hold, fade out); every particle takes a texture frame at random from a
// list. SetRing and SetLine lay the emitters out on a circle or a segment.
// The keeper never stops by itself: its owner stops the system.
#include <cstdint>
#include <vector>

#include "effects/Collection2Keeper.h"
#include "effects/KeeperMath.h"
#include "engine/Vector3.h"

class CMultiOriginSystemKeeper : public CCollection2Keeper {
public:
    // Ring and line layouts make at most this many emitters.
    static constexpr int32_t kMaxLayoutEmitters = 1024;

    struct Emitter {
        CVector3 Offset;
        CVector3 BaseVelocity;
        float Rate = 10.0f;
        float Speed = 50.0f, SpeedSpread = 25.0f;
        float Width = 32.0f, Height = 32.0f, WidthSpread = 16.0f, HeightSpread = 16.0f;
        float Spin = 512.0f, SpinSpread = -256.0f;
        uint32_t Colour = 0xFFFFFFFF;
        float PeakOpacity = 1.0f;
        float FadeIn = 0.1f, Hold = 0.5f, FadeOut = 0.5f;
        float FadeInSpread = 0.05f, HoldSpread = 0.25f, FadeOutSpread = 0.25f;
        // Time not yet turned into particles.
        float Clock = 0.1f;
        // Particles still to start in this update.
        int32_t Pending = 0;
    };

    // Ages at which a particle's life curve changes.
    struct Phases {
        float FadeInEnd = 0.0f, HoldEnd = 0.0f, LifeEnd = 0.0f;
    };

    CMultiOriginSystemKeeper();

    int32_t UpdateParticle(int32_t index, CCollectedParticle2& particle, float dt, float x, float y,
                           float z) override;
    int32_t IsEmitting() override { return 1; }
    int32_t GetEmitCount(float dt) override;
    int32_t InitParticle(int32_t index, CCollectedParticle2& particle, float x, float y,
                         float z) override;
    int32_t SetOrigin(float x, float y, float z, float) override { return StoreOrigin(x, y, z); }

    // Replaces emitter `index`, or appends one when there is no such emitter.
    // The peak opacity comes from the colour's alpha byte; an emitter with a
    // rate of 0 or less emits nothing.
    virtual void SetEmitter(int32_t index, float ox, float oy, float oz, float vx, float vy,
                            float vz, float rate, float speed, float speedSpread, float width,
                            float height, float widthSpread, float heightSpread, float spin,
                            float spinSpread, uint32_t colour, float fadeIn, float hold,
                            float fadeOut, float fadeInSpread, float holdSpread,
                            float fadeOutSpread);
    // Moves emitter `index` to a new offset and keeps the rest of it (its
    // emission clock included); nothing when there is no such emitter.
    void SetEmitterOffset(int32_t index, float ox, float oy, float oz);
    virtual void SetFrameRect(int32_t frame, float left, float top, float right, float bottom);
    // Replaces frame `frame`, or appends one when there is no such frame.
    virtual void SetFrameCorners(int32_t frame, float u0, float v0, float u1, float v1, float u2,
                                 float v2, float u3, float v3);
    // `count` emitters on a circle around the origin, throwing outward at
    // radialSpeed, sharing totalRate. keep = 0 removes the old emitters first.
    virtual void SetRing(float radius, int32_t count, float startAngle, float totalRate,
                         float radialSpeed, float speed, float speedSpread, float width,
                         float height, float widthSpread, float heightSpread, float spin,
                         float spinSpread, uint32_t colour, float fadeIn, float hold,
                         float fadeOut, float fadeInSpread, float holdSpread, float fadeOutSpread,
                         int32_t keep);
    // `count` emitters spaced evenly from P0 to P1 (one emitter sits at P0),
    // each with the direction (dx, dy, dz) scaled to `speed` as base velocity.
    virtual void SetLine(float x0, float y0, float z0, float x1, float y1, float z1, float dx,
                         float dy, float dz, int32_t count, float totalRate, float speed,
                         float emitSpeed, float speedSpread, float width, float height,
                         float widthSpread, float heightSpread, float spin, float spinSpread,
                         uint32_t colour, float fadeIn, float hold, float fadeOut,
                         float fadeInSpread, float holdSpread, float fadeOutSpread,
                         int32_t keep);

    const std::vector<Emitter>& Emitters() const { return emitters_; }
    const std::vector<keeper::FrameCorners>& Frames() const { return frames_; }
    const std::vector<Phases>& ParticlePhases() const { return phases_; }

    CVector3 CommonVelocity;
    CVector3 Acceleration;
    // Multiplies the z part of every start velocity.
    float ZFactor = 1.0f;
    // Particles outside the box (bounds included) die.
    CVector3 BoxMin{-2000.0f, -2000.0f, -2000.0f};
    CVector3 BoxMax{2000.0f, 2000.0f, 2000.0f};

private:
    std::vector<keeper::FrameCorners> frames_;
    std::vector<Emitter> emitters_;
    std::vector<Phases> phases_;
};
