// The time bonus: its clock, the twirl's flight to the timer, the one event 8
// however long the frames, and what a dropped or popped bonus leaves behind.
#include "KindsTestSupport.h"
#include "bonuses/BonusTime.h"
#include "effects/VortexKeeper.h"

using namespace kindstest;

namespace {

using TimeTest = KindsTest;

CBonusTime& AsTime(const CSharedPtr<CBonus>& b) {
    return static_cast<CBonusTime&>(*b);
}

TEST_F(TimeTest, ClockHasAPlateFromVariantOneAndScalesEveryPart) {
    CSharedPtr<CBonus> plain = Make(CBonus::kTime, 0);
    CSharedPtr<CBonus> plated = Make(CBonus::kTime, 2, 4, 4);
    EXPECT_EQ(AsTime(plain).Clock.size(), 6u);
    ASSERT_EQ(AsTime(plated).Clock.size(), 7u);
    EXPECT_EQ(SpriteCount(*sprite1), 13u);

    const float s = 2.0f * plated->Scale;
    AsTime(plated).ScaleSprites(2.0f);
    const auto& c = AsTime(plated).Clock;
    EXPECT_FLOAT_EQ(c[0]->Width, 52.0f * s);
    EXPECT_FLOAT_EQ(c[3]->Width, 42.0f * s);
    EXPECT_FLOAT_EQ(c[4]->Width, 76.0f * s);  // the plate
    EXPECT_FLOAT_EQ(c[6]->Height, 90.0f * s);
    AsTime(plain).ScaleSprites(2.0f);
    EXPECT_FLOAT_EQ(AsTime(plain).Clock[4]->Width, 90.0f * s);  // the face
    // Variant 2's plate is the second one of the stack.
    EXPECT_NEAR(c[4]->Frames[0].V, 0.296875f, 1e-6f);
}

TEST_F(TimeTest, TwirlFliesToTheTimerAndTheTimeIsWonOnce) {
    CSharedPtr<CBonus> b = Make(CBonus::kTime, 1);
    CBonusTime& t = AsTime(b);
    const float startX = b->Pos[0], startY = b->Pos[1];
    b->Fire();
    EXPECT_EQ(Codes(b->Events), (std::vector<int32_t>{CBonusEvent::kTimeFired}));
    ASSERT_FALSE(t.Twirl.IsNull());
    EXPECT_EQ(CountSystems<CCollection2ParticleSystem>(*particles1), 2u);

    const CBonusParametres::TimeSection& p = g_bonusParams.Time;
    Frame(p.PreFlyTime);
    // Halfway through the flight, the twirl is halfway to the timer.
    Frame(0.5f * p.FlyTime);
    EXPECT_NEAR(t.Twirl->Position.X, 0.5f * (startX + p.Target[0]), 0.05f);
    EXPECT_NEAR(t.Twirl->Position.Y, 0.5f * (startY + p.Target[1]), 0.05f);
    EXPECT_EQ(CountCode(manager.Pending, CBonusEvent::kTimeWon), 0u);

    size_t won = 0;
    for (int f = 0; f < 40 && Listed(b); ++f) {
        Frame(0.05f);
        won += CountCode(manager.Pending, CBonusEvent::kTimeWon);
    }
    EXPECT_EQ(won, 1u);
    EXPECT_FALSE(Listed(b));
    // The arrival flash lights the timer on the upper layers.
    EXPECT_EQ(quad1->Count(), 0u);
}

TEST_F(TimeTest, OneHugeFrameArrivesAndEndsOnce) {
    CSharedPtr<CBonus> b = Make(CBonus::kTime, 3);
    b->Fire();
    Frame(10.0f);
    EXPECT_EQ(Codes(manager.Pending),
              (std::vector<int32_t>{CBonusEvent::kTimeFired, CBonusEvent::kTimeWon}));
    EXPECT_EQ(manager.Pending[1].A, 3);
    EXPECT_TRUE(Listed(b));
    EXPECT_EQ(quad2->Count(), 1u);
    // Both streams were told to end and the bonus let go of them.
    for (const auto& s : particles1->BlendedSystems())
        EXPECT_TRUE(EmissionEnded(*s));
    EXPECT_TRUE(AsTime(b).Streams[0].IsNull());
    Frame(10.0f);
    EXPECT_FALSE(Listed(b));
    EXPECT_EQ(CountCode(manager.Pending, CBonusEvent::kTimeWon), 0u);
}

TEST_F(TimeTest, DroppedInFlightTakesTwirlAndStreamsAlong) {
    CSharedPtr<CBonus> b = Make(CBonus::kTime, 0);
    b->Fire();
    Frame(0.1f);
    ASSERT_EQ(CountSystems<CCollection2ParticleSystem>(*particles1), 2u);
    manager.Clear();
    Frame(0.0f);
    b = CSharedPtr<CBonus>();
    EXPECT_EQ(SpriteCount(*sprite1), 0u);
    for (const auto& s : particles1->BlendedSystems())
        EXPECT_TRUE(EmissionEnded(*s));
}

TEST_F(TimeTest, EndedPopNeverRunsTheFlight) {
    CSharedPtr<CBonus> b = Make(CBonus::kTime, 1);
    b->Pop(0.2f);
    size_t won = 0, popped = 0;
    for (int f = 0; f < 10; ++f) {
        Frame(0.5f);
        won += CountCode(manager.Pending, CBonusEvent::kTimeWon);
        popped += CountCode(manager.Pending, CBonusEvent::kNeedsCap);
    }
    EXPECT_EQ(popped, 1u);
    EXPECT_EQ(won, 0u);
    EXPECT_FALSE(Listed(b));
    EXPECT_EQ(particles1->BlendedSystems().size(), 0u);
}

TEST_F(TimeTest, HandShadowsSitBesideTheHands) {
    CSharedPtr<CBonus> b = Make(CBonus::kTime, 0);
    Frame(0.01f);
    const auto& c = AsTime(b).Clock;
    EXPECT_FLOAT_EQ(c[1]->Position.X, c[0]->Position.X + b->Scale);
    EXPECT_FLOAT_EQ(c[3]->Position.Y, c[2]->Position.Y + b->Scale);
    // The long hand turns twelve times faster than the short one.
    EXPECT_FLOAT_EQ(c[0]->SpinSpeed, 12.0f * c[2]->SpinSpeed);
}

} // namespace
