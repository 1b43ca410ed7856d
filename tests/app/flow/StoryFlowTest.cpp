// The quest between its levels and between two quests, as a player sees it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "app/flow/FlowHarness.h"
#include "backgrounds/BackgroundsManager.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "engine/StringTable.h"
#include "playerdata/ProfileSettings.h"
#include "playerdata/QuestState.h"
#include "playerdata/Trophies.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "support/TempDir.h"

using namespace flowtest;

// The map's flag walks on after a won level; a save in the shop brings back
// the stage's progress and the sand, a save in play the called totem; a quest
// finished as the window closes makes a veteran, whose next quest may be hard
// and opens with the story, and stays hard when continued.
TEST(StoryFlow, TheFlagTheSavesAndTheVeteransNextQuest) {
    FlowHarness h(47);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    CGame* g = &h.Game();
    CScreensManager* s = g->Screens.Get();
    g->Profile->QuestTutorial = 0;
    const std::string folder = "Players/" + g->Profile->Name + "/";
    const auto restart = [&](uint32_t seed) {
        return h.Restart(seed) && (g = &h.Game()) && (s = g->Screens.Get());
    };
    const auto play = [&] { return h.RunUntil([&] { return g->SubState == kSubPlay; }, 6.0f); };
    const auto flagOn = [&](size_t marker) {
        const CVector3& m = s->MapStageMarkers[0][marker]->Offset;
        return s->MapControl31->Offset.X == m.X + g->Layout.FlagShift[0] &&
               s->MapControl31->Offset.Y == m.Y + g->Layout.FlagShift[1];
    };

    // Level 1 won with sand in the box; the window closes in its shop, where
    // the green totem was had.
    ASSERT_TRUE(play());
    g->FieldSandbox()->AddSand(0.4, 10.5);
    h.Field().GemsToCollect = 0;
    ASSERT_TRUE(h.ClickControl(s->StatisticsForm, 30, 10.0f));
    ASSERT_TRUE(h.RunUntil([&] { return g->InShop() && g->Shop->fadeLevel >= 1.0f; }, 6.0f));
    const double sand = h.Field().SandLevel;
    g->Shop->upgrades.tier[9] = 1;
    ASSERT_TRUE(restart(53));

    // Continued in the shop with the won level lit; the flag, still on level
    // 1, walks on to level 2; level 2 starts with the sand level 1 handed on.
    ASSERT_TRUE(h.ClickControl(s->MainMenuForm, 1) && h.ClickControl(s->StartQuestForm, 211));
    EXPECT_EQ(g->Backgrounds->GetStageResult(), 1);
    ASSERT_TRUE(h.PassShop() && h.WaitForForm(s->MapForm));
    EXPECT_TRUE(flagOn(0));
    // It walks there frame by frame, never a step back.
    const CVector3& next = s->MapStageMarkers[0][1]->Offset;
    const auto togo = [&] {
        return std::hypot(s->MapControl31->Offset.X - next.X - g->Layout.FlagShift[0],
                          s->MapControl31->Offset.Y - next.Y - g->Layout.FlagShift[1]);
    };
    float last = togo();
    int steps = 0, back = 0;
    EXPECT_TRUE(h.RunUntil(
        [&] {
            const float d = togo();
            steps += d < last ? 1 : 0;
            back += d > last ? 1 : 0;
            last = d;
            return flagOn(1);
        },
        3.0f));
    EXPECT_GE(steps, 10);
    EXPECT_EQ(back, 0);
    ASSERT_TRUE(h.ClickControl(s->MapForm, 150));
    EXPECT_NEAR(g->FieldSandbox()->MeanLevel, sand, 0.01);

    // The green totem called, and called again after "save and quit".
    ASSERT_TRUE(play());
    h.Field().Totems.PushRequest(0);
    ASSERT_TRUE(h.RunUntil(
        [&] { return h.Field().Totems.HasSelection() && g->CaptureClock == 0.0f; }, 10.0f));
    std::string offered;
    bool notice = false;
    ASSERT_TRUE(h.SaveAndQuit() && h.ContinueQuest(&offered, &notice));
    EXPECT_TRUE(h.RunUntil([&] { return h.Field().Totems.Selected == 0; }, 3.0f));

    // The last level won; the window closes on the closing page: the quest is
    // over (its save gone, its trophy given) and its player a veteran.
    g->StartLevel(CGame::kQuestLevels);
    ASSERT_TRUE(play());
    h.Field().GemsToCollect = 0;
    ASSERT_TRUE(h.ClickControl(s->StatisticsForm, 30, 8.0f));
    ASSERT_TRUE(h.WaitForForm(s->WinForm, 15.0f) && g->Profile->Veteran == 0);
    ASSERT_TRUE(std::filesystem::exists(folder + "Quest.sav") && restart(59));
    EXPECT_EQ(g->Profile->Veteran, 1);
    EXPECT_FALSE(std::filesystem::exists(folder + "Quest.sav"));
    EXPECT_GE(testsupport::ReadFile(folder + CTrophies::kFileName).at(4 * CTrophies::kQuestWon), 1);

    // The next quest asks about the hard mode: yes. Its story, a page a
    // click, or Skip; then the map, and level 1 is hard.
    ASSERT_TRUE(h.ClickControl(s->MainMenuForm, 1) && h.WaitForForm(s->MsgBoxForm));
    ASSERT_TRUE(h.ClickControl(s->MsgBoxForm, 202) && h.WaitForForm(s->IntroForm));
    EXPECT_TRUE(s->IntroPages[0]->Visible && !s->IntroPages[1]->Visible);
    ASSERT_TRUE(h.ClickControl(s->IntroForm, 160));
    EXPECT_TRUE(s->IntroPages[1]->Visible && !s->IntroPages[0]->Visible && !s->MapForm->Visible);
    ASSERT_TRUE(h.ClickControl(s->IntroForm, 162) && h.WaitForForm(s->MapForm));
    ASSERT_TRUE(h.ClickControl(s->MapForm, 150) && play());
    EXPECT_EQ(h.Field().HardMode, 1);
    // Saved, and continued after a restart: still hard.
    ASSERT_TRUE(h.RunUntil([&] { return g->Quest->State == CQuestState::kWorthSaving; }, 8.0f));
    ASSERT_TRUE(h.SaveAndQuit() && restart(61) && h.ContinueQuest(&offered, &notice));
    EXPECT_EQ(offered, "1-1\n" + GetString(33));
    EXPECT_EQ(h.Field().HardMode, 1);
}
