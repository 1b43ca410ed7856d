// The rule formulas and the bonus draw of the level parameters.
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "platform/Rand15.h"
#include "playfield/LevelParams.h"

TEST(LevelRules, RemovalScoreByModeCapsAndChain) {
    CLevelRules quest;
    int32_t style = 99;
    EXPECT_EQ(quest.RemovalScore(3, 1, 0, style), 100);
    EXPECT_EQ(style, 1);
    EXPECT_EQ(quest.RemovalScore(5, 2, 1, style), (1 + 2 * 4) * 50);
    EXPECT_EQ(style, 4);
    EXPECT_EQ(quest.RemovalScore(1, 3, 0, style), 50);
    EXPECT_EQ(style, -1);  // single cells: the popup list clamps it
    EXPECT_EQ(quest.RemovalScore(2, 0, 0, style), 100);
    EXPECT_EQ(style, 0);

    CLevelRules arcade;
    arcade.GameMode = 1;
    arcade.Level = 4;
    EXPECT_EQ(arcade.RemovalScore(4, 2, 1, style), ((4 + 1) * 2 * 2 + 1) * 50);
    EXPECT_EQ(style, 2);
    EXPECT_EQ(arcade.RemovalScore(2, 1, 0, style), 5 * 2 * 25);
    EXPECT_EQ(style, 0);
    arcade.GameMode = 2;
    EXPECT_EQ(arcade.RemovalScore(1, 1, 0, style), 125);
    // Exactly three caps already score as a row in both modes.
    for (int32_t mode : {1, 2}) {
        arcade.GameMode = mode;
        EXPECT_EQ(arcade.RemovalScore(3, 2, 1, style), ((4 + 1) * 1 * 2 + 1) * 50) << mode;
        EXPECT_EQ(style, 1) << mode;
    }

    CLevelRules other;
    other.GameMode = 3;
    style = 42;
    EXPECT_EQ(other.RemovalScore(5, 5, 5, style), 50);
    EXPECT_EQ(style, 42);
}

TEST(LevelRules, ChainStepAndSand) {
    CLevelRules r;
    EXPECT_EQ(r.IsChainStep(3), 1);
    EXPECT_EQ(r.IsChainStep(2), 0);
    r.GameMode = 2;
    EXPECT_EQ(r.IsChainStep(5), 1);
    r.GameMode = 3;
    EXPECT_EQ(r.IsChainStep(5), 0);

    CLevelRules q;
    EXPECT_FLOAT_EQ(q.SandForRemoval(1, 1, 0, 0), 0.025f);
    EXPECT_FLOAT_EQ(q.SandForRemoval(2, 1, 3, 4), 0.05f);
    EXPECT_FLOAT_EQ(q.SandForRemoval(3, 1, 0, 0), 0.1f);
    EXPECT_FLOAT_EQ(q.SandForRemoval(5, 1, 2, 0), 0.3f + 0.1f);
    EXPECT_FLOAT_EQ(q.SandForRemoval(4, 2, 0, 1), 0.1f + 0.4f);
    q.GameMode = 1;
    EXPECT_FLOAT_EQ(q.SandForRemoval(5, 1, 2, 0), 0.0f);
}

TEST(LevelRules, BonusAndStepValues) {
    EXPECT_EQ(CLevelRules::ScoreBonusFactor(0), 3);
    EXPECT_EQ(CLevelRules::ScoreBonusFactor(2), 7);
    EXPECT_EQ(CLevelRules::ScoreBonusFactor(3), 10);
    EXPECT_FLOAT_EQ(CLevelRules::BonusMultiplier(-1), 1.1f);
    EXPECT_FLOAT_EQ(CLevelRules::BonusMultiplier(0), 1.1f);
    EXPECT_FLOAT_EQ(CLevelRules::BonusMultiplier(1), 1.5f);
    EXPECT_FLOAT_EQ(CLevelRules::BonusMultiplier(2), 2.1f);
    EXPECT_FLOAT_EQ(CLevelRules::BonusMultiplier(7), 2.4f);
    EXPECT_FLOAT_EQ(CLevelRules::ThimblesStep(), 0.13f);
    EXPECT_FLOAT_EQ(CLevelRules::BlinkerStep(), 0.088f);
    EXPECT_FLOAT_EQ(CLevelRules::TimeBonusSeconds(1), 15.0f);
    EXPECT_FLOAT_EQ(CLevelRules::AdviserSeconds(1), 20.0f);
    EXPECT_EQ(CLevelRules::YellowPoints(1, 2), 1000);
    EXPECT_EQ(CLevelRules::YellowPoints(2, 2), 1500);
    EXPECT_FLOAT_EQ(CLevelRules::DecayFactor(0), 0.1f);
    EXPECT_NEAR(CLevelRules::DecayFactor(2), 0.1f * 0.666666f * 0.666666f, 1e-7f);
    EXPECT_FLOAT_EQ(CLevelRules::SpeedForLevel(3), 0.065f);
    EXPECT_FLOAT_EQ(CLevelRules::SpeedForLevel(4), 0.05f);
    EXPECT_FLOAT_EQ(CLevelRules::SpeedForLevel(8), 0.05f);
    EXPECT_FLOAT_EQ(CLevelRules::SpeedForLevel(9), 0.04f);
    EXPECT_FLOAT_EQ(CLevelRules::SpeedForLevel(9, 0), 0.0f);
    EXPECT_FLOAT_EQ(CLevelRules::UpgradeStepValue(0), 10.0f);
    EXPECT_FLOAT_EQ(CLevelRules::UpgradeStepValue(4), 30.0f);
    EXPECT_FLOAT_EQ(CLevelRules::UpgradeTierValue(0), 240.0f);
    EXPECT_FLOAT_EQ(CLevelRules::UpgradeTierValue(1), 300.0f);
    EXPECT_FLOAT_EQ(CLevelRules::UpgradeTierValue(4), 390.0f);
}

TEST(LevelRules, TotemRules) {
    EXPECT_EQ(CLevelRules::GreenTargetCount(2, 1), 5);
    EXPECT_EQ(CLevelRules::GreenTargetCount(3, 1), 6);
    EXPECT_EQ(CLevelRules::GreenTargetCount(3, 3), 8);
    EXPECT_EQ(CLevelRules::GreenTargetCount(4, 2), 10);
    EXPECT_EQ(CLevelRules::GreenTargetCount(4, 3), 12);
    EXPECT_EQ(CLevelRules::GreenTargetCount(1, 3), 0);
    EXPECT_FLOAT_EQ(CLevelRules::OrangeTime(1, 3), 30.0f);
    EXPECT_FLOAT_EQ(CLevelRules::OrangeTime(2, 3), 45.0f);
    EXPECT_FLOAT_EQ(CLevelRules::OrangeTime(3, 3), 60.0f);
    EXPECT_FLOAT_EQ(CLevelRules::OrangeTime(3, 1), 45.0f);
    EXPECT_FLOAT_EQ(CLevelRules::OrangeTime(4, 3), 90.0f);
    EXPECT_FLOAT_EQ(CLevelRules::OrangeTime(4, 2), 60.0f);

    int32_t l[4];
    CLevelRules::TotemLevels(l, 1, 3);
    EXPECT_EQ((std::vector<int32_t>(l, l + 4)), (std::vector<int32_t>{1, 1, 0, 0}));
    CLevelRules::TotemLevels(l, 2, 1);
    EXPECT_EQ((std::vector<int32_t>(l, l + 4)), (std::vector<int32_t>{1, 1, 1, 1}));
    CLevelRules::TotemLevels(l, 3, 2);
    EXPECT_EQ((std::vector<int32_t>(l, l + 4)), (std::vector<int32_t>{2, 2, 1, 1}));
    CLevelRules::TotemLevels(l, 3, 3);
    EXPECT_EQ((std::vector<int32_t>(l, l + 4)), (std::vector<int32_t>{2, 2, 2, 2}));
    CLevelRules::TotemLevels(l, 4, 1);
    EXPECT_EQ((std::vector<int32_t>(l, l + 4)), (std::vector<int32_t>{2, 2, 2, 2}));

    EXPECT_EQ(CLevelRules::TotemPanelValue(1, 3), 6);
    EXPECT_EQ(CLevelRules::TotemPanelValue(2, 3), 9);
    EXPECT_EQ(CLevelRules::TotemPanelValue(3, 2), 10);
    EXPECT_EQ(CLevelRules::TotemPanelValue(3, 3), 12);
    EXPECT_EQ(CLevelRules::TotemPanelValue(4, 1), 11);
    EXPECT_EQ(CLevelRules::TotemPanelValue(4, 3), 15);

    int32_t a = -1, b = -1;
    CLevelRules::VioletTotemValues(1, 3, a, b);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
    CLevelRules::VioletTotemValues(2, 1, a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 0);
    CLevelRules::VioletTotemValues(3, 2, a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 0);
    CLevelRules::VioletTotemValues(3, 3, a, b);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);
    CLevelRules::VioletTotemValues(4, 1, a, b);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);
    CLevelRules::VioletTotemValues(0, 1, a, b);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
}

TEST(LevelRules, SplitLevelIntoStages) {
    struct Case {
        int32_t Level, Stage, InStage, Result;
    };
    const Case cases[] = {{1, 1, 1, 1},   {5, 1, 5, 1},   {6, 2, 1, 1},   {11, 2, 6, 1},
                          {12, 3, 1, 1},  {19, 3, 8, 1},  {20, 4, 1, 1},  {29, 4, 10, 1},
                          {30, 5, 1, 1},  {41, 5, 12, 1}, {42, 6, 1, 0},  {56, 6, 15, 0},
                          {57, 7, 1, 0},  {0, 1, 0, 1}};
    for (const Case& c : cases) {
        int32_t stage = -1, in = -1;
        EXPECT_EQ(CLevelRules::SplitLevel(c.Level, stage, in), c.Result) << c.Level;
        EXPECT_EQ(stage, c.Stage) << c.Level;
        EXPECT_EQ(in, c.InStage) << c.Level;
    }
    int32_t stage = 0, in = 0;
    EXPECT_EQ(CLevelRules::SplitLevel(2000000000, stage, in), 0);
    EXPECT_GE(in, 1);
    EXPECT_LE(in, 15);
}

TEST(LevelParams, SetUpValues) {
    CLevelParams p;
    EXPECT_EQ(p.GameMode, 0);
    EXPECT_EQ(p.GemCeiling, 4);
    EXPECT_FLOAT_EQ(p.GemRatio, 0.33334f);
    EXPECT_FLOAT_EQ(p.LevelTime, 240.0f);
    EXPECT_FLOAT_EQ(p.MaxLevelTime, 720.0f);
    EXPECT_FLOAT_EQ(p.StepSeconds, 10.0f);
    EXPECT_EQ(p.BonusTiers, (std::vector<int32_t>(6, 0)));
    EXPECT_EQ(p.TierOf(2), 0);
    EXPECT_EQ(p.TierOf(1), -1);
    EXPECT_EQ(p.TierOf(8), -1);
}

TEST(LevelParams, DrawChoosesAmongTheAllowedTypes) {
    Rand15::Global().Seed(12345);
    CLevelParams p;
    // TNT 2, Flash 3, Time 4, Adviser 5, Score 6, Solidarity 7.
    p.BonusTiers = {1, 2, 0, 3, 1, 2};
    std::map<int32_t, int> shortCounts, longCounts;
    for (int i = 0; i < 4000; ++i) {
        int32_t type = 0, level = -9;
        ASSERT_EQ(p.Draw(0, type, level), 1);
        ++shortCounts[type];
        EXPECT_EQ(level, p.TierOf(type));
        ASSERT_EQ(p.Draw(1, type, level), 1);
        ++longCounts[type];
        EXPECT_EQ(level, p.TierOf(type));
    }
    EXPECT_EQ((std::set<int32_t>{2, 3, 4, 6}), ([&] {
                  std::set<int32_t> s;
                  for (auto& [t, n] : shortCounts)
                      s.insert(t);
                  return s;
              }()));
    EXPECT_EQ(longCounts.size(), 2u);
    EXPECT_GT(longCounts[5], 0);
    EXPECT_GT(longCounts[7], 0);
    // Score is drawn again three times out of four: about 1/13 of the draws.
    EXPECT_LT(shortCounts[6], shortCounts[2] / 2);
    EXPECT_GT(shortCounts[6], 0);
}

TEST(LevelParams, DrawFallsBackAndFails) {
    Rand15::Global().Seed(7);
    CLevelParams p;
    p.BonusTiers = {-1, -1, 2, -1, -1, -1};  // only Time
    int32_t type = 0, level = 0;
    ASSERT_EQ(p.Draw(1, type, level), 1);  // neither Adviser nor Solidarity: the others
    EXPECT_EQ(type, 4);
    EXPECT_EQ(level, 2);

    p.BonusTiers = {-1, -1, -1, -1, 0, -1};  // only Score: the redraw still ends
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(p.Draw(0, type, level), 1);
        EXPECT_EQ(type, 6);
    }

    p.BonusTiers = {-1, -1, -1, 1, -1, -1};  // only Adviser: nothing for a row of four
    type = level = 77;
    EXPECT_EQ(p.Draw(0, type, level), 0);
    EXPECT_EQ(type, 77);
    EXPECT_EQ(p.Draw(1, type, level), 1);
    EXPECT_EQ(type, 5);

    p.BonusTiers.assign(6, -1);
    EXPECT_EQ(p.Draw(1, type, level), 0);
    EXPECT_EQ(p.Draw(0, type, level), 0);
}
