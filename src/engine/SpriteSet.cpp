#include "engine/SpriteSet.h"

#include <string>

#include "engine/IniHelpers.h"
#include "engine/TextNumbers.h"
#include "engine/TextTokenizer.h"
#include "platform/os/Ini.h"

namespace {

// Sprite keys are read through a slightly smaller buffer than the other ini reads.
constexpr std::size_t kSpriteBufferSize = 255;

std::string Read(std::string_view file, const char* section, const std::string& key,
                 const char* def) {
    return os::GetProfileString(section, key.c_str(), def, file, kSpriteBufferSize);
}

int32_t FilterFromName(std::string name) {
    StrToUpper(name);
    if (name == "ADD")
        return CSpriteSet::kAdd;
    if (name == "MUL")
        return CSpriteSet::kMul;
    if (name == "SCREEN")
        return CSpriteSet::kScreen;
    return CSpriteSet::kNormal;
}

} // namespace

void SetSpriteShape(CSpriteSet& set, float referenceWidth, float referenceHeight,
                    float textureWidth, float textureHeight, float pivotX, float pivotY,
                    float depthOffset) {
    set.ReferenceWidth = referenceWidth;
    set.ReferenceHeight = referenceHeight;
    set.TextureWidth = textureWidth;
    set.TextureHeight = textureHeight;
    set.PivotX = pivotX;
    set.PivotY = pivotY;
    set.DepthOffset = depthOffset;
}

int32_t ReadSpriteSet(CSpriteSet& set, std::string_view file, const char* section,
                      const char* prefix, int32_t count) {
    const std::string base = prefix ? prefix : "";
    if (count == 0)
        count = ParseDecimalInt(Read(file, section, base + "SpritesCount", "0").c_str());
    if (count < 1 || count > kMaxSprites)
        return 0;

    const std::size_t total = set.Positions.size() + static_cast<std::size_t>(count);
    set.Positions.reserve(total);
    set.Sizes.reserve(total);
    set.TexRects.reserve(total);
    set.Colours.reserve(total);
    set.Filters.reserve(total);
    set.ZOrders.reserve(total);
    set.TextureIndices.reserve(total);

    const float W = set.ReferenceWidth, H = set.ReferenceHeight;
    const float TW = set.TextureWidth, TH = set.TextureHeight;
    for (int32_t i = 0; i < count; ++i) {
        const std::string index = std::to_string(i);

        float rect[5] = {}; // x, y, z, w, h; missing numbers read as 0
        ScanFloats(Read(file, section, base + "Sprite" + index, "0 0 0 0 0").c_str(), rect, 5);
        const float w = rect[3] / W, h = rect[4] / H;
        const CSpriteSet::Position pos{rect[0] / W + w / 2 - set.PivotX,
                                       set.PivotY - rect[1] / H - h / 2, rect[2] + set.DepthOffset};

        float t[4] = {};
        ScanFloats(Read(file, section, base + "SpriteT" + index, "0 0 0 0").c_str(), t, 4);

        float rgba[4] = {};
        ScanFloats(Read(file, section, base + "SpriteColor" + index, "255 255 255 255").c_str(),
                   rgba, 4);

        const int32_t filter =
            FilterFromName(Read(file, section, base + "SpriteFilter" + index, "Normal"));
        const int32_t zOrder =
            ParseDecimalInt(Read(file, section, base + "SpriteZOrder" + index, "0").c_str());
        const int32_t texture =
            ParseDecimalInt(Read(file, section, base + "SpriteTexture" + index, "0").c_str());

        set.Positions.push_back(pos);
        set.Sizes.push_back({w, h});
        set.TexRects.push_back({{t[0] / TW, t[1] / TH, t[2] / TW, t[3] / TH}});
        set.Colours.push_back(PackIniColour(rgba));
        set.Filters.push_back(filter);
        set.ZOrders.push_back(zOrder);
        set.TextureIndices.push_back(texture);
    }
    return count;
}
