// A quest saved, continued, damaged, sent back a level and stopped by a signal.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include "app/flow/FlowHarness.h"
#include "app/flow/ScriptedPlayer.h"
#include "platform/os/Window.h"
#include "playerdata/ProfileSettings.h"
#include "playerdata/QuestState.h"
#include "playfield/GemsBar.h"
#include "screens/ScreensManager.h"
#include "support/TempDir.h"

using namespace flowtest;

TEST(SaveFlow, QuitContinueFallBackLoseALifeAndStopOnASignal) {
    FlowHarness h(17);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    CGame* g = &h.Game();
    g->Profile->QuestTutorial = 0;
    const std::string folder = "Players/" + g->Profile->Name + "/";
    const auto restart = [&](uint32_t seed) { return h.Restart(seed) && (g = &h.Game()); };
    const auto inPlayCapture = [&] {
        return g->SubState == kSubPlay && g->Quest->State == CQuestState::kWorthSaving &&
               g->Quest->SavedSubState == CQuestState::kTakenInPlay;
    };

    // Level 1 won: the shop's automatic copy, then level 2 from the map.
    ASSERT_TRUE(h.RunUntil([&] { return g->SubState == kSubPlay; }, 4.0f));
    h.Field().GemsToCollect = 0;
    ASSERT_TRUE(h.PlayOnFromMap(15.0f));
    CQuestState shop;
    ASSERT_EQ(shop.Load(folder + "QuestAS1.sav"), 1) << h.Log();

    // A little play on level 2, then "save and quit" from the level menu.
    ScriptedPlayer(h).PlayLevel(6.0f);
    ASSERT_TRUE(h.RunUntil(inPlayCapture, 10.0f));
    h.Key(os::Vk::Escape);
    ASSERT_TRUE(h.ClickControl(g->Screens->GameMenuForm, 13));
    ASSERT_TRUE(h.RunUntil([&] { return g->Mode == kModeMenu; }, 6.0f));
    CQuestState saved;
    ASSERT_EQ(saved.Load(folder + "Quest.sav"), 1);

    // The next run continues it: the same level, board, score and clock.
    ASSERT_TRUE(restart(19));
    ASSERT_TRUE(h.ClickControl(g->Screens->MainMenuForm, 1));
    EXPECT_EQ(CScreensManager::WindowText(g->Screens->StartQuestControl1), "1-2\nNormal");
    ASSERT_TRUE(h.ClickControl(g->Screens->StartQuestForm, 211));
    ASSERT_TRUE(h.RunUntil([&] { return h.Field().IsIdle(true) == 1; }, 5.0f));
    for (int32_t r = 0; r < 8; ++r)
        for (int32_t c = 0; c < 8; ++c) {
            const CSharedPtr<CCap>& cap = h.Field().CapAt(c, r);
            ASSERT_FALSE(cap.IsNull());
            EXPECT_EQ(cap->IsSteel() ? 101 : cap->Colour + 1,
                      std::abs(saved.Cell(CQuestState::kColourGrid, c, r)));
        }
    EXPECT_EQ(h.Field().Counters.Sets[1].Get(0), saved.Counters.Sets[1].Get(0));
    EXPECT_FLOAT_EQ(g->TimeLeft, saved.TimeLeft);
    EXPECT_EQ(g->GemsBar->TotalCollected() + h.Field().GemsToCollect, g->LevelGems);

    // A stop signal ends the loop like a closed window, with the save.
    ASSERT_TRUE(h.RunUntil(inPlayCapture, 10.0f));
    CMainLoop::InstallStopSignals();
    std::raise(SIGTERM);
    CMainLoop loop(h.Window(), *g, MainLoopLimits{50, 0});
    EXPECT_EQ(loop.Run(), 0);
    EXPECT_EQ(loop.Frames(), 0);
    ASSERT_EQ(saved.Load(folder + "Quest.sav"), 1);
    EXPECT_EQ(saved.SavedSubState, CQuestState::kTakenInPlay);

    // A damaged main save: the shop's copy is offered, and the player is told.
    ASSERT_TRUE(restart(23));
    testsupport::WriteFile(folder + "Quest.sav", "damaged");
    ASSERT_TRUE(h.ClickControl(g->Screens->MainMenuForm, 1));
    ASSERT_TRUE(h.ClickControl(g->Screens->MsgBoxForm, 200));
    ASSERT_TRUE(h.ClickControl(g->Screens->StartQuestForm, 211));
    ASSERT_TRUE(h.PassShop() && h.ClickControl(g->Screens->MapForm, 150));
    EXPECT_EQ(g->Level, 2);
    EXPECT_EQ(g->GoldenStars(), 1);

    // Time runs out: the life goes and the game goes back to that copy.
    ASSERT_TRUE(h.RunUntil([&] { return g->SubState == kSubPlay; }, 4.0f));
    h.Field().Counters.Sets[1].Counters[0] += 500;
    g->TimeLeft = 0.1f;
    ASSERT_TRUE(h.RunUntil([&] { return g->SubState == kSubShop; }, 12.0f));
    ASSERT_TRUE(h.PassShop() && h.ClickControl(g->Screens->MapForm, 150, 8.0f));
    EXPECT_EQ(g->Level, 2);
    EXPECT_EQ(g->Lives, 2);
    EXPECT_EQ(h.Field().Counters.Sets[1].Get(0), shop.Counters.Sets[1].Get(0));
    ASSERT_EQ(saved.Load(folder + "Quest.sav"), 1) << "the loss stands in the main save";
    EXPECT_EQ(saved.Lives, 2);
}
