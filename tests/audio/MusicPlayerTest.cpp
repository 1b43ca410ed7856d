// The music player on the fake back end: tracks, fades, ducking, pause, and
// recovery from tracks that are missing.
#include <gtest/gtest.h>

#include "AudioTestSupport.h"
#include "audio/MusicPlayer.h"
#include "platform/sound/FakeAudio.h"

namespace {

using testsupport::CapturedLog;
using testsupport::TempDir;

class AudioMusicTest : public ::testing::Test {
protected:
    AudioMusicTest() : audio_(new snd::FakeAudio) {
        audio_->Init(1, 44100, 0);
        music_ = std::make_unique<CMusicPlayer>(audio_, "Music\\");
    }

    // The file of the music stream that plays now, "" when none.
    std::string Playing() const {
        const snd::Handle h = audio_->PlayingStream();
        return h ? audio_->Stream(h)->path : std::string();
    }
    int StreamVolume() const { return audio_->Stream(music_->GetStream())->volume; }
    int VolumeCalls() const { return audio_->Count("ChannelSetAttributes"); }
    // Requests the state and runs the two half-second frames of the fade.
    void Switch(int state) {
        music_->RequestState(state);
        music_->Update(0.5f);
        music_->Update(0.5f);
    }

    TempDir dir_;
    CapturedLog log_{dir_};
    CSharedPtr<snd::FakeAudio> audio_;
    std::unique_ptr<CMusicPlayer> music_;
};

TEST_F(AudioMusicTest, StartPlaysTheStateTrackLoopedAtItsVolume) {
    music_->Start(kMusicMainMenu);
    EXPECT_EQ(Playing(), "Music\\mainmenu.ogg");
    const auto* play = audio_->Last("StreamPlay");
    EXPECT_EQ(play->args, (std::vector<int64_t>{music_->GetStream(), 0, snd::kLoop}));
    EXPECT_EQ(audio_->Last("ChannelSetAttributes")->args,
              (std::vector<int64_t>{music_->GetStream(), 0, 50, -101}));
    EXPECT_EQ(music_->IsPlaying(), 1);

    music_->SetVolume(1.0f);
    EXPECT_EQ(StreamVolume(), 100);
    music_->SetVolume(0.004f);
    EXPECT_EQ(StreamVolume(), 0);
    music_->SetVolume(3.0f);
    EXPECT_EQ(StreamVolume(), 100);

    // States outside 0..3 are ignored.
    audio_->ClearCalls();
    music_->Start(4);
    music_->RequestState(-1);
    music_->RequestState(7);
    music_->Update(0.5f);
    EXPECT_EQ(music_->IsChangePending(), 0);
    EXPECT_EQ(audio_->Count("StreamCreateFile"), 0);

    const snd::Handle stream = music_->GetStream();
    music_.reset();
    EXPECT_FALSE(audio_->Stream(stream).has_value()); // freed with the player
}

TEST_F(AudioMusicTest, AChangeFadesOutOverFramesThenStartsTheNewTrack) {
    music_->Start(kMusicMainMenu);
    music_->SetVolume(1.0f);
    const snd::Handle first = music_->GetStream();
    music_->RequestState(kMusicStoryline);
    music_->Update(0.5f);
    EXPECT_FLOAT_EQ(music_->GetFadeLevel(), 0.5f);
    EXPECT_EQ(StreamVolume(), 50);
    EXPECT_EQ(Playing(), "Music\\mainmenu.ogg");
    music_->Update(0.5f);
    EXPECT_EQ(Playing(), "Music\\storyline.ogg");
    EXPECT_FALSE(audio_->Stream(first).has_value());
    EXPECT_FLOAT_EQ(music_->GetFadeLevel(), 1.0f);
    EXPECT_EQ(StreamVolume(), 100);
    EXPECT_EQ(music_->IsChangePending(), 0);

    // A second request during a fade replaces the first and the fade goes on.
    music_->RequestState(kMusicMainMenu);
    music_->Update(0.75f);
    music_->RequestState(kMusicBonusLevel);
    music_->Update(0.25f);
    EXPECT_EQ(Playing(), "Music\\bonuslevel.ogg");

    // The same state again restarts its track.
    const snd::Handle bonus = music_->GetStream();
    Switch(kMusicBonusLevel);
    EXPECT_EQ(Playing(), "Music\\bonuslevel.ogg");
    EXPECT_NE(music_->GetStream(), bonus);
}

TEST_F(AudioMusicTest, GameplayTracksRotateAcrossOtherStates) {
    music_->Start(kMusicGameplay);
    std::vector<std::string> seen{Playing()};
    for (int state : {1, 0, 3, 0, 2, 0, 0}) {
        Switch(state);
        seen.push_back(Playing());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "Music\\gameplay1.ogg", "Music\\mainmenu.ogg", "Music\\gameplay2.ogg",
                        "Music\\bonuslevel.ogg", "Music\\gameplay3.ogg", "Music\\storyline.ogg",
                        "Music\\gameplay1.ogg", "Music\\gameplay2.ogg"}));
}

TEST_F(AudioMusicTest, DuckingTakesTheLowestLiveEntry) {
    music_->Start(kMusicMainMenu);
    music_->SetVolume(1.0f);
    music_->NoteSoundPlayed(2.0f, 0.5f);
    music_->NoteSoundPlayed(1.0f, 0.3f);
    std::vector<int> volumes;
    int calls = VolumeCalls();
    for (int frame = 0; frame < 10; ++frame) {
        music_->Update(0.25f);
        volumes.push_back(StreamVolume());
    }
    EXPECT_EQ(volumes, (std::vector<int>{30, 30, 30, 50, 50, 50, 50, 100, 100, 100}));
    EXPECT_EQ(VolumeCalls() - calls, 3); // only in frames where the factor changed
    EXPECT_TRUE(music_->GetDuckings().empty());

    // The deeper entry wins also when it came first, and outlasts the later one.
    music_->NoteSoundPlayed(2.0f, 0.3f);
    music_->NoteSoundPlayed(1.0f, 0.5f);
    volumes.clear();
    for (int frame = 0; frame < 10; ++frame) {
        music_->Update(0.25f);
        volumes.push_back(StreamVolume());
    }
    EXPECT_EQ(volumes, (std::vector<int>{30, 30, 30, 30, 30, 30, 30, 100, 100, 100}));

    // An entry used up within the frame never lowers the music.
    calls = VolumeCalls();
    music_->NoteSoundPlayed(0.1f, 0.2f);
    music_->Update(0.25f);
    EXPECT_EQ(VolumeCalls(), calls);
    EXPECT_FLOAT_EQ(music_->GetDuckingFactor(), 1.0f);

    // Ducking applies during a fade and to the next track; the entries survive it.
    music_->NoteSoundPlayed(5.0f, 0.5f);
    music_->RequestState(kMusicStoryline);
    music_->Update(0.5f);
    EXPECT_EQ(StreamVolume(), 25);
    music_->Update(0.5f);
    EXPECT_EQ(Playing(), "Music\\storyline.ogg");
    EXPECT_EQ(StreamVolume(), 50);
    // Volume changes keep the ducking.
    music_->SetVolume(0.5f);
    EXPECT_EQ(StreamVolume(), 25);
}

TEST_F(AudioMusicTest, MusicOffHoldsRequestsUntilItIsOnAgain) {
    music_->Start(kMusicMainMenu);
    const snd::Handle stream = music_->GetStream();
    music_->SetEnabled(0);
    EXPECT_EQ(audio_->Last("ChannelStop")->args[0], stream);
    EXPECT_EQ(Playing(), "");
    music_->NoteSoundPlayed(3.0f, 0.1f);
    EXPECT_TRUE(music_->GetDuckings().empty());
    music_->RequestState(kMusicStoryline);
    music_->Update(0.5f);
    music_->Update(0.5f);
    EXPECT_EQ(music_->IsChangePending(), 1);
    EXPECT_FLOAT_EQ(music_->GetFadeLevel(), 1.0f);

    audio_->ClearCalls();
    music_->SetEnabled(1);
    EXPECT_EQ(audio_->Last("StreamPlay")->args, (std::vector<int64_t>{stream, 0, snd::kLoop}));
    EXPECT_EQ(Playing(), "Music\\mainmenu.ogg");
    music_->SetEnabled(1); // no change, no call
    EXPECT_EQ(audio_->Count("StreamPlay"), 1);
    music_->Update(0.5f);
    music_->Update(0.5f);
    EXPECT_EQ(Playing(), "Music\\storyline.ogg");

    // Off at start-up: the track is made but stays silent.
    CMusicPlayer quiet(audio_, "Music\\");
    quiet.SetEnabled(0);
    quiet.Start(kMusicBonusLevel);
    EXPECT_NE(quiet.GetStream(), 0u);
    EXPECT_EQ(quiet.IsPlaying(), 0);
}

TEST_F(AudioMusicTest, PauseHoldsEverything) {
    music_->Start(kMusicMainMenu);
    music_->Pause();
    EXPECT_TRUE(audio_->IsPaused());
    music_->NoteSoundPlayed(3.0f, 0.1f);
    EXPECT_TRUE(music_->GetDuckings().empty());
    music_->RequestState(kMusicStoryline);
    music_->Update(0.5f);
    music_->Update(0.5f);
    EXPECT_EQ(Playing(), "Music\\mainmenu.ogg");
    music_->Resume();
    EXPECT_FALSE(audio_->IsPaused());
    EXPECT_EQ(audio_->Count("Start"), 1);
    music_->Update(0.5f);
    music_->Update(0.5f);
    EXPECT_EQ(Playing(), "Music\\storyline.ogg");
}

TEST_F(AudioMusicTest, AMissingTrackDoesNotEndTheMusic) {
    audio_->FailPath("storyline.ogg");
    music_->Start(kMusicMainMenu);
    Switch(kMusicStoryline);
    EXPECT_EQ(music_->GetStream(), 0u);
    EXPECT_EQ(Playing(), "");
    EXPECT_EQ(log_.Text(), " Unable to create music streamMusic\\storyline.ogg\n");
    music_->NoteSoundPlayed(1.0f, 0.5f); // nothing to duck
    EXPECT_TRUE(music_->GetDuckings().empty());

    // Nothing is playing, so the next request switches at once.
    music_->RequestState(kMusicMainMenu);
    music_->Update(0.016f);
    EXPECT_EQ(Playing(), "Music\\mainmenu.ogg");
    EXPECT_EQ(music_->IsPlaying(), 1);

    // A track that will not play: the same.
    audio_->failStreamPlay = true;
    log_.Clear();
    Switch(kMusicBonusLevel);
    EXPECT_EQ(music_->IsPlaying(), 0);
    EXPECT_EQ(log_.Text(), " Unable to play musicMusic\\bonuslevel.ogg\n");
    audio_->failStreamPlay = false;
    music_->RequestState(kMusicGameplay);
    music_->Update(0.016f);
    EXPECT_EQ(Playing(), "Music\\gameplay1.ogg");

    // A player whose start-up track failed starts with the first request.
    CMusicPlayer late(audio_, "Music\\");
    audio_->FailPath("mainmenu.ogg");
    late.Start(kMusicMainMenu);
    EXPECT_EQ(late.IsPlaying(), 0);
    late.Update(0.016f);
    late.RequestState(kMusicBonusLevel);
    late.Update(0.016f);
    EXPECT_EQ(Playing(), "Music\\bonuslevel.ogg");
}

} // namespace
