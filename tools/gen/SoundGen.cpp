#include "SoundGen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "GenCommon.h"
#include "MusicGen.h"
#include "platform/os/Ini.h"
#include "platform/sound/Decoder.h"
#include "tools/lib/SoundWriter.h"

namespace gen {

namespace {

// Every sound is brought to the same loudness (the loudest tenth of a second),
// unless its peaks would pass the ceiling first; "Vol.cfg" then sets the
// balance between them.
constexpr float kTargetRms = 0.2f;     // about -14 dBFS
constexpr float kPeakCeiling = 0.85f;  // headroom for the lossy coder
constexpr float kMostLimiting = 1.6f;  // at most 4 dB of peaks are held down
constexpr float kDecodedLimit = 0.94f; // a decoded peak above this is encoded again
constexpr float kRoomTail = 1.2f;      // seconds of room added after the sound
constexpr float kFadeIn = 0.002f;
constexpr float kFadeOut = 0.03f;

std::string Number(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(v));
    return text;
}

std::vector<int16_t> ToPcm16(const std::vector<float>& x) {
    std::vector<int16_t> out(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        const float v = std::clamp(x[i], -1.0f, 1.0f) * 32767.0f;
        out[i] = static_cast<int16_t>(std::lround(v));
    }
    return out;
}

bool RemoveIfPresent(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::remove(p, ec);
}

} // namespace

float DecodedPeak(const std::string& path) {
    std::unique_ptr<snd::Decoder> d = snd::Decoder::Open(path);
    if (!d || d->BitsPerSample() != 16)
        return -1.0f;
    std::vector<int16_t> buffer(16384);
    int peak = 0;
    while (d->Active()) {
        const int n =
            d->GetData(buffer.data(), static_cast<uint32_t>(buffer.size() * sizeof(int16_t)));
        if (n < 0)
            return -1.0f;
        for (int i = 0; i < n / 2; ++i)
            peak = std::max(peak, std::abs(static_cast<int>(buffer[i])));
    }
    return static_cast<float>(peak) / 32768.0f;
}

bool WriteOggBelowFullScale(const std::string& path, std::vector<float> samples, int channels) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (!tk::WriteOgg(path, samples, channels, synth::kRate, kSoundOggQuality))
            return false;
        const float peak = DecodedPeak(path);
        if (peak < 0.0f)
            return false;
        if (peak <= kDecodedLimit)
            return true;
        synth::Scale(samples, 0.97f * kDecodedLimit / peak);
    }
    return false;
}

std::vector<float> RenderSound(const synth::SoundRecipe& recipe) {
    using namespace synth;
    std::vector<float> x = recipe.render();
    if (x.empty())
        x.assign(1, 0.0f);
    if (recipe.room > 0.0f && !recipe.loop) {
        x.resize(x.size() + static_cast<size_t>(Samples(kRoomTail)), 0.0f);
        std::vector<float> l(x.size(), 0.0f), r(x.size(), 0.0f);
        Reverb room(0.3f, 0.5f);
        room.Process(x.data(), l.data(), r.data(), x.size(), 8.0f * recipe.room);
        for (size_t i = 0; i < x.size(); ++i)
            x[i] += 0.5f * (l[i] + r[i]);
    }
    if (!recipe.loop) {
        RemoveDc(x, 1);
        TrimTail(x, 1e-3f * std::max(Peak(x), 1e-6f));
    }
    const float rms = LoudestRms(x, 1, 0.1f);
    const float peak = Peak(x);
    if (rms > 0.0f && peak > 0.0f) {
        Scale(x, std::min(kTargetRms / rms, kMostLimiting * kPeakCeiling / peak));
        LimitLoop(x, 1, kPeakCeiling, 0.05f);
    }
    if (!recipe.loop)
        Fade(x, 1, kFadeIn, kFadeOut);
    return x;
}

std::string VolumeConfigText(const std::vector<synth::SoundRecipe>& recipes) {
    std::string text = "# Sound tuning, one sound a line: the file name in double quotes, its\n"
                       "# volume 0..1, then optionally PAN <factor 0..1> (how far a placed sound\n"
                       "# moves left or right) and MUSIC <seconds> <volume> (the music stays at\n"
                       "# most at that volume for that long after each play). Made by gv_gen.\n";
    for (const synth::SoundRecipe& r : recipes) {
        text += "\"" + r.name + ".wav\" " + Number(r.volume);
        if (r.pan != 1.0f)
            text += " PAN " + Number(r.pan);
        if (r.duckTime > 0.0f)
            text += " MUSIC " + Number(r.duckTime) + " " + Number(r.duckVolume);
        text += "\n";
    }
    return text;
}

std::string OggListText(const std::vector<synth::SoundRecipe>& recipes) {
    std::string text;
    for (const synth::SoundRecipe& r : recipes)
        if (r.ship == synth::Ship::Ogg)
            text += r.name + "\n";
    return text;
}

int GenerateSounds(const std::filesystem::path& gameRoot) {
    const std::filesystem::path folder = gameRoot / "Data" / "Sfx";
    std::string error;
    if (!EnsureFolder(folder, error)) {
        std::fprintf(stderr, "gv_gen: %s\n", error.c_str());
        return 1;
    }
    const auto& recipes = synth::SoundRecipes();
    bool staleRemoved = false;
    for (const synth::SoundRecipe& r : recipes) {
        const std::vector<float> x = RenderSound(r);
        const std::filesystem::path wav = folder / (r.name + ".wav");
        const std::filesystem::path ogg = folder / (r.name + ".ogg");
        bool ok;
        if (r.ship == synth::Ship::Ogg) {
            ok = WriteOggBelowFullScale(ogg.string(), x, 1);
            staleRemoved = RemoveIfPresent(wav) || staleRemoved;
        } else {
            ok = tk::WriteWav(wav.string(), ToPcm16(x), 1, synth::kRate);
            RemoveIfPresent(ogg);
        }
        if (!ok) {
            std::fprintf(stderr, "gv_gen: cannot write the sound %s\n", r.name.c_str());
            return 1;
        }
    }
    if (!WriteText(folder / "Ogg.lst", OggListText(recipes), error) ||
        !WriteText(folder / "Vol.cfg", VolumeConfigText(recipes), error)) {
        std::fprintf(stderr, "gv_gen: %s\n", error.c_str());
        return 1;
    }
    // The game converts only while its options file does not say it is done.
    const std::string options = (gameRoot / "Data" / "Config" / "Options.ini").string();
    if (staleRemoved && std::filesystem::exists(options) &&
        std::atoi(os::GetProfileString("Sound", "Converted", "0", options).c_str()) != 0 &&
        !os::WriteProfileString("Sound", "Converted", "0", options)) {
        std::fprintf(stderr, "gv_gen: cannot update %s\n", options.c_str());
        return 1;
    }
    return 0;
}

int GenerateAudio(const std::filesystem::path& gameRoot) {
    if (GenerateSounds(gameRoot) != 0)
        return 1;
    return GenerateMusic(gameRoot);
}

} // namespace gen
