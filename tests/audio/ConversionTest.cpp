// First-run conversion of the listed ".ogg" sounds to ".wav" files.
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "AudioTestSupport.h"
#include "audio/SoundBank.h"
#include "platform/os/Path.h"
#include "platform/sound/FakeAudio.h"
#include "tools/lib/SoundWriter.h"

namespace {

namespace fs = std::filesystem;
using testsupport::CapturedLog;
using testsupport::ReadFile;
using testsupport::TempDir;

// The fake back end, with decode streams that can break down: after
// `goodReads` reads every further read fails while the stream still reports
// itself active, or (stall) delivers nothing for ever.
class FlakyDecodeAudio final : public snd::Audio {
public:
    snd::FakeAudio fake;
    int goodReads = -1; // -1: never fails
    bool stall = false;

    bool Init(int d, int r, uint32_t f) override { return fake.Init(d, r, f); }
    void Free() override { fake.Free(); }
    bool Pause() override { return fake.Pause(); }
    bool Start() override { return fake.Start(); }
    snd::Handle SampleLoad(const std::string& p, int m, uint32_t f) override {
        return fake.SampleLoad(p, m, f);
    }
    bool SampleGetInfo(snd::Handle s, snd::SampleInfo* i) override {
        return fake.SampleGetInfo(s, i);
    }
    bool SampleSetInfo(snd::Handle s, const snd::SampleInfo& i) override {
        return fake.SampleSetInfo(s, i);
    }
    snd::Handle SamplePlay(snd::Handle s) override { return fake.SamplePlay(s); }
    snd::Handle SamplePlayEx(snd::Handle s, uint32_t st, int r, int v, int p, int l) override {
        return fake.SamplePlayEx(s, st, r, v, p, l);
    }
    bool ChannelSetAttributes(snd::Handle c, int r, int v, int p) override {
        return fake.ChannelSetAttributes(c, r, v, p);
    }
    bool ChannelStop(snd::Handle c) override { return fake.ChannelStop(c); }
    int ChannelIsActive(snd::Handle c) override {
        if (stall || (goodReads >= 0 && reads_ >= goodReads))
            return snd::kPlaying;
        return fake.ChannelIsActive(c);
    }
    bool ChannelGetInfo(snd::Handle c, snd::ChannelInfo* i) override {
        return fake.ChannelGetInfo(c, i);
    }
    int ChannelGetData(snd::Handle c, void* b, uint32_t n) override {
        if (stall)
            return 0;
        if (goodReads >= 0 && reads_ >= goodReads)
            return -1;
        ++reads_;
        return fake.ChannelGetData(c, b, n);
    }
    snd::Handle StreamCreateFile(const std::string& p, uint32_t f) override {
        return fake.StreamCreateFile(p, f);
    }
    bool StreamPlay(snd::Handle s, bool fl, uint32_t f) override {
        return fake.StreamPlay(s, fl, f);
    }
    bool StreamFree(snd::Handle s) override { return fake.StreamFree(s); }

private:
    int reads_ = 0;
};

uint32_t Le32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}
uint64_t Le64(const std::string& bytes, size_t at) {
    uint64_t v = 0;
    std::memcpy(&v, bytes.data() + at, 8);
    return v;
}
uint16_t Le16(const std::string& bytes, size_t at) {
    uint16_t v = 0;
    std::memcpy(&v, bytes.data() + at, 2);
    return v;
}

std::vector<int16_t> Tone(int frames, int channels) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * channels);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<int16_t>((i * 37) % 2000 - 1000);
    return out;
}

class AudioConversionTest : public ::testing::Test {
protected:
    AudioConversionTest() : audio_(new FlakyDecodeAudio), bank_(audio_) {
        audio_->fake.requireFiles = true;
        EXPECT_EQ(bank_.InitDevice(), 0);
        std::filesystem::create_directories(dir_.Path("Sfx"));
        options_ = dir_.Write("Config/Options.ini",
                              "[Settings]\r\nWidth=1024\r\n\r\n[Sound]\r\nSound = 1\r\n"
                              "Converted=0\r\nMusic=1\r\n");
    }

    // A 16-bit 22050 Hz ogg of `frames` frames in the sound folder.
    void WriteOgg(const std::string& name, int channels, int frames = 4000) {
        ASSERT_TRUE(tk::WriteOgg(dir_.Path("Sfx/" + name + ".ogg"), Tone(frames, channels),
                                 channels, 22050, 0.1f));
    }
    int Convert() { return bank_.ConvertOggList(options_.c_str(), dir_.Path("Sfx/")); }
    std::string Marker() const {
        const std::string text = ReadFile(options_);
        const size_t at = text.find("Converted=");
        return at == std::string::npos ? "" : text.substr(at + 10, 1);
    }

    TempDir dir_;
    CapturedLog log_{dir_};
    CSharedPtr<FlakyDecodeAudio> audio_;
    CSoundBank bank_;
    std::string options_;
};

TEST_F(AudioConversionTest, ConvertsEveryListedNameOnceAndMarksIt) {
    WriteOgg("Click", 2);
    WriteOgg("Win Big", 1); // blanks belong to the name
    WriteOgg("Last", 1);
    dir_.Write("Sfx/Ogg.lst", "Click\r\n\r\nWin Big\nLast");
    log_.Clear();
    EXPECT_EQ(Convert(), 1);
    EXPECT_TRUE(dir_.Exists("Sfx/Click.wav"));
    EXPECT_TRUE(dir_.Exists("Sfx/Win Big.wav"));
    EXPECT_TRUE(dir_.Exists("Sfx/Last.wav"));
    EXPECT_FALSE(dir_.Exists("Sfx/Click.tmp"));
    EXPECT_EQ(log_.Text(), " Firs time sound convertion...\n Done\n");
    // Only the marker changed in the options file.
    EXPECT_EQ(ReadFile(options_),
              "[Settings]\r\nWidth=1024\r\n\r\n[Sound]\r\nSound = 1\r\nConverted=1\r\nMusic=1\r\n");

    // The stereo 16-bit header, with both sizes following the data.
    const std::string wav = ReadFile(dir_.Path("Sfx/Click.wav"));
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Le32(wav, 16), 16u);
    EXPECT_EQ(Le16(wav, 20), 1u);
    EXPECT_EQ(Le16(wav, 22), 2u);
    EXPECT_EQ(Le32(wav, 24), 22050u);
    EXPECT_EQ(Le32(wav, 28), 4u * 22050u);
    EXPECT_EQ(Le16(wav, 32), 4u);
    EXPECT_EQ(Le16(wav, 34), 16u);
    // The key of the source it came from, then the data.
    EXPECT_EQ(wav.substr(36, 4), "srck");
    EXPECT_EQ(Le32(wav, 40), 16u);
    const fs::path click = dir_.Path("Sfx/Click.ogg");
    EXPECT_EQ(Le64(wav, 44), fs::file_size(click));
    EXPECT_EQ(Le64(wav, 52),
              static_cast<uint64_t>(fs::last_write_time(click).time_since_epoch().count()));
    EXPECT_EQ(wav.substr(60, 4), "data");
    EXPECT_EQ(Le32(wav, 4), wav.size() - 8);
    EXPECT_EQ(Le32(wav, 64), wav.size() - 68);
    EXPECT_EQ(wav.size() - 68, 4000u * 4u);

    // The next start does nothing at all.
    audio_->fake.ClearCalls();
    log_.Clear();
    std::filesystem::remove(dir_.Path("Sfx/Ogg.lst"));
    EXPECT_EQ(Convert(), 1);
    EXPECT_TRUE(audio_->fake.calls.empty());
    EXPECT_EQ(log_.Text(), "");
}

TEST_F(AudioConversionTest, HeaderFollowsTheDecodedFormat) {
    const std::string ogg = dir_.Path("Mono8.ogg");
    audio_->fake.SetDecodeData(ogg, snd::ChannelInfo{11025, 1, snd::kInfo8Bits},
                               std::vector<uint8_t>(30001, 0x80));
    // Links at the wave file's name and at any scratch name beside it are
    // replaced; the files they point at stay as they were.
    const std::string outside = dir_.Write("Outside.txt", "not a sound");
    for (const char* name : {"Mono8.wav", "Mono8.wav.part", "Mono8.tmp"})
        std::filesystem::create_symlink(outside, dir_.Path(name));
    ASSERT_EQ(bank_.ConvertOggToWav(ogg.c_str(), dir_.Path("Mono8.wav").c_str()), 1);
    EXPECT_EQ(ReadFile(outside), "not a sound");
    EXPECT_FALSE(std::filesystem::is_symlink(dir_.Path("Mono8.wav")));
    std::string wav = ReadFile(dir_.Path("Mono8.wav"));
    ASSERT_EQ(wav.size(), 68u + 30001u);
    EXPECT_EQ(Le16(wav, 22), 1u);
    EXPECT_EQ(Le32(wav, 28), 11025u);
    EXPECT_EQ(Le16(wav, 32), 1u);
    EXPECT_EQ(Le16(wav, 34), 8u);
    EXPECT_EQ(Le32(wav, 64), 30001u);
    EXPECT_EQ(static_cast<uint8_t>(wav.back()), 0x80);

    // Nothing decoded: a bare header with consistent sizes.
    const std::string silent = dir_.Path("Silent.ogg");
    audio_->fake.SetDecodeData(silent, snd::ChannelInfo{44100, 2, 0}, {});
    ASSERT_EQ(bank_.ConvertOggToWav(silent.c_str(), dir_.Path("Silent.wav").c_str()), 1);
    wav = ReadFile(dir_.Path("Silent.wav"));
    ASSERT_EQ(wav.size(), 68u);
    EXPECT_EQ(Le32(wav, 4), 60u);
    EXPECT_EQ(Le32(wav, 64), 0u);
    EXPECT_EQ(Le32(wav, 28), 44100u * 4u);
    // Every decode stream was released.
    EXPECT_EQ(audio_->fake.Count("StreamFree"), 2);
}

TEST_F(AudioConversionTest, BrokenDecodesLeaveNoWaveFile) {
    const std::string ogg = dir_.Path("Long.ogg");
    audio_->fake.SetDecodeData(ogg, snd::ChannelInfo{22050, 2, 0},
                               std::vector<uint8_t>(100000, 1));
    audio_->goodReads = 2; // then errors while still "active"
    log_.Clear();
    EXPECT_EQ(bank_.ConvertOggToWav(ogg.c_str(), dir_.Path("Long.wav").c_str()), 0);
    EXPECT_FALSE(dir_.Exists("Long.wav"));
    EXPECT_FALSE(dir_.Exists("Long.tmp"));
    EXPECT_EQ(log_.Text(), " Unable to decode file  " + ogg + " \n");
    EXPECT_EQ(audio_->fake.Count("StreamFree"), 1);

    audio_->goodReads = -1;
    audio_->stall = true; // active for ever, never any data
    EXPECT_EQ(bank_.ConvertOggToWav(ogg.c_str(), dir_.Path("Long.wav").c_str()), 0);
    EXPECT_FALSE(dir_.Exists("Long.wav"));

    // An undecodable source and an uncreatable target.
    audio_->stall = false;
    log_.Clear();
    const std::string junk = dir_.Write("Junk.ogg", "not a sound");
    EXPECT_EQ(bank_.ConvertOggToWav(junk.c_str(), dir_.Path("Junk.wav").c_str()), 0);
    EXPECT_EQ(log_.Text(), " Unable to stream file  " + junk + " \n");
    const std::string noFolder = dir_.Path("none/x.wav");
    log_.Clear();
    EXPECT_EQ(bank_.ConvertOggToWav(ogg.c_str(), noFolder.c_str()), 0);
    EXPECT_EQ(log_.Text(), " Unable to create file  " + noFolder + " \n");
    EXPECT_EQ(audio_->fake.Count("StreamCreateFile"), audio_->fake.Count("StreamFree") + 1);
}

TEST_F(AudioConversionTest, AFailedSoundIsRetriedOnTheNextStart) {
    WriteOgg("Click", 1);
    WriteOgg("Drop", 1);
    dir_.Write("Sfx/Ogg.lst", "Click\nMissing\nDrop\n");
    log_.Clear();
    EXPECT_EQ(Convert(), 0);
    EXPECT_TRUE(dir_.Exists("Sfx/Click.wav"));
    EXPECT_TRUE(dir_.Exists("Sfx/Drop.wav"));
    EXPECT_FALSE(dir_.Exists("Sfx/Missing.wav"));
    EXPECT_EQ(Marker(), "0");
    EXPECT_NE(log_.Text().find(" Fist time sound convertion error!\n"), std::string::npos);
    EXPECT_NE(log_.Text().find(" Done\n"), std::string::npos);

    // The missing sound turns up: only it is converted, then the run is marked.
    WriteOgg("Missing", 2);
    const std::string clickBefore = ReadFile(dir_.Path("Sfx/Click.wav"));
    audio_->fake.ClearCalls();
    EXPECT_EQ(Convert(), 1);
    const auto created = audio_->fake.CallsOf("StreamCreateFile");
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0].path, dir_.Path("Sfx/") + "Missing.ogg");
    EXPECT_EQ(ReadFile(dir_.Path("Sfx/Click.wav")), clickBefore);
    EXPECT_EQ(Marker(), "1");

    // A new release changes a sound's source: it is decoded again, alone,
    // whether only its time or only its size tells the new file from the old.
    struct Change {
        const char* name;
        std::function<void(const fs::path&)> change;
        uint32_t dataBytes; // of the wave file decoded afterwards
    };
    const Change changes[] = {
        {"Click",
         [](const fs::path& ogg) {
             fs::last_write_time(ogg, fs::last_write_time(ogg) + std::chrono::seconds(3));
         },
         4000u * 2u},
        {"Drop",
         [this](const fs::path& ogg) {
             const auto time = fs::last_write_time(ogg);
             const auto size = fs::file_size(ogg);
             WriteOgg("Drop", 1, 9000);
             ASSERT_NE(fs::file_size(ogg), size);
             fs::last_write_time(ogg, time);
         },
         9000u * 2u},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        const std::string ogg = dir_.Path("Sfx/") + c.name + ".ogg";
        c.change(ogg);
        audio_->fake.ClearCalls();
        EXPECT_EQ(Convert(), 1);
        const auto decoded = audio_->fake.CallsOf("StreamCreateFile");
        ASSERT_EQ(decoded.size(), 1u);
        EXPECT_EQ(decoded[0].path, ogg);
        const std::string wav = ReadFile(dir_.Path("Sfx/") + c.name + ".wav");
        ASSERT_GE(wav.size(), 68u);
        EXPECT_EQ(Le32(wav, 64), c.dataBytes);
        EXPECT_EQ(Le64(wav, 44), fs::file_size(ogg));
        // And only once.
        audio_->fake.ClearCalls();
        EXPECT_EQ(Convert(), 1);
        EXPECT_EQ(audio_->fake.Count("StreamCreateFile"), 0);
    }
}

TEST_F(AudioConversionTest, OlderBuildsDecodesAmongThePlayersFilesAreRemovedOnce) {
    // The game's folders: sounds read from the data, decoded into a cache;
    // an older build decoded them into the user folder's copy of the sounds.
    struct Folders {
        Folders(const std::string& data, const std::string& user)
            : data_(os::DataFolder()), user_(os::UserFolder()) {
            os::SetGameFolders(data, user);
        }
        ~Folders() { os::SetGameFolders(data_, user_); }
        std::string data_, user_;
    } folders(dir_.Path("data"), dir_.Path("user"));
    fs::create_directories(dir_.Path("data/Data/Sfx"));
    fs::create_directories(dir_.Path("user/Data/Sfx"));
    const std::vector<int16_t> tone = Tone(500, 1);
    for (const char* name : {"Click", "Drop", "Win"})
        ASSERT_TRUE(tk::WriteOgg(dir_.Path("data/Data/Sfx/") + name + ".ogg", tone, 1, 22050,
                                 0.1f));
    dir_.Write("data/Data/Sfx/Ogg.lst", "Click\nDrop\nWin\n");
    struct Row {
        const char* file;
        bool older; // a whole wave as older builds decoded, else the player's own
        bool kept;
    };
    const Row rows[] = {
        {"user/Data/Sfx/Click.wav", true, false},
        {"user/Data/Sfx/Win.wav", true, false},
        {"user/Data/Sfx/Drop.wav", false, true}, // a listed name, not a decode
        {"user/Data/Sfx/Mine.wav", true, true},  // a wave of a name not listed
        {"user/Data/Sfx/Notes.txt", false, true},
        {"data/Data/Sfx/Win.wav", true, true}, // the game's data is never touched
    };
    const auto plant = [&](const Row& row) {
        if (row.older)
            ASSERT_TRUE(tk::WriteWav(dir_.Path(row.file), tone, 1, 22050));
        else
            dir_.Write(row.file, "the player's own");
    };
    for (const Row& row : rows)
        plant(row);
    const std::string cache = dir_.Path("cache/Sfx/");
    EXPECT_EQ(bank_.ConvertOggList(options_.c_str(), "Data\\Sfx\\", cache), 1);
    for (const Row& row : rows)
        EXPECT_EQ(dir_.Exists(row.file), row.kept) << row.file;
    EXPECT_TRUE(dir_.Exists("cache/Sfx/Click.wav"));

    // Once: a wave the player puts there later stays.
    plant(rows[0]);
    EXPECT_EQ(bank_.ConvertOggList(options_.c_str(), "Data\\Sfx\\", cache), 1);
    EXPECT_TRUE(dir_.Exists(rows[0].file));
}

TEST_F(AudioConversionTest, AMissingListLeavesTheMarkerUnset) {
    log_.Clear();
    EXPECT_EQ(Convert(), 0);
    EXPECT_EQ(log_.Text(), " Firs time sound convertion...\n Unable to open file Ogg.lst \n " +
                               dir_.Path("Sfx/") + "Ogg.lst: the file cannot be opened\n");
    EXPECT_EQ(Marker(), "0");

    // Any marker other than 1 means "not yet".
    options_ = dir_.Write("Options2.ini", "[Sound]\nConverted=2\n");
    dir_.Write("Sfx/Ogg.lst", "\n\n");
    EXPECT_EQ(Convert(), 1);
    EXPECT_EQ(ReadFile(options_), "[Sound]\nConverted=1\n");
}

TEST_F(AudioConversionTest, NamesThatReachOutsideTheSoundFolderAreRefused) {
    WriteOgg("Click", 1);
    // A sound one folder up, which a name with a folder in it would convert.
    ASSERT_TRUE(tk::WriteOgg(dir_.Path("Up.ogg"), Tone(4000, 1), 1, 22050, 0.1f));
    dir_.Write("Sfx/Ogg.lst", "../Up\nClick\nsub/Click\n..\\Up\nC:Up\n");
    log_.Clear();
    EXPECT_EQ(Convert(), 1) << "refused names are never convertible, so the run is done";
    EXPECT_TRUE(dir_.Exists("Sfx/Click.wav"));
    EXPECT_FALSE(dir_.Exists("Up.wav"));
    EXPECT_EQ(audio_->fake.Count("StreamCreateFile"), 1);
    std::string expected = " Firs time sound convertion...\n";
    for (const auto& [line, name] :
         {std::pair{1, "../Up"}, {3, "sub/Click"}, {4, "..\\Up"}, {5, "C:Up"}})
        expected += " Fist time sound convertion error!\n " + dir_.Path("Sfx/") +
                    "Ogg.lst:" + std::to_string(line) + ": \"" + name +
                    "\" is not a plain file name (no folders or drives)\n";
    EXPECT_EQ(log_.Text(), expected + " Done\n");
}

} // namespace
