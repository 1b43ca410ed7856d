#include "platform/gpu/gl/TexelSurvey.h"

#include <algorithm>
#include <cmath>

namespace gpu {

bool TexelSurvey::Reach(uint32_t width, uint32_t height, bool clamped, int32_t out[4]) const {
    // Written so that a NaN fails every test: only near, ordered bounds pass.
    const bool near = uMin_ >= -kFar && vMin_ >= -kFar && uMax_ <= kFar && vMax_ <= kFar &&
                      uMin_ <= uMax_ && vMin_ <= vMax_ && std::isfinite(sum_);
    if (!near)
        return false;
    const auto tw = static_cast<float>(width), th = static_cast<float>(height);
    const bool inside = uMin_ >= 0.0f && vMin_ >= 0.0f && uMax_ <= tw && vMax_ <= th;
    if (!clamped && !inside) {
        out[0] = out[1] = 0;
        out[2] = static_cast<int32_t>(width);
        out[3] = static_cast<int32_t>(height);
        return true;
    }
    // The filter's reach around the sample points, with a texel to spare;
    // clamping keeps every read within a texel of the edges, on both sides:
    // coordinates all beyond one edge still read the texels along it.
    auto edge = [](float c, float side) { return std::clamp(c, -1.0f, side + 1.0f); };
    out[0] = static_cast<int32_t>(std::floor(edge(uMin_, tw) - 0.5f)) - 1;
    out[1] = static_cast<int32_t>(std::floor(edge(vMin_, th) - 0.5f)) - 1;
    out[2] = static_cast<int32_t>(std::floor(edge(uMax_, tw) + 0.5f)) + 2;
    out[3] = static_cast<int32_t>(std::floor(edge(vMax_, th) + 0.5f)) + 2;
    return true;
}

} // namespace gpu
