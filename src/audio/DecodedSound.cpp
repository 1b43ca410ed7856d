#include "audio/DecodedSound.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/os/Path.h"
#include "platform/sound/Decoder.h"
#include "platform/sound/WavDecoder.h"

namespace {

namespace fs = std::filesystem;

constexpr char kKeyChunk[] = "srck";
constexpr uint32_t kKeyBytes = 16;
// Where the key chunk goes: right after the plain header's format chunk.
constexpr size_t kKeyChunkAt = 36;
constexpr uint16_t kFormatPcm = 1;

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(Le16(p)) | static_cast<uint32_t>(Le16(p + 2)) << 16;
}
uint64_t Le64(const uint8_t* p) {
    return static_cast<uint64_t>(Le32(p)) | static_cast<uint64_t>(Le32(p + 4)) << 32;
}
void Put32At(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put64(std::vector<uint8_t>& out, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The first `bytes` bytes of the file and its length; false when it holds
// fewer.
bool ReadStart(const std::string& path, uint8_t* out, size_t bytes, uint64_t* length) {
    FILE* f = os::Open(path, "rb");
    if (!f)
        return false;
    const bool read = std::fread(out, 1, bytes, f) == bytes;
    const bool sized = std::fseek(f, 0, SEEK_END) == 0;
    const long end = std::ftell(f);
    std::fclose(f);
    if (!read || !sized || end < static_cast<long>(bytes))
        return false;
    *length = static_cast<uint64_t>(end);
    return true;
}

// The RIFF and format chunk of a PCM wave file a wave reader plays, with the
// RIFF size matching the file's length.
bool PlayablePcmStart(const uint8_t* h, uint64_t length) {
    if (std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 8, "WAVEfmt ", 8) != 0 ||
        Le32(h + 16) != 16 || Le32(h + 4) != length - 8 || Le16(h + 20) != kFormatPcm)
        return false;
    const uint32_t channels = Le16(h + 22);
    const uint32_t rate = Le32(h + 24);
    const uint32_t bits = Le16(h + 34);
    return (bits == 8 || bits == 16) && channels >= 1 &&
           channels <= static_cast<uint32_t>(snd::kMaxDecodeChannels) && rate >= 1 &&
           rate <= static_cast<uint32_t>(snd::kMaxDecodeRate) &&
           Le16(h + 32) == channels * bits / 8;
}

} // namespace

bool CDecodedSound::KeyOf(const std::string& gamePath, SSourceKey* key) {
    const std::string path = os::ResolveReadPath(gamePath);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return false;
    const uintmax_t size = fs::file_size(path, ec);
    if (ec)
        return false;
    const fs::file_time_type modified = fs::last_write_time(path, ec);
    if (ec)
        return false;
    key->Size = size;
    key->Modified = static_cast<int64_t>(modified.time_since_epoch().count());
    return true;
}

std::vector<uint8_t> CDecodedSound::Header(int channels, int rate, int bits, uint32_t dataBytes,
                                           const SSourceKey& source) {
    std::vector<uint8_t> h = snd::WavHeader(channels, rate, bits, dataBytes);
    std::vector<uint8_t> chunk(kKeyChunk, kKeyChunk + 4);
    chunk.resize(8);
    Put32At(chunk, 4, kKeyBytes);
    Put64(chunk, source.Size);
    Put64(chunk, static_cast<uint64_t>(source.Modified));
    h.insert(h.begin() + kKeyChunkAt, chunk.begin(), chunk.end());
    Put32At(h, kRiffSizeAt, dataBytes + kHeaderBytes - 8);
    return h;
}

bool CDecodedSound::ReadKey(const std::string& path, SSourceKey* source) {
    uint8_t h[kHeaderBytes];
    uint64_t length = 0;
    if (!ReadStart(path, h, sizeof h, &length) || !PlayablePcmStart(h, length) ||
        std::memcmp(h + kKeyChunkAt, kKeyChunk, 4) != 0 || Le32(h + kKeyChunkAt + 4) != kKeyBytes ||
        std::memcmp(h + kDataSizeAt - 4, "data", 4) != 0 ||
        Le32(h + kDataSizeAt) != length - kHeaderBytes)
        return false;
    source->Size = Le64(h + kKeyChunkAt + 8);
    source->Modified = static_cast<int64_t>(Le64(h + kKeyChunkAt + 16));
    return true;
}

bool CDecodedSound::IsDecodedFrom(const std::string& path, const SSourceKey& source) {
    SSourceKey stored;
    return ReadKey(path, &stored) && stored == source;
}

bool CDecodedSound::IsOlderDecode(const std::string& path) {
    uint8_t h[snd::kWavHeaderBytes];
    uint64_t length = 0;
    return ReadStart(path, h, sizeof h, &length) && PlayablePcmStart(h, length) &&
           std::memcmp(h + 36, "data", 4) == 0 && Le32(h + 40) == length - snd::kWavHeaderBytes;
}
