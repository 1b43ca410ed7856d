// The Valley backdrop's pictures: the valley at dusk with the constellation
// that lights up star by star and points to the far temple, the clouds that
// drift over it, the strip that fades them out and the setting sun's rays.
#include <algorithm>
#include <cmath>
#include <sstream>

#include "ArtBackdropPaint.h"
#include "ArtSceneKit.h"
#include "ArtScenes.h"
#include "ArtStageLayout.h"
#include "GenCommon.h"

namespace gen {
namespace backdrops {

namespace {

using namespace scene;

constexpr int kStars = 8;
// The constellation, left to right above the mountains; its last line runs
// down to the temple's lit shrine.
constexpr Vec2 kStarAt[kStars] = {{240, 300}, {305, 250}, {380, 284}, {450, 236},
                                  {530, 268}, {600, 224}, {672, 262}, {735, 232}};
constexpr float kStarSize[kStars] = {1.0f, 0.8f, 0.9f, 1.1f, 0.85f, 1.0f, 0.9f, 1.25f};
constexpr int kStarPatch = 40;
inline Box StarScreen(int k) {
    return PatchAround(kStarAt[k].x, kStarAt[k].y, kStarPatch);
}
inline Box StarTexels(int k) {
    return PatchCell(k, kStarPatch);
}
// The line of light between two stars, drawn along +u.
constexpr Box kLineTexels{4, 824, 256, 16};
constexpr float kDuskSunX = 330.0f, kDuskSunY = 440.0f;
constexpr int kRaysTexture = 256;
constexpr int kCloudTexture = 512;
// The strip that fades the clouds out: 256 x 64 texels over the screen's top
// 248 rows (62 texel rows used).
constexpr int kMaskW = 256, kMaskH = 64, kMaskUsedH = 62;
constexpr Box kMaskScreen{0, 0, 1024, 248};
// The sheet ends about here on the screen; the fade is done before it.
constexpr float kSheetEndY = 192.0f;

constexpr uint32_t kStarLight[kStars] = {0xc8d8ff, 0xffe0b0, 0xd0c0ff, 0xfff0d0,
                                         0xb8e8ff, 0xffd0c0, 0xe0d0ff, 0xfff4c0};

// A star: a bright core with four long and four short points, and a halo.
float Star(Vec2 q, float size) {
    const float r = Length(q) / size;
    const float angle = std::atan2(q.y, q.x);
    const float points =
        std::pow(std::fabs(std::cos(2.0f * angle)), 24.0f) * Glow(r / 9.0f, 1.0f) +
        0.5f * std::pow(std::fabs(std::sin(2.0f * angle)), 40.0f) * Glow(r / 5.0f, 1.0f);
    return Clamp01(Glow(r / 1.6f, 1.0f) + 0.8f * points + 0.25f * Glow(r / 6.0f, 1.0f));
}

Rgb WithStars(Vec2 p, Rgb c, float lit) {
    for (int k = 0; k < kStars; ++k) {
        const Vec2 q = p - kStarAt[k];
        if (std::fabs(q.x) > 20.0f || std::fabs(q.y) > 20.0f)
            continue;
        const float s = Star(q, kStarSize[k] * (lit > 0 ? 1.0f : 0.45f));
        c = c + Hex(kStarLight[k]) * (s * (0.25f + 0.95f * lit));
    }
    return c;
}

// The lit star replaces the faint one: painted over the bare sky.
FloatImage StarPatch(const FloatImage& valley, int k) {
    return ScenePatch(valley, StarScreen(k), [&](Vec2 p, Rgb c) {
        const Vec2 q = p - kStarAt[k];
        const Rgb sky = c - Hex(kStarLight[k]) * (0.25f * Star(q, kStarSize[k] * 0.45f));
        return sky + Hex(kStarLight[k]) * (1.2f * Star(q, kStarSize[k]));
    });
}

FloatImage Line() {
    const Box b = kLineTexels;
    return RenderParallel(b.w, b.h, 4, [&](float x, float y) {
        const float u = x / float(b.w);
        const float across = (y - 0.5f * float(b.h)) / 1.6f;
        const float ends = SmoothStep(0.0f, 0.08f, u) * SmoothStep(1.0f, 0.92f, u);
        const float v = (Glow(across, 1.0f) + 0.3f * Glow(across * 0.3f, 1.0f)) * ends;
        const Rgb c = Hex(0xe0e8ff) * (0.8f * v);
        return Rgba{c.r, c.g, c.b, 1.0f};
    });
}

// The lit shrine of the temple on the second mountain range, where the scene
// painter puts it: on the range's crest at x 760, 58 texels above its base.
Vec2 Shrine() {
    constexpr float kX = 760.0f, kBase = 520.0f, kAmplitude = 190.0f, kStretch = 140.0f;
    constexpr float kSeed = 2.0f;
    const float broad = SmoothStep(0.2f, 0.8f, Fbm1(kX / (kStretch * 2.5f), kSeed + 10.0f));
    const float crest =
        kBase - kAmplitude * (0.65f * broad + 0.35f * Ridged1(kX / kStretch, kSeed));
    return {kX, crest + 14.0f - 58.0f};
}

// Clouds that tile both ways (the shared noise fields repeat every 512 and
// 256 texels), lit from below by the low sun, on a sky that stays black: the
// picture laid over them brings the sky's own colour.
FloatImage Clouds() {
    return RenderParallel(kCloudTexture, kCloudTexture, 2, [&](float x, float y) {
        const float body = Noise(0, x, y, 1.0f);
        const float cloud = SmoothStep(0.42f, 0.68f, body);
        // Thicker parts are darker inside; the sun catches the undersides.
        const float thick = SmoothStep(0.6f, 0.8f, body);
        const float underside = SmoothStep(0.4f, 0.65f, Noise(0, x + 37.0f, y + 91.0f, 1.0f));
        Rgb c = MixRgb(Hex(0x5a4078), Hex(0xf0a098), 0.3f + 0.6f * underside);
        c = MixRgb(c, Hex(0x302448), 0.45f * thick);
        c = c * (0.85f * cloud);
        return Rgba{c.r, c.g, c.b, 1.0f};
    });
}

} // namespace

std::string ValleyConfigText() {
    std::ostringstream o;
    o << "[Valley]\n";
    for (int k = 0; k < kStars; ++k) {
        o << "Gem" << k + 1 << '=' << Rect(StarScreen(k)) << '\n';
        o << "GemT" << k + 1 << '=' << Corners(StarTexels(k)) << '\n';
    }
    o << "RaysColor=255 255 255 190\nRaysMethod=Add\n";
    // Each line joins a star to the next; the last runs down to the shrine.
    const Vec2 shrine = Shrine();
    for (int k = 0; k <= kStars; ++k) {
        const Vec2 a = k < kStars ? kStarAt[k] : shrine;
        if (k < kStars) {
            const Vec2 b = k + 1 < kStars ? kStarAt[k + 1] : shrine;
            const Vec2 d = b - a, mid = (a + b) * 0.5f;
            const int length = int(std::lround(Length(d)));
            const Box ray{int(std::lround(mid.x)) - length / 2,
                          int(std::lround(mid.y)) - kLineTexels.h / 2, length, kLineTexels.h};
            // Screen y runs down; the angle is measured with y up.
            const float degrees = std::atan2(-d.y, d.x) * 180.0f / kPi;
            o << "Ray" << k + 1 << '=' << Rect(ray) << "\nRayT" << k + 1 << '='
              << Corners(kLineTexels) << "\nAngle" << k + 1 << '=' << std::lround(degrees) << '\n';
            o << "Flare" << k + 1 << '=' << int(a.x) << ' ' << int(a.y) << " 80\n";
            o << "FlareColor" << k + 1 << '=' << Colour(kStarLight[k], 255) << '\n';
        } else {
            o << "Flare9=" << int(a.x) << ' ' << int(a.y) << " 300\nFlareColor9=255 200 120 230\n";
        }
    }
    o << "FlareCenter=" << int(kDuskSunX) << ' ' << int(kDuskSunY)
      << "\nFlareRaysSize=900 900\nFlareRaysRotT=-75\n";
    o << "FOV=45\nCloudPos=386 1236\nCloudSize=2100 1250\nCloudTFactor=0.0007\n"
      << "CloudTSpeed=0.004 -0.012\n";
    o << "Mask=" << Rect(kMaskScreen) << "\nMaskT=0 0 " << kMaskW << ' ' << kMaskUsedH << '\n';
    o << "CloudTexture=ValleyCloud.jpg\nMaskTexture=ValleyMask.tga\nFlareRaysTexture="
         "ValleyFlareRays.tga\n";
    o << "NewFlareTime=0.25\nNewGemTime=0.5\nNewRayTime=0.4\nGemFlareW=0.3\n";
    o << "RainbowTime=2\nRainbowSize=256 12\nRainbowW=1\nRainbowLifeTime=0.5\nRainbowT=0.1\n";
    return o.str();
}

} // namespace backdrops
} // namespace gen

namespace gen {
namespace backdrops {

bool WriteValleyArt(const std::filesystem::path& gfx, std::string& error) {
    const FloatImage scene = PaintBackdrop(3);
    const FloatImage valley =
        RenderAdaptive(kSceneWidth, kSceneHeight, 0.02f, [&](float x, float y) {
            const Rgb c =
                WithStars(Vec2{x, y}, ToRgb(SampleBilinear(scene, x - 0.5f, y - 0.5f)), 0.0f);
            return Rgba{c.r, c.g, c.b, 1.0f};
        });
    FloatImage picture(kPictureSize, kPictureSize);
    for (Rgba& px : picture.Pixels())
        px = Rgba{0, 0, 0, 1};
    picture.Blit(valley, 0, 0);
    for (int k = 0; k < kStars; ++k)
        picture.Blit(StarPatch(valley, k), StarTexels(k).x, StarTexels(k).y);
    picture.Blit(Line(), kLineTexels.x, kLineTexels.y);
    if (!SaveJpeg(gfx / "Valley.jpg", picture, kBackdropQuality, error) ||
        !SaveJpeg(gfx / "ValleyCloud.jpg", Clouds(), kBackdropQuality, error))
        return false;
    // Black keeps the clouds, white takes them away: they thin out well
    // before the sheet's far edge, and a little more around the sun.
    const float rowsPerTexel = float(kMaskScreen.h) / float(kMaskUsedH);
    const FloatImage mask = RenderParallel(kMaskW, kMaskH, 2, [&](float x, float y) {
        const float sy = y * rowsPerTexel, sx = x * float(kMaskScreen.w) / float(kMaskW);
        const float wave = 10.0f * std::sin(sx / 90.0f) + 6.0f * std::sin(sx / 37.0f + 1.0f);
        const float fade = SmoothStep(kSheetEndY - 70.0f + wave, kSheetEndY - 8.0f, sy);
        const float sun =
            0.3f * Glow((sx - kDuskSunX) / 220.0f, 1.0f) * SmoothStep(40.0f, 160.0f, sy);
        const float a = Clamp01(fade + sun);
        return Rgba{a, a, a, 1.0f};
    });
    if (!SaveTgaOne(gfx / "ValleyMask.tga", mask, error))
        return false;
    const FloatImage fan = RayFan(kRaysTexture, 0xffb070, [](float angle, float r) {
        const float rays = std::pow(0.5f + 0.5f * std::cos(angle * 6.0f), 10.0f) * 0.6f +
                           std::pow(0.5f + 0.5f * std::cos(angle * 13.0f + 0.8f), 16.0f) * 0.35f;
        return 0.7f * Clamp01(rays * SoftDisc(r) * SmoothStep(0.05f, 0.3f, r) +
                              0.3f * Glow(r / 0.25f, 1.0f) * SmoothStep(0.03f, 0.15f, r));
    });
    return SaveTgaPair(gfx, "ValleyFlareRays", fan, Store::Premultiplied, error);
}

} // namespace backdrops
} // namespace gen
