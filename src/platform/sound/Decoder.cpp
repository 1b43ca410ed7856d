#include "platform/sound/Decoder.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/sound/VorbisDecoder.h"
#include "platform/sound/WavDecoder.h"

namespace snd {

std::unique_ptr<Decoder> Decoder::Open(const std::string& path) {
    char magic[4] = {};
    {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f)
            return nullptr;
        const size_t got = std::fread(magic, 1, sizeof magic, f);
        std::fclose(f);
        if (got != sizeof magic)
            return nullptr;
    }
    if (std::memcmp(magic, "OggS", 4) == 0)
        return VorbisDecoder::Open(path);
    if (std::memcmp(magic, "RIFF", 4) == 0)
        return WavDecoder::Open(path);
    return nullptr;
}

int Decoder::GetData(void* buffer, uint32_t bytes) {
    if (ended_ || !buffer)
        return -1;
    const int frame = FrameBytes();
    const uint32_t capped = bytes > static_cast<uint32_t>(INT_MAX) ? INT_MAX : bytes;
    const int want = static_cast<int>(capped) / frame * frame;
    auto* out = static_cast<uint8_t*>(buffer);
    int got = 0;
    while (got < want) {
        const int n = Read(out + got, want - got);
        if (n < 0) {
            ended_ = true;
            return got > 0 ? got / frame * frame : -1;
        }
        if (n == 0) {
            ended_ = true;
            break;
        }
        got += n;
    }
    if (Exhausted())
        ended_ = true;
    // A file whose data ends inside a frame leaves a partial frame behind;
    // it is dropped, the end is reported above.
    return got / frame * frame;
}

bool DecodeAll(const std::string& path, size_t maxBytes, Pcm& out) {
    constexpr size_t kChunk = 64 * 1024;
    out = Pcm{};
    std::unique_ptr<Decoder> d = Decoder::Open(path);
    if (!d)
        return false;
    out.rate = d->Rate();
    out.channels = d->Channels();
    out.bits = d->BitsPerSample();
    try {
        while (d->Active()) {
            const size_t used = out.bytes.size();
            const size_t frame = static_cast<size_t>(d->FrameBytes());
            if (maxBytes - used < frame) {
                out = Pcm{};
                return false; // more sound than a sample may hold
            }
            const size_t room = std::min(kChunk, maxBytes - used) / frame * frame;
            out.bytes.resize(used + room);
            const int n = d->GetData(out.bytes.data() + used, static_cast<uint32_t>(room));
            out.bytes.resize(used + static_cast<size_t>(n > 0 ? n : 0));
            // Broken data after some sound keeps what came before it.
            if (n < 0 && used == 0) {
                out = Pcm{};
                return false;
            }
        }
    } catch (const std::bad_alloc&) {
        out = Pcm{};
        return false;
    }
    return true;
}

} // namespace snd
