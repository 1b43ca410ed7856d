#pragma once
// Pictures and expectations shared by the decoder tests.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/image/Image.h"
#include "tools/lib/ImageWriter.h"

namespace imgtest {

struct Pixels {
    int width = 0, height = 0, channels = 4;
    std::vector<uint8_t> data;

    tk::PixelView View() const { return {data.data(), width, height, channels}; }
};

// Noise with runs of equal pixels in some rows (so RLE writes both kinds of
// packet), alpha covering 0 and 255. Every channel differs, so swapped
// channels or rows show.
inline Pixels MakeNoise(int width, int height, int channels, uint32_t seed = 1) {
    Pixels p{width, height, channels, {}};
    p.data.resize(size_t(width) * height * channels);
    uint32_t state = seed * 2654435761u + 12345u;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool repeat = (y % 3 == 1) && x > 0 && (x % 5) != 0;
            uint8_t* px = &p.data[(size_t(y) * width + x) * channels];
            for (int c = 0; c < channels; ++c) {
                if (repeat) {
                    px[c] = px[c - channels];
                    continue;
                }
                state = state * 1664525u + 1013904223u;
                px[c] = uint8_t(state >> 24);
            }
        }
    }
    if (channels == 2 || channels == 4) {
        p.data[size_t(channels) - 1] = 0;
        if (width * height > 1)
            p.data[2 * size_t(channels) - 1] = 255;
    }
    return p;
}

// Smooth gradients, which lossy compression keeps close.
inline Pixels MakeSmooth(int width, int height, int channels) {
    Pixels p{width, height, channels, {}};
    p.data.resize(size_t(width) * height * channels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c)
                p.data[(size_t(y) * width + x) * channels + c] =
                    uint8_t(20 + x * (80 + 30 * c) / width + y * (100 - 30 * c) / height);
    return p;
}

// The RGBA8 a decoder should give for the pixels: grey spread over R, G, B;
// alpha 255 where there is none.
inline std::vector<uint8_t> ExpectedRgba(const Pixels& p) {
    std::vector<uint8_t> out;
    out.reserve(size_t(p.width) * p.height * 4);
    for (size_t i = 0; i < p.data.size(); i += size_t(p.channels)) {
        const uint8_t* s = &p.data[i];
        const bool grey = p.channels <= 2;
        out.push_back(s[0]);
        out.push_back(grey ? s[0] : s[1]);
        out.push_back(grey ? s[0] : s[2]);
        out.push_back(p.channels == 2 ? s[1] : p.channels == 4 ? s[3] : 255);
    }
    return out;
}

inline void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}
inline void Append16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void Append32(std::vector<uint8_t>& b, uint32_t v) {
    Append16(b, v & 0xFFFF);
    Append16(b, v >> 16);
}

} // namespace imgtest
