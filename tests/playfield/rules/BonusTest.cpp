// Bonuses fired on the board and the requests the bonuses send it.
#include <cmath>

#include "RulesDriver.h"

namespace rulestest {
namespace {

// A Solidarity bonus whose rays take 0.1 s more for every further target.
class RayBonus : public CBonusPlain {
public:
    RayBonus() : CBonusPlain(kSolidarity) {}
    void SetTargets(const std::vector<CBonusPoint>& targets, std::vector<float>& delays) override {
        Targets = targets;
        delays.clear();
        for (size_t i = 0; i < targets.size(); ++i)
            delays.push_back(0.1f * static_cast<float>(i + 1));
    }
    std::vector<CBonusPoint> Targets;
};

// Nine caps of colour 2, two steel caps and no ready row.
BoardRows SolidarityBoard() {
    return {"01234015", "34012340", "12340s53", "40123401",
            "23401234", "0s234015", "34012340", "12340153"};
}

class BonusTest : public ::testing::Test {
protected:
    void SetUp() override { d.StartLevel(1); }

    CBonusRequest Request(int32_t code, int32_t a = 0, int32_t b = 0, int32_t c = 0,
                          CSharedPtr<CBonus> source = CSharedPtr<CBonus>(), float value = 0.0f) {
        CBonusRequest r;
        r.Code = code;
        r.A = a;
        r.B = b;
        r.C = c;
        r.Source = source;
        r.Value = value;
        return r;
    }
    void Apply(const CBonusRequest& r) {
        d.Bonuses().Pending.assign(1, r);
        d.Field().ApplyBonusRequests();
        d.Bonuses().Pending.clear();
    }
    int32_t FiredCounter() { return d.Field().Counters.Sets[2].Get(5); }

    CSharedPtr<CBonus> Solidarity(int32_t level, int32_t column, int32_t row, RayBonus** ray) {
        auto* b = new RayBonus();
        CSharedPtr<CBonus> handle(b);
        b->Param = level;
        b->Colour = 2;
        b->Column = column;
        b->Row = row;
        d.Bonuses().AddBonus(handle);
        *ray = b;
        return handle;
    }

    RulesDriver d;
};

// ---- Firing ----

TEST_F(BonusTest, BlastsShakeTheBoardByLevelAndPlayTheirSound) {
    CPlayField& f = d.Field();
    d.PlaceBoard(DeadBoard());
    const CSharedPtr<CBonus> tnt = d.Attach(d.Cap(0, 0), CBonus::kTnt, 2);
    f.ActivateBonus(tnt);
    EXPECT_FLOAT_EQ(f.Shake.Amount, 2.5f);
    EXPECT_EQ(d.Plays("TNT.wav"), 1);
    EXPECT_EQ(tnt->Dead, 1);

    f.Shake.Clear();
    f.ActivateBonus(d.Attach(d.Cap(1, 0), CBonus::kFlash, 0));
    EXPECT_FLOAT_EQ(f.Shake.Amount, 2.0f);
    EXPECT_EQ(d.Plays("Flash.wav"), 1);
    EXPECT_EQ(FiredCounter(), 2);
}

TEST_F(BonusTest, AFiredGemTakesTheNextFreeSlotOfItsColour) {
    CPlayField& f = d.Field();
    d.PlaceBoard(DeadBoard());
    f.GemsBar->AddGem(0);
    const CSharedPtr<CBonus> first = d.Attach(d.Cap(0, 0), CBonus::kGem);
    const CSharedPtr<CBonus> second = d.Attach(d.Cap(2, 1), CBonus::kGem);
    ASSERT_EQ(first->Colour, second->Colour);
    const int32_t colour = first->Colour;
    f.MoveTimer = 4.0f;
    f.ActivateBonus(first);
    f.ActivateBonus(second);
    float slot2[3], slot3[3];
    f.GemsBar->GemTarget(slot2, colour, 1);
    f.GemsBar->GemTarget(slot3, colour, 2);
    auto* a = dynamic_cast<CBonusGem*>(first.Get());
    auto* b = dynamic_cast<CBonusGem*>(second.Get());
    ASSERT_TRUE(a && b);
    EXPECT_FLOAT_EQ(a->FlyTarget[0], slot2[0]);
    EXPECT_FLOAT_EQ(b->FlyTarget[0], slot3[0]);
    EXPECT_NE(a->FlyTarget[0], b->FlyTarget[0]);
    EXPECT_EQ(d.Plays("GemOut.wav"), 2);
    EXPECT_FLOAT_EQ(f.MoveTimer, 0.0f);
}

TEST_F(BonusTest, AGemReachingTheBarLowersTheGemsToCollect) {
    CPlayField& f = d.Field();
    d.PlaceBoard(DeadBoard());
    const CSharedPtr<CCap> cap = d.Cap(5, 5);
    const int32_t colour = cap->Colour;
    d.Attach(cap, CBonus::kGem);
    const int32_t before = f.GemsToCollect;
    ASSERT_FALSE(f.RemoveSingleCell(5, 5, 1).IsNull());
    // The removal finishes and fires the gem; the gem flies to the bar.
    f.InputOpen = 0;
    d.Frames(90);
    EXPECT_EQ(f.GemsToCollect, before - 1);
    EXPECT_EQ(f.GemsBar->Collected(colour), 1);
    EXPECT_EQ(d.Plays("GemBar.wav"), 1);
    EXPECT_TRUE(d.Bonuses().Bonuses.empty());
}

TEST_F(BonusTest, SolidarityOfLevelZeroSparesAThirdOfItsColour) {
    CPlayField& f = d.Field();
    d.PlaceBoard(SolidarityBoard());
    RayBonus* ray = nullptr;
    f.ActivateBonus(Solidarity(0, 0, 7, &ray));
    EXPECT_EQ(d.Terminators().Live.size(), 6u);
    EXPECT_EQ(ray->Targets.size(), 6u);
    EXPECT_EQ(d.CountCaps([](const CCap& c) { return c.Colour == 2; }), 3);
    EXPECT_EQ(d.Plays("Solidarity.wav"), 1);
    EXPECT_FLOAT_EQ(f.Shake.Amount, 0.0f);
}

TEST_F(BonusTest, SolidarityRemovalsWaitForTheirRaysAndQueueNoSound) {
    CPlayField& f = d.Field();
    d.PlaceBoard(SolidarityBoard());
    RayBonus* ray = nullptr;
    f.ActivateBonus(Solidarity(1, 0, 7, &ray));
    const auto& live = d.Terminators().Live;
    ASSERT_EQ(live.size(), 9u);
    for (size_t i = 0; i < live.size(); ++i) {
        EXPECT_FLOAT_EQ(live[i]->Time, -0.1f * static_cast<float>(i + 1));
        ASSERT_EQ(live[i]->Tokens.size(), 1u);
        EXPECT_EQ(live[i]->Tokens[0]->Colour, 2);
        EXPECT_EQ(live[i]->Fast, d.Aux().FastExpTerm);
    }
    EXPECT_TRUE(d.Terminators().SoundQueue.empty());
    // The rays point at the cells' world centres, rows first.
    const CVector3 p = f.CellToWorld(2, 0, true);
    EXPECT_FLOAT_EQ(ray->Targets[0].X, p.X);
    EXPECT_FLOAT_EQ(ray->Targets[0].Y, p.Y);
    EXPECT_EQ(d.CountCaps([](const CCap& c) { return c.Colour == 2; }), 0);
    // Counters: 9 caps removed outright.
    EXPECT_EQ(f.Counters.Sets[2].Get(2), 9);
}

TEST_F(BonusTest, SolidarityOfLevelTwoAlsoTakesSteel) {
    CPlayField& f = d.Field();
    d.PlaceBoard(SolidarityBoard());
    RayBonus* ray = nullptr;
    f.ActivateBonus(Solidarity(2, 0, 7, &ray));
    EXPECT_EQ(d.Terminators().Live.size(), 11u);
    EXPECT_EQ(d.CountCaps([](const CCap& c) { return c.Colour == CCap::kSteel; }), 0);
    EXPECT_FLOAT_EQ(f.Shake.Amount, 0.0f);
}

TEST_F(BonusTest, SolidarityOfLevelThreeFirstClearsItsBlock) {
    CPlayField& f = d.Field();
    d.PlaceBoard(SolidarityBoard());
    // The bonus sat on (4, 3), which its own removal emptied already.
    f.CapList.Remove(d.Cap(4, 3));
    f.Board[3][4] = CSharedPtr<CCap>();
    RayBonus* ray = nullptr;
    f.ActivateBonus(Solidarity(3, 4, 3, &ray));
    for (int32_t r = 2; r <= 4; ++r)
        for (int32_t c = 3; c <= 5; ++c)
            EXPECT_TRUE(d.Cap(c, r).IsNull()) << c << "," << r;
    // The 8 block caps went with their sound, two of colour 2 and a steel cap
    // among them; the rays take the other 7 and the other steel cap.
    EXPECT_EQ(ray->Targets.size(), 8u);
    EXPECT_EQ(d.Terminators().Live.size(), 8u + 8u);
    EXPECT_FALSE(d.Terminators().SoundQueue.empty());
    EXPECT_FLOAT_EQ(f.Shake.Amount, 2.25f);
}

TEST_F(BonusTest, SolidarityAtTheCornerClampsItsBlock) {
    CPlayField& f = d.Field();
    d.PlaceBoard(SolidarityBoard());
    RayBonus* ray = nullptr;
    f.ActivateBonus(Solidarity(3, 7, 7, &ray));
    EXPECT_TRUE(d.Cap(6, 6).IsNull());
    EXPECT_TRUE(d.Cap(7, 6).IsNull());
    EXPECT_TRUE(d.Cap(6, 7).IsNull());
    EXPECT_TRUE(d.Cap(7, 7).IsNull());
    EXPECT_FALSE(d.Cap(5, 5).IsNull());
}

// ---- Requests ----

TEST_F(BonusTest, GemArrivalTakesTheGemIntoTheBar) {
    CPlayField& f = d.Field();
    CSharedPtr<CBonus> gem;
    d.Bonuses().CreateGem(gem, 4, 1);
    gem->State = CBonus::kGemArrived;
    const int32_t before = f.GemsToCollect;
    Apply(Request(CBonusEvent::kGemArrived, 4, 0, 0, gem));
    EXPECT_EQ(gem->State, CBonus::kGemTaken);
    EXPECT_EQ(f.GemsToCollect, before - 1);
    EXPECT_EQ(f.GemsBar->Collected(4), 1);
    EXPECT_EQ(d.Plays("GemBar.wav"), 1);
}

TEST_F(BonusTest, DestroyCellRemovesOnlyALandedCap) {
    d.PlaceBoard(DeadBoard());
    Apply(Request(CBonusEvent::kDestroyCell, 0, 2, 5));
    ASSERT_EQ(d.Terminators().Live.size(), 1u);
    EXPECT_TRUE(d.Cap(2, 5).IsNull());
    EXPECT_EQ(d.Terminators().Live[0]->Fast, d.Aux().FastExpTerm);

    d.Cap(3, 5)->Landed = 0;
    Apply(Request(CBonusEvent::kDestroyCell, 0, 3, 5));
    Apply(Request(CBonusEvent::kDestroyCell, 0, 2, 5));   // empty now
    Apply(Request(CBonusEvent::kDestroyCell, 0, -1, 99)); // off the board
    EXPECT_EQ(d.Terminators().Live.size(), 1u);
    EXPECT_FALSE(d.Cap(3, 5).IsNull());
}

TEST_F(BonusTest, ABonusNeedingACapFliesToAFreeOneOrOff) {
    CPlayField& f = d.Field();
    d.PlaceBoard(DeadBoard());
    CSharedPtr<CBonus> b;
    d.Bonuses().CreateBonus(b, CBonus::kScore, 1, 1, 1);
    b->Pos[0] = 500.0f;
    Apply(Request(CBonusEvent::kNeedsCap, 0, 0, 0, b));
    EXPECT_EQ(b->State, CBonus::kFlyingIn);
    EXPECT_EQ(b->BoardLayers, 1);
    EXPECT_EQ(d.CountCaps([&](const CCap& c) { return c.Bonus == b; }), 1);
    const CSharedPtr<CCap> home = d.Cap(b->Column, b->Row);
    ASSERT_FALSE(home.IsNull());
    EXPECT_TRUE(home->Bonus == b);
    EXPECT_EQ(b->Colour, home->Colour);
    EXPECT_FLOAT_EQ(b->Target[0], home->Position.X + f.Origin[0]);

    // Every cap chained: nowhere to go.
    for (auto& row : f.Board)
        for (auto& cap : row)
            cap->SetValue(1);
    CSharedPtr<CBonus> lost;
    d.Bonuses().CreateBonus(lost, CBonus::kTnt, 0, 1, 1);
    Apply(Request(CBonusEvent::kNeedsCap, 0, 0, 0, lost));
    EXPECT_EQ(lost->State, CBonus::kFlyingOut);
    Apply(Request(CBonusEvent::kNeedsCap)); // no bonus: nothing
}

TEST_F(BonusTest, TimeAndAdviserTimeAreWonUntilTheLevelIsOver) {
    CPlayField& f = d.Field();
    d.PlaceBoard(DeadBoard());
    Apply(Request(CBonusEvent::kTimeWon, 1));
    ASSERT_EQ(f.Events.size(), 1u);
    EXPECT_EQ(f.Events[0].Kind, CFieldEvent::kTimeWon);
    EXPECT_FLOAT_EQ(f.Events[0].Amount, 15.0f);

    Apply(Request(CBonusEvent::kAdviserTimeWon, 1));
    EXPECT_EQ(f.Adviser.State, 1);
    EXPECT_FLOAT_EQ(f.Adviser.TimeLeft, 20.0f);
    EXPECT_EQ(d.Plays("AdviserAct.wav"), 1);

    f.LevelOver = 1;
    f.Events.clear();
    Apply(Request(CBonusEvent::kTimeWon, 3));
    Apply(Request(CBonusEvent::kAdviserTimeWon, 3));
    EXPECT_TRUE(f.Events.empty());
    EXPECT_FLOAT_EQ(f.Adviser.TimeLeft, 20.0f);
    EXPECT_EQ(d.Plays("AdviserAct.wav"), 1);
}

TEST_F(BonusTest, RedirectAndDropPlayTheirSounds) {
    CPlayField& f = d.Field();
    Apply(Request(CBonusEvent::kSolidarityRedirect, 0, 0, 0, CSharedPtr<CBonus>(), 100.0f));
    EXPECT_EQ(d.Plays("SolidarityRedir.wav"), 1);
    EXPECT_FLOAT_EQ(f.Shake.Amount, 0.75f);
    Apply(Request(CBonusEvent::kPlaced, 0, 0, 0, CSharedPtr<CBonus>(), -50.0f));
    EXPECT_EQ(d.Plays("BonusDrop.wav"), 1);
    // Codes the board does not carry out change nothing.
    for (int32_t code : {1, 3, 6, 7, 9, 11, 12, 99})
        Apply(Request(code, 1, 2, 3));
    EXPECT_EQ(d.AllPlays(), 2);
    EXPECT_TRUE(f.Events.empty());
    EXPECT_TRUE(d.Terminators().Live.empty());
}

TEST_F(BonusTest, RequestsOfAFrameAreCarriedOutInOrder) {
    CPlayField& f = d.Field();
    d.PlaceBoard(DeadBoard());
    d.Bonuses().Pending = {Request(CBonusEvent::kTimeWon, 0),
                           Request(CBonusEvent::kDestroyCell, 0, 1, 1),
                           Request(CBonusEvent::kTimeWon, 2)};
    f.ApplyBonusRequests();
    ASSERT_EQ(f.Events.size(), 2u);
    EXPECT_FLOAT_EQ(f.Events[0].Amount, 10.0f);
    EXPECT_FLOAT_EQ(f.Events[1].Amount, 20.0f);
    EXPECT_TRUE(d.Cap(1, 1).IsNull());
}

} // namespace
} // namespace rulestest
