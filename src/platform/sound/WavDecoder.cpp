#include "platform/sound/WavDecoder.h"

#include <algorithm>
#include <cstring>

namespace snd {

namespace {

constexpr uint16_t kFormatPcm = 1;

uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

long FileSize(std::FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0)
        return -1;
    const long size = std::ftell(f);
    return std::fseek(f, 0, SEEK_SET) == 0 ? size : -1;
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutTag(std::vector<uint8_t>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

} // namespace

std::vector<uint8_t> WavHeader(int channels, int rate, int bits, uint32_t dataBytes) {
    const uint32_t blockAlign = static_cast<uint32_t>(bits * channels / 8);
    std::vector<uint8_t> h;
    h.reserve(kWavHeaderBytes);
    PutTag(h, "RIFF");
    Put32(h, dataBytes + kWavHeaderBytes - 8);
    PutTag(h, "WAVE");
    PutTag(h, "fmt ");
    Put32(h, 16);
    Put16(h, kFormatPcm);
    Put16(h, static_cast<uint32_t>(channels));
    Put32(h, static_cast<uint32_t>(rate));
    Put32(h, blockAlign * static_cast<uint32_t>(rate));
    Put16(h, blockAlign);
    Put16(h, static_cast<uint32_t>(bits));
    PutTag(h, "data");
    Put32(h, dataBytes);
    return h;
}

std::unique_ptr<Decoder> WavDecoder::Open(const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return nullptr;
    const long size = FileSize(file.get());
    uint8_t header[12];
    if (size < 12 || std::fread(header, 1, 12, file.get()) != 12)
        return nullptr;
    if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
        return nullptr;

    // Walk the chunks; a size running past the end of the file is cut to it, so
    // a truncated file plays what it has.
    bool haveFormat = false;
    int channels = 0, rate = 0, bits = 0;
    long pos = 12;
    while (pos + 8 <= size) {
        uint8_t chunk[8];
        if (std::fseek(file.get(), pos, SEEK_SET) != 0 || std::fread(chunk, 1, 8, file.get()) != 8)
            return nullptr;
        const uint32_t chunkSize = Le32(chunk + 4);
        const long body = pos + 8;
        const long available = size - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            uint8_t fmt[16];
            if (chunkSize < 16 || available < 16 || std::fread(fmt, 1, 16, file.get()) != 16)
                return nullptr;
            channels = Le16(fmt + 2);
            rate = static_cast<int>(Le32(fmt + 4) & 0x7FFFFFFF);
            bits = Le16(fmt + 14);
            const uint16_t blockAlign = Le16(fmt + 12);
            if (Le16(fmt) != kFormatPcm || (bits != 8 && bits != 16) || channels < 1 ||
                channels > kMaxDecodeChannels || rate < 1 || rate > kMaxDecodeRate ||
                blockAlign != channels * bits / 8)
                return nullptr;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                return nullptr;
            const uint32_t dataBytes = static_cast<uint32_t>(
                std::min(static_cast<long>(chunkSize), std::max(available, 0L)));
            return std::unique_ptr<Decoder>(
                new WavDecoder(file.release(), dataBytes, rate, channels, bits));
        }
        // Chunks are padded to an even length.
        pos = body + static_cast<long>(chunkSize) + (chunkSize & 1);
    }
    return nullptr;
}

WavDecoder::WavDecoder(std::FILE* file, uint32_t dataBytes, int rate, int channels, int bits)
    : Decoder(rate, channels, bits), file_(file), remaining_(dataBytes) {}

WavDecoder::~WavDecoder() {
    std::fclose(file_);
}

int WavDecoder::Read(uint8_t* out, int bytes) {
    const uint32_t want = std::min(static_cast<uint32_t>(bytes), remaining_);
    if (want == 0)
        return 0;
    const size_t got = std::fread(out, 1, want, file_);
    if (got == 0)
        return std::ferror(file_) ? -1 : 0;
    remaining_ -= static_cast<uint32_t>(got);
    return static_cast<int>(got);
}

} // namespace snd
