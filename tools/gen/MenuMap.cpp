#include "MenuMap.h"

#include <algorithm>
#include <cmath>

#include "ArtSceneKit.h"

namespace gen {

namespace {

// The trail through each stage's region, as a polyline in map texels. It
// keeps clear of the title plaque at the top, the story box along the bottom
// and the buttons at the bottom right.
const std::vector<std::vector<Vec2>>& StageTrails() {
    static const std::vector<std::vector<Vec2>> trails = {
        {{92, 612}, {160, 592}, {230, 612}, {300, 592}},
        {{352, 570}, {420, 600}, {490, 585}, {545, 540}, {560, 480}},
        {{520, 420},
         {440, 405},
         {360, 395},
         {290, 360},
         {235, 300},
         {215, 230},
         {255, 170},
         {330, 140}},
        {{410, 150},
         {470, 195},
         {545, 205},
         {610, 160},
         {680, 130},
         {750, 160},
         {770, 230},
         {720, 290},
         {650, 310}},
        {{640, 375},
         {720, 400},
         {800, 380},
         {880, 390},
         {940, 440},
         {945, 510},
         {890, 555},
         {818, 562}}};
    return trails;
}

// The treasury the trail ends at.
constexpr Vec2 kTreasury{735, 548};

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

// Centres of the five regions: where each stage's lands lie and its
// explored overlay is laid.
constexpr Vec2 kRegion[5] = {{170, 560}, {450, 530}, {300, 270}, {640, 210}, {820, 470}};

// The river from the mountains down through the jungle.
const std::vector<Vec2> kRiver = {{130, -20}, {150, 96},  {190, 180}, {160, 260},
                                  {250, 330}, {380, 350}, {470, 380}, {600, 440},
                                  {640, 520}, {600, 600}, {640, 700}, {700, 780}};

float PolylineDistance(const std::vector<Vec2>& line, Vec2 p) {
    float d = 1e9f;
    for (size_t i = 1; i < line.size(); ++i)
        d = std::min(d, DistSegment(p, line[i - 1], line[i]));
    return d;
}

// Distance to the trail and how far along it the nearest point lies.
float TrailDistance(Vec2 p, float* along = nullptr) {
    static const std::vector<Vec2> route = MapRoute();
    float d = 1e9f, s = 0, best = 0;
    for (size_t i = 1; i < route.size(); ++i) {
        const Vec2 a = route[i - 1], b = route[i];
        const float len = Length(b - a);
        const float t = Clamp01(Dot(p - a, b - a) / std::max(len * len, 1e-3f));
        const float di = Length(p - (a + (b - a) * t));
        if (di < d) {
            d = di;
            best = s + t * len;
        }
        s += len;
    }
    if (along)
        *along = best;
    return d;
}

// The mountains: peaks of the range north-west, nearer ones lower on the map.
struct Peak {
    Vec2 foot; // the middle of its base
    float half, height;
};
const std::vector<Peak>& Peaks() {
    static const std::vector<Peak> peaks = [] {
        std::vector<Peak> out;
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < 9; ++i) {
                const Vec2 foot{70.0f + 44.0f * float(i) + 22.0f * float(j % 2) +
                                    14.0f * HashUnit(i, j, 1),
                                150.0f + 44.0f * float(j) + 10.0f * HashUnit(i, j, 2)};
                // Only within the range, and clear of the trail and the river.
                const float range =
                    Length(Vec2{(foot.x - 250.0f) / 210.0f, (foot.y - 230.0f) / 120.0f});
                if (range > 1.0f || HashUnit(i, j, 3) < 0.15f)
                    continue;
                Peak k{foot, 26.0f + 10.0f * HashUnit(i, j, 4), 52.0f + 26.0f * HashUnit(i, j, 5)};
                if (TrailDistance(foot - Vec2{0, 12}) < 34.0f ||
                    PolylineDistance(kRiver, foot) < 22.0f)
                    continue;
                out.push_back(k);
            }
        return out;
    }();
    return peaks;
}

// The painted mountains at p over colour c (back peaks first).
Rgb Mountains(Vec2 p, Rgb c) {
    for (const Peak& k : Peaks()) {
        const Vec2 q = p - k.foot;
        if (q.y > 2 || q.y < -k.height - 2 || std::fabs(q.x) > k.half + 4)
            continue;
        const float ridge = 3.0f * (Noise(1, p.x * 0.6f, k.foot.y, 1.0f) - 0.5f);
        const float widthAt = k.half * (1.0f + q.y / k.height) + ridge;
        const float d = std::max(std::fabs(q.x) - widthAt, q.y);
        if (d > 1.0f)
            continue;
        // The left face takes the light, the right lies in shade.
        const bool lit = q.x < 2.0f * std::sin(q.y * 0.2f);
        Rgb rock = lit ? Hex(palette::kStoneLight) : Hex(palette::kStone) * 0.8f;
        rock = rock * (0.85f + 0.3f * Noise(1, p.x * 2.0f, p.y * 2.0f, 1.0f));
        if (q.y < -0.62f * k.height + 3.0f * std::sin(q.x * 0.5f))
            rock = lit ? Hex(0xf4f0e6) : Hex(0xb8c0cc);
        // Foothills green at the base.
        rock =
            MixRgb(rock, Hex(palette::kJungleLight) * 0.8f, 0.6f * SmoothStep(-12.0f, 0.0f, q.y));
        const float edge = Coverage(d * 2.0f);
        c = MixRgb(c, rock, edge);
        c = MixRgb(c, Hex(0x3a2a1a), 0.7f * Coverage((std::fabs(d) - 0.5f) * 2.0f));
    }
    return c;
}

// Canopy: round tree crowns packed where `density` allows, lit from the top left.
Rgb Canopy(Vec2 p, Rgb c, float density) {
    if (density <= 0)
        return c;
    const float cell = 16.0f;
    const int ci = int(std::floor(p.x / cell)), cj = int(std::floor(p.y / cell));
    // Crowns further down the map are nearer and drawn over the ones above.
    float bestY = -1e9f;
    Rgb crown{};
    float cover = 0;
    for (int dj = -1; dj <= 1; ++dj)
        for (int di = -1; di <= 1; ++di) {
            const int i = ci + di, j = cj + dj;
            if (HashUnit(i, j, 11) > density)
                continue;
            const Vec2 ctr{(float(i) + HashUnit(i, j, 12)) * cell,
                           (float(j) + HashUnit(i, j, 13)) * cell};
            const float r = 9.0f + 5.0f * HashUnit(i, j, 14);
            const Vec2 q = p - ctr;
            const float d = Length(q) - r;
            if (d > 1.0f || ctr.y < bestY)
                continue;
            bestY = ctr.y;
            const Vec3 n = Normalize(Vec3{q.x / r, q.y / r, 0.8f});
            const float light = LightNormal(n, 10.0f).diffuse;
            const float leaves = Noise(1, p.x * 3.0f, p.y * 3.0f, 1.0f);
            crown = MixRgb(Hex(palette::kJungleDeep), Hex(palette::kJungleLight) * 1.2f,
                           Clamp01(0.15f + 0.9f * light + 0.3f * (leaves - 0.5f)));
            crown = MixRgb(crown, Hex(0x1a301c), Coverage((std::fabs(d) - 0.4f) * 2.0f) * 0.5f);
            cover = Coverage(d * 2.0f);
        }
    // A shadow of the canopy on the ground first.
    return MixRgb(c * (1.0f - 0.35f * density), crown, cover);
}

// How thickly the jungle grows at p (0..1).
float JungleDensity(Vec2 p) {
    const float blob =
        std::max({1.0f - Length(Vec2{(p.x - 450.0f) / 230.0f, (p.y - 545.0f) / 105.0f}),
                  1.0f - Length(Vec2{(p.x - 620.0f) / 110.0f, (p.y - 460.0f) / 70.0f}),
                  1.0f - Length(Vec2{(p.x - 120.0f) / 80.0f, (p.y - 440.0f) / 60.0f}),
                  0.6f - Length(Vec2{(p.x - 672.0f) / 110.0f, (p.y - 250.0f) / 50.0f})});
    const float ragged = blob + 0.35f * (Noise(0, p.x * 2.0f, p.y * 2.0f, 1.0f) - 0.5f);
    return SmoothStep(0.0f, 0.25f, ragged) * 0.9f;
}

// The little museum the expedition sets out from.
Rgb Museum(Vec2 p, Rgb c) {
    const Vec2 q = p - Vec2{150, 545};
    const float body = SdBox(q - Vec2{0, 8}, {44, 20});
    const float roof = SdPolygon({{-52, -12}, {0, -40}, {52, -12}}, q);
    const float steps = SdBox(q - Vec2{0, 31}, {52, 4});
    const float d = Union(Union(body, roof), steps);
    if (d > 8.0f)
        return c;
    c = c * (1.0f - 0.4f * SmoothStep(8.0f, 0.0f, SdBox(q - Vec2{6, 14}, {46, 22})));
    Rgb stone = Hex(0xe8dcc4) * (0.85f + 0.2f * Noise(1, p.x * 2, p.y * 2, 1.0f));
    if (roof < 0)
        stone = Hex(palette::kGold) * (q.x < 0 ? 1.1f : 0.7f);
    // Columns across its front, their shadows between.
    if (body < 0 && std::fmod(q.x + 44.0f, 14.0f) > 9.0f)
        stone = stone * 0.55f;
    c = MixRgb(c, stone, Coverage(d * 2.0f));
    return MixRgb(c, Hex(0x3a2a1a), 0.8f * Coverage((std::fabs(d) - 0.5f) * 2.0f));
}

// The temple and its round door, in the loop of the trail.
Rgb Temple(Vec2 p, Rgb c) {
    const Vec2 q = (p - Vec2{672, 226}) * (1.0f / 1.35f);
    float d = 1e9f;
    int tierHit = -1;
    for (int k = 0; k < 5; ++k) {
        const float t = SdBox(q - Vec2{0, 20.0f - 13.0f * float(k)}, {52.0f - 10.0f * float(k), 7});
        if (t < d) {
            d = t;
            tierHit = k;
        }
    }
    if (d > 8.0f)
        return c;
    c = c * (1.0f - 0.4f * SmoothStep(8.0f, 0.0f, d - 3.0f));
    Rgb stone = Hex(palette::kStoneLight) * (0.8f + 0.3f * Noise(1, p.x * 2, p.y * 2, 1.0f)) *
                (1.0f - 0.08f * float(tierHit));
    if (std::fmod(q.y + 100.0f, 13.0f) < 1.2f)
        stone = stone * 0.6f;
    // The round door with its gold rim.
    const float door = Length(q - Vec2{0, 14}) - 11.0f;
    if (door < 2.0f)
        stone = door < -2.0f
                    ? Hex(0x2a2018)
                    : GoldShade(Normalize(Vec3{-(q.x) / 11.0f, -(q.y - 14) / 11.0f, 1}), 0.7f);
    c = MixRgb(c, stone, Coverage(d * 2.0f));
    return MixRgb(c, Hex(0x3a2a1a), 0.8f * Coverage((std::fabs(d) - 0.5f) * 2.0f));
}

// The treasury at the trail's end: a domed vault on a heap of gold.
Rgb Treasury(Vec2 p, Rgb c) {
    const Vec2 q = p - kTreasury;
    // The glow of the gold round it.
    c = c + Hex(palette::kTorchLight) * (0.35f * Glow(Length(q) / 70.0f, 1.5f));
    const float dome = Intersect(Length(q - Vec2{0, -6}) - 30.0f, q.y + 6.0f - 0.0f);
    const float hall = SdBox(q - Vec2{0, 8}, {34, 14});
    const float heap = Intersect(SdEllipse(q - Vec2{0, 24}, {56, 14}), -(q.y - 26.0f));
    const float d = Union(Union(dome, hall), heap);
    if (d > 2.0f)
        return c;
    Rgb col;
    if (heap < 0 && heap <= Union(dome, hall)) {
        const float sparkle = Noise(1, p.x * 6.0f, p.y * 6.0f, 1.0f);
        col = GoldShade(Normalize(Vec3{(q.x) / 56.0f, -0.6f, 1}), 0.6f + 0.4f * sparkle);
    } else if (dome < 0) {
        col = GoldShade(Normalize(Vec3{q.x / 30.0f, (q.y + 6.0f) / 30.0f, 0.7f}), 0.7f);
    } else {
        col = Hex(0xe8dcc4) * (std::fmod(q.x + 34.0f, 11.0f) > 7.0f ? 0.55f : 1.0f);
        if (SdBox(q - Vec2{0, 12}, {7, 10}) < 0)
            col = Hex(0x2a2018);
    }
    c = MixRgb(c, col, Coverage(d * 2.0f));
    return MixRgb(c, Hex(0x3a2a1a), 0.7f * Coverage((std::fabs(d) - 0.5f) * 2.0f));
}

// A compass rose in the empty north-east.
Rgb Compass(Vec2 p, Rgb c) {
    const Vec2 q = p - Vec2{890, 190};
    if (Length(q) > 64.0f)
        return c;
    const float ring = std::fabs(Length(q) - 44.0f) - 1.2f;
    c = MixRgb(c, Hex(0x5a3a1e), 0.8f * Coverage(ring * 2.0f));
    for (int k = 0; k < 8; ++k) {
        const float a = float(k) * kPi / 4.0f;
        const float len = k % 2 ? 34.0f : 58.0f;
        const Vec2 dir = Rotate(Vec2{0, -1}, a), side = Perp(dir);
        for (const float half : {-1.0f, 1.0f}) {
            const float d =
                SdPolygon({Vec2{0, 0}, dir * len, side * (half * 9.0f) + dir * 9.0f}, q);
            // One half of each point in light, the other in shade.
            const Rgb face = half > 0 ? GoldShade(Vec3{0, 0, 1}, 0.75f) : Hex(palette::kGoldDark);
            c = MixRgb(c, face, Coverage(d * 2.0f));
            c = MixRgb(c, Hex(0x3a2614), 0.7f * Coverage((std::fabs(d) - 0.4f) * 2.0f));
        }
    }
    return c;
}

// Which half of its region an overlay holds: -1 the left ("_1"), 1 the
// right ("_2"), 0 all of it.
int Half(const MapOverlay& m) {
    const size_t cut = m.name.find('_');
    if (cut == std::string::npos)
        return 0;
    return m.name[cut + 1] == '1' ? -1 : 1;
}

} // namespace

std::vector<Vec2> MapMarkers() {
    std::vector<Vec2> all;
    for (int s = 0; s < 5; ++s)
        for (const Vec2& p : Spread(StageTrails()[size_t(s)], kStageLevels[s]))
            all.push_back(p);
    return all;
}

std::vector<Vec2> MapRoute() {
    std::vector<Vec2> route = MapMarkers();
    route.push_back(kTreasury + Vec2{20, 14});
    return route;
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
    static const std::vector<Vec2> markers = MapMarkers();
    const Rgb parchment = Hex(0xe2cc98), ink = Hex(0x3a2614);
    return RenderAdaptive(kMapWidth, kMapHeight, 0.03f, [&](float x, float y) {
        const Vec2 p{x, y};
        Rgb c = parchment *
                (0.8f + 0.3f * Noise(0, x, y, 1.0f) + 0.1f * (Noise(1, x * 3, y * 3, 1.0f) - 0.5f));
        // Sand towards the treasury in the east, meadows in the valley.
        c = MixRgb(c, Hex(palette::kSand),
                   0.45f * SmoothStep(560.0f, 900.0f, x) * SmoothStep(250.0f, 420.0f, y));
        const float meadow = 1.0f - Length(Vec2{(x - 330.0f) / 260.0f, (y - 330.0f) / 110.0f});
        c = MixRgb(
            c, Hex(0x8aa45a),
            0.45f * SmoothStep(0.0f, 0.4f, meadow + 0.2f * (Noise(0, x * 2, y * 2, 1.0f) - 0.5f)));
        // The river, turquoise with darker banks and a glint down its middle.
        const float river =
            PolylineDistance(kRiver, p) + 3.0f * (Noise(0, x * 3, y * 3, 1.0f) - 0.5f);
        const float width = 4.0f + 5.0f * SmoothStep(100.0f, 700.0f, y);
        c = MixRgb(c, Hex(0x6a5a3a), 0.5f * Coverage((river - width - 2.0f) * 0.5f));
        const Rgb water =
            MixRgb(Hex(0x177a80), Hex(palette::kTurquoise), 0.6f + 0.4f * Noise(1, x, y, 1.0f));
        c = MixRgb(
            c, MixRgb(water, Hex(palette::kTurquoiseLight), 0.35f * Bell(river / (0.3f * width))),
            Coverage(river - width));
        c = Canopy(p, c, JungleDensity(p) * SmoothStep(width + 4.0f, width + 10.0f, river));
        c = Mountains(p, c);
        c = Museum(p, c);
        c = Temple(p, c);
        c = Treasury(p, c);
        c = Compass(p, c);
        // Scorched, darkened edges.
        const float edge =
            std::min({x, y, kMapWidth - x, kMapHeight - y}) + 30.0f * Noise(0, x * 2, y * 2, 1.0f);
        c = c * (0.35f + 0.65f * SmoothStep(10.0f, 90.0f, edge));
        // The trail: a dashed line over a pale verge, with a carved socket
        // at every level's marker.
        float along = 0;
        const float trail = TrailDistance(p, &along);
        c = MixRgb(c, Hex(0xf0e2bc), 0.55f * Coverage((trail - 4.0f) * 1.0f));
        float socket = 1e9f;
        for (const Vec2& m : markers)
            socket = std::min(socket, Length(p - m));
        const bool dash = std::fmod(along, 15.0f) < 9.0f && socket > 16.0f;
        if (dash)
            c = MixRgb(c, Hex(0x8a2a18), 0.9f * Coverage((trail - 1.8f) * 2.0f));
        if (socket < 15.0f) {
            const Vec3 n = Normalize(Vec3{0, 0, 1});
            Rgb stone = MattShade(n, Hex(palette::kStone)) * (socket < 10.0f ? 0.55f : 1.0f);
            if (socket > 10.0f && socket < 12.0f)
                stone = GoldShade(n, 0.4f) * 0.8f;
            c = MixRgb(c, stone, Coverage((socket - 13.0f) * 2.0f));
            c = MixRgb(c, ink, 0.6f * Coverage((std::fabs(socket - 13.0f) - 0.5f) * 2.0f));
        }
        return Premultiply(scene::Finish(c, p), 1.0f);
    });
}

FloatImage PaintMapOverlay(const MapOverlay& overlay) {
    const int s = overlay.stage - 1;
    const Vec2 centre = kRegion[s];
    return RenderAdaptive(kMapOverlay, kMapOverlay, 0.03f, [&](float x, float y) {
        const Vec2 p{float(overlay.x) + x, float(overlay.y) + y};
        const Vec2 q = p - centre;
        // The stage being explored lies in warm light, fading out in a ragged edge.
        const float r = Length(Vec2{q.x / 170.0f, q.y / 140.0f}) +
                        0.25f * (Noise(0, p.x * 2, p.y * 2, 1.0f) - 0.5f);
        const float light = 0.35f * (1.0f - SmoothStep(0.5f, 1.0f, r));
        Rgba out = Premultiply(Hex(palette::kTorchLight), light);
        // Each half carries only its own side.
        if (Half(overlay) < 0 && q.x > 0)
            out = out * Clamp01(1.0f - q.x / 8.0f);
        if (Half(overlay) > 0 && q.x < 0)
            out = out * Clamp01(1.0f + q.x / 8.0f);
        return out;
    });
}

} // namespace gen
