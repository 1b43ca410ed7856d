#include "platform/sound/SdlAudio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>

#include "platform/os/Path.h"
#include "platform/sound/Decoder.h"
#include "platform/sound/Handles.h"
#include "platform/sound/Levels.h"
#include "platform/sound/WavDecoder.h"

namespace snd {

namespace {

constexpr int kMixerBufferFrames = 1024;
constexpr int kOutputChannels = 2;
constexpr int kMaxPlaysLimit = 65535;

int ClampVolume(int v) {
    return std::clamp(v, 0, kMaxVolume);
}
int ClampPan(int p) {
    return std::clamp(p, -kMaxPan, kMaxPan);
}

void SetChannelPan(int index, int pan) {
    const Balance b = PanBalance(pan);
    // Centre (255, 255) removes the mixer's panning effect from the channel.
    Mix_SetPanning(index, b.left, b.right);
}

} // namespace

SdlAudio::SdlAudio(int mixerChannels) : voices_(mixerChannels) {}

SdlAudio::~SdlAudio() {
    Free();
}

bool SdlAudio::Init(int /*device*/, int rate, uint32_t /*flags*/) {
    if (open_ || rate < 1 || rate > kMaxDecodeRate)
        return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    // Ogg support is only needed for music; samples are wave files.
    Mix_Init(MIX_INIT_OGG);
    if (Mix_OpenAudio(rate, MIX_DEFAULT_FORMAT, kOutputChannels, kMixerBufferFrames) != 0) {
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    if (Mix_AllocateChannels(voices_.Count()) != voices_.Count()) {
        Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    voices_.Reset();
    open_ = true;
    paused_ = false;
    return true;
}

void SdlAudio::Free() {
    if (!open_)
        return;
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
    for (auto& [id, s] : samples_)
        Mix_FreeChunk(s.chunk);
    for (auto& [id, m] : music_)
        Mix_FreeMusic(m.music);
    samples_.clear();
    music_.clear();
    decoders_.clear();
    voices_.Reset();
    currentMusic_ = 0;
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    open_ = false;
    paused_ = false;
}

bool SdlAudio::Pause() {
    if (!open_)
        return false;
    Mix_Pause(-1);
    Mix_PauseMusic();
    paused_ = true;
    return true;
}

bool SdlAudio::Start() {
    if (!open_)
        return false;
    Mix_Resume(-1);
    Mix_ResumeMusic();
    paused_ = false;
    return true;
}

SdlAudio::Sample* SdlAudio::FindSample(Handle h) {
    if (!open_ || KindOf(h) != HandleKind::Sample)
        return nullptr;
    auto it = samples_.find(PayloadOf(h));
    return it == samples_.end() ? nullptr : &it->second;
}

SdlAudio::Music* SdlAudio::FindMusic(Handle h) {
    if (!open_ || KindOf(h) != HandleKind::Stream)
        return nullptr;
    auto it = music_.find(PayloadOf(h));
    return it == music_.end() ? nullptr : &it->second;
}

Decoder* SdlAudio::FindDecoder(Handle h) {
    if (!open_ || KindOf(h) != HandleKind::Stream)
        return nullptr;
    auto it = decoders_.find(PayloadOf(h));
    return it == decoders_.end() ? nullptr : it->second.get();
}

void SdlAudio::SyncVoices() {
    for (int i = 0; i < voices_.Count(); ++i)
        if (voices_.Busy(i) && !Mix_Playing(i))
            voices_.Release(i);
}

int SdlAudio::LiveChannel(Handle h) {
    if (!open_)
        return -1;
    const int index = voices_.Resolve(h);
    if (index < 0)
        return -1;
    if (!Mix_Playing(index)) {
        voices_.Release(index);
        return -1;
    }
    return index;
}

Handle SdlAudio::SampleLoad(const std::string& path, int maxPlays, uint32_t flags) {
    if (!open_ || maxPlays < 1 || maxPlays > kMaxPlaysLimit)
        return 0;
    // Decoded by our own readers with a bound on the size, then handed to the mixer
    // as a wave file in memory, which converts it to the output format.
    Pcm pcm;
    if (!DecodeAll(os::ResolveReadPath(path), kMaxSampleBytes, pcm))
        return 0;
    std::vector<uint8_t> wav =
        WavHeader(pcm.channels, pcm.rate, pcm.bits, static_cast<uint32_t>(pcm.bytes.size()));
    wav.insert(wav.end(), pcm.bytes.begin(), pcm.bytes.end());
    Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size())),
                                      /*freesrc*/ 1);
    if (!chunk)
        return 0;
    const uint32_t id = nextId_++;
    Sample& s = samples_[id];
    s.chunk = chunk;
    s.maxPlays = maxPlays;
    s.flags = flags;
    return MakeHandle(HandleKind::Sample, id);
}

bool SdlAudio::SampleGetInfo(Handle sample, SampleInfo* info) {
    Sample* s = FindSample(sample);
    if (!s || !info)
        return false;
    int rate = 0, channels = 0;
    Uint16 format = 0;
    Mix_QuerySpec(&rate, &format, &channels);
    info->rate = rate; // chunks are converted to the output format on load
    info->volume = s->volume;
    info->pan = s->pan;
    info->flags = s->flags;
    info->length = s->chunk->alen;
    info->maxPlays = s->maxPlays;
    return true;
}

bool SdlAudio::SampleSetInfo(Handle sample, const SampleInfo& info) {
    Sample* s = FindSample(sample);
    if (!s)
        return false;
    s->volume = ClampVolume(info.volume);
    s->pan = ClampPan(info.pan);
    return true;
}

Handle SdlAudio::SamplePlay(Handle sample) {
    return SamplePlayEx(sample, 0, kKeepRate, kKeepVolume, kKeepPan, kKeepLoop);
}

Handle SdlAudio::SamplePlayEx(Handle sample, uint32_t /*start*/, int /*rate*/, int volume, int pan,
                              int loop) {
    Sample* s = FindSample(sample);
    if (!s)
        return 0;
    SyncVoices();
    const uint32_t id = PayloadOf(sample);
    const int index = voices_.Choose(id, s->maxPlays, (s->flags & kSampleOverPlays) != 0);
    if (index < 0)
        return 0;
    // Taking over one of the sample's own voices: stop it first, which also
    // drops the panning it had.
    if (voices_.Busy(index))
        Mix_HaltChannel(index);

    const bool loops = loop == kKeepLoop ? (s->flags & kLoop) != 0 : loop != 0;
    const int mixVolume = MixVolume(volume == kKeepVolume ? s->volume : volume);
    SetChannelPan(index, pan == kKeepPan ? s->pan : ClampPan(pan));
    // While the output is paused the play must not be heard for the moment
    // between its start and its pause.
    Mix_Volume(index, paused_ ? 0 : mixVolume);
    if (Mix_PlayChannel(index, s->chunk, loops ? -1 : 0) < 0) {
        voices_.Release(index);
        return 0;
    }
    if (paused_) {
        Mix_Pause(index);
        Mix_Volume(index, mixVolume);
    }
    return voices_.Start(index, id);
}

bool SdlAudio::ChannelSetAttributes(Handle channel, int /*rate*/, int volume, int pan) {
    if (Music* m = FindMusic(channel)) {
        if (volume != kKeepVolume) {
            m->volume = ClampVolume(volume);
            if (PayloadOf(channel) == currentMusic_)
                ApplyMusicVolume();
        }
        return true;
    }
    if (FindDecoder(channel))
        return true;
    const int index = LiveChannel(channel);
    if (index < 0)
        return false;
    if (volume != kKeepVolume)
        Mix_Volume(index, MixVolume(volume));
    if (pan != kKeepPan)
        SetChannelPan(index, ClampPan(pan));
    return true;
}

bool SdlAudio::ChannelStop(Handle channel) {
    if (FindMusic(channel)) {
        if (PayloadOf(channel) == currentMusic_)
            StopMusic();
        return true;
    }
    if (Decoder* d = FindDecoder(channel)) {
        d->Stop();
        return true;
    }
    const int index = LiveChannel(channel);
    if (index < 0)
        return false;
    Mix_HaltChannel(index);
    voices_.Release(index);
    return true;
}

int SdlAudio::ChannelIsActive(Handle channel) {
    if (FindMusic(channel)) {
        if (PayloadOf(channel) != currentMusic_)
            return kStopped;
        if (paused_)
            return kPaused;
        return Mix_PlayingMusic() ? kPlaying : kStopped;
    }
    if (Decoder* d = FindDecoder(channel))
        return d->Active() ? kPlaying : kStopped;
    if (LiveChannel(channel) < 0)
        return kStopped;
    return paused_ ? kPaused : kPlaying;
}

bool SdlAudio::ChannelGetInfo(Handle channel, ChannelInfo* info) {
    Decoder* d = FindDecoder(channel);
    if (!d || !info)
        return false;
    info->rate = d->Rate();
    info->channels = d->Channels();
    info->flags = d->BitsPerSample() == 8 ? kInfo8Bits : 0;
    return true;
}

int SdlAudio::ChannelGetData(Handle channel, void* buffer, uint32_t bytes) {
    Decoder* d = FindDecoder(channel);
    return d ? d->GetData(buffer, bytes) : -1;
}

Handle SdlAudio::StreamCreateFile(const std::string& path, uint32_t flags) {
    if (!open_)
        return 0;
    const std::string file = os::ResolveReadPath(path);
    const uint32_t id = nextId_;
    if (flags & kStreamDecode) {
        std::unique_ptr<Decoder> d = Decoder::Open(file);
        if (!d)
            return 0;
        decoders_[id] = std::move(d);
    } else {
        Mix_Music* music = Mix_LoadMUS(file.c_str());
        if (!music)
            return 0;
        music_[id].music = music;
    }
    ++nextId_;
    return MakeHandle(HandleKind::Stream, id);
}

void SdlAudio::ApplyMusicVolume() {
    auto it = music_.find(currentMusic_);
    if (it != music_.end())
        Mix_VolumeMusic(MixVolume(it->second.volume));
}

void SdlAudio::StopMusic() {
    auto it = music_.find(currentMusic_);
    if (it != music_.end()) {
        // A stream that ran to its end starts over when played again.
        const double pos = Mix_PlayingMusic() ? Mix_GetMusicPosition(it->second.music) : 0.0;
        it->second.resumeAt = pos > 0.0 ? pos : 0.0;
    }
    Mix_HaltMusic();
    currentMusic_ = 0;
}

bool SdlAudio::StreamPlay(Handle stream, bool flush, uint32_t flags) {
    Music* m = FindMusic(stream);
    if (!m)
        return false;
    const uint32_t id = PayloadOf(stream);
    const bool running = id == currentMusic_ && (paused_ || Mix_PlayingMusic());
    if (running && !flush)
        return true;
    if (currentMusic_ != 0)
        StopMusic();
    if (flush)
        m->resumeAt = 0.0;

    Mix_VolumeMusic(paused_ ? 0 : MixVolume(m->volume));
    const int loops = (flags & kLoop) ? -1 : 0;
    if (Mix_FadeInMusicPos(m->music, loops, 0, m->resumeAt) != 0 &&
        (m->resumeAt == 0.0 || Mix_PlayMusic(m->music, loops) != 0))
        return false;
    currentMusic_ = id;
    if (paused_) {
        Mix_PauseMusic();
        ApplyMusicVolume();
    }
    return true;
}

bool SdlAudio::StreamFree(Handle stream) {
    if (Music* m = FindMusic(stream)) {
        if (PayloadOf(stream) == currentMusic_) {
            Mix_HaltMusic();
            currentMusic_ = 0;
        }
        Mix_FreeMusic(m->music);
        music_.erase(PayloadOf(stream));
        return true;
    }
    if (FindDecoder(stream)) {
        decoders_.erase(PayloadOf(stream));
        return true;
    }
    return false;
}

} // namespace snd
