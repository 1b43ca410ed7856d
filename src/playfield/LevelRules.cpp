#include "playfield/LevelRules.h"

#include <cmath>

// Points and popup style of a removal:
//   quest (mode 0), 3 caps or more:  style caps + chain - 3,
//                                    points (bonuses + 2 (caps + chain - 3)) * 50
//   quest, fewer caps:               style caps - 2, points 50 * caps
//   modes 1 and 2, 3 caps or more:   style caps - 2,
//                                    points ((level + 1) (caps - 2) chain + bonuses) * 50
//   modes 1 and 2, fewer caps:       style caps - 2, points (level + 1) caps * 25
int32_t CLevelRules::RemovalScore(int32_t caps, int32_t chain, int32_t bonuses,
                                  int32_t& style) const {
    if (GameMode == 0) {
        if (caps >= 3) {
            style = caps + chain - 3;
            return (bonuses + 2 * (caps + chain - 3)) * 50;
        }
        style = caps - 2;
        return 50 * caps;
    }
    if (GameMode == 1 || GameMode == 2) {
        style = caps - 2;
        if (caps >= 3)
            return ((Level + 1) * (caps - 2) * chain + bonuses) * 50;
        return (Level + 1) * caps * 25;
    }
    return 50;
}

int32_t CLevelRules::IsChainStep(int32_t caps) const {
    return GameMode < 3 && caps >= 3 ? 1 : 0;
}

float CLevelRules::SandForRemoval(int32_t cells, int32_t a, int32_t bonuses, int32_t b) const {
    if (GameMode != 0)
        return 0.0f;
    if (cells < 3)
        return 0.025f * static_cast<float>(cells);
    return 0.1f * static_cast<float>(b) + 0.1f * static_cast<float>((cells - 2) * a) +
           0.05f * static_cast<float>(bonuses);
}

int32_t CLevelRules::ScoreBonusFactor(int32_t level) { return level < 3 ? 2 * level + 3 : 10; }

float CLevelRules::BonusMultiplier(int32_t tier) {
    if (tier < 1)
        return 1.1f;
    if (tier == 1)
        return 1.5f;
    if (tier == 2)
        return 2.1f;
    return 2.4f;
}

float CLevelRules::DecayFactor(int32_t n) {
    return 0.1f * static_cast<float>(std::pow(0.666666, static_cast<double>(n)));
}

float CLevelRules::SpeedForLevel(int32_t level, int32_t timed) {
    if (!timed)
        return 0.0f;
    if (level < 4)
        return 0.065f;
    if (level <= 8)
        return 0.05f;
    return 0.04f;
}

int32_t CLevelRules::GreenTargetCount(int32_t count, int32_t level) {
    switch (count) {
    case 2:
        return 5;
    case 3:
        return level == 3 ? 8 : 6;
    case 4:
        return level == 3 ? 12 : 10;
    default:
        return 0;
    }
}

float CLevelRules::OrangeTime(int32_t a, int32_t b) {
    switch (a) {
    case 2:
        return 45.0f;
    case 3:
        return b == 3 ? 60.0f : 45.0f;
    case 4:
        return b == 3 ? 90.0f : 60.0f;
    default:
        return 30.0f;
    }
}

void CLevelRules::TotemLevels(int32_t levels[4], int32_t tier, int32_t level) {
    int32_t v[4] = {2, 2, 2, 2};
    if (tier <= 1) {
        v[0] = 1, v[1] = 1, v[2] = 0, v[3] = 0;
    } else if (tier == 2) {
        v[0] = 1, v[1] = 1, v[2] = 1, v[3] = 1;
    } else if (tier == 3 && level < 3) {
        v[0] = 2, v[1] = 2, v[2] = 1, v[3] = 1;
    }
    for (int i = 0; i < 4; ++i)
        levels[i] = v[i];
}

int32_t CLevelRules::TotemPanelValue(int32_t tier, int32_t level) {
    switch (tier) {
    case 2:
        return 9;
    case 3:
        return level == 3 ? 12 : 10;
    case 4:
        return level == 3 ? 15 : 11;
    default:
        return 6;
    }
}

void CLevelRules::VioletTotemValues(int32_t tier, int32_t level, int32_t& a, int32_t& b) {
    if (tier == 1 || tier == 2) {
        a = tier, b = 0;
    } else if (tier == 3) {
        if (level == 2)
            a = 2, b = 0;
        else
            a = 1, b = 1;
    } else if (tier == 4) {
        a = 1, b = 1;
    } else {
        a = 0, b = 0;
    }
}

int32_t CLevelRules::SplitLevel(int32_t level, int32_t& stage, int32_t& inStage) {
    int64_t rest = level;
    int32_t s = 1;
    for (int32_t size : kStageSizes) {
        if (rest <= size) {
            stage = s;
            inStage = static_cast<int32_t>(rest);
            return 1;
        }
        rest -= size;
        ++s;
    }
    // Past the fifth stage every stage holds kLaterStageSize levels.
    const int64_t later = (rest - 1) / kLaterStageSize;
    stage = static_cast<int32_t>(s + later);
    inStage = static_cast<int32_t>(rest - later * kLaterStageSize);
    return 0;
}

int32_t CLevelRules::HardModeLimit(int32_t limit) {
    return static_cast<int32_t>(static_cast<int64_t>(limit) * 2 / 3);
}

float CLevelRules::UpgradeStepValue(int32_t n) { return 5.0f * static_cast<float>(n) + 10.0f; }

float CLevelRules::UpgradeTierValue(int32_t tier) {
    if (tier <= 0)
        return 240.0f;
    if (tier == 1)
        return 300.0f;
    return 300.0f + 30.0f * static_cast<float>(tier - 1);
}
