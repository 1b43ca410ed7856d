#pragma once
// Bookkeeping of the mixer channels shared by the backends: which play owns each
// channel, the generation that makes old channel handles stale, and the choice
// of a channel for a new play (a free one, or a sample's oldest voice when the
// sample is at its limit and may take it over).
#include <cstdint>
#include <vector>

#include "platform/sound/Audio.h"

namespace snd {

class VoiceTable {
public:
    explicit VoiceTable(int channels);

    int Count() const { return static_cast<int>(voices_.size()); }

    // The mixer channel of a live play, or -1 when the handle is no channel
    // handle, its play has ended or its channel has started another play since.
    int Resolve(Handle channel) const;

    // Whether the channel holds a play the backend has not yet reported ended.
    bool Busy(int index) const { return voices_[index].busy; }
    uint32_t SampleOf(int index) const { return voices_[index].sample; }
    // Busy channels playing `sample`.
    int PlaysOf(uint32_t sample) const;

    // The channel for a new play of `sample`, or -1: when the sample already has
    // maxPlays busy channels its oldest one if takeOver, else none; otherwise
    // the lowest free channel, none when every channel is busy.
    int Choose(uint32_t sample, int maxPlays, bool takeOver) const;
    // Records a new play on the channel and returns its handle.
    Handle Start(int index, uint32_t sample);
    // The play on the channel ended (finished or stopped); its handle is stale.
    void Release(int index) { voices_[index].busy = false; }
    // Forgets every play; all handles become stale.
    void Reset();

private:
    struct Voice {
        uint32_t generation = 0;
        uint32_t sample = 0;
        uint64_t startOrder = 0;
        bool busy = false;
    };
    std::vector<Voice> voices_;
    uint64_t nextStart_ = 1;
};

} // namespace snd
