#include "IconArt.h"

#include <cmath>
#include <cstdio>

#include "CapsGems.h"
#include "GenCommon.h"
#include "Sdf.h"
#include "tools/lib/ImageWriter.h"

namespace gen {

namespace {

constexpr int kSamples = 4;    // per texel and axis
constexpr int kRubyRecord = 2; // the red token: it stands out most on green stone
// Shares of the icon's size.
constexpr float kMargin = 0.04f;      // transparent border around the tablet
constexpr float kCorner = 0.19f;      // the tablet's corner radius
constexpr float kInlayInset = 0.075f; // the gold line, in from the tablet's edge
constexpr float kInlayWidth = 0.022f;
constexpr float kGemShare = 0.74f; // the gem's cell
// The thinnest inlay and bevel, in texels, so that they still show at 48 px.
constexpr float kMinLine = 1.1f;

const Rgb kStoneLight = FromHex(0x1f6a4a); // jungle green where the light falls
const Rgb kStoneDark = FromHex(0x1a0f33);  // dusky violet in the far corner
const Rgb kGold = FromHex(0xe8b54a);
const Rgb kGoldDark = FromHex(0x6a4410);
const Rgb kTorch = FromHex(0xffb45a);

} // namespace

FloatImage PaintIcon(int size) {
    const float s = float(size);
    const float half = 0.5f * s * (1.0f - 2.0f * kMargin);
    const float corner = kCorner * s;
    const float inset = kInlayInset * s;
    const float line = std::max(kMinLine, kInlayWidth * s);
    const float bevel = std::max(kMinLine, 0.02f * s);
    const Vec3 light = LightDirection();
    const Vec2 lightFlat = Normalize(Vec2{light.x, light.y});
    const NoiseField grain(128, 6, 4, 0.55f, 907);
    const Vec2 centre{0.5f * s, 0.5f * s};
    FloatImage icon = RenderSupersampled(size, size, kSamples, [&](float x, float y) {
        const Vec2 p = Vec2{x, y} - centre;
        const float d = SdBox(p, {half, half}, corner);
        const float cover = Clamp01(0.5f - d);
        if (cover <= 0)
            return Rgba{};
        // Stone: green towards the light, violet away from it, with grain.
        const Vec2 u = p * (1.0f / half);
        const float towards = Clamp01(0.5f - 0.35f * Dot(u, lightFlat));
        const float g = grain.Sample(x * 128.0f / s, y * 128.0f / s);
        Rgb c = MixRgb(kStoneDark, kStoneLight, towards) * (0.82f + 0.36f * g);
        // Torchlight glowing behind the gem.
        c = c + kTorch * (0.30f * std::exp(-Dot(u, u) / 0.35f));
        // The tablet's bevelled edge: bright facing the light, dark away.
        const float edge = Bell(d / bevel);
        Vec2 out = Length(p) > 0 ? Normalize(p) : Vec2{0, 0};
        const float facing = Dot(out, lightFlat);
        c = c + Rgb{1, 1, 1} * (0.45f * edge * std::max(0.0f, facing));
        c = c * (1.0f - 0.55f * edge * std::max(0.0f, -facing));
        // The gold inlay line, lit along the edge that faces the light.
        const float ring =
            std::fabs(SdBox(p, {half - inset, half - inset}, corner - inset)) - 0.5f * line;
        const float inlay = Clamp01(0.5f - ring);
        if (inlay > 0) {
            const Rgb gold = MixRgb(kGoldDark, kGold, Clamp01(0.55f - 0.6f * Dot(u, lightFlat)));
            c = MixRgb(c, gold, inlay);
        }
        return Premultiply(c, cover);
    });
    const int gem = int(std::lround(kGemShare * s));
    const FloatImage ruby = PaintTokenAtRest(kRubyRecord, gem);
    icon.BlitOver(ruby, (size - gem) / 2, (size - gem) / 2);
    return icon;
}

int WriteIcon(const std::filesystem::path& file, int size) {
    std::string error;
    if (!EnsureFolder(file.parent_path(), error)) {
        std::fprintf(stderr, "gv_icon: %s\n", error.c_str());
        return 1;
    }
    const std::vector<uint8_t> rgba = ToRgba8(PaintIcon(size));
    if (!tk::WritePng(file.string(), tk::PixelView{rgba.data(), size, size, 4})) {
        std::fprintf(stderr, "gv_icon: cannot write %s\n", file.string().c_str());
        return 1;
    }
    return 0;
}

int GenerateIcons(const std::filesystem::path& theme, const std::string& name) {
    for (const int size : kIconSizes) {
        const std::string dims = std::to_string(size) + "x" + std::to_string(size);
        if (WriteIcon(theme / dims / "apps" / (name + ".png"), size) != 0)
            return 1;
    }
    return 0;
}

} // namespace gen
