// "Vol.cfg": the per-sound volume factor, pan factor and music silencer.
//
//   "Click.wav" 0.5
//   "Win.wav"   1 MUSIC 3 0.2 PAN 0
//
// An entry is a name (quoted, since '.' splits words), a volume, then any number
// of PAN <factor> and MUSIC <seconds> <volume> clauses; any other token starts
// the next entry. Names and keywords are matched in any letter case.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "audio/SoundBank.h"
#include "engine/ObjectLog.h"
#include "engine/TextTokenizer.h"

namespace {

constexpr size_t kReservedEntries = 80;

// The standard text-to-float conversion; text that is no number (and "NAN")
// gives 0.
float ToFloat(const std::string& token) {
    const double v = std::strtod(token.c_str(), nullptr);
    return std::isnan(v) ? 0.0f : static_cast<float>(v);
}

// Where a value came from, for the line after a log message.
struct Source {
    const std::string& file;
    const CTextTokenizer& tokens;

    std::string Where() const { return file + ":" + std::to_string(tokens.LineNumber()) + ": "; }
};

std::string Number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

// Clamps the value into [low, high]; a value outside is logged as a warning
// against the entry's name, followed by the file, the line and the value used.
void ClampWarn(float& value, float low, float high, const std::string& name, const char* below,
               const char* above, const Source& source) {
    const char* message = nullptr;
    const float given = value;
    if (value < low) {
        value = low;
        message = below;
    } else if (value > high) {
        value = high;
        message = above;
    }
    if (message) {
        LogObject("Warning!");
        LogObject(name);
        LogObject(message);
        LogObject(source.Where() + Number(given) + " is out of range, " + Number(value) +
                  " is used\n");
    }
}

// The next token upper-cased; false at the end of the file.
bool Next(CTextTokenizer& tokens, std::string& token) {
    if (tokens.NextToken(token) == 0)
        return false;
    StrToUpper(token);
    return true;
}

} // namespace

int CSoundBank::LoadVolumeConfig(const char* path) {
    const std::string file = path ? path : "";
    SoundNames.clear();
    VolumeFactors.clear();
    PanFactors.clear();
    MusicSilencers.clear();
    SoundNames.reserve(kReservedEntries);
    VolumeFactors.reserve(kReservedEntries);
    PanFactors.reserve(kReservedEntries);
    MusicSilencers.reserve(kReservedEntries);

    CTextTokenizer tokens;
    if (tokens.Open(file) != 0) {
        LogObject("Unable to open file");
        LogObject(file);
        LogObject("\n");
        LogObject(file + ": the file cannot be opened\n");
        return 0;
    }
    const Source source{file, tokens};
    auto unexpectedEnd = [&](const char* missing) {
        LogObject("Unexpected end of file");
        LogObject(file);
        LogObject("\n");
        LogObject(source.Where() + "the file ends before " + missing + "\n");
        tokens.Close();
        return 0;
    };

    std::string token;
    bool haveToken = Next(tokens, token);
    while (haveToken) {
        const std::string name = StripQuotes(token);
        if (!Next(tokens, token))
            return unexpectedEnd(("the volume of " + name).c_str());
        float volume = ToFloat(token);
        ClampWarn(volume, 0.0f, 1.0f, name, "volume <0 ! \n", "volume >1 ! \n", source);
        SoundNames.push_back(name);
        VolumeFactors.push_back(volume);
        PanFactors.push_back(1.0f);
        MusicSilencers.push_back(CMusicSilencer{});

        // Clauses until a token that is none, which names the next entry.
        while ((haveToken = Next(tokens, token))) {
            if (token == "PAN") {
                if (!Next(tokens, token))
                    return unexpectedEnd("the number after PAN");
                float pan = ToFloat(token);
                ClampWarn(pan, 0.0f, 1.0f, name, "panfactor <0 ! \n", "panfactor >1 ! \n", source);
                PanFactors.back() = pan;
            } else if (token == "MUSIC") {
                if (!Next(tokens, token))
                    return unexpectedEnd("the time after MUSIC");
                float time = ToFloat(token);
                if (!Next(tokens, token))
                    return unexpectedEnd("the volume after MUSIC");
                float musicVolume = ToFloat(token);
                ClampWarn(time, 0.0f, 100.0f, name, "music silencer time <0 ! \n",
                          "music silencer time >100 ! \n", source);
                ClampWarn(musicVolume, 0.0f, 1.0f, name, "music silencer volume <0 ! \n",
                          "music silencer volume >1 ! \n", source);
                MusicSilencers.back() = CMusicSilencer{time, musicVolume};
            } else {
                break;
            }
        }
    }
    tokens.Close();
    return 1;
}

int CSoundBank::FindEntry(const char* name) const {
    if (!name)
        return -1;
    std::string key = name;
    StrToUpper(key);
    for (size_t i = 0; i < SoundNames.size(); ++i)
        if (SoundNames[i] == key)
            return static_cast<int>(i);
    return -1;
}

float CSoundBank::GetSoundVolume(const char* name) const {
    const int i = FindEntry(name);
    return i < 0 ? 1.0f : VolumeFactors[i];
}

float CSoundBank::GetSoundPanFactor(const char* name) const {
    const int i = FindEntry(name);
    return i < 0 ? 0.0f : PanFactors[i];
}

CMusicSilencer CSoundBank::GetMusicSilencer(const char* name) const {
    const int i = FindEntry(name);
    return i < 0 ? CMusicSilencer{} : MusicSilencers[i];
}
