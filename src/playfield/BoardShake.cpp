#include "playfield/BoardShake.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float kTwoPi = 6.2831853f;
}

void CBoardShake::Start(float amplitude) {
    Active = 1;
    Amount = std::min(std::max(amplitude, 0.0f), Maximum);
    Phase = 0.0f;
}

void CBoardShake::Add(float amount) {
    Active = 1;
    Amount = std::min(Amount + amount, Maximum);
    if (Amount < 0.0f)
        Amount = 0.0f;
}

int32_t CBoardShake::Update(float dt) {
    if (!Active)
        return 0;
    Phase += dt;
    Amount *= std::exp(-kDecayPerSecond * dt);
    if (!(Amount >= kRestAmount)) {
        // Came to rest this frame: the origin goes back to its place.
        Active = 0;
        Amount = 0.0f;
        Phase = 0.0f;
        OffX = 0.0f;
        OffY = 0.0f;
        return 1;
    }
    OffX = Amount * std::sin(kTwoPi * kFrequencyX * Phase);
    OffY = Amount * std::sin(kTwoPi * kFrequencyY * Phase + 1.3f);
    return 1;
}

void CBoardShake::Offset(float out[3]) const {
    out[0] = OffX;
    out[1] = OffY;
    out[2] = 0.0f;
}

void CBoardShake::Clear() {
    Active = 0;
    Amount = 0.0f;
    Phase = 0.0f;
    OffX = 0.0f;
    OffY = 0.0f;
}
