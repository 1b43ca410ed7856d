#pragma once
// The shop between quest levels: the page on the Shop form where the player
// spends Golden Stars on the sixteen upgrade items. Every star is a token
// (CShopStar): unspent ones rest in the star bank, spent ones in the item's
// star slots, and tokens fly between the two when the player clicks an item's
// "+" or "-" button or drags a token. The page also shows the time dial, the
// sand box with its note (the frenzy seconds), the bonuses owned, covers over
// the tiers not yet on sale, and the totems owned (through the totem panel).
//
// A star is always exactly one of: held (a bank token, counted in `stars`),
// spent (an item token, counted in the item's tier) or moving (flying or
// dragged, counted in neither until it lands).
//
// The methods live in two files:
//   ShopScreen.cpp       construction, layout and texts, tiers, opening,
//                        closing and the frame
//   ShopScreenInput.cpp  the bank, the slots, the covers and pointer input
//
// Coordinates: virtual screen (origin at the centre, y up).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/AmbientClock.h"
#include "engine/SharedPtr.h"
#include "engine/Vector3.h"
#include "screens/ShopStar.h"
#include "screens/UpgradeState.h"

class CBitmapFont;
class CBonus;
class CParticleSystem;
class CParticleSystemsManager;
class CPlayField;
class CScreensManager;
class CSpriteLayer;
class CSpriteQuad;
class CTextLayer;
class CTextSprite;
class CTexture;
class CTotem;
class CUxWindow;

// Section [Shop] of "Skin.cfg", converted: page positions in virtual units,
// texture rectangles in texture units.
struct CShopLayout {
    static constexpr int32_t kShiftTables = 2; // three and four tiers
    float BackgroundTSpeed[2] = {0.25f, -0.1545f};
    float BackgroundTSize[2] = {1.0f, 0.75f};
    float BonusZShift = -20.0f;
    float SandboxRaysW = 0.3926991f;
    int32_t SandboxFrontZOrderShift = -10;
    CVector3 SandboxFrontPos;
    float SandboxFrontSize[2] = {178.0f, 60.0f};
    float SandboxFrontT[4] = {};
    float SandboxGlassT[4] = {};
    uint32_t SandboxGlassColor = 0;
    float SandboxDustSize = 10.0f;
    uint32_t SandboxDustColor = 0;
    float SandboxDustAlpha = 0.0f;
    CVector3 SandboxNote;
    uint32_t SandboxNoteColor = 0;
    float SandboxNoteAlpha = 1.0f;
    // [tier count - 3][place]: x right, y up.
    float StarShift[kShiftTables][CUpgradeState::kMaxTiers][2] = {};
    float StarsZShift = -30.0f;
    int32_t StarsZOrderShift = -30;
    CVector3 StarsSrcPanel; // x, y of the bank, z its width
    float StarFlySpeed = 2500.0f;
    float StarStationToFly[2] = {-2.0f, 1.0f};
    float StarTailSize = 32.0f;
    uint32_t StarTailColor = 0xFFFFFF7Fu;
    float StarTailIntensity = 80.0f;
    uint32_t StubHaloColor = 0;
    float StubHaloSize = 80.0f;
    float StubHaloLifeTime = 0.5f;
    float StubT = 0.4f;
    float StubShift[kShiftTables][CUpgradeState::kMaxTiers][2] = {};
    float DisabledAlpha = 0.5f;
    float PointersT = 1.0f;
    uint32_t PointersColor = 0;
    float PointersLifeTime = 1.0f;
    // The note's format (string 11, "%d sec").
    std::string NoteFormat;
};

class CShopScreen {
public:
    static constexpr int32_t kItems = CUpgradeState::kItems;
    static constexpr int32_t kColours = CUpgradeState::kTotemColours;
    static constexpr int32_t kTextures = 8;
    // Control ids handed on by the screens.
    static constexpr int32_t kIdDone = 31;
    static constexpr int32_t kIdFirstBuy = 40;
    static constexpr int32_t kIdFirstSell = 60;
    // Interrupt codes of the Shop form's per-item controls (+ item).
    static constexpr int32_t kCodeSell = 20;
    static constexpr int32_t kCodeBuy = 40;
    static constexpr int32_t kCodePicture = 200;
    static constexpr int32_t kCodePlate = 220;
    // The description shown over nothing (string 14) and the note's format.
    static constexpr int32_t kTxtHint = 14;
    static constexpr int32_t kTxtSeconds = 11;
    // The caption over the bank, "%d" the stars it holds.
    static constexpr int32_t kTxtStars = 62;
    static constexpr float kSlowTime = 2.0f;
    // Controls of an item not yet on sale are tinted so.
    static constexpr uint32_t kDimmed = 0x80FFFFFFu;
    static constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;

    CShopScreen(CSharedPtr<CScreensManager> screens, CSharedPtr<CPlayField> playField,
                CSharedPtr<CParticleSystemsManager> effectsA, CSharedPtr<CSpriteLayer> sprites,
                CSharedPtr<CParticleSystemsManager> effectsB, CSharedPtr<CTextLayer> textLayer,
                CSharedPtr<CBitmapFont> font);
    ~CShopScreen();
    CShopScreen(const CShopScreen&) = delete;
    CShopScreen& operator=(const CShopScreen&) = delete;

    // ---- Layout, textures and texts (ShopScreen.cpp) ----
    void LoadLayout(const char* file, const char* section, int32_t value);
    void SetControlTextures(CSharedPtr<CTexture> frontColour, CSharedPtr<CTexture> glassBW,
                            CSharedPtr<CTexture> dust, CSharedPtr<CTexture> starsA,
                            CSharedPtr<CTexture> starsB, CSharedPtr<CTexture> tail,
                            CSharedPtr<CTexture> halo, CSharedPtr<CTexture> pointer);

    // ---- Tiers ----
    // Sets the item's tier and shows the change (the totem on display, the
    // bonus preview, the dial, the note, the gem count); slow picks the
    // gentle fades of a newly offered item.
    void SetItemTier(int32_t item, int32_t newTier, int32_t slow);
    void RefreshItemButtons();
    // Stars held, counting those flying back to the bank or held by the
    // pointer.
    int32_t CountActiveItems() const;
    // Some item could still take a star.
    bool HasAffordableItem() const;
    // The totem items' tiers into the totem panel (the colour-indexed table).
    void WriteTiers();

    // ---- Opening, closing and the frame (ShopScreen.cpp) ----
    void Enter(int32_t open, float fadeSpeed, int32_t level);
    // 1 on the frame the opening fade completes.
    int32_t Update(float dt, float x, float y);
    // Every flight ends at once where it was going.
    void CommitPendingStars();
    bool IsOpen() const { return fadeDirection == 1 || fadeLevel > 0.0f; }

    // ---- The bank, the slots and input (ShopScreenInput.cpp) ----
    int32_t OnItemClick(int32_t item, int32_t up);
    void OnButtonDown(float x, float y);
    void OnButtonUp(float x, float y);
    void BuildStars(float fadeSpeed);
    void RelayoutBank();
    void BuildSlotCovers(float fadeSpeed);
    void RevealNewOffers(int32_t level);
    // Places: bank slot k, the bank's entry point for a bank of m stars, slot
    // j of an item (flying: the depth a flight ends at).
    CVector3 BankSlot(int32_t k) const;
    CVector3 BankEntry(int32_t m) const;
    CVector3 ItemSlot(int32_t item, int32_t j, bool flying) const;
    // Distance between bank tokens for a bank of n (0 with one or none).
    float BankSpacing(int32_t n) const;
    // The control's rectangle holds the point (lower edges out, upper in).
    static bool Hit(const CSharedPtr<CUxWindow>& control, float x, float y);
    // Tokens in `state` (and for `item`, unless -1).
    int32_t CountTokens(int32_t state, int32_t item = -1) const;

    // ==== Members ====
    CSharedPtr<CScreensManager> screens;
    CSharedPtr<CPlayField> playField;
    CUpgradeState upgrades;
    CSharedPtr<CParticleSystemsManager> effectsA;
    CSharedPtr<CSpriteLayer> sprites;
    CSharedPtr<CParticleSystemsManager> effectsB;
    CSharedPtr<CTextLayer> textLayer;
    CSharedPtr<CBitmapFont> font;
    // Sand-box front, sand-box glass, dust, star textures A and B, star tail,
    // stub halo, pulse pointer.
    std::array<CSharedPtr<CTexture>, kTextures> textures;
    std::array<CSharedPtr<CTotem>, kColours> totemCopies;
    std::array<CSharedPtr<CBonus>, CUpgradeState::kBonusItems> bonusPreviews;
    std::vector<CSharedPtr<CSpriteQuad>> sandboxSprites;
    CSharedPtr<CParticleSystem> sandboxDust;
    // The pieces of the stone covers that crumbled, still falling.
    std::vector<CSharedPtr<CParticleSystem>> coverPieces;
    CSharedPtr<CTextSprite> note;
    float raysAngle = 0.0f;
    CAmbientClock backgroundClock; // the background scrolls in its steps
    int32_t fadeDirection = 0;
    float fadeLevel = 0.0f;
    float fadeSpeed = 0.0f;
    int32_t level = 0;
    float stubTimer = 0.0f;
    std::vector<CSharedPtr<CShopStar>> stars;
    std::vector<CSharedPtr<CSpriteQuad>> covers;
    std::vector<CSharedPtr<CSpriteQuad>> stubs;
    CShopLayout layout;
    int32_t gameValue = 0;
    // The graphics folder: the totem panel's pictures switch to their shop
    // looks while the page is open (none when empty).
    std::string graphicsFolder;
    std::array<int32_t, 3> lastHover = {-1, -1, -1};
    // The count the caption over the bank shows (-1: to be written).
    int32_t shownStars = -1;
    float pointerTimer = 0.0f;

private:
    // A token set up with the shop's textures, layer and tail.
    CSharedPtr<CShopStar> NewToken() const;
    // The first token in `state` (the end when none).
    size_t FindToken(int32_t state, int32_t item = -1) const;
    // The item's resting token farthest right.
    size_t RightmostOnItem(int32_t item) const;
    int32_t FormOrder() const;
    float FormDepth() const;
    bool FormTakesInput() const;
    // The control of the item's list of that code.
    CSharedPtr<CUxWindow> Control(int32_t code, int32_t item) const;
    void PlaySound(bool explosion) const;
    // A token's flight ended: it lands.
    void Arrive(size_t index);
    void ShowHover(float x, float y);
    // The caption over the bank follows `stars`.
    void ShowStarCount();
    void RunFade(float dt, int32_t& result);
    void TurnRaysAndBackground(float dt);
    void FireStubs(float dt);
    void PulsePointers(float dt);
    void OpenPage(float speed);
    void ClosePage(float speed);
    void MakeSandbox(float speed);
    void MakeDust(float dimming);
    // The end of a closing: the note, the tokens and the page's pictures go.
    void DropPage();
    // Ends the sand's dust and the covers' pieces at once.
    void StopEffects();
    void SetNoteText();
    // The note follows the page's fade.
    void SetNoteAlpha();
    void ShowBonusPreview(int32_t slot, float x, float y, float z, float time);
    void DropBonusPreview(int32_t slot, float time);
    // The three decoration lists, coloured by an item's offer.
    void TintDecorations(int32_t list, bool offered);
    // The item's share of dimming (DisabledAlpha when not on sale).
    float OfferAlpha(int32_t item) const;
    void ReleasePageTexture(bool recreate);
    // A new page sprite fades in at `speed` (shown at once without one) and
    // goes into the layer.
    void AddFadingIn(const CSharedPtr<CSpriteQuad>& s, float speed) const;
    // Fades out at `speed` (> 0) and leaves its layer when gone.
    static void Retire(const CSharedPtr<CSpriteQuad>& s, float speed);
};
