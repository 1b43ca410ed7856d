// The totems' action records applied to the board, one colour at a time.
#include <climits>
#include <cmath>
#include <set>

#include "RulesDriver.h"

namespace rulestest {
namespace {

// Twenty plain caps in the top rows, steel everywhere else.
BoardRows TwentyPlainCaps() {
    return {"01234012", "34012340", "1234ssss", "ssssssss",
            "ssssssss", "ssssssss", "ssssssss", "ssssssss"};
}

// The dead board with three steel caps.
BoardRows SteelBoard() {
    return {"01234012", "34s12340", "12340123", "40123401",
            "23401s34", "01234012", "34012340", "1234012s"};
}

// A running figure that keeps the targets the field hands it and emits the
// records it is given.
class RecordingFigure : public CTotem {
public:
    explicit RecordingFigure(int32_t colour) : CTotem(colour) { State = kRunning; }
    void SetTarget(const std::vector<CTotemPoint>& points,
                   const std::vector<CTotemCell>& cells) override {
        Points = points;
        Cells = cells;
    }
    void EmitActions(CTotemPanel& panel) override {
        for (const CTotemAction& a : Emit)
            panel.PushAction(a);
        Emit.clear();
    }
    std::vector<CTotemPoint> Points;
    std::vector<CTotemCell> Cells;
    std::vector<CTotemAction> Emit;
};

class TotemTest : public ::testing::Test {
protected:
    void SetUp() override {
        d.StartLevel(9);
        d.PlaceBoard(DeadBoard());
    }

    CTotemAction Action(int32_t kind, int32_t column = 0, int32_t row = 0, int32_t value = 0) {
        CTotemAction a;
        a.kind = kind;
        a.column = column;
        a.row = row;
        a.value = value;
        return a;
    }
    void Apply(const std::vector<CTotemAction>& actions) {
        d.Field().Totems.Actions = actions;
        d.Field().ApplyTotemActions();
    }
    CGreenTotem* Green(int32_t count, int32_t level) {
        auto* g = new CGreenTotem();
        g->Tier = count;
        g->Level = level;
        g->State = 3; // aiming
        d.Field().Totems.Places[0] = CSharedPtr<CTotem>(g);
        return g;
    }
    RecordingFigure* Running(int32_t colour) {
        auto* f = new RecordingFigure(colour);
        d.Field().Totems.Places[static_cast<size_t>(colour)] = CSharedPtr<CTotem>(f);
        return f;
    }
    int Empty() {
        int n = 0;
        for (const auto& row : d.Field().Board)
            for (const auto& cap : row)
                n += cap.IsNull() ? 1 : 0;
        return n;
    }

    RulesDriver d;
};

// ---- Green ----

TEST_F(TotemTest, GreenAimsAtNoMoreNewGemsThanThePoolHolds) {
    CPlayField& f = d.Field();
    d.PlaceBoard(TwentyPlainCaps());
    CGreenTotem* green = Green(3, 1);
    f.GemPool = 4;
    Apply({Action(CTotemAction::kGreen)});
    EXPECT_EQ(green->Unigems.size(), 4u);

    green->Unigems.clear();
    f.GemPool = 10;
    Apply({Action(CTotemAction::kGreen)});
    ASSERT_EQ(green->Unigems.size(), 6u);
    std::set<std::pair<int32_t, int32_t>> cells;
    int32_t last = -1;
    for (const auto& gem : green->Unigems) {
        const CSharedPtr<CCap> cap = d.Cap(gem->Column, gem->Row);
        ASSERT_FALSE(cap.IsNull());
        EXPECT_LT(cap->Colour, CCap::kFirstSpecialColour);
        cells.insert({gem->Column, gem->Row});
        // Board order: rows first.
        const int32_t index = gem->Row * 8 + gem->Column;
        EXPECT_GT(index, last);
        last = index;
    }
    EXPECT_EQ(cells.size(), 6u);
}

TEST_F(TotemTest, GreenWithNoPoolOnlyCollects) {
    CPlayField& f = d.Field();
    CGreenTotem* green = Green(4, 3);
    f.GemPool = 0;
    d.Attach(d.Cap(6, 6), CBonus::kGem);
    Apply({Action(CTotemAction::kGreen)});
    EXPECT_TRUE(green->Unigems.empty());
    EXPECT_EQ(d.Terminators().Live.size(), 1u);
}

TEST_F(TotemTest, GreenOfLevelThreeCollectsEveryGemAndStripsEveryChain) {
    CPlayField& f = d.Field();
    Green(2, 3);
    d.Attach(d.Cap(1, 1), CBonus::kGem);
    const CSharedPtr<CCap> chainedGem = d.Cap(2, 2);
    chainedGem->SetValue(2);
    d.Attach(chainedGem, CBonus::kGem);
    const CSharedPtr<CCap> chained = d.Cap(3, 3);
    chained->SetValue(2);

    Apply({Action(CTotemAction::kGreen)});
    const auto& live = d.Terminators().Live;
    ASSERT_EQ(live.size(), 3u);
    // The chain stripping comes first, with its sound; the cap stays.
    ASSERT_EQ(live[0]->Tokens.size(), 1u);
    EXPECT_TRUE(live[0]->Tokens[0] == chained);
    EXPECT_EQ(live[0]->Group.Modes[0], CPlayField::kStripChain);
    EXPECT_EQ(live[0]->SoundQueued, 1);
    EXPECT_TRUE(d.Cap(3, 3) == chained);
    // The gems go whatever their chains; their sound waits for the ray.
    EXPECT_EQ(live[1]->Group.Modes[0], CPlayField::kRemoveAlways);
    EXPECT_EQ(live[2]->Group.Modes[0], CPlayField::kRemoveAlways);
    EXPECT_EQ(live[1]->SoundQueued, 0);
    EXPECT_EQ(live[2]->SoundQueued, 0);
    EXPECT_TRUE(d.Cap(1, 1).IsNull());
    EXPECT_TRUE(d.Cap(2, 2).IsNull());

    d.FinishRemovals();
    EXPECT_EQ(chained->LockCount, 0);
    EXPECT_EQ(chained->State, CBoardElement::kAtRest);
    EXPECT_EQ(f.CapList.Remove(chainedGem), -1); // destroyed
}

TEST_F(TotemTest, GreenBelowLevelThreeOnlyBreaksAChainOfAChainedGem) {
    Green(2, 1);
    const CSharedPtr<CCap> chainedGem = d.Cap(2, 2);
    chainedGem->SetValue(2);
    d.Attach(chainedGem, CBonus::kGem);
    const CSharedPtr<CCap> chained = d.Cap(3, 3);
    chained->SetValue(1);
    Apply({Action(CTotemAction::kGreen)});
    ASSERT_EQ(d.Terminators().Live.size(), 1u);
    EXPECT_EQ(d.Terminators().Live[0]->Group.Modes[0], CPlayField::kRemoveOrdinary);
    EXPECT_TRUE(d.Cap(2, 2) == chainedGem);
    EXPECT_EQ(chained->State, CBoardElement::kAtRest);
}

TEST_F(TotemTest, ArrivingGreenEffectsPutGemsOnTheirCaps) {
    CPlayField& f = d.Field();
    CGreenTotem* green = Green(2, 1);
    d.Attach(d.Cap(1, 1), CBonus::kGem); // already a carrier: no second gem
    CSharedPtr<CUnigem> good(new CUnigem());
    good->Column = 0;
    good->Row = 0;
    CSharedPtr<CUnigem> taken(new CUnigem());
    taken->Column = 1;
    taken->Row = 1;
    CSharedPtr<CUnigem> off(new CUnigem());
    off->Column = 12;
    off->Row = -3;
    green->Unigems = {good, taken, off};
    const int32_t pool = f.GemPool;
    const size_t bonuses = d.Bonuses().Bonuses.size();

    Apply({Action(CTotemAction::kGreen, 0, 0, 1)});
    const CSharedPtr<CCap> cap = d.Cap(0, 0);
    EXPECT_EQ(cap->Gem, 1);
    ASSERT_FALSE(cap->Bonus.IsNull());
    EXPECT_EQ(cap->Bonus->Kind, CBonus::kGem);
    EXPECT_EQ(cap->Bonus->Colour, cap->Colour);
    EXPECT_EQ(cap->Bonus->State, CBonus::kPlaced);
    EXPECT_EQ(d.Bonuses().Bonuses.size(), bonuses + 1);
    EXPECT_EQ(good->Cleared, 1);
    EXPECT_EQ(taken->Cleared, 0);
    EXPECT_EQ(f.GemPool, pool - 1);
    EXPECT_TRUE(green->Unigems.empty());
    EXPECT_EQ(d.Plays("GemIn.wav"), 1);

    Apply({Action(CTotemAction::kGreen, 0, 0, 1)});
    EXPECT_EQ(d.Plays("GemIn.wav"), 1); // no effect, no sound
}

// ---- Yellow, orange ----

TEST_F(TotemTest, YellowScoresAndFromTierTwoFillsTheSandBox) {
    CPlayField& f = d.Field();
    Apply({Action(CTotemAction::kYellow, 1, 2)});
    ASSERT_EQ(f.Events.size(), 1u);
    EXPECT_EQ(f.Events[0].Kind, CFieldEvent::kRemovalFinished);
    EXPECT_EQ(f.Events[0].Value, 1000);
    EXPECT_EQ(d.Plays("TotemYellow2.wav"), 0);

    f.Events.clear();
    Apply({Action(CTotemAction::kYellow, 2, 2)});
    ASSERT_EQ(f.Events.size(), 2u);
    EXPECT_EQ(f.Events[0].Value, 1500);
    EXPECT_EQ(f.Events[1].Kind, CFieldEvent::kSandFull);
    EXPECT_EQ(d.Plays("TotemYellow2.wav"), 1);
    EXPECT_FLOAT_EQ(f.Shake.Amount, 8.0f);
    EXPECT_EQ(f.Counters.Sets[2].Get(0), 2500);
    EXPECT_EQ(f.Counters.Sets[2].Get(7), 1);
}

TEST_F(TotemTest, OrangeWinsTimeByItsTier) {
    CPlayField& f = d.Field();
    CTotemAction a = Action(CTotemAction::kOrange, 0, 0, 3);
    a.value2 = 4;
    CTotemAction b = Action(CTotemAction::kOrange, 0, 0, 3);
    b.value2 = 1;
    Apply({a, b});
    ASSERT_EQ(f.Events.size(), 2u);
    EXPECT_EQ(f.Events[0].Kind, CFieldEvent::kTimeWon);
    EXPECT_FLOAT_EQ(f.Events[0].Amount, 90.0f);
    EXPECT_FLOAT_EQ(f.Events[1].Amount, 30.0f);
}

// ---- Red ----

TEST_F(TotemTest, RedBlastsABlockOrACross) {
    CPlayField& f = d.Field();
    Apply({Action(CTotemAction::kRed, 3, 4, 1)});
    EXPECT_EQ(d.Terminators().Live.size(), 4u);
    for (auto [c, r] : {std::pair{3, 4}, {4, 4}, {3, 5}, {4, 5}})
        EXPECT_TRUE(d.Cap(c, r).IsNull()) << c << "," << r;
    EXPECT_EQ(Empty(), 4);
    EXPECT_FLOAT_EQ(f.Shake.Amount, 1.25f);
    EXPECT_EQ(d.Plays("TotemRed2.wav"), 1);

    d.PlaceBoard(DeadBoard());
    d.Terminators().Clear();
    f.Shake.Clear();
    Apply({Action(CTotemAction::kRed, 3, 4, 0)});
    for (auto [c, r] : {std::pair{3, 4}, {2, 4}, {4, 4}, {3, 3}, {3, 5}})
        EXPECT_TRUE(d.Cap(c, r).IsNull()) << c << "," << r;
    EXPECT_EQ(Empty(), 5);
    EXPECT_FLOAT_EQ(f.Shake.Amount, 0.75f);
}

TEST_F(TotemTest, RedAtTheEdgeSkipsTheMissingCells) {
    Apply({Action(CTotemAction::kRed, 0, 0, 0)});
    EXPECT_EQ(Empty(), 3);
    d.PlaceBoard(DeadBoard());
    Apply({Action(CTotemAction::kRed, 7, 7, 1)});
    EXPECT_EQ(Empty(), 1);
    d.PlaceBoard(DeadBoard());
    Apply({Action(CTotemAction::kRed, 100, -50, 0), Action(CTotemAction::kRed, INT_MAX, INT_MIN, 1),
           Action(CTotemAction::kRed, -2, 3, 0)});
    EXPECT_EQ(Empty(), 0);
    EXPECT_EQ(d.Plays("TotemRed2.wav"), 5);
}

// ---- Blue ----

TEST_F(TotemTest, BlueAimsAtTheSteelAndAtLevelThreeEndsIt) {
    CPlayField& f = d.Field();
    d.PlaceBoard(SteelBoard());
    f.SteelProbability = 0.2f;
    f.SteelLimit = 4;
    RecordingFigure* blue = Running(3);
    Apply({Action(CTotemAction::kBlue, 0, 0, 2)});
    ASSERT_EQ(blue->Cells.size(), 3u);
    EXPECT_EQ(blue->Cells[0].Column, 2);
    EXPECT_EQ(blue->Cells[0].Row, 1);
    EXPECT_EQ(blue->Cells[2].Column, 7);
    EXPECT_EQ(blue->Cells[2].Row, 7);
    const CVector3 p = f.CellToWorld(5, 4, true);
    EXPECT_FLOAT_EQ(blue->Points[1].X, p.X);
    EXPECT_FLOAT_EQ(blue->Points[1].Y, p.Y);
    EXPECT_FLOAT_EQ(f.SteelProbability, 0.2f);

    Apply({Action(CTotemAction::kBlue, 0, 0, 3)});
    EXPECT_FLOAT_EQ(f.SteelProbability, 0.0f);
    EXPECT_EQ(f.SteelLimit, 0);
    EXPECT_EQ(d.Plays("TotemBlue3.wav"), 1);
}

TEST_F(TotemTest, BlueHitsShatterSteelWithOneSoundAtTheirMeanX) {
    CPlayField& f = d.Field();
    d.PlaceBoard(SteelBoard());
    CTotemAction a = Action(CTotemAction::kBlue, 2, 1, 0);
    a.spread = 1.0f;
    CTotemAction b = Action(CTotemAction::kBlue, 5, 4, 0);
    b.spread = 0.0f;
    Apply({a, b, Action(CTotemAction::kBlue, 9, 9, 0)});
    EXPECT_TRUE(d.Cap(2, 1).IsNull());
    EXPECT_TRUE(d.Cap(5, 4).IsNull());
    EXPECT_EQ(d.Terminators().Live.size(), 2u);
    EXPECT_FLOAT_EQ(f.Shake.Amount, 1.0f);
    EXPECT_EQ(d.Plays("TotemBlue2.wav"), 1);
}

// ---- White ----

TEST_F(TotemTest, WhiteChoosesDistinctLandedCaps) {
    CPlayField& f = d.Field();
    d.Cap(0, 0)->Landed = 0;
    RecordingFigure* white = Running(5);
    Apply({Action(CTotemAction::kWhite, 0, 0, 5)});
    ASSERT_EQ(white->Cells.size(), 5u);
    std::set<std::pair<int32_t, int32_t>> cells;
    for (const CTotemCell& c : white->Cells) {
        EXPECT_FALSE(c.Column == 0 && c.Row == 0);
        cells.insert({c.Column, c.Row});
    }
    EXPECT_EQ(cells.size(), 5u);
    Apply({Action(CTotemAction::kWhite, 0, 0, 500)});
    EXPECT_EQ(white->Cells.size(), 63u);
    Apply({Action(CTotemAction::kWhite, 0, 0, -1)});
    EXPECT_EQ(f.RecheckBoardFlag, 1);
}

TEST_F(TotemTest, WhitePaintRecoloursAndReplacesAGem) {
    const CSharedPtr<CCap> gemCap = d.Cap(4, 4);
    const CSharedPtr<CBonus> oldGem = d.Attach(gemCap, CBonus::kGem);
    const CSharedPtr<CCap> plain = d.Cap(1, 0);
    const CSharedPtr<CCap> withScore = d.Cap(2, 0);
    d.Attach(withScore, CBonus::kScore, 1);

    CTotemAction a = Action(CTotemAction::kWhite, 1, 0, 0);
    a.value2 = 6;
    CTotemAction b = Action(CTotemAction::kWhite, 4, 4, 0);
    b.value2 = 6;
    CTotemAction c = Action(CTotemAction::kWhite, 2, 0, 0);
    c.value2 = 5;
    Apply({a, b, c});
    EXPECT_EQ(plain->Colour, 6);
    EXPECT_EQ(plain->Gem, 0);
    EXPECT_TRUE(plain->Bonus.IsNull());
    EXPECT_EQ(gemCap->Colour, 6);
    ASSERT_FALSE(gemCap->Bonus.IsNull());
    EXPECT_FALSE(gemCap->Bonus == oldGem);
    EXPECT_EQ(gemCap->Bonus->Kind, CBonus::kGem);
    EXPECT_EQ(gemCap->Bonus->Colour, 6);
    EXPECT_EQ(d.Bonuses().RemoveBonus(oldGem), -1);
    EXPECT_EQ(withScore->Bonus->Colour, 5);
    EXPECT_EQ(d.Plays("TotemWhite2.wav"), 1);
}

TEST_F(TotemTest, WhitePaintOfAnUnknownColourTakesAColourInPlay) {
    CPlayField& f = d.Field();
    CTotemAction a = Action(CTotemAction::kWhite, 3, 3, 0);
    a.value2 = 77;
    Apply({a});
    const int32_t colour = d.Cap(3, 3)->Colour;
    EXPECT_NE(std::find(f.Colours.begin(), f.Colours.end(), colour), f.Colours.end());
    // A cell with nothing landed is left alone.
    d.Cap(5, 5)->Landed = 0;
    const int32_t before = d.Cap(5, 5)->Colour;
    a.column = 5;
    a.row = 5;
    a.value2 = before == 0 ? 1 : 0;
    Apply({a});
    EXPECT_EQ(d.Cap(5, 5)->Colour, before);
}

// ---- Violet ----

TEST_F(TotemTest, VioletLaunchesABonusThatFindsACap) {
    CPlayField& f = d.Field();
    CTotemAction a = Action(CTotemAction::kViolet, 2, 7);
    a.fromPoint[0] = 10.0f;
    a.fromPoint[1] = 20.0f;
    a.fromPoint[2] = 30.0f;
    a.toPoint[0] = 40.0f;
    a.toPoint[1] = 50.0f;
    a.toPoint[2] = 60.0f;
    a.flightTime = 0.5f;
    a.bonusType = CBonus::kFlash;
    CTotemAction unknown = a;
    unknown.bonusType = 9;
    Apply({a, unknown});
    ASSERT_EQ(d.Bonuses().Bonuses.size(), 1u);
    const CSharedPtr<CBonus> b = d.Bonuses().Bonuses[0];
    EXPECT_EQ(b->Kind, CBonus::kFlash);
    EXPECT_EQ(b->Param, 2);
    EXPECT_EQ(b->CreatedInPlay, 1);
    EXPECT_EQ(b->State, CBonus::kPopping);
    EXPECT_EQ(b->ZOrder, 7);
    EXPECT_FLOAT_EQ(b->Pos[0], 10.0f);
    EXPECT_FLOAT_EQ(b->Target[2], 60.0f);
    EXPECT_FLOAT_EQ(b->Duration, 0.5f);
    EXPECT_FLOAT_EQ(b->FarScale, 1.0f);
    EXPECT_EQ(d.CountCaps([&](const CCap& c) { return c.Bonus == b; }), 0);

    // It pops, asks for a cap, flies in and lands with its drop sound.
    f.InputOpen = 0;
    d.Frames(90);
    EXPECT_EQ(d.CountCaps([&](const CCap& c) { return c.Bonus == b; }), 1);
    EXPECT_EQ(b->State, CBonus::kPlaced);
    EXPECT_EQ(d.Plays("BonusDrop.wav"), 1);
}

TEST_F(TotemTest, RecordsFromThePanelAreAppliedByTheFrame) {
    CPlayField& f = d.Field();
    CTotemAction a = Action(CTotemAction::kOrange, 0, 0, 2);
    a.value2 = 3;
    CSharedPtr<RecordingFigure> figure(new RecordingFigure(4));
    figure->Emit = {a, Action(CTotemAction::kLaunched)};
    f.Totems.AddActive(figure);
    d.Frame();
    EXPECT_EQ(d.CountEvents(CFieldEvent::kTimeWon), 1);
    EXPECT_FLOAT_EQ(d.LastEvent(CFieldEvent::kTimeWon)->Amount, 45.0f);
    EXPECT_EQ(f.Counters.Sets[2].Get(6), 1);
}

} // namespace
} // namespace rulestest
