// What the fake offers beyond the shared rules: the call log, the knobs and the
// state views that other subsystems' tests rely on.
#include <gtest/gtest.h>

#include "SoundTestFiles.h"
#include "platform/sound/FakeAudio.h"
#include "platform/sound/Handles.h"

namespace {

using namespace snd;

TEST(SoundFakeTest, RecordsEveryCallWithArgumentsAndResult) {
    FakeAudio audio;
    ASSERT_TRUE(audio.Init(1, 44100, 0));
    const Handle s = audio.SampleLoad("Data\\Sfx\\Click.wav", 8, kSampleOverPlays);
    const Handle ch = audio.SamplePlayEx(s, 0, -1, -1, 73, -1);
    audio.ChannelSetAttributes(ch, -1, 40, -101);
    audio.ChannelSetAttributes(MakeChannelHandle(5, 9), -1, 40, -101);

    ASSERT_EQ(audio.calls.size(), 5u);
    EXPECT_EQ(audio.calls[0].name, "Init");
    EXPECT_EQ(audio.calls[0].args, (std::vector<int64_t>{1, 44100, 0}));
    EXPECT_EQ(audio.calls[0].result, 1);
    EXPECT_EQ(audio.calls[1].path, "Data\\Sfx\\Click.wav");
    EXPECT_EQ(audio.calls[1].args, (std::vector<int64_t>{8, 0x20000}));
    EXPECT_EQ(audio.calls[1].result, s);
    EXPECT_EQ(audio.Last("SamplePlayEx")->args, (std::vector<int64_t>{s, 0, -1, -1, 73, -1}));
    EXPECT_EQ(audio.Count("ChannelSetAttributes"), 2);
    const auto sets = audio.CallsOf("ChannelSetAttributes");
    EXPECT_EQ(sets[0].result, 1);
    EXPECT_EQ(sets[1].result, 0); // never-played channel
    EXPECT_EQ(audio.Last("StreamPlay"), nullptr);

    EXPECT_EQ(audio.Channel(ch)->pan, 73);
    EXPECT_EQ(audio.Channel(ch)->volume, 40);
    EXPECT_EQ(audio.SamplePath(s), "Data\\Sfx\\Click.wav");
    audio.ClearCalls();
    EXPECT_TRUE(audio.calls.empty());
}

TEST(SoundFakeTest, KnobsScriptFailures) {
    FakeAudio audio;
    audio.FailPath("Click.wav");
    ASSERT_TRUE(audio.Init(1, 44100, 0));
    EXPECT_EQ(audio.SampleLoad("Data\\Sfx\\Click.wav", 8, 0), 0u);
    EXPECT_EQ(audio.StreamCreateFile("Music\\Click.wav", 0), 0u);
    const Handle s = audio.SampleLoad("Data\\Sfx\\Drop.wav", 8, 0);
    ASSERT_NE(s, 0u); // no file needed unless requireFiles is set

    audio.noFreeChannel = true;
    EXPECT_EQ(audio.SamplePlay(s), 0u);
    audio.noFreeChannel = false;
    EXPECT_NE(audio.SamplePlay(s), 0u);

    const Handle music = audio.StreamCreateFile("Music\\mainmenu.ogg", 0);
    ASSERT_NE(music, 0u);
    audio.failStreamPlay = true;
    EXPECT_FALSE(audio.StreamPlay(music, false, kLoop));
    EXPECT_EQ(audio.PlayingStream(), 0u);
    audio.failStreamPlay = false;
    EXPECT_TRUE(audio.StreamPlay(music, false, kLoop));
    EXPECT_EQ(audio.PlayingStream(), music);
    EXPECT_TRUE(audio.Stream(music)->loop);
    EXPECT_TRUE(audio.ChannelSetAttributes(music, 0, 37, -101));
    EXPECT_EQ(audio.Stream(music)->volume, 37);

    audio.requireFiles = true;
    EXPECT_EQ(audio.SampleLoad("Data\\Sfx\\Drop.wav", 8, 0), 0u);
}

TEST(SoundFakeTest, ReusedChannelStartsFromTheNewPlaysOwnSettings) {
    FakeAudio audio(1);
    ASSERT_TRUE(audio.Init(1, 44100, 0));
    const Handle s = audio.SampleLoad("a.wav", 8, kLoop);
    const Handle first = audio.SamplePlayEx(s, 0, -1, 20, -80, 0);
    EXPECT_FALSE(audio.Channel(first)->loop);
    audio.FinishChannel(first);
    EXPECT_EQ(audio.LiveChannels(), 0);

    const Handle second = audio.SamplePlay(s);
    ASSERT_NE(second, 0u);
    EXPECT_EQ(audio.Channel(second)->pan, 0);
    EXPECT_EQ(audio.Channel(second)->volume, 100);
    EXPECT_TRUE(audio.Channel(second)->loop); // the sample's own flag
    EXPECT_FALSE(audio.Channel(first).has_value());

    audio.FinishAll(); // looping plays too
    EXPECT_EQ(audio.ChannelIsActive(second), kStopped);
}

TEST(SoundFakeTest, ScriptedDecodeDataComesBackInReadsOfTheAskedSize) {
    FakeAudio audio;
    ASSERT_TRUE(audio.Init(1, 44100, 0));
    std::vector<uint8_t> pcm(45);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<uint8_t>(i * 5);
    audio.SetDecodeData("Data\\Sfx\\Hint.ogg", ChannelInfo{11025, 1, kInfo8Bits}, pcm);

    const Handle st = audio.StreamCreateFile("Data\\Sfx\\Hint.ogg", kStreamDecode);
    ASSERT_NE(st, 0u);
    ChannelInfo info;
    ASSERT_TRUE(audio.ChannelGetInfo(st, &info));
    EXPECT_EQ(info.rate, 11025);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.flags, kInfo8Bits);

    std::vector<uint8_t> got, buf(20);
    std::vector<int> sizes;
    while (audio.ChannelIsActive(st)) {
        const int n = audio.ChannelGetData(st, buf.data(), 20);
        sizes.push_back(n);
        got.insert(got.end(), buf.begin(), buf.begin() + std::max(n, 0));
    }
    EXPECT_EQ(sizes, (std::vector<int>{20, 20, 5}));
    EXPECT_EQ(got, pcm);
    EXPECT_EQ(audio.ChannelGetData(st, buf.data(), 20), -1);
    EXPECT_EQ(audio.Last("ChannelGetData")->args[1], 20);

    // A decode stream is never a music stream.
    EXPECT_FALSE(audio.StreamPlay(st, false, kLoop));
    // Unscripted paths go to the real file, which is missing here.
    EXPECT_EQ(audio.StreamCreateFile("Data\\Sfx\\Other.ogg", kStreamDecode), 0u);
}

} // namespace
