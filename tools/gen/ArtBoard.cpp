#include "ArtBoard.h"

#include <algorithm>

#include "FxSandbox.h"

namespace gen {

namespace {

const Rgb kWhite{1, 1, 1};

// Stone colour with a broad mottle and a fine grain at picture point p.
Rgb StoneAt(Vec2 p, Rgb base, float seed) {
    const float broad = Noise(0, p.x + seed, p.y - seed, 1.5f);
    const float grain = Noise(1, p.x * 1.3f + seed, p.y * 1.3f, 0.5f);
    return base * (0.72f + 0.45f * broad + 0.18f * (grain - 0.5f));
}

// The board opening of the frame piece (negative inside the opening).
float OpeningDistance(Vec2 p) {
    const float half = 0.5f * kCells * kCellUnits;
    const float c = kFrameMargin + half;
    return SdBox(p - Vec2{c, c}, {half, half}, 2.0f);
}

// The outline of the frame and its plinth (negative inside).
float FrameOutline(Vec2 p) {
    const float ring = SdBox(p - Vec2{350, 350}, {350, 350}, 12.0f);
    const float plinth = SdBox(p - Vec2{350, 722}, {347, 26}, 10.0f);
    return Union(ring, plinth);
}

float NicheDistance(Vec2 p) {
    const Vec2 half{0.5f * kBoxWidth, 0.5f * kBoxHeight};
    return SdBox(p - Vec2{kTroughPanelX + kWindowX + half.x, kTroughPanelY + kWindowY + half.y}, half, 3.0f);
}

// Height profile across the frame band, t = distance out from the opening.
float BandHeight(float t) {
    if (t < 3)
        return 1.0f + t * 0.9f;                             // gold lip rising from the board
    if (t < 5)
        return 2.2f;                                        // groove
    if (t < 12)
        return 3.2f;                                        // carved stone band
    if (t < 14)
        return 3.2f + 1.2f * std::sqrt(std::max(1.0f - std::pow((t - 13) / 1.0f, 2.0f), 0.0f));  // bead
    return 3.2f - (t - 14) * 0.7f;                          // outer chamfer
}

Rgba FramePixel(Vec2 p) {
    const float outline = FrameOutline(p);
    const float opening = OpeningDistance(p);
    Rgba out;
    if (opening < 0) {
        // Inside the opening: the frame's shadow on the tiles, cast away from the light.
        const float cast = OpeningDistance(p + Vec2{-5.0f, -6.0f});
        const float shade = 0.5f * SmoothStep(-3.0f, 3.0f, cast) + 0.3f * std::exp(opening / 3.0f);
        return {0, 0, 0, Clamp01(shade)};
    }
    if (outline > 1.0f)
        return out;
    const float cover = Coverage(outline * 2.0f);
    const Rgb stone = Hex(palette::kStone), turquoise = Hex(palette::kTurquoise);

    if (p.y < 699.0f) {
        const float t = opening;
        const Vec2 g = SdGradient(OpeningDistance, p);
        const float slope = (BandHeight(t + 0.3f) - BandHeight(t - 0.3f)) / 0.6f;
        Vec3 n = Normalize(Vec3{-g.x * slope, -g.y * slope, 1.0f});
        // The outer edge rounds off into the outline.
        n = Normalize(Vec3{n.x + BevelNormal(outline, SdGradient(FrameOutline, p), 2.5f, 1.2f).x,
                           n.y + BevelNormal(outline, SdGradient(FrameOutline, p), 2.5f, 1.2f).y, n.z});
        // Position along the edge, for the carving and the studs.
        const bool horizontal = std::fabs(g.y) > std::fabs(g.x);
        const float along = horizontal ? p.x : p.y;
        Rgb c;
        if (t < 3 || (t >= 12 && t < 14)) {
            c = GoldShade(n, t < 3 ? 0.6f : 0.75f);
        } else if (t < 5) {
            c = StoneAt(p, stone, 11) * 0.3f;
        } else {
            // The carved band: recessed diamonds every quarter cell.
            const float period = kCellUnits / 4.0f;
            const float s = std::fmod(along - kFrameMargin + 1000 * period, period) - 0.5f * period;
            const float w = t - 8.5f;
            const float diamond = std::fabs(s) * 0.8f + std::fabs(w) - 3.2f;
            float shade = 1.0f;
            if (diamond < 0)
                shade = 0.55f + 0.25f * Clamp01((s - w) * 0.3f + 0.5f);
            c = MattShade(n, StoneAt(p, stone, 3), 0.15f) * shade;
            // Turquoise studs where the cell lines meet the frame.
            const float cellPos = along - kFrameMargin;
            const float k = std::round(cellPos / kCellUnits);
            if (k >= 1 && k <= kCells - 1) {
                const Vec2 q{cellPos - k * kCellUnits, w};
                const float d = Length(q) - 3.2f;
                if (d < 0.5f) {
                    const Vec3 sn = Normalize(Vec3{q.x / 3.2f, q.y / 3.2f * (horizontal ? 1.0f : 1.0f), 0.8f});
                    const Lit lit = LightNormal(horizontal ? sn : Normalize(Vec3{sn.y, sn.x, sn.z}), 40.0f);
                    const Rgb gem = turquoise * (0.45f + 0.8f * lit.diffuse) + kWhite * (0.9f * lit.specular);
                    c = MixRgb(c, gem, Coverage(d * 2.0f));
                }
            }
        }
        // Jade rosettes on the corners.
        const float corners[2] = {9.0f, 691.0f};
        for (float cx : corners)
            for (float cy : corners) {
                if (cy > 600)
                    continue;  // the lower corners run into the plinth
                const Vec2 q = p - Vec2{cx, cy};
                const float r = Length(q);
                if (r < 10.0f) {
                    const Vec3 rn = Normalize(Vec3{q.x / 10.0f, q.y / 10.0f, 0.9f});
                    if (r > 7.5f)
                        c = MixRgb(c, GoldShade(rn, 0.7f), Coverage((r - 10.0f) * 2.0f));
                    else
                        c = MattShade(rn, Hex(palette::kJade), 0.9f) * (0.9f + 0.2f * std::cos(std::atan2(q.y, q.x) * 8.0f));
                }
            }
        out = Premultiply(c, cover);
    } else {
        // The plinth holding the trough: stone with a gold bead along its
        // foot and a dark niche behind the glass.
        const Vec2 g = SdGradient(FrameOutline, p);
        Vec3 n = BevelNormal(outline, g, 3.0f, 1.0f);
        const float niche = NicheDistance(p);
        Rgb c = MattShade(n, StoneAt(p, stone, 29), 0.12f);
        if (std::fabs(p.y - 744.0f) < 1.8f)
            c = GoldShade(Normalize(Vec3{0, (p.y - 744.0f) / 2.0f, 0.8f}), 0.6f);
        if (niche < 1.0f) {
            const float depth = Clamp01((p.y - float(kTroughPanelY + kWindowY)) / float(kBoxHeight));
            Rgb dark = MixRgb(Hex(0x070a10), Hex(0x142430), depth);
            dark = dark * (1.0f - 0.6f * std::exp(niche / 4.0f));
            c = MixRgb(c, dark, Coverage(niche * 2.0f));
        }
        out = Premultiply(c, cover);
    }
    return out;
}

// The gem shape of colour c (the caps' silhouettes), radius ~9, centred at q = 0.
float GemGlyph(int colour, Vec2 q) {
    switch (colour) {
    case 0:
        return SdPolygon(InsetConvex(RegularPolygon(8, 9.5f, kPi / 8), 0.0f), q);
    case 1:
        return SdPolygon({{0, -10}, {8, 0}, {0, 10}, {-8, 0}}, q);
    case 2:
        return SdBox(q, {7.5f, 7.5f}, 2.0f);
    case 3:
        return SdPolygon({{-8, -8}, {8, -8}, {8, 1}, {0, 10}, {-8, 1}}, q);
    case 4:
        return SdPolygon(RegularPolygon(6, 9.5f, 0.0f), q);
    case 5:
        return Length(q) - 8.5f;
    default:
        return SdPolygon({{0, -9}, {9.5f, 7}, {-9.5f, 7}}, q);
    }
}

Rgba TabletPixel(Vec2 p) {
    const Vec2 centre{0.5f * kTabletWidth, 0.5f * kFrameHeight};
    const auto outline = [&](Vec2 v) { return SdBox(v - centre, {0.5f * kTabletWidth - 0.5f, 0.5f * kFrameHeight - 0.5f}, 12.0f); };
    const float d = outline(p);
    if (d > 1.0f)
        return {};
    const Vec2 g = SdGradient(outline, p);
    const float t = -d;  // distance in from the edge
    const Rgb stone = Hex(palette::kStone);
    Rgb c;
    if (t < 3) {
        c = MattShade(BevelNormal(d, g, 3.0f, 1.0f), StoneAt(p, stone, 51), 0.12f);
    } else if (t < 6) {
        const float bead = (t - 4.5f) / 1.5f;
        c = GoldShade(Normalize(Vec3{g.x * bead, g.y * bead, std::sqrt(std::max(1.0f - bead * bead, 0.05f))}), 0.65f);
    } else if (t < 12) {
        c = MattShade(Vec3{0, 0, 1}, StoneAt(p, stone, 52), 0.1f);
    } else {
        // The inner panel, a step lower: darker, lit a little from the top.
        const float step = Clamp01((t - 12.0f) / 2.0f);
        const Vec3 n = step < 1 ? Normalize(Vec3{g.x * 0.8f, g.y * 0.8f, 1.0f}) : Vec3{0, 0, 1};
        const Rgb stone = StoneAt(p, Hex(0x3a342e), 53) * (0.9f + 0.25f * Noise(0, p.x * 3.0f, p.y * 3.0f, 1.0f));
        c = MattShade(n, stone, 0.05f) * (1.0f - 0.25f * (p.y / float(kFrameHeight)));
    }
    // Key-pattern friezes carved across the panel under the level display and
    // under the lives: a whole number of hooks between two rails, closed by a
    // bar at each end.
    for (const float row : {152.0f, 262.0f}) {
        constexpr float kPeriod = 16.0f, kHalf = 6.0f, kCut = 1.0f;
        const int hooks = int((float(kTabletWidth) - 48.0f) / kPeriod);
        const float x0 = 0.5f * (float(kTabletWidth) - float(hooks) * kPeriod), x1 = x0 + float(hooks) * kPeriod;
        const Vec2 q{p.x, p.y - row};
        if (std::fabs(q.y) > kHalf + 2.0f || q.x < x0 - 2.0f || q.x > x1 + 2.0f)
            continue;
        const float u = std::clamp(std::floor((q.x - x0) / kPeriod), 0.0f, float(hooks - 1)) * kPeriod + x0;
        const float cut = std::min({SdCapsule(q, {x0, -kHalf}, {x1, -kHalf}, kCut),
                                    SdCapsule(q, {x0, kHalf}, {x1, kHalf}, kCut),
                                    SdCapsule(q, {x0, -kHalf}, {x0, kHalf}, kCut),
                                    SdCapsule(q, {x1, -kHalf}, {x1, kHalf}, kCut),
                                    // One hook hanging from the upper rail, turning in on itself.
                                    SdCapsule(q, {u + 4.0f, -kHalf}, {u + 4.0f, 2.0f}, kCut),
                                    SdCapsule(q, {u + 4.0f, 2.0f}, {u + 12.0f, 2.0f}, kCut),
                                    SdCapsule(q, {u + 12.0f, 2.0f}, {u + 12.0f, -2.0f}, kCut),
                                    SdCapsule(q, {u + 12.0f, -2.0f}, {u + 8.0f, -2.0f}, kCut)});
        if (cut < 0.5f)
            c = MixRgb(c, c * 0.55f + Hex(palette::kGoldDark) * 0.25f, Coverage(cut * 2.0f));
    }
    for (const float cx : {20.0f, float(kTabletWidth) - 20.0f})
        for (const float cy : {20.0f, float(kFrameHeight) - 20.0f}) {
            const Vec2 q = p - Vec2{cx, cy};
            const float r = Length(q);
            if (r < 5.5f)
                c = MixRgb(c, GoldShade(Normalize(Vec3{q.x / 6.0f, q.y / 6.0f, 0.8f}), 0.7f), Coverage((r - 5.0f) * 2.0f));
        }
    // The cartouche at the top (level display).
    const auto cartouche = [](Vec2 v) { return SdBox(v - Vec2{143.5f, 78.0f}, {116.0f, 54.0f}, 10.0f); };
    const float cd = cartouche(p);
    if (std::fabs(cd) < 2.5f) {
        const Vec3 n = Normalize(Vec3{-SdGradient(cartouche, p).x * cd * 0.5f, -SdGradient(cartouche, p).y * cd * 0.5f, 1.0f});
        c = MixRgb(c, GoldShade(n, 0.55f), Coverage((std::fabs(cd) - 1.6f) * 2.0f));
    } else if (cd < 0) {
        c = c * 0.8f;
    }
    // The socket where the seer's medallion comes to rest.
    {
        const Vec2 q = p - Vec2{153.5f, 338.5f};
        const float r = Length(q);
        if (r < 42.0f) {
            const float rim = std::fabs(r - 39.5f);
            if (rim < 2.2f)
                c = GoldShade(Normalize(Vec3{q.x / r * (r - 39.5f) * 0.5f, q.y / r * (r - 39.5f) * 0.5f, 1.0f}), 0.6f);
            else if (r < 37.5f)
                c = c * (0.55f + 0.25f * SmoothStep(-30.0f, 30.0f, q.x + q.y));
        }
    }
    // One groove per gem colour for the gem bar, the colour's shape at its head.
    for (int colour = 0; colour < 7; ++colour) {
        const float row = kGemRowTop + kGemRowStep * float(colour);
        if (std::fabs(p.y - row) > 20.0f)
            continue;
        const auto groove = [&](Vec2 v) { return SdBox(v - GrooveCentre(colour), kGrooveHalf, 8.0f); };
        const float gd = groove(p);
        if (gd < 0) {
            // Recessed: the upper edge in shadow, the lower edge catching light.
            const float lit = SmoothStep(-15.0f, 15.0f, p.y - row);
            c = c * (0.45f + 0.2f * lit) * (1.0f - 0.35f * std::exp(gd / 2.5f));
        }
        const Vec2 q = p - Vec2{24.0f, row};
        const auto glyph = [&](Vec2 v) { return GemGlyph(colour, v); };
        const float sd = glyph(q);
        if (sd < 1.0f) {
            const Vec3 n = BevelNormal(sd, SdGradient(glyph, q), 3.0f, 1.4f);
            const Lit lit = LightNormal(n, 30.0f);
            const Rgb gem = Hex(GemGrooveColour(colour)) * (0.35f + 0.75f * lit.diffuse) + kWhite * (0.6f * lit.specular);
            c = MixRgb(c, gem, Coverage(sd * 2.0f));
        }
    }
    return Premultiply(c, Coverage(d * 2.0f));
}

}  // namespace

uint32_t GemGrooveColour(int colour) {
    static const uint32_t kColours[7] = {0x22b060, 0xe8b818, 0xc81838, 0x2a60d8, 0xe86810, 0xc8d0dc, 0x8a34c8};
    return kColours[std::clamp(colour, 0, 6)];
}

FloatImage PaintFieldBack() {
    const Rgb light = Hex(0x26221f), dark = Hex(0x1d1a18), grout = Hex(0x0a0908), inlay = Hex(0x7a5e2c);
    return RenderAdaptive(kBackSize, kBackSize, 0.025f, [&](float x, float y) {
        const Vec2 p{x, y};
        const float bx = x - kBackMargin, by = y - kBackMargin;
        const int i = std::clamp(int(std::floor(bx / kCellUnits)), 0, kCells - 1);
        const int j = std::clamp(int(std::floor(by / kCellUnits)), 0, kCells - 1);
        const Vec2 local{bx - (float(i) + 0.5f) * kCellUnits, by - (float(j) + 0.5f) * kCellUnits};
        const auto tile = [](Vec2 v) { return SdBox(v, {0.5f * kCellUnits - 1.5f, 0.5f * kCellUnits - 1.5f}, 3.0f); };
        const float d = tile(local);
        const bool even = (i + j) % 2 == 0;
        Rgb c = grout;
        if (d < 1.0f) {
            const Vec3 n = BevelNormal(d, SdGradient(tile, local), 3.5f, 1.0f);
            Rgb stone = StoneAt(p, even ? light : dark, float(i * 13 + j * 7));
            // Each tile a little different, so the cells read.
            stone = stone * (0.92f + 0.16f * HashUnit(i, j, 3));
            Rgb s = MattShade(n, stone, 0.08f);
            // The inlay: a ring on the light tiles, a diamond on the dark ones,
            // engraved and filled with old gold.
            const float r = Length(local);
            const float line = even ? std::fabs(r - 27.0f) : std::fabs(std::fabs(local.x) + std::fabs(local.y) - 31.0f);
            const float engrave = Coverage((line - 1.0f) * 2.0f);
            s = MixRgb(s, inlay * (0.5f + 0.3f * Noise(1, x, y, 0.7f)), 0.45f * engrave);
            // Four small dots towards the corners.
            for (int k = 0; k < 4; ++k) {
                const Vec2 dot{(k % 2 ? 1.0f : -1.0f) * 29.0f, (k / 2 ? 1.0f : -1.0f) * 29.0f};
                s = MixRgb(s, inlay * 0.6f, 0.5f * Coverage((Length(local - dot) - 1.6f) * 2.0f));
            }
            c = MixRgb(grout, s, Coverage(d * 2.0f));
        }
        return Rgba{c.r, c.g, c.b, 1.0f};
    });
}

FloatImage PaintFieldFrame() {
    FloatImage frame(kFrameTexture, kFrameTexture);
    frame.Blit(RenderAdaptive(kFrameWidth, kFrameHeight, 0.025f, [](float x, float y) { return FramePixel({x, y}); }), 0, 0);
    frame.Blit(RenderAdaptive(kTabletWidth, kFrameHeight, 0.025f, [](float x, float y) { return TabletPixel({x, y}); }),
               kTabletX, 0);
    frame.Blit(RenderParallel(kLightSize, kLightSize, 2, [](float x, float y) {
                   const float r = Length(Vec2{x, y}) / float(kLightSize);
                   return Premultiply(Rgb{1, 1, 1}, Glow(r, 3.0f) * SmoothStep(1.0f, 0.8f, r) *
                                                        SmoothStep(float(kLightSize), float(kLightSize) - 8.0f, std::max(x, y)));
               }),
               0, kLightY);
    return frame;
}

}  // namespace gen
