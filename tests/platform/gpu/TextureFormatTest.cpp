// Every texture format: the CPU store keeps bytes exactly, and expansion to
// RGBA8 widens low-bit channels by replication.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "RecordingFixture.h"
#include "platform/gpu/PixelFormat.h"

using namespace gpu;
using gputest::Owned;

namespace {

class TextureFormatTest : public gputest::RecordingTest,
                          public ::testing::WithParamInterface<uint32_t> {
protected:
    void SetUp() override {
        config_.adapters[0].textureFormats = AdapterConfig::AllColorFormats();
        Start();
    }
};

TEST_P(TextureFormatTest, LockedBytesRoundTripOnEveryLevel) {
    const uint32_t fmt = GetParam();
    const uint32_t bpp = BytesPerPixel(fmt);
    ASSERT_GT(bpp, 0u);
    Texture* t = nullptr;
    // An odd width, so that rows of 1- and 3-byte formats need padding.
    ASSERT_EQ(device_->CreateTexture(7, 5, 0, 0, fmt, Pool::Managed, &t), kOk);
    Owned<Texture> tex(t);
    ASSERT_EQ(tex->GetLevelCount(), 3u);

    std::mt19937 rng(fmt);
    std::vector<std::vector<uint8_t>> written(3);
    for (uint32_t level = 0; level < 3; ++level) {
        SurfaceDesc d;
        ASSERT_EQ(tex->GetLevelDesc(level, &d), kOk);
        EXPECT_EQ(d.format, fmt);
        LockedRect lr;
        ASSERT_EQ(tex->LockRect(level, &lr, nullptr, 0), kOk);
        ASSERT_GE(static_cast<uint32_t>(lr.pitch), d.width * bpp);
        for (uint32_t y = 0; y < d.height; ++y)
            for (uint32_t i = 0; i < d.width * bpp; ++i) {
                uint8_t b = static_cast<uint8_t>(rng());
                static_cast<uint8_t*>(lr.bits)[y * lr.pitch + i] = b;
                written[level].push_back(b);
            }
        ASSERT_EQ(tex->UnlockRect(level), kOk);
    }
    for (uint32_t level = 0; level < 3; ++level) {
        SurfaceDesc d;
        tex->GetLevelDesc(level, &d);
        LockedRect lr;
        ASSERT_EQ(tex->LockRect(level, &lr, nullptr, 0), kOk);
        std::vector<uint8_t> read;
        for (uint32_t y = 0; y < d.height; ++y)
            for (uint32_t i = 0; i < d.width * bpp; ++i)
                read.push_back(static_cast<const uint8_t*>(lr.bits)[y * lr.pitch + i]);
        ASSERT_EQ(tex->UnlockRect(level), kOk);
        EXPECT_EQ(read, written[level]) << "level " << level;
    }

    // A sub-rectangle lock points into the same store.
    LockedRect part;
    Rect r{3, 2, 5, 4};
    ASSERT_EQ(tex->LockRect(0, &part, &r, 0), kOk);
    uint8_t expect = written[0][2 * 7 * bpp + 3 * bpp];
    EXPECT_EQ(*static_cast<uint8_t*>(part.bits), expect);
    ASSERT_EQ(tex->UnlockRect(0), kOk);
}

// Widens `v` of `bits` bits to 8 by repeating its pattern, written out
// independently of the code under test.
uint8_t Replicate(uint32_t v, uint32_t bits) {
    if (bits == 0)
        return 0;
    if (bits >= 8)
        return static_cast<uint8_t>(v >> (bits - 8));
    uint32_t out = 0;
    for (int bit = 7; bit >= 0; --bit) {
        uint32_t src = (bits - 1) - ((7 - bit) % bits);
        out |= ((v >> src) & 1u) << bit;
    }
    return static_cast<uint8_t>(out);
}

TEST_P(TextureFormatTest, PackThenExpandGivesTheWidenedValue) {
    const uint32_t fmt = GetParam();
    const FormatLayout& l = GetFormatLayout(fmt);
    std::mt19937 rng(fmt * 7 + 1);
    for (int i = 0; i < 200; ++i) {
        uint8_t rgba[4];
        for (auto& c : rgba)
            c = static_cast<uint8_t>(rng());
        if (l.luminance)
            rgba[0] = rgba[1] = rgba[2]; // grey input keeps its level
        uint8_t packed[4] = {}, back[4] = {}, again[4] = {};
        PackRow(fmt, rgba, 1, packed);
        ExpandRow(fmt, packed, 1, back);
        const ChannelLayout* ch[4] = {&l.r, &l.g, &l.b, &l.a};
        for (int c = 0; c < 4; ++c) {
            const ChannelLayout& cl = l.luminance && c < 3 ? l.g : *ch[c];
            uint8_t want;
            if (cl.bits == 0)
                want = c == 3 ? 255 : 0;
            else
                want =
                    Replicate(rgba[c] >> (cl.bits >= 8 ? 0 : 8 - cl.bits), std::min(cl.bits, 8u));
            EXPECT_EQ(back[c], want)
                << "format " << fmt << " channel " << c << " in " << int(rgba[c]);
        }
        // Packing the widened value again is stable.
        PackRow(fmt, back, 1, again);
        for (uint32_t b = 0; b < BytesPerPixel(fmt); ++b)
            EXPECT_EQ(again[b], packed[b]);
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, TextureFormatTest,
                         ::testing::ValuesIn(AdapterConfig::AllColorFormats()),
                         [](const auto& info) { return "Format" + std::to_string(info.param); });

TEST(PixelFormat, LowBitChannelsWidenByReplication) {
    uint8_t out[4];
    const uint8_t r5g6b5[2] = {0xFF, 0xFF}; // 31, 63, 31
    ExpandRow(Fmt::R5G6B5, r5g6b5, 1, out);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[1], 255);
    EXPECT_EQ(out[2], 255);
    EXPECT_EQ(out[3], 255) << "no alpha reads opaque";

    const uint8_t a4r4g4b4[2] = {0x88, 0x88};
    ExpandRow(Fmt::A4R4G4B4, a4r4g4b4, 1, out);
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(out[c], 0x88);

    const uint8_t a1[2] = {0x00, 0x80}; // alpha bit only
    ExpandRow(Fmt::A1R5G5B5, a1, 1, out);
    EXPECT_EQ(out[3], 255);
    EXPECT_EQ(out[0], 0);

    const uint8_t r3g3b2 = 0xB6; // 101 101 10
    ExpandRow(Fmt::R3G3B2, &r3g3b2, 1, out);
    EXPECT_EQ(out[0], 0xB6); // 101 -> 10110110
    EXPECT_EQ(out[1], 0xB6);
    EXPECT_EQ(out[2], 0xAA); // 10 -> 10101010

    const uint8_t a4l4 = 0x3C; // alpha 3, luminance 12
    ExpandRow(Fmt::A4L4, &a4l4, 1, out);
    EXPECT_EQ(out[0], 0xCC);
    EXPECT_EQ(out[1], 0xCC);
    EXPECT_EQ(out[2], 0xCC);
    EXPECT_EQ(out[3], 0x33);

    // A2B10G10R10: red in the low bits; the top 8 of 10 bits are kept.
    const uint32_t px = (3u << 30) | (0x3FFu << 20) | (0x200u << 10) | 0x0FFu;
    uint8_t bytes[4] = {uint8_t(px), uint8_t(px >> 8), uint8_t(px >> 16), uint8_t(px >> 24)};
    ExpandRow(Fmt::A2B10G10R10, bytes, 1, out);
    EXPECT_EQ(out[0], 0x3F);
    EXPECT_EQ(out[1], 0x80);
    EXPECT_EQ(out[2], 0xFF);
    EXPECT_EQ(out[3], 0xFF);
}

TEST(PixelFormat, PackKeepsTheTopBitsInTheRightPlaces) {
    const uint8_t rgba[4] = {255, 128, 192, 144};
    uint8_t out[4] = {};
    PackRow(Fmt::A4R4G4B4, rgba, 1, out);
    EXPECT_EQ(out[0] | out[1] << 8, 0x9F8C);
    PackRow(Fmt::A8R8G8B8, rgba, 1, out);
    EXPECT_EQ(ReadPixel(Fmt::A8R8G8B8, out), 0x90FF80C0u);
    PackRow(Fmt::R8G8B8, rgba, 1, out);
    EXPECT_EQ(ReadPixel(Fmt::R8G8B8, out), 0xFF80C0u);
    EXPECT_EQ(GetFormatLayout(Fmt::D16).bitsPerPixel, 0u);
    EXPECT_FALSE(IsColorFormat(Fmt::Index16));
}

} // namespace
