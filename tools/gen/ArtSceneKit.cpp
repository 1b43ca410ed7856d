#include "ArtSceneKit.h"

#include <algorithm>
#include <cmath>

namespace gen {
namespace scene {

void LeafLayer::Add(const Leaf& input) {
    Leaf leaf = input;
    // Corners of the leaf's box along and across it.
    const float half = 0.6f * leaf.width + 2.0f;
    leaf.lo = {1e9f, 1e9f};
    leaf.hi = {-1e9f, -1e9f};
    for (float along : {-2.0f, leaf.length + 2.0f})
        for (float across : {-half, half}) {
            const Vec2 c{leaf.origin.x + along * leaf.cosA - across * leaf.sinA,
                         leaf.origin.y + along * leaf.sinA + across * leaf.cosA};
            leaf.lo = {std::min(leaf.lo.x, c.x), std::min(leaf.lo.y, c.y)};
            leaf.hi = {std::max(leaf.hi.x, c.x), std::max(leaf.hi.y, c.y)};
        }
    const int i0 = std::max(0, int(std::floor(leaf.lo.x / style_.cell))),
              i1 = std::min(columns_ - 1, int(std::floor(leaf.hi.x / style_.cell)));
    const int j0 = std::max(0, int(std::floor(leaf.lo.y / style_.cell))),
              j1 = std::min(rows_ - 1, int(std::floor(leaf.hi.y / style_.cell)));
    if (i0 > i1 || j0 > j1)
        return;
    const int index = int(leaves_.size());
    leaves_.push_back(leaf);
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i)
            cells_[size_t(j) * size_t(columns_) + size_t(i)].push_back(index);
}

Rgba LeafLayer::Shade(const Leaf& leaf, Vec2 p, float& depth, bool& hit) const {
    hit = false;
    const Vec2 d0 = p - leaf.origin;
    // Into the leaf's own axes: x along it from the stem, y across.
    const Vec2 q{d0.x * leaf.cosA + d0.y * leaf.sinA, -d0.x * leaf.sinA + d0.y * leaf.cosA};
    if (q.x < -2 || q.x > leaf.length + 2 || std::fabs(q.y) > 0.6f * leaf.width + 2)
        return {};
    // A pointed leaf, a little lopsided: the lens between two circles.
    const Vec2 b{q.x, q.y - leaf.bend * std::sin(kPi * q.x / leaf.length)};
    const float d = std::max(Length(b - Vec2{0.5f * leaf.length, -leaf.offset}),
                             Length(b - Vec2{0.5f * leaf.length, leaf.offset})) -
                    leaf.radius;
    if (d > 0.7f)
        return {};
    hit = true;
    depth = leaf.depth;
    const float across = Clamp01(std::fabs(b.y) / (0.5f * leaf.width)) * (b.y < 0 ? -1.0f : 1.0f);
    // Curved blade folded along its midrib.
    const Vec2 tilt{-across * 0.9f * leaf.sinA, across * 0.9f * leaf.cosA};
    const Vec3 n = Normalize(Vec3{tilt.x, tilt.y, 1.0f});
    const Lit lit = LightNormal(n, 24.0f);
    Rgb c = MixRgb(dark_, light_, Clamp01(0.1f + 0.95f * lit.diffuse) * leaf.tone);
    // Light through the half turned away.
    c = c + backlit_ * (0.22f * Clamp01(-Dot(Vec3{tilt.x, tilt.y, 0}, LightDirection()) * 2.0f) * leaf.tone);
    // Midrib and veins, darker, and a slight mottle.
    const float vein = std::fabs(std::fmod(q.x - std::fabs(b.y) * 1.4f + 1000.0f, leaf.length * 0.16f) - leaf.length * 0.08f);
    c = c * (1.0f - 0.3f * Glow(b.y / 1.1f, 1.0f) * Clamp01(q.x / leaf.length * 3.0f) -
             0.12f * Glow(vein, 1.0f) * Clamp01(1.0f - std::fabs(across)));
    c = c * (0.88f + 0.24f * Noise(1, p.x * 0.7f, p.y * 0.7f, 1.0f));
    c = c + Rgb{0.9f, 1.0f, 0.75f} * (0.18f * lit.specular);
    if (style_.rim != 0) {
        // Light catches only the edges that face it (up and to the left).
        const Vec2 out{-leaf.sinA * (b.y < 0 ? -1.0f : 1.0f), leaf.cosA * (b.y < 0 ? -1.0f : 1.0f)};
        const float facing = Clamp01(-(out.x * 0.65f + out.y * 0.76f));
        c = c + rim_ * (style_.rimStrength * facing * Glow((d + 0.6f) / 1.6f, 1.0f));
    }
    return Premultiply(c, Clamp01(0.5f - d));
}

Rgba LeafLayer::At(Vec2 p) const {
    const int i = int(std::floor(p.x / style_.cell)), j = int(std::floor(p.y / style_.cell));
    if (i < 0 || j < 0 || i >= columns_ || j >= rows_)
        return {};
    struct Hit {
        float depth;
        Rgba colour;
    };
    Hit hits[8];
    int count = 0;
    for (int index : cells_[size_t(j) * size_t(columns_) + size_t(i)]) {
        const Leaf& leaf = leaves_[size_t(index)];
        if (p.x < leaf.lo.x || p.x > leaf.hi.x || p.y < leaf.lo.y || p.y > leaf.hi.y)
            continue;
        float depth = 0;
        bool hit = false;
        const Rgba colour = Shade(leaf, p, depth, hit);
        if (!hit)
            continue;
        if (count < 8) {
            hits[count++] = {depth, colour};
            continue;
        }
        int lowest = 0;
        for (int h = 1; h < 8; ++h)
            if (hits[h].depth < hits[lowest].depth)
                lowest = h;
        if (depth > hits[lowest].depth)
            hits[lowest] = {depth, colour};
    }
    std::sort(hits, hits + count, [](const Hit& a, const Hit& b) { return a.depth < b.depth; });
    Rgba out;
    for (int h = 0; h < count; ++h)
        out = Over(hits[h].colour, out);
    return out;
}

Rgb Gradient(float t, std::initializer_list<std::pair<float, uint32_t>> stops) {
    const auto* first = stops.begin();
    if (t <= first->first)
        return Hex(first->second);
    for (const auto* s = first; s + 1 != stops.end(); ++s) {
        const auto* n = s + 1;
        if (t <= n->first) {
            const float u = (t - s->first) / std::max(n->first - s->first, 1e-6f);
            return MixRgb(Hex(s->second), Hex(n->second), SmoothStep(0.0f, 1.0f, u));
        }
    }
    return Hex((stops.end() - 1)->second);
}

float Blocks(Vec2 p, float width, float height, float joint, float& tone, int seed) {
    const int row = int(std::floor(p.y / height));
    const float shift = (row % 2 != 0) ? 0.5f * width : 0.0f;
    const float x = p.x + shift;
    const int col = int(std::floor(x / width));
    const float fx = x - float(col) * width, fy = p.y - float(row) * height;
    tone = HashUnit(col, row, seed);
    const float edge = std::min({fx, width - fx, fy, height - fy});
    return Clamp01(1.0f - edge / joint);
}

BlockHit BlockAt(Vec2 p, float width, float height, float joint, float chamfer, int seed) {
    const int row = int(std::floor(p.y / height));
    const float shift = (row % 2 != 0) ? 0.5f * width : 0.0f;
    const float x = p.x + shift;
    const int col = int(std::floor(x / width));
    // Edges wobble a little: old, hand-cut stone.
    const float wobble = 1.5f * (Noise(1, p.x * 0.8f, p.y * 0.8f, 1.0f) - 0.5f);
    const float fx = x - float(col) * width + wobble, fy = p.y - float(row) * height - wobble;
    BlockHit hit;
    hit.tone = HashUnit(col, row, seed);
    const float left = fx - 0.5f * joint, right = width - 0.5f * joint - fx;
    const float top = fy - 0.5f * joint, bottom = height - 0.5f * joint - fy;
    const float edge = std::min({left, right, top, bottom});
    hit.mortar = Clamp01(0.5f - edge);
    if (edge < chamfer && edge > -1.0f) {
        const float t = Clamp01(1.0f - edge / chamfer);
        Vec2 n{0, 0};
        if (edge == left)
            n = {-1, 0};
        else if (edge == right)
            n = {1, 0};
        else if (edge == top)
            n = {0, -1};
        else
            n = {0, 1};
        hit.normal = Normalize(Vec3{n.x * t * 1.2f, n.y * t * 1.2f, 1.0f});
    }
    return hit;
}

Rgb Finish(Rgb c, Vec2 p) {
    // Strokes: noise stretched along a gently turning direction.
    const float turn = 0.6f * Noise(0, p.x * 0.3f, p.y * 0.3f, 1.0f);
    const Vec2 d = Rotate(p, 0.5f + turn);
    const float stroke = Noise(1, d.x * 0.25f, d.y * 2.2f, 1.0f);
    c = c * (0.97f + 0.06f * stroke);
    const float luma = Luminance(c);
    const Rgb cool{0.85f, 0.9f, 1.15f}, warm{1.08f, 1.0f, 0.9f};
    return c * MixRgb(cool, warm, SmoothStep(0.02f, 0.35f, luma));
}

float CylinderLight(float dx, float half) {
    const float u = std::clamp(dx / half, -1.0f, 1.0f);
    const Vec3 n{u, 0.0f, std::sqrt(std::max(1.0f - u * u, 0.0f))};
    return LightNormal(n, 8.0f).diffuse;
}

float Flame(Vec2 p, Vec2 base, float height, float& heat, int seed) {
    const Vec2 q = p - base;
    const float t = -q.y / height;  // 0 at the base, 1 at the tip
    heat = 0;
    if (t < -0.25f || t > 1.3f)
        return 0;
    const float flicker = Noise(1, q.x * 0.8f + float(seed) * 31.0f, p.y * 0.35f, 1.0f);
    const float sway = (flicker - 0.5f) * height * 0.25f * Clamp01(t);
    const float halfWidth = height * 0.28f * std::sqrt(Clamp01(1.0f - t)) * (t < 0 ? Clamp01(1.0f + t * 4.0f) : 1.0f);
    const float d = std::fabs(q.x - sway) - halfWidth;
    const float body = Clamp01(0.5f - d / 2.0f) * SmoothStep(1.25f, 0.8f, t);
    heat = body * Clamp01(1.0f - std::fabs(q.x - sway) / std::max(halfWidth, 0.5f)) * Clamp01(1.2f - t);
    return body;
}

float Shafts(Vec2 p, float angle, float spacing, float seed) {
    const Vec2 dir{std::cos(angle), std::sin(angle)};
    const float across = Cross(dir, p);
    const float n = Fbm1(across / spacing, seed);
    return std::pow(Clamp01((n - 0.45f) * 2.2f), 2.0f);
}

float Motes(Vec2 p, float cell, float size, float density, int seed) {
    const int cx = int(std::floor(p.x / cell)), cy = int(std::floor(p.y / cell));
    float v = 0;
    for (int j = cy - 1; j <= cy + 1; ++j)
        for (int i = cx - 1; i <= cx + 1; ++i) {
            if (HashUnit(i, j, seed) > density)
                continue;
            const Vec2 at{(float(i) + HashUnit(i, j, seed + 1)) * cell, (float(j) + HashUnit(i, j, seed + 2)) * cell};
            const float s = size * (0.5f + HashUnit(i, j, seed + 3));
            v += Glow(Length(p - at) / s, 1.0f) * (0.4f + 0.6f * HashUnit(i, j, seed + 4));
        }
    return v;
}

float Vignette(Vec2 p, float width, float height, float strength) {
    const Vec2 q{(p.x / width - 0.5f) * 2.0f, (p.y / height - 0.5f) * 2.0f};
    return 1.0f - strength * SmoothStep(0.55f, 1.45f, Length(q));
}

}  // namespace scene
}  // namespace gen
