#pragma once
// How the backends pack handles: the top four bits say what a handle names, so a
// sample handle passed where a channel is expected is simply not found.
//  - sample and stream: kind | serial number (never reused while the output is open)
//  - channel: kind | generation << 8 | mixer channel index; the generation counts
//    the plays started on that mixer channel, so an old handle stops matching
//    as soon as the channel is reused.
#include <cstdint>

#include "platform/sound/Audio.h"

namespace snd {

enum class HandleKind : uint32_t { None = 0, Sample = 1, Channel = 2, Stream = 3 };

constexpr int kKindShift = 28;
constexpr uint32_t kPayloadMask = (1u << kKindShift) - 1;
constexpr int kChannelIndexBits = 8;
constexpr int kMaxMixerChannels = 1 << kChannelIndexBits;
constexpr uint32_t kGenerationMask = kPayloadMask >> kChannelIndexBits;

constexpr HandleKind KindOf(Handle h) {
    return static_cast<HandleKind>(h >> kKindShift);
}
constexpr uint32_t PayloadOf(Handle h) {
    return h & kPayloadMask;
}
constexpr Handle MakeHandle(HandleKind kind, uint32_t payload) {
    return (static_cast<uint32_t>(kind) << kKindShift) | (payload & kPayloadMask);
}

constexpr Handle MakeChannelHandle(int index, uint32_t generation) {
    return MakeHandle(HandleKind::Channel, ((generation & kGenerationMask) << kChannelIndexBits) |
                                               static_cast<uint32_t>(index));
}
// Mixer channel index of a channel handle, -1 for any other handle.
constexpr int ChannelIndexOf(Handle h) {
    return KindOf(h) == HandleKind::Channel ? static_cast<int>(h & (kMaxMixerChannels - 1)) : -1;
}
constexpr uint32_t GenerationOf(Handle h) {
    return PayloadOf(h) >> kChannelIndexBits;
}

} // namespace snd
