// The end of a stage through the whole game: winning the last level of the
// first and of the second stage completes that stage's backdrop, and the next
// level (after the bonus level that follows the fifth) opens on the Jungle,
// then on the Valley, with nothing lit yet.
#include <gtest/gtest.h>

#include "app/flow/FlowHarness.h"
#include "backgrounds/BackgroundsManager.h"
#include "playerdata/ProfileSettings.h"

using namespace flowtest;

TEST(StageBackdrops, TheLastLevelOfAStageOpensTheNextStagesBackdrop) {
    FlowHarness h(17);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    CGame& g = h.Game();
    g.Profile->QuestTutorial = 0;
    struct Case {
        int32_t level, backdrop, levelsInStage, next;
    } cases[] = {{5, CBackgroundsManager::kMuseum, 5, CBackgroundsManager::kJungle},
                 {11, CBackgroundsManager::kJungle, 6, CBackgroundsManager::kValley}};
    for (const Case& c : cases) {
        g.StartLevel(c.level);
        EXPECT_EQ(g.Backgrounds->GetCurrentId(), c.backdrop);
        EXPECT_EQ(g.Backgrounds->GetStageResult(), c.levelsInStage - 1);
        ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 4.0f)) << c.level;
        h.Field().GemsToCollect = 0;
        ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubResult; }, 5.0f)) << c.level;
        EXPECT_EQ(g.Backgrounds->GetStageResult(), c.levelsInStage) << "the stage is complete";
        if (c.backdrop == CBackgroundsManager::kJungle)
            EXPECT_EQ(g.Backgrounds->Jungle().Elements.FlareSprites.size(), 7u)
                << "and its seventh flare waits for the sixth slot";
        ASSERT_TRUE(h.RunUntil([&] { return g.Mode == kModeLevelIntro || g.SubState == kSubBonus; },
                               10.0f));
        if (g.SubState == kSubBonus) { // a bonus level follows every fifth: let it run out
            h.Frames(12);
            h.Click(0.0f, 0.0f);
            h.Frames(60);
            g.BonusTime = 0.2f;
        }
        ASSERT_TRUE(h.RunUntil([&] { return g.Mode == kModeLevelIntro; }, 30.0f)) << c.level;
        EXPECT_EQ(g.Level, c.level + 1);
        EXPECT_EQ(g.Backgrounds->GetCurrentId(), c.next);
        EXPECT_EQ(g.Backgrounds->GetStageResult(), 0);
    }
}
