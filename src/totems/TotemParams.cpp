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

// A size pair another reader checks and reports: read here without a second
// warning, `out` kept unless both numbers are above 0.
void QuietSize(const std::string& file, const char* section, const char* key, float out[2]) {
    float v[2] = {};
    const std::string text = CTotemConfig(file, section).Raw(key, "");
    if (ScanFloats(text.c_str(), v, 2) == 2 && v[0] > 0.0f && v[1] > 0.0f && std::isfinite(v[0]) &&
        std::isfinite(v[1])) {
        out[0] = v[0];
        out[1] = v[1];
    }
}

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
    QuietSize(config.File, "Shared", "MainSize", frame);
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

CYellowTotemParams::CYellowTotemParams() {
    LoadPower(CTotemConfig(std::string_view(), "Yellow"));
}

void CYellowTotemParams::LoadPower(const CTotemConfig& config) {
    float main[2] = {128.0f, 128.0f};
    float texture[2] = {512.0f, 256.0f};
    QuietSize(config.File, "Shared", "MainSize", main);
    QuietSize(config.File, config.Section, "MainTextureSize", texture);
    const float mw = main[0], mh = main[1];
    constexpr float kDepth = -100.0f;
    auto screen = [&](const char* key, const char* def, CVector3& out) {
        float p[2] = {};
        config.Floats(key, def, p, 2);
        out = CVector3(p[0] - 512.0f, 384.0f - p[1], kDepth);
    };
    NuggetFadeTime = config.Positive("NuggetFadeTime", "0.25");
    for (int32_t t = 0; t < kTiers; ++t) {
        float p[2] = {};
        config.Floats(IndexedKey("SmokeCenter%d", t + 1).c_str(), "150 188", p, 2);
        SmokeCentres[t] = CVector3(p[0] / mw - 0.5f, 0.5f - p[1] / mh, kDepth);
    }
    for (int32_t t = 0; t < kTiers; ++t)
        SmokePlatformSizes[t] =
            config.Float(IndexedKey("SmokePlatformSize%d", t + 1).c_str(), "38") / mw;
    SmokeColour = config.Colour("SmokeColor", "80 80 255 255");
    SmokeSize = config.Float("SmokeSize", "16") / mw;
    SmokeExpand = config.Float("SmokeExpand", "8") / mw;
    SmokeUpSpeed = config.Float("SmokeUpSpeed", "1700") / mw;
    SmokeFadeSpeed = config.Positive("SmokeFadeSpeed", "4");
    NumberStartTime = config.NonNegative("NumberStartTime", "0.25");
    NumberFlyTime = config.NonNegative("NumberFlyTime", "0.5");
    NumberFadeTime = config.Positive("NumberFadeTime", "0.25");
    screen("NumberTarget", "136 232", NumberTarget);
    for (int32_t i = 0; i < kNumbers; ++i) {
        float r[4] = {};
        config.Floats(IndexedKey("NumberT%d", i).c_str(), "344 104 428 144", r, 4);
        NumberRects[i][0] = r[0] / texture[0];
        NumberRects[i][1] = r[1] / texture[1];
        NumberRects[i][2] = r[2] / texture[0];
        NumberRects[i][3] = r[3] / texture[1];
    }
    for (int32_t i = 0; i < kNumbers; ++i) {
        float s[2] = {};
        config.Floats(IndexedKey("NumberSize%d", i).c_str(), "84 40", s, 2);
        NumberSizes[i][0] = s[0] / mw;
        NumberSizes[i][1] = s[1] / mh;
    }
    FlareSize = config.Float("FlareSize", "6") / mw;
    FlareLifeTime = config.Positive("FlareLifeTime", "0.4");
    FlareW = config.Float("FlareW", "1") * 3.1415927f;
    // The key is spelt so in the file.
    FlareT = config.Positive("FalreT", "0.08");
    FlareColour = config.Colour("FlareColor", "128 128 255 128");
    for (int32_t t = 0; t < kTiers; ++t) {
        float r[4] = {};
        config.Floats(IndexedKey("Flare%d", t + 1).c_str(), "132 165 38 30", r, 4);
        Flares[t][0] = (r[0] + r[2] / 2.0f) / mw - 0.5f;
        Flares[t][1] = 0.5f - (r[1] + r[3] / 2.0f) / mh;
        Flares[t][2] = r[2] / mw;
        Flares[t][3] = r[3] / mh;
    }
    PlusSize = config.Float("PlusSize", "32");
    float frenzy[3] = {};
    config.Floats("FrenzyTarget", "652 736 640", frenzy, 3);
    FrenzyTarget = CVector3(frenzy[0] - 512.0f, 384.0f - frenzy[1], kDepth);
    FrenzyWidth = frenzy[2];
}
