#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>

#include "ImageTestUtil.h"

namespace {

using img::DecodeError;

class PngRoundTrip : public testing::TestWithParam<int> {};

TEST_P(PngRoundTrip, DecodesWhatTheWriterWrote) {
    const int channels = GetParam();
    const imgtest::Pixels px = imgtest::MakeNoise(37, 23, channels);
    std::vector<uint8_t> file;
    ASSERT_TRUE(tk::EncodePng(px.View(), file));

    img::Image im;
    ASSERT_EQ(img::DecodePng(file.data(), file.size(), im), DecodeError::None);
    EXPECT_EQ(im.width, 37);
    EXPECT_EQ(im.height, 23);
    EXPECT_EQ(im.format, img::FileFormat::Png);
    EXPECT_EQ(im.grey, channels <= 2);
    EXPECT_EQ(im.hasAlpha, channels == 2 || channels == 4);
    EXPECT_EQ(im.rgba, imgtest::ExpectedRgba(px));
}

std::string LayoutName(const testing::TestParamInfo<int>& info) {
    static const char* const kNames[] = {"Grey", "GreyAlpha", "Rgb", "Rgba"};
    return kNames[info.param - 1];
}

INSTANTIATE_TEST_SUITE_P(Layouts, PngRoundTrip, testing::Values(1, 2, 3, 4), LayoutName);

// A PNG written with libpng itself, for layouts our writer never makes.
struct RawPng {
    RawPng(int w, int h, int type, int depth)
        : width(w), height(h), colorType(type), bitDepth(depth) {}
    int width, height, colorType, bitDepth;
    bool interlaced = false;
    std::vector<uint8_t> rows; // packed rows as stored, rowBytes each
    std::vector<png_color> palette;
    std::vector<uint8_t> paletteAlpha;
    int greyKey = -1; // grey value made transparent by tRNS
};

void Append(png_structp png, png_bytep data, size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

bool WriteWithLibpng(const RawPng& layout, std::vector<png_bytep>& rows,
                     std::vector<uint8_t>& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, Append, nullptr);
    png_set_IHDR(png, info, png_uint_32(layout.width), png_uint_32(layout.height), layout.bitDepth,
                 layout.colorType, layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty())
        png_set_PLTE(png, info, layout.palette.data(), int(layout.palette.size()));
    if (!layout.paletteAlpha.empty())
        png_set_tRNS(png, info, layout.paletteAlpha.data(), int(layout.paletteAlpha.size()),
                     nullptr);
    png_color_16 key{};
    key.gray = png_uint_16(layout.greyKey);
    if (layout.greyKey >= 0)
        png_set_tRNS(png, info, nullptr, 0, &key);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

std::vector<uint8_t> Write(const RawPng& layout) {
    const size_t rowBytes = layout.rows.size() / size_t(layout.height);
    std::vector<png_bytep> rows;
    for (int y = 0; y < layout.height; ++y)
        rows.push_back(const_cast<png_bytep>(layout.rows.data()) + size_t(y) * rowBytes);
    std::vector<uint8_t> out;
    EXPECT_TRUE(WriteWithLibpng(layout, rows, out));
    return out;
}

img::Image Decode(const std::vector<uint8_t>& file) {
    img::Image im;
    EXPECT_EQ(img::DecodePng(file.data(), file.size(), im), DecodeError::None);
    return im;
}

TEST(PngDecoder, ExpandsPaletteWithTransparency) {
    RawPng layout{5, 1, PNG_COLOR_TYPE_PALETTE, 2};
    layout.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
    layout.paletteAlpha = {0, 128};         // entries 2 and 3 stay opaque
    layout.rows = {0b00011011, 0b00000000}; // indices 0 1 2 3 0
    const img::Image im = Decode(Write(layout));
    EXPECT_EQ(im.rgba, (std::vector<uint8_t>{255, 0,   0,  0,  0,  255, 0,   128, 0, 0,
                                             255, 255, 10, 20, 30, 255, 255, 0,   0, 0}));
    EXPECT_TRUE(im.hasAlpha);
    EXPECT_FALSE(im.grey);
}

TEST(PngDecoder, ScalesSixteenBitChannels) {
    RawPng layout{2, 1, PNG_COLOR_TYPE_RGB, 16};
    // Big-endian 16-bit samples; v * 257 is exactly v in 8 bits.
    for (int v : {0, 255, 17, 34, 51, 200})
        layout.rows.insert(layout.rows.end(), {uint8_t(v), uint8_t(v)});
    img::Image im = Decode(Write(layout));
    EXPECT_EQ(im.rgba, (std::vector<uint8_t>{0, 255, 17, 255, 34, 51, 200, 255}));
    EXPECT_FALSE(im.hasAlpha);

    RawPng ga{1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 16};
    ga.rows = {0x80, 0x80, 0xFF, 0xFF};
    im = Decode(Write(ga));
    EXPECT_EQ(im.rgba, (std::vector<uint8_t>{128, 128, 128, 255}));
    EXPECT_TRUE(im.grey);
    EXPECT_TRUE(im.hasAlpha);
}

TEST(PngDecoder, WidensLowBitGrey) {
    RawPng layout{10, 2, PNG_COLOR_TYPE_GRAY, 1};
    layout.rows = {0b10110000, 0b01000000, 0b00000000, 0b11000000};
    const img::Image im = Decode(Write(layout));
    const uint8_t expected[20] = {1, 0, 1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1};
    ASSERT_EQ(im.rgba.size(), 80u);
    for (size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(im.rgba[i * 4], expected[i] ? 255 : 0) << i;
        EXPECT_EQ(im.rgba[i * 4 + 3], 255) << i;
    }
    EXPECT_TRUE(im.grey);
    EXPECT_FALSE(im.hasAlpha);
}

TEST(PngDecoder, GreyKeyBecomesTransparent) {
    RawPng layout{3, 1, PNG_COLOR_TYPE_GRAY, 8};
    layout.rows = {7, 8, 7};
    layout.greyKey = 7;
    const img::Image im = Decode(Write(layout));
    EXPECT_EQ(im.rgba, (std::vector<uint8_t>{7, 7, 7, 0, 8, 8, 8, 255, 7, 7, 7, 0}));
    EXPECT_TRUE(im.grey);
    EXPECT_TRUE(im.hasAlpha);
}

TEST(PngDecoder, ReadsInterlacedPictures) {
    const imgtest::Pixels px = imgtest::MakeNoise(13, 11, 4);
    RawPng layout{13, 11, PNG_COLOR_TYPE_RGBA, 8};
    layout.interlaced = true;
    layout.rows = px.data;
    EXPECT_EQ(Decode(Write(layout)).rgba, imgtest::ExpectedRgba(px));
}

// Offset of the first chunk of the given type (its length field).
size_t FindChunk(const std::vector<uint8_t>& file, const char* type) {
    size_t at = 8;
    while (at + 12 <= file.size()) {
        const uint32_t length = uint32_t(file[at]) << 24 | uint32_t(file[at + 1]) << 16 |
                                uint32_t(file[at + 2]) << 8 | file[at + 3];
        if (std::memcmp(&file[at + 4], type, 4) == 0)
            return at;
        at += 12 + length;
    }
    ADD_FAILURE() << "no " << type << " chunk";
    return 0;
}

void FixCrc(std::vector<uint8_t>& file, size_t chunk) {
    const uint32_t length = uint32_t(file[chunk]) << 24 | uint32_t(file[chunk + 1]) << 16 |
                            uint32_t(file[chunk + 2]) << 8 | file[chunk + 3];
    const uLong crc = crc32(0L, &file[chunk + 4], uInt(length + 4));
    for (int i = 0; i < 4; ++i)
        file[chunk + 8 + length + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
}

void PutBe32(std::vector<uint8_t>& file, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        file[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}

TEST(PngDecoder, RejectsDamageWithItsKindOfError) {
    std::vector<uint8_t> good;
    ASSERT_TRUE(tk::EncodePng(imgtest::MakeNoise(9, 7, 3).View(), good));
    const size_t ihdr = FindChunk(good, "IHDR");
    const size_t idat = FindChunk(good, "IDAT");

    struct Case {
        const char* what;
        size_t at;
        int kind; // 0: one byte, 4: a big-endian 32-bit value
        uint32_t value;
        size_t fixCrcOf; // chunk whose CRC is made right again, 0 for none
        DecodeError expected;
    };
    const Case cases[] = {
        {"signature", 1, 0, 'Q', 0, DecodeError::Corrupt},
        {"header checksum", ihdr + 8, 4, 10, 0, DecodeError::Corrupt},
        {"zero width", ihdr + 8, 4, 0, ihdr, DecodeError::Corrupt},
        {"too wide", ihdr + 8, 4, 20000, ihdr, DecodeError::TooLarge},
        {"too tall", ihdr + 12, 4, 20000, ihdr, DecodeError::TooLarge},
        {"absurd width", ihdr + 8, 4, 0x7FFFFFFF, ihdr, DecodeError::Corrupt},
        {"bad bit depth for RGB", ihdr + 16, 0, 4, ihdr, DecodeError::Corrupt},
        {"unknown colour type", ihdr + 17, 0, 5, ihdr, DecodeError::Corrupt},
        {"big picture, little data", ihdr + 8, 4, 16384, ihdr, DecodeError::Truncated},
        {"deflate stream", idat + 8, 4, 0xDEADBEEF, idat, DecodeError::Corrupt},
        {"pixel data checksum", idat + 20, 0, 0x55, 0, DecodeError::Corrupt},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> file = good;
        if (c.kind == 4)
            PutBe32(file, c.at, c.value);
        else
            file[c.at] = uint8_t(c.value);
        if (c.fixCrcOf)
            FixCrc(file, c.fixCrcOf);
        img::Image im;
        EXPECT_EQ(img::DecodePng(file.data(), file.size(), im), c.expected) << c.what;
        EXPECT_TRUE(im.rgba.empty()) << c.what;
    }
}

} // namespace
