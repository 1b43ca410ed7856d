// The board fill: resting caps (steel too) fall into holes, new caps drop in
// from above with the fall timing, steel and locks stay within their limits,
// impossible data still ends, the gem quota keeps the gem count, the run guard
// of long cascades, and a saved board with damaged values.
#include <cmath>

#include <gtest/gtest.h>

#include "FieldDriver.h"
#include "playerdata/QuestState.h"

using namespace fieldtest;

namespace {

class Refill : public ::testing::Test {
protected:
    void SetUp() override { d.StartLevel(1); }

    float FallTime(float dy) const { return std::sqrt(2.0f * dy / f.Motion->FallAcceleration); }
    float Bounce() const { return f.Motion->BounceFactor; }

    int CountGems() {
        return d.CountCaps([](const CCap& cap) {
            return !cap.Bonus.IsNull() && cap.Bonus->Kind == CBonus::kGem;
        });
    }

    FieldDriver d;
    CPlayField& f = d.Field();
};

} // namespace

TEST_F(Refill, RestingCapsAndSteelFallIntoHoles) {
    BoardRows rows = DeadBoard();
    rows[5][0] = 's';
    rows[6][0] = '.';
    rows[7][0] = '.';
    d.PlaceBoard(rows);
    CSharedPtr<CCap> steel = f.CapAt(0, 5);
    CSharedPtr<CCap> above = f.CapAt(0, 4);

    f.BuildBoard(0, 0);
    EXPECT_TRUE(f.CapAt(0, 7) == steel);
    EXPECT_TRUE(f.CapAt(0, 6) == above);
    EXPECT_EQ(steel->PrevRow, 5);
    EXPECT_EQ(steel->Row, 7);
    EXPECT_EQ(steel->State, CBoardElement::kMoving);
    EXPECT_EQ(steel->Landed, 0);
    EXPECT_EQ(steel->MotionPurpose, CCap::kFallIntoCell);
    const float dy = 2.0f * f.CellHeight;
    EXPECT_NEAR(steel->Duration, (2.0f * Bounce() + 1.0f) * FallTime(dy), 1e-4f);

    // Two new caps in column 0, every cell filled.
    EXPECT_EQ(d.CountCaps([](const CCap&) { return true; }), 64);
    EXPECT_EQ(f.RefillWord, 2);
    CSharedPtr<CCap> low = f.CapAt(0, 1);
    CSharedPtr<CCap> high = f.CapAt(0, 0);
    const float rowMinus2 = f.CellToWorld(0, -2, false).Y;
    EXPECT_GE(low->StartPosition.Y, rowMinus2);
    EXPECT_LE(low->StartPosition.Y, rowMinus2 + f.CellHeight);
    const float gap = high->StartPosition.Y - low->StartPosition.Y;
    EXPECT_GE(gap, f.CellHeight);
    EXPECT_LE(gap, 2.0f * f.CellHeight);
    for (const CSharedPtr<CCap>& cap : {low, high}) {
        EXPECT_EQ(cap->Kind, CBoardElement::kBoardCap);
        EXPECT_EQ(cap->NewCap, 1);
        EXPECT_EQ(cap->Falling, 1);
        const float fall = cap->StartPosition.Y - f.CellToWorld(0, cap->Row, false).Y;
        EXPECT_NEAR(cap->Duration, (2.0f * Bounce() + 1.0f) * FallTime(fall), 1e-4f);
    }

    ASSERT_TRUE(d.RunUntilSettled());
    EXPECT_EQ(steel->Landed, 1);
    EXPECT_NEAR(steel->Position.Y, f.CellToWorld(0, 7, false).Y, 1e-3f);
}

TEST_F(Refill, SteelAndLocksStayWithinTheirLimits) {
    BoardRows rows;
    rows.fill("........");
    rows[0] = "ss......";
    d.PlaceBoard(rows);
    f.SteelProbability = 0.9f;
    f.SteelLimit = 3;
    f.LockProbability = 0.9f;
    f.LockLimit = 4;
    f.BuildBoard(0, 0);
    EXPECT_EQ(d.CountCaps([](const CCap& cap) { return cap.Colour == CCap::kSteel; }), 3);
    EXPECT_EQ(d.CountCaps([](const CCap& cap) { return cap.LockCount > 0; }), 4);
    EXPECT_EQ(d.CountCaps([](const CCap&) { return true; }), 64);
}

TEST_F(Refill, ImpossibleDemandsStillEnd) {
    // One colour: every board has ready rows and no move.
    f.Colours = {2};
    f.SteelProbability = 1.0f;  // as Hard mode can make it; the limit is 0
    f.SteelLimit = 0;
    f.ChainCounter = 12;
    f.BuildBoard(1, 1);
    EXPECT_EQ(d.CountCaps([](const CCap& cap) { return cap.Colour == 2; }), 64);

    // No colour at all still fills the board.
    FieldDriver e;
    e.StartLevel(1);
    e.Field().Source = CPlayField::kRandomFill;
    e.Field().Colours.clear();
    e.Field().BuildBoard(1, 1);
    EXPECT_EQ(e.CountCaps([](const CCap&) { return true; }), 64);
}

TEST_F(Refill, GemQuotaFollowsRatioCeilingAndPool) {
    // Nine empty cells, no gem on the board: floor(0.33334 * 9) = 3 gems.
    BoardRows rows = DeadBoard();
    for (int r = 0; r < 8; ++r)
        rows[static_cast<size_t>(r)][0] = '.';
    rows[0][1] = '.';
    d.PlaceBoard(rows);
    f.GemPool = 5;
    f.BuildBoard(0, 0);
    EXPECT_EQ(CountGems(), 3);
    EXPECT_EQ(f.GemPool, 2);
    EXPECT_EQ(d.CountCaps([](const CCap& cap) { return cap.Gem != 0; }), 3);

    // Three gems already on the board: at most one more (ceiling 4).
    FieldDriver d2;
    d2.StartLevel(1);
    d2.PlaceBoard(rows);
    CPlayField& g = d2.Field();
    for (int c = 5; c < 8; ++c) {
        CSharedPtr<CBonus> gem;
        g.Bonuses->CreateGem(gem, g.CapAt(c, 7)->Colour, 1);
        g.CapAt(c, 7)->SetBonus(gem);
        g.CapAt(c, 7)->Gem = 1;
    }
    g.GemPool = 5;
    g.BuildBoard(0, 0);
    EXPECT_EQ(d2.CountCaps([](const CCap& cap) { return cap.Gem != 0; }), 4);
    EXPECT_EQ(g.GemPool, 4);

    // An empty pool drops none; a steel cap never carries a gem.
    FieldDriver d3;
    d3.StartLevel(1);
    d3.PlaceBoard(rows);
    d3.Field().GemPool = 0;
    d3.Field().BuildBoard(0, 0);
    EXPECT_EQ(d3.CountCaps([](const CCap& cap) { return cap.Gem != 0; }), 0);

    FieldDriver d4;
    d4.StartLevel(1);
    BoardRows empty;
    empty.fill("........");
    d4.PlaceBoard(empty);
    d4.Field().GemPool = 40;
    d4.Field().SteelProbability = 0.9f;
    d4.Field().SteelLimit = 30;
    d4.Field().BuildBoard(0, 0);
    EXPECT_EQ(d4.CountCaps([](const CCap& cap) { return cap.Gem != 0 && cap.Colour >= 99; }), 0);
    EXPECT_EQ(d4.CountCaps([](const CCap& cap) { return cap.Gem != 0; }), 4);
    EXPECT_EQ(d4.Field().GemPool, 36);
}

TEST_F(Refill, GemsAreConservedThroughPlay) {
    // A level of 6 gems played by random swaps: the pool, the gems on the
    // board, in flight and collected always add up to the goal.
    FieldDriver p(777);
    ASSERT_NE(p.StartLevel(1, "GEMSCOUNT 6\n"), 0);
    CPlayField& g = p.Field();
    auto total = [&]() {
        int onBoard = 0;
        for (const auto& cap : g.CapList.GetCaps())
            if (!cap.IsNull() && cap->Kind == CBoardElement::kBoardCap && !cap->Bonus.IsNull() &&
                cap->Bonus->Kind == CBonus::kGem && cap->State != CBoardElement::kRemoving &&
                cap->MotionPurpose != CCap::kLeaveBoard)
                ++onBoard;
        int flying = 0;
        for (const auto& b : g.Bonuses->Bonuses)
            if (b->Kind == CBonus::kGem && b->State >= CBonus::kGemFlight &&
                b->State <= CBonus::kGemArrived)
                ++flying;
        // A removed gem cap is counted once its removal has been scored.
        int removing = 0;
        for (const auto& t : p.Terminators().Live)
            for (const auto& cap : t->Tokens)
                if (!cap->Bonus.IsNull() && cap->Bonus->Kind == CBonus::kGem)
                    ++removing;
        return g.GemPool + onBoard + flying + removing + g.GemsBar->TotalCollected();
    };
    ASSERT_TRUE(p.RunUntilSettled());
    EXPECT_EQ(total(), 6);
    std::vector<CMatchMove> moves;
    for (int turn = 0; turn < 12 && p.levelsCompleted == 0; ++turn) {
        g.BuildMatchMatrix();
        g.MatchFinder.ListMoves(moves, 3, 0);
        ASSERT_FALSE(moves.empty());
        const CMatchMove& m = moves[moves.size() / 2];
        p.Click(m.Column1, m.Row1);
        p.Click(m.Column2, m.Row2);
        for (int i = 0; i < 2000; ++i) {
            p.Frame();
            EXPECT_EQ(total(), 6) << "frame " << p.frames;
            if (p.Settled() || p.levelsCompleted)
                break;
        }
    }
    EXPECT_LT(g.GemPool, 6) << "gems came onto the board";
}

TEST_F(Refill, LongCascadesAvoidReadyRows) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        FieldDriver c(seed);
        c.StartLevel(1);
        BoardRows rows = DeadBoard();
        for (int r = 0; r < 8; ++r) {
            rows[static_cast<size_t>(r)][0] = '.';
            rows[static_cast<size_t>(r)][1] = '.';
        }
        c.PlaceBoard(rows);
        c.Field().ChainCounter = 10;
        c.Field().BuildBoard(0, 0);
        EXPECT_EQ(c.Field().MatchFinder.HasRun(3, 0), 0) << "seed " << seed;
    }
}

TEST_F(Refill, SavedBoardIgnoresDamagedValues) {
    CQuestState saved;
    for (auto& grid : saved.CellGrids)
        grid.assign(8, std::vector<int32_t>(8, 0));
    auto& colour = saved.CellGrids[CQuestState::kColourGrid];
    for (auto& row : colour)
        row.assign(8, CQuestState::kEmptyCell);
    colour[0][0] = -3;   // colour 2 with a gem
    colour[0][1] = 101;  // steel
    colour[0][2] = 9;    // no colour: random
    colour[0][3] = 4;
    colour[0][4] = 5;  // colour 4 with two chains
    saved.CellGrids[CQuestState::kLockGrid][0][4] = 2;
    saved.CellGrids[CQuestState::kBonusTypeGrid][0][3] = 2;
    saved.CellGrids[CQuestState::kBonusLevelGrid][0][3] = 1;
    saved.CellGrids[CQuestState::kBonusTypeGrid][0][2] = 42;  // unknown: no bonus
    saved.CellGrids[CQuestState::kFixedGrid][0][3] = 1;
    saved.AdviserTime = 12.0f;
    saved.BlueTotemFlag = 1;
    saved.PendingTotem = 4;

    f.Totems.Ready = 0;  // keep the restored request in the queue
    BoardRows empty;
    empty.fill("........");
    d.PlaceBoard(empty);
    f.SavedState = &saved;
    f.Source = CPlayField::kSavedBoard;
    f.SteelProbability = 0.5f;
    f.SteelLimit = 5;
    f.BuildBoard(1, 1);

    EXPECT_EQ(f.CapAt(0, 0)->Colour, 2);
    ASSERT_FALSE(f.CapAt(0, 0)->Bonus.IsNull());
    EXPECT_EQ(f.CapAt(0, 0)->Bonus->Kind, CBonus::kGem);
    EXPECT_EQ(f.CapAt(1, 0)->Colour, CCap::kSteel);
    EXPECT_LT(f.CapAt(2, 0)->Colour, 7);
    EXPECT_TRUE(f.CapAt(2, 0)->Bonus.IsNull());
    EXPECT_EQ(f.CapAt(3, 0)->Colour, 3);
    ASSERT_FALSE(f.CapAt(3, 0)->Bonus.IsNull());
    EXPECT_EQ(f.CapAt(3, 0)->Bonus->Kind, CBonus::kTnt);
    EXPECT_EQ(f.CapAt(3, 0)->Bonus->Param, 1);
    EXPECT_EQ(f.CapAt(3, 0)->Fixed, 1);
    EXPECT_EQ(f.CapAt(4, 0)->Colour, 4);
    EXPECT_EQ(f.CapAt(4, 0)->LockCount, 2);
    EXPECT_EQ(d.CountCaps([](const CCap&) { return true; }), 64);

    EXPECT_EQ(f.Totems.BlueFlag, 1);
    EXPECT_EQ(f.SteelLimit, 0);
    EXPECT_FLOAT_EQ(f.SteelProbability, 0.0f);
    ASSERT_EQ(f.Totems.Requests.size(), 1u);
    EXPECT_EQ(f.Totems.Requests.front(), 4);
    EXPECT_EQ(f.Adviser.State, 1);
    EXPECT_FLOAT_EQ(f.Adviser.TimeLeft, 12.0f);

    // The capture mirrors the restore: what was rebuilt is what it records.
    CQuestState again;
    f.CaptureBoard(again);
    ASSERT_TRUE(again.HasBoard());
    for (int32_t g = 0; g < CQuestState::kGrids; ++g)
        for (int32_t col : {0, 1, 3, 4})
            EXPECT_EQ(again.Cell(g, col, 0), saved.Cell(g, col, 0)) << g << "," << col;
    EXPECT_EQ(again.Cell(CQuestState::kBonusTypeGrid, 2, 0), 0);
}
