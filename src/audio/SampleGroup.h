#pragma once
// One sound slot of the sound bank: a sample, or a set of numbered variant
// files of which one is picked per play, with each variant's tuning from
// "Vol.cfg", and the handles of the channels recently started from it.
#include <cstdint>
#include <list>
#include <vector>

// How a sound lowers the music while it plays: for Time seconds the music
// plays at most at Volume times its level. A time of 0 means no ducking.
struct CMusicSilencer {
    float Time = 0.0f;
    float Volume = 1.0f;
};

struct CSampleGroup {
    // variantCount variants with the neutral tuning (sample handles 0), and a
    // ring of ringSize channel entries (at least one).
    CSampleGroup(int variantCount, int ringSize)
        : Samples(variantCount > 0 ? variantCount : 0, 0u),
          VolumeFactors(Samples.size(), 1.0f),
          PanFactors(Samples.size(), 1.0f),
          Silencers(Samples.size()),
          Ring(ringSize > 0 ? ringSize : 1, 0u) {}

    int VariantCount() const { return static_cast<int>(Samples.size()); }

    std::vector<uint32_t> Samples;      // one sample handle per variant
    std::vector<float> VolumeFactors;   // per variant, 0..1
    std::vector<float> PanFactors;      // per variant, 0..1
    std::vector<CMusicSilencer> Silencers; // per variant
    std::vector<uint32_t> Ring;         // the last channels started, oldest overwritten first
    int32_t RingIndex = 0;              // the next ring entry to write
    std::list<uint32_t> Looped;         // looping channels, until StopSample
};
