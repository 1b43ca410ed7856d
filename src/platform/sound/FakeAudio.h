#pragma once
// The audio API without any sound, for tests. It keeps the real rules of the
// API (handles, play limits and take-over, stale channel handles, one playing
// music stream, pause of everything, a failed Init silencing every call) and
// records every call with its arguments and result. Plays never end by
// themselves: a test ends them with FinishChannel / FinishAll.
//
// Typical use:
//     snd::FakeAudio audio;
//     audio.FailPath("Click.wav");          // SampleLoad of ...Click.wav fails
//     bank.Run(audio);
//     EXPECT_EQ(audio.Count("SamplePlayEx"), 1);
//     EXPECT_EQ(audio.Last("SamplePlayEx")->args[4], 73);   // the pan
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sound/Audio.h"
#include "platform/sound/VoiceTable.h"

namespace snd {

class Decoder;

class FakeAudio final : public Audio {
public:
    // One recorded call. name is the method name ("SamplePlayEx"); args are its
    // numeric arguments in declaration order (handles, numbers, flags; a bool as
    // 0/1; the path argument is left out of args and goes to path); result is
    // what it returned (a handle, 0/1 for bool, the byte count or -1).
    struct Call {
        std::string name;
        std::vector<int64_t> args;
        std::string path;
        int64_t result = 0;
    };

    struct ChannelState {
        Handle sample = 0;
        int volume = 0; // 0..100
        int pan = 0;    // -100..100
        bool loop = false;
    };

    struct StreamState {
        std::string path;
        bool decode = false;
        bool playing = false; // started and not stopped (music only)
        bool loop = false;
        int volume = kMaxVolume;
    };

    explicit FakeAudio(int mixerChannels = 32);
    ~FakeAudio() override;

    // ---- Knobs (set them any time) ----
    bool failInit = false;       // Init returns false
    bool noFreeChannel = false;  // every play finds all mixer channels busy
    bool failStreamPlay = false; // StreamPlay returns false
    // SampleLoad and non-decode StreamCreateFile fail for files that do not
    // exist (off by default: any path loads unless FailPath says otherwise).
    bool requireFiles = false;

    // SampleLoad / StreamCreateFile of any path that ends with `suffix` fails.
    void FailPath(std::string suffix) { failPaths_.insert(std::move(suffix)); }
    // A decode stream of exactly this path delivers these bytes in this format;
    // paths without such an entry are decoded from the real file.
    void SetDecodeData(const std::string& path, ChannelInfo info, std::vector<uint8_t> data);

    // The play ends as if it had run to its end (a stream: as if it had stopped).
    void FinishChannel(Handle channel);
    // Every live play ends (looping ones too).
    void FinishAll();

    // ---- Call log ----
    std::vector<Call> calls;
    int Count(std::string_view name) const;
    std::vector<Call> CallsOf(std::string_view name) const;
    // The latest call of that name, null when there is none.
    const Call* Last(std::string_view name) const;
    void ClearCalls() { calls.clear(); }

    // ---- State ----
    bool IsOpen() const { return open_; }
    bool IsPaused() const { return paused_; }
    int LiveChannels() const;
    // The live play a channel handle names; nothing for stale handles.
    std::optional<ChannelState> Channel(Handle channel) const;
    // A loaded sample's default volume / load path; -1 / "" when unknown.
    int SampleVolume(Handle sample) const;
    std::string SamplePath(Handle sample) const;
    std::optional<StreamState> Stream(Handle stream) const;
    // The music stream that is playing (or paused), 0 when none.
    Handle PlayingStream() const;

    // ---- Audio ----
    bool Init(int device, int rate, uint32_t flags) override;
    void Free() override;
    bool Pause() override;
    bool Start() override;
    Handle SampleLoad(const std::string& path, int maxPlays, uint32_t flags) override;
    bool SampleGetInfo(Handle sample, SampleInfo* info) override;
    bool SampleSetInfo(Handle sample, const SampleInfo& info) override;
    Handle SamplePlay(Handle sample) override;
    Handle SamplePlayEx(Handle sample, uint32_t start, int rate, int volume, int pan,
                        int loop) override;
    bool ChannelSetAttributes(Handle channel, int rate, int volume, int pan) override;
    bool ChannelStop(Handle channel) override;
    int ChannelIsActive(Handle channel) override;
    bool ChannelGetInfo(Handle channel, ChannelInfo* info) override;
    int ChannelGetData(Handle channel, void* buffer, uint32_t bytes) override;
    Handle StreamCreateFile(const std::string& path, uint32_t flags) override;
    bool StreamPlay(Handle stream, bool flush, uint32_t flags) override;
    bool StreamFree(Handle stream) override;

private:
    struct Sample {
        std::string path;
        int maxPlays = 1;
        uint32_t flags = 0;
        int volume = kMaxVolume;
        int pan = 0;
    };
    struct StreamEntry;
    struct Scripted {
        ChannelInfo info;
        std::vector<uint8_t> data;
    };

    int64_t Log(std::string name, std::vector<int64_t> args, int64_t result, std::string path = {});
    Sample* FindSample(Handle h);
    StreamEntry* FindStream(Handle h);
    const StreamEntry* FindStream(Handle h) const;
    bool PathFails(const std::string& path) const;
    Handle Play(Handle sample, int volume, int pan, int loop);

    VoiceTable voices_;
    std::vector<ChannelState> channels_;
    std::set<std::string> failPaths_;
    std::map<std::string, Scripted> scripted_;
    std::map<uint32_t, Sample> samples_;
    std::map<uint32_t, std::unique_ptr<StreamEntry>> streams_;
    uint32_t nextId_ = 1;
    bool open_ = false;
    bool paused_ = false;
};

} // namespace snd
