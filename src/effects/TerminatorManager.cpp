#include "effects/TerminatorManager.h"

#include "audio/SoundBank.h"
#include "effects/TerminatorElectro.h"
#include "playfield/Cap.h"

void CQueuedSound::AddPosition(float x) {
    const auto n = static_cast<int32_t>(PositionSums.size());
    if (n >= SlotLimit && n > 0) {
        const auto slot = static_cast<size_t>(NextSlot);
        PositionSums[slot] += x;
        PositionCounts[slot] += 1;
        NextSlot = (NextSlot + 1) % SlotLimit;
    } else {
        PositionSums.push_back(x);
        PositionCounts.push_back(1);
        NextSlot = SlotLimit > 0 ? (n + 1) % SlotLimit : 0;
    }
}

CTerminatorManager::CTerminatorManager(float effectsLevel, CCapList* capList,
                                       CSharedPtr<CParticleSystemsManager> particles,
                                       CSharedPtr<CQuadLayer> glowLayer,
                                       CSharedPtr<CQuadLayer> sparkLayer,
                                       CSharedPtr<CSpriteLayer> spriteLayer)
    : CapList(capList), Particles(particles), GlowLayer(glowLayer), SparkLayer(sparkLayer),
      SpriteLayer(spriteLayer), EffectsLevel(effectsLevel) {
    Live.reserve(16);
    Finished.reserve(16);
    SoundQueue.reserve(8);
}

void CTerminatorManager::SetTextures(CSharedPtr<CTexture> glow, CSharedPtr<CTexture> chain,
                                     CSharedPtr<CTexture> chainSpark,
                                     CSharedPtr<CTexture> lightning) {
    GlowTexture = glow;
    ChainTexture = chain;
    ChainSparkTexture = chainSpark;
    LightningTexture = lightning;
}

CSharedPtr<CTerminator> CTerminatorManager::CreateTerminator(int32_t kind,
                                                             const CMatchGroup& group,
                                                             CSharedPtr<CTexture> tokenTexture,
                                                             int32_t fast) {
    if (kind != 1)
        return CSharedPtr<CTerminator>();
    auto* electro = new CTerminatorElectro(kind, EffectsLevel, CapList, Particles, GlowLayer,
                                           SparkLayer, SpriteLayer, fast);
    CSharedPtr<CTerminator> handle(electro);
    electro->ChainTexture = ChainTexture;
    electro->SparkTexture = ChainSparkTexture;
    electro->GlowTexture = GlowTexture;
    electro->BoltTexture = LightningTexture;
    electro->SetGroup(CTerminatorGroup(group));
    electro->TokenTexture = tokenTexture;
    Live.push_back(handle);
    return handle;
}

void CTerminatorManager::Queue(CSharedPtr<CSampleGroup> sample, float x) {
    for (CQueuedSound& entry : SoundQueue) {
        // One entry per sample; every missing sample shares one entry too.
        if (entry.Sample == sample || (entry.Sample.IsNull() && sample.IsNull())) {
            entry.AddPosition(x);
            return;
        }
    }
    CQueuedSound entry;
    entry.Sample = sample;
    entry.PositionSums.reserve(1);
    entry.PositionCounts.reserve(1);
    entry.AddPosition(x);
    SoundQueue.push_back(entry);
}

void CTerminatorManager::QueueSound(CSharedPtr<CTerminator> terminator) {
    // A terminator without caps destroys nothing and makes no sound.
    if (terminator.IsNull() || terminator->Tokens.empty())
        return;
    auto group = [&](ESound slot) {
        return SoundBank.IsNull() ? CSharedPtr<CSampleGroup>() : SoundBank->Group(slot);
    };
    const CTerminator& t = *terminator;
    const float x = t.FirstTokenX();
    const bool fast = t.Fast != 0;
    const CSharedPtr<CCap>& first = t.Tokens.front();
    if (!t.HasChainedCap()) {
        Queue(group(fast ? ESound::Terminator0_s : ESound::Terminator), x);
    } else if (t.Tokens.size() == 1) {
        Queue(group(fast ? ESound::ChainOut_s : ESound::ChainOut), x);
    } else if (fast && !first.IsNull() && first->Colour > 98) {
        Queue(group(ESound::TerminatorSteel), x);
        Queue(group(ESound::ChainOut_s), x);
    } else if (fast) {
        Queue(group(ESound::Terminator0_s), x);
        Queue(group(ESound::ChainOut_s), x);
    } else {
        Queue(group(ESound::Terminator), x);
        Queue(group(ESound::ChainOut), x);
    }
}

int32_t CTerminatorManager::Update(float dt) {
    size_t i = 0;
    while (i < Live.size()) {
        CSharedPtr<CTerminator> t = Live[i];
        if (t.IsNull() || t->Update(dt) == 0) {
            if (!t.IsNull())
                Finished.push_back(t);
            Live.erase(Live.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        if (t->SoundQueued == 0 && t->Time >= 0.0f) {
            QueueSound(t);
            t->SoundQueued = 1;
        }
        ++i;
    }
    return static_cast<int32_t>(Finished.size());
}

void CTerminatorManager::PlayQueuedSounds() {
    if (!SoundBank.IsNull()) {
        for (const CQueuedSound& entry : SoundQueue)
            for (size_t j = 0; j < entry.PositionSums.size(); ++j)
                if (entry.PositionCounts[j] > 0)
                    SoundBank->PlaySampleAt(entry.Sample,
                                            entry.PositionSums[j] /
                                                static_cast<float>(entry.PositionCounts[j]),
                                            -1, 0);
    }
    SoundQueue.clear();
}

void CTerminatorManager::Clear() {
    Live.clear();
    Finished.clear();
    SoundQueue.clear();
}
