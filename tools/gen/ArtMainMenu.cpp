// The main-menu backdrop's pictures: the jungle temple at dawn, the sky that
// drifts behind the canopy, and the sheet of elements that move on it.
#include <algorithm>

#include "ArtBackdropPaint.h"
#include "ArtSceneKit.h"
#include "ArtScenes.h"

namespace gen {
namespace backdrops {

namespace {

using namespace scene;

Rgba Opaque(Rgb c) {
    return {c.r, c.g, c.b, 1.0f};
}

// Dawn over the jungle: warm near the rising sun, cool violet in the shade.
Rgb DawnGrade(Vec2 p, Rgb c) {
    const float sun = Glow(Length(p - Vec2{kSunX, kSunY}) / 520.0f, 1.0f);
    c = c * MixRgb(Rgb{0.86f, 0.80f, 0.98f}, Rgb{1.30f, 1.02f, 0.78f}, sun);
    return c + Hex(0xffb070) * (0.18f * Glow(Length(p - Vec2{kSunX, kSunY}) / 230.0f, 1.0f));
}

// The dawn sky strip: tileable across the picture's whole width, so that it
// scrolls without a seam.
Rgb DawnGradient(float row) {
    return Gradient(row / float(kSkyTexH),
                    {{0.0f, 0x4c4a8a}, {0.35f, 0x9a6a9a}, {0.7f, 0xf0a080}, {1.0f, 0xffd8a0}});
}

Rgb DawnSky(float x, float row) {
    const float t = row / float(kSkyTexH);
    Rgb c = DawnGradient(row);
    const float n = Noise(0, x, row * 1.6f, 2.0f);
    const float fine = Noise(1, x * 2.0f, row * 3.0f, 1.0f);
    const float band = SmoothStep(0.05f, 0.35f, t) * SmoothStep(1.0f, 0.7f, t);
    const float cloud = SmoothStep(0.46f, 0.70f, n + 0.08f * (fine - 0.5f)) * band;
    // Clouds lit from below by the sun: rose underneath, violet on top.
    const Rgb lit =
        MixRgb(Hex(0x6a4a7a), Hex(0xffc0a0), SmoothStep(0.2f, 0.9f, t + 0.25f * (n - 0.5f)));
    return MixRgb(c, lit, 0.9f * cloud);
}

// ---- The elements ----------------------------------------------------------

// The carved stone face on the temple's crown (face-local texels).
Rgba FaceAt(Vec2 p, bool eyesClosed, int mouth) {
    const auto head = [](Vec2 v) {
        return Union(SdBox(v - Vec2{88, 104}, {72, 80}, 28.0f),
                     SdBox(v - Vec2{88, 24}, {80, 18}, 4.0f));
    };
    const float d = head(p);
    if (d > 1.0f)
        return {};
    const Vec2 g = SdGradient(head, p);
    Vec3 n = BevelNormal(d, g, 10.0f, 1.1f);
    float tone = 0.85f + 0.3f * Noise(1, p.x * 1.5f, p.y * 1.5f, 1.0f);
    Rgb base = Hex(0x8c8470);
    // The crown's band of carved steps.
    if (p.y < 42.0f && std::fabs(std::fmod(p.x + 200.0f, 22.0f) - 11.0f) < 1.4f)
        tone *= 0.6f;
    // Brow ridge over the eyes.
    const float brow = std::fabs(p.y - 60.0f) - 3.0f;
    if (brow < 0 && std::fabs(p.x - 88.0f) < 46.0f)
        n = Normalize(Vec3{0, (p.y - 60.0f) * 0.25f, 1});
    // Nose.
    const float nose = SdBox(p - Vec2{88, 106}, {9, 17}, 4.0f);
    if (nose < 0)
        n = BevelNormal(nose,
                        SdGradient(
                            [](Vec2 v) {
                                return SdBox(v - Vec2{88, 106}, {9, 17}, 4.0f);
                            },
                            p),
                        5.0f, 1.0f);
    Rgb c = MattShade(n, base * tone, 0.12f);
    // Moss in the hollows.
    const float moss = SmoothStep(0.58f, 0.75f, Noise(0, p.x * 3.0f, p.y * 3.0f, 1.0f));
    c = MixRgb(c, Hex(0x3e6a2e) * 0.8f, 0.6f * moss);
    // Eyes: open almond hollows with a jade glint, or lowered stone lids.
    for (float ex : {70.0f, 106.0f}) {
        const Vec2 q = p - Vec2{ex, 77.0f};
        const float eye = SdEllipse(q, {14.0f, 7.0f});
        if (eye < 1.0f) {
            Rgb e;
            if (eyesClosed) {
                e = MattShade(Normalize(Vec3{0, q.y * 0.12f, 1}), base * 0.9f, 0.1f);
                if (std::fabs(q.y - 2.0f + 0.02f * q.x * q.x) < 1.0f)
                    e = e * 0.35f;
            } else {
                e = Hex(0x1a1410) +
                    Hex(0x7fe0aa) * (0.9f * Glow(Length(q - Vec2{-2.0f, -1.0f}) / 3.0f, 1.0f));
            }
            c = MixRgb(c, e, Coverage(eye));
        }
    }
    // The mouth: closed lips, or open a little or wide.
    {
        const Vec2 q = p - Vec2{88.0f, 144.0f};
        const float lips = SdEllipse(q, {22.0f, 8.0f});
        if (lips < 1.0f)
            c = MixRgb(c, MattShade(Normalize(Vec3{0, q.y * 0.1f, 1}), base * 1.05f, 0.15f),
                       Coverage(lips));
        const float open =
            mouth == 0 ? std::fabs(q.y) - 0.8f + 100.0f * (std::fabs(q.x) > 18.0f)
                       : SdEllipse(q, {mouth == 1 ? 16.0f : 18.0f, mouth == 1 ? 3.5f : 6.5f});
        c = MixRgb(c, Hex(0x140e0a), Coverage(open));
    }
    // Gold ear plugs.
    for (float ex : {22.0f, 154.0f}) {
        const Vec2 q = p - Vec2{ex, 106.0f};
        const float plug = Length(q) - 11.0f;
        if (plug < 1.0f)
            c = MixRgb(c, GoldShade(Normalize(Vec3{q.x * 0.08f, q.y * 0.08f, 1}), 0.6f),
                       Coverage(plug));
    }
    return Premultiply(c, Coverage(d));
}

// A liana with small leaves, hanging from the top.
Rgba VineAt(Vec2 p, int seed) {
    const float len = 280.0f;
    const float x =
        20.0f + 5.0f * std::sin(p.y / 41.0f + float(seed)) + 2.0f * std::sin(p.y / 13.0f);
    Rgba out;
    const float stem = std::fabs(p.x - x) - 2.2f;
    if (stem < 1.0f && p.y < len) {
        const float lit = Clamp01((x - p.x) * 0.25f + 0.5f);
        out = Premultiply(Hex(0x2e4a22) * (0.5f + 0.8f * lit),
                          Coverage(stem) * SmoothStep(len, len - 12.0f, p.y));
    }
    for (int i = 0; i < 11; ++i) {
        const float ly = 16.0f + float(i) * 24.0f + 6.0f * HashUnit(i, seed, 3);
        const float side = (i % 2) ? 1.0f : -1.0f;
        const float lx = 20.0f + 5.0f * std::sin(ly / 41.0f + float(seed)) + side * 8.0f;
        const Vec2 q = Rotate(p - Vec2{lx, ly + 4.0f}, side * 0.7f);
        const float leaf = SdEllipse(q, {7.5f, 3.8f});
        if (leaf < 1.0f) {
            const Rgb c =
                MixRgb(Hex(0x2a6a2a), Hex(0x8ac050), Clamp01(0.5f - q.y * 0.15f - q.x * 0.05f));
            out = Over(Premultiply(c, Coverage(leaf)), out);
        }
    }
    return out;
}

// A cloth map hanging from a stick.
Rgba ClothMapAt(Vec2 p) {
    const Box b = kClothMapTexels;
    const float w = float(b.w);
    Rgba out;
    const float cloth = Intersect(SdBox(p - Vec2{0.5f * w, 94.0f}, {0.5f * w - 12.0f, 82.0f}),
                                  p.y - 172.0f - 4.0f * std::sin(p.x * 0.35f));
    if (cloth < 1.0f) {
        const float fold = 0.85f + 0.15f * std::cos(p.x / w * kPi * 4.0f);
        Rgb c = Hex(0xd8c090) * fold * (0.85f + 0.3f * Noise(1, p.x * 2.0f, p.y * 2.0f, 1.0f));
        c = c * (1.0f - 0.35f * SmoothStep(-10.0f, 0.0f, cloth));
        const float riverX = 0.5f * w + 16.0f * std::sin(p.y / 22.0f);
        if (std::fabs(p.x - riverX) < 1.4f && p.y > 30 && p.y < 160)
            c = MixRgb(c, Hex(0x2a7a9a), 0.8f);
        for (int i = 0; i < 12; ++i) {
            const Vec2 at{Mix(24.0f, 86.0f, float(i) / 11.0f),
                          Mix(40.0f, 150.0f, float(i) / 11.0f) + 6.0f * std::sin(float(i))};
            if (Length(p - at) < 1.8f)
                c = Hex(0xa02a1a);
        }
        const Vec2 q = p - Vec2{86.0f, 150.0f};
        if (std::min(DistSegment(q, {-5, -5}, {5, 5}), DistSegment(q, {-5, 5}, {5, -5})) < 1.3f)
            c = Hex(0xa02a1a);
        out = Premultiply(c, Coverage(cloth));
    }
    const float stick = SdBox(p - Vec2{0.5f * w, 9.0f}, {0.5f * w - 4.0f, 4.0f}, 3.0f);
    if (stick < 1.0f) {
        const Rgb c = Hex(0x5a3a1e) * (0.5f + 0.7f * Clamp01((12.0f - p.y) / 8.0f));
        out = Over(Premultiply(c, Coverage(stick)), out);
    }
    return out;
}

// A small golden idol on a stone plinth.
Rgba IdolAt(Vec2 p) {
    const auto figure = [](Vec2 v) {
        float d = Length(v - Vec2{36, 34}) - 15.0f;
        d = SmoothUnion(d, SdBox(v - Vec2{36, 82}, {17, 30}, 9.0f), 6.0f);
        d = SmoothUnion(d, SdCapsule(v, {20, 66}, {12, 100}, 5.0f), 3.0f);
        d = SmoothUnion(d, SdCapsule(v, {52, 66}, {60, 100}, 5.0f), 3.0f);
        d = Union(d, SdBox(v - Vec2{36, 20}, {20, 5}, 2.0f));
        return Union(d, SdBox(v - Vec2{36, 122}, {20, 12}, 3.0f));
    };
    Rgba out;
    const float plinth = SdBox(p - Vec2{36, 156}, {32, 20}, 2.0f);
    if (plinth < 1.0f) {
        const Vec3 n = BevelNormal(plinth,
                                   SdGradient(
                                       [](Vec2 v) {
                                           return SdBox(v - Vec2{36, 156}, {32, 20}, 2.0f);
                                       },
                                       p),
                                   4.0f, 1.0f);
        out = Premultiply(
            MattShade(n, Hex(0x7a7264) * (0.85f + 0.3f * Noise(1, p.x * 2, p.y * 2, 1.0f)), 0.1f),
            Coverage(plinth));
    }
    const float d = figure(p);
    if (d < 1.0f) {
        const Vec3 n = BevelNormal(d, SdGradient(figure, p), 8.0f, 1.4f);
        Rgb c = GoldShade(n, 0.6f);
        for (float ex : {30.0f, 42.0f})
            if (Length(p - Vec2{ex, 34}) < 2.6f)
                c = Hex(0x2fb0a0);
        out = Over(Premultiply(c, Coverage(d)), out);
    }
    return out;
}

// The sunrise glow that lies (screen blended) over the sky.
Rgba SunGlowAt(Vec2 p) {
    const Box b = kGlowTexels;
    const Vec2 sun{(kSunX - float(kGlowScreen.x)) * float(b.w) / float(kGlowScreen.w),
                   (kSunY - float(kGlowScreen.y)) * float(b.h) / float(kGlowScreen.h)};
    const float r = Length(p - sun);
    const float edge =
        SmoothStep(0.0f, 8.0f, std::min({p.x, p.y, float(b.w) - p.x, float(b.h) - p.y}));
    Rgb c = Hex(0xfff2c8) * (0.9f * Coverage(r - 7.0f)) +
            Hex(0xffc080) * (0.55f * Glow(r / 18.0f, 1.0f)) +
            Hex(0xff8a60) * (0.30f * Glow(r / 60.0f, 1.0f));
    c = c * edge;
    return Opaque(c);
}

Rgba FallingLeafAt(Vec2 p, int kind) {
    const uint32_t colours[3] = {0x4a8a3a, 0xa0a83a, 0xc8702a};
    const Vec2 q = Rotate(p - Vec2{17, 17}, 0.785f);
    const float leaf = SdEllipse(q, {14.0f, 6.5f});
    if (leaf > 1.0f)
        return {};
    Rgb c = Hex(colours[kind]) * (0.75f + 0.45f * Clamp01(0.5f - q.y * 0.12f));
    if (std::fabs(q.y) < 0.7f && q.x > -13.0f)
        c = c * 0.7f; // the midrib
    return Premultiply(c, Coverage(leaf));
}

// The leaves of a jungle mass, dawn light on their rims.
LeafStyle DawnLeaves(int seed, float cell, float minLen, float maxLen) {
    LeafStyle style;
    style.cell = cell;
    style.minLen = minLen;
    style.maxLen = maxLen;
    style.droop = 0.55f;
    style.dark = 0x06140a;
    style.light = 0x2a5a2e;
    style.backlit = 0x6a8a2a;
    style.rim = 0xff9a70;
    style.rimStrength = 0.45f;
    style.seed = seed;
    return style;
}

// A picture's texels at 4 x 4 samples, painted with a shader of local texels.
template <class Shader> FloatImage Cell(const Box& b, const Shader& shade) {
    return RenderParallel(b.w, b.h, 4, [&](float x, float y) { return shade(Vec2{x, y}); });
}

// How open the canopy is at screen point p of the graded scene: its brightness
// averaged over a wide patch, so that the sky follows smooth shapes rather
// than every leaf (the mask has few texels).
float Openness(const FloatImage& scene, Vec2 p) {
    if (p.y >= float(kSkyScreen.Bottom()) || p.x < float(kSkyScreen.x))
        return 0.0f;
    float lum = 0;
    for (int j = -2; j <= 2; ++j)
        for (int i = -2; i <= 2; ++i)
            lum += Luminance(
                       ToRgb(SampleBilinear(scene, p.x + 9.0f * float(i), p.y + 9.0f * float(j)))) /
                   25.0f;
    return SmoothStep(0.30f, 0.55f, lum) *
           SmoothStep(float(kSkyScreen.Bottom()), float(kSkyScreen.Bottom()) - 40.0f, p.y);
}

} // namespace

MainBackPictures PaintMainBack() {
    const FloatImage jungle = PaintBackdrop(2);
    const FloatImage graded =
        RenderAdaptive(kSceneWidth, kSceneHeight, 0.02f, [&](float x, float y) {
            return Opaque(DawnGrade(Vec2{x, y}, ToRgb(SampleBilinear(jungle, x - 0.5f, y - 0.5f))));
        });
    MainBackPictures out{FloatImage(kPictureSize, kPictureSize), {}};
    for (Rgba& px : out.back.Pixels())
        px = Rgba{0, 0, 0, 1};
    // Where the sky strip will show, the picture itself holds the same dawn
    // (without the clouds), so the mask's edge is never a seam.
    const float rows = float(kSkyTexH) / float(kSkyScreen.h);
    out.back.Blit(RenderAdaptive(kSceneWidth, kSceneHeight, 0.02f,
                                 [&](float x, float y) {
                                     const Vec2 p{x, y};
                                     const Rgb c =
                                         ToRgb(SampleBilinear(graded, x - 0.5f, y - 0.5f));
                                     const Rgb sky =
                                         DawnGradient(std::min(y * rows, float(kSkyTexH)));
                                     return Opaque(MixRgb(c, sky, Openness(graded, p)));
                                 }),
                  0, 0);
    out.back.Blit(RenderParallel(kPictureSize, kSkyTexH, 2,
                                 [&](float x, float y) { return Opaque(DawnSky(x, y)); }),
                  0, kSkyV);
    // Texel (i, j) of the mask's used part lies over this screen point.
    const float sx = float(kSkyScreen.w) / float(kSkyMaskUsedW),
                sy = float(kSkyScreen.h) / float(kSkyMaskUsedH);
    const int skip = kSkyMaskW - kSkyMaskUsedW;
    out.skyMask = RenderParallel(kSkyMaskW, kSkyMaskH, 2, [&](float x, float y) {
        const Vec2 p{float(kSkyScreen.x) + (x - float(skip)) * sx, float(kSkyScreen.y) + y * sy};
        if (x < float(skip) || y > float(kSkyMaskUsedH) || p.x >= float(kSceneWidth))
            return Rgba{};
        return Premultiply(Rgb{1, 1, 1}, Openness(graded, p));
    });
    return out;
}

FloatImage PaintLeafMask() {
    // The mask spans the left 768 pixels at full height: texel (i, j) covers
    // pixel (3i, 3j). Leaves fade out before its right edge.
    const float scale = 768.0f / float(kLeafMask);
    return RenderParallel(kLeafMask, kLeafMask, 2, [&](float x, float) {
        return Premultiply(Rgb{1, 1, 1}, SmoothStep(750.0f, 560.0f, x * scale));
    });
}

FloatImage PaintMainElements() {
    FloatImage out(kElementsW, kElementsH);
    // The foliage that hangs down the left of the screen, thinning out to the
    // right and the bottom (its cells ripple in the game).
    const Box f = kFoliageTexels;
    const LeafLayer leaves(
        DawnLeaves(91, 58.0f, 70.0f, 140.0f), float(f.w), float(f.h), [&](Vec2 o) {
            const float reach = 300.0f + 60.0f * Fbm1(o.y / 140.0f, 5.0f) - 0.18f * o.y;
            return 0.96f * SmoothStep(reach, reach * 0.35f, o.x) *
                   SmoothStep(640.0f, 420.0f, o.y + 0.3f * o.x);
        });
    out.Blit(Cell(f,
                  [&](Vec2 p) {
                      const float edge =
                          SmoothStep(0.0f, 3.0f, std::min(float(f.w) - p.x, float(f.h) - p.y));
                      return leaves.At(p) * edge;
                  }),
             f.x, f.y);
    out.Blit(Cell(kFaceTexels, [](Vec2 p) { return FaceAt(p, false, 0); }), kFaceTexels.x,
             kFaceTexels.y);
    out.Blit(Cell(kClosedEyesTexels,
                  [](Vec2 p) {
                      return FaceAt(p + Vec2{float(kEyesInFace.x), float(kEyesInFace.y)}, true, 0);
                  }),
             kClosedEyesTexels.x, kClosedEyesTexels.y);
    for (int m = 0; m < 2; ++m)
        out.Blit(Cell(kLipsOpenTexels[m],
                      [m](Vec2 p) {
                          return FaceAt(p + Vec2{float(kLipsInFace.x), float(kLipsInFace.y)}, false,
                                        m + 1);
                      }),
                 kLipsOpenTexels[m].x, kLipsOpenTexels[m].y);
    for (int v = 0; v < 2; ++v)
        out.Blit(Cell(kVineTexels[v], [v](Vec2 p) { return VineAt(p, v * 3 + 1); }),
                 kVineTexels[v].x, kVineTexels[v].y);
    out.Blit(Cell(kClothMapTexels, ClothMapAt), kClothMapTexels.x, kClothMapTexels.y);
    out.Blit(Cell(kIdolTexels, IdolAt), kIdolTexels.x, kIdolTexels.y);
    out.Blit(Cell(kGlowTexels, SunGlowAt), kGlowTexels.x, kGlowTexels.y);
    for (int k = 0; k < 3; ++k)
        out.Blit(Cell(kLeafTexels[k], [k](Vec2 p) { return FallingLeafAt(p, k); }),
                 kLeafTexels[k].x, kLeafTexels[k].y);
    return out;
}

FloatImage PaintFrontBranch() {
    const Box b{0, 0, kFrontScreen.w, kFrontScreen.h};
    // The branch enters from the left and bends down to the right.
    const auto branchY = [](float x) {
        return 40.0f + 0.0009f * x * x + 10.0f * std::sin(x / 60.0f);
    };
    const LeafLayer leaves(
        DawnLeaves(97, 46.0f, 60.0f, 110.0f), float(b.w), float(b.h), [&](Vec2 o) {
            const float off = o.y - branchY(o.x);
            return 0.97f * SmoothStep(-10.0f, 10.0f, off) * SmoothStep(150.0f, 40.0f, off) *
                   SmoothStep(380.0f, 250.0f, o.x);
        });
    FloatImage out(kFrontW, kFrontH);
    out.Blit(Cell(b,
                  [&](Vec2 p) {
                      const float d =
                          std::fabs(p.y - branchY(p.x)) - Mix(9.0f, 3.0f, Clamp01(p.x / 360.0f));
                      Rgba c;
                      if (d < 1.0f && p.x < 360.0f) {
                          const float lit = Clamp01((branchY(p.x) - p.y) * 0.12f + 0.5f);
                          c = Premultiply(Hex(0x3a2614) * (0.5f + 0.9f * lit), Coverage(d));
                      }
                      c = Over(leaves.At(p), c);
                      const float edge = SmoothStep(
                          0.0f, 3.0f, std::min({float(b.w) - p.x, float(b.h) - p.y, p.y}));
                      return c * edge;
                  }),
             0, 0);
    return out;
}

} // namespace backdrops
} // namespace gen
