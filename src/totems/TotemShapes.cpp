#include "totems/TotemShapes.h"

#include <algorithm>
#include <string>

#include "engine/ObjectLog.h"
#include "totems/TotemConfig.h"

namespace {

constexpr float kPivot = 0.5f;

void ReadSet(CSpriteSet& set, const CTotemConfig& config, const std::string& prefix,
             const float shape[2], const float texture[2], int32_t fixedCount) {
    set = CSpriteSet();
    SetSpriteShape(set, shape[0], shape[1], texture[0], texture[1], kPivot, kPivot, 0.0f);
    int32_t count = fixedCount;
    if (count == 0)
        count = config.Int((prefix + "SpritesCount").c_str(), "0", 0, CTotemShapes::kMaxSprites);
    if (count < 1 || ReadSpriteSet(set, config.File, config.Section, prefix.c_str(), count) < 1) {
        LogObject("Warning! Some Totem SpriteShape can not be loaded!");
        LogObject(prefix);
        LogObject("\n");
    }
}

} // namespace

int32_t CTotemShapes::Index(int32_t tier) {
    return std::clamp(tier, 1, kTiers) - 1;
}

void CTotemShapes::Load(std::string_view file, const char* section, const Sizes& s) {
    const CTotemConfig config(file, section);
    for (int32_t k = 0; k < kTiers; ++k)
        ReadSet(Small[k], config, IndexedKey("Small%d", k + 1), s.pixSmall, s.smallTexture, 0);
    for (int32_t k = 0; k < kTiers; ++k)
        ReadSet(Shadow[k], config, IndexedKey("Shadow%d", k + 1), s.main, s.shadowTexture, 0);
    for (int32_t k = 0; k < kTiers; ++k)
        ReadSet(Main[k], config, IndexedKey("Main%d", k + 1), s.main, s.mainTexture, 0);
    ReadSet(Light, config, "Light", s.main, s.lightTexture, kLights);
    for (int32_t k = 0; k < kTiers; ++k)
        ReadSet(Shop[k], config, IndexedKey("Shop%d", k + 1), s.shop, s.shopTexture, 0);
    ShopSize[0] = s.shop[0];
    ShopSize[1] = s.shop[1];
}
