#include "FxBonus.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <thread>

#include "CapsGems.h"
#include "CapsLayout.h"

namespace gen {

namespace {

constexpr int kSuper = 4;
const Rgb kWhite{1, 1, 1};
// The round brilliant (white) among the token records.
constexpr int kAccuracyTokenRecord = 5;
// How the accuracy token's facets are toned for additive drawing, and how
// strong its glow is.
constexpr float kAccuracyGemGain = 0.85f, kAccuracyGemContrast = 1.8f, kAccuracyGlow = 0.55f;

// A cell of w x h texels drawn by shade(p) with p in texels from the cell's
// top-left corner.
template <class F>
FloatImage Cell(int w, int h, const F& shade) {
    return RenderParallel(w, h, kSuper, [&](float x, float y) { return shade(Vec2{x, y}); });
}

// A soft drop shadow (down and to the right, away from the light) of a shape
// whose distance is `d` at the shifted point.
Rgba ShadowOf(float d, float softness, float strength) {
    return {0, 0, 0, strength * Clamp01(0.5f - d / softness)};
}

// ---- Dynamite ---------------------------------------------------------------

constexpr float kStickTop = 9.0f, kStickBottom = 81.0f, kBundleHalf = 28.0f;
// Wire loops: cell rows of the loop lines (the 128-texel picture is centred on
// the 86 x 92 cell: picture = cell + (21, 18)).
constexpr float kLoopSag = 5.0f, kLoopHalf = 30.0f, kWireThickness = 1.6f;

float LoopRow(int i) { return kWireRings[i].y0 - 18.0f; }

// The loops of wire (copper, shaded as a tube) round a bundle centred at
// `cx`; coverage in `out`.
Rgba WireLoops(Vec2 p, float cx) {
    Rgba out;
    const Rgb copper = Hex(0xd88a48), copperLight = Hex(0xffd2a0), copperDark = Hex(0x5a2a10);
    for (int i = 0; i < 3; ++i) {
        const float t = (p.x - cx) / kLoopHalf;
        if (std::fabs(t) > 1.05f)
            continue;
        const float arc = LoopRow(i) + kLoopSag * std::sqrt(std::max(1.0f - t * t, 0.0f));
        const float across = (p.y - arc) / kWireThickness;
        const float d = (std::fabs(across) - 1.0f) * kWireThickness;
        const float cover = Coverage(d * 2.0f) * SmoothStep(1.06f, 1.0f, std::fabs(t));
        if (cover <= 0)
            continue;
        const Vec3 n = Normalize(Vec3{0, Clamp01(std::fabs(across)) * (across < 0 ? -1.0f : 1.0f), 1.0f});
        const Lit lit = LightNormal(n, 20.0f);
        const Rgb c = MixRgb(copperDark, copper, Clamp01(0.2f + lit.diffuse)) + copperLight * lit.specular;
        out = Over(Premultiply(c, cover), out);
    }
    // The twisted ends of each loop on the right.
    for (int i = 0; i < 3; ++i) {
        const Vec2 knot{cx + kLoopHalf + 1.0f, LoopRow(i) + 0.5f};
        const float d = Length(p - knot) - 2.2f;
        if (d < 1.0f) {
            const Vec3 n = Normalize(Vec3{(p.x - knot.x) / 2.2f, (p.y - knot.y) / 2.2f, 0.8f});
            const Lit lit = LightNormal(n, 20.0f);
            out = Over(Premultiply(copper * (0.35f + lit.diffuse) + copperLight * lit.specular, Coverage(d * 2.0f)),
                       out);
        }
    }
    return out;
}

struct DynamiteLook {
    int sticks;
    uint32_t paper;
    bool goldCaps, bands, runes;
    uint32_t stud;  // 0: none
};

const DynamiteLook kDynamite[4] = {{2, 0xe0742c, false, false, false, 0},
                                   {3, 0xcc3428, false, false, false, 0},
                                   {3, 0x961630, true, false, false, 0x2fd08a},
                                   {4, 0x3c1c52, true, true, true, 0xff2a50}};

FloatImage PaintDynamiteTier(int tier) {
    const DynamiteLook& look = kDynamite[tier];
    const float cx = 43.0f;
    const float width = 2 * kBundleHalf / float(look.sticks);
    const Rgb paper = Hex(look.paper), paperDark = paper * 0.35f, endPaper = Hex(0xe8d2a8);
    const Rgb rune = Hex(palette::kTurquoiseLight);
    return Cell(86, 92, [&](Vec2 p) {
        // Which stick the point lies on, and where across it (-1..1).
        const float left = cx - kBundleHalf;
        const int i = std::clamp(int((p.x - left) / width), 0, look.sticks - 1);
        const float sc = left + width * (float(i) + 0.5f);
        const float u = (p.x - sc) / (0.5f * width);
        const float capRadius = 0.18f * width;
        const float curve = std::sqrt(std::max(1.0f - u * u, 0.0f));
        const float top = kStickTop + float(i % 2) * 2.0f;  // staggered tops
        const float bottomEdge = kStickBottom + capRadius * curve;
        const bool onStick = std::fabs(u) < 1.0f && p.y > top - capRadius * curve && p.y < bottomEdge;

        Rgba out;
        // Shadow of the bundle on the token, down and right.
        {
            const Vec2 q = p - Vec2{cx + 2.0f, 0.5f * (kStickTop + kStickBottom) + 2.5f};
            const float d = SdBox(q, {kBundleHalf, 0.5f * (kStickBottom - kStickTop) + 1.0f}, 6.0f);
            out = ShadowOf(d, 3.0f, 0.4f);
        }
        if (onStick) {
            const float edgeCover = Coverage((std::fabs(u) - 1.0f) * 0.5f * width * 2.0f) *
                                    Coverage((p.y - bottomEdge) * 2.0f);
            Rgb c;
            if (p.y < top + capRadius * curve) {
                // The end face, seen from a little above.
                const float e = Length(Vec2{u, (p.y - top) / std::max(capRadius, 0.5f)});
                const Vec3 n = Normalize(Vec3{u * 0.3f, -0.9f, 0.5f});
                const Lit lit = LightNormal(n, 10.0f);
                c = look.goldCaps ? GoldShade(Normalize(Vec3{u * 0.4f, -0.5f, 0.8f}))
                                  : endPaper * (0.55f + 0.6f * lit.diffuse);
                c = c * (1.0f - 0.55f * Glow(e / 0.35f, 1.0f));  // the hole the fuse went in
            } else {
                const Vec3 n = Normalize(Vec3{u, 0.0f, curve + 0.05f});
                const Lit lit = LightNormal(n, 14.0f);
                const float grain = Noise(1, p.x * 3.0f + float(i) * 50.0f, p.y * 0.4f, 1.0f);
                Rgb base = paper * (0.85f + 0.3f * grain);
                // A printed band near each end.
                const float fromTop = p.y - top, fromBottom = kStickBottom - p.y;
                if ((fromTop > 5 && fromTop < 8) || (fromBottom > 5 && fromBottom < 8))
                    base = base * 0.55f;
                if (look.bands && ((fromTop > 8 && fromTop < 12) || (fromBottom > 8 && fromBottom < 12))) {
                    c = GoldShade(n);
                } else {
                    c = MixRgb(paperDark, base, Clamp01(0.15f + 1.05f * lit.diffuse)) +
                        kWhite * (0.25f * lit.specular);
                }
                if (look.runes) {
                    // A small diamond rune between the middle loops.
                    const Vec2 q{p.x - sc, p.y - 0.5f * (LoopRow(1) + LoopRow(2)) - 3.0f};
                    const float d = std::fabs(q.x) * 1.4f + std::fabs(q.y) - 3.0f;
                    const float glow = Glow(std::max(d, 0.0f) / 1.5f, 1.0f);
                    c = c + rune * (0.9f * glow * Clamp01(curve * 1.5f));
                }
            }
            out = Over(Premultiply(c, edgeCover), out);
        }
        out = Over(WireLoops(p, cx), out);
        if (look.stud != 0) {
            const Vec2 at{cx, LoopRow(1) + kLoopSag + 0.5f};
            const float d = Length(p - at) - 3.4f;
            if (d < 1.0f) {
                const Vec3 n = Normalize(Vec3{(p.x - at.x) / 3.4f, (p.y - at.y) / 3.4f, 0.7f});
                const Lit lit = LightNormal(n, 40.0f);
                const Rgb gem = Hex(look.stud);
                out = Over(Premultiply(gem * (0.35f + 0.8f * lit.diffuse) + kWhite * lit.specular, Coverage(d * 2.0f)),
                           out);
            }
        }
        return out;
    });
}

// The fuse part: the cord rising from the bundle with a glowing tip, and the
// same wire loops as the body (so that it looks the same drawn over or under it).
FloatImage PaintDynamiteFuse() {
    const float cx = 42.0f;
    const Rgb cord = Hex(0x6a4a2a), cordLight = Hex(0xc8a070);
    return Cell(84, 92, [&](Vec2 p) {
        Rgba out;
        // A quadratic curve from the top of the middle stick up and to the right.
        const Vec2 a{cx - 1.0f, kStickTop + 5.0f}, b{cx - 5.0f, 6.5f}, c{cx + 8.0f, 7.5f};
        float best = 1e9f, bestT = 0;
        for (int s = 0; s <= 24; ++s) {
            const float t = float(s) / 24.0f;
            const Vec2 q = a * ((1 - t) * (1 - t)) + b * (2 * t * (1 - t)) + c * (t * t);
            const float d = Length(p - q);
            if (d < best) {
                best = d;
                bestT = t;
            }
        }
        const float radius = 1.9f - 0.6f * bestT;
        const float d = best - radius;
        if (d < 1.0f) {
            const float twist = 0.5f + 0.5f * std::sin((p.x + p.y) * 2.2f);
            const float shade = Clamp01(1.0f - best / radius);
            const Rgb col = MixRgb(cord * 0.5f, MixRgb(cord, cordLight, twist), shade);
            out = Over(Premultiply(col, Coverage(d * 2.0f)), out);
        }
        // The glowing frayed tip.
        const float ember = Length(p - c);
        out = Over(Premultiply(MixRgb(Hex(palette::kEmber), Hex(0xfff0b0), Glow(ember / 1.5f, 1.0f)),
                               Clamp01(Glow(ember / 2.6f, 1.0f) * 1.2f)),
                   out);
        return Over(WireLoops(p, cx), out);
    });
}

// A fizzing spark, frame k of 8: a hot core and short rays that change every frame.
FloatImage PaintFizz(int k, int w, int h, Vec2 root, float reach) {
    const Rgb hot = Hex(0xfff6d0), warm = Hex(0xffb040);
    return Cell(w, h, [&](Vec2 p) {
        const Vec2 q = p - root;
        const float r = Length(q);
        float v = 1.1f * Glow(r / 3.0f, 1.0f) + 0.35f * Glow(r / 7.0f, 1.0f);
        for (int i = 0; i < 7; ++i) {
            const float angle = HashUnit(k, i, 11) * 2 * kPi;
            const float length = reach * (0.35f + 0.65f * HashUnit(k, i, 12));
            const Vec2 dir{std::cos(angle), std::sin(angle)};
            const float along = Dot(q, dir);
            if (along <= 0 || along > length)
                continue;
            const float across = std::fabs(Cross(dir, q));
            v += 0.8f * Glow(across / 0.9f, 1.0f) * (1.0f - along / length);
        }
        const float edge = SmoothStep(0.0f, 2.0f, p.x) * SmoothStep(float(w), float(w) - 2.0f, p.x) *
                           SmoothStep(0.0f, 2.0f, p.y) * SmoothStep(float(h), float(h) - 2.0f, p.y);
        v = Clamp01(v) * edge;
        return Premultiply(MixRgb(warm, hot, Glow(r / 4.0f, 1.0f)), v);
    });
}

// ---- Lightning amulet -------------------------------------------------------

// Distance (texels) to a lightning glyph of arms in the directions `dirs`,
// centred at the origin, arms `length` long.
float BoltGlyph(Vec2 p, const std::vector<Vec2>& dirs, float length) {
    float d = Length(p) - 3.2f;
    for (Vec2 dir : dirs) {
        const Vec2 side = Perp(dir);
        const Vec2 pts[4] = {dir * (0.15f * length), dir * (0.45f * length) + side * 3.5f,
                             dir * (0.55f * length) - side * 3.0f, dir * (0.78f * length)};
        for (int i = 0; i < 3; ++i)
            d = Union(d, DistSegment(p, pts[i], pts[i + 1]) - 1.8f);
        // Arrow head.
        const std::vector<Vec2> head = {dir * (0.7f * length) + side * 5.5f, dir * length,
                                        dir * (0.7f * length) - side * 5.5f};
        d = Union(d, SdPolygon(head, p));
    }
    return d;
}

std::vector<Vec2> FlashDirections(int variant) {
    const Vec2 up{0, -1}, down{0, 1}, left{-1, 0}, right{1, 0};
    switch (variant) {
    case 0:
        return {up};
    case 1:
        return {left, right};
    case 2:
        return {left, right, up};
    default:
        return {left, right, up, down};
    }
}

// A gold bezel (ring from `inner` to `outer` texels) lit as a rounded band;
// the translucent window inside shows `window` with coverage `windowAlpha`.
Rgba Bezel(Vec2 q, float inner, float outer, int notches) {
    const float r = Length(q);
    const float mid = 0.5f * (inner + outer), half = 0.5f * (outer - inner);
    const float t = (r - mid) / half;
    if (std::fabs(t) > 1.3f)
        return {};
    const Vec2 dir = r > 0 ? q * (1.0f / r) : Vec2{0, 0};
    const float tc = std::clamp(t, -1.0f, 1.0f);
    Vec3 n = Normalize(Vec3{dir.x * tc, dir.y * tc, std::sqrt(std::max(1.0f - tc * tc, 0.05f))});
    float tone = 0.5f;
    if (notches > 0) {
        const float angle = std::atan2(q.y, q.x);
        const float notch = std::fabs(std::sin(angle * float(notches) * 0.5f));
        tone -= 0.45f * SmoothStep(0.12f, 0.0f, notch) * SmoothStep(0.9f, 0.2f, std::fabs(t));
    }
    const float cover = Coverage((std::fabs(t) - 1.0f) * half * 2.0f);
    return Premultiply(GoldShade(n, tone), cover);
}

FloatImage PaintAmulet(int variant) {
    const Vec2 centre{44.0f, 46.0f};
    const std::vector<Vec2> dirs = FlashDirections(variant);
    const Rgb jade = Hex(0x0e4a3a), jadeLight = Hex(0x3fa882), turquoise = Hex(palette::kTurquoiseLight);
    return Cell(88, 92, [&](Vec2 p) {
        const Vec2 q = p - centre;
        const float r = Length(q);
        Rgba out = ShadowOf(Length(q - Vec2{2.5f, 3.0f}) - 30.0f, 5.0f, 0.35f);
        if (r < 27.5f) {
            // A domed window of dark jade glass: the glow and core beneath shine through.
            const float vein = Noise(0, p.x * 2.0f + float(variant) * 90.0f, p.y * 2.0f, 1.0f);
            const Vec3 n = Normalize(Vec3{q.x / 60.0f, q.y / 60.0f, 1.0f});
            const Lit lit = LightNormal(n, 30.0f);
            const Rgb glass = MixRgb(jade, jadeLight, 0.3f * vein + 0.35f * lit.diffuse) + kWhite * (0.5f * lit.specular);
            out = Over(Premultiply(glass, 0.72f * Coverage((r - 27.5f) * 2.0f)), out);
        }
        out = Over(Bezel(q, 26.0f, 31.0f, 16), out);
        // The glyph: electrum with a turquoise glow.
        const auto glyph = [&](Vec2 v) { return BoltGlyph(v, dirs, 24.0f); };
        const float d = glyph(q);
        if (d < 6.0f) {
            const float glow = Glow(std::max(d, 0.0f) / 3.0f, 1.0f) * (d > 0 ? 1.0f : 0.0f);
            out = Over(Premultiply(turquoise, 0.55f * glow), out);
            if (d < 1.0f) {
                const Vec3 n = BevelNormal(d, SdGradient(glyph, q), 1.8f, 1.6f);
                const Lit lit = LightNormal(n, 30.0f);
                const Rgb electrum = MixRgb(GoldShade(n, 0.8f), Hex(0xf4fff8) * (0.5f + 0.6f * lit.diffuse), 0.45f);
                out = Over(Premultiply(electrum, Coverage(d * 2.0f)), out);
            }
        }
        return out;
    });
}

// ---- Clock -------------------------------------------------------------------

// Distance to a clock hand from a hub at `hub` pointing right, `length` long.
float HandShape(Vec2 p, Vec2 hub, float length, float width) {
    const Vec2 q = p - hub;
    const std::vector<Vec2> blade = {{-2.0f, -width * 0.5f},        {length * 0.7f, -width * 0.75f},
                                     {length, 0.0f},                {length * 0.7f, width * 0.75f},
                                     {-2.0f, width * 0.5f}};
    return Union(SdPolygon(blade, q), Length(q) - width * 0.85f);
}

FloatImage PaintHand(int w, Vec2 hub, float length, bool shadow) {
    const Rgb hot = Hex(0xfff0c8), gold = Hex(palette::kGoldLight);
    return Cell(w, 14, [&](Vec2 p) {
        const float d = HandShape(p, hub, length, 4.6f);
        if (shadow) {
            // Darkness for the darkening blend: colour times alpha.
            const float a = 0.75f * Clamp01(0.5f - d / 1.6f);
            return Premultiply(kWhite, a);
        }
        const float cover = Coverage(d * 2.0f);
        const float ridge = Glow((p.y - hub.y) / 1.2f, 1.0f);
        return Premultiply(MixRgb(gold, hot, ridge), cover);
    });
}

FloatImage PaintClockRim() {
    const Vec2 c{45, 45};
    return Cell(90, 90, [&](Vec2 p) {
        const float r = Length(p - c) / 41.0f;
        const float shadowR = Length(p - c - Vec2{1.5f, 2.0f}) / 41.0f;
        float dark = 0.55f * SmoothStep(1.0f, 0.9f, r) + 0.4f * Glow((r - 0.93f) / 0.05f, 1.0f);
        dark = std::max(dark, 0.5f * SmoothStep(1.06f, 0.96f, shadowR));
        return Premultiply(kWhite, Clamp01(dark) * SmoothStep(1.08f, 1.02f, r));
    });
}

FloatImage PaintClockFace() {
    const Vec2 c{45, 45};
    const Rgb gold = Hex(palette::kGoldLight), tick = Hex(0xfff4dc), fill = Hex(palette::kTurquoise),
              jade = Hex(palette::kJadeLight);
    return Cell(90, 90, [&](Vec2 p) {
        const Vec2 q = p - c;
        const float r = Length(q);
        const float angle = std::atan2(q.y, q.x);
        Rgba out = Premultiply(fill, 0.16f * SmoothStep(37.0f, 30.0f, r) + 0.12f * Glow(r / 12.0f, 1.0f));
        // Outer ring.
        out = Over(Premultiply(gold, Coverage((std::fabs(r - 37.0f) - 1.4f) * 2.0f)), out);
        out = Over(Premultiply(gold, 0.35f * Glow((r - 37.0f) / 3.0f, 1.0f)), out);
        // Twelve ticks, the quarters longer.
        const float step = kPi / 6;
        const float k = std::round(angle / step);
        const float gap = std::fabs(angle - k * step) * r;
        const bool quarter = int(std::lround(k)) % 3 == 0;
        const float inner = quarter ? 26.0f : 29.5f;
        if (r > inner && r < 34.0f)
            out = Over(Premultiply(tick, Coverage((gap - (quarter ? 1.3f : 0.8f)) * 2.0f)), out);
        // Jade dots between the quarters.
        for (int i = 0; i < 4; ++i) {
            const float a = kPi / 4 + float(i) * kPi / 2;
            const float d = Length(q - Vec2{31.0f * std::cos(a), 31.0f * std::sin(a)}) - 2.0f;
            out = Over(Premultiply(jade, Coverage(d * 2.0f)), out);
        }
        // The hub.
        out = Over(Premultiply(tick, Clamp01(Glow(r / 3.5f, 1.0f) * 1.3f)), out);
        return out;
    });
}

// Number plate v (1..3): a glowing ring and the roman numeral below the hub.
FloatImage PaintClockPlate(int v) {
    const Vec2 c{38, 38};
    const Rgb glow = Hex(palette::kTurquoiseLight), white = Hex(0xf0fffc);
    return Cell(76, 76, [&](Vec2 p) {
        const Vec2 q = p - c;
        const float r = Length(q);
        Rgba out = Premultiply(glow, 0.5f * Glow((r - 33.0f) / 2.0f, 1.0f) * SmoothStep(37.0f, 35.0f, r));
        // Numeral: v bars with serifs, centred under the hub.
        const float spacing = 5.0f, barHalf = 1.2f, top = 12.0f, bottom = 24.0f;
        const float half = 0.5f * spacing * float(v - 1);
        float d = 1e9f;
        for (int i = 0; i < v; ++i) {
            const float x = -half + spacing * float(i);
            d = Union(d, SdBox(q - Vec2{x, 0.5f * (top + bottom)}, {barHalf, 0.5f * (bottom - top)}));
        }
        d = Union(d, SdBox(q - Vec2{0, top}, {half + 3.0f, 0.9f}));
        d = Union(d, SdBox(q - Vec2{0, bottom}, {half + 3.0f, 0.9f}));
        out = Over(Premultiply(glow, 0.6f * Glow(std::max(d, 0.0f) / 2.0f, 1.0f)), out);
        out = Over(Premultiply(white, Coverage(d * 2.0f)), out);
        return out;
    });
}

struct ChestLook {
    uint32_t body, band;
    bool goldBody;
    uint32_t gem;
};
const ChestLook kChests[4] = {{0x7a4a22, 0x4a4e56, false, 0},
                              {0x84501f, 0xc08a3a, false, 0},
                              {0x4a2410, 0xd4a43a, false, 0x2fd08a},
                              {0xd4a43a, 0xf0cc60, true, 0xff2a50}};

FloatImage PaintChest(int tier) {
    const ChestLook& look = kChests[tier];
    const Rgb wood = Hex(look.body), woodDark = wood * 0.35f;
    return Cell(50, 36, [&](Vec2 p) {
        Rgba out = ShadowOf(SdBox(p - Vec2{27.5f, 21.0f}, {19.0f, 12.0f}, 3.0f), 3.0f, 0.4f);
        // Body box and rounded lid (half a cylinder seen from the front).
        const Vec2 bodyCentre{25.0f, 22.5f};
        const float body = SdBox(p - bodyCentre, {19.0f, 9.5f}, 1.0f);
        const float lid = SdEllipse(p - Vec2{25.0f, 13.0f}, {19.0f, 9.0f});
        const float lidCut = Intersect(lid, p.y - 13.5f);
        const float shape = Union(body, lidCut);
        if (shape < 1.0f) {
            const bool onLid = p.y < 13.5f;
            Vec3 n{0, 0, 1};
            if (onLid) {
                const float t = Clamp01((13.5f - p.y) / 9.0f);
                n = Normalize(Vec3{0, -t * 1.2f, 1.0f - 0.4f * t});
            }
            const Vec2 g = SdGradient([&](Vec2 v) {
                return Union(SdBox(v - bodyCentre, {19.0f, 9.5f}, 1.0f),
                             Intersect(SdEllipse(v - Vec2{25.0f, 13.0f}, {19.0f, 9.0f}), v.y - 13.5f));
            }, p);
            const Vec3 bevel = BevelNormal(shape, g, 1.6f, 1.4f);
            n = Normalize(Vec3{n.x + bevel.x, n.y + bevel.y, n.z});
            Rgb c;
            // Metal bands down the sides and the middle, and along the rim.
            const float bandX = std::min({std::fabs(p.x - 9.5f), std::fabs(p.x - 40.5f)});
            const bool band = bandX < 2.2f || std::fabs(p.y - 13.5f) < 1.3f;
            if (look.goldBody || band) {
                c = band && !look.goldBody ? MattShade(n, Hex(look.band), 0.8f) * 1.1f : GoldShade(n, band ? 0.9f : 0.55f);
                if (band && look.band == 0x4a4e56)
                    c = MattShade(n, Hex(look.band), 0.5f);
            } else {
                const float plank = 0.5f + 0.5f * std::sin(p.y * 1.15f);
                const float grain = Noise(1, p.x * 0.6f + float(tier) * 40.0f, p.y * 3.0f, 1.0f);
                c = MattShade(n, MixRgb(woodDark, wood, 0.55f + 0.25f * plank + 0.3f * grain), 0.15f);
            }
            // The lock plate.
            const float plate = SdBox(p - Vec2{25.0f, 17.0f}, {3.6f, 4.2f}, 1.2f);
            if (plate < 0)
                c = GoldShade(BevelNormal(plate, SdGradient([&](Vec2 v) {
                                  return SdBox(v - Vec2{25.0f, 17.0f}, {3.6f, 4.2f}, 1.2f);
                              }, p), 1.2f, 1.3f), 0.7f);
            if (look.gem != 0) {
                const float gd = Length(p - Vec2{25.0f, 17.0f}) - 1.8f;
                if (gd < 0)
                    c = Hex(look.gem) * 1.2f + kWhite * (0.6f * Glow(Length(p - Vec2{24.4f, 16.4f}) / 0.8f, 1.0f));
            }
            out = Over(Premultiply(c, Coverage(shape * 2.0f)), out);
        }
        return out;
    });
}

// Coin frame k of 8: a gold coin turned k eighths of a half turn.
FloatImage PaintCoin(int k) {
    const float turn = float(k) * kPi / 8.0f;
    const float squeeze = std::fabs(std::cos(turn));
    return Cell(24, 24, [&](Vec2 p) {
        const Vec2 q = p - Vec2{12, 12};
        const float rx = std::max(8.8f * squeeze, 1.4f), thick = 1.6f * std::sin(turn);
        // The rim seen edge-on: the face ellipse shifted by the thickness.
        const float face = SdEllipse(q - Vec2{-0.5f * thick, 0}, {rx, 8.8f});
        const float edge = SdEllipse(q - Vec2{0.5f * thick, 0}, {rx, 8.8f});
        const float shape = Union(face, SdBox(q, {0.5f * std::fabs(thick), 8.8f}));
        Rgba out = ShadowOf(SdEllipse(q - Vec2{0.8f, 1.0f}, {rx + 0.5f * std::fabs(thick), 8.8f}), 1.2f, 0.3f);
        if (Union(shape, edge) < 1.0f) {
            Rgb c;
            if (face < 0) {
                const Vec2 local{(q.x + 0.5f * thick) / rx, q.y / 8.8f};
                const float rr = Length(local);
                // Raised rim and an embossed sun in the middle.
                Vec3 n{local.x * 0.25f * squeeze, local.y * 0.25f, 1.0f};
                if (rr > 0.78f)
                    n = Vec3{local.x * 0.9f * squeeze, local.y * 0.9f, 0.6f};
                const float sun = std::fabs(rr - 0.38f) < 0.09f ? 1.0f : 0.0f;
                if (sun > 0)
                    n = Vec3{-local.x * 0.8f * squeeze, -local.y * 0.8f, 0.7f};
                c = GoldShade(Normalize(n), 0.6f);
            } else {
                c = GoldShade(Normalize(Vec3{0.7f, 0.0f, 0.7f}), 0.2f);
            }
            out = Over(Premultiply(c, Coverage(Union(shape, edge) * 2.0f)), out);
        }
        return out;
    });
}

// ---- Seer's medallion --------------------------------------------------------

// Distance to the symbol of adviser picture `kind` (0 eye, 1 star, 2 sun,
// 3 moon), centred at the origin.
float SeerSymbol(int kind, Vec2 q) {
    switch (kind) {
    case 0: {
        // An almond eye: the intersection of two circles.
        const float almond = Intersect(Length(q - Vec2{0, 14.0f}) - 21.0f, Length(q + Vec2{0, 14.0f}) - 21.0f);
        return almond;
    }
    case 1: {
        std::vector<Vec2> star;
        for (int i = 0; i < 16; ++i) {
            const float a = -kPi / 2 + float(i) * kPi / 8;
            const float r = i % 4 == 0 ? 22.0f : (i % 2 == 0 ? 13.0f : 5.5f);
            star.push_back({r * std::cos(a), r * std::sin(a)});
        }
        return SdPolygon(star, q);
    }
    case 2: {
        float d = Length(q) - 11.0f;
        const float angle = std::atan2(q.y, q.x);
        const float step = kPi / 6;
        const float k = std::round(angle / step);
        const Vec2 dir{std::cos(k * step), std::sin(k * step)};
        const std::vector<Vec2> ray = {dir * 12.0f + Perp(dir) * 3.2f, dir * 23.0f, dir * 12.0f - Perp(dir) * 3.2f};
        return Union(d, SdPolygon(ray, q));
    }
    default:
        return Subtract(Length(q - Vec2{-4.0f, 0}) - 17.0f, Length(q - Vec2{3.0f, -3.0f}) - 15.0f);
    }
}

FloatImage PaintSeer(int kind) {
    const Vec2 centre{44.0f, 44.0f};
    const Rgb night = Hex(0x16123a), nightLight = Hex(0x3a3478);
    const Rgb turquoise = Hex(palette::kTurquoise), silver = Hex(0xe8eef8);
    return Cell(88, 88, [&](Vec2 p) {
        const Vec2 q = p - centre;
        const float r = Length(q);
        Rgba out;
        if (r < 33.0f) {
            const float sky = Noise(0, p.x * 1.5f, p.y * 1.5f + float(kind) * 70.0f, 1.0f);
            out = Premultiply(MixRgb(night, nightLight, 0.3f + 0.5f * sky), 0.62f * Coverage((r - 33.0f) * 2.0f));
        }
        const auto symbol = [&](Vec2 v) { return SeerSymbol(kind, v); };
        const float d = symbol(q);
        if (d < 5.0f && r < 33.0f) {
            out = Over(Premultiply(kind == 3 ? silver : Hex(palette::kGoldLight), 0.35f * Glow(std::max(d, 0.0f) / 3.0f, 1.0f)),
                       out);
            if (d < 1.0f) {
                const Vec3 n = BevelNormal(d, SdGradient(symbol, q), 2.5f, 1.5f);
                Rgb c = kind == 3 ? MattShade(n, silver, 0.8f) : GoldShade(n, 0.75f);
                if (kind == 0) {
                    // Iris and pupil.
                    const float iris = Length(q) - 8.0f;
                    if (iris < 0) {
                        const Lit lit = LightNormal(Normalize(Vec3{q.x / 20.0f, q.y / 20.0f, 1.0f}), 40.0f);
                        c = MixRgb(turquoise * 0.5f, Hex(palette::kTurquoiseLight), Clamp01(-iris / 8.0f)) *
                                (0.6f + 0.5f * lit.diffuse) +
                            kWhite * (0.8f * Glow(Length(q - Vec2{-2.5f, -2.5f}) / 1.3f, 1.0f));
                        if (Length(q) < 3.2f)
                            c = Hex(0x050510);
                    } else {
                        c = MattShade(n, Hex(0xf2ead8), 0.6f);
                    }
                }
                out = Over(Premultiply(c, Coverage(d * 2.0f)), out);
            }
        }
        out = Over(Bezel(q, 32.0f, 40.0f, 24), out);
        return out;
    });
}

}  // namespace

FloatImage PaintDynamitePicture() {
    return PaintDynamiteTier(0);
}

FloatImage PaintAmuletPicture() {
    return PaintAmulet(0);
}

Sheet PaintDynamite() {
    // Cells 0..3 the tiers, 4 the fuse part, 5..12 the fizzing spark.
    const std::vector<FloatImage> cells = PaintCells(13, [](int k) {
        if (k < 4)
            return PaintDynamiteTier(k);
        if (k == 4)
            return PaintDynamiteFuse();
        return PaintFizz(k - 5, 32, 32, {16, 16}, 13.0f);
    });
    Sheet sheet(256, 256);
    for (int t = 0; t < 4; ++t)
        sheet.Put(cells[size_t(t)], 86 * (t % 2), 92 * (t / 2), Store::Straight);
    sheet.Put(cells[4], 172, 0, Store::Straight);
    for (int k = 0; k < 8; ++k)
        sheet.Put(cells[size_t(5 + k)], 32 * k, 188, Store::Straight);
    return sheet;
}

Sheet PaintFlashSheet() {
    Sheet sheet(256, 256);
    const std::vector<FloatImage> amulets = PaintCells(4, [](int v) { return PaintAmulet(v); });
    for (int v = 0; v < 4; ++v)
        sheet.Put(amulets[size_t(v)], 88 * (v % 2), 92 * (v / 2), Store::Straight);
    // Dark halo (for the darkening blend) and the glow around the amulet.
    sheet.Put(Cell(76, 76, [](Vec2 p) {
                  const float r = Length(p - Vec2{38, 38}) / 37.0f;
                  return Premultiply(kWhite, 0.85f * Glow((r - 0.82f) / 0.14f, 1.0f) * SmoothStep(1.0f, 0.93f, r));
              }),
              178, 2, Store::Premultiplied);
    const Rgb glow = Hex(0xc8fff4);
    sheet.Put(Cell(76, 76, [&](Vec2 p) {
                  const float r = Length(p - Vec2{38, 38}) / 37.0f;
                  return Premultiply(glow, Clamp01(0.9f * Glow((r - 0.8f) / 0.15f, 1.0f) + 0.3f * Glow(r, 3.0f)) *
                                               SmoothStep(1.0f, 0.9f, r));
              }),
              178, 82, Store::Premultiplied);
    sheet.Put(Cell(24, 24, [&](Vec2 p) {
                  const float r = Length(p - Vec2{12, 12}) / 11.0f;
                  return Premultiply(MixRgb(glow, kWhite, Glow(r, 8.0f)),
                                     Clamp01(Glow(r, 3.0f) * 1.2f) * SmoothStep(1.0f, 0.85f, r));
              }),
              224, 160, Store::Straight);
    // Crackle frames: a small bolt from the root near the bottom up to the top.
    for (int k = 0; k < 8; ++k) {
        std::array<float, 6> kink{};
        for (size_t i = 1; i < kink.size(); ++i)
            kink[i] = (HashUnit(k, int(i), 21) - 0.5f) * 9.0f;
        const Rgb core = Hex(0xf4fcff), halo = Hex(0x8ad8ff);
        sheet.Put(Cell(32, 64, [&](Vec2 p) {
                      const float rootY = 57.0f, tipY = 4.0f;
                      const float t = Clamp01((rootY - p.y) / (rootY - tipY));
                      const float s = t * float(kink.size() - 1);
                      const size_t i = std::min(size_t(s), kink.size() - 2);
                      const float x = 18.0f + Mix(kink[i], kink[i + 1], s - float(i));
                      const float d = std::fabs(p.x - x);
                      const float taper = 1.0f - 0.6f * t;
                      const float inside = SmoothStep(rootY + 3.0f, rootY, p.y) * SmoothStep(tipY - 2.0f, tipY + 2.0f, p.y);
                      const float v = (Glow(d / (1.1f * taper), 1.0f) + 0.45f * Glow(d / (4.0f * taper), 1.0f)) * inside;
                      return Premultiply(MixRgb(halo, core, Glow(d / 1.2f, 1.0f)), Clamp01(v));
                  }),
                  32 * k, 188, Store::Straight);
    }
    return sheet;
}

Sheet PaintClockSheet() {
    Sheet sheet(256, 256);
    sheet.Put(PaintClockRim(), 0, 0, Store::Premultiplied);
    sheet.Put(PaintClockFace(), 90, 0, Store::Straight);
    for (int v = 1; v <= 3; ++v)
        sheet.Put(PaintClockPlate(v), 180, 76 * (v - 1), Store::Straight);
    sheet.Put(PaintHand(42, {6.0f, 7.0f}, 31.0f, true), 162, 228, Store::Premultiplied);
    sheet.Put(PaintHand(42, {7.0f, 8.0f}, 31.0f, false), 162, 242, Store::Straight);
    sheet.Put(PaintHand(52, {6.0f, 7.0f}, 42.0f, true), 204, 228, Store::Premultiplied);
    sheet.Put(PaintHand(52, {7.0f, 6.0f}, 42.0f, false), 204, 242, Store::Straight);
    for (int t = 0; t < 4; ++t)
        sheet.Put(PaintChest(t), 4, 94 + 36 * t, Store::Straight);
    for (int k = 0; k < 8; ++k)
        sheet.Put(PaintCoin(k), 54 + 24 * (k / 4), 94 + 24 * (k % 4), Store::Straight);
    return sheet;
}

Sheet PaintAdviserSheet() {
    Sheet sheet(256, 256);
    const std::vector<FloatImage> seers = PaintCells(4, [](int k) { return PaintSeer(k); });
    sheet.Put(seers[0], 0, 0, Store::Straight);
    sheet.Put(seers[1], 88, 0, Store::Straight);
    sheet.Put(seers[2], 0, 88, Store::Straight);
    // Variant 3 joins the left half of the moon to the right half of the sun.
    const FloatImage& moon = seers[3];
    FloatImage left(44, 88);
    for (int y = 0; y < 88; ++y)
        for (int x = 0; x < 44; ++x)
            left.At(x, y) = moon.At(x, y);
    sheet.Put(left, 88, 88, Store::Straight);
    // The glass: a faint disc with a curved streak of light, so its turning shows.
    sheet.Put(Cell(74, 74, [](Vec2 p) {
                  const Vec2 q = (p - Vec2{37, 37}) * (1.0f / 35.0f);
                  const float r = Length(q);
                  const float streak = Glow((Length(q - Vec2{0.35f, 0.35f}) - 0.75f) / 0.08f, 1.0f) *
                                       SmoothStep(0.2f, -0.4f, q.x + q.y);
                  const float a = Clamp01(0.12f + 0.7f * streak + 0.25f * Glow(Length(q - Vec2{-0.4f, -0.4f}) / 0.2f, 1.0f)) *
                                  SmoothStep(1.0f, 0.92f, r);
                  return Premultiply(Hex(0xe8f4ff), a);
              }),
              178, 2, Store::Straight);
    // The frame's shadow ring (darkening blend).
    sheet.Put(Cell(92, 94, [](Vec2 p) {
                  const float r = Length(p - Vec2{46.0f, 47.0f});
                  const float a = 0.8f * SmoothStep(44.0f, 39.0f, r) * SmoothStep(26.0f, 33.0f, r);
                  return Premultiply(kWhite, a);
              }),
              140, 88, Store::Premultiplied);
    // The hint arrow: a gold chevron pointing down with a jade inlay.
    sheet.Put(Cell(64, 32, [](Vec2 p) {
                  const auto outer = [](Vec2 v) {
                      return SdPolygon({{8, 4}, {56, 4}, {32, 26}}, v) - 1.5f;
                  };
                  const float d = outer(p);
                  Rgba out = ShadowOf(outer(p - Vec2{1.0f, 1.5f}), 1.5f, 0.4f);
                  if (d < 1.0f) {
                      const Vec3 n = BevelNormal(d, SdGradient(outer, p), 3.5f, 1.3f);
                      Rgb c = GoldShade(n, 0.65f);
                      const float inlay = SdPolygon({{21, 8.5f}, {43, 8.5f}, {32, 19}}, p);
                      if (inlay < 0.5f) {
                          const Lit lit = LightNormal(Vec3{0, 0, 1}, 10.0f);
                          c = MixRgb(c, Hex(palette::kJadeLight) * (0.6f + 0.4f * lit.diffuse), Coverage(inlay * 2.0f));
                      }
                      out = Over(Premultiply(c, Coverage(d * 2.0f)), out);
                  }
                  return out;
              }),
              0, 180, Store::Straight);
    return sheet;
}

Sheet PaintSolidaritySheet() {
    Sheet sheet(256, 128);
    const Rgb core = Hex(0xfffaf4), tint = Hex(0xffe0f0);
    // The streak repeats across the 256 texels: every wave has a whole number of periods.
    sheet.Put(Cell(256, 64, [&](Vec2 p) {
                  const float u = p.x / 256.0f * 2 * kPi;
                  const float y1 = 32.0f + 6.0f * std::sin(2 * u) + 3.0f * std::sin(5 * u + 1.3f);
                  const float y2 = 32.0f + 9.0f * std::sin(3 * u + 2.1f);
                  const float d1 = std::fabs(p.y - y1), d2 = std::fabs(p.y - y2);
                  const float flicker = 0.7f + 0.6f * SharedNoise(1).Sample(p.x, 7.0f);
                  float v = Glow(d1 / 1.8f, 1.0f) + 0.5f * Glow(d1 / 7.0f, 1.0f) + 0.2f * Glow(d1 / 15.0f, 1.0f) +
                            0.45f * flicker * Glow(d2 / 1.2f, 1.0f);
                  v *= SmoothStep(0.0f, 5.0f, p.y) * SmoothStep(64.0f, 59.0f, p.y);
                  return Premultiply(MixRgb(tint, core, Glow(d1 / 2.5f, 1.0f)), Clamp01(v));
              }),
              0, 0, Store::Premultiplied);
    sheet.Put(Cell(64, 64, [&](Vec2 p) {
                  const float r = Length(p - Vec2{32, 32}) / 30.0f;
                  const float v = Glow((r - 0.8f) / 0.07f, 1.0f) + 0.35f * Glow((r - 0.75f) / 0.2f, 1.0f);
                  return Premultiply(tint, Clamp01(v) * SmoothStep(1.05f, 0.95f, r));
              }),
              0, 64, Store::Premultiplied);
    sheet.Put(Cell(64, 64, [&](Vec2 p) {
                  const Vec2 q = (p - Vec2{32, 32}) * (1.0f / 30.0f);
                  const float r = Length(q);
                  float v = Glow(r, 20.0f) + 0.5f * Glow(r, 4.0f);
                  for (int i = 0; i < 4; ++i) {
                      const Vec2 dir{std::cos(float(i) * kPi / 4), std::sin(float(i) * kPi / 4)};
                      v += 0.6f * Glow(std::fabs(Cross(dir, q)) / 0.05f, 1.0f) * Clamp01(1.0f - std::fabs(Dot(dir, q)));
                  }
                  return Premultiply(MixRgb(tint, core, Glow(r, 10.0f)), Clamp01(v) * SmoothStep(1.0f, 0.85f, r));
              }),
              64, 64, Store::Straight);
    return sheet;
}

namespace {

// A token's own picture at rest (frame 0) at `size` x `size` texels.
FloatImage RestingToken(int record, int size) { return Resample(PaintToken(record).front().normal, size, size); }

}  // namespace

Sheet PaintGemPictures() {
    // The tokens' own pictures, painted side by side on threads.
    std::vector<FloatImage> gems(kTokenRecords);
    std::vector<std::thread> painters;
    for (int c = 0; c < kTokenRecords; ++c)
        painters.emplace_back([&gems, c] { gems[size_t(c)] = RestingToken(c, 48); });
    for (std::thread& t : painters)
        t.join();
    Sheet sheet(256, 128);
    for (int c = 0; c < kTokenRecords; ++c)
        sheet.Put(gems[size_t(c)], 48 * (c % 4), 48 * (c / 4), Store::Straight);
    return sheet;
}

Sheet PaintAccuracyToken() {
    // The round brilliant: the colourless stone takes the tint it is drawn
    // with. It is added to the scene, so its facets are darkened and pulled
    // apart: lit ones stay below white, dark ones let the board through.
    FloatImage gem = RestingToken(kAccuracyTokenRecord, kAccuracyGemSize);
    for (int y = 0; y < gem.Height(); ++y)
        for (int x = 0; x < gem.Width(); ++x) {
            Rgba& t = gem.At(x, y);
            if (t.a <= 0)
                continue;
            const auto facet = [&](float v) { return t.a * kAccuracyGemGain * std::pow(v / t.a, kAccuracyGemContrast); };
            t = {facet(t.r), facet(t.g), facet(t.b), t.a};
        }
    // Behind it a soft glow that fades out before the cell's gutter.
    FloatImage cell = Cell(kAccuracyCell, kAccuracyCell, [](Vec2 p) {
        const float r = Length(p - Vec2{0.5f, 0.5f} * float(kAccuracyCell)) / (0.5f * float(kAccuracyCell) - 2.0f);
        const float glow = kAccuracyGlow * (1.0f - SmoothStep(0.6f, 1.0f, r));
        return Premultiply(kWhite, glow * SmoothStep(1.0f, 0.97f, r));
    });
    const int at = (kAccuracyCell - kAccuracyGemSize) / 2;
    cell.BlitOver(gem, at, at);
    Sheet sheet(4 * kAccuracyCell, 4 * kAccuracyCell);
    sheet.Put(cell, 0, 3 * kAccuracyCell, Store::Straight);
    return sheet;
}

}  // namespace gen
