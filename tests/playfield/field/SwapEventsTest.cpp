// Swaps kept or sent back, the guards on cells and swaps, the field's state
// after construction and reset, the event queue order, the tutorial tip event,
// and the quarter-second test for a board without moves with its rebuild.
#include <gtest/gtest.h>

#include "FieldDriver.h"

using namespace fieldtest;

namespace {

class Swaps : public ::testing::Test {
protected:
    void SetUp() override {
        d.StartLevel(1);
        f.Totems.Ready = 0;  // a busy panel keeps the requests it receives
    }
    void RunUntilPairsDone() {
        for (int i = 0; i < 240 && (!f.SwapList.empty() || !f.RecheckList.empty()); ++i)
            d.Frame();
    }
    FieldDriver d;
    CPlayField& f = d.Field();
};

// One swap of (2, 6) and (2, 7) makes the row 5 5 5 in row 7.
BoardRows OneMove() {
    BoardRows rows = DeadBoard();
    rows[6] = "34512340";
    rows[7] = "55340123";
    return rows;
}

} // namespace

TEST_F(Swaps, AcceptedSwapResolvesAndRequestsItsTotem) {
    d.PlaceBoard(OneMove());
    f.BuildMatchMatrix();
    ASSERT_EQ(f.MatchFinder.HasRun(3, 0), 0);
    ASSERT_TRUE(f.MatchFinder.IsMove(2, 6, 2, 7, 3, 0));
    CSharedPtr<CCap> a = f.CapAt(2, 6);
    CSharedPtr<CCap> b = f.CapAt(2, 7);
    const int32_t layer = a->Sprite->Layer;

    d.Click(2, 6);
    d.Click(2, 7);
    ASSERT_EQ(f.SwapList.size(), 1u);
    EXPECT_TRUE(f.CapAt(2, 7) == a);
    EXPECT_TRUE(f.CapAt(2, 6) == b);
    EXPECT_EQ(a->State, CBoardElement::kSwapping);
    EXPECT_EQ(a->Sprite->Layer, layer - 1);
    EXPECT_EQ(f.IsCellSelectable(2, 7), 0);

    RunUntilPairsDone();
    EXPECT_EQ(a->Sprite->Layer, layer) << "the landing undoes the draw-order step";
    EXPECT_EQ(f.InvalidMove, 0);
    ASSERT_EQ(d.Terminators().Live.size() + d.Terminators().Finished.size(), 1u);
    ASSERT_EQ(f.Totems.Requests.size(), 1u);
    EXPECT_EQ(f.Totems.Requests.front(), 5);
}

TEST_F(Swaps, RejectedSwapFliesBack) {
    d.PlaceBoard(DeadBoard());
    CSharedPtr<CCap> a = f.CapAt(3, 7);
    CSharedPtr<CCap> b = f.CapAt(4, 7);
    d.Click(3, 7);
    d.Click(4, 7);
    ASSERT_EQ(f.SwapList.size(), 1u);
    RunUntilPairsDone();
    EXPECT_EQ(f.InvalidMove, 1);
    EXPECT_TRUE(f.CapAt(3, 7) == a);
    EXPECT_TRUE(f.CapAt(4, 7) == b);
    EXPECT_EQ(a->State, CBoardElement::kAtRest);
    EXPECT_EQ(a->Landed, 1);
    EXPECT_NEAR(a->Position.X, f.CellToWorld(3, 7, false).X, 1e-3f);
    EXPECT_TRUE(f.Totems.Requests.empty());
    EXPECT_TRUE(d.Terminators().Live.empty());
}

TEST_F(Swaps, SwapMakingTwoRowsResolvesBothGroups) {
    BoardRows rows = DeadBoard();
    rows[6] = "34056640";
    rows[7] = "15560123";
    d.PlaceBoard(rows);
    f.BuildMatchMatrix();
    ASSERT_EQ(f.MatchFinder.HasRun(3, 0), 0);
    f.SwapCaps(3, 6, 3, 7, 0);
    // Both caps come to rest at once.
    for (CSharedPtr<CCap> cap : {f.CapAt(3, 6), f.CapAt(3, 7)})
        cap->State = CBoardElement::kAtRest;
    EXPECT_EQ(f.CheckSwaps(), 2);
    EXPECT_EQ(d.Terminators().Live.size(), 2u);
    EXPECT_EQ(f.Totems.Requests.size(), 1u) << "one request per check";
}

TEST_F(Swaps, TheTotemRequestTakesTheColourOfTheCapInHand) {
    // The same swap makes a row of 6s and a row of 5s: whichever colour the
    // player holds is the one the totems hear of.
    for (const int32_t held : {5, 6}) {
        BoardRows rows = DeadBoard();
        rows[6] = "34056640";
        rows[7] = "15560123";
        d.PlaceBoard(rows);
        f.Totems.Requests.clear();
        f.SwapCaps(3, 6, 3, 7, 0);
        for (CSharedPtr<CCap> cap : {f.CapAt(3, 6), f.CapAt(3, 7)})
            cap->State = CBoardElement::kAtRest;
        f.CapSlot->Select(held == 5 ? f.CapAt(3, 7) : f.CapAt(3, 6));
        ASSERT_EQ(f.CapSlot->Colour, held);
        EXPECT_EQ(f.CheckSwaps(), 2);
        ASSERT_EQ(f.Totems.Requests.size(), 1u);
        EXPECT_EQ(f.Totems.Requests.front(), held);
    }
}

TEST_F(Swaps, MovingPairWaitsWhileRestedPairsBehindItAreChecked) {
    d.PlaceBoard(DeadBoard());
    f.SwapCaps(0, 0, 1, 0, 0);
    f.SwapCaps(3, 3, 3, 4, 0);
    f.CapAt(3, 3)->State = CBoardElement::kAtRest;
    f.CapAt(3, 4)->State = CBoardElement::kAtRest;
    EXPECT_EQ(f.CheckSwaps(), 0);
    ASSERT_EQ(f.SwapList.size(), 1u);
    EXPECT_TRUE(f.SwapList[0].First == f.CapAt(1, 0));
    EXPECT_EQ(f.RecheckList.size(), 1u);
}

TEST_F(Swaps, BadCellsAreIgnored) {
    BoardRows rows = DeadBoard();
    rows[0][0] = '.';
    d.PlaceBoard(rows);
    f.SwapCaps(0, 0, 1, 0, 0);    // an empty cell
    f.SwapCaps(2, 2, 4, 2, 0);    // not neighbours
    f.SwapCaps(2, 2, 3, 3, 0);    // diagonal
    f.SwapCaps(7, 0, 8, 0, 0);    // off the board
    f.SwapCaps(-1, 0, 0, 0, 0);
    EXPECT_TRUE(f.SwapList.empty());
    EXPECT_TRUE(f.RecheckList.empty());

    EXPECT_EQ(f.IsCellSelectable(-1, 0), 0);
    EXPECT_EQ(f.IsCellSelectable(0, 8), 0);
    EXPECT_EQ(f.IsCellSelectable(0, 0), 0);
    EXPECT_EQ(f.IsCellSelectable(1, 0), 1);
    f.CapAt(1, 0)->SetValue(1);
    EXPECT_EQ(f.IsCellSelectable(1, 0), 0) << "a chained cap";

    int32_t c = 0, r = 0;
    EXPECT_FALSE(f.WorldToCell(f.Origin[0] - 1.0f, f.Origin[1] - 1.0f, c, r));
    EXPECT_EQ(c, -1);
    EXPECT_EQ(r, 0);
    EXPECT_TRUE(f.WorldToCell(f.Origin[0] + 1.0f, f.Origin[1] - 1.0f, c, r));
    EXPECT_FALSE(f.WorldToCell(1.0e30f, 0.0f, c, r));
    const CVector3 p = f.CellToWorld(5, 6, true);
    EXPECT_TRUE(f.WorldToCell(p.X, p.Y, c, r));
    EXPECT_EQ(c, 5);
    EXPECT_EQ(r, 6);
}

TEST(FieldState, ConstructionAndReset) {
    FieldDriver d;
    CPlayField& f = d.Field();
    EXPECT_EQ(f.Board.size(), 8u);
    EXPECT_EQ(f.Board[0].size(), 8u);
    EXPECT_EQ(d.CountCaps([](const CCap&) { return true; }), 0);
    EXPECT_EQ(f.Source, CPlayField::kLevelBoard);
    EXPECT_EQ(f.FieldState, CPlayField::kMainBoard);
    EXPECT_EQ(f.InputOpen, 1);
    EXPECT_TRUE(f.Events.empty());
    EXPECT_GE(f.Events.capacity(), 64u);
    // The layout's cells are 83 wide (odd): the origin moves by half a unit.
    EXPECT_FLOAT_EQ(f.Origin[0], f.BaseOrigin[0] + 0.5f);

    f.LevelOver = 1;
    f.InputOpen = 0;
    f.Reset(0);
    EXPECT_EQ(f.LevelOver, 0);
    EXPECT_EQ(f.InputOpen, 1);

    // A cap held elsewhere survives the reset; the board lets go of it.
    d.PlaceBoard(DeadBoard());
    CSharedPtr<CCap> kept = f.CapAt(0, 0);
    f.Reset(0);
    EXPECT_TRUE(f.CapAt(0, 0).IsNull());
    EXPECT_EQ(kept.UseCount(), 1u);
}

TEST(FieldEvents, ReorderMovesEndsToTheBack) {
    FieldDriver d;
    CPlayField& f = d.Field();
    for (int32_t kind : {5, 1, 7, 6, 2, 5})
        f.QueueEvent(kind);
    EXPECT_EQ(f.ReorderEvents(), 6);
    std::vector<int32_t> kinds;
    for (const CFieldEvent& e : f.Events)
        kinds.push_back(e.Kind);
    EXPECT_EQ(kinds, (std::vector<int32_t>{1, 2, 5, 5, 7, 6}));
    f.Events.clear();
    EXPECT_EQ(f.ReorderEvents(), 0);

    f.PostResult(4, 2);
    ASSERT_EQ(f.Events.size(), 1u);
    EXPECT_EQ(f.Events[0].Kind, CFieldEvent::kTutorialTip);
    EXPECT_EQ(f.Events[0].Value, 2);
    EXPECT_EQ(f.Events[0].Extra, 4);
    EXPECT_EQ(f.TutorialNumber, 4);

    // Without a tutorial record the tips are off.
    f.TutorialNumber = 0;
    int32_t step = -1;
    EXPECT_EQ(f.SelectTutorialTip(step), 0);
}

TEST(NoMoves, DeadBoardReportsOncePerTestAndOnlyWhenQuiet) {
    FieldDriver d;
    d.StartLevel(1);
    d.rebuildOnNoMoves = false;
    d.PlaceBoard(DeadBoard());
    d.Frame(0.1f);
    d.Frame(0.1f);
    EXPECT_EQ(d.CountEvents(CFieldEvent::kNoMoves), 0);
    d.Frame(0.1f);
    EXPECT_EQ(d.CountEvents(CFieldEvent::kNoMoves), 1);
    d.Frames(3, 0.1f);
    EXPECT_EQ(d.CountEvents(CFieldEvent::kNoMoves), 2);

    // Busy: no test at all; a moving cap: no event.
    d.events.clear();
    d.Field().SetActive(true);
    d.Frames(5, 0.1f);
    EXPECT_EQ(d.CountEvents(CFieldEvent::kNoMoves), 0);
    d.Field().SetActive(false);
    d.Field().CapAt(0, 0)->State = CBoardElement::kMoving;
    d.Field().CapAt(0, 0)->Duration = 100.0f;
    d.Field().CapAt(0, 0)->Elapsed = 0.0f;
    d.Frames(5, 0.1f);
    EXPECT_EQ(d.CountEvents(CFieldEvent::kNoMoves), 0);
}

TEST(NoMoves, RebuildGivesABoardWithAMoveAndKeepsFixedCaps) {
    FieldDriver d;
    d.StartLevel(1);
    d.PlaceBoard(DeadBoard());
    CPlayField& f = d.Field();
    f.CapAt(2, 3)->Fixed = 1;
    const int32_t fixedColour = f.CapAt(2, 3)->Colour;
    for (int i = 0; i < 400 && d.CountEvents(CFieldEvent::kNoMoves) == 0; ++i)
        d.Frame();
    ASSERT_EQ(d.CountEvents(CFieldEvent::kNoMoves), 1);
    ASSERT_TRUE(d.RunUntilSettled(6000));
    f.BuildMatchMatrix();
    EXPECT_EQ(f.MatchFinder.HasMove(3, 0), 1);
    EXPECT_EQ(d.CountEvents(CFieldEvent::kNoMoves), 1);
    EXPECT_EQ(f.CapAt(2, 3)->Colour, fixedColour);
    EXPECT_EQ(f.CapAt(2, 3)->Fixed, 1);
}
