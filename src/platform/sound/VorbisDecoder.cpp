#include "platform/sound/VorbisDecoder.h"

#include <vorbis/vorbisfile.h>

namespace snd {

struct VorbisDecoder::File {
    OggVorbis_File vf{};
    bool open = false;
    ogg_int64_t total = -1; // frames, when the file can tell
    ~File() {
        if (open)
            ov_clear(&vf);
    }
};

std::unique_ptr<Decoder> VorbisDecoder::Open(const std::string& path) {
    auto file = std::make_unique<File>();
    if (ov_fopen(path.c_str(), &file->vf) != 0)
        return nullptr;
    file->open = true;
    const vorbis_info* info = ov_info(&file->vf, -1);
    if (!info || info->channels < 1 || info->channels > kMaxDecodeChannels || info->rate < 1 ||
        info->rate > kMaxDecodeRate)
        return nullptr;
    if (ov_seekable(&file->vf))
        file->total = ov_pcm_total(&file->vf, -1);
    const int rate = static_cast<int>(info->rate);
    const int channels = info->channels;
    return std::unique_ptr<Decoder>(new VorbisDecoder(std::move(file), rate, channels));
}

VorbisDecoder::VorbisDecoder(std::unique_ptr<File> file, int rate, int channels)
    : Decoder(rate, channels, 16), file_(std::move(file)) {}

VorbisDecoder::~VorbisDecoder() = default;

int VorbisDecoder::Read(uint8_t* out, int bytes) {
    // A hole (lost or damaged pages) is skipped; a run of them means the file
    // is garbage from here on.
    constexpr int kMaxHoles = 64;
    for (int holes = 0; holes < kMaxHoles; ++holes) {
        int link = 0;
        const long n = ov_read(&file_->vf, reinterpret_cast<char*>(out), bytes, /*bigendian*/ 0,
                               /*word*/ 2, /*signed*/ 1, &link);
        if (n == OV_HOLE)
            continue;
        if (n < 0)
            return -1;
        if (n > 0) {
            // A chained file whose next part has another format cannot go on
            // in the same stream: it ends here.
            const vorbis_info* info = ov_info(&file_->vf, link);
            if (!info || info->channels != Channels() || info->rate != Rate())
                return 0;
        }
        return static_cast<int>(n);
    }
    return -1;
}

bool VorbisDecoder::Exhausted() const {
    if (file_->total < 0)
        return false;
    return ov_pcm_tell(&file_->vf) >= file_->total;
}

} // namespace snd
