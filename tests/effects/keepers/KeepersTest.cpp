// The effect keepers that shape collection particle systems: drop sprays,
// multi-origin emitters, simple sprite bursts, sprite cracks and vortices.
#include <gtest/gtest.h>

#include <cmath>

#include "KeeperTestSupport.h"
#include "effects/DropsSprayKeeper.h"
#include "effects/MultiOriginSystemKeeper.h"
#include "effects/SimpleSpriteSystemKeeper.h"
#include "effects/SpriteCrackKeeper.h"
#include "effects/VortexKeeper.h"

using keepertest::AddKeeperSystem;
using keepertest::LiveParticles;
using keepertest::MakeManager;

namespace {

CCollectedParticle2 ParticleAt(float x, float y, float z) {
    CCollectedParticle2 p;
    p.Init(0xFFFFFF, x, y, z, 0, 1.0f, 1.0f, 1.0f, 0.0f);
    return p;
}

class KeeperTest : public keepertest::SeededTest {};

// ------------------------------------------------------------------ drops

TEST_F(KeeperTest, DropFacesItsDirectionOfFlight) {
    CDropsSprayKeeper spray;
    spray.Gravity = 0.0f;
    struct Case {
        float vx, vy, angle;
    } cases[] = {{0, 5, 512}, {0, -5, 0}, {0, 0, 0}, {3, 0, 256}, {-3, 0, 768}, {2, 2, 384}};
    for (const Case& c : cases) {
        CCollectedParticle2 p = ParticleAt(0, 0, 0);
        p.Velocity = {c.vx, c.vy, 0.0f};
        spray.UpdateParticle(0, p, 0.01f, 0, 0, 0);
        EXPECT_NEAR(p.Angle, c.angle, 1e-3) << c.vx << ", " << c.vy;
    }
}

TEST_F(KeeperTest, DropOnTheFloorLivesOneMoreUpdate) {
    CDropsSprayKeeper spray;
    spray.Gravity = 0.0f;
    spray.Floor = 0.0f;
    CCollectedParticle2 p = ParticleAt(0, 0.5f, 0);
    p.Velocity = {0.0f, -1.0f, 0.0f};
    EXPECT_EQ(spray.UpdateParticle(0, p, 0.5f, 0, 0, 0), 1);
    EXPECT_EQ(p.Position.Y, 0.0f);
    EXPECT_EQ(spray.UpdateParticle(0, p, 0.5f, 0, 0, 0), 0);
}

TEST_F(KeeperTest, DropsFlyStraightOutOfAFlatEllipsoid) {
    CDropsSprayKeeper spray;
    spray.SetParameters(40, 84.0f, 60.0f, 0.0f, 0, 0, 1, 1);
    spray.Generate();
    ASSERT_EQ(spray.StartPoints.size(), 40u);
    for (size_t i = 0; i < spray.StartPoints.size(); ++i) {
        const CVector3& pt = spray.StartPoints[i];
        const CVector3& v = spray.StartVelocities[i];
        EXPECT_EQ(pt.Z, 0.0f);
        EXPECT_EQ(v.Z, 0.0f);
        EXPECT_LE(std::fabs(pt.X), 42.0f);
        EXPECT_LE(std::fabs(pt.Y), 30.0f);
        // Outward: the velocity is parallel to the point, speed 1 +/- 0.5.
        EXPECT_NEAR(pt.X * v.Y - pt.Y * v.X, 0.0f, 1e-3f);
        EXPECT_GE(pt.X * v.X + pt.Y * v.Y, 0.0f);
        EXPECT_GE(v.Length(), 0.5f - 1e-5f);
        EXPECT_LE(v.Length(), 1.5f + 1e-5f);
    }
}

TEST_F(KeeperTest, AddPointsAppendsTheOtherSpraysDrops) {
    CSharedPtr<CDropsSprayKeeper> first(new CDropsSprayKeeper());
    first->SetParameters(3, 84, 84, 0, 0, 0, 1, 1);
    first->Generate();
    CDropsSprayKeeper second;
    second.SetParameters(2, 84, 84, 0, 0, 0, 1, 1);
    second.Generate();
    const CVector3 own = second.StartPoints[0];
    second.AddPoints(first);
    ASSERT_EQ(second.StartPoints.size(), 5u);
    EXPECT_EQ(second.DropCount, 5);
    EXPECT_EQ(second.StartPoints[0].X, own.X);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(second.StartPoints[2 + i].X, first->StartPoints[i].X);
        EXPECT_EQ(second.StartVelocities[2 + i].Y, first->StartVelocities[i].Y);
    }
    // A spray can take its own drops once more; an empty handle adds nothing.
    first->AddPoints(first);
    EXPECT_EQ(first->DropCount, 6);
    second.AddPoints(CSharedPtr<CDropsSprayKeeper>());
    EXPECT_EQ(second.DropCount, 5);
}

TEST_F(KeeperTest, DropsOutsideTheGeneratedArraysStartNothing) {
    CDropsSprayKeeper spray;
    spray.SetParameters(-4, 84, 84, 0, 0, 0, 1, 1);
    EXPECT_EQ(spray.DropCount, 0);
    spray.Generate();
    EXPECT_EQ(spray.GetEmitCount(0.1f), 0);

    // A count set but never generated: nothing to start, no record touched.
    CDropsSprayKeeper ungenerated;
    EXPECT_EQ(ungenerated.GetEmitCount(0.1f), 0);
    CCollectedParticle2 p;
    ungenerated.InitParticle(3, p, 0, 0, 0);
    EXPECT_EQ(p.Alive, 0);
    EXPECT_EQ(ungenerated.Emitted, 0);
}

TEST_F(KeeperTest, SprayStartsEveryDropOnItsFirstUpdate) {
    auto manager = MakeManager();
    CSharedPtr<CDropsSprayKeeper> spray(new CDropsSprayKeeper());
    spray->SetParameters(16, 84, 84, 0, 0.5f, 0.0f, 1.0f, 0.5f);
    spray->Floor = -1000.0f;
    spray->Generate();
    auto system = AddKeeperSystem(*manager, spray, 32, 10.0f, 20.0f, 0.0f);
    manager->Update(0.01f);
    EXPECT_EQ(LiveParticles(system), 16);
    EXPECT_EQ(spray->AllEmitted, 1);
    EXPECT_EQ(spray->GetEmitCount(0.01f), 0);
    const CCollectedParticle2& p = keepertest::AsCollection(system).Pool[0];
    EXPECT_EQ(p.Uv[0].U, 0.5f);
    EXPECT_EQ(p.Uv[2].V, 0.5f);
    EXPECT_EQ(p.Width, 32.0f);
    manager->Update(0.01f);
    EXPECT_EQ(LiveParticles(system), 16);
}

// ----------------------------------------------------------- multi-origin

TEST_F(KeeperTest, EmitterStartsAtOnceAndCarriesTheRestOfItsTime) {
    CMultiOriginSystemKeeper k;
    EXPECT_EQ(k.GetEmitCount(0.05f), 1);
    EXPECT_NEAR(k.Emitters()[0].Clock, 0.05f, 1e-6f);
    EXPECT_EQ(k.GetEmitCount(0.04f), 0);
    EXPECT_EQ(k.GetEmitCount(0.02f), 1);
}

TEST_F(KeeperTest, EmitterWithoutRateEmitsNothing) {
    CMultiOriginSystemKeeper k;
    k.SetEmitter(0, 0, 0, 0, 0, 0, 0, 0.0f, 50, 25, 32, 32, 16, 16, 512, -256, 0xFFFFFFFF, 0.1f,
                 0.5f, 0.5f, 0.05f, 0.25f, 0.25f);
    k.SetEmitter(1, 0, 0, 0, 0, 0, 0, -3.0f, 50, 25, 32, 32, 16, 16, 512, -256, 0xFFFFFFFF, 0.1f,
                 0.5f, 0.5f, 0.05f, 0.25f, 0.25f);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(k.GetEmitCount(0.5f), 0);
    for (const auto& e : k.Emitters())
        EXPECT_TRUE(std::isfinite(e.Clock));
    CCollectedParticle2 p;
    k.InitParticle(0, p, 0, 0, 0);
    EXPECT_EQ(p.Alive, 0);
}

TEST_F(KeeperTest, SetEmitterPastTheEndAppendsOne) {
    CMultiOriginSystemKeeper k;
    k.SetEmitter(7, 1, 2, 3, 0, 0, 0, 4.0f, 50, 25, 32, 32, 16, 16, 512, -256, 0x80FFFFFF, 0.1f,
                 0.5f, 0.5f, 0.05f, 0.25f, 0.25f);
    ASSERT_EQ(k.Emitters().size(), 2u);
    EXPECT_EQ(k.Emitters()[1].Offset.Z, 3.0f);
    EXPECT_NEAR(k.Emitters()[1].PeakOpacity, 128.0f / 255.0f, 1e-6f);
    EXPECT_NEAR(k.Emitters()[1].Clock, 0.25f, 1e-6f);
}

TEST_F(KeeperTest, RingWithKeepReplacesOnlyTheFirstEmitters) {
    CMultiOriginSystemKeeper k;
    k.SetRing(10.0f, 4, 0.0f, 40.0f, 5.0f, 50, 25, 32, 32, 16, 16, 512, -256, 0xFFFFFFFF, 0.1f,
              0.5f, 0.5f, 0.05f, 0.25f, 0.25f, 0);
    ASSERT_EQ(k.Emitters().size(), 4u);
    EXPECT_NEAR(k.Emitters()[1].Offset.Y, 10.0f, 1e-4f);
    EXPECT_NEAR(k.Emitters()[1].BaseVelocity.Y, 5.0f, 1e-4f);
    EXPECT_FLOAT_EQ(k.Emitters()[3].Rate, 10.0f);
    k.SetRing(20.0f, 2, 0.0f, 2.0f, 0.0f, 50, 25, 32, 32, 16, 16, 512, -256, 0xFFFFFFFF, 0.1f,
              0.5f, 0.5f, 0.05f, 0.25f, 0.25f, 1);
    ASSERT_EQ(k.Emitters().size(), 4u);
    EXPECT_NEAR(k.Emitters()[1].Offset.X, -20.0f, 1e-4f);
    EXPECT_FLOAT_EQ(k.Emitters()[1].Rate, 1.0f);
    EXPECT_NEAR(k.Emitters()[3].Offset.Y, -10.0f, 1e-4f);
    EXPECT_FLOAT_EQ(k.Emitters()[3].Rate, 10.0f);
    // No emitters at all for a count of 0.
    k.SetRing(20.0f, 0, 0.0f, 2.0f, 0.0f, 50, 25, 32, 32, 16, 16, 512, -256, 0xFFFFFFFF, 0.1f,
              0.5f, 0.5f, 0.05f, 0.25f, 0.25f, 0);
    EXPECT_TRUE(k.Emitters().empty());
    EXPECT_EQ(k.GetEmitCount(1.0f), 0);
}

TEST_F(KeeperTest, LineSpacesEmittersFromP0ToP1) {
    CMultiOriginSystemKeeper k;
    k.SetLine(-10, 0, 5, 10, 20, 5, 0, 3, 4, 3, 30.0f, 10.0f, 50, 25, 32, 32, 16, 16, 512, -256,
              0xFFFFFFFF, 0.1f, 0.5f, 0.5f, 0.05f, 0.25f, 0.25f, 0);
    ASSERT_EQ(k.Emitters().size(), 3u);
    EXPECT_FLOAT_EQ(k.Emitters()[1].Offset.X, 0.0f);
    EXPECT_FLOAT_EQ(k.Emitters()[2].Offset.Y, 20.0f);
    EXPECT_FLOAT_EQ(k.Emitters()[0].BaseVelocity.Y, 6.0f);
    EXPECT_FLOAT_EQ(k.Emitters()[0].BaseVelocity.Z, 8.0f);
    EXPECT_FLOAT_EQ(k.Emitters()[2].Rate, 10.0f);
    k.SetLine(-10, 0, 5, 10, 20, 5, 0, 0, 0, 1, 30.0f, 10.0f, 50, 25, 32, 32, 16, 16, 512, -256,
              0xFFFFFFFF, 0.1f, 0.5f, 0.5f, 0.05f, 0.25f, 0.25f, 0);
    ASSERT_EQ(k.Emitters().size(), 1u);
    EXPECT_FLOAT_EQ(k.Emitters()[0].Offset.X, -10.0f);
    EXPECT_FLOAT_EQ(k.Emitters()[0].BaseVelocity.Y, 0.0f);
}

TEST_F(KeeperTest, ParticleFollowsItsLifeCurve) {
    CMultiOriginSystemKeeper k;
    // Exact binary times: fade in to 0.125 s, hold to 0.375 s, end at 0.625 s.
    k.SetEmitter(0, 0, 0, 0, 0, 0, 0, 10.0f, 0, 0, 8, 8, 0, 0, 0, 0, 0x80FFFFFF, 0.125f, 0.25f,
                 0.25f, 0, 0, 0);
    k.SetOrigin(1, 2, 3, 0);
    ASSERT_EQ(k.GetEmitCount(0.0625f), 1);
    CCollectedParticle2 p;
    k.InitParticle(0, p, 0, 0, 0);
    ASSERT_EQ(p.Alive, 1);
    EXPECT_EQ(p.Life, 0.0f);
    EXPECT_EQ(p.Position.Y, 2.0f);
    const float peak = 128.0f / 255.0f;
    EXPECT_EQ(k.UpdateParticle(0, p, 0.0625f, 0, 0, 0), 1);
    EXPECT_FLOAT_EQ(p.Life, 0.5f * peak);
    EXPECT_EQ(k.UpdateParticle(0, p, 0.125f, 0, 0, 0), 1);
    EXPECT_FLOAT_EQ(p.Life, peak);
    EXPECT_EQ(k.UpdateParticle(0, p, 0.25f, 0, 0, 0), 1);
    EXPECT_FLOAT_EQ(p.Life, 0.75f * peak);
    EXPECT_EQ(k.UpdateParticle(0, p, 0.1875f, 0, 0, 0), 0);
}

TEST_F(KeeperTest, NoFadeInGoesStraightToTheHold) {
    CMultiOriginSystemKeeper k;
    k.SetEmitter(0, 0, 0, 0, 0, 0, 0, 10.0f, 0, 0, 8, 8, 0, 0, 0, 0, 0xFFFFFFFF, 0.0f, 1.0f, 1.0f,
                 0, 0, 0);
    k.GetEmitCount(0.1f);
    CCollectedParticle2 p;
    k.InitParticle(0, p, 0, 0, 0);
    EXPECT_EQ(k.UpdateParticle(0, p, 0.01f, 0, 0, 0), 1);
    EXPECT_FLOAT_EQ(p.Life, 1.0f);
}

TEST_F(KeeperTest, ZeroZFactorKeepsParticlesAtTheirDepth) {
    CMultiOriginSystemKeeper k;
    k.ZFactor = 0.0f;
    k.SetOrigin(0, 0, 7, 0);
    ASSERT_GE(k.GetEmitCount(1.0f), 1);
    CCollectedParticle2 p;
    k.InitParticle(0, p, 0, 0, 0);
    EXPECT_EQ(p.Velocity.Z, 0.0f);
    k.UpdateParticle(0, p, 0.05f, 0, 0, 0);
    EXPECT_EQ(p.Position.Z, 7.0f);
}

TEST_F(KeeperTest, ParticleLeavingTheBoxDies) {
    CMultiOriginSystemKeeper k;
    k.BoxMax = {5.0f, 5.0f, 5.0f};
    k.GetEmitCount(0.1f);
    CCollectedParticle2 p;
    k.InitParticle(0, p, 0, 0, 0);
    p.Position = {0, 0, 0};
    p.Velocity = {10.0f, 0, 0};
    EXPECT_EQ(k.UpdateParticle(0, p, 0.5f, 0, 0, 0), 1); // x = 5: the bound counts as inside
    EXPECT_EQ(k.UpdateParticle(0, p, 0.1f, 0, 0, 0), 0);
}

TEST_F(KeeperTest, MultiOriginRunsInASystem) {
    auto manager = MakeManager();
    CSharedPtr<CMultiOriginSystemKeeper> k(new CMultiOriginSystemKeeper());
    k->SetFrameRect(1, 0.5f, 0.5f, 1.0f, 1.0f);
    k->SetRing(30.0f, 3, 0.0f, 30.0f, 0.0f, 50, 25, 32, 32, 16, 16, 512, -256, 0xFFFFFFFF, 0.1f,
               0.5f, 0.5f, 0.05f, 0.25f, 0.25f, 0);
    auto system = AddKeeperSystem(*manager, k, 64);
    manager->Update(0.05f);
    EXPECT_EQ(LiveParticles(system), 3);
    for (int i = 0; i < 40; ++i)
        manager->Update(0.05f);
    EXPECT_GT(LiveParticles(system), 3);
    EXPECT_LE(LiveParticles(system), 64);
    EXPECT_GE(k->ParticlePhases().size(), 3u);
}

// ---------------------------------------------------------- simple sprites

TEST_F(KeeperTest, LineOfOneSitsAtP0AndAZeroLineHasAngle0) {
    CSimpleSpriteSystemKeeper k;
    k.GenerateLine(3, 4, 5, 30, 40, 50, 1);
    ASSERT_EQ(k.Sprites().size(), 1u);
    EXPECT_EQ(k.Sprites()[0].Point.X, 3.0f);
    EXPECT_EQ(k.Sprites()[0].Point.Z, 5.0f);
    k.GenerateLine(3, 4, 5, 3, 4, 5, 4);
    ASSERT_EQ(k.Sprites().size(), 4u);
    for (const auto& s : k.Sprites()) {
        EXPECT_EQ(s.Point.Y, 4.0f);
        EXPECT_EQ(s.Angle, 0.0f);
        EXPECT_GT(s.Velocity.Length(), 0.0f);
    }
}

TEST_F(KeeperTest, LineAngleFollowsTheSegment) {
    EXPECT_FLOAT_EQ(SegmentAngle(0, 5, 0), 256.0f);
    EXPECT_FLOAT_EQ(SegmentAngle(0, -5, 0), 768.0f);
    EXPECT_FLOAT_EQ(SegmentAngle(5, 0, 0), 0.0f);
    EXPECT_FLOAT_EQ(SegmentAngle(-5, 0, 0), 512.0f);
    EXPECT_NEAR(SegmentAngle(5, 5, 0), 128.0f, 1e-3f);
    EXPECT_NEAR(SegmentAngle(5, -5, 0), 896.0f, 1e-3f);
    EXPECT_FLOAT_EQ(SegmentAngle(0, 0, 0), 0.0f);

    CSimpleSpriteSystemKeeper k;
    k.GenerateLine(0, 0, 0, 0, 10, 0, 3);
    EXPECT_FLOAT_EQ(k.Sprites()[2].Angle, 256.0f);
    EXPECT_FLOAT_EQ(k.Sprites()[1].Point.Y, 5.0f);
}

TEST_F(KeeperTest, RingOfRadiusZeroKeepsTheSpokeAngles) {
    CSimpleSpriteSystemKeeper k;
    k.GenerateRing(0.0f, 4, 0.0f);
    ASSERT_EQ(k.Sprites().size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(k.Sprites()[i].Angle, 256.0f * i, 1e-3f);
        EXPECT_EQ(k.Sprites()[i].Point.Length(), 0.0f);
    }
    // Random directions: not all the same.
    EXPECT_NE(k.Sprites()[0].Velocity.X / k.Sprites()[0].Velocity.Length(),
              k.Sprites()[1].Velocity.X / k.Sprites()[1].Velocity.Length());

    k.SpeedSpread = 0.0f;
    k.GenerateRing(10.0f, 4, 0.0f);
    EXPECT_NEAR(k.Sprites()[1].Point.Y, 10.0f, 1e-4f);
    EXPECT_NEAR(k.Sprites()[1].Velocity.Y, 1.0f, 1e-5f);
    EXPECT_NEAR(k.Sprites()[1].Velocity.X, 0.0f, 1e-5f);
}

TEST_F(KeeperTest, SpritesStartFromTheirLayout) {
    auto manager = MakeManager();
    CSharedPtr<CSimpleSpriteSystemKeeper> k(new CSimpleSpriteSystemKeeper());
    k->SetFrameRect(1, 0.5f, 0.0f, 1.0f, 0.5f);
    k->Floor = -1000.0f;
    k->SetParameters(12, 84, 84, 0);
    k->Generate();
    auto system = AddKeeperSystem(*manager, k, 16, 5.0f, 6.0f, 7.0f);
    manager->Update(0.01f);
    EXPECT_EQ(LiveParticles(system), 12);
    EXPECT_EQ(k->GetEmitCount(0.01f), 0);
    const auto& pool = keepertest::AsCollection(system).Pool;
    for (int i = 0; i < 12; ++i) {
        const auto& s = k->Sprites()[i];
        EXPECT_EQ(pool[i].Frame, s.Frame);
        EXPECT_EQ(pool[i].Spin, s.Spin);
        EXPECT_EQ(pool[i].Uv[0].U, s.Frame == 1 ? 0.5f : 0.0f);
        EXPECT_EQ(pool[i].Position.Z, 7.0f);
    }
}

TEST_F(KeeperTest, SpriteCountsAreClampedAndUnlaidSpritesStartNothing) {
    CSimpleSpriteSystemKeeper k;
    k.SetParameters(-3, 84, 84, 0);
    k.Generate();
    EXPECT_TRUE(k.Sprites().empty());
    EXPECT_EQ(k.GetEmitCount(0.1f), 0);
    k.GenerateRing(5.0f, -2, 0.0f);
    EXPECT_EQ(k.SpriteCount, 0);
    CSimpleSpriteSystemKeeper fresh;
    EXPECT_EQ(fresh.GetEmitCount(0.1f), 0);
    CCollectedParticle2 p;
    fresh.InitParticle(5, p, 0, 0, 0);
    EXPECT_EQ(p.Alive, 0);
}

// ------------------------------------------------------------------ crack

TEST_F(KeeperTest, CrackWithoutJaggednessCutsRegularCells) {
    CSpriteCrackKeeper k;
    k.SetParameters(2.0f, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f, 4, 2, 0.0f);
    k.BuildPieces();
    ASSERT_EQ(k.Pieces().size(), 8u);
    for (const auto& piece : k.Pieces())
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(std::fabs(piece.Offsets[c][0]), 0.5f, 1e-5f);
            EXPECT_NEAR(std::fabs(piece.Offsets[c][1]), 0.5f, 1e-5f);
        }
    const auto& first = k.Pieces()[0];
    EXPECT_FLOAT_EQ(first.CentreX, -0.375f);
    EXPECT_FLOAT_EQ(first.CentreY, 0.25f);
    EXPECT_NEAR(first.Uv[1][0], 0.25f, 1e-6f);
    EXPECT_NEAR(first.Uv[2][1], 0.5f, 1e-6f);
    EXPECT_NEAR(first.Offsets[0][0], -0.5f, 1e-5f);
    EXPECT_NEAR(first.Offsets[0][1], 0.5f, 1e-5f);
}

TEST_F(KeeperTest, OneByOneCrackIsTheWholeRectangleWithoutDraws) {
    CSpriteCrackKeeper k;
    k.SetParameters(1.0f, 1.0f, 0.25f, 0.5f, 0.75f, 1.0f, 1, 1, 0.9f);
    const uint32_t before = Rand15::Global().State();
    k.BuildPieces();
    EXPECT_EQ(Rand15::Global().State(), before);
    ASSERT_EQ(k.Pieces().size(), 1u);
    const auto& piece = k.Pieces()[0];
    const float offsets[4][2] = {{-0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, -0.5f}, {-0.5f, -0.5f}};
    const float uv[4][2] = {{0.25f, 0.5f}, {0.75f, 0.5f}, {0.75f, 1.0f}, {0.25f, 1.0f}};
    for (int c = 0; c < 4; ++c) {
        EXPECT_FLOAT_EQ(piece.Offsets[c][0], offsets[c][0]);
        EXPECT_FLOAT_EQ(piece.Offsets[c][1], offsets[c][1]);
        EXPECT_FLOAT_EQ(piece.Uv[c][0], uv[c][0]);
        EXPECT_FLOAT_EQ(piece.Uv[c][1], uv[c][1]);
    }
}

TEST_F(KeeperTest, CrackPiecesFlyAwayFromTheCentre) {
    CSpriteCrackKeeper k;
    k.SetParameters(30.0f, 30.0f, 0, 0, 1, 1, 3, 3, 0.0f);
    k.DirectionJitter = 0.0f;
    k.TiltSpread = 0.0f;
    k.SpeedSpread = 0.0f;
    k.Speed = 1.0f;
    k.BuildPieces();
    k.SetOrigin(100.0f, 50.0f, 0.0f, 0.0f);
    std::vector<CCollectedParticle2> records(9);
    for (auto& r : records)
        k.InitParticle(0, r, 0, 0, 0);
    // Top-left piece: left and up; the middle one along the diagonal.
    EXPECT_LT(records[0].Velocity.X, 0.0f);
    EXPECT_GT(records[0].Velocity.Y, 0.0f);
    EXPECT_GT(records[8].Velocity.X, 0.0f);
    EXPECT_LT(records[8].Velocity.Y, 0.0f);
    EXPECT_FLOAT_EQ(records[4].Position.X, 100.0f);
    EXPECT_FLOAT_EQ(records[4].Position.Y, 50.0f);
    const float diagonal = 1.0f / std::sqrt(3.0f);
    EXPECT_NEAR(records[4].Velocity.X, diagonal, 1e-5f);
    EXPECT_NEAR(records[4].Velocity.Y, diagonal, 1e-5f);
    EXPECT_FLOAT_EQ(records[0].Width, 10.0f);
    EXPECT_FLOAT_EQ(records[0].Corners[0].S, -0.5f);
}

TEST_F(KeeperTest, CrackEmitsOnlyThePiecesLeft) {
    CSpriteCrackKeeper k;
    CCollectedParticle2 p;
    EXPECT_EQ(k.GetEmitCount(0.1f), 0);
    k.InitParticle(0, p, 0, 0, 0);
    EXPECT_EQ(p.Alive, 0);
    EXPECT_EQ(k.NextPiece, 0);

    k.SetParameters(1, 1, 0, 0, 1, 1, 2, 2, 0.25f);
    k.BuildPieces();
    EXPECT_EQ(k.GetEmitCount(0.1f), 4);
    k.InitParticle(0, p, 0, 0, 0);
    EXPECT_EQ(k.GetEmitCount(0.1f), 3);
    for (int i = 0; i < 3; ++i)
        k.InitParticle(0, p, 0, 0, 0);
    EXPECT_EQ(k.GetEmitCount(0.1f), 0);
    EXPECT_EQ(k.AllEmitted, 1);
    CCollectedParticle2 extra;
    k.InitParticle(0, extra, 0, 0, 0);
    EXPECT_EQ(extra.Alive, 0);
    EXPECT_EQ(k.NextPiece, 4);

    // Grids of no cells are kept at one cell.
    k.SetParameters(1, 1, 0, 0, 1, 1, -2, 0, 0.25f);
    EXPECT_EQ(k.GetColumns(), 1);
    EXPECT_EQ(k.GetRows(), 1);
}

TEST_F(KeeperTest, CrackInASmallSystemNeverRunsPastItsPieces) {
    auto manager = MakeManager();
    CSharedPtr<CSpriteCrackKeeper> k(new CSpriteCrackKeeper());
    k->Floor = -1000.0f;
    k->SetParameters(1, 1, 0, 0, 1, 1, 3, 3, 0.25f);
    k->BuildPieces();
    auto system = AddKeeperSystem(*manager, k, 4);
    manager->Update(0.01f);
    EXPECT_EQ(LiveParticles(system), 4);
    EXPECT_EQ(k->NextPiece, 4);
    for (int i = 0; i < 5; ++i)
        manager->Update(0.01f);
    EXPECT_EQ(k->NextPiece, 9);
    EXPECT_EQ(k->GetEmitCount(0.01f), 0);
    EXPECT_LE(LiveParticles(system), 4);
}

// ------------------------------------------------------------------ vortex

TEST_F(KeeperTest, VortexEmitsEverySecondUpdateAtRate10) {
    CVortexKeeper k;
    int counts[6];
    for (int& c : counts)
        c = k.GetEmitCount(0.05f);
    EXPECT_EQ(counts[0], 0);
    EXPECT_EQ(counts[1], 1);
    EXPECT_EQ(counts[2], 0);
    EXPECT_EQ(counts[3], 1);
    k.EmissionRate = 0.0f;
    EXPECT_EQ(k.GetEmitCount(10.0f), 0);
}

TEST_F(KeeperTest, VortexSpawnsOnItsRing) {
    CVortexKeeper k;
    k.SetOrigin(10, 20, 30, 0);
    for (int i = 0; i < 20; ++i) {
        CCollectedParticle2 p;
        k.InitParticle(0, p, 0, 0, 0);
        ASSERT_EQ(p.Alive, 1);
        const float r = (p.Position - CVector3{10, 20, 30}).Length();
        EXPECT_GE(r, 8.0f - 1e-3f);
        EXPECT_LE(r, 16.0f + 1e-3f);
        EXPECT_EQ(p.Life, 0.0f);
        EXPECT_LT(p.FadeRate, 0.0f);
    }
}

TEST_F(KeeperTest, FadeInOvershootBeyondTheHoldStartsFadingOut) {
    CVortexKeeper k;
    k.SetAppearance(0xFFFFFFFF, 32, 32, 20, 10.0f, 0.02f, 2.0f, 256);
    k.WhirlOn = 0;
    CCollectedParticle2 p;
    k.InitParticle(0, p, 0, 0, 0);
    p.Life = 0.95f;
    EXPECT_EQ(k.UpdateParticle(0, p, 0.01f, 0, 0, 0), 1);
    EXPECT_GT(p.FadeRate, 0.0f);
    EXPECT_LT(p.Life, 1.0f);

    // With a long hold the particle holds at full life first.
    CVortexKeeper holding;
    holding.SetAppearance(0xFFFFFFFF, 32, 32, 20, 10.0f, 1.0f, 2.0f, 256);
    CCollectedParticle2 q;
    holding.InitParticle(0, q, 0, 0, 0);
    q.Life = 0.95f;
    holding.UpdateParticle(0, q, 0.01f, 0, 0, 0);
    EXPECT_EQ(q.FadeRate, 0.0f);
    EXPECT_EQ(q.Life, 1.0f);
    // ... and ends once it has faded out.
    int updates = 0;
    while (holding.UpdateParticle(0, q, 0.1f, 0, 0, 0) && updates < 100)
        ++updates;
    EXPECT_LT(updates, 100);
    EXPECT_EQ(q.Life, 0.0f);
}

TEST_F(KeeperTest, WithoutWhirlParticlesKeepTheirVelocity) {
    CVortexKeeper k;
    k.WhirlOn = 0;
    CCollectedParticle2 p;
    k.InitParticle(0, p, 0, 0, 0);
    const CVector3 v = p.Velocity;
    for (int i = 0; i < 10; ++i)
        k.UpdateParticle(0, p, 0.02f, 0, 0, 0);
    EXPECT_EQ(p.Velocity.X, v.X);
    EXPECT_EQ(p.Velocity.Y, v.Y);
    // A step of no time changes nothing at all.
    const CVector3 at = p.Position;
    k.UpdateParticle(0, p, 0.0f, 0, 0, 0);
    EXPECT_EQ(p.Position.X, at.X);
}

TEST_F(KeeperTest, WhirlSteersOnlyInsideTheOuterRadius) {
    CVortexKeeper k;
    CCollectedParticle2 p = ParticleAt(100.0f, 0.0f, 0.0f);
    p.Velocity = {-200.0f, 0.0f, 0.0f};
    p.FadeRate = 0.0f;
    p.User0 = 100.0f;  // a long hold
    // Outside (100 .. 60): straight.
    k.UpdateParticle(0, p, 0.1f, 0, 0, 0);
    k.UpdateParticle(0, p, 0.1f, 0, 0, 0);
    EXPECT_EQ(p.Velocity.Y, 0.0f);
    EXPECT_NEAR(p.Position.X, 60.0f, 1e-3f);
    k.UpdateParticle(0, p, 0.1f, 0, 0, 0); // reaches x = 40
    k.UpdateParticle(0, p, 0.01f, 0, 0, 0); // on the radius: not inside yet
    EXPECT_EQ(p.Velocity.Y, 0.0f);
    k.UpdateParticle(0, p, 0.01f, 0, 0, 0); // inside: turned anticlockwise
    EXPECT_GT(p.Velocity.Y, 0.0f);
    EXPECT_GT(p.Velocity.X, -200.0f);
}

} // namespace
