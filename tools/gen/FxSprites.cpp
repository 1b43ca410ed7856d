#include "FxSprites.h"

#include <algorithm>
#include <array>

namespace gen {

namespace {

constexpr int kSuper = 4;

// A square cell of `size` texels drawn with `shade(p)`, p measured from the
// cell centre in units of the usable radius (size / 2 - gutter), +y down.
template <class F>
FloatImage Radial(int size, float gutter, const F& shade) {
    const float c = 0.5f * float(size), radius = c - gutter;
    return RenderParallel(size, size, kSuper, [&](float x, float y) {
        return shade(Vec2{(x - c) / radius, (y - c) / radius});
    });
}

// The angular distance between two angles, in [0, pi].
float AngleGap(float a, float b) {
    float d = std::fmod(std::fabs(a - b), 2 * kPi);
    return d > kPi ? 2 * kPi - d : d;
}

// A thin ray along angle `angle`, `length` long (radius units), `width` wide.
float Ray(Vec2 p, float angle, float length, float width) {
    const Vec2 dir{std::cos(angle), std::sin(angle)};
    const float along = Dot(p, dir);
    if (along <= 0)
        return 0;
    const float across = std::fabs(Cross(dir, p));
    const float fade = Clamp01(1.0f - along / length);
    return Glow(across / (width * (0.35f + 0.65f * fade)), 1.0f) * fade * fade;
}

const Rgb kWhite{1, 1, 1};

Sheet Single(const FloatImage& cell, Store store) {
    Sheet sheet(cell.Width(), cell.Height());
    sheet.Put(cell, 0, 0, store);
    return sheet;
}

// A star sparkle: a hot core, `rays` thin rays (the first at `phase`) of
// alternating length, and a soft halo; intensity 0..1.
float Sparkle(Vec2 p, int rays, float phase, float rayWidth, float halo) {
    const float r = Length(p);
    float v = Glow(r, 28.0f) + halo * Glow(r, 5.0f);
    for (int i = 0; i < rays; ++i) {
        const float length = (i % 2 == 0) ? 1.0f : 0.6f;
        v += 0.85f * Ray(p, phase + 2 * kPi * float(i) / float(rays), length, rayWidth);
    }
    return Clamp01(v) * SmoothStep(1.0f, 0.9f, r);
}

}  // namespace

uint32_t GemLightColour(int colour) {
    static const std::array<uint32_t, 8> kLights = {0x4ef08e, 0xffe05a, 0xff4668, 0x5a9cff,
                                                    0xffa038, 0xe4ecff, 0xc27cff, 0xb4c4d4};
    return kLights[size_t(std::clamp(colour, 0, 7))];
}

Sheet PaintSpark() {
    const Rgb warm = Hex(palette::kTorch), hot = Hex(0xfff4dc);
    return Single(Radial(64, 2, [&](Vec2 p) {
                      const float r = Length(p);
                      const float body = Glow(r, 4.0f) * SoftDisc(r);
                      const float core = Glow(r, 45.0f);
                      const float a = Clamp01(body + core);
                      return Premultiply(MixRgb(warm, hot, Clamp01(core + body * 0.8f)), a);
                  }),
                  Store::Straight);
}

Sheet PaintStarParticle() {
    const Rgb tint = Hex(0xfffbf0);
    return Single(Radial(64, 2, [&](Vec2 p) {
                      // Four long rays on the axes, four short ones between.
                      float v = Sparkle(p, 4, 0.0f, 0.07f, 0.35f);
                      for (int i = 0; i < 4; ++i)
                          v += 0.35f * Ray(p, kPi / 4 + float(i) * kPi / 2, 0.45f, 0.06f);
                      return Premultiply(tint, Clamp01(v) * SmoothStep(1.0f, 0.9f, Length(p)));
                  }),
                  Store::Straight);
}

Sheet PaintSpellFuzzy() {
    return Single(Radial(64, 2, [&](Vec2 p) {
                      const float r = Length(p);
                      const float angle = std::atan2(p.y, p.x);
                      // Wisps: the edge wobbles with noise around the circle.
                      const float wobble = Noise(1, 40.0f + 30.0f * std::cos(angle), 40.0f + 30.0f * std::sin(angle), 0.5f);
                      const float d = r * (0.8f + 0.45f * wobble);
                      const float body = std::pow(SoftDisc(std::min(d, 1.0f)), 1.3f);
                      const float core = Glow(r, 14.0f);
                      const float a = Clamp01(0.8f * body + 0.6f * core) * SmoothStep(1.0f, 0.85f, r);
                      return Premultiply(MixRgb(Hex(0xffe6c0), kWhite, core), a);
                  }),
                  Store::Straight);
}

Sheet PaintHalo() {
    const Rgb warm = Hex(0xfff0d0);
    return Single(Radial(128, 2, [&](Vec2 p) {
                      const float r = Length(p);
                      const float body = 0.6f * Glow(r, 2.6f);
                      const float rim = 0.45f * Glow((r - 0.62f) / 0.2f, 1.0f);
                      const float a = Clamp01(body + rim) * SmoothStep(1.0f, 0.8f, r);
                      return Premultiply(MixRgb(warm, kWhite, Glow(r, 6.0f)), a);
                  }),
                  Store::Premultiplied);
}

Sheet PaintRing() {
    return Single(Radial(128, 2, [&](Vec2 p) {
                      const float r = Length(p);
                      const float band = Glow((r - 0.8f) / 0.06f, 1.0f);
                      const float glow = 0.45f * Glow((r - 0.78f) / 0.18f, 1.0f);
                      const float inner = 0.12f * SmoothStep(0.2f, 0.8f, r);
                      const float a = Clamp01(band + glow + inner) * SmoothStep(1.0f, 0.9f, r);
                      return Premultiply(kWhite, a);
                  }),
                  Store::Straight);
}

Sheet PaintTwirl() {
    const Rgb tint = Hex(0xf4fff0);
    return Single(Radial(256, 3, [&](Vec2 p) {
                      const float r = Length(p);
                      const float angle = std::atan2(p.y, p.x);
                      // Three arms winding inwards (logarithmic spirals).
                      const float wind = 3.0f * angle + 5.5f * std::log(r + 0.04f);
                      const float arm = std::pow(0.5f + 0.5f * std::cos(wind), 5.0f);
                      const float envelope = SmoothStep(0.02f, 0.25f, r) * SmoothStep(1.0f, 0.55f, r);
                      // Glittering specks along the arms.
                      const float speck = std::pow(Noise(1, (p.x + 1) * 96, (p.y + 1) * 96, 0.7f), 6.0f) * 3.0f;
                      const float core = Glow(r, 18.0f);
                      const float a = Clamp01(arm * envelope * (0.75f + speck) + 0.2f * envelope + core) *
                                      SmoothStep(1.0f, 0.92f, r);
                      return Premultiply(tint, a);
                  }),
                  Store::Premultiplied);
}

Sheet PaintLightning() {
    constexpr int kWidth = 64, kHeight = 256, kKinks = 10;
    // The bolt's path: zig-zag offsets (texels) that start and end in the
    // middle, so that segments drawn end to end join.
    std::array<float, kKinks + 1> offset{};
    for (int i = 1; i < kKinks; ++i)
        offset[size_t(i)] = (HashUnit(i, 31, 5) - 0.5f) * 18.0f;
    const auto path = [&](float v) {
        const float t = Clamp01(v) * float(kKinks);
        const int i = std::min(int(t), kKinks - 1);
        return Mix(offset[size_t(i)], offset[size_t(i) + 1], t - float(i));
    };
    const Rgb glowColour = Hex(0x9ab8ff), coreColour = Hex(0xf4f8ff);
    const FloatImage bolt = RenderParallel(kWidth, kHeight, kSuper, [&](float x, float y) {
        const float v = y / float(kHeight);
        const float d = std::fabs(x - 0.5f * kWidth - path(v));
        // A short fork leaving the main path in the middle.
        const float fork = v > 0.45f && v < 0.7f ? std::fabs(x - 0.5f * kWidth - path(v) - (v - 0.45f) * 70.0f) : 99.0f;
        const float core = Glow(d / 1.6f, 1.0f) + 0.5f * Glow(fork / 1.2f, 1.0f) * SmoothStep(0.7f, 0.5f, v);
        const float glow = 0.55f * Glow(d / 7.0f, 1.0f) + 0.25f * Glow(d / 16.0f, 1.0f);
        const float edge = SmoothStep(1.0f, 12.0f, x) * SmoothStep(float(kWidth) - 1.0f, float(kWidth) - 12.0f, x);
        const Rgb c = glowColour * (glow * edge) + coreColour * (Clamp01(core) * edge);
        return Rgba{c.r, c.g, c.b, 1.0f};
    });
    return Single(bolt, Store::Straight);
}

Sheet PaintFlare() {
    const Rgb warm = Hex(0xffd8a0);
    const FloatImage flare = Radial(256, 2, [&](Vec2 p) {
        const float r = Length(p);
        float v = Glow(r, 40.0f) + 0.35f * Glow(r, 5.0f);
        for (int i = 0; i < 8; ++i)
            v += (i % 2 ? 0.35f : 0.7f) * Ray(p, 0.2f + float(i) * kPi / 4, i % 2 ? 0.55f : 0.95f, 0.025f);
        v += 0.12f * Glow((r - 0.55f) / 0.04f, 1.0f);
        v = Clamp01(v) * SmoothStep(1.0f, 0.85f, r);
        const Rgb c = MixRgb(warm, kWhite, Glow(r, 12.0f)) * v;
        return Rgba{c.r, c.g, c.b, 1.0f};
    });
    return Single(flare, Store::Straight);
}

Sheet PaintJungleFlash() {
    const Rgb jade = Hex(palette::kJadeLight), gold = Hex(palette::kGoldLight);
    return Single(Radial(256, 3, [&](Vec2 p) {
                      const float r = Length(p);
                      const float angle = std::atan2(p.y, p.x);
                      float rays = 0;
                      for (int i = 0; i < 12; ++i)
                          rays += Glow(AngleGap(angle, float(i) * kPi / 6 + 0.13f) * (3.0f + 6.0f * r), 1.0f);
                      const float body = 0.7f * Glow(r, 3.5f) + 0.3f * rays * Glow(r, 1.6f);
                      const float a = Clamp01(body + Glow(r, 25.0f)) * SmoothStep(1.0f, 0.8f, r);
                      return Premultiply(MixRgb(jade, gold, Glow(r, 5.0f)), a);
                  }),
                  Store::Straight);
}

Sheet PaintPanelGlass() {
    Sheet sheet(256, 256);
    const Rgb glass = Hex(0xd8fff8);
    sheet.Put(Radial(140, 3, [&](Vec2 p) {
                  const float r = Length(p);
                  const float rim = Glow((r - 0.86f) / 0.07f, 1.0f);
                  const float fill = 0.35f * (1.0f - r * r) + 0.4f * Glow(r, 6.0f);
                  // A crescent of light on the side towards the lamp.
                  const float crescent = 0.5f * Glow(Length(p - Vec2{-0.3f, -0.35f}) / 0.35f, 1.0f);
                  const float a = Clamp01(rim + fill + crescent) * SmoothStep(1.0f, 0.94f, r);
                  return Premultiply(glass, a);
              }),
              0, 0, Store::Straight);
    return sheet;
}

Sheet PaintSmallSand() {
    const Rgb light = Hex(0xfff4dc), shadow = Hex(0xb49a70);
    const std::vector<FloatImage> cells = PaintCells(16, [&](int k) {
        struct Grain {
            Vec2 at;
            float radius;
            float tone;
        };
        std::vector<Grain> grains;
        const int count = 5 + (k * 7) % 9;
        for (int i = 0; i < count; ++i) {
            const float a = HashUnit(k, i, 1) * 2 * kPi, d = std::sqrt(HashUnit(k, i, 2)) * 0.62f;
            grains.push_back({{d * std::cos(a), d * std::sin(a)}, 0.08f + 0.1f * HashUnit(k, i, 3), HashUnit(k, i, 4)});
        }
        return Radial(64, 3, [&](Vec2 p) {
            Rgba out;
            for (const Grain& g : grains) {
                const Vec2 q = (p - g.at) * (1.0f / g.radius);
                if (std::fabs(q.x) > 1.4f || std::fabs(q.y) > 1.4f)
                    continue;
                const float angle = std::atan2(q.y, q.x);
                // Grains are not quite round.
                const float rim = 1.0f + 0.18f * std::sin(3 * angle + g.tone * 6) + 0.08f * std::sin(5 * angle);
                const float r = Length(q) / rim;
                if (r >= 1.0f + 0.05f / g.radius)
                    continue;
                const float z = std::sqrt(std::max(1.0f - r * r, 0.0f));
                const Lit lit = LightNormal(Normalize(Vec3{q.x, q.y, z * 1.4f}), 18.0f);
                const Rgb c = MixRgb(shadow, light, 0.25f + 0.75f * lit.diffuse) * (0.85f + 0.3f * g.tone) +
                              Rgb{1, 1, 1} * (0.35f * lit.specular);
                out = Over(Premultiply(c, Coverage((r - 1.0f) * g.radius * 30.0f)), out);
            }
            // Fine dust around the grains.
            const float dust = std::pow(Noise(1, (p.x + 1) * 60 + float(k) * 37, (p.y + 1) * 60, 0.5f), 5.0f);
            return Over(out, Premultiply(light, 0.5f * dust * SoftDisc(Length(p))));
        });
    });
    Sheet sheet(256, 256);
    for (int k = 0; k < 16; ++k)
        sheet.Put(cells[size_t(k)], (k % 4) * 64, (k / 4) * 64, Store::Straight);
    return sheet;
}

namespace {

// Density (0..1) of puff `k` of a 4 x 4 sheet of clouds at p.
float PuffDensity(int k, Vec2 p) {
    const float r = Length(p);
    const float billow = Noise(0, (p.x + 1.5f) * 120 + float(k) * 97, (p.y + 1.5f) * 120 + float(k) * 53, 1.0f);
    const float shape = SoftDisc(std::min(r * (0.75f + 0.6f * (1.0f - billow)), 1.0f));
    const float detail = Noise(1, (p.x + 1) * 70 + float(k) * 41, (p.y + 1) * 70, 0.6f);
    return Clamp01(shape * (0.65f + 0.7f * detail)) * SmoothStep(1.0f, 0.85f, r);
}

}  // namespace

Sheet PaintCloud() {
    const std::vector<FloatImage> cells = PaintCells(16, [](int k) {
        return Radial(64, 2, [&](Vec2 p) {
            const float d = PuffDensity(k, p);
            // Lit from the top left: the lower right of a puff is greyer.
            const float lit = 0.78f + 0.22f * Clamp01(0.5f - 0.5f * (p.x + p.y));
            return Premultiply(Hex(0xf4f0ea) * lit, d);
        });
    });
    Sheet sheet(256, 256);
    for (int k = 0; k < 16; ++k)
        sheet.Put(cells[size_t(k)], (k % 4) * 64, (k / 4) * 64, Store::Straight);
    return sheet;
}

Sheet PaintFireCloud() {
    const Rgb ember = Hex(0x7a1604), flame = Hex(0xf06a10), yellow = Hex(0xffd060), hot = Hex(0xfff6d8);
    const std::vector<FloatImage> cells = PaintCells(16, [&](int k) {
        return Radial(64, 2, [&](Vec2 p) {
            const float d = PuffDensity(k + 16, p);
            const float t = Clamp01(d * 1.25f);
            const Rgb c = t < 0.4f ? MixRgb(ember, flame, t / 0.4f)
                                   : (t < 0.8f ? MixRgb(flame, yellow, (t - 0.4f) / 0.4f) : MixRgb(yellow, hot, (t - 0.8f) / 0.2f));
            return Premultiply(c, d);
        });
    });
    Sheet sheet(256, 256);
    for (int k = 0; k < 16; ++k)
        sheet.Put(cells[size_t(k)], (k % 4) * 64, (k / 4) * 64, Store::Premultiplied);
    return sheet;
}

Sheet PaintGemFlares() {
    Sheet sheet(256, 256);
    const Rgb tint = Hex(0xfffaf0);
    const float bigPhase[2] = {0.0f, kPi / 6};
    const int bigRays[2] = {4, 6};
    for (int i = 0; i < 2; ++i)
        sheet.Put(Radial(128, 3, [&](Vec2 p) {
                      return Premultiply(tint, Sparkle(p, bigRays[i], bigPhase[i], 0.045f, 0.3f));
                  }),
                  128 * i, 0, Store::Straight);
    const int smallRays[4] = {4, 6, 8, 4};
    for (int k = 0; k < 4; ++k)
        sheet.Put(Radial(64, 2, [&](Vec2 p) {
                      const float phase = k == 3 ? kPi / 4 : 0.0f;
                      return Premultiply(tint, Sparkle(p, smallRays[k], phase, 0.08f, 0.45f));
                  }),
                  64 * k, 160, Store::Straight);
    return sheet;
}

Sheet PaintGemLights() {
    Sheet sheet(512, 256);
    for (int c = 0; c < 8; ++c) {
        const Rgb colour = Hex(GemLightColour(c));
        sheet.Put(Radial(128, 3, [&](Vec2 p) {
                      const float r = Length(p);
                      // A ring of light round the gem, faint over the gem itself.
                      const float a = Clamp01(0.18f * Glow(r, 3.0f) + 0.75f * Glow((r - 0.6f) / 0.2f, 1.0f)) *
                                      SmoothStep(1.0f, 0.85f, r);
                      return Premultiply(MixRgb(colour, kWhite, 0.45f * Glow(r, 9.0f)), a);
                  }),
                  (c % 4) * 128, (c / 4) * 128, Store::Straight);
    }
    return sheet;
}

}  // namespace gen
