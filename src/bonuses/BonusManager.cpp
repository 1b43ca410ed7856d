#include "bonuses/BonusManager.h"

#include <vector>

#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/Texture.h"
#include "platform/gpu/Gpu.h"

namespace {

constexpr uint32_t kMipLevels = 1;

} // namespace

CBonusManager::CBonusManager() {
    Bonuses.reserve(64);
    Pending.reserve(128);
}

CBonusManager::~CBonusManager() = default;

void CBonusManager::SetLayers(CSharedPtr<CSpriteLayer> sprite1, CSharedPtr<CQuadLayer> quad1,
                              CSharedPtr<CParticleSystemsManager> particles1,
                              CSharedPtr<CSpriteLayer> sprite2,
                              CSharedPtr<CParticleSystemsManager> particles2,
                              CSharedPtr<CQuadLayer> quad2, CSharedPtr<CSpriteLayer> sprite3) {
    SpriteLayer1 = sprite1;
    QuadLayer1 = quad1;
    Particles1 = particles1;
    SpriteLayer2 = sprite2;
    Particles2 = particles2;
    QuadLayer2 = quad2;
    SpriteLayer3 = sprite3;
}

int32_t CBonusManager::LoadTextures(CRenderDevice& device, const std::string& folder) {
    auto failed = [](const CSharedPtr<CTexture>& texture, const char* name) {
        if (!texture.IsNull())
            return false;
        LogObject(std::string("Unable to load ") + name + " Texture!\n");
        LogPictureFailure();
        return true;
    };

    Textures[kAllGemLights] = device.LoadTextureWithAlpha(folder + "AllGemLights.jpg",
                                                          "AllGemLights", false, 0,
                                                          gpu::Pool::Managed);
    if (failed(Textures[kAllGemLights], "AllGemLights"))
        return 0;
    Textures[kAllGems] = device.LoadTexture(folder + "AllGems.png", "AllGems", kMipLevels, 0,
                                            gpu::Pool::Managed, gpu::Fmt::Unknown);
    if (failed(Textures[kAllGems], "AllGems"))
        return 0;
    // The flares want a real alpha channel; the first format the device takes.
    const std::vector<uint32_t> flareFormats{gpu::Fmt::A8R8G8B8, gpu::Fmt::A8L8,
                                             gpu::Fmt::A4R4G4B4, gpu::Fmt::A8R3G3B2,
                                             gpu::Fmt::A4L4, gpu::Fmt::A1R5G5B5};
    Textures[kGemFlares] = device.LoadTextureAnyFormat(folder + "GemFlares.tga", "GemFlares",
                                                       flareFormats, kMipLevels, 0,
                                                       gpu::Pool::Managed);
    if (failed(Textures[kGemFlares], "GemFlares"))
        return 0;

    static const char* const kFiles[5] = {"Bonus1.png", "Bonus2.tga", "Bonus3.tga", "Bonus4.tga",
                                          "Bonus5.tga"};
    static const char* const kNames[5] = {"Bonus1", "Bonus2", "Bonus3", "Bonus4", "Bonus5"};
    for (int i = 0; i < 5; ++i) {
        CSharedPtr<CTexture>& slot = Textures[kBonus1 + i];
        slot = device.LoadTexture(folder + kFiles[i], kNames[i], kMipLevels, 0, gpu::Pool::Managed,
                                  gpu::Fmt::Unknown);
        if (failed(slot, kNames[i]))
            return 0;
    }
    return 1;
}

void CBonusManager::SetTextures(CSharedPtr<CTexture> starParticle, CSharedPtr<CTexture> halo1,
                                CSharedPtr<CTexture> ring, CSharedPtr<CTexture> spark,
                                CSharedPtr<CTexture> lightning, CSharedPtr<CTexture> twirl,
                                CSharedPtr<CTexture> twirl2, CSharedPtr<CTexture> panelGlass) {
    Textures[kStarParticle] = starParticle;
    Textures[kHalo1] = halo1;
    Textures[kRing] = ring;
    Textures[kSpark] = spark;
    Textures[kLightning] = lightning;
    Textures[kTwirl] = twirl;
    Textures[kTwirl2] = twirl2;
    Textures[kPanelGlass] = panelGlass;
}

int32_t CBonusManager::AddBonus(CSharedPtr<CBonus> bonus) {
    if (!bonus.IsNull())
        bonus->EffectFactor = EffectFactor;
    Bonuses.push_back(bonus);
    return static_cast<int32_t>(Bonuses.size()) - 1;
}

int32_t CBonusManager::RemoveBonus(CSharedPtr<CBonus> bonus) {
    for (size_t i = 0; i < Bonuses.size(); ++i) {
        if (Bonuses[i] == bonus) {
            Bonuses.erase(Bonuses.begin() + static_cast<std::ptrdiff_t>(i));
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

void CBonusManager::Update(float dt) {
    Pending.clear();
    size_t i = 0;
    while (i < Bonuses.size()) {
        // Our own handle: the bonus may not go while its Update runs.
        CSharedPtr<CBonus> bonus = Bonuses[i];
        if (bonus.IsNull() || !bonus->Visible) {
            ++i;
            continue;
        }
        if (bonus->Update(dt) == 0) {
            // Its Update may have changed the list; drop this very bonus.
            if (i < Bonuses.size() && Bonuses[i] == bonus)
                Bonuses.erase(Bonuses.begin() + static_cast<std::ptrdiff_t>(i));
            else
                RemoveBonus(bonus);
            continue;
        }
        if (!bonus->Events.empty()) {
            const size_t first = Pending.size();
            Pending.insert(Pending.end(), bonus->Events.begin(), bonus->Events.end());
            bonus->Events.clear();
            for (size_t k = first; k < Pending.size(); ++k)
                Pending[k].Source = bonus;
        }
        ++i;
    }
}

int32_t CBonusManager::AreEffectsDone() const {
    if (!Pending.empty())
        return 0;
    for (const CSharedPtr<CBonus>& b : Bonuses)
        if (!b.IsNull() && b->IsEffectDone() == 0)
            return 0;
    return 1;
}

int32_t CBonusManager::AreAllPlaced() const {
    if (!Pending.empty())
        return 0;
    for (const CSharedPtr<CBonus>& b : Bonuses)
        if (!b.IsNull() && b->State != CBonus::kPlaced)
            return 0;
    return 1;
}
