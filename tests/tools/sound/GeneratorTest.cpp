// The audio generator as a tool: the same bytes on every run, a rebuilt game
// folder that does not keep sounds converted from an older build, and the
// mastering steps that keep levels in bounds.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GeneratedAudio.h"
#include "platform/os/Ini.h"
#include "support/TempDir.h"
#include "tools/gen/SoundGen.h"
#include "tools/gen/SynthCore.h"

namespace {

using namespace soundtest;
using testsupport::ReadFile;
using testsupport::TempDir;

TEST(AudioGenerator, SecondRunWritesIdenticalBytesAndDropsStaleConversions) {
    ASSERT_FALSE(GeneratedSounds().empty());
    ASSERT_FALSE(GeneratedMusic().empty());
    // A game folder that has been played: a converted wave file of a sound
    // shipped compressed, and the options file saying conversion is done.
    TempDir dir;
    const fs::path root = dir.Root() / "game";
    fs::create_directories(root / "Data" / "Sfx");
    fs::create_directories(root / "Data" / "Config");
    std::ofstream(root / "Data" / "Sfx" / "Hint.wav", std::ios::binary) << "old sound";
    const std::string options = (root / "Data" / "Config" / "Options.ini").string();
    std::ofstream(options) << "[Sound]\nSound=1\nConverted=1\n";

    ASSERT_EQ(gen::GenerateAudio(root), 0);
    EXPECT_FALSE(fs::exists(root / "Data" / "Sfx" / "Hint.wav"));
    EXPECT_TRUE(fs::exists(root / "Data" / "Sfx" / "Hint.ogg"));
    EXPECT_EQ(os::GetProfileString("Sound", "Converted", "", options), "0");
    EXPECT_EQ(os::GetProfileString("Sound", "Sound", "", options), "1");
    fs::remove_all(root / "Data" / "Config");

    auto first = ReadTree(GeneratedSounds());
    const auto music = ReadTree(GeneratedMusic());
    first.insert(first.end(), music.begin(), music.end());
    std::sort(first.begin(), first.end());
    const auto second = ReadTree(root);
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].first, second[i].first);
        EXPECT_TRUE(first[i].second == second[i].second)
            << first[i].first << " differs between runs";
    }
}

TEST(AudioGenerator, OptionsWithoutMarkerAreLeftAlone) {
    TempDir dir;
    const fs::path root = dir.Root() / "game";
    fs::create_directories(root / "Data" / "Config");
    const std::string options = (root / "Data" / "Config" / "Options.ini").string();
    const std::string text = "[Sound]\nSound=1\n";
    std::ofstream(options) << text;
    ASSERT_EQ(gen::GenerateSounds(root), 0);
    EXPECT_EQ(ReadFile(options), text);
}

TEST(AudioGenerator, LoopLimiterHoldsPeaksWithoutAJumpAtTheSeam) {
    using namespace gen::synth;
    // A steady tone with one loud burst just before the loop's end: the gain
    // that holds the burst down must recover smoothly across the seam.
    const size_t frames = static_cast<size_t>(kRate);
    std::vector<float> x(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const float burst = (i > frames - 300 && i < frames - 100) ? 3.0f : 0.5f;
        const float v = burst * std::sin(kTwoPi * 220.0f * static_cast<float>(i) / kRate);
        x[2 * i] = v;
        x[2 * i + 1] = -v;
    }
    const std::vector<float> dry = x;
    LimitLoop(x, 2, 0.8f, 0.1f);
    EXPECT_LE(Peak(x), 0.8f + 1e-4f);
    // Gain just after the seam continues the gain just before it.
    auto gainAt = [&](size_t i) {
        return std::fabs(dry[2 * i]) > 0.2f ? x[2 * i] / dry[2 * i] : -1.0f;
    };
    float before = -1.0f, after = -1.0f;
    for (size_t i = frames - 1; before < 0.0f; --i)
        before = gainAt(i);
    for (size_t i = 0; after < 0.0f; ++i)
        after = gainAt(i);
    EXPECT_LT(before, 0.5f);
    EXPECT_NEAR(after, before, 0.02f);
    // Far from the burst the tone passes untouched.
    float middle = -1.0f;
    for (size_t i = frames / 2; middle < 0.0f; ++i)
        middle = gainAt(i);
    EXPECT_NEAR(middle, 1.0f, 0.01f);
}

} // namespace
