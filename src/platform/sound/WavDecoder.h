#pragma once
// RIFF wave files with plain PCM data (8-bit unsigned or 16-bit signed), read as
// they are stored.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound/Decoder.h"

namespace snd {

class WavDecoder final : public Decoder {
public:
    static std::unique_ptr<Decoder> Open(const std::string& path);
    ~WavDecoder() override;

protected:
    int Read(uint8_t* out, int bytes) override;
    bool Exhausted() const override { return remaining_ == 0; }

private:
    WavDecoder(std::FILE* file, uint32_t dataBytes, int rate, int channels, int bits);
    std::FILE* file_;
    uint32_t remaining_;
};

// Length of the header WavHeader writes.
constexpr uint32_t kWavHeaderBytes = 44;

// The 44-byte header of a PCM wave file holding `dataBytes` bytes of samples.
std::vector<uint8_t> WavHeader(int channels, int rate, int bits, uint32_t dataBytes);

} // namespace snd
