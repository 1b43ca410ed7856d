#include "MenuMedals.h"

#include <algorithm>
#include <vector>

namespace gen {

namespace {

constexpr int kGutter = 2;
constexpr float kRadius = 52.0f, kRim = 9.0f;

// A star of `points` points between radii `outer` and `inner`.
std::vector<Vec2> Star(int points, float outer, float inner, float phase) {
    std::vector<Vec2> v;
    for (int k = 0; k < 2 * points; ++k) {
        const float a = phase + float(k) * kPi / float(points);
        const float r = k % 2 ? inner : outer;
        v.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return v;
}

// The emblem of each trophy, centred on the medal (y down), about 30 units
// across its widest.
float Emblem(int trophy, Vec2 q) {
    switch (trophy) {
    case 0: { // the temple the quest ends at: a stepped pyramid and its door
        float d = SdBox(q - Vec2{0, 16}, {28, 6});
        d = Union(d, SdBox(q - Vec2{0, 5}, {21, 6}));
        d = Union(d, SdBox(q - Vec2{0, -6}, {14, 6}));
        d = Union(d, SdBox(q - Vec2{0, -17}, {7, 6}));
        return Subtract(d, SdBox(q - Vec2{0, 13}, {4.5f, 9}, 3));
    }
    case 1: { // an unbroken trail of footprints
        float d = 1e9f;
        for (int k = 0; k < 4; ++k) {
            const float t = float(k) / 3.0f;
            const Vec2 c{-20.0f + 40.0f * t, 18.0f - 36.0f * t + (k % 2 ? -6.0f : 6.0f)};
            d = Union(d, SdEllipse(Rotate(q - c, -0.8f), {4.5f, 7.5f}));
        }
        return d;
    }
    case 2: { // two links of a chain
        const Vec2 a = Rotate(q - Vec2{-9, 0}, 0.6f), b = Rotate(q - Vec2{9, 0}, 0.6f);
        const float l1 = Outline(SdBox(a, {14, 7}, 7), 3.2f);
        const float l2 = Outline(SdBox(b, {14, 7}, 7), 3.2f);
        return Union(l1, l2);
    }
    case 3: // the hoard: a cut gem
        return SdPolygon(RegularPolygon(6, 24, kPi / 6), q);
    case 4: // the hall of fame: a star
        return SdPolygon(Star(5, 27, 11, -kPi / 2), q);
    case 5: // the pathfinder: a compass rose in its ring
        return Union(SdPolygon(Star(4, 27, 6, -kPi / 2), q), Outline(SdCircle(q, 17), 2.2f));
    case 6: { // the sandstorm: an hourglass
        float d = SdPolygon({{-15, -18}, {15, -18}, {2.5f, 0}, {15, 18}, {-15, 18}, {-2.5f, 0}}, q);
        d = Union(d, SdBox(q - Vec2{0, -22}, {20, 3.5f}, 1.5f));
        return Union(d, SdBox(q - Vec2{0, 22}, {20, 3.5f}, 1.5f));
    }
    case 7: // the master of trials: a crown
        return SdPolygon({{-24, 16}, {-26, -14}, {-13, 0}, {0, -22}, {13, 0}, {26, -14}, {24, 16}},
                         q);
    default: { // the close shave: a clock a moment before twelve
        float d = Outline(SdCircle(q, 22), 3.0f);
        d = Union(d, SdCapsule(q, {0, 0}, {0, -15}, 2.6f));
        d = Union(d, SdCapsule(q, {0, 0}, {-8, -6}, 2.6f));
        return d;
    }
    }
}

Rgb MetalShade(Vec3 n, MedalLook look) {
    if (look == MedalLook::Gold)
        return GoldShade(n, 0.65f);
    const Lit l = LightNormal(n, 28.0f);
    const Rgb base = Hex(look == MedalLook::Silver ? 0xC9CED8 : 0xB87843);
    return base * (0.22f + 0.85f * l.diffuse) + Rgb{1, 1, 1} * (0.9f * l.specular);
}

// One medallion at q from its centre.
Rgba MedalTexel(int trophy, MedalLook look, Vec2 q) {
    const float d = Length(q) - kRadius;
    if (d > 0.5f) {
        const float s = Length(q - Vec2{2.0f, 3.0f}) - kRadius;
        return {0, 0, 0, 0.5f * Clamp01(1.0f - s / 4.0f)};
    }
    const MedalLook metal = look == MedalLook::Locked ? MedalLook::Bronze : look;
    const float t = -d;
    Rgb c;
    if (t < kRim) {
        // The rim, rounded, with a bead of notches round it.
        const float u = (t - 0.5f * kRim) / (0.5f * kRim);
        const Vec2 dir = Normalize(q);
        c = MetalShade(
            Normalize(Vec3{dir.x * u, dir.y * u, std::sqrt(std::max(1.0f - u * u, 0.05f))}), metal);
        if (std::cos(std::atan2(q.y, q.x) * 36.0f) > 0.6f && std::fabs(u) < 0.35f)
            c = c * 0.7f;
    } else {
        const auto emblem = [&](Vec2 p) { return Emblem(trophy, p); };
        const float e = emblem(q);
        if (e < 0.5f) {
            // Struck in relief: a bevel round a flat top.
            const Vec2 g = SdGradient(emblem, q);
            const Vec3 n = BevelNormal(e, g, 2.5f, 1.2f);
            const Rgb top = MetalShade(n, metal);
            const Rgb field = MetalShade(Vec3{0, 0, 1}, metal) * 0.55f;
            c = MixRgb(field, top, Coverage(e * 2.0f));
        } else {
            // The sunk field, shaded by the relief's shadow to the lower right.
            const float shadow = Clamp01(1.0f - emblem(q - Vec2{2.0f, 2.5f}) / 3.0f);
            const float ring = Clamp01((t - kRim) / 4.0f);
            c = MetalShade(Vec3{0, 0, 1}, metal) * (0.55f * (0.6f + 0.4f * ring)) *
                (1.0f - 0.45f * shadow);
        }
    }
    // Locked: the same medallion, dark and grey, as if carved in stone.
    if (look == MedalLook::Locked)
        c = Desaturate(c, 0.9f) * 0.42f;
    return Premultiply(c, Coverage(d * 2.0f));
}

} // namespace

AtlasRect MedalCell(int trophy, MedalLook look) {
    return {trophy * kMedalCell + kGutter, int(look) * kMedalCell + kGutter,
            kMedalCell - 2 * kGutter, kMedalCell - 2 * kGutter};
}

FloatImage PaintMedals() {
    FloatImage sheet(kMedalSheetW, kMedalSheetH);
    for (int look = 0; look < int(MedalLook::Count); ++look)
        for (int trophy = 0; trophy < kTrophyCount; ++trophy) {
            const AtlasRect r = MedalCell(trophy, MedalLook(look));
            const Vec2 centre{0.5f * float(r.w), 0.5f * float(r.h) - 1.0f};
            sheet.Blit(
                RenderAdaptive(r.w, r.h, 0.02f,
                               [&](float x, float y) {
                                   return MedalTexel(trophy, MedalLook(look), Vec2{x, y} - centre);
                               }),
                r.x, r.y);
        }
    return sheet;
}

} // namespace gen
