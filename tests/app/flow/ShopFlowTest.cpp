// The shop between two quest levels, as a player meets it: a won level opens
// it, a Golden Star buys the red totem (Buy with an empty bank is refused, Sell
// gives the star back), the totem stands on the panel in the next level, and
// nothing the shop showed stays behind on the map.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/flow/FlowHarness.h"
#include "app/flow/ScriptedPlayer.h"
#include "bonuses/BonusManager.h"
#include "playerdata/ProfileSettings.h"
#include "playerdata/QuestState.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "ui/UxForm.h"

using namespace flowtest;

TEST(ShopFlow, AWonLevelBuysARedTotemThatStandsInTheNextLevel) {
    FlowHarness h(11);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    constexpr int32_t kRedItem = 5, kRedColour = 2;

    // Level 3 won: its star pays for the red totem, on sale from level 4.
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 6.0f));
    if (g.TipOpen == 1)
        h.Click(0.0f, 0.0f);
    h.Field().TutorialNumber = 0;
    g.Level = 3;
    h.Field().GemsToCollect = 0;
    ASSERT_TRUE(
        h.RunUntil([&] { return s.StatisticsForm->Visible && s.StatisticsForm->Active; }, 10.0f));
    EXPECT_EQ(g.GoldenStars(), 1);
    ASSERT_TRUE(h.ClickControl(s.StatisticsForm, 30));
    ASSERT_TRUE(h.WaitForForm(s.ShopForm, 6.0f));
    EXPECT_EQ(g.SubState, kSubShop);
    ASSERT_TRUE(h.RunUntil([&] { return g.Shop->fadeLevel >= 1.0f; }, 2.0f));
    EXPECT_EQ(g.Shop->upgrades.offered[kRedItem], 1) << "the offers of level 4 are revealed";
    EXPECT_EQ(g.Shop->upgrades.tier[kRedItem], 0);

    ASSERT_TRUE(h.ClickControl(s.ShopForm, CShopScreen::kIdFirstBuy + kRedItem));
    EXPECT_EQ(g.GoldenStars(), 0) << "the star left the bank";
    ASSERT_TRUE(h.RunUntil([&] { return g.Shop->upgrades.tier[kRedItem] == 1; }, 3.0f));
    EXPECT_EQ(g.Field->Totems.Tiers[kRedColour], 1);

    // With the bank empty, Buy on another item on sale says so and moves nothing.
    int32_t other = -1;
    for (int32_t i = 0; i < CShopScreen::kItems && other < 0; ++i)
        if (i != kRedItem && g.Shop->upgrades.tier[i] >= 0 &&
            g.Shop->upgrades.tier[i] < g.Shop->upgrades.offered[i])
            other = i;
    ASSERT_GE(other, 0);
    const int32_t otherTier = g.Shop->upgrades.tier[other];
    ASSERT_TRUE(h.ClickControl(s.ShopForm, CShopScreen::kIdFirstBuy + other));
    ASSERT_TRUE(h.WaitForForm(s.MsgBoxForm));
    ASSERT_TRUE(h.ClickControl(s.MsgBoxForm, 200) && h.WaitForForm(s.ShopForm));
    EXPECT_EQ(g.Shop->upgrades.tier[other], otherTier);
    EXPECT_EQ(g.Shop->upgrades.tier[kRedItem], 1);

    // Sell takes the red totem back at once and its star home; Buy again.
    ASSERT_TRUE(h.ClickControl(s.ShopForm, CShopScreen::kIdFirstSell + kRedItem));
    EXPECT_EQ(g.Shop->upgrades.tier[kRedItem], 0) << "sold";
    ASSERT_TRUE(h.RunUntil([&] { return g.GoldenStars() == 1; }, 3.0f));
    ASSERT_TRUE(h.ClickControl(s.ShopForm, CShopScreen::kIdFirstBuy + kRedItem));
    ASSERT_TRUE(h.RunUntil([&] { return g.Shop->upgrades.tier[kRedItem] == 1; }, 3.0f));

    // No star left: "done" leaves at once, and the map leads to level 4.
    std::vector<CSharedPtr<CBonus>> previews;
    for (const CSharedPtr<CBonus>& b : g.Shop->bonusPreviews)
        if (!b.IsNull())
            previews.push_back(b);
    EXPECT_EQ(previews.size(), 2u) << "the TNT and Solidarity bonuses are owned from level 3 on";
    EXPECT_FALSE(g.Field->Totems.Active.empty()) << "the red totem's figure";
    ASSERT_TRUE(h.ClickControl(s.ShopForm, CShopScreen::kIdDone));
    EXPECT_EQ(g.Quest->Upgrades[kRedItem], 1) << "the record took the purchase";
    // What leaving started ends on the map: nothing of the shop stays over it.
    h.Frames(static_cast<int>(2.0f / FlowHarness::kDt));
    ASSERT_EQ(g.Mode, kModeMenu);
    const std::vector<CSharedPtr<CBonus>>& listed = g.Field->Bonuses->Bonuses;
    for (const CSharedPtr<CBonus>& b : previews)
        EXPECT_EQ(std::count(listed.begin(), listed.end(), b), 0) << "a bonus preview stayed";
    EXPECT_TRUE(g.Field->Totems.Active.empty()) << "a totem figure stayed";
    ASSERT_TRUE(h.PlayOnFromMap());
    EXPECT_EQ(g.Level, 4);
    EXPECT_FALSE(g.Shop->IsOpen());
    EXPECT_TRUE(g.Shop->stars.empty());
    EXPECT_EQ(g.Field->Totems.Tiers[kRedColour], 1);
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 6.0f));
    EXPECT_FALSE(g.Field->Totems.Places[kRedColour].IsNull()) << "the red totem stands ready";
    EXPECT_EQ(g.Field->Totems.CountOwnedTotems(), 1);
    // The shop's tip and, in the first level with a totem, its pages were
    // read; then the level's board comes back.
    const auto seen = [&](int32_t tip) {
        return g.Profile->Switch(CProfileSettings::kFirstTipSwitch + tip - 1) == 1;
    };
    EXPECT_TRUE(seen(10));
    ASSERT_TRUE(h.RunUntil([&] { return seen(7) && ScriptedPlayer(h).BoardReady(); }, 10.0f));
}
