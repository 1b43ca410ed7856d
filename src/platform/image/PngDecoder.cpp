// PNG through libpng: every colour type and bit depth, interlaced or not,
// expanded to RGBA8. libpng reports errors by longjmp, so the calls into it sit
// in small functions that own nothing with a destructor.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "platform/image/DecodeUtil.h"
#include "platform/image/Image.h"

namespace img {

namespace {

constexpr size_t kSignatureSize = 8;
// Deflate cannot shrink data by more than about 1032:1; a file smaller than
// that allows for its pixels cannot hold them.
constexpr uint64_t kMaxDeflateRatio = 1032;

struct PngReader {
    const uint8_t* data;
    size_t size;
    size_t pos = kSignatureSize;
    bool truncated = false;
    png_structp png = nullptr;
    png_infop info = nullptr;

    PngReader(const uint8_t* d, size_t n) : data(d), size(n) {}
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
    ~PngReader() { png_destroy_read_struct(&png, &info, nullptr); }
};

[[noreturn]] void OnError(png_structp png, png_const_charp) {
    std::longjmp(png_jmpbuf(png), 1);
}
void OnWarning(png_structp, png_const_charp) {}

void ReadData(png_structp png, png_bytep dst, size_t n) {
    auto* r = static_cast<PngReader*>(png_get_io_ptr(png));
    if (r->size - r->pos < n) {
        r->truncated = true;
        png_error(png, "unexpected end of data");
    }
    std::memcpy(dst, r->data + r->pos, n);
    r->pos += n;
}

struct HeaderInfo {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    bool transparency = false;
    size_t rowBytes = 0;
};

// Reads the chunks up to the pixels and sets up the expansion to RGBA8.
bool ReadHeader(PngReader& r, HeaderInfo& h) {
    if (setjmp(png_jmpbuf(r.png)))
        return false;
    png_set_sig_bytes(r.png, kSignatureSize);
    png_read_info(r.png, r.info);
    h.width = png_get_image_width(r.png, r.info);
    h.height = png_get_image_height(r.png, r.info);
    h.bitDepth = png_get_bit_depth(r.png, r.info);
    h.colorType = png_get_color_type(r.png, r.info);
    h.transparency = png_get_valid(r.png, r.info, PNG_INFO_tRNS) != 0;
    // Size of the stored (filtered, not yet expanded) rows, for the plausibility check.
    h.rowBytes = png_get_rowbytes(r.png, r.info) + 1;

    if (h.colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(r.png);
    if (h.colorType == PNG_COLOR_TYPE_GRAY && h.bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(r.png);
    if (h.transparency)
        png_set_tRNS_to_alpha(r.png);
    if (h.bitDepth == 16)
        png_set_scale_16(r.png);
    if (!(h.colorType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(r.png);
    png_set_add_alpha(r.png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    return true;
}

// Reads every pass of an interlaced picture into rows allocated up front.
bool ReadAllRows(PngReader& r, png_bytepp rows) {
    if (setjmp(png_jmpbuf(r.png)))
        return false;
    png_read_image(r.png, rows);
    return true;
}

bool ReadRow(PngReader& r, png_bytep row) {
    if (setjmp(png_jmpbuf(r.png)))
        return false;
    png_read_row(r.png, row, nullptr);
    return true;
}

// Reads the chunks after the pixels, so a cut-off file is noticed.
bool ReadEnd(PngReader& r) {
    if (setjmp(png_jmpbuf(r.png)))
        return false;
    png_read_end(r.png, nullptr);
    return true;
}

// An interlaced picture's passes each cover the whole picture, so it needs all
// its rows at once; the header checks bound what that costs.
DecodeError ReadInterlaced(PngReader& r, const HeaderInfo& h, Image& out) {
    if (DecodeError e = detail::AllocatePixels(out, int(h.width), int(h.height), FileFormat::Png);
        e != DecodeError::None)
        return e;
    std::vector<png_bytep> rows;
    try {
        rows.resize(h.height);
    } catch (const std::bad_alloc&) {
        return DecodeError::TooLarge;
    }
    for (png_uint_32 y = 0; y < h.height; ++y)
        rows[y] = out.rgba.data() + size_t(y) * h.width * 4;
    return ReadAllRows(r, rows.data()) ? DecodeError::None : DecodeError::Corrupt;
}

// A plain picture grows row by row as the compressed data delivers them.
DecodeError ReadSequential(PngReader& r, const HeaderInfo& h, Image& out) {
    detail::StartPicture(out, int(h.width), int(h.height), FileFormat::Png);
    const size_t stride = size_t(h.width) * 4;
    for (png_uint_32 y = 0; y < h.height; ++y) {
        if (DecodeError e = detail::GrowToRows(out, size_t(y) + 1); e != DecodeError::None)
            return e;
        if (!ReadRow(r, out.rgba.data() + size_t(y) * stride))
            return DecodeError::Corrupt;
    }
    return DecodeError::None;
}

} // namespace

DecodeError DecodePng(const uint8_t* data, size_t size, Image& out) {
    out = Image{};
    static constexpr uint8_t kSignature[kSignatureSize] = {0x89, 'P',  'N',  'G',
                                                           '\r', '\n', 0x1A, '\n'};
    if (size > 0 && std::memcmp(data, kSignature, size < kSignatureSize ? size : kSignatureSize))
        return DecodeError::Corrupt;
    if (size < kSignatureSize)
        return DecodeError::Truncated;

    PngReader r(data, size);
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!r.png)
        return DecodeError::TooLarge;
    r.info = png_create_info_struct(r.png);
    if (!r.info)
        return DecodeError::TooLarge;
    png_set_read_fn(r.png, &r, ReadData);

    HeaderInfo h;
    if (!ReadHeader(r, h))
        return r.truncated ? DecodeError::Truncated : DecodeError::Corrupt;
    if (DecodeError e = detail::CheckDimensions(h.width, h.height); e != DecodeError::None)
        return e;
    if (uint64_t(h.rowBytes) * h.height / kMaxDeflateRatio > size)
        return DecodeError::Truncated;
    if (png_get_rowbytes(r.png, r.info) != size_t(h.width) * 4)
        return DecodeError::Unsupported;

    DecodeError e = png_get_interlace_type(r.png, r.info) == PNG_INTERLACE_NONE
                        ? ReadSequential(r, h, out)
                        : ReadInterlaced(r, h, out);
    if (e == DecodeError::None && !ReadEnd(r))
        e = DecodeError::Corrupt;
    if (e != DecodeError::None) {
        out = Image{};
        return r.truncated ? DecodeError::Truncated : e;
    }
    out.grey = !(h.colorType & PNG_COLOR_MASK_COLOR);
    out.hasAlpha = (h.colorType & PNG_COLOR_MASK_ALPHA) || h.transparency;
    return DecodeError::None;
}

} // namespace img
