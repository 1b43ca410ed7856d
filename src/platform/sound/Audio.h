#pragma once
// The audio API the game's sound bank, first-run conversion and music player
// call. Everything is addressed through 32-bit handles; 0 means failure (or "no
// such thing") everywhere, and every call on an audio object whose Init failed is
// a harmless no-op that returns 0 / false.
//
// Three kinds of handle:
//  - sample: a sound loaded into memory, played any number of times at once up
//    to its play limit;
//  - channel: one play of a sample. A channel handle names that play only: once
//    the mixer reuses the channel for another play, the old handle is stale and
//    every call on it does nothing;
//  - stream: a music file played from disk (only one plays at a time), or a
//    decode-only stream read with ChannelGetData. Stream handles are accepted
//    by the Channel* calls too.
//
// Volumes run 0..100, pans -100 (left) .. 100 (right).
#include <cstdint>
#include <string>

namespace snd {

using Handle = uint32_t;

// Flags. kLoop is both a sample flag (plays loop by default) and the
// StreamPlay flag for a looping stream.
constexpr uint32_t kLoop = 4;
// Sample flag: a play beyond the sample's limit takes over the voice that has
// been playing longest (without it such a play fails).
constexpr uint32_t kSampleOverPlays = 0x20000;
// StreamCreateFile flag: decode only; the data is read with ChannelGetData and
// never reaches the speakers.
constexpr uint32_t kStreamDecode = 0x200000;
// ChannelInfo::flags: the decoded data has 8-bit (unsigned) samples, else 16-bit.
constexpr uint32_t kInfo8Bits = 1;

// "Keep" arguments: in SamplePlayEx they take the sample's default, in
// ChannelSetAttributes they leave the value as it is.
constexpr int kKeepRate = -1; // ChannelSetAttributes also treats 0 as "keep"
constexpr int kKeepVolume = -1;
constexpr int kKeepPan = -101;
constexpr int kKeepLoop = -1; // SamplePlayEx: loop as the sample's own flags say

// ChannelIsActive results.
constexpr int kStopped = 0;
constexpr int kPlaying = 1;
constexpr int kPaused = 3;

constexpr int kMaxVolume = 100;
constexpr int kMaxPan = 100;

struct SampleInfo {
    int rate = 0;        // native rate in Hz (read only)
    int volume = 100;    // default volume of later plays, 0..100
    int pan = 0;         // default pan of later plays, -100..100
    uint32_t flags = 0;  // the load flags (read only)
    uint32_t length = 0; // bytes of sample data (read only)
    int maxPlays = 1;    // simultaneous plays (read only)
};

struct ChannelInfo {
    int rate = 0;
    int channels = 0;
    uint32_t flags = 0; // kInfo8Bits
};

class Audio {
public:
    virtual ~Audio() = default;

    // Opens the output. `device` is the game's device number (it always asks
    // for its first device, which is the system's default output); `rate` the
    // mixing rate. False when there is no usable output; the object then stays
    // silent and every other call does nothing. False too when already open.
    virtual bool Init(int device, int rate, uint32_t flags) = 0;
    // Stops everything, releases every sample and stream and closes the output.
    virtual void Free() = 0;

    // Pause and resume ALL output, samples and music alike. Plays started while
    // paused start paused.
    virtual bool Pause() = 0;
    virtual bool Start() = 0;

    // Loads a sample file; at most maxPlays plays of it sound at once.
    virtual Handle SampleLoad(const std::string& path, int maxPlays, uint32_t flags) = 0;
    virtual bool SampleGetInfo(Handle sample, SampleInfo* info) = 0;
    // Stores the default volume and pan; they apply to later plays only.
    virtual bool SampleSetInfo(Handle sample, const SampleInfo& info) = 0;

    // One play at the sample's defaults. Returns the channel, 0 when the sample
    // is at its limit (without kSampleOverPlays) or no mixer channel is free.
    virtual Handle SamplePlay(Handle sample) = 0;
    // start: byte offset (the game passes 0); rate: Hz or kKeepRate; volume
    // 0..100 or kKeepVolume; pan -100..100 or kKeepPan; loop: nonzero loops, 0
    // plays once, kKeepLoop follows the sample's flags.
    virtual Handle SamplePlayEx(Handle sample, uint32_t start, int rate, int volume, int pan,
                                int loop) = 0;

    // Channel or stream. rate kKeepRate or 0, volume kKeepVolume and pan
    // kKeepPan leave the value unchanged. On a stream, the volume is the music
    // volume. False for a stale or unknown handle.
    virtual bool ChannelSetAttributes(Handle channel, int rate, int volume, int pan) = 0;
    virtual bool ChannelStop(Handle channel) = 0;
    // kStopped (also for stale handles), kPlaying or kPaused. A decode stream is
    // active until its last byte has been read.
    virtual int ChannelIsActive(Handle channel) = 0;
    // Format of a decode stream's data.
    virtual bool ChannelGetInfo(Handle channel, ChannelInfo* info) = 0;
    // Reads up to `bytes` of a decode stream's data (whole sample frames).
    // Returns the byte count, or -1 once the stream has ended, on a read error
    // and for any other handle.
    virtual int ChannelGetData(Handle channel, void* buffer, uint32_t bytes) = 0;

    // Opens a music file as a stopped stream, or with kStreamDecode a
    // decode-only stream.
    virtual Handle StreamCreateFile(const std::string& path, uint32_t flags) = 0;
    // Starts (or, after ChannelStop, continues) a music stream; flush restarts
    // it from the beginning; flags kLoop loops it. Starting one stream stops
    // any other.
    virtual bool StreamPlay(Handle stream, bool flush, uint32_t flags) = 0;
    virtual bool StreamFree(Handle stream) = 0;
};

} // namespace snd
