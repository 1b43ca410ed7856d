#include <gtest/gtest.h>

#include "ImageTestUtil.h"

namespace {

using img::DecodeError;
using imgtest::Append16;

struct TgaCase {
    int channels;
    bool rle;
    bool topLeft;
};

std::string Name(const testing::TestParamInfo<TgaCase>& info) {
    const TgaCase& c = info.param;
    return std::to_string(c.channels * 8) + "bit" + (c.rle ? "Rle" : "Raw") +
           (c.topLeft ? "TopLeft" : "BottomLeft");
}

class TgaRoundTrip : public testing::TestWithParam<TgaCase> {};

TEST_P(TgaRoundTrip, DecodesWhatTheWriterWrote) {
    const TgaCase c = GetParam();
    const imgtest::Pixels px = imgtest::MakeNoise(37, 23, c.channels);
    std::vector<uint8_t> file;
    ASSERT_TRUE(tk::EncodeTga(px.View(), {c.rle, c.topLeft}, file));

    img::Image im;
    ASSERT_EQ(img::DecodeTga(file.data(), file.size(), im), DecodeError::None);
    EXPECT_EQ(im.width, 37);
    EXPECT_EQ(im.height, 23);
    EXPECT_EQ(im.format, img::FileFormat::Tga);
    EXPECT_EQ(im.grey, c.channels == 1);
    EXPECT_EQ(im.hasAlpha, c.channels == 4);
    EXPECT_EQ(im.rgba, imgtest::ExpectedRgba(px));
}

INSTANTIATE_TEST_SUITE_P(AllVariants, TgaRoundTrip,
                         testing::Values(TgaCase{1, false, false}, TgaCase{1, false, true},
                                         TgaCase{1, true, false}, TgaCase{1, true, true},
                                         TgaCase{3, false, false}, TgaCase{3, false, true},
                                         TgaCase{3, true, false}, TgaCase{3, true, true},
                                         TgaCase{4, false, false}, TgaCase{4, false, true},
                                         TgaCase{4, true, false}, TgaCase{4, true, true}),
                         Name);

TEST(TgaWriter, RleShrinksFlatPictures) {
    imgtest::Pixels flat{64, 16, 3, std::vector<uint8_t>(64 * 16 * 3, 77)};
    std::vector<uint8_t> raw, rle;
    ASSERT_TRUE(tk::EncodeTga(flat.View(), {false, false}, raw));
    ASSERT_TRUE(tk::EncodeTga(flat.View(), {true, false}, rle));
    EXPECT_LT(rle.size() * 10, raw.size());
}

// A header for hand-made files; pixels are appended by the test.
std::vector<uint8_t> Header(uint8_t type, int width, int height, uint8_t depth,
                            uint8_t descriptor) {
    std::vector<uint8_t> h = {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Append16(h, uint32_t(width));
    Append16(h, uint32_t(height));
    h.push_back(depth);
    h.push_back(descriptor);
    return h;
}

std::vector<uint8_t> Decoded(const std::vector<uint8_t>& file, img::Image& im) {
    EXPECT_EQ(img::DecodeTga(file.data(), file.size(), im), DecodeError::None);
    return im.rgba;
}

// Four grey pixels 10, 20, 30, 40 in file order, 2x2, in each pixel order.
TEST(TgaDecoder, HonoursAllFourPixelOrders) {
    struct Order {
        uint8_t descriptor;
        std::vector<uint8_t> topRowThenBottom;
    };
    const Order orders[] = {
        {0x00, {30, 40, 10, 20}}, // bottom-left origin
        {0x10, {40, 30, 20, 10}}, // bottom-right
        {0x20, {10, 20, 30, 40}}, // top-left
        {0x30, {20, 10, 40, 30}}, // top-right
    };
    for (const Order& o : orders) {
        std::vector<uint8_t> file = Header(3, 2, 2, 8, o.descriptor);
        file.insert(file.end(), {10, 20, 30, 40});
        img::Image im;
        const std::vector<uint8_t> rgba = Decoded(file, im);
        ASSERT_EQ(rgba.size(), 16u);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(rgba[size_t(i) * 4], o.topRowThenBottom[size_t(i)])
                << "descriptor " << int(o.descriptor) << " pixel " << i;
    }
}

TEST(TgaDecoder, SixteenBitUsesTheAlphaBitOnlyWhenDeclared) {
    const uint16_t pixels[] = {0xFC00, 0x03E0, 0x0010}; // red + alpha, green, blue 16
    for (const uint8_t attributeBits : {0, 1}) {
        std::vector<uint8_t> file = Header(2, 3, 1, 16, uint8_t(0x20 | attributeBits));
        for (uint16_t p : pixels)
            Append16(file, p);
        img::Image im;
        const std::vector<uint8_t> rgba = Decoded(file, im);
        const uint8_t a0 = 255, a1 = attributeBits ? 0 : 255;
        EXPECT_EQ(rgba, (std::vector<uint8_t>{255, 0, 0, a0, 0, 255, 0, a1, 0, 0, 132, a1}));
        EXPECT_EQ(im.hasAlpha, attributeBits != 0);
    }
    std::vector<uint8_t> file15 = Header(2, 1, 1, 15, 0x20);
    Append16(file15, 0x7FFF);
    img::Image im;
    EXPECT_EQ(Decoded(file15, im), (std::vector<uint8_t>{255, 255, 255, 255}));
}

TEST(TgaDecoder, ThirtyTwoBitAlphaOfZerosIsOpaqueUnlessDeclared) {
    // Attribute bits 0 with every alpha byte 0: the byte is unused.
    std::vector<uint8_t> file = Header(2, 2, 1, 32, 0x20);
    file.insert(file.end(), {1, 2, 3, 0, 4, 5, 6, 0});
    img::Image im;
    EXPECT_EQ(Decoded(file, im), (std::vector<uint8_t>{3, 2, 1, 255, 6, 5, 4, 255}));
    EXPECT_FALSE(im.hasAlpha);

    // Declared alpha is kept even when all of it is zero.
    file[17] = 0x28;
    EXPECT_EQ(Decoded(file, im), (std::vector<uint8_t>{3, 2, 1, 0, 6, 5, 4, 0}));
    EXPECT_TRUE(im.hasAlpha);

    // Undeclared but used alpha is kept.
    file[17] = 0x20;
    file[21] = 9;
    EXPECT_EQ(Decoded(file, im), (std::vector<uint8_t>{3, 2, 1, 9, 6, 5, 4, 0}));
    EXPECT_TRUE(im.hasAlpha);
}

TEST(TgaDecoder, RlePacketsMayCrossRows) {
    // 3x2 grey, top-left: a run of 4 (two rows), then a raw packet of 2.
    std::vector<uint8_t> file = Header(11, 3, 2, 8, 0x20);
    file.insert(file.end(), {0x83, 50, 0x01, 60, 70});
    img::Image im;
    const std::vector<uint8_t> rgba = Decoded(file, im);
    ASSERT_EQ(rgba.size(), 24u);
    const uint8_t expected[] = {50, 50, 50, 50, 60, 70};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(rgba[size_t(i) * 4 + 1], expected[i]) << i;
}

TEST(TgaDecoder, SkipsImageIdAndColourMap) {
    std::vector<uint8_t> file = Header(2, 1, 1, 24, 0x20);
    file[0] = 5;                // ID length
    file[1] = 1;                // a colour map, unused by true-colour data
    imgtest::Put16(file, 5, 3); // 3 entries
    file[7] = 24;               // of 3 bytes
    file.insert(file.end(), 5 + 9, 0xEE);
    file.insert(file.end(), {10, 20, 30});
    img::Image im;
    EXPECT_EQ(Decoded(file, im), (std::vector<uint8_t>{30, 20, 10, 255}));
}

TEST(TgaDecoder, RejectsPacketsThatRunPastThePicture) {
    // 2x2 grey: a run of 5 and a raw packet of 5, each one pixel too many.
    std::vector<uint8_t> run = Header(11, 2, 2, 8, 0);
    run.insert(run.end(), {0x84, 1});
    std::vector<uint8_t> raw = Header(11, 2, 2, 8, 0);
    raw.insert(raw.end(), {0x04, 1, 2, 3, 4, 5});
    // A valid first packet, then one that overflows what is left.
    std::vector<uint8_t> late = Header(11, 2, 2, 8, 0);
    late.insert(late.end(), {0x82, 1, 0x81, 2});
    for (const auto* file : {&run, &raw, &late}) {
        img::Image im;
        EXPECT_EQ(img::DecodeTga(file->data(), file->size(), im), DecodeError::Corrupt);
        EXPECT_TRUE(im.rgba.empty());
    }
}

TEST(TgaDecoder, RejectsBadHeadersWithTheirKindOfError) {
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        DecodeError expected;
    };
    auto withPixels = [](std::vector<uint8_t> h, size_t bytes) {
        h.insert(h.end(), bytes, 0x40);
        return h;
    };
    std::vector<uint8_t> colourMapType2 = withPixels(Header(2, 2, 2, 24, 0), 12);
    colourMapType2[1] = 2;
    std::vector<uint8_t> badMapEntry = withPixels(Header(2, 2, 2, 24, 0), 12);
    badMapEntry[1] = 1;
    badMapEntry[7] = 7;
    const Case cases[] = {
        {"zero width", withPixels(Header(2, 0, 2, 24, 0), 12), DecodeError::Corrupt},
        {"zero height", withPixels(Header(3, 2, 0, 8, 0), 4), DecodeError::Corrupt},
        {"too wide", withPixels(Header(3, 20000, 1, 8, 0), 20000), DecodeError::TooLarge},
        {"odd depth", withPixels(Header(2, 2, 2, 12, 0), 12), DecodeError::Corrupt},
        {"grey with alpha", withPixels(Header(3, 2, 2, 16, 0), 8), DecodeError::Unsupported},
        {"colour mapped", withPixels(Header(1, 2, 2, 8, 0), 4), DecodeError::Unsupported},
        {"no image", Header(0, 2, 2, 8, 0), DecodeError::Unsupported},
        {"unknown type", withPixels(Header(7, 2, 2, 8, 0), 4), DecodeError::Corrupt},
        {"interleaved", withPixels(Header(3, 2, 2, 8, 0x40), 4), DecodeError::Unsupported},
        {"colour map type 2", colourMapType2, DecodeError::Corrupt},
        {"colour map entry size", badMapEntry, DecodeError::Corrupt},
        // Largest accepted size, but the data cannot hold it: refused before allocating.
        {"huge raw", withPixels(Header(2, 4096, 4096, 32, 0), 64), DecodeError::Truncated},
        {"huge rle", withPixels(Header(10, 4096, 4096, 32, 0), 64), DecodeError::Truncated},
        {"too many pixels", withPixels(Header(11, 8192, 8192, 8, 0), 64), DecodeError::TooLarge},
    };
    for (const Case& c : cases) {
        img::Image im;
        EXPECT_EQ(img::DecodeTga(c.file.data(), c.file.size(), im), c.expected) << c.what;
        EXPECT_TRUE(im.rgba.empty()) << c.what;
    }
}

} // namespace
