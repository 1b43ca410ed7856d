#include "MenuPages.h"

#include <algorithm>
#include <cmath>

#include "ArtSceneKit.h"
#include "CapsCards.h"
#include "CapsChain.h"
#include "CapsGems.h"
#include "CapsLayout.h"
#include "FxBonus.h"
#include "MenuShop.h"
#include "TotemArt.h"

namespace gen {

namespace {

using scene::Fbm1;

const Rgb kPaper = Hex(0xeadcb8), kInk = Hex(0x3a2414);

// --- Engraving ----------------------------------------------------------
// A scene is described per point as the density of its hatching (0 bare
// paper, 1 solid ink), the direction its lines run and the distance to the
// nearest cut outline; the printer turns that into lines.
struct Cut {
    float tone = 0;
    float angle = 0;     // direction of the hatch lines (radians from +x)
    float stroke = 1e9f; // distance to the nearest outline's ink (negative on it)
};

// Lays shape `d` (negative inside) over what is there: inside, its own tone
// and hatch hide the scene behind, outlines included; its outline is cut
// `line` wide.
void Lay(Cut& c, float d, float tone, float angle, float line = 0.6f) {
    if (d < 0) {
        c.tone = tone;
        c.angle = angle;
        c.stroke = std::fabs(d) - line;
    } else {
        c.stroke = std::min(c.stroke, d - line);
    }
}
// An engraved line (a stroke without a surface).
void Line(Cut& c, float d, float halfWidth) {
    c.stroke = std::min(c.stroke, d - halfWidth);
}

constexpr float kHatch = 3.6f; // texels between hatch lines

// Ink coverage of the engraving at p.
float Print(const Cut& c, Vec2 p) {
    // Hand-cut lines wander a little.
    const float wobble = 0.45f * (Noise(1, p.x * 0.5f, p.y * 0.5f, 1.0f) - 0.5f);
    const auto lines = [&](float angle, float tone) {
        const Vec2 across{-std::sin(angle), std::cos(angle)};
        const float u = Dot(p, across) / kHatch + wobble;
        const float d = std::fabs(u - std::round(u)) * kHatch;
        const float half = 0.5f * kHatch * SmoothStep(0.03f, 1.0f, tone);
        return half <= 0 ? 0.0f : Clamp01(half - d + 0.5f);
    };
    float ink = lines(c.angle, std::min(c.tone * 1.5f, 0.75f));
    // Darker tones are crossed at a steep angle.
    ink = std::max(ink, lines(c.angle + kPi / 3, (c.tone - 0.45f) * 1.3f));
    return std::max(ink, Coverage(c.stroke * 2.0f));
}

constexpr float kFlat = 0.0f, kUpright = kPi / 2, kSlant = kPi / 4, kBackSlant = 3 * kPi / 4;

// Light from the top left on a round body: the hatch tone across it, dx from
// its axis in half widths (-1 left edge, 1 right edge).
float RoundTone(float dx, float lit, float dark) {
    return Mix(lit, dark, SmoothStep(-0.6f, 1.0f, dx));
}

// Hanging leaves and fronds that frame a scene: a fan of long leaves from `root`.
void Fronds(Cut& c, Vec2 q, Vec2 root, float angle0, float angle1, int count, float length,
            int seed) {
    for (int k = 0; k < count; ++k) {
        const float a = Mix(angle0, angle1, (float(k) + 0.5f) / float(count)) +
                        0.15f * (HashUnit(k, seed) - 0.5f);
        const float len = length * (0.75f + 0.35f * HashUnit(k, seed, 2));
        const Vec2 dir{std::cos(a), std::sin(a)};
        const Vec2 local{Dot(q - root, dir), Cross(dir, q - root)};
        // A leaf that droops: its middle line bends down along its length.
        const float t = Clamp01(local.x / len);
        const float bend = 0.18f * len * t * t * (dir.x >= 0 ? 1.0f : -1.0f);
        const float w = 0.16f * len * std::sin(kPi * std::pow(t, 0.8f));
        const float d = std::max(std::fabs(local.y - bend) - w, std::max(-local.x, local.x - len));
        Lay(c, d, 0.7f, a + kPi / 2 * 0.8f, 0.7f);
        if (d < 0)
            Line(c, std::fabs(local.y - bend), 0.5f);
    }
}

// 1: the museum hall, the case of humming stones under the high windows.
Cut Museum(Vec2 q, float w, float h) {
    Cut c;
    const Vec2 v{w * 0.5f, h * 0.5f}; // the vanishing point
    // Ceiling, back wall and floor.
    if (q.y < v.y - 70) {
        c = {0.55f, kFlat, 1e9f};
    } else if (q.y < v.y + 38) {
        c = {0.3f, kUpright, 1e9f};
    } else {
        // Floor tiles in perspective: a chequer of light and dark slabs.
        const float depth = 900.0f / (q.y - v.y + 1.0f);
        const float across = (q.x - v.x) / (q.y - v.y + 1.0f) * 1.6f + 0.5f;
        const bool dark =
            (int(std::floor(depth / 4.0f)) + int(std::floor(across + 64.0f))) % 2 != 0;
        c = {dark ? 0.45f : 0.12f, kFlat, 1e9f};
    }
    Line(c, std::fabs(q.y - (v.y + 38)), 0.6f);
    Line(c, std::fabs(q.y - (v.y - 70)), 0.6f);
    // The arched doorway at the far end, dark beyond.
    const float door =
        Union(SdBox(q - Vec2{v.x, v.y + 10}, {26, 28}), Length(q - Vec2{v.x, v.y - 18}) - 26);
    Lay(c, door, 0.9f, kUpright);
    // Columns down both sides, nearer ones larger.
    for (int i = 3; i >= 0; --i) {
        const float f = std::pow(0.68f, float(i));
        for (const float side : {-1.0f, 1.0f}) {
            const float x = v.x + side * 250.0f * f, half = 22.0f * f;
            const float top = v.y - 150.0f * f, bottom = v.y + 130.0f * f;
            const float shaft =
                SdBox(q - Vec2{x, 0.5f * (top + bottom)}, {half, 0.5f * (bottom - top)});
            const float caps = Union(SdBox(q - Vec2{x, top + 5 * f}, {half * 1.4f, 6 * f}),
                                     SdBox(q - Vec2{x, bottom - 5 * f}, {half * 1.4f, 6 * f}));
            Lay(c, Union(shaft, caps), RoundTone((q.x - x) / half, 0.08f, 0.75f), kUpright, 0.7f);
            // Flutes down the shaft.
            if (shaft < 0 && caps > 0)
                Line(c,
                     std::fabs(std::fmod(std::fabs(q.x - x) + 0.5f * half, half * 0.5f) -
                               0.25f * half),
                     0.35f);
        }
    }
    // Light from the high windows on the left falls across the hall.
    const float shaft = scene::Shafts(q * 2.0f, 1.1f, 70.0f, 3.0f);
    c.tone *= 1.0f - 0.55f * shaft * SmoothStep(w * 0.7f, 0.0f, q.x);
    // The glass case on its plinth, the stones glowing inside.
    const Vec2 cs{v.x, h - 34};
    Lay(c, SdBox(q - Vec2{cs.x, cs.y + 14}, {86, 20}), RoundTone((q.x - cs.x) / 86.0f, 0.3f, 0.7f),
        kFlat, 0.8f);
    Lay(c, SdBox(q - Vec2{cs.x, cs.y - 22}, {78, 18}), 0.04f, kSlant, 0.8f);
    for (int k = 0; k < 5; ++k) {
        const Vec2 s{cs.x - 56.0f + 28.0f * float(k), cs.y - 18};
        const float stone = SdPolygon(RegularPolygon(4 + k % 3 * 2, 9, -kPi / 2, s), q);
        Lay(c, stone, RoundTone((q.x - s.x) / 9.0f, 0.25f, 0.8f), kBackSlant, 0.6f);
        // Rays of their glow.
        for (int r = 0; r < 6; ++r) {
            const Vec2 dir = Rotate(Vec2{1, 0}, -kPi * (0.1f + 0.16f * float(r)));
            Line(c, std::max(DistSegment(q, s + dir * 13.0f, s + dir * 19.0f), -1.0f), 0.35f);
        }
    }
    return c;
}

// 2: the river through the jungle, a canoe of explorers on it.
Cut Jungle(Vec2 q, float w, float h) {
    Cut c{0.04f, kFlat, 1e9f};
    const float horizon = 96;
    const float hills = horizon - 26.0f * Fbm1(q.x / 220.0f, 5.0f);
    if (q.y > hills)
        c = {0.28f, kFlat, 1e9f};
    Line(c, std::fabs(q.y - hills), 0.5f);
    const float canopy =
        horizon + 18 - 34.0f * Fbm1(q.x / 70.0f, 7.0f) - 6.0f * std::fabs(std::sin(q.x * 0.09f));
    Lay(c, canopy - q.y, 0.5f, kSlant, 0.6f);
    // Round crowns of trees crowd both banks.
    for (int k = 0; k < 16; ++k) {
        const float side = k % 2 ? 1.0f : -1.0f;
        const Vec2 t{w * 0.5f + side * (70.0f + 16.0f * float(k)) + 20.0f * HashUnit(k, 1),
                     horizon + 18.0f + 6.0f * float(k) + 8.0f * HashUnit(k, 2)};
        const float r = 12.0f + 1.3f * float(k);
        const float crown =
            Length(q - t) - r - 2.0f * std::sin(std::atan2(q.y - t.y, q.x - t.x) * 7.0f);
        Lay(c, crown, RoundTone((q.x - t.x + 0.5f * (q.y - t.y)) / r, 0.2f, 0.85f), kBackSlant,
            0.6f);
    }
    // The river comes round a bend towards us.
    const auto riverAt = [&](float y, float& half) {
        const float t = Clamp01((y - horizon - 10) / (h - horizon - 10));
        half = 8.0f + 80.0f * t * t + 20.0f * t;
        return w * 0.5f + 70.0f * std::sin(t * 3.2f + 0.6f) * (1.0f - 0.4f * t);
    };
    if (q.y > horizon + 10) {
        float half = 0;
        const float centre = riverAt(q.y, half);
        Lay(c, std::fabs(q.x - centre) - half, 0.1f, kFlat, 0.6f);
        if (std::fabs(q.x - centre) < half) {
            // Ripples.
            const float r =
                std::fabs(std::fmod(q.y + 7.0f * Fbm1(q.x / 40.0f, 9.0f), 11.0f) - 5.5f);
            if (HashUnit(int(q.y / 11.0f), int(q.x / 23.0f), 4) < 0.45f)
                Line(c, r, 0.35f);
        }
    }
    // The canoe and its crew.
    float boatHalf = 0;
    const Vec2 boat{riverAt(h - 40, boatHalf), h - 40};
    Lay(c, Intersect(SdEllipse(q - boat, {44, 9}), q.y - boat.y + 1), 0.75f, kFlat, 0.7f);
    for (int k = 0; k < 3; ++k) {
        const Vec2 f{boat.x - 24.0f + 24.0f * float(k), boat.y - 7};
        Lay(c, Union(SdEllipse(q - f, {5, 7}), Length(q - (f + Vec2{0, -10})) - 3.5f), 0.8f,
            kUpright);
    }
    Line(c, DistSegment(q, boat + Vec2{30, -24}, boat + Vec2{12, 10}), 0.8f);
    // Trunks at both sides, fronds from the top corners.
    for (const float x : {34.0f, w - 40.0f}) {
        const float bend = 8.0f * std::sin(q.y * 0.02f);
        const float trunk = std::fabs(q.x - x - bend) - 13.0f + q.y * 0.03f;
        Lay(c, trunk, RoundTone((q.x - x - bend) / 13.0f, 0.3f, 0.85f), kUpright, 0.7f);
        if (trunk < 0 && std::fmod(q.y + 5 * std::sin(q.x), 17.0f) < 1.2f)
            c.stroke = -1;
    }
    Fronds(c, q, {20, -10}, 0.15f, 1.5f, 7, 120, 1);
    Fronds(c, q, {w - 20, -10}, kPi - 1.5f, kPi - 0.15f, 7, 120, 2);
    Fronds(c, q, {-10, h + 10}, -1.3f, -0.1f, 5, 90, 3);
    return c;
}

// 3: the mountain valley at sunrise, the Sun Road climbing its side.
Cut Valley(Vec2 q, float w, float h) {
    Cut c{0.03f, kFlat, 1e9f};
    const Vec2 sun{w * 0.52f, 70};
    for (int r = 0; r < 18; ++r) {
        const Vec2 dir = Rotate(Vec2{1, 0}, kPi * (1.0f + float(r) / 17.0f));
        Line(c, DistSegment(q, sun + dir * 30.0f, sun + dir * (r % 2 ? 60.0f : 80.0f)), 0.45f);
    }
    Lay(c, Length(q - sun) - 24, 0.0f, kFlat, 0.7f);
    // Far peaks: lit on their left faces, shaded on the right.
    const float far = scene::RidgeY(q.x, 125, 55, 260, 3.0f, true);
    const float slope = scene::RidgeY(q.x + 6, 125, 55, 260, 3.0f, true) - far;
    Lay(c, far - q.y, Mix(0.2f, 0.5f, SmoothStep(-2.0f, 2.0f, slope)), kSlant, 0.6f);
    // The near shoulders of the valley.
    const float left =
        SdPolygon({{-10, h + 10}, {-10, 70}, {70, 52}, {150, 110}, {250, h + 10}}, q);
    const float right = SdPolygon(
        {{w + 10, h + 10}, {w + 10, 60}, {w - 90, 44}, {w - 200, 130}, {w - 290, h + 10}}, q);
    Lay(c, left, 0.3f + 0.25f * SmoothStep(60, 220, q.x), kBackSlant, 0.7f);
    Lay(c, right, 0.55f + 0.2f * SmoothStep(w - 280, w, q.x), kSlant, 0.7f);
    // Rock ledges on the shoulders.
    if (Union(left, right) < 0 && std::fmod(q.y + 10.0f * Fbm1(q.x / 50.0f, 6.0f), 24.0f) < 1.1f &&
        Fbm1(q.x / 25.0f + q.y / 30.0f, 8.0f) > 0.5f)
        c.stroke = -1;
    // The valley floor and its trees.
    Lay(c, h - 40 - q.y + 6.0f * Fbm1(q.x / 60.0f, 4.0f), 0.2f, kFlat, 0.6f);
    for (int k = 0; k < 9; ++k) {
        const Vec2 t{200.0f + 22.0f * float(k) + 8.0f * HashUnit(k, 5),
                     h - 40 + 6.0f * HashUnit(k, 6)};
        Lay(c, Length(q - (t - Vec2{0, 9})) - 8, RoundTone((q.x - t.x) / 8.0f, 0.3f, 0.85f),
            kSlant);
        Lay(c, SdBox(q - Vec2{t.x, t.y + 2}, {1.5f, 4}), 0.8f, kUpright, 0.4f);
    }
    // The Sun Road: broad steps zigzagging up the left shoulder.
    const Vec2 road[] = {{250, h}, {150, h - 40}, {190, h - 80}, {100, 110}, {140, 80}, {75, 58}};
    for (size_t i = 1; i < std::size(road); ++i) {
        const float d = DistSegment(q, road[i - 1], road[i]);
        const float width = 6.0f - 0.6f * float(i);
        Lay(c, d - width, 0.02f, kFlat, 0.6f);
        if (d < width) {
            const Vec2 dir = Normalize(road[i] - road[i - 1]);
            const float along = Dot(q - road[i - 1], dir);
            if (std::fmod(along, 7.0f) < 0.7f)
                c.stroke = -1;
        }
    }
    // A cloud bank round the far peaks.
    for (int k = 0; k < 3; ++k) {
        const Vec2 cl{70.0f + 200.0f * float(k) + (k == 1 ? 90.0f : 0.0f),
                      34.0f + 12.0f * float(k % 2)};
        const float d =
            Union(SdEllipse(q - cl, {44, 10}), SdEllipse(q - cl - Vec2{18, -7}, {24, 9}));
        Lay(c, d, 0.0f, kFlat, 0.55f);
    }
    return c;
}

// 4: the temple's round door rolled aside, torches at the dark way in.
Cut TempleDoor(Vec2 q, float w, float h) {
    Cut c{0.72f, kSlant, 1e9f};
    // The stepped front of the temple, its blocks and joints.
    const float front = SdBox(q - Vec2{w * 0.5f, h * 0.5f + 6}, {w * 0.42f, h * 0.5f});
    float stone = front;
    for (int k = 0; k < 4; ++k) {
        const float tier = SdBox(q - Vec2{w * 0.5f, 24.0f + 30.0f * float(k) - 40},
                                 {w * (0.3f + 0.04f * float(k)), 24});
        Lay(c, tier, 0.35f + 0.05f * float(k), kFlat, 0.6f);
        stone = Union(stone, tier);
    }
    Lay(c, front, 0.3f, kFlat, 0.7f);
    if (stone < 0) {
        // Courses of dressed blocks, every other one set half a block over.
        const float row = std::floor(q.y / 18.0f);
        const float x = q.x + (int(row) % 2 != 0 ? 21.0f : 0.0f);
        const float jy = 9.0f - std::fabs(std::fmod(q.y, 18.0f) - 9.0f);
        const float jx = 21.0f - std::fabs(std::fmod(x, 42.0f) - 21.0f);
        Line(c, std::min(jx, jy), 0.5f);
    }
    // Carved glyphs along the lintel.
    for (int k = 0; k < 9; ++k) {
        const Vec2 g{w * 0.5f - 160.0f + 40.0f * float(k), 66};
        Line(c, std::fabs(SdBox(q - g, {9, 7}, 2)), 0.5f);
        Line(c, std::fabs(Length(q - g) - 3.0f), 0.45f);
    }
    // The dark way in, a stair going down into it.
    const Vec2 door{w * 0.42f, h - 64};
    const float hole = Union(Length(q - door) - 52, SdBox(q - Vec2{door.x, h - 30}, {52, 34}));
    Lay(c, hole, 0.95f, kUpright, 0.9f);
    for (int s = 0; s < 5; ++s) {
        const float y = h - 14.0f - 12.0f * float(s);
        if (hole < 0 && std::fabs(q.x - door.x) < 44.0f - 6.0f * float(s))
            Lay(c, std::fabs(q.y - y) - 2.5f, 0.2f, kFlat, 0.4f);
    }
    // The round door, rolled aside: rings and a sun carved on its face.
    const Vec2 disc{w * 0.42f + 112, h - 62};
    const float dd = Length(q - disc) - 56;
    Lay(c, dd, RoundTone((q.x - disc.x) / 56.0f, 0.15f, 0.6f), kBackSlant, 0.9f);
    if (dd < 0) {
        Line(c, std::fabs(Length(q - disc) - 46), 0.6f);
        Line(c, std::fabs(Length(q - disc) - 20), 0.6f);
        const float a = std::atan2(q.y - disc.y, q.x - disc.x);
        const float r = Length(q - disc);
        if (r > 22 && r < 44 &&
            std::fabs(std::fmod(a + 2 * kPi, kPi / 8) - kPi / 16) < 0.03f * 40.0f / r)
            c.stroke = -1;
    }
    // Torches either side of the way in, their flames bare paper.
    for (const float x : {door.x - 86, disc.x + 80}) {
        Lay(c, SdBox(q - Vec2{x, h - 40}, {3, 40}), 0.7f, kUpright, 0.5f);
        Lay(c, SdBox(q - Vec2{x, h - 80}, {7, 4}), 0.8f, kFlat, 0.5f);
        const float flame = SdEllipse(q - Vec2{x, h - 98}, {8, 14});
        Lay(c, flame, 0.0f, kFlat, 0.7f);
        Line(c, std::fabs(SdEllipse(q - Vec2{x, h - 95}, {3.5f, 7})), 0.4f);
        c.tone *= 1.0f - 0.5f * Glow(Length(q - Vec2{x, h - 98}) / 40.0f, 1.0f);
    }
    Fronds(c, q, {-10, -10}, 0.1f, 1.4f, 6, 110, 4);
    Fronds(c, q, {w + 10, -10}, kPi - 1.4f, kPi - 0.1f, 6, 110, 5);
    return c;
}

// 5: the treasury: a sun of gold on the wall, chests and heaps of coins.
Cut Treasury(Vec2 q, float w, float h) {
    Cut c{0.5f, kUpright, 1e9f};
    // Vaulted bays along the back wall.
    for (int k = 0; k < 5; ++k) {
        const float x = w * (0.1f + 0.2f * float(k));
        const float bay = Union(SdBox(q - Vec2{x, 110}, {34, 50}), Length(q - Vec2{x, 60}) - 34);
        Lay(c, bay, 0.8f, kUpright, 0.6f);
    }
    // Light pouring down from an opening in the vault.
    const float beam = std::fabs(q.x - w * 0.5f + (q.y - h) * 0.25f) - (40.0f + q.y * 0.35f);
    c.tone *= 1.0f - 0.7f * SmoothStep(10.0f, -30.0f, beam);
    // The great sun disc.
    const Vec2 sun{w * 0.5f, 72};
    for (int r = 0; r < 16; ++r) {
        const Vec2 dir = Rotate(Vec2{1, 0}, float(r) * kPi / 8);
        const float ray = SdPolygon({sun + dir * 38.0f + Perp(dir) * 7.0f, sun + dir * 62.0f,
                                     sun + dir * 38.0f - Perp(dir) * 7.0f},
                                    q);
        Lay(c, ray, 0.15f, kSlant, 0.6f);
    }
    Lay(c, Length(q - sun) - 40, RoundTone((q.x - sun.x) / 40.0f, 0.05f, 0.45f), kBackSlant, 0.8f);
    Line(c, std::fabs(Length(q - sun) - 30), 0.5f);
    Line(c, std::fabs(SdPolygon(RegularPolygon(8, 14, kPi / 8, sun), q)), 0.6f);
    Line(c, std::fabs(Length(q - sun) - 5), 0.5f);
    // The floor, heaped with coins.
    const float heap = h - 44 - 50.0f * Bell((q.x - w * 0.5f) / 90.0f) -
                       30.0f * Bell((q.x - w * 0.15f) / 60.0f) -
                       34.0f * Bell((q.x - w * 0.85f) / 60.0f);
    Lay(c, heap - q.y, 0.12f, kFlat, 0.7f);
    if (q.y > heap) {
        const float cell = 11.0f;
        const int i = int(std::floor(q.x / cell)), j = int(std::floor(q.y / cell * 1.6f));
        for (int dj = -1; dj <= 1; ++dj)
            for (int di = -1; di <= 1; ++di) {
                const Vec2 centre{(float(i + di) + HashUnit(i + di, j + dj, 1)) * cell,
                                  (float(j + dj) + HashUnit(i + di, j + dj, 2)) * cell / 1.6f};
                if (centre.y < heap + 3)
                    continue;
                const float coin = SdEllipse(q - centre, {5.5f, 3.2f});
                Line(c, std::fabs(coin), 0.45f);
            }
    }
    // Open chests either side, spilling coins.
    for (const float side : {-1.0f, 1.0f}) {
        const Vec2 chest{w * 0.5f + side * 165.0f, h - 44};
        const float body = SdBox(q - chest, {48, 26}, 3);
        const float lid = SdBox(q - chest - Vec2{side * 6.0f, -44}, {44, 14}, 6);
        Lay(c, lid, 0.6f, kFlat, 0.8f);
        Lay(c, Intersect(SdEllipse(q - chest - Vec2{0, -26}, {46, 14}), chest.y - 26 - q.y), 0.1f,
            kFlat, 0.6f);
        Lay(c, body, RoundTone((q.x - chest.x) / 48.0f, 0.35f, 0.75f), kUpright, 0.8f);
        for (const float bx : {-30.0f, 30.0f})
            Lay(c, SdBox(q - chest - Vec2{bx, 0}, {5, 26}), 0.9f, kUpright, 0.5f);
        Lay(c, SdBox(q - chest - Vec2{0, -8}, {7, 8}, 2), 0.15f, kFlat, 0.5f);
    }
    return c;
}

Cut SceneAt(int issue, Vec2 q, float w, float h) {
    switch (issue) {
    case 1:
        return Museum(q, w, h);
    case 2:
        return Jungle(q, w, h);
    case 3:
        return Valley(q, w, h);
    case 4:
        return TempleDoor(q, w, h);
    default:
        return Treasury(q, w, h);
    }
}

// The camp table the paper lies on: dark planks in the lamp's light.
Rgb Table(Vec2 p) {
    const float plank = std::floor(p.y / 96.0f);
    const float grain = Noise(1, p.x * 0.08f + 37.0f * plank, p.y * 1.6f, 1.0f);
    const float knots = Noise(0, p.x * 0.5f + 91.0f * plank, p.y * 0.5f, 1.0f);
    Rgb c = Hex(0x4a2c18) * (0.6f + 0.5f * grain + 0.3f * (knots - 0.5f));
    // The joints between planks.
    const float joint = std::fabs(std::fmod(p.y, 96.0f) - 48.0f);
    c = c * (1.0f - 0.7f * SmoothStep(46.0f, 48.0f, joint));
    // The lamp stands top left.
    const float light = Glow(Length(p - Vec2{180, 120}) / 900.0f, 1.6f);
    return c * (0.25f + 0.85f * light) * scene::Vignette(p, kPageWidth, kPageHeight, 0.6f);
}

// A part of a picture, copied.
FloatImage Crop(const FloatImage& image, int x0, int y0, int w, int h) {
    FloatImage out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.At(x, y) = image.At(x0 + x, y0 + y);
    return out;
}

// The sand glass of the level screen, as the help explains it: two glass
// bulbs between gold plates and posts, most of the sand run down.
FloatImage PaintHourglass(int size) {
    const float unit = float(size) / 128.0f;
    const auto glass = [](Vec2 q) {
        const float t = Clamp01(std::fabs(q.y) / 42.0f);
        const float half = 4.0f + 25.0f * std::pow(std::sin(kPi * std::min(t, 0.92f)), 0.7f);
        return std::max(std::fabs(q.x) - half, std::fabs(q.y) - 42.0f);
    };
    const auto metal = [](Vec2 q) {
        float d = SdBox(q - Vec2{0, -47}, {40, 5}, 2);
        d = Union(d, SdBox(q - Vec2{0, 47}, {40, 5}, 2));
        for (const float x : {-35.0f, 35.0f})
            d = Union(d, SdBox(q - Vec2{x, 0}, {3, 44}, 1.5f));
        return d;
    };
    const Rgb sand = Hex(0xd9b26a), tint = Hex(0xbfe8e0);
    return RenderAdaptive(size, size, 0.02f, [&](float x, float y) {
        const Vec2 q = Vec2{x, y} * (1.0f / unit) - Vec2{64, 64};
        Rgba c{};
        // A soft shadow to the lower right.
        const float shadow = std::min(glass(q - Vec2{3, 4}), metal(q - Vec2{3, 4}));
        c = Premultiply(Rgb{0, 0, 0}, 0.35f * (1.0f - SmoothStep(-2.0f, 4.0f, shadow)));
        const float g = glass(q);
        if (g < 0.5f) {
            // Sand heaped in the lower bulb, a little left in the upper one,
            // and the thread running between them.
            const float heap = q.y - (14.0f + 16.0f * (q.x / 26.0f) * (q.x / 26.0f));
            const float rest = std::max(-6.0f - q.y, q.y - 2.0f);
            const float thread = std::max(std::fabs(q.x) - 0.8f, std::fabs(q.y - 16.0f) - 16.0f);
            const float s = std::min({-heap, rest, thread});
            const Rgb grains = sand * (0.8f + 0.3f * Noise(2, x * 2.0f, y * 2.0f, 1.0f)) *
                               (1.05f - 0.004f * (q.x + q.y));
            const Rgba inside = Over(Premultiply(grains, Coverage(s * 2.0f)),
                                     Premultiply(tint * 0.55f, 0.3f));
            // The glass catches the light on its upper left.
            const float shine = Glow((q.x + 14.0f) / 4.0f, 1.0f) * SmoothStep(40.0f, 20.0f, std::fabs(q.y));
            c = Over(Over(Premultiply(Rgb{1, 1, 1}, 0.5f * shine), inside) * Coverage(g * 2.0f), c);
        }
        const float m = metal(q);
        if (m < 0.5f) {
            const Vec3 n = BevelNormal(m, SdGradient(metal, q), 2.5f, 1.2f);
            c = Over(Premultiply(GoldShade(n, 0.55f), Coverage(m * 2.0f)), c);
        }
        return c;
    });
}

// `picture` fitted into a kHelpCell square, centred, inside the gutter.
FloatImage HelpCell(const FloatImage& picture) {
    constexpr int kRoom = kHelpCell - 4;
    const float scale = std::min(float(kRoom) / float(picture.Width()),
                                 float(kRoom) / float(picture.Height()));
    const int w = int(std::lround(float(picture.Width()) * scale));
    const int h = int(std::lround(float(picture.Height()) * scale));
    FloatImage cell(kHelpCell, kHelpCell);
    cell.BlitOver(Resample(picture, w, h), (kHelpCell - w) / 2, (kHelpCell - h) / 2);
    return cell;
}

// What each help picture shows, in atlas order.
enum class HelpArt {
    Token0, Token1, Token2, Token3, Token4, Token5, Token6,
    Chained, Steel, Dynamite, Amulet, Hourglass,
    GoldenStar, RedTotem, VioletTotem, CardBack, CardFace,
    Count
};

AtlasRect HelpCellOf(HelpArt art) {
    const int k = int(art), columns = kHelpSheetW / kHelpCell;
    return {(k % columns) * kHelpCell, (k / columns) * kHelpCell, kHelpCell, kHelpCell};
}

} // namespace

const std::vector<std::vector<HelpPicture>>& HelpPictures() {
    static const std::vector<std::vector<HelpPicture>> pages = [] {
        std::vector<std::vector<HelpPicture>> p(3);
        for (int k = 0; k < 7; ++k)
            p[0].push_back({"tokens", HelpCellOf(HelpArt(int(HelpArt::Token0) + k))});
        p[1] = {{"Chained", HelpCellOf(HelpArt::Chained)},
                {"Steel", HelpCellOf(HelpArt::Steel)},
                {"TNT", HelpCellOf(HelpArt::Dynamite)},
                {"lightning", HelpCellOf(HelpArt::Amulet)},
                {"hourglass", HelpCellOf(HelpArt::Hourglass)}};
        p[2] = {{"Golden Stars", HelpCellOf(HelpArt::GoldenStar)},
                {"totem", HelpCellOf(HelpArt::RedTotem)},
                {"totem", HelpCellOf(HelpArt::VioletTotem)},
                {"challenges", HelpCellOf(HelpArt::CardBack)},
                {"challenges", HelpCellOf(HelpArt::CardFace)}};
        return p;
    }();
    return pages;
}

FloatImage PaintHelpPictures() {
    std::vector<std::vector<TokenFrame>> tokens;
    for (int r = 0; r < kTokenRecords; ++r)
        tokens.push_back(PaintToken(r));
    const std::vector<std::vector<CardFrame>> cards = PaintCards(tokens);
    const std::vector<FloatImage> cells = PaintCells(int(HelpArt::Count), [&](int k) {
        const HelpArt art = HelpArt(k);
        switch (art) {
        case HelpArt::Chained: {
            FloatImage chained = tokens[3].front().normal;
            const FloatImage links =
                Resample(Crop(PaintChainTexture(), kSingleChainRect.x0, kSingleChainRect.y0,
                              kSingleChainRect.Width(), kSingleChainRect.Height()),
                         kTokenCell, kTokenCell);
            chained.BlitOver(links, 0, 0);
            return HelpCell(chained);
        }
        case HelpArt::Steel:
            return HelpCell(tokens[7].front().normal);
        case HelpArt::Dynamite:
            return HelpCell(PaintDynamitePicture());
        case HelpArt::Amulet:
            return HelpCell(PaintAmuletPicture());
        case HelpArt::Hourglass:
            return HelpCell(PaintHourglass(kHelpCell));
        case HelpArt::GoldenStar:
            return HelpCell(PaintGoldenStar(kHelpCell));
        case HelpArt::RedTotem:
            return HelpCell(PaintTotemPortrait(2, 90, 120, TotemPortrait::Colour));
        case HelpArt::VioletTotem:
            return HelpCell(PaintTotemPortrait(6, 90, 120, TotemPortrait::Colour));
        case HelpArt::CardBack:
            return HelpCell(cards.back().front().picture);
        case HelpArt::CardFace:
            return HelpCell(cards[0].front().picture);
        default:
            return HelpCell(tokens[size_t(k)].front().normal);
        }
    });
    FloatImage sheet(kHelpSheetW, kHelpSheetH);
    for (int k = 0; k < int(HelpArt::Count); ++k) {
        const AtlasRect r = HelpCellOf(HelpArt(k));
        sheet.Blit(cells[size_t(k)], r.x, r.y);
    }
    return sheet;
}

FloatImage PaintHelpPage() {
    constexpr int kPage = 512;
    const Rgb paper = Hex(0xe8d8b0), ink = Hex(0x2e2014);
    return RenderAdaptive(kPage, kPage, 0.03f, [&](float x, float y) {
        const Vec2 p{x, y};
        Rgb c = paper * (0.85f + 0.2f * Noise(0, x, y, 1.0f));
        const float edge = std::min({x, y, kPage - x, kPage - y});
        c = c * (0.6f + 0.4f * SmoothStep(0.0f, 40.0f, edge));
        float d = Outline(SdBox(p - Vec2{256, 256}, {236, 236}, 0), 1.2f);
        d = Union(d, Outline(SdBox(p - Vec2{256, 256}, {230, 230}, 0), 0.6f));
        // Step frets in the corners of the border.
        for (const float cx : {34.0f, 478.0f})
            for (const float cy : {34.0f, 478.0f})
                d = Union(d, Outline(SdBox(p - Vec2{cx, cy}, {10, 10}, 0), 1.0f));
        c = MixRgb(c, ink, 0.85f * Coverage(d * 2.0f));
        return Premultiply(c, 1.0f);
    });
}

const PageLayout& NewspaperLayout() {
    static const PageLayout layout = [] {
        PageLayout l;
        l.paper = {222, 12, 580, 684};
        const int left = l.paper.x + 28, width = l.paper.w - 56;
        l.masthead = {left, 30, width, 62};
        l.dateline = {left, 106, width, 22};
        l.headline = {left, 140, width, 78};
        l.picture = {left, 228, width, 236};
        const int columnsTop = 476, gutter = 24, column = (width - gutter) / 2;
        l.columns[0] = {left, columnsTop, column, 200};
        l.columns[1] = {left + column + gutter, columnsTop, column, 200};
        l.hint = {312, 712, 400, 30};
        return l;
    }();
    return layout;
}

FloatImage PaintNewspaper(int issue) {
    const PageLayout& l = NewspaperLayout();
    const Vec2 paperCentre{float(l.paper.x) + 0.5f * float(l.paper.w),
                           float(l.paper.y) + 0.5f * float(l.paper.h)};
    const Vec2 paperHalf{0.5f * float(l.paper.w), 0.5f * float(l.paper.h)};
    const float left = float(l.masthead.x), right = float(l.masthead.x + l.masthead.w);
    return RenderAdaptive(kPageWidth, kPageHeight, 0.03f, [&](float x, float y) {
        const Vec2 p{x, y};
        // The paper's edge is a little ragged.
        const float edge =
            SdBox(p - paperCentre, paperHalf) + 1.2f * (Noise(1, x * 2.0f, y * 2.0f, 1.0f) - 0.5f);
        Rgb c = Table(p);
        // Its shadow falls down and to the right.
        const float shadow = SdBox(p - paperCentre - Vec2{9, 12}, paperHalf, 6);
        c = c * (1.0f - 0.7f * SmoothStep(18.0f, -8.0f, shadow));
        if (edge > 1.0f)
            return Premultiply(c, 1.0f);
        // Newsprint: fibres, yellowed towards the edges, a fold across the middle.
        Rgb paper = kPaper * (0.92f + 0.1f * Noise(0, x * 1.5f, y * 1.5f, 1.0f) +
                              0.05f * (Noise(1, x * 4.0f, y * 4.0f, 1.0f) - 0.5f));
        paper = MixRgb(paper, Hex(0xc8a870), 0.5f * SmoothStep(-30.0f, 0.0f, edge));
        const float fold = y - paperCentre.y;
        paper = paper * (1.0f - 0.06f * Bell(fold / 3.0f) + 0.03f * Bell((fold - 4.0f) / 3.0f));
        // Light from the lamp, a little less far from it.
        paper = paper * (0.92f + 0.08f * SmoothStep(1200.0f, 0.0f, Length(p - Vec2{180, 120})));
        // The page's rules: a thick and a thin one under the masthead, the
        // dateline's rule, the headline's, the picture's frame, the column rule.
        float ink = 0;
        const auto rule = [&](float ry, float half) {
            if (x >= left && x <= right)
                ink = std::max(ink, Clamp01(half + 0.5f - std::fabs(y - ry)));
        };
        rule(float(l.masthead.y) - 6, 0.6f);
        rule(float(l.dateline.y) - 6, 1.6f);
        rule(float(l.dateline.y) - 1.5f, 0.5f);
        rule(float(l.dateline.y + l.dateline.h) + 4, 0.5f);
        rule(float(l.columns[0].y) - 6, 0.5f);
        rule(float(l.paper.y + l.paper.h) - 18, 1.2f);
        const float gutter = 0.5f * float(l.columns[0].x + l.columns[0].w + l.columns[1].x);
        if (y > float(l.columns[0].y) && y < float(l.columns[0].y + l.columns[0].h))
            ink = std::max(ink, Clamp01(1.0f - std::fabs(x - gutter)));
        // Stars either end of the dateline.
        for (const float sx : {left + 14.0f, right - 14.0f}) {
            const Vec2 s{sx, float(l.dateline.y) + 0.5f * float(l.dateline.h)};
            ink = std::max(ink, Coverage(SdPolygon(RegularPolygon(4, 6, -kPi / 2, s), p) * 2.0f));
        }
        // The engraving, inside a double frame.
        const AtlasRect& pic = l.picture;
        const Vec2 picCentre{float(pic.x) + 0.5f * float(pic.w),
                             float(pic.y) + 0.5f * float(pic.h)};
        const float frame = SdBox(p - picCentre, {0.5f * float(pic.w), 0.5f * float(pic.h)});
        ink = std::max({ink, Coverage((std::fabs(frame) - 1.0f) * 2.0f),
                        Coverage((std::fabs(frame + 4.0f) - 0.4f) * 2.0f)});
        if (frame < -4.5f) {
            const Vec2 q{x - float(pic.x) - 4.5f, y - float(pic.y) - 4.5f};
            ink = std::max(ink,
                           Print(SceneAt(issue, q, float(pic.w) - 9.0f, float(pic.h) - 9.0f), p));
        }
        // Ink soaks unevenly into newsprint.
        ink *= 0.82f + 0.18f * Noise(1, x * 3.0f, y * 3.0f, 1.0f);
        paper = MixRgb(paper, kInk, ink);
        return Premultiply(MixRgb(c, paper, Coverage(edge)), 1.0f);
    });
}

} // namespace gen
