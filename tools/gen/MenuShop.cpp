#include "MenuShop.h"

#include <algorithm>

namespace gen {

namespace {

const Rgb kWhite{1, 1, 1};

// A five-pointed golden star of outer radius `r` centred in a `size` square.
FloatImage Star(int size, float r) {
    const float c = 0.5f * float(size);
    std::vector<Vec2> points;
    for (int k = 0; k < 10; ++k)
        points.push_back(Vec2{c, c} +
                         Rotate(Vec2{0, -(k % 2 ? 0.45f * r : r)}, float(k) * kPi / 5.0f));
    const auto sd = [&](Vec2 p) { return SdPolygon(points, p); };
    return RenderAdaptive(size, size, 0.02f, [&](float x, float y) {
        const Vec2 p{x, y};
        const float d = sd(p);
        if (d > 0.5f) {
            const float glow = Glow(Length(p - Vec2{c, c}) / r, 2.5f);
            return Premultiply(Hex(palette::kTorchLight), 0.35f * glow);
        }
        // Each arm is ridged: its two halves face different ways.
        const Vec2 q = p - Vec2{c, c};
        const float arm = std::round(std::atan2(q.x, -q.y) / (kPi / 5.0f));
        const Vec2 axis = Rotate(Vec2{0, -1}, arm * kPi / 5.0f);
        const float side = Cross(axis, q) > 0 ? 1.0f : -1.0f;
        const Vec2 across = Perp(axis) * side;
        const Vec3 n = Normalize(
            Vec3{across.x * 0.6f + q.x / r * 0.3f, across.y * 0.6f + q.y / r * 0.3f, 1.0f});
        return Over(Premultiply(GoldShade(n, 0.8f), Coverage(d * 2.0f)), Rgba{});
    });
}

} // namespace

FloatImage PaintShopCtrls1() {
    FloatImage sheet(kShopCtrlsSize, kShopCtrlsSize);
    sheet.Blit(Star(kSlot, 24.0f), kSlotStarX, kSlotY);
    // The cover: a carved stone lid with a gold stud.
    const float c = 0.5f * kSlot;
    sheet.Blit(RenderAdaptive(
                   kSlot, kSlot, 0.02f,
                   [&](float x, float y) {
                       const Vec2 q{x - c, y - c};
                       const float d = SdBox(q, {c - 3, c - 3}, 6.0f);
                       if (d > 0.5f)
                           return Rgba{};
                       const Vec2 g = SdGradient(
                           [&](Vec2 v) {
                               return SdBox(v, {c - 3, c - 3}, 6.0f);
                           },
                           q);
                       Rgb col = MattShade(
                           BevelNormal(d, g, 6.0f, 1.2f),
                           Hex(palette::kStone) * (0.8f + 0.4f * Noise(1, x, y, 1.0f)), 0.15f);
                       const float stud = Length(q) - 5.0f;
                       if (stud < 0.5f)
                           col =
                               MixRgb(col, GoldShade(Normalize(Vec3{q.x / 5, q.y / 5, 0.8f}), 0.7f),
                                      Coverage(stud * 2.0f));
                       return Premultiply(col, Coverage(d * 2.0f));
                   }),
               kCoverX, kSlotY);
    return sheet;
}

FloatImage PaintShopCtrls2() {
    FloatImage sheet(kShopCtrlsSize, kShopCtrlsSize);
    const FloatImage star = Star(kSpinFrame, 34.0f);
    // Half a turn in eight frames: the star seen ever more edge-on, then
    // turning back; the far side shows the darker back of the metal.
    for (int k = 0; k < kSpinFrames; ++k) {
        const float angle = float(k) * kPi / float(kSpinFrames);
        FloatImage frame = SqueezeHorizontally(star, std::max(std::fabs(std::cos(angle)), 0.08f));
        if (std::cos(angle) < 0)
            for (Rgba& px : frame.Pixels())
                px = Rgba{px.r * 0.7f, px.g * 0.6f, px.b * 0.5f, px.a};
        sheet.Blit(frame, kSpinX + kSpinFrame * (k / 4), kSpinFrame * (k % 4));
    }
    sheet.Blit(Star(kBankStar, 40.0f), kBankStarX, kBankStarY);
    return sheet;
}

FloatImage PaintLogo(bool lit) {
    const Vec2 c{0.5f * kLogoWidth, 0.5f * kLogoHeight};
    return RenderAdaptive(kLogoWidth, kLogoHeight, 0.02f, [&](float x, float y) {
        const Vec2 q = Vec2{x, y} - c;
        const float d = SdBox(q, {c.x - 3, c.y - 3}, 12.0f);
        if (d > 0.5f)
            return Rgba{};
        const Vec2 g = SdGradient([&](Vec2 v) { return SdBox(v, {c.x - 3, c.y - 3}, 12.0f); }, q);
        Rgb col = -d < 4 ? GoldShade(BevelNormal(d, g, 4.0f, 1.2f), 0.65f)
                         : Hex(lit ? palette::kJade : 0x2a2a28) *
                               (0.6f + 0.4f * Clamp01(-q.y / c.y + 0.5f));
        // A globe: a ring with a meridian and an equator, in gold.
        const Vec2 o = q - Vec2{-c.x + 26, 0};
        const float globe =
            Union(Outline(Length(o) - 13.0f, 1.4f),
                  Union(Outline(SdEllipse(o, {5.5f, 13.0f}), 1.1f), SdBox(o, {13, 0.9f})));
        col = MixRgb(col, lit ? Hex(palette::kGoldLight) : Hex(palette::kGold),
                     Coverage(globe * 2.0f));
        // Three gem studs, brighter when pointed at.
        for (int k = 0; k < 3; ++k) {
            const Vec2 s = q - Vec2{-4.0f + 26.0f * float(k), 0};
            const float sd = Length(s) - 6.0f;
            if (sd < 0.5f) {
                const Lit l = LightNormal(Normalize(Vec3{s.x / 6, s.y / 6, 0.8f}), 40);
                const Rgb gem =
                    Hex(palette::kTurquoise) * (0.3f + (lit ? 1.0f : 0.6f) * l.diffuse) +
                    kWhite * (lit ? 1.2f : 0.4f) * l.specular;
                col = MixRgb(col, gem, Coverage(sd * 2.0f));
            }
        }
        return Premultiply(col, Coverage(d * 2.0f));
    });
}

} // namespace gen
