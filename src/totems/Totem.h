#pragma once
// One totem figure on screen: a totem standing on its place on the panel, the
// selected totem that flies to the centre and runs its power, or the figure
// showing a colour in the shop. The figure is a list of sprite parts built
// from its colour's shapes (CTotemShapes) for its display mode; it moves,
// grows, fades, glows when pressed, and reports what happened through the
// event code of Update. Each colour derives from it and adds its power; the
// panel drives every figure through these virtual operations only.
#include <cstdint>
#include <vector>

#include "engine/SharedPtr.h"
#include "engine/Vector3.h"

class CParticleSystemsManager;
class CQuadLayer;
class CSpriteLayer;
class CSpriteQuad;
struct CSpriteSet;
class CTexture;
class CTotemColourParams;
class CTotemPanel;
class CTotemShapes;

struct CTotemPoint {
    float X = 0.0f;
    float Y = 0.0f;
};

struct CTotemCell {
    int32_t Column = 0;
    int32_t Row = 0;
};

// The engine objects and pictures a figure draws and aims its power with.
struct CTotemResources {
    CSharedPtr<CSpriteLayer> SpriteLayer;
    CSharedPtr<CParticleSystemsManager> Particles;
    CSharedPtr<CQuadLayer> QuadLayer;
    CSharedPtr<CTexture> Small;    // the standing figures
    CSharedPtr<CTexture> Shadow;   // shadows, darkening
    CSharedPtr<CTexture> Lights;   // glow sprites of a pressed figure
    CSharedPtr<CTexture> Colour;   // the colour's own figure picture
    CSharedPtr<CTexture> Halo;     // flashes
    CSharedPtr<CTexture> Spell;    // orbs and trails
    CSharedPtr<CTexture> Fire;     // explosions
    CSharedPtr<CTexture> Digits;   // clock digits of the time bonus
    CSharedPtr<CTexture> Star;     // star particles
    CSharedPtr<CTexture> Twirl;    // spinning flashes
    CSharedPtr<CTexture> Glass;    // arrival flashes
    CSharedPtr<CTexture> GlowRays; // glow and light rays behind a figure
    CSharedPtr<CTexture> Bonus;    // sparkles (the bonuses' gem flares)
    CSharedPtr<CTexture> Lightning;
    CSharedPtr<CTexture> Unigem;     // Green gems and ray beams
    CSharedPtr<CTexture> Chain;      // chain pieces of the caps
    CSharedPtr<CTexture> ChainLight; // the caps' chain sparks
    CSharedPtr<CTexture> Steel;      // shattering steel caps
    CSharedPtr<CTexture> Spark;      // bolt glows
    CSharedPtr<CTexture> PaintStream;
    CSharedPtr<CTexture> PaintDrop;
    CSharedPtr<CTexture> Cloud; // paint fog
};

// The unit vector along v; a vector of no length (a ray or bolt onto its own
// start) points along x instead of turning into NaNs.
CVector3 TotemDirection(const CVector3& v);

class CTotem {
public:
    enum State : int32_t {
        kIdle = 0,
        kMoving = 1,
        kFadingOut = 2,
        kRunning = 3,
        kRunningLevel3 = 4,
        kFinished = 5,
        kRearmed = 6
    };
    enum Mode : int32_t { kStanding = 0, kSelected = 1, kShopFigure = 2 };
    enum Event : int32_t {
        kNoEvent = 0,
        kMoveDone = 1,
        kFadedOut = 2,
        kPowerDone = 3,
        kPowerDoneLevel3 = 4,
        kFadedIn = 7
    };
    // Figure sizes by display mode.
    static constexpr float kStandingSize = 80.0f;
    static constexpr float kSelectedSize = 256.0f;
    static constexpr float kShopSize = 192.0f;
    static constexpr float kShineFadeSpeed = 2.0f;
    static constexpr float kShineStopSpeed = 10.0f;

    explicit CTotem(int32_t colour) : Colour(colour) {}
    virtual ~CTotem();
    CTotem(const CTotem&) = delete;
    CTotem& operator=(const CTotem&) = delete;

    // Builds the parts of the display mode; the figure then fades in.
    virtual void Init(int32_t mode, CSharedPtr<CTotemShapes> shapes);
    // Takes every sprite of the figure out of the layer and ends its effects.
    virtual void Release();
    virtual void SetPosition(float x, float y, float z);
    virtual void SetSize(float w, float h);
    virtual void MoveTo(float x, float y, float z, float w, float h, float time);
    // Fades the glow sprites out; with `clear` they are also forgotten.
    virtual void StopShine(int32_t clear);
    // Makes sure `count` glow sprites show (at most three), each new one with a flash.
    virtual void Shine(int32_t count);
    virtual void FadeOut(float speed);
    virtual void SetAlpha(float alpha, int32_t alsoTarget);
    // The first part gets `z`; every other sprite keeps its distance to it.
    virtual void SetZOrder(int32_t z);
    // Launches the power: `kind` is the panel's press count minus 1.
    virtual void Activate(int32_t kind);
    // 1 when an event happened this frame (its code in Event).
    virtual int32_t Update(float dt);

    virtual void SetTextures(const CTotemResources& resources);
    virtual void SetParams(const CTotemColourParams& params);
    // Orbs, rays or streams of a selected figure; `level` for the powers that
    // arm by level.
    virtual void SetArmed(int32_t /*armed*/, int32_t /*level*/) {}
    virtual void SetFlag(int32_t /*flag*/) {}
    // The strike or paint targets the play field chose.
    virtual void SetTarget(const std::vector<CTotemPoint>& /*points*/,
                           const std::vector<CTotemCell>& /*cells*/) {}
    // The action records of this frame's progress, pushed into the panel.
    virtual void EmitActions(CTotemPanel& /*panel*/) {}
    // The highest tier the colour's tables cover.
    virtual int32_t MaxTier() const { return 4; }
    // The lowest tier at which a level-2 power re-arms for level 3.
    virtual int32_t RearmTier() const { return 3; }

    const std::vector<CSharedPtr<CSpriteQuad>>& Parts() const { return FigureSprites; }
    const std::vector<CSharedPtr<CSpriteQuad>>& ShineParts() const { return ShineSprites; }

    int32_t Colour;
    int32_t State = kIdle;
    int32_t Mode = kSelected;
    int32_t Tier = 1;
    float MoveElapsed = 0.0f;
    float MoveDuration = 1.0f;
    CVector3 Position;
    float Size[2] = {84.0f, 84.0f};
    float FrameSize[2] = {256.0f, 256.0f};
    float Alpha = 0.0f;
    CVector3 MoveFrom;
    CVector3 MoveTarget;
    float SizeFrom[2] = {84.0f, 84.0f};
    float SizeTo[2] = {84.0f, 84.0f};
    int32_t Event = kNoEvent;
    float AlphaTarget = 0.0f;
    float FadeSpeed = 4.0f;
    int32_t Level = 0;
    CVector3 AxisX{1.0f, 0.0f, 0.0f};
    CVector3 AxisY{0.0f, 1.0f, 0.0f};
    int32_t ZOrder = -40;
    float EffectScale = 1.0f;
    CSharedPtr<CTotemShapes> Shapes;
    uint32_t ShineColour = 0xFFFFFFFFu;

protected:
    // The fade step of every Update: 1 when it reported an event.
    int32_t FadeStep(float dt);
    // The move step in state 1: 1 on arrival (and on every later call).
    int32_t MoveStep(float dt);
    // The end of a power that ran in state 3 or 4: event 3 or 4, then state 5,
    // or state 6 after level 2 at a tier that re-arms.
    int32_t FinishPower();
    // Colours whose picture parts overlap stack them by the entries' own depth.
    virtual bool LayeredParts() const { return false; }
    // Called when the figure re-arms itself for level 3.
    virtual void OnRearm() {}
    // Colour sprites whose depth keys move with the figure's.
    virtual void ShiftExtraKeys(int32_t /*delta*/) {}
    static void ShiftKeys(const std::vector<CSharedPtr<CSpriteQuad>>& sprites, int32_t delta);
    // Colour sprites laid out with the parts.
    virtual void LayoutExtras(bool /*resize*/) {}
    // The world point of a figure point (units of the figure's size).
    CVector3 FigurePoint(float fx, float fy, float fz) const;
    // Places (and with `resize` sizes) every part and glow sprite.
    void Layout(bool resize);
    // Calls f(set, texture, blend mode, depth key) for the part sets of the mode.
    template <class F> void ForEachPartSet(F f) const;

    CTotemResources Res;
    std::vector<CSharedPtr<CSpriteQuad>> FigureSprites;
    std::vector<CSharedPtr<CSpriteQuad>> ShineSprites;

private:
    void AddPart(const CSpriteSet& set, size_t entry, const CSharedPtr<CTexture>& texture,
                 int32_t blend, int32_t key);
    void Place(CSpriteQuad& sprite, const CSpriteSet& set, size_t entry, bool resize) const;
};
