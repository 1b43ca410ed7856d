// "Vol.cfg": any text gives values the bank can use (each in its range) for
// every name the file could have declared.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzSupport.h"
#include "audio/SoundBank.h"
#include "engine/ObjectLog.h"
#include "engine/TextTokenizer.h"
#include "platform/sound/FakeAudio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetObjectLog();
    const std::string path = fuzz::WriteInput("Data/Sfx/Vol.cfg", data, size);
    CSoundBank bank(CSharedPtr<snd::Audio>(new snd::FakeAudio()));
    bank.LoadVolumeConfig(path.c_str());

    CTextTokenizer tokens;
    if (tokens.Open(path) != 0)
        return 0;
    std::string token;
    while (tokens.NextToken(token) > 0) {
        const std::string name = StripQuotes(token);
        const float volume = bank.GetSoundVolume(name.c_str());
        const float pan = bank.GetSoundPanFactor(name.c_str());
        const CMusicSilencer silencer = bank.GetMusicSilencer(name.c_str());
        if (!(volume >= 0.0f && volume <= 1.0f) || !(pan >= 0.0f && pan <= 1.0f) ||
            !(silencer.Time >= 0.0f && silencer.Time <= 100.0f) ||
            !(silencer.Volume >= 0.0f && silencer.Volume <= 1.0f))
            std::abort();
    }
    return 0;
}
