#pragma once
// Tones for the sound tests.
#include <cmath>
#include <cstdint>
#include <vector>

namespace sndtest {

// A sine tone with a slow amplitude swell, different per channel, interleaved.
inline std::vector<int16_t> Tone(int frames, int channels, int rate, double hz = 440.0) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * channels);
    const double pi = std::acos(-1.0);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            const double t = static_cast<double>(i) / rate;
            const double amp = 0.3 + 0.2 * std::sin(2 * pi * 3.0 * t);
            out[static_cast<size_t>(i) * channels + c] =
                static_cast<int16_t>(20000.0 * amp * std::sin(2 * pi * hz * (c + 1) * t));
        }
    return out;
}

} // namespace sndtest
