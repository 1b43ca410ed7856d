#include "totems/TotemParams.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

#include "engine/TextNumbers.h"
#include "totems/TotemConfig.h"

namespace {

constexpr const char* kTextureSizeDefault = "512 256";
// Orb points are pixels of a 256 x 256 frame of the figure.
constexpr float kFrameHalf = 128.0f;
constexpr float kFrameUnit = 1.0f / 256.0f;
constexpr float kOrbDepth = -100.0f;

} // namespace

void CTotemColourParams::Load(std::string_view file, const char* section,
                              const char* shineDefault) {
    const CTotemConfig config(file, section);
    ShineColour = config.Colour("ShineColor", shineDefault);
    LoadPower(config);
    config.Floats("MainTextureSize", kTextureSizeDefault, MainTextureSize, 2);
    config.Floats("ShopTextureSize", kTextureSizeDefault, ShopTextureSize, 2);
    for (float* size : {MainTextureSize, ShopTextureSize})
        if (!(size[0] > 0.0f && size[1] > 0.0f)) {
            config.Warn(size == MainTextureSize ? "MainTextureSize" : "ShopTextureSize",
                        "must be above 0");
            size[0] = 512.0f;
            size[1] = 256.0f;
        }
}

void CRedTotemParams::LoadPower(const CTotemConfig& config) {
    Colour1 = config.Colour("Color1", "255 200 80 255");
    Colour2 = config.Colour("Color2", "80 80 255 255");
    for (int32_t i = 0; i < kOrbs; ++i) {
        float p[2] = {};
        config.Floats(IndexedKey("Point%d", i).c_str(), "26 154", p, 2);
        Points[i] =
            CVector3((p[0] - kFrameHalf) * kFrameUnit, (kFrameHalf - p[1]) * kFrameUnit, kOrbDepth);
    }
    ExpColour = config.Colour("ExpColor", "255 64 64 255");
    FlySpeed = config.Positive("FlySpeed", "2000");
}

COrangeTotemParams::COrangeTotemParams() {
    LoadPower(CTotemConfig(std::string_view(), "Orange"));
}

void COrangeTotemParams::LoadPower(const CTotemConfig& config) {
    // The target is a point of the 1024 x 768 screen; the start points are
    // pixels of the figure's 256 x 256 frame.
    constexpr float kTargetX = 512.0f;
    constexpr float kTargetY = 384.0f;
    constexpr float kDepth = -100.0f;
    for (int32_t i = 0; i < kPoints; ++i) {
        float p[2] = {};
        config.Floats(IndexedKey("Point%d", i).c_str(), "146 158", p, 2);
        Points[i] = i == 0 ? CVector3(p[0] - kTargetX, kTargetY - p[1], kDepth)
                           : CVector3((p[0] - kFrameHalf) * kFrameUnit,
                                      (kFrameHalf - p[1]) * kFrameUnit, kDepth);
    }
    FlyTime = config.Positive("FlyTime", "0.4");
    PreFlyTime = config.NonNegative("PreFlyTime", "0.2");
    PostFlyTime = config.NonNegative("PostFlyTime", "0.2");
    DigitsSize = config.Positive("DigitsSize", "32");
    StarColour = config.Colour("StarColor", "160 255 160 255");
    TwirlColour = config.Colour("TwirlColor", "255 255 160 128");
    std::string filter = config.Raw("FlyTwirlFilter", "Mul");
    std::transform(filter.begin(), filter.end(), filter.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
    FlyTwirlFilter = filter == "MUL" ? 2 : filter == "ADD" ? 1 : filter == "SCREEN" ? 3 : 0;
    FlyTwirlColour = config.Colour("FlyTwirlColor", "0 0 0 255");
    // A multiplying sprite darkens by the inverse of its colour.
    if (FlyTwirlFilter == 2)
        FlyTwirlColour = (FlyTwirlColour & 0xFF000000u) | (~FlyTwirlColour & 0x00FFFFFFu);
}

CVioletTotemParams::CVioletTotemParams() {
    LoadPower(CTotemConfig(std::string_view(), "Violet"));
}

void CVioletTotemParams::LoadPower(const CTotemConfig& config) {
    // The pixel values are of the main figure's frame ("MainSize" of the
    // shared section, already checked there).
    float frame[2] = {128.0f, 128.0f};
    float main[2] = {};
    if (ScanFloats(CTotemConfig(config.File, "Shared").Raw("MainSize", "128 128").c_str(), main,
                   2) == 2 &&
        main[0] > 0.0f && main[1] > 0.0f && std::isfinite(main[0]) && std::isfinite(main[1])) {
        frame[0] = main[0];
        frame[1] = main[1];
    }
    const float w = frame[0], h = frame[1];
    constexpr float kDepth = -0.4f;
    auto box = [&](const char* pattern, int32_t tier, CVector3& centre, float size[2]) {
        float r[4] = {};
        config.Floats(IndexedKey(pattern, tier).c_str(), "0 0 1 1", r, 4);
        centre = CVector3(r[0] / w + r[2] / (2.0f * w) - 0.5f, 0.5f - r[1] / h - r[3] / (2.0f * h),
                          kDepth);
        size[0] = r[2] / w;
        size[1] = r[3] / h;
    };
    for (int32_t t = 0; t < kTiers; ++t)
        box("Glow%d", t + 1, GlowCentres[t], GlowSizes[t]);
    GlowColour = config.Colour("GlowColor", "255 255 255 255");
    RayColour = config.Colour("RayColor", "255 255 255 127");
    for (int32_t t = 0; t < kTiers; ++t)
        box("Ray%d", t + 1, RayCentres[t], RaySizes[t]);
    const float flat = config.Float("RayHFactor", "0.2");
    for (int32_t t = 0; t < kTiers; ++t) {
        const float r = config.Float(IndexedKey("RayR%d", t + 1).c_str(), "8") / w;
        RayRadii[t][0] = r;
        RayRadii[t][1] = r * flat;
    }
    RaySpeed = config.Float("RayW", "0.5");
    for (int32_t t = 0; t < kTiers; ++t) {
        float r[4] = {};
        config.Floats(IndexedKey("Area%d", t + 1).c_str(), "0 0 1 1", r, 4);
        Areas[t][0] = r[0] / w - 0.5f;
        Areas[t][1] = 0.5f - r[1] / h;
        Areas[t][2] = r[2] / w;
        Areas[t][3] = r[3] / h;
    }
    FlyTime = config.Positive("FlyTime", "0.5");
}
