// The generated music: every track the music player asks for is there, decodes
// as a stereo loop of one to three minutes that joins without a click, stays
// below full scale, and the tracks keep their characters (the bonus track
// busier than the story track).
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GeneratedAudio.h"
#include "audio/MusicPlayer.h"
#include "platform/sound/FakeAudio.h"
#include "support/CapturedLog.h"

namespace {

using namespace soundtest;
using testsupport::CapturedLog;
using testsupport::TempDir;

std::vector<std::string> TrackFiles() {
    CMusicPlayer player{CSharedPtr<snd::Audio>(), (MusicFolder().string() + "/").c_str()};
    std::vector<std::string> files;
    for (int n = 1; n <= 3; ++n)
        files.push_back(player.TrackPath(kMusicGameplay, n));
    for (int state : {kMusicMainMenu, kMusicStoryline, kMusicBonusLevel})
        files.push_back(player.TrackPath(state));
    return files;
}

// Note onsets per second: rises of the short-time energy of the signal's
// slope (which favours attacks) well above its recent level.
float OnsetsPerSecond(const Pcm& pcm) {
    const std::vector<float> x = pcm.Mono();
    const size_t hop = static_cast<size_t>(pcm.rate / 100);
    std::vector<double> energy;
    for (size_t i = hop; i + hop < x.size(); i += hop) {
        double e = 0.0;
        for (size_t j = i; j < i + hop; ++j) {
            const double d = x[j] - x[j - 1];
            e += d * d;
        }
        energy.push_back(e);
    }
    int onsets = 0;
    for (size_t i = 8; i < energy.size(); ++i) {
        double recent = 0.0;
        for (size_t k = i - 8; k < i; ++k)
            recent += energy[k];
        recent /= 8.0;
        if (energy[i] > 2.0 * recent && energy[i] > energy[i - 1] && recent > 0.0)
            ++onsets;
    }
    return static_cast<float>(onsets) / pcm.Seconds();
}

void ExpectEveryStatePlays() {
    TempDir dir;
    CapturedLog log(dir);
    CSharedPtr<snd::FakeAudio> audio(new snd::FakeAudio);
    audio->requireFiles = true;
    ASSERT_TRUE(audio->Init(1, 44100, 0));
    CMusicPlayer player(audio, (MusicFolder().string() + "/").c_str());
    player.Start(kMusicMainMenu);
    EXPECT_EQ(player.IsPlaying(), 1);
    // Every later state, the gameplay rotation three times round.
    for (int state :
         {kMusicGameplay, kMusicGameplay, kMusicGameplay, kMusicStoryline, kMusicBonusLevel}) {
        player.RequestState(state);
        for (int frame = 0; frame < 3; ++frame)
            player.Update(0.5f);
        EXPECT_EQ(player.IsPlaying(), 1) << state;
        EXPECT_NE(player.GetStream(), 0u) << state;
    }
    EXPECT_EQ(log.Text().find("Unable"), std::string::npos) << log.Text();
    audio->Free();
}

TEST(MusicFiles, TracksPlayAsCleanSeamlessLoopsOfTheirOwnCharacter) {
    ASSERT_FALSE(GeneratedMusic().empty());
    ExpectEveryStatePlays();
    for (const std::string& file : TrackFiles()) {
        Pcm pcm;
        ASSERT_TRUE(Decode(file, pcm)) << file;
        EXPECT_EQ(pcm.rate, 44100) << file;
        EXPECT_EQ(pcm.channels, 2) << file;
        EXPECT_GE(pcm.Seconds(), 55.0f) << file;
        EXPECT_LE(pcm.Seconds(), 180.0f) << file;

        const float peak = pcm.Peak();
        const double energy = pcm.Energy();
        const double rms = std::sqrt(energy / pcm.samples.size());
        EXPECT_LT(peak, 0.97f) << file << " clips";
        EXPECT_GT(rms, 0.04) << file << " is too quiet";
        EXPECT_LT(rms, 0.3) << file << " is too loud";

        // The loop's seam: the step from the last frame to the first is no
        // bigger than the music's ordinary steps, and the end is not faded.
        const size_t frames = pcm.Frames();
        double stepEnergy = 0.0;
        for (size_t i = 1; i < frames; ++i) {
            const double d = pcm.samples[2 * i] - pcm.samples[2 * (i - 1)];
            stepEnergy += d * d;
        }
        const double typicalStep = std::sqrt(stepEnergy / static_cast<double>(frames - 1));
        for (int c = 0; c < 2; ++c) {
            const float seam = std::fabs(pcm.samples[c] - pcm.samples[2 * (frames - 1) + c]);
            EXPECT_LT(seam, 5.0 * typicalStep + 0.002) << file << " clicks at its loop point";
        }
        double tail = 0.0;
        const size_t tailFrames = static_cast<size_t>(pcm.rate / 5);
        for (size_t i = frames - tailFrames; i < frames; ++i)
            tail += double(pcm.samples[2 * i]) * pcm.samples[2 * i];
        EXPECT_GT(std::sqrt(tail / tailFrames), 0.1 * rms) << file << " fades out";
    }
    // The bonus track is quicker and busier than the story.
    Pcm story, bonus;
    ASSERT_TRUE(Decode(MusicFolder() / "storyline.ogg", story));
    ASSERT_TRUE(Decode(MusicFolder() / "bonuslevel.ogg", bonus));
    EXPECT_GT(OnsetsPerSecond(bonus), 1.3f * OnsetsPerSecond(story));
}

} // namespace
