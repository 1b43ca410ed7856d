// The quest field's sand box on screen: geometry, landing times of thrown
// sand, the two render passes on the recording back end, the fade, the frenzy
// bar and the particle systems it keeps.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "KeeperTestSupport.h"
#include "effects/DuneEffect.h"
#include "effects/SandKeepers.h"
#include "effects/Sandbox.h"
#include "engine/draw/DrawFixture.h"
#include "playfield/QuestFieldLayout.h"

using keepertest::AsCollection;

namespace {

class DuneTest : public drawtest::DrawFixture {
protected:
    // 11 columns in a box 100 wide and 200 high, its top-left corner at (0, 100, 5).
    void SetUp() override {
        DrawFixture::SetUp();
        Rand15::Global().Seed(777);
        sandbox = CSharedPtr<CSandbox>(new CSandbox());
        sandbox->SetColumns(11);
        dune = CSharedPtr<CDuneEffect>(new CDuneEffect());
        dune->SetSandbox(sandbox);
        dune->SetBox(0.0f, 100.0f, 5.0f, 100.0f, 200.0f);
        surfaceTex = MakeTexture("Sandbox");
        glassTex = MakeTexture("SandboxGlass");
        frontTex = MakeTexture("SandboxFront");
        barTex = MakeTexture("ScoreFrenzyStar");
        dune->SetTextures(surfaceTex, CSharedPtr<CTexture>(), CSharedPtr<CTexture>(), frontTex,
                          glassTex, barTex);
    }
    void TearDown() override {
        dune = CSharedPtr<CDuneEffect>();
        manager = CSharedPtr<CParticleSystemsManager>();
        sandbox = CSharedPtr<CSandbox>();
        surfaceTex = glassTex = frontTex = barTex = CSharedPtr<CTexture>();
        DrawFixture::TearDown();
    }

    void ShowHeights(double h) {
        std::fill(sandbox->Profile.begin(), sandbox->Profile.end(), h);
        std::fill(sandbox->DisplayProfile.begin(), sandbox->DisplayProfile.end(), h);
        sandbox->MeanLevel = h;
        dune->UpdateSurface();
    }

    void Render(bool sand) {
        BeginFrame();
        device->SetRenderState(gpu::Rs::ZWriteEnable, 0);
        if (sand)
            dune->RenderSand(device, vb, ib);
        else
            dune->RenderBox(device, vb, ib);
        EndFrame();
    }

    static uint32_t Alpha(const gpu::Vertex& v) { return v.diffuse >> 24; }

    testsupport::CapturedLog log;
    CSharedPtr<CSandbox> sandbox;
    CSharedPtr<CDuneEffect> dune;
    CSharedPtr<CParticleSystemsManager> manager;
    CSharedPtr<CTexture> surfaceTex, glassTex, frontTex, barTex;
};

TEST_F(DuneTest, BoxSpacesTheColumnsAcrossItsWidth) {
    const CDuneBox& box = dune->Box();
    ASSERT_EQ(box.BasePoints.size(), 11u);
    EXPECT_FLOAT_EQ(box.BasePoints[4].X, 40.0f);
    EXPECT_FLOAT_EQ(box.BasePoints[10].X, 100.0f);
    EXPECT_FLOAT_EQ(box.BasePoints[4].Y, -100.0f);
    EXPECT_FLOAT_EQ(box.ColumnVectors[4].Y, 200.0f);
    EXPECT_FLOAT_EQ(box.BaseTexCoords[4].U, 1.0f);
    EXPECT_FLOAT_EQ(box.BaseTexCoords[10].U, 2.5f);
    ShowHeights(0.25);
    EXPECT_FLOAT_EQ(dune->SurfacePoints()[7].Y, -50.0f);
    EXPECT_FLOAT_EQ(dune->SurfacePoints()[7].Z, 5.0f);
}

TEST_F(DuneTest, ThrownSandLandsWhenItReachesTheBoxBottom) {
    struct Case {
        float x, y, offset, hSpeed, up, vmax, gravity, time, column;
    } cases[] = {
        {50, -120, 0, 0, 0, 10000, 1000, 0.0f, 5.0f},            // below the bottom: at once
        {20, 5, 0, 0, 0, 100, 1000, 1.1f, 2.0f},                 // reaches the speed limit
        {20, 5, 0, 0, 0, 10000, 1000, 0.4582576f, 2.0f},         // lands before it
        {20, 5, 0, 0, 50, 100, 1000, 1.1625f, 2.0f},             // thrown upward first
        {20, 5, 0, 10, 0, 100, 1000, 1.1f, 3.1f},                // drifting sideways
        {20, 5, 5, 0, 0, 100, 1000, 1.05f, 2.0f},                // its lowest point is lower
        {20, 5, 0, 0, 0, 100, 0, 0.0f, 2.0f},                    // no gravity: at once
    };
    for (const Case& c : cases) {
        sandbox->Grains.clear();
        dune->DropSand(0.01f, c.x, c.y, 0.0f, c.offset, c.hSpeed, c.up, c.vmax, c.gravity);
        ASSERT_EQ(sandbox->Grains.size(), 1u);
        EXPECT_NEAR(sandbox->Grains[0].TimeLeft, c.time, 1e-4f) << c.y << " " << c.vmax;
        EXPECT_NEAR(sandbox->Grains[0].Column, c.column, 1e-4f);
        EXPECT_EQ(sandbox->Grains[0].Amount, 0.01f);
    }
    CDuneEffect lonely;
    lonely.DropSand(0.01f, 0, 0, 0, 0, 0, 0, 100, 1000);  // no sandbox: nothing to feed
}

TEST_F(DuneTest, SandIsOneStripOverTheColumns) {
    dune->Create(1, 0.0f);
    ShowHeights(0.5);
    Render(true);
    ASSERT_EQ(rec->Draws().size(), 1u);
    const gpu::DrawRecord& d = rec->Draws()[0];
    EXPECT_EQ(d.type, gpu::Prim::TriangleStrip);
    EXPECT_EQ(d.primCount, 20u);
    EXPECT_EQ(d.indices.size(), 22u);
    EXPECT_EQ(d.state.textures[0], surfaceTex->GetTexture());
    // Fully shown: no blending, alpha test at 1, depth written during the draw.
    EXPECT_EQ(d.state.renderStates[gpu::Rs::AlphaBlendEnable], 0u);
    EXPECT_EQ(d.state.renderStates[gpu::Rs::AlphaTestEnable], 1u);
    EXPECT_EQ(d.state.renderStates[gpu::Rs::AlphaRef], 1u);
    EXPECT_EQ(d.state.renderStates[gpu::Rs::CullMode], gpu::Cull::None);
    EXPECT_EQ(d.state.renderStates[gpu::Rs::ZWriteEnable], 1u);
    EXPECT_EQ(d.state.stageStates[0][gpu::Tss::ColorOp], gpu::Top::Modulate);
    EXPECT_EQ(d.state.stageStates[1][gpu::Tss::ColorOp], gpu::Top::Disable);
    EXPECT_EQ(device->GetCachedRenderState(gpu::Rs::ZWriteEnable), 0u);

    const gpu::Vertex base = d.IndexedVertex(8);
    const gpu::Vertex top = d.IndexedVertex(9);
    EXPECT_FLOAT_EQ(base.x, 40.0f);
    EXPECT_FLOAT_EQ(base.y, -100.0f);
    EXPECT_FLOAT_EQ(top.y, 0.0f);
    EXPECT_FLOAT_EQ(base.u0, 1.0f);
    // Upper half of the texture in normal play.
    EXPECT_FLOAT_EQ(base.v0, 0.5f);
    EXPECT_FLOAT_EQ(top.v0, 0.25f);
    EXPECT_EQ(base.diffuse, 0xFFFFFFFFu);
}

TEST_F(DuneTest, FrenzySandUsesTheLowerHalfOfTheTexture) {
    dune->Create(1, 0.0f);
    dune->SetActive(1, 0.2);
    Render(true);
    ASSERT_EQ(rec->Draws().size(), 1u);
    const gpu::DrawRecord& d = rec->Draws()[0];
    EXPECT_FLOAT_EQ(d.IndexedVertex(0).v0, 1.0f);
    EXPECT_FLOAT_EQ(d.IndexedVertex(1).v0, 0.5f);
    EXPECT_FLOAT_EQ(d.IndexedVertex(1).y, 100.0f);
}

TEST_F(DuneTest, FadingSandIsBlended) {
    dune->Create(1, 2.0f);
    EXPECT_FALSE(dune->IsShown());
    dune->Update(0.25f);
    EXPECT_TRUE(dune->IsShown());
    EXPECT_FLOAT_EQ(dune->FadeLevel, 0.5f);
    ShowHeights(0.5);
    Render(true);
    ASSERT_EQ(rec->Draws().size(), 1u);
    const gpu::DrawRecord& d = rec->Draws()[0];
    EXPECT_EQ(d.state.renderStates[gpu::Rs::AlphaBlendEnable], 1u);
    EXPECT_EQ(d.state.renderStates[gpu::Rs::SrcBlend], gpu::Blend::SrcAlpha);
    EXPECT_EQ(d.state.renderStates[gpu::Rs::DestBlend], gpu::Blend::InvSrcAlpha);
    EXPECT_EQ(Alpha(d.IndexedVertex(0)), 127u);

    dune->Update(0.5f);
    EXPECT_EQ(dune->FadeLevel, 1.0f);
    EXPECT_EQ(dune->FadeSpeed, 0.0f);
    dune->Create(0, 4.0f);
    dune->Update(0.1f);
    EXPECT_NEAR(dune->FadeLevel, 0.6f, 1e-6f);
    EXPECT_TRUE(dune->IsShown());
    dune->Update(0.2f);
    EXPECT_EQ(dune->FadeLevel, 0.0f);
    EXPECT_FALSE(dune->IsShown());
}

TEST_F(DuneTest, FrontPanelIsGlassThenFront) {
    dune->Create(1, 0.0f);
    dune->FadeLevel = 0.5f;
    dune->BarAlpha = 0.0f;
    Render(false);
    ASSERT_EQ(rec->Draws().size(), 2u);
    const gpu::DrawRecord& glass = rec->Draws()[0];
    const gpu::DrawRecord& front = rec->Draws()[1];
    EXPECT_EQ(glass.type, gpu::Prim::TriangleList);
    EXPECT_EQ(glass.primCount, 6u);
    EXPECT_EQ(glass.state.textures[0], glassTex->GetTexture());
    EXPECT_EQ(front.state.textures[0], frontTex->GetTexture());
    EXPECT_EQ(glass.state.renderStates[gpu::Rs::AlphaBlendEnable], 1u);
    EXPECT_EQ(glass.state.renderStates[gpu::Rs::ZWriteEnable], 1u);
    EXPECT_EQ(device->GetCachedRenderState(gpu::Rs::ZWriteEnable), 0u);

    // First quad: 242 x 42 from (box x - 9, box y + 4).
    const gpu::Vertex tl = glass.IndexedVertex(0);
    const gpu::Vertex br = glass.IndexedVertex(2);
    EXPECT_FLOAT_EQ(tl.x, -9.0f);
    EXPECT_FLOAT_EQ(tl.y, 104.0f);
    EXPECT_FLOAT_EQ(br.x, 233.0f);
    EXPECT_FLOAT_EQ(br.y, 62.0f);
    EXPECT_FLOAT_EQ(br.u0, 0.9453125f);
    EXPECT_FLOAT_EQ(br.v0, 0.328125f);
    EXPECT_EQ(tl.diffuse, (127u << 24) | 0x6CC8F7u);
    // The third quad ends 658 units from the panel's left edge.
    EXPECT_FLOAT_EQ(front.IndexedVertex(14).x, 649.0f);
    EXPECT_EQ(front.IndexedVertex(0).diffuse, (127u << 24) | 0xFFFFFFu);
}

TEST_F(DuneTest, HalfFullBarShowsNineElementsAndAHalfLitTenth) {
    dune->Create(1, 0.0f);
    dune->SetActive(1, 0.5);
    Render(false);
    ASSERT_EQ(rec->Draws().size(), 3u);
    const gpu::DrawRecord& bar = rec->Draws()[2];
    EXPECT_EQ(bar.state.textures[0], barTex->GetTexture());
    EXPECT_EQ(bar.state.renderStates[gpu::Rs::DestBlend], gpu::Blend::One);
    EXPECT_EQ(bar.primCount, 4u);
    const gpu::Vertex element = bar.IndexedVertex(0);
    EXPECT_FLOAT_EQ(element.x, 14.0f + 9 * 32.0f);
    EXPECT_FLOAT_EQ(element.y, 102.0f);
    EXPECT_FLOAT_EQ(bar.IndexedVertex(2).y, 70.0f);
    EXPECT_EQ(element.diffuse, (127u << 24) | 0x01DDFFu);
    const gpu::Vertex runStart = bar.IndexedVertex(6);
    const gpu::Vertex runEnd = bar.IndexedVertex(7);
    EXPECT_FLOAT_EQ(runStart.x, 14.0f);
    EXPECT_FLOAT_EQ(runEnd.x, 14.0f + 9 * 32.0f);
    EXPECT_FLOAT_EQ(runEnd.u0, 9.0f);
    EXPECT_EQ(Alpha(runStart), 255u);
}

TEST_F(DuneTest, FullBarLightsTheLastElementNextToTheRun) {
    dune->Create(1, 0.0f);
    dune->SetActive(1, 1.0);
    Render(false);
    ASSERT_EQ(rec->Draws().size(), 3u);
    const gpu::DrawRecord& bar = rec->Draws()[2];
    EXPECT_FLOAT_EQ(bar.IndexedVertex(0).x, 14.0f + 18 * 32.0f);
    EXPECT_EQ(Alpha(bar.IndexedVertex(0)), 255u);
    EXPECT_FLOAT_EQ(bar.IndexedVertex(7).u0, 18.0f);

    // Below one element's worth only the element being filled is drawn.
    dune->SetActive(1, 0.02);
    Render(false);
    ASSERT_EQ(rec->Draws().size(), 3u);
    EXPECT_EQ(rec->Draws()[2].primCount, 2u);
    EXPECT_EQ(Alpha(rec->Draws()[2].IndexedVertex(0)), 96u);
}

TEST_F(DuneTest, BarFadesOutAfterTheFrenzy) {
    dune->Create(1, 0.0f);
    dune->SetActive(1, 0.3);
    dune->Update(0.1f);
    EXPECT_EQ(dune->BarAlpha, 1.0f);
    dune->SetActive(0, 0.0);
    EXPECT_EQ(sandbox->Mode, CSandbox::kNormal);
    EXPECT_DOUBLE_EQ(sandbox->FrenzyProgress, 0.3);
    dune->Update(0.1f);
    EXPECT_NEAR(dune->BarAlpha, 0.6f, 1e-6f);
    dune->Update(0.2f);
    EXPECT_EQ(dune->BarAlpha, 0.0f);
}

TEST_F(DuneTest, ShowingBuildsTheTwoSystemsOnce) {
    manager = keepertest::MakeManager();
    dune->SetManager(manager);
    ShowHeights(0.5);
    dune->Create(1, 0.0f);
    dune->Create(1, 0.0f);
    ASSERT_EQ(manager->BlendedSystems().size(), 2u);
    CCollection2ParticleSystem& flyOut = AsCollection(dune->FlyOutSystem);
    CCollection2ParticleSystem& dust = AsCollection(dune->DustSystem);
    EXPECT_EQ(flyOut.Capacity, 320);
    EXPECT_EQ(flyOut.KeeperEmission, 1);
    EXPECT_EQ(flyOut.DestBlend, gpu::Blend::InvSrcAlpha);
    EXPECT_FLOAT_EQ(flyOut.EmissionDuration, 100000000.0f);
    EXPECT_FLOAT_EQ(dust.AlphaScale, 0.5f);
    EXPECT_EQ(dune->DustKeeper->Speed, 40.0f);
    EXPECT_EQ(dune->DustKeeper->Size, 10.0f);

    // Frenzy pauses both keepers.
    dune->SetActive(1, 0.0);
    EXPECT_EQ(dune->FlyOutKeeper->Enabled, 0);
    EXPECT_EQ(dune->DustKeeper->Enabled, 0);
    dune->SetActive(0, 0.0);
    EXPECT_EQ(dune->FlyOutKeeper->Enabled, 1);

    // Hiding lets the systems run out.
    ShowHeights(0.5);
    sandbox->Running = 1;
    for (int i = 0; i < 10; ++i)
        manager->Update(0.05f);
    dune->Create(0, 0.0f);
    EXPECT_TRUE(dune->FlyOutSystem.IsNull());
    EXPECT_TRUE(dune->DustKeeper.IsNull());
    EXPECT_FALSE(dune->IsShown());
    for (int i = 0; i < 200 && !manager->BlendedSystems().empty(); ++i)
        manager->Update(0.05f);
    EXPECT_TRUE(manager->BlendedSystems().empty());
}

TEST_F(DuneTest, DestroyedDuneLeavesNoKeeperLookingAtIt) {
    manager = keepertest::MakeManager();
    dune->SetManager(manager);
    ShowHeights(0.6);
    sandbox->Running = 1;
    dune->Create(1, 0.0f);
    for (int i = 0; i < 10; ++i)
        manager->Update(0.05f);
    ASSERT_GT(keepertest::LiveParticles(dune->FlyOutSystem), 0);
    dune = CSharedPtr<CDuneEffect>();
    manager->Update(0.05f);
    manager->Update(0.05f);
    EXPECT_TRUE(manager->BlendedSystems().empty());
}

TEST_F(DuneTest, LayoutValuesAreCopiedAndBadDivisorsReplaced) {
    CQuestFieldLayout layout;
    layout.SandPath.resize(2);
    layout.SandPath[0].End[1] = 10.0f;
    layout.SandPath[0].Duration = 0.5f;
    layout.SandPath[1].End[1] = 30.0f;
    layout.SandPath[1].Duration = 0.25f;
    layout.FrenzyBarPostTime = 0.0f;
    layout.FrenzyBarCount = -3;
    layout.DustSpeed = 60.0f;
    layout.FrenzyBarColour = 0xFF102030;
    dune->SetParameters(layout);
    EXPECT_EQ(dune->BarPostTime, 0.25f);
    EXPECT_EQ(dune->BarElementCount, 19);
    EXPECT_EQ(dune->DustSpeedCopy, 60.0f);
    EXPECT_EQ(dune->BarColour, 0x102030u);
    EXPECT_FLOAT_EQ(dune->FrontShift[1], 4.0f);
    EXPECT_EQ(dune->SandPath.GetKeyCount(), 2u);
    EXPECT_FLOAT_EQ(dune->SandPath.GetTotal(), 0.75f);
    float point[3];
    dune->SandPath.GetPoint(point, 0.75f);
    EXPECT_FLOAT_EQ(point[1], 30.0f);
    const std::string text = log.Text();
    EXPECT_NE(text.find("SandboxFrenzyBarPostTime"), std::string::npos);
    EXPECT_NE(text.find("SandboxFrenzyBarCount"), std::string::npos);
}

} // namespace
