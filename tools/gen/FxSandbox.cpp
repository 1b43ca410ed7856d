#include "FxSandbox.h"

#include <algorithm>

namespace gen {

namespace {

constexpr int kSuper = 4;

// The three strips the dune effect cuts from a 256 x 128 texture: panel
// columns [from, to) land at texel (x, y).
struct Strip {
    int from, to, x, y;
};
constexpr Strip kStrips[3] = {{0, 242, 0, 0}, {242, 418, 40, 42}, {418, 658, 16, 84}};
constexpr int kStripBleed = 2;

Sheet CutStrips(const FloatImage& panel, Store store) {
    Sheet sheet(256, 128);
    for (const Strip& s : kStrips) {
        // Each strip carries two more panel columns on either side where the
        // texture has room, so that filtering at a strip's end reads the
        // panel's continuation instead of an empty texel: no seam where two
        // strips meet on screen.
        const int left = std::max({s.from - kStripBleed, 0, s.from - s.x});
        const int right = std::min({s.to + kStripBleed, kPanelWidth, s.to + (256 - (s.x + s.to - s.from))});
        FloatImage piece(right - left, kPanelHeight);
        for (int y = 0; y < kPanelHeight; ++y)
            for (int x = left; x < right; ++x)
                piece.At(x - left, y) = panel.At(x, y);
        sheet.Put(piece, s.x - (s.from - left), s.y, store);
    }
    return sheet;
}

// Distance to the window of the panel (negative inside).
float WindowDistance(Vec2 p) {
    const Vec2 half{0.5f * kBoxWidth, 0.5f * kBoxHeight};
    return SdBox(p - Vec2{kWindowX + half.x, kWindowY + half.y}, half, 3.0f);
}

float PanelDistance(Vec2 p) {
    return SdBox(p - Vec2{0.5f * kPanelWidth, 0.5f * kPanelHeight}, {0.5f * kPanelWidth - 0.5f, 0.5f * kPanelHeight - 0.5f},
                 6.0f);
}

}  // namespace

Sheet PaintSandSurface() {
    const Rgb dune[4] = {Hex(0xe8c888), Hex(0xc89a58), Hex(0xb07a44), Hex(0xf0dcb0)};
    const Rgb frenzyLow = Hex(0x0e6a70), frenzyHigh = Hex(0xfff0a8), frenzyMid = Hex(palette::kTurquoise);
    const FloatImage image = RenderParallel(256, 256, 2, [&](float x, float y) {
        const bool frenzy = y >= 128.0f;
        const float v = std::fmod(y, 128.0f) / 128.0f;  // 0 top of a full box, 1 the floor
        // Wavy strata: the layer index changes with depth, bent by noise that
        // repeats every 256 texels across.
        const float bend = 0.09f * SharedNoise(0).Sample(2.0f * x, 37.0f) + 0.04f * std::sin(x / 256.0f * 2 * kPi * 3);
        const float depth = v + bend;
        const float layer = depth * 6.0f;
        const int band = int(std::floor(layer)) & 3;
        const float blend = SmoothStep(0.75f, 1.0f, layer - std::floor(layer));
        Rgb c = MixRgb(dune[band], dune[(band + 1) & 3], blend);
        // Grain: fine speckle that repeats across the width.
        const float grain = SharedNoise(1).Sample(x * 2.0f, y * 2.0f);
        c = c * (0.8f + 0.35f * grain);
        // Damp, darker sand towards the floor.
        c = c * (1.0f - 0.25f * SmoothStep(0.6f, 1.0f, v));
        if (frenzy) {
            // Glowing sand: turquoise depths rising to a golden shimmer.
            const float shimmer = SharedNoise(0).Sample(2.0f * x, 2.0f * y);
            const float t = Clamp01(0.35f + 0.5f * (1.0f - v) + 0.4f * (shimmer - 0.5f));
            c = t < 0.5f ? MixRgb(frenzyLow, frenzyMid, t * 2.0f) : MixRgb(frenzyMid, frenzyHigh, (t - 0.5f) * 2.0f);
            c = c * (0.85f + 0.3f * grain);
        }
        return Rgba{c.r, c.g, c.b, 1.0f};
    });
    Sheet sheet(256, 256);
    sheet.Put(image, 0, 0, Store::Straight);
    return sheet;
}

Sheet PaintSandboxGlass() {
    const FloatImage panel = RenderParallel(kPanelWidth, kPanelHeight, kSuper, [](float x, float y) {
        const Vec2 p{x, y};
        const float d = WindowDistance(p);
        if (d > 1.5f)
            return Rgba{};
        const float v = Clamp01((y - kWindowY) / float(kBoxHeight));
        // Clear near the top, thicker and greener towards the floor; faint
        // streaks where the glass is uneven.
        const float streak = SharedNoise(1).Sample(x * 0.35f, 3.0f);
        const float a = (0.16f + 0.16f * v + 0.08f * streak) * Clamp01(0.5f - d);
        return Premultiply(Rgb{1, 1, 1}, a);
    });
    return CutStrips(panel, Store::Straight);
}

Sheet PaintSandboxFront() {
    const Rgb inlay = Hex(palette::kTurquoise);
    const FloatImage panel = RenderParallel(kPanelWidth, kPanelHeight, kSuper, [&](float x, float y) {
        const Vec2 p{x, y};
        const float outer = PanelDistance(p);
        const float window = WindowDistance(p);
        const float rim = Subtract(outer, window);
        Rgba out;
        if (window < 0) {
            // Glints on the glass: a bright line under the top edge and a few slanted streaks.
            const float line = Glow((y - (kWindowY + 2.5f)) / 0.9f, 1.0f) * 0.45f;
            const float slant = std::fmod(x + 1.6f * y, 173.0f);
            const float streak = Glow((slant - 40.0f) / 3.0f, 1.0f) * 0.18f + Glow((slant - 52.0f) / 1.5f, 1.0f) * 0.12f;
            out = Premultiply(Rgb{1, 1, 1}, Clamp01(line + streak) * Clamp01(-window));
        }
        if (rim < 1.0f) {
            const Vec2 g = SdGradient([](Vec2 v) { return Subtract(PanelDistance(v), WindowDistance(v)); }, p);
            const Vec3 n = BevelNormal(rim, g, 3.0f, 1.2f);
            Rgb c = GoldShade(n, 0.55f);
            // A turquoise inlay line along the lower rim.
            const float lower = std::fabs(y - (kWindowY + kBoxHeight + 4.0f));
            if (lower < 1.2f && x > 14 && x < kPanelWidth - 14)
                c = MixRgb(c, inlay * (0.7f + 0.5f * LightNormal(n, 8).diffuse), 0.85f);
            out = Over(Premultiply(c, Coverage(rim * 2.0f)), out);
        }
        return out;
    });
    return CutStrips(panel, Store::Straight);
}

Sheet PaintFrenzyStar() {
    const FloatImage star = RenderParallel(64, 64, kSuper, [](float x, float y) {
        const Vec2 q{x - 32.0f, y - 32.0f};
        std::vector<Vec2> points;
        for (int i = 0; i < 10; ++i) {
            const float a = -kPi / 2 + float(i) * kPi / 5;
            const float r = i % 2 == 0 ? 22.0f : 9.5f;
            points.push_back({r * std::cos(a), r * std::sin(a)});
        }
        const float d = SdPolygon(points, q);
        const float glow = 0.5f * Glow(std::max(d, 0.0f) / 5.0f, 1.0f);
        const float body = Coverage(d * 2.0f) * (0.75f + 0.25f * Glow(Length(q) / 8.0f, 1.0f));
        const float edge = SmoothStep(0.0f, 4.0f, x) * SmoothStep(64.0f, 60.0f, x) * SmoothStep(0.0f, 4.0f, y) *
                           SmoothStep(64.0f, 60.0f, y);
        return Premultiply(Rgb{1, 1, 1}, Clamp01(body + glow) * edge);
    });
    Sheet sheet(64, 64);
    sheet.Put(star, 0, 0, Store::Straight);
    return sheet;
}

}  // namespace gen
