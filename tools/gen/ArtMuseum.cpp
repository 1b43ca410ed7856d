// The Museum backdrop's pictures: the hall with its glass case of relics, the
// pieces that light up on it, the dust and the light that carries it.
#include <algorithm>

#include "ArtBackdropPaint.h"
#include "ArtSceneKit.h"
#include "ArtScenes.h"
#include "CapsGems.h"

namespace gen {
namespace backdrops {

namespace {

using namespace scene;

constexpr float kCaseLeft = 262.0f, kCaseRight = 762.0f;
constexpr float kCaseTop = 566.0f, kTrayTop = 606.0f, kTrayBottom = 664.0f, kCaseBottom = 718.0f;

// How strongly the high windows' light falls on p (0..1).
float ShaftLight(Vec2 p) {
    return Shafts(p, kShaftAngle, kShaftSpacing, kShaftSeed) * SmoothStep(740.0f, 80.0f, p.y);
}

// The glass case in front of the alcove over the hall `c`.
Rgb GlassCase(Vec2 p, Rgb c) {
    const Rgb lamp = Hex(0xffd2a0);
    if (p.x < kCaseLeft - 2 || p.x > kCaseRight + 2 || p.y < kCaseTop - 8 || p.y > kCaseBottom + 8)
        return c;
    // A soft shadow on the floor under the cabinet.
    const float shadow =
        SdBox(p - Vec2{512.0f + 10.0f, kCaseBottom - 6.0f}, {256.0f, 14.0f}, 10.0f);
    c = c * (1.0f - 0.55f * SmoothStep(12.0f, -6.0f, shadow));
    // The cabinet: dark wood with a gold inlay.
    const float cabinet =
        SdBox(p - Vec2{512.0f, 0.5f * (kTrayBottom + kCaseBottom)},
              {0.5f * (kCaseRight - kCaseLeft), 0.5f * (kCaseBottom - kTrayBottom)}, 2.0f);
    if (cabinet < 1.0f) {
        const float grain = Noise(1, p.x * 0.2f, p.y * 3.0f, 1.0f);
        Rgb wood = Hex(0x3a2214) * (0.7f + 0.5f * grain) *
                   (0.8f + 0.4f * SmoothStep(kCaseBottom, kTrayBottom, p.y));
        const float inlay = std::fabs(SdBox(p - Vec2{512.0f, 0.5f * (kTrayBottom + kCaseBottom)},
                                            {236.0f, 17.0f})) -
                            1.2f;
        if (inlay < 1.0f)
            wood = MixRgb(wood, GoldShade(Vec3{0, -0.3f, 1}, 0.6f) * 0.8f, Coverage(inlay));
        if (p.y < kTrayBottom + 4.0f) // the lit front edge of the top
            wood = GoldShade(Normalize(Vec3{0, -1.0f, 0.8f}), 0.7f);
        c = MixRgb(c, wood, Coverage(cabinet));
    }
    // The velvet tray, seen from a little above, with five cushions.
    const float t = Clamp01((p.y - kTrayTop) / (kTrayBottom - kTrayTop));
    const float half = Mix(232.0f, 248.0f, t);
    if (p.y > kTrayTop && p.y < kTrayBottom && std::fabs(p.x - 512.0f) < half + 1.0f) {
        const float nap = Noise(1, p.x * 1.5f, p.y * 1.5f, 1.0f);
        Rgb velvet = Hex(0x4a1226) * (0.55f + 0.35f * t + 0.2f * nap);
        for (int k = 0; k < kRelics; ++k) {
            const Vec2 q = p - Vec2{RelicX(k), kCushionY};
            const float d = SdEllipse(q, {32.0f, 13.0f});
            if (d < 3.0f) {
                const Vec2 g = {q.x / 32.0f, q.y / 13.0f};
                const Vec3 n = Normalize(Vec3{g.x * 0.9f, g.y * 0.9f, 1.0f});
                const Rgb cushion = MattShade(n, Hex(0x8a1e3c), 0.25f) * (0.9f + 0.2f * nap);
                velvet = MixRgb(velvet * 0.75f, cushion, Coverage(d));
                // Gold piping round the cushion.
                const float pipe = std::fabs(d) - 0.9f;
                if (pipe < 1.0f)
                    velvet = MixRgb(velvet, GoldShade(n, 0.55f) * 0.8f, Coverage(pipe) * 0.8f);
            }
        }
        c = MixRgb(c, velvet * lamp, Clamp01(half + 0.5f - std::fabs(p.x - 512.0f)));
    }
    // The glass box: a faint cool tint, two diagonal glints between the relics,
    // gilt posts at the corners and a rail along the top.
    if (p.y > kCaseTop && p.y < kTrayBottom && p.x > kCaseLeft && p.x < kCaseRight) {
        c = c * 0.93f + Hex(0x26323a) * 0.06f;
        for (float gx : {377.0f, 557.0f, 737.0f}) {
            const float along = (p.x - gx) + 0.55f * (p.y - kCaseTop);
            c = c + Hex(0xe8f4ff) * (0.10f * Glow(along / 5.0f, 1.0f) +
                                     0.05f * Glow((along - 12.0f) / 2.0f, 1.0f));
        }
    }
    for (float px : {kCaseLeft + 3.0f, kCaseRight - 3.0f}) {
        const float post = SdBox(p - Vec2{px, 0.5f * (kCaseTop + kTrayBottom)},
                                 {3.5f, 0.5f * (kTrayBottom - kCaseTop)});
        if (post < 1.0f)
            c = MixRgb(c, GoldShade(Normalize(Vec3{(px - p.x) * 0.25f, 0, 1}), 0.6f),
                       Coverage(post));
    }
    const float rail = SdBox(p - Vec2{512.0f, kCaseTop}, {0.5f * (kCaseRight - kCaseLeft), 3.0f});
    if (rail < 1.0f)
        c = MixRgb(c, GoldShade(Normalize(Vec3{0, (kCaseTop - p.y) * 0.3f, 1}), 0.7f),
                   Coverage(rail));
    return c;
}

Rgb HallAt(const FloatImage& hall, Vec2 p) {
    Rgb c = ToRgb(SampleBilinear(hall, p.x - 0.5f, p.y - 0.5f));
    c = GlassCase(p, c);
    // Light from the high windows, warm and faint.
    return c + Hex(0xffe2b0) * (0.10f * ShaftLight(p));
}

// The map drawn in light: a glowing sheet with a gold border, a river, hills,
// the route to the temple and a compass rose, on black (it is added to the hall).
FloatImage LightMap() {
    const Box b = kMapTexels;
    const float w = float(b.w), h = float(b.h);
    return RenderParallel(b.w, b.h, 4, [&](float x, float y) {
        const Vec2 p{x, y};
        const float sheet =
            SdBox(p - Vec2{0.5f * w, 0.5f * h}, {0.5f * w - 8.0f, 0.5f * h - 6.0f}, 3.0f);
        float glow = 0.12f * Coverage(sheet) * (0.8f + 0.4f * Noise(0, x * 2.0f, y * 2.0f, 1.0f));
        glow += 0.12f * Glow(std::max(sheet, 0.0f) / 5.0f, 1.0f) * (sheet > 0 ? 1.0f : 0.0f);
        Rgb c = Hex(0xffc070) * glow;
        const Rgb gold = Hex(0xffd890), jade = Hex(0x7fe0c0), ember = Hex(0xff7040);
        // Double border.
        const float border = std::min(std::fabs(sheet + 4.0f), std::fabs(sheet + 9.0f)) - 0.8f;
        c = c + gold * (0.9f * Coverage(border));
        // The river winding down the sheet.
        const float riverX =
            0.5f * w + 38.0f * std::sin(y / 34.0f) + 12.0f * std::sin(y / 13.0f + 1.0f);
        const float river = std::fabs(x - riverX) - (1.2f + y / h * 2.0f);
        if (sheet < -10.0f)
            c = c + jade * (0.75f * Coverage(river));
        // Hills: little peaks along two rows.
        for (int i = 0; i < 9; ++i) {
            const Vec2 at{24.0f + float(i % 5) * 36.0f + float(i / 5) * 18.0f,
                          60.0f + float(i / 5) * 48.0f};
            const Vec2 q = p - at;
            const float peak = std::max(std::fabs(q.x) * 0.9f + q.y, -q.y - 9.0f) - 9.0f;
            const float outline = std::fabs(peak) - 0.7f;
            if (std::fabs(riverX - at.x) > 18.0f)
                c = c + gold * (0.7f * Coverage(outline));
        }
        // The temple: a stepped pyramid near the bottom.
        {
            const Vec2 q = p - Vec2{0.70f * w, 0.80f * h};
            float d = 1e9f;
            for (int k = 0; k < 4; ++k)
                d = std::min(d,
                             SdBox(q - Vec2{0, -float(k) * 7.0f}, {22.0f - 5.0f * float(k), 3.5f}));
            c = c + gold * (0.9f * Coverage(std::fabs(d) - 0.7f)) + gold * (0.15f * Coverage(d));
        }
        // The route: a dotted trail from the top left to the temple, an X at its end.
        for (int i = 0; i < 26; ++i) {
            const float s = float(i) / 25.0f;
            const Vec2 at{Mix(0.18f * w, 0.70f * w, s) + 20.0f * std::sin(s * 7.0f),
                          Mix(0.12f * h, 0.74f * h, s) + 10.0f * std::sin(s * 11.0f)};
            c = c + ember * (0.9f * Coverage(Length(p - at) - 1.7f));
        }
        {
            const Vec2 q = p - Vec2{0.70f * w, 0.69f * h};
            const float x1 = DistSegment(q, {-5, -5}, {5, 5}),
                        x2 = DistSegment(q, {-5, 5}, {5, -5});
            c = c + ember * Coverage(std::min(x1, x2) - 1.3f);
        }
        // A compass rose in the top right.
        {
            const Vec2 q = p - Vec2{0.80f * w, 0.15f * h};
            const float ring = std::fabs(Length(q) - 13.0f) - 0.6f;
            const float star = std::min(std::fabs(q.x) * 4.0f + std::fabs(q.y),
                                        std::fabs(q.y) * 4.0f + std::fabs(q.x)) -
                               16.0f;
            c = c + gold * (0.8f * Coverage(ring) + 0.5f * Coverage(star));
        }
        return Rgba{c.r, c.g, c.b, 1.0f};
    });
}

} // namespace

FloatImage GemPatch(const FloatImage& scene, const Box& b, int colour, int gemSize, float light) {
    FloatImage patch(b.w, b.h);
    for (int y = 0; y < b.h; ++y)
        for (int x = 0; x < b.w; ++x)
            patch.At(x, y) = scene.At(b.x + x, b.y + y);
    const std::vector<TokenFrame> token = PaintToken(colour);
    FloatImage gem = Resample(token.front().normal, gemSize, gemSize);
    gem.Scale(light);
    patch.BlitOver(gem, (b.w - gemSize) / 2, (b.h - gemSize) / 2 - 2);
    return patch;
}

FloatImage StagePicture(const FloatImage& scene) {
    FloatImage out(kPictureSize, kPictureSize);
    for (Rgba& px : out.Pixels())
        px = Rgba{0, 0, 0, 1};
    out.Blit(scene, 0, 0);
    return out;
}

FloatImage PaintLightBeam(const Box& b) {
    return RenderParallel(b.w, b.h, 4, [&](float x, float y) {
        const float u = x / float(b.w);
        const float width = Mix(5.0f, 15.0f, u);
        const float across = (y - 0.5f * float(b.h)) / width;
        const float fade = std::pow(1.0f - u, 1.6f) * SmoothStep(0.0f, 0.06f, u);
        const float edge = SmoothStep(0.5f * float(b.h), 0.5f * float(b.h) - 4.0f,
                                      std::fabs(y - 0.5f * float(b.h)));
        const float core = Glow(across, 1.0f) + 0.35f * Glow(across * 0.45f, 1.0f);
        const Rgb c = Hex(0xfff0d0) * (0.85f * core * fade * edge);
        return Rgba{c.r, c.g, c.b, 1.0f};
    });
}

FloatImage PaintMuseumPicture() {
    const FloatImage hall = PaintBackdrop(1);
    const FloatImage scene =
        RenderAdaptive(kSceneWidth, kSceneHeight, 0.02f, [&](float x, float y) {
            const Rgb c = HallAt(hall, Vec2{x, y});
            return Rgba{c.r, c.g, c.b, 1.0f};
        });
    FloatImage out = StagePicture(scene);
    for (int k = 0; k < kRelics; ++k)
        out.Blit(GemPatch(scene, RelicScreen(k), kRelicColours[k], 44, 0.96f), RelicTexels(k).x,
                 RelicTexels(k).y); // behind the glass
    out.Blit(PaintLightBeam(kBeamTexels), kBeamTexels.x, kBeamTexels.y);
    out.Blit(LightMap(), kMapTexels.x, kMapTexels.y);
    return out;
}

FloatImage PaintMuseumDust() {
    // Fine specks on a grid that wraps, so the picture tiles seamlessly.
    constexpr int kCell = 16, kCells = kDustTexture / kCell;
    return RenderParallel(kDustTexture, kDustTexture, 4, [&](float x, float y) {
        float v = 0;
        const int cx = int(std::floor(x / kCell)), cy = int(std::floor(y / kCell));
        for (int j = cy - 1; j <= cy + 1; ++j)
            for (int i = cx - 1; i <= cx + 1; ++i) {
                const int wi = (i % kCells + kCells) % kCells, wj = (j % kCells + kCells) % kCells;
                if (HashUnit(wi, wj, 71) > 0.45f)
                    continue;
                const Vec2 at{(float(i) + HashUnit(wi, wj, 72)) * kCell,
                              (float(j) + HashUnit(wi, wj, 73)) * kCell};
                const float size = 0.7f + 1.1f * HashUnit(wi, wj, 74);
                v = std::max(v, Glow(Length(Vec2{x, y} - at) / size, 1.0f) *
                                    (0.5f + 0.5f * HashUnit(wi, wj, 75)));
            }
        const Rgb c = Hex(0xfff0d8);
        return Premultiply(c, Clamp01(v * 1.4f));
    });
}

FloatImage PaintMuseumDustMask() {
    // The mask spans the screen: texel (i, j) covers pixel (4i, 4j).
    const float scale = float(kPictureSize) / float(kDustMaskTexture);
    return RenderParallel(kDustMaskTexture, kDustMaskTexture, 2, [&](float x, float y) {
        const float a = Clamp01(ShaftLight(Vec2{x * scale, y * scale}) * 1.6f);
        return Premultiply(Rgb{1, 1, 1}, a);
    });
}

FloatImage PaintMuseumFan() {
    const float half = 0.5f * float(kFanTexture);
    return RenderParallel(kFanTexture, kFanTexture, 4, [&](float x, float y) {
        const Vec2 q{x - half, y - half};
        const float r = Length(q) / half;
        const float angle = std::atan2(q.y, q.x);
        const float rays = std::pow(0.5f + 0.5f * std::cos(angle * 9.0f), 6.0f) * 0.8f +
                           std::pow(0.5f + 0.5f * std::cos(angle * 5.0f + 0.7f), 10.0f) * 0.5f;
        const float fall = SoftDisc(r) * SmoothStep(0.06f, 0.22f, r);
        const float v =
            Clamp01(rays * fall + 0.25f * Glow(r / 0.35f, 1.0f) * SmoothStep(0.05f, 0.2f, r));
        return Premultiply(Hex(0xffe0b0), v);
    });
}

} // namespace backdrops
} // namespace gen
