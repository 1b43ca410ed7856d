#pragma once
// Pieces of the caps drawing passes: the batch record (one draw call over a run
// of sprites sharing a texture) and the layout of the chain picture.
#include <cstdint>

struct CCapSprite;

struct CCapBatch {
    CCapSprite* FirstSprite = nullptr;  // the batch's texture is taken from it
    int32_t FirstVertex = 0;   // in the vertex buffer
    int32_t VertexCount = 0;
    int32_t FirstIndex = 0;    // in the index buffer
    int32_t TriangleCount = 0;
};

namespace caps {

// The chain picture holds the single chain and the double chain side by side.
constexpr float kChainImageWidth = 0.359375f;
constexpr float kChainImageHeight = 0.71875f;
// A chain is drawn larger than its token: 46 units for a 39-unit token.
constexpr float kChainScale = 46.0f / 39.0f;
// A lit sprite's centre lies closer than this many half sizes to the light point.
constexpr float kLightReach = 3.0f;

} // namespace caps
