// The sand keepers: the burst thrown by a removed token, the dust that trails
// it, and the grains and dust blown off the quest box's sand.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "KeeperTestSupport.h"
#include "effects/DuneBox.h"
#include "effects/SandKeepers.h"
#include "effects/Sandbox.h"

using keepertest::AddKeeperSystem;
using keepertest::LiveParticles;
using keepertest::MakeManager;

namespace {

class SandKeeperTest : public keepertest::SeededTest {};

CCollectedParticle2 Grain(float x, float y, float height) {
    CCollectedParticle2 p;
    p.Init(0xA09050, x, y, 0.0f, 5, 1.0f, 10.0f, height, 0.0f);
    return p;
}

// ------------------------------------------------------------ sand burst

TEST_F(SandKeeperTest, WithoutRateOnlyTheBurstIsThrown) {
    CSandKeeper k;
    k.Rate = 0.0f;
    EXPECT_EQ(k.GetEmitCount(0.1f), 8);
    CCollectedParticle2 p;
    for (int i = 0; i < 8; ++i)
        k.InitParticle(i, p, 0, 0, 0);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(k.GetEmitCount(1.0f), 0);

    CSandKeeper streaming;
    CCollectedParticle2 q;
    streaming.GetEmitCount(0.0f);
    for (int i = 0; i < 8; ++i)
        streaming.InitParticle(i, q, 0, 0, 0);
    EXPECT_EQ(streaming.GetEmitCount(0.1f), 4);
}

TEST_F(SandKeeperTest, BurstGrainsFlyFromTheOriginInTheScreenPlane) {
    CSandKeeper k;
    k.SetOrigin(10, 20, 30, 0);
    std::set<int32_t> cells;
    for (int i = 0; i < 200; ++i) {
        CCollectedParticle2 p;
        k.InitParticle(i, p, 0, 0, 0);
        ASSERT_EQ(p.Alive, 1);
        EXPECT_EQ(p.Position.Z, 30.0f);
        EXPECT_EQ(p.Velocity.Z, 0.0f);
        const float speed = p.Velocity.Length();
        EXPECT_GE(speed, 12.5f - 1e-3f);
        EXPECT_LE(speed, 37.5f + 1e-3f);
        EXPECT_EQ(p.Life, 1.0f);
        EXPECT_FLOAT_EQ(p.Uv[2].U - p.Uv[0].U, 0.25f);
        EXPECT_FLOAT_EQ(p.Uv[0].U, 0.25f * (p.Frame % 4));
        EXPECT_FLOAT_EQ(p.Uv[0].V, 0.25f * (p.Frame / 4));
        cells.insert(p.Frame);
    }
    EXPECT_EQ(cells.size(), 16u);
}

TEST_F(SandKeeperTest, GrainsSinkIntoTheFloor) {
    CSandKeeper k;
    k.Gravity = 0.0f;
    k.Floor = 0.0f;
    // Bottom exactly on the floor: not cut.
    CCollectedParticle2 resting = Grain(0, 5, 10);
    const float v2 = resting.Uv[2].V;
    EXPECT_EQ(k.UpdateParticle(0, resting, 0.01f, 0, 0, 0), 1);
    EXPECT_EQ(resting.Uv[2].V, v2);
    EXPECT_EQ(resting.Corners[2].T, -0.5f);

    // Half under the floor: the lower half is cut off.
    CCollectedParticle2 half = Grain(0, 0, 10);
    EXPECT_EQ(k.UpdateParticle(0, half, 0.01f, 0, 0, 0), 1);
    EXPECT_FLOAT_EQ(half.Uv[2].V, half.Uv[1].V + 0.125f);
    EXPECT_FLOAT_EQ(half.Uv[3].V, half.Uv[0].V + 0.125f);
    EXPECT_FLOAT_EQ(half.Corners[2].T, 0.0f);
    EXPECT_FLOAT_EQ(half.Corners[3].T, 0.0f);

    // Top exactly at the floor: cut to nothing but alive, gone at the next step.
    CCollectedParticle2 sunk = Grain(0, -5, 10);
    EXPECT_EQ(k.UpdateParticle(0, sunk, 0.01f, 0, 0, 0), 1);
    EXPECT_FLOAT_EQ(sunk.Corners[2].T, 0.5f);
    sunk.Velocity.Y = -1.0f;
    EXPECT_EQ(k.UpdateParticle(0, sunk, 0.01f, 0, 0, 0), 0);
}

TEST_F(SandKeeperTest, FallSpeedIsLimited) {
    CSandKeeper k;
    k.FallSpeedLimit = 50.0f;
    CCollectedParticle2 p = Grain(0, 1000, 10);
    k.UpdateParticle(0, p, 0.5f, 0, 0, 0);
    EXPECT_EQ(p.Velocity.Y, -50.0f);
    EXPECT_FLOAT_EQ(p.Position.Y, 750.0f);  // moved with the unlimited speed first
}

// ------------------------------------------------------------ dust track

TEST_F(SandKeeperTest, DustTrailsTheLiveGrainsOfItsBurst) {
    auto manager = MakeManager();
    CSharedPtr<CSandKeeper> burst(new CSandKeeper());
    burst->Rate = 0.0f;
    burst->Floor = -10000.0f;
    auto burstSystem = AddKeeperSystem(*manager, burst, 40, 0.0f, 100.0f, 0.0f);
    manager->Update(0.01f);
    ASSERT_EQ(LiveParticles(burstSystem), 8);

    CDustTrackKeeper dust(*burst, burstSystem);
    EXPECT_EQ(dust.Colour, burst->Colour);
    EXPECT_FLOAT_EQ(dust.Size, 76.0f);
    EXPECT_FLOAT_EQ(dust.FloorOffset, -0.15f * 76.0f);
    EXPECT_EQ(dust.SetOrigin(0, 0, 0, 0.01f), 1);
    EXPECT_EQ(dust.LiveGrains, 8);
    EXPECT_EQ(dust.GetEmitCount(0.0f), 0);
    EXPECT_EQ(dust.GetEmitCount(4.0f), 8);  // 0.25 per grain per second

    std::set<float> starts;
    for (int i = 0; i < 40; ++i) {
        CCollectedParticle2 puff;
        dust.InitParticle(i, puff, 0, 0, 0);
        ASSERT_EQ(puff.Alive, 1);
        EXPECT_EQ(puff.Life, 0.0f);
        EXPECT_EQ(puff.FadeRate, -2.5f);
        starts.insert(puff.Position.X);
        bool onAGrain = false;
        for (const auto& g : keepertest::AsCollection(burstSystem).Pool)
            onAGrain |= g.Alive && g.Position.X == puff.Position.X && g.Position.Y == puff.Position.Y;
        EXPECT_TRUE(onAGrain);
    }
    EXPECT_GT(starts.size(), 1u);

    // Once the burst no longer emits and its grains are gone, the dust ends.
    burstSystem->EndEmission();
    for (auto& g : keepertest::AsCollection(burstSystem).Pool)
        g.Alive = 0;
    manager->Update(0.01f);
    EXPECT_EQ(dust.SetOrigin(0, 0, 0, 0.01f), 0);
    EXPECT_EQ(dust.GetEmitCount(1.0f), 0);

    CDustTrackKeeper orphan(*burst, CSharedPtr<CParticleSystem>());
    EXPECT_EQ(orphan.SetOrigin(0, 0, 0, 0.01f), 0);
    CCollectedParticle2 none;
    orphan.InitParticle(0, none, 0, 0, 0);
    EXPECT_EQ(none.Alive, 0);
}

TEST_F(SandKeeperTest, DustPuffsFadeSlowDownGrowAndStayAboveTheFloor) {
    CSandKeeper source;
    source.Floor = 0.0f;
    CDustTrackKeeper dust(source, CSharedPtr<CParticleSystem>());
    CCollectedParticle2 p = Grain(0, -20, 20);
    p.Life = 0.0f;
    p.FadeRate = -2.5f;
    p.User0 = 10.0f;
    p.Velocity = {100.0f, 0.0f, 0.0f};
    EXPECT_EQ(dust.UpdateParticle(0, p, 0.0f, 0, 0, 0), 1);
    EXPECT_EQ(p.Life, 0.0f);
    EXPECT_EQ(dust.UpdateParticle(0, p, 0.2f, 0, 0, 0), 1);
    EXPECT_FLOAT_EQ(p.Life, 0.5f);
    EXPECT_FLOAT_EQ(p.Velocity.X, 85.0f);
    // Lifted so that its lowest point is at floor + offset, then grown.
    EXPECT_FLOAT_EQ(p.Position.Y, -0.15f * 76.0f + 10.0f);
    EXPECT_FLOAT_EQ(p.Height, 21.8f);
    int updates = 1;
    while (dust.UpdateParticle(0, p, 0.1f, 0, 0, 0) && updates < 100)
        ++updates;
    EXPECT_GT(p.FadeRate, 0.0f);
    EXPECT_LT(updates, 40);
}

// ----------------------------------------------------------- dune keepers

class DuneKeeperTest : public keepertest::SeededTest {
protected:
    // A box of 11 columns, 100 wide and 200 high, its top-left corner at (0, 100).
    void SetUp() override {
        keepertest::SeededTest::SetUp();
        sandbox = CSharedPtr<CSandbox>(new CSandbox());
        sandbox->SetColumns(11);
        box.X = 0.0f;
        box.Y = 100.0f;
        box.Width = 100.0f;
        box.Height = 200.0f;
    }
    // Surface points from the display heights (0..1 of the box height).
    void SetHeights(const std::vector<double>& heights) {
        sandbox->Profile = heights;
        sandbox->DisplayProfile = heights;
        sandbox->MeanLevel = sandbox->GetMeanLevel();
        surface.clear();
        for (size_t i = 0; i < heights.size(); ++i)
            surface.push_back({10.0f * i, -100.0f + 200.0f * static_cast<float>(heights[i]), 0.0f});
    }

    CSharedPtr<CSandbox> sandbox;
    CDuneBox box;
    std::vector<CVector3> surface;
};

TEST_F(DuneKeeperTest, FlatSandHasNoPeaksAndOnlyDrainsAlongThePath) {
    CDuneSandFlyOut k;
    k.Setup(sandbox, &box, CSplinePath(), &surface, 5, 20, 32, 500);
    SetHeights(std::vector<double>(11, 0.5));
    k.SetOrigin(0, 100, 0, 0.1f);
    EXPECT_EQ(k.Peaks, 0);
    EXPECT_EQ(k.GetEmitCount(0.1f), 0);
    sandbox->Running = 1;
    EXPECT_EQ(k.GetEmitCount(0.1f), 4);  // 40 per second, only while draining
    EXPECT_EQ(k.PeakPending, 0);
    CCollectedParticle2 p;
    k.InitParticle(3, p, 0, 0, 0);
    EXPECT_EQ(p.Position.X, surface[0].X);
    EXPECT_EQ(p.Position.Y, surface[0].Y);
    EXPECT_EQ(p.Velocity.Y, 32.0f);
    EXPECT_EQ(k.PathState(3), 0);
}

TEST_F(DuneKeeperTest, PeakGrainsStartAtThePeaks) {
    CDuneSandFlyOut k;
    k.Setup(sandbox, &box, CSplinePath(), &surface, 5, 20, 32, 500);
    SetHeights({0.1, 0.1, 0.1, 0.4, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1});
    k.SetOrigin(0, 0, 0, 0);
    ASSERT_EQ(k.Peaks, 1);
    ASSERT_EQ(k.GetEmitCount(0.25f), 10);
    for (int i = 0; i < 10; ++i) {
        CCollectedParticle2 p;
        k.InitParticle(i, p, 0, 0, 0);
        EXPECT_EQ(p.Position.X, surface[3].X);
        EXPECT_EQ(p.Position.Y, surface[3].Y);
        EXPECT_LT(p.Velocity.X, 0.0f);
        EXPECT_EQ(p.FadeRate, -10.0f);
    }

    SetHeights({0.1, 0.3, 0.1, 0.4, 0.1, 0.5, 0.5, 0.1, 0.2, 0.1, 0.1});
    k.SetOrigin(0, 0, 0, 0);
    ASSERT_EQ(k.Peaks, 4);
    std::set<float> used;
    for (int i = 0; i < 200; ++i) {
        k.PeakPending = 1;
        CCollectedParticle2 p;
        k.InitParticle(i, p, 0, 0, 0);
        used.insert(p.Position.X);
    }
    EXPECT_EQ(used, (std::set<float>{10.0f, 30.0f, 50.0f, 80.0f}));
}

TEST_F(DuneKeeperTest, EmptyOrDisabledBoxEmitsNothing) {
    CDuneSandFlyOut flyOut;
    flyOut.Setup(sandbox, &box, CSplinePath(), &surface, 5, 20, 32, 500);
    CDuneDustKeeper dust;
    dust.Setup(sandbox, &box, &surface, 80, 40, 512, 256);
    SetHeights(std::vector<double>(11, 0.0));
    sandbox->Running = 1;
    flyOut.SetOrigin(0, 0, 0, 0);
    dust.SetOrigin(0, 0, 0, 0);
    EXPECT_EQ(flyOut.GetEmitCount(1.0f), 0);
    EXPECT_EQ(dust.GetEmitCount(1.0f), 0);

    SetHeights({0.1, 0.3, 0.1, 0.4, 0.1, 0.5, 0.5, 0.1, 0.2, 0.1, 0.1});
    flyOut.Enabled = 0;
    dust.Enabled = 0;
    flyOut.SetOrigin(0, 0, 0, 0);
    dust.SetOrigin(0, 0, 0, 0);
    EXPECT_EQ(flyOut.GetEmitCount(1.0f), 0);
    EXPECT_EQ(dust.GetEmitCount(1.0f), 0);
    flyOut.Enabled = 1;
    dust.Enabled = 1;
    EXPECT_GT(flyOut.GetEmitCount(1.0f), 0);
    EXPECT_GT(dust.GetEmitCount(1.0f), 0);
}

TEST_F(DuneKeeperTest, GrainFollowsThePathThenFlies) {
    CSplinePath path;
    path.SetSingleKey(0, 0, 0, 0, 40, 0, 0.2f);
    CDuneSandFlyOut k;
    k.Setup(sandbox, &box, path, &surface, 5, 20, 32, 500);
    SetHeights(std::vector<double>(11, 0.95));  // sand top at y = 90
    sandbox->Running = 1;
    k.SetOrigin(0, 0, 0, 0);
    k.GetEmitCount(0.05f);
    CCollectedParticle2 p;
    k.InitParticle(0, p, 0, 0, 0);
    ASSERT_EQ(p.Position.X, 0.0f);
    // Rising at the left wall until the box top, where the path takes over.
    int steps = 0;
    while (k.PathState(0) == 0 && steps < 1000) {
        ASSERT_EQ(k.UpdateParticle(0, p, 0.05f, 0, 0, 0), 1);
        ++steps;
    }
    ASSERT_EQ(k.PathState(0), 1);
    EXPECT_EQ(p.Position.Y, 100.0f);
    k.UpdateParticle(0, p, 0.1f, 0, 0, 0);
    EXPECT_NEAR(p.Position.Y, 120.0f, 1e-3f);
    k.UpdateParticle(0, p, 0.15f, 0, 0, 0);
    EXPECT_EQ(k.PathState(0), 2);
    EXPECT_NEAR(p.Position.Y, 140.0f, 1e-3f);
    EXPECT_LT(p.Velocity.X, 0.0f);
    const float vy = p.Velocity.Y;
    k.UpdateParticle(0, p, 0.1f, 0, 0, 0);
    EXPECT_FLOAT_EQ(p.Velocity.Y, vy - 2.0f);

    // Detached from the dune effect, grains end at once.
    k.Detach();
    EXPECT_EQ(k.UpdateParticle(0, p, 0.1f, 0, 0, 0), 0);
    EXPECT_EQ(k.GetEmitCount(1.0f), 0);
}

TEST_F(DuneKeeperTest, FreeGrainSettlesOnTheSand) {
    CDuneSandFlyOut k;
    k.Setup(sandbox, &box, CSplinePath(), &surface, 5, 20, 32, 500);
    SetHeights(std::vector<double>(11, 0.5));  // sand top at y = 0
    CCollectedParticle2 p = Grain(50, 20, 8);
    p.Life = 1.0f;
    p.FadeRate = 1.0f;
    p.Velocity = {0.0f, -100.0f, 0.0f};
    k.UpdateParticle(0, p, 0.1f, 0, 0, 0);  // y = 10: above the sand, pushed left
    EXPECT_LT(p.Velocity.X, 0.0f);
    k.UpdateParticle(0, p, 0.1f, 0, 0, 0);  // y = 0: settles
    EXPECT_EQ(p.Velocity.X, 0.0f);
    EXPECT_EQ(p.FadeRate, 10.0f);
}

TEST_F(DuneKeeperTest, DustBlowsFromColumnsThatDoNotRise) {
    CDuneDustKeeper k;
    k.Setup(sandbox, &box, &surface, 80, 40, 512, 256);
    EXPECT_EQ(k.Braking, 80.0f);
    SetHeights({0.5, 0.5, 0.6, 0.4, 0.3, 0.0, 0.0, 0.0, 0.0, 0.2, 0.1});
    k.SetOrigin(0, 0, 0, 0);
    // Columns 0, 2, 3, 4 and 9 (rising or bare columns do not blow).
    EXPECT_EQ(k.Sources, 5);
    EXPECT_EQ(k.GetEmitCount(0.5f), 20);  // 80 x 0.5 x 5 / 10
    std::set<int> columns;
    for (int i = 0; i < 200; ++i) {
        CCollectedParticle2 p;
        k.InitParticle(i, p, 0, 0, 0);
        ASSERT_EQ(p.Alive, 1);
        EXPECT_LE(p.Velocity.X, -40.0f);
        EXPECT_GE(p.Velocity.X, -120.0f);
        EXPECT_FLOAT_EQ(p.Position.Z, 1.0f);
        columns.insert(static_cast<int>(p.Position.X / 10.0f));
    }
    EXPECT_EQ(columns, (std::set<int>{0, 2, 3, 4, 9}));
}

TEST_F(DuneKeeperTest, DustIsHeldAtTheLeftWallAndFadesFast) {
    CDuneDustKeeper k;
    k.Setup(sandbox, &box, &surface, 80, 40, 512, 256);
    SetHeights(std::vector<double>(11, 0.5));
    CCollectedParticle2 p = Grain(5, 0, 8);
    p.Life = 1.0f;
    p.FadeRate = 1.0f;
    p.Velocity = {-100.0f, 0.0f, 0.0f};
    EXPECT_EQ(k.UpdateParticle(0, p, 0.1f, 0, 0, 0), 1);
    EXPECT_EQ(p.Position.X, 0.0f);
    EXPECT_EQ(p.Position.Y, 0.0f);  // riding on the sand
    EXPECT_EQ(p.FadeRate, 10.0f);
    EXPECT_FLOAT_EQ(p.Life, 0.9f);
    EXPECT_EQ(k.UpdateParticle(0, p, 0.05f, 0, 0, 0), 1);
    EXPECT_NEAR(p.Life, 0.4f, 1e-5f);
    EXPECT_EQ(k.UpdateParticle(0, p, 0.05f, 0, 0, 0), 0);
}

} // namespace
