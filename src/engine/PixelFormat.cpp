#include "engine/PixelFormat.h"

#include "platform/gpu/PixelFormat.h"

CPixelFormat::CPixelFormat(uint32_t code) : format(code) {
    const gpu::FormatLayout& l = gpu::GetFormatLayout(code);
    if (l.bitsPerPixel == 0)
        return;
    bitsPerPixel = l.bitsPerPixel;
    red = {l.r.bits, l.r.mask, l.r.shift};
    green = {l.g.bits, l.g.mask, l.g.shift};
    blue = {l.b.bits, l.b.mask, l.b.shift};
    alpha = {l.a.bits, l.a.mask, l.a.shift};
}

uint32_t CPixelFormat::Get8(const Channel& c, uint32_t pixel) {
    if (c.bits == 0)
        return 0;
    const int move = static_cast<int>(c.shift + c.bits) - 8;
    const uint32_t v = pixel & c.mask;
    return (move >= 0 ? v >> move : v << -move) & 0xFF;
}

uint32_t CPixelFormat::Put8(const Channel& c, uint32_t value8) {
    if (c.bits == 0)
        return 0;
    const int move = static_cast<int>(c.shift + c.bits) - 8;
    const uint32_t v = value8 & 0xFF;
    return (move >= 0 ? v << move : v >> -move) & c.mask;
}

uint32_t CPixelFormat::Read(const uint8_t* p) const {
    uint32_t v = 0;
    for (uint32_t i = 0; i < bitsPerPixel / 8; ++i)
        v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return v;
}

void CPixelFormat::Write(uint8_t* p, uint32_t pixel) const {
    for (uint32_t i = 0; i < bitsPerPixel / 8; ++i)
        p[i] = static_cast<uint8_t>(pixel >> (8 * i));
}
