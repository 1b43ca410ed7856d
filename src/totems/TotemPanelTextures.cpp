// The panel's pictures: its own, the game's shared ones, and the switch of the
// colour figures between their quest and shop pictures.
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/Texture.h"
#include "totems/TotemKinds.h"
#include "totems/TotemPanel.h"

namespace {

// Formats tried in order for the pictures that are loaded in the first the
// adapter supports.
const std::vector<uint32_t> kCandidates = {gpu::Fmt::A1R5G5B5, gpu::Fmt::A4L4, gpu::Fmt::A8R3G3B2,
                                           gpu::Fmt::A4R4G4B4, gpu::Fmt::A8L8, gpu::Fmt::A8R8G8B8};
constexpr uint32_t kFullChain = 0;
constexpr uint32_t kOneLevel = 1;

enum class Load { Plain, Alpha, Candidates };

struct PanelPicture {
    const char* File;
    Load How;
    uint32_t Mips;
    CSharedPtr<CTexture>* Field;
};

// The colour textures in the order the switch walks them.
constexpr int32_t kSwitchOrder[] = {2, 4, 6, 0, 1, 3, 5};

std::string NameOf(const std::string& file) {
    const size_t dot = file.rfind('.');
    return dot == std::string::npos ? file : file.substr(0, dot);
}

void Recreate(CRenderDevice* device, const CSharedPtr<CTexture>& t, const std::string& path,
              const char* name) {
    if (t.IsNull())
        return;
    gpu::Device* d = device ? device->GetDevice() : nullptr;
    const gpu::Result r = path.empty() ? t->Recreate(d) : t->RecreateFrom(d, path);
    if (gpu::Failed(r))
        LogObject(std::string("Error! ") + name + " Texture Recreate\n");
}

void Release(const CSharedPtr<CTexture>& t) {
    if (!t.IsNull())
        t->ReleaseTexture();
}

} // namespace

bool CTotemPanel::LoadTextures(const std::string& folder) {
    if (Device.IsNull())
        return false;
    const PanelPicture pictures[] = {
        {"SmallTotem1.png", Load::Plain, kOneLevel, &TexSmallTotem},
        {"TotemShadows.jpg", Load::Alpha, kOneLevel, &TexShadows},
        {"TotemLights.png", Load::Plain, kFullChain, &TexLights},
        {"TimeDigits.png", Load::Plain, kFullChain, &TimeDigits},
        {"RedTotem.png", Load::Plain, kFullChain, &ColourTextures[2]},
        {"OrangeTotem.png", Load::Plain, kFullChain, &ColourTextures[4]},
        {"VioletTotem.png", Load::Plain, kFullChain, &ColourTextures[6]},
        {"VioletGlowRays.tga", Load::Plain, kFullChain, &TexGlowRays},
        {"GreenTotem.png", Load::Plain, kFullChain, &ColourTextures[0]},
        {"Unigem.tga", Load::Plain, kFullChain, &TexUnigem},
        {"YellowTotem.png", Load::Plain, kFullChain, &ColourTextures[1]},
        {"BlueTotem.png", Load::Plain, kFullChain, &ColourTextures[3]},
        {"SteelCapsT.png", Load::Plain, kFullChain, &TexSteelCaps},
        {"WhiteTotem.png", Load::Plain, kFullChain, &ColourTextures[5]},
        {"PaintStream.png", Load::Plain, kFullChain, &TexPaintStream},
        {"PaintDrop.png", Load::Candidates, kFullChain, &TexPaintDrop},
        {"TotemBase.tga", Load::Plain, kOneLevel, &TexBase},
        {"TotemDark2.tga", Load::Plain, kOneLevel, &TexDark},
        {"TotemContour.png", Load::Candidates, kOneLevel, &TexContour},
    };
    CRenderDevice& device = *Device;
    for (const PanelPicture& p : pictures) {
        const std::string path = folder + p.File;
        const std::string name = NameOf(p.File);
        switch (p.How) {
        case Load::Plain:
            *p.Field =
                device.LoadTexture(path, name, p.Mips, 0, gpu::Pool::Managed, gpu::Fmt::Unknown);
            break;
        case Load::Alpha:
            *p.Field = device.LoadTextureWithAlpha(path, name, false, 0, gpu::Pool::Managed);
            break;
        case Load::Candidates:
            *p.Field =
                device.LoadTextureAnyFormat(path, name, kCandidates, p.Mips, 0, gpu::Pool::Managed);
            break;
        }
        if (p.Field->IsNull() || !(*p.Field)->HasTexture()) {
            LogObject(std::string("Unable to load ") + p.File + " Texture!\n");
            return false;
        }
    }
    return true;
}

void CTotemPanel::SetSharedTextures(CSharedPtr<CTexture> halo, CSharedPtr<CTexture> spellFuzzy,
                                    CSharedPtr<CTexture> fireCloud,
                                    CSharedPtr<CTexture> starParticle, CSharedPtr<CTexture> twirl,
                                    CSharedPtr<CTexture> panelGlass, CSharedPtr<CTexture> gemFlares,
                                    CSharedPtr<CTexture> lightning, CSharedPtr<CTexture> spark,
                                    CSharedPtr<CTexture> cloud, CSharedPtr<CTexture> chain,
                                    CSharedPtr<CTexture> chainAlt, CSharedPtr<CTexture> shopColor,
                                    CSharedPtr<CTexture> shopMul, CSharedPtr<CTexture> shopBW) {
    TexHalo = halo;
    TexSpellFuzzy = spellFuzzy;
    TexFireCloud = fireCloud;
    TexStarParticle = starParticle;
    TexTwirl = twirl;
    TexPanelGlass = panelGlass;
    TexGemFlares = gemFlares;
    TexLightning = lightning;
    TexSpark = spark;
    TexCloud = cloud;
    TexChain = chain;
    TexChainAlt = chainAlt;
    TexShopColor = shopColor;
    TexShopMul = shopMul;
    TexShopBW = shopBW;
}

void CTotemPanel::RecreateTextures(int32_t shop, const std::string& folder) {
    CRenderDevice* device = Device.Get();
    for (int32_t colour : kSwitchOrder) {
        const std::string picture = TotemKind(colour).Picture;
        const std::string file = picture + (shop ? "Shop.png" : ".png");
        Recreate(device, ColourTextures[static_cast<size_t>(colour)], folder + file,
                 picture.c_str());
    }
    // The shop's own pictures come with the screens; until then there are none.
    if (shop) {
        Release(TexDark);
        Release(TexContour);
        Recreate(device, TexShopColor, "", "ShopColor");
        Recreate(device, TexShopMul, "", "ShopMul");
        Recreate(device, TexShopBW, "", "ShopBW");
    } else {
        Release(TexShopColor);
        Release(TexShopMul);
        Release(TexShopBW);
        Recreate(device, TexDark, "", "TotemDark2");
        Recreate(device, TexContour, "", "TotemContour");
    }
    ShopTextures = shop ? 1 : 0;
}
