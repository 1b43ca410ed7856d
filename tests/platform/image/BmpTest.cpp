#include <gtest/gtest.h>

#include <climits>

#include "ImageTestUtil.h"

namespace {

using img::DecodeError;
using imgtest::Append16;
using imgtest::Append32;

struct BmpCase {
    int channels;
    bool topDown;
    bool bitFields;
};

std::string Name(const testing::TestParamInfo<BmpCase>& info) {
    const BmpCase& c = info.param;
    const int bits = c.channels == 1 ? 8 : c.channels * 8;
    return std::to_string(bits) + "bit" + (c.topDown ? "TopDown" : "BottomUp") +
           (c.bitFields ? "BitFields" : "");
}

class BmpRoundTrip : public testing::TestWithParam<BmpCase> {};

TEST_P(BmpRoundTrip, DecodesWhatTheWriterWrote) {
    const BmpCase c = GetParam();
    // 37 pixels: every row needs padding at every depth but 32-bit.
    const imgtest::Pixels px = imgtest::MakeNoise(37, 23, c.channels);
    std::vector<uint8_t> file;
    ASSERT_TRUE(tk::EncodeBmp(px.View(), {c.topDown, c.bitFields}, file));

    img::Image im;
    ASSERT_EQ(img::DecodeBmp(file.data(), file.size(), im), DecodeError::None);
    EXPECT_EQ(im.width, 37);
    EXPECT_EQ(im.height, 23);
    EXPECT_EQ(im.format, img::FileFormat::Bmp);
    EXPECT_EQ(im.grey, c.channels == 1);
    EXPECT_EQ(im.hasAlpha, c.channels == 4);
    EXPECT_EQ(im.rgba, imgtest::ExpectedRgba(px));
}

INSTANTIATE_TEST_SUITE_P(AllVariants, BmpRoundTrip,
                         testing::Values(BmpCase{1, false, false}, BmpCase{1, true, false},
                                         BmpCase{3, false, false}, BmpCase{3, true, false},
                                         BmpCase{4, false, false}, BmpCase{4, true, false},
                                         BmpCase{4, false, true}, BmpCase{4, true, true}),
                         Name);

TEST(BmpDecoder, ThirtyTwoBitWithoutAnyAlphaIsOpaque) {
    imgtest::Pixels px = imgtest::MakeNoise(5, 4, 4);
    for (size_t i = 3; i < px.data.size(); i += 4)
        px.data[i] = 0;
    for (const bool bitFields : {false, true}) {
        std::vector<uint8_t> file;
        ASSERT_TRUE(tk::EncodeBmp(px.View(), {false, bitFields}, file));
        img::Image im;
        ASSERT_EQ(img::DecodeBmp(file.data(), file.size(), im), DecodeError::None);
        EXPECT_FALSE(im.hasAlpha);
        for (size_t i = 0; i < im.rgba.size(); i += 4) {
            ASSERT_EQ(im.rgba[i + 3], 255) << i;
            ASSERT_EQ(im.rgba[i], px.data[i]) << i;
        }
    }
}

// A 40-byte info header with the given fields, after the file header.
std::vector<uint8_t> Headers(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                             uint32_t colorsUsed, uint32_t tableBytes) {
    std::vector<uint8_t> f = {'B', 'M'};
    Append32(f, 0); // file size: not relied on
    Append32(f, 0);
    Append32(f, 14 + 40 + tableBytes);
    Append32(f, 40);
    Append32(f, uint32_t(width));
    Append32(f, uint32_t(height));
    Append16(f, 1);
    Append16(f, bits);
    Append32(f, compression);
    Append32(f, 0);
    Append32(f, 2835);
    Append32(f, 2835);
    Append32(f, colorsUsed);
    Append32(f, 0);
    return f;
}

TEST(BmpDecoder, ReadsMasksThatFollowAPlainInfoHeader) {
    // 10 bits per colour, top two bits unused.
    std::vector<uint8_t> file = Headers(2, 1, 32, 3, 0, 12);
    Append32(file, 0x3FF00000);
    Append32(file, 0x000FFC00);
    Append32(file, 0x000003FF);
    Append32(file, (0x3FFu << 20) | (0x200u << 10) | 0);
    Append32(file, 0xC0000000u | (0x001u << 20) | (0x3FFu << 10) | 0x100);
    img::Image im;
    ASSERT_EQ(img::DecodeBmp(file.data(), file.size(), im), DecodeError::None);
    EXPECT_EQ(im.rgba, (std::vector<uint8_t>{255, 128, 0, 255, 0, 255, 64, 255}));
    EXPECT_FALSE(im.hasAlpha);

    // Alpha bit fields: a 2-bit alpha mask, widened like the colours.
    std::vector<uint8_t> alpha = Headers(2, 1, 32, 6, 0, 16);
    Append32(alpha, 0x00FF0000);
    Append32(alpha, 0x0000FF00);
    Append32(alpha, 0x000000FF);
    Append32(alpha, 0xC0000000);
    Append32(alpha, 0x40112233);
    Append32(alpha, 0xC0445566);
    ASSERT_EQ(img::DecodeBmp(alpha.data(), alpha.size(), im), DecodeError::None);
    EXPECT_EQ(im.rgba, (std::vector<uint8_t>{0x11, 0x22, 0x33, 85, 0x44, 0x55, 0x66, 255}));
    EXPECT_TRUE(im.hasAlpha);
}

// 3x2, 8-bit, colour table of `entries` (red, green, blue, white...), pixel
// rows bottom up with the given indices.
std::vector<uint8_t> Palettised(uint32_t colorsUsed, uint32_t entries,
                                std::initializer_list<uint8_t> indices) {
    std::vector<uint8_t> f = Headers(3, 2, 8, 0, colorsUsed, entries * 4);
    const uint8_t table[4][4] = {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}, {9, 9, 9, 0}};
    for (uint32_t i = 0; i < entries; ++i)
        f.insert(f.end(), table[i % 4], table[i % 4] + 4);
    std::vector<uint8_t> rows(indices);
    for (size_t r = 0; r < 2; ++r) {
        f.insert(f.end(), rows.begin() + long(r) * 3, rows.begin() + long(r) * 3 + 3);
        f.push_back(0); // row padding
    }
    return f;
}

TEST(BmpDecoder, PalettisedColoursAndRange) {
    std::vector<uint8_t> file = Palettised(3, 3, {0, 1, 2, 2, 1, 0});
    img::Image im;
    ASSERT_EQ(img::DecodeBmp(file.data(), file.size(), im), DecodeError::None);
    EXPECT_FALSE(im.grey);
    EXPECT_EQ(im.rgba, (std::vector<uint8_t>{0,   0, 255, 255, 0, 255, 0, 255, 255, 0, 0,   255,
                                             255, 0, 0,   255, 0, 255, 0, 255, 0,   0, 255, 255}));

    // Index 3 lies past a 3-entry table.
    file = Palettised(3, 3, {0, 1, 2, 2, 3, 0});
    EXPECT_EQ(img::DecodeBmp(file.data(), file.size(), im), DecodeError::Corrupt);
    EXPECT_TRUE(im.rgba.empty());

    // No count given: the table is what fits before the pixels (4 entries here).
    file = Palettised(0, 4, {3, 3, 3, 3, 3, 3});
    ASSERT_EQ(img::DecodeBmp(file.data(), file.size(), im), DecodeError::None);
    EXPECT_EQ(im.rgba[20], 9);
    file = Palettised(0, 4, {3, 3, 3, 3, 4, 3});
    EXPECT_EQ(img::DecodeBmp(file.data(), file.size(), im), DecodeError::Corrupt);
}

TEST(BmpDecoder, RejectsBadHeadersWithTheirKindOfError) {
    std::vector<uint8_t> good;
    const imgtest::Pixels px = imgtest::MakeNoise(5, 3, 3);
    ASSERT_TRUE(tk::EncodeBmp(px.View(), {}, good));
    std::vector<uint8_t> grey;
    ASSERT_TRUE(tk::EncodeBmp(imgtest::MakeNoise(5, 3, 1).View(), {}, grey));
    std::vector<uint8_t> masks = Headers(1, 1, 32, 3, 0, 12);
    Append32(masks, 0x00FF0000);
    Append32(masks, 0x0000FF00);
    Append32(masks, 0x000000FF);
    Append32(masks, 0);

    struct Case {
        const char* what;
        std::vector<uint8_t> base;
        size_t at;
        int bytes; // 2 or 4; 0 leaves the file as it is
        uint32_t value;
        DecodeError expected;
    };
    const Case cases[] = {
        {"magic", good, 0, 2, 'X' | ('M' << 8), DecodeError::Corrupt},
        {"pixels inside the header", good, 10, 4, 20, DecodeError::Corrupt},
        {"pixels past the end", good, 10, 4, 4000, DecodeError::Truncated},
        {"pixels far past the end", good, 10, 4, 0xFFFFFFF0u, DecodeError::Truncated},
        {"core header", good, 14, 4, 12, DecodeError::Unsupported},
        {"odd header size", good, 14, 4, 30, DecodeError::Corrupt},
        {"huge header size", good, 14, 4, 0xFFFFFFFFu, DecodeError::Corrupt},
        {"zero width", good, 18, 4, 0, DecodeError::Corrupt},
        {"negative width", good, 18, 4, uint32_t(-5), DecodeError::Corrupt},
        {"too wide", good, 18, 4, 20000, DecodeError::TooLarge},
        {"zero height", good, 22, 4, 0, DecodeError::Corrupt},
        {"most negative height", good, 22, 4, uint32_t(INT_MIN), DecodeError::TooLarge},
        {"huge but plausible", good, 18, 4, 16384, DecodeError::Truncated},
        {"two planes", good, 26, 2, 2, DecodeError::Corrupt},
        {"16-bit", good, 28, 2, 16, DecodeError::Unsupported},
        {"7-bit", good, 28, 2, 7, DecodeError::Corrupt},
        {"RLE8", grey, 30, 4, 1, DecodeError::Unsupported},
        {"embedded PNG", good, 30, 4, 5, DecodeError::Unsupported},
        {"unknown compression", good, 30, 4, 9, DecodeError::Corrupt},
        {"24-bit with masks", good, 30, 4, 3, DecodeError::Corrupt},
        {"too many colours", grey, 46, 4, 300, DecodeError::Corrupt},
        {"mask not one run of bits", masks, 54, 4, 0x00FF00F0, DecodeError::Corrupt},
        {"pixels over the masks", masks, 10, 4, 14 + 40 + 8, DecodeError::Corrupt},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> file = c.base;
        if (c.bytes == 2)
            imgtest::Put16(file, c.at, c.value);
        else if (c.bytes == 4)
            imgtest::Put32(file, c.at, c.value);
        img::Image im;
        EXPECT_EQ(img::DecodeBmp(file.data(), file.size(), im), c.expected) << c.what;
        EXPECT_TRUE(im.rgba.empty()) << c.what;
    }
}

} // namespace
