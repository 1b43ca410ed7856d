// A quest saved, continued, damaged, sent back a level and stopped by a signal.
#include <gtest/gtest.h>

#include <algorithm>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <tuple>

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

    // A little play on level 2 with two of its gems collected, then "save and
    // quit" from the level menu.
    ScriptedPlayer(h).PlayLevel(6.0f);
    // The last swap's cascade may still be catching gems.
    ASSERT_TRUE(h.RunUntil([&] { return h.Field().IsIdle(true) == 1; }, 8.0f));
    const int32_t gemsLeft = g->LevelGems - 2;
    h.Field().GemsToCollect = gemsLeft;
    ASSERT_TRUE(
        h.RunUntil([&] { return inPlayCapture() && g->Quest->GemsRemaining == gemsLeft; }, 10.0f));
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
    EXPECT_EQ(h.Field().GemsToCollect, gemsLeft) << "the gems collected stay collected";
    EXPECT_EQ(g->GemsBar->TotalCollected(), 2);

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
    ASSERT_TRUE(h.RunUntil([&] { return h.ClickLostLifeCard(), g->SubState == kSubShop; }, 12.0f));
    ASSERT_TRUE(h.PassShop() && h.ClickControl(g->Screens->MapForm, 150, 8.0f));
    EXPECT_EQ(g->Level, 2);
    EXPECT_EQ(g->Lives, 2);
    EXPECT_EQ(h.Field().Counters.Sets[1].Get(0), shop.Counters.Sets[1].Get(0));
    ASSERT_EQ(saved.Load(folder + "Quest.sav"), 1) << "the loss stands in the main save";
    EXPECT_EQ(saved.Lives, 2);
}

// A quit between the quest's own saves (menu or window) loses and escapes nothing:
// Continue gives back that moment's level, lives and stars. Game over leaves no save.
TEST(SaveFlow, AQuitAtAnyMomentContinuesWhereItLeftOff) {
    FlowHarness h(29);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    CGame* g = &h.Game();
    const auto at = [&](int32_t s) { return h.RunUntil([&] { return g->SubState == s; }, 6.0f); };
    const auto win = [&] { return at(kSubPlay) && (h.Field().GemsToCollect = 0, at(kSubResult)); };
    const auto timeUp = [&] { return at(kSubPlay) && (g->TimeLeft = 0.1f, at(kSubLostLevel)); };
    const auto bonus = [&] {
        return h.PlayOnFromMap(15.0f) && (g->StartLevel(5), win()) &&
               h.ClickControl(g->Screens->StatisticsForm, 30, 6.0f) && at(kSubBonus);
    };
    // How the moment is reached, quit from the menu, resumed in the shop, level-lives-stars.
    using Expected = std::tuple<int32_t, int32_t, int32_t>;
    const std::tuple<std::function<bool()>, bool, bool, Expected> moments[] = {
        // A new quest's first intro, its card left waiting for the click.
        {[&] { return !(h.ClickCards = false); }, true, false, {1, 3, 0}},
        {timeUp, false, false, {1, 2, 0}}, // no copy to go back to
        {win, true, true, {1, 2, 1}},
        {[&] { return h.PlayOnFromMap(15.0f) && timeUp(); }, true, true, {1, 1, 1}},
        {bonus, false, true, {5, 1, 2}}};
    for (const auto& [reach, byMenu, inShop, expected] : moments) {
        g->Profile->QuestTutorial = 0;
        ASSERT_TRUE(reach());
        ASSERT_TRUE(!byMenu || (h.ClickControl(g->Screens->QuestForm, 10) &&
                                h.ClickControl(g->Screens->GameMenuForm, 13) &&
                                h.RunUntil([&] { return g->Mode == kModeMenu; }, 6.0f)));
        h.ClickCards = true;
        ASSERT_TRUE(h.Restart(31) && (g = &h.Game()) &&
                    h.ClickControl(g->Screens->MainMenuForm, 1) &&
                    h.ClickControl(g->Screens->StartQuestForm, 211));
        ASSERT_TRUE(
            h.RunUntil([&] { return inShop ? g->InShop() : g->Mode == kModeLevelIntro; }, 3.0f));
        EXPECT_EQ(Expected(g->Level, g->Lives, g->GoldenStars()), expected);
    }
    const std::string folder = "Players/" + g->Profile->Name + "/";
    ASSERT_TRUE(h.PlayOnFromMap(15.0f) && std::filesystem::remove(folder + "QuestAS2.sav"));
    ASSERT_TRUE(timeUp() && at(kSubGameOver) && !std::filesystem::exists(folder + "Quest.sav"));
}

// After a game over the next start begins a new quest; the window closed while
// the last life goes still puts the quest's score on the table, and no save.
TEST(SaveFlow, AfterTheLastLifeANewQuestAndTheScoreOnTheTable) {
    FlowHarness h(29);
    START_GAME(h);
    CGame* g = &h.Game();
    const auto at = [&](int32_t s) { return h.RunUntil([&] { return g->SubState == s; }, 6.0f); };
    const auto timeUp = [&] { return at(kSubPlay) && (g->TimeLeft = 0.1f, at(kSubLostLevel)); };
    const std::string folder = "Players/" + g->Profile->Name + "/";
    g->Profile->QuestTutorial = 0;
    ASSERT_TRUE(at(kSubPlay));
    g->Lives = 1;
    ASSERT_TRUE(timeUp() && at(kSubGameOver) && !std::filesystem::exists(folder + "Quest.sav"));
    ASSERT_TRUE(h.Restart(37) && (g = &h.Game()) && h.ClickControl(g->Screens->MainMenuForm, 1));
    EXPECT_TRUE(h.PassStory() && !g->Screens->StartQuestForm->Visible);
    // The window closed while the last life goes: the quest's score still
    // reaches the table.
    g->Profile->QuestTutorial = 0;
    ASSERT_TRUE(h.PlayOnFromMap(15.0f) && at(kSubPlay));
    g->Lives = 1;
    h.Field().Counters.Sets[1].Add(54321, CCounterSet::kScore);
    ASSERT_TRUE(timeUp() && h.Restart(41) && (g = &h.Game()));
    EXPECT_TRUE(std::any_of(g->Scores.Rows.begin(), g->Scores.Rows.end(),
                            [](const CScoreTable::Row& r) { return r.Score == 54321; }));
    EXPECT_FALSE(std::filesystem::exists(folder + "Quest.sav"));
}
