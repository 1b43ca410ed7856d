// The adviser bonus: its picture, its flight to the hint display with a tail,
// the one arrival event, and hiding in flight.
#include <cmath>

#include "KindsTestSupport.h"
#include "bonuses/BonusAdviser.h"
#include "effects/SpellsParticleSystem.h"

using namespace kindstest;

namespace {

using AdviserTest = KindsTest;

CBonusAdviser& AsAdviser(const CSharedPtr<CBonus>& b) {
    return static_cast<CBonusAdviser&>(*b);
}

TEST_F(AdviserTest, FliesToTheHintDisplayAndArrivesOnce) {
    CSharedPtr<CBonus> b = Make(CBonus::kAdviser, 1);
    CBonusAdviser& a = AsAdviser(b);
    const CBonusParametres::AdviserSection& p = g_bonusParams.Adviser;
    const float dx = p.Target[0] - b->Pos[0], dy = p.Target[1] - b->Pos[1];
    const float flight = std::sqrt(dx * dx + dy * dy) / p.Speed;

    b->Fire();
    EXPECT_EQ(Codes(b->Events), (std::vector<int32_t>{CBonusEvent::kAdviserFired}));
    EXPECT_NEAR(b->Duration, flight, 1e-5f);
    // Lifted onto the upper layers, in flight order above the board.
    EXPECT_EQ(SpriteCount(*sprite1), 0u);
    ASSERT_EQ(SpriteCount(*sprite3), 3u);
    for (size_t i = 0; i < a.Sprites.size(); ++i)
        EXPECT_EQ(a.Sprites[i]->Key, p.ZOrder - 2 + static_cast<int32_t>(i));
    ASSERT_FALSE(a.Tail.IsNull());
    EXPECT_EQ(CountSystems<CSpellsParticleSystem>(*particles2), 1u);

    Frame(0.5f * flight);
    EXPECT_EQ(b->State, CBonus::kFinished);
    // The tail follows the bonus.
    EXPECT_FLOAT_EQ(a.Tail->Position.X, b->Pos[0]);
    CSharedPtr<CParticleSystem> tail = a.Tail;

    size_t arrived = 0;
    for (int f = 0; f < 20 && Listed(b); ++f) {
        Frame(0.25f * flight);
        arrived += CountCode(manager.Pending, CBonusEvent::kAdviserTimeWon);
    }
    EXPECT_EQ(arrived, 1u);
    EXPECT_FALSE(Listed(b));
    EXPECT_NEAR(b->Pos[0], p.Target[0], 1e-3f);
    EXPECT_NEAR(b->Pos[1], p.Target[1], 1e-3f);
    // The tail no longer emits once the bonus is there.
    EXPECT_TRUE(EmissionEnded(*tail));
}

TEST_F(AdviserTest, FiredAtTheTargetFliesForTheShortestTime) {
    CSharedPtr<CBonus> b = Make(CBonus::kAdviser, 0);
    const CBonusParametres::AdviserSection& p = g_bonusParams.Adviser;
    b->Place(p.Target[0], p.Target[1], p.Target[2], 39.0f, 3, 4);
    b->Fire();
    EXPECT_FLOAT_EQ(b->Duration, 0.1f / p.Speed);
    Frame(0.1f / p.Speed);
    EXPECT_EQ(CountCode(manager.Pending, CBonusEvent::kAdviserTimeWon), 1u);
    Frame(0.01f);
    EXPECT_FALSE(Listed(b));
}

TEST_F(AdviserTest, SplitPictureHalvesSitSideBySide) {
    CSharedPtr<CBonus> b = Make(CBonus::kAdviser, 3);
    CBonusAdviser& a = AsAdviser(b);
    Frame(0.01f);  // laid out at its cell
    ASSERT_EQ(a.Sprites.size(), 4u);
    const float s = b->Scale;
    const CBonusParametres::AdviserSection& p = g_bonusParams.Adviser;
    EXPECT_FLOAT_EQ(a.Sprites[0]->Width, 44.0f * s);
    EXPECT_NEAR(a.Sprites[1]->Position.X - a.Sprites[0]->Position.X, 44.0f * s, 1e-4f);
    EXPECT_NEAR(0.5f * (a.Sprites[0]->Position.X + a.Sprites[1]->Position.X),
                b->Pos[0] + p.RimShift[0] * s, 1e-4f);
    EXPECT_NEAR(a.Sprites[2]->Position.Y, b->Pos[1] + p.GlassShift[1] * s, 1e-4f);
    CSharedPtr<CBonus> whole = Make(CBonus::kAdviser, 2, 5, 5);
    EXPECT_EQ(AsAdviser(whole).Sprites.size(), 3u);
}

TEST_F(AdviserTest, HidingInFlightEndsTheTailAndShowingStartsANewOne) {
    CSharedPtr<CBonus> b = Make(CBonus::kAdviser, 2);
    b->Fire();
    Frame(0.05f);
    CSharedPtr<CParticleSystem> first = AsAdviser(b).Tail;
    ASSERT_FALSE(first.IsNull());
    b->Hide();
    EXPECT_TRUE(AsAdviser(b).Tail.IsNull());
    EXPECT_TRUE(EmissionEnded(*first));
    EXPECT_EQ(sprite3->GetDrawn().size(), 0u);
    // A hidden bonus is frozen.
    const float x = b->Pos[0];
    Frame(0.05f);
    EXPECT_FLOAT_EQ(b->Pos[0], x);
    b->Show();
    ASSERT_FALSE(AsAdviser(b).Tail.IsNull());
    EXPECT_FALSE(AsAdviser(b).Tail == first);
    EXPECT_FLOAT_EQ(AsAdviser(b).Tail->Position.X, x);
    EXPECT_EQ(sprite3->GetDrawn().size(), 3u);
}

TEST_F(AdviserTest, EndedPopDoesNotFly) {
    CSharedPtr<CBonus> b = Make(CBonus::kAdviser, 1);
    b->Pop(0.1f);
    size_t arrived = 0;
    for (int f = 0; f < 5; ++f) {
        Frame(0.5f);
        arrived += CountCode(manager.Pending, CBonusEvent::kAdviserTimeWon);
    }
    EXPECT_EQ(arrived, 0u);
    EXPECT_FALSE(Listed(b));
    EXPECT_EQ(CountSystems<CSpellsParticleSystem>(*particles2), 0u);
}

} // namespace
