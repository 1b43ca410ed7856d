// CPU cost of one scene frame on the OpenGL back end (offscreen): three sprite
// layers of 200 sprites, three quad layers of 100 quads and 40 texts of 30
// glyphs, drawn through CRenderer::RenderScene.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "engine/BitmapFont.h"
#include "engine/IndexBuffer.h"
#include "engine/ObjectLog.h"
#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "engine/RenderDevice.h"
#include "engine/Renderer.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/TextLayer.h"
#include "engine/TextSprite.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "platform/gpu/gl/GlDevice.h"
#include "platform/os/Window.h"

namespace {

struct ApiDeleter {
    void operator()(gpu::Api* a) const {
        if (a)
            a->Release();
    }
};

CSharedPtr<CTexture> SolidTexture(CRenderDevice& device, const std::string& name, uint32_t argb) {
    auto t = device.CreateTargetTexture(name, 16, 16, {gpu::Fmt::A8R8G8B8}, 1, 0,
                                        gpu::Pool::Managed);
    if (t.IsNull())
        return t;
    gpu::LockedRect lr;
    if (t->GetTexture()->LockRect(0, &lr, nullptr, 0) == gpu::kOk) {
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                std::memcpy(static_cast<uint8_t*>(lr.bits) + y * lr.pitch + 4 * x, &argb, 4);
        t->GetTexture()->UnlockRect(0);
    }
    return t;
}

void BM_RenderScene(benchmark::State& state) {
    if (!std::getenv("SDL_VIDEODRIVER"))
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
    SetObjectLogPath("/dev/null");
    std::string error;
    std::unique_ptr<os::Window> window(os::Window::Create("bench", 1024, 768, &error));
    if (!window) {
        state.SkipWithError(("no video driver: " + error).c_str());
        return;
    }
    std::unique_ptr<gpu::Api, ApiDeleter> api(gpu::CreateGlApi());
    auto renderer = std::make_unique<CRenderer>();
    VideoSettingsBlock settings;
    settings.width = 1024;
    settings.height = 768;
    if (!api || renderer->CreateDevice(settings, api.get(), window.get(), gpu::Fmt::D16) < 0) {
        state.SkipWithError("no OpenGL device");
        return;
    }
    CSharedPtr<CRenderDevice> device = renderer->GetDevice();
    auto* gl = dynamic_cast<gpu::GlDevice*>(device->GetDevice());

    CSharedPtr<CVertexBuffer> vb(new CVertexBuffer());
    vb->Create(device->GetDevice(), 65536, 32, 0x208, gpu::kFvfGame, gpu::Pool::Default);
    device->RegisterVertexBuffer(vb);
    CSharedPtr<CIndexBuffer> ib(new CIndexBuffer());
    ib->Create(device->GetDevice(), 65536, gpu::Fmt::Index16, 0x208, gpu::Pool::Default);
    device->RegisterIndexBuffer(ib);
    renderer->SetSharedBuffers(vb, ib);

    CSharedPtr<CTexture> textures[4];
    for (int i = 0; i < 4; ++i)
        textures[i] = SolidTexture(*device, "bench" + std::to_string(i), 0xFFFFFFFFu - 0x00202020u * static_cast<uint32_t>(i));

    // Sprites: a mix of unblended and blended ones over four textures and a few keys.
    for (int l = 0; l < CRenderer::kSpriteLayers; ++l) {
        CSharedPtr<CSpriteLayer> layer(new CSpriteLayer(device, vb, ib));
        for (int i = 0; i < 200; ++i) {
            const float x = -480.0f + (i % 20) * 48.0f, y = 300.0f - (i / 20) * 60.0f;
            CSharedPtr<CSpriteQuad> s(new CSpriteQuad(x, y, static_cast<float>(l), 40, 40,
                                                      0xFFFFFFFF, textures[i % 4], i % 3 != 0));
            s->Key = i % 5;
            s->SetRotation(0.01f * i);
            layer->Add(s);
        }
        renderer->SetSpriteLayer(l, layer);
    }
    for (int l = 0; l < CRenderer::kQuadLayers; ++l) {
        CSharedPtr<CQuadLayer> layer(new CQuadLayer(device, vb, ib));
        for (int i = 0; i < 100; ++i) {
            CSharedPtr<CQuad> q(new CQuad(-400.0f + 8.0f * i, -200.0f + 3.0f * l, 0,
                                          textures[i % 2], 0x00FFA040));
            q->SetScale(30, 30);
            q->Intensity = 0.7f;
            layer->Add(q);
        }
        renderer->SetQuadLayer(l, layer);
    }
    CSharedPtr<CBitmapFont> font(new CBitmapFont(textures[0]));
    for (int c = 0; c < 256; ++c) {
        CFontGlyph& g = font->Glyphs[c];
        g.Width = g.Height = g.Advance = g.Top = 1.0f;
        g.URight = g.VBottom = 1.0f;
    }
    font->SpaceAdvance = 1.0f;
    CSharedPtr<CTextLayer> texts(new CTextLayer(device, vb, ib));
    const std::string line(30, 'x');
    for (int i = 0; i < 40; ++i) {
        CSharedPtr<CTextSprite> t(new CTextSprite(font));
        t->ScaleX = t->ScaleY = 10.0f;
        t->Position = CVector3(-300.0f, 350.0f - 15.0f * i, 0);
        t->PassTag = i % 2 ? -1 : 12345;
        t->SetText(line);
        texts->Add(t);
    }
    renderer->SetTextLayer(texts);

    for (auto _ : state) {
        benchmark::DoNotOptimize(renderer->RenderScene());
        state.PauseTiming();
        renderer->Present();
        if (gl)
            gl->Finish();
        state.ResumeTiming();
    }

    // Every GPU resource goes before the device that made it.
    texts = CSharedPtr<CTextLayer>();
    font = CSharedPtr<CBitmapFont>();
    for (auto& t : textures)
        t = CSharedPtr<CTexture>();
    vb = CSharedPtr<CVertexBuffer>();
    ib = CSharedPtr<CIndexBuffer>();
    renderer.reset();
    device = CSharedPtr<CRenderDevice>();
    api.reset();
    window.reset();
}
// Reported per frame in milliseconds; the CPU column is the figure to watch
// (presenting and waiting for the GPU are left out of the timing).
BENCHMARK(BM_RenderScene)->Unit(benchmark::kMillisecond);

} // namespace
