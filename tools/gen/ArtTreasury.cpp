// The Treasury backdrop's pictures: the vault with its hoard and a row of gem
// sockets, the sun-ray sheet and the shaft of light that shapes it and the
// dust, and the elements sheet: the gold ornament hanging from the top, the
// closed chest and the shadow under it.
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

Vec2 GemCentre(int k) {
    return {TreasuryGemX(k), TreasuryGemY(k)};
}

// How strongly the shaft of light from above falls on p (0..1).
float Shaft(Vec2 p) {
    return Glow((p.x - 512.0f) / (90.0f + 0.45f * p.y), 1.0f) * (1.0f - 0.45f * p.y / kH);
}

Rgb VaultAt(const FloatImage& vault, Vec2 p) {
    Rgb c = ToRgb(SampleBilinear(vault, p.x - 0.5f, p.y - 0.5f));
    for (int k = 0; k < kTreasuryGems; ++k) {
        const Vec2 q = p - GemCentre(k);
        const float r = Length(q);
        if (r > 21.0f)
            continue;
        // A gold setting round a dark hollow, its shadow to the lower right.
        const float shadow = SmoothStep(23.0f, 16.0f, Length(q - Vec2{3, 4}));
        c = c * (1.0f - 0.5f * shadow);
        if (r > 15.0f) {
            const float u = (r - 18.0f) / 3.0f;
            c = MixRgb(c, GoldShade(Normalize(Vec3{q.x / r * u, q.y / r * u, 1.0f}), 0.55f),
                       Coverage(r - 20.5f));
        } else {
            c = Hex(0x160e06) * (0.5f + 0.6f * SmoothStep(15.0f, 4.0f, Length(q - Vec2{3, 3})));
        }
    }
    return c;
}

// The closed chest at q (texels of its 302 x 264 cell): planked wood under a
// domed lid, gold bands and studs, a lock plate with a jade stone.
Rgba ChestAt(Vec2 q) {
    const auto body = [](Vec2 v) { return SdBox(v - Vec2{151, 182}, {140, 76}, 6.0f); };
    const auto lid = [](Vec2 v) {
        return Intersect(SdEllipse(v - Vec2{151, 112}, {144, 84}), v.y - 112.0f);
    };
    const float db = body(q), dl = lid(q);
    const float d = Union(db, dl);
    if (d > 1.0f)
        return {};
    const bool onLid = dl < db;
    Vec3 n{0, 0, 1};
    if (onLid) {
        const Vec2 e{(q.x - 151.0f) / 144.0f, (q.y - 112.0f) / 84.0f};
        n = Normalize(Vec3{e.x * 0.9f, e.y * 0.9f, 1.0f});
    } else {
        n = BevelNormal(db, SdGradient(body, q), 6.0f, 1.0f);
    }
    // Wood: planks along the chest, grain, darker in the joints.
    const float plank = std::fmod(q.y + 400.0f, 24.0f);
    Rgb wood = Hex(0x6a3a18) * (0.7f + 0.3f * Noise(1, q.x * 0.25f, q.y * 4.0f, 1.0f));
    if (plank < 2.0f)
        wood = wood * 0.45f;
    Rgb c = MattShade(n, wood, 0.15f) * 1.5f;
    // Gold: the rim between lid and body, two bands over both, the edges.
    const bool band = std::fabs(std::fabs(q.x - 151.0f) - 78.0f) < 9.0f;
    const bool rim = std::fabs(q.y - 112.0f) < 7.0f;
    const bool edge = db < 0 && db > -8.0f && !onLid;
    if (band || rim || edge) {
        Vec3 g = n;
        if (rim)
            g = Normalize(Vec3{n.x, (q.y - 112.0f) / 7.0f, 1.0f});
        else if (band)
            g = Normalize(
                Vec3{(std::fabs(q.x - 151.0f) - 78.0f) / 9.0f * (q.x < 151.0f ? -1.0f : 1.0f), n.y,
                     1.0f});
        c = GoldShade(g, 0.55f);
        // Studs along the bands.
        if (band && std::fmod(q.y + 400.0f, 22.0f) < 5.0f &&
            std::fabs(std::fabs(q.x - 151.0f) - 78.0f) < 2.5f)
            c = GoldShade(Normalize(Vec3{-0.4f, -0.5f, 1.0f}), 0.9f);
    }
    // The lock plate with its jade stone and keyhole.
    const auto plate = [](Vec2 v) { return SdBox(v - Vec2{151, 142}, {24, 30}, 5.0f); };
    const float dp = plate(q);
    if (dp < 0.5f) {
        const Vec3 pn = BevelNormal(dp, SdGradient(plate, q), 4.0f, 1.2f);
        c = MixRgb(c, GoldShade(pn, 0.6f), Coverage(dp));
        const Vec2 k = q - Vec2{151, 154};
        if (Length(k) < 4.0f || (std::fabs(k.x) < 1.8f && k.y > 0 && k.y < 11.0f))
            c = Hex(0x0a0604);
        const Vec2 j = q - Vec2{151, 128};
        if (Length(j) < 9.0f)
            c = MattShade(Normalize(Vec3{j.x / 12.0f, j.y / 12.0f, 1.0f}), Hex(palette::kJade),
                          0.8f) *
                1.3f;
    }
    // A little warmth from the hoard below.
    c = c * (0.85f + 0.3f * SmoothStep(120.0f, 264.0f, q.y));
    return Premultiply(c, Coverage(d));
}

// The gold ornament hanging from the top of the screen: a carved band, a sun
// fan with turquoise inlay round a jade boss, and two pendants.
Rgba OrnamentAt(Vec2 q) {
    const float cx = 0.5f * float(kOrnamentTexels.w);
    const auto band = [&](Vec2 v) { return SdBox(v - Vec2{cx, 20}, {cx - 3.0f, 17}, 4.0f); };
    const auto fan = [&](Vec2 v) {
        return Intersect(Length(v - Vec2{cx, 30}) - 150.0f, 30.0f - v.y);
    };
    float pendants = 1e9f;
    for (float x : {46.0f, float(kOrnamentTexels.w) - 46.0f}) {
        pendants = Union(pendants, SdBox(Vec2{q.x - x, q.y - 100.0f}, {2.0f, 64.0f}));
        pendants = Union(pendants, SdEllipse(q - Vec2{x, 186.0f}, {13.0f, 22.0f}));
    }
    const float d = Union(Union(band(q), fan(q)), pendants);
    if (d > 1.0f)
        return {};
    Rgb c;
    const float db = band(q), df = fan(q);
    if (db < 0.5f) {
        c = GoldShade(BevelNormal(db, SdGradient(band, q), 5.0f, 1.0f), 0.5f);
        // Carved glyphs along the band.
        const float cell = std::fmod(q.x, 28.0f);
        if (cell > 8.0f && cell < 20.0f && std::fabs(q.y - 20.0f) < 7.0f && db < -5.0f)
            c = c * (std::fabs(q.y - 20.0f) < 3.0f ? 0.45f : 0.7f);
    } else if (df < 0.5f) {
        const Vec2 s = q - Vec2{cx, 30};
        const float r = Length(s);
        const float a = std::atan2(s.y, s.x);
        Vec3 n = BevelNormal(df, SdGradient(fan, q), 8.0f, 1.0f);
        c = GoldShade(n, 0.45f);
        const float ray = std::fabs(std::sin(a * 9.0f));
        if (r > 60.0f && r < 128.0f && ray > 0.55f)
            c = MattShade(Normalize(Vec3{s.x / r * 0.3f, s.y / r * 0.3f, 1.0f}),
                          Hex(palette::kTurquoise), 0.5f) *
                1.3f;
        if (std::fabs(r - 134.0f) < 3.0f || std::fabs(r - 56.0f) < 3.0f)
            c = GoldShade(Normalize(Vec3{s.x / r, s.y / r, 1.5f}), 0.8f);
        if (r < 44.0f)
            c = MattShade(Normalize(Vec3{s.x / 60.0f, (s.y - 20.0f) / 60.0f, 1.0f}),
                          Hex(palette::kJade), 0.8f) *
                1.3f;
    } else {
        // Chains and jade drops.
        const bool drop = q.y > 160.0f;
        c = drop ? MattShade(Normalize(Vec3{(std::fmod(q.x, 200.0f) - 46.0f) / 16.0f,
                                            (q.y - 186.0f) / 24.0f, 1.0f}),
                             Hex(palette::kJadeLight), 0.9f)
                 : GoldShade(Normalize(Vec3{0.3f, 0, 1}), 0.4f) *
                       (std::fmod(q.y, 8.0f) < 2.0f ? 0.5f : 1.0f);
    }
    return Premultiply(c, Coverage(d));
}

} // namespace

FloatImage PaintTreasuryPicture() {
    const FloatImage vault = PaintBackdrop(5);
    const FloatImage scene =
        RenderAdaptive(kSceneWidth, kSceneHeight, 0.02f, [&](float x, float y) {
            const Rgb c = VaultAt(vault, Vec2{x, y});
            return Rgba{c.r, c.g, c.b, 1.0f};
        });
    FloatImage out = StagePicture(scene);
    for (int k = 0; k < kTreasuryGems; ++k)
        out.Blit(GemPatch(scene, TreasuryGemScreen(k), kTreasuryGemColours[k], 30, 1.0f),
                 TreasuryGemTexels(k).x, TreasuryGemTexels(k).y);
    out.Blit(PaintLightBeam(kTreasuryBeamTexels), kTreasuryBeamTexels.x, kTreasuryBeamTexels.y);
    return out;
}

FloatImage PaintTreasuryRays() {
    // Streaks of sunlight down the sheet, brightest at the top.
    const float size = float(kTreasuryRays);
    return RenderParallel(kTreasuryRays, kTreasuryRays, 2, [&](float x, float y) {
        const float u = x / size, v = y / size;
        float streaks = 0;
        for (int i = 0; i < 7; ++i) {
            const float at = 0.1f + 0.13f * float(i) + 0.04f * (HashUnit(i, 0, 51) - 0.5f);
            const float width = 0.012f + 0.03f * HashUnit(i, 1, 51);
            streaks += (0.4f + 0.6f * HashUnit(i, 2, 51)) * Glow((u - at) / width, 1.0f);
        }
        const float fade =
            SmoothStep(1.0f, 0.05f, v) * SmoothStep(0.0f, 0.08f, u) * SmoothStep(1.0f, 0.92f, u);
        const Rgb c = Hex(0xffe0a0) * (0.4f * Clamp01(streaks) * fade);
        return Rgba{c.r, c.g, c.b, 1.0f};
    });
}

FloatImage PaintTreasuryMask() {
    // The mask's top three quarters span the screen. Its alpha may be kept
    // in one bit, so the shape lies in its colour.
    const float scale = kW / float(kTreasuryMask);
    return RenderParallel(kTreasuryMask, kTreasuryMask, 2, [&](float x, float y) {
        const float v = Clamp01(SmoothStep(0.08f, 0.9f, Shaft(Vec2{x * scale, y * scale})) * 0.5f);
        return Rgba{v, v, v, 1.0f};
    });
}

FloatImage PaintTreasuryElements() {
    FloatImage out(kElementsSheet, kElementsSheet);
    out.Blit(RenderParallel(kOrnamentTexels.w, kOrnamentTexels.h, 3,
                            [&](float x, float y) {
                                return OrnamentAt(Vec2{x, y});
                            }),
             kOrnamentTexels.x, kOrnamentTexels.y);
    out.Blit(RenderParallel(kChestTexels.w, kChestTexels.h, 3,
                            [&](float x, float y) {
                                return ChestAt(Vec2{x, y});
                            }),
             kChestTexels.x, kChestTexels.y);
    // The shadow darkens by its colour: a soft oval along the strip.
    const Box& s = kChestShadowTexels;
    out.Blit(RenderParallel(s.w, s.h, 2,
                            [&](float x, float y) {
                                const float r = Length(Vec2{(x - 0.5f * s.w) / (0.5f * s.w),
                                                            (y - 0.5f * s.h) / (0.5f * s.h)});
                                const float v = 0.7f * SoftDisc(r);
                                return Rgba{v, v, v, 1.0f};
                            }),
             s.x, s.y);
    return out;
}

std::string TreasuryConfigText() {
    std::ostringstream o;
    o << "[Treasury]\n";
    o << "DustTexture=TreasuryDust.tga\nMaskTexture=TreasuryMask.tga\nElementsTexture="
         "TreasuryElements.tga\n";
    o << "DustLayersCount=4\nDustSizeFactor=4\nDustAdd=1\nWhiteDust=1\n";
    o << "SunRaysTForm0=-0.25 0.1\nSunRaysTForm1=1 0.1\nSunRaysTForm2=1.25 1.1\nSunRaysTForm3=0 "
         "1.1\n"
         "SunRaysTVec1=0.12 0\nSunRaysTVec2=0 0.03\nSunRaysW=0.35\n";
    o << "DustVec_0=0.004 -0.010\nDustVec_1=0.006 -0.008\nDustVec_2=0.003 -0.012\nDustVec_3=0.005 "
         "-0.007\n";
    const int cx = kChestScreen.x + kChestScreen.w / 2, cy = kChestScreen.y + kChestScreen.h / 2;
    o << "ChestRaysColor=255 240 120 255\nChestRaysCenter=" << cx << ' ' << cy
      << "\nChestRaysR=120\nChestRaysSize=256 "
         "16\nChestRaysTime=2\nChestRaysT=0.2\nChestFadeTime=0.1\n";
    o << "ChestForm=" << Rect(kChestScreen) << "\nChestTForm=" << Corners(kChestTexels)
      << "\nChestCrack=8 8\nChestRotAccel=0.1\nChestAccelArea=100 20\nChestFlashColor=255 255 160 "
         "255\n";
    o << "ChestGlowWormsColor=0 0 0 0\nChestGlowWormsSize=32\nChestGlowWormsSpeed=120\n"
         "ChestGlowWormsW=3\nChestGlowWormsT=0.2\n";
    for (int k = 0; k < kTreasuryGems; ++k) {
        o << "Gem" << k + 1 << '=' << Rect(TreasuryGemScreen(k)) << '\n';
        o << "GemT" << k + 1 << '=' << Corners(TreasuryGemTexels(k)) << '\n';
    }
    o << "RaysColor=255 236 190 220\nRaysMethod=Add\n";
    static const uint32_t kLight[7] = {0x60ff9a, 0xffd850, 0xff5a40, 0x60a0ff,
                                       0xffa040, 0xf0f4ff, 0xc070ff};
    for (int k = 0; k < kTreasuryGems; ++k) {
        const int x = int(TreasuryGemX(k)), y = int(TreasuryGemY(k));
        const Box& b = kTreasuryBeamTexels;
        // The beam rises from the gem: drawn along +u, turned upright.
        const Box ray{x - b.w / 2, y - 6 - b.w / 2 - b.h / 2, b.w, b.h};
        o << "Ray" << k + 1 << '=' << Rect(ray) << "\nRayT" << k + 1 << '=' << Corners(b)
          << "\nAngle" << k + 1 << "=90\n";
        o << "Flare" << k + 1 << '=' << x << ' ' << y << " 120\n";
        o << "FlareColor" << k + 1 << '=' << Colour(kLight[kTreasuryGemColours[k]], 255) << '\n';
    }
    o << "Flare13=" << cx << ' ' << cy << " 560\nFlareColor13=255 210 120 230\n";
    o << "NewFlareTime=0.25\nNewGemTime=0.5\nNewRayTime=0.4\nGemFlareW=0.125\n";
    o << "RainbowTime=2\nRainbowSize=256 12\nRainbowW=1\nRainbowLifeTime=0.5\nRainbowT=0.1\n\n";
    return o.str();
}

} // namespace backdrops
} // namespace gen
