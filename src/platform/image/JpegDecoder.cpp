// JPEG through libjpeg: greyscale and YCbCr/RGB colour pictures. libjpeg reports
// errors through an error manager that longjmps back; the calls into it sit in
// small functions that own nothing with a destructor.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "platform/image/DecodeUtil.h"
#include "platform/image/Image.h"

namespace img {

namespace {

// Every 8x8 block of the full-resolution component costs at least one bit, so
// a file holds at most 512 pixels per byte. One claiming more than twice that is
// cut off, and is refused before its pixels are allocated.
constexpr uint64_t kMaxPixelsPerByte = 1024;

struct JpegReader {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    jpeg_source_mgr source;
    std::jmp_buf jump;
    bool truncated = false;

    JpegReader() {
        std::memset(&cinfo, 0, sizeof cinfo);
        std::memset(&source, 0, sizeof source);
    }
    JpegReader(const JpegReader&) = delete;
    JpegReader& operator=(const JpegReader&) = delete;
    // Safe on a struct whose creation failed: it only frees what exists.
    ~JpegReader() { jpeg_destroy_decompress(&cinfo); }
};

JpegReader& ReaderOf(j_common_ptr cinfo) {
    return *static_cast<JpegReader*>(cinfo->client_data);
}

[[noreturn]] void OnError(j_common_ptr cinfo) {
    std::longjmp(ReaderOf(cinfo).jump, 1);
}
void OnMessage(j_common_ptr) {}

// libjpeg carries on past damaged or missing entropy data with a warning,
// inventing grey pixels for the rest; such a picture is refused instead, at the
// first sign, before any more of it is decoded. Other warnings (odd JFIF
// versions, unknown colour transforms) leave the pixels intact.
void OnEmit(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return; // trace output
    switch (cinfo->err->msg_code) {
    case JWRN_HIT_MARKER:
    case JWRN_JPEG_EOF:
        ReaderOf(cinfo).truncated = true;
        std::longjmp(ReaderOf(cinfo).jump, 1);
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
        std::longjmp(ReaderOf(cinfo).jump, 1);
    default:
        return;
    }
}

[[noreturn]] void EndOfData(j_decompress_ptr cinfo) {
    ReaderOf(reinterpret_cast<j_common_ptr>(cinfo)).truncated = true;
    cinfo->err->msg_code = JERR_INPUT_EOF;
    cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
    std::abort(); // error_exit does not return
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

// All data is in the buffer from the start: asking for more means it ended early.
boolean FillInput(j_decompress_ptr cinfo) {
    EndOfData(cinfo);
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    if (count <= 0)
        return;
    jpeg_source_mgr* src = cinfo->src;
    if (size_t(count) > src->bytes_in_buffer)
        EndOfData(cinfo);
    src->next_input_byte += count;
    src->bytes_in_buffer -= size_t(count);
}

bool ReadHeader(JpegReader& r, const uint8_t* data, size_t size) {
    if (setjmp(r.jump))
        return false;
    jpeg_create_decompress(&r.cinfo);
    r.source.next_input_byte = data;
    r.source.bytes_in_buffer = size;
    r.source.init_source = InitSource;
    r.source.fill_input_buffer = FillInput;
    r.source.skip_input_data = SkipInput;
    r.source.resync_to_restart = jpeg_resync_to_restart;
    r.source.term_source = TermSource;
    r.cinfo.src = &r.source;
    jpeg_read_header(&r.cinfo, TRUE);
    return true;
}

bool Start(JpegReader& r) {
    if (setjmp(r.jump))
        return false;
    jpeg_start_decompress(&r.cinfo);
    return true;
}

DecodeError ErrorCode(const JpegReader& r) {
    if (r.truncated)
        return DecodeError::Truncated;
    switch (r.errors.msg_code) {
    case JERR_BAD_PRECISION:
    case JERR_NOT_COMPILED:
    case JERR_ARITH_NOTIMPL:
        return DecodeError::Unsupported;
    case JERR_OUT_OF_MEMORY:
        return DecodeError::TooLarge;
    default:
        return DecodeError::Corrupt;
    }
}

bool ReadRow(JpegReader& r, uint8_t* row) {
    if (setjmp(r.jump))
        return false;
    JSAMPROW rows[1] = {row};
    // Only a suspending source returns no row.
    return jpeg_read_scanlines(&r.cinfo, rows, 1) == 1;
}

bool Finish(JpegReader& r) {
    if (setjmp(r.jump))
        return false;
    jpeg_finish_decompress(&r.cinfo);
    return true;
}

// Reads row by row, growing the picture with the rows decoded, and expands grey
// or RGB samples to RGBA.
DecodeError ReadRows(JpegReader& r, uint8_t* row, Image& out) {
    const int components = r.cinfo.output_components;
    while (r.cinfo.output_scanline < r.cinfo.output_height) {
        const JDIMENSION y = r.cinfo.output_scanline;
        if (!ReadRow(r, row))
            return ErrorCode(r);
        if (DecodeError e = detail::GrowToRows(out, size_t(y) + 1); e != DecodeError::None)
            return e;
        uint8_t* dst = out.rgba.data() + size_t(y) * size_t(out.width) * 4;
        for (int x = 0; x < out.width; ++x, dst += 4) {
            const uint8_t* s = row + size_t(x) * components;
            dst[0] = s[0];
            dst[1] = components == 3 ? s[1] : s[0];
            dst[2] = components == 3 ? s[2] : s[0];
            dst[3] = 255;
        }
    }
    return Finish(r) ? DecodeError::None : ErrorCode(r);
}

} // namespace

DecodeError DecodeJpeg(const uint8_t* data, size_t size, Image& out) {
    out = Image{};
    JpegReader r;
    r.cinfo.err = jpeg_std_error(&r.errors);
    r.errors.error_exit = OnError;
    r.errors.output_message = OnMessage;
    r.errors.emit_message = OnEmit;
    r.cinfo.client_data = &r; // kept by jpeg_create_decompress

    if (!ReadHeader(r, data, size))
        return ErrorCode(r);

    const uint64_t width = r.cinfo.image_width, height = r.cinfo.image_height;
    if (DecodeError e = detail::CheckDimensions(int64_t(width), int64_t(height));
        e != DecodeError::None)
        return e;
    if (width * height / kMaxPixelsPerByte > size)
        return DecodeError::Truncated;

    switch (r.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        r.cinfo.out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_YCbCr:
    case JCS_RGB:
        r.cinfo.out_color_space = JCS_RGB;
        break;
    default: // CMYK, YCCK and unknown component layouts
        return DecodeError::Unsupported;
    }
    if (!Start(r))
        return ErrorCode(r);
    const bool grey = r.cinfo.out_color_space == JCS_GRAYSCALE;
    if (r.cinfo.output_width != width || r.cinfo.output_height != height ||
        r.cinfo.output_components != (grey ? 1 : 3))
        return DecodeError::Corrupt;

    std::vector<uint8_t> row;
    try {
        row.resize(size_t(width) * 3);
    } catch (const std::bad_alloc&) {
        return DecodeError::TooLarge;
    }
    detail::StartPicture(out, int(width), int(height), FileFormat::Jpg);
    if (DecodeError e = ReadRows(r, row.data(), out); e != DecodeError::None) {
        out = Image{};
        return e;
    }
    out.grey = grey;
    return DecodeError::None;
}

} // namespace img
