#pragma once
// Small helpers shared by the effect keepers.
#include <cmath>
#include <cstdint>

#include <array>
#include <vector>

#include "effects/Particles.h"
#include "engine/Random.h"
#include "engine/Vector3.h"

namespace keeper {

constexpr float kTwoPi = 6.2831855f;
constexpr float kPi = 3.1415927f;
// 1024ths of a turn per radian.
constexpr float kTurnUnitsPerRadian = 162.97466f;

// A value drawn uniformly from mean - spread .. mean + spread.
inline float Vary(float mean, float spread) {
    return mean + (2.0f * RandomFloat() - 1.0f) * spread;
}

// floor(r * n) kept within 0..n-1 (n >= 1), for r drawn from 0..1 inclusive.
inline int32_t PickIndex(float r, int32_t n) {
    if (n < 1)
        return 0;
    float f = std::floor(r * static_cast<float>(n));
    if (!(f >= 0.0f))
        return 0;
    if (f >= static_cast<float>(n - 1))
        return n - 1;
    return static_cast<int32_t>(f);
}

// Whole units taken out of an accumulator: n = floor(acc) once acc reaches 1.
inline int32_t TakeWhole(float& acc) {
    if (!(acc >= 1.0f))
        return 0;
    float n = std::floor(acc);
    // A runaway accumulator (huge rate or dt) cannot overflow the count.
    if (n > 1.0e6f)
        n = 1.0e6f;
    acc -= n;
    if (acc >= 1.0f)
        acc = 0.0f;
    return static_cast<int32_t>(n);
}

// Texture corners u, v of one frame, in quad corner order: (left, top),
// (right, top), (right, bottom), (left, bottom).
using FrameCorners = std::array<float, 8>;

inline FrameCorners RectCorners(float left, float top, float right, float bottom) {
    return {left, top, right, top, right, bottom, left, bottom};
}

// Replaces frame `frame` when it exists, else appends a new frame.
inline void SetFrame(std::vector<FrameCorners>& frames, int32_t frame, const FrameCorners& c) {
    if (frame >= 0 && static_cast<size_t>(frame) < frames.size())
        frames[static_cast<size_t>(frame)] = c;
    else
        frames.push_back(c);
}

inline void ApplyCorners(CCollectedParticle2& p, const FrameCorners& c) {
    for (int k = 0; k < 4; ++k)
        p.Uv[k] = {c[2 * k], c[2 * k + 1]};
}

// The texture corners of cell (a, b) of an atlas `perSide` cells a side.
inline void ApplyAtlasCell(CCollectedParticle2& p, int32_t a, int32_t b, int32_t perSide = 4) {
    const float step = 1.0f / static_cast<float>(perSide);
    const float u = step * static_cast<float>(a);
    const float v = step * static_cast<float>(b);
    ApplyCorners(p, RectCorners(u, v, u + step, v + step));
}

// (R - 0.5, R - 0.5, R - 0.5) normalised; `tries` draws at most, then (1, 0, 0).
inline CVector3 RandomDirection(int tries = 1) {
    for (int t = 0; t < tries; ++t) {
        CVector3 d;
        d.X = RandomFloat() - 0.5f;
        d.Y = RandomFloat() - 0.5f;
        d.Z = RandomFloat() - 0.5f;
        const float len = d.Length();
        if (len > 0.0f)
            return d * (1.0f / len);
    }
    return {1.0f, 0.0f, 0.0f};
}

// The direction from the centre to `point`, or a random one for the centre itself.
inline CVector3 OutwardDirection(const CVector3& point) {
    const float len = point.Length();
    if (len > 0.0f)
        return point * (1.0f / len);
    return RandomDirection();
}

// A random point of the ellipsoid with full extents w, h, d (denser towards the
// centre), and the direction from the centre to it.
inline void EllipsoidPoint(float w, float h, float d, CVector3& point, CVector3& direction) {
    const float s = std::sqrt(RandomFloat());
    const float a = RandomFloat() * kTwoPi;
    const float b = (RandomFloat() - 0.5f) * kPi;
    point = {0.5f * w * s * std::cos(a) * std::cos(b), 0.5f * h * s * std::sin(b),
             0.5f * d * s * std::sin(a) * std::cos(b)};
    direction = OutwardDirection(point);
}

// Life fading shared by the sand keepers: the rate (FadeRate, negative while
// fading in) changes the life; when the fade-in reaches 1 the rate becomes
// `fadeOut()` and the rest of the step fades out. False once the particle has
// faded out (its life is then 0).
template <class DrawFadeOut> bool Fade(CCollectedParticle2& p, float dt, DrawFadeOut fadeOut) {
    const float oldRate = p.FadeRate;
    p.Life -= oldRate * dt;
    if (oldRate < 0.0f) {
        if (p.Life >= 1.0f) {
            const float rate = fadeOut();
            p.Life = 1.0f - rate * (p.Life - 1.0f) / -oldRate;
            p.FadeRate = rate;
            if (rate > 0.0f && p.Life <= 0.0f) {
                p.Life = 0.0f;
                return false;
            }
        }
    } else if (oldRate > 0.0f && p.Life <= 0.0f) {
        p.Life = 0.0f;
        return false;
    }
    return true;
}

} // namespace keeper
