#pragma once
// Set-up and clipping of the software back end: vertices through the
// row-vector matrices into clip space, triangles cut at the depth range, the
// viewport mapping with the GL back end's half-pixel placement (pixel centres
// at integer coordinates of the game's geometry), culling, the mip level and
// filter each stage reads, and the rows of pixels handed to the span routines.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gpu/Gpu.h"
#include "platform/gpu/soft/SoftSpans.h"

namespace gpu {

class SoftTexture;

// A vertex in clip space with what is interpolated across the triangle.
struct SoftClipVertex {
    float x, y, z, w;
    float color[4]; // r, g, b, a in 0..255
    float uv[kCombinerStages][2];
};

// What one stage samples, before the level is chosen per triangle.
struct SoftStageTexture {
    const SoftTexture* texture = nullptr;
    bool minLinear = false, magLinear = false, mipmapped = false;
    bool wrapU = true, wrapV = true;
    // Mirrored addressing: the texture's mirrored level, read wrapped.
    bool mirrorU = false, mirrorV = false;
};

// Pixels the rasteriser leaves out because opaque draws later paint over
// them: rectangles, kept as runs of rows that meet the same ones, each run
// with its column ranges merged and sorted left to right.
class SoftRowMask {
public:
    struct Run {
        int32_t x0, x1; // columns, x1 exclusive
    };
    struct Band {
        int32_t top, bottom;   // rows, bottom exclusive
        uint32_t first, count; // its runs
    };
    // Rectangles with right and bottom exclusive; empty ones are left out.
    void Set(const Rect* rects, uint32_t count);
    bool Empty() const { return bands_.empty(); }
    const std::vector<Band>& Bands() const { return bands_; }
    const Run* Runs(const Band& b) const { return runs_.data() + b.first; }
    // The pixels the rectangles hold.
    uint64_t Area() const { return area_; }
    // Of the rectangles as kept: equal masks hash alike.
    uint64_t Hash() const { return hash_; }

private:
    std::vector<Band> bands_;
    std::vector<Run> runs_;
    std::vector<int32_t> rows_; // where rectangles start and end
    uint64_t area_ = 0;
    uint64_t hash_ = 0;
};

struct SoftTarget {
    uint32_t* color = nullptr;
    uint16_t* depth = nullptr;
    int32_t width = 0;
    int32_t clip[4] = {0, 0, 0, 0};      // left, top, right, bottom (exclusive)
    const SoftRowMask* hidden = nullptr; // pixels left out, or none
    // Columns drawn (x1 exclusive): the rest of each row is left as it is,
    // and what is drawn is what the whole row draws there, to the bit.
    int32_t cols[2] = {INT32_MIN, INT32_MAX};
};

SoftClipVertex TransformVertex(const Vertex& v, const float mvp[16]);

// A 64-bit hash of `size` bytes, chained through `seed`.
uint64_t SoftHash(const void* bytes, size_t size, uint64_t seed);

// Where a vertex in front of the eye lands on the viewport, in window
// coordinates whose pixel centres are integers (unclamped).
struct WindowXY {
    double x, y;
};
WindowXY ToWindowXY(const SoftClipVertex& c, const Viewport& vp);

class SoftSetup {
public:
    // Draws one triangle with `state` (its samplers are filled in per triangle
    // from `stages`). cull: the CullMode state.
    void DrawTriangle(const SoftClipVertex tri[3], SoftPixelState& state,
                      const SoftStageTexture stages[kCombinerStages], const Viewport& vp,
                      const SoftTarget& target, uint32_t cull);
    // Whether two triangles of a draw share an edge: DrawPair may draw them as one.
    static bool SharesEdge(const SoftClipVertex tris[6]);
    // Draws two consecutive triangles of a draw (six vertices). Where they
    // split a convex quad along a diagonal, lie wholly inside the depth range,
    // without perspective, and their values lie on the same planes, each row
    // of the quad is one span, shaded with the first triangle's planes: the
    // pixels the two cover, no more. Otherwise one triangle after the other.
    void DrawPair(const SoftClipVertex tris[6], SoftPixelState& state,
                  const SoftStageTexture stages[kCombinerStages], const Viewport& vp,
                  const SoftTarget& target, uint32_t cull);
    // Pixels shaded, and pixels of the triangles' rows left out as hidden.
    uint64_t Pixels() const { return pixels_; }
    uint64_t HiddenPixels() const { return hiddenPixels_; }

private:
    struct WindowVertex {
        double x, y, z, q; // q = 1 / w
        float color[4];
        float uv[kCombinerStages][2];
    };
    static WindowVertex ToWindow(const SoftClipVertex& c, const Viewport& vp);
    // A convex shape of n = 3 or 4 corners, its values on the planes of
    // corners 0, 1 and n - 1.
    void Rasterise(const WindowVertex v[], int n, SoftPixelState& state,
                   const SoftStageTexture stages[kCombinerStages], const SoftTarget& target,
                   uint32_t cull);
    // Its steps, in SoftSetup.cpp: the planes of the values over the window
    // (false: the corners lie on a line), each stage's level, filter and
    // coordinates, and the edges' steps from row `top`.
    struct PlaneEq;
    struct Corners;
    struct Edge;
    static bool SetUpPlanes(const WindowVertex v[], Corners& corners, PlaneEq& z, PlaneEq& q,
                            PlaneEq color[4]);
    static void SetUpSamplers(const WindowVertex v[], const Corners& corners, const PlaneEq& q,
                              SoftPixelState& state, const SoftStageTexture stages[kCombinerStages],
                              PlaneEq uv[][2]);
    static void SetUpEdges(const int64_t x[], const int64_t y[], int n, int32_t top, Edge edges[]);
    uint64_t pixels_ = 0, hiddenPixels_ = 0;
};

} // namespace gpu
