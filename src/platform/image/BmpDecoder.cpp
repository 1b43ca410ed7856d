// BMP: 8-bit palettised, 24-bit and 32-bit (plain or with channel masks)
// pictures with an info header of 40 bytes or one of its later extensions.
#include <bit>
#include <cstdlib>
#include <cstring>

#include "platform/image/DecodeUtil.h"
#include "platform/image/Image.h"

namespace img {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;

// Header sizes: the original info header, its two mask extensions, V4 and V5.
bool IsInfoHeaderSize(uint32_t n) {
    return n == 40 || n == 52 || n == 56 || n == 108 || n == 124;
}
// Older or foreign headers with another layout (core header, OS/2 variants).
bool IsForeignHeaderSize(uint32_t n) {
    return n == 12 || n == 16 || n == 64;
}

enum Compression : uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kJpeg = 4,
    kPng = 5,
    kAlphaBitFields = 6,
};

struct Channel {
    uint32_t mask = 0;
    int shift = 0, bits = 0;

    // Masks must be one run of set bits; an empty mask gives a channel of zeros.
    bool Set(uint32_t m) {
        mask = m;
        if (m == 0)
            return true;
        shift = std::countr_zero(m);
        bits = std::popcount(m);
        return (m >> shift) == (bits == 32 ? ~0u : (1u << bits) - 1);
    }
    uint8_t Get(uint32_t pixel) const {
        return mask ? detail::WidenTo8((pixel & mask) >> shift, bits) : 0;
    }
};

} // namespace

DecodeError DecodeBmp(const uint8_t* data, size_t size, Image& out) {
    using detail::Le16;
    using detail::Le32;
    out = Image{};
    if (size < kFileHeaderSize + 4)
        return DecodeError::Truncated;
    if (data[0] != 'B' || data[1] != 'M')
        return DecodeError::Corrupt;
    const uint64_t pixelOffset = Le32(data + 10);
    const uint32_t headerSize = Le32(data + 14);
    if (IsForeignHeaderSize(headerSize))
        return DecodeError::Unsupported;
    if (!IsInfoHeaderSize(headerSize))
        return DecodeError::Corrupt;
    if (size < kFileHeaderSize + headerSize)
        return DecodeError::Truncated;

    const uint8_t* ih = data + kFileHeaderSize;
    const int64_t width = int32_t(Le32(ih + 4));
    const int64_t rawHeight = int32_t(Le32(ih + 8));
    const uint16_t planes = Le16(ih + 12);
    const uint16_t bitCount = Le16(ih + 14);
    const uint32_t compression = Le32(ih + 16);
    const uint32_t colorsUsed = Le32(ih + 32);

    if (planes != 1)
        return DecodeError::Corrupt;
    switch (compression) {
    case kRgb:
    case kBitFields:
    case kAlphaBitFields:
        break;
    case kRle8:
    case kRle4:
    case kJpeg:
    case kPng:
        return DecodeError::Unsupported;
    default:
        return DecodeError::Corrupt;
    }
    switch (bitCount) {
    case 8:
    case 24:
        if (compression != kRgb)
            return DecodeError::Corrupt;
        break;
    case 32:
        break;
    case 1:
    case 4:
    case 16:
        return DecodeError::Unsupported;
    default:
        return DecodeError::Corrupt;
    }

    // A negative height stores the rows top to bottom.
    const bool topDown = rawHeight < 0;
    const int64_t height = topDown ? -rawHeight : rawHeight;
    if (DecodeError e = detail::CheckDimensions(width, height); e != DecodeError::None)
        return e;

    // Channel masks live in the header from 52 bytes on; after a 40-byte header
    // they follow it, ahead of any colour table.
    uint64_t tableStart = kFileHeaderSize + headerSize;
    Channel red, green, blue, alpha;
    bool alphaPossible = false;
    if (bitCount == 32) {
        uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
        if (compression != kRgb) {
            const int count = (compression == kAlphaBitFields || headerSize >= 56) ? 4 : 3;
            const uint8_t* m = ih + kInfoHeaderSize;
            const uint32_t masksEnd = kInfoHeaderSize + 4u * uint32_t(count);
            if (headerSize < masksEnd) {
                tableStart = kFileHeaderSize + masksEnd;
                if (size < tableStart)
                    return DecodeError::Truncated;
            }
            for (int i = 0; i < 4; ++i)
                masks[i] = i < count ? Le32(m + 4 * i) : 0;
        }
        if (!red.Set(masks[0]) || !green.Set(masks[1]) || !blue.Set(masks[2]) ||
            !alpha.Set(masks[3]))
            return DecodeError::Corrupt;
        alphaPossible = alpha.mask != 0;
    }

    if (pixelOffset < tableStart)
        return DecodeError::Corrupt;

    // The colour table holds as many entries as declared (256 when none are),
    // cut to what fits between the headers and the pixels.
    uint8_t palette[256][4] = {};
    uint32_t paletteSize = 0;
    if (bitCount == 8) {
        if (colorsUsed > 256)
            return DecodeError::Corrupt;
        paletteSize = colorsUsed ? colorsUsed : 256;
        const uint64_t room = (pixelOffset - tableStart) / 4;
        if (paletteSize > room)
            paletteSize = uint32_t(room);
        if (paletteSize == 0)
            return DecodeError::Corrupt;
    }

    const uint64_t stride = (uint64_t(width) * bitCount + 31) / 32 * 4;
    if (pixelOffset > size || size - pixelOffset < stride * uint64_t(height))
        return DecodeError::Truncated;

    bool allGrey = true;
    for (uint32_t i = 0; i < paletteSize; ++i) {
        const uint8_t* e = data + tableStart + 4 * i;
        palette[i][0] = e[2];
        palette[i][1] = e[1];
        palette[i][2] = e[0];
        palette[i][3] = 255;
        allGrey = allGrey && e[0] == e[1] && e[1] == e[2];
    }

    if (DecodeError e = detail::AllocatePixels(out, int(width), int(height), FileFormat::Bmp);
        e != DecodeError::None)
        return e;

    bool anyAlpha = false;
    for (int64_t row = 0; row < height; ++row) {
        const uint8_t* src = data + pixelOffset + uint64_t(row) * stride;
        const int64_t y = topDown ? row : height - 1 - row;
        uint8_t* dst = out.rgba.data() + uint64_t(y) * uint64_t(width) * 4;
        for (int64_t x = 0; x < width; ++x, dst += 4) {
            switch (bitCount) {
            case 8: {
                const uint8_t index = src[x];
                if (index >= paletteSize) {
                    out = Image{};
                    return DecodeError::Corrupt;
                }
                std::memcpy(dst, palette[index], 4);
                break;
            }
            case 24: {
                const uint8_t* p = src + 3 * x;
                dst[0] = p[2];
                dst[1] = p[1];
                dst[2] = p[0];
                dst[3] = 255;
                break;
            }
            default: {
                const uint32_t v = Le32(src + 4 * x);
                dst[0] = red.Get(v);
                dst[1] = green.Get(v);
                dst[2] = blue.Get(v);
                dst[3] = alpha.Get(v);
                anyAlpha = anyAlpha || dst[3] != 0;
                break;
            }
            }
        }
    }

    // Many writers leave the fourth byte zero; alpha that is zero everywhere
    // means the picture has none, not that it is invisible.
    if (bitCount == 32) {
        if (alphaPossible && anyAlpha) {
            out.hasAlpha = true;
        } else {
            for (size_t i = 3; i < out.rgba.size(); i += 4)
                out.rgba[i] = 255;
        }
    }
    out.grey = bitCount == 8 && allGrey;
    return DecodeError::None;
}

} // namespace img
