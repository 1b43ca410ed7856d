#include "MenuMap.h"

#include <algorithm>

namespace gen {

namespace {

// The trail through each stage's region, as a polyline in map texels.
const std::vector<std::vector<Vec2>>& StageTrails() {
    static const std::vector<std::vector<Vec2>> trails = {
        {{110, 660}, {200, 640}, {270, 600}},
        {{320, 575}, {390, 540}, {430, 470}, {400, 400}},
        {{360, 340}, {300, 300}, {250, 240}, {280, 170}, {360, 130}, {430, 150}},
        {{520, 170}, {600, 130}, {680, 150}, {740, 210}, {720, 280}, {650, 310}},
        {{640, 380}, {720, 410}, {820, 400}, {900, 450}, {880, 540}, {800, 590}, {700, 600}}};
    return trails;
}

// `count` points spread evenly along a polyline, ends included.
std::vector<Vec2> Spread(const std::vector<Vec2>& line, int count) {
    std::vector<float> at{0};
    for (size_t i = 1; i < line.size(); ++i)
        at.push_back(at.back() + Length(line[i] - line[i - 1]));
    std::vector<Vec2> out;
    for (int k = 0; k < count; ++k) {
        const float s = count > 1 ? at.back() * float(k) / float(count - 1) : 0.0f;
        size_t i = 1;
        while (i + 1 < line.size() && at[i] < s)
            ++i;
        const float t = (s - at[i - 1]) / std::max(at[i] - at[i - 1], 1e-3f);
        out.push_back(line[i - 1] + (line[i] - line[i - 1]) * Clamp01(t));
    }
    return out;
}

// Centres of the five regions, where each stage's picture is drawn.
constexpr Vec2 kRegion[5] = {{190, 630}, {380, 480}, {330, 220}, {640, 210}, {780, 500}};

float TrailDistance(Vec2 p) {
    float d = 1e9f;
    const std::vector<Vec2> m = MapMarkers();
    for (size_t i = 1; i < m.size(); ++i)
        d = std::min(d, DistSegment(p, m[i - 1], m[i]));
    return d;
}

// Ink drawings of a region: the kind of land each stage crosses.
float RegionInk(int stage, Vec2 q) {
    float d = 1e9f;
    switch (stage) {
    case 0: // the harbour: a ship
        d = Union(SdBox(q - Vec2{-60, 40}, {26, 6}, 3), SdCapsule(q, {-60, 34}, {-60, 0}, 1.2f));
        d = Union(d, SdPolygon({{-58, 4}, {-40, 28}, {-58, 28}}, q));
        break;
    case 1: // the jungle: round trees
        for (int k = 0; k < 7; ++k) {
            const Vec2 c{-80.0f + 26.0f * float(k),
                         (k % 2 ? -40.0f : 50.0f) + 10.0f * HashUnit(k, 3)};
            d = Union(d, Outline(Length(q - c) - 11.0f, 1.2f));
            d = Union(d, SdCapsule(q, c + Vec2{0, 11}, c + Vec2{0, 20}, 1.2f));
        }
        break;
    case 2: // the mountains
        for (int k = 0; k < 5; ++k) {
            const Vec2 c{-90.0f + 45.0f * float(k), k % 2 ? 40.0f : 70.0f};
            d = Union(
                d,
                Outline(SdPolygon({c + Vec2{-26, 0}, c + Vec2{0, -44}, c + Vec2{26, 0}}, q), 1.3f));
        }
        break;
    case 3: // the temple wall and its round door
        d = Union(Outline(SdBox(q - Vec2{0, 60}, {60, 34}, 0), 1.3f),
                  Outline(Length(q - Vec2{0, 66}) - 20.0f, 1.3f));
        for (int k = 0; k < 3; ++k)
            d = Union(
                d, Outline(SdBox(q - Vec2{0, 100.0f + 8.0f * k}, {70.0f + 10.0f * k, 4}, 0), 1.0f));
        break;
    default: // the treasury: a chest under a sun
        d = Union(Outline(SdBox(q - Vec2{0, -10}, {34, 20}, 3), 1.3f),
                  Outline(SdBox(q - Vec2{0, -10}, {34, 2}, 0), 0.8f));
        d = Union(d, Outline(Length(q - Vec2{0, -70}) - 14.0f, 1.3f));
        for (int k = 0; k < 8; ++k) {
            const Vec2 dir = Rotate(Vec2{1, 0}, float(k) * kPi / 4);
            d = Union(d,
                      SdCapsule(q, Vec2{0, -70} + dir * 19.0f, Vec2{0, -70} + dir * 27.0f, 1.0f));
        }
        break;
    }
    return d;
}

// Which half of its region an overlay holds: -1 the left ("_1"), 1 the
// right ("_2"), 0 all of it.
int Half(const MapOverlay& m) {
    const size_t cut = m.name.find('_');
    if (cut == std::string::npos)
        return 0;
    return m.name[cut + 1] == '1' ? -1 : 1;
}

const Rgb kRegionTint[5] = {Hex(0x3a78a0), Hex(palette::kJade), Hex(palette::kStoneLight),
                            Hex(palette::kTurquoise), Hex(palette::kGold)};

} // namespace

std::vector<Vec2> MapMarkers() {
    std::vector<Vec2> all;
    for (int s = 0; s < 5; ++s)
        for (const Vec2& p : Spread(StageTrails()[size_t(s)], kStageLevels[s]))
            all.push_back(p);
    return all;
}

const std::vector<MapOverlay>& MapOverlays() {
    static const std::vector<MapOverlay> overlays = [] {
        std::vector<MapOverlay> o = {{"Menu\\MapStage2.png", "MapStage2", 2, 0, 0},
                                     {"Menu\\MapDiff3.png", "MapDiff3", 3, 0, 0},
                                     {"Menu\\MapDiff4_1.png", "MapDiff4_1", 4, 0, 0},
                                     {"Menu\\MapDiff4_2.png", "MapDiff4_2", 4, 0, 0},
                                     {"Menu\\MapDiff5_1.png", "MapDiff5_1", 5, 0, 0},
                                     {"Menu\\MapDiff5_2.png", "MapDiff5_2", 5, 0, 0}};
        for (MapOverlay& m : o) {
            // The later stages are drawn in two halves, left and right of the region's centre.
            const Vec2 c = kRegion[m.stage - 1];
            const int shift = Half(m) == 0 ? 0 : Half(m) * kMapOverlay / 4;
            m.x = int(c.x) - kMapOverlay / 2 + shift;
            m.y = int(c.y) - kMapOverlay / 2;
        }
        return o;
    }();
    return overlays;
}

FloatImage PaintMap() {
    const std::vector<Vec2> markers = MapMarkers();
    const Rgb parchment = Hex(0xe2cc98), ink = Hex(0x3a2614);
    return RenderAdaptive(kMapWidth, kMapHeight, 0.03f, [&](float x, float y) {
        const Vec2 p{x, y};
        Rgb c = parchment *
                (0.8f + 0.3f * Noise(0, x, y, 1.0f) + 0.1f * (Noise(1, x * 3, y * 3, 1.0f) - 0.5f));
        // Scorched, darkened edges.
        const float edge =
            std::min({x, y, kMapWidth - x, kMapHeight - y}) + 30.0f * Noise(0, x * 2, y * 2, 1.0f);
        c = c * (0.35f + 0.65f * SmoothStep(10.0f, 90.0f, edge));
        // A river from the hills to the sea.
        const float river =
            std::fabs(y - (380.0f + 140.0f * std::sin(x * 0.008f) + 40.0f * std::sin(x * 0.031f)));
        if (x > 80 && river < 3.0f)
            c = MixRgb(c, Hex(0x4a6e80), 0.6f * Clamp01(3.0f - river));
        // The region drawings and a dashed trail between the markers.
        float d = 1e9f;
        for (int s = 0; s < 5; ++s)
            d = Union(d, RegionInk(s, p - kRegion[s]));
        c = MixRgb(c, ink, 0.8f * Coverage(d * 2.0f));
        const float trail = TrailDistance(p);
        const bool dash = std::fmod(x + y, 14.0f) < 8.0f;
        if (dash)
            c = MixRgb(c, Hex(0x8a2a18), 0.75f * Coverage((trail - 1.6f) * 2.0f));
        return Premultiply(c, 1.0f);
    });
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

FloatImage PaintMapOverlay(const MapOverlay& overlay) {
    const int s = overlay.stage - 1;
    const Vec2 centre = kRegion[s];
    return RenderAdaptive(kMapOverlay, kMapOverlay, 0.03f, [&](float x, float y) {
        const Vec2 p{float(overlay.x) + x, float(overlay.y) + y};
        const Vec2 q = p - centre;
        // A wash of the region's colour, fading out in a ragged edge.
        const float r = Length(Vec2{q.x / 160.0f, q.y / 130.0f}) +
                        0.25f * (Noise(0, p.x * 2, p.y * 2, 1.0f) - 0.5f);
        const float wash = 0.45f * (1.0f - SmoothStep(0.7f, 1.0f, r));
        const float inkD = RegionInk(s, q);
        const float inked = Coverage((inkD - 0.8f) * 2.0f);
        const Rgb tint = kRegionTint[s];
        Rgba out = Premultiply(tint, wash);
        out = Over(Premultiply(tint * 0.5f, inked), out);
        // Each half carries only its own side.
        if (Half(overlay) < 0 && q.x > 0)
            out = out * Clamp01(1.0f - q.x / 8.0f);
        if (Half(overlay) > 0 && q.x < 0)
            out = out * Clamp01(1.0f + q.x / 8.0f);
        return out;
    });
}

} // namespace gen
