// The sound bank on the fake back end: loading the slots, choosing variants,
// the channel ring, placement by screen x, volumes and a silent bank.
#include <cmath>
#include <memory>

#include <gtest/gtest.h>

#include "AudioTestSupport.h"
#include "audio/SoundBank.h"
#include "platform/sound/FakeAudio.h"
#include "platform/sound/Handles.h"

namespace {

using audiotest::SetNextRandom;
using audiotest::WriteSlotFiles;
using testsupport::CapturedLog;
using testsupport::TempDir;

class AudioBankTest : public ::testing::Test {
protected:
    AudioBankTest() : audio_(new snd::FakeAudio), bank_(std::make_unique<CSoundBank>(audio_)) {
        audio_->requireFiles = true;
    }

    // Opens the output, reads the given "Vol.cfg" text and loads every slot.
    void Load(const std::string& volCfg = "", const std::vector<int>& terminators = {0},
              const std::vector<int>& combos = {2}) {
        WriteSlotFiles(dir_, terminators, combos);
        ASSERT_EQ(bank_->InitDevice(), 0);
        dir_.Write("Vol.cfg", volCfg);
        bank_->LoadVolumeConfig(dir_.Path("Vol.cfg").c_str());
        ASSERT_EQ(bank_->LoadSamples(dir_.Folder().c_str()), 0);
        audio_->ClearCalls();
    }

    CSharedPtr<CSampleGroup> Group(ESound s) const { return bank_->Group(s); }

    TempDir dir_;
    CapturedLog log_{dir_};
    CSharedPtr<snd::FakeAudio> audio_;
    std::unique_ptr<CSoundBank> bank_;
};

TEST_F(AudioBankTest, LoadsEverySlotWithItsFileAndSettings) {
    WriteSlotFiles(dir_);
    dir_.Write("Vol.cfg", "\"Click.wav\" 0.5\n");
    ASSERT_EQ(bank_->InitDevice(), 0);
    bank_->LoadVolumeConfig(dir_.Path("Vol.cfg").c_str());
    ASSERT_EQ(bank_->LoadSamples(dir_.Folder().c_str()), 0);
    EXPECT_EQ(bank_->Groups().size(), static_cast<size_t>(CSoundBank::kSlotCount));
    for (int slot = 0; slot < CSoundBank::kSlotCount; ++slot)
        ASSERT_FALSE(bank_->Group(slot).IsNull()) << slot;
    for (const auto& c : audio_->CallsOf("SampleLoad")) // 8 plays, the oldest taken over
        EXPECT_EQ(c.args, (std::vector<int64_t>{8, 0x20000}));

    const auto click = Group(ESound::Click);
    EXPECT_EQ(audio_->SamplePath(click->Samples[0]), dir_.Folder() + "Click.wav");
    EXPECT_EQ(audio_->SampleVolume(click->Samples[0]), 50);
    EXPECT_EQ(click->Ring.size(), 6u);
    EXPECT_EQ(audio_->SamplePath(Group(ESound::Treasure)->Samples[0]),
              dir_.Folder() + "Treasure.wav");
    EXPECT_EQ(audio_->SampleVolume(Group(ESound::Treasure)->Samples[0]), 100);
}

TEST_F(AudioBankTest, VariantSetsEndAtTheFirstGap) {
    Load("", {0, 1, 3}, {2, 3, 4, 5, 6, 7, 8, 9, 10});
    const auto term = Group(ESound::Terminator);
    ASSERT_EQ(term->VariantCount(), 2);
    EXPECT_EQ(audio_->SamplePath(term->Samples[1]), dir_.Folder() + "Terminator1.wav");
    // Combo files from 2: at most eight variants, so "Combo10.wav" is never taken.
    const auto combo = Group(ESound::Combo);
    ASSERT_EQ(combo->VariantCount(), 8);
    EXPECT_EQ(audio_->SamplePath(combo->Samples[0]), dir_.Folder() + "Combo2.wav");
    EXPECT_EQ(audio_->SamplePath(combo->Samples[7]), dir_.Folder() + "Combo9.wav");
}

TEST_F(AudioBankTest, MissingFilesFailTheLoadNamingTheFile) {
    WriteSlotFiles(dir_, {1, 2}, {2});
    ASSERT_EQ(bank_->InitDevice(), 0);
    EXPECT_EQ(bank_->LoadSamples(dir_.Folder().c_str()), 2);
    EXPECT_EQ(bank_->CurrentPath(), dir_.Folder() + "Terminator0.wav");
    EXPECT_EQ(log_.Text(), " Unable to load sound  " + dir_.Folder() + "Terminator0.wav \n");
    // Slots before the failure stay loaded, the rest stay empty.
    EXPECT_FALSE(Group(ESound::GemBar).IsNull());
    EXPECT_TRUE(Group(ESound::Terminator).IsNull());
    EXPECT_TRUE(Group(ESound::Treasure).IsNull());

    // A fixed slot that the back end refuses.
    TempDir other;
    WriteSlotFiles(other);
    audio_->FailPath("Museum.wav");
    log_.Clear();
    EXPECT_EQ(bank_->LoadSamples(other.Folder().c_str()), 2);
    EXPECT_EQ(bank_->CurrentPath(), other.Folder() + "Museum.wav");
    EXPECT_TRUE(Group(ESound::Museum).IsNull());
    EXPECT_FALSE(Group(ESound::Background).IsNull());
}

TEST_F(AudioBankTest, OutputIsClosedAtShutDownEvenWhenTheSamplesFailed) {
    ASSERT_EQ(bank_->InitDevice(), 0);
    EXPECT_EQ(bank_->LoadSamples(dir_.Folder().c_str()), 2);
    bank_->Silence();
    EXPECT_EQ(bank_->IsInitialised(), 0);
    EXPECT_TRUE(bank_->IsDeviceOpen());
    bank_.reset();
    EXPECT_EQ(audio_->Count("Free"), 1);
    EXPECT_FALSE(audio_->IsOpen());
}

TEST_F(AudioBankTest, ABankWhoseOutputFailedDoesNothing) {
    audio_->failInit = true;
    EXPECT_EQ(bank_->InitDevice(), 1);
    EXPECT_EQ(bank_->IsInitialised(), 0);
    CSharedPtr<CSampleGroup> group(new CSampleGroup(2, 6));
    bank_->PlaySample(group, 0, 0);
    bank_->PlaySampleAt(group, 100.0f, -1, 1);
    bank_->PlayCombo(3);
    bank_->StopSample(group);
    bank_->SetVolume(0.5f);
    EXPECT_EQ(group->Ring, std::vector<uint32_t>(6, 0u));
    EXPECT_EQ(group->RingIndex, 0);
    bank_.reset();
    ASSERT_EQ(audio_->calls.size(), 1u); // only the failed Init
    EXPECT_EQ(audio_->calls[0].name, "Init");
    EXPECT_EQ(audio_->calls[0].args, (std::vector<int64_t>{1, 44100, 0}));

    // No audio object at all: the same silent bank.
    CSoundBank none{CSharedPtr<snd::Audio>()};
    EXPECT_EQ(none.InitDevice(), 1);
    none.PlayCombo(2);
    EXPECT_TRUE(none.LoadSample("x/", "Click.wav", 6, 8, 0).IsNull());
}

TEST_F(AudioBankTest, VariantChoiceStaysInsideTheGroup) {
    Load("", {0, 1, 2, 3});
    const auto term = Group(ESound::Terminator);
    auto playedSample = [&] { return audio_->Last("SamplePlay")->args[0]; };

    SetNextRandom(32767); // RandomFloat() == 1.0: the last variant, not one past it
    bank_->PlaySample(term, -1, 0);
    EXPECT_EQ(playedSample(), term->Samples[3]);
    SetNextRandom(0);
    bank_->PlaySample(term, -1, 0);
    EXPECT_EQ(playedSample(), term->Samples[0]);
    SetNextRandom(16384); // just above one half: floor(4 * 0.50002) = 2
    bank_->PlaySample(term, -5, 0);
    EXPECT_EQ(playedSample(), term->Samples[2]);

    // Past the last variant: the last; a single-variant group always plays it.
    bank_->PlaySample(term, 9, 0);
    EXPECT_EQ(playedSample(), term->Samples[3]);
    const auto click = Group(ESound::Click);
    SetNextRandom(32767);
    bank_->PlaySample(click, -1, 0);
    EXPECT_EQ(playedSample(), click->Samples[0]);

    // Null and malformed groups are ignored.
    const int before = static_cast<int>(audio_->calls.size());
    bank_->PlaySample(CSharedPtr<CSampleGroup>(), 0, 0);
    bank_->PlaySampleAt(CSharedPtr<CSampleGroup>(nullptr), 0.0f, 0, 0);
    bank_->StopSample(CSharedPtr<CSampleGroup>());
    CSharedPtr<CSampleGroup> empty(new CSampleGroup(0, 6));
    bank_->PlaySample(empty, -1, 0);
    CSharedPtr<CSampleGroup> torn(new CSampleGroup(2, 6));
    torn->PanFactors.pop_back();
    bank_->PlaySampleAt(torn, 10.0f, 1, 0);
    EXPECT_EQ(static_cast<int>(audio_->calls.size()), before);
}

TEST_F(AudioBankTest, ComboPlaysTheVariantOfTheChain) {
    Load("", {0}, {2, 3, 4, 5});
    const auto combo = Group(ESound::Combo);
    auto comboFile = [&](int chain) {
        bank_->PlayCombo(chain);
        return audio_->SamplePath(static_cast<snd::Handle>(audio_->Last("SamplePlay")->args[0]));
    };
    EXPECT_EQ(comboFile(0), dir_.Folder() + "Combo2.wav");
    EXPECT_EQ(comboFile(1), dir_.Folder() + "Combo2.wav");
    EXPECT_EQ(comboFile(2), dir_.Folder() + "Combo2.wav");
    EXPECT_EQ(comboFile(3), dir_.Folder() + "Combo3.wav");
    EXPECT_EQ(comboFile(20), dir_.Folder() + "Combo5.wav");
    EXPECT_EQ(comboFile(INT32_MIN), dir_.Folder() + "Combo2.wav");
    EXPECT_EQ(combo->RingIndex, 0); // six plays went round the ring once
}

TEST_F(AudioBankTest, TheRingKeepsTheLastSixChannelsWithoutStoppingOthers) {
    Load();
    const auto drop = Group(ESound::Drop);
    std::vector<uint32_t> channels;
    for (int i = 0; i < 7; ++i) {
        bank_->PlaySample(drop, 0, 0);
        channels.push_back(static_cast<uint32_t>(audio_->Last("SamplePlay")->result));
        ASSERT_NE(channels.back(), 0u);
    }
    EXPECT_EQ(drop->Ring[0], channels[6]);
    EXPECT_EQ(drop->Ring[1], channels[1]);
    EXPECT_EQ(drop->RingIndex, 1);
    EXPECT_TRUE(audio_->Channel(channels[0]).has_value()); // still playing
    EXPECT_EQ(audio_->Count("ChannelStop"), 0);

    // A play that finds no free channel stores 0, which later calls skip.
    audio_->noFreeChannel = true;
    bank_->PlaySample(drop, 0, 0);
    EXPECT_EQ(drop->Ring[1], 0u);
    audio_->ClearCalls();
    bank_->SetVolume(1.0f);
    EXPECT_EQ(audio_->Count("ChannelSetAttributes"), 5);
}

TEST_F(AudioBankTest, LoopedPlaysRunUntilStopped) {
    Load();
    const auto tick = Group(ESound::TickLoop);
    bank_->PlaySample(tick, 0, 1);
    const auto* play = audio_->Last("SamplePlayEx");
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(play->args, (std::vector<int64_t>{tick->Samples[0], 0, -1, -1, -101, 1}));
    const auto channel = static_cast<snd::Handle>(play->result);
    EXPECT_TRUE(audio_->Channel(channel)->loop);
    bank_->PlaySampleAt(tick, 400.0f, 0, 1); // looped plays are never placed
    EXPECT_EQ(audio_->Last("SamplePlayEx")->args[4], -101);
    ASSERT_EQ(tick->Looped.size(), 2u);

    bank_->StopSample(tick);
    EXPECT_EQ(audio_->Count("ChannelStop"), 2);
    EXPECT_FALSE(audio_->Channel(channel).has_value());
    EXPECT_TRUE(tick->Looped.empty());
    bank_->StopSample(tick);
    EXPECT_EQ(audio_->Count("ChannelStop"), 2);
}

TEST_F(AudioBankTest, PlacedPlaysPanByScreenX) {
    Load("\"Select.wav\" 1\n\"Hint.wav\" 1 PAN 0.5\n");
    bank_->SetPanDistance(520.0f / 0.75f);
    const auto select = Group(ESound::Select);
    auto panAt = [&](const CSharedPtr<CSampleGroup>& g, float x) {
        audio_->ClearCalls();
        bank_->PlaySampleAt(g, x, 0, 0);
        const auto* ex = audio_->Last("SamplePlayEx");
        return ex ? static_cast<int>(ex->args[4]) : 999; // 999: played unplaced
    };
    EXPECT_EQ(panAt(select, 512.0f), 73);
    EXPECT_EQ(panAt(select, -512.0f), -74);
    EXPECT_EQ(panAt(select, 0.0f), 0);
    EXPECT_EQ(panAt(select, -1.0f), -1); // rounds down, not towards zero
    EXPECT_EQ(panAt(select, 5000.0f), 100);
    EXPECT_EQ(panAt(select, -1e30f), -100);
    EXPECT_EQ(panAt(select, std::nanf("")), 0);
    EXPECT_EQ(audio_->Last("SamplePlayEx")->args[5], -1); // the sample's own looping
    EXPECT_EQ(panAt(Group(ESound::Hint), 512.0f), 36);
    // A sound "Vol.cfg" does not list is never placed.
    EXPECT_EQ(panAt(Group(ESound::Click), 512.0f), 999);
    EXPECT_EQ(audio_->Count("SamplePlay"), 1);

    // With the default distance of 520.
    bank_->SetPanDistance(0.0f); // refused
    bank_->SetPanDistance(520.0f);
    EXPECT_EQ(panAt(select, 520.0f), 99);
}

TEST_F(AudioBankTest, VolumeIsFlooredAndLiveChannelsFollowTheFirstVariant) {
    Load("\"Win.wav\" 0.75\n\"Combo2.wav\" 0.5\n\"Combo3.wav\" 0.9\n", {0}, {2, 3});
    const auto win = Group(ESound::Win);
    const auto combo = Group(ESound::Combo);
    EXPECT_EQ(audio_->SampleVolume(win->Samples[0]), 75);
    bank_->PlaySample(win, 0, 0);
    const auto winChannel = static_cast<snd::Handle>(audio_->Last("SamplePlay")->result);
    bank_->PlaySample(combo, 1, 1);
    const auto comboChannel = static_cast<snd::Handle>(audio_->Last("SamplePlayEx")->result);

    bank_->SetVolume(0.5f);
    EXPECT_EQ(audio_->SampleVolume(win->Samples[0]), 37); // 37.5 floored
    EXPECT_EQ(audio_->Channel(winChannel)->volume, 37);
    EXPECT_EQ(audio_->SampleVolume(combo->Samples[0]), 25);
    EXPECT_EQ(audio_->SampleVolume(combo->Samples[1]), 44); // 0.9f * 50 lies just below 45
    // The looped Combo3 play sits in both the ring and the looped list, and takes
    // Combo2's factor both times.
    EXPECT_EQ(audio_->Channel(comboChannel)->volume, 25);
    int comboSets = 0;
    for (const auto& c : audio_->CallsOf("ChannelSetAttributes"))
        if (c.args[0] == comboChannel) {
            EXPECT_EQ(c.args, (std::vector<int64_t>{comboChannel, -1, 25, -101}));
            ++comboSets;
        }
    EXPECT_EQ(comboSets, 2);

    bank_->SetVolume(0.0f);
    EXPECT_EQ(audio_->SampleVolume(win->Samples[0]), 0);
    EXPECT_EQ(audio_->Channel(winChannel)->volume, 0);
    EXPECT_TRUE(audio_->Channel(comboChannel).has_value()); // still playing, silently
    bank_->SetVolume(7.0f); // clamped to the scale
    EXPECT_EQ(audio_->SampleVolume(win->Samples[0]), 100);
}

TEST_F(AudioBankTest, StaleChannelHandlesTouchNoNewerPlay) {
    Load("\"Click.wav\" 0.2\n");
    const auto treasure = Group(ESound::Treasure); // loaded after Click
    bank_->PlaySample(treasure, 0, 0);
    const auto old = static_cast<snd::Handle>(audio_->Last("SamplePlay")->result);
    audio_->FinishChannel(old);
    bank_->PlaySample(Group(ESound::Click), 0, 0);
    const auto fresh = static_cast<snd::Handle>(audio_->Last("SamplePlay")->result);
    ASSERT_EQ(snd::ChannelIndexOf(old), snd::ChannelIndexOf(fresh)); // the mixer reused it
    ASSERT_NE(old, fresh);

    bank_->SetVolume(1.0f);
    EXPECT_EQ(audio_->Channel(fresh)->volume, 20);
    const auto sets = audio_->CallsOf("ChannelSetAttributes");
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[1].args[0], old);
    EXPECT_EQ(sets[1].result, 0);
}

TEST_F(AudioBankTest, SilencedSoundsDuckTheMusic) {
    Load("\"Win.wav\" 1 MUSIC 3 0.2\n");
    bank_->PlaySample(Group(ESound::Win), 0, 0); // no music player yet: nothing happens

    dir_.Write("Music/mainmenu.ogg", "");
    CSharedPtr<CMusicPlayer> music(new CMusicPlayer(audio_, dir_.Path("Music/").c_str()));
    music->Start(kMusicMainMenu);
    bank_->SetMusicPlayer(music);
    bank_->PlaySampleAt(Group(ESound::Win), 0.0f, 0, 0);
    bank_->PlaySample(Group(ESound::Click), 0, 0);
    ASSERT_EQ(music->GetDuckings().size(), 1u);
    EXPECT_FLOAT_EQ(music->GetDuckings()[0].Time, 3.0f);
    EXPECT_FLOAT_EQ(music->GetDuckings()[0].Volume, 0.2f);
}

TEST(AudioBankNames, SlotsAreFoundByTheirFileNames) {
    EXPECT_EQ(CSoundBank::SlotOfName("Click"), static_cast<int>(ESound::Click));
    EXPECT_EQ(CSoundBank::SlotOfName("click.WAV"), static_cast<int>(ESound::Click));
    EXPECT_EQ(CSoundBank::SlotOfName("TickLoop.wav"), static_cast<int>(ESound::TickLoop));
    EXPECT_EQ(CSoundBank::SlotOfName("Terminator"), static_cast<int>(ESound::Terminator));
    EXPECT_EQ(CSoundBank::SlotOfName("Combo"), static_cast<int>(ESound::Combo));
    EXPECT_EQ(CSoundBank::SlotOfName("Terminator0_s"), static_cast<int>(ESound::Terminator0_s));
    EXPECT_EQ(CSoundBank::SlotOfName("Treasure"), 62);
    EXPECT_EQ(CSoundBank::SlotOfName("Combo3"), -1);
    EXPECT_EQ(CSoundBank::SlotOfName(""), -1);
    EXPECT_STREQ(CSoundBank::SlotFileName(18), "Combo%d.wav");
    EXPECT_STREQ(CSoundBank::SlotFileName(63), "");
}

} // namespace
