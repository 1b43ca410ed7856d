// What only the SDL2_mixer backend can show: the numbers it hands the mixer,
// game-style paths, and music that goes on where it stopped.
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include "SoundTestFiles.h"
#include "platform/sound/Handles.h"
#include "platform/sound/Levels.h"
#include "platform/sound/SdlAudio.h"
#include "support/TempDir.h"
#include "tools/lib/SoundWriter.h"

namespace {

using namespace snd;
using sndtest::Tone;
using testsupport::TempDir;

class SoundSdlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tk::WriteWav(dir_.Path("Tone.wav"), Tone(44100 * 3, 1, 44100), 1, 44100));
        ASSERT_TRUE(
            tk::WriteOgg(dir_.Path("Music.ogg"), Tone(44100 * 5, 2, 44100), 2, 44100, 0.1f));
        ASSERT_TRUE(audio_.Init(1, 44100, 0));
    }
    TempDir dir_;
    SdlAudio audio_;
};

TEST_F(SoundSdlTest, VolumesReachTheMixerOnItsScale) {
    const Handle s = audio_.SampleLoad(dir_.Path("Tone.wav"), 8, kSampleOverPlays);
    SampleInfo info;
    ASSERT_TRUE(audio_.SampleGetInfo(s, &info));
    info.volume = 50;
    ASSERT_TRUE(audio_.SampleSetInfo(s, info));
    const Handle ch = audio_.SamplePlayEx(s, 0, -1, -1, 60, -1);
    ASSERT_NE(ch, 0u);
    EXPECT_EQ(Mix_Volume(ChannelIndexOf(ch), -1), 64);
    ASSERT_TRUE(audio_.ChannelSetAttributes(ch, -1, 100, -101));
    EXPECT_EQ(Mix_Volume(ChannelIndexOf(ch), -1), 128);
    ASSERT_TRUE(audio_.ChannelSetAttributes(ch, -1, 300, -40)); // clamped
    EXPECT_EQ(Mix_Volume(ChannelIndexOf(ch), -1), 128);

    const Handle music = audio_.StreamCreateFile(dir_.Path("Music.ogg"), 0);
    ASSERT_TRUE(audio_.ChannelSetAttributes(music, 0, 30, -101));
    ASSERT_TRUE(audio_.StreamPlay(music, false, kLoop));
    EXPECT_EQ(Mix_VolumeMusic(-1), MixVolume(30));
    ASSERT_TRUE(audio_.ChannelSetAttributes(music, 0, 80, -101));
    EXPECT_EQ(Mix_VolumeMusic(-1), MixVolume(80));
    // Music started while paused gets its volume too, once resumed.
    ASSERT_TRUE(audio_.Pause());
    ASSERT_TRUE(audio_.StreamPlay(music, true, kLoop));
    ASSERT_TRUE(audio_.Start());
    EXPECT_EQ(Mix_VolumeMusic(-1), MixVolume(80));
}

TEST_F(SoundSdlTest, GamePathsWithBackslashesAndOtherCaseLoad) {
    const std::string gamePath = dir_.Path() + "\\TONE.WAV";
    EXPECT_NE(audio_.SampleLoad(gamePath, 8, 0), 0u);
    EXPECT_NE(audio_.StreamCreateFile(dir_.Path() + "\\music.ogg", 0), 0u);
    EXPECT_NE(audio_.StreamCreateFile(dir_.Path() + "\\music.ogg", kStreamDecode), 0u);
}

TEST_F(SoundSdlTest, StoppedMusicGoesOnWhereItStoppedUnlessFlushed) {
    const Handle music = audio_.StreamCreateFile(dir_.Path("Music.ogg"), 0);
    ASSERT_TRUE(audio_.StreamPlay(music, false, kLoop));
    // As if it had played for two seconds, without waiting for the mixer.
    ASSERT_EQ(Mix_SetMusicPosition(2.0), 0);
    ASSERT_TRUE(audio_.ChannelStop(music));
    ASSERT_TRUE(audio_.StreamPlay(music, false, kLoop));
    EXPECT_NEAR(Mix_GetMusicPosition(nullptr), 2.0, 0.1);
    ASSERT_TRUE(audio_.StreamPlay(music, true, kLoop));
    EXPECT_LT(Mix_GetMusicPosition(nullptr), 0.1);
}

} // namespace
