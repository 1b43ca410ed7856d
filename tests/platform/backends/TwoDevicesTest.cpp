// Two drawing devices in one process: GL beside our rasteriser presenting
// through its window's surface (which SDL may show through a GL context of
// its own). Whichever device worked last, each one's textures go into its
// own context and come out in its own picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/gpu/FrameProbe.h"
#include "platform/gpu/Gpu.h"
#include "platform/os/Window.h"
#include "support/GpuOwned.h"

namespace {

using namespace gpu;
using testsupport::Owned;

constexpr uint32_t kSize = 64;
constexpr uint32_t kStrips = 3;

// One device on a window of its own, drawing its textures side by side in
// vertical strips.
struct Drawing {
    std::unique_ptr<os::Window> window;
    testsupport::ApiPtr api;
    Owned<Device> device;
    Owned<VertexBuffer> vb;
    Owned<IndexBuffer> ib;
    std::vector<Owned<Texture>> textures;

    bool Open(Api* (*create)(), const char* title) {
        window.reset(os::Window::Create(title, kSize, kSize, nullptr));
        api.reset(window ? create() : nullptr);
        PresentParams pp{
            .backBufferWidth = kSize, .backBufferHeight = kSize, .backBufferFormat = Fmt::X8R8G8B8};
        Device* d = nullptr;
        if (!api || Failed(api->CreateDevice(0, kDeviceHal, window.get(), 0, &pp, &d)))
            return false;
        device.reset(d);
        VertexBuffer* v = nullptr;
        IndexBuffer* i = nullptr;
        EXPECT_EQ(d->CreateVertexBuffer(kStrips * 4 * 32, 0, kFvfGame, Pool::Managed, &v), kOk);
        EXPECT_EQ(d->CreateIndexBuffer(kStrips * 6 * 2, 0, Fmt::Index16, Pool::Managed, &i), kOk);
        vb.reset(v);
        ib.reset(i);
        d->SetRenderState(Rs::Lighting, 0);
        d->SetRenderState(Rs::CullMode, Cull::None);
        d->SetRenderState(Rs::ZEnable, 0);
        d->SetTextureStageState(0, Tss::ColorOp, Top::SelectArg1);
        d->SetTextureStageState(0, Tss::ColorArg1, Ta::Texture);
        d->SetVertexShader(kFvfGame);
        d->SetStreamSource(0, v, 32);
        d->SetIndices(i, 0);
        return v && i;
    }

    void AddTexture(uint32_t argb) {
        Texture* t = nullptr;
        ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &t), kOk);
        textures.emplace_back(t);
        LockedRect lr;
        ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), kOk);
        for (uint32_t y = 0; y < 4; ++y)
            for (uint32_t x = 0; x < 4; ++x)
                std::memcpy(static_cast<uint8_t*>(lr.bits) + y * lr.pitch + x * 4, &argb, 4);
        ASSERT_EQ(t->UnlockRect(0), kOk);
    }

    // Every strip's quad: four vertices and six indices each.
    void PlaceStrips() {
        uint8_t* vp = nullptr;
        uint8_t* ip = nullptr;
        EXPECT_EQ(vb->Lock(0, kStrips * 4 * 32, &vp, 0), kOk);
        EXPECT_EQ(ib->Lock(0, kStrips * 6 * 2, &ip, 0), kOk);
        auto* v = reinterpret_cast<Vertex*>(vp);
        auto* idx = reinterpret_cast<uint16_t*>(ip);
        for (uint32_t s = 0; s < kStrips; ++s) {
            const float l = -1.0f + 2.0f * static_cast<float>(s) / kStrips;
            const float r = -1.0f + 2.0f * static_cast<float>(s + 1) / kStrips;
            v[s * 4 + 0] = {l, 1, 0.5f, 0xFFFFFFFF, 0, 0, 0, 0};
            v[s * 4 + 1] = {r, 1, 0.5f, 0xFFFFFFFF, 1, 0, 1, 0};
            v[s * 4 + 2] = {r, -1, 0.5f, 0xFFFFFFFF, 1, 1, 1, 1};
            v[s * 4 + 3] = {l, -1, 0.5f, 0xFFFFFFFF, 0, 1, 0, 1};
            const uint16_t quad[6] = {0, 1, 2, 0, 2, 3};
            for (int k = 0; k < 6; ++k)
                idx[s * 6 + k] = static_cast<uint16_t>(s * 4 + quad[k]);
        }
        EXPECT_EQ(vb->Unlock(), kOk);
        EXPECT_EQ(ib->Unlock(), kOk);
    }

    // Texture s into strip s (identity transforms: clip space).
    void DrawStrip(uint32_t s) {
        device->SetTexture(0, textures[s].get());
        EXPECT_EQ(device->DrawIndexedPrimitive(Prim::TriangleList, s * 4, 4, s * 6, 2), kOk);
    }

    // Ends the scene, reads the picture back and presents it.
    std::vector<uint32_t> EndAndPresent() {
        EXPECT_EQ(device->EndScene(), kOk);
        std::vector<uint32_t> argb;
        ProbeOf(device.get())->ReadBackBuffer(argb);
        EXPECT_EQ(device->Present(), kOk);
        return argb;
    }

    // Draws texture i into strip i, reads the picture back and presents it.
    std::vector<uint32_t> DrawAndPresent() {
        PlaceStrips();
        EXPECT_EQ(device->BeginScene(), kOk);
        for (uint32_t s = 0; s < textures.size(); ++s)
            DrawStrip(s);
        return EndAndPresent();
    }
};

// The middle of each strip of a picture, in the colours given.
void ExpectStrips(const std::vector<uint32_t>& argb, const uint32_t* colours, uint32_t count,
                  const char* who) {
    ASSERT_EQ(argb.size(), kSize * kSize);
    for (uint32_t s = 0; s < count; ++s) {
        const uint32_t x = (2 * s + 1) * kSize / (2 * kStrips);
        EXPECT_EQ(argb[kSize / 2 * kSize + x], colours[s]) << who << ", strip " << s;
    }
}

Api* SoftOnSurface() {
    return CreateSoftApi(true);
}

constexpr uint32_t kGl[kStrips] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
constexpr uint32_t kSoft[kStrips] = {0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};

TEST(TwoDevices, EachDrawsItsOwnTexturesUploadedInTurn) {
    Drawing gl, soft;
    if (!gl.Open(CreateGlApi, "gl beside ours"))
        GTEST_SKIP() << "no OpenGL 3.3 device";
    ASSERT_TRUE(soft.Open(SoftOnSurface, "ours beside gl"));
    for (uint32_t round = 0; round < kStrips; ++round) {
        SCOPED_TRACE(round);
        gl.AddTexture(kGl[round]);
        soft.AddTexture(kSoft[round]);
        ExpectStrips(soft.DrawAndPresent(), kSoft, round + 1, "ours");
        ExpectStrips(gl.DrawAndPresent(), kGl, round + 1, "GL");
    }
}

// Inside a scene GL trusts the context the scene began with; whatever the
// other device does between its calls (a whole frame, shown through a context
// of SDL's own) must not send the textures or buffers filled or the strips
// drawn after it into another picture.
TEST(TwoDevices, OneShowsWholeFramesInsideTheOthersScene) {
    Drawing gl, soft;
    if (!gl.Open(CreateGlApi, "gl beside ours"))
        GTEST_SKIP() << "no OpenGL 3.3 device";
    ASSERT_TRUE(soft.Open(SoftOnSurface, "ours beside gl"));
    ASSERT_EQ(gl.device->BeginScene(), kOk);
    for (uint32_t round = 0; round < kStrips; ++round) {
        SCOPED_TRACE(round);
        soft.AddTexture(kSoft[round]);
        ExpectStrips(soft.DrawAndPresent(), kSoft, round + 1, "ours");
        gl.AddTexture(kGl[round]);
        ExpectStrips(soft.DrawAndPresent(), kSoft, round + 1, "ours");
        gl.PlaceStrips();
        ExpectStrips(soft.DrawAndPresent(), kSoft, round + 1, "ours");
        gl.DrawStrip(round);
    }
    ExpectStrips(gl.EndAndPresent(), kGl, kStrips, "GL");
}

// Dropping a window SDL showed through a GL context of its own leaves no
// context current; GL's next calls must notice (else they go nowhere, and
// the texture made next never reaches the picture).
TEST(TwoDevices, OneGoesAndTheOtherDrawsOn) {
    Drawing gl;
    if (!gl.Open(CreateGlApi, "gl beside ours"))
        GTEST_SKIP() << "no OpenGL 3.3 device";
    for (uint32_t round = 0; round < kStrips; ++round) {
        SCOPED_TRACE(round);
        {
            Drawing soft;
            ASSERT_TRUE(soft.Open(SoftOnSurface, "ours beside gl"));
            soft.AddTexture(kSoft[round]);
            ExpectStrips(soft.DrawAndPresent(), &kSoft[round], 1, "ours");
            ExpectStrips(gl.DrawAndPresent(), kGl, round, "GL");
        }
        gl.AddTexture(kGl[round]);
        ExpectStrips(gl.DrawAndPresent(), kGl, round + 1, "GL, the other gone");
    }
}

} // namespace
