// The Door backdrop's pictures: the temple wall between two braziers with a
// stone door in a corbelled frame, gem sockets on its jambs and steps below;
// the pieces the door opens with (the dark passage behind it, the leaf and
// the lintel's shade on it), the hanging foliage, and the shadow that drifts
// over the steps.
#include <algorithm>
#include <sstream>

#include "ArtBackdropPaint.h"
#include "ArtSceneKit.h"
#include "ArtScenes.h"
#include "ArtStageLayout.h"

namespace gen {
namespace backdrops {

namespace {

using namespace scene;

constexpr float kW = float(kSceneWidth), kH = float(kSceneHeight);
constexpr float kFrame = 44.0f; // width of the door frame round the leaf
constexpr float kLeafL = float(kDoorLeaf.x), kLeafT = float(kDoorLeaf.y);
constexpr float kLeafR = float(kDoorLeaf.x + kDoorLeaf.w),
                kLeafB = float(kDoorLeaf.y + kDoorLeaf.h);
constexpr float kStepsTop = kLeafB;
const Vec2 kTorches[2] = {{190, 470}, {834, 470}};

float Warmth(Vec2 p) {
    float warm = 0;
    for (const Vec2& t : kTorches)
        warm += Glow(Length(p - t) / 300.0f, 1.0f);
    return warm + 0.35f * Glow(Length(p - Vec2{512, 420}) / 260.0f, 1.0f);
}

Rgb LightAt(Vec2 p, float boost) {
    return Hex(0x40406a) * 0.55f + Hex(0xffa050) * (boost * Warmth(p));
}

// The frame: straight jambs and a stepped, narrowing top over the leaf.
float FrameOutline(Vec2 p) {
    const float l = kLeafL - kFrame, r = kLeafR + kFrame, t = kLeafT - kFrame - 40.0f;
    return SdPolygon({{l, kLeafB},
                      {l, kLeafT - 20.0f},
                      {l + 44.0f, t},
                      {r - 44.0f, t},
                      {r, kLeafT - 20.0f},
                      {r, kLeafB}},
                     p);
}

Vec2 GemCentre(int k) {
    const Box b = DoorGemScreen(k);
    return {float(b.x) + 0.5f * float(b.w), float(b.y) + 0.5f * float(b.h)};
}

// The stone leaf at q (texels from its top-left corner): a slab with a
// bevelled rim, a sunk panel and a carved sun disc inlaid with gold.
Rgb LeafAt(Vec2 q) {
    const float w = float(kDoorLeaf.w), h = float(kDoorLeaf.h);
    const Vec2 c{0.5f * w, 0.5f * h};
    const auto slab = [&](Vec2 v) {
        return SdBox(v - c, {0.5f * w - 1.0f, 0.5f * h - 1.0f}, 3.0f);
    };
    const float d = slab(q);
    Rgb stone = Hex(0x8a8070) * (0.8f + 0.35f * Noise(1, q.x * 1.3f, q.y * 1.3f, 1.0f) +
                                 0.12f * (Noise(0, q.x * 3.0f, q.y * 3.0f, 1.0f) - 0.5f));
    Vec3 n = BevelNormal(d, SdGradient(slab, q), 7.0f, 1.2f);
    // The sunk panel.
    const auto panel = [&](Vec2 v) {
        return SdBox(v - c, {0.5f * w - 22.0f, 0.5f * h - 24.0f}, 6.0f);
    };
    const float pd = panel(q);
    if (pd < 3.0f && pd > -3.0f) {
        const Vec2 g = SdGradient(panel, q);
        n = Normalize(Vec3{-g.x * (pd / 3.0f), -g.y * (pd / 3.0f), 1.0f});
    }
    if (pd < 0)
        stone = stone * 0.82f;
    Rgb col = MattShade(n, stone, 0.08f) * 1.5f;
    // The sun disc: a gold ring, rays cut into the stone, a jade boss.
    const Vec2 s = q - Vec2{c.x, c.y - 10.0f};
    const float r = Length(s);
    const float angle = std::atan2(s.y, s.x);
    if (r < 62.0f && r > 36.0f) {
        const float ray = std::fabs(std::sin(angle * 8.0f));
        if (ray > 0.8f && r < 58.0f)
            col = col * 0.55f;
    }
    if (std::fabs(r - 34.0f) < 4.0f) {
        const float t = (r - 34.0f) / 4.0f;
        col = GoldShade(Normalize(Vec3{s.x / r * t, s.y / r * t, 1.0f}), 0.55f);
    } else if (r < 30.0f) {
        const Vec3 jn = Normalize(Vec3{s.x / 40.0f, s.y / 40.0f, 1.0f});
        col = MattShade(jn, Hex(palette::kJade), 0.7f) * 1.2f;
        if (std::fabs(r - 18.0f) < 1.2f)
            col = col * 0.6f;
    }
    // Two gold bands across the panel.
    for (float y : {c.y + 78.0f, c.y - 98.0f})
        if (std::fabs(q.y - y) < 3.0f && pd < -2.0f)
            col = GoldShade(Normalize(Vec3{0, (q.y - y) / 3.0f, 1.0f}), 0.45f);
    // The dark gap round the slab.
    return col * Clamp01(0.5f - d) + Hex(0x0a0806) * (1.0f - Clamp01(0.5f - d));
}

// How much the lintel and the jambs darken the leaf at q (0 none, 1 black).
float ShadeAt(Vec2 q) {
    const float w = float(kDoorLeaf.w);
    const float lintel = 0.62f * SmoothStep(70.0f, 0.0f, q.y);
    const float side = 0.3f * SmoothStep(16.0f, 0.0f, std::min(q.x, w - q.x));
    return Clamp01(lintel + side * (1.0f - lintel));
}

// The passage behind the door: dark stone walls closing in towards a far
// glow of gold.
Rgb DoorwayAt(Vec2 q) {
    const float w = float(kDoorwayTexels.w), h = float(kDoorwayTexels.h);
    const float nx = (q.x - 0.5f * w) / (0.5f * w), ny = q.y / h;
    const float depth = std::max(std::fabs(nx), std::fabs(ny - 0.62f) * 1.3f);
    // Receding stone courses: the walls of the passage narrow to a far
    // opening.
    const float course = std::fabs(std::sin(std::log(0.08f + depth) * 9.0f));
    Rgb c = Hex(0x3a2c1e) * ((0.12f + 0.8f * depth * depth) * (0.75f + 0.25f * course));
    c = c * (0.8f + 0.4f * Noise(1, q.x * 2.0f, q.y * 2.0f, 1.0f));
    const float far = SdBox(Vec2{nx, ny - 0.64f}, {0.1f, 0.14f}, 0.08f);
    c = c + Hex(0xffb040) * (0.35f * Glow(std::max(far, 0.0f) / 0.25f, 1.0f));
    if (far < 0)
        c = MixRgb(Hex(0xffc860), Hex(0xfff0c0), Clamp01(-far * 8.0f)) * 0.9f;
    return c;
}

// The leaf as the picture shows it, lit and finished like the wall, before
// its shade.
Rgb FinishedLeafAt(Vec2 q) {
    const Vec2 p{kLeafL + q.x, kLeafT + q.y};
    return Finish(LeafAt(q) * LightAt(p, 1.1f) * (1.6f * Vignette(p, kW, kH, 0.55f)), p);
}

Rgb DoorSceneAt(Vec2 p) {
    const BlockHit b = BlockAt(p, 128, 64, 3.0f, 5.0f, 12);
    Rgb c =
        Hex(0x7a7260) * (0.72f + 0.35f * b.tone + 0.3f * (Noise(0, p.x * 2, p.y * 2, 1.0f) - 0.5f));
    c = MixRgb(c, Hex(0x4a6a34),
               0.55f * SmoothStep(0.58f, 0.78f, Noise(0, p.x * 3 + 200, p.y * 3, 1.0f)));
    c = MattShade(b.normal, c, 0.05f) * 1.6f;
    c = MixRgb(c, Hex(0x120f0a), 0.85f * b.mortar);
    c = c * LightAt(p, 1.4f);

    // The frame round the leaf, with a gold line and the gem sockets.
    const bool nearDoor =
        p.x > kLeafL - 110.0f && p.x < kLeafR + 110.0f && p.y > 120.0f && p.y < kStepsTop + 4.0f;
    const float outer = nearDoor ? FrameOutline(p) : 100.0f;
    const bool inLeaf = p.x >= kLeafL && p.x < kLeafR && p.y >= kLeafT && p.y < kLeafB;
    if (outer < 0 && !inLeaf) {
        const Vec2 g = SdGradient(FrameOutline, p);
        const float t = -outer;
        Vec3 n{0, 0, 1};
        if (t < 6.0f)
            n = Normalize(Vec3{g.x * (1.0f - t / 6.0f), g.y * (1.0f - t / 6.0f), 1.0f});
        Rgb frame =
            MattShade(n, Hex(0x9a9078) * (0.85f + 0.25f * Noise(1, p.x, p.y, 1.0f)), 0.1f) * 1.5f;
        // The inner reveal round the leaf is in shade.
        const float reveal = SdBox(p - Vec2{0.5f * (kLeafL + kLeafR), 0.5f * (kLeafT + kLeafB)},
                                   {0.5f * kDoorLeaf.w + 8.0f, 0.5f * kDoorLeaf.h + 8.0f});
        if (reveal < 0)
            frame = frame * 0.55f;
        if (std::fabs(t - 12.0f) < 2.0f)
            frame = GoldShade(
                Normalize(Vec3{-g.x * (t - 12.0f) / 2.0f, -g.y * (t - 12.0f) / 2.0f, 1.0f}), 0.5f);
        c = frame * LightAt(p, 1.3f);
        // The sockets: gold rings round dark hollows.
        for (int k = 0; k < kDoorGems; ++k) {
            const Vec2 q = p - GemCentre(k);
            const float r = Length(q);
            if (r > 17.0f)
                continue;
            if (r > 13.0f) {
                const float u = (r - 15.0f) / 2.0f;
                c = GoldShade(Normalize(Vec3{q.x / r * u, q.y / r * u, 1.0f}), 0.5f) *
                    (0.6f + 0.5f * Warmth(p));
            } else {
                c = Hex(0x120c08) * (0.6f + 0.5f * SmoothStep(13.0f, 4.0f, Length(q - Vec2{3, 3})));
            }
        }
        // The seal on the lintel.
        const Vec2 s = p - Vec2{512.0f, kLeafT - 38.0f};
        const float r = Length(s);
        if (r < 24.0f) {
            const float u = (r - 20.0f) / 4.0f;
            c = r > 18.0f ? GoldShade(Normalize(Vec3{s.x / r * u, s.y / r * u, 1.0f}), 0.6f)
                          : MattShade(Normalize(Vec3{s.x / 30.0f, s.y / 30.0f, 1.0f}),
                                      Hex(palette::kTurquoise), 0.6f);
        }
    } else if (outer >= 0 && outer < 30.0f && nearDoor) {
        // Deep shadow where the frame stands out from the wall.
        c = c * (1.0f -
                 0.5f * std::exp(-outer / 8.0f) * Clamp01((p.x - kLeafL + kFrame) / 30.0f + 0.3f));
    }
    if (inLeaf) {
        const Vec2 q{p.x - kLeafL, p.y - kLeafT};
        return FinishedLeafAt(q) * (1.0f - ShadeAt(q));
    }
    // Steps, each tread lit, each riser in shade.
    if (p.y > kStepsTop) {
        const float step = std::fmod(p.y - kStepsTop, 26.0f);
        const Rgb s = Hex(0x8a8270) * (step < 6.0f ? 1.25f : 0.7f - 0.2f * (step - 6.0f) / 20.0f) *
                      LightAt(p, 1.2f);
        c = s * (0.85f + 0.3f * Noise(1, p.x, p.y, 1.0f));
    }
    // Braziers on stands with their flames.
    for (int i = 0; i < 2; ++i) {
        const Vec2 t = kTorches[i];
        if (std::fabs(p.x - t.x) > 120.0f || p.y < t.y - 190.0f || p.y > t.y + 240.0f)
            continue;
        const float bowl =
            Intersect(SdEllipse(p - Vec2{t.x, t.y + 2.0f}, {44, 26}), p.y - (t.y + 2.0f));
        const float stand = Union(SdBox(p - Vec2{t.x, t.y + 120.0f}, {8, 100}),
                                  SdBox(p - Vec2{t.x, t.y + 225.0f}, {26, 6}, 2));
        const float metal = Union(bowl, stand);
        if (metal < 1.0f) {
            const float lit =
                CylinderLight(p.x - t.x, bowl < 0 ? 44.0f : (p.y > t.y + 215.0f ? 26.0f : 8.0f));
            Rgb m = GoldShade(Normalize(Vec3{(p.x - t.x) / 50.0f, 0.0f, 1.0f}), 0.35f) *
                    (0.25f + 0.8f * lit);
            m = m + Hex(0xff8030) *
                        (0.5f * Clamp01(1.0f - (p.y - t.y) / 40.0f) * (bowl < 0 ? 1.0f : 0.0f));
            c = MixRgb(c, m, Coverage(metal));
        }
        float heat = 0;
        const float flame = Flame(p, Vec2{t.x, t.y + 4.0f}, 100.0f, heat, i * 7 + 1);
        c = c + MixRgb(Hex(0xd04010), Hex(0xfff4c0), heat) * (1.7f * flame);
        c = c + Hex(0xff9040) * (0.35f * Glow(Length(p - Vec2{t.x, t.y - 40.0f}) / 100.0f, 1.0f));
    }
    return Finish(c * Vignette(p, kW, kH, 0.55f), p);
}

// Hanging foliage over the top edge of a curtain `w` x `h`: dense at the top,
// with strands reaching down, thinning into the gutter at the borders.
FloatImage Curtain(int w, int h, int seed) {
    LeafStyle style;
    style.cell = 46;
    style.minLen = 44;
    style.maxLen = 92;
    style.droop = 0.75f;
    style.dark = 0x0a2212;
    style.light = 0x3a7a3a;
    style.backlit = 0x8ab848;
    style.seed = seed;
    const float fw = float(w), fh = float(h);
    const LeafLayer leaves(style, fw, fh, [&](Vec2 o) {
        const float strand = SmoothStep(0.4f, 0.8f, Fbm1(o.x / 90.0f, float(seed)));
        const float reach = 90.0f + 220.0f * strand;
        return 0.95f * SmoothStep(reach, reach - 60.0f, o.y);
    });
    return RenderParallel(w, h, 3, [&](float x, float y) {
        Rgba c = leaves.At(Vec2{x, y});
        const float gutter = SmoothStep(0.0f, 3.0f, std::min({x, fw - x, fh - y}));
        return c * gutter;
    });
}

} // namespace

FloatImage PaintDoorPicture() {
    const FloatImage scene =
        RenderAdaptive(kSceneWidth, kSceneHeight, 0.025f, [&](float x, float y) {
            const Rgb c = DoorSceneAt(Vec2{x, y});
            return Rgba{c.r, c.g, c.b, 1.0f};
        });
    FloatImage out = StagePicture(scene);
    for (int k = 0; k < kDoorGems; ++k)
        out.Blit(GemPatch(scene, DoorGemScreen(k), kDoorGemColours[k], 26, 1.0f),
                 DoorGemTexels(k).x, DoorGemTexels(k).y);
    out.Blit(PaintLightBeam(kDoorRayTexels), kDoorRayTexels.x, kDoorRayTexels.y);
    return out;
}

FloatImage PaintDoorShadow() {
    // Dappled shade of leaves far above, in soft blobs.
    return RenderParallel(kDoorShadowW, kDoorShadowH, 2, [&](float x, float y) {
        const float n = Noise(0, x * 1.6f, y * 3.2f, 1.0f);
        const float v = 0.28f * SmoothStep(0.38f, 0.68f, n) + 0.08f;
        return Rgba{v, v, v, 1.0f};
    });
}

FloatImage PaintDoorMask() {
    // None at the shadow's far (upper) edge, most in front. Its alpha may be
    // kept in one bit, so the fade lies in its colour.
    return RenderParallel(kDoorMaskW, kDoorMaskH, 2, [&](float, float y) {
        const float v = SmoothStep(0.0f, float(kDoorMaskH), y);
        return Rgba{v, v, v, 1.0f};
    });
}

FloatImage PaintDoorFoliage() {
    FloatImage out(kFoliageW, kFoliageH);
    for (int c = 0; c < 2; ++c)
        out.Blit(Curtain(kCurtainTexels[c].w, kCurtainTexels[c].h, 81 + 6 * c), kCurtainTexels[c].x,
                 kCurtainTexels[c].y);
    const Box& d = kDoorwayTexels;
    out.Blit(RenderParallel(d.w, d.h, 3,
                            [&](float x, float y) {
                                const Rgb c = DoorwayAt(Vec2{x, y});
                                return Rgba{c.r, c.g, c.b, 1.0f};
                            }),
             d.x, d.y);
    out.Blit(RenderParallel(kDoorLeaf.w, kDoorLeaf.h, 3,
                            [&](float x, float y) {
                                const Rgb c = FinishedLeafAt(Vec2{x, y});
                                return Rgba{c.r, c.g, c.b, 1.0f};
                            }),
             kLeafTexelX, kLeafTexelY);
    // The shade darkens the stored picture, so it is given as what takes the
    // stored (not the linear) brightness down as far as the picture's own.
    out.Blit(RenderParallel(kDoorLeaf.w, kDoorLeaf.h, 2,
                            [&](float x, float y) {
                                const float keep = LinearToSrgb(1.0f - ShadeAt(Vec2{x, y}));
                                const float s = SrgbToLinear(1.0f - keep);
                                return Rgba{s, s, s, 1.0f};
                            }),
             kShadeTexelX, kLeafTexelY);
    return out;
}

std::string DoorConfigText() {
    std::ostringstream o;
    o << "[Door]\n";
    o << "ShadowTexture=DoorShadow.jpg\nMaskTexture=DoorMask.tga\nFoliageTexture=DoorFoliage.tga\n";
    o << "ShadowT=16 8 496 120\nShadowNearTR=16 8\nShadowFarTR=8 4\nShadowNearW=0.31 0.27\n"
         "ShadowFarW=0.23 0.34\n";
    o << "FoliageShift=16 16\nFoliageMove=5 4\nFoliageMoveA1=1 0.4\nFoliageMoveW1=0.55 0.48\n"
         "FoliageMoveA2=2 -0.77\nFoliageMoveW2=0.47 0.6\nFoliageDisp=12 6\nFoliageA1=1 0.4\n"
         "FoliageW1=0.8 0.7\nFoliageA2=2 -0.77\nFoliageW2=0.7 0.9\n";
    o << "Door=" << Rect(kDoorLeaf) << "\nDoorBottom=" << kDoorFloor << ' ' << kDoorFloor << '\n';
    o << "DoorPreTime=0.25\nDoorOpenTime=2.5\nUseSand=1\nSandColor=247 217 107 255\n"
         "DustColor=247 217 107 127\nSandShift0=4 4\nSandShift1=-4 4\n";
    o << "SandDown=" << kSandFloor[0] << ' ' << kSandFloor[1] << '\n';
    for (int k = 0; k < kDoorGems; ++k) {
        o << "Gem" << k + 1 << '=' << Rect(DoorGemScreen(k)) << '\n';
        o << "GemT" << k + 1 << '=' << Corners(DoorGemTexels(k)) << '\n';
    }
    o << "RaysColor=255 236 190 130\nRaysMethod=Add\n";
    for (int k = 0; k < kDoorGems; ++k) {
        const Box g = DoorGemScreen(k);
        const bool left = k < 5;
        // The light runs outwards along the wall from the gem.
        constexpr int kLength = 130, kWidth = 14;
        const int cx = g.x + g.w / 2 + (left ? -1 : 1) * (kLength / 2 + 4);
        const Box ray{cx - kLength / 2, g.y + g.h / 2 - kWidth / 2, kLength, kWidth};
        o << "Ray" << k + 1 << '=' << Rect(ray) << "\nRayT" << k + 1 << '='
          << Corners(kDoorRayTexels) << "\nAngle" << k + 1 << '=' << (left ? 180 : 0) << '\n';
        o << "Flare" << k + 1 << '=' << g.x + g.w / 2 << ' ' << g.y + g.h / 2 << " 110\n";
        o << "FlareColor" << k + 1 << '=' << Colour(kDoorGemLight[k], 255) << '\n';
    }
    o << "Flare11=512 " << kDoorLeaf.y + kDoorLeaf.h / 2 << " 340\nFlareColor11=255 200 110 160\n";
    o << "NewFlareTime=0.25\nNewGemTime=0.5\nNewRayTime=0.4\nGemFlareW=0.4\n";
    o << "RainbowTime=2\nRainbowSize=256 12\nRainbowW=1\nRainbowLifeTime=0.5\nRainbowT=0.1\n\n";
    return o.str();
}

} // namespace backdrops
} // namespace gen
