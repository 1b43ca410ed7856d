// The sounds named in "Ogg.lst" are decoded from their ".ogg" files into PCM
// ".wav" files, which the bank then loads. The wave files are a cache: each
// start decodes whatever is missing, cut short or decoded from another version
// of its source. Key "Converted" of section "Sound" of the options file
// records that every listed sound was decoded once; it never stands in for
// the wave files themselves.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "audio/DecodedSound.h"
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
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - (CDecodedSound::kHeaderBytes - 8);
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

// Marks the first run that looked for the older builds' decoded sounds.
constexpr char kOlderDecodesKey[] = "OlderDecodesRemoved";

} // namespace

int CSoundBank::ConvertOggToWav(const char* oggPath, const char* wavPath) {
    const std::string ogg = oggPath ? oggPath : "";
    const std::string wav = wavPath ? wavPath : "";
    // Taken before decoding: a source replaced meanwhile is decoded again on
    // the next start. One that cannot be read decodes to nothing either.
    SSourceKey source;
    CDecodedSound::KeyOf(ogg, &source);
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
        const std::vector<uint8_t> header =
            CDecodedSound::Header(info.channels, info.rate, bits, 0, source);
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
        const std::vector<uint8_t> header = CDecodedSound::Header(
            info.channels, info.rate, bits, static_cast<uint32_t>(total), source);
        constexpr long riff = CDecodedSound::kRiffSizeAt;
        constexpr long data = CDecodedSound::kDataSizeAt;
        if (std::fseek(f, riff, SEEK_SET) != 0 || !out.Write(header.data() + riff, 4) ||
            std::fseek(f, data, SEEK_SET) != 0 || !out.Write(header.data() + data, 4))
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

std::string CSoundBank::SamplePath(const std::string& folder, const std::string& file) const {
    const size_t dot = file.rfind('.');
    const std::string name = file.substr(0, dot);
    auto listed = [&name](const std::vector<std::string>& names) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    if (listed(SourceNames))
        return SourceFolder + name + ".ogg";
    return (listed(DecodedNames) ? DecodedFolder : folder) + file;
}

int CSoundBank::ConvertOggList(const char* optionsIniPath, std::string soundFolder,
                               std::string decodedFolder) {
    const std::string options = optionsIniPath ? optionsIniPath : "";
    const std::string marker =
        os::GetProfileString("Sound", "Converted", "0", options, kMarkerBufferSize);
    const bool marked = std::atoi(marker.c_str()) == 1;
    DecodedFolder = decodedFolder.empty() ? soundFolder : decodedFolder;
    DecodedNames.clear();
    SourceFolder = soundFolder;
    SourceNames.clear();

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
    bool folderTried = false;
    bool folderMade = true; // the sound folder itself, or the decoded folder once made
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
        const std::string ogg = soundFolder + name + ".ogg";
        const std::string wav = DecodedFolder + name + ".wav";
        // A sound decoded whole from this very source stays as it is.
        SSourceKey source;
        if (CDecodedSound::KeyOf(ogg, &source) && CDecodedSound::IsDecodedFrom(wav, source))
            continue;
        tell();
        if (!folderTried && !decodedFolder.empty()) {
            std::error_code ec;
            std::filesystem::create_directories(decodedFolder, ec);
            folderMade = std::filesystem::is_directory(decodedFolder, ec);
            if (!folderMade)
                LogObject("Unable to create folder " + decodedFolder +
                          ": the sounds are decoded in memory\n");
        }
        folderTried = true;
        if (!folderMade || !ConvertOggToWav(ogg.c_str(), wav.c_str())) {
            // Played all the same, decoded in memory from the source at load.
            SourceNames.push_back(name);
            if (folderMade)
                LogObject("Fist time sound convertion error!\n");
            allConverted = false;
        }
    }
    std::fclose(list);
    if (told)
        LogObject("Done\n");
    if (!decodedFolder.empty())
        RemoveOlderDecodes(options, soundFolder);
    // Marked only when every sound is there, so a failed one is tried again on
    // the next start instead of silencing the game for good.
    if (!allConverted)
        return 0;
    if (!marked)
        os::WriteProfileString("Sound", "Converted", "1", options);
    return 1;
}

void CSoundBank::RemoveOlderDecodes(const std::string& options, const std::string& soundFolder) {
    const std::string& user = os::UserFolder();
    if (user.empty() || user == os::DataFolder() ||
        std::atoi(os::GetProfileString("Sound", kOlderDecodesKey, "0", options, kMarkerBufferSize)
                      .c_str()) == 1)
        return;
    bool removedAll = true;
    std::string folder;
    for (const std::string& name : DecodedNames) {
        const std::string path = os::ResolveWriteTarget(soundFolder + name + ".wav");
        // Only the player's own folder: never the sound folder of the game's
        // data, nor one named by an absolute path.
        if (path.compare(0, user.size() + 1, user + "/") != 0 ||
            !CDecodedSound::IsOlderDecode(path))
            continue;
        std::error_code ec;
        if (!std::filesystem::remove(path, ec)) {
            removedAll = false;
            LogObject("Unable to remove file " + path + "\n");
        }
        folder = std::filesystem::path(path).parent_path().string();
    }
    // The folder goes too when nothing else is left in it.
    std::error_code ec;
    if (!folder.empty() && std::filesystem::is_empty(folder, ec))
        std::filesystem::remove(folder, ec);
    if (removedAll)
        os::WriteProfileString("Sound", kOlderDecodesKey, "1", options);
}
