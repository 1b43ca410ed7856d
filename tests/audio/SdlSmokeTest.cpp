// The bank and the music player on the SDL2_mixer back end (dummy output):
// real wave and Ogg files load, play, stop and change tracks; a compressed
// sound that cannot be decoded into the cache is decoded as it loads.
#include <cstring>

#include <gtest/gtest.h>

#include "AudioTestSupport.h"
#include "audio/MusicPlayer.h"
#include "audio/SoundBank.h"
#include "platform/sound/SdlAudio.h"
#include "tools/lib/SoundWriter.h"

namespace {

using testsupport::CapturedLog;
using testsupport::ReadFile;
using testsupport::TempDir;

std::vector<int16_t> Beep(int frames, int channels) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * channels);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<int16_t>((i % 50) * 400 - 10000);
    return out;
}

TEST(AudioSdlSmoke, BankAndMusicRunOnTheMixer) {
    TempDir dir;
    CapturedLog log(dir);
    const std::string sfx = dir.Folder() + "Sfx/";
    std::filesystem::create_directories(sfx);
    std::filesystem::create_directories(dir.Folder() + "Music");
    const auto beep = Beep(2205, 1);
    for (int slot = 0; slot < CSoundBank::kSlotCount; ++slot) {
        const std::string name = CSoundBank::SlotFileName(slot);
        if (name.find('%') == std::string::npos) {
            ASSERT_TRUE(tk::WriteWav(sfx + name, beep, 1, 22050));
        }
    }
    for (const char* name : {"Terminator0.wav", "Terminator1.wav", "Combo2.wav", "Combo3.wav"})
        ASSERT_TRUE(tk::WriteWav(sfx + name, beep, 1, 22050));
    // "Click" comes as a compressed sound, converted on the first run.
    std::filesystem::remove(sfx + "Click.wav");
    ASSERT_TRUE(tk::WriteOgg(sfx + "Click.ogg", Beep(22050, 2), 2, 22050, 0.1f));
    dir.Write("Sfx/Ogg.lst", "Click\n");
    dir.Write("Sfx/Vol.cfg", "\"Select.wav\" 0.8 PAN 1\n\"Win.wav\" 1 MUSIC 2 0.3\n");
    const std::string options = dir.Write("Options.ini", "[Sound]\nSound=1\n");
    for (const char* name : {"mainmenu.ogg", "storyline.ogg"})
        ASSERT_TRUE(tk::WriteOgg(dir.Folder() + "Music/" + name, Beep(44100, 2), 2, 44100, 0.1f));

    CSharedPtr<snd::SdlAudio> audio(new snd::SdlAudio);
    CSharedPtr<CSoundBank> bank(new CSoundBank(audio));
    ASSERT_EQ(bank->InitDevice(), 0);
    bank->SetPanDistance(520.0f / 0.75f);
    EXPECT_EQ(bank->ConvertOggList(options.c_str(), sfx), 1);
    const std::string wav = ReadFile(sfx + "Click.wav");
    ASSERT_GT(wav.size(), 44u);
    uint16_t channels = 0;
    std::memcpy(&channels, wav.data() + 22, 2);
    EXPECT_EQ(channels, 2);
    EXPECT_NE(ReadFile(options).find("Converted=1"), std::string::npos);

    EXPECT_EQ(bank->LoadVolumeConfig((sfx + "Vol.cfg").c_str()), 1);
    ASSERT_EQ(bank->LoadSamples(sfx.c_str()), 0) << log.Text();
    EXPECT_EQ(bank->Group(ESound::Terminator)->VariantCount(), 2);
    bank->SetVolume(0.8f);

    CSharedPtr<CMusicPlayer> music(new CMusicPlayer(audio, (dir.Folder() + "Music/").c_str()));
    music->Start(kMusicMainMenu);
    music->SetVolume(0.6f);
    EXPECT_EQ(music->IsPlaying(), 1);
    bank->SetMusicPlayer(music);

    bank->PlaySample(bank->Group(ESound::Click), 0, 0);
    const uint32_t click = bank->Group(ESound::Click)->Ring[0];
    EXPECT_NE(click, 0u);
    EXPECT_EQ(audio->ChannelIsActive(click), snd::kPlaying);
    bank->PlaySampleAt(bank->Group(ESound::Select), -300.0f, 0, 0);
    EXPECT_NE(bank->Group(ESound::Select)->Ring[0], 0u);
    bank->PlayCombo(3);
    bank->PlaySample(bank->Group(ESound::Terminator), -1, 0);
    bank->PlaySample(bank->Group(ESound::Win), 0, 0);
    EXPECT_EQ(music->GetDuckings().size(), 1u);

    const auto tick = bank->Group(ESound::TickLoop);
    bank->PlaySample(tick, 0, 1);
    ASSERT_EQ(tick->Looped.size(), 1u);
    const uint32_t loop = tick->Looped.front();
    EXPECT_EQ(audio->ChannelIsActive(loop), snd::kPlaying);
    bank->SetVolume(0.5f);
    bank->StopSample(tick);
    EXPECT_EQ(audio->ChannelIsActive(loop), snd::kStopped);

    music->Update(0.1f);
    music->RequestState(kMusicStoryline);
    const uint32_t before = music->GetStream();
    for (int i = 0; i < 12 && music->GetStream() == before; ++i)
        music->Update(0.1f);
    EXPECT_NE(music->GetStream(), before);
    EXPECT_EQ(music->IsPlaying(), 1);
    EXPECT_EQ(audio->ChannelIsActive(music->GetStream()), snd::kPlaying);

    music->Pause();
    EXPECT_EQ(audio->ChannelIsActive(music->GetStream()), snd::kPaused);
    music->Resume();

    bank = CSharedPtr<CSoundBank>(); // closes the output
    music = CSharedPtr<CMusicPlayer>();
    EXPECT_EQ(log.Text().find("Unable"), std::string::npos) << log.Text();

    // A cache folder that cannot be made (a file holds its place): the
    // compressed sound is decoded in memory as it loads, and plays.
    const std::string cache = dir.Write("Cache", "a file, not a folder");
    CSoundBank inMemory(audio);
    ASSERT_EQ(inMemory.InitDevice(), 0);
    EXPECT_EQ(inMemory.ConvertOggList(options.c_str(), sfx, cache + "/Sfx/"), 0);
    ASSERT_EQ(inMemory.LoadSamples(sfx.c_str()), 0) << log.Text();
    inMemory.PlaySample(inMemory.Group(ESound::Click), 0, 0);
    EXPECT_EQ(audio->ChannelIsActive(inMemory.Group(ESound::Click)->Ring[0]), snd::kPlaying);
}

} // namespace
