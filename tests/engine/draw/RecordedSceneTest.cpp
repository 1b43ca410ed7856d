// A scene is recorded and drawn when it ends: what changes between two of its
// draws (a texture made again with another picture, the buffers started over
// by a discarding lock) must not reach the draw made before the change.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/Renderer.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "support/GlScene.h"

namespace {

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u;

class RecordedSceneTest : public ::testing::Test, public testsupport::GlScene {
protected:
    void SetUp() override { Open("recorded scene"); }
    void TearDown() override { Close(); }

    // The texture made anew, in one colour.
    void Paint(CTexture& t, uint32_t colour) {
        ASSERT_EQ(t.CreateEmpty(device_->GetDevice(), "paint", 4, 4, 1, 0, gpu::Pool::Managed,
                                gpu::Fmt::A8R8G8B8),
                  gpu::kOk);
        gpu::LockedRect lr;
        ASSERT_EQ(t.GetTexture()->LockRect(0, &lr, nullptr, 0), gpu::kOk);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                std::memcpy(static_cast<uint8_t*>(lr.bits) + y * lr.pitch + 4 * x, &colour, 4);
        t.GetTexture()->UnlockRect(0);
    }

    // A quad over clip-space x from x0 to x1 (all of y), from the start of the
    // shared buffers when `startOver`.
    void Quad(float x0, float x1, bool startOver) {
        const auto& vb = renderer_->GetSharedVertexBuffer();
        const auto& ib = renderer_->GetSharedIndexBuffer();
        gpu::Vertex* v = nullptr;
        uint16_t* idx = nullptr;
        ASSERT_EQ(vb->Lock(4, &v, startOver), gpu::kOk);
        const float xs[4] = {x0, x1, x1, x0}, ys[4] = {1, 1, -1, -1};
        for (int i = 0; i < 4; ++i)
            v[i] = gpu::Vertex{xs[i], ys[i], 0.5f, 0xFFFFFFFFu, 0.5f, 0.5f, 0, 0};
        vb->Unlock();
        ASSERT_EQ(ib->Lock(6, &idx, startOver), gpu::kOk);
        const uint32_t first = vb->GetLastStart();
        const uint16_t k[6] = {0, 1, 2, 0, 2, 3};
        for (int i = 0; i < 6; ++i)
            idx[i] = static_cast<uint16_t>(first + k[i]);
        ib->Unlock();
        device_->SetStreamSource(vb);
        device_->SetIndices(ib, 0);
        device_->DrawIndexedPrimitive(gpu::Prim::TriangleList, first, 4, ib->GetLastStart(), 2);
    }
};

TEST_F(RecordedSceneTest, ChangesBetweenDrawsLeaveTheEarlierDrawAsItWas) {
    CSharedPtr<CTexture> picture(new CTexture);
    for (bool clipped : {false, true}) {
        SCOPED_TRACE(clipped ? "clipped" : "straight to the device");
        device_->SetClipping(clipped);
        Paint(*picture, kRed);
        ASSERT_EQ(device_->BeginScene(), gpu::kOk);
        device_->Clear(0, nullptr, gpu::ClearFlag::Target | gpu::ClearFlag::ZBuffer, 0xFF000000u,
                       1.0f, 0);
        for (uint32_t t : {gpu::Ts::World, gpu::Ts::View, gpu::Ts::Projection})
            device_->SetTransform(t, gpu::Matrix::Identity());
        device_->SetRenderState(gpu::Rs::AlphaBlendEnable, 0);
        device_->SetRenderState(gpu::Rs::AlphaTestEnable, 0);
        device_->SetRenderState(gpu::Rs::CullMode, gpu::Cull::None);
        device_->SetTextureStageState(0, gpu::Tss::ColorOp, gpu::Top::SelectArg1);
        device_->SetTextureStageState(0, gpu::Tss::ColorArg1, gpu::Ta::Texture);
        device_->SetTextureStageState(1, gpu::Tss::ColorOp, gpu::Top::Disable);
        device_->SetVertexShader(gpu::kFvfGame);
        device_->SetTexture(0, picture);
        Quad(-1.0f, 0.0f, false);
        Paint(*picture, kGreen); // the old device texture goes here
        device_->SetTexture(0, picture);
        Quad(0.0f, 1.0f, true);
        ASSERT_EQ(device_->EndScene(), gpu::kOk);
        ReadBack();
        const uint32_t w = gl_->BackBufferWidth(), h = gl_->BackBufferHeight();
        EXPECT_EQ(pixels_[(h / 2) * w + w / 4], kRed) << "the first draw";
        EXPECT_EQ(pixels_[(h / 2) * w + 3 * w / 4], kGreen) << "the second draw";
    }
}

} // namespace
