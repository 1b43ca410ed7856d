#include "platform/gpu/PixelFormat.h"

#include "platform/gpu/Gpu.h"

namespace gpu {
namespace {

constexpr ChannelLayout Ch(uint32_t bits, uint32_t mask, uint32_t shift) {
    return {bits, mask, shift};
}
constexpr ChannelLayout kNone{};

const FormatLayout kLayouts[] = {
    {Fmt::R8G8B8, 24, Ch(8, 0xFF0000, 16), Ch(8, 0xFF00, 8), Ch(8, 0xFF, 0), kNone, false},
    {Fmt::A8R8G8B8, 32, Ch(8, 0xFF0000, 16), Ch(8, 0xFF00, 8), Ch(8, 0xFF, 0),
     Ch(8, 0xFF000000, 24), false},
    {Fmt::X8R8G8B8, 32, Ch(8, 0xFF0000, 16), Ch(8, 0xFF00, 8), Ch(8, 0xFF, 0), kNone, false},
    {Fmt::R5G6B5, 16, Ch(5, 0xF800, 11), Ch(6, 0x7E0, 5), Ch(5, 0x1F, 0), kNone, false},
    {Fmt::X1R5G5B5, 16, Ch(5, 0x7C00, 10), Ch(5, 0x3E0, 5), Ch(5, 0x1F, 0), kNone, false},
    {Fmt::A1R5G5B5, 16, Ch(5, 0x7C00, 10), Ch(5, 0x3E0, 5), Ch(5, 0x1F, 0), Ch(1, 0x8000, 15),
     false},
    {Fmt::A4R4G4B4, 16, Ch(4, 0xF00, 8), Ch(4, 0xF0, 4), Ch(4, 0xF, 0), Ch(4, 0xF000, 12), false},
    {Fmt::R3G3B2, 8, Ch(3, 0xE0, 5), Ch(3, 0x1C, 2), Ch(2, 0x3, 0), kNone, false},
    {Fmt::A8, 8, kNone, kNone, kNone, Ch(8, 0xFF, 0), false},
    {Fmt::A8R3G3B2, 16, Ch(3, 0xE0, 5), Ch(3, 0x1C, 2), Ch(2, 0x3, 0), Ch(8, 0xFF00, 8), false},
    {Fmt::X4R4G4B4, 16, Ch(4, 0xF00, 8), Ch(4, 0xF0, 4), Ch(4, 0xF, 0), kNone, false},
    {Fmt::A2B10G10R10, 32, Ch(10, 0x3FF, 0), Ch(10, 0xFFC00, 10), Ch(10, 0x3FF00000, 20),
     Ch(2, 0xC0000000, 30), false},
    {Fmt::L8, 8, kNone, Ch(8, 0xFF, 0), kNone, kNone, true},
    {Fmt::A8L8, 16, kNone, Ch(8, 0xFF, 0), kNone, Ch(8, 0xFF00, 8), true},
    {Fmt::A4L4, 8, kNone, Ch(4, 0xF, 0), kNone, Ch(4, 0xF0, 4), true},
};

const FormatLayout kUnknown{};

// Widens a channel value of `bits` bits to 8 bits by repeating its bit pattern.
uint8_t Widen(uint32_t v, uint32_t bits) {
    if (bits == 0)
        return 0;
    if (bits >= 8)
        return static_cast<uint8_t>(v >> (bits - 8));
    uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
        out = (out << bits) | v;
        filled += static_cast<int>(bits);
    }
    return static_cast<uint8_t>(out >> (filled - 8));
}

uint8_t Get(const ChannelLayout& c, uint32_t px) {
    return Widen((px & c.mask) >> c.shift, c.bits);
}

uint32_t Put(const ChannelLayout& c, uint8_t v8) {
    if (c.bits == 0)
        return 0;
    uint32_t v = c.bits >= 8 ? (static_cast<uint32_t>(v8) << (c.bits - 8)) | (v8 >> (16 - c.bits))
                             : static_cast<uint32_t>(v8) >> (8 - c.bits);
    return (v << c.shift) & c.mask;
}

} // namespace

const FormatLayout& GetFormatLayout(uint32_t format) {
    for (const FormatLayout& l : kLayouts)
        if (l.format == format)
            return l;
    return kUnknown;
}

uint32_t ReadPixel(uint32_t format, const uint8_t* p) {
    uint32_t n = BytesPerPixel(format), v = 0;
    for (uint32_t i = 0; i < n; ++i)
        v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return v;
}

void WritePixel(uint32_t format, uint8_t* p, uint32_t value) {
    uint32_t n = BytesPerPixel(format);
    for (uint32_t i = 0; i < n; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

void ExpandRow(uint32_t format, const uint8_t* src, uint32_t width, uint8_t* dst) {
    const FormatLayout& l = GetFormatLayout(format);
    uint32_t bpp = l.bitsPerPixel / 8;
    if (bpp == 0)
        return;
    for (uint32_t x = 0; x < width; ++x, src += bpp, dst += 4) {
        uint32_t px = ReadPixel(format, src);
        if (l.luminance) {
            uint8_t lum = Get(l.g, px);
            dst[0] = dst[1] = dst[2] = lum;
        } else {
            dst[0] = Get(l.r, px);
            dst[1] = Get(l.g, px);
            dst[2] = Get(l.b, px);
        }
        dst[3] = l.a.bits ? Get(l.a, px) : 255;
    }
}

void PackRow(uint32_t format, const uint8_t* src, uint32_t width, uint8_t* dst) {
    const FormatLayout& l = GetFormatLayout(format);
    uint32_t bpp = l.bitsPerPixel / 8;
    if (bpp == 0)
        return;
    for (uint32_t x = 0; x < width; ++x, src += 4, dst += bpp) {
        uint32_t px;
        if (l.luminance) {
            uint8_t lum =
                static_cast<uint8_t>((src[0] * 77u + src[1] * 150u + src[2] * 29u + 128u) >> 8);
            px = Put(l.g, lum);
        } else {
            px = Put(l.r, src[0]) | Put(l.g, src[1]) | Put(l.b, src[2]);
        }
        px |= Put(l.a, src[3]);
        WritePixel(format, dst, px);
    }
}

uint32_t RowPitch(uint32_t width, uint32_t format) {
    uint64_t bytes = static_cast<uint64_t>(width) * BytesPerPixel(format);
    return static_cast<uint32_t>((bytes + 3) & ~uint64_t{3});
}

bool RectInside(const Rect& r, uint32_t w, uint32_t h) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
           static_cast<uint32_t>(r.right) <= w && static_cast<uint32_t>(r.bottom) <= h;
}

uint32_t FullMipChain(uint32_t w, uint32_t h) {
    uint32_t n = 1;
    for (uint32_t m = w > h ? w : h; m > 1; m >>= 1)
        ++n;
    return n;
}

} // namespace gpu
