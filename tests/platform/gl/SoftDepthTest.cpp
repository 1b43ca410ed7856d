// The software back end's depth buffer against the GL back end's: random runs
// of depth-writing draws and whole or partial depth clears, read out by
// depth-tested layers, leave the same picture on both.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "platform/gpu/FrameProbe.h"
#include "platform/gpu/GlApi.h"
#include "platform/os/Window.h"
#include "support/GpuOwned.h"

namespace {

constexpr int kW = 256, kH = 192;

struct Rect {
    int x0, y0, x1, y1;
};

// One step of a run: a flat quad that writes depth (tested or not), or a
// depth clear of all of the target or of a rectangle.
struct Step {
    enum Kind { kDraw, kClear } kind;
    Rect r;
    float z; // 0..1
    bool tested;
    uint32_t colour;
};

std::vector<Step> RandomRun(uint32_t seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto rect = [&] {
        const int x0 = pick(-20, kW - 10), y0 = pick(-20, kH - 10);
        return Rect{x0, y0, x0 + pick(4, kW), y0 + pick(4, kH)};
    };
    std::vector<Step> run;
    for (int i = pick(3, 10); i > 0; --i) {
        const bool clear = pick(0, 3) == 0;
        const bool whole = clear && pick(0, 1) == 0;
        // Few depth values, so that clears often repeat the one the buffer holds.
        const float z = static_cast<float>(pick(0, 4)) / 4.0f;
        run.push_back({clear ? Step::kClear : Step::kDraw, whole ? Rect{0, 0, kW, kH} : rect(), z,
                       pick(0, 1) == 1, 0xFF000000u | static_cast<uint32_t>(pick(0, 0xFFFFFF))});
    }
    return run;
}

class Target {
public:
    explicit Target(bool soft) {
        window_.reset(os::Window::Create("soft depth", kW, kH, nullptr));
        api_.reset(window_ ? (soft ? gpu::CreateSoftApi() : gpu::CreateGlApi()) : nullptr);
        gpu::PresentParams pp{
            .backBufferWidth = kW, .backBufferHeight = kH, .backBufferFormat = gpu::Fmt::X8R8G8B8};
        gpu::Device* d = nullptr;
        if (!api_ || api_->CreateDevice(0, gpu::kDeviceHal, window_.get(), 0, &pp, &d) != gpu::kOk)
            return;
        dev_.reset(d);
        gpu::VertexBuffer* vb = nullptr;
        gpu::IndexBuffer* ib = nullptr;
        d->CreateVertexBuffer(4 * sizeof(gpu::Vertex), gpu::Usage::WriteOnly | gpu::Usage::Dynamic,
                              gpu::kFvfGame, gpu::Pool::Managed, &vb);
        d->CreateIndexBuffer(12, gpu::Usage::WriteOnly, gpu::Fmt::Index16, gpu::Pool::Managed, &ib);
        vb_.reset(vb);
        ib_.reset(ib);
        uint8_t* at = nullptr;
        if (ib && ib->Lock(0, 12, &at, 0) == gpu::kOk) {
            const uint16_t quad[6] = {0, 1, 2, 0, 2, 3};
            std::memcpy(at, quad, sizeof(quad));
            ib->Unlock();
        }
        gpu::Matrix id = gpu::Matrix::Identity();
        for (uint32_t t : {gpu::Ts::World, gpu::Ts::View, gpu::Ts::Projection})
            d->SetTransform(t, &id);
        d->SetVertexShader(gpu::kFvfGame);
        d->SetStreamSource(0, vb, sizeof(gpu::Vertex));
        d->SetIndices(ib, 0);
        d->SetRenderState(gpu::Rs::CullMode, gpu::Cull::None);
        d->SetRenderState(gpu::Rs::AlphaBlendEnable, 0);
        d->SetTextureStageState(0, gpu::Tss::ColorOp, gpu::Top::SelectArg1);
        d->SetTextureStageState(0, gpu::Tss::ColorArg1, gpu::Ta::Diffuse);
        d->SetTextureStageState(1, gpu::Tss::ColorOp, gpu::Top::Disable);
    }
    bool Ready() const { return dev_ && vb_ && ib_; }

    // A flat quad over the pixels of `r` (clip space, half-pixel edges).
    void Quad(const Rect& r, float z, uint32_t colour) {
        auto cx = [](int x) { return 2.0f * static_cast<float>(x) / kW - 1.0f; };
        auto cy = [](int y) { return 1.0f - 2.0f * static_cast<float>(y) / kH; };
        const gpu::Vertex v[4] = {{cx(r.x0), cy(r.y0), z, colour, 0, 0, 0, 0},
                                  {cx(r.x1), cy(r.y0), z, colour, 0, 0, 0, 0},
                                  {cx(r.x1), cy(r.y1), z, colour, 0, 0, 0, 0},
                                  {cx(r.x0), cy(r.y1), z, colour, 0, 0, 0, 0}};
        uint8_t* at = nullptr;
        ASSERT_EQ(vb_->Lock(0, sizeof(v), &at, gpu::Lock::Discard), gpu::kOk);
        std::memcpy(at, v, sizeof(v));
        vb_->Unlock();
        ASSERT_EQ(dev_->DrawIndexedPrimitive(gpu::Prim::TriangleList, 0, 4, 0, 2), gpu::kOk);
    }

    std::vector<uint32_t> Play(const std::vector<Step>& run) {
        gpu::Device& d = *dev_;
        d.BeginScene();
        d.Clear(0, nullptr, gpu::ClearFlag::Target | gpu::ClearFlag::ZBuffer, 0xFF000000u, 1.0f, 0);
        d.SetRenderState(gpu::Rs::ZEnable, 1);
        for (const Step& s : run) {
            if (s.kind == Step::kClear) {
                const gpu::Rect r{s.r.x0, s.r.y0, s.r.x1, s.r.y1};
                const bool whole = s.r.x0 == 0 && s.r.y0 == 0 && s.r.x1 == kW && s.r.y1 == kH;
                d.Clear(whole ? 0 : 1, whole ? nullptr : &r, gpu::ClearFlag::ZBuffer, 0, s.z, 0);
                continue;
            }
            d.SetRenderState(gpu::Rs::ZWriteEnable, 1);
            d.SetRenderState(gpu::Rs::ZFunc, s.tested ? gpu::Cmp::LessEqual : gpu::Cmp::Always);
            Quad(s.r, s.z, s.colour);
        }
        // Layers from far to near that write no depth show what it holds
        // (black where it holds the far end).
        d.SetRenderState(gpu::Rs::ZWriteEnable, 0);
        d.SetRenderState(gpu::Rs::ZFunc, gpu::Cmp::LessEqual);
        for (int k = 3; k >= 0; --k)
            Quad({0, 0, kW, kH}, static_cast<float>(k) / 4.0f + 0.01f,
                 0xFF000000u | static_cast<uint32_t>(40 * k + 30));
        d.EndScene();
        std::vector<uint32_t> argb;
        gpu::ProbeOf(dev_.get())->ReadBackBuffer(argb);
        return argb;
    }

private:
    std::unique_ptr<os::Window> window_;
    testsupport::ApiPtr api_;
    testsupport::Owned<gpu::Device> dev_;
    testsupport::Owned<gpu::VertexBuffer> vb_;
    testsupport::Owned<gpu::IndexBuffer> ib_;
};

TEST(SoftDepth, RunsOfDepthWritesAndClearsLeaveWhatGlLeaves) {
    constexpr uint32_t kRuns = 40;
    std::vector<std::vector<uint32_t>> pictures;
    {
        Target gl(false);
        if (!gl.Ready())
            GTEST_SKIP() << "no window or no OpenGL 3.3 context";
        for (uint32_t seed = 0; seed < kRuns; ++seed)
            pictures.push_back(gl.Play(RandomRun(seed)));
    }
    Target soft(true);
    ASSERT_TRUE(soft.Ready());
    for (uint32_t seed = 0; seed < kRuns; ++seed) {
        const std::vector<uint32_t> got = soft.Play(RandomRun(seed));
        ASSERT_EQ(got.size(), pictures[seed].size());
        size_t differ = 0, first = 0;
        for (size_t i = got.size(); i-- > 0;)
            if (got[i] != pictures[seed][i])
                ++differ, first = i;
        EXPECT_EQ(differ, 0u) << "run " << seed << ", first at x " << first % kW << " y "
                              << first / kW;
    }
}

} // namespace
