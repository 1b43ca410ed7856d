// The solidarity bonus: the bolt's path through its targets and the delays it
// hands back, the run of the bolt with its events, and the idle animation.
#include <algorithm>
#include <cmath>

#include "KindsTestSupport.h"
#include "bonuses/BonusSolidarity.h"

using namespace kindstest;

namespace {

class SolidarityTest : public KindsTest {
protected:
    // A solidarity bonus standing at (0, 0, 50).
    CSharedPtr<CBonus> MakeAtOrigin(int32_t variant) {
        CSharedPtr<CBonus> b = Make(CBonus::kSolidarity, variant);
        b->Place(0.0f, 0.0f, 50.0f, 38.0f, 3, 4);
        return b;
    }
    static CBonusSolidarity& As(const CSharedPtr<CBonus>& b) {
        return static_cast<CBonusSolidarity&>(*b);
    }
    // (distance along the path + bolt length) / bolt speed - lead time.
    static float Delay(float distance) {
        const auto& p = g_bonusParams.Solidarity;
        return std::max(0.0f, (distance + p.BoltLength) / p.BoltSpeed - p.TermTime);
    }
    static std::vector<float> PathXs(const CBonusSolidarity& s) {
        std::vector<float> xs;
        for (size_t i = 1; i < s.PathPoints.size(); ++i)
            xs.push_back(s.PathPoints[i].X);
        return xs;
    }
};

TEST_F(SolidarityTest, PathTakesTheNearestTargetNextAndDelaysFollowIt) {
    CSharedPtr<CBonus> b = MakeAtOrigin(0);
    std::vector<float> delays;
    b->SetTargets({{300.0f, 0.0f}, {100.0f, 0.0f}, {200.0f, 0.0f}}, delays);
    const CBonusSolidarity& s = As(b);
    EXPECT_EQ(PathXs(s), (std::vector<float>{100.0f, 200.0f, 300.0f}));
    EXPECT_FLOAT_EQ(s.PathPoints[0].Z, 40.0f);
    EXPECT_FLOAT_EQ(s.PathLength(), 300.0f);
    ASSERT_EQ(delays.size(), 3u);
    // In the caller's order.
    EXPECT_NEAR(delays[0], Delay(300.0f), 1e-5f);
    EXPECT_NEAR(delays[1], Delay(100.0f), 1e-5f);
    EXPECT_NEAR(delays[2], Delay(200.0f), 1e-5f);

    // Ties: one of two equally near targets is taken first, the other still
    // gets its turn.
    b->SetTargets({{100.0f, 0.0f}, {0.0f, 100.0f}, {0.0f, -300.0f}}, delays);
    EXPECT_EQ(PathXs(s), (std::vector<float>{100.0f, 0.0f, 0.0f}));
    EXPECT_FLOAT_EQ(s.PathPoints[2].Y, 100.0f);
    EXPECT_FLOAT_EQ(s.PathPoints[3].Y, -300.0f);
}

TEST_F(SolidarityTest, FirstTargetIsTheNearestTheBoltTakesLongEnoughToReach) {
    CSharedPtr<CBonus> b = MakeAtOrigin(0);
    g_bonusParams.Solidarity.TermTime = 1.0f;  // (sqrt(d) + 1000) / 1200 >= 1: 200 units out
    std::vector<float> delays;
    b->SetTargets({{100.0f, 0.0f}, {250.0f, 0.0f}, {-400.0f, 0.0f}}, delays);
    EXPECT_EQ(PathXs(As(b)), (std::vector<float>{250.0f, 100.0f, -400.0f}));
    // None far enough: the farthest looked at starts; no delay is negative.
    b->SetTargets({{50.0f, 0.0f}, {100.0f, 0.0f}}, delays);
    EXPECT_EQ(PathXs(As(b)), (std::vector<float>{100.0f, 50.0f}));
    EXPECT_EQ(delays, (std::vector<float>{0.0f, 0.0f}));
}

TEST_F(SolidarityTest, FarAndRepeatedTargetsAreAllReached) {
    CSharedPtr<CBonus> b = MakeAtOrigin(1);
    std::vector<float> delays;
    b->SetTargets({{5000.0f, 0.0f}, {-5000.0f, 0.0f}, {0.0f, 3000.0f}}, delays);
    const CBonusSolidarity& s = As(b);
    ASSERT_EQ(s.PathPoints.size(), 4u);
    std::vector<float> xs = PathXs(s);
    std::sort(xs.begin(), xs.end());
    EXPECT_EQ(xs, (std::vector<float>{-5000.0f, 0.0f, 5000.0f}));
    for (float d : delays)
        EXPECT_GT(d, 0.0f);

    // The same cell twice: a segment of no length with a usable direction,
    // and the same delay for both.
    b->SetTargets({{100.0f, 0.0f}, {100.0f, 0.0f}}, delays);
    ASSERT_EQ(s.SegmentLengths.size(), 2u);
    EXPECT_FLOAT_EQ(s.SegmentLengths[1], 0.0f);
    EXPECT_FLOAT_EQ(s.SegmentDirections[1].X, 1.0f);
    EXPECT_FLOAT_EQ(delays[0], delays[1]);
    // An empty list gives no delays and keeps the path.
    b->SetTargets({}, delays);
    EXPECT_TRUE(delays.empty());
    EXPECT_EQ(s.PathPoints.size(), 3u);
}

TEST_F(SolidarityTest, BoltRunsThroughThePathAndReportsEachPoint) {
    CSharedPtr<CBonus> b = MakeAtOrigin(0);
    std::vector<float> delays;
    // A repeated target adds no point of its own.
    b->SetTargets({{100.0f, 0.0f}, {200.0f, 0.0f}, {200.0f, 0.0f}, {300.0f, 0.0f}}, delays);
    b->Fire();
    EXPECT_EQ(Codes(b->Events), (std::vector<int32_t>{CBonusEvent::kSolidarityFired}));
    const CBonusSolidarity& s = As(b);

    Frame(0.05f);
    // Head 60 units out: the first piece covers 0..60.
    ASSERT_EQ(s.SegmentSprites.size(), 4u);
    ASSERT_FALSE(s.SegmentSprites[0].IsNull());
    EXPECT_NEAR(s.SegmentSprites[0]->Position.X, 30.0f, 1e-3f);
    EXPECT_NEAR(s.SegmentSprites[0]->Width, 60.0f, 1e-3f);
    ASSERT_EQ(CountCode(manager.Pending, CBonusEvent::kSolidarityRedirect), 1u);
    EXPECT_NEAR(manager.Pending.back().Value, 30.0f, 1e-3f);
    EXPECT_EQ(manager.AreEffectsDone(), 0);

    std::vector<float> xs;
    float time = 0.05f;
    while (Listed(b) && time < 5.0f) {
        EXPECT_EQ(b->IsEffectDone(), 0);
        Frame(0.05f);
        time += 0.05f;
        for (const CBonusEvent& e : manager.Pending)
            if (e.Code == CBonusEvent::kSolidarityRedirect)
                xs.push_back(e.Value);
        EXPECT_GE(s.BoltScroll, 1.0f);
        EXPECT_LT(s.BoltScroll, 2.0f);
    }
    // Points 100 and 200 as their pieces start, then the end at 300.
    ASSERT_EQ(xs.size(), 3u);
    EXPECT_FLOAT_EQ(xs.back(), 300.0f);
    // The bolt's tail leaves the path (300 + 1000) / 1200 s after the firing.
    EXPECT_NEAR(time, 1.1f, 0.11f);
    EXPECT_TRUE(s.SegmentSprites.empty());
}

TEST_F(SolidarityTest, NewTargetsForARunningBoltTakeItAlongTheNewPath) {
    CSharedPtr<CBonus> b = MakeAtOrigin(0);
    std::vector<float> delays;
    b->SetTargets({{-50.0f, 0.0f}}, delays);
    b->Fire();
    Frame(0.02f);
    ASSERT_EQ(As(b).SegmentSprites.size(), 1u);
    b->SetTargets({{100.0f, 0.0f}, {200.0f, 0.0f}, {300.0f, 0.0f}}, delays);
    for (int f = 0; f < 40 && Listed(b); ++f)
        Frame(0.05f);
    EXPECT_FALSE(Listed(b));
    // No piece of the old path is left behind once the flashes have faded.
    for (int f = 0; f < 20; ++f)
        Frame(0.05f);
    EXPECT_EQ(SpriteCount(*sprite1), 0u);
}

TEST_F(SolidarityTest, WithoutTargetsOnlyTheFlashShows) {
    CSharedPtr<CBonus> b = MakeAtOrigin(2);
    const size_t before = SpriteCount(*sprite1);
    b->Fire();
    // Core and tails run out; one flash is added.
    EXPECT_EQ(SpriteCount(*sprite1), before + 1);
    Frame(0.02f);
    EXPECT_EQ(Codes(manager.Pending), (std::vector<int32_t>{CBonusEvent::kSolidarityFired}));
    Frame(0.02f);
    EXPECT_FALSE(Listed(b));
}

TEST_F(SolidarityTest, VariantsSetTailsAndTheSizeOfTheFlash) {
    EXPECT_EQ(As(MakeAtOrigin(0)).Body.size(), 1u + 2u);
    EXPECT_EQ(As(MakeAtOrigin(1)).Body.size(), 1u + 3u);
    CSharedPtr<CBonus> large = MakeAtOrigin(3);
    const size_t before = SpriteCount(*sprite1);
    large->Fire();
    // The large flash with its two counter-turning rings.
    EXPECT_EQ(SpriteCount(*sprite1), before + 3);
    std::vector<float> spins;
    for (const auto& sp : sprite1->GetDrawn())
        if (std::fabs(sp->SpinSpeed) > 12.0f)
            spins.push_back(sp->SpinSpeed);
    ASSERT_EQ(spins.size(), 2u);
    EXPECT_FLOAT_EQ(spins[0], -spins[1]);
}

TEST_F(SolidarityTest, RingsPulseAndTailsScroll) {
    CSharedPtr<CBonus> b = MakeAtOrigin(0);
    const CBonusSolidarity& s = As(b);
    const auto& p = g_bonusParams.Solidarity;
    Frame(0.01f);
    EXPECT_EQ(s.Rings.size(), 1u);  // the first update starts a ring
    for (int f = 0; f < 300; ++f) {
        Frame(0.033f);
        EXPECT_LE(s.Rings.size(), 3u);
        for (float age : s.RingAges)
            EXPECT_LT(age, p.RingLifeTime);
        for (size_t i = 1; i < s.Body.size(); ++i) {
            const float u0 = s.Body[i]->Frames[0].U, u1 = s.Body[i]->Frames[1].U;
            EXPECT_GE(u0, 0.0f);
            EXPECT_LT(u0, 1.0f);
            EXPECT_NEAR(u1 - u0, p.TailTLen, 1e-5f);
        }
    }
    EXPECT_FLOAT_EQ(CBonusSolidarity::RingEnvelope(0.1f), 0.4f);
    EXPECT_FLOAT_EQ(CBonusSolidarity::RingEnvelope(0.25f), 1.0f);
    EXPECT_FLOAT_EQ(CBonusSolidarity::RingEnvelope(0.75f), 0.5f);
    EXPECT_FLOAT_EQ(CBonusSolidarity::RingEnvelope(1.5f), 0.0f);
}

TEST_F(SolidarityTest, EndedPopRunsNoBolt) {
    CSharedPtr<CBonus> b = MakeAtOrigin(1);
    std::vector<float> delays;
    b->SetTargets({{100.0f, 0.0f}}, delays);
    b->Pop(0.1f);
    size_t redirects = 0;
    for (int f = 0; f < 5; ++f) {
        Frame(0.5f);
        redirects += CountCode(manager.Pending, CBonusEvent::kSolidarityRedirect);
    }
    EXPECT_EQ(redirects, 0u);
    EXPECT_FALSE(Listed(b));
}

} // namespace
