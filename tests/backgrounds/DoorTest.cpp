// The temple door: its drifting shadow and swaying curtains, the leaf's
// clipping, the door opening with its sounds and sand, and its drawing.
#include <cmath>

#include "FinaleFixture.h"
#include "effects/ParticleSystem.h"

using bgtest::FinaleFixture;

namespace {

const char* kDoorCfg = "[Door]\nUseSand=1\nDoorOpenTime=2\nSandDown=410 400\n";

} // namespace

TEST(DoorClip, TheLeafIsCutByTheFloorLine) {
    CDoorBackground door;
    door.DoorSize[0] = 170.0f;
    door.DoorSize[1] = 268.0f;
    struct Case {
        float b0, b1, fraction;
        float p[4][2];
    } cases[] = {
        {264, 258, 0.0f, {{0, 0}, {170, 0}, {170, 258}, {0, 264}}},
        {264, 258, 0.5f, {{0, 134}, {170, 134}, {170, 258}, {0, 264}}},
        // Past the higher end: the rest beside the lower end.
        {264,
         258,
         0.97f,
         {{0, 259.96f}, {170 * (1 - 1.96f / 6), 259.96f}, {170 * (1 - 1.96f / 6), 264}, {0, 264}}},
        {258,
         264,
         0.97f,
         {{170 * 1.96f / 6, 259.96f}, {170, 259.96f}, {170, 264}, {170 * 1.96f / 6, 264}}},
        {264, 258, 1.0f, {{0, 264}, {0, 264}, {0, 264}, {0, 264}}},
        {260, 260, 0.5f, {{0, 134}, {170, 134}, {170, 260}, {0, 260}}},
        {260, 260, 1.0f, {{0, 260}, {170, 260}, {170, 260}, {0, 260}}},
    };
    for (const Case& c : cases) {
        door.DoorBottom[0] = c.b0;
        door.DoorBottom[1] = c.b1;
        door.ClipQuad(c.fraction);
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(door.LeafPolygon[k].U, c.p[k][0], 0.01f) << c.fraction << " P" << k;
            EXPECT_NEAR(door.LeafPolygon[k].V, c.p[k][1], 0.01f) << c.fraction << " P" << k;
        }
    }
}

TEST_F(FinaleFixture, DoorParametersAndAmbientMotion) {
    Begin(CBackgroundsManager::kDoor, "[Door]\nDoorOpenTime=0\nDoorPreTime=-1\n");
    CDoorBackground& d = manager->Door();
    EXPECT_FLOAT_EQ(d.DoorCentre[0], -61.0f);
    EXPECT_FLOAT_EQ(d.DoorCentre[1], 63.0f);
    EXPECT_FLOAT_EQ(d.DoorCorner[0], -146.0f);
    EXPECT_FLOAT_EQ(d.DoorCorner[1], 197.0f);
    EXPECT_FLOAT_EQ(d.DoorInner[0], 166.0f);
    EXPECT_FLOAT_EQ(d.SandLevel[0], -62.0f);
    EXPECT_FLOAT_EQ(d.SandLevel[1], -71.0f);
    EXPECT_FLOAT_EQ(d.SandShift[0][1], -4.0f);
    EXPECT_FLOAT_EQ(d.Elements.FlareSpin, 0.125f) << "the flares' spin is not turns of pi";
    EXPECT_NEAR(d.Elements.RainbowW, 3.14159f, 1e-4f);
    // A zero or negative time would divide by zero: the defaults, with a warning.
    EXPECT_FLOAT_EQ(d.DoorOpenTime, 2.0f);
    EXPECT_FLOAT_EQ(d.DoorPreTime, 0.25f);
    EXPECT_NE(log.Text().find("Background.cfg:3: Door/DoorPreTime \"-1\""), std::string::npos)
        << log.Text();

    // At t = 0 the far edge drifts by (8/512 sin 1, -(4/128) sin 1), the near
    // edge by (16/512 sin 2, 8/128 sin 0.7).
    EXPECT_NEAR(d.ShadowVertices[0].u0, (16.0f + 8.0f * std::sin(1.0f)) / 512.0f, 1e-5f);
    EXPECT_NEAR(d.ShadowVertices[1].v0, (8.0f - 4.0f * std::sin(1.0f)) / 128.0f, 1e-5f);
    EXPECT_NEAR(d.ShadowVertices[2].u0, (496.0f + 16.0f * std::sin(2.0f)) / 512.0f, 1e-5f);
    EXPECT_NEAR(d.ShadowVertices[3].v0, (120.0f + 8.0f * std::sin(0.7f)) / 128.0f, 1e-5f);
    EXPECT_FLOAT_EQ(d.ShadowVertices[2].y, 0.5f - 384.0f);

    // The curtains: the top edge sways, the lower edge swings further.
    ASSERT_EQ(d.Curtains.size(), 2u);
    manager->Update(1.5f);
    const float t = 1.5f;
    const float mx = 8.0f * std::sin(1.1f * t + 1.0f), my = 8.0f * std::sin(0.96f * t + 0.4f);
    const float dx = 16.0f * std::sin(1.1f * t + 1.0f) + mx;
    const CSpriteQuad& left = *d.Curtains[0];
    EXPECT_NEAR(left.Corners[0].U, -512.0f - 16.0f + mx, 1e-3f);
    EXPECT_NEAR(left.Corners[0].V, 384.0f + 16.0f + my, 1e-3f);
    EXPECT_NEAR(left.Corners[3].U, -512.0f - 16.0f + dx, 1e-3f);
    EXPECT_EQ(left.Key, 90);
    EXPECT_EQ(LayerSize(), 3u) << "the picture and two curtains";
}

TEST_F(FinaleFixture, TheTenthWinOpensTheDoorWithSand) {
    Begin(CBackgroundsManager::kDoor, kDoorCfg);
    CDoorBackground& d = manager->Door();
    manager->SetStage(9, 1);
    Run(1.2f);
    EXPECT_EQ(Plays("Background.wav"), 0) << "quiet slots";
    manager->SetStage(10, 0);
    EXPECT_EQ(manager->GetStageResult(), 10);
    EXPECT_EQ(Plays("Background.wav"), 1);
    ASSERT_EQ(d.Elements.FlareSprites.size(), 11u);
    ASSERT_FALSE(d.CutOut.IsNull());
    ASSERT_FALSE(d.Leaf.IsNull());
    EXPECT_EQ(d.Elements.GemSprites[9]->PassTag, 0) << "gems lie behind the shadow";
    EXPECT_EQ(d.Elements.FlareSprites[10]->Alpha, 0.0f) << "the door's flare waits";
    EXPECT_EQ(d.Leaf->Corners[0].V, d.DoorCorner[1]) << "the whole leaf at first";

    // The tenth slot celebrates for RainbowTime; the door starts when its ray
    // has been lit for NewRayTime (0.25 + 2 + 0.4 s).
    Run(2.6f);
    EXPECT_EQ(Plays("Door.wav"), 0);
    EXPECT_EQ(d.DoorState(), CDoorBackground::kDoorIdle);
    Run(0.1f);
    EXPECT_EQ(Plays("Door.wav"), 1);
    EXPECT_EQ(d.DoorState(), CDoorBackground::kDoorBlaze);
    Run(0.25f);
    EXPECT_EQ(d.DoorState(), CDoorBackground::kDoorReveal);
    EXPECT_EQ(d.CutOut->TargetAlpha, 0.0f) << "the picture's closed door fades";
    ASSERT_EQ(d.SandStreams.size(), 2u) << "sand pours from both top corners";
    EXPECT_EQ(particles->BlendedSystems().size(), 4u) << "two streams and their dust";
    Run(0.25f);
    EXPECT_EQ(d.DoorState(), CDoorBackground::kDoorSinking);

    // Sinking: the top edge goes down, the streams ride on its corners.
    Run(1.0f);
    const float top = d.LeafPolygon[0].V;
    EXPECT_NEAR(top, 268.0f * 0.5f, 268.0f * 0.05f);
    ASSERT_EQ(d.SandStreams.size(), 2u);
    EXPECT_FLOAT_EQ(d.SandStreams[0]->Position.Y, 0.5f + d.DoorCorner[1] - top - 4.0f);
    // It passes the sand's upper level (384 - 400 = -16, 213 below the top)
    // at 80 %: the sand stops before the door is down.
    Run(0.5f);
    EXPECT_EQ(d.SandStreams.size(), 2u);
    Run(0.2f);
    EXPECT_TRUE(d.SandStreams.empty());
    Run(0.4f);
    EXPECT_EQ(d.DoorState(), CDoorBackground::kDoorIdle);
    for (int k = 0; k < 4; ++k)
        EXPECT_FLOAT_EQ(d.LeafPolygon[k].V, 264.0f) << "collapsed on the floor's lower end";
    EXPECT_FALSE(d.Doorway.IsNull()) << "the open doorway stays";
    EXPECT_EQ(Plays("Door.wav"), 1);
}

TEST_F(FinaleFixture, FewerLevelsCloseTheDoorAtOnce) {
    Begin(CBackgroundsManager::kDoor, kDoorCfg);
    CDoorBackground& d = manager->Door();
    manager->SetStage(12, 1);
    EXPECT_EQ(manager->GetStageResult(), 10);
    // Quiet, and still the door opens when the tenth slot is done.
    Run(1.2f);
    EXPECT_EQ(Plays("Door.wav"), 1);
    EXPECT_EQ(Plays("Background.wav"), 0);
    Run(0.8f);
    ASSERT_EQ(d.DoorState(), CDoorBackground::kDoorSinking);
    const CSharedPtr<CSpriteQuad> leaf = d.Leaf;
    const size_t before = LayerSize();
    manager->SetStage(9, 1);
    EXPECT_EQ(d.DoorState(), CDoorBackground::kDoorIdle);
    EXPECT_TRUE(d.Leaf.IsNull() && d.CutOut.IsNull() && d.Doorway.IsNull() && d.LeafShade.IsNull());
    EXPECT_FLOAT_EQ(leaf->FadeSpeed, 20.0f);
    EXPECT_TRUE(d.SandStreams.empty());
    Run(0.1f);
    EXPECT_EQ(LayerSize(), before - 4u) << "the four pieces go within 0.05 s";
    Run(0.5f);
    EXPECT_EQ(LayerSize(), before - 8u) << "then the tenth gem, ray and flare and the door's flare";
    // A long frame at the end still cuts the leaf at the floor.
    manager->SetStage(10, 1);
    Run(1.2f);
    Run(0.5f);
    manager->Update(5.0f);
    EXPECT_EQ(d.DoorState(), CDoorBackground::kDoorIdle);
    EXPECT_FLOAT_EQ(d.LeafPolygon[0].V, 264.0f);
}

TEST_F(FinaleFixture, TheShadowDarkensThroughItsMask) {
    Begin(CBackgroundsManager::kDoor);
    CDoorBackground& d = manager->Door();
    manager->SetStage(10, 1);
    BeginFrame();
    EXPECT_EQ(manager->RenderCurrent(), 0);
    EndFrame();
    const gpu::DrawRecord* shadow = nullptr;
    for (const gpu::DrawRecord& r : rec->Draws())
        if (r.state.textureIds[0] == gpu::RecordingId(d.Shadow->GetTexture()))
            shadow = &r;
    ASSERT_NE(shadow, nullptr);
    EXPECT_EQ(shadow->numVertices, 4u);
    EXPECT_EQ(shadow->primCount, 2u);
    EXPECT_EQ(shadow->state.textureIds[1], gpu::RecordingId(d.Mask->GetTexture()));
    EXPECT_EQ(shadow->state.renderStates[gpu::Rs::SrcBlend], gpu::Blend::Zero);
    EXPECT_EQ(shadow->state.renderStates[gpu::Rs::DestBlend], gpu::Blend::InvSrcColor);
    EXPECT_EQ(shadow->state.stageStates[0][gpu::Tss::AddressV], gpu::Tadr::Clamp);
    // The door pieces (pass 0) come before the shadow, the curtains after.
    EXPECT_NE(&rec->Draws().back(), shadow);
    EXPECT_EQ(device->GetCachedStageState(0, gpu::Tss::AddressV), gpu::Tadr::Wrap);
    EXPECT_EQ(device->GetCachedStageState(1, gpu::Tss::ColorOp), gpu::Top::Disable);
}
