#pragma once
// Small helpers shared by the 2D layers.
#include <cstdint>

#include "engine/SharedPtr.h"
#include "engine/Texture.h"

// Two texture handles draw alike when they share one holder or are both empty.
inline bool SameTexture(const CSharedPtr<CTexture>& a, const CSharedPtr<CTexture>& b) {
    return a == b || (a.IsNull() && b.IsNull());
}

// Six indices of a quad whose first vertex is `first`: (0, 1, 2) and (0, 2, 3).
inline void WriteQuadIndices(uint16_t* out, uint32_t first) {
    const uint16_t b = static_cast<uint16_t>(first);
    out[0] = b;
    out[1] = static_cast<uint16_t>(b + 1);
    out[2] = static_cast<uint16_t>(b + 2);
    out[3] = b;
    out[4] = static_cast<uint16_t>(b + 2);
    out[5] = static_cast<uint16_t>(b + 3);
}
