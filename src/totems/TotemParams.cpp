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

// The sizes the figure keys are written against.
struct FigureFrame {
    float W = 128.0f, H = 128.0f;
    float TexW = 512.0f, TexH = 256.0f;
    FigureFrame(const CTotemConfig& config) {
        float main[2] = {W, H};
        float texture[2] = {TexW, TexH};
        QuietSize(config.File, "Shared", "MainSize", main);
        QuietSize(config.File, config.Section, "MainTextureSize", texture);
        W = main[0];
        H = main[1];
        TexW = texture[0];
        TexH = texture[1];
    }
    float X(float px) const { return px / W - 0.5f; }
    float Y(float py) const { return 0.5f - py / H; }
    void TexRect(const CTotemConfig& config, const char* key, const char* def, float out[4],
                 float tw, float th) const {
        float r[4] = {};
        config.Floats(key, def, r, 4);
        out[0] = r[0] / tw;
        out[1] = r[1] / th;
        out[2] = r[2] / tw;
        out[3] = r[3] / th;
    }
    // "x y w h": a corner in figure units and a size.
    void Rect(const CTotemConfig& config, const char* key, const char* def, float out[4]) const {
        float r[4] = {};
        config.Floats(key, def, r, 4);
        out[0] = X(r[0]);
        out[1] = Y(r[1]);
        out[2] = r[2] / W;
        out[3] = r[3] / H;
    }
    // "x1 y1 x2 y2": a line between two points of the figure.
    CTotemLine Line(const CTotemConfig& config, const char* key, const char* def) const {
        float r[4] = {};
        config.Floats(key, def, r, 4);
        return CTotemLine{X(r[0]), Y(r[1]), X(r[2]), Y(r[3])};
    }
    // "x y w h": a centre in figure units with depth z, and a size.
    void Box(const CTotemConfig& config, const char* key, const char* def, float z, float out[5],
             float w, float h) const {
        float r[4] = {};
        config.Floats(key, def, r, 4);
        out[0] = r[0] / w - 0.5f;
        out[1] = 0.5f - r[1] / h;
        out[2] = z;
        out[3] = r[2] / w;
        out[4] = r[3] / h;
    }
};

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
    // The pixel values are of the main figure's frame.
    const FigureFrame f(config);
    const float w = f.W, h = f.H;
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
    for (int32_t t = 0; t < kTiers; ++t)
        f.Rect(config, IndexedKey("Area%d", t + 1).c_str(), "0 0 1 1", Areas[t]);
    FlyTime = config.Positive("FlyTime", "0.5");
}

CYellowTotemParams::CYellowTotemParams() {
    LoadPower(CTotemConfig(std::string_view(), "Yellow"));
}

void CYellowTotemParams::LoadPower(const CTotemConfig& config) {
    const FigureFrame f(config);
    const float mw = f.W, mh = f.H;
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
        SmokeCentres[t] = CVector3(f.X(p[0]), f.Y(p[1]), kDepth);
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
    for (int32_t i = 0; i < kNumbers; ++i)
        f.TexRect(config, IndexedKey("NumberT%d", i).c_str(), "344 104 428 144", NumberRects[i],
                  f.TexW, f.TexH);
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

CGreenTotemParams::CGreenTotemParams() {
    LoadPower(CTotemConfig(std::string_view(), "Green"));
}

void CGreenTotemParams::LoadPower(const CTotemConfig& config) {
    const FigureFrame f(config);
    float shadow[2] = {512.0f, 512.0f};
    QuietSize(config.File, "Shared", "ShadowTextureSize", shadow);
    constexpr float kRayDepth = -100.0f;
    constexpr float kFlareDepth = -5.0f;
    f.TexRect(config, "NoChainT", "384 0 510 91", NoChainRect, f.TexW, f.TexH);
    f.TexRect(config, "NoChainShadowT", "225 151 326 171", NoChainShadowRect, shadow[0], shadow[1]);
    f.Rect(config, "Chain", "86 16 114 10", Chain);
    for (int32_t t = 0; t < kTiers; ++t) {
        float p[2] = {};
        config.Floats(IndexedKey("Point%d", t + 1).c_str(), "178 152", p, 2);
        Points[t] = CVector3(f.X(p[0]), f.Y(p[1]), kRayDepth);
    }
    RayFlareColour = config.Colour("RayFlareColor", "255 229 128 255");
    RayColour = config.Colour("RayColor", "255 255 255 255");
    PreRayTime = config.Positive("PreRayTime", "0.25");
    RayFlareTime = config.Positive("RayFlareTime", "1");
    RayThickness = config.Float("RayThickness", "80");
    RayTan = config.Float("RayTan", "0.05");
    RaySpeed = config.Positive("RaySpeed", "800");
    RayLen = config.NonNegative("RayLen", "400");
    Ray2PiLen = config.Positive("Ray2PiLen", "256");
    RayInTermTime = config.NonNegative("RayInTermTime", "0.5");
    RayHeadSize = config.Float("RayHeadSize", "24");
    RayHeadW = config.Float("RayHeadW", "1") * 3.1415927f;
    UnigemSize = config.Float("UnigemSize", "48");
    UnigemTailColour = config.Colour("UnigemTailColor", "192 192 255 255");
    UnigemTailPSize = config.Float("UnigemTailPSize", "48");
    UnigemFlyTime = config.NonNegative("UnigemFlyTime", "0.75");
    UnigemStartFlyTime = config.NonNegative("UnigemStartFlyTime", "0");
    PauseTime = config.NonNegative("PauseTime", "1");
    for (int32_t t = 1; t < kTiers; ++t) {
        float r[6] = {};
        config.Floats(IndexedKey("Flares%d", t + 1).c_str(), "138 186 172 203 154 173", r, 6);
        const float v[7] = {f.X(r[0]),           f.Y(r[1]),           kFlareDepth,
                            (r[2] - r[0]) / f.W, (r[1] - r[3]) / f.H, (r[4] - r[0]) / f.W,
                            (r[1] - r[5]) / f.H};
        std::copy(v, v + 7, Flares[t]);
    }
    std::copy(Flares[1], Flares[1] + 7, Flares[0]);
    SmallFSize = config.Float("SmallFSize", "6") / f.W;
    SmallFLifeTime = config.Positive("SmallFLifeTime", "0.4");
    SmallFW = config.Float("SmallFW", "1");
    SmallFT = config.Positive("SmallFT", "0.08");
    SmallFIntensity = config.Float("SmallFIntensity", "1");
    BigFSize = config.Float("BigFSize", "64") / f.W;
    BigFIntensity = config.Float("BigFIntensity", "0.6");
    BigFT = config.Positive("BigFT", "1.5");
    BigFW = config.Float("BigFW", "0.5");
    ChainTime = config.NonNegative("ChainTime", "0.75");
    ChainLightSize = config.Float("ChainLightSize", "30") / f.W;
    ChainLightLifeTime = config.Positive("ChainLightLifeTime", "0.25");
    ChainLightT = config.Positive("ChainLightT", "0.025");
    ChainLightColour = config.Colour("ChainLightColor", "255 255 255 255");
}

CBlueTotemParams::CBlueTotemParams() {
    LoadPower(CTotemConfig(std::string_view(), "Blue"));
}

void CBlueTotemParams::LoadPower(const CTotemConfig& config) {
    const FigureFrame f(config);
    float small[2] = {48.0f, 48.0f};
    QuietSize(config.File, "Shared", "SmallSize", small);
    for (int32_t t = 0; t < kTiers; ++t)
        for (int32_t k = 0; k < 2; ++k)
            f.TexRect(config, IndexedKey("Empty%dT%d", t + 1, k).c_str(), "172 159 204 236",
                      EmptyRects[t][k], f.TexW, f.TexH);
    for (int32_t t = 0; t < kTiers; ++t) {
        // A count beyond the table would allocate without end.
        const int32_t n = config.Int(IndexedKey("Bolt%dCount", t + 1).c_str(), "1", 0, kMaxBolts);
        BoltBegins[t].clear();
        BoltEnds[t].clear();
        for (int32_t i = 0; i < n; ++i) {
            BoltBegins[t].push_back(
                f.Line(config, IndexedKey("Bolt%dBegin%d", t + 1, i).c_str(), "105 184 128 157"));
            BoltEnds[t].push_back(
                f.Line(config, IndexedKey("Bolt%dEnd%d", t + 1, i).c_str(), "130 185 137 198"));
        }
    }
    float p[2] = {};
    config.Floats("Target", "161 211", p, 2);
    Target = CVector3(f.X(p[0]), f.Y(p[1]), -100.0f);
    PreTime = config.Positive("PreTime", "0.5");
    StrikeTime = config.Positive("StrikeTime", "0.1");
    config.Floats("BoltSize", "200 48", BoltSize, 2);
    BoltSpeed = config.Positive("BoltSpeed", "2500");
    BoltColour = config.Colour("BoltColor", "255 235 131 255");
    f.Box(config, "Caps", "160 215 84 64", -50.0f, Caps, f.W, f.H);
    f.Box(config, "Shield", "182 128 72 104", -0.5f, Shield, f.W, f.H);
    f.TexRect(config, "ShieldT", "474 70 510 122", ShieldRect, f.TexW, f.TexH);
    f.Box(config, "SmallShield", "45.5 32 18 26", -0.5f, SmallShield, small[0], small[1]);
    f.TexRect(config, "SmallShieldT", "474 70 510 122", SmallShieldRect, f.TexW, f.TexH);
    ShieldColour = config.Colour("ShieldColor", "240 255 240 255");
    ShieldLifeTime = config.Positive("ShieldLifeTime", "2");
    ShieldBirth = config.Positive("ShieldBirth", "1");
    ShieldMinFactor = config.Float("ShieldMinFactor", "0.5");
    ShieldMaxFactor = config.Float("ShieldMaxFactor", "2");
}

CWhiteTotemParams::CWhiteTotemParams() {
    LoadPower(CTotemConfig(std::string_view(), "White"));
}

void CWhiteTotemParams::LoadPower(const CTotemConfig& config) {
    const FigureFrame f(config);
    const float factor = config.Float("StripWFactor", "0.01") * f.W;
    for (int32_t t = 0; t < kTiers; ++t) {
        // At least one line; a count beyond the table would allocate without end.
        const int32_t n =
            config.Int(IndexedKey("Strip%dCount", t + 1).c_str(), "8", 1, kMaxStripLines);
        Strips[t].clear();
        for (int32_t i = 0; i < n; ++i)
            Strips[t].push_back(
                f.Line(config, IndexedKey("Strip%dLine%d", t + 1, i).c_str(), "131 164 139 154"));
        SegmentLengths[t].assign(static_cast<size_t>(n - 1), 0.0f);
        for (size_t i = 0; i + 1 < Strips[t].size(); ++i) {
            const float dx = Strips[t][i + 1].X2 - Strips[t][i].X2;
            const float dy = Strips[t][i + 1].Y2 - Strips[t][i].Y2;
            SegmentLengths[t][i] = factor * std::sqrt(dx * dx + dy * dy);
        }
    }
    StreamIntensity = config.Float("StreamIntensity", "0.8");
    StreamTSpeed = config.Float("StreamTSpeed", "0.25");
    for (int32_t t = 0; t < kTiers; ++t) {
        float r[3] = {};
        config.Floats(IndexedKey("Fog%d", t + 1).c_str(), "160 215 44", r, 3);
        FogPoints[t] = CVector3(f.X(r[0]), f.Y(r[1]), -1.0f);
        FogRadii[t] = r[2] / f.W;
    }
    DropSpeed = config.Positive("PaintDropSpeed", "800");
    DropIntensity = std::clamp(config.Float("PaintDropIntensity", "0.8"), 0.0f, 1.0f);
    config.Floats("PaintDropLengthFactor", "0.8 1.5", DropLengthFactor, 2);
    config.Floats("PaintDropWidthFactor", "0.5 1.2", DropWidthFactor, 2);
    DropWobble = config.Float("PaintDropW", "2") * 3.1415927f;
    SprayIntensity = config.Float("SprayIntensity", "0.75");
    SprayParticleSize = config.Float("SprayParticleSize", "48.0");
    SprayParticles = config.Int("SprayParticles", "15", 0, 1000);
}
