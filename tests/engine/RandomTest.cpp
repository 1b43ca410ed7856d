#include "engine/Random.h"

#include <set>

#include <gtest/gtest.h>

#include "platform/Rand15.h"

namespace {

// Seeds the game's generator so that its next value is `value`.
void SeedForNext(int value) {
    Rand15 probe(12345u);
    for (;;) {
        const uint32_t before = probe.State();
        if (probe.Next() == value) {
            Rand15::Global().Seed(before);
            return;
        }
    }
}

TEST(RandomTest, RandomFloatIsTheGeneratorValueOver32767) {
    Rand15::Global().Seed(2024u);
    Rand15 mirror(2024u);
    float lo = 1.0f, hi = 0.0f;
    for (int i = 0; i < 100000; ++i) {
        const float f = RandomFloat();
        ASSERT_EQ(f, static_cast<float>(mirror.Next() / 32767.0));
        lo = f < lo ? f : lo;
        hi = f > hi ? f : hi;
    }
    EXPECT_GE(lo, 0.0f);
    EXPECT_LE(hi, 1.0f);

    SeedForNext(Rand15::kMax);
    EXPECT_EQ(RandomFloat(), 1.0f);
    SeedForNext(0);
    EXPECT_EQ(RandomFloat(), 0.0f);
}

TEST(RandomTest, RandomColourPicksTheChannelByTheFirstDraw) {
    Rand15::Global().Seed(7u);
    std::set<uint32_t> seen;
    for (int i = 0; i < 300; ++i)
        seen.insert(RandomColour(0.0f, 0.0f, 1.0f, 1.0f));
    EXPECT_EQ(seen, (std::set<uint32_t>{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu}));

    // k = 0: red p, green q, blue s.
    SeedForNext(0);
    const uint32_t c = RandomColour(0.2f, 0.8f, 0.5f, 0.5f);
    EXPECT_EQ(c >> 24, 0xFFu);
    EXPECT_EQ(c & 0xFF, 127u);
    const uint32_t red = (c >> 16) & 0xFF, green = (c >> 8) & 0xFF;
    EXPECT_GE(red, 51u);
    EXPECT_LE(red, 204u);
    EXPECT_NEAR(static_cast<int>(red + green), 254, 1); // placed symmetrically in 0.2..0.8
}

TEST(RandomTest, RandomColourClampsChannelsOutOfRange) {
    Rand15::Global().Seed(99u);
    std::set<uint32_t> seen;
    for (int i = 0; i < 300; ++i)
        seen.insert(RandomColour(2.0f, 2.0f, -1.0f, -1.0f));
    EXPECT_EQ(seen, (std::set<uint32_t>{0xFFFFFF00u, 0xFF00FFFFu, 0xFFFF00FFu}));
}

TEST(RandomTest, ParseHexReadsUpToEightDigits) {
    EXPECT_EQ(ParseHex("FFFFFF"), 0x00FFFFFFu);
    EXPECT_EQ(ParseHex("ff"), 255u);
    EXPECT_EQ(ParseHex("1G"), 16u);
    EXPECT_EQ(ParseHex("DeadBeef"), 0xDEADBEEFu);
    EXPECT_EQ(ParseHex("123456789"), 0x12345678u);
    EXPECT_EQ(ParseHex(""), 0u);
    EXPECT_EQ(ParseHex("#80"), 0x080u);
}

} // namespace
