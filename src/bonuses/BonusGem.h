#pragma once
// The gem (kind 1): marks a cap as carrying a gem of its colour. On the board
// it shows a pulsing halo, two big flares that swell and shrink in turn and a
// sprinkle of small flares. Fired, it shows the gem picture and flies on a
// curved path with a trail to FlyTarget (its slot in the gem bar, written by
// the play field before Fire), bursts there and reports its arrival
// (event 2); the play field then marks it taken (state 6) and the manager
// drops it.
#include <cstdint>

#include "bonuses/Bonus.h"
#include "bonuses/BonusParametres.h"
#include "engine/SharedPtr.h"

class CSpriteQuad;
class CParticleSystem;

class CBonusGem : public CBonus {
public:
    // Spin of the halo and gem picture during the collect flight, by colour
    // (radians per second).
    static const float kFlightSpin[kGemColours];

    CBonusGem();
    ~CBonusGem() override;

    void Init() override;
    void Hide() override;
    void Show() override;
    int32_t Update(float dt) override;
    void Fire() override;
    void SetTextures(const CBonusHandles& handles) override;

    // The gem's own colour (0..7), which picks its pictures and colours.
    int32_t GemColour() const { return GemColourIndex; }
    void SetGemColour(int32_t colour);

    CSharedPtr<CSpriteLayer> SpriteLayer1;
    CSharedPtr<CQuadLayer> QuadLayer1;
    CSharedPtr<CSpriteLayer> SpriteLayer2;
    CSharedPtr<CParticleSystemsManager> Particles2;
    CSharedPtr<CQuadLayer> QuadLayer2;
    CSharedPtr<CTexture> LightsTexture;
    CSharedPtr<CTexture> GemsTexture;
    CSharedPtr<CTexture> FlaresTexture;
    CSharedPtr<CTexture> StarTexture;
    CSharedPtr<CSpriteQuad> Halo;
    CSharedPtr<CSpriteQuad> Flares[2];
    CSharedPtr<CSpriteQuad> GemSprite;
    CSharedPtr<CParticleSystem> Trail;
    int32_t GemColourIndex = 0;
    float FlareClock = 0.0f;
    float FlareOffset[2][2] = {{0.0f, 0.0f}, {0.0f, 0.0f}};
    int32_t Upper = 0;  // 1 once fired: sprites on the upper layers
    float FlyTarget[3] = {0.0f, 0.0f, 0.0f};
    // The flare periods last seen, to move each big flare while it is small.
    float FlarePeriod[2] = {0.0f, 0.0f};

private:
    const CSharedPtr<CSpriteLayer>& CurrentSpriteLayer() const {
        return Upper ? SpriteLayer2 : SpriteLayer1;
    }
    // Adds the trail's spells system (fade rate, emission rate).
    void StartTrail(float fadeRate, float rate);
    // The burst at the end of the collect flight.
    void Burst();
    void UpdateHalo();
    void UpdateBigFlares();
    void PlaceSprites();
    void EmitSmallFlares(float dt);
    // Moves a sprite from one layer to another (either may be empty).
    static void MoveSprite(const CSharedPtr<CSpriteQuad>& sprite, const CSharedPtr<CSpriteLayer>& from,
                           const CSharedPtr<CSpriteLayer>& to);
};
