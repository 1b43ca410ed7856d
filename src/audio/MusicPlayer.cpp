#include "audio/MusicPlayer.h"

#include <cmath>

#include "engine/ObjectLog.h"

namespace {

constexpr size_t kMaxFolderLength = 511;
constexpr int kGameplayTracks = 3;

} // namespace

CMusicPlayer::CMusicPlayer(CSharedPtr<snd::Audio> audio, const char* folder)
    : Audio(audio), Folder(folder ? folder : "") {
    if (Folder.size() > kMaxFolderLength)
        Folder.resize(kMaxFolderLength);
}

CMusicPlayer::~CMusicPlayer() {
    Stop();
}

std::string CMusicPlayer::TrackPath(int state, int gameplayNumber) const {
    switch (state) {
    case kMusicGameplay:
        return Folder + "gameplay" + std::to_string(gameplayNumber) + ".ogg";
    case kMusicMainMenu:
        return Folder + "mainmenu.ogg";
    case kMusicStoryline:
        return Folder + "storyline.ogg";
    case kMusicBonusLevel:
        return Folder + "bonuslevel.ogg";
    default:
        return std::string();
    }
}

std::string CMusicPlayer::NextTrack(int state) {
    if (state == kMusicGameplay) {
        ++GameplayCounter;
        if (GameplayCounter >= kGameplayTracks || GameplayCounter < 0)
            GameplayCounter = 0;
        return TrackPath(state, GameplayCounter + 1);
    }
    return TrackPath(state);
}

int CMusicPlayer::EffectiveVolume(bool withDucking) const {
    double v = static_cast<double>(Volume) * 100.0 * FadeLevel;
    if (withDucking)
        v *= DuckingFactor;
    v = std::floor(v);
    if (!(v > 0.0)) // NaN too
        return 0;
    return v >= snd::kMaxVolume ? snd::kMaxVolume : static_cast<int>(v);
}

void CMusicPlayer::Start(int state) {
    if (ValidState(state))
        OpenTrack(state, false);
}

void CMusicPlayer::OpenTrack(int state, bool withDucking) {
    if (Stream != 0 && !Audio.IsNull()) {
        Audio->StreamFree(Stream);
        Stream = 0;
    }
    Playing = 0;
    const std::string path = NextTrack(state);
    Stream = Audio.IsNull() ? 0 : Audio->StreamCreateFile(path, 0);
    if (Stream == 0) {
        LogObject("Unable to create music stream" + path + "\n");
        return;
    }
    if (!Enabled)
        return;
    if (!Audio->StreamPlay(Stream, false, snd::kLoop)) {
        LogObject("Unable to play music" + path + "\n");
        return;
    }
    Audio->ChannelSetAttributes(Stream, 0, EffectiveVolume(withDucking), snd::kKeepPan);
    Playing = 1;
}

void CMusicPlayer::SetEnabled(int enabled) {
    const int flag = enabled ? 1 : 0;
    if (flag == Enabled)
        return;
    Enabled = flag;
    if (Stream == 0)
        return;
    if (Enabled) {
        if (Audio->StreamPlay(Stream, false, snd::kLoop)) {
            Audio->ChannelSetAttributes(Stream, 0, EffectiveVolume(false), snd::kKeepPan);
            Playing = 1;
        } else {
            LogObject("Unable to play music\n");
            Playing = 0;
        }
    } else {
        Audio->ChannelStop(Stream);
        Playing = 0;
    }
}

void CMusicPlayer::SetVolume(float volume) {
    Volume = volume;
    if (Enabled && Stream != 0)
        Audio->ChannelSetAttributes(Stream, 0, EffectiveVolume(true), snd::kKeepPan);
}

void CMusicPlayer::RequestState(int state) {
    if (!ValidState(state))
        return;
    ChangePending = 1;
    PendingState = state;
}

void CMusicPlayer::SwitchToPending() {
    FadeLevel = 1.0f;
    ChangePending = 0;
    // Without a track the music is silent until the next request, which then
    // switches at once.
    OpenTrack(PendingState, true);
}

void CMusicPlayer::Update(float dt) {
    if (!Enabled || Paused)
        return;
    if (Stream == 0 || !Playing) {
        // Nothing audible to fade out (a track failed to load or to play): a
        // waiting request switches at once, so one bad track does not end the
        // music for the rest of the run.
        if (ChangePending)
            SwitchToPending();
        return;
    }
    if (!(dt > 0.0f)) // also NaN
        dt = 0.0f;

    const float old = DuckingFactor;
    float factor = 1.0f;
    for (auto it = Duckings.begin(); it != Duckings.end();) {
        it->Time -= dt;
        if (it->Time > 0.0f) {
            if (it->Volume < factor)
                factor = it->Volume;
            ++it;
        } else {
            it = Duckings.erase(it);
        }
    }
    DuckingFactor = factor;

    if (!ChangePending) {
        if (DuckingFactor != old)
            Audio->ChannelSetAttributes(Stream, 0, EffectiveVolume(true), snd::kKeepPan);
        return;
    }
    FadeLevel -= FadeSpeed * dt;
    if (FadeLevel > 0.0f)
        Audio->ChannelSetAttributes(Stream, 0, EffectiveVolume(true), snd::kKeepPan);
    else
        SwitchToPending();
}

void CMusicPlayer::Pause() {
    if (!Audio.IsNull())
        Audio->Pause();
    Paused = 1;
}

void CMusicPlayer::Resume() {
    if (!Audio.IsNull())
        Audio->Start();
    Paused = 0;
}

void CMusicPlayer::Stop() {
    if (Stream != 0) {
        Audio->StreamFree(Stream);
        Stream = 0;
    }
    std::vector<CMusicSilencer>().swap(Duckings);
}

void CMusicPlayer::NoteSoundPlayed(float time, float volume) {
    if (Enabled && Stream != 0 && !Paused && Playing)
        Duckings.push_back(CMusicSilencer{time, volume});
}
