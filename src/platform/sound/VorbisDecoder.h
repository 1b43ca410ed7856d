#pragma once
// Ogg Vorbis files through libvorbisfile, decoded to 16-bit signed little-endian
// interleaved samples.
#include <memory>
#include <string>

#include "platform/sound/Decoder.h"

namespace snd {

class VorbisDecoder final : public Decoder {
public:
    static std::unique_ptr<Decoder> Open(const std::string& path);
    ~VorbisDecoder() override;

protected:
    int Read(uint8_t* out, int bytes) override;
    bool Exhausted() const override;

private:
    struct File;
    VorbisDecoder(std::unique_ptr<File> file, int rate, int channels);
    std::unique_ptr<File> file_;
};

} // namespace snd
