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
// Warnings (damaged entropy data) still give a picture; nothing is printed.
void OnMessage(j_common_ptr) {}

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

// Reads every row into the picture, expanding grey or RGB samples to RGBA.
bool ReadRows(JpegReader& r, uint8_t* row, Image& out) {
    if (setjmp(r.jump))
        return false;
    const int components = r.cinfo.output_components;
    JSAMPROW rows[1] = {row};
    while (r.cinfo.output_scanline < r.cinfo.output_height) {
        const JDIMENSION y = r.cinfo.output_scanline;
        if (jpeg_read_scanlines(&r.cinfo, rows, 1) != 1)
            return false; // only a suspending source returns no row
        uint8_t* dst = out.rgba.data() + size_t(y) * size_t(out.width) * 4;
        for (int x = 0; x < out.width; ++x, dst += 4) {
            const uint8_t* s = row + size_t(x) * components;
            dst[0] = s[0];
            dst[1] = components == 3 ? s[1] : s[0];
            dst[2] = components == 3 ? s[2] : s[0];
            dst[3] = 255;
        }
    }
    jpeg_finish_decompress(&r.cinfo);
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

} // namespace

DecodeError DecodeJpeg(const uint8_t* data, size_t size, Image& out) {
    out = Image{};
    JpegReader r;
    r.cinfo.err = jpeg_std_error(&r.errors);
    r.errors.error_exit = OnError;
    r.errors.output_message = OnMessage;
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
    if (DecodeError e = detail::AllocatePixels(out, int(width), int(height), FileFormat::Jpg);
        e != DecodeError::None)
        return e;
    if (!ReadRows(r, row.data(), out)) {
        out = Image{};
        return ErrorCode(r);
    }
    out.grey = grey;
    return DecodeError::None;
}

} // namespace img
