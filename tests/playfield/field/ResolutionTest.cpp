// Match resolution and cascades: terminators and emptied cells, chains kept by
// the terminator, bonuses for long rows, bonuses handed over or dismissed, the
// chain counter and its combo event, frenzy and Score multipliers, and a level
// won through a collected gem.
#include <gtest/gtest.h>

#include "FieldDriver.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"

using namespace fieldtest;

namespace {

// The dead board with a ready row of colour 5 in row 7, columns 0..n-1.
BoardRows RowOf5(int n) {
    BoardRows rows = DeadBoard();
    rows[7].replace(0, static_cast<size_t>(n), static_cast<size_t>(n), '5');
    return rows;
}

class Resolution : public ::testing::Test {
protected:
    void SetUp() override {
        d.StartLevel(1);
        f.Events.clear();
    }
    // Frames until every removal of the board has been scored.
    void RunRemovals() {
        for (int i = 0; i < 200 && (!d.Terminators().Live.empty()); ++i)
            d.Frame();
    }
    FieldDriver d;
    CPlayField& f = d.Field();
};

} // namespace

TEST_F(Resolution, ReadyRowBecomesOneTerminatorAndEmptyCells) {
    d.PlaceBoard(RowOf5(3));
    std::vector<CSharedPtr<CCap>> row;
    for (int c = 0; c < 3; ++c)
        row.push_back(f.CapAt(c, 7));

    EXPECT_EQ(f.RecheckBoard(), 1);
    ASSERT_EQ(d.Terminators().Live.size(), 1u);
    const CTerminator& t = *d.Terminators().Live[0];
    EXPECT_EQ(t.Tokens.size(), 3u);
    EXPECT_EQ(d.Terminators().SoundQueue.size(), 1u);
    for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(f.CapAt(c, 7).IsNull());
        EXPECT_EQ(row[static_cast<size_t>(c)]->State, CBoardElement::kRemoving);
        EXPECT_EQ(row[static_cast<size_t>(c)]->Landed, 0);
    }
    EXPECT_EQ(f.Counters.Sets[2].Get(3), 1);
    EXPECT_EQ(f.Counters.Sets[2].Get(9), 3);
    EXPECT_EQ(f.Counters.Sets[2].Get(2), 3);
    EXPECT_EQ(f.Bonuses->Bonuses.size(), 0u);

    RunRemovals();
    EXPECT_EQ(d.CountEvents(CFieldEvent::kRemovalFinished), 1);
    EXPECT_EQ(f.Counters.Sets[2].Get(0), 100);
    ASSERT_GE(f.Popups.Count(), 1u);
    EXPECT_EQ(f.Popups.GetPopups()[0]->Text, "100");
    for (const auto& cap : row)
        EXPECT_EQ(cap.UseCount(), 1u) << "a shattered cap left the board and the cap list";
    ASSERT_TRUE(d.RunUntilSettled());
    EXPECT_EQ(d.CountCaps([](const CCap&) { return true; }), 64);
}

TEST_F(Resolution, ChainedCapLosesOneChainAndStays) {
    d.PlaceBoard(RowOf5(3));
    CSharedPtr<CCap> chained = f.CapAt(1, 7);
    chained->SetValue(2);

    EXPECT_EQ(f.RecheckBoard(), 1);
    EXPECT_TRUE(f.CapAt(1, 7) == chained);
    EXPECT_EQ(chained->State, CBoardElement::kRemoving);
    EXPECT_EQ(f.Counters.Sets[2].Get(2), 2) << "only the free caps count as removed";
    RunRemovals();
    EXPECT_EQ(chained->LockCount, 1);
    EXPECT_EQ(chained->State, CBoardElement::kAtRest);
    EXPECT_EQ(chained->Landed, 1);
    ASSERT_TRUE(d.RunUntilSettled());
    // The cap rests in the bottom row or fell no further: nothing was below it.
    EXPECT_TRUE(f.CapAt(1, 7) == chained);
}

TEST_F(Resolution, LongRowsDrawBonusesOntoOtherFreeCaps) {
    // Only TNT for rows of four; only Adviser (tier 2) among the long-row types.
    d.Params().BonusTiers = {0, -1, -1, 2, -1, -1};
    d.PlaceBoard(RowOf5(4));
    f.RecheckBoard();
    ASSERT_EQ(f.Bonuses->Bonuses.size(), 1u);
    CSharedPtr<CBonus> tnt = f.Bonuses->Bonuses[0];
    EXPECT_EQ(tnt->Kind, CBonus::kTnt);
    EXPECT_EQ(tnt->Param, 0);
    EXPECT_EQ(tnt->CreatedInPlay, 1);
    EXPECT_EQ(tnt->State, CBonus::kFlyingIn);
    EXPECT_EQ(d.CountCaps([&](const CCap& cap) {
                  return cap.Bonus == tnt && cap.State == CBoardElement::kAtRest;
              }),
              1);

    FieldDriver d5;
    d5.StartLevel(1);
    d5.Params().BonusTiers = {0, -1, -1, 2, -1, -1};
    d5.PlaceBoard(RowOf5(5));
    d5.Field().RecheckBoard();
    ASSERT_EQ(d5.Bonuses().Bonuses.size(), 1u);
    EXPECT_EQ(d5.Bonuses().Bonuses[0]->Kind, CBonus::kAdviser);
    EXPECT_EQ(d5.Bonuses().Bonuses[0]->Param, 2);

    // Nothing allowed: no bonus.
    FieldDriver none;
    none.StartLevel(1);
    none.Params().BonusTiers = {-1, -1, -1, -1, -1, -1};
    none.PlaceBoard(RowOf5(5));
    none.Field().RecheckBoard();
    EXPECT_TRUE(none.Bonuses().Bonuses.empty());
}

TEST_F(Resolution, TutorialSixPutsTheBonusOnTheMiddleCap) {
    d.Params().BonusTiers = {0, 0, 0, -1, 0, -1};
    d.PlaceBoard(RowOf5(4));
    f.TutorialNumber = 6;
    f.RecheckBoard();
    ASSERT_EQ(f.Bonuses->Bonuses.size(), 1u);
    EXPECT_TRUE(f.CapAt(4, 4)->Bonus == f.Bonuses->Bonuses[0]);
}

TEST_F(Resolution, FlyingBonusMovesOnOrIsDismissed) {
    d.PlaceBoard(RowOf5(3));
    CSharedPtr<CBonus> bonus;
    f.Bonuses->CreateBonus(bonus, CBonus::kTime, 1, 0, 1);
    bonus->FlyIn(0.0f, 0.0f, 50.0f, 39.0f, 0, 7, 1, 0.5f);
    CSharedPtr<CCap> carrier = f.CapAt(0, 7);
    carrier->SetBonus(bonus);

    f.RecheckBoard();
    EXPECT_TRUE(carrier->Bonus.IsNull());
    EXPECT_EQ(d.CountCaps([&](const CCap& cap) {
                  return cap.Bonus == bonus && cap.State == CBoardElement::kAtRest;
              }),
              1);
    EXPECT_TRUE(d.Terminators().Live[0]->Group.Bonuses.empty());
    EXPECT_EQ(bonus->State, CBonus::kFlyingIn);

    // Every other cap is chained: the bonus has nowhere to go.
    FieldDriver lone;
    lone.StartLevel(1);
    lone.PlaceBoard(RowOf5(3));
    CPlayField& g = lone.Field();
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            if (r != 7 || c > 2)
                g.CapAt(c, r)->SetValue(1);
    CSharedPtr<CBonus> orphan;
    g.Bonuses->CreateBonus(orphan, CBonus::kTime, 1, 0, 1);
    orphan->FlyIn(0.0f, 0.0f, 50.0f, 39.0f, 0, 7, 1, 0.5f);
    g.CapAt(0, 7)->SetBonus(orphan);
    g.RecheckBoard();
    EXPECT_EQ(orphan->State, CBonus::kFlyingOut);
    EXPECT_EQ(lone.CountCaps([&](const CCap& cap) { return cap.Bonus == orphan; }), 0);
}

TEST_F(Resolution, CascadeCountsTheChainAndReportsOneCombo) {
    // Column 0 holds a ready run of 5; the 6 above it lands beside two more 6s.
    BoardRows rows = DeadBoard();
    rows[4] = "63401234";
    rows[5] = "51234012";
    rows[6] = "54012340";
    rows[7] = "56640123";
    d.PlaceBoard(rows);
    f.BuildMatchMatrix();
    ASSERT_EQ(f.MatchFinder.FindGroups(3, 0), 1);

    ASSERT_TRUE(d.RunUntilSettled());
    ASSERT_EQ(d.CountEvents(CFieldEvent::kCombo), 1);
    for (const CFieldEvent& e : d.events) {
        if (e.Kind == CFieldEvent::kCombo) {
            EXPECT_GE(e.Value, 2);
        }
    }
    EXPECT_EQ(f.ChainCounter, 0);
    EXPECT_GE(f.Counters.Sets[2].Get(8), 2) << "the longest chain is kept";
}

TEST_F(Resolution, RecheckOfAQuietBoardClosesTheChain) {
    d.PlaceBoard(DeadBoard());
    f.ChainCounter = 1;
    EXPECT_EQ(f.RecheckBoard(), 0);
    EXPECT_TRUE(f.Events.empty());
    f.ChainCounter = 3;
    EXPECT_EQ(f.RecheckBoard(), 0);
    ASSERT_EQ(f.Events.size(), 1u);
    EXPECT_EQ(f.Events[0].Kind, CFieldEvent::kCombo);
    EXPECT_EQ(f.Events[0].Value, 3);
    EXPECT_EQ(f.ChainCounter, 0);
}

TEST_F(Resolution, FrenzyDoublesAndScoreBonusesMultiply) {
    d.PlaceBoard(RowOf5(3));
    f.Dune->SetActive(1, 0.0);
    ASSERT_EQ(f.Dune->Sandbox->Mode, CSandbox::kFrenzy);
    f.RecheckBoard();
    RunRemovals();
    EXPECT_EQ(f.Counters.Sets[2].Get(0), 200);
    ASSERT_GE(f.Popups.Count(), 1u);
    EXPECT_EQ(f.Popups.GetPopups()[0]->Text, "200");

    // A Score bonus of level 1 (factor 5) on a removed cap.
    FieldDriver s;
    s.StartLevel(1);
    s.PlaceBoard(RowOf5(3));
    CPlayField& g = s.Field();
    CSharedPtr<CBonus> score;
    g.Bonuses->CreateBonus(score, CBonus::kScore, 1, 0, 1);
    score->Place(0.0f, 0.0f, 50.0f, 39.0f, 1, 7);
    g.CapAt(1, 7)->SetBonus(score);
    g.RecheckBoard();
    for (int i = 0; i < 200 && !s.Terminators().Live.empty(); ++i)
        s.Frame();
    EXPECT_EQ(g.Counters.Sets[2].Get(0), 5 * (1 + 2) * 50);
    EXPECT_EQ(g.Counters.Sets[2].Get(5), 1) << "the bonus was fired once";
}

TEST_F(Resolution, CollectedGemWinsTheLevel) {
    const std::string level =
        "GEMSCOUNT 1\n"
        "SET ( 0 1 2 3 4 5 )\n"
        "BEGIN \"01234012\" \"34012340\" \"12340123\" \"40123401\"\n"
        "      \"23401234\" \"01234012\" \"34512340\" \"55340123\"\n"
        "GEMS \"--------\" \"--------\" \"--------\" \"--------\"\n"
        "     \"--------\" \"--------\" \"--------\" \"g-------\"\n";
    FieldDriver w;
    ASSERT_NE(w.StartLevel(1, level), 0);
    CPlayField& g = w.Field();
    EXPECT_EQ(g.GemsToCollect, 1);
    ASSERT_TRUE(w.RunUntilSettled());
    EXPECT_EQ(g.CapAt(0, 7)->Colour, 5);
    ASSERT_FALSE(g.CapAt(0, 7)->Bonus.IsNull());
    EXPECT_EQ(g.CapAt(0, 7)->Bonus->Kind, CBonus::kGem);
    EXPECT_EQ(g.GemPool, 0);

    w.Click(2, 6);
    w.Click(2, 7);
    ASSERT_EQ(g.SwapList.size(), 1u);
    for (int i = 0; i < 1200 && w.levelsCompleted == 0; ++i)
        w.Frame();
    EXPECT_EQ(w.levelsCompleted, 1);
    EXPECT_EQ(g.GemsToCollect, 0);
    EXPECT_EQ(g.LevelOver, 1);
    EXPECT_EQ(g.GemsBar->TotalCollected(), 1);
}
