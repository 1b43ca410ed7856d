#include "SoundWriter.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/sound/WavDecoder.h"

namespace tk {

namespace {

constexpr int kMaxChannels = 8;
constexpr int kMaxRate = 384000;
// Any fixed number: the serial only has to differ between streams chained in
// one file, which we never do.
constexpr int kOggSerial = 0x47564F47;
constexpr int kEncodeFrames = 1024;

bool ValidLayout(size_t sampleCount, int channels, int rate) {
    return channels >= 1 && channels <= kMaxChannels && rate >= 1 && rate <= kMaxRate &&
           sampleCount % static_cast<size_t>(channels) == 0;
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

void AppendPage(std::vector<uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// The libvorbis encoder state, released in reverse order of set-up.
class VorbisEncoder {
public:
    ~VorbisEncoder() {
        if (streamReady_)
            ogg_stream_clear(&os_);
        if (blockReady_)
            vorbis_block_clear(&vb_);
        if (dspReady_)
            vorbis_dsp_clear(&vd_);
        vorbis_comment_clear(&vc_);
        vorbis_info_clear(&vi_);
    }

    bool Begin(int channels, int rate, float quality, std::vector<uint8_t>& out) {
        vorbis_info_init(&vi_);
        vorbis_comment_init(&vc_);
        if (vorbis_encode_init_vbr(&vi_, channels, rate, quality) != 0)
            return false;
        if (vorbis_analysis_init(&vd_, &vi_) != 0)
            return false;
        dspReady_ = true;
        if (vorbis_block_init(&vd_, &vb_) != 0)
            return false;
        blockReady_ = true;
        if (ogg_stream_init(&os_, kOggSerial) != 0)
            return false;
        streamReady_ = true;

        ogg_packet id, comment, code;
        if (vorbis_analysis_headerout(&vd_, &vc_, &id, &comment, &code) != 0)
            return false;
        ogg_stream_packetin(&os_, &id);
        ogg_stream_packetin(&os_, &comment);
        ogg_stream_packetin(&os_, &code);
        // The headers stand on pages of their own, as decoders expect.
        ogg_page page;
        while (ogg_stream_flush(&os_, &page) != 0)
            AppendPage(out, page);
        return true;
    }

    // Hands `frames` frames to the encoder (0 marks the end) and collects the
    // pages that became complete. `fill` writes the deinterleaved buffers.
    template <typename Fill> void Feed(int frames, Fill fill, std::vector<uint8_t>& out) {
        if (frames > 0) {
            float** buffer = vorbis_analysis_buffer(&vd_, frames);
            fill(buffer);
        }
        vorbis_analysis_wrote(&vd_, frames);
        Drain(out);
    }

private:
    void Drain(std::vector<uint8_t>& out) {
        ogg_packet packet;
        ogg_page page;
        while (vorbis_analysis_blockout(&vd_, &vb_) == 1) {
            vorbis_analysis(&vb_, nullptr);
            vorbis_bitrate_addblock(&vb_);
            while (vorbis_bitrate_flushpacket(&vd_, &packet) == 1) {
                ogg_stream_packetin(&os_, &packet);
                while (ogg_stream_pageout(&os_, &page) != 0)
                    AppendPage(out, page);
            }
        }
        if (ogg_stream_eos(&os_) != 0)
            while (ogg_stream_flush(&os_, &page) != 0)
                AppendPage(out, page);
    }

    vorbis_info vi_{};
    vorbis_comment vc_{};
    vorbis_dsp_state vd_{};
    vorbis_block vb_{};
    ogg_stream_state os_{};
    bool dspReady_ = false;
    bool blockReady_ = false;
    bool streamReady_ = false;
};

template <typename Sample, typename ToFloat>
bool EncodeOggFrames(std::span<const Sample> samples, int channels, int rate, float quality,
                     std::vector<uint8_t>& out, ToFloat toFloat) {
    out.clear();
    if (!ValidLayout(samples.size(), channels, rate) || !(quality >= -0.1f && quality <= 1.0f))
        return false;
    VorbisEncoder encoder;
    if (!encoder.Begin(channels, rate, quality, out)) {
        out.clear();
        return false;
    }
    const size_t totalFrames = samples.size() / static_cast<size_t>(channels);
    for (size_t first = 0; first < totalFrames; first += kEncodeFrames) {
        const int frames = static_cast<int>(std::min<size_t>(kEncodeFrames, totalFrames - first));
        encoder.Feed(
            frames,
            [&](float** buffer) {
                const Sample* src = samples.data() + first * static_cast<size_t>(channels);
                for (int i = 0; i < frames; ++i)
                    for (int c = 0; c < channels; ++c)
                        buffer[c][i] = toFloat(*src++);
            },
            out);
    }
    encoder.Feed(
        0, [](float**) {}, out);
    return true;
}

} // namespace

bool EncodeWav(std::span<const int16_t> samples, int channels, int rate,
               std::vector<uint8_t>& out) {
    out.clear();
    if (!ValidLayout(samples.size(), channels, rate))
        return false;
    constexpr int kBits = 16;
    const uint64_t dataBytes = samples.size() * sizeof(int16_t);
    if (dataBytes > 0xFFFFFFFFull - snd::kWavHeaderBytes)
        return false;
    out = snd::WavHeader(channels, rate, kBits, static_cast<uint32_t>(dataBytes));
    out.reserve(snd::kWavHeaderBytes + dataBytes);
    for (int16_t s : samples)
        Put16(out, static_cast<uint16_t>(s));
    return true;
}

bool WriteWav(const std::string& path, std::span<const int16_t> samples, int channels, int rate) {
    std::vector<uint8_t> bytes;
    return EncodeWav(samples, channels, rate, bytes) && WriteFile(path, bytes);
}

bool EncodeOgg(std::span<const float> samples, int channels, int rate, float quality,
               std::vector<uint8_t>& out) {
    return EncodeOggFrames(samples, channels, rate, quality, out, [](float s) {
        // NaN would poison the encoder's analysis; clip like a real signal path.
        return s != s ? 0.0f : std::clamp(s, -1.0f, 1.0f);
    });
}

bool EncodeOgg(std::span<const int16_t> samples, int channels, int rate, float quality,
               std::vector<uint8_t>& out) {
    return EncodeOggFrames(samples, channels, rate, quality, out,
                           [](int16_t s) { return static_cast<float>(s) / 32768.0f; });
}

bool WriteOgg(const std::string& path, std::span<const float> samples, int channels, int rate,
              float quality) {
    std::vector<uint8_t> bytes;
    return EncodeOgg(samples, channels, rate, quality, bytes) && WriteFile(path, bytes);
}

bool WriteOgg(const std::string& path, std::span<const int16_t> samples, int channels, int rate,
              float quality) {
    std::vector<uint8_t> bytes;
    return EncodeOgg(samples, channels, rate, quality, bytes) && WriteFile(path, bytes);
}

} // namespace tk
