#pragma once
// The level parameters: the values of the level in play that the play field,
// the totem panel, the screens and the shop share (the game object owns the one
// block), together with the rule formulas of CLevelRules, which read its game
// mode and level.
#include <cstdint>
#include <vector>

#include "playfield/LevelRules.h"

class CLevelParams : public CLevelRules {
public:
    static constexpr int32_t kBonusTypes = 6;  // types 2..7
    static constexpr int32_t kFirstBonusType = 2;

    CLevelParams();

    // Draws a bonus type the level allows (a BonusTiers entry of 0 or more).
    // longRow: Adviser (5) or Solidarity (7), falling back to the others when
    // neither is allowed; otherwise any allowed type but those two, drawn again
    // while it gives Score (6) and a further RandomFloat() is below 0.75.
    // Returns 1 with the type and its tier, or 0 when no type is allowed.
    int32_t Draw(int32_t longRow, int32_t& type, int32_t& level) const;

    // The tier of a bonus type 2..7; -1 for another type.
    int32_t TierOf(int32_t type) const;

    // GameMode and Level come from CLevelRules.
    float Speed;              // sand-box drain rate (CLevelRules::SpeedForLevel)
    int32_t GemCeiling = 4;   // the shop's "count": most gems on the board at once
    float GemRatio = 0.33334f;
    float StepSeconds;        // the shop's seconds value (UpgradeStepValue)
    float LevelTime;          // seconds of a level (UpgradeTierValue)
    float MaxLevelTime = 720.0f;
    // Bonus tier per type - 2 (TNT, Flash, Time, Adviser, Score, Solidarity);
    // -1 = not available.
    std::vector<int32_t> BonusTiers;
};
