#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <jpeglib.h>

#include "ImageTestUtil.h"

namespace {

using img::DecodeError;

struct Difference {
    int max = 0;
    double mean = 0;
};

Difference Compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    Difference d;
    if (a.size() != b.size() || a.empty())
        return {256, 256};
    long sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const int diff = std::abs(int(a[i]) - int(b[i]));
        d.max = std::max(d.max, diff);
        sum += diff;
    }
    d.mean = double(sum) / double(a.size());
    return d;
}

TEST(JpegDecoder, ColourComesBackWithinTolerance) {
    const imgtest::Pixels px = imgtest::MakeSmooth(48, 40, 3);
    std::vector<uint8_t> file;
    ASSERT_TRUE(tk::EncodeJpeg(px.View(), 95, file));
    img::Image im;
    ASSERT_EQ(img::DecodeJpeg(file.data(), file.size(), im), DecodeError::None);
    EXPECT_EQ(im.width, 48);
    EXPECT_EQ(im.height, 40);
    EXPECT_EQ(im.format, img::FileFormat::Jpg);
    EXPECT_FALSE(im.grey);
    EXPECT_FALSE(im.hasAlpha);
    const Difference d = Compare(im.rgba, imgtest::ExpectedRgba(px));
    EXPECT_LE(d.max, 12);
    EXPECT_LT(d.mean, 2.0);
}

TEST(JpegDecoder, GreyComesBackGreyWithinTolerance) {
    const imgtest::Pixels px = imgtest::MakeSmooth(33, 17, 1);
    std::vector<uint8_t> file;
    ASSERT_TRUE(tk::EncodeJpeg(px.View(), 90, file));
    img::Image im;
    ASSERT_EQ(img::DecodeJpeg(file.data(), file.size(), im), DecodeError::None);
    EXPECT_TRUE(im.grey);
    const Difference d = Compare(im.rgba, imgtest::ExpectedRgba(px));
    EXPECT_LE(d.max, 6);
    EXPECT_LT(d.mean, 1.5);
}

TEST(JpegWriter, DropsAlpha) {
    const imgtest::Pixels rgba = imgtest::MakeNoise(16, 8, 4);
    imgtest::Pixels rgb{16, 8, 3, {}};
    for (size_t i = 0; i < rgba.data.size(); i += 4)
        rgb.data.insert(rgb.data.end(), &rgba.data[i], &rgba.data[i] + 3);
    std::vector<uint8_t> a, b;
    ASSERT_TRUE(tk::EncodeJpeg(rgba.View(), 80, a));
    ASSERT_TRUE(tk::EncodeJpeg(rgb.View(), 80, b));
    EXPECT_EQ(a, b);
}

// libjpeg itself writes the CMYK picture our writer never makes.
std::vector<uint8_t> CmykJpeg() {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = 8;
    cinfo.image_height = 8;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    uint8_t row[8 * 4] = {};
    JSAMPROW rows[1] = {row};
    while (cinfo.next_scanline < cinfo.image_height)
        jpeg_write_scanlines(&cinfo, rows, 1);
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

TEST(JpegDecoder, RefusesCmyk) {
    const std::vector<uint8_t> file = CmykJpeg();
    img::Image im;
    EXPECT_EQ(img::DecodeJpeg(file.data(), file.size(), im), DecodeError::Unsupported);
    EXPECT_TRUE(im.rgba.empty());
}

// Offset of the first start-of-frame marker.
size_t FindFrame(const std::vector<uint8_t>& file) {
    for (size_t i = 2; i + 9 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] >= 0xC0 && file[i + 1] <= 0xC2)
            return i;
    ADD_FAILURE() << "no frame header";
    return 0;
}

TEST(JpegDecoder, RejectsDamageWithItsKindOfError) {
    std::vector<uint8_t> good;
    ASSERT_TRUE(tk::EncodeJpeg(imgtest::MakeSmooth(16, 16, 3).View(), 75, good));
    const size_t sof = FindFrame(good);
    std::vector<uint8_t> png;
    ASSERT_TRUE(tk::EncodePng(imgtest::MakeNoise(4, 4, 3).View(), png));

    struct Case {
        const char* what;
        std::vector<std::pair<size_t, uint8_t>> bytes;
        DecodeError expected;
    };
    // Frame header: FF Cn, length (2), precision, height (2), width (2), components.
    const Case cases[] = {
        {"zero height", {{sof + 5, 0}, {sof + 6, 0}}, DecodeError::Corrupt},
        {"too wide", {{sof + 7, 20000 >> 8}, {sof + 8, 20000 & 255}}, DecodeError::TooLarge},
        {"big picture, little data",
         {{sof + 5, 4000 >> 8}, {sof + 6, 4000 & 255}, {sof + 7, 4000 >> 8}, {sof + 8, 4000 & 255}},
         DecodeError::Truncated},
        {"12-bit samples", {{sof + 4, 12}}, DecodeError::Unsupported},
        {"component count", {{sof + 9, 2}}, DecodeError::Corrupt},
        {"no start of image", {{1, 0xD9}}, DecodeError::Corrupt},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> file = good;
        for (const auto& [at, value] : c.bytes)
            file[at] = value;
        img::Image im;
        EXPECT_EQ(img::DecodeJpeg(file.data(), file.size(), im), c.expected) << c.what;
        EXPECT_TRUE(im.rgba.empty()) << c.what;
    }
    img::Image im;
    EXPECT_EQ(img::DecodeJpeg(png.data(), png.size(), im), DecodeError::Corrupt);
}

} // namespace
