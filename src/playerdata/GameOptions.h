#pragma once
// The game's own sections of "Options.ini": "Graphics" (cursor, effects level,
// gamma), "Sound" (switches and levels) and "Game" (current profile and two
// game flags). The constructors set the defaults; Load reads every key (a
// missing file or key gives its default) and clamps as the game expects.
#include <cstdint>
#include <string>

struct CGraphicsOptions {
    float Effects = 1.0f;      // 0.25..1.0
    float Gamma = 0.5f;        // 0..1; 0.5 is the linear ramp
    int32_t GraphicalCursor = 0;

    void Load(const std::string& iniPath);
};

struct CSoundOptions {
    int32_t SoundOn = 1;
    float SoundVolume = 0.5f;     // 0..1
    float PanFactor = 0.75f;      // at least 0.01; never written
    int32_t MusicOn = 1;
    float MusicVolume = 0.5f;     // 0..1
    int32_t MusicAmplify = 75;    // 5..100

    void Load(const std::string& iniPath);
    bool Save(const std::string& iniPath) const;
};

struct CProfileOptions {
    std::string Profile = "Player";
    int32_t FastExpTerm = 1;
    int32_t CapsLockTutorial = 1;

    // The default profile name is `defaultProfile` (the string table's
    // default player name; "Player" when that is empty).
    void Load(const std::string& iniPath, const std::string& defaultProfile);
    bool Save(const std::string& iniPath) const;
};
