// Reading and writing the game's sections of "Options.ini".
#include "playerdata/GameOptions.h"

#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "engine/IniHelpers.h"
#include "platform/os/Ini.h"

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string ReadKey(const std::string& path, const char* section, const char* key,
                    const char* def) {
    std::string out;
    GetIniString(out, path, section, key, def);
    return out;
}

// "%.3f" without the locale's decimal separator getting in the way.
std::string Fixed3(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", static_cast<double>(v));
    for (char& c : buf)
        if (c == ',')
            c = '.';
    return buf;
}

} // namespace

void CGraphicsOptions::Load(const std::string& iniPath) {
    GraphicalCursor = Upper(ReadKey(iniPath, "Graphics", "Cursor", "STANDARD")) == "GRAPHICAL";
    Effects = GetIniFloatClamped(iniPath, "Graphics", "Effects", "1.0", 0.25f, 1.0f);
    Gamma = GetIniFloatClamped(iniPath, "Graphics", "Gamma", "0.5", 0.0f, 1.0f);
}

void CSoundOptions::Load(const std::string& iniPath) {
    SoundOn = Upper(ReadKey(iniPath, "Sound", "Sound", "ON")) == "ON";
    SoundVolume = GetIniFloatClamped(iniPath, "Sound", "SoundVolume", "0.5", 0.0f, 1.0f);
    PanFactor = GetIniFloatClamped(iniPath, "Sound", "SoundPanFactor", "0.75", 0.01f, FLT_MAX);
    MusicOn = Upper(ReadKey(iniPath, "Sound", "Music", "ON")) == "ON";
    MusicVolume = GetIniFloatClamped(iniPath, "Sound", "MusicVolume", "0.5", 0.0f, 1.0f);
    MusicAmplify = GetIniIntClamped(iniPath, "Sound", "MusicAmplify", "75", 5, 100);
}

bool CSoundOptions::Save(const std::string& iniPath) const {
    const std::string soundVolume = Fixed3(SoundVolume), musicVolume = Fixed3(MusicVolume);
    const std::string amplify = std::to_string(MusicAmplify);
    const os::ProfileEntry entries[] = {{"Sound", "Sound", SoundOn ? "On" : "Off"},
                                        {"Sound", "SoundVolume", soundVolume.c_str()},
                                        {"Sound", "Music", MusicOn ? "On" : "Off"},
                                        {"Sound", "MusicVolume", musicVolume.c_str()},
                                        {"Sound", "MusicAmplify", amplify.c_str()}};
    return os::WriteProfileStrings(entries, iniPath);
}

void CProfileOptions::Load(const std::string& iniPath, const std::string& defaultProfile) {
    const std::string def = defaultProfile.empty() ? std::string("Player") : defaultProfile;
    Profile = ReadKey(iniPath, "Game", "Profile", def.c_str());
    FastExpTerm = std::atoi(ReadKey(iniPath, "Game", "FastExpTerm", "1").c_str()) != 0;
    CapsLockTutorial = GetIniInt(iniPath, "Game", "CapsLockTutorial", "1") == 1;
}

bool CProfileOptions::Save(const std::string& iniPath) const {
    const os::ProfileEntry entries[] = {{"Game", "Profile", Profile.c_str()},
                                        {"Game", "FastExpTerm", FastExpTerm ? "1" : "0"},
                                        {"Game", "CapsLockTutorial", CapsLockTutorial ? "1" : "0"}};
    return os::WriteProfileStrings(entries, iniPath);
}
