// The Jungle backdrop's pictures: the clearing with its temple, the glyph
// sockets that light up on its stair, the mist, the sunbeams and the mask that
// keeps the fireflies in the shadows.
#include <algorithm>
#include <cmath>
#include <sstream>

#include "ArtBackdropPaint.h"
#include "ArtSceneKit.h"
#include "ArtScenes.h"
#include "ArtStageLayout.h"
#include "GenCommon.h"
#include "tools/lib/ImageWriter.h"

namespace gen {
namespace backdrops {

namespace {

using namespace scene;

// The temple of the clearing (as the scene paints it): terraces from its base
// row up, the stair in the middle.
constexpr float kTempleX = 650.0f, kTempleBase = 620.0f, kTierHeight = 52.0f;
constexpr float kStairHalf = 34.0f;
constexpr int kSockets = 6;
// A row of glyph sockets along the base terrace, left of the stair.
constexpr float kSocketX0 = 420.0f, kSocketStep = 36.0f, kSocketRadius = 14.0f;
constexpr int kSocketPatch = 40;
inline float SocketX(int k) {
    return kSocketX0 + kSocketStep * float(k);
}
constexpr float kSocketY = kTempleBase - 0.5f * kTierHeight;
inline Box SocketScreen(int k) {
    return PatchAround(SocketX(k), kSocketY, kSocketPatch);
}
inline Box SocketTexels(int k) {
    return PatchCell(k, kSocketPatch);
}
// The shaft of light that rises from a lit socket, drawn along +u, and its
// size on the screen.
constexpr Box kShaftTexels{4, 824, 192, 40};
constexpr int kShaftLength = 150, kShaftWidth = 30;
constexpr float kShaftLift = 6.0f;
// The shrine on the top terrace, where the last flare blooms.
constexpr float kShrineY = kTempleBase - 6.5f * kTierHeight;
// The sky's glow the sunbeams turn about.
constexpr float kJungleSunX = 600.0f, kJungleSunY = 110.0f;
constexpr int kRaysTexture = 256;
// The mist: screen rectangle, texture and mask sizes.
constexpr Box kFogScreen{120, 470, 800, 290};
constexpr int kFogW = 512, kFogH = 256, kFogMaskW = 256, kFogMaskH = 128;
constexpr float kFogRepeat = 2.5f;
// The fireflies' area: its box on the screen and the two edges of the slanted
// band inside it (screen y down).
constexpr Box kFlashScreen{150, 540, 720, 220};
constexpr float kFlashRise = 40.0f;
constexpr int kMaskColumns = 256, kMaskRows = 102;

constexpr uint32_t kJadeLight[kSockets] = {0x7fe0aa, 0x8ff0e6, 0x9af07a,
                                           0x70e0c8, 0xb0f090, 0xffe08a};

// A carved sun glyph in a round socket; `lit` fills it with jade light.
Rgb Socket(Vec2 p, Rgb c, int k, float lit) {
    const Vec2 q = p - Vec2{SocketX(k), kSocketY};
    const float r = Length(q);
    if (r > kSocketRadius + 8.0f)
        return c;
    // A sunk ring of darker stone with a lit lower-right lip.
    const float ring = std::fabs(r - kSocketRadius) - 2.0f;
    const Vec2 n = r > 0 ? q * (1.0f / r) : Vec2{0, 0};
    const float lip = Clamp01(0.5f + 0.5f * (n.x * 0.6f + n.y * 0.8f));
    c = MixRgb(c, c * (0.45f + 0.9f * lip), Coverage(ring) * 0.8f);
    if (r < kSocketRadius - 1.0f) {
        c = c * 0.55f; // the hollow
        const float angle = std::atan2(q.y, q.x);
        const float rays = std::pow(0.5f + 0.5f * std::cos(angle * 8.0f), 4.0f);
        const float glyph = std::max(Coverage(r - 5.5f),
                                     rays * SmoothStep(7.0f, 9.0f, r) *
                                         SmoothStep(kSocketRadius - 2.0f, kSocketRadius - 5.0f, r));
        const Rgb jade = Hex(palette::kJade) * 0.55f;
        const Rgb light = Hex(kJadeLight[k]);
        c = MixRgb(c, MixRgb(jade, light * 1.3f, lit), glyph);
    }
    // The glow the lit glyph throws on the stone around it.
    return c + Hex(kJadeLight[k]) * (0.55f * lit * Glow(r / 18.0f, 1.0f));
}

FloatImage SocketPatch(const FloatImage& clearing, int k) {
    return ScenePatch(clearing, SocketScreen(k),
                      [&](Vec2 p, Rgb c) { return Socket(p, c, k, 1.0f); });
}

// The shaft: bright at its foot (u = 0), thinning and fading as it rises.
FloatImage Shaft() {
    const Box b = kShaftTexels;
    return RenderParallel(b.w, b.h, 4, [&](float x, float y) {
        const float u = x / float(b.w);
        const float across = (y - 0.5f * float(b.h)) / Mix(6.0f, 3.0f, u);
        const float fade = std::pow(1.0f - u, 1.3f) * SmoothStep(0.0f, 0.05f, u);
        const float edge = SmoothStep(0.5f * float(b.h), 0.5f * float(b.h) - 3.0f,
                                      std::fabs(y - 0.5f * float(b.h)));
        const float core = Glow(across, 1.0f) + 0.4f * Glow(across * 0.4f, 1.0f);
        const Rgb c = Hex(0xd8ffd0) * (0.6f * core * fade * edge);
        return Rgba{c.r, c.g, c.b, 1.0f};
    });
}

// Mist in soft billows that tiles both ways: four reads of smooth noise, one
// shifted by a whole picture in x, in y and in both, weighted so that the
// value at one edge equals the value at the opposite one.
float Mist(float x, float y, float w, float h) {
    const float fx = x / w, fy = y / h;
    const auto at = [](float px, float py) { return Noise(0, px * 0.02f, py * 0.035f, 1.0f); };
    const float v = at(x, y) * (1 - fx) * (1 - fy) + at(x - w, y) * fx * (1 - fy) +
                    at(x, y - h) * (1 - fx) * fy + at(x - w, y - h) * fx * fy;
    return SmoothStep(0.3f, 0.75f, v);
}

} // namespace

std::string JungleConfigText() {
    std::ostringstream o;
    o << "[Jungle]\n";
    for (int k = 0; k < kSockets; ++k) {
        o << "Gem" << k + 1 << '=' << Rect(SocketScreen(k)) << '\n';
        o << "GemT" << k + 1 << '=' << Corners(SocketTexels(k)) << '\n';
    }
    o << "RaysColor=255 255 255 150\nRaysMethod=Add\n";
    for (int k = 0; k <= kSockets; ++k) {
        if (k < kSockets) {
            const float cy = kSocketY - kShaftLift - 0.5f * float(kShaftLength);
            const Box ray{int(SocketX(k)) - kShaftLength / 2, int(cy) - kShaftWidth / 2,
                          kShaftLength, kShaftWidth};
            o << "Ray" << k + 1 << '=' << Rect(ray) << "\nRayT" << k + 1 << '='
              << Corners(kShaftTexels) << "\nAngle" << k + 1 << "=90\n";
            o << "Flare" << k + 1 << '=' << int(SocketX(k)) << ' ' << int(kSocketY) << " 72\n";
            o << "FlareColor" << k + 1 << '=' << Colour(kJadeLight[k], 150) << '\n';
        } else {
            o << "Flare7=" << int(kTempleX) << ' ' << int(kShrineY) << " 260\n";
            o << "FlareColor7=255 226 150 220\n";
        }
    }
    o << "NewFlareTime=0.25\nNewGemTime=0.5\nNewRayTime=0.4\nGemFlareW=0.4\n";
    o << "RainbowTime=2\nRainbowSize=256 12\nRainbowW=1\nRainbowLifeTime=0.5\nRainbowT=0.1\n";
    o << "FogTexture=JungleFog.jpg\nMaskTexture=JungleMask.tga\nFlareRaysTexture="
         "JungleFlareRays.tga\n";
    o << "Fog=" << Rect(kFogScreen) << "\nFogTSize=" << kFogRepeat << ' ' << 1
      << "\nFogTVector=0.012 0\n";
    o << "FlareCenter=" << int(kJungleSunX) << ' ' << int(kJungleSunY)
      << "\nFlareRaysSize=900 900\n"
      << "FlareRaysRotT=-90\n";
    o << "FlashArea=" << Rect(kFlashScreen) << "\nFlashBasis=" << kFlashScreen.w << ' '
      << -kFlashRise << " 0 " << -(kFlashScreen.h - kFlashRise) << '\n';
    o << "FlashT=0.09\nFlashLifeTime=1.8\nFlashColor=255 236 150 255\nFlashSize=18\n"
      << "FlashCenter=" << kFlashScreen.x + kFlashScreen.w / 2
      << "\nFlashMinSpeed=6\nFlashMaxSpeed=22\n\n";
    return o.str();
}

bool WriteJungleArt(const std::filesystem::path& gfx, std::string& error) {
    const FloatImage scene = PaintBackdrop(2);
    const FloatImage clearing =
        RenderAdaptive(kSceneWidth, kSceneHeight, 0.02f, [&](float x, float y) {
            const Vec2 p{x, y};
            Rgb c = ToRgb(SampleBilinear(scene, x - 0.5f, y - 0.5f));
            for (int k = 0; k < kSockets; ++k)
                c = Socket(p, c, k, 0.0f);
            return Rgba{c.r, c.g, c.b, 1.0f};
        });
    FloatImage picture(kPictureSize, kPictureSize);
    for (Rgba& px : picture.Pixels())
        px = Rgba{0, 0, 0, 1};
    picture.Blit(clearing, 0, 0);
    for (int k = 0; k < kSockets; ++k)
        picture.Blit(SocketPatch(clearing, k), SocketTexels(k).x, SocketTexels(k).y);
    picture.Blit(Shaft(), kShaftTexels.x, kShaftTexels.y);
    if (!SaveJpeg(gfx / "Jungle.jpg", picture, kBackdropQuality, error))
        return false;

    const FloatImage fog = RenderParallel(kFogW, kFogH, 2, [&](float x, float y) {
        const float m = Mist(x, y, float(kFogW), float(kFogH));
        const Rgb c = Hex(0xd8e8c0) * (0.05f + 0.42f * m);
        return Rgba{c.r, c.g, c.b, 1.0f};
    });
    if (!SaveJpeg(gfx / "JungleFog.jpg", fog, kBackdropQuality, error))
        return false;
    // The mist hangs low over the clearing and thins towards every edge.
    const FloatImage fogMask = RenderParallel(kFogMaskW, kFogMaskH, 2, [&](float x, float y) {
        const float u = x / float(kFogMaskW), v = y / float(kFogMaskH);
        const float across = SmoothStep(0.0f, 0.25f, u) * SmoothStep(1.0f, 0.75f, u);
        const float down = SmoothStep(0.0f, 0.45f, v) * SmoothStep(1.0f, 0.8f, v);
        // Grey, opaque: the mist is added in proportion to the grey.
        const float g = Clamp01(0.85f * across * down);
        return Rgba{g, g, g, 1.0f};
    });
    if (!SaveTgaOne(gfx / "JungleMask.tga", fogMask, error))
        return false;

    // Uneven beams, as light broken by leaves.
    const FloatImage fan = RayFan(kRaysTexture, 0xfff0b8, [](float angle, float r) {
        const float beams = std::pow(0.5f + 0.5f * std::cos(angle * 7.0f + 0.3f), 8.0f) * 0.7f +
                            std::pow(0.5f + 0.5f * std::cos(angle * 11.0f + 1.9f), 14.0f) * 0.5f;
        return 0.5f * Clamp01(beams * SoftDisc(r) * SmoothStep(0.04f, 0.25f, r) +
                              0.2f * Glow(r / 0.3f, 1.0f) * SmoothStep(0.04f, 0.2f, r));
    });
    if (!SaveTgaPair(gfx, "JungleFlareRays", fan, Store::Premultiplied, error))
        return false;

    // Fireflies show against the dark leaves, not the pale haze: the mask is
    // bright where the clearing is dark, and fades out at the area's border.
    std::vector<uint8_t> mask(size_t(kMaskColumns) * kMaskRows * 3);
    for (int r = 0; r < kMaskRows; ++r)
        for (int c = 0; c < kMaskColumns; ++c) {
            const float u = (float(c) + 0.5f) / kMaskColumns, v = (float(r) + 0.5f) / kMaskRows;
            const float x = float(kFlashScreen.x) + u * float(kFlashScreen.w);
            const float y = float(kFlashScreen.y) + v * float(kFlashScreen.h);
            const Rgba at = SampleBilinear(clearing, std::min(x, kSceneWidth - 1.0f),
                                           std::min(y, kSceneHeight - 1.0f));
            const float dark = SmoothStep(0.3f, 0.06f, Luminance(ToRgb(at)));
            const float border = SmoothStep(0.0f, 0.1f, u) * SmoothStep(1.0f, 0.9f, u) *
                                 SmoothStep(0.0f, 0.15f, v) * SmoothStep(1.0f, 0.85f, v);
            const uint8_t g = uint8_t(std::lround(255.0f * Clamp01(dark * border)));
            uint8_t* px = &mask[(size_t(r) * kMaskColumns + size_t(c)) * 3];
            px[0] = px[1] = px[2] = g;
        }
    const std::filesystem::path maskPath = gfx / "JungleFlashMask.bmp";
    if (!tk::WriteBmp(maskPath.string(), {mask.data(), kMaskColumns, kMaskRows, 3})) {
        error = "cannot write " + maskPath.string();
        return false;
    }
    return true;
}

} // namespace backdrops
} // namespace gen
