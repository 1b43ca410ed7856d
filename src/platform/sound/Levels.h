#pragma once
// The game's volume and pan scales turned into the mixer's numbers.
#include <cstdint>

namespace snd {

constexpr int kMixMaxVolume = 128;

// Volume 0..100 (clamped) to the mixer's 0..128, rounded.
int MixVolume(int volume);

// Pan as a balance: the centre plays both sides at full level, and moving
// towards one side lowers only the other side, down to silence at +-100.
struct Balance {
    uint8_t left = 255;
    uint8_t right = 255;
};
Balance PanBalance(int pan);

} // namespace snd
