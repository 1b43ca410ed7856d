// The emission and drawing rules of the sparks, smokes, explosion, thunderbolt
// and spells kinds.
#include <cmath>

#include "ParticleTestSupport.h"
#include "effects/ExplosionParticleSystem.h"
#include "effects/ParticleMath.h"
#include "effects/SmokesParticleSystem.h"
#include "effects/SparksParticleSystem.h"
#include "effects/SpellsParticleSystem.h"
#include "effects/ThunderboltParticleSystem.h"

using namespace particletest;

namespace {

class SystemKindsTest : public ParticleFixture {
protected:
    template <class T> T* As(const CSharedPtr<CParticleSystem>& h) {
        kept.push_back(h);
        return static_cast<T*>(h.Get());
    }
    std::vector<CSharedPtr<CParticleSystem>> kept;
};

// ---- Sparks ----

TEST_F(SystemKindsTest, BoxSparksWithoutSpreadFlyAlongTheBaseVelocity) {
    CSparksSpringParametres p(0, 0, 0, 1, 2, 0, 0, 0, 0, 0, 0, 0xFFFFFF);
    p.EmissionRate = 200.0f;
    auto* s = As<CSparksParticleSystem>(manager->AddSparks(p, 64, texture));
    s->Update(0.1f);
    ASSERT_EQ(s->LiveCount, 20);
    for (int i = 0; i < 20; ++i) {
        const CVector3& v = s->Pool[static_cast<size_t>(i)].Velocity;
        EXPECT_FLOAT_EQ(v.Y, 2.0f * v.X);
        EXPECT_GE(v.X, 0.5f - 1e-6f);
        EXPECT_LE(v.X, 1.0f + 1e-6f);
        EXPECT_EQ(v.Z, 0.0f);
    }
}

TEST_F(SystemKindsTest, SphereSparksFlyAtTheSpreadSpeed) {
    CSparksSpringParametres p(0, 0, 0, 0, 0, 0, 0, 0, 0, 3.0f, 0.5f, 0xFFFFFF);
    p.SphereMode = 1;
    p.EmissionRate = 200.0f;
    auto* s = As<CSparksParticleSystem>(manager->AddSparks(p, 64, texture));
    s->Update(0.1f);
    for (int i = 0; i < s->LiveCount; ++i) {
        float speed = s->Pool[static_cast<size_t>(i)].Velocity.Length();
        EXPECT_GE(speed, 2.5f - 1e-4f);
        EXPECT_LE(speed, 3.5f + 1e-4f);
    }
}

TEST_F(SystemKindsTest, SparkAtRestIsASquareOfTheShortestLengthAlongX) {
    auto* s = As<CSparksParticleSystem>(manager->AddSparks(StillSparks(1, 2, 3, 1), 4, texture));
    s->Update(0.1f);
    Written w = Fill(*s, 8, 12);
    ASSERT_EQ(w.Quads(), 1u);
    const float h = 0.0025f;  // half the size
    EXPECT_FLOAT_EQ(w.vertices[0].x, 1 + h);
    EXPECT_FLOAT_EQ(w.vertices[0].y, 2 + h);
    EXPECT_FLOAT_EQ(w.vertices[1].x, 1 + h);
    EXPECT_FLOAT_EQ(w.vertices[1].y, 2 - h);
    EXPECT_FLOAT_EQ(w.vertices[2].x, 1 - h);
    EXPECT_FLOAT_EQ(w.vertices[2].y, 2 - h);
    EXPECT_FLOAT_EQ(w.vertices[3].x, 1 - h);
    EXPECT_FLOAT_EQ(w.vertices[3].y, 2 + h);
    EXPECT_EQ(w.vertices[2].u0, 1.0f);
    EXPECT_EQ(w.vertices[2].v0, 1.0f);
    EXPECT_EQ(w.vertices[0].diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(w.indices, (std::vector<uint16_t>{8, 9, 10, 8, 10, 11}));
    EXPECT_EQ(s->FirstVertex, 8);
    EXPECT_EQ(s->FirstIndex, 12);
}

TEST_F(SystemKindsTest, FastSparksAreDrawnAtTheLongestLength) {
    auto p = StillSparks(0, 0, 0, 1);
    p.Velocity = {0.0f, 10.0f, 0.0f};
    p.FadeRate = 0.5f;
    auto* s = As<CSparksParticleSystem>(manager->AddSparks(p, 4, texture));
    s->Update(0.1f);
    Written w = Fill(*s);
    ASSERT_EQ(w.Quads(), 1u);
    // The streak runs along the velocity, the width across it.
    EXPECT_NEAR((Pos(w.vertices[1]) - Pos(w.vertices[2])).Length(), 0.02f, 1e-6f);
    EXPECT_NEAR((Pos(w.vertices[0]) - Pos(w.vertices[1])).Length(), 0.005f, 1e-6f);
    EXPECT_NEAR(w.vertices[1].y - w.vertices[2].y, 0.02f, 1e-6f);
    EXPECT_FLOAT_EQ(s->Pool[0].StreakLength, 0.02f);
    EXPECT_EQ(w.Alpha(0), 242u);  // life 0.95
}

// ---- Smokes ----

CSmokesSpringParametres Trail(uint32_t blend) {
    CSmokesSpringParametres p(0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x804020,
                              CSmokesSpringParametres::kTrail | blend);
    p.Lift = 0.0f;
    p.LiftVariation = 0.0f;
    p.FadeOutRate = 0.5f;
    p.FadeOutVariation = 0.0f;
    p.EmissionRate = 4.0f;
    return p;
}

TEST_F(SystemKindsTest, TrailSmokesAreSpacedAlongTheEmittersWay) {
    auto* s = As<CSmokesParticleSystem>(manager->AddSmokes(Trail(0), 16, texture));
    // Not moved: everything starts at the previous position.
    s->Update(0.5f);
    ASSERT_EQ(s->LiveCount, 2);
    EXPECT_FLOAT_EQ(s->Pool[0].Position.X, 0.0f);
    EXPECT_FLOAT_EQ(s->Pool[1].Position.X, 0.0f);
    s->SetPosition(1.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(s->PreviousPosition.X, 0.0f);
    s->Update(0.5f);
    ASSERT_EQ(s->LiveCount, 4);
    EXPECT_FLOAT_EQ(s->Pool[2].Position.X, 0.5f);
    EXPECT_FLOAT_EQ(s->Pool[3].Position.X, 1.0f);
    // Moving a trail moves its previous position too.
    s->Move(0.0f, 2.0f, 0.0f);
    EXPECT_FLOAT_EQ(s->PreviousPosition.Y, 2.0f);
    EXPECT_FLOAT_EQ(s->Pool[3].Position.Y, 2.0f);
}

TEST_F(SystemKindsTest, DarkeningSmokeStaysOpaqueWhileItsColourFades) {
    auto* s = As<CSmokesParticleSystem>(manager->AddSmokes(Trail(2), 4, texture));
    EXPECT_EQ(s->SrcBlend, gpu::Blend::Zero);
    EXPECT_EQ(s->DestBlend, gpu::Blend::InvSrcColor);
    s->Update(0.25f);  // one smoke at 0.25 s: born this step, alpha 1 - 0.5 x 0.25
    Written w = Fill(*s);
    ASSERT_EQ(w.Quads(), 1u);
    // 0x80, 0x40, 0x20 times 0.875.
    EXPECT_EQ(w.vertices[0].diffuse, 0xFF70381Cu);

    auto* plain = As<CSmokesParticleSystem>(manager->AddSmokes(Trail(0), 4, texture));
    EXPECT_EQ(plain->DestBlend, gpu::Blend::InvSrcAlpha);
    plain->Update(0.25f);
    EXPECT_EQ(Fill(*plain).vertices[0].diffuse, 0xDF804020u);
}

TEST_F(SystemKindsTest, CloudSmokeSquaresUseTheirAtlasCell) {
    CSmokesSpringParametres p(0, 0, 0, 0, 1, 0, 0, 1, 0, 0.2f, 0.2f, 0.1f, 0.1f, 0xFFFFFF, 1);
    p.FadeInRate = 4.0f;
    auto* s = As<CSmokesParticleSystem>(manager->AddSmokes(p, 8, texture));
    EXPECT_EQ(s->DestBlend, gpu::Blend::One);
    s->Update(0.1f);
    ASSERT_GT(s->LiveCount, 0);
    Written w = Fill(*s);
    for (size_t q = 0; q < w.Quads(); ++q) {
        const CSmoke& smoke = s->Pool[q];
        EXPECT_LT(smoke.Alpha, 1.0f);  // still fading in
        EXPECT_GT(smoke.Alpha, 0.0f);
        float u, v;
        s->Environment->AtlasFrame(smoke.Frame, &u, &v);
        EXPECT_FLOAT_EQ(w.vertices[q * 4].u0, u);
        EXPECT_FLOAT_EQ(w.vertices[q * 4 + 2].u0, u + 0.25f);
        EXPECT_FLOAT_EQ(w.vertices[q * 4 + 2].v0, v + 0.25f);
        // A square of side = size.
        EXPECT_NEAR((Pos(w.vertices[q * 4]) - Pos(w.vertices[q * 4 + 1])).Length(), smoke.Size,
                    1e-6f);
        EXPECT_NEAR((Pos(w.vertices[q * 4 + 1]) - Pos(w.vertices[q * 4 + 2])).Length(),
                    smoke.Size, 1e-6f);
    }
}

// ---- Explosion ----

TEST_F(SystemKindsTest, ExplosionThrowsOneBurstLimitedByItsCapacity) {
    CExplosionParametres p(0, 0, 0, 0, 0, 0, 0, 0, 0, 0.1f, 0.0f, 20, 0xFF8800, 0);
    EXPECT_FLOAT_EQ(p.Direction.Y, 1.0f);  // zero direction
    auto* s = As<CExplosionParticleSystem>(manager->AddExplosion(p, 8, texture));
    EXPECT_EQ(s->Update(0.01f), 1);
    EXPECT_EQ(s->LiveCount, 8);
    EXPECT_EQ(s->UsedSlots, 8);
    for (int i = 0; i < 8; ++i) {
        const CFireball& f = s->Pool[static_cast<size_t>(i)];
        EXPECT_LE(f.Position.Length(), 0.1f + 0.01f * 0.75f + 1e-4f);
    }
    // Each fireball is drawn as one square about its position, in its colour.
    const Written w = Fill(*s);
    ASSERT_EQ(w.Quads(), 8u);
    for (size_t q = 0; q < w.Quads(); ++q) {
        const CVector3& at = s->Pool[q].Position;
        float centre[3] = {0.0f, 0.0f, 0.0f};
        for (size_t k = 0; k < 4; ++k) {
            const gpu::Vertex& v = w.vertices[q * 4 + k];
            centre[0] += v.x / 4.0f;
            centre[1] += v.y / 4.0f;
            centre[2] += v.z / 4.0f;
            EXPECT_EQ(v.diffuse & 0x00FFFFFFu, 0xFF8800u) << q;
        }
        EXPECT_NEAR(centre[0], at.X, 1e-4f) << q;
        EXPECT_NEAR(centre[1], at.Y, 1e-4f) << q;
        EXPECT_NEAR(centre[2], at.Z, 1e-4f) << q;
    }
    // Never again: it ends when the fireballs have faded.
    int updates = 0;
    while (s->Update(0.1f) && updates < 100)
        ++updates;
    EXPECT_EQ(s->LiveCount, 0);
    EXPECT_LT(updates, 20);
}

TEST_F(SystemKindsTest, DiscExplosionFliesAcrossItsDirection) {
    CExplosionParametres p(0, 0, 0, 0, 0, 0, 0, 0, 2, 0.0f, 0.0f, 16, 0xFFFFFF, 1);
    auto* s = As<CExplosionParticleSystem>(manager->AddExplosion(p, 16, texture));
    EXPECT_NEAR(particles::Dot(s->DiscAxis1, s->Direction), 0.0f, 1e-6f);
    s->Update(0.01f);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(s->Pool[static_cast<size_t>(i)].Velocity.Z, 0.0f, 1e-6f);
}

// ---- Thunderbolt ----

CThunderboltParametres Bolt(int32_t segments, int32_t bolts) {
    return CThunderboltParametres(0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0.0f, 1, 0, 0, 0, 1, 0, 0, 0,
                                  1, 0, 0, 0.0f, segments, bolts, 0x00FFFFFF);
}

TEST_F(SystemKindsTest, ThunderboltWaitsForItsDelayAndEndsWithItsDuration) {
    auto p = Bolt(4, 1);
    p.StartDelay = 0.5f;
    p.EmissionDuration = 1.0f;
    auto h = manager->AddThunderbolt(p, 5, texture);
    auto* s = As<CThunderboltParticleSystem>(h);
    manager->Update(0.25f);
    EXPECT_EQ(s->LiveCount, 0);
    manager->Update(0.25f);
    EXPECT_EQ(s->LiveCount, 4);
    EXPECT_EQ(s->UsedSlots, 5);
    manager->Update(0.25f);
    EXPECT_EQ(manager->BlendedSystems().size(), 1u);
    manager->Update(0.25f);
    EXPECT_TRUE(manager->BlendedSystems().empty());
}

TEST_F(SystemKindsTest, OneSegmentBoltsRunBetweenTheirPinnedEnds) {
    auto* s = As<CThunderboltParticleSystem>(manager->AddThunderbolt(Bolt(1, 3), 6, texture));
    s->Update(0.1f);
    Written w = Fill(*s);
    ASSERT_EQ(w.Quads(), 3u);
    const float h = 0.005f;
    for (size_t q = 0; q < 3; ++q) {
        EXPECT_FLOAT_EQ(w.vertices[q * 4 + 0].x, 0.0f);
        EXPECT_FLOAT_EQ(w.vertices[q * 4 + 0].y, h);
        EXPECT_FLOAT_EQ(w.vertices[q * 4 + 1].y, -h);
        EXPECT_FLOAT_EQ(w.vertices[q * 4 + 2].x, 1.0f);
        EXPECT_FLOAT_EQ(w.vertices[q * 4 + 2].y, -h);
        EXPECT_FLOAT_EQ(w.vertices[q * 4 + 3].y, h);
        EXPECT_GE(w.Alpha(q), 191u);
    }
}

TEST_F(SystemKindsTest, BoltsThatDoNotFitAreDroppedAndZeroSegmentsMeansOne) {
    auto* s = As<CThunderboltParticleSystem>(manager->AddThunderbolt(Bolt(3, 5), 10, texture));
    EXPECT_EQ(s->Bolts, 2);
    s->Update(0.1f);
    EXPECT_EQ(s->LiveCount, 6);
    EXPECT_EQ(Fill(*s).Quads(), 6u);

    auto* z = As<CThunderboltParticleSystem>(manager->AddThunderbolt(Bolt(0, 2), 4, texture));
    EXPECT_EQ(z->Segments, 1);
    z->Update(0.1f);
    EXPECT_EQ(Fill(*z).Quads(), 2u);

    auto* none = As<CThunderboltParticleSystem>(manager->AddThunderbolt(Bolt(8, 1), 4, texture));
    EXPECT_EQ(none->Bolts, 0);
    none->Update(0.1f);
    EXPECT_EQ(none->LiveCount, 0);
}

TEST_F(SystemKindsTest, InnerJointsStayNearTheLineAndReaimRebuildsAtOnce) {
    auto p = Bolt(4, 1);
    p.StartJitter = 0.1f;
    p.EndJitter = 0.1f;
    auto* s = As<CThunderboltParticleSystem>(manager->AddThunderbolt(p, 5, texture));
    s->Update(0.1f);
    for (int k = 0; k <= 4; ++k) {
        const CThunderbolt& j = s->Pool[static_cast<size_t>(k)];
        EXPECT_FLOAT_EQ(j.Position.X, 0.25f * static_cast<float>(k));
        EXPECT_LE((j.Second - j.Position).Length(), 0.1f + 1e-5f);
    }
    float clock = s->ElapsedTime;
    s->Reaim(0, 5, 0, 0, 0, 0, 0, 2, 5, 0, 0, 0, 0, 0);
    EXPECT_FLOAT_EQ(s->ElapsedTime, clock);
    for (int k = 0; k <= 4; ++k) {
        const CThunderbolt& j = s->Pool[static_cast<size_t>(k)];
        EXPECT_FLOAT_EQ(j.Position.Y, 5.0f);
        EXPECT_FLOAT_EQ(j.Position.X, 0.5f * static_cast<float>(k));
        EXPECT_NEAR((j.Second - j.Position).Length(), k == 0 || k == 4 ? 0.0f : 0.1f, 1e-5f);
    }
    s->Move(0, 1, 0);
    EXPECT_FLOAT_EQ(s->End.Y, 6.0f);
    EXPECT_FLOAT_EQ(s->Pool[4].Second.Y, 6.0f);
}

// ---- Spells ----

TEST_F(SystemKindsTest, StillSpellsAreEmittedAtThePositionAndSpacedWhenMoved) {
    CSpellsSpringParametres p(3, 4, 5, 0, 0, 0, 0, 0, 0.1f, 0, 0x00FF00);
    p.EmissionRate = 4.0f;
    auto* s = As<CSpellsParticleSystem>(manager->AddSpells(p, 16, texture));
    s->Update(0.5f);
    ASSERT_EQ(s->LiveCount, 2);
    EXPECT_FLOAT_EQ(s->Pool[0].Position.X, 3.0f);
    EXPECT_FLOAT_EQ(s->Pool[1].Position.Z, 5.0f);
    s->SetPosition(4, 4, 5);
    s->Update(0.5f);
    ASSERT_EQ(s->LiveCount, 4);
    EXPECT_FLOAT_EQ(s->Pool[2].Position.X, 3.5f);
    EXPECT_FLOAT_EQ(s->Pool[3].Position.X, 4.0f);
}

TEST_F(SystemKindsTest, TrailSpellWithoutFadeOutVanishesAtFullBrightness) {
    CSpellsSpringParametres p(0, 0, 0, 0, 0, 0, 0, 0, 0.1f, 0, 0xFFFFFF);
    p.TrailMode = 1;
    p.FadeVariation = 0.0f;
    p.Timed = 0;
    p.ParticleCount = 1;
    p.EmissionRate = 1000.0f;
    auto* s = As<CSpellsParticleSystem>(manager->AddSpells(p, 4, texture));
    s->Update(0.5f);  // born and a quarter faded in
    EXPECT_EQ(Fill(*s).Alpha(0), 64u);
    s->Update(1.5f);
    EXPECT_EQ(Fill(*s).Alpha(0), 255u);
    EXPECT_EQ(s->Update(0.1f), 0);
}

TEST_F(SystemKindsTest, TrailSpellWithFadeOutStartsBehindAndFadesOutAgain) {
    CSpellsSpringParametres p(0, 0, 0, 1, 0, 0, 0, 0, 0.1f, 0, 0xFFFFFF);
    p.TrailMode = 1;
    p.FadeOut = 1;
    p.FadeVariation = 0.0f;
    p.FadeOutRate = 2.0f;
    p.Timed = 0;
    p.ParticleCount = 1;
    p.EmissionRate = 1000.0f;
    p.RandomAngle = 1;
    auto* s = As<CSpellsParticleSystem>(manager->AddSpells(p, 4, texture));
    s->Update(0.01f);
    // Lead of 1/0.5 + 1/2 s at speed 1 (then one short step).
    EXPECT_NEAR(s->Pool[0].Position.X, -2.49f, 1e-4f);
    int updates = 0;
    while (s->Update(0.1f) && updates < 100)
        ++updates;
    // 2 s in, 0.5 s out, and it ends about where the emitter is.
    EXPECT_NEAR(updates, 25, 1);
    EXPECT_NEAR(s->Pool[0].Position.X, 0.0f, 0.11f);
}

TEST_F(SystemKindsTest, MovingAKindMovesItsLiveParticles) {
    auto* sp = As<CSparksParticleSystem>(manager->AddSparks(StillSparks(0, 0, 0, 2), 4, texture));
    sp->Update(0.1f);
    sp->Move(1, 2, 3);
    EXPECT_FLOAT_EQ(sp->Position.Z, 3.0f);
    EXPECT_FLOAT_EQ(sp->Pool[1].Position.Y, 2.0f);

    CSpellsSpringParametres p(0, 0, 0, 0, 0, 0, 0, 0, 0.1f, 0, 0);
    auto* sl = As<CSpellsParticleSystem>(manager->AddSpells(p, 4, texture));
    sl->Update(0.1f);
    sl->Move(1, 0, 0);
    EXPECT_FLOAT_EQ(sl->PreviousPosition.X, 1.0f);
    EXPECT_FLOAT_EQ(sl->Pool[0].Position.X, 1.0f);
}

} // namespace
