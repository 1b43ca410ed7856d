// The electric terminator: its timing, glow, bolts and sparks while it runs,
// and what its finish does to chained and free caps.
#include <algorithm>
#include <cmath>

#include "TerminatorTestSupport.h"

using namespace termtest;

namespace {

class ElectroTerminator : public TerminatorFixture {};

float Distance2D(const CVector3& a, float x, float y) {
    return std::hypot(a.X - x, a.Y - y);
}

// The texture rectangle a crack keeper shatters: the extremes of its pieces.
void PieceBounds(const CSpriteCrackKeeper& k, float out[4]) {
    out[0] = out[1] = 1e9f;
    out[2] = out[3] = -1e9f;
    for (const auto& p : k.Pieces())
        for (const auto& uv : p.Uv) {
            out[0] = std::min(out[0], uv[0]);
            out[1] = std::min(out[1], uv[1]);
            out[2] = std::max(out[2], uv[0]);
            out[3] = std::max(out[3], uv[1]);
        }
}

} // namespace

TEST_F(ElectroTerminator, RunsForItsDurationAndWaitsWhileItsTimeIsNegative) {
    auto a = Cap(0, 0, 0), b = Cap(0, 1, 0), c = Cap(0, 2, 0);
    CSharedPtr<CTerminator> t = Make(Row(3), {a, b, c});
    CTerminatorElectro& e = Electro(t);
    EXPECT_EQ(e.BoltTarget, 6);

    t->Time = -0.5f;
    EXPECT_EQ(t->Update(0.25f), 1);
    EXPECT_EQ(glow->Count(), 0u) << "nothing happens before the start";
    EXPECT_TRUE(e.Bolts.empty());

    EXPECT_EQ(t->Update(0.25f), 1);  // time 0: the discharge starts
    EXPECT_EQ(glow->Count(), 3u);
    EXPECT_EQ(e.Bolts.size(), 6u);
    EXPECT_EQ(t->Update(0.5f), 1);   // 0.5
    EXPECT_EQ(caps.Count(), 3u);
    EXPECT_EQ(t->Update(0.25f), 0);  // 0.75: finished
    EXPECT_EQ(caps.Count(), 0u) << "free caps leave the cap list";
    EXPECT_TRUE(e.Bolts.empty());
    EXPECT_TRUE(e.GlowQuads.empty());
}

TEST_F(ElectroTerminator, FastTerminatorWithALongFrameFinishesAtOnceWithoutGlowBoltsOrSparks) {
    auto a = Cap(2, 0, 0, 2), b = Cap(2, 1, 0), c = Cap(2, 2, 0);
    CSharedPtr<CTerminator> t = Make(Row(3), {a, b, c}, 0, 1);
    EXPECT_EQ(t->Update(0.25f), 0);
    EXPECT_EQ(glow->Count(), 0u);
    EXPECT_EQ(sparks->Count(), 0u);
    EXPECT_TRUE(Systems<CThunderboltParticleSystem>().empty());
    EXPECT_EQ(a->LockCount, 1);
    EXPECT_EQ(KeeperSystems<CSpriteCrackKeeper>().size(), 2u);
    EXPECT_EQ(KeeperSystems<CSimpleSpriteSystemKeeper>().size(), 2u) << "ring and line burst";
}

TEST_F(ElectroTerminator, GlowLiesOnEveryCapUntilTheFinishOrTheEndFadesIt) {
    auto a = Cap(1, 3, 4), b = Cap(1, 4, 4);
    CSharedPtr<CTerminator> t = Make(Row(2), {a, b});
    CTerminatorElectro& e = Electro(t);
    t->Update(0.1f);
    ASSERT_EQ(e.GlowQuads.size(), 2u);
    const CQuad& q = *e.GlowQuads[0];
    EXPECT_FLOAT_EQ(q.Position.X, a->Sprite->X);
    EXPECT_FLOAT_EQ(q.Position.Y, a->Sprite->Y);
    EXPECT_FLOAT_EQ(q.Width, kCapSize * 4.0f);
    EXPECT_FLOAT_EQ(q.FadeInTime, 0.75f * 0.25f);
    EXPECT_FLOAT_EQ(q.FadeOutTime, 0.05f);
    EXPECT_TRUE(q.Texture == glowTex);
    EXPECT_EQ(q.Colour, 0x004040FFu);
    t->Update(0.1f);
    EXPECT_EQ(glow->Count(), 2u) << "made once, on the first running step";

    // Dropping a running terminator still lets its glow fade out on the layer.
    CSharedPtr<CQuad> kept = e.GlowQuads[1];
    glow->Update(0.5f);
    manager->Clear();
    t = CSharedPtr<CTerminator>();
    EXPECT_LE(kept->HoldEnd, kept->Age);
    glow->Update(0.06f);
    EXPECT_EQ(glow->Count(), 0u);
}

TEST_F(ElectroTerminator, BoltsCircleTheirCapsAndEndWithTheTerminator) {
    auto a = Cap(3, 0, 0), b = Cap(3, 0, 1), c = Cap(3, 0, 2);
    CMatchGroup g = Row(3);
    g.Links.clear();  // no links: every bolt runs over a single cap
    CSharedPtr<CTerminator> t = Make(g, {a, b, c});
    CTerminatorElectro& e = Electro(t);
    t->Update(0.02f);
    ASSERT_EQ(e.Bolts.size(), 6u);
    ASSERT_EQ(Systems<CThunderboltParticleSystem>().size(), 6u);
    for (const auto& bolt : e.Bolts) {
        EXPECT_FLOAT_EQ(bolt->Centre1.X, bolt->Centre2.X);
        EXPECT_FLOAT_EQ(bolt->Centre1.Y, bolt->Centre2.Y);
        EXPECT_GT(bolt->Life, 0.5f * 0.15f - 1e-6f);
        EXPECT_LE(bolt->Life, 1.5f * 0.15f);
        EXPECT_FLOAT_EQ(bolt->Radius1, kCapSize * 0.75f);
        // The system starts on the first end's circle, a little in front.
        auto* s = dynamic_cast<CThunderboltParticleSystem*>(bolt->System.Get());
        ASSERT_NE(s, nullptr);
        EXPECT_NEAR(Distance2D(s->Position, bolt->Centre1.X, bolt->Centre1.Y), bolt->Radius1,
                    1e-3f);
        EXPECT_FLOAT_EQ(s->Position.Z, bolt->Centre1.Z - 20.0f);
        EXPECT_NEAR(Distance2D(s->End, bolt->Centre2.X, bolt->Centre2.Y), bolt->Radius2, 1e-3f);
        EXPECT_EQ(s->Segments, 4);
        EXPECT_EQ(s->Bolts, 2);
        EXPECT_TRUE(s->Texture == lightningTex);
    }

    // Bolts die of age and are replaced; the ends move round their circles.
    const float before = e.Bolts[0]->Angle1;
    t->Update(0.02f);
    EXPECT_EQ(e.Bolts.size(), 6u);
    EXPECT_NE(e.Bolts[0]->Angle1, before);
    for (int i = 0; i < 10; ++i)
        t->Update(0.03f);
    EXPECT_EQ(e.Bolts.size(), 6u);

    // The finish ends every bolt's system; the manager then drops them.
    while (t->Update(0.1f) != 0) {
    }
    particles->Update(0.01f);
    particles->Update(0.01f);
    EXPECT_TRUE(Systems<CThunderboltParticleSystem>().empty());
}

TEST_F(ElectroTerminator, ChainedCapsSparkleRingsAndDoubleChainsAlsoTheirDiagonal) {
    auto one = Cap(0, 2, 2, 1), two = Cap(0, 5, 5, 2), none = Cap(0, 7, 7, 0);
    for (int chains : {1, 2, 0}) {
        CSharedPtr<CCap> cap = chains == 1 ? one : chains == 2 ? two : none;
        CSharedPtr<CTerminator> t = Make(CMatchGroup::Single(0, 0), {cap});
        CTerminatorElectro& e = Electro(t);
        e.SparkPeriod = 0.03125f;
        const size_t before = sparks->Count();
        t->Update(0.125f);  // four periods
        const size_t made = sparks->Count() - before;
        EXPECT_EQ(made, chains == 0 ? 0u : chains == 1 ? 4u : 8u) << chains << " chains";
        const CVector3 at = CTerminator::TokenPosition(*cap);
        int ring = 0;
        for (size_t i = 0; i < sparks->Count(); ++i) {
            const CQuad& q = *sparks->GetQuads()[i];
            if (std::fabs(q.Position.X - at.X) > 60.0f || std::fabs(q.Position.Y - at.Y) > 60.0f)
                continue;  // another cap's
            const float d = Distance2D(q.Position, at.X, at.Y);
            const float dx = q.Position.X - at.X, dy = q.Position.Y - at.Y;
            const bool onRing = d >= 24.0f - 1e-3f && d <= 32.0f + 1e-3f;
            // Diagonal sparks lie within 16 of the line x = -y through the cap.
            const bool onDiagonal = std::fabs(dx + dy) <= 16.0f + 1e-3f;
            ring += onRing ? 1 : 0;
            EXPECT_TRUE(chains == 1 ? onRing : (onRing || onDiagonal));
            EXPECT_TRUE(q.Texture == chainSparkTex);
            EXPECT_FLOAT_EQ(q.Width, kCapSize * 0.75f);
            EXPECT_FLOAT_EQ(q.TexCorners[0][0], 0.734375f);
            EXPECT_FLOAT_EQ(q.TexCorners[2][1], 0.75f);
            EXPECT_FLOAT_EQ(q.HoldEnd, 0.25f);
        }
        if (chains > 0) {
            EXPECT_GE(ring, 4);
        }
        manager->Clear();
    }
}

TEST_F(ElectroTerminator, FinishBreaksChainsByModeAndShattersTheRest) {
    struct Case {
        int32_t chains, mode, expectChains;
        bool staysListed;
        size_t bursts;
    };
    const Case cases[] = {
        {3, 0, 2, true, 2},   // one chain off; both chain bursts
        {3, 1, 0, true, 2},   // every chain off
        {3, 2, 3, false, 0},  // destroyed outright, chains and all
        {1, 0, 0, true, 1},   // a single chain: only the ring burst
        {0, 1, 0, false, 0},  // a free cap shatters whatever the mode
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.chains << " chains, mode " << c.mode);
        auto cap = Cap(4, 3, 3, c.chains);
        cap->State = CBoardElement::kRemoving;
        cap->Landed = 0;
        CSharedPtr<CTerminator> t = Make(CMatchGroup::Single(3, 3), {cap}, c.mode);
        EXPECT_EQ(t->RemovalFlags[0], c.mode == 2 || c.chains == 0 ? 1 : 0);
        const size_t listed = caps.Count();
        while (t->Update(0.25f) != 0) {
        }
        EXPECT_EQ(cap->LockCount, c.expectChains);
        EXPECT_EQ(caps.Count(), c.staysListed ? listed : listed - 1);
        if (c.staysListed) {
            EXPECT_EQ(cap->State, CBoardElement::kAtRest);
            EXPECT_EQ(cap->Landed, 1);
            EXPECT_EQ(cap->Sprite->ChainLevel, c.expectChains);
        }
        const auto bursts = KeeperSystems<CSimpleSpriteSystemKeeper>();
        ASSERT_EQ(bursts.size(), c.bursts);
        for (const auto& [system, keeper] : bursts) {
            EXPECT_TRUE(system->Texture == chainTex);
            EXPECT_EQ(system->Capacity, 20);
            EXPECT_FLOAT_EQ(keeper->Floor, -400.0f);
            EXPECT_FLOAT_EQ(keeper->Gravity, 2000.0f);
        }
        size_t links = 0;
        for (const auto& burst : bursts)
            links += burst.second->Sprites().size();
        EXPECT_EQ(links, c.bursts == 2 ? 24u : c.bursts == 1 ? 19u : 0u)
            << "a ring of 19 links and a line of 5";
        EXPECT_EQ(KeeperSystems<CSpriteCrackKeeper>().size(), c.staysListed ? 0u : 1u);
        for (auto& s : particles->BlendedSystems())
            s->Stop();
        particles->Update(0.0f);
        manager->Clear();
    }
}

TEST_F(ElectroTerminator, ShatterUsesTheCapsRowOfItsColourAndRowSevenForAnyOther) {
    for (int32_t colour : {3, 6, 7, 100, 8, 98, -1}) {
        SCOPED_TRACE(colour);
        auto cap = Cap(0, 1, 1);
        cap->Colour = colour;
        CSharedPtr<CTerminator> t = Make(CMatchGroup::Single(1, 1), {cap});
        while (t->Update(0.5f) != 0) {
        }
        const auto cracks = KeeperSystems<CSpriteCrackKeeper>();
        ASSERT_EQ(cracks.size(), 1u);
        EXPECT_TRUE(cracks[0].first->Texture == capsTex);
        EXPECT_EQ(cracks[0].first->Capacity, 40);
        const CSpriteCrackKeeper& k = *cracks[0].second;
        EXPECT_EQ(k.GetColumns(), 6);
        EXPECT_EQ(k.GetRows(), 6);
        EXPECT_FLOAT_EQ(k.Gravity, 2500.0f);
        const int32_t row = colour >= 0 && colour <= 7 ? colour : 7;
        float b[4];
        PieceBounds(k, b);
        EXPECT_FLOAT_EQ(b[0], 0.0f);
        EXPECT_FLOAT_EQ(b[1], static_cast<float>(row) * 32.0f / 512.0f);
        EXPECT_FLOAT_EQ(b[2], 32.0f / 256.0f);
        EXPECT_FLOAT_EQ(b[3], static_cast<float>(row + 1) * 32.0f / 512.0f);
        for (auto& s : particles->BlendedSystems())
            s->Stop();
        particles->Update(0.0f);
        manager->Clear();
    }
}

TEST_F(ElectroTerminator, WithoutCapsOrWithBadIndicesNothingRunsOffTheCapList) {
    // No caps at all: no bolts, no glow, and it still finishes.
    CSharedPtr<CTerminator> empty = manager->CreateTerminator(1, Row(3), capsTex, 0);
    EXPECT_EQ(empty->HasChainedCap(), 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(empty->Update(0.2f), 1);
    EXPECT_TRUE(Electro(empty).Bolts.empty());
    EXPECT_EQ(glow->Count(), 0u);
    EXPECT_EQ(empty->Update(0.2f), 0);

    // Links and cells that name caps it never got make no bolts.
    auto a = Cap(5, 0, 0), b = Cap(5, 1, 0);
    CMatchGroup g = Row(5);
    g.Links.push_back({-1, 0});
    g.Links.push_back({7, 1});
    CSharedPtr<CTerminator> t = Make(g, {a, b});
    CTerminatorElectro& e = Electro(t);
    const CVector3 pa = CTerminator::TokenPosition(*a), pb = CTerminator::TokenPosition(*b);
    auto isCap = [&](const CVector3& c) {
        return (c.X == pa.X && c.Y == pa.Y) || (c.X == pb.X && c.Y == pb.Y);
    };
    for (int i = 0; i < 30; ++i) {
        t->Update(0.02f);
        EXPECT_LE(e.Bolts.size(), 4u);
        for (const auto& bolt : e.Bolts) {
            EXPECT_TRUE(isCap(bolt->Centre1));
            EXPECT_TRUE(isCap(bolt->Centre2));
        }
    }
}

TEST_F(ElectroTerminator, PlainTerminatorCollectsCapsAndNeverFinishes) {
    auto loose = Cap(0, 0, 0), chained = Cap(0, 1, 0, 2), forced = Cap(0, 2, 0, 1);
    CTerminator base(1, 1.0f, &caps, particles, glow, sparks, CSharedPtr<CSpriteLayer>(), 0);
    EXPECT_EQ(base.HasChainedCap(), 0);
    base.Init(loose, 0);
    EXPECT_EQ(base.HasChainedCap(), 0);
    base.Init(chained, 1);
    base.Init(forced, 2);
    EXPECT_EQ(base.HasChainedCap(), 1);
    EXPECT_EQ(base.RemovalFlags, (std::vector<int32_t>{1, 0, 1}));
    EXPECT_EQ(base.Group.Modes, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(base.GetColourA(), 0xFFFFFFFFu);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(base.Update(1.0f), 1);
    EXPECT_EQ(caps.Count(), 3u);
}
