#pragma once
// The totem panel beside the board: it owns the seven totem figures and
// decides what happens to them. The play field pushes a colour request after
// each matching swap of the player's; the panel's Update takes at most one
// request a frame (select an owned colour, launch the selected one, switch),
// advances every figure, and turns each power's progress into action records
// that the field applies in the same frame. The panel also reads the layout
// and every colour's parameters from "Totems.cfg", loads its textures, shows
// the owned totems in the shop, and draws its own base, covers and contours.
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "engine/SharedPtr.h"
#include "engine/SpriteQuad.h"
#include "engine/Vector3.h"
#include "totems/GreenTotem.h"
#include "totems/Totem.h"
#include "totems/TotemAction.h"
#include "totems/TotemParams.h"
#include "totems/TotemShapes.h"

class CLevelParams;
class CParticleSystemsManager;
class CQuadLayer;
class CRenderDevice;
class CSoundBank;
class CSpriteLayer;
class CSpriteQuad;
class CTexture;

// The level rules of the level in play, for the powers (set by AttachShared).
extern CLevelParams* g_totemLevelParams;
void SetTotemLevelParams(CLevelParams* params);

class CTotemPanel {
public:
    static constexpr int32_t kColours = 7;
    // Speed of the fades of figures the panel sends away or brings in.
    static constexpr float kFigureFadeSpeed = 10.0f;
    // Sizes of the sprites of a locked colour's question sign in the shop.
    static constexpr float kQSignWidth = 36.0f;
    static constexpr float kQSignHeight = 56.0f;

    CTotemPanel();
    ~CTotemPanel();
    CTotemPanel(const CTotemPanel&) = delete;
    CTotemPanel& operator=(const CTotemPanel&) = delete;

    // ---- Start-up ----
    void LoadConfig(const std::string& fileName);
    void AttachShared(CSharedPtr<CRenderDevice> device, CSharedPtr<CSpriteLayer> spriteLayer,
                      CSharedPtr<CParticleSystemsManager> particles,
                      CSharedPtr<CQuadLayer> quadLayer, CLevelParams* levelParams);
    // The panel's own pictures from the graphics folder; false at the first
    // that does not load (its file named in the log).
    bool LoadTextures(const std::string& folder);
    void SetSharedTextures(CSharedPtr<CTexture> halo, CSharedPtr<CTexture> spellFuzzy,
                           CSharedPtr<CTexture> fireCloud, CSharedPtr<CTexture> starParticle,
                           CSharedPtr<CTexture> twirl, CSharedPtr<CTexture> panelGlass,
                           CSharedPtr<CTexture> gemFlares, CSharedPtr<CTexture> lightning,
                           CSharedPtr<CTexture> spark, CSharedPtr<CTexture> cloud,
                           CSharedPtr<CTexture> chain, CSharedPtr<CTexture> chainAlt,
                           CSharedPtr<CTexture> shopColor, CSharedPtr<CTexture> shopMul,
                           CSharedPtr<CTexture> shopBW);
    // 1: the colour figures show their shop pictures; 0: their quest pictures.
    void RecreateTextures(int32_t shop, const std::string& folder);

    // ---- Requests and the frame ----
    // The number of records of this frame (in Actions).
    int32_t Update(float dt);
    // 1 when ready and no request waits.
    int32_t IsIdle() const { return (Ready != 0 && Requests.empty()) ? 1 : 0; }
    void PushRequest(int32_t colour) { Requests.push_back(colour); }
    void ClearRequests() { Requests.clear(); }
    void PushAction(const CTotemAction& action) { Actions.push_back(action); }
    // Nothing selected, no request; a standing figure for every owned colour.
    void Reset();
    // Sends the selected figure home; the panel is ready again.
    void CancelActive();
    void SetBlueFlag(int32_t flag);
    void SetGreenTarget(const std::vector<CTotemPoint>& rayTargets,
                        const std::vector<CTotemPoint>& gemTargets,
                        const std::vector<CTotemCell>& gemCells, std::vector<float>& arrivalTimes);
    void SetBlueTarget(const std::vector<CTotemPoint>& points,
                       const std::vector<CTotemCell>& cells);
    void SetWhiteTarget(const std::vector<CTotemPoint>& points,
                        const std::vector<CTotemCell>& cells);

    // A new figure of an owned colour (empty for a colour outside 0..6 or one
    // whose power is not built); its tier is kept within the colour's tables.
    CSharedPtr<CTotem> CreateTotem(int32_t colour, int32_t mode, int32_t tier, int32_t addToActive);
    void AddActive(CSharedPtr<CTotem> figure);
    void RemoveTotem(CSharedPtr<CTotem> figure);

    // ---- Tiers, the shop and the panel's own sprites ----
    void SetTier(int32_t colour, int32_t tier, float fadeSpeed);
    void RefreshTiers(float fadeSpeed);
    int32_t CountOwnedTotems() const;
    void BuildPanelSprites(int32_t shown);
    void Show(int32_t show, float fadeSpeed);
    // Fades every figure and shop sprite out, those already fading included,
    // so that none outlasts the fade; the selection is kept.
    void FadeOutAll(float fadeSpeed);
    // The shop page is gone: its sprites still fading leave the layer now.
    void DropShopSprites();
    void RemoveShopFigure(CSharedPtr<CTotem> figure, float fadeSpeed);

    // The selected colour, -1 for none, with a figure in its place.
    bool HasSelection() const;

    // ---- Layout ("Shared" and "Shop" sections) ----
    CSharedPtr<CRenderDevice> Device;
    CSharedPtr<CSpriteLayer> SpriteLayer;
    // The shop's pictures and figures, and the effects of its figures, lie
    // over the shop page, which hides the level's layers; without them they
    // share the panel's layers.
    CSharedPtr<CSpriteLayer> ShopLayer;
    CSharedPtr<CParticleSystemsManager> ShopParticles;
    CSharedPtr<CQuadLayer> ShopQuadLayer;
    const CSharedPtr<CSpriteLayer>& ShopDisplayLayer() const {
        return ShopLayer.IsNull() ? SpriteLayer : ShopLayer;
    }
    CSharedPtr<CParticleSystemsManager> Particles;
    CSharedPtr<CQuadLayer> QuadLayer;
    CVector3 Center;
    float MainSize[2] = {128.0f, 128.0f};
    std::array<CVector3, kColours> PlacePos{};
    float SmallSize[2] = {48.0f, 48.0f};
    float PixSmallSize[2] = {80.0f, 80.0f};
    std::array<CVector3, kColours> SmallPos{};
    int32_t BottomZOrder = -40;
    float SmallTextureSize[2] = {256.0f, 256.0f};
    float ShadowTextureSize[2] = {512.0f, 512.0f};
    float LightTextureSize[2] = {256.0f, 128.0f};
    float InTime = 0.5f;
    float OutTime = 0.25f;
    float SwitchInTime = 0.5f;
    float ReturnTime = 0.25f;
    CVector3 BasePos;
    float BaseSize[2] = {0.0f, 0.0f};
    float BaseUV[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    struct DarkCover {
        CVector3 Pos;
        float Size[2] = {0.0f, 0.0f};
        int32_t Texture = 0; // 0 "TotemBase", else "TotemDark2"
        CTexCoord UV[4];     // the four corners in order
        CVector3 ContourPos;
        float ContourUV[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    };
    std::array<DarkCover, kColours> Dark{};
    uint32_t ContourColour = 0;
    float ShopSize[2] = {192.0f, 192.0f};
    float ShopTexturesSize[2] = {512.0f, 512.0f};
    // Per colour index: parameters and sprite sets.
    std::array<CSharedPtr<CTotemColourParams>, kColours> ColourParams;
    std::array<CSharedPtr<CTotemShapes>, kColours> Shapes;
    struct ShopPlace {
        CVector3 PicPos;
        float PicSize[2] = {0.0f, 0.0f};
        float PicUV[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        CVector3 QSignPos;
        CVector3 TotemPos;
    };
    int32_t ShopZOrder = -10;
    std::array<ShopPlace, kColours> Shop{};
    uint32_t ShopContourColour = 0;
    uint32_t ShopContourDarkColour = 0;
    uint32_t ShopAvailableColour = 0;
    uint32_t ShopQSignColour = 0;

    // ---- State ----
    std::array<int32_t, kColours> Tiers{};
    int32_t Selected = -1;
    int32_t Presses = 0;
    std::deque<int32_t> Requests;
    int32_t Ready = 1;

    // ---- Textures ----
    CSharedPtr<CTexture> TexSmallTotem, TexShadows, TexLights, TimeDigits, TexGlowRays, TexUnigem,
        TexSteelCaps, TexPaintStream, TexPaintDrop;
    // The colour figure pictures by colour index.
    std::array<CSharedPtr<CTexture>, kColours> ColourTextures;
    CSharedPtr<CTexture> TexBase, TexDark, TexContour;
    CSharedPtr<CTexture> TexShopColor, TexShopMul, TexShopBW, TexHalo, TexSpellFuzzy,
        TexStarParticle, TexTwirl, TexPanelGlass, TexGemFlares, TexFireCloud, TexLightning,
        TexSpark, TexCloud, TexChain, TexChainAlt;

    // ---- Figures and records ----
    std::vector<CSharedPtr<CTotem>> Active;
    std::array<CSharedPtr<CTotem>, kColours> Places;
    std::vector<CTotemAction> Actions;
    int32_t BlueFlag = 0;
    std::vector<CSharedPtr<CSpriteQuad>> PanelSprites;
    int32_t Shown = 0;
    float EffectScale = 1.0f;
    int32_t ShopTextures = 0;
    std::array<std::vector<CSharedPtr<CSpriteQuad>>, kColours> ShopSprites;
    // Shop sprites of a former tier, fading out (a new offer's slow fade
    // outlasts a quick close, and the layer draws over the next screen).
    std::vector<CSharedPtr<CSpriteQuad>> RetiringShopSprites;
    std::array<CSharedPtr<CTotem>, kColours> ShopTotems;
    CSharedPtr<CSoundBank> SoundBank;

private:
    CTotemResources ResourcesOf(int32_t colour) const;
    // Flies the selected figure home, disarmed; `selected` must hold a figure.
    void SendHome(int32_t selected);
    void Select(int32_t colour, int32_t zOrder, float flightTime);
    void Disarm(CTotem& figure, float fadeSpeed);
    void HandleEvent(size_t& i, bool& orderChanged);
    void RetireSprite(const CSharedPtr<CSpriteQuad>& sprite, float fadeSpeed);
    // Retires the list's sprites into RetiringShopSprites and empties it.
    void RetireShopSprites(std::vector<CSharedPtr<CSpriteQuad>>& list, float fadeSpeed);
    CSharedPtr<CSpriteQuad> AddPanelSprite(const CVector3& pos, const float size[2],
                                           uint32_t colour, CSharedPtr<CTexture> texture,
                                           int32_t blend, int32_t key);
    void PlayLaunchSample(int32_t colour);
};
