#pragma once
// The board shake: an amplitude that decays exponentially while the board
// origin wobbles along two sine waves of different frequencies. Explosions add
// to the amplitude (never beyond the maximum); the sand-box frenzy starts it.
#include <cstdint>

class CBoardShake {
public:
    static constexpr float kMaximum = 10.0f;
    static constexpr float kDecayPerSecond = 4.0f;  // amplitude falls by e^-4 per second
    static constexpr float kRestAmount = 0.1f;      // below this the shake stops
    static constexpr float kFrequencyX = 17.0f;     // wobbles per second
    static constexpr float kFrequencyY = 13.0f;

    // Starts (or restarts) with that amplitude, clamped to the maximum.
    void Start(float amplitude);
    // Active; the amplitude grows by the amount, never beyond the maximum.
    void Add(float amount);
    // Non-zero when the shake was active at the start of the frame: it moved,
    // and Active tells whether it still does (0 on the frame it came to rest,
    // when the offset is back to zero).
    int32_t Update(float dt);
    // The present offset (x, y, 0).
    void Offset(float out[3]) const;
    float OffsetX() const { return OffX; }
    float OffsetY() const { return OffY; }
    // At rest at once.
    void Clear();

    int32_t Active = 0;
    float Amount = 0.0f;
    float Maximum = kMaximum;
    float Phase = 0.0f;  // seconds since the shake started

private:
    float OffX = 0.0f;
    float OffY = 0.0f;
};
