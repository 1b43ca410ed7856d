#include "platform/sound/VoiceTable.h"

#include <algorithm>

#include "platform/sound/Handles.h"

namespace snd {

VoiceTable::VoiceTable(int channels)
    : voices_(static_cast<size_t>(std::clamp(channels, 1, kMaxMixerChannels))) {}

int VoiceTable::Resolve(Handle channel) const {
    const int index = ChannelIndexOf(channel);
    if (index < 0 || index >= Count())
        return -1;
    const Voice& v = voices_[index];
    return v.busy && GenerationOf(channel) == v.generation ? index : -1;
}

int VoiceTable::PlaysOf(uint32_t sample) const {
    return static_cast<int>(std::count_if(voices_.begin(), voices_.end(), [&](const Voice& v) {
        return v.busy && v.sample == sample;
    }));
}

int VoiceTable::Choose(uint32_t sample, int maxPlays, bool takeOver) const {
    if (PlaysOf(sample) >= maxPlays) {
        if (!takeOver)
            return -1;
        int oldest = -1;
        for (int i = 0; i < Count(); ++i) {
            const Voice& v = voices_[i];
            if (v.busy && v.sample == sample &&
                (oldest < 0 || v.startOrder < voices_[oldest].startOrder))
                oldest = i;
        }
        return oldest;
    }
    for (int i = 0; i < Count(); ++i)
        if (!voices_[i].busy)
            return i;
    return -1;
}

Handle VoiceTable::Start(int index, uint32_t sample) {
    Voice& v = voices_[index];
    // Generation 0 is never handed out, so a handle of a channel that was never
    // played cannot match by accident.
    v.generation = (v.generation + 1) & kGenerationMask;
    if (v.generation == 0)
        v.generation = 1;
    v.sample = sample;
    v.startOrder = nextStart_++;
    v.busy = true;
    return MakeChannelHandle(index, v.generation);
}

void VoiceTable::Reset() {
    for (Voice& v : voices_) {
        v.busy = false;
        v.sample = 0;
    }
}

} // namespace snd
