#pragma once
// The game's random generator: 15-bit values (0..32767) from a linear
// congruential generator, so that value / 32767.0 stays within 0..1.
#include <cstdint>

class Rand15 {
public:
    static constexpr int kMax = 32767;

    explicit Rand15(uint32_t seed = 1) : state_(seed) {}
    void Seed(uint32_t seed) { state_ = seed; }
    int Next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }
    uint32_t State() const { return state_; }

    // The one generator the game draws from; seeded once at start-up.
    static Rand15& Global();

private:
    uint32_t state_;
};
