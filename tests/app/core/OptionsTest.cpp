// The options sections of "Options.ini" and the main loop's frame clock.
#include <string>

#include <gtest/gtest.h>

#include "playerdata/GameOptions.h"
#include "app/MainLoop.h"
#include "app/core/AppTestSupport.h"

using namespace apptest;

TEST(GameOptions, MissingFileGivesTheDefaults) {
    TempDir dir;
    const std::string ini = dir.Path("Options.ini");
    CGraphicsOptions g;
    g.Load(ini);
    EXPECT_FLOAT_EQ(g.Effects, 1.0f);
    EXPECT_FLOAT_EQ(g.Gamma, 0.5f);
    EXPECT_EQ(g.GraphicalCursor, 0);
    CSoundOptions s;
    s.Load(ini);
    EXPECT_EQ(s.SoundOn, 1);
    EXPECT_FLOAT_EQ(s.SoundVolume, 0.5f);
    EXPECT_FLOAT_EQ(s.PanFactor, 0.75f);
    EXPECT_EQ(s.MusicOn, 1);
    EXPECT_EQ(s.MusicAmplify, 75);
    CProfileOptions p;
    p.Load(ini, "Hero");
    EXPECT_EQ(p.Profile, "Hero");
    EXPECT_EQ(p.FastExpTerm, 1);
    EXPECT_EQ(p.CapsLockTutorial, 1);
    p.Load(ini, "");
    EXPECT_EQ(p.Profile, "Player");
}

TEST(GameOptions, ValuesAreClampedAndSwitchesReadInAnyCase) {
    TempDir dir;
    const std::string ini = dir.Write("Options.ini",
                                      "[Graphics]\nCursor=graphical\nEffects=0\nGamma=-1\n"
                                      "[Sound]\nSound=off\nSoundVolume=7\nSoundPanFactor=5\n"
                                      "Music=On\nMusicVolume=abc\nMusicAmplify=200\n"
                                      "[Game]\nProfile=Ann\nFastExpTerm=2\nCapsLockTutorial=2\n");
    CGraphicsOptions g;
    g.Load(ini);
    EXPECT_EQ(g.GraphicalCursor, 1);
    EXPECT_FLOAT_EQ(g.Effects, 0.25f);
    EXPECT_FLOAT_EQ(g.Gamma, 0.0f);
    CSoundOptions s;
    s.Load(ini);
    EXPECT_EQ(s.SoundOn, 0);
    EXPECT_FLOAT_EQ(s.SoundVolume, 1.0f);
    EXPECT_FLOAT_EQ(s.PanFactor, 5.0f);  // no upper bound
    EXPECT_EQ(s.MusicOn, 1);
    EXPECT_FLOAT_EQ(s.MusicVolume, 0.0f);
    EXPECT_EQ(s.MusicAmplify, 100);
    CProfileOptions p;
    p.Load(ini, "Player");
    EXPECT_EQ(p.Profile, "Ann");
    EXPECT_EQ(p.FastExpTerm, 1);       // any non-zero value
    EXPECT_EQ(p.CapsLockTutorial, 0);  // only 1 counts

    dir.Write("Options.ini", "[Graphics]\nCursor=GRAPHICAL2\nEffects=3\nGamma=nan\n"
                             "[Sound]\nSoundPanFactor=0\nMusicAmplify=x\n");
    g.Load(ini);
    EXPECT_EQ(g.GraphicalCursor, 0);
    EXPECT_FLOAT_EQ(g.Effects, 1.0f);
    EXPECT_FLOAT_EQ(g.Gamma, 0.5f) << "not a number takes the default";
    s.Load(ini);
    EXPECT_FLOAT_EQ(s.PanFactor, 0.01f);
    EXPECT_EQ(s.MusicAmplify, 5);
}

TEST(GameOptions, SavedValuesLoadBack) {
    TempDir dir;
    const std::string ini = dir.Write("Options.ini", "[Settings]\nWidth=800\n");
    CSoundOptions s;
    s.SoundOn = 0;
    s.SoundVolume = 0.5f;
    s.MusicVolume = 0.25f;
    s.MusicAmplify = 40;
    ASSERT_TRUE(s.Save(ini));
    CProfileOptions p;
    p.Profile = "Bob";
    p.FastExpTerm = 0;
    ASSERT_TRUE(p.Save(ini));

    const std::string text = ReadFile(ini);
    EXPECT_NE(text.find("Sound=Off"), std::string::npos) << text;
    EXPECT_NE(text.find("SoundVolume=0.500"), std::string::npos) << text;
    EXPECT_EQ(text.find("SoundPanFactor"), std::string::npos) << "never written";
    EXPECT_NE(text.find("Width=800"), std::string::npos) << "other sections stay";

    CSoundOptions s2;
    s2.Load(ini);
    EXPECT_EQ(s2.SoundOn, 0);
    EXPECT_FLOAT_EQ(s2.MusicVolume, 0.25f);
    EXPECT_EQ(s2.MusicAmplify, 40);
    CProfileOptions p2;
    p2.Load(ini, "Player");
    EXPECT_EQ(p2.Profile, "Bob");
    EXPECT_EQ(p2.FastExpTerm, 0);
    EXPECT_EQ(p2.CapsLockTutorial, 1);
}

TEST(FrameClock, ElapsedTimeAndAFigureEveryQuarterSecond) {
    CFrameClock clock(1000);
    EXPECT_EQ(clock.Tick(1016), 16u);
    EXPECT_FALSE(clock.Refreshed());
    EXPECT_FLOAT_EQ(clock.Fps(), 0.0f);
    uint64_t now = 1016;
    int refreshes = 0;
    // 60 more frames of 5 ms: 300 ms in all, one refresh at 250 ms.
    for (int i = 0; i < 60; ++i) {
        now += 5;
        EXPECT_EQ(clock.Tick(now), 5u);
        if (clock.Refreshed()) {
            ++refreshes;
            // 48 frames over the first 251 ms.
            EXPECT_NEAR(clock.Fps(), 48.0f * 1000.0f / 251.0f, 0.01f);
        }
    }
    EXPECT_EQ(refreshes, 1);
    // A clock that goes back gives no time and no negative figure.
    EXPECT_EQ(clock.Tick(now - 100), 0u);
    EXPECT_EQ(clock.Tick(now + 1000), 1000u);
    EXPECT_TRUE(clock.Refreshed());
    EXPECT_GT(clock.Fps(), 0.0f);
}
