// The quest between its levels, as a player sees it: a new quest's story, the
// map's flag walking on after a won level, what a save in the shop and a save
// in play bring back, and the hard mode offered once a quest is finished.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/flow/FlowHarness.h"
#include "backgrounds/BackgroundsManager.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "engine/RenderDevice.h"
#include "engine/Texture.h"
#include "playerdata/ProfileSettings.h"
#include "playerdata/QuestState.h"
#include "playerdata/Trophies.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "support/TempDir.h"

using namespace flowtest;

namespace {

// The flag stands where the map puts it on that marker.
bool FlagOn(const CGame& g, int32_t inStage) {
    const CScreensManager& s = *g.Screens;
    const CVector3& m = s.MapStageMarkers[0][static_cast<size_t>(inStage - 1)]->Offset;
    return s.MapControl31->Offset.X == m.X + g.Layout.FlagShift[0] &&
           s.MapControl31->Offset.Y == m.Y + g.Layout.FlagShift[1];
}

} // namespace

TEST(StoryFlow, AWonLevelWalksTheFlagOnAndItsShopSaveAndAPlaySaveKeepWhatItHeld) {
    FlowHarness h(47);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    CGame* g = &h.Game();
    g->Profile->QuestTutorial = 0;
    constexpr int32_t kGreenItem = 9, kGreen = 0;

    // Level 1 won with sand in the box; the window closes in its shop, where
    // the green totem was had.
    ASSERT_TRUE(h.RunUntil([&] { return g->SubState == kSubPlay; }, 6.0f));
    g->FieldSandbox()->AddSand(0.4, 10.5);
    h.Field().GemsToCollect = 0;
    ASSERT_TRUE(h.ClickControl(g->Screens->StatisticsForm, 30, 10.0f));
    ASSERT_TRUE(h.RunUntil([&] { return g->InShop() && g->Shop->fadeLevel >= 1.0f; }, 6.0f));
    const double sand = h.Field().SandLevel;
    ASSERT_GT(sand, 0.1);
    g->Shop->upgrades.tier[kGreenItem] = 1;
    ASSERT_TRUE(h.Restart(53));
    g = &h.Game();
    CScreensManager& s = *g->Screens;

    // Continued: the shop over the museum with the won level lit, then the
    // map with the flag still on level 1, walking on to level 2.
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 1) && h.ClickControl(s.StartQuestForm, 211));
    ASSERT_TRUE(g->InShop());
    EXPECT_EQ(g->Backgrounds->GetCurrentId(), CBackgroundsManager::kMuseum);
    EXPECT_EQ(g->Backgrounds->GetStageResult(), 1);
    ASSERT_TRUE(h.PassShop() && h.WaitForForm(s.MapForm));
    EXPECT_EQ(CScreensManager::WindowText(s.MapControl10), "1-2");
    EXPECT_TRUE(FlagOn(*g, 1));
    EXPECT_FALSE(s.MapStageMarkers[0][0]->Visible);
    ASSERT_TRUE(h.RunUntil([&] { return s.MapStageMarkers[0][0]->Visible == 1; }, 3.0f));
    EXPECT_TRUE(FlagOn(*g, 2));

    // Level 2 starts with the sand level 1 handed on; the green totem is
    // called, and a save in play brings it back called.
    ASSERT_TRUE(h.ClickControl(s.MapForm, 150));
    EXPECT_NEAR(g->FieldSandbox()->MeanLevel, sand, 0.01);
    ASSERT_TRUE(h.RunUntil([&] { return g->SubState == kSubPlay; }, 6.0f));
    h.Field().Totems.PushRequest(kGreen);
    ASSERT_TRUE(h.RunUntil(
        [&] {
            return h.Field().Totems.HasSelection() && g->CaptureClock == 0.0f &&
                   g->Quest->State == CQuestState::kWorthSaving;
        },
        10.0f));
    std::string offered;
    bool notice = false;
    ASSERT_TRUE(h.SaveAndQuit() && h.ContinueQuest(&offered, &notice));
    EXPECT_TRUE(h.RunUntil([&] { return h.Field().Totems.HasSelection(); }, 3.0f));
    EXPECT_EQ(h.Field().Totems.Selected, kGreen);
}

TEST(StoryFlow, AFinishedQuestMakesAVeteranWhoseNextQuestMayBeHardAndTellsTheStory) {
    FlowHarness h(61);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    CGame* g = &h.Game();
    g->Profile->QuestTutorial = 0;
    const std::string folder = "Players/" + g->Profile->Name + "/";

    // The last level won; the window closes on the closing page, with the
    // save of the quest's last shop still on disk.
    g->StartLevel(CGame::kQuestLevels);
    ASSERT_TRUE(h.RunUntil([&] { return g->SubState == kSubPlay; }, 6.0f));
    h.Field().GemsToCollect = 0;
    ASSERT_TRUE(h.WaitForForm(g->Screens->WinForm, 15.0f));
    EXPECT_EQ(g->Profile->Veteran, 0);
    ASSERT_EQ(g->Quest->Save(folder + "Quest.sav"), 1);
    ASSERT_TRUE(h.Restart(67));
    g = &h.Game();
    CScreensManager& s = *g->Screens;
    EXPECT_EQ(g->Profile->Veteran, 1) << "kept in the player's settings";
    EXPECT_FALSE(std::filesystem::exists(folder + "Quest.sav")) << "the finished quest's save goes";
    EXPECT_GE(testsupport::ReadFile(folder + CTrophies::kFileName).at(4 * CTrophies::kQuestWon), 1);

    // A new quest asks about the hard mode: yes. The story's first page, the
    // second on a click, Skip, and the map of level 1; the level is hard.
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 1) && h.WaitForForm(s.MsgBoxForm));
    EXPECT_EQ(s.MsgBoxPurpose, CScreensManager::kPurposeDifficulty);
    ASSERT_TRUE(h.ClickControl(s.MsgBoxForm, 202) && h.WaitForForm(s.IntroForm));
    const CSharedPtr<CTexture> picture = g->Device->GetTexture("Intro");
    EXPECT_TRUE(picture->HasTexture());
    EXPECT_FALSE(s.MapForm->Visible);
    for (size_t page = 0; page < 2; ++page) {
        for (size_t k = 0; k < s.IntroPages.size(); ++k)
            EXPECT_EQ(s.IntroPages[k]->Visible, k == page ? 1 : 0) << page << " " << k;
        ASSERT_TRUE(h.ClickControl(s.IntroForm, page == 0 ? 160 : 162));
    }
    ASSERT_TRUE(h.WaitForForm(s.MapForm));
    EXPECT_EQ(CScreensManager::WindowText(s.MapControl10), "1-1");
    EXPECT_TRUE(h.RunUntil([&] { return !s.IntroForm->Visible; }, 1.0f));
    EXPECT_FALSE(picture->HasTexture()) << "the picture leaves video memory with the story";
    ASSERT_TRUE(h.ClickControl(s.MapForm, 150) &&
                h.RunUntil([&] { return g->SubState == kSubPlay; }, 6.0f));
    EXPECT_EQ(g->Difficulty, 1);
    EXPECT_EQ(h.Field().HardMode, 1);
}
