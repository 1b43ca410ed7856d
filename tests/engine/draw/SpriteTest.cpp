// Sprite quads (blend modes, vertices, life, spin, scale, fade) and the sprite
// layer's ordering and two drawing passes.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/Texture.h"
#include "engine/draw/DrawFixture.h"

namespace {

using Sprite = CSharedPtr<CSpriteQuad>;

Sprite MakeSprite(CSharedPtr<CTexture> tex = {}, int32_t blended = 0, int32_t key = 0,
                  float w = 10.0f, float h = 10.0f) {
    Sprite s(new CSpriteQuad(0, 0, 0, w, h, 0xFFFFFFFF, tex, blended));
    s->Key = key;
    return s;
}

TEST(SpriteQuad, BlendModesAndPremultipliedColour) {
    auto s = MakeSprite();
    const uint32_t pairs[4][2] = {{5, 6}, {5, 2}, {1, 4}, {2, 4}};
    for (int mode = 0; mode < 4; ++mode) {
        s->SetBlend(1, mode);
        EXPECT_EQ(s->SrcBlend, pairs[mode][0]);
        EXPECT_EQ(s->DestBlend, pairs[mode][1]);
    }
    s->SetBlend(0, 4);
    EXPECT_EQ(s->SrcBlend, 2u) << "an unknown mode keeps the pair";
    EXPECT_EQ(s->DestBlend, 4u);
    EXPECT_EQ(s->Blended, 0);

    s->SetAlpha(0.5f);
    EXPECT_EQ(s->VertexColour(), 0x7F7F7F7Fu) << "inverse source colour premultiplies";
    s->SetBlend(1, CSpriteQuad::BlendNormal);
    s->SetColour(0xFF204080);
    EXPECT_EQ(s->VertexColour(), 0x7F204080u);
    s->SetAlpha(3.0f);
    EXPECT_EQ(s->VertexColour() >> 24, 255u) << "alpha is clamped, never spills";
}

TEST(SpriteQuad, PivotCornersFramesAndIndices) {
    Sprite s(new CSpriteQuad(100, 50, 7, 20, 10, 0xFFFFFFFF, {}, 0));
    gpu::Vertex v[4];
    uint16_t idx[6];
    s->WriteVertices(v, idx, 40);
    EXPECT_FLOAT_EQ(v[0].x, 90.0f);
    EXPECT_FLOAT_EQ(v[0].y, 55.0f);
    EXPECT_FLOAT_EQ(v[2].x, 110.0f);
    EXPECT_FLOAT_EQ(v[2].y, 45.0f);
    EXPECT_FLOAT_EQ(v[1].z, 7.0f);
    const uint16_t expectIdx[6] = {40, 41, 42, 40, 42, 43};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(idx[i], expectIdx[i]);

    s->PivotX = -0.5f;
    s->PivotY = 0.5f;
    s->WriteVertices(v, idx, 0);
    EXPECT_FLOAT_EQ(v[0].x, 100.0f) << "the position is the top-left corner";
    EXPECT_FLOAT_EQ(v[0].y, 50.0f);

    EXPECT_EQ(s->AddFrame(0.5f, 0.0f, 1.0f, 0.5f), 1);
    s->CurrentFrame = 1;
    s->WriteVertices(v, idx, 0);
    EXPECT_FLOAT_EQ(v[0].u0, 0.5f);
    EXPECT_FLOAT_EQ(v[2].v0, 0.5f);
    s->CurrentFrame = 9;  // no such frame: the first one is used
    s->WriteVertices(v, idx, 0);
    EXPECT_FLOAT_EQ(v[2].u0, 1.0f);
    EXPECT_FLOAT_EQ(v[2].v0, 1.0f);

    const CTexCoord corners[4] = {{0, 0}, {1, 0}, {1, -1}, {0, -2}};
    s->SetCorners(corners);
    s->WriteVertices(v, idx, 0);
    EXPECT_FLOAT_EQ(v[3].x, 100.0f);
    EXPECT_FLOAT_EQ(v[3].y, 30.0f);
    EXPECT_FLOAT_EQ(v[2].x, 120.0f);
}

TEST(SpriteQuad, LifeFadeSpinScaleAndFade) {
    auto life = MakeSprite();
    life->LifeOn = 1;
    life->LifeFadeOn = 1;
    life->Update(0.8f);
    EXPECT_NEAR(life->Alpha, 0.8f, 1e-5);
    life->Update(0.1f);
    EXPECT_NEAR(life->Alpha, 0.4f, 1e-5);
    EXPECT_EQ(life->FadeOn, 0);

    auto spin = MakeSprite();
    spin->SpinOn = 1;
    spin->Update(1.0f);
    EXPECT_NEAR(spin->Angle, 3.1415927f, 1e-5);
    for (int i = 0; i < 7; ++i) {
        spin->Update(0.7f);
        EXPECT_GE(spin->Angle, 0.0f);
        EXPECT_LE(spin->Angle, 6.2831855f);
    }
    spin->SpinSpeed = -3.0f;
    spin->Angle = 0.5f;
    spin->Update(1.0f);
    EXPECT_NEAR(spin->Angle, 6.2831855f - 2.5f, 1e-5);

    auto grow = MakeSprite();
    grow->WidthSpeed = grow->HeightSpeed = 4.0f;
    grow->ScaleTo(20.0f, 5.0f);
    grow->Update(1.0f);
    EXPECT_FLOAT_EQ(grow->Width, 14.0f);
    EXPECT_FLOAT_EQ(grow->Height, 6.0f);
    EXPECT_FLOAT_EQ(grow->EdgeA.X, 14.0f);
    grow->Update(5.0f);
    EXPECT_FLOAT_EQ(grow->Width, 20.0f);
    EXPECT_FLOAT_EQ(grow->Height, 5.0f);
    EXPECT_EQ(grow->ScaleChangeOn, 1) << "stays on, resting at the target";

    auto fade = MakeSprite();
    fade->FadeSpeed = 2.0f;
    fade->FadeTo(0.0f);
    fade->Update(0.3f);
    EXPECT_NEAR(fade->Alpha, 0.4f, 1e-5);
    fade->Update(0.3f);
    EXPECT_EQ(fade->Alpha, 0.0f);
    EXPECT_EQ(fade->FadeOn, 0);
}

class SpriteLayerTest : public drawtest::DrawFixture {
protected:
    std::vector<CSpriteQuad*> Order(const CSpriteLayer& layer) {
        std::vector<CSpriteQuad*> out;
        for (const auto& s : layer.GetDrawn())
            out.push_back(s.Get());
        return out;
    }
};

TEST_F(SpriteLayerTest, InsertKeepsKeysDescendingAndBatchesTogether) {
    auto t1 = MakeTexture("T1");
    auto t2 = MakeTexture("T2");
    CSpriteLayer layer(device, vb, ib);
    auto a = MakeSprite(t1, 0, 0), b = MakeSprite(t2, 0, 0), c = MakeSprite(t1, 0, 0);
    auto d = MakeSprite(t1, 1, 0), high = MakeSprite(t2, 1, 9), low = MakeSprite(t1, 0, -4);
    for (auto s : {a, b, c, d, high, low})
        layer.Add(s);
    EXPECT_EQ(Order(layer),
              (std::vector<CSpriteQuad*>{high.Get(), c.Get(), a.Get(), d.Get(), b.Get(), low.Get()}));

    // A key changed in place waits for Resort.
    low->Key = 20;
    EXPECT_EQ(layer.GetDrawn().back().Get(), low.Get());
    layer.Resort();
    EXPECT_EQ(layer.GetDrawn().front().Get(), low.Get());

    // Hidden sprites are parked and not updated unless forced.
    a->SpinOn = 1;
    layer.SetDynamic(a, 0);
    EXPECT_EQ(layer.GetDrawn().size(), 5u);
    ASSERT_EQ(layer.GetParked().size(), 1u);
    layer.Update(1.0f, 0);
    EXPECT_EQ(a->Angle, 0.0f);
    layer.Update(1.0f, 1);
    EXPECT_GT(a->Angle, 0.0f);
    a->Key = 30;
    layer.SetDynamic(a, 1);
    EXPECT_EQ(layer.GetDrawn().front().Get(), a.Get());
    EXPECT_TRUE(layer.GetParked().empty());

    layer.Remove(a);
    layer.Remove(b);
    EXPECT_EQ(layer.GetDrawn().size(), 4u);
    EXPECT_EQ(a.UseCount(), 1u);

    // Expired sprites leave the layer.
    c->LifeOn = 1;
    c->RemainingLife = 0.5f;
    layer.Update(0.5f, 0);
    EXPECT_EQ(layer.GetDrawn().size(), 3u);
}

TEST_F(SpriteLayerTest, BlendedPassDrawsByKeyAndTagWithItsStates) {
    auto t1 = MakeTexture("T1");
    CSpriteLayer layer(device, vb, ib);
    auto k5a = MakeSprite(t1, 1, 0), k3 = MakeSprite(t1, 1, 0), k5b = MakeSprite(t1, 1, 0);
    auto otherTag = MakeSprite(t1, 1, 0), solid = MakeSprite(t1, 0, 0);
    otherTag->PassTag = 0;
    solid->PassTag = 0;
    for (auto s : {k5a, k3, k5b, otherTag, solid})
        layer.Add(s);
    k5a->Key = 5;
    k3->Key = 3;
    k5b->Key = 5;
    k3->DepthTest = 0;
    k3->SetBlend(1, CSpriteQuad::BlendAdd);

    device->SetRenderState(gpu::Rs::ZWriteEnable, 0);
    device->SetRenderState(gpu::Rs::ZFunc, gpu::Cmp::LessEqual);
    BeginFrame();
    layer.Draw(1);
    EndFrame();
    const auto& draws = rec->Draws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].primCount, 4u) << "both key-5 sprites in one run";
    EXPECT_EQ(draws[1].primCount, 2u);
    const auto& rs0 = draws[0].state.renderStates;
    EXPECT_EQ(rs0[gpu::Rs::AlphaBlendEnable], 1u);
    EXPECT_EQ(rs0[gpu::Rs::AlphaRef], 0u);
    EXPECT_EQ(rs0[gpu::Rs::ZWriteEnable], 1u);
    EXPECT_EQ(rs0[gpu::Rs::ZFunc], gpu::Cmp::LessEqual);
    EXPECT_EQ(rs0[gpu::Rs::DestBlend], gpu::Blend::InvSrcAlpha);
    const auto& rs1 = draws[1].state.renderStates;
    EXPECT_EQ(rs1[gpu::Rs::ZFunc], gpu::Cmp::Always) << "no depth test";
    EXPECT_EQ(rs1[gpu::Rs::DestBlend], gpu::Blend::One);
    EXPECT_EQ(RenderState(gpu::Rs::ZWriteEnable), 0u) << "restored";
    EXPECT_EQ(RenderState(gpu::Rs::ZFunc), gpu::Cmp::LessEqual);

    // The alpha-tested pass ignores tags and takes only unblended sprites.
    BeginFrame();
    layer.Prepare();
    EndFrame();
    ASSERT_EQ(rec->Draws().size(), 1u);
    const auto& p = rec->Draws()[0];
    EXPECT_EQ(p.primCount, 2u);
    EXPECT_EQ(p.state.renderStates[gpu::Rs::AlphaBlendEnable], 0u);
    EXPECT_EQ(p.state.renderStates[gpu::Rs::AlphaRef], 0x80u);
    EXPECT_EQ(p.state.renderStates[gpu::Rs::ZWriteEnable], 1u);
    EXPECT_EQ(p.state.textureIds[0], gpu::RecordingId(t1->GetTexture()));
    EXPECT_EQ(RenderState(gpu::Rs::ZWriteEnable), 0u);
}

TEST_F(SpriteLayerTest, AlphaTestedRunsBreakOnTextureAndDepthWriteAndStopOnAFailedLock) {
    auto t1 = MakeTexture("T1");
    auto t2 = MakeTexture("T2");
    CSpriteLayer layer(device, vb, ib);
    auto a = MakeSprite(t1), b = MakeSprite(t1), c = MakeSprite(t1), d = MakeSprite(t2);
    auto skipped = MakeSprite(t2, 1);
    b->DepthWrite = 0;
    c->DepthWrite = 0;
    for (auto s : {a, b, c, skipped, d})
        layer.Add(s);
    BeginFrame();
    layer.Prepare();
    EndFrame();
    const auto& draws = rec->Draws();
    ASSERT_EQ(draws.size(), 3u);
    // Draw order: c and b (same texture, no depth writes), a, then d.
    EXPECT_EQ(draws[0].state.renderStates[gpu::Rs::ZWriteEnable], 0u);
    EXPECT_EQ(draws[0].primCount, 4u);
    EXPECT_EQ(draws[1].state.renderStates[gpu::Rs::ZWriteEnable], 1u);
    EXPECT_EQ(draws[1].primCount, 2u);
    EXPECT_EQ(draws[2].state.textureIds[0], gpu::RecordingId(t2->GetTexture()));

    device->SetRenderState(gpu::Rs::ZWriteEnable, 1);
    BeginFrame();
    rec->FailNext(gpu::Call::LockVertexBuffer, 2);
    layer.Prepare();
    EndFrame();
    EXPECT_EQ(rec->Draws().size(), 1u) << "the pass ends at the failed lock";
    EXPECT_EQ(RenderState(gpu::Rs::ZWriteEnable), 1u);
    EXPECT_EQ(vb->GetLockCount(), 0u);
}

TEST_F(SpriteLayerTest, ALayerDrawsSeveralRunsAtTheRightBufferOffsets) {
    CSpriteLayer layer(device, vb, ib);
    std::vector<CSharedPtr<CTexture>> textures;
    for (int i = 0; i < 3; ++i) {
        textures.push_back(MakeTexture("T" + std::to_string(i)));
        auto s = MakeSprite(textures.back());
        s->Position = CVector3(100.0f * i, 0, 0);
        layer.Add(s);
    }
    BeginFrame();
    layer.Prepare();
    EndFrame();
    ASSERT_EQ(rec->Draws().size(), 3u);
    for (const auto& d : rec->Draws()) {
        // The drawn vertex is the sprite of that draw's texture.
        const gpu::Vertex v = d.IndexedVertex(0);
        int which = -1;
        for (int i = 0; i < 3; ++i)
            if (d.state.textureIds[0] == gpu::RecordingId(textures[i]->GetTexture()))
                which = i;
        ASSERT_GE(which, 0);
        EXPECT_FLOAT_EQ(v.x, 100.0f * which - 5.0f);
    }
}

} // namespace
