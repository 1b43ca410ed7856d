// Switching, staging and drawing of the backgrounds manager.
#include "BackdropFixture.h"

#include <cmath>
#include <functional>

#include "engine/Texture.h"

using bgtest::BackdropFixture;

namespace {

// A slow drift: where it is, how fast it goes and after how much it wraps.
struct Drift {
    float value, rate, period;
};

// The fan of light (its angle), then a scroll of two texture coordinates.
std::vector<Drift> FanAndScroll(const CSharedPtr<CSpriteQuad>& rays, float spin,
                                const float offset[2], const float rate[2]) {
    return {
        {rays->Angle, spin, 6.2831853f}, {offset[0], rate[0], 1.0f}, {offset[1], rate[1], 1.0f}};
}

std::vector<Drift> Dust(const CDustLayers& dust, std::vector<Drift> drifts = {}) {
    for (size_t k = 0; k < dust.Offset.size(); ++k)
        drifts.push_back({dust.Offset[k], dust.Velocity[k], 1.0f});
    return drifts;
}

} // namespace

TEST_F(BackdropFixture, AmbientDriftsStepEveryQuarterSecondAndLoseNoTime) {
    RegisterTextures();
    MakeManager();
    using B = CBackgroundsManager;
    struct Row {
        int id;
        std::vector<const char*> textures; // those only the drifting draws use
        std::function<std::vector<Drift>(B&)> drifts;
        int fewest = 7, most = 8; // frames of the 2 s that change them: 8 quarter seconds
        size_t draws = 0;         // the draws that use the textures (0: one each)
        const char* apart = nullptr; // draws that use this one too are not the drifts
    } rows[] = {
        {B::kMuseum,
         {"MuseumDust", "MuseumFlareRays"},
         [](B& b) {
             const CMuseumBackground& m = b.Museum();
             const float none[2] = {0.0f, 0.0f};
             return Dust(m.DustField, FanAndScroll(m.FlareRaysSprite, m.FlareRaysSpin, none, none));
         }},
        {B::kJungle,
         {"JungleFog", "JungleFlareRays"},
         [](B& b) {
             const CJungleBackground& j = b.Jungle();
             return FanAndScroll(j.FlareRaysSprite, j.FlareRaysSpin, j.FogOffset, j.FogVelocity);
         }},
        {B::kValley,
         {"ValleyCloud", "ValleyFlareRays"},
         [](B& b) {
             const CValleyBackground& v = b.Valley();
             return FanAndScroll(v.FlareRaysSprite, v.FlareRaysSpin, v.CloudOffset, v.CloudSpeed);
         }},
        {B::kTreasury, {"TreasuryDust"}, [](B& b) { return Dust(b.Treasury().DustField); }},
        {B::kMainMenu,
         {"MainMenuSkyMask"},
         [](B& b) {
             return std::vector<Drift>{{b.MainMenu().SkyOffset, b.MainMenu().SkySpeed, 1.0f}};
         }},
        // The foliage's ripple and the map's and vines' swings, thirty steps a
        // second (with a blink of the eyes or two, of the same picture).
        {B::kMainMenu,
         {"MainMenuElements"},
         [](B& b) {
             const CMainMenuBackground& m = b.MainMenu();
             return std::vector<Drift>{{m.NodePhase[0][0][0], m.NodeFrequency[0][0][0], 6.2831853f},
                                       {m.MapPhase[0], m.MapW[0], 6.2831853f}};
         },
         59, 64, 3, "MainMenuLeafMask"},
    };
    constexpr int kFrames = 120;
    constexpr float kFrame = 1.0f / 60.0f;
    for (const Row& row : rows) {
        manager->SetBackground(row.id);
        std::vector<uint64_t> ids;
        for (const char* name : row.textures)
            ids.push_back(gpu::RecordingId(device->GetTexture(name)->GetTexture()));
        const uint64_t apart =
            row.apart ? gpu::RecordingId(device->GetTexture(row.apart)->GetTexture()) : 0;
        const std::vector<Drift> start = row.drifts(*manager);
        std::vector<float> previous;
        int changed = 0;
        for (int frame = 0; frame < kFrames; ++frame) {
            manager->Update(kFrame);
            BeginFrame();
            ASSERT_EQ(manager->RenderCurrent(), 0);
            EndFrame();
            // Positions and texture coordinates of the drifting draws.
            std::vector<float> geometry;
            size_t draws = 0;
            for (const gpu::DrawRecord& d : rec->Draws()) {
                if (std::find(ids.begin(), ids.end(), d.state.textureIds[0]) == ids.end() &&
                    std::find(ids.begin(), ids.end(), d.state.textureIds[1]) == ids.end())
                    continue;
                if (apart != 0 && (d.state.textureIds[0] == apart || d.state.textureIds[1] == apart))
                    continue;
                ++draws;
                for (size_t i = 0; i < d.indices.size(); ++i) {
                    const gpu::Vertex v = d.IndexedVertex(i);
                    geometry.insert(geometry.end(), {v.x, v.y, v.z, v.u0, v.v0, v.u1, v.v1});
                }
            }
            ASSERT_EQ(draws, row.draws ? row.draws : ids.size()) << "backdrop " << row.id;
            if (frame > 0 && geometry != previous)
                ++changed;
            previous = std::move(geometry);
        }
        // 2 s in quarter seconds: 8 steps, the last one on the last frame.
        EXPECT_GE(changed, row.fewest) << "backdrop " << row.id;
        EXPECT_LE(changed, row.most) << "backdrop " << row.id;
        const std::vector<Drift> end = row.drifts(*manager);
        ASSERT_EQ(end.size(), start.size());
        for (size_t k = 0; k < end.size(); ++k) {
            float off = end[k].value - (start[k].value + start[k].rate * kFrames * kFrame);
            off -= std::round(off / end[k].period) * end[k].period;
            EXPECT_NEAR(off, 0.0f, 1e-4f) << "backdrop " << row.id << ", drift " << k;
        }
    }
}

TEST_F(BackdropFixture, SwitchingUnloadsTheOldBackdropAndStartsTheNewOne) {
    RegisterTextures({"BackgroundJungle"});
    MakeManager();
    EXPECT_EQ(manager->GetCurrentId(), 0);
    manager->SetBackground(CBackgroundsManager::kMainMenu);
    // Picture, 8 elements, 36 foliage cells; the branch in the late layer.
    EXPECT_EQ(LayerSize(), 45u);
    EXPECT_EQ(front->GetDrawn().size(), 1u);
    EXPECT_GE(device->FindTexture("BackgroundMainMenu"), 0);

    // The same id changes nothing: no reload, no restart.
    const CSpriteQuad* picture = manager->MainMenu().BackSprite.Get();
    manager->SetBackground(CBackgroundsManager::kMainMenu);
    EXPECT_EQ(manager->MainMenu().BackSprite.Get(), picture);

    manager->SetBackground(CBackgroundsManager::kMuseum);
    EXPECT_EQ(front->GetDrawn().size(), 0u);
    EXPECT_EQ(LayerSize(), 2u) << "the hall and its fan of light";
    EXPECT_LT(device->FindTexture("BackgroundMainMenu"), 0)
        << "left backdrops give up their pictures";
    EXPECT_TRUE(manager->MainMenu().BackSprite.IsNull());
    EXPECT_EQ(log.Text(), "");

    // A picture that is missing is reported, and the backdrop starts anyway.
    manager->SetBackground(CBackgroundsManager::kJungle);
    EXPECT_NE(log.Text().find("Error loading background textures for Jungle!\n"),
              std::string::npos);
    EXPECT_EQ(LayerSize(), 2u) << "the clearing and its sunbeams";
    EXPECT_TRUE(layer->GetParked().size() == 1u) << "a sprite without its picture is never drawn";

    manager->SetBackground(0);
    EXPECT_EQ(LayerSize(), 0u);
    EXPECT_EQ(manager->GetCurrentId(), 0);
}

TEST_F(BackdropFixture, StageCountsAreClampedByTheCurrentBackdrop) {
    RegisterTextures();
    MakeManager();
    struct Case {
        int id, count, result;
    } cases[] = {{0, 7, 7}, {1, 3, 3},   {1, 7, 5},   {1, -2, 0}, {2, 7, 6},
                 {3, 7, 7}, {4, 11, 10}, {5, 13, 12}, {6, 4, 0}};
    for (const Case& c : cases) {
        manager->SetBackground(c.id);
        manager->SetStage(c.count, 1);
        EXPECT_EQ(manager->GetStageResult(), c.result)
            << "backdrop " << c.id << " count " << c.count;
        manager->SetBackground(c.id == 1 ? 2 : 1); // every switch starts from no decorations
        EXPECT_EQ(manager->GetStageResult(), 0);
    }
}

TEST_F(BackdropFixture, RendersOnlyWhenEnabledAndDrawsEachTextureRunOnce) {
    RegisterTextures();
    MakeManager();
    manager->SetBackground(CBackgroundsManager::kMuseum);
    manager->SetStage(2, 1);
    manager->Update(2.0f);

    manager->Enabled = 0;
    BeginFrame();
    EXPECT_EQ(manager->RenderCurrent(), 0);
    EXPECT_TRUE(rec->Draws().empty());
    EndFrame();

    manager->Enabled = 1;
    BeginFrame();
    EXPECT_EQ(manager->RenderCurrent(), 0);
    EndFrame();
    // One draw per run of a texture: the hall (opaque), the gems, the rays
    // and the flares, the fan of light, then the dust: four layers in one
    // draw, masked on stage 1.
    const auto& draws = rec->Draws();
    ASSERT_EQ(draws.size(), 6u);
    const CMuseumBackground& m = manager->Museum();
    const uint64_t picture = gpu::RecordingId(m.Picture->GetTexture());
    const uint64_t expected[6] = {picture,
                                  picture,
                                  picture,
                                  gpu::RecordingId(device->GetTexture("Flare")->GetTexture()),
                                  gpu::RecordingId(m.FlareRays->GetTexture()),
                                  gpu::RecordingId(m.Dust->GetTexture())};
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(draws[i].state.textureIds[0], expected[i]) << "draw " << i;
    EXPECT_EQ(draws[1].primCount, 4u) << "both gems in one draw";
    const gpu::DrawRecord& dust = draws.back();
    EXPECT_EQ(dust.numVertices, 16u);
    EXPECT_EQ(dust.primCount, 8u);
    EXPECT_EQ(dust.state.textureIds[1], gpu::RecordingId(m.DustMask->GetTexture()));
    EXPECT_EQ(dust.state.stageStates[1][gpu::Tss::ColorOp], gpu::Top::Modulate);
    EXPECT_EQ(dust.state.renderStates[gpu::Rs::ZWriteEnable], 0u);
    EXPECT_EQ(device->GetCachedStageState(1, gpu::Tss::ColorOp), gpu::Top::Disable)
        << "the second stage is switched off again";
}

TEST_F(BackdropFixture, AMissingPictureIsSkippedNotDrawn) {
    RegisterTextures({"MuseumDust", "MainMenuSkyMask"});
    MakeManager();
    manager->SetBackground(CBackgroundsManager::kMuseum);
    BeginFrame();
    manager->RenderCurrent();
    EndFrame();
    for (const gpu::DrawRecord& d : rec->Draws())
        EXPECT_NE(d.numVertices, 16u) << "no dust without its picture";
    manager->SetBackground(CBackgroundsManager::kMainMenu);
    manager->Update(2.0f); // a few leaves
    BeginFrame();
    manager->RenderCurrent();
    EndFrame();
    const gpu::DrawRecord* leaves = nullptr;
    for (const gpu::DrawRecord& d : rec->Draws())
        if (d.state.textureIds[1] != 0)
            leaves = &d;
    ASSERT_NE(leaves, nullptr) << "the leaves still fall";
    EXPECT_EQ(leaves->state.textureIds[1],
              gpu::RecordingId(manager->MainMenu().LeafMask->GetTexture()));
    EXPECT_NE(log.Text().find("Error loading background textures for Museum!\n"),
              std::string::npos);
}
