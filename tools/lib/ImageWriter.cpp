#include "ImageWriter.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <jpeglib.h>

namespace tk {

namespace {

constexpr int kMaxPngDimension = 1 << 20;
constexpr int kMaxJpegDimension = 65500;
constexpr int kMaxTgaDimension = 65535;
constexpr int kMaxBmpDimension = 1 << 20;

bool Valid(const PixelView& p, int maxDimension) {
    return p.data && p.width > 0 && p.height > 0 && p.width <= maxDimension &&
           p.height <= maxDimension && p.channels >= 1 && p.channels <= 4;
}

const uint8_t* Pixel(const PixelView& p, int x, int y) {
    return p.data + (size_t(y) * size_t(p.width) + size_t(x)) * size_t(p.channels);
}

bool SaveFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::remove(path.c_str());
    return ok;
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// --- PNG -----------------------------------------------------------------

struct PngWriter {
    std::vector<uint8_t>* out = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriter() { png_destroy_write_struct(&png, &info); }
};

[[noreturn]] void PngError(png_structp png, png_const_charp) {
    std::longjmp(png_jmpbuf(png), 1);
}
void PngWarning(png_structp, png_const_charp) {}

void PngAppend(png_structp png, png_bytep data, size_t n) {
    auto* w = static_cast<PngWriter*>(png_get_io_ptr(png));
    bool ok = true;
    try {
        w->out->insert(w->out->end(), data, data + n);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok)
        png_error(png, "out of memory");
}
void PngFlush(png_structp) {}

// Owns nothing with a destructor: libpng may leave it by longjmp.
bool PngWrite(PngWriter& w, const PixelView& p, png_bytepp rows) {
    if (setjmp(png_jmpbuf(w.png)))
        return false;
    static constexpr int kColorTypes[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA,
                                          PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA};
    png_set_write_fn(w.png, &w, PngAppend, PngFlush);
    png_set_IHDR(w.png, w.info, png_uint_32(p.width), png_uint_32(p.height), 8,
                 kColorTypes[p.channels - 1], PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(w.png, w.info);
    png_write_image(w.png, rows);
    png_write_end(w.png, nullptr);
    return true;
}

// --- JPEG ----------------------------------------------------------------

constexpr size_t kJpegChunk = 16 * 1024;

struct JpegWriter {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    jpeg_destination_mgr dest;
    std::jmp_buf jump;
    std::vector<uint8_t>* out = nullptr;
    uint8_t buffer[kJpegChunk];

    JpegWriter() {
        std::memset(&cinfo, 0, sizeof cinfo);
        std::memset(&dest, 0, sizeof dest);
    }
    ~JpegWriter() { jpeg_destroy_compress(&cinfo); }
};

JpegWriter& WriterOf(j_common_ptr cinfo) {
    return *static_cast<JpegWriter*>(cinfo->client_data);
}
[[noreturn]] void JpegError(j_common_ptr cinfo) {
    std::longjmp(WriterOf(cinfo).jump, 1);
}
void JpegMessage(j_common_ptr) {}

bool JpegAppend(JpegWriter& w, size_t n) {
    try {
        w.out->insert(w.out->end(), w.buffer, w.buffer + n);
    } catch (const std::bad_alloc&) {
        return false;
    }
    w.dest.next_output_byte = w.buffer;
    w.dest.free_in_buffer = kJpegChunk;
    return true;
}
void JpegInitDest(j_compress_ptr cinfo) {
    JpegWriter& w = WriterOf(reinterpret_cast<j_common_ptr>(cinfo));
    w.dest.next_output_byte = w.buffer;
    w.dest.free_in_buffer = kJpegChunk;
}
boolean JpegEmpty(j_compress_ptr cinfo) {
    JpegWriter& w = WriterOf(reinterpret_cast<j_common_ptr>(cinfo));
    if (!JpegAppend(w, kJpegChunk))
        std::longjmp(w.jump, 1);
    return TRUE;
}
void JpegTerm(j_compress_ptr cinfo) {
    JpegWriter& w = WriterOf(reinterpret_cast<j_common_ptr>(cinfo));
    if (!JpegAppend(w, kJpegChunk - w.dest.free_in_buffer))
        std::longjmp(w.jump, 1);
}

// Owns nothing with a destructor: libjpeg may leave it by longjmp.
bool JpegWrite(JpegWriter& w, const PixelView& p, int quality, uint8_t* row) {
    if (setjmp(w.jump))
        return false;
    jpeg_create_compress(&w.cinfo);
    w.dest.init_destination = JpegInitDest;
    w.dest.empty_output_buffer = JpegEmpty;
    w.dest.term_destination = JpegTerm;
    w.cinfo.dest = &w.dest;
    const bool grey = p.channels == 1;
    w.cinfo.image_width = JDIMENSION(p.width);
    w.cinfo.image_height = JDIMENSION(p.height);
    w.cinfo.input_components = grey ? 1 : 3;
    w.cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&w.cinfo);
    jpeg_set_quality(&w.cinfo, quality, TRUE);
    w.cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&w.cinfo, TRUE);
    JSAMPROW rows[1] = {row};
    while (w.cinfo.next_scanline < w.cinfo.image_height) {
        const int y = int(w.cinfo.next_scanline);
        for (int x = 0; x < p.width; ++x) {
            const uint8_t* s = Pixel(p, x, y);
            if (grey)
                row[x] = s[0];
            else
                std::memcpy(row + 3 * x, s, 3);
        }
        jpeg_write_scanlines(&w.cinfo, rows, 1);
    }
    jpeg_finish_compress(&w.cinfo);
    return true;
}

// --- TGA -----------------------------------------------------------------

constexpr uint8_t kTgaTrueColor = 2, kTgaGrey = 3, kTgaRleFlag = 8;
constexpr uint8_t kTgaTopLeft = 0x20;
constexpr int kTgaMaxPacket = 128;

// File order of a TGA pixel: B, G, R(, A) or the grey value.
void TgaPixel(const PixelView& p, int x, int y, uint8_t* dst) {
    const uint8_t* s = Pixel(p, x, y);
    if (p.channels == 1) {
        dst[0] = s[0];
        return;
    }
    dst[0] = s[2];
    dst[1] = s[1];
    dst[2] = s[0];
    if (p.channels == 4)
        dst[3] = s[3];
}

void TgaRow(const PixelView& p, int y, bool rle, std::vector<uint8_t>& out) {
    const size_t n = size_t(p.channels);
    std::vector<uint8_t> row(size_t(p.width) * n);
    for (int x = 0; x < p.width; ++x)
        TgaPixel(p, x, y, row.data() + size_t(x) * n);
    if (!rle) {
        out.insert(out.end(), row.begin(), row.end());
        return;
    }
    auto same = [&](int a, int b) { return std::memcmp(&row[a * n], &row[b * n], n) == 0; };
    int x = 0;
    while (x < p.width) {
        // A run of two or more equal pixels becomes a run packet; everything
        // else goes into raw packets that stop where the next run begins.
        int run = 1;
        while (x + run < p.width && run < kTgaMaxPacket && same(x, x + run))
            ++run;
        if (run >= 2) {
            out.push_back(uint8_t(0x80 | (run - 1)));
            out.insert(out.end(), row.begin() + x * n, row.begin() + (x + 1) * n);
            x += run;
            continue;
        }
        int raw = 1;
        while (x + raw < p.width && raw < kTgaMaxPacket &&
               !(x + raw + 1 < p.width && same(x + raw, x + raw + 1)))
            ++raw;
        out.push_back(uint8_t(raw - 1));
        out.insert(out.end(), row.begin() + x * n, row.begin() + (x + raw) * n);
        x += raw;
    }
}

// --- BMP -----------------------------------------------------------------

constexpr uint32_t kBmpInfoHeader = 40, kBmpV5Header = 124;
constexpr uint32_t kBmpRgb = 0, kBmpBitFields = 3;
constexpr uint32_t kBmpPixelsPerMetre = 2835; // 72 dots per inch
constexpr uint32_t kBmpSrgb = 0x73524742;     // 'sRGB'
constexpr uint32_t kBmpIntentImages = 4;

} // namespace

bool EncodePng(const PixelView& p, std::vector<uint8_t>& out) {
    out.clear();
    if (!Valid(p, kMaxPngDimension))
        return false;
    std::vector<png_bytep> rows(size_t(p.height));
    for (int y = 0; y < p.height; ++y)
        rows[size_t(y)] = const_cast<png_bytep>(Pixel(p, 0, y));
    PngWriter w;
    w.out = &out;
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (w.png)
        w.info = png_create_info_struct(w.png);
    if (!w.info || !PngWrite(w, p, rows.data())) {
        out.clear();
        return false;
    }
    return true;
}

bool WritePng(const std::string& path, const PixelView& pixels) {
    std::vector<uint8_t> bytes;
    return EncodePng(pixels, bytes) && SaveFile(path, bytes);
}

bool EncodeJpeg(const PixelView& p, int quality, std::vector<uint8_t>& out) {
    out.clear();
    if (!Valid(p, kMaxJpegDimension) || p.channels == 2 || quality < 1 || quality > 100)
        return false;
    std::vector<uint8_t> row(size_t(p.width) * 3);
    auto w = std::make_unique<JpegWriter>();
    w->out = &out;
    w->cinfo.err = jpeg_std_error(&w->errors);
    w->errors.error_exit = JpegError;
    w->errors.output_message = JpegMessage;
    w->cinfo.client_data = w.get();
    if (!JpegWrite(*w, p, quality, row.data())) {
        out.clear();
        return false;
    }
    return true;
}

bool WriteJpeg(const std::string& path, const PixelView& pixels, int quality) {
    std::vector<uint8_t> bytes;
    return EncodeJpeg(pixels, quality, bytes) && SaveFile(path, bytes);
}

bool EncodeTga(const PixelView& p, const TgaOptions& options, std::vector<uint8_t>& out) {
    out.clear();
    if (!Valid(p, kMaxTgaDimension) || p.channels == 2)
        return false;
    const uint8_t type =
        uint8_t((p.channels == 1 ? kTgaGrey : kTgaTrueColor) | (options.rle ? kTgaRleFlag : 0));
    const uint8_t alphaBits = p.channels == 4 ? 8 : 0;
    out.push_back(0); // no image ID
    out.push_back(0); // no colour map
    out.push_back(type);
    out.insert(out.end(), 5, 0); // no colour map entries
    Put16(out, 0);               // x origin
    Put16(out, 0);               // y origin
    Put16(out, uint32_t(p.width));
    Put16(out, uint32_t(p.height));
    out.push_back(uint8_t(p.channels * 8));
    out.push_back(uint8_t(alphaBits | (options.topLeft ? kTgaTopLeft : 0)));
    for (int i = 0; i < p.height; ++i)
        TgaRow(p, options.topLeft ? i : p.height - 1 - i, options.rle, out);
    return true;
}

bool WriteTga(const std::string& path, const PixelView& pixels, const TgaOptions& options) {
    std::vector<uint8_t> bytes;
    return EncodeTga(pixels, options, bytes) && SaveFile(path, bytes);
}

bool EncodeBmp(const PixelView& p, const BmpOptions& options, std::vector<uint8_t>& out) {
    out.clear();
    if (!Valid(p, kMaxBmpDimension) || p.channels == 2)
        return false;
    const uint32_t bits = p.channels == 1 ? 8 : p.channels == 3 ? 24 : 32;
    const bool masks = options.bitFields && bits == 32;
    const uint32_t headerSize = masks ? kBmpV5Header : kBmpInfoHeader;
    const uint32_t paletteBytes = bits == 8 ? 256 * 4 : 0;
    const uint64_t stride = (uint64_t(p.width) * bits + 31) / 32 * 4;
    const uint64_t imageBytes = stride * uint64_t(p.height);
    const uint64_t offset = 14 + headerSize + paletteBytes;
    if (offset + imageBytes > 0xFFFFFFFFu)
        return false;

    out.reserve(size_t(offset + imageBytes));
    out.push_back('B');
    out.push_back('M');
    Put32(out, uint32_t(offset + imageBytes));
    Put32(out, 0); // reserved
    Put32(out, uint32_t(offset));

    Put32(out, headerSize);
    Put32(out, uint32_t(p.width));
    Put32(out, uint32_t(options.topDown ? -p.height : p.height));
    Put16(out, 1); // planes
    Put16(out, bits);
    Put32(out, masks ? kBmpBitFields : kBmpRgb);
    Put32(out, uint32_t(imageBytes));
    Put32(out, kBmpPixelsPerMetre);
    Put32(out, kBmpPixelsPerMetre);
    Put32(out, bits == 8 ? 256 : 0); // colours used
    Put32(out, 0);                   // colours important: all
    if (masks) {
        Put32(out, 0x00FF0000);
        Put32(out, 0x0000FF00);
        Put32(out, 0x000000FF);
        Put32(out, 0xFF000000);
        Put32(out, kBmpSrgb);
        out.insert(out.end(), 36, 0); // end points, unused with sRGB
        Put32(out, 0);                // gamma red, green, blue
        Put32(out, 0);
        Put32(out, 0);
        Put32(out, kBmpIntentImages);
        Put32(out, 0); // no profile
        Put32(out, 0);
        Put32(out, 0); // reserved
    }
    for (uint32_t i = 0; i < paletteBytes / 4; ++i) {
        out.insert(out.end(), 3, uint8_t(i));
        out.push_back(0);
    }

    const size_t padding = size_t(stride - uint64_t(p.width) * (bits / 8));
    for (int i = 0; i < p.height; ++i) {
        const int y = options.topDown ? i : p.height - 1 - i;
        for (int x = 0; x < p.width; ++x) {
            const uint8_t* s = Pixel(p, x, y);
            if (bits == 8) {
                out.push_back(s[0]);
                continue;
            }
            out.push_back(s[2]);
            out.push_back(s[1]);
            out.push_back(s[0]);
            if (bits == 32)
                out.push_back(s[3]);
        }
        out.insert(out.end(), padding, 0);
    }
    return true;
}

bool WriteBmp(const std::string& path, const PixelView& pixels, const BmpOptions& options) {
    std::vector<uint8_t> bytes;
    return EncodeBmp(pixels, options, bytes) && SaveFile(path, bytes);
}

} // namespace tk
