// The board frame: building its quads and batches, and the batched pass with
// its fade, placement and restored states.
#include <gtest/gtest.h>

#include "engine/FadeValue.h"
#include "engine/PlayFieldStore.h"
#include "engine/draw/DrawFixture.h"

namespace {

class PlayFieldStoreTest : public drawtest::DrawFixture {
protected:
    void Build(CPlayFieldStore& store) {
        const std::vector<CFrameRect> rects{{0, 0, 10, 10}, {10, 0, 5, 5}, {0, -20, 4, 4},
                                            {-8, 8, 2, 2}};
        std::vector<CFrameTexCoord> uvs;
        for (int e = 0; e < 4; ++e)
            for (auto uv : {CFrameTexCoord{0, 0}, CFrameTexCoord{1, 0}, CFrameTexCoord{1, 1},
                            CFrameTexCoord{0, 1}})
                uvs.push_back(uv);
        store.Rebuild(rects, uvs, {0, 0, 0, 1}, {0x80FF0000, 0xFF00FF00, 0x80FF8040, 0xFFFFFFFF},
                      {0, 7, CPlayFieldStore::MethodMultiply, CPlayFieldStore::MethodMultiply});
    }
};

TEST_F(PlayFieldStoreTest, RebuildMakesOneQuadPerElementAndBatchesByTextureAndBlend) {
    CPlayFieldStore store;
    EXPECT_EQ(store.Fade.Shown, 1);
    EXPECT_EQ(store.Fade.Level, 1.0f);
    Build(store);
    ASSERT_EQ(store.Vertices.size(), 16u);
    EXPECT_EQ(store.Vertices[0].diffuse, 0x00FF0000u) << "RGB only";
    EXPECT_EQ(store.Colours[0].Alpha, 128.0f);
    EXPECT_EQ(store.Vertices[2].x, 10.0f);
    EXPECT_EQ(store.Vertices[2].y, -10.0f);
    EXPECT_EQ(store.ColourModes, (std::vector<int32_t>{0, 0, 1, 1}));
    ASSERT_EQ(store.Batches.size(), 3u);
    EXPECT_EQ(store.Batches[0].Quads, 2);
    EXPECT_EQ(store.Batches[1].Texture, 0);
    EXPECT_EQ(store.Batches[2].Texture, 1);
    EXPECT_EQ(store.BlendPairs[1].Src, gpu::Blend::Zero);
    EXPECT_EQ(store.BlendPairs[1].Dest, gpu::Blend::InvSrcColor);
    EXPECT_EQ(store.Indices[6], 4);

    // Vectors of different lengths build only the elements all of them describe.
    store.Rebuild({{0, 0, 1, 1}, {0, 0, 1, 1}}, std::vector<CFrameTexCoord>(4), {0, 0}, {0, 0},
                  {CPlayFieldStore::MethodAdd, 3});
    EXPECT_EQ(store.Vertices.size(), 4u);
    EXPECT_EQ(store.BlendPairs[0].Dest, gpu::Blend::One);
}

TEST_F(PlayFieldStoreTest, RenderPlacesFadesAndDrawsEachBatch) {
    CPlayFieldStore store;
    Build(store);
    store.Textures.push_back(MakeTexture("Frame"));
    store.Textures.push_back(MakeTexture("FrameBack"));
    store.Offset[0] = 100.0f;
    store.Offset[1] = 50.0f;
    store.Offset[2] = 7.0f;
    store.Scale[0] = 2.0f;
    store.Fade.Set(0, 0.0f);
    store.Fade.Set(1, 1.0f);
    store.Fade.Update(0.5f);
    ASSERT_EQ(store.Fade.Level, 0.5f);

    BeginFrame();
    EXPECT_EQ(store.Render(device, vb, ib), 1);
    EndFrame();
    const auto& draws = rec->Draws();
    ASSERT_EQ(draws.size(), 3u);
    const gpu::Vertex v0 = draws[0].IndexedVertex(0);
    EXPECT_FLOAT_EQ(v0.x, 100.0f);
    EXPECT_FLOAT_EQ(v0.y, 50.0f);
    EXPECT_FLOAT_EQ(v0.z, 7.0f);
    const gpu::Vertex v2 = draws[0].IndexedVertex(2);
    EXPECT_FLOAT_EQ(v2.x, 120.0f);
    EXPECT_FLOAT_EQ(v2.y, 40.0f);
    EXPECT_EQ(v0.diffuse, 0x40FF0000u) << "plain alpha halved";
    EXPECT_EQ(draws[1].IndexedVertex(0).diffuse, 0x40402010u) << "premultiplied and halved";
    EXPECT_EQ(draws[0].primCount, 4u);
    EXPECT_EQ(draws[1].minIndex, draws[0].minIndex + 8);
    EXPECT_EQ(draws[1].startIndex, draws[0].startIndex + 12);
    EXPECT_EQ(draws[2].minIndex, draws[0].minIndex + 12);
    EXPECT_EQ(draws[0].state.textures[0], store.Textures[0]->GetTexture());
    EXPECT_EQ(draws[1].state.textures[0], store.Textures[0]->GetTexture());
    EXPECT_EQ(draws[2].state.textures[0], store.Textures[1]->GetTexture());
    EXPECT_EQ(draws[0].state.renderStates[gpu::Rs::DestBlend], gpu::Blend::InvSrcAlpha);
    EXPECT_EQ(draws[1].state.renderStates[gpu::Rs::SrcBlend], gpu::Blend::Zero);
    EXPECT_EQ(draws[1].state.renderStates[gpu::Rs::ZWriteEnable], 0u);
    EXPECT_EQ(draws[1].state.renderStates[gpu::Rs::AlphaRef], 1u);
    EXPECT_EQ(RenderState(gpu::Rs::ZWriteEnable), 1u);
    EXPECT_EQ(RenderState(gpu::Rs::SrcBlend), gpu::Blend::SrcAlpha);
    EXPECT_EQ(RenderState(gpu::Rs::DestBlend), gpu::Blend::InvSrcAlpha);
    EXPECT_EQ(vb.UseCount(), 2u) << "the pass let go of the handles it was given";
}

TEST_F(PlayFieldStoreTest, AFailedLockSkipsThePassButRestoresDepthWritesAndBlend) {
    CPlayFieldStore store;
    Build(store);
    store.Batches[2].Texture = 9;  // no such texture: binds none
    for (gpu::Call failing : {gpu::Call::LockVertexBuffer, gpu::Call::LockIndexBuffer}) {
        BeginFrame();
        rec->FailNext(failing);
        EXPECT_EQ(store.Render(device, vb, ib), 0);
        EndFrame();
        EXPECT_TRUE(rec->Draws().empty());
        EXPECT_EQ(RenderState(gpu::Rs::ZWriteEnable), 1u);
        EXPECT_EQ(RenderState(gpu::Rs::SrcBlend), gpu::Blend::SrcAlpha);
        EXPECT_EQ(RenderState(gpu::Rs::DestBlend), gpu::Blend::InvSrcAlpha);
        EXPECT_EQ(vb->GetLockCount(), 0u);
    }
    BeginFrame();
    EXPECT_EQ(store.Render(device, vb, ib), 1);
    EndFrame();
    ASSERT_EQ(rec->Draws().size(), 3u);
    EXPECT_EQ(rec->Draws()[2].state.textures[0], nullptr);
}

} // namespace
