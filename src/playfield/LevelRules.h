#pragma once
// The game's rule formulas. The ones that depend on the game mode and the level
// are members and read GameMode and Level (the level parameters derive from
// this class, so the play field calls them on its level parameters); the rest
// are pure functions.
#include <cstdint>

class CLevelRules {
public:
    // Stage sizes of the quest; every stage after the fifth holds kLaterStageSize.
    static constexpr int32_t kStageSizes[5] = {5, 6, 8, 10, 12};
    static constexpr int32_t kLaterStageSize = 15;

    // ---- Scoring and sand (game mode and level) ----
    // Points of a finished removal group and its popup style (see the .cpp for
    // the table). In a mode other than 0..2 the points are 50 and the style is
    // left unchanged.
    int32_t RemovalScore(int32_t caps, int32_t chain, int32_t bonuses, int32_t& style) const;
    // 1 when a group of that many caps counts as a chain step.
    int32_t IsChainStep(int32_t caps) const;
    // Sand a removal drops into the sand box (0 outside the quest).
    float SandForRemoval(int32_t cells, int32_t a, int32_t bonuses, int32_t b) const;

    // ---- Pure rules ----
    // Multiplier of a Score bonus of that level: 2 * level + 3 below 3, else 10.
    static int32_t ScoreBonusFactor(int32_t level);
    // TNT blast radius in cells by tier: 1.1, 1.5, 2.1, 2.4.
    static float BonusMultiplier(int32_t tier);
    // Sand of a won Thimbles or Blinker round, and of a matched Memory pair.
    static float ThimblesStep() { return 0.13f; }
    static float BlinkerStep() { return 0.088f; }
    static float MemoryStep() { return 0.13f; }

    // Frenzy gain of the n-th frenzy of a level: 0.1 * 0.666666^n.
    static float DecayFactor(int32_t n);
    // Sand-box drain rate: 0.065 below level 4, 0.05 for 4..8, 0.04 from 9;
    // 0 when the mode has no timer.
    static float SpeedForLevel(int32_t level, int32_t timed = 1);

    // Totem and bonus rules.
    static int32_t GreenTargetCount(int32_t count, int32_t level);
    static float OrangeTime(int32_t a, int32_t b);
    static int32_t YellowPoints(int32_t a, int32_t b) { return 500 * (a + b) - 500; }
    static float TimeBonusSeconds(int32_t n) { return 5.0f * static_cast<float>(n) + 10.0f; }
    static float AdviserSeconds(int32_t n) { return 5.0f * static_cast<float>(n) + 15.0f; }
    static void TotemLevels(int32_t levels[4], int32_t tier, int32_t level);
    static int32_t TotemPanelValue(int32_t tier, int32_t level);
    static void VioletTotemValues(int32_t tier, int32_t level, int32_t& a, int32_t& b);

    // Quest stages: the absolute level (from 1) as stage and level within the
    // stage (both from 1); 1 when the stage is one of the first five, else 0.
    static int32_t SplitLevel(int32_t level, int32_t& stage, int32_t& inStage);
    // A level file's steel or lock limit in hard mode: two thirds of it, rounded
    // towards zero, in 64 bits since the file may give any 32-bit limit.
    static int32_t HardModeLimit(int32_t limit);
    // Shop upgrades: 5 n + 10 seconds; level time 240, 300, then +30 per tier.
    static float UpgradeStepValue(int32_t n);
    static float UpgradeTierValue(int32_t tier);

    int32_t GameMode = 0;  // 0 the quest
    int32_t Level = 1;
};
