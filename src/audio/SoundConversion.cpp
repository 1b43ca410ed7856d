// The sounds named in "Ogg.lst" are decoded from their ".ogg" files into PCM
// ".wav" files, which the bank then loads. The wave files are a cache: each
// start decodes whatever is missing or cut short. Key "Converted" of section
// "Sound" of the options file records that every listed sound was decoded
// once; it never stands in for the wave files themselves.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "audio/SoundBank.h"
#include "engine/ObjectLog.h"
#include "engine/TextTokenizer.h"
#include "platform/os/Ini.h"
#include "platform/os/Path.h"
#include "platform/os/SafeWrite.h"
#include "platform/os/TextFile.h"
#include "platform/sound/WavDecoder.h"

namespace {

constexpr size_t kMarkerBufferSize = 255;
constexpr int kListLineBuffer = 511;
constexpr uint32_t kReadBytes = 20000;
// The RIFF size field (file length - 8) must fit 32 bits.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - (snd::kWavHeaderBytes - 8);
// A decode stream that stays active yet delivers nothing this many times in a
// row is taken as broken.
constexpr int kMaxEmptyReads = 1000;
constexpr int kMaxChannels = 255;
constexpr int kMaxRate = 1000000;

// Why a name from the list cannot be converted, or null when it is a plain file
// name: a name that reaches another folder would let the list write wave files
// anywhere on the disk.
const char* NameProblem(const std::string& name) {
    if (name.find_first_of("/\\:") != std::string::npos)
        return "is not a plain file name (no folders or drives)";
    return nullptr;
}

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

int CSoundBank::ConvertOggToWav(const char* oggPath, const char* wavPath) {
    const std::string ogg = oggPath ? oggPath : "";
    const std::string wav = wavPath ? wavPath : "";
    const uint32_t stream = Audio.IsNull() ? 0 : Audio->StreamCreateFile(ogg, snd::kStreamDecode);
    if (stream == 0) {
        LogObject("Unable to stream file ");
        LogObject(ogg);
        LogObject("\n");
        return 0;
    }
    // The wave file is written safely: an existing one is always whole, and
    // a link at its name is replaced, never written through.
    os::SafeWrite out(wav);
    FILE* f = out.Open();
    if (!f) {
        LogObject("Unable to create file ");
        LogObject(wav);
        LogObject("\n");
        Audio->StreamFree(stream);
        return 0;
    }

    // The first thing that went wrong, and the file it concerns.
    const char* problem = nullptr;
    const std::string* problemFile = &ogg;
    auto fail = [&](const char* message, const std::string& file) {
        if (!problem) {
            problem = message;
            problemFile = &file;
        }
    };
    snd::ChannelInfo info;
    int bits = 16;
    if (!Audio->ChannelGetInfo(stream, &info) || info.channels < 1 ||
        info.channels > kMaxChannels || info.rate < 1 || info.rate > kMaxRate) {
        fail("Unable to decode file ", ogg);
    } else {
        bits = (info.flags & snd::kInfo8Bits) ? 8 : 16;
        const std::vector<uint8_t> header = snd::WavHeader(info.channels, info.rate, bits, 0);
        if (!out.Write(header.data(), header.size()))
            fail("Unable to write file ", wav);
    }

    uint64_t total = 0;
    std::vector<uint8_t> buffer(kReadBytes);
    int emptyReads = 0;
    while (!problem && Audio->ChannelIsActive(stream) != snd::kStopped) {
        const int n = Audio->ChannelGetData(stream, buffer.data(), kReadBytes);
        if (n < 0 || static_cast<uint32_t>(n) > kReadBytes) {
            fail("Unable to decode file ", ogg);
        } else if (n == 0) {
            if (++emptyReads > kMaxEmptyReads)
                fail("Unable to decode file ", ogg);
        } else if (total + static_cast<uint64_t>(n) > kMaxDataBytes) {
            fail("Sound too long for a wave file ", ogg);
        } else if (!out.Write(buffer.data(), static_cast<size_t>(n))) {
            fail("Unable to write file ", wav);
        } else {
            emptyReads = 0;
            total += static_cast<uint64_t>(n);
        }
    }
    Audio->StreamFree(stream);

    if (!problem) {
        // Both sizes follow the data actually written.
        const std::vector<uint8_t> header =
            snd::WavHeader(info.channels, info.rate, bits, static_cast<uint32_t>(total));
        if (std::fseek(f, 4, SEEK_SET) != 0 || !out.Write(header.data() + 4, 4) ||
            std::fseek(f, 40, SEEK_SET) != 0 || !out.Write(header.data() + 40, 4))
            fail("Unable to write file ", wav);
    }
    if (!problem && !out.Commit())
        fail("Unable to write file ", wav);
    if (problem) {
        out.Abort();
        LogObject(problem);
        LogObject(*problemFile);
        LogObject("\n");
        return 0;
    }
    return 1;
}

bool CSoundBank::IsWholeWave(const std::string& path) {
    FILE* f = os::Open(path, "rb");
    if (!f)
        return false;
    uint8_t h[snd::kWavHeaderBytes];
    const bool read = std::fread(h, 1, sizeof h, f) == sizeof h;
    const bool sized = std::fseek(f, 0, SEEK_END) == 0;
    const long length = std::ftell(f);
    std::fclose(f);
    if (!read || !sized || length < static_cast<long>(sizeof h))
        return false;
    const auto size = static_cast<uint64_t>(length);
    return std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "WAVEfmt ", 8) == 0 &&
           std::memcmp(h + 36, "data", 4) == 0 && Le32(h + 4) == size - 8 &&
           Le32(h + 40) == size - snd::kWavHeaderBytes;
}

std::string CSoundBank::SamplePath(const std::string& folder, const std::string& file) const {
    const size_t dot = file.rfind('.');
    const std::string name = file.substr(0, dot);
    const bool decoded =
        std::find(DecodedNames.begin(), DecodedNames.end(), name) != DecodedNames.end();
    return (decoded ? DecodedFolder : folder) + file;
}

int CSoundBank::ConvertOggList(const char* optionsIniPath, std::string soundFolder,
                               std::string decodedFolder) {
    const std::string options = optionsIniPath ? optionsIniPath : "";
    const std::string marker =
        os::GetProfileString("Sound", "Converted", "0", options, kMarkerBufferSize);
    const bool marked = std::atoi(marker.c_str()) == 1;
    DecodedFolder = decodedFolder.empty() ? soundFolder : decodedFolder;
    DecodedNames.clear();

    // Told once, before the first sound that needs decoding; a run not yet
    // marked says so from the start.
    bool told = false;
    auto tell = [&] {
        if (!told)
            LogObject("Firs time sound convertion...\n");
        told = true;
    };
    if (!marked)
        tell();
    FILE* list = os::Open(soundFolder + "Ogg.lst", "rt");
    if (!list) {
        // A marked run without its list has nothing to check against.
        if (marked)
            return 1;
        LogObject("Unable to open file Ogg.lst");
        LogObject("\n");
        LogObject(soundFolder + "Ogg.lst: the file cannot be opened\n");
        return 0;
    }
    bool allConverted = true;
    char line[kListLineBuffer];
    int lineNumber = 0;
    bool lineEnded = true; // a line longer than the buffer comes in pieces
    while (os::ReadLine(line, kListLineBuffer, list)) {
        std::string name = line;
        if (lineEnded)
            ++lineNumber;
        lineEnded = !name.empty() && name.back() == '\n';
        CutNewline(name);
        if (name.empty())
            continue;
        if (const char* problem = NameProblem(name)) {
            // Never convertible, so it does not hold back the marker.
            tell();
            LogObject("Fist time sound convertion error!\n");
            LogObject(soundFolder + "Ogg.lst:" + std::to_string(lineNumber) + ": " +
                      QuoteToken(name) + " " + problem + "\n");
            continue;
        }
        DecodedNames.push_back(name);
        const std::string wav = DecodedFolder + name + ".wav";
        // A sound decoded whole on an earlier run stays as it is.
        if (IsWholeWave(wav))
            continue;
        tell();
        if (!decodedFolder.empty()) {
            std::error_code ec;
            std::filesystem::create_directories(decodedFolder, ec);
        }
        if (!ConvertOggToWav((soundFolder + name + ".ogg").c_str(), wav.c_str())) {
            LogObject("Fist time sound convertion error!\n");
            allConverted = false;
        }
    }
    std::fclose(list);
    if (told)
        LogObject("Done\n");
    // Marked only when every sound is there, so a failed one is tried again on
    // the next start instead of silencing the game for good.
    if (!allConverted)
        return 0;
    if (!marked)
        os::WriteProfileString("Sound", "Converted", "1", options);
    return 1;
}
