#include <gtest/gtest.h>

#include "platform/sound/Levels.h"

namespace {

using snd::MixVolume;
using snd::PanBalance;

TEST(SoundLevelsTest, VolumeMapsOntoTheMixerScaleRoundedAndClamped) {
    EXPECT_EQ(MixVolume(0), 0);
    EXPECT_EQ(MixVolume(1), 1);
    EXPECT_EQ(MixVolume(50), 64);
    EXPECT_EQ(MixVolume(99), 127);
    EXPECT_EQ(MixVolume(100), 128);
    EXPECT_EQ(MixVolume(-7), 0);
    EXPECT_EQ(MixVolume(250), 128);
    // Monotonic across the whole range, so fades never step backwards.
    for (int v = 1; v <= 100; ++v)
        EXPECT_GE(MixVolume(v), MixVolume(v - 1));
}

TEST(SoundLevelsTest, PanIsABalanceThatOnlyLowersTheFarSide) {
    struct Case {
        int pan, left, right;
    };
    for (const Case c : {Case{0, 255, 255}, Case{100, 0, 255}, Case{-100, 255, 0},
                         Case{50, 128, 255}, Case{-30, 255, 179}, Case{73, 69, 255},
                         Case{1, 252, 255}, Case{300, 0, 255}, Case{-300, 255, 0}}) {
        SCOPED_TRACE(c.pan);
        const snd::Balance b = PanBalance(c.pan);
        EXPECT_EQ(b.left, c.left);
        EXPECT_EQ(b.right, c.right);
    }
}

} // namespace
