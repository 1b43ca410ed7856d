#include "platform/sound/FakeAudio.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/os/Path.h"
#include "platform/sound/Decoder.h"
#include "platform/sound/Handles.h"

namespace snd {

namespace {

constexpr int kFakeRate = 44100;
constexpr int kMaxPlaysLimit = 65535;

// Decode-stream data a test scripted, delivered like a decoded file.
class ScriptedDecoder final : public Decoder {
public:
    ScriptedDecoder(const ChannelInfo& info, std::vector<uint8_t> data)
        : Decoder(info.rate, std::max(info.channels, 1), (info.flags & kInfo8Bits) ? 8 : 16),
          data_(std::move(data)) {}

protected:
    int Read(uint8_t* out, int bytes) override {
        const size_t n = std::min(static_cast<size_t>(bytes), data_.size() - pos_);
        if (n > 0)
            std::memcpy(out, data_.data() + pos_, n);
        pos_ += n;
        return static_cast<int>(n);
    }
    bool Exhausted() const override { return pos_ == data_.size(); }

private:
    std::vector<uint8_t> data_;
    size_t pos_ = 0;
};

bool FileExists(const std::string& path) {
    FILE* f = std::fopen(os::ResolveReadPath(path).c_str(), "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

struct FakeAudio::StreamEntry {
    StreamState state;
    std::unique_ptr<Decoder> decoder;
};

FakeAudio::FakeAudio(int mixerChannels)
    : voices_(mixerChannels), channels_(static_cast<size_t>(voices_.Count())) {}

FakeAudio::~FakeAudio() = default;

void FakeAudio::SetDecodeData(const std::string& path, ChannelInfo info,
                              std::vector<uint8_t> data) {
    scripted_[path] = Scripted{info, std::move(data)};
}

void FakeAudio::FinishChannel(Handle channel) {
    if (StreamEntry* s = FindStream(channel)) {
        s->state.playing = false;
        if (s->decoder)
            s->decoder->Stop();
        return;
    }
    const int index = voices_.Resolve(channel);
    if (index >= 0)
        voices_.Release(index);
}

void FakeAudio::FinishAll() {
    for (int i = 0; i < voices_.Count(); ++i)
        voices_.Release(i);
    for (auto& [id, s] : streams_)
        s->state.playing = false;
}

// ---- Call log ----

int64_t FakeAudio::Log(std::string name, std::vector<int64_t> args, int64_t result,
                       std::string path) {
    calls.push_back(Call{std::move(name), std::move(args), std::move(path), result});
    return result;
}

int FakeAudio::Count(std::string_view name) const {
    return static_cast<int>(
        std::count_if(calls.begin(), calls.end(), [&](const Call& c) { return c.name == name; }));
}

std::vector<FakeAudio::Call> FakeAudio::CallsOf(std::string_view name) const {
    std::vector<Call> out;
    for (const Call& c : calls)
        if (c.name == name)
            out.push_back(c);
    return out;
}

const FakeAudio::Call* FakeAudio::Last(std::string_view name) const {
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
        if (it->name == name)
            return &*it;
    return nullptr;
}

// ---- State ----

int FakeAudio::LiveChannels() const {
    int n = 0;
    for (int i = 0; i < voices_.Count(); ++i)
        n += voices_.Busy(i) ? 1 : 0;
    return n;
}

std::optional<FakeAudio::ChannelState> FakeAudio::Channel(Handle channel) const {
    const int index = voices_.Resolve(channel);
    if (index < 0)
        return std::nullopt;
    return channels_[index];
}

int FakeAudio::SampleVolume(Handle sample) const {
    auto it = samples_.find(PayloadOf(sample));
    return KindOf(sample) == HandleKind::Sample && it != samples_.end() ? it->second.volume : -1;
}

std::string FakeAudio::SamplePath(Handle sample) const {
    auto it = samples_.find(PayloadOf(sample));
    return KindOf(sample) == HandleKind::Sample && it != samples_.end() ? it->second.path
                                                                        : std::string();
}

std::optional<FakeAudio::StreamState> FakeAudio::Stream(Handle stream) const {
    const StreamEntry* s = FindStream(stream);
    if (!s)
        return std::nullopt;
    return s->state;
}

Handle FakeAudio::PlayingStream() const {
    for (const auto& [id, s] : streams_)
        if (s->state.playing)
            return MakeHandle(HandleKind::Stream, id);
    return 0;
}

FakeAudio::Sample* FakeAudio::FindSample(Handle h) {
    if (!open_ || KindOf(h) != HandleKind::Sample)
        return nullptr;
    auto it = samples_.find(PayloadOf(h));
    return it == samples_.end() ? nullptr : &it->second;
}

FakeAudio::StreamEntry* FakeAudio::FindStream(Handle h) {
    return const_cast<StreamEntry*>(std::as_const(*this).FindStream(h));
}

const FakeAudio::StreamEntry* FakeAudio::FindStream(Handle h) const {
    if (!open_ || KindOf(h) != HandleKind::Stream)
        return nullptr;
    auto it = streams_.find(PayloadOf(h));
    return it == streams_.end() ? nullptr : it->second.get();
}

bool FakeAudio::PathFails(const std::string& path) const {
    for (const std::string& suffix : failPaths_)
        if (EndsWith(path, suffix))
            return true;
    return requireFiles && !FileExists(path);
}

// ---- Audio ----

bool FakeAudio::Init(int device, int rate, uint32_t flags) {
    bool ok = !open_ && !failInit && rate > 0;
    if (ok) {
        open_ = true;
        paused_ = false;
    }
    return Log("Init", {device, rate, flags}, ok) != 0;
}

void FakeAudio::Free() {
    Log("Free", {}, 0);
    if (!open_)
        return;
    voices_.Reset();
    samples_.clear();
    streams_.clear();
    open_ = false;
    paused_ = false;
}

bool FakeAudio::Pause() {
    if (open_)
        paused_ = true;
    return Log("Pause", {}, open_) != 0;
}

bool FakeAudio::Start() {
    if (open_)
        paused_ = false;
    return Log("Start", {}, open_) != 0;
}

Handle FakeAudio::SampleLoad(const std::string& path, int maxPlays, uint32_t flags) {
    Handle h = 0;
    if (open_ && maxPlays >= 1 && maxPlays <= kMaxPlaysLimit && !PathFails(path)) {
        const uint32_t id = nextId_++;
        samples_[id] = Sample{path, maxPlays, flags, kMaxVolume, 0};
        h = MakeHandle(HandleKind::Sample, id);
    }
    return static_cast<Handle>(Log("SampleLoad", {maxPlays, flags}, h, path));
}

bool FakeAudio::SampleGetInfo(Handle sample, SampleInfo* info) {
    Sample* s = FindSample(sample);
    const bool ok = s && info;
    if (ok) {
        info->rate = kFakeRate;
        info->volume = s->volume;
        info->pan = s->pan;
        info->flags = s->flags;
        info->length = 0;
        info->maxPlays = s->maxPlays;
    }
    return Log("SampleGetInfo", {sample}, ok) != 0;
}

bool FakeAudio::SampleSetInfo(Handle sample, const SampleInfo& info) {
    Sample* s = FindSample(sample);
    if (s) {
        s->volume = std::clamp(info.volume, 0, kMaxVolume);
        s->pan = std::clamp(info.pan, -kMaxPan, kMaxPan);
    }
    return Log("SampleSetInfo", {sample, info.volume, info.pan}, s != nullptr) != 0;
}

Handle FakeAudio::Play(Handle sample, int volume, int pan, int loop) {
    Sample* s = FindSample(sample);
    if (!s || noFreeChannel)
        return 0;
    const uint32_t id = PayloadOf(sample);
    const int index = voices_.Choose(id, s->maxPlays, (s->flags & kSampleOverPlays) != 0);
    if (index < 0)
        return 0;
    ChannelState& c = channels_[index];
    c.sample = sample;
    c.volume = volume == kKeepVolume ? s->volume : std::clamp(volume, 0, kMaxVolume);
    c.pan = pan == kKeepPan ? s->pan : std::clamp(pan, -kMaxPan, kMaxPan);
    c.loop = loop == kKeepLoop ? (s->flags & kLoop) != 0 : loop != 0;
    return voices_.Start(index, id);
}

Handle FakeAudio::SamplePlay(Handle sample) {
    const Handle h = Play(sample, kKeepVolume, kKeepPan, kKeepLoop);
    return static_cast<Handle>(Log("SamplePlay", {sample}, h));
}

Handle FakeAudio::SamplePlayEx(Handle sample, uint32_t start, int rate, int volume, int pan,
                               int loop) {
    const Handle h = Play(sample, volume, pan, loop);
    return static_cast<Handle>(Log("SamplePlayEx", {sample, start, rate, volume, pan, loop}, h));
}

bool FakeAudio::ChannelSetAttributes(Handle channel, int rate, int volume, int pan) {
    bool ok = false;
    if (StreamEntry* s = FindStream(channel)) {
        if (volume != kKeepVolume)
            s->state.volume = std::clamp(volume, 0, kMaxVolume);
        ok = true;
    } else if (const int index = voices_.Resolve(channel); index >= 0 && open_) {
        ChannelState& c = channels_[index];
        if (volume != kKeepVolume)
            c.volume = std::clamp(volume, 0, kMaxVolume);
        if (pan != kKeepPan)
            c.pan = std::clamp(pan, -kMaxPan, kMaxPan);
        ok = true;
    }
    return Log("ChannelSetAttributes", {channel, rate, volume, pan}, ok) != 0;
}

bool FakeAudio::ChannelStop(Handle channel) {
    bool ok = false;
    if (StreamEntry* s = FindStream(channel)) {
        s->state.playing = false;
        if (s->decoder)
            s->decoder->Stop();
        ok = true;
    } else if (const int index = voices_.Resolve(channel); index >= 0 && open_) {
        voices_.Release(index);
        ok = true;
    }
    return Log("ChannelStop", {channel}, ok) != 0;
}

int FakeAudio::ChannelIsActive(Handle channel) {
    int state = kStopped;
    if (const StreamEntry* s = FindStream(channel)) {
        if (s->decoder)
            state = s->decoder->Active() ? kPlaying : kStopped;
        else if (s->state.playing)
            state = paused_ ? kPaused : kPlaying;
    } else if (open_ && voices_.Resolve(channel) >= 0) {
        state = paused_ ? kPaused : kPlaying;
    }
    return static_cast<int>(Log("ChannelIsActive", {channel}, state));
}

bool FakeAudio::ChannelGetInfo(Handle channel, ChannelInfo* info) {
    const StreamEntry* s = FindStream(channel);
    const bool ok = s && s->decoder && info;
    if (ok) {
        info->rate = s->decoder->Rate();
        info->channels = s->decoder->Channels();
        info->flags = s->decoder->BitsPerSample() == 8 ? kInfo8Bits : 0;
    }
    return Log("ChannelGetInfo", {channel}, ok) != 0;
}

int FakeAudio::ChannelGetData(Handle channel, void* buffer, uint32_t bytes) {
    StreamEntry* s = FindStream(channel);
    const int n = s && s->decoder ? s->decoder->GetData(buffer, bytes) : -1;
    return static_cast<int>(Log("ChannelGetData", {channel, bytes}, n));
}

Handle FakeAudio::StreamCreateFile(const std::string& path, uint32_t flags) {
    Handle h = 0;
    if (open_) {
        auto s = std::make_unique<StreamEntry>();
        s->state.path = path;
        s->state.decode = (flags & kStreamDecode) != 0;
        bool ok = true;
        if (s->state.decode) {
            auto it = scripted_.find(path);
            if (it != scripted_.end()) {
                const ChannelInfo& info = it->second.info;
                if (info.rate > 0 && info.channels > 0)
                    s->decoder = std::make_unique<ScriptedDecoder>(info, it->second.data);
            } else if (!PathFails(path)) {
                s->decoder = Decoder::Open(os::ResolveReadPath(path));
            }
            ok = s->decoder != nullptr;
        } else {
            ok = !PathFails(path);
        }
        if (ok) {
            const uint32_t id = nextId_++;
            streams_[id] = std::move(s);
            h = MakeHandle(HandleKind::Stream, id);
        }
    }
    return static_cast<Handle>(Log("StreamCreateFile", {flags}, h, path));
}

bool FakeAudio::StreamPlay(Handle stream, bool flush, uint32_t flags) {
    StreamEntry* s = FindStream(stream);
    const bool ok = s && !s->decoder && !failStreamPlay;
    if (ok) {
        // One music stream plays at a time.
        for (auto& [id, other] : streams_)
            other->state.playing = false;
        s->state.playing = true;
        s->state.loop = (flags & kLoop) != 0;
    }
    return Log("StreamPlay", {stream, flush, flags}, ok) != 0;
}

bool FakeAudio::StreamFree(Handle stream) {
    const bool ok = FindStream(stream) != nullptr;
    if (ok)
        streams_.erase(PayloadOf(stream));
    return Log("StreamFree", {stream}, ok) != 0;
}

} // namespace snd
