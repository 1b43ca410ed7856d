#pragma once
// The audio API on SDL2_mixer: samples are mixer chunks played on mixer channels
// that this class picks itself (so it knows which play owns which channel),
// music streams are mixer music objects of which one plays at a time, and
// decode-only streams go through our own decoders.
//
// The mixer cannot resample a single play, so rates passed to SamplePlayEx and
// ChannelSetAttributes are accepted and ignored (the game only ever keeps them),
// and SamplePlayEx always starts a sample at its beginning.
#include <map>
#include <memory>

#include "platform/sound/Audio.h"
#include "platform/sound/VoiceTable.h"

struct Mix_Chunk;
typedef struct _Mix_Music Mix_Music;

namespace snd {

class Decoder;

class SdlAudio final : public Audio {
public:
    static constexpr int kDefaultMixerChannels = 32;

    explicit SdlAudio(int mixerChannels = kDefaultMixerChannels);
    ~SdlAudio() override;
    SdlAudio(const SdlAudio&) = delete;
    SdlAudio& operator=(const SdlAudio&) = delete;

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

    int MixerChannels() const { return voices_.Count(); }

private:
    struct Sample {
        Mix_Chunk* chunk = nullptr;
        int maxPlays = 1;
        uint32_t flags = 0;
        int volume = kMaxVolume;
        int pan = 0;
    };
    struct Music {
        Mix_Music* music = nullptr;
        int volume = kMaxVolume;
        double resumeAt = 0.0; // seconds; where StreamPlay without flush goes on
    };

    Sample* FindSample(Handle h);
    Music* FindMusic(Handle h);
    Decoder* FindDecoder(Handle h);
    // Marks channels the mixer has finished with as free.
    void SyncVoices();
    // Channel index of a live play, -1 for stale handles.
    int LiveChannel(Handle h);
    void StopMusic();
    void ApplyMusicVolume();

    VoiceTable voices_;
    bool open_ = false;
    bool paused_ = false;
    uint32_t nextId_ = 1;
    std::map<uint32_t, Sample> samples_;
    std::map<uint32_t, Music> music_;
    std::map<uint32_t, std::unique_ptr<Decoder>> decoders_;
    uint32_t currentMusic_ = 0; // the stream that owns the mixer's music, 0 = none
};

} // namespace snd
