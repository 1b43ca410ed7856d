#pragma once
// A window, a device of one back end that draws (GL or our rasteriser: the
// test's parameter) on it, and helpers to draw quads the way the game does
// (virtual 1024x768 units, half-pixel edges) and to read pixels back. Every
// test runs on both, held to the same pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/FrameProbe.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/gl/GlDevice.h"
#include "platform/os/Window.h"

namespace gltest {

// D3DX-style left-handed orthographic projection: z in [zn, zf] -> [0, 1].
inline gpu::Matrix OrthoLH(float w, float h, float zn, float zf) {
    gpu::Matrix m{};
    m.m[0][0] = 2.0f / w;
    m.m[1][1] = 2.0f / h;
    m.m[2][2] = 1.0f / (zf - zn);
    m.m[3][2] = zn / (zn - zf);
    m.m[3][3] = 1.0f;
    return m;
}

inline uint8_t A(uint32_t c) {
    return static_cast<uint8_t>(c >> 24);
}
inline uint8_t R(uint32_t c) {
    return static_cast<uint8_t>(c >> 16);
}
inline uint8_t G(uint32_t c) {
    return static_cast<uint8_t>(c >> 8);
}
inline uint8_t B(uint32_t c) {
    return static_cast<uint8_t>(c);
}
inline uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// Channels equal within `tol`; prints both words on failure.
inline ::testing::AssertionResult Near(uint32_t got, uint32_t want, int tol = 1,
                                       bool alpha = true) {
    auto d = [](uint8_t x, uint8_t y) { return x > y ? x - y : y - x; };
    bool ok = d(R(got), R(want)) <= tol && d(G(got), G(want)) <= tol && d(B(got), B(want)) <= tol &&
              (!alpha || d(A(got), A(want)) <= tol);
    if (ok)
        return ::testing::AssertionSuccess();
    char buf[64];
    std::snprintf(buf, sizeof(buf), "got 0x%08X, want 0x%08X", got, want);
    return ::testing::AssertionFailure() << buf;
}

struct Quad {
    // Pixel rectangle [x0, x1) x [y0, y1) of a 1024x768 viewport, top-left origin.
    int x0, y0, x1, y1;
    uint32_t color = 0xFFFFFFFF;
    float z = 0.0f;
    float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};

// The back ends that draw, by the names GLORVANE_RENDERER gives them.
inline const char* const kDrawingBackEnds[] = {"gl", "soft"};

class DeviceFixture : public ::testing::TestWithParam<const char*> {
protected:
    static constexpr uint32_t kW = 1024, kH = 768;
    static constexpr uint32_t kMaxVertices = 4096;

    void SetUp() override { Open(kW, kH, gpu::Fmt::X8R8G8B8); }

    void TearDown() override { Close(); }

    void Open(uint32_t w, uint32_t h, uint32_t format) {
        std::string error;
        window_.reset(
            os::Window::Create("gl test", static_cast<int>(w), static_cast<int>(h), &error));
        if (!window_)
            GTEST_SKIP() << "no video driver (" << error << ")";
        api_ = Soft() ? gpu::CreateSoftApi() : gpu::CreateGlApi();
        ASSERT_NE(api_, nullptr);
        gpu::PresentParams pp;
        pp.backBufferWidth = w;
        pp.backBufferHeight = h;
        pp.backBufferFormat = format;
        pp.window = window_.get();
        pp.windowed = 1;
        gpu::Device* d = nullptr;
        gpu::Result r = api_->CreateDevice(0, gpu::kDeviceHal, window_.get(),
                                           gpu::kCreateHardwareVertexProcessing, &pp, &d);
        if (r == gpu::kErrNotAvailable)
            GTEST_SKIP() << "no OpenGL 3.3 context on this driver";
        ASSERT_EQ(r, gpu::kOk);
        dev_ = d;
        probe_ = gpu::ProbeOf(d);
        ASSERT_NE(probe_, nullptr);
        ASSERT_EQ(dev_->CreateVertexBuffer(kMaxVertices * 32,
                                           gpu::Usage::WriteOnly | gpu::Usage::Dynamic,
                                           gpu::kFvfGame, gpu::Pool::Managed, &vb_),
                  gpu::kOk);
        ASSERT_EQ(dev_->CreateIndexBuffer(kMaxVertices / 4 * 6 * 2,
                                          gpu::Usage::WriteOnly | gpu::Usage::Dynamic,
                                          gpu::Fmt::Index16, gpu::Pool::Managed, &ib_),
                  gpu::kOk);
        GameStates();
    }

    void Close() {
        for (gpu::Texture* t : textures_)
            t->Release();
        textures_.clear();
        DropBuffers();
        if (dev_)
            dev_->Release();
        dev_ = nullptr;
        probe_ = nullptr;
        if (api_)
            api_->Release();
        api_ = nullptr;
        window_.reset();
    }

    // Releases the fixture's vertex and index buffer (before a reset, say).
    void DropBuffers() {
        if (vb_)
            vb_->Release();
        if (ib_)
            ib_->Release();
        vb_ = nullptr;
        ib_ = nullptr;
    }

    // What the renderer sets up at creation and at the start of a frame.
    // A cleared target and the game's states for layered draws: depth tested
    // less-or-equal, blended by source alpha, alpha tested above `alphaRef`.
    void LayeredStates(uint32_t alphaRef) {
        ClearAll(0xFF203040);
        GameStates();
        Rs(gpu::Rs::ZEnable, 1);
        Rs(gpu::Rs::ZFunc, gpu::Cmp::LessEqual);
        Rs(gpu::Rs::AlphaBlendEnable, 1);
        Rs(gpu::Rs::SrcBlend, gpu::Blend::SrcAlpha);
        Rs(gpu::Rs::DestBlend, gpu::Blend::InvSrcAlpha);
        Rs(gpu::Rs::AlphaFunc, gpu::Cmp::Greater);
        Rs(gpu::Rs::AlphaRef, alphaRef);
    }

    void GameStates() {
        dev_->SetRenderState(gpu::Rs::Lighting, 0);
        dev_->SetRenderState(gpu::Rs::CullMode, gpu::Cull::None);
        dev_->SetVertexShader(gpu::kFvfGame);
        gpu::Matrix id = gpu::Matrix::Identity();
        gpu::Matrix proj = OrthoLH(1024, 768, -1000, 1000);
        dev_->SetTransform(gpu::Ts::World, &id);
        dev_->SetTransform(gpu::Ts::View, &id);
        dev_->SetTransform(gpu::Ts::Projection, &proj);
        dev_->SetStreamSource(0, vb_, 32);
        dev_->SetIndices(ib_, 0);
        // Stage 0 = texture x diffuse, as every frame of the game starts.
        Stage(0, gpu::Top::Modulate, gpu::Ta::Texture, gpu::Ta::Diffuse);
        StageAlpha(0, gpu::Top::Modulate, gpu::Ta::Texture, gpu::Ta::Diffuse);
        Stage(1, gpu::Top::Disable, gpu::Ta::Texture, gpu::Ta::Current);
        StageAlpha(1, gpu::Top::Disable, gpu::Ta::Texture, gpu::Ta::Current);
    }

    void Stage(uint32_t s, uint32_t op, uint32_t a1, uint32_t a2) {
        dev_->SetTextureStageState(s, gpu::Tss::ColorOp, op);
        dev_->SetTextureStageState(s, gpu::Tss::ColorArg1, a1);
        dev_->SetTextureStageState(s, gpu::Tss::ColorArg2, a2);
    }
    void StageAlpha(uint32_t s, uint32_t op, uint32_t a1, uint32_t a2) {
        dev_->SetTextureStageState(s, gpu::Tss::AlphaOp, op);
        dev_->SetTextureStageState(s, gpu::Tss::AlphaArg1, a1);
        dev_->SetTextureStageState(s, gpu::Tss::AlphaArg2, a2);
    }
    void Filter(uint32_t s, uint32_t minMag, uint32_t mip) {
        dev_->SetTextureStageState(s, gpu::Tss::MinFilter, minMag);
        dev_->SetTextureStageState(s, gpu::Tss::MagFilter, minMag);
        dev_->SetTextureStageState(s, gpu::Tss::MipFilter, mip);
    }
    void Rs(uint32_t state, uint32_t value) { dev_->SetRenderState(state, value); }

    // The vertices of a quad in the game's order: top left, top right, bottom right,
    // bottom left, edges half a unit off the integer grid.
    static void QuadVertices(const Quad& q, gpu::Vertex* v) {
        float l = static_cast<float>(q.x0) - 512.5f, r = static_cast<float>(q.x1) - 512.5f;
        float t = 384.5f - static_cast<float>(q.y0), b = 384.5f - static_cast<float>(q.y1);
        v[0] = {l, t, q.z, q.color, q.u0, q.v0, q.u0, q.v0};
        v[1] = {r, t, q.z, q.color, q.u1, q.v0, q.u1, q.v0};
        v[2] = {r, b, q.z, q.color, q.u1, q.v1, q.u1, q.v1};
        v[3] = {l, b, q.z, q.color, q.u0, q.v1, q.u0, q.v1};
    }

    // Writes the quads at the start of the shared buffers (discarding) and draws them.
    gpu::Result Draw(const std::vector<Quad>& quads, bool reversedWinding = false) {
        uint8_t* vp = nullptr;
        uint8_t* ip = nullptr;
        auto n = static_cast<uint32_t>(quads.size());
        EXPECT_EQ(vb_->Lock(0, n * 4 * 32, &vp, gpu::Lock::Discard), gpu::kOk);
        EXPECT_EQ(ib_->Lock(0, n * 6 * 2, &ip, gpu::Lock::Discard), gpu::kOk);
        auto* v = reinterpret_cast<gpu::Vertex*>(vp);
        auto* idx = reinterpret_cast<uint16_t*>(ip);
        for (uint32_t i = 0; i < n; ++i) {
            QuadVertices(quads[i], v + i * 4);
            auto b = static_cast<uint16_t>(i * 4);
            const uint16_t fwd[6] = {0, 1, 2, 0, 2, 3}, rev[6] = {0, 2, 1, 0, 3, 2};
            for (int k = 0; k < 6; ++k)
                idx[i * 6 + k] = static_cast<uint16_t>(b + (reversedWinding ? rev[k] : fwd[k]));
        }
        vb_->Unlock();
        ib_->Unlock();
        return dev_->DrawIndexedPrimitive(gpu::Prim::TriangleList, 0, n * 4, 0, n * 2);
    }

    // A texture filled from `texel(x, y)` (0xAARRGGBB) packed into `format`.
    gpu::Texture* MakeTexture(uint32_t w, uint32_t h,
                              const std::function<uint32_t(uint32_t, uint32_t)>& texel,
                              uint32_t format = gpu::Fmt::A8R8G8B8, uint32_t levels = 1) {
        gpu::Texture* t = nullptr;
        EXPECT_EQ(dev_->CreateTexture(w, h, levels, 0, format, gpu::Pool::Managed, &t), gpu::kOk);
        if (!t)
            return nullptr;
        textures_.push_back(t);
        FillLevel(t, 0, texel, format);
        return t;
    }

    static void FillLevel(gpu::Texture* t, uint32_t level,
                          const std::function<uint32_t(uint32_t, uint32_t)>& texel,
                          uint32_t format) {
        gpu::SurfaceDesc d;
        ASSERT_EQ(t->GetLevelDesc(level, &d), gpu::kOk);
        gpu::LockedRect lr;
        ASSERT_EQ(t->LockRect(level, &lr, nullptr, 0), gpu::kOk);
        for (uint32_t y = 0; y < d.height; ++y)
            for (uint32_t x = 0; x < d.width; ++x) {
                uint8_t* p = static_cast<uint8_t*>(lr.bits) + y * static_cast<uint32_t>(lr.pitch);
                uint32_t c = texel(x, y);
                if (format == gpu::Fmt::A8R8G8B8 || format == gpu::Fmt::X8R8G8B8)
                    std::memcpy(p + x * 4, &c, 4);
                else if (format == gpu::Fmt::R5G6B5 || format == gpu::Fmt::A4R4G4B4 ||
                         format == gpu::Fmt::A1R5G5B5) {
                    auto v = static_cast<uint16_t>(c); // already packed by the caller
                    std::memcpy(p + x * 2, &v, 2);
                }
            }
        ASSERT_EQ(t->UnlockRect(level), gpu::kOk);
    }

    bool Soft() const { return std::strcmp(GetParam(), "soft") == 0; }
    // The GL device, for what only it has (its shortcuts); null on the others.
    gpu::GlDevice* Gl() const { return dynamic_cast<gpu::GlDevice*>(dev_); }

    void ClearAll(uint32_t argb) {
        gpu::Viewport vp;
        dev_->GetViewport(&vp);
        gpu::Viewport full{0, 0, probe_->BackBufferWidth(), probe_->BackBufferHeight(), 0, 1};
        dev_->SetViewport(&full);
        dev_->Clear(0, nullptr, gpu::ClearFlag::Target | gpu::ClearFlag::ZBuffer, argb, 1.0f, 0);
        dev_->SetViewport(&vp);
    }

    const std::vector<uint32_t>& Read() {
        probe_->ReadBackBuffer(pixels_);
        return pixels_;
    }
    uint32_t Px(int x, int y) const {
        return pixels_[static_cast<size_t>(y) * probe_->BackBufferWidth() + x];
    }

    std::unique_ptr<os::Window> window_;
    gpu::Api* api_ = nullptr;
    gpu::Device* dev_ = nullptr;
    gpu::FrameProbe* probe_ = nullptr;
    gpu::VertexBuffer* vb_ = nullptr;
    gpu::IndexBuffer* ib_ = nullptr;
    std::vector<gpu::Texture*> textures_;
    std::vector<uint32_t> pixels_;
};

} // namespace gltest
