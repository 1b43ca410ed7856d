#include "MenuFormLoad.h"

#include <algorithm>
#include <cstdlib>

#include "engine/RenderDevice.h"
#include "engine/StringTable.h"
#include "engine/TextTokenizer.h"
#include "engine/Texture.h"
#include "platform/gpu/Gpu.h"
#include "ui/UxForm.h"
#include "ui/UxFormFile.h"

namespace gen {

namespace {
// Formats tried for a texture that needs alpha, best first.
const std::vector<uint32_t> kAlphaFormats = {gpu::Fmt::A1R5G5B5, gpu::Fmt::A4L4,
                                             gpu::Fmt::A8R3G3B2, gpu::Fmt::A4R4G4B4,
                                             gpu::Fmt::A8L8,     gpu::Fmt::A8R8G8B8};
constexpr int kMaxMipLevels = 2;
} // namespace

bool ReadMenuTextureList(const std::string& path, std::vector<MenuTextureEntry>& entries) {
    CTextTokenizer in;
    if (in.Open(path) != 0)
        return false;
    std::string token[4];
    for (;;) {
        for (std::string& t : token)
            if (in.NextToken(t) == 0)
                return true;
        MenuTextureEntry e;
        e.file = StripQuotes(token[0]);
        e.name = StripQuotes(token[1]);
        e.alpha = token[2][0] == 'a';
        e.companion = token[3][0] == 'p';
        if (!e.companion)
            e.mipLevels = std::clamp(std::atoi(token[3].c_str()), 0, kMaxMipLevels);
        entries.push_back(e);
    }
}

bool LoadMenuTextures(CRenderDevice& device, const std::string& gfxFolder,
                      const std::vector<MenuTextureEntry>& entries, std::string& error) {
    for (const MenuTextureEntry& e : entries) {
        const std::string path = gfxFolder + e.file;
        CSharedPtr<CTexture> t;
        if (e.companion)
            t = device.LoadTextureWithAlpha(path, e.name, e.alpha, 0, gpu::Pool::Managed);
        else if (e.alpha)
            t = device.LoadTextureAnyFormat(path, e.name, kAlphaFormats, uint32_t(e.mipLevels), 0,
                                            gpu::Pool::Managed);
        else
            t = device.LoadTexture(path, e.name, uint32_t(e.mipLevels), 0, gpu::Pool::Managed,
                                   gpu::Fmt::Unknown);
        if (t.IsNull()) {
            error = "Unable to load texture " + e.file;
            return false;
        }
    }
    return true;
}

BuiltMenuForm BuildMenuForm(CSharedPtr<CRenderDevice> device, CSharedPtr<CSpriteLayer> sprites,
                            CSharedPtr<CTextLayer> texts,
                            const std::vector<CSharedPtr<CBitmapFont>>& fonts,
                            const std::string& formPath) {
    BuiltMenuForm out;
    CUxFormFile loader(device);
    int32_t interrupted = 1;
    if (loader.Load(formPath, CUxFormFile::kScreenLeft, CUxFormFile::kScreenTop) != 1 ||
        loader.CreateForm(sprites, texts, fonts, 0) != 1) {
        out.error = loader.Message + " / " + loader.Detail;
        return out;
    }
    while (interrupted) {
        if (loader.CreateControls(&interrupted) != 1) {
            out.error = loader.Message + " / " + loader.Detail;
            return out;
        }
        if (interrupted) {
            ++out.codes[loader.InterruptCode];
            out.bound.emplace_back(loader.InterruptCode, loader.InterruptControl);
        }
    }
    out.form = loader.Form;
    return out;
}

} // namespace gen
