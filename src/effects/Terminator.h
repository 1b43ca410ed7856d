#pragma once
// A match terminator plays the destruction of one removed group of caps. The
// play field gives it the group and then each cap with a mode (0 break one
// chain or destroy, 1 break all chains or destroy, 2 destroy whatever the
// chains); when its time is up it destroys the unchained caps (they leave the
// cap list) and takes chains off the others, which come to rest again.
//
// CTerminator collects the caps and never finishes by itself; the board uses
// CTerminatorElectro (effects/TerminatorElectro.h) for every group.
#include <cstdint>
#include <vector>

#include "engine/SharedPtr.h"
#include "engine/Vector3.h"
#include "playfield/MatchGroup.h"

class CBonus;
class CCap;
class CCapList;
class CParticleSystemsManager;
class CQuadLayer;
class CSpriteLayer;
class CTexture;

// Token modes handed to Init.
enum ETerminatorMode : int32_t {
    kTerminatorBreakOne = 0,  // a chained cap loses one chain; a free one is destroyed
    kTerminatorBreakAll = 1,  // a chained cap loses every chain; a free one is destroyed
    kTerminatorDestroy = 2,   // destroyed whatever its chains
};

// The group record a terminator keeps: the cells and links of the match
// group, and per cap (in the order they were added) its bonus and its mode.
struct CTerminatorGroup : CMatchGroup {
    CTerminatorGroup() { Modes.reserve(8); }
    explicit CTerminatorGroup(const CMatchGroup& group) : CMatchGroup(group) {
        Bonuses.reserve(4);
        Modes.reserve(8);
    }
    std::vector<CSharedPtr<CBonus>> Bonuses;
    std::vector<int32_t> Modes;
};

class CTerminator {
public:
    CTerminator(int32_t kind, float effectsLevel, CCapList* capList,
                CSharedPtr<CParticleSystemsManager> particles, CSharedPtr<CQuadLayer> glowLayer,
                CSharedPtr<CQuadLayer> sparkLayer, CSharedPtr<CSpriteLayer> spriteLayer,
                int32_t fast);
    virtual ~CTerminator();
    CTerminator(const CTerminator&) = delete;
    CTerminator& operator=(const CTerminator&) = delete;

    // Adds a cap with its mode: its removal flag (1 when mode is 2 or it has
    // no chain), its bonus (when it has one) and the mode.
    virtual void Init(CSharedPtr<CCap> token, int32_t mode);
    virtual void SetGroup(const CTerminatorGroup& group) { Group = group; }
    // 1 while running; 0 once finished (never for the base).
    virtual int32_t Update(float dt);
    // 1 when some cap has chains.
    virtual int32_t HasChainedCap() const;
    virtual uint32_t GetColourA() const { return 0xFFFFFFFFu; }
    virtual uint32_t GetColourB() const { return 0xFFFFFFFFu; }

    // The x of the first cap in world units (0 without caps).
    float FirstTokenX() const;
    // The mode the cap of index i was added with (0 when there is none).
    int32_t ModeOf(size_t i) const;
    // Where a cap is drawn: its sprite's point, or position + board offset for a
    // cap without sprite.
    static CVector3 TokenPosition(const CCap& cap);

    int32_t Kind;
    int32_t Fast;
    float EffectsLevel;
    float Time = 0.0f;        // seconds since the start; negative delays it
    int32_t SoundQueued = 1;  // 0 asks the manager to queue the sound
    CTerminatorGroup Group;
    std::vector<CSharedPtr<CCap>> Tokens;
    std::vector<int32_t> RemovalFlags;
    CCapList* CapList;
    CSharedPtr<CParticleSystemsManager> Particles;
    CSharedPtr<CQuadLayer> GlowLayer;
    CSharedPtr<CQuadLayer> SparkLayer;
    CSharedPtr<CSpriteLayer> SpriteLayer;
};
