#include "platform/sound/Levels.h"

#include <algorithm>

#include "platform/sound/Audio.h"

namespace snd {

int MixVolume(int volume) {
    const int v = std::clamp(volume, 0, kMaxVolume);
    return (v * kMixMaxVolume + kMaxVolume / 2) / kMaxVolume;
}

namespace {
// 255 * min(1, share / 100), rounded.
uint8_t SideLevel(int share) {
    const int s = std::min(share, kMaxPan);
    return static_cast<uint8_t>((255 * s + kMaxPan / 2) / kMaxPan);
}
} // namespace

Balance PanBalance(int pan) {
    const int p = std::clamp(pan, -kMaxPan, kMaxPan);
    return Balance{SideLevel(kMaxPan - p), SideLevel(kMaxPan + p)};
}

} // namespace snd
