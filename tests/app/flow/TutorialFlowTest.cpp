// The quest's tutorial on its form and the level panel after a long wait,
// through the real window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/flow/FlowHarness.h"
#include "app/flow/ScriptedPlayer.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"
#include "platform/os/Window.h"
#include "playerdata/ProfileSettings.h"
#include "screens/ScreensManager.h"

using namespace flowtest;

namespace {

// The cell under the shown marker of a tutorial group.
bool MarkedCell(FlowHarness& h, size_t group, int32_t& c, int32_t& r) {
    const auto& windows = h.Game().Screens->TutorialGroups[group].Windows;
    return !windows.empty() && windows.front()->Visible &&
           h.Field().WorldToCell(windows.front()->Position.X, windows.front()->Position.Y, c, r);
}

// The player clicks one cap, then its neighbour.
void Swap(FlowHarness& h, const CMatchMove& m) {
    for (const auto& [c, r] : {std::pair{m.Column1, m.Row1}, std::pair{m.Column2, m.Row2}}) {
        h.Click(h.Field().CellToWorld(c, r, true).X, h.Field().CellToWorld(c, r, true).Y);
        h.Frames(1);
    }
}

} // namespace

TEST(Tutorial, TheFirstLevelPointsAtARealSwapAndTheSwapClosesTheTip) {
    FlowHarness h(11);
    START_GAME(h);
    h.CloseTips = false;
    CGame& g = h.Game();
    CPlayField& f = h.Field();
    CScreensManager& s = *g.Screens;

    // The welcome box as the play begins; the clock and the sand wait, and
    // only its OK closes it.
    ASSERT_TRUE(h.RunUntil([&] { return g.TipOpen == kTipShown; }, 5.0f));
    EXPECT_EQ(CScreensManager::WindowText(s.TutorialGroups[1].Windows[1]), GetString(119));
    const float clock = g.TimeLeft;
    h.Click(0.0f, 0.0f);
    h.Frames(30);
    EXPECT_EQ(g.TipOpen, kTipShown);
    EXPECT_FLOAT_EQ(g.TimeLeft, clock);
    EXPECT_EQ(f.Dune->Sandbox->Running, 0);
    ASSERT_TRUE(h.ClickControl(s.TutorialForm, CScreensManager::kIdTipOk));

    // Its second page: the pointer between two caps the field's own move list
    // swaps into a row, a marker on each, no OK.
    ASSERT_TRUE(
        h.RunUntil([&] { return g.TipOpen == kTipPointing && s.TutorialForm->Active; }, 3.0f));
    int32_t c1 = 0, r1 = 0, c2 = 0, r2 = 0;
    ASSERT_TRUE(MarkedCell(h, 2, c1, r1) && MarkedCell(h, 3, c2, r2));
    f.BuildMatchMatrix();
    std::vector<CMatchMove> moves;
    f.MatchFinder.ListMoves(moves, 3, 0);
    EXPECT_NE(std::find(moves.begin(), moves.end(), CMatchMove{c1, r1, c2, r2}), moves.end());
    EXPECT_TRUE(s.TutorialGroups[6].Windows.front()->Visible);
    EXPECT_FLOAT_EQ(s.TutorialX,
                    (f.CellToWorld(c1, r1, true).X + f.CellToWorld(c2, r2, true).X) / 2);
    // The box stands clear of both caps it points at.
    const CUxWindow& box = *s.TutorialGroups[1].Windows.front();
    for (const auto& [c, r] : {std::pair{c1, r1}, std::pair{c2, r2}}) {
        const CVector3 cell = f.CellToWorld(c, r, true);
        EXPECT_TRUE(std::fabs(box.Position.X - cell.X) >= (box.Width + f.CellWidth) / 2 ||
                    std::fabs(box.Position.Y - cell.Y) >= (box.Height + f.CellHeight) / 2)
            << "the box covers the cap at " << c << "," << r;
    }
    float x = 0.0f, y = 0.0f;
    EXPECT_FALSE(h.ControlCentre(s.TutorialForm, CScreensManager::kIdTipOk, &x, &y));
    h.Frames(15);
    EXPECT_FLOAT_EQ(g.TimeLeft, clock);

    // The player swaps them: the row goes, the tip closes and is kept on disk.
    const int32_t score = f.Counters.Sets[1].Get(0);
    Swap(h, CMatchMove{c1, r1, c2, r2});
    EXPECT_EQ(g.TipOpen, kTipNone);
    ASSERT_TRUE(h.RunUntil([&] { return f.Counters.Sets[1].Get(0) > score; }, 3.0f));
    EXPECT_LT(g.TimeLeft, clock);
    ASSERT_TRUE(h.Restart(12));
    EXPECT_EQ(h.Game().Profile->Switch(CProfileSettings::kFirstTipSwitch), 1);
}

// Switched off on the options form, or with the box's "don't show tips" and
// its OK: no tip comes in the rest of the level, and the player's file says so.
TEST(Tutorial, TipsSwitchedOffOnTheOptionsFormOrInATipStayAway) {
    for (const bool inTip : {false, true}) {
        SCOPED_TRACE(inTip ? "in the tip" : "on the options form");
        FlowHarness h(13);
        START_GAME(h);
        h.CloseTips = false;
        CGame& g = h.Game();
        CScreensManager& s = *g.Screens;
        if (inTip) {
            ASSERT_TRUE(h.RunUntil([&] { return g.TipOpen == kTipShown; }, 5.0f));
            ASSERT_TRUE(h.WaitForForm(s.TutorialForm, 6.0f));
            h.Click(s.TutorialControl105->Position.X, s.TutorialControl105->Position.Y);
            ASSERT_TRUE(h.ClickControl(s.TutorialForm, CScreensManager::kIdTipOk));
        } else { // from the level's menu while its intro shows
            h.Key(os::Vk::Escape);
            ASSERT_TRUE(h.ClickControl(s.GameMenuForm, 12) && h.ClickControl(s.OptionsForm, 235) &&
                        h.ClickControl(s.OptionsForm, 230) && h.ClickControl(s.GameMenuForm, 11));
        }
        CProfileSettings saved;
        saved.Load("Players/" + g.Profile->Name);
        EXPECT_EQ(saved.QuestTutorial, 0);
        ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 5.0f));
        ScriptedPlayer player(h);
        player.PlayLevel(10.0f);
        EXPECT_EQ(g.TipOpen, kTipNone);
        EXPECT_FALSE(s.TutorialForm->Visible);
        EXPECT_GT(player.Moves(), 0);
    }
}

TEST(LevelPanel, AfterFifteenSecondsWithoutASwapItTellsWhatTheLevelStillAsks) {
    constexpr float kDelay = 15.0f, kShown = 3.0f;
    FlowHarness h(17);
    START_GAME(h);
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    g.Profile->QuestTutorial = 0;
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 5.0f));
    const auto shown = [&] { return s.LevelPanelFrame->Visible != 0; };

    // A swap ten seconds in starts the wait again.
    h.Frames(300);
    ScriptedPlayer player(h);
    CMatchMove m;
    ASSERT_TRUE(player.BoardReady() && player.BestMove(m));
    const float swapped = g.GameClock;
    Swap(h, m);
    // The wait runs from the swap, or from the last gem it sent to the bar.
    float cleared = swapped, last = 0.0f;
    ASSERT_TRUE(h.RunUntil(
        [&] {
            if (h.Field().MoveTimer < last)
                cleared = g.GameClock;
            last = h.Field().MoveTimer;
            return shown();
        },
        20.0f));
    EXPECT_GE(g.GameClock - swapped, kDelay);
    EXPECT_NEAR(g.GameClock - cleared, kDelay, 0.1f);
    const std::string text = CScreensManager::WindowText(s.LevelPanelWindows[1]);
    EXPECT_EQ(text.rfind("Gems to go: " + std::to_string(h.Field().GemsToCollect), 0), 0u) << text;
    EXPECT_NE(text.find("Time left: " + FormatClock(g.TimeLeft)), std::string::npos) << text;

    // It stays three seconds, and the wait starts again.
    const float up = g.GameClock;
    ASSERT_TRUE(h.RunUntil([&] { return !shown(); }, 5.0f));
    EXPECT_NEAR(g.GameClock - up, kShown, 0.1f);
    EXPECT_LT(h.Field().MoveTimer, 0.1f);

    // Up again, it gives way at once to a tip's box, and to a swap.
    h.CloseTips = false;
    ASSERT_TRUE(h.RunUntil(shown, 20.0f));
    g.Profile->QuestTutorial = 1;
    g.ShowTip(4, 0);
    h.Frames(1);
    EXPECT_FALSE(shown()) << "a tip";
    g.Profile->QuestTutorial = 0;
    h.CloseTips = true;
    ASSERT_TRUE(h.RunUntil(shown, 20.0f) && player.BoardReady() && player.BestMove(m));
    Swap(h, m);
    EXPECT_FALSE(shown()) << "a swap";
}
