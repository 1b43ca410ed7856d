#pragma once
// Bit layouts of the texture formats and conversion between them and RGBA8.
#include <cstdint>

#include "platform/gpu/Gpu.h"

namespace gpu {

struct ChannelLayout {
    uint32_t bits = 0, mask = 0, shift = 0;
};

struct FormatLayout {
    uint32_t format = 0;
    uint32_t bitsPerPixel = 0;  // 0 for a format that is not a colour format
    ChannelLayout r, g, b, a;   // luminance formats keep luminance in g
    bool luminance = false;
};

// The layout of a colour format (20-31, 50-52); bitsPerPixel 0 for any other code.
const FormatLayout& GetFormatLayout(uint32_t format);
inline bool IsColorFormat(uint32_t format) { return GetFormatLayout(format).bitsPerPixel != 0; }
inline uint32_t BytesPerPixel(uint32_t format) { return GetFormatLayout(format).bitsPerPixel / 8; }

// Reads one pixel of `format` at p (little-endian, 1..4 bytes).
uint32_t ReadPixel(uint32_t format, const uint8_t* p);
void WritePixel(uint32_t format, uint8_t* p, uint32_t value);

// Expands `width` pixels of `format` to RGBA8 (R, G, B, A bytes). Channels with
// fewer than 8 bits are widened by bit replication (5-bit 31 -> 255); a missing
// alpha reads as 255, missing colour as 0; luminance fills r, g and b.
void ExpandRow(uint32_t format, const uint8_t* src, uint32_t width, uint8_t* dstRgba);

// Packs `width` RGBA8 pixels into `format` (top bits of each channel). Luminance
// formats store the pixel's luminance.
void PackRow(uint32_t format, const uint8_t* srcRgba, uint32_t width, uint8_t* dst);

// Bytes per row of a picture in `format`, padded to 4 bytes (callers must use
// the pitch, as with a real driver).
uint32_t RowPitch(uint32_t width, uint32_t format);
// Whether r is a non-empty rectangle inside a w x h picture.
bool RectInside(const Rect& r, uint32_t w, uint32_t h);
// Levels of a full mip chain down to 1x1.
uint32_t FullMipChain(uint32_t w, uint32_t h);

}  // namespace gpu
