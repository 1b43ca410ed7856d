#pragma once
// The match terminators of the board: the play field creates one per removed
// group, the manager updates them every frame and moves the finished ones to
// its finished list, which the field reads and empties. Removal sounds are
// queued per terminator and played once per frame, one playback per distinct
// sample at the mean x of its queued positions.
#include <cstdint>
#include <vector>

#include "effects/Terminator.h"
#include "engine/SharedPtr.h"

class CSampleGroup;
class CSoundBank;

// One queued sample with the x positions it was asked for.
struct CQueuedSound {
    CSharedPtr<CSampleGroup> Sample;
    std::vector<float> PositionSums;
    std::vector<int32_t> PositionCounts;
    int32_t NextSlot = 0;
    int32_t SlotLimit = 1;

    void AddPosition(float x);
};

class CTerminatorManager {
public:
    CTerminatorManager(float effectsLevel, CCapList* capList,
                       CSharedPtr<CParticleSystemsManager> particles,
                       CSharedPtr<CQuadLayer> glowLayer, CSharedPtr<CQuadLayer> sparkLayer,
                       CSharedPtr<CSpriteLayer> spriteLayer);
    CTerminatorManager(const CTerminatorManager&) = delete;
    CTerminatorManager& operator=(const CTerminatorManager&) = delete;

    void SetTextures(CSharedPtr<CTexture> glow, CSharedPtr<CTexture> chain,
                     CSharedPtr<CTexture> chainSpark, CSharedPtr<CTexture> lightning);
    void SetSoundBank(CSharedPtr<CSoundBank> bank) { SoundBank = bank; }

    // Kind 1: an electric terminator of the group, appended to the live list;
    // any other kind gives an empty handle.
    CSharedPtr<CTerminator> CreateTerminator(int32_t kind, const CMatchGroup& group,
                                             CSharedPtr<CTexture> tokenTexture, int32_t fast);
    // Queues the removal samples of the terminator at its first cap's x.
    void QueueSound(CSharedPtr<CTerminator> terminator);
    // Updates every live terminator; finished ones move to Finished. A live one
    // whose sound is not queued gets it once its time is not negative. Returns
    // the size of Finished.
    int32_t Update(float dt);
    void PlayQueuedSounds();
    void Clear();

    std::vector<CSharedPtr<CTerminator>> Live;
    std::vector<CSharedPtr<CTerminator>> Finished;
    CCapList* CapList;
    CSharedPtr<CParticleSystemsManager> Particles;
    CSharedPtr<CQuadLayer> GlowLayer;
    CSharedPtr<CQuadLayer> SparkLayer;
    CSharedPtr<CSpriteLayer> SpriteLayer;
    float EffectsLevel;
    CSharedPtr<CTexture> GlowTexture;
    CSharedPtr<CTexture> ChainTexture;
    CSharedPtr<CTexture> ChainSparkTexture;
    CSharedPtr<CTexture> LightningTexture;
    CSharedPtr<CSoundBank> SoundBank;
    std::vector<CQueuedSound> SoundQueue;

private:
    void Queue(CSharedPtr<CSampleGroup> sample, float x);
};
