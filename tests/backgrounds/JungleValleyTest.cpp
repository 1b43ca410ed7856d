// The Jungle (fog, firefly mask and fireflies) and the Valley (clouds under
// their own perspective) on the recording back end, and the flare that
// completes each of their stages.
#include <cmath>
#include <map>

#include "BackdropFixture.h"
#include "engine/Quad.h"
#include "platform/os/TextFile.h"
#include "support/SamplePlays.h"

using bgtest::BackdropFixture;

namespace {

void Advance(CBackgroundsManager& m, float seconds, float step = 0.05f) {
    for (float t = 0; t < seconds - 1e-4f; t += step)
        m.Update(step);
}

} // namespace

TEST_F(BackdropFixture, TheFireflyMaskIsReadBottomUpAndRefusedWhole) {
    std::vector<uint8_t> grey(256 * 102);
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = uint8_t(i / 256 * 2 + i % 3);
    const std::string good = WriteFlashMask(grey);
    CJungleBackground jungle;
    ASSERT_TRUE(jungle.LoadFlashMask(good));
    EXPECT_EQ(jungle.GetMask(), grey) << "row 0 is the last row stored; the blue byte counts";
    EXPECT_EQ(log.Text(), "");

    std::string bytes;
    ASSERT_TRUE(os::ReadFileBytes(good, &bytes));
    struct Case {
        const char* what;
        std::string file;
        const char* message;
    } cases[] = {
        {"missing", dir.Path("gfx/none.bmp"), "JungleFlashMask.bmp File not found!\n"},
        {"short header", dir.Write("h.bmp", bytes.substr(0, 30)),
         "Error loading JungleFlashMask.bmp file!\n"},
        {"short pixels", dir.Write("p.bmp", bytes.substr(0, bytes.size() - 1)),
         "Error loading JungleFlashMask.bmp file!\n"},
        {"255 wide", WriteFlashMask(std::vector<uint8_t>(255 * 102, 9), 255, 102, "w.bmp"),
         "Error loading JungleFlashMask.bmp file!\n"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(jungle.LoadFlashMask(good));
        log.Clear();
        EXPECT_FALSE(jungle.LoadFlashMask(c.file)) << c.what;
        EXPECT_FALSE(jungle.HasMask()) << c.what;
        EXPECT_NE(log.Text().find(c.message), std::string::npos) << c.what << ": " << log.Text();
        EXPECT_NE(log.Text().find(c.file + ", byte "), std::string::npos) << log.Text();
    }
}

TEST_F(BackdropFixture, FirefliesStartOnLitCellsAndDriftToBrightOnes) {
    // Columns 0..127 dim (a start, never an end), 128..191 bright, the rest dark.
    std::vector<uint8_t> grey(256 * 102);
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = i % 256 < 128 ? 60 : (i % 256 < 192 ? 220 : 0);
    WriteFlashMask(grey);
    RegisterTextures();
    MakeManager("[Jungle]\nFlashT=0.05\nFlashColor=255 240 200 128\nFlashLifeTime=0.8\n");
    manager->SetBackground(CBackgroundsManager::kJungle);
    CJungleBackground& j = manager->Jungle();
    ASSERT_TRUE(j.HasMask());
    // Each firefly is held here, so that a new one can never take a dead one's
    // address and pass for it.
    std::map<const CQuad*, CSharedPtr<CQuad>> seen;
    for (int frame = 0; frame < 40; ++frame) {
        manager->Update(0.05f);
        ASSERT_EQ(j.FlashVelocity.size(), 2 * j.Flashes.size());
        for (size_t i = 0; i < j.Flashes.size(); ++i) {
            const CQuad& q = *j.Flashes[i];
            if (!seen.emplace(&q, j.Flashes[i]).second)
                continue; // checked where it was born
            const int32_t m = j.MaskAt(q.Position.X, q.Position.Y);
            EXPECT_GT(m, 16);
            EXPECT_NEAR(q.AlphaMultiplier, m * (128.0f / 255.0f) / 255.0f, 1e-5f);
            const float life = 2.0f * q.HoldEnd;
            EXPECT_NEAR(q.FadeInTime, 0.9f * q.HoldEnd, 1e-6f);
            EXPECT_GT(j.MaskAt(q.Position.X + j.FlashVelocity[2 * i] * life,
                               q.Position.Y + j.FlashVelocity[2 * i + 1] * life),
                      128);
        }
        quads->Update(0.05f);
    }
    EXPECT_GE(seen.size(), 30u);
    EXPECT_LT(j.Flashes.size(), seen.size()) << "faded fireflies leave the list";

    // A long frame brings its share at once, the rest stays on the timer.
    j.FlashT = 0.1f;
    j.FlashTimer = 0.0f;
    j.Flashes.clear();
    j.FlashVelocity.clear();
    j.Update(0.35f);
    EXPECT_EQ(j.Flashes.size(), 3u);
    EXPECT_NEAR(j.FlashTimer, 0.05f, 1e-5f);

    // Nothing lit enough, or no mask at all: no firefly, and no endless search.
    for (const std::vector<uint8_t>& mask :
         {std::vector<uint8_t>(256 * 102, 16), std::vector<uint8_t>(256 * 102, 100)}) {
        ASSERT_TRUE(j.LoadFlashMask(WriteFlashMask(mask)));
        j.Flashes.clear();
        j.FlashVelocity.clear();
        j.Update(2.0f);
        EXPECT_TRUE(j.Flashes.empty());
    }
    j.LoadFlashMask(dir.Path("gfx/none.bmp"));
    j.Update(2.0f);
    EXPECT_TRUE(j.Flashes.empty());
}

TEST_F(BackdropFixture, JungleFogAndValleyCloudsScrollAndWrap) {
    RegisterTextures();
    MakeManager("[Jungle]\nFlashT=0\n[Valley]\nCloudTSpeed=0.5 0\n");
    EXPECT_NE(log.Text().find("Jungle/FlashT \"0\" is not a time above 0"), std::string::npos);
    CJungleBackground& j = manager->Jungle();
    EXPECT_FLOAT_EQ(j.FlashT, 0.1f);
    const std::vector<gpu::Vertex>& v = j.FogVertices;
    ASSERT_EQ(v.size(), 4u);
    EXPECT_FLOAT_EQ(v[0].x, -320.5f);
    EXPECT_FLOAT_EQ(v[0].y, 142.5f);
    EXPECT_FLOAT_EQ(v[2].x, 419.5f);
    EXPECT_FLOAT_EQ(v[2].y, -189.5f);
    EXPECT_FLOAT_EQ(v[0].z, 998.0f);
    EXPECT_FLOAT_EQ(v[1].u0 - v[0].u0, 2.890625f);
    EXPECT_FLOAT_EQ(v[2].u1, 1.0f);
    EXPECT_FLOAT_EQ(v[2].v1, 1.0f);
    EXPECT_NEAR(j.FlareRaysSpin, -0.103f, 1e-3f) << "one turn in 61 s the other way";
    j.FogOffset[0] = 0.995f;
    j.Update(1.0f);
    EXPECT_NEAR(j.FogOffset[0], 0.005f, 1e-5f);
    EXPECT_NEAR(v[3].u0, 0.005f, 1e-5f);

    // The cloud view: near and far around the sheet, 45 degrees across, 4:3.
    CValleyBackground& valley = manager->Valley();
    const gpu::Matrix& p = valley.CloudProjection;
    const float zn = 1112.4f, zf = 2734.6f;
    EXPECT_NEAR(p.m[2][2], zf / (zf - zn), 1e-4f);
    EXPECT_NEAR(p.m[3][2], zn * zf / (zn - zf), 0.05f);
    EXPECT_NEAR(p.m[0][0], 1.0f / std::tan(0.3926991f), 1e-4f);
    EXPECT_NEAR(p.m[1][1], p.m[0][0] / 0.75f, 1e-4f);
    EXPECT_NEAR(valley.CloudSpan[0], 0.21f, 1e-6f);
    manager->SetBackground(CBackgroundsManager::kValley);
    manager->Update(3.0f);
    EXPECT_NEAR(valley.CloudOffset[0], 0.5f, 1e-5f) << "1.5 brought back once";
    EXPECT_NEAR(valley.CloudSprite->Frames[1].U, 0.71f, 1e-5f);
}

TEST_F(BackdropFixture, TheCompleteStageBloomsItsLastFlareWithItsSound) {
    RegisterTextures();
    MakeManager();
    MakeSoundBank();
    struct Case {
        int id, max;
        CStageElements& elements;
    } cases[] = {{CBackgroundsManager::kJungle, 6, manager->Jungle().Elements},
                 {CBackgroundsManager::kValley, 8, manager->Valley().Elements}};
    for (const Case& c : cases) {
        manager->SetBackground(c.id);
        audio->ClearCalls();
        manager->SetStage(5, 0);
        EXPECT_EQ(c.elements.FlareSprites.size(), 5u) << c.id;
        EXPECT_EQ(testsupport::SamplePlays(*audio, "Background.wav"), 1) << c.id;
        manager->SetStage(0, 1);
        Advance(*manager, 1.0f);
        audio->ClearCalls();

        // Restored quietly: the last flare waits, unlit and small.
        manager->SetStage(99, 1);
        EXPECT_EQ(manager->GetStageResult(), c.max);
        ASSERT_EQ(c.elements.FlareSprites.size(), size_t(c.max + 1)) << c.id;
        CSpriteQuad& last = *c.elements.FlareSprites.back();
        const float size = c.elements.Flares.back().Size;
        EXPECT_FLOAT_EQ(last.Alpha, 0.0f);
        EXPECT_FLOAT_EQ(last.Width, 0.25f * size);
        Advance(*manager, 1.1f);
        EXPECT_EQ(testsupport::SamplePlays(*audio, "Flare.wav"), 0) << c.id;
        Advance(*manager, 0.1f); // the last slot finishes at 1.15 s
        EXPECT_EQ(testsupport::SamplePlays(*audio, "Flare.wav"), 1) << c.id;
        Advance(*manager, 0.4f);
        EXPECT_FLOAT_EQ(last.Alpha, 1.0f);
        EXPECT_FLOAT_EQ(last.Width, size);
        manager->SetStage(c.max, 0);
        EXPECT_EQ(testsupport::SamplePlays(*audio, "Background.wav"), 0) << "nothing new";
        manager->SetStage(3, 1);
        EXPECT_EQ(c.elements.FlareSprites.size(), 3u) << "the last flare goes with the others";
        EXPECT_EQ(testsupport::SamplePlays(*audio, "Flare.wav"), 1);
    }
}

TEST_F(BackdropFixture, TheFogDrawsBetweenTheGemsAndTheFlaresAndTheCloudsKeepTheirView) {
    RegisterTextures();
    MakeManager();
    manager->SetBackground(CBackgroundsManager::kJungle);
    manager->SetStage(2, 1);
    manager->Update(2.0f);
    BeginFrame();
    EXPECT_EQ(manager->RenderCurrent(), 0);
    EndFrame();
    const CJungleBackground& j = manager->Jungle();
    const uint64_t picture = gpu::RecordingId(j.Picture->GetTexture());
    const auto& draws = rec->Draws();
    // The clearing, the gems (under the fog), the fog, then rays, flares, beams.
    ASSERT_EQ(draws.size(), 6u);
    EXPECT_EQ(draws[1].state.textureIds[0], picture);
    EXPECT_EQ(draws[1].primCount, 4u) << "both gems";
    const gpu::DrawRecord& fog = draws[2];
    EXPECT_EQ(fog.state.textureIds[0], gpu::RecordingId(j.Fog->GetTexture()));
    EXPECT_EQ(fog.state.textureIds[1], gpu::RecordingId(j.FogMask->GetTexture()));
    EXPECT_EQ(fog.state.renderStates[gpu::Rs::DestBlend], gpu::Blend::One);
    EXPECT_EQ(fog.numVertices, 4u);
    EXPECT_EQ(draws.back().state.textureIds[0], gpu::RecordingId(j.FlareRays->GetTexture()));
    EXPECT_EQ(device->GetCachedStageState(1, gpu::Tss::ColorOp), gpu::Top::Disable);

    manager->SetBackground(CBackgroundsManager::kValley);
    rec->ClearRecords();
    BeginFrame();
    gpu::Matrix screen = gpu::Matrix::Identity();
    screen.m[0][0] = 2.0f / 1024.0f;
    device->SetTransform(gpu::Ts::Projection, screen);
    EXPECT_EQ(manager->RenderCurrent(), 0);
    EndFrame();
    const CValleyBackground& v = manager->Valley();
    ASSERT_GE(rec->Draws().size(), 3u);
    for (const gpu::DrawRecord& d : rec->Draws()) {
        const bool cloud = d.state.textureIds[0] == gpu::RecordingId(v.Cloud->GetTexture());
        EXPECT_EQ(d.state.projection.m[2][3], cloud ? 1.0f : 0.0f) << "perspective only for clouds";
    }
    EXPECT_EQ(rec->CurrentTransform(gpu::Ts::Projection).m[0][0], screen.m[0][0])
        << "the screen's projection is back for the layers drawn after";
}
