#pragma once
// The background music: one looping track at a time, chosen by the music state
// the game flow asks for. A change of state fades the playing track out and
// starts the new one at full level; sounds with a music silencer lower the music
// for a while (ducking). Failures only go to the object log.
#include <string>
#include <vector>

#include "audio/SampleGroup.h"
#include "engine/SharedPtr.h"
#include "platform/sound/Audio.h"

// Music states; state 0 rotates through three gameplay tracks.
enum EMusicState : int {
    kMusicGameplay = 0,
    kMusicMainMenu = 1,
    kMusicStoryline = 2,
    kMusicBonusLevel = 3,
};

class CMusicPlayer {
public:
    // folder: the music folder with its trailing separator, the prefix of every
    // track path. A null audio object gives a player that never makes a sound.
    CMusicPlayer(CSharedPtr<snd::Audio> audio, const char* folder);
    ~CMusicPlayer();
    CMusicPlayer(const CMusicPlayer&) = delete;
    CMusicPlayer& operator=(const CMusicPlayer&) = delete;

    // Creates and plays the state's track at once (start-up).
    void Start(int state);
    // Music on (the current track plays again) or off (it stops).
    void SetEnabled(int enabled);
    // Music volume, 0..1.
    void SetVolume(float volume);
    // Asks for another track; Update fades the current one out first.
    void RequestState(int state);
    // Once per frame: ducking, fades and track changes.
    void Update(float dt);
    // Pause and resume ALL audio output (the window was minimised / restored).
    void Pause();
    void Resume();
    // Frees the track and forgets the ducking.
    void Stop();
    // A sound asks for the music to stay at most at `volume` for `time` seconds.
    void NoteSoundPlayed(float time, float volume);

    // The track file of a state (state 0: the gameplay track `number`, 1..3).
    std::string TrackPath(int state, int gameplayNumber = 1) const;

    uint32_t GetStream() const { return Stream; }
    int IsEnabled() const { return Enabled; }
    int IsPlaying() const { return Playing; }
    int IsPaused() const { return Paused; }
    int IsChangePending() const { return ChangePending; }
    int GetPendingState() const { return PendingState; }
    float GetVolume() const { return Volume; }
    float GetFadeLevel() const { return FadeLevel; }
    float GetDuckingFactor() const { return DuckingFactor; }
    int GetGameplayCounter() const { return GameplayCounter; }
    const std::vector<CMusicSilencer>& GetDuckings() const { return Duckings; }

    static constexpr float kFadeSpeed = 1.0f; // fade level lost per second

private:
    // The state's track; state 0 advances the gameplay rotation first.
    std::string NextTrack(int state);
    // Volume 0..100 of the stream, with or without the ducking.
    int EffectiveVolume(bool withDucking) const;
    // Replaces the stream with the pending state's track and plays it.
    void SwitchToPending();
    // Replaces the stream with the state's next track and plays it when the
    // music is on; withDucking lets a running ducking lower it from the start.
    void OpenTrack(int state, bool withDucking);
    static bool ValidState(int state) { return state >= 0 && state <= 3; }

    CSharedPtr<snd::Audio> Audio;
    std::string Folder;
    uint32_t Stream = 0;
    int Enabled = 1;
    float Volume = 0.5f;
    int Playing = 0;
    int Paused = 0;
    int GameplayCounter = -1;
    int ChangePending = 0;
    float FadeLevel = 1.0f;
    float FadeSpeed = kFadeSpeed;
    int PendingState = 0;
    std::vector<CMusicSilencer> Duckings; // remaining seconds and music factor
    float DuckingFactor = 1.0f;
};
