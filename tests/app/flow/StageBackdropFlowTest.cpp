// The stage backdrops through the game: winning the last level of stage 3
// leads to the temple door, winning the last level of stage 4 opens it and
// leads to the treasury, and the end of the quest bursts the chest.
#include <gtest/gtest.h>

#include "app/flow/FlowHarness.h"
#include "backgrounds/BackgroundsManager.h"
#include "platform/sound/FakeAudio.h"
#include "playerdata/ProfileSettings.h"
#include "playfield/PlayField.h"
#include "support/SamplePlays.h"

using namespace flowtest;

namespace {

// Starts `level` and wins it at once once the play begins.
bool WinLevel(FlowHarness& h, int32_t level) {
    CGame& g = h.Game();
    g.StartLevel(level);
    if (!h.RunUntil([&] { return g.SubState == kSubPlay; }, 4.0f))
        return false;
    h.Field().GemsToCollect = 0;
    return h.RunUntil([&] { return g.SubState == kSubResult; }, 5.0f);
}

} // namespace

TEST(StageBackdropFlow, TheDoorOpensOnTheWayToTheTreasuryWhoseChestEndsTheQuest) {
    FlowHarness h(17, true);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    CGame& g = h.Game();
    g.Profile->QuestTutorial = 0;
    CBackgroundsManager& b = *g.Backgrounds;
    const snd::FakeAudio& audio = *h.Audio();

    // The last level of the valley: the next one stands before the door.
    ASSERT_TRUE(WinLevel(h, 19));
    EXPECT_EQ(b.GetCurrentId(), CBackgroundsManager::kValley);
    ASSERT_TRUE(h.RunUntil([&] { return g.Mode == kModeLevelIntro && g.Level == 20; }, 10.0f));
    EXPECT_EQ(b.GetCurrentId(), CBackgroundsManager::kDoor);
    EXPECT_EQ(b.GetStageResult(), 0);

    // The last level of the door's stage: ten lit gems, and the door opens
    // while the result is shown.
    ASSERT_TRUE(WinLevel(h, 29));
    EXPECT_EQ(b.GetStageResult(), 10);
    EXPECT_EQ(testsupport::SamplePlays(audio, "Door.wav"), 0);
    ASSERT_TRUE(
        h.RunUntil([&] { return b.Door().DoorState() == CDoorBackground::kDoorSinking; }, 3.5f));
    EXPECT_EQ(testsupport::SamplePlays(audio, "Door.wav"), 1);
    ASSERT_TRUE(h.RunUntil([&] { return g.Mode == kModeLevelIntro && g.Level == 30; }, 10.0f));
    EXPECT_EQ(b.GetCurrentId(), CBackgroundsManager::kTreasury);

    // The quest's last level: the twelfth gem, then the chest bursts.
    ASSERT_TRUE(WinLevel(h, 41));
    EXPECT_EQ(b.GetStageResult(), 12);
    ASSERT_TRUE(h.RunUntil(
        [&] { return b.Treasury().ChestState() == CTreasuryBackground::kChestBurst; }, 6.0f));
    EXPECT_EQ(testsupport::SamplePlays(audio, "Treasure.wav"), 1);
    EXPECT_FALSE(b.Treasury().Shards.empty());
    EXPECT_EQ(b.GetCurrentId(), CBackgroundsManager::kTreasury);
    EXPECT_EQ(g.Mode, kModeQuestEnd) << "the chest bursts over the end of the quest";
}
