// The TNT: the cells its blast reaches by tier and position, its explosion,
// its layers and its fuse sparks.
#include <cmath>

#include "BonusTestSupport.h"
#include "bonuses/BonusTNT.h"
#include "effects/SparksParticleSystem.h"

namespace bonustest {
namespace {

std::vector<std::pair<int32_t, int32_t>> Pairs(const std::vector<CTntCell>& cells) {
    std::vector<std::pair<int32_t, int32_t>> out;
    for (const CTntCell& c : cells)
        out.emplace_back(c.Column, c.Row);
    return out;
}

class TntTest : public LayeredFixture {
protected:
    CBonusTNT& Tnt(CSharedPtr<CBonus>& handle, int32_t tier, int32_t column = 3,
                   int32_t row = 3, int32_t upper = 0) {
        manager->CreateBonus(handle, CBonus::kTnt, tier, upper, 1);
        EXPECT_FALSE(handle.IsNull());
        handle->Place(0.0f, 0.0f, 50.0f, 38.0f, column, row);
        return *dynamic_cast<CBonusTNT*>(handle.Get());
    }
};

TEST_F(TntTest, BlastShapesGrowWithTheTierAndStopAtTheBoardEdge) {
    using P = std::pair<int32_t, int32_t>;
    EXPECT_EQ(Pairs(CBonusTNT::BlastCells(0, 0, 0, 8, 8)),
              (std::vector<P>{{0, 0}, {1, 0}, {0, 1}}));
    EXPECT_EQ(CBonusTNT::BlastCells(0, 3, 3, 8, 8).size(), 5u);
    EXPECT_EQ(CBonusTNT::BlastCells(1, 3, 3, 8, 8).size(), 9u);
    EXPECT_EQ(CBonusTNT::BlastCells(2, 3, 3, 8, 8).size(), 13u);
    EXPECT_EQ(CBonusTNT::BlastCells(3, 3, 3, 8, 8).size(), 21u);
    // Tiers outside 0..3 take the nearest one.
    EXPECT_EQ(CBonusTNT::BlastCells(-2, 3, 3, 8, 8).size(), 5u);
    EXPECT_EQ(CBonusTNT::BlastCells(9, 3, 3, 8, 8).size(), 21u);
    // Rows outer, columns inner, both ascending.
    const auto tier1 = Pairs(CBonusTNT::BlastCells(1, 3, 3, 8, 8));
    EXPECT_EQ(tier1.front(), P(2, 2));
    EXPECT_EQ(tier1[1], P(3, 2));
    EXPECT_EQ(tier1[3], P(2, 3));
    EXPECT_EQ(tier1.back(), P(4, 4));
    // Tier 2 reaches two steps in a straight line, not diagonally.
    const auto tier2 = Pairs(CBonusTNT::BlastCells(2, 3, 3, 8, 8));
    EXPECT_NE(std::find(tier2.begin(), tier2.end(), P(5, 3)), tier2.end());
    EXPECT_EQ(std::find(tier2.begin(), tier2.end(), P(5, 4)), tier2.end());
    // Tier 3: the 5 by 5 square without its corners, cut by the board.
    EXPECT_EQ(CBonusTNT::BlastCells(3, 7, 7, 8, 8).size(), 8u);
    EXPECT_TRUE(CBonusTNT::BlastCells(3, 3, 3, 0, 0).empty());
}

TEST_F(TntTest, FiringReportsTheExplosionThenEveryCellOfTheBlast) {
    CSharedPtr<CBonus> h;
    CBonusTNT& tnt = Tnt(h, 1, 7, 7);
    tnt.Fire();
    EXPECT_EQ(tnt.State, CBonus::kFinished);
    EXPECT_EQ(tnt.Dead, 1);
    ASSERT_EQ(Codes(tnt.Events), (std::vector<int32_t>{3, 4, 4, 4, 4}));
    EXPECT_EQ(tnt.Events[0].A, 1);
    EXPECT_EQ(tnt.Events[1].B, 6);
    EXPECT_EQ(tnt.Events[1].C, 6);
    EXPECT_EQ(tnt.Events[4].B, 7);
    EXPECT_EQ(tnt.Events[4].C, 7);
    EXPECT_EQ(tnt.IsEffectDone(), 0);

    // It stays while its events wait, and goes the frame after they left.
    manager->Update(0.02f);
    EXPECT_EQ(manager->Pending.size(), 5u);
    EXPECT_EQ(tnt.IsEffectDone(), 1);
    manager->Update(0.02f);
    EXPECT_TRUE(manager->Bonuses.empty());

    // The board grid gives the board's size.
    SetBoardGrid(-100.0f, 100.0f, 50.0f, 5, 4, 40.0f, 40.0f);
    CSharedPtr<CBonus> h2;
    CBonusTNT& small = Tnt(h2, 3, 4, 3);
    small.Fire();
    for (const CBonusEvent& e : small.Events)
        if (e.Code == CBonusEvent::kDestroyCell) {
            EXPECT_LT(e.B, 5);
            EXPECT_LT(e.C, 4);
        }
    EXPECT_EQ(small.Events.size(), 1u + 8u);
}

TEST_F(TntTest, TheExplosionGrowsItsRingAndThrowsFallingSparks) {
    CSharedPtr<CBonus> h;
    CBonusTNT& tnt = Tnt(h, 2);
    EXPECT_EQ(SpriteCount(sprite1), 5u);
    CSharedPtr<CSpriteQuad> body = tnt.Body[0];
    CSharedPtr<CSpriteQuad> spark = tnt.WireSparks[0];
    tnt.Fire();
    // The body lingers for a moment, the wire sparks are gone, the ring and
    // two halos appear.
    EXPECT_TRUE(tnt.Body[0].IsNull() && tnt.WireSparks[0].IsNull());
    EXPECT_TRUE(Holds(sprite1, body));
    EXPECT_EQ(body->LifeOn, 1);
    EXPECT_FLOAT_EQ(body->RemainingLife, 0.05f);
    EXPECT_FALSE(Holds(sprite1, spark));
    EXPECT_EQ(SpriteCount(sprite1), 2u + 3u);

    std::vector<CSharedPtr<CSpriteQuad>> made;
    for (const auto& s : sprite1->GetDrawn())
        if (!(s == body) && s->LifeOn && s->RemainingLife > 0.5f)
            made.push_back(s);
    ASSERT_EQ(made.size(), 3u);
    int rings = 0, halos = 0;
    for (const auto& s : made) {
        EXPECT_FLOAT_EQ(s->RemainingLife, 1.0f);
        EXPECT_FLOAT_EQ(s->LifeFadeTime, 0.6f);
        if (s->PackedColour == 0xFFFFFF80u) {
            ++rings;
            EXPECT_FLOAT_EQ(s->TargetWidth, 96.0f * 5.0f);
            EXPECT_FLOAT_EQ(s->WidthSpeed, 4.0f * 96.0f / 0.4f);
        } else {
            ++halos;
            EXPECT_FLOAT_EQ(s->TargetWidth, 96.0f * 0.9f * 5.0f);
            EXPECT_EQ(s->SpinOn, 1);
        }
    }
    EXPECT_EQ(rings, 1);
    EXPECT_EQ(halos, 2);

    ASSERT_EQ(particles1->BlendedSystems().size(), 1u);
    EXPECT_TRUE(particles2->BlendedSystems().empty());
    auto* sparks = dynamic_cast<CSparksParticleSystem*>(particles1->BlendedSystems()[0].Get());
    ASSERT_NE(sparks, nullptr);
    EXPECT_FLOAT_EQ(sparks->GravityFactor, -g_bonusParams.TNT.ExpSparkGravity / -9.8f);
    EXPECT_GT(sparks->LiveCount, 0);

    // The explosion outlives the TNT.
    h = CSharedPtr<CBonus>();
    manager->Clear();
    EXPECT_EQ(SpriteCount(sprite1), 5u);
}

TEST_F(TntTest, TiersOutsideTheTablesAreClamped) {
    CSharedPtr<CBonus> h;
    CBonusTNT& high = Tnt(h, 9);
    EXPECT_FLOAT_EQ(high.Body[0]->Frames[0].U, 0.3359375f);
    EXPECT_FLOAT_EQ(high.Body[0]->Frames[0].V, 0.359375f);
    high.Fire();
    float largest = 0.0f;
    for (const auto& s : sprite1->GetDrawn())
        largest = std::max(largest, s->TargetWidth);
    EXPECT_FLOAT_EQ(largest, 96.0f * 6.2f);
    EXPECT_EQ(high.Events[0].A, 9);

    CSharedPtr<CBonus> h2;
    CBonusTNT& low = Tnt(h2, -4);
    EXPECT_FLOAT_EQ(low.Body[0]->Frames[0].U, 0.0f);
    low.Fire();
    EXPECT_EQ(low.Events.size(), 1u + 5u);
}

TEST_F(TntTest, LayerFlagAndDepthOrderMoveItsSprites) {
    CSharedPtr<CBonus> h;
    CBonusTNT& tnt = Tnt(h, 0);
    // Placed at z 50: the body behind, the sparks further behind.
    EXPECT_EQ(tnt.Body[0]->Key, 49);
    EXPECT_EQ(tnt.Body[1]->Key, 50);
    EXPECT_EQ(tnt.WireSparks[2]->Key, 48);
    tnt.SetZOrder(10);
    EXPECT_EQ(tnt.Body[0]->Key, 9);
    EXPECT_EQ(tnt.WireSparks[0]->Key, 8);

    tnt.SetLayerFlag(0);
    EXPECT_EQ(SpriteCount(sprite1), 0u);
    EXPECT_EQ(SpriteCount(sprite3), 5u);
    tnt.Fire();
    EXPECT_TRUE(particles1->BlendedSystems().empty());
    EXPECT_EQ(particles2->BlendedSystems().size(), 1u);
    EXPECT_EQ(SpriteCount(sprite3), 5u);

    // Made for the upper layers from the start.
    CSharedPtr<CBonus> h2;
    Tnt(h2, 0, 1, 1, 1);
    EXPECT_EQ(SpriteCount(sprite1), 0u);
    EXPECT_EQ(SpriteCount(sprite3), 10u);
    // Gone before firing, it takes its sprites along.
    manager->Clear();
    h2 = CSharedPtr<CBonus>();
    EXPECT_EQ(SpriteCount(sprite3), 5u);
}

TEST_F(TntTest, FuseSparksShowOnOneHalfOfTheirOrbit) {
    CSharedPtr<CBonus> h;
    CBonusTNT& tnt = Tnt(h, 0);
    for (int frame = 0; frame < 40; ++frame) {
        manager->Update(0.3f);
        for (int i = 0; i < 3; ++i) {
            const float n = std::sin(tnt.WireAngle[i]);
            const float expected = n < -0.25f ? 1.0f : (n < 0.0f ? -4.0f * n : 0.0f);
            EXPECT_NEAR(tnt.WireSparks[i]->Alpha, expected, 1e-5f);
            EXPECT_GE(tnt.WireAngle[i], 0.0f);
            EXPECT_LT(tnt.WireAngle[i], 2.0f * 3.1415927f);
            EXPECT_EQ(tnt.WireSparks[i]->CurrentFrame, static_cast<int>(tnt.WireFrame[i]) % 8);
        }
    }
}

TEST_F(TntTest, FlightsScaleAndFadeTheStick) {
    CSharedPtr<CBonus> h;
    CBonusTNT& tnt = Tnt(h, 0);
    tnt.FlyIn(0.0f, 0.0f, 50.0f, 38.0f, 3, 3, 0, 1.0f);
    EXPECT_FLOAT_EQ(tnt.Body[0]->Width, 86.0f * 6.0f);
    EXPECT_FLOAT_EQ(tnt.Body[0]->Alpha, 0.0f);
    manager->Update(1.0f);
    EXPECT_EQ(tnt.State, CBonus::kPlaced);
    EXPECT_FLOAT_EQ(tnt.Body[0]->Width, 86.0f);
    EXPECT_FLOAT_EQ(tnt.Body[1]->Alpha, 1.0f);

    // Fired while still flying in, it explodes where it is.
    tnt.FlyIn(0.0f, 0.0f, 50.0f, 38.0f, 3, 3, 0, 1.0f);
    manager->Update(0.5f);
    const float y = tnt.Pos[1];
    tnt.Fire();
    bool found = false;
    for (const auto& s : sprite1->GetDrawn())
        if (s->PackedColour == 0xFFFFFF80u)
            found = std::fabs(s->Position.Y - y) < 1e-4f;
    EXPECT_TRUE(found);

    // A popped TNT asks for a new cap and then only waits for that request.
    CSharedPtr<CBonus> h2;
    CBonusTNT& popped = Tnt(h2, 1);
    popped.Pop(0.2f);
    manager->Update(0.25f);
    EXPECT_EQ(popped.State, CBonus::kFinished);
    bool asked = false;
    for (const CBonusEvent& e : manager->Pending)
        asked = asked || (e.Code == CBonusEvent::kNeedsCap && e.Source == h2);
    EXPECT_TRUE(asked);
    manager->Update(0.25f);
    for (const auto& b : manager->Bonuses)
        EXPECT_FALSE(b == h2);
}

} // namespace
} // namespace bonustest
