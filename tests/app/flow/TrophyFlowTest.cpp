// A score trophy earned in play flies onto the trophy screen after the level's
// results, is kept in the player's file and is there again from the menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <utility>
#include <vector>

#include "app/flow/FlowHarness.h"
#include "app/flow/ScriptedPlayer.h"
#include "engine/TextSprite.h"
#include "playerdata/LevelBestTable.h"
#include "playerdata/ProfileSettings.h"
#include "playerdata/Trophies.h"
#include "screens/ScreensManager.h"
#include "support/TempDir.h"
#include "ui/UxForm.h"

using namespace flowtest;

namespace {

using Awards = std::vector<std::pair<int32_t, int32_t>>;

// The trophies of "Trophies.dat" of the player's folder that do not stand at
// their level there (all of them when the file is missing).
Awards NotKept(const std::string& folder, const Awards& awards) {
    const std::string saved = testsupport::ReadFile(folder + "Trophies.dat");
    Awards missing;
    for (const auto& [trophy, level] : awards)
        if (saved.size() != 36u || saved[static_cast<size_t>(4 * trophy)] != level)
            missing.emplace_back(trophy, level);
    return missing;
}

enum Way { kSaveAndQuitAtResults, kStopSignalAtResults, kCloseBeforeALanding, kCloseAfterTwo };

// One test per way of leaving, each in a game of its own.
class TrophyFlowLeaving : public ::testing::TestWithParam<Way> {};

std::string WayName(const ::testing::TestParamInfo<Way>& info) {
    const char* const names[] = {"SaveAndQuitAtResults", "StopSignalAtResults",
                                 "CloseBeforeALanding", "CloseAfterTwo"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Ways, TrophyFlowLeaving,
                         ::testing::Values(kSaveAndQuitAtResults, kStopSignalAtResults,
                                           kCloseBeforeALanding, kCloseAfterTwo),
                         WayName);

// However the game is left while a won level's awards wait (its results, the
// trophy screen before the first one lands or between landings), they are
// the player's at the next start, and the quest goes on in that level's shop.
TEST_P(TrophyFlowLeaving, AwardsWaitingAtALevelsEndAreKept) {
    const Way way = GetParam();
    FlowHarness h(43);
    START_GAME(h);
    h.CloseAwards = false;
    CGame* g = &h.Game();
    CTrophies& t = *g->Trophies;
    g->Profile->QuestTutorial = 0;
    const std::string folder = "Players/" + g->Profile->Name + "/";
    ASSERT_TRUE(h.RunUntil([&] { return g->SubState == kSubPlay; }, 6.0f));
    // Won with a top score, the tenth level done, seconds before the end.
    h.Field().Counters.Sets[1].Counters[0] = 600000;
    h.Field().Trophy5Progress = 9;
    g->TimeLeft = 3.5f;
    h.Field().GemsToCollect = 0;
    ASSERT_TRUE(h.WaitForForm(g->Screens->StatisticsForm, 8.0f));
    const Awards earned = t.Pending;
    ASSERT_GE(earned.size(), 3u);
    if (way == kSaveAndQuitAtResults) {
        ASSERT_TRUE(h.SaveAndQuit());
    } else if (way == kStopSignalAtResults) {
        CMainLoop::InstallStopSignals();
        std::raise(SIGTERM);
        CMainLoop loop(h.Window(), *g, MainLoopLimits{50, 0});
        EXPECT_EQ(loop.Run(), 0);
    } else {
        ASSERT_TRUE(h.ClickControl(g->Screens->StatisticsForm, 30, 6.0f) &&
                    h.WaitForForm(g->Screens->TrophiesForm, 6.0f));
        const size_t left = way == kCloseAfterTwo ? earned.size() - 2 : earned.size();
        ASSERT_TRUE(h.RunUntil([&] { return t.Pending.size() == left; }, 5.0f));
    }
    if (way == kSaveAndQuitAtResults || way == kStopSignalAtResults) {
        EXPECT_EQ(NotKept(folder, earned), Awards());
    }
    ASSERT_TRUE(h.Restart(47));
    g = &h.Game();
    EXPECT_EQ(NotKept(folder, earned), Awards());
    ASSERT_TRUE(h.ClickControl(g->Screens->MainMenuForm, 1) &&
                h.ClickControl(g->Screens->StartQuestForm, 211));
    EXPECT_TRUE(h.RunUntil([&] { return g->InShop(); }, 3.0f));
    EXPECT_EQ(g->Level, 1);
}

TEST(TrophyFlow, AScoreTrophyEarnedInPlayLandsOnTheTrophyScreen) {
    FlowHarness h(29);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    h.CloseAwards = false;
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    CTrophies& t = *g.Trophies;
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 6.0f));

    // Just short of the first score trophy: the player's first rows pass it.
    h.Field().Counters.Sets[1].Counters[0] = 499990;
    ScriptedPlayer player(h);
    ASSERT_EQ(player.PlayLevel(4.0f), ScriptedPlayer::kOutOfTime);
    const auto score = std::make_pair(int32_t{CTrophies::kScore}, int32_t{1});
    EXPECT_NE(std::find(t.Pending.begin(), t.Pending.end(), score), t.Pending.end());
    EXPECT_EQ(t.Levels[CTrophies::kScore], 0) << "earned only once shown";
    ASSERT_EQ(player.PlayLevel(300.0f), ScriptedPlayer::kWon) << player.Moves() << " moves";

    // The results, then the trophy screen shows each award in turn; the game
    // waits, and the file is saved once the last one has landed.
    ASSERT_TRUE(h.ClickControl(s.StatisticsForm, 30, 6.0f));
    ASSERT_TRUE(h.WaitForForm(s.TrophiesForm, 6.0f));
    ASSERT_TRUE(h.RunUntil([&] { return !t.HasPending(); }, 2.1f * float(t.Pending.size())));
    EXPECT_FALSE(s.MapForm->Visible);
    const std::string saved = testsupport::ReadFile("Players/" + g.Profile->Name + "/Trophies.dat");
    ASSERT_EQ(saved.size(), 36u);
    EXPECT_EQ(saved[4 * CTrophies::kScore], 1);
    ASSERT_TRUE(h.ClickControl(s.TrophiesForm, 260) && h.PassShop() &&
                h.WaitForForm(s.MapForm, 6.0f));

    // Later, from the main menu: pointing at the trophy tells what it was for.
    ASSERT_TRUE(h.ClickControl(s.MapForm, 151) && h.ClickControl(s.MainMenuForm, 20));
    ASSERT_TRUE(h.WaitForForm(s.TrophiesForm));
    const CUxWindow& medal = *s.TrophyGroups200[CTrophies::kScore].Windows[0];
    h.MoveTo(medal.Position.X, medal.Position.Y);
    h.Frames(2);
    EXPECT_EQ(CScreensManager::WindowText(s.TrophyIcons.front()) + "\n",
              t.Descriptions[CTrophies::kScore][0]);
    EXPECT_TRUE(medal.Visible && h.ClickControl(s.TrophiesForm, 260));
    EXPECT_TRUE(h.WaitForForm(s.MainMenuForm) && t.Backdrop.IsNull());
}

// Every trophy earned, each pointed at in turn: its story opens in a box no
// taller than the text needs, inside the window, and no name of the screen
// shows through it.
TEST(TrophyFlow, EveryStoryOpensInsideTheWindowOverTheNames) {
    FlowHarness h(37, false, false);
    START_GAME(h);
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    CTrophies& t = *g.Trophies;
    ASSERT_EQ(h.EnterMainMenu("Teller"), "");
    for (int32_t i = 0; i < CTrophies::kCount; ++i)
        t.Levels[i] = t.ShownLevels[i] = CTrophies::MaxLevel(i);
    t.RefreshWindows();
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 20) && h.WaitForForm(s.TrophiesForm));
    ASSERT_GE(s.TrophyIcons.size(), 2u);
    const CUxWindow& story = *s.TrophyIcons.front();
    // Every caption of the screen but the story's own.
    std::vector<int32_t*> names;
    for (const CSharedPtr<CUxWindow>& w : s.TrophiesForm->Children)
        if (w.Get() != &story)
            for (const CSharedPtr<CTextSprite>& text : w->Texts)
                if (text->Visible)
                    names.push_back(&text->Visible);
    ASSERT_GE(names.size(), size_t{CTrophies::kCount});
    const auto inside = [](const CUxWindow& w, float x0, float y0, float x1, float y1) {
        return w.Position.X - w.Width / 2 >= x0 && w.Position.X + w.Width / 2 <= x1 &&
               w.Position.Y - w.Height / 2 >= y0 && w.Position.Y + w.Height / 2 <= y1;
    };
    for (int32_t i = 0; i < CTrophies::kCount; ++i) {
        const CUxWindow& medal = *s.TrophyGroups200[i].Windows[t.ShownLevels[i] - 1];
        h.MoveTo(medal.Position.X, medal.Position.Y);
        h.Frames(2);
        const CUxWindow* box = nullptr;
        for (size_t k = 1; k < s.TrophyIcons.size(); ++k)
            if (s.TrophyIcons[k]->Visible)
                box = box ? nullptr : s.TrophyIcons[k].Get();
        ASSERT_NE(box, nullptr) << "trophy " << i << ": one box";
        ASSERT_TRUE(story.Visible && !story.Texts.empty());
        EXPECT_TRUE(inside(*box, -512.0f, -384.0f, 512.0f, 384.0f)) << "trophy " << i;
        const CTextSprite::Box text = story.Texts.back()->LayoutBox();
        EXPECT_TRUE(text.Left >= box->Position.X - box->Width / 2 &&
                    text.Right <= box->Position.X + box->Width / 2 &&
                    text.Bottom >= box->Position.Y - box->Height / 2 &&
                    text.Top <= box->Position.Y + box->Height / 2)
            << "trophy " << i << ": the story leaves its box";
        EXPECT_LT(box->Height, 2.0f * (text.Top - text.Bottom) + 40.0f)
            << "trophy " << i << ": a box far taller than its story";
        // The box's rim left aside, where a name's letters would meet it.
        EXPECT_FALSE(h.SeenAt(names, box->Position.X, box->Position.Y, box->Width - 8.0f,
                              box->Height - 8.0f))
            << "trophy " << i << ": a name shows through the story's box";
    }
}

// At the level's end only a beaten record is a record, and the rank trophy is
// the rank the quest's score takes in the high-score table.
TEST(TrophyFlow, RecordsAndRanksCountOnlyWhatTheScoreBeats) {
    FlowHarness h(31);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    CGame& g = h.Game();
    g.Profile->QuestTutorial = 0;
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 6.0f));
    const int32_t record = g.BestScores->Values[static_cast<size_t>(g.Level - 1)];
    for (const auto& [score, isNew] : {std::pair{record, 0}, {record + 1, 1}}) {
        h.Field().Counters.Sets[2].Counters[0] = score;
        g.RecordLevelResults();
        EXPECT_EQ(g.NewScoreRecord, isNew) << score << " against " << record;
    }
    // Just above the second row earns the second place's trophy, above the
    // first row the first place's.
    const auto rankAward = [&](int32_t score) {
        g.Trophies->Pending.clear();
        h.Field().Counters.Sets[1].Counters[0] = score;
        g.CheckQuestTrophies();
        for (const auto& [trophy, level] : g.Trophies->Pending)
            if (trophy == CTrophies::kRank)
                return level;
        return 0;
    };
    ASSERT_GT(g.Scores.Rows[0].Score, g.Scores.Rows[1].Score + 1);
    EXPECT_EQ(rankAward(g.Scores.Rows[1].Score + 1), 2);
    EXPECT_EQ(rankAward(g.Scores.Rows[0].Score + 1), 3);
}

} // namespace
