#pragma once
// Small helpers shared by the decoders: little-endian reads, header checks and
// the allocation of the decoded picture. Internal to platform/image.
#include <cstddef>
#include <cstdint>
#include <new>

#include "platform/image/Image.h"

namespace img::detail {

inline uint16_t Le16(const uint8_t* p) {
    return uint16_t(p[0] | (uint32_t(p[1]) << 8));
}
inline uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Width and height as read from a header, before anything is allocated.
inline DecodeError CheckDimensions(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0)
        return DecodeError::Corrupt;
    if (width > kMaxDimension || height > kMaxDimension || width * height > kMaxPixels)
        return DecodeError::TooLarge;
    return DecodeError::None;
}

// Sizes the pixel store of a freshly reset picture. Running out of memory is a
// failure of this one picture, not of the program.
inline DecodeError AllocatePixels(Image& out, int width, int height, FileFormat format) {
    out = Image{};
    try {
        out.rgba.resize(size_t(width) * size_t(height) * 4u);
    } catch (const std::bad_alloc&) {
        out = Image{};
        return DecodeError::TooLarge;
    }
    out.width = width;
    out.height = height;
    out.format = format;
    return DecodeError::None;
}

// Names the picture's size without allocating its pixels, for decoders that add
// rows as they decode them (see GrowToRows).
inline void StartPicture(Image& out, int width, int height, FileFormat format) {
    out = Image{};
    out.width = width;
    out.height = height;
    out.format = format;
}

// Makes room for the first `rows` rows. Growing row by row keeps memory in step
// with the pixel data actually present, whatever size the header claims.
inline DecodeError GrowToRows(Image& out, size_t rows) {
    try {
        out.rgba.resize(rows * size_t(out.width) * 4u);
    } catch (const std::bad_alloc&) {
        out = Image{};
        return DecodeError::TooLarge;
    }
    return DecodeError::None;
}

// Widens an n-bit channel value to 8 bits by repeating its bit pattern, so the
// largest value maps to 255 and zero stays zero.
inline uint8_t WidenTo8(uint32_t value, int bits) {
    if (bits <= 0)
        return 0;
    if (bits >= 8)
        return uint8_t(value >> (bits - 8));
    uint32_t r = 0;
    int filled = 0;
    while (filled < 8) {
        r = (r << bits) | value;
        filled += bits;
    }
    return uint8_t(r >> (filled - 8));
}

} // namespace img::detail

namespace img::detail {

// True when the first 18 bytes read as a TGA header of a kind we know of.
bool LooksLikeTga(const uint8_t* data, size_t size);

} // namespace img::detail
