// Format detection, reading from files, data cut short for every format, and
// headers that claim far more picture than the data holds.
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstring>
#include <functional>

#include "ImageTestUtil.h"
#include "support/TempDir.h"

namespace {

using img::DecodeError;
using img::FileFormat;

struct Sample {
    const char* name;
    FileFormat format;
    img::DecodeError (*decoder)(const uint8_t*, size_t, img::Image&);
    std::vector<uint8_t> bytes;
};

// Small files of every format and the variants each decoder handles differently.
std::vector<Sample> Samples() {
    const imgtest::Pixels rgba = imgtest::MakeNoise(9, 7, 4);
    const imgtest::Pixels rgb = imgtest::MakeNoise(9, 7, 3);
    const imgtest::Pixels grey = imgtest::MakeNoise(9, 7, 1);
    const imgtest::Pixels greyAlpha = imgtest::MakeNoise(9, 7, 2);
    std::vector<Sample> s;
    auto add = [&](const char* name, FileFormat f, auto decoder,
                   const std::function<bool(std::vector<uint8_t>&)>& encode) {
        Sample sample{name, f, decoder, {}};
        EXPECT_TRUE(encode(sample.bytes)) << name;
        s.push_back(std::move(sample));
    };
    add("png rgba", FileFormat::Png, img::DecodePng,
        [&](auto& b) { return tk::EncodePng(rgba.View(), b); });
    add("png grey", FileFormat::Png, img::DecodePng,
        [&](auto& b) { return tk::EncodePng(grey.View(), b); });
    add("png grey alpha", FileFormat::Png, img::DecodePng,
        [&](auto& b) { return tk::EncodePng(greyAlpha.View(), b); });
    add("jpeg colour", FileFormat::Jpg, img::DecodeJpeg,
        [&](auto& b) { return tk::EncodeJpeg(rgb.View(), 85, b); });
    add("jpeg grey", FileFormat::Jpg, img::DecodeJpeg,
        [&](auto& b) { return tk::EncodeJpeg(grey.View(), 85, b); });
    add("tga 32 raw", FileFormat::Tga, img::DecodeTga, [&](auto& b) {
        return tk::EncodeTga(rgba.View(), {false, true}, b);
    });
    add("tga 24 rle", FileFormat::Tga, img::DecodeTga, [&](auto& b) {
        return tk::EncodeTga(rgb.View(), {true, false}, b);
    });
    add("tga 8 rle", FileFormat::Tga, img::DecodeTga, [&](auto& b) {
        return tk::EncodeTga(grey.View(), {true, true}, b);
    });
    add("bmp 8", FileFormat::Bmp, img::DecodeBmp,
        [&](auto& b) { return tk::EncodeBmp(grey.View(), {}, b); });
    add("bmp 24", FileFormat::Bmp, img::DecodeBmp, [&](auto& b) {
        return tk::EncodeBmp(rgb.View(), {true, false}, b);
    });
    add("bmp 32 masks", FileFormat::Bmp, img::DecodeBmp, [&](auto& b) {
        return tk::EncodeBmp(rgba.View(), {false, true}, b);
    });
    return s;
}

TEST(Decode, FindsTheFormatFromTheContent) {
    for (const Sample& s : Samples()) {
        EXPECT_EQ(img::SniffFormat(s.bytes.data(), s.bytes.size()), s.format) << s.name;
        img::Image im;
        ASSERT_EQ(img::Decode(s.bytes.data(), s.bytes.size(), im), DecodeError::None) << s.name;
        EXPECT_EQ(im.format, s.format) << s.name;
        EXPECT_EQ(im.width, 9) << s.name;
        EXPECT_EQ(im.height, 7) << s.name;
    }
}

TEST(Decode, RefusesWhatIsNoPicture) {
    const char* texts[] = {"", "B", "hello, this is plain text and no picture at all",
                           "\x89PNX\r\n\x1a\n and so on"};
    for (const char* t : texts) {
        const auto* data = reinterpret_cast<const uint8_t*>(t);
        img::Image im;
        EXPECT_EQ(img::SniffFormat(data, std::strlen(t)), FileFormat::Unknown) << t;
        EXPECT_EQ(img::Decode(data, std::strlen(t), im), DecodeError::UnknownFormat) << t;
        EXPECT_TRUE(im.rgba.empty());
    }
    // A TGA-looking header of a kind we do not read is still a TGA.
    std::vector<uint8_t> mapped = {0, 1, 1, 0, 0, 2, 0, 24, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0};
    mapped.insert(mapped.end(), {0, 0, 0, 255, 255, 255, 1});
    img::Image im;
    EXPECT_EQ(img::SniffFormat(mapped.data(), mapped.size()), FileFormat::Tga);
    EXPECT_EQ(img::Decode(mapped.data(), mapped.size(), im), DecodeError::Unsupported);
}

TEST(Decode, EveryCutShortFileFailsAsTruncated) {
    for (const Sample& s : Samples()) {
        for (size_t n = 0; n < s.bytes.size(); ++n) {
            // A copy of exactly n bytes, so reading past it is caught by ASan.
            const std::vector<uint8_t> prefix(s.bytes.begin(), s.bytes.begin() + long(n));
            img::Image im;
            im.width = 99;
            const DecodeError e = s.decoder(prefix.data(), prefix.size(), im);
            ASSERT_EQ(e, DecodeError::Truncated) << s.name << ", " << n << " bytes";
            ASSERT_TRUE(im.rgba.empty() && im.width == 0) << s.name << ", " << n << " bytes";
            ASSERT_NE(img::Decode(prefix.data(), prefix.size(), im), DecodeError::None)
                << s.name << ", " << n << " bytes";
        }
    }
}

// The sanitizer runtime reports every allocation to a hook; without it the
// sizes cannot be watched and only the results are checked.
extern "C" __attribute__((weak)) int
__sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                          void (*)(const volatile void*));
std::atomic<size_t> largestAllocation{0};
void OnMalloc(const volatile void*, size_t n) {
    size_t seen = largestAllocation.load();
    while (n > seen && !largestAllocation.compare_exchange_weak(seen, n)) {
    }
}
void OnFree(const volatile void*) {}

void PutChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& body) {
    const uint32_t n = uint32_t(body.size());
    const size_t start = png.size();
    png.insert(png.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), body.begin(), body.end());
    const uint32_t crc = uint32_t(crc32(0, png.data() + start + 4, uInt(4 + n)));
    png.insert(png.end(),
               {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
}

// A one-bit grey PNG of that size whose pixel data holds `rows` zero rows,
// padded with a comment of `padding` bytes.
std::vector<uint8_t> BlackPng(uint32_t width, uint32_t height, uint32_t rows, size_t padding) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(png, "IHDR",
             {uint8_t(width >> 24), uint8_t(width >> 16), uint8_t(width >> 8), uint8_t(width),
              uint8_t(height >> 24), uint8_t(height >> 16), uint8_t(height >> 8), uint8_t(height),
              1, 0, 0, 0, 0});
    std::vector<uint8_t> body = {'C', 0};
    body.resize(padding, 'x');
    PutChunk(png, "tEXt", body);
    const std::vector<uint8_t> raw(size_t(rows) * ((width + 7) / 8 + 1), 0);
    uLongf packed = compressBound(uLong(raw.size()));
    std::vector<uint8_t> idat(packed);
    EXPECT_EQ(compress2(idat.data(), &packed, raw.data(), uLong(raw.size()), 9), Z_OK);
    idat.resize(packed);
    PutChunk(png, "IDAT", idat);
    PutChunk(png, "IEND", {});
    return png;
}

// A JPEG of 64 x 64 pixels whose frame header claims `side` x `side`, its scan
// cut to `keep` of its bytes and closed with an end marker, after a comment of
// `padding` bytes.
std::vector<uint8_t> LyingJpeg(int side, double keep, size_t padding) {
    std::vector<uint8_t> jpeg;
    EXPECT_TRUE(tk::EncodeJpeg(imgtest::MakeSmooth(64, 64, 3).View(), 90, jpeg));
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = jpeg[i + 7] = uint8_t(side >> 8);
            jpeg[i + 6] = jpeg[i + 8] = uint8_t(side & 255);
            break;
        }
    size_t scan = 0;
    for (size_t i = 2; i + 1 < jpeg.size() && scan == 0; ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA)
            scan = i + 2 + (size_t(jpeg[i + 2]) << 8 | jpeg[i + 3]);
    jpeg.resize(scan + size_t(double(jpeg.size() - 2 - scan) * keep));
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    std::vector<uint8_t> comment = {0xFF, 0xFE, uint8_t((padding + 2) >> 8),
                                    uint8_t((padding + 2) & 255)};
    comment.resize(comment.size() + padding, 'x');
    jpeg.insert(jpeg.begin() + 2, comment.begin(), comment.end());
    return jpeg;
}

TEST(Decode, HeadersThatClaimMoreThanTheDataHoldsCostNoMemory) {
    if (__sanitizer_install_malloc_and_free_hooks) {
        static const int installed = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
        ASSERT_NE(installed, 0);
    }
    constexpr size_t kSmall = size_t(4) << 20;
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        DecodeError expected;
    };
    const Case cases[] = {
        // 33 KB of zeros decode to 8192 x 8192 pixels: more than any picture may be.
        {"png of a gigapixel of black", BlackPng(8192, 8192, 8192, 16), DecodeError::TooLarge},
        {"png whose rows stop early", BlackPng(4096, 4096, 16, 4096), DecodeError::Corrupt},
        {"jpeg whose scan covers a corner", LyingJpeg(4000, 1.0, 20000), DecodeError::Truncated},
        {"jpeg whose scan ends halfway", LyingJpeg(64, 0.5, 0), DecodeError::Truncated},
    };
    for (const Case& c : cases) {
        img::Image im;
        largestAllocation = 0;
        EXPECT_EQ(img::Decode(c.file.data(), c.file.size(), im), c.expected) << c.what;
        EXPECT_LT(largestAllocation.load(), kSmall) << c.what;
        EXPECT_TRUE(im.rgba.empty()) << c.what;
    }
}

TEST(DecodeFile, ReadsFilesAndReportsMissingOnes) {
    testsupport::TempDir dir;
    ASSERT_TRUE(dir.Ok());
    const imgtest::Pixels px = imgtest::MakeNoise(6, 5, 4);
    ASSERT_TRUE(tk::WritePng(dir / "a.png", px.View()));
    ASSERT_TRUE(tk::WriteTga(dir / "a.tga", px.View()));
    ASSERT_TRUE(tk::WriteBmp(dir / "a.bmp", px.View()));
    ASSERT_TRUE(tk::WriteJpeg(dir / "a.jpg", px.View(), 90));
    for (const char* name : {"a.png", "a.tga", "a.bmp"}) {
        img::Image im;
        ASSERT_EQ(img::DecodeFile(dir / name, im), DecodeError::None) << name;
        EXPECT_EQ(im.rgba, imgtest::ExpectedRgba(px)) << name;
    }
    img::Image im;
    EXPECT_EQ(img::DecodeFile(dir / "a.jpg", im), DecodeError::None);
    EXPECT_EQ(im.format, FileFormat::Jpg);

    EXPECT_EQ(img::DecodeFile(dir / "missing.png", im), DecodeError::Open);
    EXPECT_TRUE(im.rgba.empty());
    EXPECT_EQ(img::DecodeFile(dir / "", im), DecodeError::Open); // a folder
}

TEST(ImageWriters, AreDeterministicAndRefuseBadInput) {
    const imgtest::Pixels px = imgtest::MakeNoise(12, 10, 4);
    using Encode = std::function<bool(const tk::PixelView&, std::vector<uint8_t>&)>;
    const Encode encoders[] = {
        [](const tk::PixelView& p, auto& b) { return tk::EncodePng(p, b); },
        [](const tk::PixelView& p, auto& b) { return tk::EncodeJpeg(p, 80, b); },
        [](const tk::PixelView& p, auto& b) {
            return tk::EncodeTga(p, {true, false}, b);
        },
        [](const tk::PixelView& p, auto& b) {
            return tk::EncodeBmp(p, {false, true}, b);
        },
    };
    for (const Encode& encode : encoders) {
        std::vector<uint8_t> a, b;
        ASSERT_TRUE(encode(px.View(), a));
        ASSERT_TRUE(encode(px.View(), b));
        EXPECT_EQ(a, b);
        tk::PixelView empty = px.View();
        empty.width = 0;
        EXPECT_FALSE(encode(empty, a));
        EXPECT_TRUE(a.empty());
        tk::PixelView noData = px.View();
        noData.data = nullptr;
        EXPECT_FALSE(encode(noData, a));
    }
    std::vector<uint8_t> png;
    ASSERT_TRUE(tk::EncodePng(px.View(), png));
    const std::string text(png.begin(), png.end());
    EXPECT_EQ(text.find("tIME"), std::string::npos);

    testsupport::TempDir dir;
    EXPECT_FALSE(tk::WritePng(dir / "no/such/folder/a.png", px.View()));
}

} // namespace
