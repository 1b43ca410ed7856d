// Behaviour both audio backends must share: the fake stands in for the real one
// in the game's tests, so the two must agree on every rule the game relies on.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>

#include "SoundTestFiles.h"
#include "platform/sound/FakeAudio.h"
#include "platform/sound/Handles.h"
#include "platform/sound/SdlAudio.h"
#include "support/TempDir.h"
#include "tools/lib/SoundWriter.h"

namespace {

using namespace snd;
using sndtest::Tone;
using testsupport::TempDir;

constexpr int kRate = 44100;

// What a test needs to know of a backend beyond the API.
struct FakeBackend {
    using Type = FakeAudio;
    static std::unique_ptr<Type> Make(int channels = 32) {
        return std::make_unique<Type>(channels);
    }
    static void BreakInit(Type& a) { a.failInit = true; }
    static void RestoreInit(Type& a) { a.failInit = false; }
    static void CheckFiles(Type& a) { a.requireFiles = true; }
    static int Volume(Type& a, Handle ch) { return a.Channel(ch)->volume; }
    static bool ChannelPaused(Type& a, Handle ch) { return a.IsPaused() && a.Channel(ch); }
    static bool MusicPaused(Type& a) { return a.IsPaused() && a.PlayingStream() != 0; }
};

struct SdlBackend {
    using Type = SdlAudio;
    static std::unique_ptr<Type> Make(int channels = 32) {
        return std::make_unique<Type>(channels);
    }
    // No such audio driver: SDL's audio start fails.
    static void BreakInit(Type&) { SDL_setenv("SDL_AUDIODRIVER", "no-such-driver", 1); }
    static void RestoreInit(Type&) { SDL_setenv("SDL_AUDIODRIVER", "dummy", 1); }
    static void CheckFiles(Type&) {}
    static int Volume(Type&, Handle ch) {
        return (Mix_Volume(ChannelIndexOf(ch), -1) * 100 + 64) / 128;
    }
    static bool ChannelPaused(Type&, Handle ch) { return Mix_Paused(ChannelIndexOf(ch)) == 1; }
    static bool MusicPaused(Type&) { return Mix_PausedMusic() == 1; }
};

template <typename Backend> class SoundBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        audio_ = Backend::Make();
        longWav_ = dir_.Path("long.wav");
        shortWav_ = dir_.Path("short.wav");
        musicOgg_ = dir_.Path("music.ogg");
        ASSERT_TRUE(tk::WriteWav(longWav_, Tone(kRate * 4, 1, kRate), 1, kRate));
        ASSERT_TRUE(tk::WriteWav(shortWav_, Tone(kRate / 100, 2, kRate), 2, kRate));
        ASSERT_TRUE(tk::WriteOgg(musicOgg_, Tone(kRate * 4, 2, kRate), 2, kRate, 0.2f));
    }

    bool Open() { return audio_->Init(1, kRate, 0); }

    // Waits for a play to end by itself; false after `seconds`.
    bool WaitEnded(Handle ch, double seconds = 5.0) {
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (audio_->ChannelIsActive(ch) != kStopped) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            if constexpr (std::is_same_v<Backend, FakeBackend>)
                static_cast<FakeAudio&>(*audio_).FinishChannel(ch);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    TempDir dir_;
    std::unique_ptr<typename Backend::Type> audio_;
    std::string longWav_, shortWav_, musicOgg_;
};

using Backends = ::testing::Types<FakeBackend, SdlBackend>;
class BackendNames {
public:
    template <typename T> static std::string GetName(int) {
        return std::is_same_v<T, FakeBackend> ? "Fake" : "Sdl";
    }
};
TYPED_TEST_SUITE(SoundBackendTest, Backends, BackendNames);

TYPED_TEST(SoundBackendTest, StaleChannelHandlesAreHarmlessOnceTheChannelIsReused) {
    ASSERT_TRUE(this->Open());
    Handle shortSample = this->audio_->SampleLoad(this->shortWav_, 8, kSampleOverPlays);
    Handle longSample = this->audio_->SampleLoad(this->longWav_, 8, kSampleOverPlays);
    ASSERT_NE(shortSample, 0u);
    ASSERT_NE(longSample, 0u);

    // A play that runs out by itself.
    const Handle finished = this->audio_->SamplePlay(shortSample);
    ASSERT_NE(finished, 0u);
    ASSERT_TRUE(this->WaitEnded(finished));
    // A play that is stopped.
    const Handle stopped = this->audio_->SamplePlayEx(longSample, 0, -1, -1, -101, 1);
    ASSERT_NE(stopped, 0u);
    EXPECT_TRUE(this->audio_->ChannelStop(stopped));

    // The next play takes the same mixer channel under a new handle.
    const Handle fresh = this->audio_->SamplePlayEx(longSample, 0, -1, 100, -101, -1);
    ASSERT_NE(fresh, 0u);
    EXPECT_EQ(ChannelIndexOf(fresh), ChannelIndexOf(finished));
    EXPECT_NE(fresh, finished);

    for (Handle old : {finished, stopped}) {
        EXPECT_FALSE(this->audio_->ChannelSetAttributes(old, -1, 7, 60));
        EXPECT_FALSE(this->audio_->ChannelStop(old));
        EXPECT_EQ(this->audio_->ChannelIsActive(old), kStopped);
    }
    EXPECT_EQ(this->audio_->ChannelIsActive(fresh), kPlaying);
    EXPECT_EQ(TypeParam::Volume(*this->audio_, fresh), 100);

    // The live handle does change its play.
    EXPECT_TRUE(this->audio_->ChannelSetAttributes(fresh, -1, 50, -101));
    EXPECT_TRUE(this->audio_->ChannelSetAttributes(fresh, 0, -1, 30));
    EXPECT_EQ(TypeParam::Volume(*this->audio_, fresh), 50);
}

TYPED_TEST(SoundBackendTest, PlaysBeyondTheLimitTakeOverTheOldestVoiceOrFail) {
    ASSERT_TRUE(this->Open());
    const Handle over = this->audio_->SampleLoad(this->longWav_, 8, kSampleOverPlays);
    const Handle strict = this->audio_->SampleLoad(this->longWav_, 2, 0);
    ASSERT_NE(over, 0u);
    ASSERT_NE(strict, 0u);

    std::vector<Handle> plays;
    for (int i = 0; i < 8; ++i)
        plays.push_back(this->audio_->SamplePlay(over));
    for (Handle h : plays)
        ASSERT_NE(h, 0u);

    const Handle ninth = this->audio_->SamplePlay(over);
    ASSERT_NE(ninth, 0u);
    EXPECT_EQ(ChannelIndexOf(ninth), ChannelIndexOf(plays[0]));
    EXPECT_EQ(this->audio_->ChannelIsActive(plays[0]), kStopped);
    for (int i = 1; i < 8; ++i)
        EXPECT_EQ(this->audio_->ChannelIsActive(plays[i]), kPlaying);

    // The tenth takes the next oldest.
    const Handle tenth = this->audio_->SamplePlay(over);
    EXPECT_EQ(ChannelIndexOf(tenth), ChannelIndexOf(plays[1]));
    EXPECT_EQ(this->audio_->ChannelIsActive(ninth), kPlaying);

    // Without the take-over flag a play over the limit fails.
    EXPECT_NE(this->audio_->SamplePlay(strict), 0u);
    EXPECT_NE(this->audio_->SamplePlay(strict), 0u);
    EXPECT_EQ(this->audio_->SamplePlay(strict), 0u);
}

TYPED_TEST(SoundBackendTest, PlayFailsWhenNoMixerChannelIsFree) {
    this->audio_ = TypeParam::Make(3);
    ASSERT_TRUE(this->Open());
    const Handle a = this->audio_->SampleLoad(this->longWav_, 8, kSampleOverPlays);
    const Handle b = this->audio_->SampleLoad(this->longWav_, 8, kSampleOverPlays);
    EXPECT_NE(this->audio_->SamplePlay(a), 0u);
    EXPECT_NE(this->audio_->SamplePlay(a), 0u);
    const Handle last = this->audio_->SamplePlay(b);
    EXPECT_NE(last, 0u);
    EXPECT_EQ(this->audio_->SamplePlay(b), 0u);
    EXPECT_EQ(this->audio_->SamplePlayEx(a, 0, -1, -1, -101, -1), 0u);
    // Freeing a channel makes room again.
    EXPECT_TRUE(this->audio_->ChannelStop(last));
    EXPECT_NE(this->audio_->SamplePlay(b), 0u);
}

TYPED_TEST(SoundBackendTest, DefaultVolumeAppliesToLaterPlaysOnly) {
    ASSERT_TRUE(this->Open());
    const Handle s = this->audio_->SampleLoad(this->longWav_, 8, kSampleOverPlays);
    const Handle before = this->audio_->SamplePlay(s);
    SampleInfo info;
    ASSERT_TRUE(this->audio_->SampleGetInfo(s, &info));
    EXPECT_EQ(info.volume, 100);
    EXPECT_EQ(info.maxPlays, 8);
    info.volume = 25;
    ASSERT_TRUE(this->audio_->SampleSetInfo(s, info));
    const Handle after = this->audio_->SamplePlay(s);
    const Handle louder = this->audio_->SamplePlayEx(s, 0, -1, 75, 0, -1);

    EXPECT_EQ(TypeParam::Volume(*this->audio_, before), 100);
    EXPECT_EQ(TypeParam::Volume(*this->audio_, after), 25);
    EXPECT_EQ(TypeParam::Volume(*this->audio_, louder), 75);
    ASSERT_TRUE(this->audio_->SampleGetInfo(s, &info));
    EXPECT_EQ(info.volume, 25);
}

TYPED_TEST(SoundBackendTest, PauseHoldsSamplesAndMusicAndNewPlays) {
    ASSERT_TRUE(this->Open());
    const Handle s = this->audio_->SampleLoad(this->longWav_, 8, kSampleOverPlays);
    const Handle music = this->audio_->StreamCreateFile(this->musicOgg_, 0);
    ASSERT_NE(music, 0u);
    EXPECT_EQ(this->audio_->ChannelIsActive(music), kStopped); // created stopped
    ASSERT_TRUE(this->audio_->StreamPlay(music, false, kLoop));
    const Handle playing = this->audio_->SamplePlay(s);
    EXPECT_EQ(this->audio_->ChannelIsActive(music), kPlaying);

    ASSERT_TRUE(this->audio_->Pause());
    const Handle startedPaused = this->audio_->SamplePlay(s);
    ASSERT_NE(startedPaused, 0u);
    for (Handle ch : {playing, startedPaused}) {
        EXPECT_EQ(this->audio_->ChannelIsActive(ch), kPaused);
        EXPECT_TRUE(TypeParam::ChannelPaused(*this->audio_, ch));
    }
    EXPECT_EQ(this->audio_->ChannelIsActive(music), kPaused);
    EXPECT_TRUE(TypeParam::MusicPaused(*this->audio_));
    // A volume change while paused is kept.
    EXPECT_TRUE(this->audio_->ChannelSetAttributes(startedPaused, -1, 40, -101));

    ASSERT_TRUE(this->audio_->Start());
    for (Handle ch : {playing, startedPaused}) {
        EXPECT_EQ(this->audio_->ChannelIsActive(ch), kPlaying);
        EXPECT_FALSE(TypeParam::ChannelPaused(*this->audio_, ch));
    }
    EXPECT_EQ(TypeParam::Volume(*this->audio_, startedPaused), 40);
    EXPECT_EQ(this->audio_->ChannelIsActive(music), kPlaying);
    EXPECT_FALSE(TypeParam::MusicPaused(*this->audio_));
}

TYPED_TEST(SoundBackendTest, MusicStreamsStopReplayAndFree) {
    ASSERT_TRUE(this->Open());
    const Handle first = this->audio_->StreamCreateFile(this->musicOgg_, 0);
    const Handle second = this->audio_->StreamCreateFile(this->musicOgg_, 0);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    EXPECT_NE(first, second);

    ASSERT_TRUE(this->audio_->StreamPlay(first, false, kLoop));
    EXPECT_TRUE(this->audio_->ChannelSetAttributes(first, 0, 30, -101));
    // Only one stream plays.
    ASSERT_TRUE(this->audio_->StreamPlay(second, false, kLoop));
    EXPECT_EQ(this->audio_->ChannelIsActive(first), kStopped);
    EXPECT_EQ(this->audio_->ChannelIsActive(second), kPlaying);

    EXPECT_TRUE(this->audio_->ChannelStop(second));
    EXPECT_EQ(this->audio_->ChannelIsActive(second), kStopped);
    EXPECT_TRUE(this->audio_->StreamPlay(second, false, kLoop));
    EXPECT_EQ(this->audio_->ChannelIsActive(second), kPlaying);

    EXPECT_TRUE(this->audio_->StreamFree(second));
    EXPECT_EQ(this->audio_->ChannelIsActive(second), kStopped);
    EXPECT_FALSE(this->audio_->StreamPlay(second, false, kLoop));
    EXPECT_FALSE(this->audio_->StreamFree(second));
    EXPECT_TRUE(this->audio_->StreamFree(first));
    // A sample handle is no stream.
    const Handle s = this->audio_->SampleLoad(this->longWav_, 1, 0);
    EXPECT_FALSE(this->audio_->StreamPlay(s, false, 0));
}

// Decodes the whole stream the way the first-run conversion reads it.
std::vector<int16_t> DecodeAll(Audio& audio, Handle stream) {
    std::vector<int16_t> out;
    std::vector<uint8_t> buffer(20000);
    while (audio.ChannelIsActive(stream) != kStopped) {
        const int n = audio.ChannelGetData(stream, buffer.data(), 20000);
        EXPECT_GE(n, 0);
        if (n < 0)
            break;
        EXPECT_EQ(n % 2, 0);
        const size_t old = out.size();
        out.resize(old + static_cast<size_t>(n) / 2);
        std::memcpy(out.data() + old, buffer.data(), static_cast<size_t>(n));
    }
    EXPECT_EQ(audio.ChannelGetData(stream, buffer.data(), 20000), -1);
    return out;
}

TYPED_TEST(SoundBackendTest, DecodeStreamGivesBackTheEncodedWaveform) {
    ASSERT_TRUE(this->Open());
    struct Case {
        int channels, rate, frames;
    };
    for (const Case c : {Case{1, 22050, 30000}, Case{2, 44100, 44100 + 123}}) {
        SCOPED_TRACE(c.channels);
        const std::vector<int16_t> tone = Tone(c.frames, c.channels, c.rate);
        const std::string path = this->dir_.Path("tone" + std::to_string(c.channels) + ".ogg");
        ASSERT_TRUE(tk::WriteOgg(path, tone, c.channels, c.rate, 0.6f));

        const Handle stream = this->audio_->StreamCreateFile(path, kStreamDecode);
        ASSERT_NE(stream, 0u);
        ChannelInfo info;
        ASSERT_TRUE(this->audio_->ChannelGetInfo(stream, &info));
        EXPECT_EQ(info.rate, c.rate);
        EXPECT_EQ(info.channels, c.channels);
        EXPECT_EQ(info.flags & kInfo8Bits, 0u);

        const std::vector<int16_t> got = DecodeAll(*this->audio_, stream);
        ASSERT_EQ(got.size(), tone.size());
        double err = 0, signal = 0;
        for (size_t i = 0; i < got.size(); ++i) {
            const double d = static_cast<double>(got[i]) - tone[i];
            err += d * d;
            signal += static_cast<double>(tone[i]) * tone[i];
        }
        // Vorbis is lossy: demand a signal-to-noise ratio of 20 dB or better.
        EXPECT_LT(err / signal, 0.01);
        EXPECT_TRUE(this->audio_->StreamFree(stream));
    }
}

TYPED_TEST(SoundBackendTest, FailedInitMakesEveryCallANoOp) {
    TypeParam::BreakInit(*this->audio_);
    const bool opened = this->Open();
    TypeParam::RestoreInit(*this->audio_);
    ASSERT_FALSE(opened);

    Audio& a = *this->audio_;
    EXPECT_EQ(a.SampleLoad(this->longWav_, 8, kSampleOverPlays), 0u);
    const Handle made = MakeHandle(HandleKind::Sample, 1);
    const Handle channel = MakeChannelHandle(0, 1);
    const Handle stream = MakeHandle(HandleKind::Stream, 1);
    SampleInfo info;
    EXPECT_FALSE(a.SampleGetInfo(made, &info));
    EXPECT_FALSE(a.SampleSetInfo(made, info));
    EXPECT_EQ(a.SamplePlay(made), 0u);
    EXPECT_EQ(a.SamplePlayEx(made, 0, -1, -1, -101, 1), 0u);
    EXPECT_FALSE(a.ChannelSetAttributes(channel, -1, 10, -101));
    EXPECT_FALSE(a.ChannelStop(channel));
    EXPECT_EQ(a.ChannelIsActive(channel), kStopped);
    EXPECT_EQ(a.StreamCreateFile(this->musicOgg_, 0), 0u);
    EXPECT_EQ(a.StreamCreateFile(this->musicOgg_, kStreamDecode), 0u);
    EXPECT_FALSE(a.StreamPlay(stream, false, kLoop));
    EXPECT_FALSE(a.StreamFree(stream));
    ChannelInfo ci;
    EXPECT_FALSE(a.ChannelGetInfo(stream, &ci));
    char buf[16];
    EXPECT_EQ(a.ChannelGetData(stream, buf, sizeof buf), -1);
    EXPECT_FALSE(a.Pause());
    EXPECT_FALSE(a.Start());
    a.Free();

    // The object can still open later.
    EXPECT_TRUE(this->Open());
}

TYPED_TEST(SoundBackendTest, MissingOrBrokenFilesFailWithZero) {
    TypeParam::CheckFiles(*this->audio_);
    ASSERT_TRUE(this->Open());
    const std::string missing = this->dir_.Path("missing.wav");
    const std::string broken =
        this->dir_.Write("broken.ogg", {'O', 'g', 'g', 'S', 0, 2, 0, 0, 1, 2, 3});
    const std::string junkWav = this->dir_.Write("junk.wav", {'R', 'I', 'F', 'F', 1, 0});
    EXPECT_EQ(this->audio_->SampleLoad(missing, 8, kSampleOverPlays), 0u);
    EXPECT_EQ(this->audio_->StreamCreateFile(this->dir_.Path("missing.ogg"), 0), 0u);
    EXPECT_EQ(this->audio_->StreamCreateFile(this->dir_.Path("missing.ogg"), kStreamDecode), 0u);
    EXPECT_EQ(this->audio_->StreamCreateFile(broken, kStreamDecode), 0u);
    EXPECT_EQ(this->audio_->StreamCreateFile(junkWav, kStreamDecode), 0u);
    // A bad play limit is refused too.
    EXPECT_EQ(this->audio_->SampleLoad(this->longWav_, 0, 0), 0u);
}

TYPED_TEST(SoundBackendTest, FreeInvalidatesEverythingAndInitWorksAgain) {
    ASSERT_TRUE(this->Open());
    EXPECT_FALSE(this->audio_->Init(1, kRate, 0)); // already open
    const Handle s = this->audio_->SampleLoad(this->longWav_, 8, kSampleOverPlays);
    const Handle ch = this->audio_->SamplePlay(s);
    const Handle music = this->audio_->StreamCreateFile(this->musicOgg_, 0);
    ASSERT_TRUE(this->audio_->StreamPlay(music, false, kLoop));
    this->audio_->Free();
    EXPECT_EQ(this->audio_->SamplePlay(s), 0u);
    EXPECT_EQ(this->audio_->ChannelIsActive(ch), kStopped);
    EXPECT_EQ(this->audio_->ChannelIsActive(music), kStopped);

    ASSERT_TRUE(this->Open());
    EXPECT_EQ(this->audio_->SamplePlay(s), 0u); // samples went with Free
    EXPECT_FALSE(this->audio_->ChannelSetAttributes(ch, -1, 10, -101));
}

} // namespace
