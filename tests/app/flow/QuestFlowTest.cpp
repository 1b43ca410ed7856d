// The quest played end to end by the scripted player: level 1 from its intro
// to the next level, level 6 with its chains, a level lost on time (the
// restart with a life less, then game over and a new quest), and the end of
// the quest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>

#include "app/flow/FlowHarness.h"
#include "app/flow/ScriptedPlayer.h"
#include "audio/MusicPlayer.h"
#include "backgrounds/BackgroundsManager.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "engine/PlayFieldStore.h"
#include "engine/StringTable.h"
#include "engine/TextLayer.h"
#include "engine/TextSprite.h"
#include "platform/sound/FakeAudio.h"
#include "playerdata/LevelBestTable.h"
#include "playerdata/ProfileSettings.h"
#include "playerdata/QuestState.h"
#include "playerdata/ScoreTable.h"
#include "playerdata/Trophies.h"
#include "playfield/CapsManager.h"
#include "playfield/GemsBar.h"
#include "playfield/PopupList.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "support/TempDir.h"
#include "ui/UxForm.h"

using namespace flowtest;

namespace {

int32_t QuestScore(FlowHarness& h) {
    return h.Field().Counters.Sets[1].Get(0);
}

bool HasMessage(FlowHarness& h, const std::string& text) {
    const auto texts = h.Game().MessageTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// A visible text of the text layer that reads exactly `text`.
bool OnTextLayer(FlowHarness& h, const std::string& text) {
    for (const auto& t : h.Game().TextLayer->GetItems())
        if (!t.IsNull() && t->Visible && t->GetText() == text)
            return true;
    return false;
}

int CountLocked(CPlayField& f) {
    int n = 0;
    for (const auto& row : f.Board)
        for (const auto& cap : row)
            if (!cap.IsNull() && cap->LockCount > 0)
                ++n;
    return n;
}

} // namespace

TEST(QuestFlow, FirstLevelFromItsIntroToTheNextLevel) {
    FlowHarness h(11);
    START_GAME(h);
    CGame& g = h.Game();
    CPlayField& f = h.Field();

    // The level intro of level 1: caption, goal, the board building behind.
    EXPECT_EQ(g.Mode, kModeLevelIntro);
    EXPECT_EQ(g.Level, 1);
    EXPECT_EQ(g.Lives, 3);
    EXPECT_EQ(g.MusicState, 0);
    EXPECT_EQ(g.Backgrounds->GetCurrentId(), 1);
    EXPECT_EQ(CScreensManager::WindowText(g.Screens->NewLevelCaption), "Level 1-1");
    EXPECT_TRUE(g.CardShown);
    EXPECT_TRUE(OnTextLayer(h, "Level 1-1"));
    EXPECT_EQ(CScreensManager::WindowText(g.Screens->LevelPanelWindows[1]).rfind(GetString(92), 0),
              0u)
        << "the stage name";
    ASSERT_GT(g.LevelGems, 0);
    EXPECT_EQ(f.GemsToCollect, g.LevelGems);
    // The level screen's HUD: the score and a full clock.
    EXPECT_TRUE(g.Screens->QuestForm->Visible);
    EXPECT_EQ(CScreensManager::WindowText(g.Screens->CounterLabel), "0");
    EXPECT_FLOAT_EQ(g.Screens->EasedCurrent, 1.0f);

    // The card waits for its click; the clock and the sand wait with it.
    h.ClickCards = false;
    h.Frames(static_cast<int>(3.0f / FlowHarness::kDt));
    EXPECT_EQ(g.Mode, kModeLevelIntro);
    EXPECT_FLOAT_EQ(g.TimeLeft, g.TimeLimit);
    ASSERT_FALSE(f.Dune->Sandbox.IsNull());
    EXPECT_EQ(f.Dune->Sandbox->Running, 0);
    h.Click(0.0f, 0.0f);
    h.ClickCards = true;
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 2.0f));
    EXPECT_NEAR(g.ModeTime, 0.0f, 0.05f);

    // The first tip greets the new player as the play begins (the harness
    // reads it); then the clock and the sand run.
    ASSERT_TRUE(
        h.RunUntil([&] { return g.TipOpen == kTipNone && f.Dune->Sandbox->Running == 1; }, 2.0f));
    EXPECT_EQ(g.Profile->Switch(CProfileSettings::kFirstTipSwitch), 1) << "tip 1 seen";
    const float running = g.TimeLeft;
    h.Frames(30);
    EXPECT_NEAR(g.TimeLeft, running - 1.0f, 0.05f);
    EXPECT_NEAR(g.Screens->EasedCurrent, g.TimeLeft / g.TimeLimit, 0.05f);

    // The scripted player wins it, with a frenzy bar partly filled earlier.
    // From here to the results no message on the board is drawn over another
    // or over the card, and once the level is won the board shows one at a
    // time. No score popup of the cascades rises over the board's top rail.
    std::set<std::string> overlaps, together, overRail;
    h.EachFrame = [&] {
        for (const std::string& o : h.MessagesOverOneAnother())
            overlaps.insert(o);
        const auto shown = h.BoardMessagesShown();
        if (g.LevelCompleted && shown.size() > 1)
            together.insert(shown[0].what + " with " + shown[1].what);
        const float rail = f.Store->Offset[1];
        for (const CSharedPtr<CPopup>& p : f.Popups.GetPopups())
            if (p != f.Popups.Messages.OnScreen() && f.Popups.InkOf(*p).Top > rail + 0.5f)
                overRail.insert(p->Text);
    };
    f.Dune->Sandbox->FrenzyProgress = 0.4;
    ScriptedPlayer player(h);
    const int32_t before = QuestScore(h);
    ASSERT_EQ(player.PlayLevel(240.0f), ScriptedPlayer::kWon) << player.Moves() << " moves";
    EXPECT_GT(player.Moves(), 0);
    EXPECT_GT(QuestScore(h), before);

    // Won: the time bonus, a Golden Star, then the caption on the card.
    const int32_t bonus = static_cast<int32_t>(std::floor(g.TimeLeft)) * 100;
    EXPECT_GT(bonus, 0);
    EXPECT_EQ(g.LevelCompleted, 1);
    EXPECT_EQ(g.GoldenStars(), 1);
    EXPECT_FLOAT_EQ(g.Screens->EasedCurrent, 0.0f) << "the time went into the bonus";
    EXPECT_EQ(f.Counters.Sets[2].Get(0), f.Counters.Sets[1].Get(0)) << "first level: both totals";
    const double keptProgress = f.SandTime;
    EXPECT_GE(keptProgress, 0.4) << "the frenzy bar is kept for the next level";
    // The score counts up to its new value.
    const int32_t target = QuestScore(h);
    EXPECT_LT(g.Screens->Counter.Shown, target);
    ASSERT_TRUE(h.RunUntil([&] { return g.CardTitle == "LEVEL COMPLETE!"; }, 6.0f));
    EXPECT_TRUE(OnTextLayer(h, "TIME BONUS +" + std::to_string(bonus)));
    ASSERT_TRUE(h.RunUntil([&] { return g.Screens->Counter.Shown == target; }, 8.0f));
    EXPECT_EQ(CScreensManager::WindowText(g.Screens->CounterLabel), std::to_string(target));

    // Then the results, the shop (the star is kept, so "done" asks first),
    // the map with the next level's story, and from it the next level, with a
    // clean start. Over the in-level menu the results wait, their button too.
    // The results: the level's points, its time bonus, and the quest's score
    // they make up.
    ASSERT_TRUE(h.WaitForForm(g.Screens->StatisticsForm, 6.0f));
    h.EachFrame = nullptr;
    EXPECT_TRUE(overlaps.empty()) << ::testing::PrintToString(overlaps);
    EXPECT_TRUE(together.empty()) << ::testing::PrintToString(together);
    EXPECT_TRUE(overRail.empty()) << ::testing::PrintToString(overRail);
    const auto row = [&](size_t r) {
        return CScreensManager::WindowText(g.Screens->StatisticsList200[r]);
    };
    EXPECT_EQ(row(0), std::to_string(target - bonus));
    EXPECT_EQ(row(1), std::to_string(bonus));
    EXPECT_EQ(row(2), std::to_string(target));
    ASSERT_TRUE(h.ClickControl(g.Screens->QuestForm, 10) &&
                h.ClickControl(g.Screens->StatisticsForm, 30));
    EXPECT_EQ(g.SubState, kSubResult);
    ASSERT_TRUE(h.ClickControl(g.Screens->GameMenuForm, 11));
    ASSERT_TRUE(h.ClickControl(g.Screens->StatisticsForm, 30, 6.0f));
    ASSERT_TRUE(h.ClickControl(g.Screens->ShopForm, CShopScreen::kIdDone, 6.0f));
    ASSERT_TRUE(h.ClickControl(g.Screens->MsgBoxForm, 202));
    EXPECT_EQ(g.GoldenStars(), 1);
    ASSERT_TRUE(h.WaitForForm(g.Screens->MapForm, 6.0f));
    ASSERT_TRUE(h.ClickControl(g.Screens->MapForm, 150));
    ASSERT_TRUE(h.RunUntil([&] { return g.Mode == kModeLevelIntro; }, 1.0f));
    EXPECT_EQ(g.Level, 2);
    EXPECT_DOUBLE_EQ(f.Dune->Sandbox->FrenzyProgress, keptProgress);
    EXPECT_EQ(CScreensManager::WindowText(g.Screens->NewLevelCaption), "Level 1-2");
    EXPECT_EQ(f.LevelOver, 0);
    EXPECT_EQ(f.InputOpen, 1);
    EXPECT_EQ(f.Busy, 0);
    EXPECT_EQ(g.GemsBar->TotalCollected(), 0);
    EXPECT_FLOAT_EQ(g.Screens->EasedCurrent, 1.0f);
    EXPECT_EQ(f.Counters.Sets[2].Get(0), 0) << "the level totals start again";
    EXPECT_EQ(QuestScore(h), target);
    EXPECT_EQ(g.Music->GetPendingState(), 0);
}

// The results show the level time as the records keep it, in whole seconds
// rounded down: a new record never reads slower than the level that set it.
TEST(QuestFlow, TheResultsShowTheLevelTimeTheRecordKeeps) {
    FlowHarness h(3);
    START_GAME(h);
    CGame& g = h.Game();
    g.StartLevel(1);
    ASSERT_FALSE(g.BestTimes.IsNull());
    const struct {
        float played;
        const char* shown;
    } rows[] = {{7.0f, "0:07"},    {7.4f, "0:07"},  {7.999f, "0:07"}, {0.4f, "0:00"},
                {59.999f, "0:59"}, {60.0f, "1:00"}, {125.5f, "2:05"}};
    CScreensManager& s = *g.Screens;
    for (const auto& r : rows) {
        CCounterSet& level = h.Field().Counters.Sets[2];
        level.Reset();
        level.AddFloat(r.played, 1);
        g.BestTimes->Values[0] = 3600;
        g.RecordLevelResults();
        g.ShowLevelResults();
        EXPECT_EQ(g.NewTimeRecord, 1) << r.played;
        EXPECT_EQ(CScreensManager::WindowText(s.StatisticsList200[3]), r.shown) << r.played;
        EXPECT_EQ(CScreensManager::WindowText(s.StatisticsControls[1]), r.shown) << r.played;
    }
}

TEST(QuestFlow, LevelSixWithChainsIsWon) {
    FlowHarness h(23);
    START_GAME(h);
    CGame& g = h.Game();
    g.StartLevel(6);
    EXPECT_EQ(CScreensManager::WindowText(g.Screens->NewLevelCaption), "Level 2-1");
    EXPECT_EQ(g.Backgrounds->GetCurrentId(), 2);
    ASSERT_TRUE(h.RunUntil([&] { return h.Field().IsIdle(true) == 1; }, 5.0f));
    EXPECT_GT(CountLocked(h.Field()), 0) << "level 6 brings chained tokens";

    ScriptedPlayer player(h);
    ASSERT_EQ(player.PlayLevel(300.0f), ScriptedPlayer::kWon) << player.Moves() << " moves";
    EXPECT_GT(player.Drags(), 0);
    EXPECT_EQ(CountLocked(h.Field()), 0) << "the board has left";
    ASSERT_TRUE(h.PlayOnFromMap());
    EXPECT_EQ(g.Level, 7);
    EXPECT_EQ(CScreensManager::WindowText(g.Screens->NewLevelCaption), "Level 2-2");
}

TEST(QuestFlow, LostLevelsCostLivesUntilGameOverStartsANewQuest) {
    FlowHarness h(5);
    START_GAME(h);
    CGame& g = h.Game();
    g.Profile->QuestTutorial = 0; // the clock must not stop for a tip
    CPlayField& f = h.Field();
    ScriptedPlayer player(h);

    // Level 1, a few moves for some points, then the time runs out.
    EXPECT_EQ(player.PlayLevel(12.0f), ScriptedPlayer::kOutOfTime);
    const int32_t atStart = g.LevelStartCounters.Sets[1].Get(0);
    EXPECT_GT(QuestScore(h), atStart);
    g.TimeLeft = 0.5f;
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubLostLevel; }, 1.0f));
    // After the message on screen, if any.
    EXPECT_TRUE(h.RunUntil([&] { return HasMessage(h, "TIME IS UP!"); }, 1.5f));
    EXPECT_EQ(g.LossFlag, 1);
    EXPECT_EQ(f.LevelOver, 1);
    EXPECT_EQ(f.InputOpen, 0);
    EXPECT_EQ(g.Lives, 3) << "the life goes after the level end delay";

    // The board empties; a click does not hurry that.
    h.Click(0.0f, 0.0f);
    h.Frames(30);
    EXPECT_EQ(g.Lives, 3);
    ASSERT_TRUE(h.RunUntil([&] { return g.Lives == 2; }, 1.5f));
    EXPECT_EQ(g.CardTitle, GetString(44));

    // The card asks for a click and waits for it; then the level starts
    // again, as it began.
    h.Frames(static_cast<int>(5.0f / FlowHarness::kDt));
    EXPECT_EQ(g.SubState, kSubLostLevel) << "the card went on by itself";
    EXPECT_TRUE(g.CardShown);
    h.Click(0.0f, 0.0f);
    h.Frames(1);
    EXPECT_EQ(g.Mode, kModeLevelIntro);
    EXPECT_EQ(g.Level, 1);
    EXPECT_EQ(g.Lives, 2);
    EXPECT_EQ(g.LossFlag, 0);
    EXPECT_EQ(QuestScore(h), atStart);
    EXPECT_FLOAT_EQ(g.TimeLeft, g.TimeLimit);
    EXPECT_EQ(f.LevelOver, 0);
    EXPECT_EQ(CScreensManager::WindowText(g.Screens->LivesLabel), "2");
    EXPECT_EQ(g.Screens->LifeIcons[1]->Visible, 1);
    EXPECT_EQ(g.Screens->LifeIcons[2]->Visible, 0);
    EXPECT_EQ(g.Screens->LastLifeMarkers[1]->Visible, 1) << "the marker at the last life";

    // The last life, with a quest score between two rows of the high-score
    // table: game over, the score in the table, the main menu, and from it a
    // new quest.
    constexpr int32_t kFinalScore = 5500;
    g.Lives = 1;
    g.SetGoldenStars(4);
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 3.0f));
    f.Counters.Sets[1].Counters[0] = kFinalScore;
    g.TimeLeft = 0.1f;
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubGameOver; }, 4.0f));
    EXPECT_EQ(g.Lives, 0);
    EXPECT_EQ(g.MusicState, 1);
    // The message over the emptied level screen waits for its OK.
    CScreensManager& s = *g.Screens;
    ASSERT_TRUE(h.WaitForForm(s.MsgBoxForm));
    EXPECT_EQ(CScreensManager::WindowText(s.MsgBoxTitle), GetString(46));
    EXPECT_FALSE(g.CardShown);
    ASSERT_TRUE(h.RunUntil([&] { return !s.QuestForm->Visible; }, 2.0f)) << "no HUD left";
    h.Frames(90);
    EXPECT_EQ(g.SubState, kSubGameOver);
    ASSERT_TRUE(h.ClickControl(s.MsgBoxForm, 200));
    EXPECT_EQ(g.Mode, kModeMenu);
    EXPECT_EQ(g.Backgrounds->GetCurrentId(), CBackgroundsManager::kMainMenu);
    ASSERT_TRUE(h.WaitForForm(s.MsgBoxForm, 1.0f));
    EXPECT_EQ(s.MsgBoxPurpose, CScreensManager::kPurposeHighScore);
    ASSERT_TRUE(h.ClickControl(s.MsgBoxForm, 200) && h.WaitForForm(s.HighScoresForm));
    CScoreTable scores;
    ASSERT_EQ(scores.Load("Data/GameData/Game0.tbl"), 1);
    const auto row = static_cast<size_t>(s.HighScoreNewRow);
    ASSERT_LT(row, scores.Rows.size());
    EXPECT_EQ(scores.Rows[row].Score, kFinalScore);
    EXPECT_EQ(scores.Rows[row].Id, g.QuestId);
    EXPECT_EQ(CScreensManager::WindowText(s.HighScoreScores[row]), std::to_string(kFinalScore));
    ASSERT_TRUE(h.ClickControl(s.HighScoresForm, 250));
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 1) && h.PassStory());
    ASSERT_TRUE(h.PlayOnFromMap());
    EXPECT_EQ(g.Level, 1);
    EXPECT_EQ(g.Lives, 3);
    EXPECT_EQ(g.GoldenStars(), 0);
    EXPECT_EQ(QuestScore(h), 0);
    EXPECT_TRUE(g.Screens->HudWindows.front()->Visible);
}

TEST(QuestFlow, TheLastLevelEndsTheQuest) {
    FlowHarness h(3);
    START_GAME(h);
    CGame& g = h.Game();
    g.Profile->QuestTutorial = 0;
    g.StartLevel(41);
    EXPECT_EQ(CScreensManager::WindowText(g.Screens->NewLevelCaption), "Level 5-12");
    EXPECT_EQ(g.Backgrounds->GetCurrentId(), 5);
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 3.0f));
    // A few seconds on an idle board: the quest record follows, and closing
    // the window would keep it.
    ASSERT_TRUE(h.RunUntil([&] { return g.Quest->State == CQuestState::kWorthSaving; }, 8.0f));
    const std::string folder = "Players/" + g.Profile->Name + "/";
    g.SaveOnExit();
    CQuestState saved;
    ASSERT_EQ(saved.Load(folder + "Quest.sav"), 1) << h.Log();
    EXPECT_TRUE(saved.HasBoard());
    // The last gem found, in record time, for a top score.
    g.BestTimes->Values[40] = 100000;
    h.Field().Counters.Sets[1].Counters[0] = 50000;
    h.Field().GemsToCollect = 0;
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubResult; }, 5.0f));
    EXPECT_EQ(g.NewTimeRecord, 1);
    CLevelBestTable times;
    ASSERT_EQ(times.Load("Data/GameData/Ti.bst"), 1);
    EXPECT_EQ(times.Names[40], g.Profile->Name);
    // Its results wait on their form, as every level's do.
    ASSERT_TRUE(h.ClickControl(g.Screens->StatisticsForm, 30, 5.0f));
    ASSERT_TRUE(h.RunUntil([&] { return g.Mode == kModeQuestEnd; }, 5.0f));
    EXPECT_EQ(g.HighScoreRow, 0);
    CScoreTable scores;
    ASSERT_EQ(scores.Load("Data/GameData/Game0.tbl"), 1);
    EXPECT_EQ(scores.Rows[0].Id, g.QuestId);
    EXPECT_EQ(g.MusicState, 2);
    // The level screen goes and the treasury's finale plays alone for a
    // moment; then the closing page, and after it the message of the new
    // high score and the table with the new row, then the menu.
    CScreensManager& s = *g.Screens;
    ASSERT_TRUE(h.RunUntil([&] { return !s.QuestForm->Visible; }, 2.0f));
    EXPECT_FALSE(s.WinForm->Visible);
    EXPECT_EQ(g.Backgrounds->GetCurrentId(), CBackgroundsManager::kTreasury);
    s.FadeIn(s.MapForm, 2.0f); // a map page left on screen goes under the closing page
    ASSERT_TRUE(h.ClickControl(s.WinForm, 161, 6.0f));
    EXPECT_FALSE(s.MapForm->Visible);
    EXPECT_EQ(g.MusicState, 1);
    EXPECT_EQ(s.MsgBoxPurpose, CScreensManager::kPurposeHighScore);
    ASSERT_TRUE(h.ClickControl(s.MsgBoxForm, 200));
    ASSERT_TRUE(h.WaitForForm(s.HighScoresForm) && s.HighScoreNewRow == 0);
    ASSERT_TRUE(h.ClickControl(s.HighScoresForm, 250) && h.WaitForForm(s.MainMenuForm));
    EXPECT_EQ(g.Mode, kModeMenu);
    EXPECT_EQ(g.Backgrounds->GetCurrentId(), CBackgroundsManager::kMainMenu);
    EXPECT_FALSE(std::filesystem::exists(folder + "Quest.sav")) << "the finished quest's save goes";
}

TEST(QuestFlow, AQuitOnTheLastLevelsResultsEndsTheQuest) {
    // The window closed, or Save and Quit, at the results or on the trophy
    // screen after them: nothing is left to play again, so the quest ends as
    // the closing page's Continue ends it, with its trophy and the level's.
    enum Way { kCloseAtResults, kSaveAndQuitAtResults, kCloseOnTrophies };
    for (const Way way : {kCloseAtResults, kSaveAndQuitAtResults, kCloseOnTrophies}) {
        SCOPED_TRACE(way);
        FlowHarness h(5);
        START_GAME(h);
        h.CloseAwards = false;
        CGame& g = h.Game();
        const std::string folder = "Players/" + g.Profile->Name + "/";
        g.StartLevel(41);
        ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 3.0f));
        h.Field().Counters.Sets[1].Counters[0] = 600000; // the score trophy
        h.Field().GemsToCollect = 0;
        ASSERT_TRUE(h.WaitForForm(g.Screens->StatisticsForm, 8.0f));
        if (way == kCloseOnTrophies)
            ASSERT_TRUE(h.ClickControl(g.Screens->StatisticsForm, 30, 5.0f) &&
                        h.WaitForForm(g.Screens->TrophiesForm, 5.0f));
        ASSERT_TRUE(way == kSaveAndQuitAtResults ? h.SaveAndQuit() : h.Restart(5));
        EXPECT_FALSE(std::filesystem::exists(folder + "Quest.sav"));
        CProfileSettings settings;
        settings.Load(folder);
        EXPECT_EQ(settings.Veteran, 1);
        const std::string trophies = testsupport::ReadFile(folder + "Trophies.dat");
        ASSERT_EQ(trophies.size(), 36u);
        EXPECT_EQ(trophies[4 * CTrophies::kQuestWon], 1);
        EXPECT_EQ(trophies[4 * CTrophies::kScore], 1);
    }
}

TEST(QuestFlow, AMinimisedWindowPausesTheSoundAndHoldsTheGame) {
    FlowHarness h(11, true);
    START_GAME(h);
    CGame& g = h.Game();
    h.Frames(3);
    const float modeTime = g.ModeTime;
    h.Loop().MinimisedPass();
    EXPECT_TRUE(h.Audio()->IsPaused());
    EXPECT_EQ(g.Music->IsPaused(), 1);
    EXPECT_EQ(g.ModeTime, modeTime);
    EXPECT_EQ(h.Loop().Frames(), 0);
}

// How long a level's end keeps the player waiting, in game time: from the last
// swap of a won level to its results, from the clock running out to the lost
// life's card, from a bonus level's end to the shop. The quest is played by
// the scripted player as it comes from the map.
TEST(QuestFlow, ALevelsEndDoesNotKeepThePlayerWaiting) {
    FlowHarness h(11);
    START_GAME(h);
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    ScriptedPlayer player(h);
    // The last swap: when the field last began one.
    float lastSwap = -1.0f;
    bool swapping = false;
    h.EachFrame = [&] {
        if (!h.Field().SwapList.empty() && !swapping)
            lastSwap = g.GameClock;
        swapping = !h.Field().SwapList.empty();
    };
    // The game time from now until `done`, or -1 when it takes over 10 s.
    const auto until = [&](const std::function<bool()>& done) {
        const float from = g.GameClock;
        return h.RunUntil(done, 10.0f) ? g.GameClock - from : -1.0f;
    };

    // Won levels: the star while the board empties, the card, the results.
    for (const int32_t level : {1, 2, 3, 4}) {
        SCOPED_TRACE(level);
        ASSERT_EQ(g.Level, level);
        ASSERT_EQ(player.PlayLevel(300.0f), ScriptedPlayer::kWon) << player.Moves() << " moves";
        const float sinceSwap = g.GameClock - lastSwap;
        const float toResults = until([&] { return s.StatisticsForm->Visible; });
        ASSERT_GE(toResults, 0.0f);
        EXPECT_LE(sinceSwap + toResults, 6.0f) << sinceSwap << " s to the win";
        ASSERT_TRUE(h.PlayOnFromMap());
    }

    // Level 5 won at once leads to a bonus level, whose end leads to the shop.
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 10.0f));
    h.Field().GemsToCollect = 0;
    ASSERT_TRUE(h.ClickControl(s.StatisticsForm, 30, 10.0f));
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubBonus; }, 5.0f));
    ASSERT_TRUE(player.PlayBonus(120.0f));
    const float toShop = until([&] { return s.ShopForm->Visible; });
    EXPECT_GE(toShop, 0.0f);
    // The won message and the star, then the way to the shop.
    EXPECT_LE(toShop, 4.25f) << toShop;

    // Level 6 lost on time after a few swaps: "TIME IS UP!" at once, then
    // the card.
    ASSERT_TRUE(h.PlayOnFromMap());
    ASSERT_EQ(g.Level, 6);
    ASSERT_EQ(player.PlayLevel(15.0f), ScriptedPlayer::kOutOfTime);
    g.TimeLeft = 0.01f;
    ASSERT_GE(until([&] { return g.SubState == kSubLostLevel; }), 0.0f);
    const float toCard = until([&] { return g.CardShown && g.CardTitle == GetString(44); });
    EXPECT_GE(toCard, 0.0f);
    EXPECT_LE(toCard, g.Paths.LevelEndDelay + CMessageLane::kGiveWayFade + 3.0f * FlowHarness::kDt)
        << toCard;
    h.EachFrame = nullptr;
}
