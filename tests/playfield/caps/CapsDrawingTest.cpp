// The three caps passes on the recording back end: one draw per run of equal
// textures, the quads and their texture coordinates, the states of each pass,
// the cursor light and the chains.
#include <cmath>

#include "CapsTestSupport.h"

namespace capstest {
namespace {

using Sprite = CSharedPtr<CCapSprite>;

class CapsDrawingTest : public CapsFixture {
protected:
    void SetUp() override {
        CapsFixture::SetUp();
        LoadAll();
    }

    int Render() {
        BeginFrame();
        const int r = caps_->RenderCaps();
        EndFrame();
        return r;
    }
    int RenderChains() {
        BeginFrame();
        const int r = caps_->RenderCapChains();
        EndFrame();
        return r;
    }
    const std::vector<gpu::DrawRecord>& Draws() const { return rec->Draws(); }

    uint64_t TextureId(int listIndex) const { return IdOf(caps_->GetCapsTexture(listIndex)); }

    // The quad of draw d, sprite k (in draw order), corner c.
    static gpu::Vertex Corner(const gpu::DrawRecord& d, int k, int c) {
        return d.IndexedVertex(static_cast<size_t>(6 * k + (c == 3 ? 5 : c)));
    }

    static void ExpectSquare(const gpu::DrawRecord& d, int k, float x, float y, float h) {
        EXPECT_FLOAT_EQ(Corner(d, k, 0).x, x - h);
        EXPECT_FLOAT_EQ(Corner(d, k, 0).y, y + h);
        EXPECT_FLOAT_EQ(Corner(d, k, 1).x, x + h);
        EXPECT_FLOAT_EQ(Corner(d, k, 1).y, y + h);
        EXPECT_FLOAT_EQ(Corner(d, k, 2).x, x + h);
        EXPECT_FLOAT_EQ(Corner(d, k, 2).y, y - h);
        EXPECT_FLOAT_EQ(Corner(d, k, 3).x, x - h);
        EXPECT_FLOAT_EQ(Corner(d, k, 3).y, y - h);
    }
    static void ExpectFrameCoords(const gpu::DrawRecord& d, int k, const CCapFrame& f) {
        EXPECT_FLOAT_EQ(Corner(d, k, 0).u0, f.Left);
        EXPECT_FLOAT_EQ(Corner(d, k, 0).v0, f.Top);
        EXPECT_FLOAT_EQ(Corner(d, k, 1).u0, f.Right);
        EXPECT_FLOAT_EQ(Corner(d, k, 1).v0, f.Top);
        EXPECT_FLOAT_EQ(Corner(d, k, 2).u0, f.Right);
        EXPECT_FLOAT_EQ(Corner(d, k, 2).v0, f.Bottom);
        EXPECT_FLOAT_EQ(Corner(d, k, 3).u0, f.Left);
        EXPECT_FLOAT_EQ(Corner(d, k, 3).v0, f.Bottom);
    }
};

TEST_F(CapsDrawingTest, NothingVisibleDrawsNothingAndLocksNothing) {
    EXPECT_EQ(Render(), 0);
    const Sprite a = Make(0);
    const Sprite b = Make(55);
    a->Visible = 0;
    b->Visible = 0;
    const uint32_t cursor = vb->GetCursor();
    EXPECT_EQ(Render(), 0);
    EXPECT_EQ(RenderChains(), 0);
    EXPECT_TRUE(Draws().empty());
    EXPECT_EQ(vb->GetCursor(), cursor);
    EXPECT_EQ(rec->CallCount(gpu::Call::LockVertexBuffer), 0u);
}

TEST_F(CapsDrawingTest, OneDrawPerRunOfEqualTextures) {
    // Grouped by the draw list: three normal tokens and two dark ones, two draws.
    const Sprite a = Make(0, 0, 10.0f, 20.0f, 16.0f);
    const Sprite b = Make(51, 0, 30.0f, 20.0f, 16.0f);
    const Sprite c = Make(2, 0, 50.0f, 20.0f, 16.0f);
    const Sprite d = Make(53, 0, 70.0f, 20.0f, 16.0f);
    const Sprite e = Make(100, 0, 90.0f, 20.0f, 16.0f);
    EXPECT_EQ(Render(), 10);
    ASSERT_EQ(Draws().size(), 2u);
    EXPECT_EQ(Draws()[0].primCount, 6u);
    EXPECT_EQ(Draws()[0].numVertices, 12u);
    EXPECT_EQ(Draws()[0].state.textureIds[0], TextureId(caps::kCapsTexture));
    EXPECT_EQ(Draws()[1].primCount, 4u);
    EXPECT_EQ(Draws()[1].state.textureIds[0], TextureId(caps::kDarkTexture));
    // The second draw's vertices follow the first's in the one locked run.
    EXPECT_EQ(Draws()[1].minIndex, Draws()[0].minIndex + 12);
    EXPECT_EQ(Draws()[1].startIndex, Draws()[0].startIndex + 18);
    EXPECT_EQ(rec->CallCount(gpu::Call::LockVertexBuffer), 1u);

    // Layers that alternate the textures give one draw per sprite.
    a->Layer = 3;
    caps_->ResortSprite(a);
    b->Layer = 2;
    caps_->ResortSprite(b);
    c->Layer = 1;
    caps_->ResortSprite(c);
    // List: a (3), b (2), c (1), e (0), d (0): c and e share a texture and
    // follow each other, so they share a draw across their layers.
    EXPECT_EQ(Render(), 10);
    ASSERT_EQ(Draws().size(), 4u);
    const uint64_t want[] = {TextureId(caps::kCapsTexture), TextureId(caps::kDarkTexture),
                             TextureId(caps::kCapsTexture), TextureId(caps::kDarkTexture)};
    const uint32_t triangles[] = {2, 2, 4, 2};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(Draws()[i].state.textureIds[0], want[i]);
        EXPECT_EQ(Draws()[i].primCount, triangles[i]);
    }
    EXPECT_TRUE(caps_->GetDrawList()[3] == e);
    EXPECT_TRUE(caps_->GetDrawList()[4] == d);
}

TEST_F(CapsDrawingTest, QuadsTakeTheirFrameFromTheTrack) {
    const Sprite token = Make(3, 0, 100.0f, -50.0f, 20.0f);
    const Sprite card = Make(23, 0, -10.0f, 5.0f, 8.0f);
    // The owner advances the track position; the track 0 1 2 1 picks the frames,
    // and a position past its end keeps showing the last entry.
    const int track[] = {0, 1, 2, 1, 1, 1};
    for (int p = 0; p < 6; ++p) {
        SCOPED_TRACE(p);
        token->TrackPosition = p;
        card->TrackPosition = p;
        EXPECT_EQ(Render(), 4);
        ASSERT_EQ(Draws().size(), 2u);
        const gpu::DrawRecord& tokens = Draws()[0];
        ASSERT_EQ(tokens.state.textureIds[0], TextureId(caps::kCapsTexture));
        ExpectSquare(tokens, 0, 100.0f, -50.0f, 20.0f);
        ExpectFrameCoords(tokens, 0, CellFrame(3, track[p]));
        const gpu::DrawRecord& cards = Draws()[1];
        EXPECT_EQ(cards.state.textureIds[0], TextureId(caps::kMemoryTexture + 1));
        ExpectSquare(cards, 0, -10.0f, 5.0f, 8.0f);
        // Memory kind 23 uses record 11.
        ExpectFrameCoords(cards, 0, CellFrame(11, track[p]));
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(Corner(tokens, 0, c).diffuse, 0xFFFFFFFFu);
            EXPECT_FLOAT_EQ(Corner(tokens, 0, c).z, 0.5f);
            EXPECT_FLOAT_EQ(Corner(tokens, 0, c).u1, 0.0f);
        }
    }
    // Steel uses record 7, the dark variant its colour's record.
    token->TrackPosition = 0;
    caps_->SetKind(token, 104);
    card->Visible = 0;
    Render();
    ExpectFrameCoords(Draws()[0], 0, CellFrame(7, 0));
    caps_->SetKind(token, 56);
    Render();
    ExpectFrameCoords(Draws()[0], 0, CellFrame(6, 0));
}

TEST_F(CapsDrawingTest, SpritesWithoutAPictureAreLeftOut) {
    const Sprite good = Make(1, 0, 1.0f, 1.0f);
    const Sprite noPass = Make(2);
    noPass->NoSpritePass = 1;
    // Kinds without an animation record, and a negative track position.
    const Sprite k17 = Make(17);
    const Sprite k40 = Make(40);
    const Sprite k70 = Make(70);
    const Sprite negative = Make(4, 0, 9.0f, 9.0f);
    negative->TrackPosition = -7;
    EXPECT_EQ(Render(), 4);
    ASSERT_EQ(Draws().size(), 1u);
    EXPECT_EQ(Draws()[0].numVertices, 8u);
    EXPECT_EQ(vb->GetLastCount(), 8u); // the lock was sized exactly

    // Before the animation file is read nothing can be drawn.
    MakeManager();
    WriteTextures();
    ASSERT_EQ(caps_->LoadTextures(GfxFolder()), 1);
    const Sprite early = Make(0);
    EXPECT_EQ(Render(), 0);
    EXPECT_TRUE(Draws().empty());
}

TEST_F(CapsDrawingTest, PassStates) {
    const Sprite s = Make(0, 0, 0.0f, 0.0f, 10.0f);
    s->LightEnabled = 1;
    caps_->SetLightPoint(5.0f, 5.0f);
    EXPECT_EQ(Render(), 4);
    ASSERT_EQ(Draws().size(), 2u);

    const gpu::DrawState& sprite = Draws()[0].state;
    EXPECT_EQ(sprite.stageStates[0][gpu::Tss::ColorOp], gpu::Top::Modulate);
    EXPECT_EQ(sprite.stageStates[0][gpu::Tss::ColorArg1], gpu::Ta::Texture);
    EXPECT_EQ(sprite.stageStates[0][gpu::Tss::ColorArg2], gpu::Ta::Diffuse);
    EXPECT_EQ(sprite.stageStates[0][gpu::Tss::AlphaOp], gpu::Top::Modulate);
    EXPECT_EQ(sprite.stageStates[1][gpu::Tss::ColorOp], gpu::Top::Disable);
    EXPECT_EQ(sprite.stageStates[1][gpu::Tss::AlphaOp], gpu::Top::Disable);
    EXPECT_EQ(sprite.renderStates[gpu::Rs::CullMode], gpu::Cull::None);
    EXPECT_EQ(sprite.renderStates[gpu::Rs::AlphaTestEnable], 1u);
    EXPECT_EQ(sprite.renderStates[gpu::Rs::AlphaRef], 1u);
    EXPECT_EQ(sprite.renderStates[gpu::Rs::AlphaBlendEnable], 1u);
    EXPECT_EQ(sprite.renderStates[gpu::Rs::SrcBlend], gpu::Blend::SrcAlpha);
    EXPECT_EQ(sprite.renderStates[gpu::Rs::DestBlend], gpu::Blend::InvSrcAlpha);
    EXPECT_EQ(sprite.renderStates[gpu::Rs::ZWriteEnable], 1u);

    const gpu::DrawState& light = Draws()[1].state;
    EXPECT_EQ(light.textureIds[0], TextureId(caps::kLightTexture));
    EXPECT_EQ(light.textureIds[1], IdOf(caps_->GetCursorLightTexture()));
    EXPECT_EQ(light.stageStates[0][gpu::Tss::ColorOp], gpu::Top::SelectArg1);
    EXPECT_EQ(light.stageStates[0][gpu::Tss::AlphaOp], gpu::Top::SelectArg1);
    EXPECT_EQ(light.stageStates[1][gpu::Tss::ColorOp], gpu::Top::Modulate);
    EXPECT_EQ(light.stageStates[1][gpu::Tss::ColorArg1], gpu::Ta::Texture);
    EXPECT_EQ(light.stageStates[1][gpu::Tss::ColorArg2], gpu::Ta::Current);
    EXPECT_EQ(light.stageStates[1][gpu::Tss::AlphaOp], gpu::Top::SelectArg2);
    EXPECT_EQ(light.stageStates[1][gpu::Tss::AlphaArg2], gpu::Ta::Current);
    EXPECT_EQ(light.stageStates[1][gpu::Tss::AddressU], gpu::Tadr::Clamp);
    EXPECT_EQ(light.stageStates[1][gpu::Tss::AddressV], gpu::Tadr::Clamp);
    EXPECT_EQ(light.renderStates[gpu::Rs::SrcBlend], gpu::Blend::One);
    EXPECT_EQ(light.renderStates[gpu::Rs::DestBlend], gpu::Blend::One);
    EXPECT_EQ(light.renderStates[gpu::Rs::ZWriteEnable], 0u);
    EXPECT_EQ(light.renderStates[gpu::Rs::AlphaTestEnable], 1u);

    // Restored after the light pass.
    EXPECT_EQ(rec->StageState(1, gpu::Tss::AddressU), gpu::Tadr::Wrap);
    EXPECT_EQ(rec->StageState(1, gpu::Tss::AddressV), gpu::Tadr::Wrap);
    EXPECT_EQ(rec->StageState(0, gpu::Tss::ColorOp), gpu::Top::Modulate);
    EXPECT_EQ(rec->StageState(0, gpu::Tss::AlphaOp), gpu::Top::Modulate);
    EXPECT_EQ(rec->StageState(1, gpu::Tss::ColorOp), gpu::Top::Disable);
    EXPECT_EQ(rec->StageState(1, gpu::Tss::AlphaOp), gpu::Top::Disable);
}

TEST_F(CapsDrawingTest, CursorLightReachesThreeHalfSizes) {
    const float h = 10.0f;
    const Sprite near = Make(0, 0, 0.0f, 0.0f, h);
    const Sprite edge = Make(1, 0, 30.0f, 0.0f, h);     // exactly 3h away
    const Sprite inside = Make(2, 0, 0.0f, -29.0f, h);  // just inside
    const Sprite unlit = Make(3, 0, 0.0f, 0.0f, h);     // near, but not light-enabled
    const Sprite hidden = Make(4, 0, 0.0f, 0.0f, h);
    for (const Sprite& s : {near, edge, inside, hidden})
        s->LightEnabled = 1;
    hidden->Visible = 0;
    hidden->Lit = 1;  // untouched while hidden
    caps_->SetLightPoint(0.0f, 0.0f);
    EXPECT_EQ(Render(), 8 + 4);
    EXPECT_EQ(near->Lit, 1);
    EXPECT_EQ(edge->Lit, 0);
    EXPECT_EQ(inside->Lit, 1);
    EXPECT_EQ(unlit->Lit, 0);
    EXPECT_EQ(hidden->Lit, 1);
    EXPECT_FLOAT_EQ(inside->LightOffsetY, -29.0f);

    // The light spot's coordinates follow the offset: a = dx / 3h, b = dy / 3h.
    caps_->SetLightPoint(-6.0f, -3.0f);
    Render();
    ASSERT_EQ(Draws().size(), 2u);
    EXPECT_EQ(edge->Lit, 0);
    const gpu::DrawRecord& light = Draws()[1];
    ASSERT_EQ(light.primCount, 4u);
    // In draw-list order: inside (0, -29), then near (0, 0).
    ASSERT_TRUE(caps_->GetDrawList()[2] == inside);
    EXPECT_FLOAT_EQ(Corner(light, 0, 0).v1, -(-29.0f + 3.0f) / (3 * h));
    const float a = (0.0f + 6.0f) / (3 * h), b = (0.0f + 3.0f) / (3 * h);
    EXPECT_FLOAT_EQ(Corner(light, 1, 0).u1, a);
    EXPECT_FLOAT_EQ(Corner(light, 1, 0).v1, -b);
    EXPECT_FLOAT_EQ(Corner(light, 1, 1).u1, a + 1.0f);
    EXPECT_FLOAT_EQ(Corner(light, 1, 1).v1, -b);
    EXPECT_FLOAT_EQ(Corner(light, 1, 2).u1, a + 1.0f);
    EXPECT_FLOAT_EQ(Corner(light, 1, 2).v1, 1.0f - b);
    EXPECT_FLOAT_EQ(Corner(light, 1, 3).u1, a);
    EXPECT_FLOAT_EQ(Corner(light, 1, 3).v1, 1.0f - b);
    ExpectSquare(light, 1, 0.0f, 0.0f, h);
    ExpectFrameCoords(light, 1, CellFrame(0, 0));
}

TEST_F(CapsDrawingTest, LightPassNeedsASpritePass) {
    const Sprite s = Make(0, 0, 0.0f, 0.0f, 10.0f);
    s->LightEnabled = 1;
    s->NoSpritePass = 1;
    caps_->SetLightPoint(1.0f, 1.0f);
    EXPECT_EQ(Render(), 0);
    EXPECT_TRUE(Draws().empty());
    EXPECT_EQ(s->Lit, 0);  // the light pass did not run

    // Lit sprites are batched by their light texture: the memory atlases have
    // their own.
    s->NoSpritePass = 0;
    const Sprite card = Make(27, 0, 2.0f, 2.0f, 10.0f);
    card->LightEnabled = 1;
    EXPECT_EQ(Render(), 8);
    ASSERT_EQ(Draws().size(), 4u);
    EXPECT_EQ(Draws()[2].state.textureIds[0], TextureId(caps::kLightTexture));
    EXPECT_EQ(Draws()[3].state.textureIds[0], TextureId(caps::kMemoryLightTexture + 2));
}

TEST_F(CapsDrawingTest, ChainsUseTheirHalfOfThePicture) {
    const float h = 39.0f;
    const Sprite none = Make(0, 0, 0.0f, 0.0f, h);
    const Sprite single = Make(1, 0, 100.0f, 0.0f, h);
    const Sprite triple = Make(2, 0, 200.0f, 0.0f, h);
    const Sprite hidden = Make(3, 0, 300.0f, 0.0f, h);
    single->ChainLevel = 1;
    triple->ChainLevel = 3;
    hidden->ChainLevel = 2;
    hidden->Visible = 0;
    EXPECT_EQ(RenderChains(), 2);
    ASSERT_EQ(Draws().size(), 1u);
    const gpu::DrawRecord& d = Draws()[0];
    EXPECT_EQ(d.primCount, 4u);
    EXPECT_EQ(d.numVertices, 8u);
    EXPECT_EQ(d.state.textureIds[0], IdOf(caps_->GetChainTexture()));
    EXPECT_EQ(d.state.textureIds[1], IdOf(caps_->GetChainAlphaTexture()));
    // Draw-list order: triple was created last of its texture, so it stands first.
    ASSERT_TRUE(caps_->GetDrawList()[1] == triple);
    ExpectSquare(d, 0, 200.0f, 0.0f, 46.0f);
    ExpectSquare(d, 1, 100.0f, 0.0f, 46.0f);
    EXPECT_FLOAT_EQ(Corner(d, 0, 0).u0, 0.359375f);
    EXPECT_FLOAT_EQ(Corner(d, 0, 1).u0, 0.71875f);
    EXPECT_FLOAT_EQ(Corner(d, 1, 0).u0, 0.0f);
    EXPECT_FLOAT_EQ(Corner(d, 1, 1).u0, 0.359375f);
    for (int k = 0; k < 2; ++k)
        for (int c = 0; c < 4; ++c) {
            EXPECT_FLOAT_EQ(Corner(d, k, c).v0, c < 2 ? 0.0f : 0.71875f);
            EXPECT_FLOAT_EQ(Corner(d, k, c).u1, Corner(d, k, c).u0);
            EXPECT_FLOAT_EQ(Corner(d, k, c).v1, Corner(d, k, c).v0);
        }

    EXPECT_EQ(d.state.stageStates[0][gpu::Tss::ColorOp], gpu::Top::SelectArg1);
    EXPECT_EQ(d.state.stageStates[0][gpu::Tss::ColorArg1], gpu::Ta::Texture);
    EXPECT_EQ(d.state.stageStates[0][gpu::Tss::AlphaOp], gpu::Top::SelectArg1);
    EXPECT_EQ(d.state.stageStates[0][gpu::Tss::AlphaArg1], gpu::Ta::Diffuse);
    EXPECT_EQ(d.state.stageStates[1][gpu::Tss::ColorOp], gpu::Top::Modulate);
    EXPECT_EQ(d.state.stageStates[1][gpu::Tss::ColorArg1], gpu::Ta::Diffuse);
    EXPECT_EQ(d.state.stageStates[1][gpu::Tss::AlphaOp], gpu::Top::Modulate);
    EXPECT_EQ(d.state.stageStates[1][gpu::Tss::AlphaArg1], gpu::Ta::Texture);
    EXPECT_EQ(d.state.renderStates[gpu::Rs::SrcBlend], gpu::Blend::SrcAlpha);
    EXPECT_EQ(d.state.renderStates[gpu::Rs::DestBlend], gpu::Blend::InvSrcAlpha);
    EXPECT_EQ(d.state.renderStates[gpu::Rs::ZWriteEnable], 1u);
    EXPECT_EQ(rec->StageState(1, gpu::Tss::ColorOp), gpu::Top::Disable);
    EXPECT_EQ(rec->StageState(0, gpu::Tss::ColorOp), gpu::Top::Modulate);
    EXPECT_EQ(rec->StageState(0, gpu::Tss::AlphaArg1), gpu::Ta::Texture);
    (void)none;
}

TEST_F(CapsDrawingTest, TheClipCutsEveryPassAtItsEdges) {
    // A token astride the clip's top-left corner keeps the quarter inside, with
    // the coordinates of that quarter in every set; one just outside, even lit,
    // and one whose chain stays just right of the edge are left out of every pass.
    const float h = 10.0f, hc = h * caps::kChainScale;
    const Sprite beside = Make(3, 0, 62.0f, 0.0f, h); // its chain from 50.2
    const Sprite outside = Make(2, 0, -50.0f, 75.0f, h);
    const Sprite corner = Make(1, 0, -50.0f, 50.0f, h);
    const Sprite inside = Make(0, 0, 0.0f, 0.0f, h);
    for (const Sprite& s : {beside, outside, corner, inside}) {
        s->LightEnabled = 1;
        s->ChainLevel = 1;
    }
    ASSERT_TRUE(caps_->GetDrawList()[1] == corner);
    caps_->SetLightPoint(-50.0f, 50.0f);
    caps_->SetClip(-50.0f, 50.0f, 50.0f, -50.0f);
    EXPECT_EQ(Render(), 2 * 2 + 2); // inside and corner; the corner alone is lit
    ASSERT_EQ(Draws().size(), 2u);
    ExpectSquare(Draws()[0], 0, 0.0f, 0.0f, h);
    ExpectFrameCoords(Draws()[0], 0, CellFrame(0, 0));
    const CCapFrame f = CellFrame(1, 0);
    const auto mid = [](float a, float b) { return 0.5f * (a + b); };
    for (const gpu::Vertex c :
         {Corner(Draws()[0], 1, 0), Corner(Draws()[1], 0, 0)}) { // top-left, both passes
        EXPECT_FLOAT_EQ(c.x, -50.0f);
        EXPECT_FLOAT_EQ(c.y, 50.0f);
        EXPECT_FLOAT_EQ(c.u0, mid(f.Left, f.Right));
        EXPECT_FLOAT_EQ(c.v0, mid(f.Top, f.Bottom));
    }
    for (const gpu::Vertex c : {Corner(Draws()[0], 1, 2), Corner(Draws()[1], 0, 2)}) {
        EXPECT_FLOAT_EQ(c.x, -40.0f);
        EXPECT_FLOAT_EQ(c.y, 40.0f);
        EXPECT_FLOAT_EQ(c.u0, f.Right);
        EXPECT_FLOAT_EQ(c.v0, f.Bottom);
    }
    // The light spot (centred on the token: 0 to 1 both ways) is cut with it.
    EXPECT_FLOAT_EQ(Corner(Draws()[1], 0, 0).u1, 0.5f);
    EXPECT_FLOAT_EQ(Corner(Draws()[1], 0, 0).v1, 0.5f);
    EXPECT_FLOAT_EQ(Corner(Draws()[1], 0, 2).u1, 1.0f);
    EXPECT_FLOAT_EQ(Corner(Draws()[1], 0, 2).v1, 1.0f);

    EXPECT_EQ(RenderChains(), 2);
    ASSERT_EQ(Draws().size(), 1u);
    ExpectSquare(Draws()[0], 0, 0.0f, 0.0f, hc);
    const gpu::Vertex tl = Corner(Draws()[0], 1, 0), br = Corner(Draws()[0], 1, 2);
    EXPECT_FLOAT_EQ(tl.x, -50.0f);
    EXPECT_FLOAT_EQ(br.x, -50.0f + hc);
    EXPECT_FLOAT_EQ(tl.u0, 0.5f * caps::kChainImageWidth);
    EXPECT_FLOAT_EQ(tl.u1, tl.u0);
    EXPECT_FLOAT_EQ(br.v0, caps::kChainImageHeight);

    // Without the clip every token shows whole.
    caps_->ClearClip();
    EXPECT_EQ(Render(), 4 * 2 + 2 * 2);
    ExpectSquare(Draws()[0], 1, -50.0f, 50.0f, h);
    EXPECT_EQ(RenderChains(), 4);
}

TEST_F(CapsDrawingTest, FailedLocksDrawNothing) {
    const Sprite a = Make(0);
    const Sprite b = Make(55);
    a->ChainLevel = 1;
    a->LightEnabled = 1;

    rec->FailNext(gpu::Call::LockVertexBuffer);
    EXPECT_EQ(Render(), -1);
    EXPECT_TRUE(Draws().empty());
    rec->FailNext(gpu::Call::LockIndexBuffer);
    EXPECT_EQ(Render(), -1);
    EXPECT_TRUE(Draws().empty());
    EXPECT_EQ(vb->GetLockCount(), 0u);
    EXPECT_EQ(ib->GetLockCount(), 0u);
    rec->FailNext(gpu::Call::LockVertexBuffer);
    EXPECT_EQ(RenderChains(), -1);
    EXPECT_TRUE(Draws().empty());

    // The light pass's lock fails after the sprites were drawn.
    rec->FailNext(gpu::Call::LockVertexBuffer, 2);
    EXPECT_EQ(Render(), -1);
    EXPECT_EQ(Draws().size(), 2u);
    EXPECT_EQ(vb->GetLockCount(), 0u);

    // A buffer too small for the pass fails cleanly as well.
    MakeBuffers(4, 6);
    MakeManager();
    LoadAll();
    const Sprite c = Make(0);
    const Sprite d = Make(1);
    EXPECT_EQ(Render(), -1);
    EXPECT_TRUE(Draws().empty());
    d->Visible = 0;
    EXPECT_EQ(Render(), 2);
}

TEST_F(CapsDrawingTest, FullBoardDrawsInFewCalls) {
    // An 8x8 board of seven colours, a few dark tokens and steel, plus falling
    // replacements one layer up: one draw per texture and layer.
    std::vector<Sprite> board;
    for (int i = 0; i < 64; ++i)
        board.push_back(Make(i % 9 == 8 ? 100 : (i % 7) + (i % 5 == 0 ? 50 : 0), 0,
                             static_cast<float>(i % 8) * 40, static_cast<float>(i / 8) * 40));
    for (int i = 0; i < 8; ++i)
        board.push_back(Make(i % 7, 1, static_cast<float>(i) * 40, 400.0f));
    EXPECT_EQ(Render(), 72 * 2);
    EXPECT_EQ(Draws().size(), 3u);
    EXPECT_EQ(caps_->GetBatches().capacity(), 128u);
    EXPECT_EQ(caps_->GetDrawList().capacity(), 128u);
}

} // namespace
} // namespace capstest
