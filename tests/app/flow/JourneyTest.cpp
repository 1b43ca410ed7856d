// One player's quest, played through the window as a person plays it: every
// click, key and letter is an SDL event at the pixel where the control is
// drawn, read by the window's own pump. A new player starts from the main
// menu, wins two levels, buys in the shop and closes the window in the third;
// the next run continues there, falls back to the shop's copy when the save is
// damaged, gets that copy back when a life is lost, and from a save prepared
// before the last level ends the quest: the finale, the high-score table, the
// trophy.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/flow/FlowHarness.h"
#include "app/flow/ScriptedPlayer.h"
#include "platform/os/Window.h"
#include "playerdata/ProfileSettings.h"
#include "playerdata/QuestState.h"
#include "playerdata/Trophies.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "screens/UpgradeState.h"
#include "support/TempDir.h"

using namespace flowtest;

namespace {

std::string Text(const CSharedPtr<CUxWindow>& w) {
    return CScreensManager::WindowText(w);
}

bool Ready(const CSharedPtr<CUxForm>& f) {
    return f->Visible && f->Active;
}

} // namespace

TEST(Journey, OnePlayersQuestFromTheMainMenuToTheTrophies) {
    FlowHarness h(41);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    h.CloseAwards = false; // the player closes them
    CGame* g = &h.Game();
    const std::string folder = "Players/" + g->Profile->Name + "/";
    constexpr int32_t kTnt = CUpgradeState::kFirstBonusItem; // on sale from level 2
    const auto play = [&](float seconds) { return ScriptedPlayer(h).PlayLevel(seconds); };
    const auto score = [&] {
        return h.Field().Counters.Sets[CProfileCounters::kQuestTotals].Get(CCounterSet::kScore);
    };
    const auto inPlay = [&] { return h.RunUntil([&] { return g->SubState == kSubPlay; }, 6.0f); };
    // Save and quit from the level's menu; a score good enough for the table
    // is shown there first.
    const auto quitToMenu = [&] {
        CScreensManager& m = *g->Screens;
        h.Key(os::Vk::Escape);
        if (!h.ClickControl(m.GameMenuForm, 13) ||
            !h.RunUntil([&] { return g->Mode == kModeMenu; }, 6.0f))
            return false;
        if (h.WaitForForm(m.MsgBoxForm, 1.0f) &&
            !(h.ClickControl(m.MsgBoxForm, 200) && h.ClickControl(m.HighScoresForm, 250)))
            return false;
        return h.WaitForForm(m.MainMenuForm);
    };

    // Level 1 won, its star buys the TNT bonus; level 2 won.
    ASSERT_EQ(play(300.0f), ScriptedPlayer::kWon);
    ASSERT_TRUE(h.PlayOnFromMap(8.0f, kTnt));
    EXPECT_EQ(g->Shop->upgrades.tier[kTnt], 1);
    ASSERT_EQ(play(300.0f), ScriptedPlayer::kWon);
    ASSERT_TRUE(h.PlayOnFromMap());
    ASSERT_EQ(g->Level, 3);
    const int32_t afterTwo = score();

    // A few moves in level 3; once the board is taken for the save, the
    // window is closed.
    play(4.0f);
    if (g->TipOpen == 1)
        h.Click(100.0f, 0.0f);
    ASSERT_TRUE(h.RunUntil(
        [&] {
            return g->Quest->SavedSubState == CQuestState::kTakenInPlay && g->CaptureClock == 0.0f;
        },
        15.0f));
    const int32_t atQuit = g->Quest->Counters.Sets[CProfileCounters::kQuestTotals].Get(0);
    ASSERT_TRUE(h.Restart(43));
    g = &h.Game();
    CScreensManager& s = *g->Screens;

    // The next run offers the quest where it stopped and goes on there.
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 1));
    EXPECT_EQ(Text(s.StartQuestControl1), "1-3\nNormal");
    ASSERT_TRUE(h.ClickControl(s.StartQuestForm, 211) && inPlay());
    EXPECT_EQ(g->Level, 3);
    EXPECT_EQ(score(), atQuit);
    EXPECT_EQ(g->Shop->upgrades.tier[kTnt], 1) << "the TNT bought in the first run";

    // Back to the menu from the level; the save it leaves is damaged on the
    // disk: the shop's copy after level 2 is offered instead, and said so.
    ASSERT_TRUE(quitToMenu());
    testsupport::WriteFile(folder + "Quest.sav", "damaged");
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 1));
    EXPECT_EQ(s.MsgBoxPurpose, CScreensManager::kPurposeLevelNotice);
    ASSERT_TRUE(h.ClickControl(s.MsgBoxForm, 200));
    EXPECT_EQ(Text(s.StartQuestControl1), "1-3\nNormal");
    ASSERT_TRUE(h.ClickControl(s.StartQuestForm, 211) && h.PlayOnFromMap());
    EXPECT_EQ(g->Level, 3);
    EXPECT_EQ(score(), afterTwo);

    // Time runs out: the life goes, and the copy comes back once more.
    ASSERT_TRUE(inPlay());
    play(3.0f);
    g->TimeLeft = 0.1f;
    ASSERT_EQ(play(5.0f), ScriptedPlayer::kLost);
    ASSERT_TRUE(h.PlayOnFromMap(12.0f) && inPlay());
    EXPECT_EQ(g->Level, 3);
    EXPECT_EQ(score(), afterTwo);
    EXPECT_EQ(Text(s.LivesLabel), "2");

    // The copy made ready for the last level, with a score for the table.
    ASSERT_TRUE(quitToMenu());
    CQuestState last;
    ASSERT_EQ(last.Load(folder + "QuestAS1.sav"), 1);
    last.Level = CGame::kQuestLevels - 1;
    last.Counters.Sets[CProfileCounters::kQuestTotals].Counters[0] = 60000;
    ASSERT_EQ(last.Save(folder + "Quest.sav"), 1);
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 1));
    EXPECT_EQ(Text(s.StartQuestControl1), "5-12\nNormal");
    ASSERT_TRUE(h.ClickControl(s.StartQuestForm, 211) && h.PlayOnFromMap());
    ASSERT_EQ(g->Level, CGame::kQuestLevels);

    // The last level won: its awards, the finale with the closing page, the
    // new row of the high-score table, and the quest's trophy on its screen.
    ASSERT_EQ(play(3.0f), ScriptedPlayer::kOutOfTime);
    h.Field().GemsToCollect = 0;
    ASSERT_EQ(play(5.0f), ScriptedPlayer::kWon);
    ASSERT_TRUE(
        h.RunUntil([&] { return g->Mode == kModeQuestEnd || Ready(s.TrophiesForm); }, 8.0f));
    if (Ready(s.TrophiesForm)) {
        ASSERT_TRUE(h.ClickControl(s.TrophiesForm, FlowHarness::kIdAwardsClose));
    }
    ASSERT_TRUE(h.ClickControl(s.WinForm, 161, 10.0f));
    EXPECT_EQ(s.MsgBoxPurpose, CScreensManager::kPurposeHighScore);
    ASSERT_TRUE(h.ClickControl(s.MsgBoxForm, 200) && h.WaitForForm(s.HighScoresForm));
    ASSERT_GE(s.HighScoreNewRow, 0);
    EXPECT_EQ(
        Text(s.HighScoreNames[static_cast<size_t>(s.HighScoreNewRow)]).rfind(g->Profile->Name, 0),
        0u);
    ASSERT_TRUE(h.ClickControl(s.HighScoresForm, 250));
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 20) && h.WaitForForm(s.TrophiesForm));
    EXPECT_TRUE(s.TrophyGroups200[CTrophies::kQuestWon].Windows[0]->Visible);
    const std::string trophies = testsupport::ReadFile(folder + CTrophies::kFileName);
    ASSERT_EQ(trophies.size(), 36u);
    EXPECT_GE(trophies[4 * CTrophies::kQuestWon], 1);
    ASSERT_TRUE(h.ClickControl(s.TrophiesForm, FlowHarness::kIdAwardsClose));
    EXPECT_TRUE(h.WaitForForm(s.MainMenuForm));
    EXPECT_FALSE(std::filesystem::exists(folder + "Quest.sav")) << "the ended quest's save goes";
}
