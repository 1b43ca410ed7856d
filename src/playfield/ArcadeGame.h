#pragma once
// The Accuracy challenge (play-field state 102): a shooting gallery. Once a
// launch period a glowing, spinning token leaves the right edge of the play
// area, swings out to the left on a sideways parabola while drifting up or
// down, and returns to the edge, trailing sparks. A clicked token bursts into
// sparks and flies, shrinking, into the next free slot of the collection row;
// the challenge is won when every slot is filled before the time runs out.
//
// The tokens are sprites of a sprite layer with a spells particle trail each;
// the challenge does not use the card board of the other challenges. The play
// field calls Update once per frame (107: over); the game object calls Start
// after the intro, passes left clicks to OnClick and, when the time is up,
// sets State to kFinishing, calls ResetTargets and sets Launched.
#include <cstdint>
#include <vector>

#include "audio/SoundBank.h"
#include "engine/SharedPtr.h"

class CSpriteQuad;
class CSpriteLayer;
class CTexture;
class CParticleSystem;
class CParticleSystemsManager;

// One token: flying (x(t) = A t^2 + B t + C, y(t) = D t^2 + E t + F), hit and
// flying to its slot along a straight line, or resting in its slot.
struct CArcadeItem {
    enum ItemState : int32_t { kFlying = 0, kCollecting = 1, kInSlot = 2 };

    CArcadeItem() = default;
    // Takes the sprite out of its layer, ends the trail's emission (its last
    // sparks die out in the manager) and lets go of both.
    ~CArcadeItem();
    CArcadeItem(const CArcadeItem&) = delete;
    CArcadeItem& operator=(const CArcadeItem&) = delete;

    float XAt(float t) const { return (A * t + B) * t + C; }
    float YAt(float t) const { return (D * t + E) * t + F; }
    // Stops the trail's emission and lets go of it.
    void EndTrail();

    CSharedPtr<CSpriteQuad> Sprite;
    CSharedPtr<CParticleSystem> Trail; // may be empty (no particle manager)
    int32_t State = kFlying;
    float Elapsed = 0.0f;
    float Duration = 1.0f;
    float A = 0.0f, B = 0.0f, C = 0.0f;
    float D = 0.0f, E = 0.0f, F = 0.0f;
    float StartX = 0.0f, StartY = 0.0f, StartZ = 0.0f;
    float TargetX = 0.0f, TargetY = 0.0f, TargetZ = 0.0f;
    CSharedPtr<CSpriteLayer> Layer; // the layer that draws Sprite (may be empty)
};

class CArcadeGame {
public:
    enum GameState : int32_t { kIdle = 5, kLaunching = 6, kFinishing = 7 };
    enum ClickResult : int32_t { kMissed = 100, kHit = 101 };
    enum UpdateResult : int32_t { kNothing = 100, kOver = 107 };
    static constexpr uint32_t kTokenColour = 0xFFFF80FFu;
    static constexpr int32_t kTrailParticles = 200;
    static constexpr float kCollectTime = 0.5f; // flight of a hit token to its slot
    static constexpr float kDashTime = 0.1f;    // flight back to the edge after the end

    CArcadeGame();
    ~CArcadeGame();
    CArcadeGame(const CArcadeGame&) = delete;
    CArcadeGame& operator=(const CArcadeGame&) = delete;

    // The play area (its right edge and top, depth, and extent to the left and
    // down) and the collection row (left end, slot size, slot count).
    void SetResources(float areaX, float areaY, float areaZ, float areaWidth, float areaHeight,
                      float rowX, float rowY, float rowZ, float slotWidth, float slotHeight,
                      int32_t slots);
    // The layer that draws the tokens, the manager of their trails and bursts
    // (either may be empty), the token and spark textures.
    void SetTextures(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CParticleSystemsManager> particles,
                     CSharedPtr<CTexture> token, CSharedPtr<CTexture> sparks);
    // Starts launching for the bonus-level group (1 or 2).
    void Start(int32_t group);
    // A left click in virtual-screen units: 101 when it hit a flying token.
    int32_t OnClick(float x, float y);
    // One frame: 107 once launching has stopped and every remaining token rests
    // in a slot, else 100.
    int32_t Update(float dt);
    // Every flying token dashes back to the right edge in 0.1 s and goes.
    void ResetTargets();

    CSharedPtr<CSpriteLayer> SpriteLayer;
    CSharedPtr<CParticleSystemsManager> Particles;
    CSharedPtr<CTexture> TokenTexture;
    CSharedPtr<CTexture> SparkTexture;
    int32_t State = kIdle;
    float AreaX = 512.0f, AreaY = 200.0f, AreaZ = 0.0f;
    float AreaWidth = 640.0f, AreaHeight = 480.0f;
    float RowX = -180.5f, RowY = -342.5f, RowZ = 0.0f;
    float SlotWidth = 32.0f, SlotHeight = 32.0f;
    int32_t Slots = 19;
    int32_t DrawKey = 0;
    std::vector<CSharedPtr<CArcadeItem>> Tokens;
    float LaunchPeriod = 2.0f;
    float Speed = 512.0f;
    float TokenWidth = 64.0f, TokenHeight = 64.0f;
    int32_t Hits = 0;
    float LaunchTimer = 0.0f;
    int32_t Launched = 0;
    CSharedPtr<CSoundBank> SoundBank; // may stay empty

private:
    void Launch();
    // A spells system at the point with the trail's or the burst's values.
    CSharedPtr<CParticleSystem> AddSparks(float x, float y, float z, bool burst) const;
};
