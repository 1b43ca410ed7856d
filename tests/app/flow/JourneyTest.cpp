// One player's quest through the window, every input an SDL event at the pixel
// the control is drawn at: two levels and a purchase, a quit and a continue, a
// damaged save, a lost life, and (from a save prepared before it) the last
// level with the finale, the high-score table and the trophy.
#include <gtest/gtest.h>

#include <SDL.h>

#include <filesystem>
#include <set>

#include "app/flow/FlowHarness.h"
#include "app/flow/OnBackEnd.h"
#include "app/flow/ScriptedPlayer.h"
#include "playerdata/ProfileSettings.h"
#include "playerdata/QuestState.h"
#include "playerdata/Trophies.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "support/TempDir.h"

using namespace flowtest;

// On each back end: the rest of the suite draws through the software one.
class Journey : public OnBackEnd {};

INSTANTIATE_TEST_SUITE_P(BackEnds, Journey, ::testing::Values("soft", "gl", "surface"),
                         BackEndName);

TEST_P(Journey, OnePlayersQuestFromTheMainMenuToTheTrophies) {
    FlowHarness h(41);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    if (std::string(GetParam()) == "surface") {
        // A window without GL: the frames reach it through its surface.
        EXPECT_FALSE(h.Window().HasGl());
        h.Frames(20);
        const SDL_Surface* shown = SDL_GetWindowSurface(h.Window().Sdl());
        ASSERT_NE(shown, nullptr);
        std::set<uint32_t> colours;
        for (int y = 0; y < shown->h; y += 7)
            for (int x = 0; x < shown->w; x += 7)
                colours.insert(static_cast<const uint32_t*>(
                    shown->pixels)[static_cast<size_t>(y) * shown->pitch / 4 + x]);
        EXPECT_GT(colours.size(), 100u) << "the first screen is on the window";
    }
    h.CloseAwards = false; // the player closes them
    CGame* g = &h.Game();
    const std::string folder = "Players/" + g->Profile->Name + "/";
    const int32_t tnt = CUpgradeState::kFirstBonusItem; // on sale from level 2
    const auto play = [&](float seconds) { return ScriptedPlayer(h).PlayLevel(seconds); };
    const auto score = [&] { return h.Field().Counters.Sets[1].Get(0); };
    std::string offered;
    bool notice = false;

    // Level 1 won, its star buys the TNT bonus; level 2 won; a few moves in
    // level 3, and once the board is taken for the save the window closes.
    ASSERT_EQ(play(300.0f), ScriptedPlayer::kWon);
    ASSERT_TRUE(h.PlayOnFromMap(8.0f, tnt));
    ASSERT_EQ(play(300.0f), ScriptedPlayer::kWon);
    ASSERT_TRUE(h.PlayOnFromMap());
    const int32_t afterTwo = score();
    play(4.0f);
    if (g->TipOpen == 1)
        h.Click(100.0f, 0.0f);
    ASSERT_TRUE(h.RunUntil(
        [&] {
            return g->Quest->SavedSubState == CQuestState::kTakenInPlay && g->CaptureClock == 0;
        },
        15.0f));
    const int32_t atQuit = g->Quest->Counters.Sets[1].Get(0);
    ASSERT_TRUE(h.Restart(43));
    g = &h.Game();
    CScreensManager& s = *g->Screens;

    // The next run goes on there, the TNT bought; then, its save damaged on
    // the disk, the shop's copy after level 2 comes instead, and is said to.
    ASSERT_TRUE(h.ContinueQuest(&offered, &notice));
    EXPECT_EQ(offered + (notice ? ", damaged" : ""), "1-3\nNormal");
    EXPECT_EQ(score(), atQuit);
    EXPECT_EQ(g->Shop->upgrades.tier[tnt], 1);
    ASSERT_TRUE(h.SaveAndQuit());
    testsupport::WriteFile(folder + "Quest.sav", "damaged");
    ASSERT_TRUE(h.ContinueQuest(&offered, &notice));
    EXPECT_EQ(offered + (notice ? ", damaged" : ""), "1-3\nNormal, damaged");
    EXPECT_EQ(score(), afterTwo);

    // Time runs out: the life goes, and the copy comes back once more.
    play(3.0f);
    g->TimeLeft = 0.1f;
    ASSERT_EQ(play(5.0f), ScriptedPlayer::kLost);
    ASSERT_TRUE(h.PlayOnFromMap(12.0f));
    EXPECT_EQ(g->Level, 3);
    EXPECT_EQ(score(), afterTwo);
    EXPECT_EQ(CScreensManager::WindowText(s.LivesLabel), "2");

    // The copy made ready for the last level, with a score for the table;
    // the level won: its results, its awards, the finale's closing page, the
    // new row of the high-score table, and the quest's trophy on the trophy
    // screen.
    ASSERT_TRUE(h.RunUntil([&] { return g->SubState == kSubPlay; }, 6.0f) && h.SaveAndQuit());
    CQuestState last;
    ASSERT_EQ(last.Load(folder + "QuestAS1.sav"), 1);
    last.Level = CGame::kQuestLevels - 1;
    last.Counters.Sets[1].Counters[0] = 60000;
    ASSERT_EQ(last.Save(folder + "Quest.sav"), 1);
    ASSERT_TRUE(h.ContinueQuest(&offered, &notice));
    EXPECT_EQ(offered, "5-12\nNormal");
    play(3.0f);
    h.Field().GemsToCollect = 0;
    ASSERT_EQ(play(5.0f), ScriptedPlayer::kWon);
    ASSERT_TRUE(h.ClickControl(s.StatisticsForm, 30, 8.0f));
    const CSharedPtr<CUxForm>& awards = s.TrophiesForm;
    ASSERT_TRUE(h.RunUntil([&] { return g->Mode == kModeQuestEnd || awards->Visible; }, 8.0f));
    ASSERT_TRUE(!awards->Visible || h.ClickControl(awards, FlowHarness::kIdAwardsClose));
    ASSERT_TRUE(h.ClickControl(s.WinForm, 161, 10.0f));
    ASSERT_TRUE(h.ClickControl(s.MsgBoxForm, 200) && h.WaitForForm(s.HighScoresForm));
    ASSERT_GE(s.HighScoreNewRow, 0);
    const std::string row =
        CScreensManager::WindowText(s.HighScoreNames[size_t(s.HighScoreNewRow)]);
    EXPECT_EQ(row.rfind(g->Profile->Name, 0), 0u);
    ASSERT_TRUE(h.ClickControl(s.HighScoresForm, 250) && h.ClickControl(s.MainMenuForm, 20));
    ASSERT_TRUE(h.WaitForForm(s.TrophiesForm));
    EXPECT_TRUE(s.TrophyGroups200[CTrophies::kQuestWon].Windows[0]->Visible);
    EXPECT_GE(testsupport::ReadFile(folder + CTrophies::kFileName).at(4 * CTrophies::kQuestWon), 1);
    EXPECT_TRUE(h.ClickControl(s.TrophiesForm, FlowHarness::kIdAwardsClose));
    EXPECT_FALSE(std::filesystem::exists(folder + "Quest.sav")) << "the ended quest's save goes";
}
