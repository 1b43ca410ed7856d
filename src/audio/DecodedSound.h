#pragma once
// A sound decoded from its compressed source into a PCM wave file kept in the
// cache folder. Between the wave file's format and its data sits a chunk with
// the key of the source it was decoded from (its size and modification time),
// so that a source a new release replaced is decoded again rather than the old
// copy played on for ever. Readers of plain wave files skip the chunk.
#include <cstdint>
#include <string>
#include <vector>

// What tells one version of a source file from another.
struct SSourceKey {
    uint64_t Size = 0;
    int64_t Modified = 0; // the file system's clock, in its own ticks
    bool operator==(const SSourceKey&) const = default;
};

class CDecodedSound {
public:
    // The header's length, and where its two sizes lie (the data's size is
    // only known once the sound is decoded).
    static constexpr uint32_t kHeaderBytes = 68;
    static constexpr long kRiffSizeAt = 4;
    static constexpr long kDataSizeAt = 64;

    // The key of the file at a game path; false when it is no readable file.
    static bool KeyOf(const std::string& gamePath, SSourceKey* key);
    // The header of a decoded sound holding `dataBytes` bytes of PCM data.
    static std::vector<uint8_t> Header(int channels, int rate, int bits, uint32_t dataBytes,
                                       const SSourceKey& source);
    // The source key of a whole decoded sound: its header as Header writes it,
    // a PCM format a wave reader accepts, and sizes that match the file's
    // length. False for anything else.
    static bool ReadKey(const std::string& path, SSourceKey* source);
    // True when the file is a whole decoded sound of exactly this source.
    static bool IsDecodedFrom(const std::string& path, const SSourceKey& source);
    // True when the file is a whole wave file as the game's older builds
    // decoded their sounds: the plain 44-byte PCM header, sizes matching the
    // file's length.
    static bool IsOlderDecode(const std::string& path);
};
