// Form files: any bytes either load, build and take pointer input, or fail with
// one of the reader's messages and a line that names the file and the reason.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "engine/BitmapFont.h"
#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/TextLayer.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "platform/gpu/recording/RecordingApi.h"
#include "ui/UxForm.h"
#include "ui/UxFormFile.h"
#include "ui/UxFormsManager.h"

namespace {

// A device that knows the seed forms' textures.
const CSharedPtr<CRenderDevice>& Device() {
    static gpu::Api* api = gpu::CreateRecordingApi(gpu::RecordingConfig{});
    static const CSharedPtr<CRenderDevice> device = [] {
        CSharedPtr<CRenderDevice> d(new CRenderDevice(api, 0));
        if (d->Create(1024, 768, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0,
                      gpu::kSwapEffectDiscard, 0) != gpu::kOk)
            std::abort();
        for (const char* name : {"Skin", "Sides", "Back", "Btn"})
            d->CreateTargetTexture(name, 4, 4, {gpu::Fmt::A8R8G8B8}, 1, 0, gpu::Pool::Managed);
        return d;
    }();
    return device;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteInput("Data/Forms/Input.uxf", data, size);
    CUxFormFile loader(Device());
    if (!loader.Load(path, CUxFormFile::kScreenLeft, CUxFormFile::kScreenTop)) {
        if (loader.Message.empty() || loader.Detail.find(path) == std::string::npos)
            std::abort();  // every failure is told, with its file
        return 0;
    }
    const CSharedPtr<CSpriteLayer> sprites(new CSpriteLayer(
        CSharedPtr<CRenderDevice>(), CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>()));
    const CSharedPtr<CTextLayer> texts(new CTextLayer(
        CSharedPtr<CRenderDevice>(), CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>()));
    CSharedPtr<CBitmapFont> font(new CBitmapFont(CSharedPtr<CTexture>()));
    font->Header3 = 16;
    for (CFontGlyph& g : font->Glyphs)
        g.Advance = 1.0f;
    loader.CreateForm(sprites, texts, {font}, 1);
    int32_t interrupted = 1;
    while (interrupted)
        if (!loader.CreateControls(&interrupted))
            std::abort();  // a loaded description always builds
    CUxFormsManager manager;
    manager.AddForm(loader.Form);
    for (float x : {-300.0f, 0.0f, 120.0f}) {
        manager.PointerDown(x, x * 0.5f, 0);
        manager.PointerMove(x + 40.0f, 10.0f, 0.016f);
        manager.PointerUp(x, -x, 0);
    }
    return 0;
}
