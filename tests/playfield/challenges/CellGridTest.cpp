// The cards of the bonus-level boards: glow steps through the two sprites,
// flights along their paths, and the board that collects each frame's events
// and gives the sprites back to the caps manager.
#include <gtest/gtest.h>

#include <cmath>

#include "ChallengeTestSupport.h"
#include "playfield/CellGrid.h"
#include "playfield/GridCell.h"
#include "playfield/MemoryGame.h"

namespace {

using chtest::ChallengeFixture;

// A card with two sprites of its own (no manager), closed.
CSharedPtr<CGridCell> LooseCard() {
    CSharedPtr<CGridCell> cell(new CGridCell());
    cell->LowSprite = CSharedPtr<CCapSprite>(new CCapSprite());
    cell->HighSprite = CSharedPtr<CCapSprite>(new CCapSprite());
    cell->HighSprite->Visible = 0;
    return cell;
}

// ---- Cards ----

TEST(GridCellGlow, RisingGlowJumpsToTheTopAndShowsThePicture) {
    CSharedPtr<CGridCell> cell = LooseCard();
    cell->SetSelected(true);
    EXPECT_EQ(cell->State, CGridCell::kOpening);
    EXPECT_EQ(cell->Update(1.0f), CGridCell::kTurnEnded);
    EXPECT_FLOAT_EQ(cell->GlowValue, CGridCell::kMaxGlow);
    EXPECT_EQ(cell->GlowLevel, 4);
    EXPECT_TRUE(cell->IsOpen());
    EXPECT_EQ(cell->LowSprite->Visible, 0);
    EXPECT_EQ(cell->HighSprite->Visible, 1);
    EXPECT_EQ(cell->HighSprite->TrackPosition, 2);
    // The card does not change its own state: the board does.
    EXPECT_EQ(cell->State, CGridCell::kOpening);
}

TEST(GridCellGlow, FallingGlowSwitchesBackToTheLowSprite) {
    CSharedPtr<CGridCell> cell = LooseCard();
    cell->GlowValue = 2.5f;
    cell->SetGlowLevel(2);
    ASSERT_EQ(cell->HighSprite->Visible, 1);
    cell->SetSelected(false);
    EXPECT_EQ(cell->Update(0.05f), CGridCell::kBusy);
    EXPECT_NEAR(cell->GlowValue, 1.0f, 1e-5f);
    EXPECT_EQ(cell->GlowLevel, 1);
    EXPECT_EQ(cell->LowSprite->Visible, 1);
    EXPECT_EQ(cell->HighSprite->Visible, 0);
    EXPECT_EQ(cell->LowSprite->TrackPosition, 1);
    EXPECT_EQ(cell->Update(0.05f), CGridCell::kTurnEnded);
    EXPECT_EQ(cell->GlowValue, 0.0f);
    EXPECT_EQ(cell->GlowLevel, 0);
}

TEST(GridCellGlow, SettingTheCurrentLevelTouchesNoSprite) {
    CSharedPtr<CGridCell> cell = LooseCard();
    cell->SetGlowLevel(3);
    cell->LowSprite->Visible = 1; // tampered with: must stay as it is
    cell->HighSprite->TrackPosition = 7;
    cell->SetGlowLevel(3);
    EXPECT_EQ(cell->LowSprite->Visible, 1);
    EXPECT_EQ(cell->HighSprite->TrackPosition, 7);
    // Within the high sprite only the track position moves.
    cell->SetGlowLevel(4);
    EXPECT_EQ(cell->HighSprite->TrackPosition, 2);
    EXPECT_EQ(cell->LowSprite->Visible, 1);
    // Levels outside 0..4 are held to the range.
    cell->SetGlowLevel(9);
    EXPECT_EQ(cell->GlowLevel, 4);
    cell->SetGlowLevel(-3);
    EXPECT_EQ(cell->GlowLevel, 0);
    EXPECT_EQ(cell->LowSprite->TrackPosition, 0);
}

TEST(GridCellGlow, ATurnPassesThroughEveryLevelInAboutASixthOfASecond) {
    CSharedPtr<CGridCell> cell = LooseCard();
    cell->SetSelected(true);
    std::vector<int> levels;
    int frames = 0;
    int32_t r = CGridCell::kBusy;
    while (r != CGridCell::kTurnEnded && frames < 100) {
        r = cell->Update(0.01f);
        ++frames;
        if (levels.empty() || levels.back() != cell->GlowLevel)
            levels.push_back(cell->GlowLevel);
    }
    EXPECT_EQ(levels, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(frames, 17); // 4.9 glow units at 30 a second
}

TEST(GridCellMotion, AFlightEndsExactlyOnThePathsPointForItsDuration) {
    CSharedPtr<CGridCell> cell = LooseCard();
    cell->StartFlight(10.0f, 500.0f, 2.0f, 10.0f, -40.0f, 2.0f, 1.0f, CGridCell::kFlyingIn);
    EXPECT_EQ(cell->Update(0.6f), CGridCell::kBusy);
    EXPECT_NEAR(cell->Y, 500.0f - 0.6f * 540.0f, 1e-3f);
    EXPECT_EQ(cell->Update(0.6f), CGridCell::kMotionEnded);
    EXPECT_EQ(cell->Elapsed, 1.0f);
    EXPECT_NEAR(cell->X, 10.0f, 1e-4f);
    EXPECT_NEAR(cell->Y, -40.0f, 1e-4f);
    EXPECT_NEAR(cell->Z, 2.0f, 1e-4f);
    // Both sprites travel with the card.
    EXPECT_EQ(cell->LowSprite->Y, cell->Y);
    EXPECT_EQ(cell->HighSprite->Y, cell->Y);
    // It keeps reporting the end until the board sets the next state.
    EXPECT_EQ(cell->Update(0.1f), CGridCell::kMotionEnded);
}

TEST(GridCellMotion, AFlightWithoutLengthStillEndsOnItsTarget) {
    CSharedPtr<CGridCell> cell = LooseCard();
    cell->StartFlight(0.0f, 0.0f, 0.0f, 5.0f, 6.0f, 7.0f, 0.0f, CGridCell::kFlyingOut);
    EXPECT_GT(cell->Duration, 0.0f);
    EXPECT_EQ(cell->Update(chtest::kFrame), CGridCell::kMotionEnded);
    EXPECT_FALSE(std::isnan(cell->X));
    EXPECT_NEAR(cell->X, 5.0f, 1e-4f);
    EXPECT_NEAR(cell->Z, 7.0f, 1e-4f);
}

TEST(GridCellMotion, ARestingCardReportsNothing) {
    CSharedPtr<CGridCell> cell = LooseCard();
    cell->SetPosition(1.0f, 2.0f, 3.0f);
    EXPECT_EQ(cell->Update(1.0f), CGridCell::kBusy);
    EXPECT_EQ(cell->X, 1.0f);
    EXPECT_EQ(cell->LowSprite->Z, 3.0f);
}

// ---- Board ----

class CellGridTest : public ChallengeFixture {
protected:
    CSharedPtr<CCellGrid> grid_;
    void SetUp() override {
        ChallengeFixture::SetUp();
        grid_ = CSharedPtr<CCellGrid>(new CCellGrid(caps_));
    }
    void TearDown() override {
        grid_ = CSharedPtr<CCellGrid>();
        ChallengeFixture::TearDown();
    }
};

TEST_F(CellGridTest, ANewCardShowsItsBackWithTheHiddenPictureBehind) {
    CSharedPtr<CGridCell> cell = grid_->CreateCell(3, 100.0f, -50.0f, 4.0f, 2);
    ASSERT_EQ(grid_->CellCount(), 1u);
    EXPECT_EQ(cell->Kind, 3);
    EXPECT_EQ(cell->State, CGridCell::kAtRest);
    EXPECT_EQ(cell->GlowLevel, 0);
    ASSERT_FALSE(cell->LowSprite.IsNull());
    ASSERT_FALSE(cell->HighSprite.IsNull());
    EXPECT_EQ(cell->LowSprite->Kind, CCellGrid::kBackKind);
    EXPECT_EQ(cell->HighSprite->Kind, 23);
    EXPECT_EQ(cell->LowSprite->Visible, 1);
    EXPECT_EQ(cell->HighSprite->Visible, 0);
    EXPECT_EQ(cell->LowSprite->LightEnabled, 1);
    EXPECT_EQ(cell->HighSprite->LightEnabled, 1);
    EXPECT_EQ(cell->LowSprite->HalfSize, 42.0f);
    EXPECT_EQ(cell->HighSprite->Layer, 2);
    EXPECT_EQ(cell->HighSprite->X, 100.0f);
    EXPECT_EQ(cell->LowSprite->Y, -50.0f);
    EXPECT_EQ(ListedSprites(), 2u);
}

TEST_F(CellGridTest, AnExitFlightGivesTwoGoneRecordsAndReturnsTheSprites) {
    CSharedPtr<CGridCell> cell = grid_->CreateCell(0, 0.0f, 0.0f, 0.0f, 0);
    CSharedPtr<CCapSprite> back = cell->LowSprite;
    cell->StartFlight(0, 0, 0, 0, 800, 0, 0.5f, CGridCell::kFlyingOut);
    EXPECT_EQ(grid_->Update(0.25f), 0);
    EXPECT_EQ(grid_->Update(0.25f), 2);
    ASSERT_EQ(grid_->GetEvents().size(), 2u);
    for (const CCellEvent& e : grid_->GetEvents()) {
        EXPECT_EQ(e.Code, CCellGrid::kCellGone);
        EXPECT_TRUE(e.Cell.IsNull());
    }
    EXPECT_EQ(grid_->CellCount(), 0u);
    EXPECT_EQ(ListedSprites(), 0u);
    // The challenge's own handle stays usable; the sprite is only out of the list.
    EXPECT_FALSE(back.IsNull());
    EXPECT_EQ(grid_->Update(0.1f), 0);
}

TEST_F(CellGridTest, EventsOfOneFrameComeInCardOrderAndNoCardIsSkipped) {
    CSharedPtr<CGridCell> in = grid_->CreateCell(0, 0, 0, 0, 0);
    CSharedPtr<CGridCell> out = grid_->CreateCell(1, 0, 0, 0, 0);
    CSharedPtr<CGridCell> turning = grid_->CreateCell(2, 0, 0, 0, 0);
    CSharedPtr<CGridCell> resting = grid_->CreateCell(4, 0, 0, 0, 0);
    in->StartFlight(0, 0, 0, 10, 0, 0, 0.1f, CGridCell::kFlyingIn);
    out->StartFlight(0, 0, 0, 0, 900, 0, 0.1f, CGridCell::kFlyingOut);
    turning->SetSelected(true);

    ASSERT_EQ(grid_->Update(0.2f), 4);
    const std::vector<CCellEvent>& ev = grid_->GetEvents();
    EXPECT_EQ(ev[0].Code, CCellGrid::kEntryEnded);
    EXPECT_TRUE(ev[0].Cell == in);
    EXPECT_EQ(ev[1].Code, CCellGrid::kCellGone);
    EXPECT_EQ(ev[2].Code, CCellGrid::kCellGone);
    // The card behind the removed one moved up and was still updated.
    EXPECT_EQ(ev[3].Code, CCellGrid::kTurnEnded);
    EXPECT_TRUE(ev[3].Cell == turning);
    EXPECT_EQ(in->State, CGridCell::kAtRest);
    EXPECT_EQ(turning->State, CGridCell::kAtRest);
    EXPECT_EQ(grid_->CellCount(), 3u);
    EXPECT_EQ(ListedSprites(), 6u);
    EXPECT_TRUE(grid_->AllAtRest());
    // Nothing left to report: the list is rebuilt, not appended to.
    EXPECT_EQ(grid_->Update(0.2f), 0);
    EXPECT_TRUE(grid_->GetEvents().empty());
    (void)resting;
}

TEST_F(CellGridTest, ResetReleasesTheSpritesOfCardsStillInFlight) {
    for (int i = 0; i < 5; ++i) {
        CSharedPtr<CGridCell> c = grid_->CreateCell(i, 0, 0, 0, 0);
        c->StartFlight(0, 0, 0, 0, 100, 0, 1.0f,
                       i % 2 ? CGridCell::kFlyingIn : CGridCell::kFlyingOut);
    }
    EXPECT_FALSE(grid_->AllAtRest());
    ASSERT_EQ(ListedSprites(), 10u);
    grid_->Reset();
    EXPECT_EQ(ListedSprites(), 0u);
    EXPECT_EQ(grid_->CellCount(), 0u);
    EXPECT_EQ(grid_->Update(2.0f), 0);
}

TEST_F(CellGridTest, RemoveCellTakesOnlyThatCardAndRefusesStrangers) {
    CSharedPtr<CGridCell> a = grid_->CreateCell(0, 0, 0, 0, 0);
    CSharedPtr<CGridCell> b = grid_->CreateCell(1, 0, 0, 0, 0);
    CSharedPtr<CGridCell> stranger(new CGridCell());
    EXPECT_EQ(grid_->RemoveCell(stranger), -1);
    EXPECT_EQ(grid_->RemoveCell(CSharedPtr<CGridCell>()), -1);
    EXPECT_EQ(grid_->CellCount(), 2u);
    EXPECT_EQ(ListedSprites(), 4u);
    EXPECT_EQ(grid_->RemoveCell(b), 1);
    EXPECT_EQ(grid_->CellCount(), 1u);
    EXPECT_TRUE(grid_->GetCells()[0] == a);
    EXPECT_EQ(ListedSprites(), 2u);
    for (const CSharedPtr<CCapSprite>& s : caps_->GetDrawList())
        EXPECT_TRUE(s == a->LowSprite || s == a->HighSprite);
    EXPECT_EQ(grid_->RemoveCell(b), -1);
}

TEST_F(CellGridTest, DestroyingTheBoardEmptiesTheManagersList) {
    grid_->CreateCell(0, 0, 0, 0, 0);
    grid_->CreateCell(1, 0, 0, 0, 0);
    ASSERT_EQ(ListedSprites(), 4u);
    grid_ = CSharedPtr<CCellGrid>();
    EXPECT_EQ(ListedSprites(), 0u);
}

TEST(CellGridWithoutManager, CardsWorkWithoutSprites) {
    CCellGrid grid{CSharedPtr<CCapsManager>()};
    CSharedPtr<CGridCell> c = grid.CreateCell(2, 1, 2, 3, 0);
    EXPECT_TRUE(c->LowSprite.IsNull());
    c->SetSelected(true);
    EXPECT_EQ(grid.Update(1.0f), 1);
    EXPECT_EQ(c->GlowLevel, 4);
    c->StartFlight(1, 2, 3, 1, 200, 3, 0.5f, CGridCell::kFlyingOut);
    EXPECT_EQ(grid.Update(1.0f), 2);
    EXPECT_EQ(grid.CellCount(), 0u);
    grid.Reset();
}

TEST_F(CellGridTest, CardChallengesSwitchTheManagerToTheCardPictures) {
    LoadCapsData();
    ASSERT_EQ(caps_->GetTextureMode(), caps::kModeNormal);
    CMemoryGame game;
    game.CreateGrid(caps_);
    EXPECT_EQ(caps_->GetTextureMode(), caps::kModeMemory);
    ASSERT_FALSE(game.Board.IsNull());
    // The cards draw with the memory atlases.
    CSharedPtr<CGridCell> c = game.Board->CreateCell(5, 0, 0, 0, 0);
    EXPECT_TRUE(c->HighSprite->SpriteTexture == caps_->GetCapsTexture(caps::kMemoryTexture + 1));
    EXPECT_TRUE(c->LowSprite->SpriteTexture == caps_->GetCapsTexture(caps::kMemoryTexture + 2));
    // A second board replaces the first, whose cards leave the list.
    game.CreateGrid(caps_);
    EXPECT_EQ(ListedSprites(), 0u);
}

} // namespace
