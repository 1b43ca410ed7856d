#pragma once
// Which texels of its first stage's texture a draw can read, gathered from
// its vertices' texture coordinates, with no GL context: filtering reads the
// texels around each sample point, and addressing other than clamping wraps
// coordinates beyond the edges to anywhere. Defined for any float: a
// coordinate that is not a number, infinite, or farther out than kFar texels
// leaves the texels unknown, so nothing is promised of what the draw reads.
#include <algorithm>
#include <cstdint>
#include <limits>

namespace gpu {

class TexelSurvey {
public:
    // Beyond 2^24 texels a float has no fraction left, and no picture is that
    // large: a draw reaching there is a mistake to answer carefully, not fast.
    static constexpr float kFar = 16777216.0f;

    // A vertex's texture coordinates in texels (u and v times the sides).
    void Add(float u, float v) {
        uMin_ = std::min(uMin_, u);
        uMax_ = std::max(uMax_, u);
        vMin_ = std::min(vMin_, v);
        vMax_ = std::max(vMax_, v);
        // The comparisons above pass a NaN by; a sum keeps it (and an
        // infinity), and grows past a float only from coordinates beyond kFar.
        sum_ += u + v;
    }

    // The texels of a width x height texture the vertices so far can read
    // (left, top, right, bottom; right and bottom exclusive), clamped or not
    // at the edges; false when they cannot be told.
    bool Reach(uint32_t width, uint32_t height, bool clamped, int32_t out[4]) const;

private:
    static constexpr float kNone = std::numeric_limits<float>::infinity();
    float uMin_ = kNone, vMin_ = kNone, uMax_ = -kNone, vMax_ = -kNone;
    float sum_ = 0.0f;
};

} // namespace gpu
