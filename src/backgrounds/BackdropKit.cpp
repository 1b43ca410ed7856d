#include "backgrounds/BackdropKit.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "engine/IndexBuffer.h"
#include "engine/IniHelpers.h"
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "platform/os/TextFile.h"

namespace backdrop {

namespace {

std::string Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

bool SameName(const std::string& a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The 1-based line that holds the key in its section, 0 when there is none.
int KeyLine(const std::string& file, const char* section, const char* key) {
    std::string text;
    if (!os::ReadTextFile(file, &text))
        return 0;
    bool inSection = false;
    int line = 0;
    size_t at = 0;
    while (at <= text.size()) {
        const size_t end = std::min(text.find('\n', at), text.size());
        const std::string row = Trimmed(std::string_view(text).substr(at, end - at));
        ++line;
        if (!row.empty() && row.front() == '[') {
            const size_t close = row.find(']');
            inSection =
                close != std::string::npos && SameName(Trimmed(row.substr(1, close - 1)), section);
        } else if (inSection) {
            const size_t eq = row.find('=');
            if (eq != std::string::npos && SameName(Trimmed(row.substr(0, eq)), key))
                return line;
        }
        at = end + 1;
    }
    return 0;
}

} // namespace

void WarnDefault(const std::string& file, const char* section, const char* key,
                 const std::string& value, const char* reason, const char* def) {
    LogObject("Warning! Unusable value in the backdrop parameters\n");
    LogObject(file + ":" + std::to_string(KeyLine(file, section, key)) + ": " + section + "/" +
              key + " " + QuoteToken(value) + " " + reason + ", using " + QuoteToken(def) + "\n");
}

std::vector<uint32_t> MaskFormats() {
    return {gpu::Fmt::A1R5G5B5, gpu::Fmt::A4L4, gpu::Fmt::A8R3G3B2,
            gpu::Fmt::A4R4G4B4, gpu::Fmt::A8L8, gpu::Fmt::A8R8G8B8};
}

CSharedPtr<CTexture> ShareOrLoad(CRenderDevice& device, const std::string& name,
                                 const std::string& path, Loader loader) {
    if (device.FindTexture(name) >= 0)
        return device.GetTextureByString(name);
    CSharedPtr<CTexture> t;
    switch (loader) {
    case Loader::Plain:
        t = device.LoadTexture(path, name, 1, 0, gpu::Pool::Managed, gpu::Fmt::Unknown);
        break;
    case Loader::AnyFormat:
        t = device.LoadTextureAnyFormat(path, name, MaskFormats(), 1, 0, gpu::Pool::Managed);
        break;
    case Loader::WithAlphaOneBit:
    case Loader::WithAlpha:
        t = device.LoadTextureWithAlpha(path, name, loader == Loader::WithAlphaOneBit, 0,
                                        gpu::Pool::Managed);
        break;
    }
    if (t.IsNull() || !t->HasTexture()) {
        LogObject("Unable to load background texture " + path + "\n");
        return CSharedPtr<CTexture>();
    }
    return t;
}

bool LoadEach(CRenderDevice& device, const std::string& folder,
              const std::vector<TextureSlot>& slots) {
    bool ok = true;
    for (const TextureSlot& s : slots) {
        *s.handle = ShareOrLoad(device, s.name, folder + s.file, s.loader);
        ok = ok && !s.handle->IsNull();
    }
    return ok;
}

void Unload(CRenderDevice* device, const std::vector<TextureSlot>& slots) {
    if (!device)
        return;
    for (const TextureSlot& s : slots) {
        const int index = device->FindTexture(s.name);
        if (index >= 0)
            device->UnregisterTexture(index);
        *s.handle = CSharedPtr<CTexture>();
    }
}

int32_t ReadCount(const std::string& file, const char* section, const char* key, const char* def,
                  int32_t low, int32_t high) {
    std::string text;
    GetIniString(text, file, section, key, def);
    const char* s = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(s, &end, 10);
    if (end != s && errno == 0 && v >= low && v <= high)
        return static_cast<int32_t>(v);
    const std::string range =
        "is not a whole number from " + std::to_string(low) + " to " + std::to_string(high);
    WarnDefault(file, section, key, text, range.c_str(), def);
    return static_cast<int32_t>(std::strtol(def, nullptr, 10));
}

float ReadPeriod(const std::string& file, const char* section, const char* key, const char* def) {
    std::string text;
    GetIniString(text, file, section, key, def);
    const char* s = text.c_str();
    char* end = nullptr;
    const float v = std::strtof(s, &end);
    if (end != s && std::isfinite(v) && v > 0.0f)
        return v;
    WarnDefault(file, section, key, text, "is not a time above 0", def);
    return std::strtof(def, nullptr);
}

float ReadSpin(const std::string& file, const char* section, const char* key, const char* def) {
    std::string text;
    GetIniString(text, file, section, key, def);
    const char* s = text.c_str();
    char* end = nullptr;
    const float v = std::strtof(s, &end);
    if (end != s && std::isfinite(v) && v != 0.0f)
        return kTwoPi / v;
    WarnDefault(file, section, key, text, "is not a time per turn other than 0", def);
    return kTwoPi / std::strtof(def, nullptr);
}

CSharedPtr<CSpriteQuad> MakeSprite(float x, float y, float z, float w, float h, uint32_t colour,
                                   CSharedPtr<CTexture> texture) {
    const bool drawable = !texture.IsNull() && texture->HasTexture();
    CSharedPtr<CSpriteQuad> s(new CSpriteQuad(x, y, z, w, h, colour, texture, 1));
    s->Shown = drawable ? 1 : 0;
    return s;
}

CSharedPtr<CSpriteQuad> MakeFlareRays(float x, float y, const float size[2], uint32_t colour,
                                      float spin, CSharedPtr<CTexture> texture) {
    CSharedPtr<CSpriteQuad> s = MakeSprite(x, y, kDepth, size[0], size[1], colour, texture);
    s->SetBlend(1, CSpriteQuad::BlendScreen);
    s->DepthWrite = 0;
    s->SpinSpeed = spin;
    s->Key = kFlareRaysKey;
    return s;
}

void TurnFlareRays(const CSharedPtr<CSpriteQuad>& rays, float seconds) {
    if (rays.IsNull())
        return;
    float angle = std::fmod(rays->Angle + rays->SpinSpeed * seconds, kTwoPi);
    if (angle < 0.0f)
        angle += kTwoPi;
    rays->SetRotation(angle);
}

CSharedPtr<CSpriteQuad> MakePicture(CSharedPtr<CTexture> texture, int32_t blended, int32_t mode) {
    CSharedPtr<CSpriteQuad> s =
        MakeSprite(kOffsetX, kOffsetY, kDepth, kScreenWidth, kScreenHeight, 0xFFFFFFFFu, texture);
    s->SetBlend(blended, mode);
    s->SetFrameRect(0, 0.0f, 0.0f, 1.0f, kSceneV);
    s->DepthTest = 0;
    s->DepthWrite = 0;
    s->Key = kPictureKey;
    return s;
}

void Show(const CSharedPtr<CSpriteLayer>& layer, const CSharedPtr<CSpriteQuad>& sprite) {
    if (!layer.IsNull() && !sprite.IsNull())
        layer->Add(sprite);
}

void Hide(const CSharedPtr<CSpriteLayer>& layer, CSharedPtr<CSpriteQuad>& sprite) {
    if (!layer.IsNull() && !sprite.IsNull())
        layer->Remove(sprite);
    sprite = CSharedPtr<CSpriteQuad>();
}

void Retire(const CSharedPtr<CSpriteLayer>& layer, const CSharedPtr<CSpriteQuad>& sprite,
            float life) {
    if (sprite.IsNull())
        return;
    if (!sprite->Shown) {
        if (!layer.IsNull())
            layer->Remove(sprite);
        return;
    }
    sprite->FadeTo(0.0f);
    sprite->RemainingLife = life;
    sprite->LifeOn = 1;
}

int32_t DrawBetweenPasses(const CSharedPtr<CSpriteLayer>& layer,
                          const std::function<int32_t()>& body) {
    if (!layer.IsNull()) {
        layer->Prepare();
        layer->Draw(kPassBehind);
    }
    const int32_t r = body();
    if (!layer.IsNull())
        layer->Draw(kPassFront);
    return r;
}

gpu::Result Upload(CVertexBuffer& vb, CIndexBuffer& ib, const std::vector<gpu::Vertex>& vertices,
                   const std::vector<uint16_t>& indices, uint32_t* firstVertex,
                   uint32_t* firstIndex) {
    gpu::Vertex* v = nullptr;
    gpu::Result r = vb.Lock(static_cast<uint32_t>(vertices.size()), &v);
    if (gpu::Failed(r))
        return r;
    uint16_t* i = nullptr;
    r = ib.Lock(static_cast<uint32_t>(indices.size()), &i);
    if (gpu::Failed(r)) {
        vb.Unlock();
        return r;
    }
    const uint32_t base = vb.GetLastStart();
    std::memcpy(v, vertices.data(), vertices.size() * sizeof(gpu::Vertex));
    for (size_t k = 0; k < indices.size(); ++k)
        i[k] = static_cast<uint16_t>(indices[k] + base);
    vb.Unlock();
    ib.Unlock();
    *firstVertex = base;
    *firstIndex = ib.GetLastStart();
    return gpu::kOk;
}

uint32_t SetMaskedStates(CRenderDevice& d) {
    d.SetTextureStageState(0, gpu::Tss::ColorOp, gpu::Top::SelectArg1);
    d.SetTextureStageState(0, gpu::Tss::ColorArg1, gpu::Ta::Texture);
    d.SetTextureStageState(0, gpu::Tss::ColorArg2, gpu::Ta::Diffuse);
    d.SetTextureStageState(0, gpu::Tss::AlphaOp, gpu::Top::SelectArg1);
    d.SetTextureStageState(0, gpu::Tss::AlphaArg1, gpu::Ta::Texture);
    d.SetTextureStageState(0, gpu::Tss::AlphaArg2, gpu::Ta::Diffuse);
    d.SetTextureStageState(1, gpu::Tss::ColorOp, gpu::Top::Modulate);
    d.SetTextureStageState(1, gpu::Tss::ColorArg1, gpu::Ta::Texture);
    d.SetTextureStageState(1, gpu::Tss::ColorArg2, gpu::Ta::Current);
    d.SetTextureStageState(1, gpu::Tss::AlphaOp, gpu::Top::Modulate);
    d.SetTextureStageState(1, gpu::Tss::AlphaArg1, gpu::Ta::Texture);
    d.SetTextureStageState(1, gpu::Tss::AlphaArg2, gpu::Ta::Current);
    d.SetRenderState(gpu::Rs::CullMode, gpu::Cull::None);
    d.SetRenderState(gpu::Rs::AlphaRef, 1);
    uint32_t depthWrite = 1;
    if (gpu::Failed(d.GetRenderState(gpu::Rs::ZWriteEnable, &depthWrite)))
        depthWrite = 1;
    d.SetRenderState(gpu::Rs::ZWriteEnable, 0);
    d.SetRenderState(gpu::Rs::AlphaTestEnable, 1);
    d.SetRenderState(gpu::Rs::AlphaBlendEnable, 1);
    d.SetRenderState(gpu::Rs::SrcBlend, gpu::Blend::SrcAlpha);
    d.SetRenderState(gpu::Rs::DestBlend, gpu::Blend::InvSrcAlpha);
    return depthWrite;
}

void RestoreMaskedStates(CRenderDevice& d, uint32_t depthWrite) {
    d.SetRenderState(gpu::Rs::ZWriteEnable, depthWrite);
    d.SetTextureStageState(0, gpu::Tss::ColorOp, gpu::Top::Modulate);
    d.SetTextureStageState(0, gpu::Tss::ColorArg2, gpu::Ta::Diffuse);
    d.SetTextureStageState(0, gpu::Tss::AlphaOp, gpu::Top::Modulate);
    d.SetTextureStageState(0, gpu::Tss::AlphaArg2, gpu::Ta::Diffuse);
    d.SetTextureStageState(1, gpu::Tss::ColorOp, gpu::Top::Disable);
    d.SetTextureStageState(1, gpu::Tss::AlphaOp, gpu::Top::Disable);
}

} // namespace backdrop
