// The progress decorations of a stage and the Museum's map and dust.
#include <cmath>

#include "BackdropFixture.h"
#include "engine/IniHelpers.h"

using bgtest::BackdropFixture;

namespace {

// Runs the manager for `seconds` in frames of `step`.
void Advance(CBackgroundsManager& m, float seconds, float step = 0.05f) {
    for (float t = 0; t < seconds - 1e-4f; t += step)
        m.Update(step);
}

} // namespace

TEST_F(BackdropFixture, AQuietSlotLightsFlareGemAndRayInTurn) {
    RegisterTextures();
    MakeManager();
    manager->SetBackground(CBackgroundsManager::kMuseum);
    manager->SetStage(3, 1);
    CStageElements& e = manager->Museum().Elements;
    ASSERT_EQ(e.GemSprites.size(), 3u);
    EXPECT_EQ(LayerSize(), 2u + 9u);
    // Flare first; gem after NewFlareTime; ray after NewGemTime more; idle
    // after NewRayTime more.
    struct Step {
        float until;
        int state;
    } steps[] = {{0.2f, CStageElements::kFlareGrowing},
                 {0.3f, CStageElements::kGemLit},
                 {0.8f, CStageElements::kRayLit},
                 {1.2f, CStageElements::kIdle}};
    float now = 0;
    for (const Step& s : steps) {
        Advance(*manager, s.until - now);
        now = s.until;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(e.SlotStateAt(i), s.state) << "slot " << i << " at " << now;
    }
    EXPECT_FLOAT_EQ(e.FlareSprites[0]->Width, 174.0f) << "the flare grew to its full size";
    EXPECT_TRUE(e.Streaks.empty()) << "a quiet slot does not celebrate";

    // Fewer levels: the extra decorations fade out and leave the layer.
    manager->SetStage(1, 1);
    EXPECT_EQ(e.GemSprites.size(), 1u);
    Advance(*manager, 1.0f);
    EXPECT_EQ(LayerSize(), 2u + 3u);
}

TEST_F(BackdropFixture, AFreshWinSpraysStreaksUntilItsRayLights) {
    RegisterTextures();
    MakeManager();
    manager->SetBackground(CBackgroundsManager::kMuseum);
    manager->SetStage(1, 1);
    manager->SetStage(2, 0);
    CStageElements& e = manager->Museum().Elements;
    ASSERT_EQ(e.GemSprites.size(), 2u);
    size_t most = 0;
    for (float t = 0; t < 2.2f; t += 0.05f) {
        const size_t before = e.Streaks.size();
        manager->Update(0.05f);
        EXPECT_LE(e.Streaks.size(), before + 1) << "one streak a frame at most";
        most = std::max(most, e.Streaks.size());
    }
    EXPECT_GT(most, 3u);
    EXPECT_EQ(e.SlotStateAt(1), CStageElements::kGemLit) << "the ray waits for RainbowTime";
    Advance(*manager, 0.1f);
    EXPECT_EQ(e.SlotStateAt(1), CStageElements::kRayLit);
    Advance(*manager, 0.4f);
    EXPECT_EQ(e.SlotStateAt(1), CStageElements::kIdle);
    EXPECT_TRUE(e.Streaks.empty());
    // A long frame still spawns at most one.
    manager->SetStage(3, 0);
    Advance(*manager, 0.3f);
    const size_t before = e.Streaks.size();
    manager->Update(0.5f);
    EXPECT_LE(e.Streaks.size(), before + 1);
}

TEST_F(BackdropFixture, TheCompleteStageUnrollsTheMap) {
    RegisterTextures();
    MakeManager("[Museum]\nMapBegin=0.4\nMapExpandTime=0.5\nMapTime=0.4\nRayT6=0 800 100 "
                "900\nRaysMethod=Screen\n");
    manager->SetBackground(CBackgroundsManager::kMuseum);
    manager->SetStage(9, 0);
    EXPECT_EQ(manager->GetStageResult(), 5);
    CStageElements& e = manager->Museum().Elements;
    ASSERT_EQ(e.RaySprites.size(), 6u) << "the map is the sixth ray";
    CSpriteQuad& map = *e.RaySprites[5];
    EXPECT_EQ(map.DestBlend, gpu::Blend::InvSrcColor) << "RaysMethod Screen";
    EXPECT_FLOAT_EQ(map.Corners[2].V, 0.5f - 0.4f);
    // The map waits for the fifth relic: 0.25 + 2 + 0.4 s, then its flare time.
    Advance(*manager, 2.6f);
    EXPECT_EQ(e.SlotStateAt(5), CStageElements::kIdle);
    Advance(*manager, 0.1f);
    EXPECT_EQ(e.SlotStateAt(5), CStageElements::kFlareGrowing);
    Advance(*manager, 0.25f + 0.25f);
    EXPECT_NEAR(map.Corners[2].V, 0.5f - 0.79f, 0.05f) << "partly unrolled";
    EXPECT_NEAR(map.Frames[2].V, 0.78125f + 0.09765625f * 0.79f, 0.006f);
    Advance(*manager, 0.4f);
    EXPECT_FLOAT_EQ(map.Corners[2].V, -0.5f) << "fully unrolled";
    EXPECT_EQ(e.SlotStateAt(5), CStageElements::kIdle);
    // Back to four: the map goes with the fifth slot.
    manager->SetStage(4, 1);
    EXPECT_EQ(e.RaySprites.size(), 4u);
}

TEST_F(BackdropFixture, MuseumParametersTurnAndPack) {
    RegisterTextures();
    MakeManager("[Museum]\nDustVec_0=0.001 -0.002\nDustVec_1=0.001 -0.002\nDustVec_2=0.001 -0.002\n"
                "DustVec_3=0.001 -0.002\nFlareRaysRotT=12\nFlareColor1=255 125 16 "
                "255\nRaysMethod=screen\n");
    const CMuseumBackground& m = manager->Museum();
    const float turned[4][2] = {
        {-0.001f, 0.002f}, {-0.002f, -0.001f}, {0.001f, -0.002f}, {0.002f, 0.001f}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(m.DustField.Velocity[2 * i], turned[i][0]) << "layer " << i;
        EXPECT_FLOAT_EQ(m.DustField.Velocity[2 * i + 1], turned[i][1]) << "layer " << i;
    }
    EXPECT_NEAR(m.FlareRaysSpin * 12.0f, 6.2831853f, 1e-4f) << "one turn in 12 s";
    EXPECT_EQ(m.Elements.Flares[0].Colour, 0xFFFF7D10u);
    EXPECT_EQ(m.Elements.RaysMode, CSpriteQuad::BlendAdd) << "the method's name is case-sensitive";
    EXPECT_EQ(CStageElements::RaysBlend("Normal"), CSpriteQuad::BlendNormal);
    // Dust scrolls by its velocity and wraps into [0, 1].
    const float before = m.DustField.Offset[2];
    manager->Museum().Update(10.0f);
    float expected = before - 0.02f;
    if (expected < 0)
        expected += 1.0f;
    EXPECT_NEAR(m.DustField.Offset[2], expected, 1e-5f);
    EXPECT_NEAR(m.DustVertices[4].u0, expected, 1e-5f);
    EXPECT_NEAR(m.DustVertices[5].v0 - m.DustVertices[4].v0, 4.0f, 1e-5f)
        << "layer 1 turned a quarter";
}
