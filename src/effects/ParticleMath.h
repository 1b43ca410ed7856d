#pragma once
// Small vector and colour helpers shared by the particle systems.
#include <cmath>
#include <cstdint>

#include "engine/Random.h"
#include "engine/Vector3.h"

namespace particles {

inline float Dot(const CVector3& a, const CVector3& b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }

inline CVector3 Cross(const CVector3& a, const CVector3& b) {
    return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}

// The unit vector of v, or `fallback` when v has no length (or is not finite).
inline CVector3 NormalisedOr(const CVector3& v, const CVector3& fallback) {
    float len = v.Length();
    if (!(len > 0.0f) || !std::isfinite(len))
        return fallback;
    return {v.X / len, v.Y / len, v.Z / len};
}

// A value drawn uniformly from mean - spread .. mean + spread.
inline float Vary(float mean, float spread) { return mean + (2.0f * RandomFloat() - 1.0f) * spread; }

// Uniform in -1..1.
inline float Signed() { return 2.0f * RandomFloat() - 1.0f; }

// A value 0..255 rounded and clamped to a byte.
inline uint32_t RoundByte(float v) {
    float b = std::nearbyint(v);
    if (!(b > 0.0f))
        return 0;
    if (b >= 255.0f)
        return 255;
    return static_cast<uint32_t>(b);
}

// A value 0..1 (or beyond) as a byte, rounded and clamped.
inline uint32_t ToByte(float v) { return RoundByte(v * 255.0f); }

// ARGB from an alpha 0..1 and the RGB bytes of a colour.
inline uint32_t AlphaColour(float alpha, uint32_t colour) {
    return (ToByte(alpha) << 24) | (colour & 0x00FFFFFFu);
}

// A random atlas frame 0..15 (a draw of exactly 1.0 wraps to 0).
inline float RandomFrame() {
    float f = std::floor(RandomFloat() * 16.0f);
    return f >= 16.0f ? f - 16.0f : f;
}

} // namespace particles
