// TGA: true-colour (15/16/24/32-bit) and grey (8-bit) pictures, raw or
// run-length encoded, with any of the four pixel orders.
#include <cstring>

#include "platform/image/DecodeUtil.h"
#include "platform/image/Image.h"

namespace img {

namespace {

constexpr size_t kHeaderSize = 18;

enum TgaType : uint8_t {
    kNoImage = 0,
    kColorMapped = 1,
    kTrueColor = 2,
    kGrey = 3,
    kRleColorMapped = 9,
    kRleTrueColor = 10,
    kRleGrey = 11,
};

constexpr uint8_t kDescAttributeBits = 0x0F;
constexpr uint8_t kDescRightToLeft = 0x10;
constexpr uint8_t kDescTopToBottom = 0x20;
constexpr uint8_t kDescInterleave = 0xC0;
constexpr uint8_t kRlePacketIsRun = 0x80;

struct Header {
    uint8_t idLength, colorMapType, type;
    uint16_t colorMapLength;
    uint8_t colorMapEntryBits;
    uint16_t width, height;
    uint8_t depth, descriptor;
};

Header ReadHeader(const uint8_t* p) {
    Header h;
    h.idLength = p[0];
    h.colorMapType = p[1];
    h.type = p[2];
    h.colorMapLength = detail::Le16(p + 5);
    h.colorMapEntryBits = p[7];
    h.width = detail::Le16(p + 12);
    h.height = detail::Le16(p + 14);
    h.depth = p[16];
    h.descriptor = p[17];
    return h;
}

bool IsKnownType(uint8_t type) {
    switch (type) {
    case kColorMapped:
    case kTrueColor:
    case kGrey:
    case kRleColorMapped:
    case kRleTrueColor:
    case kRleGrey:
        return true;
    default:
        return false;
    }
}

bool IsColorMapEntrySize(uint8_t bits) {
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// How one file pixel turns into RGBA.
enum class PixelKind { Grey8, Rgb15, Argb16, Rgb24, Argb32 };

struct Decoder {
    const uint8_t* data;
    size_t size;
    size_t pos;
    int width, height;
    PixelKind kind;
    size_t bytesPerPixel;
    bool rightToLeft, topToBottom;
    uint8_t* dst;
    uint64_t pixelCount;
    // Position of the next pixel in file order.
    uint64_t next = 0;
    int x = 0, y = 0;
    bool anyAlpha = false;

    void ToRgba(const uint8_t* p, uint8_t* rgba) {
        switch (kind) {
        case PixelKind::Grey8:
            rgba[0] = rgba[1] = rgba[2] = p[0];
            rgba[3] = 255;
            break;
        case PixelKind::Rgb15:
        case PixelKind::Argb16: {
            uint32_t v = detail::Le16(p);
            rgba[0] = detail::WidenTo8((v >> 10) & 31, 5);
            rgba[1] = detail::WidenTo8((v >> 5) & 31, 5);
            rgba[2] = detail::WidenTo8(v & 31, 5);
            rgba[3] = (kind == PixelKind::Rgb15 || (v & 0x8000)) ? 255 : 0;
            break;
        }
        case PixelKind::Rgb24:
            rgba[0] = p[2];
            rgba[1] = p[1];
            rgba[2] = p[0];
            rgba[3] = 255;
            break;
        case PixelKind::Argb32:
            rgba[0] = p[2];
            rgba[1] = p[1];
            rgba[2] = p[0];
            rgba[3] = p[3];
            anyAlpha = anyAlpha || p[3] != 0;
            break;
        }
    }

    // Stores the next pixel in file order at its place in the picture.
    void Put(const uint8_t rgba[4]) {
        int dx = rightToLeft ? width - 1 - x : x;
        int dy = topToBottom ? y : height - 1 - y;
        std::memcpy(dst + (size_t(dy) * size_t(width) + size_t(dx)) * 4, rgba, 4);
        if (++x == width) {
            x = 0;
            ++y;
        }
        ++next;
    }

    DecodeError Raw() {
        uint8_t rgba[4];
        for (uint64_t i = 0; i < pixelCount; ++i) {
            ToRgba(data + pos, rgba);
            pos += bytesPerPixel;
            Put(rgba);
        }
        return DecodeError::None;
    }

    // Packets may run across row ends; none may run past the last pixel.
    DecodeError Rle() {
        uint8_t rgba[4];
        while (next < pixelCount) {
            if (pos >= size)
                return DecodeError::Truncated;
            uint8_t packet = data[pos++];
            uint64_t count = uint64_t(packet & 0x7F) + 1;
            if (count > pixelCount - next)
                return DecodeError::Corrupt;
            if (packet & kRlePacketIsRun) {
                if (size - pos < bytesPerPixel)
                    return DecodeError::Truncated;
                ToRgba(data + pos, rgba);
                pos += bytesPerPixel;
                for (uint64_t i = 0; i < count; ++i)
                    Put(rgba);
            } else {
                if ((size - pos) / bytesPerPixel < count)
                    return DecodeError::Truncated;
                for (uint64_t i = 0; i < count; ++i) {
                    ToRgba(data + pos, rgba);
                    pos += bytesPerPixel;
                    Put(rgba);
                }
            }
        }
        return DecodeError::None;
    }
};

} // namespace

bool detail::LooksLikeTga(const uint8_t* data, size_t size) {
    if (size < kHeaderSize)
        return false;
    Header h = ReadHeader(data);
    if (h.colorMapType > 1 || !IsKnownType(h.type) || h.width == 0 || h.height == 0)
        return false;
    if (h.descriptor & kDescInterleave)
        return false;
    switch (h.type) {
    case kColorMapped:
    case kRleColorMapped:
        return h.colorMapType == 1 && IsColorMapEntrySize(h.colorMapEntryBits) &&
               (h.depth == 8 || h.depth == 16);
    case kGrey:
    case kRleGrey:
        return h.depth == 8 || h.depth == 16;
    default:
        return h.depth == 15 || h.depth == 16 || h.depth == 24 || h.depth == 32;
    }
}

DecodeError DecodeTga(const uint8_t* data, size_t size, Image& out) {
    out = Image{};
    if (size < kHeaderSize)
        return DecodeError::Truncated;
    const Header h = ReadHeader(data);

    if (h.colorMapType > 1)
        return DecodeError::Corrupt;
    switch (h.type) {
    case kTrueColor:
    case kGrey:
    case kRleTrueColor:
    case kRleGrey:
        break;
    case kNoImage:
    case kColorMapped:
    case kRleColorMapped:
        return DecodeError::Unsupported;
    default:
        return DecodeError::Corrupt;
    }
    if (h.descriptor & kDescInterleave)
        return DecodeError::Unsupported;

    const bool rle = h.type == kRleTrueColor || h.type == kRleGrey;
    const int attributeBits = h.descriptor & kDescAttributeBits;
    PixelKind kind;
    size_t bytesPerPixel;
    if (h.type == kGrey || h.type == kRleGrey) {
        if (h.depth == 16)
            return DecodeError::Unsupported; // grey with alpha
        if (h.depth != 8)
            return DecodeError::Corrupt;
        kind = PixelKind::Grey8;
        bytesPerPixel = 1;
    } else {
        switch (h.depth) {
        case 15:
            kind = PixelKind::Rgb15;
            bytesPerPixel = 2;
            break;
        case 16:
            kind = attributeBits > 0 ? PixelKind::Argb16 : PixelKind::Rgb15;
            bytesPerPixel = 2;
            break;
        case 24:
            kind = PixelKind::Rgb24;
            bytesPerPixel = 3;
            break;
        case 32:
            kind = PixelKind::Argb32;
            bytesPerPixel = 4;
            break;
        default:
            return DecodeError::Corrupt;
        }
    }

    if (DecodeError e = detail::CheckDimensions(h.width, h.height); e != DecodeError::None)
        return e;

    // A colour map may precede true-colour data too; it is skipped.
    uint64_t colorMapBytes = 0;
    if (h.colorMapType == 1) {
        if (!IsColorMapEntrySize(h.colorMapEntryBits))
            return DecodeError::Corrupt;
        colorMapBytes = uint64_t(h.colorMapLength) * ((h.colorMapEntryBits + 7u) / 8u);
    }
    const uint64_t pixelStart = kHeaderSize + uint64_t(h.idLength) + colorMapBytes;
    const uint64_t pixelCount = uint64_t(h.width) * h.height;
    // The least data the pixels can take: raw, or one full packet per 128 pixels.
    const uint64_t minPixelBytes =
        rle ? (pixelCount + 127) / 128 * (1 + bytesPerPixel) : pixelCount * bytesPerPixel;
    if (pixelStart > size || size - pixelStart < minPixelBytes)
        return DecodeError::Truncated;

    if (DecodeError e = detail::AllocatePixels(out, h.width, h.height, FileFormat::Tga);
        e != DecodeError::None)
        return e;

    Decoder d{data,
              size,
              size_t(pixelStart),
              h.width,
              h.height,
              kind,
              bytesPerPixel,
              (h.descriptor & kDescRightToLeft) != 0,
              (h.descriptor & kDescTopToBottom) != 0,
              out.rgba.data(),
              pixelCount};
    DecodeError e = rle ? d.Rle() : d.Raw();
    if (e != DecodeError::None) {
        out = Image{};
        return e;
    }

    out.grey = kind == PixelKind::Grey8;
    if (kind == PixelKind::Argb16) {
        out.hasAlpha = true;
    } else if (kind == PixelKind::Argb32) {
        // Writers that leave the alpha byte unused say so with zero attribute
        // bits and fill it with zeros: such a picture is opaque, not invisible.
        if (attributeBits == 0 && !d.anyAlpha) {
            for (size_t i = 3; i < out.rgba.size(); i += 4)
                out.rgba[i] = 255;
        } else {
            out.hasAlpha = true;
        }
    }
    return DecodeError::None;
}

} // namespace img
