// The decoders behind decode-only streams, and the writers that make their test
// files (a writer fault would otherwise hide a decoder fault).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "SoundTestFiles.h"
#include "platform/sound/Decoder.h"
#include "support/TempDir.h"
#include "tools/lib/SoundWriter.h"

namespace {

using snd::DecodeAll;
using snd::Decoder;
using snd::Pcm;
using sndtest::Tone;
using testsupport::ReadFile;
using testsupport::TempDir;

std::vector<uint8_t> ReadAll(Decoder& d, uint32_t chunk = 20000) {
    std::vector<uint8_t> out;
    std::vector<uint8_t> buf(chunk);
    while (d.Active()) {
        const int n = d.GetData(buf.data(), chunk);
        EXPECT_GE(n, 0) << "the end must be reported before a read fails";
        if (n < 0)
            break;
        out.insert(out.end(), buf.begin(), buf.begin() + n);
    }
    EXPECT_EQ(d.GetData(buf.data(), chunk), -1);
    return out;
}

// A RIFF wave built chunk by chunk, to make files the writer never would.
struct WavBuilder {
    std::vector<uint8_t> body;
    void Tag(const char* t) { body.insert(body.end(), t, t + 4); }
    void U16(uint32_t v) {
        body.push_back(static_cast<uint8_t>(v));
        body.push_back(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Fmt(int format, int channels, int rate, int bits) {
        Tag("fmt ");
        U32(16);
        U16(format);
        U16(channels);
        U32(rate);
        U32(rate * channels * bits / 8);
        U16(channels * bits / 8);
        U16(bits);
    }
    void Chunk(const char* tag, const std::vector<uint8_t>& data, uint32_t declared = 0) {
        Tag(tag);
        U32(declared ? declared : static_cast<uint32_t>(data.size()));
        body.insert(body.end(), data.begin(), data.end());
        if (data.size() % 2)
            body.push_back(0);
    }
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
        const uint32_t size = static_cast<uint32_t>(body.size() + 4);
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<uint8_t>(size >> (8 * i)));
        out.insert(out.end(), {'W', 'A', 'V', 'E'});
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }
};

TEST(SoundDecoderTest, WaveFilesDeliverTheirSamplesUnchanged) {
    TempDir dir;
    // 16-bit from the writer.
    const std::vector<int16_t> tone = Tone(3001, 2, 32000);
    ASSERT_TRUE(tk::WriteWav(dir.Path("a.wav"), tone, 2, 32000));
    auto d = Decoder::Open(dir.Path("a.wav"));
    ASSERT_TRUE(d);
    EXPECT_EQ(d->Rate(), 32000);
    EXPECT_EQ(d->Channels(), 2);
    EXPECT_EQ(d->BitsPerSample(), 16);
    std::vector<uint8_t> got = ReadAll(*d, 999); // odd request: whole frames only
    ASSERT_EQ(got.size(), tone.size() * 2);
    EXPECT_EQ(std::memcmp(got.data(), tone.data(), got.size()), 0);

    // 8-bit mono behind an odd-sized chunk the reader must skip with its pad byte.
    WavBuilder w;
    w.Fmt(1, 1, 11025, 8);
    w.Chunk("LIST", {1, 2, 3});
    const std::vector<uint8_t> pcm = {0x80, 0xFF, 0x00, 0x7F, 0x81};
    w.Chunk("data", pcm);
    d = Decoder::Open(dir.Write("b.wav", w.Bytes()));
    ASSERT_TRUE(d);
    EXPECT_EQ(d->BitsPerSample(), 8);
    EXPECT_EQ(d->Rate(), 11025);
    EXPECT_EQ(ReadAll(*d), pcm);
}

TEST(SoundDecoderTest, TruncatedDataPlaysWhatIsThereInWholeFrames) {
    TempDir dir;
    WavBuilder w;
    w.Fmt(1, 2, 8000, 16);
    std::vector<uint8_t> pcm(4 * 10 + 3, 0x11); // 10 frames and a partial one
    w.Chunk("data", pcm, /*declared*/ 100000);
    std::vector<uint8_t> bytes = w.Bytes();
    bytes.pop_back(); // no pad byte at the cut
    auto d = Decoder::Open(dir.Write("cut.wav", bytes));
    ASSERT_TRUE(d);
    EXPECT_EQ(ReadAll(*d).size(), 40u);

    // A data chunk without any data: ended at once, never an error.
    WavBuilder empty;
    empty.Fmt(1, 1, 8000, 16);
    empty.Chunk("data", {});
    d = Decoder::Open(dir.Write("empty.wav", empty.Bytes()));
    ASSERT_TRUE(d);
    char buf[8];
    EXPECT_EQ(d->GetData(buf, sizeof buf), 0);
    EXPECT_FALSE(d->Active());
    EXPECT_EQ(d->GetData(buf, sizeof buf), -1);
}

TEST(SoundDecoderTest, MalformedWaveHeadersAreRefused) {
    TempDir dir;
    auto refuse = [&](const std::vector<uint8_t>& bytes) {
        return Decoder::Open(dir.Write("bad.wav", bytes)) == nullptr;
    };
    const std::vector<uint8_t> pcm(64, 0);
    {
        WavBuilder w; // compressed format
        w.Fmt(2, 1, 8000, 16);
        w.Chunk("data", pcm);
        EXPECT_TRUE(refuse(w.Bytes()));
    }
    {
        WavBuilder w; // 24-bit
        w.Fmt(1, 1, 8000, 24);
        w.Chunk("data", pcm);
        EXPECT_TRUE(refuse(w.Bytes()));
    }
    {
        WavBuilder w; // absurd channel count
        w.Fmt(1, 4000, 8000, 16);
        w.Chunk("data", pcm);
        EXPECT_TRUE(refuse(w.Bytes()));
    }
    {
        WavBuilder w; // zero rate
        w.Fmt(1, 1, 0, 16);
        w.Chunk("data", pcm);
        EXPECT_TRUE(refuse(w.Bytes()));
    }
    {
        WavBuilder w; // data before its format
        w.Chunk("data", pcm);
        w.Fmt(1, 1, 8000, 16);
        EXPECT_TRUE(refuse(w.Bytes()));
    }
    {
        WavBuilder w; // a chunk claiming 4 GB before the data
        w.Fmt(1, 1, 8000, 16);
        w.Chunk("junk", {1, 2}, 0xFFFFFFF0u);
        w.Chunk("data", pcm);
        EXPECT_TRUE(refuse(w.Bytes()));
    }
    EXPECT_TRUE(refuse({'R', 'I', 'F', 'F'}));
    EXPECT_TRUE(refuse({}));
    EXPECT_TRUE(refuse({'M', 'T', 'h', 'd', 0, 0, 0, 6}));
    EXPECT_EQ(Decoder::Open(dir.Path("missing.wav")), nullptr);
}

TEST(SoundDecoderTest, CutOrDamagedOggEndsCleanly) {
    TempDir dir;
    const std::vector<int16_t> tone = Tone(44100 * 4, 2, 44100);
    std::vector<uint8_t> ogg;
    ASSERT_TRUE(tk::EncodeOgg(tone, 2, 44100, 0.4f, ogg));

    // Cut in the middle of the audio: the pages before the cut decode.
    std::vector<uint8_t> cut(ogg.begin(), ogg.begin() + static_cast<long>(ogg.size() * 2 / 3));
    auto d = Decoder::Open(dir.Write("cut.ogg", cut));
    ASSERT_TRUE(d);
    const size_t got = ReadAll(*d).size();
    EXPECT_GT(got, 0u);
    EXPECT_LT(got, tone.size() * 2);

    // Damaged audio pages: whatever comes out, the stream ends without a crash.
    std::vector<uint8_t> damaged = ogg;
    for (size_t i = ogg.size() / 3; i < ogg.size(); i += 97)
        damaged[i] ^= 0x5A;
    d = Decoder::Open(dir.Write("damaged.ogg", damaged));
    if (d)
        ReadAll(*d);

    // Only headers cut short: no stream at all.
    std::vector<uint8_t> headerOnly(ogg.begin(), ogg.begin() + 60);
    EXPECT_EQ(Decoder::Open(dir.Write("head.ogg", headerOnly)), nullptr);
}

TEST(SoundDecoderTest, WholeSamplesAreBoundedByTheDataNotTheHeader) {
    TempDir dir;
    std::vector<uint8_t> ogg;
    ASSERT_TRUE(tk::EncodeOgg(Tone(8000, 2, 16000), 2, 16000, 0.4f, ogg));
    WavBuilder liar;
    liar.Fmt(1, 1, 8000, 16);
    liar.Chunk("data", std::vector<uint8_t>(40, 0x22), /*declared*/ 0xFFFFFFF0u);
    struct Case {
        const char* what;
        std::string path;
        size_t limit;
        bool loads;
        size_t bytes;
    };
    const Case cases[] = {
        {"wave claiming 4 GB", dir.Write("liar.wav", liar.Bytes()), 1000, true, 40},
        {"ogg within the limit", dir.Write("a.ogg", ogg), 32000, true, 32000},
        {"ogg past the limit", dir.Path("a.ogg"), 31999, false, 0},
        {"no sound at all", dir.Write("text.wav", std::string("RIFF and nothing")), 1000, false, 0},
    };
    for (const Case& c : cases) {
        Pcm pcm;
        EXPECT_EQ(DecodeAll(c.path, c.limit, pcm), c.loads) << c.what;
        EXPECT_EQ(pcm.bytes.size(), c.bytes) << c.what;
        EXPECT_LE(pcm.bytes.capacity(), std::max<size_t>(c.limit, 64 * 1024)) << c.what;
    }
}

TEST(SoundDecoderTest, StoppedStreamDeliversNothingMore) {
    TempDir dir;
    ASSERT_TRUE(tk::WriteWav(dir.Path("a.wav"), Tone(100, 1, 8000), 1, 8000));
    auto d = Decoder::Open(dir.Path("a.wav"));
    ASSERT_TRUE(d);
    d->Stop();
    EXPECT_FALSE(d->Active());
    char buf[16];
    EXPECT_EQ(d->GetData(buf, sizeof buf), -1);
}

TEST(SoundWriterTest, WaveHeaderDescribesTheData) {
    const std::vector<int16_t> samples = {1, -2, 3, -4, 0x7FFF, -0x8000};
    std::vector<uint8_t> wav;
    ASSERT_TRUE(tk::EncodeWav(samples, 2, 22050, wav));
    ASSERT_EQ(wav.size(), 44u + 12u);
    auto u32 = [&](size_t at) {
        return wav[at] | wav[at + 1] << 8 | wav[at + 2] << 16 |
               static_cast<uint32_t>(wav[at + 3]) << 24;
    };
    auto u16 = [&](size_t at) { return static_cast<uint32_t>(wav[at] | wav[at + 1] << 8); };
    EXPECT_EQ(std::memcmp(wav.data(), "RIFF", 4), 0);
    EXPECT_EQ(u32(4), wav.size() - 8);
    EXPECT_EQ(std::memcmp(wav.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(u32(16), 16u);
    EXPECT_EQ(u16(20), 1u);
    EXPECT_EQ(u16(22), 2u);
    EXPECT_EQ(u32(24), 22050u);
    EXPECT_EQ(u32(28), 22050u * 4);
    EXPECT_EQ(u16(32), 4u);
    EXPECT_EQ(u16(34), 16u);
    EXPECT_EQ(std::memcmp(wav.data() + 36, "data", 4), 0);
    EXPECT_EQ(u32(40), 12u);
    EXPECT_EQ(std::memcmp(wav.data() + 44, samples.data(), 12), 0);
}

TEST(SoundWriterTest, OggOutputIsDeterministicAndDecodesToItsLength) {
    TempDir dir;
    const std::vector<int16_t> tone = Tone(10007, 1, 16000);
    ASSERT_TRUE(tk::WriteOgg(dir.Path("a.ogg"), tone, 1, 16000, 0.3f));
    ASSERT_TRUE(tk::WriteOgg(dir.Path("b.ogg"), tone, 1, 16000, 0.3f));
    EXPECT_EQ(ReadFile(dir.Path("a.ogg")), ReadFile(dir.Path("b.ogg")));

    // Float input at the same level gives the same stream as 16-bit input.
    std::vector<float> floats(tone.size());
    for (size_t i = 0; i < tone.size(); ++i)
        floats[i] = tone[i] / 32768.0f;
    ASSERT_TRUE(tk::WriteOgg(dir.Path("f.ogg"), floats, 1, 16000, 0.3f));
    EXPECT_EQ(ReadFile(dir.Path("f.ogg")), ReadFile(dir.Path("a.ogg")));

    auto d = Decoder::Open(dir.Path("a.ogg"));
    ASSERT_TRUE(d);
    EXPECT_EQ(ReadAll(*d).size(), tone.size() * 2);

    // No samples at all is still a valid, empty stream.
    ASSERT_TRUE(tk::WriteOgg(dir.Path("empty.ogg"), std::vector<int16_t>{}, 2, 44100, 0.3f));
    d = Decoder::Open(dir.Path("empty.ogg"));
    ASSERT_TRUE(d);
    EXPECT_TRUE(ReadAll(*d).empty());
}

TEST(SoundWriterTest, BadLayoutsAreRefused) {
    std::vector<uint8_t> out;
    const std::vector<int16_t> three = {1, 2, 3};
    EXPECT_FALSE(tk::EncodeWav(three, 2, 44100, out)); // partial frame
    EXPECT_FALSE(tk::EncodeWav(three, 0, 44100, out));
    EXPECT_FALSE(tk::EncodeWav(three, 1, 0, out));
    EXPECT_FALSE(tk::EncodeOgg(three, 2, 44100, 0.5f, out));
    EXPECT_FALSE(tk::EncodeOgg(three, 1, 44100, 1.5f, out));
    EXPECT_TRUE(out.empty());
    TempDir dir;
    EXPECT_FALSE(tk::WriteWav(dir.Path("no/such/folder.wav"), three, 1, 44100));
}

} // namespace
