// Colours in play, steel and locks by level and difficulty, and the intake of a
// level file.
#include <algorithm>
#include <cmath>

#include "playfield/LevelDesc.h"
#include "playfield/LevelRules.h"
#include "playfield/PlayField.h"

namespace {

constexpr int32_t kDefaultGems = 5;

float ClampProbability(float p) {
    if (!(p > 0.0f))
        return 0.0f;
    return std::min(p, CPlayField::kMaxProbability);
}

} // namespace

void CPlayField::SetColours(int32_t level) {
    const bool hard = HardMode != 0;
    const float f = hard ? 1.5f : 1.0f;

    Colours.clear();
    Colours.push_back(0);
    if (level > 3 || hard)
        Colours.push_back(1);
    for (int32_t c = 2; c <= 5; ++c)
        Colours.push_back(c);
    if (level > 8 || hard)
        Colours.push_back(6);

    if (level < 14) {
        SteelProbability = 0.0f;
        SteelLimit = 0;
    } else {
        const auto l = static_cast<float>(level - 13);
        SteelProbability = ClampProbability(l * f * 0.001f + 0.005f);
        SteelLimit = static_cast<int32_t>(std::floor(f * 0.1f * l)) + 1;
    }
    if (level < 6) {
        LockProbability = 0.0f;
        LockLimit = 0;
    } else {
        const auto l = static_cast<float>(level - 5);
        LockProbability = ClampProbability(l * f * 0.001f + 0.0025f);
        LockLimit = static_cast<int32_t>(std::floor(f * 0.075f * l)) + 1;
    }
}

int32_t CPlayField::LoadLevel(std::string_view path) {
    // Every level starts from the default goal, so a level file without a gem
    // count never inherits the previous level's.
    GemPool = GemsToCollect = kDefaultGems;

    LevelDesc = CSharedPtr<CLevelDesc>(new CLevelDesc());
    const int32_t result = LoadLevelFile(*LevelDesc, path);
    if (result == 0 || !LevelDesc->IsUsable())
        return result;
    const CLevelDesc& desc = *LevelDesc;
    const bool hard = HardMode != 0;

    // Only colours the board can draw are taken; a list left empty keeps the
    // colours of the level number.
    std::vector<int32_t> set;
    for (int32_t c : desc.Set)
        if (c >= 0 && c <= CLevelDesc::kMaxColour)
            set.push_back(c);
    if (!set.empty())
        Colours = set;

    if (desc.SteelLimit >= 0) {
        SteelProbability = ClampProbability(desc.SteelProbability * (hard ? 1.25f : 1.0f));
        SteelLimit = hard ? CLevelRules::HardModeLimit(desc.SteelLimit) : desc.SteelLimit;
    }
    if (desc.LockLimit >= 0) {
        LockProbability = ClampProbability(desc.LockProbability * (hard ? 1.25f : 1.0f));
        LockLimit = hard ? CLevelRules::HardModeLimit(desc.LockLimit) : desc.LockLimit;
    }
    if (desc.GemsCount >= 0)
        GemPool = GemsToCollect = desc.GemsCount;
    return result;
}
