// Sound files (wave or Vorbis, found by content) decoded whole, as a sample is
// loaded, and streamed, as the first-run conversion reads them; and read as a
// decoded sound of the cache, or an older build's, whose header the bank
// trusts: a file it takes must be one a wave reader plays.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FuzzSupport.h"
#include "audio/DecodedSound.h"
#include "platform/sound/Decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteInput("Data/Sfx/Input.wav", data, size);
    snd::Pcm pcm;
    if (snd::DecodeAll(path, snd::kMaxSampleBytes, pcm)) {
        const size_t frame = size_t(pcm.channels) * size_t(pcm.bits) / 8;
        if (frame == 0 || pcm.bytes.size() % frame != 0 || pcm.bytes.size() > snd::kMaxSampleBytes)
            std::abort();
    }
    std::unique_ptr<snd::Decoder> stream = snd::Decoder::Open(path);
    std::vector<uint8_t> buffer(4096);
    // Bounded: a tiny file can decode to a great deal of silence.
    for (int reads = 0; stream && stream->Active() && reads < 256; ++reads)
        if (stream->GetData(buffer.data(), uint32_t(buffer.size())) < 0)
            break;
    SSourceKey key;
    if (CDecodedSound::ReadKey(path, &key) || CDecodedSound::IsOlderDecode(path))
        if (!snd::Decoder::Open(path))
            std::abort();
    return 0;
}
