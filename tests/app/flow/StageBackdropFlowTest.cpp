// The stage backdrops through the whole game: winning the last level of each
// stage completes its backdrop (the Jungle's seventh flare waits, the temple
// door opens while the result is shown) and the next level, after any bonus
// level, opens on the next stage's backdrop with nothing lit; the end of the
// quest bursts the treasury's chest.
#include <gtest/gtest.h>

#include "app/flow/FlowHarness.h"
#include "audio/MusicPlayer.h"
#include "backgrounds/BackgroundsManager.h"
#include "platform/sound/FakeAudio.h"
#include "playerdata/ProfileSettings.h"
#include "playfield/PlayField.h"
#include "screens/ScreensManager.h"
#include "support/SamplePlays.h"
#include "ui/UxForm.h"

using namespace flowtest;

namespace {

// Starts `level` and waits for the play to begin.
bool Play(FlowHarness& h, int32_t level) {
    CGame& g = h.Game();
    g.StartLevel(level);
    return h.RunUntil([&] { return g.SubState == kSubPlay; }, 4.0f);
}

// Wins the level in play at once.
bool Win(FlowHarness& h) {
    h.Field().GemsToCollect = 0;
    return h.RunUntil([&] { return h.Game().SubState == kSubResult; }, 5.0f);
}

} // namespace

TEST(StageBackdropFlow, EachStagesLastLevelLeadsToTheNextBackdropAndTheQuestEndsWithTheChest) {
    FlowHarness h(17, true);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    CGame& g = h.Game();
    g.Profile->QuestTutorial = 0;
    CBackgroundsManager& b = *g.Backgrounds;
    const snd::FakeAudio& audio = *h.Audio();
    struct Case {
        int32_t level, backdrop, levelsInStage, next;
    } cases[] = {{5, CBackgroundsManager::kMuseum, 5, CBackgroundsManager::kJungle},
                 {11, CBackgroundsManager::kJungle, 6, CBackgroundsManager::kValley},
                 {19, CBackgroundsManager::kValley, 8, CBackgroundsManager::kDoor},
                 {29, CBackgroundsManager::kDoor, 10, CBackgroundsManager::kTreasury}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        ASSERT_TRUE(Play(h, c.level));
        EXPECT_EQ(b.GetCurrentId(), c.backdrop);
        EXPECT_EQ(b.GetStageResult(), c.levelsInStage - 1);
        ASSERT_TRUE(Win(h));
        EXPECT_EQ(b.GetStageResult(), c.levelsInStage) << "the stage is complete";
        if (c.backdrop == CBackgroundsManager::kJungle)
            EXPECT_EQ(b.Jungle().Elements.FlareSprites.size(), 7u)
                << "and its seventh flare waits for the sixth slot";
        if (c.backdrop == CBackgroundsManager::kDoor) {
            EXPECT_EQ(testsupport::SamplePlays(audio, "Door.wav"), 0);
            ASSERT_TRUE(h.RunUntil(
                [&] { return b.Door().DoorState() == CDoorBackground::kDoorSinking; }, 3.5f));
            EXPECT_EQ(testsupport::SamplePlays(audio, "Door.wav"), 1) << "the door opens";
        }
        // The results, then the bonus level that follows every fifth (let it
        // run out), then the shop, then the stage's newspaper page with the
        // map's music, then the map with the next level.
        ASSERT_TRUE(h.ClickControl(g.Screens->StatisticsForm, 30, 6.0f));
        CScreensManager& s = *g.Screens;
        ASSERT_TRUE(
            h.RunUntil([&] { return g.SubState == kSubShop || g.SubState == kSubBonus; }, 10.0f));
        if (g.SubState == kSubBonus) {
            EXPECT_EQ(g.MusicState, kMusicBonusLevel);
            h.Frames(12);
            h.Click(0.0f, 0.0f);
            h.Frames(60);
            g.BonusTime = 0.2f;
            ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubResult; }, 30.0f));
        }
        ASSERT_TRUE(h.PassShop(30.0f));
        ASSERT_TRUE(h.WaitForForm(s.NewspaperForm, 10.0f));
        EXPECT_EQ(g.MusicState, kMusicStoryline);
        const size_t page = static_cast<size_t>(&c - cases);
        for (size_t k = 0; k < s.NewspaperGroups.size(); ++k)
            EXPECT_EQ(s.NewspaperGroups[k].Windows.front()->Visible, k == page ? 1 : 0) << k;
        ASSERT_TRUE(h.PlayOnFromMap());
        EXPECT_EQ(g.MusicState, kMusicGameplay);
        EXPECT_EQ(g.Level, c.level + 1);
        EXPECT_EQ(b.GetCurrentId(), c.next);
        EXPECT_EQ(b.GetStageResult(), 0);
    }

    // The quest's last level: the twelfth gem, then the chest bursts.
    ASSERT_TRUE(Play(h, 41) && Win(h));
    EXPECT_EQ(b.GetStageResult(), 12);
    ASSERT_TRUE(h.ClickControl(g.Screens->StatisticsForm, 30, 6.0f)) << "its results first";
    ASSERT_TRUE(h.RunUntil(
        [&] { return b.Treasury().ChestState() == CTreasuryBackground::kChestBurst; }, 6.0f));
    EXPECT_EQ(testsupport::SamplePlays(audio, "Treasure.wav"), 1);
    EXPECT_FALSE(b.Treasury().Shards.empty());
    EXPECT_EQ(b.GetCurrentId(), CBackgroundsManager::kTreasury);
    EXPECT_EQ(g.Mode, kModeQuestEnd) << "the chest bursts over the end of the quest";
}
