#include "totems/TotemParams.h"

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
