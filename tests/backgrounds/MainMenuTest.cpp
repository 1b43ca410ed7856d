// The main-menu backdrop's geometry and animation, and the checks on the
// configuration values that size arrays or divide.
#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <utility>

#include "BackdropFixture.h"
#include "engine/ObjectLog.h"

using bgtest::BackdropFixture;

TEST_F(BackdropFixture, MainMenuGeometryFollowsTheDefaults) {
    RegisterTextures();
    MakeManager();
    const CMainMenuBackground& m = manager->MainMenu();
    ASSERT_EQ(m.Vertices.size(), 36u);
    ASSERT_EQ(m.Indices.size(), 54u);
    const gpu::Vertex& v0 = m.Vertices[0];
    const gpu::Vertex& v2 = m.Vertices[2];
    EXPECT_FLOAT_EQ(v0.x, -250.5f);
    EXPECT_FLOAT_EQ(v0.y, 384.5f);
    EXPECT_FLOAT_EQ(v2.x, 511.5f);
    EXPECT_FLOAT_EQ(v2.y, 72.5f);
    EXPECT_FLOAT_EQ(v0.z, 998.0f);
    EXPECT_FLOAT_EQ(v0.v0, 0.76171875f);
    EXPECT_FLOAT_EQ(v2.v0, 0.96484375f);
    EXPECT_FLOAT_EQ(v2.u0, 0.5f);
    EXPECT_FLOAT_EQ(v0.u1, 0.0078125f);
    EXPECT_FLOAT_EQ(v2.v1, 0.8125f);
    const uint16_t quad1[6] = {4, 5, 6, 4, 6, 7};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(m.Indices[6 + i], quad1[i]);

    manager->SetBackground(CBackgroundsManager::kMainMenu);
    const CSpriteQuad& first = *m.ElementSprites[0];
    EXPECT_FLOAT_EQ(first.Position.X, -128.5f);
    EXPECT_FLOAT_EQ(first.Position.Y, 332.5f);
    EXPECT_FLOAT_EQ(first.Position.Z, 997.0f);
    EXPECT_EQ(m.ElementSprites[4]->Frames.size(), 8u) << "eyes: two frames";
    EXPECT_EQ(m.ElementSprites[5]->Frames.size(), 12u) << "lips: three frames";
    ASSERT_EQ(m.CellSprites.size(), 36u);
    EXPECT_NEAR(m.CellSprites[0]->Position.X, -472.8333f, 1e-3f);
    EXPECT_NEAR(m.CellSprites[0]->Position.Y, 324.8333f, 1e-3f);
    EXPECT_NEAR(m.CellSprites[0]->Width, 79.3333f, 1e-3f);
    EXPECT_TRUE(m.InShiftZone(-488.0f, 152.0f));
    EXPECT_TRUE(m.InShiftZone(-130.0f, 32.0f));
    EXPECT_FALSE(m.InShiftZone(-129.0f, 100.0f));
}

TEST_F(BackdropFixture, MainMenuAnimatesSkyLeavesFaceAndBranch) {
    RegisterTextures();
    // The branch only sways sideways, 8 units at 0.5 radians a second.
    MakeManager("[MainMenu]\nEyeProbability=0\nMapDisp=0 0\nFrontFoliageMove=8 0\n"
                "FrontFoliageMoveW=0.5 0\nFrontFoliageSqewW=0 0\nFrontFoliageRotW=0\n");
    manager->SetBackground(CBackgroundsManager::kMainMenu);
    CMainMenuBackground& m = manager->MainMenu();

    // The sky: -0.01 a second from 0 wraps to 0.99.
    m.SkyOffset = 0.0f;
    m.Update(1.0f);
    EXPECT_NEAR(m.SkyOffset, 0.99f, 1e-5f);
    EXPECT_NEAR(m.Vertices[1].u0, 0.5f + 0.99f, 1e-5f);

    // Leaves: none at 0.5 s, one on the third frame of 0.25 s.
    m.ReleaseState();
    m.Start();
    m.Update(0.25f);
    m.Update(0.25f);
    EXPECT_TRUE(m.Leaves.empty());
    m.Update(0.25f);
    ASSERT_EQ(m.Leaves.size(), 1u);
    EXPECT_GE(m.LeafTimer, 0.25f - 1e-5f);
    EXPECT_LE(m.LeafTimer, 0.35f + 1e-5f);
    // Its quad: a square of its side around the arc-shifted centre.
    CMainMenuLeaf& leaf = m.Leaves[0];
    leaf.X = leaf.Y = 0.0f;
    leaf.Angle = 0.0f;
    leaf.Side = 40.0f;
    leaf.ArcPhase = 0.0f;
    m.UpdateLeaves();
    EXPECT_NEAR(m.Vertices[4].x, -20.5f, 1e-4f);
    EXPECT_NEAR(m.Vertices[4].y, 20.5f - leaf.ArcDepth, 1e-4f);
    EXPECT_NEAR(m.Vertices[6].x, 19.5f, 1e-4f);
    // A leaf exactly at the bottom stays; one just below goes.
    leaf.VelocityY = 0.0f;
    leaf.Y = -384.0f;
    m.LeafTimer = 0.0f;
    m.Update(0.01f);
    EXPECT_EQ(m.Leaves.size(), 1u);
    m.Leaves[0].Y = -384.01f;
    m.Update(0.01f);
    EXPECT_TRUE(m.Leaves.empty());

    // No blinking at probability 0; a still map hangs straight.
    for (int i = 0; i < 50; ++i)
        m.Update(0.1f);
    EXPECT_EQ(m.ElementSprites[4]->CurrentFrame, 0);
    EXPECT_EQ(m.ElementSprites[5]->CurrentFrame, 0);
    EXPECT_FLOAT_EQ(m.ElementSprites[7]->Corners[2].U, 0.5f);
    EXPECT_FLOAT_EQ(m.ElementSprites[7]->Corners[2].V, -0.5f);

    // The branch bends aside while hovered: half way after 0.1 s, back after 0.1 s.
    m.Hover = 1;
    m.Update(0.1f);
    EXPECT_NEAR(m.ShiftAmount, 0.5f, 1e-5f);
    m.Hover = 0;
    m.Update(0.1f);
    EXPECT_FLOAT_EQ(m.ShiftAmount, 0.0f);

    // From rest the branch is fully out after a quarter of its swing (pi
    // seconds at 0.5 radians a second) and fully over the other way after
    // three quarters.
    std::fill(std::begin(m.FrontPhase), std::end(m.FrontPhase), 0.0f);
    ASSERT_FALSE(m.FrontSprite.IsNull());
    const float rest = m.FrontCentre[0] - 0.5f;
    const float pi = std::acos(-1.0f);
    for (const auto& [seconds, out] : {std::pair{pi, 8.0f}, {2 * pi, -8.0f}, {2 * pi, 8.0f}}) {
        for (int i = 0; i < 100; ++i)
            m.Update(seconds / 100.0f);
        EXPECT_NEAR(m.FrontSprite->Position.X - rest, out, 0.05f) << "after " << seconds << " s";
    }
}

TEST(MainMenuSwing, TheLowerEdgeHangsLikeCloth) {
    const float still[4] = {0, 0, 0, 0};
    const auto straight = CMainMenuBackground::SwingOf(still, 4.0f, 4.0f, 120.0f, 180.0f);
    EXPECT_FLOAT_EQ(straight.Dx, 0.0f);
    EXPECT_FLOAT_EQ(straight.Dy, -0.5f);
    // Sideways by ox, rising so that the sides keep their length.
    const float side[4] = {1.5707964f, 0, 0, 0};
    const auto swung = CMainMenuBackground::SwingOf(side, 30.0f, 0.0f, 120.0f, 180.0f);
    EXPECT_NEAR(swung.Dx * 120.0f, 30.0f, 1e-3f);
    const float side2 = (0.5f - swung.Dy) * 180.0f;
    EXPECT_NEAR(900.0f + side2 * side2, 180.0f * 180.0f, 2.0f);
    // Amplitudes larger than the element still give a finite shape.
    const auto wild = CMainMenuBackground::SwingOf(side, 1000.0f, 5.0f, 40.0f, 20.0f);
    EXPECT_TRUE(std::isfinite(wild.Dx) && std::isfinite(wild.Dy));
    EXPECT_FLOAT_EQ(wild.Dx * 40.0f, 20.0f) << "the edge goes no further than the sides are long";
}

// Values that size arrays or divide are checked on loading: the default takes
// the place of a value that cannot be used, and the log says which.
TEST_F(BackdropFixture, UnusableConfigurationValuesFallBackToTheirDefaults) {
    RegisterTextures();
    struct Case {
        const char* text;
        const char* key;
        std::function<bool(CBackgroundsManager&)> defaulted;
    } cases[] = {
        {"[Museum]\nDustLayersCount=-3\n", "DustLayersCount",
         [](CBackgroundsManager& b) { return b.Museum().DustVertices.size() == 16; }},
        {"[Museum]\nDustLayersCount=100000\n", "DustLayersCount",
         [](CBackgroundsManager& b) { return b.Museum().DustLayers == 4; }},
        {"[Museum]\nFlareRaysRotT=0\n", "FlareRaysRotT",
         [](CBackgroundsManager& b) {
             return std::fabs(b.Museum().FlareRaysSpin - 0.5235988f) < 1e-5f;
         }},
        {"[Museum]\nNewGemTime=-1\n", "NewGemTime",
         [](CBackgroundsManager& b) { return b.Museum().Elements.NewGemTime == 0.5f; }},
        {"[Museum]\nNewFlareTime=0\n", "NewFlareTime",
         [](CBackgroundsManager& b) { return b.Museum().Elements.NewFlareTime == 0.25f; }},
        {"[Museum]\nMapExpandTime=nothing\n", "MapExpandTime",
         [](CBackgroundsManager& b) { return b.Museum().MapExpandTime == 0.5f; }},
        {"[MainMenu]\nMaxLeafs=-1\n", "MaxLeafs",
         [](CBackgroundsManager& b) { return b.MainMenu().Vertices.size() == 36; }},
        {"[MainMenu]\nMaxLeafs=70000\n", "MaxLeafs",
         [](CBackgroundsManager& b) { return b.MainMenu().Indices.size() == 54; }},
        {"[MainMenu]\nFoliageCells=-2 6\n", "FoliageCells",
         [](CBackgroundsManager& b) { return b.MainMenu().FoliageCells[0] == 6; }},
        {"[MainMenu]\nFrontFoliageShiftTime=0\n", "FrontFoliageShiftTime",
         [](CBackgroundsManager& b) { return b.MainMenu().ShiftTime == 0.2f; }},
    };
    for (const Case& c : cases) {
        log.Clear();
        MakeManager(c.text);
        EXPECT_TRUE(c.defaulted(*manager)) << c.text;
        const std::string text = log.Text();
        // The message, then where: the key is on line 2 of the file.
        EXPECT_EQ(text.find("Warning! Unusable value in the backdrop parameters\n"), 1u) << text;
        const std::string section(c.text + 1, c.text[2] == 'a' ? 8 : 6);
        EXPECT_NE(text.find("Background.cfg:2: " + section + "/" + c.key + " \""),
                  std::string::npos)
            << text;
        // The backdrop still runs and draws.
        manager->SetBackground(c.text[1] == 'M' && c.text[2] == 'a' ? 6 : 1);
        manager->SetStage(5, 0);
        for (int i = 0; i < 40; ++i)
            manager->Update(0.1f);
        BeginFrame();
        EXPECT_EQ(manager->RenderCurrent(), 0);
        EndFrame();
    }
}
