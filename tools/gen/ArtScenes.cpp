#include "ArtScenes.h"

#include <algorithm>

#include "ArtSceneKit.h"
#include "ArtText.h"

namespace gen {

namespace {

using namespace scene;

constexpr float kW = float(kSceneWidth), kH = float(kSceneHeight);
const Rgb kWhite{1, 1, 1};

template <class F>
FloatImage Paint(int width, int height, const F& colourAt) {
    return RenderAdaptive(width, height, 0.025f, [&](float x, float y) {
        const Rgb c = colourAt(Vec2{x, y});
        return Rgba{c.r, c.g, c.b, 1.0f};
    });
}

// Distance to a stepped temple: `tiers` terraces on a base `baseHalf` wide
// (half width) at row `baseY`, each `tierHeight` tall and `shrink` narrower on
// each side, with a shrine on top. Also gives the terrace index under p.
float TempleDistance(Vec2 p, float cx, float baseY, float baseHalf, float tierHeight, int tiers, float shrink,
                     int* tier = nullptr) {
    // Far from the temple its bounding box is distance enough.
    const float top = baseY - float(tiers) * tierHeight - 1.5f * tierHeight;
    const float box = SdBox(p - Vec2{cx, 0.5f * (top + baseY)}, {baseHalf, 0.5f * (baseY - top)});
    if (box > 2.0f)
        return box;
    float d = 1e9f;
    for (int k = 0; k < tiers; ++k) {
        const float half = baseHalf - float(k) * shrink;
        const float top = baseY - float(k + 1) * tierHeight;
        const float dk = SdBox(p - Vec2{cx, top + 0.5f * tierHeight}, {half, 0.5f * tierHeight});
        if (dk < d && tier)
            *tier = k;
        d = Union(d, dk);
    }
    const float topHalf = baseHalf - float(tiers) * shrink;
    const float shrineTop = baseY - float(tiers) * tierHeight - 1.5f * tierHeight;
    const float shrine = SdBox(p - Vec2{cx, shrineTop + 0.75f * tierHeight}, {topHalf * 0.55f, 0.75f * tierHeight});
    if (shrine < d && tier)
        *tier = tiers;
    return Union(d, shrine);
}

// The stone of a stepped temple under the top-left light: each terrace's
// front wall with its lit ledge on top, darker towards the right, a stair up
// the middle. `light` scales it, `haze` (0..1) mixes in the air colour.
Rgb TempleStone(Vec2 p, float cx, float baseY, float tierHeight, int tier, Rgb base, float stairHalf) {
    const float inTier = std::fmod(baseY - p.y + 1000.0f * tierHeight, tierHeight) / tierHeight;  // 0 bottom, 1 top
    float shade = 0.75f + 0.15f * SmoothStep(0.0f, 1.0f, inTier);
    if (inTier > 0.86f)
        shade = 1.25f;  // the ledge
    else if (inTier < 0.08f)
        shade = 0.5f;   // shadow under the ledge above
    shade *= 0.9f + 0.2f * SmoothStep(cx + 300.0f, cx - 300.0f, p.x);
    const BlockHit b = BlockAt(p, 34.0f, tierHeight * 0.5f, 1.2f, 2.0f, 23 + tier);
    Rgb c = base * (shade * (0.85f + 0.25f * b.tone) * (1.0f - 0.4f * b.mortar));
    if (std::fabs(p.x - cx) < stairHalf) {
        const float step = std::fmod(p.y, 7.0f) / 7.0f;
        c = base * (step < 0.35f ? 1.2f : 0.7f) * (std::fabs(p.x - cx) > stairHalf - 4.0f ? 0.6f : 1.0f);
    }
    return c;
}

// Masses of distant foliage: soft-edged blobs lit from the top left.
// `coverage` receives how much of p they cover.
Rgb Canopy(Vec2 p, float scale, float threshold, float seed, Rgb dark, Rgb light, float& coverage) {
    const float n = Noise(0, p.x / scale + seed, p.y / scale, 1.0f);
    coverage = SmoothStep(threshold - 0.04f, threshold + 0.03f, n);
    const float e = 2.0f * scale;
    const float gx = Noise(0, (p.x + e) / scale + seed, p.y / scale, 1.0f) - n;
    const float gy = Noise(0, p.x / scale + seed, (p.y + e) / scale, 1.0f) - n;
    const Vec3 normal = Normalize(Vec3{-gx * 40.0f, -gy * 40.0f, 1.0f});
    const Lit lit = LightNormal(normal, 10.0f);
    const float inner = SmoothStep(threshold, threshold + 0.2f, n);
    return MixRgb(dark, light, Clamp01(0.15f + 0.8f * lit.diffuse) * (0.6f + 0.4f * inner));
}

// The dusk sky shared by the valley, the loading picture and the title card.
Rgb DuskSky(Vec2 p, float horizon, Vec2 sun) {
    Rgb c = Gradient(p.y / horizon, {{0.0f, 0x140e2a}, {0.3f, 0x2e2050}, {0.58f, 0x643e78}, {0.8f, 0xb86a88}, {1.0f, 0xf4a068}});
    const float sd = Length(p - sun);
    c = c + Hex(0xffc080) * (0.9f * Glow(sd / 45.0f, 1.0f) + 0.35f * Glow(sd / 230.0f, 1.0f));
    // Long clouds lit from below by the low sun.
    const float n = Noise(0, p.x * 0.5f, p.y * 2.4f, 1.0f);
    const float band = SmoothStep(0.56f, 0.74f, n) * SmoothStep(60.0f, 160.0f, p.y) * SmoothStep(horizon, horizon - 140.0f, p.y);
    const Rgb cloud = MixRgb(Hex(0x4a3060), Hex(0xff9a80), Clamp01(p.y / horizon) * (0.5f + 0.5f * Glow(sd / 400.0f, 1.0f)));
    c = MixRgb(c, cloud, 0.75f * band);
    // A few early stars high up.
    if (p.y < 260.0f)
        c = c + kWhite * (0.6f * Motes(p, 46.0f, 0.9f, 0.22f, 77) * SmoothStep(260.0f, 40.0f, p.y));
    return c;
}

// Jungle edges: dense leaves towards the left and right borders, dark
// against the sky with a rim of light where `rim` is given.
LeafLayer EdgeLeaves(float reach, uint32_t rim, float rimStrength, int seed) {
    LeafStyle style;
    style.cell = 54;
    style.minLen = 60;
    style.maxLen = 125;
    style.droop = 0.4f;
    style.dark = 0x040a06;
    style.light = 0x1e3c24;
    style.backlit = 0x3a5a20;
    style.rim = rim;
    style.rimStrength = rimStrength;
    style.seed = seed;
    return LeafLayer(style, kW, kH, [&](Vec2 o) {
        const float edge = std::min(o.x, kW - o.x) + 40.0f * Fbm1(o.y / 120.0f, float(seed));
        return SmoothStep(reach, reach * 0.25f, edge) * 0.97f;
    });
}

Rgb OverLeaves(Rgb c, const LeafLayer& leaves, Vec2 p) {
    const Rgba leaf = leaves.At(p);
    return c * (1.0f - leaf.a) + Rgb{leaf.r, leaf.g, leaf.b};
}

// ---- Backdrop 1: the museum hall ---------------------------------------------

constexpr float kMuseumFloor = 560.0f;

// Light of the hall at p: warm pools under three lamps, a dim ambient.
float MuseumLight(Vec2 p) {
    const Vec2 lamps[3] = {{205, 60}, {819, 60}, {512, 240}};
    float light = 0.22f;
    for (int i = 0; i < 3; ++i)
        light += (i == 2 ? 1.1f : 0.8f) * Glow(Length(p - lamps[i]) / 240.0f, 1.0f);
    return light;
}

Rgb MuseumHall(Vec2 p) {
    const float light = MuseumLight(p);
    const Rgb lamp = Hex(0xffd0a0);
    // Dressed sandstone blocks.
    const BlockHit b = BlockAt(p, 112, 56, 3.0f, 4.0f, 5);
    Rgb c = Hex(0x8a7258) * (0.78f + 0.3f * b.tone + 0.25f * (Noise(0, p.x * 2, p.y * 2, 1.0f) - 0.5f));
    c = MattShade(b.normal, c, 0.05f) * 1.6f;
    c = MixRgb(c, Hex(0x1e160e), 0.85f * b.mortar);
    c = c * lamp * light;
    // A cornice under the ceiling, then the ceiling's dark.
    if (p.y < 36.0f)
        c = Hex(0x120c08) * (0.6f + 0.4f * p.y / 36.0f);
    else if (p.y < 52.0f)
        c = Hex(0xb89a70) * (p.y < 44.0f ? 1.0f : 0.55f) * lamp * light;

    // The alcove: an arch with a relic on a pedestal.
    const auto arch = [](Vec2 v) { return Union(SdBox(v - Vec2{512, 400}, {100, 165}), Length(v - Vec2{512, 240}) - 100.0f); };
    const float a = arch(p);
    if (a < 9.0f) {
        const Vec2 g = SdGradient(arch, p);
        if (a > 0) {
            const float t = (a - 4.5f) / 4.5f;
            c = GoldShade(Normalize(Vec3{g.x * t, g.y * t, 1.0f}), 0.5f) * (0.5f + 0.6f * light);
        } else {
            const float depth = Clamp01(-a / 50.0f);
            c = MixRgb(Hex(0x4a3420), Hex(0x1a120c), depth) * (0.8f + 0.4f * light);
            // Shadow cast by the arch's left side into the niche.
            c = c * (1.0f - 0.5f * SmoothStep(-30.0f, 0.0f, a) * Clamp01((512.0f - p.x) / 100.0f));
            // The relic: a gold sun disc that glows.
            const Vec2 q = p - Vec2{512, 380};
            const float r = Length(q);
            const float angle = std::atan2(q.y, q.x);
            c = c + Hex(0xffb050) * (0.9f * Glow(r / 120.0f, 1.0f));
            const float rayLen = 60.0f + 6.0f * std::cos(angle * 12.0f);
            const float rays = r > 36.0f && r < rayLen ? std::pow(std::fabs(std::cos(angle * 6.0f)), 6.0f) : 0.0f;
            if (r < 38.0f) {
                const Vec3 n = r > 31.0f ? Normalize(Vec3{q.x / r * 0.8f, q.y / r * 0.8f, 0.6f})
                                         : Normalize(Vec3{q.x / 70.0f, q.y / 70.0f, 1.0f});
                Rgb disc = GoldShade(n, 0.9f);
                // A face of concentric rings engraved in it.
                if (r < 31.0f && std::fabs(std::fmod(r, 9.0f) - 4.5f) < 0.8f)
                    disc = disc * 0.6f;
                c = disc;
            } else if (rays > 0.25f) {
                c = MixRgb(c, GoldShade(Normalize(Vec3{q.x / r * 0.3f, q.y / r * 0.3f, 1.0f}), 0.8f), Clamp01((rays - 0.25f) * 4.0f));
            }
            // The pedestal, lit from the left, its top catching the relic's glow.
            const float ped = SdBox(p - Vec2{512, 512}, {58, 48}, 2.0f);
            if (ped < 1.0f) {
                const float lit = 0.45f + 0.5f * Clamp01((560.0f - p.x) / 110.0f);
                Rgb stone = Hex(0x9a8a72) * lit * (0.9f + 0.2f * Noise(1, p.x, p.y, 1.0f));
                if (p.y < 472.0f)
                    stone = Hex(0xd8b880);
                c = MixRgb(c, stone, Coverage(ped));
            }
        }
    }
    // Banners between the outer columns, folded in long pleats.
    for (float bx : {205.0f, 819.0f}) {
        const float half = 36.0f;
        const float tip = 372.0f - 30.0f * (1.0f - std::fabs(p.x - bx) / half);
        if (std::fabs(p.x - bx) < half && p.y > 84 && p.y < tip) {
            const float u = (p.x - bx) / half;
            const float fold = 0.7f + 0.3f * std::cos(u * kPi * 2.5f + 0.6f);
            Rgb banner = Hex(0x5a2c78) * fold * (0.5f + 0.7f * light);
            const bool border = std::fabs(u) > 0.86f || p.y < 94 || p.y > tip - 7;
            if (border)
                banner = GoldShade(Normalize(Vec3{std::sin(u * 6.0f) * 0.5f, 0, 1}), 0.5f) * (0.5f + 0.5f * light);
            const float emblem = std::fabs(Length(p - Vec2{bx, 196}) - 17.0f);
            if (emblem < 2.2f || Length(p - Vec2{bx, 196}) < 5.0f)
                banner = GoldShade(Vec3{0, 0, 1}, 0.75f) * (0.5f + 0.5f * light);
            c = banner;
        }
    }
    // Columns of pale marble: fluted shafts, square capitals and bases.
    for (float cx : {110.0f, 300.0f, 724.0f, 914.0f}) {
        const float dx = p.x - cx;
        const float half = 33.0f;
        const bool capital = p.y > 36 && p.y < 70 && std::fabs(dx) < half + 12;
        const bool base = p.y > kMuseumFloor - 26 && p.y < kMuseumFloor && std::fabs(dx) < half + 10;
        if ((std::fabs(dx) < half && p.y >= 36 && p.y < kMuseumFloor) || capital || base) {
            const float w = capital ? half + 12 : (base ? half + 10 : half);
            const float lit = CylinderLight(dx, w);
            const float flute = capital || base ? 1.0f : 0.8f + 0.2f * std::cos(dx / half * kPi * 5.0f);
            Rgb marble = Hex(0xe0d2ba) * (0.9f + 0.15f * Noise(0, p.x * 3.0f, p.y * 0.5f, 1.0f));
            float shade = (0.14f + 0.95f * lit * flute) * (0.55f + 0.55f * Glow(Length(p - Vec2{cx, 80}) / 380.0f, 1.0f));
            if (capital && p.y > 62)
                shade *= 0.55f;  // under the capital's lip
            if (!capital && !base && p.y < 82)
                shade *= 0.6f + 0.4f * SmoothStep(70.0f, 82.0f, p.y);
            c = marble * lamp * shade;
        }
    }
    return c;
}

Rgb MuseumAt(Vec2 p) {
    if (p.y < kMuseumFloor)
        return Finish(MuseumHall(p) * Vignette(p, kW, kH, 0.55f), p);
    // The polished floor: tiles in perspective, a dim, rippled mirror of the hall.
    const float h = std::max(p.y - 420.0f, 1.0f);
    const float fx = (p.x - 512.0f) / h * 5.0f, fz = 3600.0f / h;
    const bool dark = (int(std::floor(fx)) + int(std::floor(fz))) % 2 != 0;
    Rgb floor = dark ? Hex(0x2a201a) : Hex(0x9a8670);
    floor = floor * (0.8f + 0.3f * Noise(0, fx * 60.0f, fz * 60.0f, 1.0f)) * MuseumLight(Vec2{p.x, kMuseumFloor - 40.0f});
    const float ripple = 2.0f * (Noise(1, p.x * 0.5f, p.y * 2.0f, 1.0f) - 0.5f);
    const Rgb mirror = MuseumHall(Vec2{p.x + ripple, 2 * kMuseumFloor - p.y});
    const float fade = 0.32f * std::exp(-(p.y - kMuseumFloor) / 120.0f) + 0.08f;
    Rgb c = MixRgb(floor * 0.75f, mirror, fade * (dark ? 1.4f : 0.9f));
    c = c * (1.0f - 0.5f * Glow((p.y - kMuseumFloor) / 4.0f, 1.0f));  // the joint of wall and floor
    return Finish(c * Vignette(p, kW, kH, 0.55f), p);
}

// ---- Backdrop 2: the jungle ---------------------------------------------------

Rgb JungleAt(Vec2 p, const LeafLayer& middle, const LeafLayer& edges) {
    const Vec2 sky{600, 120};
    const Rgb fog = Hex(0xc4d8a8);
    Rgb c = MixRgb(Hex(0x1e3a24), Hex(0xf0f4c8), Glow(Length(p - sky) / 460.0f, 1.0f));
    // Three depths of canopy, the farthest palest.
    const float layers[3][3] = {{90.0f, 0.56f, 0.75f}, {70.0f, 0.6f, 0.55f}, {55.0f, 0.62f, 0.35f}};
    for (int i = 0; i < 3; ++i) {
        float cover = 0;
        const float sideBias = 0.12f * SmoothStep(500.0f, 0.0f, std::min(p.x, kW - p.x));
        const Rgb leaf = Canopy(Vec2{p.x, p.y * 1.3f}, layers[i][0] / 60.0f, layers[i][1] - sideBias, float(i) * 40.0f,
                                Hex(0x10301a), Hex(0x5a9a50), cover);
        // Foliage hangs from the top and crowds the sides; the middle stays open.
        const float where = std::max(SmoothStep(300.0f, 40.0f, p.y), SmoothStep(420.0f, 120.0f, std::min(p.x, kW - p.x)));
        c = MixRgb(c, MixRgb(leaf, fog, layers[i][2]), cover * where);
    }
    // Trunks in the haze, barked and lit from the left.
    for (int i = 0; i < 7; ++i) {
        const float x0 = 40.0f + float(i) * 150.0f + 60.0f * HashUnit(i, 1, 3);
        const float w = 12.0f + 16.0f * HashUnit(i, 2, 3);
        const float near = HashUnit(i, 5, 3);
        const float sway = 14.0f * std::sin(p.y / 110.0f + float(i));
        const float dx = p.x - x0 - sway;
        const float d = std::fabs(dx) - w;
        if (d < 1.0f) {
            const float lit = CylinderLight(dx, w);
            const float bark = 0.8f + 0.3f * Noise(1, dx * 2.0f, p.y * 0.25f, 1.0f);
            const Rgb trunk = Hex(0x4a4a32) * (0.3f + 0.9f * lit) * bark;
            c = MixRgb(c, MixRgb(trunk, fog, 0.55f - 0.35f * near), Clamp01(0.5f - d));
        }
    }
    // The ruin of a stepped temple in the mist.
    int tier = 0;
    const float temple = TempleDistance(p, 650, 620, 250, 52, 6, 34, &tier);
    if (temple < 1.0f) {
        Rgb stone = TempleStone(p, 650, 620, 52, tier, Hex(0x8a927a), 34.0f);
        const float moss = SmoothStep(0.5f, 0.68f, Noise(0, p.x * 2, p.y * 2, 1.0f));
        stone = MixRgb(stone, Hex(0x4a7a3a) * 0.8f, 0.65f * moss);
        stone = stone + Hex(0xfff0b0) * (0.12f * Clamp01((700.0f - p.x) / 300.0f));
        c = MixRgb(c, MixRgb(stone, fog, 0.32f), Coverage(temple));
    }
    // Mossy ground in the mist at the temple's foot.
    {
        const float ground = RidgeY(p.x, 622.0f, 14.0f, 80.0f, 12.0f, false);
        const Rgb moss = Hex(0x2e4a26) * (0.8f + 0.4f * Noise(0, p.x * 2.0f, p.y * 4.0f, 1.0f));
        c = MixRgb(c, MixRgb(moss, fog, 0.35f * SmoothStep(700.0f, 620.0f, p.y)), Below(p.y, ground, 2.0f));
    }
    // Light falling through the canopy, and the haze it lights.
    const float shafts = Shafts(p, 1.15f, 70.0f, 4.0f) * SmoothStep(720.0f, 60.0f, p.y);
    c = c + Hex(0xfff2b8) * (0.32f * shafts);
    // Middle leaves at the sides and along the bottom, a little hazy.
    {
        const Rgba leaf = middle.At(p);
        c = c * (1.0f - leaf.a) + MixRgb(Rgb{leaf.r, leaf.g, leaf.b}, fog * leaf.a, 0.18f);
    }
    // Hanging vines with a few small leaves.
    for (int i = 0; i < 6; ++i) {
        const float x0 = 80.0f + float(i) * 170.0f + 50.0f * HashUnit(i, 7, 1);
        const float end = 180.0f + 260.0f * HashUnit(i, 8, 1);
        const float x = x0 + 12.0f * std::sin(p.y / 37.0f + float(i) * 1.7f);
        const float d = std::fabs(p.x - x) - 2.0f;
        if (p.y < end && d < 1.0f) {
            const float lit = Clamp01((x - p.x) / 2.0f * 0.5f + 0.5f);
            c = MixRgb(c, Hex(0x1e4020) * (0.5f + 0.9f * lit), Clamp01(0.5f - d) * SmoothStep(end, end - 20.0f, p.y));
        }
        const float leafY = std::fmod(p.y, 34.0f);
        const Vec2 q{p.x - x - 7.0f * ((int(p.y / 34.0f) % 2) ? 1.0f : -1.0f), leafY - 17.0f};
        if (p.y < end - 10 && SdEllipse(q, {7.0f, 4.0f}) < 0)
            c = Hex(0x2e6a30) * (0.7f + 0.5f * Clamp01(-q.x * 0.1f - q.y * 0.1f + 0.5f));
    }
    // Fireflies.
    c = c + Hex(0xfff0a0) * (0.9f * Motes(p, 70.0f, 2.0f, 0.2f, 33));
    c = OverLeaves(c, edges, p);
    return Finish(c * Vignette(p, kW, kH, 0.55f), p);
}

// ---- Backdrop 3: the valley at dusk ------------------------------------------

Rgb ValleyAt(Vec2 p, const LeafLayer& edges) {
    constexpr float kHorizon = 450.0f;
    const Vec2 sun{330, 440};
    Rgb c = DuskSky(p, kHorizon, sun);
    const Rgb haze = Hex(0xd092a8);
    struct Range {
        float base, amplitude, stretch, seed;
        uint32_t colour;
        float fog;
        bool sharp;
    };
    const Range ranges[4] = {{470, 250, 170, 1, 0x6a5486, 0.6f, true},
                             {520, 190, 140, 2, 0x46366a, 0.38f, true},
                             {585, 120, 120, 3, 0x2a2040, 0.18f, false},
                             {655, 80, 100, 4, 0x161426, 0.0f, false}};
    for (int i = 0; i < 4; ++i) {
        const Range& r = ranges[i];
        // Broad massifs with sharper crests on top.
        const auto crest = [&](float x) {
            const float broad = SmoothStep(0.2f, 0.8f, Fbm1(x / (r.stretch * 2.5f), r.seed + 10.0f));
            const float fine = r.sharp ? Ridged1(x / r.stretch, r.seed) : Fbm1(x / r.stretch, r.seed);
            return r.base - r.amplitude * (0.65f * broad + 0.35f * fine);
        };
        const float ridge = crest(p.x);
        const float cover = Below(p.y, ridge);
        if (cover > 0) {
            // Slopes facing the sun catch a warm light near the crest; haze
            // fills the folds below.
            const auto broad = [&](float x) { return Fbm1(x / (r.stretch * 2.5f), r.seed + 10.0f); };
            const float slope = (broad(p.x - 12.0f) - broad(p.x + 12.0f)) * r.amplitude / 24.0f;
            const float facing = Clamp01(slope * 1.5f + 0.5f);
            const float nearCrest = Glow((p.y - ridge) / 60.0f, 1.0f);
            Rgb m = Hex(r.colour) * (0.85f + (0.45f * facing - 0.2f) * nearCrest) *
                    (0.9f + 0.2f * Noise(0, p.x * 0.6f, p.y * 0.6f + r.seed * 100.0f, 1.0f));
            m = m + Hex(0xffa070) * (0.6f * Glow((p.y - ridge) / 2.5f, 1.0f) * Glow((p.x - sun.x) / 450.0f, 1.0f) * (1.0f - r.fog));
            m = MixRgb(m, haze, r.fog + 0.3f * SmoothStep(ridge + 130.0f, ridge + 10.0f, p.y) * (1.0f - r.fog) * 0.6f);
            c = MixRgb(c, m, cover);
        }
        if (i == 1) {
            // A temple on the second range, its shrine lit.
            const float baseY = crest(760.0f) + 14.0f;
            int tier = 0;
            const float t = TempleDistance(p, 760, baseY, 48, 10, 5, 7, &tier);
            if (t < 1.0f)
                c = MixRgb(c, MixRgb(TempleStone(p, 760, baseY, 10, tier, Hex(0x3a2c52), 5.0f), haze, 0.3f), Coverage(t));
            c = c + Hex(0xffc070) * (0.8f * Glow(Length(p - Vec2{760, baseY - 58}) / 3.5f, 1.0f) +
                                     0.25f * Glow(Length(p - Vec2{760, baseY - 58}) / 20.0f, 1.0f));
        }
        if (i == 2)
            c = MixRgb(c, haze, 0.4f * Glow((p.y - 612.0f) / 28.0f, 1.0f));  // mist in the valley
    }
    // A river winding towards the viewer, mirroring the sky, rippled.
    if (p.y > 630.0f) {
        const float t = (p.y - 630.0f) / 138.0f;
        const float centre = 560.0f + 90.0f * std::sin(t * 3.2f + 0.4f) - 80.0f * t;
        const float half = 3.0f + 55.0f * t * t;
        const float d = std::fabs(p.x - centre) - half;
        if (d < 1.0f) {
            const float ripple = SmoothStep(0.55f, 0.8f, Noise(1, p.x * 0.25f, p.y * 4.0f, 1.0f));
            Rgb water = DuskSky(Vec2{p.x, 250.0f + 60.0f * t}, 450.0f, sun) * 0.55f;
            water = water + Hex(0xffc0a0) * (0.18f * ripple);
            c = MixRgb(c, water * (0.6f + 0.4f * (1.0f - t)), Clamp01(0.5f - d) * SmoothStep(0.0f, 0.15f, t));
        }
    }
    c = OverLeaves(c, edges, p);
    return Finish(c * Vignette(p, kW, kH, 0.45f), p);
}

// ---- Backdrop 5: the treasury -------------------------------------------------

Rgb TreasuryAt(Vec2 p) {
    const float cone = Glow((p.x - 512.0f) / (80.0f + 0.4f * p.y), 1.0f);
    const float light = 0.25f + 0.9f * cone;
    // The vault's back wall: dressed stone with deep arched niches and gold trim.
    const BlockHit b = BlockAt(p, 90, 45, 2.5f, 3.0f, 31);
    Rgb c = Hex(0x5a4430) * (0.75f + 0.3f * b.tone);
    c = MattShade(b.normal, c, 0.05f) * 1.5f;
    c = MixRgb(c, Hex(0x120c06), 0.8f * b.mortar);
    const float period = 256.0f;
    const float ax = std::fmod(p.x + 128.0f + period * 4, period) - 128.0f;
    const auto arch = [&](Vec2 v) { return Union(SdBox(Vec2{v.x, v.y - 380.0f}, {78, 150}), Length(Vec2{v.x, v.y - 230.0f}) - 78.0f); };
    const float a = arch(Vec2{ax, p.y});
    if (a < 0)
        c = MixRgb(Hex(0x2a1c10), Hex(0x0a0604), Clamp01(-a / 40.0f));
    else if (a < 7.0f) {
        const float t = (a - 3.5f) / 3.5f;
        const Vec2 g = SdGradient(arch, Vec2{ax, p.y});
        c = GoldShade(Normalize(Vec3{g.x * t, g.y * t, 1.0f}), 0.4f);
    }
    c = c * (0.4f + light) * Hex(0xffd8a0);
    c = c * (0.5f + 0.5f * SmoothStep(0.0f, 200.0f, p.y));
    // A shaft of light from above onto the hoard, with dust in it.
    c = c + Hex(0xffd080) * (0.35f * cone * (1.0f - 0.5f * p.y / kH));
    c = c + Hex(0xfff0c0) * (0.5f * Motes(p, 36.0f, 1.4f, 0.3f, 91) * cone);
    // Mounds of coins.
    const float top = 590.0f - 150.0f * Glow((p.x - 300.0f) / 190.0f, 1.0f) - 200.0f * Glow((p.x - 720.0f) / 230.0f, 1.0f) -
                      26.0f * Fbm1(p.x / 60.0f, 5.0f);
    if (p.y > top - 3.0f) {
        // Coins lie at odd angles on a jittered grid.
        const float cw = 15.0f, ch = 8.0f;
        Rgba coins;
        const int row0 = int(std::floor(p.y / ch));
        for (int row = row0 - 1; row <= row0 + 1; ++row) {
            const float shift = HashUnit(row, 0, 7) * cw;
            const int col0 = int(std::floor((p.x + shift) / cw));
            for (int col = col0 - 1; col <= col0 + 1; ++col) {
                const Vec2 centre{(float(col) + 0.5f + 0.4f * (HashUnit(col, row, 8) - 0.5f)) * cw - shift,
                                  (float(row) + 0.5f + 0.4f * (HashUnit(col, row, 9) - 0.5f)) * ch};
                const float tilt = (HashUnit(col, row, 4) - 0.5f) * 1.2f;
                const float size = 0.85f + 0.3f * HashUnit(col, row, 10);
                // Small turns: the series is close enough and much cheaper.
                const float ct = 1.0f - 0.5f * tilt * tilt, st = tilt - tilt * tilt * tilt / 6.0f;
                const Vec2 d = p - centre;
                const Vec2 q{ct * d.x - st * d.y, st * d.x + ct * d.y};
                const float e = SdEllipse(q, {7.5f * size, 3.6f * size});
                if (e > 1.0f)
                    continue;
                const float up = HashUnit(col, row, 5);
                Vec3 n = Normalize(Vec3{tilt * 0.6f, -0.7f + up * 0.6f, 1.0f});
                if (e > -1.2f)
                    n = Normalize(Vec3{q.x * 0.1f, 0.6f, 0.6f});  // the rim
                const Rgb coin = GoldShade(n, 0.4f + 0.5f * up);
                coins = Over(Premultiply(coin, Coverage(e)), coins);
            }
        }
        const float depthShade = 0.45f + 0.55f * Glow((p.y - top) / 90.0f, 1.0f);
        Rgb pile = Hex(0x3a2408) * 0.6f;
        pile = pile * (1.0f - coins.a) + Rgb{coins.r, coins.g, coins.b};
        pile = pile * (light * 1.2f + 0.15f) * depthShade;
        c = MixRgb(c, pile, Clamp01((p.y - top) / 2.0f + 0.5f));
        // Glints and scattered gems.
        c = c + Hex(0xfff4d0) * (1.4f * Motes(p, 24.0f, 1.2f, 0.16f, 93) * light);
        const float gem = Motes(p, 60.0f, 2.4f, 0.14f, 95);
        if (gem > 0.05f) {
            const int g = int(HashUnit(int(p.x / 60.0f), int(p.y / 60.0f), 96) * 7.0f);
            static const uint32_t kGems[7] = {0x30e080, 0xffe040, 0xff2050, 0x3070ff, 0xff8020, 0xf0f4ff, 0xb050ff};
            c = c + Hex(kGems[g]) * (1.0f * gem);
        }
    }
    // Two chests half sunk in the coins.
    for (const Vec2& at : {Vec2{170, 612}, Vec2{870, 646}}) {
        const float body = SdBox(p - at, {72, 40}, 4.0f);
        const float lid = Intersect(SdEllipse(p - (at - Vec2{0, 40}), {72, 30}), p.y - (at.y - 40.0f));
        const float d = Union(body, lid);
        if (d < 1.0f) {
            const bool onLid = p.y < at.y - 40.0f;
            const bool band = std::fabs(p.x - at.x + 46.0f) < 7.0f || std::fabs(p.x - at.x - 46.0f) < 7.0f ||
                              std::fabs(p.y - at.y + 40.0f) < 4.0f;
            const float side = Clamp01((at.x + 72.0f - p.x) / 144.0f);
            Vec3 n = onLid ? Normalize(Vec3{0.0f, -(at.y - 40.0f - p.y) / 30.0f, 1.0f}) : Vec3{0, 0, 1};
            n = Normalize(Vec3{n.x + (side - 0.5f) * -0.6f, n.y, n.z});
            Rgb chest = band ? GoldShade(n, 0.6f)
                             : MattShade(n, Hex(0x6a3a18) * (0.75f + 0.25f * std::sin(p.y * 0.55f)), 0.1f) * 1.5f;
            if (Length(p - at + Vec2{0, 12}) < 10.0f)
                chest = GoldShade(Normalize(Vec3{(p.x - at.x) / 14.0f, (p.y - at.y + 12.0f) / 14.0f, 1.0f}), 0.9f);
            c = MixRgb(c, chest * (0.5f + 0.6f * light), Coverage(d));
        }
    }
    return Finish(c * Vignette(p, kW, kH, 0.6f), p);
}

// ---- The temple at dusk (loading picture and title card) -------------------------

Rgb DuskTemple(Vec2 p, float horizon, const LeafLayer& edges) {
    const Vec2 sun{512, horizon - 30.0f};
    Rgb c = DuskSky(p, horizon, sun);
    const Rgb haze = Hex(0xc0849c);
    // Far ranges.
    for (int i = 0; i < 2; ++i) {
        const float ridge = RidgeY(p.x, horizon - 10.0f + 40.0f * float(i), 90.0f - 30.0f * float(i), 160.0f, 9.0f + float(i), i == 0);
        const Rgb hill = MixRgb(Hex(i == 0 ? 0x4a3a6a : 0x2a2244), haze, i == 0 ? 0.5f : 0.25f);
        c = MixRgb(c, hill, Below(p.y, ridge));
    }
    // The temple, lit from behind by the low sun.
    int tier = 0;
    const float temple = TempleDistance(p, 512, horizon + 50.0f, 230, 40, 7, 26, &tier);
    if (temple < 1.0f) {
        Rgb stone = TempleStone(p, 512, horizon + 50.0f, 40, tier, Hex(0x3a2c4e), 30.0f);
        stone = stone + Hex(0xff9060) * (0.6f * Glow(temple / 2.5f, 1.0f));  // rim of sunset
        c = MixRgb(c, MixRgb(stone, haze, 0.2f), Coverage(temple));
    }
    // The shrine's lit doorway.
    const Vec2 door{512, horizon + 50.0f - 7 * 40.0f - 26.0f};
    c = c + Hex(0xffb050) * (1.3f * Coverage(SdBox(p - door, {10, 14}) * 2.0f) + 0.45f * Glow(Length(p - door) / 45.0f, 1.0f));
    // Dark ground and a path leading to the steps.
    if (p.y > horizon + 45.0f) {
        const float t = (p.y - horizon - 45.0f) / std::max(kH - horizon - 45.0f, 1.0f);
        Rgb ground = Hex(0x16121c) * (0.85f + 0.3f * Noise(0, p.x * 2, p.y * 3, 1.0f));
        ground = ground + Hex(0xff9070) * (0.08f * (1.0f - t));
        const float path = std::fabs(p.x - 512.0f) - (24.0f + 230.0f * t);
        if (path < 0) {
            const BlockHit b = BlockAt(Vec2{(p.x - 512.0f) / (0.2f + t) + 512.0f, p.y * 3.0f}, 60, 24, 2.0f, 2.0f, 44);
            ground = Hex(0x5a4650) * (0.45f + 0.45f * (1.0f - t)) * (0.85f + 0.3f * b.tone) * (1.0f - 0.5f * b.mortar);
        }
        c = MixRgb(c, ground, SmoothStep(horizon + 43.0f, horizon + 50.0f, p.y));
    }
    return OverLeaves(c, edges, p);
}

Rgb GateAt(Vec2 p, const LeafLayer& edges) {
    Rgb c = DuskTemple(p, 560.0f, edges);
    // The gate in front: two pillars and a lintel of dressed stone.
    const auto gate = [](Vec2 v) {
        const float left = SdBox(v - Vec2{282, 500}, {46, 300});
        const float right = SdBox(v - Vec2{742, 500}, {46, 300});
        const float lintel = SdBox(v - Vec2{512, 232}, {300, 40});
        return Union(Union(left, right), lintel);
    };
    const float g = gate(p);
    if (g < 1.0f) {
        const Vec2 grad = SdGradient(gate, p);
        const Vec3 edge = BevelNormal(g, grad, 6.0f, 1.0f);
        const BlockHit b = BlockAt(p, 92, 46, 2.0f, 3.0f, 17);
        const Vec3 n = Normalize(Vec3{edge.x + b.normal.x, edge.y + b.normal.y, 1.0f});
        Rgb stone = Hex(0x6a5c50) * (0.8f + 0.3f * b.tone + 0.2f * (Noise(0, p.x * 2, p.y * 2, 1.0f) - 0.5f));
        stone = MattShade(n, stone, 0.1f) * 0.9f;
        stone = MixRgb(stone, Hex(0x0c0a08), 0.8f * b.mortar);
        // Torchlight on the pillars.
        for (const Vec2& t : {Vec2{282, 420}, Vec2{742, 420}})
            stone = stone + Hex(0xff9040) * (0.7f * Glow(Length(p - t) / 130.0f, 1.0f)) * (1.0f - 0.7f * b.mortar);
        // A carved band of gold glyphs on the lintel.
        if (std::fabs(p.y - 232.0f) < 15.0f && std::fabs(p.x - 512.0f) < 282.0f) {
            const float cell = std::fmod(p.x - 230.0f, 28.0f);
            const Vec2 q{cell - 14.0f, p.y - 232.0f};
            const float glyph = std::fabs(std::fabs(q.x) + std::fabs(q.y) * 0.8f - 7.0f);
            stone = stone * 0.55f;
            if (glyph < 1.8f)
                stone = GoldShade(Normalize(Vec3{q.x * 0.08f, q.y * 0.08f, 1.0f}), 0.6f) * 0.9f;
        }
        c = MixRgb(c, stone, Coverage(g));
    }
    // Torches in iron sconces on the pillars.
    for (int i = 0; i < 2; ++i) {
        const Vec2 t{i == 0 ? 282.0f : 742.0f, 420.0f};
        const float sconce = Union(SdBox(p - (t + Vec2{0, 22}), {7, 18}, 2), Intersect(SdEllipse(p - t, {15, 9}), p.y - t.y));
        if (sconce < 1.0f)
            c = MixRgb(c, GoldShade(Normalize(Vec3{(p.x - t.x) / 20.0f, 0, 1}), 0.3f) * 0.8f, Coverage(sconce));
        float heat = 0;
        const float f = Flame(p, t + Vec2{0, 2}, 62.0f, heat, 40 + i);
        c = c + MixRgb(Hex(0xd04010), Hex(0xfff4c0), heat) * (1.7f * f);
        c = c + Hex(0xff9040) * (0.3f * Glow(Length(p - (t - Vec2{0, 24})) / 70.0f, 1.0f));
    }
    return c * Vignette(p, kW, kH, 0.45f);
}

// The carved plaque round the loading bar and its empty trough.
Rgb LoadingPlaque(Vec2 p, Rgb c) {
    const auto plaque = [](Vec2 v) { return SdBox(v - Vec2{kBarX + 132.0f, kBarY + 24.0f}, {160, 40}, 10.0f); };
    const float d = plaque(p);
    if (d > 8.0f)
        return c;
    c = MixRgb(c, c * 0.35f, Clamp01(1.0f - d / 8.0f) * 0.6f);  // soft shadow round it
    if (d < 1.0f) {
        const Vec3 n = BevelNormal(d, SdGradient(plaque, p), 5.0f, 1.2f);
        Rgb s = MattShade(n, Hex(0x5a5046) * (0.85f + 0.3f * Noise(1, p.x, p.y, 1.0f)), 0.1f) * 1.2f;
        // Gold bead round the trough.
        const float trough = SdBox(p - Vec2{kBarX + 132.0f, kBarY + 24.0f}, {132, 24}, 4.0f);
        if (trough > 0 && trough < 4.0f) {
            const float t = (trough - 2.0f) / 2.0f;
            s = GoldShade(Normalize(Vec3{SdGradient(plaque, p).x * t, SdGradient(plaque, p).y * t, 1.0f}), 0.6f);
        }
        if (trough <= 0) {
            // The empty trough: dark, with shade under its upper lip.
            s = Hex(0x0c0a0e) * (1.0f + 1.5f * SmoothStep(float(kBarY) + 10.0f, float(kBarY + kBarHeight), p.y));
        }
        c = MixRgb(c, s, Coverage(d));
    }
    return c;
}

// The filled bar (kBarWidth x kBarHeight texels): the trough's own dark with
// a glowing gold and jade band inset, so that any part of it revealed over the
// empty trough looks right.
Rgb LoadingBarFill(Vec2 q) {
    const Vec2 c{0.5f * kBarWidth, 0.5f * kBarHeight};
    const float trough = SdBox(q - c, {132, 24}, 4.0f);
    Rgb base = Hex(0x0c0a0e) * (1.0f + 1.5f * SmoothStep(10.0f, float(kBarHeight), q.y));
    if (trough > 0)
        return base;
    const auto band = [&](Vec2 v) { return SdBox(v - c, {126, 17}, 8.0f); };
    const float d = band(q);
    const float t = Clamp01((q.y - 7.0f) / 34.0f);
    // Jade below, gold above, a bright line of light along the top.
    Rgb fill = MixRgb(Hex(0xffe6a0), Hex(0x1a9a78), SmoothStep(0.2f, 0.9f, t));
    fill = fill + kWhite * (0.6f * Glow((q.y - 11.0f) / 2.0f, 1.0f));
    fill = fill * (0.85f + 0.3f * SharedNoise(1).Sample(q.x * 0.7f, q.y * 2.0f));
    return MixRgb(base, fill, Coverage(d));
}

Rgb StudioAt(Vec2 p, const TitleMasks& name, const TitleMasks& studio) {
    Rgb c = MixRgb(Hex(0x070509), Hex(0x2a1c36), Glow(Length(p - Vec2{512, 330}) / 430.0f, 1.0f));
    const Vec2 centre{512, 300};
    const Vec2 q = p - centre;
    // The lantern: a paper body folded into panels, in a gold frame, with a flame inside.
    const std::vector<Vec2> body = {{-50, -70}, {50, -70}, {70, -40}, {70, 60}, {50, 90}, {-50, 90}, {-70, 60}, {-70, -40}};
    const float b = SdPolygon(body, q);
    c = c + Hex(0xff9a40) * (0.45f * Glow(Length(q - Vec2{0, 10}) / 170.0f, 1.0f));
    if (b < 1.0f) {
        const float panel = std::floor((q.x + 70.0f) / 35.0f);
        const float fold = int(panel) % 2 == 0 ? 1.0f : 0.78f;
        const float heat = Glow(Length(q - Vec2{0, 22}) / 60.0f, 1.0f);
        Rgb paper = MixRgb(Hex(0xc05a18), Hex(0xffe0a0), heat) * fold;
        // Flame.
        float f = 0, flame = Flame(p, centre + Vec2{0, 55}, 60.0f, f, 3);
        paper = paper + MixRgb(Hex(0xff8020), Hex(0xfffff0), f) * flame;
        c = MixRgb(c, paper, Coverage(b));
        // Frame: outline and the panel ribs.
        const float rib = std::fabs(std::fmod(q.x + 70.0f, 35.0f) - 0.0f);
        if (std::fabs(b) < 3.0f || (rib < 2.0f && b < 0))
            c = GoldShade(Normalize(Vec3{-0.3f, -0.3f, 1}), 0.6f);
    }
    // Cap, base and the ring it hangs from.
    const float cap = Union(SdBox(q - Vec2{0, -80}, {42, 10}, 3), SdBox(q - Vec2{0, 100}, {42, 10}, 3));
    const float ring = std::fabs(Length(q - Vec2{0, -108}) - 16.0f) - 3.0f;
    const float metal = Union(cap, Intersect(ring, -(q.y + 92.0f)));
    if (metal < 1.0f)
        c = MixRgb(c, GoldShade(BevelNormal(metal, SdGradient([&](Vec2 v) {
                                                  const Vec2 w = v - centre;
                                                  return Union(Union(SdBox(w - Vec2{0, -80}, {42, 10}, 3),
                                                                     SdBox(w - Vec2{0, 100}, {42, 10}, 3)),
                                                               Intersect(std::fabs(Length(w - Vec2{0, -108}) - 16.0f) - 3.0f,
                                                                         -(w.y + 92.0f)));
                                              }, p), 3.0f, 1.2f),
                                   0.6f),
                   Coverage(metal));
    const Rgba n = TitleAt(name, p, 0, Hex(0xff9a40), 0.35f);
    c = c * (1.0f - n.a) + Rgb{n.r, n.g, n.b};
    const Rgba s = TitleAt(studio, p, 1, Hex(0x40a080), 0.0f);
    c = c * (1.0f - s.a) + Rgb{s.r, s.g, s.b};
    return c;
}

LeafLayer MiddleLeaves() {
    LeafStyle style;
    style.cell = 62;
    style.minLen = 55;
    style.maxLen = 118;
    style.droop = 0.5f;
    style.dark = 0x16381e;
    style.light = 0x5c9a4a;
    style.seed = 21;
    return LeafLayer(style, kW, kH, [](Vec2 o) {
        return 0.92f * std::max(SmoothStep(340.0f, 80.0f, std::min(o.x, kW - o.x)), SmoothStep(580.0f, 720.0f, o.y));
    });
}

}  // namespace

FloatImage PaintBackdrop(int stage) {
    switch (stage) {
    case 1:
        return Paint(kSceneWidth, kSceneHeight, MuseumAt);
    case 2: {
        const LeafLayer middle = MiddleLeaves(), edges = EdgeLeaves(230.0f, 0, 0.0f, 41);
        return Paint(kSceneWidth, kSceneHeight, [&](Vec2 p) { return JungleAt(p, middle, edges); });
    }
    case 3: {
        const LeafLayer edges = EdgeLeaves(190.0f, 0xff9a70, 0.5f, 61);
        return Paint(kSceneWidth, kSceneHeight, [&](Vec2 p) { return ValleyAt(p, edges); });
    }
    default:
        return Paint(kSceneWidth, kSceneHeight, TreasuryAt);
    }
}

bool PaintLoading(const std::string& title, FloatImage& out, std::string& error) {
    TitleMasks masks;
    if (!SetTitleMasks(title, 2 * 60.0f, 0.02f, 2.0f, 512.0f, 96.0f, masks, error))
        return false;
    const LeafLayer edges = EdgeLeaves(250.0f, 0xff9070, 0.45f, 81);
    const FloatImage picture = Paint(kSceneWidth, kSceneHeight, [&](Vec2 p) {
        Rgb c = LoadingPlaque(p, GateAt(p, edges));
        const Rgba t = TitleAt(masks, p, 0, Hex(0xffa050), 0.45f);
        return c * (1.0f - t.a) + Rgb{t.r, t.g, t.b};
    });
    out = FloatImage(kLoadingSize, kLoadingSize);
    for (Rgba& px : out.Pixels())
        px = Rgba{0, 0, 0, 1};
    out.Blit(picture, 0, 0);
    out.Blit(Paint(kBarWidth, kBarHeight, LoadingBarFill), kBarTexX, kBarTexY);
    return true;
}

bool PaintStudioCard(FloatImage& out, std::string& error) {
    TitleMasks name, studio;
    if (!SetTitleMasks("LANTERNFOLD", 2 * 64.0f, 0.14f, 2.0f, 512.0f, 500.0f, name, error) ||
        !SetTitleMasks("STUDIO", 2 * 28.0f, 0.6f, 2.0f, 512.0f, 566.0f, studio, error))
        return false;
    out = Paint(kSceneWidth, kSceneHeight, [&](Vec2 p) { return StudioAt(p, name, studio); });
    return true;
}

bool PaintTitleCard(const std::string& title, FloatImage& out, std::string& error) {
    // Two lines when the title has an "of": the name large, the rest below.
    const size_t split = title.find(" of ");
    const std::string first = split == std::string::npos ? title : title.substr(0, split);
    const std::string second = split == std::string::npos ? std::string() : title.substr(split + 1);
    TitleMasks top, bottom;
    if (!SetTitleMasks(first, 2 * 104.0f, 0.02f, 2.0f, 512.0f, second.empty() ? 330.0f : 290.0f, top, error))
        return false;
    if (!second.empty() && !SetTitleMasks(second, 2 * 64.0f, 0.04f, 2.0f, 512.0f, 400.0f, bottom, error))
        return false;
    const LeafLayer edges = EdgeLeaves(250.0f, 0xff9070, 0.45f, 81);
    out = Paint(kSceneWidth, kSceneHeight, [&](Vec2 p) {
        Rgb c = DuskTemple(p, 620.0f, edges) * Vignette(p, kW, kH, 0.5f);
        Rgba t = TitleAt(top, p, 0, Hex(0xffa050), 0.6f);
        c = c * (1.0f - t.a) + Rgb{t.r, t.g, t.b};
        if (!second.empty()) {
            t = TitleAt(bottom, p, 0, Hex(0xffa050), 0.5f);
            c = c * (1.0f - t.a) + Rgb{t.r, t.g, t.b};
        }
        // A jade and gold rule under the title.
        const float rule = std::fabs(p.y - 470.0f) - 1.2f;
        if (rule < 1.0f && std::fabs(p.x - 512.0f) < 220.0f)
            c = MixRgb(c, GoldShade(Vec3{0, 0, 1}, 0.7f), Coverage(rule) * SmoothStep(220.0f, 150.0f, std::fabs(p.x - 512.0f)));
        const float gem = std::fabs(p.x - 512.0f) + std::fabs(p.y - 470.0f) - 9.0f;
        if (gem < 1.0f)
            c = MixRgb(c, MattShade(Normalize(Vec3{(512.0f - p.x) * 0.05f, (470.0f - p.y) * 0.05f, 1}), Hex(palette::kJadeLight), 0.8f),
                       Coverage(gem));
        return c;
    });
    return true;
}

}  // namespace gen
