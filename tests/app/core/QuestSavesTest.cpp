// The game's quest files: shop copies, lost lives, and a game that is no quest.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "app/Game.h"
#include "app/core/AppTestSupport.h"
#include "engine/Renderer.h"
#include "playerdata/ProfileSettings.h"
#include "playerdata/QuestState.h"
#include "screens/ShopScreen.h"
#include "support/TempDir.h"

using namespace apptest;

TEST(GameQuestSaves, ShopCopiesLostLivesAndTheContinueOrder) {
    TempDir dir;
    EnterDir enter(dir.Path());
    CGame g(CSharedPtr<CRenderer>(), nullptr, CSharedPtr<snd::Audio>());
    g.Profile = CSharedPtr<CProfileSettings>(new CProfileSettings("Ann"));
    g.Motion.ProfilePath = "Players\\Ann";
    std::filesystem::create_directories("Players/Ann");
    testsupport::WriteFile("Players/Ann/QuestAS2.sav", "old");
    g.RotateQuestAutoSaves(0);
    EXPECT_FALSE(std::filesystem::exists("Players/Ann/QuestAS2.sav")) << "no first copy";
    g.Mode = kModeLevel;
    g.SubState = kSubShop;
    // A shop without a page: it keeps the tiers and the stars.
    g.Shop = CSharedPtr<CShopScreen>(new CShopScreen({}, {}, {}, {}, {}, {}, {}));
    g.Shop->upgrades.stars = 5000;
    // Both copies are taken with two lives, fewer than levels 7 to 30 leave.
    g.Lives = 2;
    for (int32_t level : {7, 8}) {
        g.Level = level;
        g.LevelCompleted = 1;
        g.AutoSaveAfterLevel();
    }
    CQuestState q;
    ASSERT_EQ(q.Load("Players/Ann/Quest.sav"), 1) << "stars clamped to what loads";
    // The first copy keeps the game's lives; the second raises them to the
    // level's minimum.
    g.Lives = 1;
    ASSERT_EQ(g.LoadQuestAutoSave(0), 1);
    EXPECT_EQ(g.Quest->Lives, 1);
    ASSERT_EQ(g.LoadQuestAutoSave(1), 1);
    EXPECT_EQ(g.Quest->Level, 7);
    EXPECT_EQ(g.Quest->Lives, 4);
    EXPECT_EQ(ReadFile("Players/Ann/QuestAS1.sav"), ReadFile("Players/Ann/QuestAS2.sav"));
    // A copy taken in play is no copy to go back to.
    g.SubState = kSubPlay;
    g.CaptureQuestState(0);
    ASSERT_EQ(g.Quest->Save("Players/Ann/QuestAS1.sav"), 1);
    EXPECT_EQ(g.LoadQuestAutoSave(0), 0);

    // Continue: the main save, else the newest good copy.
    g.DeleteQuestSaves(1, 1);
    ASSERT_EQ(g.LoadQuestToContinue(), 0) << "no quest, no change";
    EXPECT_EQ(g.Quest->Level, 8);
    testsupport::WriteFile("Players/Ann/Quest.sav", "damaged");
    ASSERT_EQ(g.LoadQuestToContinue(), 1);
    EXPECT_EQ(g.Quest->SavedSubState, CQuestState::kTakenInPlay);
    testsupport::WriteFile("Players/Ann/QuestAS1.sav", "damaged");
    ASSERT_EQ(g.LoadQuestToContinue(), 2);
    EXPECT_EQ(g.Quest->SavedSubState, CQuestState::kTakenInShop);
    // The restore copies whole chunks exactly.
    testsupport::WriteFile("Players/Ann/QuestAS2.sav", std::string(4096, 'x'));
    ASSERT_EQ(g.RestoreQuestAutoSave(0), 1);
    EXPECT_EQ(ReadFile("Players/Ann/QuestAS1.sav"), std::string(4096, 'x'));
}
