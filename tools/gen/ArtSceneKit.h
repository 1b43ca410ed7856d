#pragma once
// Building blocks of the full-screen pictures: skylines, ridges, foliage,
// stone walls, columns, flames, light shafts, motes and the vignette. All
// take picture texels (x right, y down) and return colours in linear light.
#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

#include "ArtCommon.h"

namespace gen {
namespace scene {

// Smooth fractal noise along x (0..1), one row per seed; x in units of the
// largest features (so x / 200 gives hills about 200 texels across).
inline float Fbm1(float x, float seed) { return SharedNoise(0).Sample(x * 128.0f, seed * 53.0f + 11.0f); }
// A ridged variant (sharp peaks).
inline float Ridged1(float x, float seed) { return 1.0f - std::fabs(2.0f * Fbm1(x, seed) - 1.0f); }

// Vertical gradient through (position, colour) stops, positions ascending.
Rgb Gradient(float t, std::initializer_list<std::pair<float, uint32_t>> stops);

// A hill or mountain line: the top edge's y at x. Points with y below it
// (further down the picture) are inside.
inline float RidgeY(float x, float base, float amplitude, float stretch, float seed, bool sharp) {
    const float n = sharp ? Ridged1(x / stretch, seed) : Fbm1(x / stretch, seed);
    return base - amplitude * n;
}

// Coverage of the region below a ridge, softened by `soft` texels.
inline float Below(float y, float ridge, float soft = 1.0f) { return Clamp01((y - ridge) / soft + 0.5f); }

// A layer of leaves on a grid of `cell` texels: leaves of `minLen`..`maxLen`
// texels, present where a hash falls below density(x, y) at their stem.
struct LeafStyle {
    float cell = 80;
    float minLen = 60, maxLen = 110;
    float widthRatio = 0.38f;
    float droop = 0.6f;  // how much the leaves hang (0: any angle, 1: straight down)
    uint32_t dark = 0x0c2616, light = 0x3f7d3c;
    uint32_t backlit = 0x9ac048;  // colour of light shining through a leaf turned away
    uint32_t rim = 0;             // edge light (0: none), for leaves against a bright sky
    float rimStrength = 0.0f;
    int seed = 1;
};

// The leaves of one layer, placed once over a picture and then looked up per
// sample through a grid of the cells each leaf overlaps.
class LeafLayer {
public:
    template <class Density>
    LeafLayer(const LeafStyle& style, float width, float height, const Density& density);
    // The composited leaves at p (premultiplied).
    Rgba At(Vec2 p) const;

private:
    struct Leaf {
        Vec2 origin;
        float cosA, sinA;  // the leaf's direction
        float length, width, radius, offset, bend, depth, tone;
        Vec2 lo, hi;  // bounding box
    };
    void Add(const Leaf& leaf);
    Rgba Shade(const Leaf& leaf, Vec2 p, float& depth, bool& hit) const;

    LeafStyle style_;
    Rgb dark_, light_, backlit_, rim_;
    int columns_ = 0, rows_ = 0;
    std::vector<Leaf> leaves_;
    std::vector<std::vector<int>> cells_;
};

// A brick/block wall: returns 0..1 mortar closeness (1 in the joints) and
// a per-block tone in `tone`.
float Blocks(Vec2 p, float width, float height, float joint, float& tone, int seed);

// One dressed stone of a wall of blocks: its tone (0..1), how far into the
// joint the point lies (1 deep in the mortar) and the normal of its chamfered
// face near the edges.
struct BlockHit {
    float tone = 0, mortar = 0;
    Vec3 normal{0, 0, 1};
};
BlockHit BlockAt(Vec2 p, float width, float height, float joint, float chamfer, int seed);

// The painterly finish of every scene: a faint brush texture and a grade that
// cools the shadows and warms the lights.
Rgb Finish(Rgb c, Vec2 p);

// Shading of a vertical cylinder (column) of half width `half` at x offset
// `dx` from its axis: the lambert factor under the top-left light.
float CylinderLight(float dx, float half);

// A flame: intensity 0..1 of a flickering flame whose base is at `base`,
// `height` tall; `heat` receives how close to its core the point is.
float Flame(Vec2 p, Vec2 base, float height, float& heat, int seed);

// Additive light shafts from the top left: intensity at p.
float Shafts(Vec2 p, float angle, float spacing, float seed);

// Glowing motes (dust, fireflies): intensity at p.
float Motes(Vec2 p, float cell, float size, float density, int seed);

// Darkening towards the picture's border: factor 0..1.
float Vignette(Vec2 p, float width, float height, float strength);

// --- Template body ----------------------------------------------------------

template <class Density>
LeafLayer::LeafLayer(const LeafStyle& s, float width, float height, const Density& density)
    : style_(s), dark_(Hex(s.dark)), light_(Hex(s.light)), backlit_(Hex(s.backlit)), rim_(Hex(s.rim)) {
    columns_ = std::max(1, int(std::ceil(width / s.cell)));
    rows_ = std::max(1, int(std::ceil(height / s.cell)));
    cells_.resize(size_t(columns_) * size_t(rows_));
    const int margin = int(std::ceil(s.maxLen / s.cell)) + 1;
    for (int j = -margin; j < rows_ + margin; ++j)
        for (int i = -margin; i < columns_ + margin; ++i)
            for (int k = 0; k < 2; ++k) {
                const int id = j * 2 + k;
                const Vec2 origin{(float(i) + HashUnit(i, id, s.seed + 1)) * s.cell,
                                  (float(j) + HashUnit(i, id, s.seed + 2)) * s.cell};
                if (HashUnit(i * 2 + k, j, s.seed) >= density(origin))
                    continue;
                Leaf leaf;
                leaf.origin = origin;
                leaf.length = Mix(s.minLen, s.maxLen, HashUnit(i, id, s.seed + 3));
                leaf.width = leaf.length * s.widthRatio * (0.75f + 0.5f * HashUnit(i, id, s.seed + 7));
                // Leaves hang from their stem: mostly downwards, fanned out.
                const float angle = kPi / 2 + (HashUnit(i, id, s.seed + 4) - 0.5f) * 2 * kPi * (1.0f - s.droop);
                leaf.cosA = std::cos(angle);
                leaf.sinA = std::sin(angle);
                leaf.radius = (leaf.length * leaf.length * 0.25f + leaf.width * leaf.width * 0.25f) / leaf.width;
                leaf.offset = leaf.radius - 0.5f * leaf.width;
                leaf.bend = 0.12f * leaf.width * (HashUnit(i, id, s.seed + 8) - 0.5f);
                leaf.depth = HashUnit(i, id, s.seed + 5);
                leaf.tone = 0.7f + 0.6f * HashUnit(i, id, s.seed + 6);
                Add(leaf);
            }
}

}  // namespace scene
}  // namespace gen
