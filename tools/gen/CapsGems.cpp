#include "CapsGems.h"

#include <algorithm>
#include <cmath>

#include "CapsLayout.h"
#include "Sdf.h"

namespace gen {

namespace {

constexpr int kSamples = 4;  // per texel and axis
// Texels per shape unit, as a share of the cell: in the 128 cell a shape of
// extent 1 reaches 60 texels from the centre, which leaves room for the shadow
// and the 2-texel gutter.
constexpr float kUnitShare = 60.0f / 128.0f;

// A square cell of `texels` texels sampled kSamples x kSamples per texel.
struct Cell {
    explicit Cell(int texels)
        : texels(texels), grid(texels * kSamples), centre(0.5f * float(texels)),
          unit(kUnitShare * float(texels)) {}
    int texels;
    int grid;      // samples across the cell
    float centre;  // cell centre, texels
    float unit;    // texels per shape unit
};
// The shadow falls this far (texels) to the bottom right, blurred by kShadowBlur.
constexpr Vec2 kShadowOffset{1.0f, 1.6f};
constexpr float kShadowBlur = 1.9f;
constexpr float kShadowOpacity = 0.42f;
// Beyond this distance from the outline (texels) no shadow falls.
constexpr float kShadowReach = 2.0f + kShadowBlur + 1.0f;

const Vec3 kLight = LightDirection();
const Vec2 kLightFlat = Normalize(Vec2{kLight.x, kLight.y});
const Vec3 kHalf = Normalize(kLight + Vec3{0, 0, 1});

struct GemLook {
    Rgb deep, body, bright;
    float fire = 0;  // how much the facets scatter in hue (the diamond's fire)
};

const uint32_t kGemHex[7][3] = {
    {0x011f0e, 0x087234, 0x66dc8c},  // emerald
    {0x6e5000, 0xecc418, 0xfff6b4},  // topaz
    {0x3c0016, 0xc40c3a, 0xff6488},  // ruby
    {0x081a5e, 0x2a5fdc, 0xa6caff},  // sapphire
    {0x5a1c00, 0xf0700c, 0xffc078},  // amber
    {0x3c4456, 0xc8d0de, 0xffffff},  // diamond
    {0x2e0850, 0x9234d2, 0xe4b0ff},  // amethyst
};

struct GemShape {
    std::vector<Vec2> outline;  // convex; the facets follow its edges
    std::vector<Vec2> core;     // the outline moved in by `rounding`
    float rounding = 0;
    float circle = 0;  // > 0: the silhouette is this circle instead
    FacetSurface crown;     // the facets on top
    FacetSurface pavilion;  // the facets underneath, seen through the table

    float Distance(Vec2 p) const {
        return circle > 0 ? SdCircle(p, circle) : SdPolygon(core, p) - rounding;
    }
};

constexpr float kTable = 0.30f;  // height of the flat table

// The crown of a cut stone over a convex outline: steep girdle facets along the
// edges, kite facets at the corners, shallow star facets and a flat table that
// covers the inner `tableShare` of the stone. The pavilion below converges to
// the middle, split into kites along the corner directions.
void AddCutFacets(GemShape& g, float tableShare, float kiteShare) {
    float apothem = 1e9f;
    const size_t n = g.outline.size();
    for (size_t i = 0; i < n; ++i) {
        const Vec2 a = g.outline[i], b = g.outline[(i + 1) % n];
        const Vec2 edge = Normalize(b - a);
        apothem = std::min(apothem, std::fabs(Cross(edge, a)));
    }
    const float tableEdge = (1.0f - tableShare) * apothem;  // inward from the outline
    const float girdleEdge = 0.13f * apothem;
    const float starSlope = 0.30f;
    const float starBase = kTable - starSlope * tableEdge;
    const float girdleSlope = (starBase + starSlope * girdleEdge) / girdleEdge;
    g.crown.AddPolygonTier(g.outline, 0.0f, girdleSlope);
    for (const Vec2& v : g.outline) {
        FacetPlane kite;
        kite.normal = Normalize(v);
        kite.offset = Length(v);
        kite.slope = 0.55f;
        kite.base = kTable - kite.slope * kiteShare * Length(v);
        g.crown.Add(kite);
    }
    g.crown.AddPolygonTier(g.outline, starBase, starSlope);
    g.crown.AddTop(kTable);
    g.pavilion.AddPolygonTier(g.outline, 0.0f, 1.0f);
    for (const Vec2& v : g.outline) {
        FacetPlane kite;
        kite.normal = Normalize(v);
        kite.offset = Length(v);
        kite.slope = 0.45f;
        g.pavilion.Add(kite);
    }
}

GemShape MakeShape(int record) {
    GemShape g;
    switch (record) {
    case 0: {  // emerald: a tall octagon, step cut (concentric steps)
        const float w = 0.70f, h = 0.96f, c = 0.27f;
        g.outline = {{-w + c, -h}, {w - c, -h}, {w, -h + c}, {w, h - c},
                     {w - c, h},   {-w + c, h}, {-w, h - c}, {-w, -h + c}};
        g.rounding = 0.035f;
        g.crown.AddPolygonTier(g.outline, 0.0f, 1.6f);
        g.crown.AddPolygonTier(g.outline, 0.095f, 0.62f);
        g.crown.AddPolygonTier(g.outline, 0.185f, 0.24f);
        g.crown.AddTop(kTable);
        // Seen through the table: more steps, down to a keel.
        g.pavilion.AddPolygonTier(g.outline, 0.0f, 1.0f);
        g.pavilion.AddPolygonTier(g.outline, 0.10f, 0.55f);
        g.pavilion.AddPolygonTier(g.outline, 0.20f, 0.30f);
        break;
    }
    case 1:  // topaz: a rhombus
        g.outline = {{0, -0.97f}, {0.80f, 0}, {0, 0.97f}, {-0.80f, 0}};
        g.rounding = 0.05f;
        AddCutFacets(g, 0.50f, 0.55f);
        break;
    case 2:  // ruby: a square cushion
        g.outline = {{-0.68f, -0.87f}, {0.68f, -0.87f}, {0.87f, -0.68f}, {0.87f, 0.68f},
                     {0.68f, 0.87f},   {-0.68f, 0.87f}, {-0.87f, 0.68f}, {-0.87f, -0.68f}};
        g.rounding = 0.12f;
        AddCutFacets(g, 0.55f, 0.55f);
        break;
    case 3:  // sapphire: a shield
        g.outline = {{-0.82f, -0.84f}, {0.82f, -0.84f}, {0.82f, 0.0f}, {0.0f, 0.97f}, {-0.82f, 0.0f}};
        g.rounding = 0.09f;
        AddCutFacets(g, 0.52f, 0.55f);
        break;
    case 4:  // amber: a wide hexagon, flat on top
        g.outline = RegularPolygon(6, 0.98f, 0.0f);
        for (Vec2& v : g.outline)
            v.y *= 0.86f;
        g.rounding = 0.05f;
        AddCutFacets(g, 0.55f, 0.55f);
        break;
    case 5: {  // diamond: a round brilliant
        const float r = 0.89f;
        g.circle = r;
        g.outline = RegularPolygon(16, r / std::cos(kPi / 16), -kPi / 2 + kPi / 16);
        // Girdle facets to 0.80, kites reaching the table corners at 0.56,
        // star facets reaching the table's sides at 0.50.
        const float starSlope = 0.25f, kiteSlope = 0.45f;
        const auto add = [&](int count, float phase, float reach, float slope) {
            g.crown.AddRadialTier(count, phase, reach, kTable, slope);
        };
        add(8, -kPi / 2, 0.56f, kiteSlope);
        add(8, -kPi / 2 + kPi / 8, 0.50f, starSlope);
        const float kiteAt80 = kTable + kiteSlope * (0.56f - 0.80f);
        g.crown.AddPolygonTier(g.outline, 0.0f, kiteAt80 / (r - 0.80f));
        g.crown.AddTop(kTable);
        g.pavilion.AddRadialTier(16, -kPi / 2 + kPi / 16, r, 0.0f, 1.0f);
        g.pavilion.AddRadialTier(8, -kPi / 2, r, 0.0f, 0.55f);
        break;
    }
    default:  // amethyst: a triangle, point up
        g.outline = {{0, -0.95f}, {0.97f, 0.74f}, {-0.97f, 0.74f}};
        g.rounding = 0.11f;
        AddCutFacets(g, 0.45f, 0.50f);
        break;
    }
    if (g.circle <= 0)
        g.core = InsetConvex(g.outline, g.rounding);
    return g;
}

GemLook MakeLook(int record) {
    const GemColours c = TokenColours(record);
    return {c.deep, c.body, c.bright, record == 5 ? 1.0f : 0.0f};
}

// Deep colour at 0, body at 0.5, bright at 1.
Rgb Ramp(const GemLook& look, float t) {
    t = Clamp01(t);
    return t < 0.5f ? MixRgb(look.deep, look.body, t * 2) : MixRgb(look.body, look.bright, t * 2 - 1);
}

// A faint rainbow tint for the diamond's facets.
Rgb FireTint(float h) {
    const float r = 0.5f + 0.5f * std::cos(2 * kPi * (h + 0.00f));
    const float g = 0.5f + 0.5f * std::cos(2 * kPi * (h - 0.33f));
    const float b = 0.5f + 0.5f * std::cos(2 * kPi * (h - 0.67f));
    return {r, g, b};
}

// What a token sample needs to be drawn in any frame.
struct SampleParts {
    float cover = 0;   // of the token itself
    float shadow = 0;  // shadow alpha under it
    Rgb base;          // colour at rest, before the glow
    Rgb glow;          // inner glow, scaled per frame
    float sweep = 0;   // position along the glint's path
    float catchLight = 0;  // how strongly this facet catches the glint
};

// Frame f: the glow's strength and the glint's position (frame 0: no glint).
float PulseOf(int frame) { return 1.0f + 0.55f * std::sin(kPi * float(frame) / float(kTokenFrames)); }
float SweepOf(int frame) { return -1.5f + 3.0f * float(frame - 1) / float(kTokenFrames - 2); }

float ShadowAlpha(float distancePx) {
    return kShadowOpacity * (1.0f - SmoothStep(-kShadowBlur, kShadowBlur, distancePx));
}

// Lighting of every facet of a surface, worked out once.
struct FacetLight {
    std::vector<Vec3> normal;
    std::vector<float> facing;  // -1 away from the light .. 1 towards it (flat: 0)
    std::vector<float> tilt;    // 0 flat .. 1 the steepest facet
    std::vector<float> jitter;  // -0.5 .. 0.5, differs between neighbours
    std::vector<float> shine;   // specular highlight
    std::vector<float> catchLight;  // how strongly the glint lights it

    // `order`: 0 neighbours differ at random, 1 they alternate strictly, facet
    // by facet, or tier by tier when the planes come in tiers of `tier`.
    FacetLight(const FacetSurface& surface, int seed, float order, size_t tier = 1) {
        const size_t n = surface.Size();
        normal.resize(n);
        facing.resize(n);
        tilt.resize(n);
        jitter.resize(n);
        shine.resize(n);
        catchLight.resize(n);
        float maxTilt = 1e-6f;
        for (size_t i = 0; i < n; ++i) {
            normal[i] = surface.Normal(int(i));
            tilt[i] = std::sqrt(normal[i].x * normal[i].x + normal[i].y * normal[i].y);
            maxTilt = std::max(maxTilt, tilt[i]);
        }
        for (size_t i = 0; i < n; ++i) {
            const Vec3 v = normal[i];
            const float t = tilt[i];
            facing[i] = t > 1e-4f ? Dot(Vec2{v.x / t, v.y / t}, kLightFlat) : 0.0f;
            tilt[i] = t / maxTilt;
            const float alternate = ((i / tier) % 2 == 0) ? -0.5f : 0.5f;
            jitter[i] = Mix(HashUnit(seed, int(i)) - 0.5f, alternate, order);
            shine[i] = std::pow(std::max(Dot(v, kHalf), 0.0f), 40.0f);
            catchLight[i] = 0.45f + 0.55f * HashUnit(seed, int(i), 1);
        }
    }
};

void PrepareGem(int record, const Cell& cell, std::vector<SampleParts>& parts) {
    const GemShape shape = MakeShape(record);
    const GemLook look = MakeLook(record);
    // The round brilliant sparkles in a regular pattern, the others less so;
    // the steps of the emerald cut alternate light and dark.
    const float order = shape.circle > 0 ? 0.9f : (record == 0 ? 0.7f : 0.3f);
    const size_t tier = record == 0 ? shape.outline.size() : 1;
    const FacetLight crown(shape.crown, record, order, tier);
    const FacetLight pavilion(shape.pavilion, record + 100, order, tier);
    const Rgb white{1, 1, 1};
    const float inv = 1.0f / float(kSamples);
    for (int sy = 0; sy < cell.grid; ++sy) {
        for (int sx = 0; sx < cell.grid; ++sx) {
            const Vec2 px{(float(sx) + 0.5f) * inv - cell.centre, (float(sy) + 0.5f) * inv - cell.centre};
            const Vec2 p = px * (1.0f / cell.unit);
            SampleParts& s = parts[size_t(sy) * cell.grid + size_t(sx)];
            const float d = shape.Distance(p) * cell.unit;
            s.cover = Clamp01(0.5f - d * float(kSamples));
            // The shadow shows only around the outline (it lies under the gem).
            if (s.cover < 1 && d < kShadowReach)
                s.shadow = ShadowAlpha(shape.Distance((px - kShadowOffset) * (1.0f / cell.unit)) * cell.unit);
            if (s.cover <= 0)
                continue;
            const FacetHit hit = shape.crown.Evaluate(p);
            const size_t f = size_t(hit.facet);
            const Vec3 n = crown.normal[f];
            const float lambert = std::max(Dot(n, kLight), 0.0f);
            const Vec2 gq = p - Vec2{0.22f, 0.28f};
            const float glow = std::exp(-Dot(gq, gq) / 0.28f);
            // Through the table the pavilion shows: its facets mirror the
            // light from the far side, so those turned away shine.
            const bool onTable = shape.crown.Plane(int(f)).slope == 0;
            const FacetHit under = shape.pavilion.Evaluate(p, onTable);
            const size_t u = size_t(under.facet);
            const float mirrored = 0.36f - 0.40f * pavilion.facing[u] * pavilion.tilt[u] + 0.50f * pavilion.jitter[u];
            float t;
            size_t tone;  // the facet whose hue scatter and glint catch apply
            if (onTable) {
                t = mirrored + 0.18f * glow;
                tone = 1000 + u;
            } else {
                // Crown facets: lit by their facing, those across the stone
                // glowing with the light that went through; a little of the
                // pavilion shows through them too.
                t = 0.34f + 0.46f * crown.facing[f] * crown.tilt[f] +
                    0.26f * std::max(0.0f, -crown.facing[f]) * crown.tilt[f] + 0.24f * crown.jitter[f];
                t = Mix(t, mirrored, 0.25f) + 0.12f * glow;
                tone = f;
            }
            Rgb c = Ramp(look, t);
            if (look.fire > 0)
                c = c * MixRgb(white, FireTint(HashUnit(record, int(tone), 2)), 0.30f * look.fire);
            c = c + white * (0.55f * crown.shine[f]);
            // The gloss spot on the upper left of the crown.
            const Vec2 q = Rotate(p - Vec2{-0.34f, -0.42f}, kPi / 4);
            const float spot = std::exp(-(q.x * q.x / 0.006f + q.y * q.y / 0.024f));
            c = c + white * (0.85f * spot);
            // Light lines along the crown's ridges, faint dark ones where the
            // pavilion's edges show through the table.
            const float ridge = Bell(hit.gap * cell.unit / 0.7f);
            c = c + look.bright * (0.32f * ridge * (0.35f + 0.65f * lambert));
            if (onTable) {
                const float edge = Bell(under.gap * cell.unit / 0.6f);
                c = c * (1.0f - 0.25f * edge);
            }
            // Rims: bright where the outline faces the light, dark elsewhere.
            const float inside = -d;
            Vec2 out = shape.circle > 0 ? Normalize(p) : shape.crown.Plane(int(f)).normal;
            if (Length(out) < 0.5f)
                out = Normalize(p);
            const float towards = Dot(out, kLightFlat);
            const float rim = Bell(inside / 1.8f);
            c = c + look.bright * (0.9f * rim * std::max(0.0f, towards));
            c = c * (1.0f - 0.6f * rim * std::max(0.0f, -towards));
            c = c * (1.0f - 0.35f * Bell(inside / 0.9f));
            s.base = c;
            s.glow = look.bright * (0.28f * glow);
            s.sweep = (p.x + p.y) * 0.70710678f;
            s.catchLight = tone >= 1000 ? pavilion.catchLight[tone - 1000] : crown.catchLight[f];
        }
    }
}

// The riveted steel block.
void PrepareSteel(const Cell& cell, std::vector<SampleParts>& parts) {
    const float half = 0.93f, corner = 0.13f, bevel = 0.13f;
    const std::vector<Vec2> square{{-half, -half}, {half, -half}, {half, half}, {-half, half}};
    FacetSurface block;
    block.AddPolygonTier(square, 0.0f, 1.0f / bevel);
    block.AddTop(1.0f);
    const NoiseField brushed(256, 4, 5, 0.6f, 71);
    const Rgb steel = FromHex(0x8a9099), steelDark = FromHex(0x3c424a), steelLight = FromHex(0xdfe6ee);
    const Rgb white{1, 1, 1};
    const float rivet = 0.085f, rivetAt = 0.69f;
    const float inv = 1.0f / float(kSamples);
    for (int sy = 0; sy < cell.grid; ++sy) {
        for (int sx = 0; sx < cell.grid; ++sx) {
            const Vec2 px{(float(sx) + 0.5f) * inv - cell.centre, (float(sy) + 0.5f) * inv - cell.centre};
            const Vec2 p = px * (1.0f / cell.unit);
            SampleParts& s = parts[size_t(sy) * cell.grid + size_t(sx)];
            const float d = SdBox(p, {half, half}, corner) * cell.unit;
            s.cover = Clamp01(0.5f - d * float(kSamples));
            if (s.cover < 1 && d < kShadowReach)
                s.shadow = ShadowAlpha(SdBox((px - kShadowOffset) * (1.0f / cell.unit), {half, half}, corner) * cell.unit);
            if (s.cover <= 0)
                continue;
            const FacetHit hit = block.Evaluate(p);
            const Vec3 n = block.Normal(hit.facet);
            Rgb c;
            if (block.Plane(hit.facet).slope > 0) {
                // Bevel: lit by its facing.
                const float f = Dot(Normalize(Vec2{n.x, n.y}), kLightFlat);
                c = f > 0 ? MixRgb(steel, steelLight, 0.85f * f) : MixRgb(steel, steelDark, -0.9f * f);
            } else {
                // Brushed top: horizontal streaks and a broad sheen.
                const float streak = brushed.Sample(float(sx) * 0.02f, float(sy) * 0.5f);
                const float sheen = Bell((p.x + p.y + 0.45f) / 0.55f);
                c = MixRgb(steelDark, steel, 0.78f - 0.10f * (p.x + p.y)) * (0.86f + 0.28f * streak);
                c = c + steelLight * (0.22f * sheen);
                // An engraved frame line: the wall that faces the light is bright.
                const float groove = SdBox(p, {0.58f, 0.58f}, 0.10f);
                const float g = std::fabs(groove) * cell.unit;
                if (g < 2.2f) {
                    // Which way the groove's wall faces at this point.
                    const float e = 1e-3f;
                    const Vec2 grad = Normalize(Vec2{SdBox(p + Vec2{e, 0}, {0.58f, 0.58f}, 0.10f) - groove,
                                                 SdBox(p + Vec2{0, e}, {0.58f, 0.58f}, 0.10f) - groove});
                    const Vec2 wall = groove > 0 ? grad * -1.0f : grad;
                    const float lit = Dot(wall, kLightFlat);
                    const float w = 1.0f - SmoothStep(1.2f, 2.2f, g);
                    c = MixRgb(c, lit > 0 ? steelLight : steelDark * 0.6f, w * (0.35f + 0.5f * std::fabs(lit)));
                }
            }
            // Rivets: small domes with a shadow ring.
            for (int k = 0; k < 4; ++k) {
                const Vec2 at{(k & 1) ? rivetAt : -rivetAt, (k & 2) ? rivetAt : -rivetAt};
                const Vec2 q = (p - at) * (1.0f / rivet);
                const float r2 = Dot(q, q);
                if (r2 < 1.0f) {
                    const Vec3 dn{q.x, q.y, std::sqrt(1.0f - r2)};
                    const float l = std::max(Dot(dn, kLight), 0.0f);
                    const float sp = std::pow(std::max(Dot(dn, kHalf), 0.0f), 30.0f);
                    const float edge = Clamp01((1.0f - std::sqrt(r2)) * rivet * cell.unit * 2.0f);
                    const Rgb dome = MixRgb(steelDark, steelLight, l) + white * (0.8f * sp);
                    c = MixRgb(c, dome, edge);
                } else if (r2 < 2.2f) {
                    const float ring = 1.0f - SmoothStep(1.0f, 2.2f, r2);
                    const float side = Clamp01(0.5f - 0.5f * Dot(Normalize(q), kLightFlat));
                    c = c * (1.0f - 0.45f * ring * side);
                }
            }
            const float shine = std::pow(std::max(Dot(n, kHalf), 0.0f), 24.0f);
            c = c + white * (0.25f * shine);
            // Rims as on the gems.
            const float inside = -d;
            const Vec2 out = Length(Vec2{n.x, n.y}) > 1e-3f ? Normalize(Vec2{n.x, n.y}) : Normalize(p);
            const float towards = Dot(out, kLightFlat);
            const float rim = Bell(inside / 1.6f);
            c = c + steelLight * (0.6f * rim * std::max(0.0f, towards));
            c = c * (1.0f - 0.5f * rim * std::max(0.0f, -towards));
            c = c * (1.0f - 0.35f * Bell(inside / 0.9f));
            s.base = c;
            s.glow = Rgb{};
            s.sweep = (p.x + p.y) * 0.70710678f;
            s.catchLight = 0.8f;
        }
    }
}

}  // namespace

GemColours TokenColours(int colour) {
    const uint32_t* hex = kGemHex[std::clamp(colour, 0, 6)];
    return {FromHex(hex[0]), FromHex(hex[1]), FromHex(hex[2])};
}

namespace {

// The first `count` frames of token record `record` in a cell of `texels`.
std::vector<TokenFrame> PaintFrames(int record, int texels, int count) {
    const Cell cell(texels);
    std::vector<SampleParts> parts(size_t(cell.grid) * size_t(cell.grid));
    if (record == kTokenRecords - 1)
        PrepareSteel(cell, parts);
    else
        PrepareGem(record, cell, parts);
    const Rgb white{1, 1, 1};
    const float weight = 1.0f / float(kSamples * kSamples);
    std::vector<TokenFrame> frames;
    for (int f = 0; f < count; ++f) {
        TokenFrame frame{FloatImage(texels, texels), FloatImage(texels, texels), FloatImage(texels, texels)};
        const float pulse = PulseOf(f);
        const float sweep = f == 0 ? 1e9f : SweepOf(f);
        // Each texel sums its samples in the three looks at once.
        for (int ty = 0; ty < texels; ++ty)
            for (int tx = 0; tx < texels; ++tx) {
                Rgba normal, dark, light;
                for (int sy = 0; sy < kSamples; ++sy) {
                    const SampleParts* row = &parts[size_t(ty * kSamples + sy) * cell.grid + size_t(tx * kSamples)];
                    for (int sx = 0; sx < kSamples; ++sx) {
                        const SampleParts& s = row[sx];
                        if (s.cover <= 0) {
                            normal.a += s.shadow;
                            dark.a += s.shadow;
                            continue;
                        }
                        const Rgba shadow{0, 0, 0, s.shadow};
                        const float band = Bell((s.sweep - sweep) / 0.17f) * s.catchLight;
                        const Rgb c = s.base + s.glow * pulse + white * (0.55f * band);
                        normal = normal + Over(Premultiply(c, s.cover), shadow);
                        dark = dark + Over(Premultiply(Desaturate(c, 0.62f) * 0.36f, s.cover), shadow);
                        light = light + Premultiply(c * 0.35f + s.glow * 0.5f, s.cover);
                    }
                }
                frame.normal.At(tx, ty) = normal * weight;
                frame.dark.At(tx, ty) = dark * weight;
                frame.light.At(tx, ty) = light * weight;
            }
        frames.push_back(std::move(frame));
    }
    return frames;
}

}  // namespace

std::vector<TokenFrame> PaintToken(int record) { return PaintFrames(record, kTokenCell, kTokenFrames); }

FloatImage PaintTokenAtRest(int record, int texels) { return std::move(PaintFrames(record, texels, 1).front().normal); }

}  // namespace gen
