#pragma once
// Every live bonus of the game: the manager makes them (CreateGem,
// CreateBonus), updates them once per frame, drops the finished ones and
// gathers the events they queue into one pending list that the play field
// reads after the update. It also holds the drawing layers and the textures
// that it hands to every bonus it makes.
//
// Start-up order: LoadBonusConfigs, SetLayers, LoadTextures, SetTextures; then
// bonuses may be made. A manager without layers or textures still makes
// working bonuses: they move, fire and report, but draw nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "bonuses/Bonus.h"
#include "bonuses/BonusEvent.h"
#include "bonuses/BonusGem.h"
#include "bonuses/BonusParametres.h"
#include "engine/SharedPtr.h"

class CRenderDevice;
class CSpriteLayer;
class CQuadLayer;
class CParticleSystemsManager;
class CTexture;

class CBonusManager {
public:
    // Texture slots.
    enum TextureSlot : int32_t {
        kAllGemLights = 0, kAllGems = 1, kGemFlares = 2, kStarParticle = 3, kBonus1 = 4,
        kBonus2 = 5, kBonus3 = 6, kBonus4 = 7, kBonus5 = 8, kRing = 9, kHalo1 = 10, kSpark = 11,
        kLightning = 12, kTwirl = 13, kTwirl2 = 14, kPanelGlass = 15, kTextureSlots = 16
    };

    CBonusManager();
    ~CBonusManager();
    CBonusManager(const CBonusManager&) = delete;
    CBonusManager& operator=(const CBonusManager&) = delete;

    // The game's layers, stored in this order.
    void SetLayers(CSharedPtr<CSpriteLayer> sprite1, CSharedPtr<CQuadLayer> quad1,
                   CSharedPtr<CParticleSystemsManager> particles1,
                   CSharedPtr<CSpriteLayer> sprite2,
                   CSharedPtr<CParticleSystemsManager> particles2, CSharedPtr<CQuadLayer> quad2,
                   CSharedPtr<CSpriteLayer> sprite3);
    // Loads the bonus pictures of `folder` into their slots; the first that
    // fails is logged and ends the loading with 0. 1 when all loaded.
    int32_t LoadTextures(CRenderDevice& device, const std::string& folder);
    // The game's own textures, into slots 3, 10, 9, 11, 12, 13, 14, 15.
    void SetTextures(CSharedPtr<CTexture> starParticle, CSharedPtr<CTexture> halo1,
                     CSharedPtr<CTexture> ring, CSharedPtr<CTexture> spark,
                     CSharedPtr<CTexture> lightning, CSharedPtr<CTexture> twirl,
                     CSharedPtr<CTexture> twirl2, CSharedPtr<CTexture> panelGlass);

    // ---- Factories ----
    // A gem of that cap colour (0..7; any other colour leaves `out` empty);
    // added to the list when add is set.
    void CreateGem(CSharedPtr<CBonus>& out, int32_t colour, int32_t add);
    // Type 2 TNT, 3 Flash, 4 Time, 5 Adviser, 6 Score, 7 Solidarity with its
    // level; on the board layers when upper is 0; added when add is set. Any
    // other type leaves `out` empty.
    void CreateBonus(CSharedPtr<CBonus>& out, int32_t type, int32_t param, int32_t upper,
                     int32_t add);
    // The layers and textures the factories hand a bonus of that type (1 gem).
    CBonusHandles HandlesFor(int32_t type) const;

    // ---- The list ----
    // Appends the bonus (which takes the manager's EffectFactor); its index.
    int32_t AddBonus(CSharedPtr<CBonus> bonus);
    // Its former index, or -1 when it is not listed.
    int32_t RemoveBonus(CSharedPtr<CBonus> bonus);
    // Drops every bonus; the pending list waits for the next Update.
    void Clear() { Bonuses.clear(); }

    // Empties the pending list, updates every visible bonus (dropping those
    // whose Update returns 0, events and all) and collects their events, each
    // with the bonus that queued it as Source.
    void Update(float dt);
    // 1 when nothing is pending and every bonus's effect is done.
    int32_t AreEffectsDone() const;
    // 1 when nothing is pending and every bonus is placed.
    int32_t AreAllPlaced() const;

    // ---- State ----
    CSharedPtr<CSpriteLayer> SpriteLayer1;
    CSharedPtr<CQuadLayer> QuadLayer1;
    CSharedPtr<CParticleSystemsManager> Particles1;
    CSharedPtr<CSpriteLayer> SpriteLayer2;
    CSharedPtr<CParticleSystemsManager> Particles2;
    CSharedPtr<CQuadLayer> QuadLayer2;
    CSharedPtr<CSpriteLayer> SpriteLayer3;
    CSharedPtr<CTexture> Textures[kTextureSlots];

    std::vector<CSharedPtr<CBonus>> Bonuses;
    float EffectFactor = 1.0f;
    std::vector<CBonusEvent> Pending;
};
