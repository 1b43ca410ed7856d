#include "audio/SoundBank.h"

#include <cmath>
#include <cstdio>

#include "engine/ObjectLog.h"
#include "engine/Random.h"
#include "platform/os/Path.h"

namespace {

constexpr int kOutputDevice = 1;
constexpr int kOutputRate = 44100;
constexpr uint32_t kSampleFlags = snd::kSampleOverPlays;
constexpr int kLoopOn = 1;

struct SlotFile {
    const char* name;
    int firstNumber; // variant slots: the number of the first variant file; else -1
};

constexpr SlotFile kSlotFiles[CSoundBank::kSlotCount] = {
    {"MouseOver.wav", -1},     {"Click.wav", -1},          {"Upgrade.wav", -1},
    {"Hint.wav", -1},          {"Select.wav", -1},         {"SelectSteel.wav", -1},
    {"Wrong.wav", -1},         {"Drop.wav", -1},           {"BonusClick.wav", -1},
    {"GemOut.wav", -1},        {"GemIn.wav", -1},          {"GemBar.wav", -1},
    {"Terminator%d.wav", 0},   {"Terminator0_s.wav", -1},  {"TerminatorSteel.wav", -1},
    {"ChainOut.wav", -1},      {"ChainOut_s.wav", -1},     {"Explode.wav", -1},
    {"Combo%d.wav", 2},        {"BonusDrop.wav", -1},      {"TNT.wav", -1},
    {"Flash.wav", -1},         {"Clock.wav", -1},          {"TimeAdd.wav", -1},
    {"Multiplier.wav", -1},    {"AdviserGet.wav", -1},     {"AdviserAct.wav", -1},
    {"Solidarity.wav", -1},    {"SolidarityRedir.wav", -1}, {"TotemEye.wav", -1},
    {"TotemGreen1.wav", -1},   {"TotemGreen2.wav", -1},    {"TotemYellow1.wav", -1},
    {"TotemYellow2.wav", -1},  {"TotemRed1.wav", -1},      {"TotemRed2.wav", -1},
    {"TotemBlue1.wav", -1},    {"TotemBlue2.wav", -1},     {"TotemBlue3.wav", -1},
    {"TotemOrange.wav", -1},   {"TotemWhite1.wav", -1},    {"TotemWhite2.wav", -1},
    {"TotemViolet.wav", -1},   {"Explode2.wav", -1},       {"ScoreFrenzy.wav", -1},
    {"BonusStar.wav", -1},     {"LifeLost.wav", -1},       {"LifeLostBack.wav", -1},
    {"EndLevel.wav", -1},      {"Warning.wav", -1},        {"NewLevel.wav", -1},
    {"Bad.wav", -1},           {"Win.wav", -1},            {"Tick.wav", -1},
    {"TickLoop.wav", -1},      {"AddLife.wav", -1},        {"GoodClick.wav", -1},
    {"Trophy.wav", -1},        {"Background.wav", -1},     {"Museum.wav", -1},
    {"Flare.wav", -1},         {"Door.wav", -1},           {"Treasure.wav", -1},
};

std::string VariantFileName(int slot, int variant) {
    const SlotFile& f = kSlotFiles[slot];
    char name[64];
    std::snprintf(name, sizeof name, f.name, f.firstNumber + variant);
    return name;
}

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i]))
            return false;
    return true;
}

// A group whose per-variant tables agree and that has a ring to write to (the
// record is open to its holders, so the bank does not take that for granted).
bool Usable(const CSharedPtr<CSampleGroup>& group) {
    if (group.IsNull())
        return false;
    const size_t n = group->Samples.size();
    return n > 0 && group->VolumeFactors.size() == n && group->PanFactors.size() == n &&
           group->Silencers.size() == n && !group->Ring.empty();
}

// floor(value) as a volume 0..100 (NaN and negatives give 0).
int VolumeOf(double value) {
    const double v = std::floor(value);
    if (!(v > 0.0))
        return 0;
    return v >= snd::kMaxVolume ? snd::kMaxVolume : static_cast<int>(v);
}

} // namespace

CSoundBank::CSoundBank(CSharedPtr<snd::Audio> audio) : Audio(audio) {
    GroupList.reserve(64);
}

CSoundBank::~CSoundBank() {
    // The output is closed whenever it was opened, also when the bank went
    // silent because its samples failed to load.
    if (DeviceOpen && !Audio.IsNull())
        Audio->Free();
    DeviceOpen = false;
    for (int i = kSlotCount - 1; i >= 0; --i)
        Slots[i] = CSharedPtr<CSampleGroup>();
    MusicPlayer = CSharedPtr<CMusicPlayer>();
}

int CSoundBank::InitDevice() {
    if (DeviceOpen) // already open: a second open would fail and silence the bank
        return Initialised ? 0 : 1;
    const bool ok = !Audio.IsNull() && Audio->Init(kOutputDevice, kOutputRate, 0);
    Initialised = ok ? 1 : 0;
    DeviceOpen = ok;
    return ok ? 0 : 1;
}

void CSoundBank::SetPanDistance(float distance) {
    if (std::isfinite(distance) && distance > 0.0f)
        PanDistance = distance;
}

CSharedPtr<CSampleGroup> CSoundBank::Group(ESound slot) const {
    return Group(static_cast<int>(slot));
}

CSharedPtr<CSampleGroup> CSoundBank::Group(int slot) const {
    if (slot < 0 || slot >= kSlotCount)
        return CSharedPtr<CSampleGroup>();
    return Slots[slot];
}

const char* CSoundBank::SlotFileName(int slot) {
    return slot >= 0 && slot < kSlotCount ? kSlotFiles[slot].name : "";
}

int CSoundBank::SlotOfName(std::string_view name) {
    if (name.size() > 4 && EqualNoCase(name.substr(name.size() - 4), ".wav"))
        name.remove_suffix(4);
    for (int i = 0; i < kSlotCount; ++i) {
        std::string_view stem = kSlotFiles[i].name;
        stem.remove_suffix(4);
        if (kSlotFiles[i].firstNumber >= 0)
            stem.remove_suffix(2); // "%d"
        if (EqualNoCase(stem, name))
            return i;
    }
    return -1;
}

void CSoundBank::TuneVariant(CSampleGroup& group, int variant, const char* fileName) {
    group.Silencers[variant] = GetMusicSilencer(fileName);
    group.PanFactors[variant] = GetSoundPanFactor(fileName);
    group.VolumeFactors[variant] = GetSoundVolume(fileName);
    snd::SampleInfo info;
    if (Audio->SampleGetInfo(group.Samples[variant], &info)) {
        info.volume = VolumeOf(group.VolumeFactors[variant] * 100.0);
        Audio->SampleSetInfo(group.Samples[variant], info);
    }
}

CSharedPtr<CSampleGroup> CSoundBank::LoadSample(const char* folder, const char* fileName,
                                                int ringSize, int maxPlaybacks,
                                                uint32_t sampleFlags) {
    const char* file = fileName ? fileName : "";
    CurrentPathText = SamplePath(folder ? folder : "", file);
    if (Audio.IsNull())
        return CSharedPtr<CSampleGroup>();
    CSharedPtr<CSampleGroup> group(new CSampleGroup(1, ringSize));
    group->Samples[0] = Audio->SampleLoad(CurrentPathText, maxPlaybacks, sampleFlags);
    if (group->Samples[0] == 0)
        return CSharedPtr<CSampleGroup>();
    TuneVariant(*group, 0, file);
    GroupList.push_back(group);
    return group;
}

bool CSoundBank::FileOpens(const std::string& path) {
    FILE* f = os::Open(path, "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

int CSoundBank::LoadVariantSlot(int slot, const std::string& folder) {
    int count = 0;
    while (count < kMaxVariants) {
        CurrentPathText = SamplePath(folder, VariantFileName(slot, count));
        if (!FileOpens(CurrentPathText))
            break;
        ++count;
    }
    if (count == 0) {
        CurrentPathText = SamplePath(folder, VariantFileName(slot, 0));
        return 0;
    }
    if (Audio.IsNull())
        return 0;
    CSharedPtr<CSampleGroup> group(new CSampleGroup(count, kRingSize));
    for (int i = 0; i < count; ++i) {
        const std::string name = VariantFileName(slot, i);
        CurrentPathText = SamplePath(folder, name);
        group->Samples[i] = Audio->SampleLoad(CurrentPathText, kMaxPlaybacks, kSampleFlags);
        if (group->Samples[i] == 0)
            return 0;
        TuneVariant(*group, i, name.c_str());
    }
    Slots[slot] = group;
    GroupList.push_back(group);
    return 1;
}

int CSoundBank::LoadSamples(const char* soundFolder) {
    const std::string folder = soundFolder ? soundFolder : "";
    for (auto& s : Slots)
        s = CSharedPtr<CSampleGroup>();
    GroupList.clear();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        bool ok;
        if (kSlotFiles[slot].firstNumber >= 0) {
            ok = LoadVariantSlot(slot, folder) != 0;
        } else {
            Slots[slot] = LoadSample(folder.c_str(), kSlotFiles[slot].name, kRingSize,
                                     kMaxPlaybacks, kSampleFlags);
            ok = !Slots[slot].IsNull();
        }
        if (!ok) {
            LogObject("Unable to load sound ");
            LogObject(CurrentPathText);
            LogObject("\n");
            return 2;
        }
    }
    return 0;
}

void CSoundBank::SetVolume(float volume) {
    if (!Initialised)
        return;
    const double m = static_cast<double>(volume) * 100.0;
    for (const CSharedPtr<CSampleGroup>& g : GroupList) {
        if (!Usable(g))
            continue;
        for (int i = 0; i < g->VariantCount(); ++i) {
            snd::SampleInfo info;
            if (Audio->SampleGetInfo(g->Samples[i], &info)) {
                info.volume = VolumeOf(g->VolumeFactors[i] * m);
                Audio->SampleSetInfo(g->Samples[i], info);
            }
        }
        // Live channels take the first variant's factor, whichever they play.
        const int live = VolumeOf(g->VolumeFactors[0] * m);
        for (uint32_t ch : g->Ring)
            if (ch != 0)
                Audio->ChannelSetAttributes(ch, snd::kKeepRate, live, snd::kKeepPan);
        for (uint32_t ch : g->Looped)
            if (ch != 0)
                Audio->ChannelSetAttributes(ch, snd::kKeepRate, live, snd::kKeepPan);
    }
}

int CSoundBank::ChooseVariant(const CSampleGroup& group, int variant) const {
    const int n = group.VariantCount();
    if (variant < 0) {
        const int v = static_cast<int>(std::floor(static_cast<double>(n) * RandomFloat()));
        return v >= n ? n - 1 : (v < 0 ? 0 : v);
    }
    return variant >= n ? n - 1 : variant;
}

uint32_t CSoundBank::StartChannel(CSampleGroup& group, int variant, int pan, int loop) {
    const uint32_t sample = group.Samples[variant];
    uint32_t channel;
    if (loop) {
        channel = Audio->SamplePlayEx(sample, 0, snd::kKeepRate, snd::kKeepVolume, snd::kKeepPan,
                                      kLoopOn);
        if (channel != 0)
            group.Looped.push_back(channel);
    } else if (pan == snd::kKeepPan) {
        channel = Audio->SamplePlay(sample);
    } else {
        channel = Audio->SamplePlayEx(sample, 0, snd::kKeepRate, snd::kKeepVolume, pan,
                                      snd::kKeepLoop);
    }
    return channel;
}

void CSoundBank::NoteChannel(CSampleGroup& group, int variant, uint32_t channel) {
    const int size = static_cast<int>(group.Ring.size());
    if (group.RingIndex < 0 || group.RingIndex >= size)
        group.RingIndex = 0;
    group.Ring[group.RingIndex] = channel;
    group.RingIndex = (group.RingIndex + 1) % size;
    const CMusicSilencer& s = group.Silencers[variant];
    if (s.Time > 0.0f && !MusicPlayer.IsNull())
        MusicPlayer->NoteSoundPlayed(s.Time, s.Volume);
}

void CSoundBank::PlaySample(CSharedPtr<CSampleGroup> group, int variant, int loop) {
    if (!Initialised || !Usable(group))
        return;
    const int v = ChooseVariant(*group, variant);
    NoteChannel(*group, v, StartChannel(*group, v, snd::kKeepPan, loop));
}

void CSoundBank::PlaySampleAt(CSharedPtr<CSampleGroup> group, float x, int variant, int loop) {
    if (!Initialised || !Usable(group))
        return;
    const int v = ChooseVariant(*group, variant);
    int pan = snd::kKeepPan;
    if (group->PanFactors[v] != 0.0f && !loop) {
        const double p =
            std::floor(static_cast<double>(group->PanFactors[v]) * 99.0 * x / PanDistance);
        if (std::isnan(p))
            pan = 0;
        else
            pan = p < -snd::kMaxPan ? -snd::kMaxPan
                                    : (p > snd::kMaxPan ? snd::kMaxPan : static_cast<int>(p));
    }
    NoteChannel(*group, v, StartChannel(*group, v, pan, loop));
}

void CSoundBank::PlayCombo(int chainLength) {
    const CSharedPtr<CSampleGroup>& combo = Slots[static_cast<int>(ESound::Combo)];
    if (!Initialised || !Usable(combo))
        return;
    const int n = combo->VariantCount();
    int v = chainLength < 2 ? 0 : chainLength - 2; // no overflow for very negative chains
    if (v > n - 1)
        v = n - 1;
    PlaySample(combo, v, 0);
}

void CSoundBank::StopSample(CSharedPtr<CSampleGroup> group) {
    if (!Initialised || group.IsNull())
        return;
    for (uint32_t ch : group->Looped)
        if (ch != 0)
            Audio->ChannelStop(ch);
    group->Looped.clear();
}
