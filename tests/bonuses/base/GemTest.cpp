// The gem: its look on the board and its flight to the gem bar.
#include <cmath>

#include "BonusTestSupport.h"
#include "bonuses/BonusGem.h"
#include "effects/ParticleSystem.h"

namespace bonustest {
namespace {

constexpr float kPi = 3.1415927f;

class GemTest : public LayeredFixture {
protected:
    // A gem of that colour placed at (100, 50, 50), added to the manager.
    CBonusGem& Gem(CSharedPtr<CBonus>& handle, int32_t colour = 3) {
        manager->CreateGem(handle, colour, 1);
        EXPECT_FALSE(handle.IsNull());
        handle->Place(100.0f, 50.0f, 50.0f, 38.0f, 2, 2);
        return *dynamic_cast<CBonusGem*>(handle.Get());
    }
};

TEST_F(GemTest, OnTheBoardItShowsItsColoursHaloAndTwoFlares) {
    CSharedPtr<CBonus> h;
    CBonusGem& gem = Gem(h, 5);
    ASSERT_FALSE(gem.Halo.IsNull());
    EXPECT_TRUE(Holds(sprite1, gem.Halo));
    EXPECT_TRUE(Holds(sprite1, gem.Flares[0]));
    EXPECT_TRUE(Holds(sprite1, gem.Flares[1]));
    EXPECT_EQ(SpriteCount(sprite2), 0u);
    EXPECT_EQ(gem.Halo->PackedColour, g_gemsParams.Halo.Color[5]);
    // Colour 5: second column, second row of the halo atlas.
    EXPECT_FLOAT_EQ(gem.Halo->Frames[0].U, 0.25f);
    EXPECT_FLOAT_EQ(gem.Halo->Frames[0].V, 0.5f);
    EXPECT_FLOAT_EQ(gem.Halo->Frames[2].U, 0.5f);
    EXPECT_FLOAT_EQ(gem.Halo->Frames[2].V, 1.0f);
    // Made at the default size, laid out again for its cap's size.
    EXPECT_FLOAT_EQ(gem.Halo->Width, 128.0f * 39.0f / 38.0f);

    // The halo pulses once every 2 pi seconds of age.
    manager->Update(kPi);
    EXPECT_FLOAT_EQ(gem.Halo->Width, 128.0f);
    EXPECT_NEAR(gem.Halo->Alpha, 1.0f, 1e-5f);
    manager->Update(kPi);
    EXPECT_NEAR(gem.Halo->Alpha, 0.0f, 1e-5f);

    // One big flare grows while the other shrinks; neither vanishes.
    for (int i = 0; i < 200; ++i) {
        manager->Update(0.0375f);
        EXPECT_GE(gem.Flares[0]->Width, 0.01f * 64.0f - 1e-4f);
        EXPECT_GE(gem.Flares[1]->Width, 0.01f * 64.0f - 1e-4f);
        EXPECT_LE(gem.Flares[0]->Width + gem.Flares[1]->Width, 64.0f * 1.0101f);
    }
    EXPECT_FLOAT_EQ(gem.Halo->Position.X, 100.0f);
}

TEST_F(GemTest, SmallFlaresComeOnePerPeriodAndKeepTheRemainder) {
    CSharedPtr<CBonus> h;
    CBonusGem& gem = Gem(h);
    manager->Update(0.05f);
    EXPECT_EQ(quad1->Count(), 0u);
    manager->Update(0.2f);  // 0.25 s: two flares, 0.05 s kept
    EXPECT_EQ(quad1->Count(), 2u);
    EXPECT_NEAR(gem.FlareClock, 0.05f, 1e-5f);
    for (const auto& q : quad1->GetQuads()) {
        EXPECT_FLOAT_EQ(q->HoldEnd, 1.0f);
        EXPECT_FLOAT_EQ(q->FadeOutTime, 0.2f);
        EXPECT_LE(std::hypot(q->Position.X - 100.0f, q->Position.Y - 50.0f), 14.0f);
    }
    // A huge frame makes a bounded number and leaves a clock below the period.
    manager->Update(1000.0f);
    EXPECT_LE(quad1->Count(), 2u + 64u);
    EXPECT_LT(gem.FlareClock, 0.1f);
}

TEST_F(GemTest, FiredItFliesToItsSlotAndReportsItsArrival) {
    CSharedPtr<CBonus> h;
    CBonusGem& gem = Gem(h, 3);
    gem.FlyTarget[0] = -400.0f;
    gem.FlyTarget[1] = 200.0f;
    gem.Fire();
    EXPECT_EQ(gem.State, CBonus::kGemFlight);
    EXPECT_EQ(gem.Dead, 1);
    ASSERT_EQ(gem.Events.size(), 1u);
    EXPECT_EQ(gem.Events[0].Code, CBonusEvent::kGemFired);
    EXPECT_EQ(gem.Events[0].A, 3);
    // It rises to the bar's depth at once and leaves from its cell.
    EXPECT_FLOAT_EQ(gem.Pos[0], 100.0f);
    EXPECT_FLOAT_EQ(gem.Pos[2], -150.0f);
    // Its pictures move up a layer; the gem picture and the trail appear.
    EXPECT_EQ(SpriteCount(sprite1), 0u);
    EXPECT_EQ(SpriteCount(sprite2), 4u);
    EXPECT_EQ(gem.Halo->Key, -150);
    ASSERT_FALSE(gem.GemSprite.IsNull());
    EXPECT_FLOAT_EQ(gem.GemSprite->Frames[0].U, 0.5625f);
    EXPECT_EQ(particles2->BlendedSystems().size(), 1u);
    gem.Fire();  // a second Fire changes nothing
    EXPECT_EQ(gem.Events.size(), 1u);

    manager->Update(0.5f);
    EXPECT_TRUE(manager->Pending.size() == 1 && manager->Pending[0].Code == 1);
    EXPECT_NE(gem.Pos[0], 100.0f);
    EXPECT_FLOAT_EQ(gem.Pos[2], -150.0f);
    manager->Update(0.5f);
    EXPECT_EQ(gem.State, CBonus::kGemArrived);
    EXPECT_FLOAT_EQ(gem.Pos[0], -400.0f);
    EXPECT_FLOAT_EQ(gem.Pos[1], 200.0f);
    ASSERT_EQ(manager->Pending.size(), 1u);
    EXPECT_EQ(manager->Pending[0].Code, CBonusEvent::kGemArrived);
    EXPECT_EQ(manager->Pending[0].A, 3);
    EXPECT_TRUE(manager->Pending[0].Source == h);
    EXPECT_EQ(particles2->BlendedSystems().size(), 2u);  // trail and burst

    // It waits at the bar until the field takes it, then goes with its sprites.
    manager->Update(0.5f);
    EXPECT_EQ(manager->Bonuses.size(), 1u);
    EXPECT_TRUE(manager->Pending.empty());
    gem.State = CBonus::kGemTaken;
    manager->Update(0.01f);
    EXPECT_TRUE(manager->Bonuses.empty());
    h = CSharedPtr<CBonus>();
    EXPECT_EQ(SpriteCount(sprite2), 0u);
}

TEST_F(GemTest, TwoGemsTakeTheirOwnCurves) {
    CSharedPtr<CBonus> h1, h2;
    CBonusGem& a = Gem(h1, 1);
    CBonusGem& b = Gem(h2, 1);
    for (CBonusGem* g : {&a, &b}) {
        g->FlyTarget[0] = -400.0f;
        g->FlyTarget[1] = 300.0f;
        g->Fire();
    }
    manager->Update(0.5f);
    EXPECT_TRUE(a.Pos[0] != b.Pos[0] || a.Pos[1] != b.Pos[1]);
    manager->Update(0.5f);
    EXPECT_FLOAT_EQ(a.Pos[0], b.Pos[0]);
    EXPECT_FLOAT_EQ(a.Pos[1], b.Pos[1]);
}

TEST_F(GemTest, HidingStopsTheTrailAndShowingInFlightStartsANewOne) {
    CSharedPtr<CBonus> h;
    CBonusGem& gem = Gem(h);
    gem.Hide();
    EXPECT_EQ(gem.Halo->Shown, 0);
    EXPECT_EQ(gem.Visible, 0);
    gem.Show();
    EXPECT_EQ(gem.Halo->Shown, 1);
    EXPECT_EQ(particles2->BlendedSystems().size(), 0u);

    gem.Fire();
    CSharedPtr<CParticleSystem> first = gem.Trail;
    ASSERT_FALSE(first.IsNull());
    gem.Hide();
    EXPECT_EQ(gem.GemSprite->Shown, 0);
    EXPECT_TRUE(gem.Halo->Shown == 0 && gem.Flares[1]->Shown == 0);
    gem.Show();
    EXPECT_FALSE(gem.Trail == first);
    EXPECT_EQ(particles2->BlendedSystems().size(), 2u);
}

TEST_F(GemTest, WithoutLayersAGemStillFliesAndReports) {
    CBonusManager bare;
    CSharedPtr<CBonus> h;
    bare.CreateGem(h, 6, 1);
    h->Place(0.0f, 0.0f, 50.0f, 39.0f, 0, 0);
    dynamic_cast<CBonusGem&>(*h).FlyTarget[0] = -300.0f;
    h->Fire();
    bare.Update(0.6f);
    bare.Update(0.6f);
    EXPECT_EQ(Codes(bare.Pending), std::vector<int32_t>{CBonusEvent::kGemArrived});
    EXPECT_EQ(bare.Pending[0].A, 6);
}

} // namespace
} // namespace bonustest
