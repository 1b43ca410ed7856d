// The shop: what is on sale by level, the layout and texts it reads, the star
// tokens' flights, and the bank, slots and covers driven by clicks and drags
// on the loaded Shop form.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "ScreensFixture.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "screens/ShopScreen.h"
#include "screens/ShopStar.h"
#include "screens/UpgradeState.h"
#include "ui/UxForm.h"

namespace {

TEST(UpgradeState, OffersFollowTheQuestLevelAndTheTiersShapeTheLevel) {
    CUpgradeState u;
    struct Case {
        int32_t level;
        std::vector<int32_t> offered;
    };
    const Case cases[] = {
        {1, {-1, -1, -1, -1, -1, -1, 0, 0, 0, -1, -1, -1, -1, -1, -1, -1}},
        {2, {-1, -1, -1, -1, -1, -1, 0, 0, 1, -1, 1, -1, -1, -1, -1, -1}},
        {39, {4, 4, 3, 4, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3, 3}},
    };
    for (const Case& c : cases) {
        u.SetOfferedTiers(c.level);
        EXPECT_EQ(u.offered, c.offered) << "level " << c.level;
    }

    u.ResetForNewQuest();
    CLevelParams p;
    u.ApplyToLevel(p);
    EXPECT_EQ(p.GemCeiling, 4);
    EXPECT_FLOAT_EQ(p.StepSeconds, 10.0f);
    EXPECT_FLOAT_EQ(p.LevelTime, 240.0f);
    EXPECT_EQ(p.BonusTiers, std::vector<int32_t>(6, -1));
    // Bonus slots run by type: TNT, Flash, Time, Adviser, Score, Solidarity.
    u.tier = {0, 0, 0, 0, 0, 2, 3, 4, 2, 0, 1, 2, 3, 0, 1, 2};
    u.ApplyToLevel(p);
    EXPECT_EQ(p.GemCeiling, 6);
    EXPECT_FLOAT_EQ(p.StepSeconds, 30.0f);
    EXPECT_FLOAT_EQ(p.LevelTime, 360.0f);
    EXPECT_EQ(p.BonusTiers, (std::vector<int32_t>{1, 0, 3, 2, 2, 1}));
    std::array<int32_t, 7> colours{};
    u.WriteTiers(colours);
    EXPECT_EQ(colours, (std::array<int32_t, 7>{0, 0, 2, 0, 0, 0, 0})) << "red is colour 2";

    // A save's tiers are kept in range; the level properties never go absent.
    u.tier = {9, -5, 4, 5, 0, -1, -1, 99, -3, 2, 4, 3, -2, 0, 0, 0};
    u.stars = -3;
    u.ClampTiers();
    EXPECT_EQ(u.tier, (std::vector<int32_t>{4, -1, 3, 4, 0, -1, 0, 4, 0, 2, 3, 3, -1, 0, 0, 0}));
    EXPECT_EQ(u.stars, 0);
}

class ShopTest : public ScreensTest {
protected:
    void SetUp() override {
        ScreensTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_EQ(Load(), 1) << Log->Text();
        Sprites = CSharedPtr<CSpriteLayer>(new CSpriteLayer(Device, Vertices, Indices));
        Shop =
            CSharedPtr<CShopScreen>(new CShopScreen(Screens, {}, {}, Sprites, {}, Texts, Fonts[0]));
        Shop->LoadLayout((Paths.ConfigPath + "Skin.cfg").c_str(), "Shop", 0);
        CUxForm& form = *Screens->ShopForm;
        form.SetVisible(1);
        form.Active = form.Enabled = 1;
    }
    void TearDown() override {
        Shop = CSharedPtr<CShopScreen>();
        Sprites = CSharedPtr<CSpriteLayer>();
        ScreensTest::TearDown();
    }
    // Opened at once at `level` with these tiers and stars (offers of the
    // level before, as between two levels).
    void Open(int32_t level, std::vector<int32_t> tiers, int32_t stars) {
        Shop->upgrades.tier = tiers;
        Shop->upgrades.stars = stars;
        Shop->upgrades.SetOfferedTiers(level - 1);
        Shop->Enter(1, 0.0f, level);
    }
    // Frames until every flight has landed.
    void Land() {
        for (int i = 0; i < 200; ++i)
            Shop->Update(0.05f, 1000.0f, 1000.0f);
    }
    // Stars held + bought + moving: what the player owns.
    int32_t Owned() const {
        int32_t n = Shop->upgrades.stars;
        for (int32_t t : Shop->upgrades.tier)
            n += std::max(t, 0);
        for (const auto& t : Shop->stars)
            n += t->state >= CShopStar::kDropReturn ? 1 : 0;
        return n;
    }
    CVector3 Centre(const CWindowList& list, int32_t item) const {
        return list[static_cast<size_t>(item)]->Position;
    }

    CSharedPtr<CSpriteLayer> Sprites;
    CSharedPtr<CShopScreen> Shop;
};

TEST_F(ShopTest, LayoutAndTextsAreReadAsTheGameUsesThem) {
    // Defaults (no such section) in page coordinates.
    CShopScreen bare(Screens, {}, {}, {}, {}, {}, {});
    bare.LoadLayout("missing.cfg", "Shop", 0);
    const CShopLayout& l = bare.layout;
    EXPECT_FLOAT_EQ(l.SandboxFrontPos.X, 1.5f);
    EXPECT_FLOAT_EQ(l.SandboxFrontPos.Y, 50.5f);
    EXPECT_FLOAT_EQ(l.SandboxFrontPos.Z, -20.0f);
    EXPECT_FLOAT_EQ(l.SandboxNote.X, 1.5f);
    EXPECT_FLOAT_EQ(l.SandboxNote.Y, 50.5f);
    EXPECT_FLOAT_EQ(l.StarsSrcPanel.X, -131.5f);
    EXPECT_FLOAT_EQ(l.StarsSrcPanel.Y, -358.5f);
    EXPECT_FLOAT_EQ(l.StarsSrcPanel.Z, 264.0f);
    EXPECT_NEAR(l.SandboxRaysW, 0.125f * 3.1415927f, 1e-6f);
    EXPECT_FLOAT_EQ(l.StarStationToFly[1], 1.0f);
    EXPECT_FLOAT_EQ(l.StarShift[1][3][1], 5.0f) << "y up";
    EXPECT_FLOAT_EQ(l.SandboxFrontT[0], 162.0f / 512.0f);

    // A header only: every text stays empty and the log says where it ended.
    const std::string path = Scratch.Path("Shop.txt");
    testsupport::WriteFile(path, "header\r\n");
    CUpgradeState u;
    EXPECT_EQ(u.LoadTexts(path.c_str()), 0);
    EXPECT_NE(Log->Text().find("Error loading description text\n"), std::string::npos);
    EXPECT_NE(Log->Text().find("Shop.txt, line 1: the file ends"), std::string::npos);
    EXPECT_EQ(u.Text(0, 0, 0), "");
    // Item 0's first entry: an empty text, a two-line one kept with its line
    // ends (CRLF read as LF), then the file ends early.
    testsupport::WriteFile(path, "header\n# empty\nfirst\r\nsecond\n#\n");
    EXPECT_EQ(u.LoadTexts(path.c_str()), 0);
    EXPECT_EQ(u.Text(0, 0, 0), "");
    EXPECT_EQ(u.Text(1, 0, 0), "first\nsecond\n");
    // The game's own file holds all 270 texts.
    EXPECT_EQ(u.LoadTexts((Paths.TxtPath + "Shop.txt").c_str()), 1) << Log->Text();
    EXPECT_NE(u.Text(2, 15, 4), "");
}

TEST_F(ShopTest, StarsFlyInWholeTurnsAndLandWhereTheyAreSent) {
    CShopStar s;
    s.FlyToItem(0.0f, 0.0f, 0.0f, 2500.0f, 0.0f, 0.0f, 2500.0f, 0);
    EXPECT_FLOAT_EQ(s.duration, 1.0f);
    EXPECT_FLOAT_EQ(s.spinRate, 32.0f) << "4 turns of 8 frames";
    EXPECT_FLOAT_EQ(s.sprite->Width, 42.0f) << "leaves large";
    EXPECT_FALSE(s.Update(0.5f));
    EXPECT_FLOAT_EQ(s.x, 1250.0f);
    EXPECT_TRUE(s.Update(0.6f));
    EXPECT_FLOAT_EQ(s.x, 2500.0f);
    EXPECT_FLOAT_EQ(s.sprite->Width, 28.0f) << "lands small";
    CShopStar still;
    still.FlyBackFromDrop(5.0f, 5.0f, 0.0f, 5.0f, 5.0f, 0.0f, 2500.0f, 0);
    EXPECT_EQ(still.duration, 0.0f);
    EXPECT_EQ(still.spinRate, 0.0f);
    EXPECT_TRUE(still.Update(0.01f));

    // Bank spacing: full width while there is room, closing up when not, and
    // no spacing (not a division by zero) for a single star in a narrow bank.
    EXPECT_FLOAT_EQ(Shop->BankSpacing(5), 48.0f);
    EXPECT_FLOAT_EQ(Shop->BankSpacing(7), (264.0f - 48.0f) / 6.0f);
    Shop->layout.StarsSrcPanel.Z = 20.0f;
    EXPECT_EQ(Shop->BankSpacing(1), 0.0f);
}

TEST_F(ShopTest, ClicksAndDragsMoveStarsBetweenTheBankAndTheItems) {
    // Level 5: red (item 5) offers tier 1, TNT (item 10) tier 1; blue (item 2)
    // is absent but offered through a save taken at the opening.
    Open(5, {-1, -1, -1, -1, -1, 0, 0, 0, 0, -1, 0, -1, -1, -1, -1, -1}, 2);
    Shop->upgrades.offered[2] = 1;
    EXPECT_EQ(Shop->stars.size(), 2u);
    EXPECT_EQ(Shop->OnItemClick(2, 1), 0) << "an absent item takes no star";
    EXPECT_EQ(Shop->OnItemClick(5, 0), 0) << "nothing to sell";
    EXPECT_EQ(Shop->OnItemClick(5, 1), 1);
    EXPECT_EQ(Shop->OnItemClick(5, 1), 0) << "the star in flight fills the offer";
    EXPECT_EQ(Shop->upgrades.stars, 1);
    EXPECT_EQ(Shop->CountActiveItems(), 1);
    Land();
    EXPECT_EQ(Shop->upgrades.tier[5], 1);
    EXPECT_FALSE(Screens->ShopItemList40[5]->Enabled);
    EXPECT_TRUE(Screens->ShopItemList20[5]->Enabled);

    // Sold: the tier drops at once and the star flies home; a buy with an
    // empty bank takes the star on its way back.
    Shop->upgrades.stars = 0;
    Shop->RelayoutBank();
    EXPECT_EQ(Shop->OnItemClick(5, 0), 1);
    EXPECT_EQ(Shop->upgrades.tier[5], 0);
    EXPECT_EQ(Shop->CountActiveItems(), 1) << "a star flying home counts";
    EXPECT_EQ(Shop->OnItemClick(10, 1), 1);
    Land();
    EXPECT_EQ(Shop->upgrades.tier[10], 1);
    EXPECT_EQ(Shop->upgrades.stars, 0);
    EXPECT_TRUE(Shop->HasAffordableItem()) << "red again";

    // Dragged from TNT onto red: bought when it lands; dropped on nothing it
    // goes back to the bank.
    const CVector3 tnt = Centre(Screens->ShopItemList200, 10);
    Shop->OnButtonDown(tnt.X, tnt.Y);
    EXPECT_EQ(Shop->upgrades.tier[10], 0) << "picked off: sold at once";
    const CVector3 red = Centre(Screens->ShopItemList220, 5);
    Shop->OnButtonUp(red.X, red.Y);
    Land();
    EXPECT_EQ(Shop->upgrades.tier[5], 1);
    Shop->OnButtonDown(Centre(Screens->ShopItemList200, 5).X,
                       Centre(Screens->ShopItemList200, 5).Y);
    Shop->OnButtonUp(Centre(Screens->ShopItemList200, 2).X, Centre(Screens->ShopItemList200, 2).Y);
    Land();
    EXPECT_EQ(Shop->upgrades.tier[2], -1) << "an absent item takes no dropped star";
    EXPECT_EQ(Shop->upgrades.stars, 1);
    // Dragged from the bank onto red, whose one tier on offer a star in flight
    // fills, then onto red holding it: the star goes back both times.
    Shop->upgrades.stars = 2;
    Shop->RelayoutBank();
    ASSERT_EQ(Shop->OnItemClick(5, 1), 1);
    for (int drop = 0; drop < 2; ++drop) {
        const CVector3 bank = Screens->ShopControl7->Position;
        Shop->OnButtonDown(bank.X, bank.Y);
        Shop->OnButtonUp(red.X, red.Y);
        Land();
        EXPECT_EQ(Shop->upgrades.tier[5], 1) << "drop " << drop;
        EXPECT_EQ(Shop->upgrades.stars, 1) << "drop " << drop;
    }
    // The bank control holds no free token: nothing is picked up.
    Shop->stars.clear();
    const CVector3 bank = Screens->ShopControl7->Position;
    Shop->OnButtonDown(bank.X, bank.Y);
    EXPECT_EQ(Shop->upgrades.stars, 1);
    EXPECT_EQ(Shop->OnItemClick(10, 1), 0) << "no token to send";
}

TEST_F(ShopTest, CoversComeOffWhatTheNextLevelOffersAndGoWhenTheShopCloses) {
    // From level 5 to 6: orange (item 4) comes on sale (tier 1), flash (13)
    // had tier 1 from level 5 and gets nothing new.
    Open(6, {-1, -1, -1, -1, -1, 0, 0, 0, 0, -1, 0, -1, -1, -1, -1, -1}, 0);
    const size_t before = Shop->covers.size();
    EXPECT_EQ(before, 50u) << "every tier not on sale at level 5";
    Shop->RevealNewOffers(6);
    EXPECT_EQ(Shop->upgrades.tier[4], 0) << "orange is present now";
    EXPECT_EQ(Shop->covers.size(), before - 1);
    EXPECT_EQ(Shop->stubs.size(), 1u);
    for (int i = 0; i < 20; ++i)
        Shop->Update(0.1f, 1000.0f, 1000.0f);
    EXPECT_TRUE(Shop->stubs.empty()) << "the stub burst";

    Shop->Enter(0, 0.0f, 6);
    EXPECT_TRUE(Shop->covers.empty());
    EXPECT_TRUE(Shop->stars.empty()) << "an instant close drops the tokens";
    EXPECT_TRUE(Shop->note.IsNull());
    Open(7, Shop->upgrades.tier, 0);
    EXPECT_EQ(Shop->covers.size(), before - 1) << "a second opening builds its own covers";
}

TEST_F(ShopTest, NoStarIsLostWhateverThePlayerDoes) {
    std::mt19937 rng(7);
    for (int run = 0; run < 6; ++run) {
        Open(40, CUpgradeState().tier, 3 + run);
        Shop->upgrades.ResetForNewQuest();
        Shop->upgrades.tier[5] = 1;
        Shop->Enter(1, 0.0f, 40);
        const int32_t owned = Owned();
        for (int step = 0; step < 200; ++step) {
            const int32_t item = static_cast<int32_t>(rng() % 16);
            const CWindowList* lists[] = {&Screens->ShopItemList200, &Screens->ShopItemList220,
                                          &Screens->ShopItemList40};
            const CVector3 at = Centre(*lists[rng() % 3], item);
            switch (rng() % 6) {
            case 0:
                Shop->OnItemClick(item, 1);
                break;
            case 1:
                Shop->OnItemClick(item, 0);
                break;
            case 2:
                Shop->OnButtonDown(rng() % 2 ? Screens->ShopControl7->Position.X : at.X,
                                   rng() % 2 ? Screens->ShopControl7->Position.Y : at.Y);
                break;
            case 3:
                Shop->OnButtonUp(at.X, at.Y);
                break;
            case 4:
                Shop->CommitPendingStars();
                break;
            default:
                Shop->Update(static_cast<float>(rng() % 100) / 400.0f, at.X, at.Y);
                break;
            }
            ASSERT_EQ(Owned(), owned) << "run " << run << " step " << step;
            for (int32_t i = 0; i < 16; ++i)
                ASSERT_LE(Shop->upgrades.tier[static_cast<size_t>(i)],
                          Shop->upgrades.offered[static_cast<size_t>(i)]);
        }
        Shop->Enter(0, 2.0f, 40);
        EXPECT_EQ(Owned(), owned) << "closing lands every star";
        EXPECT_EQ(Shop->CountTokens(CShopStar::kToItem), 0);
    }
}

} // namespace
