#pragma once
// The answers every back end gives to the device API's calls before it acts
// on them, so that GL, our rasteriser and the recording device agree on each
// (a test on the recording device then passes or fails where the real ones
// would). Inline: a draw pays a few compares and no call.
//
// Where the original API's contract and GL's leniency differ, the one answer:
// - A draw outside BeginScene/EndScene draws, and a primitive count of 0 draws
//   nothing and succeeds: GL does both, and the engine's frames always open a
//   scene and skip empty layers, so no answer of the game depends on it.
// - The only vertex format is the game's; the stream's stride may exceed the
//   vertex size (the extra bytes are skipped) but never fall short of it.
// - Triangle lists and strips only, the two the game draws.
// - A viewport lies inside the back buffer, with depths within 0..1.
//
// Questions more than one layer answers, each at the precision its user needs
// (one helper would be too coarse for some and too dear for others):
// - "Can this draw's depth test fail?" The engine's clipper asks it of whole
//   draws before they reach a device (to leave out what later draws cover);
//   GL keeps rectangles of known depth, as it cannot read its depth buffer
//   back cheaply, to drop depth for a scene; our rasteriser keeps the lowest
//   depth its buffer holds and the box draws wrote, as it asks per draw and
//   may spend a few compares only.
// - "Which texels are clear?" The clipper sums non-opaque texels per texel
//   (a picture's exact cut, made once per picture); GL marks 16x16 blocks, so
//   a draw loses a rectangle of pixels it need not shade; our span routines
//   mark 8x8 tiles, the reach of one read of theirs with its filter's margin.
// - "Does zero alpha leave the target?" ZeroAlphaLeavesTarget (StageCombiner).
#include <cstdint>

#include "platform/gpu/Gpu.h"

namespace gpu {

// Counts past this many primitives overflow a 32-bit index count.
constexpr uint32_t kMaxDrawPrimitives = 0x3FFFFFFF;

// Indices a draw of `primCount` primitives of `type` reads; 0 for a type the
// back ends do not draw.
inline uint32_t DrawIndexCount(uint32_t type, uint32_t primCount) {
    if (type == Prim::TriangleList)
        return primCount * 3;
    if (type == Prim::TriangleStrip)
        return primCount + 2;
    return 0;
}

// Whether a draw may go ahead with what is bound (the indices then still have
// to reach only vertices inside the vertex buffer, which each back end checks
// as it reads them). kOk with a primitive count of 0 means "draw nothing".
inline Result CheckDraw(uint32_t type, uint32_t primCount, uint32_t fvf, uint32_t stride,
                        bool buffersBound, bool bufferLocked) {
    if (!buffersBound || bufferLocked || fvf != kFvfGame || stride < sizeof(Vertex))
        return kErrInvalidCall;
    if ((type != Prim::TriangleList && type != Prim::TriangleStrip) ||
        primCount > kMaxDrawPrimitives)
        return kErrInvalidCall;
    return kOk;
}

inline Result CheckViewport(const Viewport* vp, uint32_t bbWidth, uint32_t bbHeight) {
    if (!vp || vp->width == 0 || vp->height == 0)
        return kErrInvalidCall;
    if (static_cast<uint64_t>(vp->x) + vp->width > bbWidth ||
        static_cast<uint64_t>(vp->y) + vp->height > bbHeight)
        return kErrInvalidCall;
    if (!(vp->minZ >= 0.0f && vp->minZ <= 1.0f && vp->maxZ >= 0.0f && vp->maxZ <= 1.0f))
        return kErrInvalidCall;
    return kOk;
}

inline bool ValidRenderState(uint32_t state) {
    return state < kRenderStateCount;
}
inline bool ValidStageState(uint32_t stage, uint32_t state) {
    return stage < kStageCount && state > 0 && state < kStageStateCount;
}

} // namespace gpu
