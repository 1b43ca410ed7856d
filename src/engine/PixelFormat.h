#pragma once
// The bit layout of a surface format, used to move pixels between formats one
// 8-bit channel at a time (the alpha-companion merge of the texture loader).
#include <cstdint>

class CPixelFormat {
public:
    struct Channel {
        uint32_t bits = 0, mask = 0, shift = 0;
    };

    CPixelFormat() = default;
    // Fills the layout of a known colour format (20..31, 50..52); any other code
    // keeps only the code, with 0 bits per pixel and no channels.
    explicit CPixelFormat(uint32_t format);

    bool IsKnown() const { return bitsPerPixel != 0; }

    // The channel's value scaled to 8 bits: its top bit lands on bit 7, lower
    // bits are dropped (not replicated). 0 for a channel the format lacks.
    static uint32_t Get8(const Channel& c, uint32_t pixel);
    // An 8-bit value put into the channel's place (its top bits kept).
    static uint32_t Put8(const Channel& c, uint32_t value8);

    // Reads or writes one pixel of this format (1..4 bytes, little-endian).
    uint32_t Read(const uint8_t* p) const;
    void Write(uint8_t* p, uint32_t pixel) const;

    uint32_t format = 0;
    uint32_t bitsPerPixel = 0;
    Channel red, green, blue, alpha;  // luminance formats keep luminance in green
};
