// The treasury: its parameters and their fallbacks, the dust and sun rays,
// and the chest finale with its sound, rays, sparks, flash, shards and glow
// worms.
#include <cmath>

#include "FinaleFixture.h"

using bgtest::FinaleFixture;

TEST_F(FinaleFixture, TreasuryParametersConvertAndFallBack) {
    Begin(CBackgroundsManager::kTreasury, "[Treasury]\nChestCrack=4 1\nChestRaysT=0\n"
                                          "ChestFadeTime=-0.5\nDustLayersCount=-3\n"
                                          "RaysColor=255 255 255 240\nDustAdd=\n");
    CTreasuryBackground& t = manager->Treasury();
    EXPECT_FLOAT_EQ(t.ChestRaysCentre[0], -32.0f);
    EXPECT_FLOAT_EQ(t.ChestRaysCentre[1], -50.0f);
    const float form[4] = {-183.0f, 82.0f, 302.0f, 264.0f};
    const float tform[4] = {0.0f, 0.453125f, 0.58984375f, 0.96875f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(t.ChestForm[i], form[i]);
        EXPECT_FLOAT_EQ(t.ChestTForm[i], tform[i]);
    }
    EXPECT_EQ(t.ChestRaysColour, 0xFFFFFF50u);
    EXPECT_EQ(t.Elements.RaysColour, 0xF0FFFFFFu);
    EXPECT_NEAR(t.ChestRotAccel, 0.1f * 3.14159265f, 1e-6f);
    EXPECT_FALSE(t.DustAdd) << "present but empty is not 1";
    EXPECT_TRUE(t.WhiteDust) << "absent takes the default";
    // One row cannot spread the shards' rise, no time can be divided by,
    // and no count is negative: each falls back with a warning naming the line.
    EXPECT_EQ(t.ChestCrack[0], 8);
    EXPECT_EQ(t.ChestCrack[1], 8);
    EXPECT_FLOAT_EQ(t.ChestRaysT, 0.2f);
    EXPECT_FLOAT_EQ(t.ChestFadeTime, 0.1f);
    EXPECT_EQ(t.DustLayers, 4);
    for (const char* line : {":2: Treasury/ChestCrack \"4 1\"", ":3: Treasury/ChestRaysT \"0\"",
                             ":4: Treasury/ChestFadeTime", ":5: Treasury/DustLayersCount"})
        EXPECT_NE(log.Text().find(line), std::string::npos) << line << "\n" << log.Text();
    // Four dust layers and the two sun-ray sheets; the scenery in the layer.
    EXPECT_EQ(t.Vertices.size(), 4u * 4u + 8u);
    EXPECT_EQ(t.Indices.size(), 6u * 6u);
    EXPECT_EQ(t.Indices[6 * 4], 16u);
    EXPECT_EQ(LayerSize(), 4u);
    // The sun rays sway by SunRaysTVec1 x cos(phase), the second sheet mirrored.
    const float phase = 0.5f * 3.0f;
    manager->Update(3.0f);
    EXPECT_NEAR(t.Vertices[16].u0, -0.25f + 0.25f * std::cos(phase), 1e-5f);
    EXPECT_NEAR(t.Vertices[20].u0, 1.25f + 0.25f * std::cos(phase), 1e-5f);
    EXPECT_NEAR(t.Vertices[22].v0, 1.1f, 1e-5f);
}

TEST_F(FinaleFixture, TheTwelfthSlotBurstsTheChest) {
    Begin(CBackgroundsManager::kTreasury);
    CTreasuryBackground& t = manager->Treasury();
    manager->SetStage(20, 1);
    EXPECT_EQ(manager->GetStageResult(), 12);
    ASSERT_EQ(t.Elements.FlareSprites.size(), 13u) << "twelve slots and the chest's flare";
    EXPECT_EQ(t.Elements.FlareSprites[12]->Alpha, 0.0f);
    EXPECT_EQ(Plays("Background.wav"), 0);
    // Quiet slots are done after 1.15 s; then the chest's flare and "Treasure".
    Run(1.1f);
    EXPECT_EQ(Plays("Treasure.wav"), 0);
    Run(0.1f);
    EXPECT_EQ(Plays("Treasure.wav"), 1);
    EXPECT_EQ(t.ChestState(), CTreasuryBackground::kChestFlare);
    Run(0.25f);
    ASSERT_EQ(t.ChestState(), CTreasuryBackground::kChestRays);
    // Rays every 0.2 s, each with its sparks.
    Run(1.0f);
    EXPECT_GE(t.ChestRays.size(), 4u);
    EXPECT_LE(t.ChestRays.size(), 5u);
    EXPECT_EQ(static_cast<size_t>(particles->NextSerial()), t.ChestRays.size());
    // A long frame makes several at once.
    const size_t before = t.ChestRays.size();
    manager->Update(0.45f);
    EXPECT_EQ(t.ChestRays.size(), before + 2);
    // The burst: the chest gives way to 2 x 8 x 8 shards drifting left, and a
    // flash.
    Run(0.6f);
    ASSERT_EQ(t.ChestState(), CTreasuryBackground::kChestBurst);
    EXPECT_TRUE(t.ChestSprite.IsNull());
    EXPECT_TRUE(t.ChestRays.empty());
    EXPECT_EQ(t.Shards.size(), 128u);
    for (size_t i = 0; i < t.Shards.size(); ++i)
        EXPECT_LT(t.ShardVelocity[2 * i], 0.0f);
    EXPECT_EQ(quads->Count(), 1u);
    // The shards rise ever faster; glow worms keep coming.
    const float y0 = t.Shards[0]->Position.Y;
    Run(1.0f);
    EXPECT_GT(t.Shards[0]->Position.Y, y0 + 30.0f);
    EXPECT_NE(t.Shards[0]->SpinSpeed, 0.0f);
    EXPECT_FALSE(t.GlowWorms.empty());
    // The slowest (bottom row, 0.75 x 20 px/s²) clears the screen's top
    // within 10 s.
    Run(10.0f);
    EXPECT_TRUE(t.Shards.empty()) << "all above the screen";
    EXPECT_EQ(t.ChestState(), CTreasuryBackground::kChestBurst) << "the glow worms go on";

    // Fewer levels: the chest is back, closed, where the picture has it.
    manager->SetStage(11, 1);
    EXPECT_EQ(t.ChestState(), CTreasuryBackground::kChestIdle);
    ASSERT_FALSE(t.ChestSprite.IsNull());
    EXPECT_FLOAT_EQ(t.ChestSprite->Position.X, -32.5f);
    EXPECT_FLOAT_EQ(t.ChestSprite->Position.Y, -49.5f);
    EXPECT_TRUE(t.GlowWorms.empty() && t.GlowWormRecord.empty());
    // Twelve again replays the whole finale.
    manager->SetStage(12, 0);
    EXPECT_EQ(Plays("Background.wav"), 1);
    Run(3.0f);
    EXPECT_EQ(Plays("Treasure.wav"), 2);
}

TEST_F(FinaleFixture, TheDustAndSunRaysDrawInTwoCalls) {
    Begin(CBackgroundsManager::kTreasury);
    const CTreasuryBackground& t = manager->Treasury();
    BeginFrame();
    EXPECT_EQ(manager->RenderCurrent(), 0);
    EndFrame();
    const auto& draws = rec->Draws();
    ASSERT_GE(draws.size(), 3u);
    // Picture, shadow and chest (pass 0) first; then dust, sun rays; then
    // the ornament.
    const gpu::DrawRecord& dust = draws[draws.size() - 3];
    const gpu::DrawRecord& rays = draws[draws.size() - 2];
    EXPECT_EQ(dust.state.textureIds[0], gpu::RecordingId(t.Dust->GetTexture()));
    EXPECT_EQ(dust.numVertices, 16u);
    EXPECT_EQ(dust.primCount, 8u);
    EXPECT_EQ(dust.state.textureIds[1], gpu::RecordingId(t.Mask->GetTexture()));
    EXPECT_EQ(dust.state.stageStates[0][gpu::Tss::ColorOp], gpu::Top::SelectArg2) << "white dust";
    EXPECT_EQ(dust.state.renderStates[gpu::Rs::DestBlend], gpu::Blend::One) << "added";
    EXPECT_EQ(rays.state.textureIds[0], gpu::RecordingId(t.SunRays->GetTexture()));
    EXPECT_EQ(rays.numVertices, 8u);
    EXPECT_EQ(rays.primCount, 4u);
    EXPECT_EQ(rays.state.stageStates[0][gpu::Tss::AddressU], gpu::Tadr::Clamp);
    EXPECT_EQ(rays.state.stageStates[0][gpu::Tss::ColorOp], gpu::Top::SelectArg1);
    EXPECT_EQ(draws.back().state.textureIds[0], gpu::RecordingId(t.Sheet->GetTexture()));
    EXPECT_EQ(device->GetCachedStageState(0, gpu::Tss::AddressU), gpu::Tadr::Wrap);
    EXPECT_EQ(device->GetCachedStageState(1, gpu::Tss::ColorOp), gpu::Top::Disable);
}
