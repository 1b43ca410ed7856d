#pragma once
// A decode-only stream: a sound file turned into interleaved PCM, read a buffer at a time.
// Ogg Vorbis files decode to 16-bit signed samples; PCM wave files deliver their
// own 8-bit (unsigned) or 16-bit (signed) samples. The stream reports itself
// ended as soon as its last byte has been read, so a reader that checks
// Active() before each GetData never sees the end-of-data result.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace snd {

class Decoder {
public:
    // Opens a file by its content (Ogg or RIFF wave); null when it is missing,
    // of another kind or broken.
    static std::unique_ptr<Decoder> Open(const std::string& path);

    virtual ~Decoder() = default;
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    int Rate() const { return rate_; }
    int Channels() const { return channels_; }
    int BitsPerSample() const { return bits_; }
    int FrameBytes() const { return channels_ * bits_ / 8; }

    bool Active() const { return !ended_; }
    // Ends the stream early.
    void Stop() { ended_ = true; }
    // Up to `bytes` bytes, rounded down to whole frames; returns the count, or
    // -1 when the stream had already ended or the data is broken (which ends it).
    int GetData(void* buffer, uint32_t bytes);

protected:
    Decoder(int rate, int channels, int bits) : rate_(rate), channels_(channels), bits_(bits) {}
    // Reads up to `bytes` bytes; 0 at the end of the data, -1 on a decode error.
    virtual int Read(uint8_t* out, int bytes) = 0;
    // True when nothing is left to read (when the decoder can tell in advance).
    virtual bool Exhausted() const = 0;

private:
    int rate_;
    int channels_;
    int bits_;
    bool ended_ = false;
};

// Limits every decoder applies to a file's header.
constexpr int kMaxDecodeChannels = 8;
constexpr int kMaxDecodeRate = 384000;

// Longest sample held whole in memory: a sound effect, not a piece of music
// (about three minutes of 44.1 kHz 16-bit stereo). Compressed files can claim or
// decode to far more than their size; such a file is refused.
constexpr size_t kMaxSampleBytes = size_t(32) << 20;

// A whole file decoded to PCM in the decoder's own format.
struct Pcm {
    int rate = 0, channels = 0, bits = 0;
    std::vector<uint8_t> bytes;
};

// Decodes the file at `path` completely. False when it cannot be opened, breaks
// before its first data, or decodes to more than maxBytes; memory grows only with
// data actually decoded.
bool DecodeAll(const std::string& path, size_t maxBytes, Pcm& out);

} // namespace snd
