// Frame time of the GL back end for a typical busy game frame at 1024x768: one
// full-screen textured backdrop, 64 blended 83x83 sprites and 500 small additive
// particles, batched by texture through the shared dynamic buffers the way the
// engine fills them (appending locks, a discard when the buffer wraps). The CPU
// column is the whole process's: the software rasteriser works on its own threads.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/gl/GlDevice.h"
#include "platform/gpu/Gpu.h"
#include "platform/os/Window.h"

namespace {

using namespace gpu;

constexpr uint32_t kW = 1024, kH = 768;
constexpr uint32_t kVertices = 65536, kIndices = 65536;

struct Scene {
    std::unique_ptr<os::Window> window;
    Api* api = nullptr;
    GlDevice* dev = nullptr;
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    Texture* backdrop = nullptr;
    Texture* sprites[4] = {};
    Texture* sparks[2] = {};
    uint32_t vbNext = 0, ibNext = 0;
    std::string error;

    bool Open() {
        // Headless machines measure on the software rasteriser.
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
            setenv("SDL_VIDEODRIVER", "offscreen", 0);
        window.reset(os::Window::Create("bench", kW, kH, &error));
        if (!window)
            return false;
        api = CreateGlApi();
        PresentParams pp;
        pp.backBufferWidth = kW;
        pp.backBufferHeight = kH;
        pp.backBufferFormat = Fmt::X8R8G8B8;
        pp.window = window.get();
        pp.presentationInterval = kPresentIntervalImmediate; // measure drawing, not the display
        Device* d = nullptr;
        if (!api || Failed(api->CreateDevice(0, kDeviceHal, window.get(),
                                             kCreateHardwareVertexProcessing, &pp, &d))) {
            error = "no OpenGL 3.3 device";
            return false;
        }
        dev = static_cast<GlDevice*>(d);
        dev->CreateVertexBuffer(kVertices * 32, Usage::WriteOnly | Usage::Dynamic, kFvfGame,
                                Pool::Default, &vb);
        dev->CreateIndexBuffer(kIndices * 2, Usage::WriteOnly | Usage::Dynamic, Fmt::Index16,
                               Pool::Default, &ib);
        backdrop = MakeTexture(1024, 1024, 0x00);
        for (int i = 0; i < 4; ++i)
            sprites[i] = MakeTexture(128, 128, 0x40 * i);
        for (int i = 0; i < 2; ++i)
            sparks[i] = MakeTexture(16, 16, 0x80 + i);
        return vb && ib;
    }

    Texture* MakeTexture(uint32_t w, uint32_t h, uint32_t seed) {
        Texture* t = nullptr;
        if (Failed(dev->CreateTexture(w, h, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &t)))
            return nullptr;
        LockedRect lr;
        t->LockRect(0, &lr, nullptr, 0);
        for (uint32_t y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.bits) +
                                                    y * static_cast<uint32_t>(lr.pitch));
            for (uint32_t x = 0; x < w; ++x)
                row[x] = ((x ^ y ^ seed) * 0x01030507u) | 0x40000000u;
        }
        t->UnlockRect(0);
        return t;
    }

    void Close() {
        for (Texture* t :
             {backdrop, sprites[0], sprites[1], sprites[2], sprites[3], sparks[0], sparks[1]})
            if (t)
                t->Release();
        if (vb)
            vb->Release();
        if (ib)
            ib->Release();
        if (dev)
            dev->Release();
        if (api)
            api->Release();
        window.reset();
    }

    // Appends `n` quads of `size` pixels at positions from `seed` (size 0: the one
    // full-screen quad of the backdrop), then draws them.
    void DrawBatch(uint32_t n, float size, uint32_t seed, uint32_t colour) {
        uint32_t nv = n * 4, ni = n * 6;
        uint32_t flags = Lock::NoOverwrite;
        if (vbNext + nv > kVertices || ibNext + ni > kIndices) {
            vbNext = ibNext = 0;
            flags = Lock::Discard;
        }
        uint8_t* vp = nullptr;
        uint8_t* ip = nullptr;
        vb->Lock(vbNext * 32, nv * 32, &vp, flags);
        ib->Lock(ibNext * 2, ni * 2, &ip, flags);
        auto* v = reinterpret_cast<Vertex*>(vp);
        auto* idx = reinterpret_cast<uint16_t*>(ip);
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t h = (seed + i) * 2654435761u;
            float x = static_cast<float>(h % 1000) - 500.0f,
                  y = static_cast<float>((h >> 10) % 740) - 370.0f;
            float l = x - 0.5f, r = x + size - 0.5f, t = y + 0.5f, b = y - size + 0.5f, vb = 1.0f;
            if (size == 0) {
                l = -512.5f, r = 511.5f, t = 384.5f, b = -383.5f, vb = 0.75f;
            }
            v[i * 4 + 0] = {l, t, 0, colour, 0, 0, 0, 0};
            v[i * 4 + 1] = {r, t, 0, colour, 1, 0, 1, 0};
            v[i * 4 + 2] = {r, b, 0, colour, 1, vb, 1, vb};
            v[i * 4 + 3] = {l, b, 0, colour, 0, vb, 0, vb};
            auto base = static_cast<uint16_t>(vbNext + i * 4);
            const uint16_t q[6] = {0, 1, 2, 0, 2, 3};
            for (int k = 0; k < 6; ++k)
                idx[i * 6 + k] = static_cast<uint16_t>(base + q[k]);
        }
        vb->Unlock();
        ib->Unlock();
        dev->DrawIndexedPrimitive(Prim::TriangleList, vbNext, nv, ibNext, n * 2);
        vbNext += nv;
        ibNext += ni;
    }

    void Frame(uint32_t frame) {
        dev->BeginScene();
        dev->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF004040, 1.0f, 0);
        Matrix id = Matrix::Identity(), proj{};
        proj.m[0][0] = 2.0f / kW;
        proj.m[1][1] = 2.0f / kH;
        proj.m[2][2] = 1.0f / 2000.0f;
        proj.m[3][2] = 0.5f;
        proj.m[3][3] = 1.0f;
        dev->SetTransform(Ts::View, &id);
        dev->SetTransform(Ts::Projection, &proj);
        dev->SetRenderState(Rs::Lighting, 0);
        dev->SetRenderState(Rs::CullMode, Cull::None);
        dev->SetTextureStageState(0, Tss::ColorOp, Top::Modulate);
        dev->SetTextureStageState(0, Tss::ColorArg2, Ta::Diffuse);
        dev->SetTextureStageState(0, Tss::AlphaOp, Top::Modulate);
        dev->SetTextureStageState(0, Tss::AlphaArg2, Ta::Diffuse);
        dev->SetTextureStageState(0, Tss::MinFilter, Tf::Linear);
        dev->SetTextureStageState(0, Tss::MagFilter, Tf::Linear);
        dev->SetIndices(ib, 0);
        dev->SetStreamSource(0, vb, 32);
        dev->SetVertexShader(kFvfGame);

        dev->SetRenderState(Rs::AlphaBlendEnable, 0);
        dev->SetTexture(0, backdrop);
        DrawBatch(1, 0, 0, 0xFFFFFFFF);
        dev->SetRenderState(Rs::AlphaBlendEnable, 1);
        dev->SetRenderState(Rs::SrcBlend, Blend::SrcAlpha);
        dev->SetRenderState(Rs::DestBlend, Blend::InvSrcAlpha);
        dev->SetRenderState(Rs::ZWriteEnable, 0);
        for (int t = 0; t < 4; ++t) {
            dev->SetTexture(0, sprites[t]);
            DrawBatch(16, 83.0f, frame * 64 + static_cast<uint32_t>(t) * 16, 0xC0FFFFFF);
        }
        dev->SetRenderState(Rs::DestBlend, Blend::One);
        for (int t = 0; t < 2; ++t) {
            dev->SetTexture(0, sparks[t]);
            DrawBatch(250, 12.0f, frame * 500 + static_cast<uint32_t>(t) * 250, 0x80FFC080);
        }
        dev->SetRenderState(Rs::ZWriteEnable, 1);
        dev->EndScene();
        dev->Present();
    }
};

void BM_GlFrame(benchmark::State& state) {
    Scene s;
    if (!s.Open()) {
        state.SkipWithError(("no GL device: " + s.error).c_str());
        s.Close();
        return;
    }
    s.dev->SetStateCacheBypass(state.range(0) != 0);
    uint32_t frame = 0;
    for (auto _ : state) {
        s.Frame(frame++);
        s.dev->Finish(); // count the rasterising, not just the queueing
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    s.Close();
}
BENCHMARK(BM_GlFrame)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("bypass")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

} // namespace
