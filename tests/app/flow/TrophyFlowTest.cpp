// A score trophy earned in play flies onto the trophy screen after the level's
// results, is kept in the player's file and is there again from the menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <iterator>
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

// A locked medal's middle: dark (its brightest channel under this, of 255)
// and nearly grey (its channels this close).
constexpr double kLockedBrightest = 110.0, kLockedMostColour = 15.0;

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

// A locked medal is carved in dark grey stone; an earned one shines in its
// metal, coloured or bright.
bool LooksLocked(const FlowHarness::Colour& c) {
    const double most = std::max({c.r, c.g, c.b}), least = std::min({c.r, c.g, c.b});
    return most < kLockedBrightest && most - least < kLockedMostColour;
}

// A first player named on the first screen, the trophy screen opened from
// the main menu.
bool OpenTrophies(FlowHarness& h, const std::string& player) {
    const CScreensManager& s = *h.Game().Screens;
    return h.EnterMainMenu(player).empty() && h.ClickControl(s.MainMenuForm, 20) &&
           h.WaitForForm(s.TrophiesForm);
}

// Earned one at a time on the trophy screen, each trophy shows the medal of
// its level, in colour, and every other trophy stays as it was: the ones
// earned before with theirs, the rest with the grey locked medal. No trophy
// shows two pictures at its place, or none.
TEST(TrophyFlow, EachTrophyEarnedShowsItsOwnMedalAndNoOtherChanges) {
    FlowHarness h(53, false, false);
    START_GAME(h);
    ASSERT_TRUE(OpenTrophies(h, "Collector"));
    CScreensManager& s = *h.Game().Screens;
    CTrophies& t = *h.Game().Trophies;
    // Every trophy at one of its levels, every level of the screen met.
    const std::pair<int32_t, int32_t> awards[] = {{4, 1}, {2, 3}, {0, 2}, {7, 1}, {8, 2},
                                                  {1, 3}, {5, 1}, {3, 2}, {6, 3}};
    std::vector<int32_t> earned(CTrophies::kCount, 0);
    for (size_t step = 0; step <= std::size(awards); ++step) {
        std::string what = "nothing earned";
        if (step > 0) {
            const auto [trophy, level] = awards[step - 1];
            what = "trophy " + std::to_string(trophy) + " earned at level " + std::to_string(level);
            t.QueueAward(trophy, level);
            ASSERT_TRUE(h.RunUntil([&] { return !t.HasPending(); }, 4.0f)) << what;
            earned[static_cast<size_t>(trophy)] = level;
        }
        // The pointer off every medal, the landing's flash gone.
        h.MoveTo(0.0f, -370.0f);
        h.Frames(30);
        const FlowHarness::Picture shown = h.Drawn();
        ASSERT_FALSE(shown.argb.empty());
        for (int32_t k = 0; k < CTrophies::kCount; ++k) {
            const CWindowList& medals = s.TrophyGroups200[static_cast<size_t>(k)].Windows;
            ASSERT_EQ(medals.size(), static_cast<size_t>(CTrophies::MaxLevel(k)));
            const CUxWindow& place = *medals.front();
            // What the screen shows at the trophy's place, whatever code the
            // form gave it.
            std::vector<const CUxWindow*> pictures;
            for (const CSharedPtr<CUxWindow>& w : s.TrophiesForm->Children)
                if (w->Visible && !w->Pictures.empty() &&
                    std::fabs(w->Position.X - place.Position.X) < 1.0f &&
                    std::fabs(w->Position.Y - place.Position.Y) < 1.0f)
                    pictures.push_back(w.Get());
            const int32_t level = earned[static_cast<size_t>(k)];
            ASSERT_EQ(pictures.size(), 1u) << what << ": trophy " << k;
            const auto medal = std::find_if(medals.begin(), medals.end(), [&](const auto& m) {
                return m.Get() == pictures.front();
            });
            EXPECT_EQ(medal - medals.begin() + 1, level == 0 ? CTrophies::MaxLevel(k) + 1 : level)
                << what << ": trophy " << k << " shows the wrong picture";
            // The middle half of the medal.
            const FlowHarness::Colour c = h.MeanColour(shown, place.Position.X, place.Position.Y,
                                                       0.5f * place.Width, 0.5f * place.Height);
            EXPECT_EQ(LooksLocked(c), level == 0)
                << what << ": trophy " << k << " looks " << (level ? "locked" : "earned")
                << " (mean colour " << c.r << ", " << c.g << ", " << c.b << ")";
        }
    }
}

// Every level of every trophy earned in turn, each medal pointed at in its
// middle and towards each of the panel's corners: its story opens in the
// least box that holds it, inside the panel, and no name of the screen shows
// through it. Near the panel's corners, over no medal, no story opens.
TEST(TrophyFlow, EveryStoryOpensInsideThePanelOverTheNames) {
    FlowHarness h(37, false, false);
    START_GAME(h);
    ASSERT_TRUE(OpenTrophies(h, "Teller"));
    CScreensManager& s = *h.Game().Screens;
    CTrophies& t = *h.Game().Trophies;
    ASSERT_GE(s.TrophyIcons.size(), 3u);
    const CUxWindow& story = *s.TrophyIcons.front();
    const CUxForm& panel = *s.TrophiesForm;
    ASSERT_LT(panel.Width, 1024.0f) << "the panel, not the screen";
    const float left = panel.Position.X - panel.Width / 2,
                right = panel.Position.X + panel.Width / 2;
    const float bottom = panel.Position.Y - panel.Height / 2;
    const float top = panel.Position.Y + panel.Height / 2;
    // Every caption of the screen but the story's own.
    std::vector<int32_t*> names;
    for (const CSharedPtr<CUxWindow>& w : s.TrophiesForm->Children)
        if (w.Get() != &story)
            for (const CSharedPtr<CTextSprite>& text : w->Texts)
                if (text->Visible)
                    names.push_back(&text->Visible);
    ASSERT_GE(names.size(), size_t{CTrophies::kCount});
    const auto shownBox = [&]() -> const CUxWindow* {
        const CUxWindow* box = nullptr;
        for (size_t k = 1; k < s.TrophyIcons.size(); ++k)
            if (s.TrophyIcons[k]->Visible)
                box = box ? nullptr : s.TrophyIcons[k].Get();
        return box;
    };
    // The room a box leaves about its story, the same for every box that
    // fits; one more line's height would be a box too tall.
    const float line = s.TrophyIcons[2]->Height - s.TrophyIcons[1]->Height;
    float leastRoom = 1e9f, mostRoom = -1e9f;
    std::vector<float> heights;
    for (int32_t level = 1; level <= 3; ++level) {
        for (int32_t i = 0; i < CTrophies::kCount; ++i)
            t.Levels[i] = t.ShownLevels[i] = std::min(level, CTrophies::MaxLevel(i));
        t.RefreshWindows();
        for (int32_t i = 0; i < CTrophies::kCount; ++i) {
            if (level > CTrophies::MaxLevel(i))
                continue;
            const CUxWindow& medal = *s.TrophyGroups200[i].Windows[level - 1];
            const float reach = 0.6f * (medal.Width + medal.Height) * 0.25f;
            for (const auto& [dx, dy] : {std::pair{0.0f, 0.0f},
                                         {-1.0f, 1.0f},
                                         {1.0f, 1.0f},
                                         {-1.0f, -1.0f},
                                         {1.0f, -1.0f}}) {
                const std::string where = "trophy " + std::to_string(i) + " level " +
                                          std::to_string(level) + " pointed at (" +
                                          std::to_string(dx) + ", " + std::to_string(dy) + ")";
                h.MoveTo(medal.Position.X + dx * reach, medal.Position.Y + dy * reach);
                h.Frames(2);
                const CUxWindow* box = shownBox();
                ASSERT_NE(box, nullptr) << where << ": one box";
                ASSERT_TRUE(story.Visible && !story.Texts.empty()) << where;
                EXPECT_EQ(CScreensManager::WindowText(s.TrophyIcons.front()) + "\n",
                          t.Descriptions[i][level - 1])
                    << where;
                EXPECT_TRUE(box->Position.X - box->Width / 2 >= left &&
                            box->Position.X + box->Width / 2 <= right &&
                            box->Position.Y - box->Height / 2 >= bottom &&
                            box->Position.Y + box->Height / 2 <= top)
                    << where << ": the box leaves the panel";
                const CTextSprite::Box text = story.Texts.back()->LayoutBox();
                EXPECT_TRUE(text.Left >= box->Position.X - box->Width / 2 &&
                            text.Right <= box->Position.X + box->Width / 2 &&
                            text.Bottom >= box->Position.Y - box->Height / 2 &&
                            text.Top <= box->Position.Y + box->Height / 2)
                    << where << ": the story leaves its box";
                const float room = box->Height - (text.Top - text.Bottom);
                leastRoom = std::min(leastRoom, room);
                mostRoom = std::max(mostRoom, room);
                if (std::find(heights.begin(), heights.end(), box->Height) == heights.end())
                    heights.push_back(box->Height);
                // The box's rim left aside, where a name's letters would meet it.
                if (dx == 0.0f) {
                    EXPECT_FALSE(h.SeenAt(names, box->Position.X, box->Position.Y,
                                          box->Width - 8.0f, box->Height - 8.0f))
                        << where << ": a name shows through the story's box";
                }
            }
        }
    }
    EXPECT_LT(mostRoom - leastRoom, 0.5f * line) << "a box taller than its story needs";
    EXPECT_GE(heights.size(), 2u) << "stories of one length only: the table proves little";
    for (const auto& [x, y] : {std::pair{left + 12.0f, top - 12.0f},
                               {right - 12.0f, top - 12.0f},
                               {left + 12.0f, bottom + 12.0f},
                               {right - 12.0f, bottom + 12.0f}}) {
        h.MoveTo(x, y);
        h.Frames(2);
        for (const CSharedPtr<CUxWindow>& w : s.TrophyIcons)
            EXPECT_FALSE(w->Visible) << "a story at (" << x << ", " << y << ")";
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
