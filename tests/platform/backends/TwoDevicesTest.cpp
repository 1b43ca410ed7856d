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

    // Draws texture i into strip i (identity transforms: clip space), reads
    // the picture back and presents it.
    std::vector<uint32_t> DrawAndPresent() {
        const auto n = static_cast<uint32_t>(textures.size());
        uint8_t* vp = nullptr;
        uint8_t* ip = nullptr;
        EXPECT_EQ(vb->Lock(0, n * 4 * 32, &vp, 0), kOk);
        EXPECT_EQ(ib->Lock(0, n * 6 * 2, &ip, 0), kOk);
        auto* v = reinterpret_cast<Vertex*>(vp);
        auto* idx = reinterpret_cast<uint16_t*>(ip);
        for (uint32_t s = 0; s < n; ++s) {
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
        EXPECT_EQ(device->BeginScene(), kOk);
        for (uint32_t s = 0; s < n; ++s) {
            device->SetTexture(0, textures[s].get());
            EXPECT_EQ(device->DrawIndexedPrimitive(Prim::TriangleList, s * 4, 4, s * 6, 2), kOk);
        }
        EXPECT_EQ(device->EndScene(), kOk);
        std::vector<uint32_t> argb;
        ProbeOf(device.get())->ReadBackBuffer(argb);
        EXPECT_EQ(device->Present(), kOk);
        return argb;
    }
};

Api* SoftOnSurface() {
    return CreateSoftApi(true);
}

TEST(TwoDevices, EachDrawsItsOwnTexturesUploadedInTurn) {
    Drawing gl, soft;
    if (!gl.Open(CreateGlApi, "gl beside ours"))
        GTEST_SKIP() << "no OpenGL 3.3 device";
    ASSERT_TRUE(soft.Open(SoftOnSurface, "ours beside gl"));
    const uint32_t kGl[kStrips] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    const uint32_t kSoft[kStrips] = {0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
    for (uint32_t round = 0; round < kStrips; ++round) {
        SCOPED_TRACE(round);
        gl.AddTexture(kGl[round]);
        soft.AddTexture(kSoft[round]);
        for (Drawing* d : {&soft, &gl}) {
            const std::vector<uint32_t> argb = d->DrawAndPresent();
            ASSERT_EQ(argb.size(), kSize * kSize);
            for (uint32_t s = 0; s <= round; ++s) {
                const uint32_t x = (2 * s + 1) * kSize / (2 * kStrips);
                EXPECT_EQ(argb[kSize / 2 * kSize + x], d == &gl ? kGl[s] : kSoft[s])
                    << (d == &gl ? "GL" : "ours") << ", strip " << s;
            }
        }
    }
}

} // namespace
