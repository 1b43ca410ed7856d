// The base motions of a bonus: fly-in, move, place, fly-out and pop, their
// paths and ramps, and the events they queue.
#include "BonusTestSupport.h"

namespace bonustest {
namespace {

class MotionTest : public BonusFixture {
protected:
    CSharedPtr<CBonus> Plain(int32_t kind = CBonus::kScore) {
        return CSharedPtr<CBonus>(new CBonusPlain(kind));
    }
};

TEST_F(MotionTest, FlyInFromAboveTheScreenEndsPlacedOnItsCell) {
    CSharedPtr<CBonus> b = Plain();
    b->FlyIn(10.0f, 20.0f, 50.0f, 39.0f, 3, 4, 0, 1.0f);
    EXPECT_EQ(b->State, CBonus::kFlyingIn);
    EXPECT_FLOAT_EQ(b->Pos[0], 10.0f);
    EXPECT_FLOAT_EQ(b->Pos[1], 479.0f);
    EXPECT_FLOAT_EQ(b->Pos[2], 49.0f);
    EXPECT_FLOAT_EQ(b->Scale, 39.0f / 38.0f);

    // x and y run at constant speed; z first sinks back, then comes up
    // steeply (3u^3 - 2u^2 of its way).
    b->Update(0.5f);
    EXPECT_FLOAT_EQ(b->Pos[1], 479.0f + (20.0f - 479.0f) * 0.5f);
    EXPECT_FLOAT_EQ(b->Pos[2], 49.0f - 0.125f);

    EXPECT_EQ(b->Update(0.6f), 1);
    EXPECT_EQ(b->State, CBonus::kPlaced);
    EXPECT_FLOAT_EQ(b->Pos[0], 10.0f);
    EXPECT_FLOAT_EQ(b->Pos[1], 20.0f);
    EXPECT_FLOAT_EQ(b->Pos[2], 50.0f);
    EXPECT_EQ(b->Column, 3);
    EXPECT_EQ(b->Row, 4);
    EXPECT_EQ(b->ZOrder, 50);

    // From where it is; a flight of no time lands at once.
    CSharedPtr<CBonus> c = Plain();
    c->Pos[0] = -5.0f;
    c->Pos[1] = 7.0f;
    c->FlyIn(100.0f, 100.0f, 30.0f, 39.0f, 0, 0, 1, 1.0f);
    EXPECT_FLOAT_EQ(c->Pos[0], -5.0f);
    EXPECT_FLOAT_EQ(c->Pos[1], 7.0f);
    c->FlyIn(1.0f, 2.0f, 3.0f, 39.0f, 0, 0, 1, 0.0f);
    EXPECT_EQ(c->State, CBonus::kPlaced);
    EXPECT_FLOAT_EQ(c->Pos[1], 2.0f);
}

TEST_F(MotionTest, MoveToFollowsTheCapInEveryState) {
    // Placed: jumps, stays placed.
    CSharedPtr<CBonus> placed = Plain();
    placed->Place(0.0f, 0.0f, 50.0f, 39.0f, 0, 0);
    placed->MoveTo(40.0f, -40.0f, 50.0f, 1, 1, 0);
    EXPECT_EQ(placed->State, CBonus::kPlaced);
    EXPECT_FLOAT_EQ(placed->Pos[0], 40.0f);
    EXPECT_FLOAT_EQ(placed->Pos[1], -40.0f);
    EXPECT_EQ(placed->Column, 1);

    // Flying in with 0.05 s left: a fresh segment of 0.1 s from here.
    CSharedPtr<CBonus> b = Plain();
    b->FlyIn(0.0f, 0.0f, 50.0f, 39.0f, 0, 0, 0, 1.0f);
    b->Update(0.95f);
    const float x = b->Pos[0], y = b->Pos[1];
    b->MoveTo(83.0f, -83.0f, 50.0f, 1, 1, 1);
    EXPECT_EQ(b->State, CBonus::kFlyingIn);
    EXPECT_FLOAT_EQ(b->Duration, 0.1f);
    EXPECT_FLOAT_EQ(b->Time, 0.0f);
    EXPECT_FLOAT_EQ(b->Pos[0], x);
    EXPECT_FLOAT_EQ(b->Pos[1], y);
    b->Update(0.099f);
    EXPECT_EQ(b->State, CBonus::kFlyingIn);
    b->Update(0.002f);
    EXPECT_EQ(b->State, CBonus::kPlaced);
    EXPECT_FLOAT_EQ(b->Pos[0], 83.0f);
    EXPECT_EQ(b->Row, 1);

    // Without keepTime the flight bends: same start, length and moment.
    CSharedPtr<CBonus> bend = Plain();
    bend->FlyIn(0.0f, 0.0f, 50.0f, 39.0f, 0, 0, 0, 1.0f);
    bend->Update(0.5f);
    bend->MoveTo(200.0f, 0.0f, 50.0f, 2, 0, 0);
    EXPECT_FLOAT_EQ(bend->Duration, 1.0f);
    EXPECT_FLOAT_EQ(bend->Time, 0.5f);
    EXPECT_FLOAT_EQ(bend->Pos[0], 100.0f);  // halfway along the new line
    float start[3];
    bend->Path.GetPoint(start, 0.0f);
    EXPECT_FLOAT_EQ(start[1], 479.0f);
    bend->Update(0.5f);
    EXPECT_FLOAT_EQ(bend->Pos[0], 200.0f);
    EXPECT_EQ(bend->State, CBonus::kPlaced);
}

TEST_F(MotionTest, PlaceReportsABonusMadeInPlayOncePerPlace) {
    CSharedPtr<CBonus> fromLevel = Plain();
    fromLevel->Place(5.0f, 5.0f, 50.0f, 39.0f, 0, 0);
    EXPECT_TRUE(fromLevel->Events.empty());

    CSharedPtr<CBonus> made = Plain();
    made->CreatedInPlay = 1;
    made->FlyIn(-120.0f, 10.0f, 50.0f, 39.0f, 0, 0, 0, 0.5f);
    EXPECT_TRUE(made->Events.empty());
    made->Update(0.6f);
    ASSERT_EQ(made->Events.size(), 1u);
    EXPECT_EQ(made->Events[0].Code, CBonusEvent::kPlaced);
    EXPECT_FLOAT_EQ(made->Events[0].Value, -120.0f);
    EXPECT_TRUE(made->Events[0].Source.IsNull());
    made->Update(1.0f);
    EXPECT_EQ(made->Events.size(), 1u);
    made->Place(7.0f, 0.0f, 50.0f, 39.0f, 0, 0);
    EXPECT_EQ(made->Events.size(), 2u);
}

TEST_F(MotionTest, FlyOutGrowsFadesAndEndsTheBonus) {
    CBonusManager m;
    CSharedPtr<CBonus> b = Plain();
    m.AddBonus(b);
    b->Place(0.0f, 0.0f, 50.0f, 39.0f, 0, 0);
    b->Target[1] = 300.0f;
    b->FlyOut(1.0f);
    EXPECT_EQ(b->State, CBonus::kFlyingOut);
    m.Update(0.75f);
    const CBonusRamp r = b->MotionRamp();
    EXPECT_FLOAT_EQ(r.Scale, 1.0f + 0.75f * 5.0f);
    EXPECT_FLOAT_EQ(r.Alpha, 0.5f);
    EXPECT_GT(b->Pos[1], 0.0f);
    m.Update(0.25f);
    EXPECT_TRUE(m.Bonuses.empty());

    // Leaving during a fly-in starts further along the way out.
    CSharedPtr<CBonus> c = Plain();
    c->FlyIn(0.0f, 0.0f, 50.0f, 39.0f, 0, 0, 0, 1.0f);
    c->Update(0.2f);
    c->FlyOut(0.5f);
    EXPECT_FLOAT_EQ(c->Time, 2.0f * 0.5f * 0.2f);
    EXPECT_FLOAT_EQ(c->Duration, 0.5f);
    c->FlyIn(0.0f, 0.0f, 50.0f, 39.0f, 0, 0, 0, 1.0f);
    c->Update(0.9f);
    c->FlyOut(0.5f);
    EXPECT_FLOAT_EQ(c->Time, 0.5f);  // no further than its end
    EXPECT_EQ(c->Update(0.0f), 0);
}

TEST_F(MotionTest, APopAsksForANewCapAndOnlyWaitsForThatEvent) {
    CBonusManager m;
    CSharedPtr<CBonus> b = Plain(CBonus::kTime);
    m.AddBonus(b);
    b->Pos[0] = 0.0f;
    b->Target[0] = 100.0f;
    b->Target[1] = -50.0f;
    b->Pop(0.5f);
    EXPECT_EQ(b->State, CBonus::kPopping);
    EXPECT_FLOAT_EQ(b->MotionRamp().Scale, 0.1f);
    EXPECT_FLOAT_EQ(b->MotionRamp().Alpha, 0.0f);

    m.Update(0.25f);
    EXPECT_FLOAT_EQ(b->Pos[0], 50.0f);       // x linear
    EXPECT_LT(b->Pos[1], -50.0f * 0.5f);     // y eases out: past halfway
    m.Update(0.25f);
    EXPECT_EQ(Codes(m.Pending), std::vector<int32_t>{CBonusEvent::kNeedsCap});
    EXPECT_TRUE(m.Pending[0].Source == b);
    EXPECT_EQ(b->State, CBonus::kFinished);
    // Nobody gave it a cap: dropped on the next frame, with no second event.
    m.Update(0.1f);
    EXPECT_TRUE(m.Pending.empty());
    EXPECT_TRUE(m.Bonuses.empty());

    // Given a new cap in time, it flies in again and stays.
    CSharedPtr<CBonus> c = Plain(CBonus::kTime);
    m.AddBonus(c);
    c->Pop(0.1f);
    m.Update(0.2f);
    ASSERT_EQ(m.Pending.size(), 1u);
    c->FlyIn(10.0f, 10.0f, 50.0f, 39.0f, 1, 1, 1, 0.5f);
    m.Update(0.1f);
    m.Update(0.5f);
    EXPECT_EQ(m.Bonuses.size(), 1u);
    EXPECT_EQ(c->State, CBonus::kPlaced);
}

TEST_F(MotionTest, RampsRunBetweenTheFarEndAndTheCell) {
    const CBonusRamp in0 = CBonus::FlyInRamp(0.0f, 6.0f, 0.0f);
    EXPECT_FLOAT_EQ(in0.Scale, 6.0f);
    EXPECT_FLOAT_EQ(in0.Alpha, 0.0f);
    const CBonusRamp in1 = CBonus::FlyInRamp(0.25f, 6.0f, 0.0f);
    EXPECT_FLOAT_EQ(in1.Scale, 4.75f);
    EXPECT_FLOAT_EQ(in1.Alpha, 0.5f);
    EXPECT_FLOAT_EQ(CBonus::FlyInRamp(0.75f, 6.0f, 0.0f).Alpha, 1.0f);
    EXPECT_FLOAT_EQ(CBonus::FlyInRamp(1.0f, 6.0f, 0.0f).Scale, 1.0f);

    EXPECT_FLOAT_EQ(CBonus::FlyOutRamp(0.25f, 6.0f, 0.0f).Alpha, 1.0f);
    EXPECT_FLOAT_EQ(CBonus::FlyOutRamp(1.0f, 6.0f, 0.2f).Alpha, 0.2f);

    EXPECT_FLOAT_EQ(CBonus::PopRamp(0.0625f, 6.0f, 0.0f).Alpha, 0.5f);
    EXPECT_FLOAT_EQ(CBonus::PopRamp(0.3f, 6.0f, 0.0f).Alpha, 1.0f);
    EXPECT_FLOAT_EQ(CBonus::PopRamp(1.0f, 6.0f, 0.0f).Scale, 6.0f);
    // A far alpha above 1 (arrive fully shown) never lifts the alpha past 1.
    EXPECT_FLOAT_EQ(CBonus::PopRamp(0.9f, 1.0f, 2.0f).Alpha, 1.0f);

    // Outside a motion the ramp is neutral.
    CBonusPlain b(CBonus::kTnt);
    EXPECT_FLOAT_EQ(b.MotionRamp().Scale, 1.0f);
    EXPECT_FLOAT_EQ(b.MotionRamp().Alpha, 1.0f);
}

TEST_F(MotionTest, AHiddenBonusIsFrozenAndKept) {
    CBonusManager m;
    CSharedPtr<CBonus> b = Plain();
    m.AddBonus(b);
    b->FlyIn(0.0f, 0.0f, 50.0f, 39.0f, 0, 0, 0, 0.5f);
    b->Hide();
    m.Update(1.0f);
    EXPECT_FLOAT_EQ(b->Age, 0.0f);
    EXPECT_FLOAT_EQ(b->Time, 0.0f);
    EXPECT_EQ(b->State, CBonus::kFlyingIn);
    b->FlyOut(0.0f);
    m.Update(1.0f);
    EXPECT_EQ(m.Bonuses.size(), 1u);
    b->Show();
    m.Update(0.0f);
    EXPECT_TRUE(m.Bonuses.empty());
}

TEST_F(MotionTest, SizeAndCapColourFollowTheCap) {
    CBonusPlain b(CBonus::kFlash);
    b.SetSize(76.0f);
    EXPECT_FLOAT_EQ(b.Scale, 2.0f);
    SetBonusColour(b, 4);
    EXPECT_EQ(b.Colour, 4);
    b.Stop();
    EXPECT_EQ(b.State, CBonus::kStill);
    EXPECT_EQ(b.Reserved1, 50);
}

} // namespace
} // namespace bonustest
