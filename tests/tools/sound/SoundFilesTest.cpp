// The generated sound effects: every file the sound bank loads is there (as a
// wave file or a compressed one the first-run conversion turns into one), the
// bank loads them all through its own start-up steps, "Vol.cfg" reads cleanly,
// nothing clips, and what should sound different does.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GeneratedAudio.h"
#include "audio/SoundBank.h"
#include "platform/sound/FakeAudio.h"
#include "platform/sound/SdlAudio.h"
#include "support/CapturedLog.h"

namespace {

using namespace soundtest;
using testsupport::CapturedLog;
using testsupport::ReadFile;
using testsupport::TempDir;

// Every file name the bank tries for its slots: the variant slots as the full
// sets of eight (Terminator0..7, Combo2..9).
std::vector<std::string> BankFileNames() {
    std::vector<std::string> names;
    for (int slot = 0; slot < CSoundBank::kSlotCount; ++slot) {
        const std::string pattern = CSoundBank::SlotFileName(slot);
        if (pattern.find('%') == std::string::npos) {
            names.push_back(pattern);
            continue;
        }
        const int first = slot == static_cast<int>(ESound::Combo) ? 2 : 0;
        for (int i = 0; i < CSoundBank::kMaxVariants; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, pattern.c_str(), first + i);
            names.push_back(name);
        }
    }
    return names;
}

std::string Stem(const std::string& fileName) {
    return fileName.substr(0, fileName.size() - 4);
}

std::vector<std::string> OggList() {
    std::vector<std::string> names;
    const std::string text = ReadFile(SfxFolder() / "Ogg.lst");
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            names.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

// The sound folder copied, so that a conversion does not touch the generated one.
struct SfxCopy {
    TempDir dir;
    std::string folder;
    std::string options;
    SfxCopy() {
        CopyTree(SfxFolder(), dir.Root() / "Sfx");
        folder = (dir.Root() / "Sfx").string() + "/";
        options = (dir.Root() / "Options.ini").string();
    }
};

// The bank's own start-up on `audio`: conversion, "Vol.cfg", samples.
void StartBank(CSoundBank& bank, const SfxCopy& sfx) {
    ASSERT_EQ(bank.InitDevice(), 0);
    EXPECT_EQ(bank.ConvertOggList(sfx.options.c_str(), sfx.folder), 1);
    EXPECT_EQ(bank.LoadVolumeConfig((sfx.folder + "Vol.cfg").c_str()), 1);
    ASSERT_EQ(bank.LoadSamples(sfx.folder.c_str()), 0) << bank.CurrentPath();
    for (int slot = 0; slot < CSoundBank::kSlotCount; ++slot)
        ASSERT_FALSE(bank.Group(slot).IsNull()) << CSoundBank::SlotFileName(slot);
    EXPECT_EQ(bank.Group(ESound::Terminator)->VariantCount(), 8);
    EXPECT_EQ(bank.Group(ESound::Combo)->VariantCount(), 8);
}

// Which files are shipped how: a sound listed in "Ogg.lst" comes as .ogg only,
// every other one as .wav, and nothing is shipped that the bank never loads.
void ExpectShippedAsWaveOrListedOgg() {
    const std::vector<std::string> listed = OggList();
    const std::set<std::string> listedSet(listed.begin(), listed.end());
    EXPECT_EQ(listedSet.size(), listed.size()) << "a name is listed twice";
    std::set<std::string> stems;
    for (const std::string& file : BankFileNames()) {
        const std::string stem = Stem(file);
        stems.insert(stem);
        const bool wav = fs::exists(SfxFolder() / file);
        const bool ogg = fs::exists(SfxFolder() / (stem + ".ogg"));
        if (listedSet.count(stem)) {
            EXPECT_TRUE(ogg && !wav) << stem << ": listed, so shipped as .ogg only";
        } else {
            EXPECT_TRUE(wav && !ogg) << stem << ": not listed, so shipped as .wav";
        }
    }
    for (const std::string& name : listed)
        EXPECT_TRUE(stems.count(name)) << name;
    for (const auto& e : fs::directory_iterator(SfxFolder())) {
        const std::string ext = e.path().extension().string();
        if (ext == ".ogg" || ext == ".wav") {
            EXPECT_TRUE(stems.count(e.path().stem().string())) << e.path().filename();
        }
    }
}

TEST(SoundFiles, BankLoadsEverySampleAfterTheFirstRunConversion) {
    ASSERT_FALSE(GeneratedSounds().empty());
    ExpectShippedAsWaveOrListedOgg();
    {
        SCOPED_TRACE("recording back end, missing files fail");
        SfxCopy sfx;
        CapturedLog log(sfx.dir);
        CSharedPtr<snd::FakeAudio> audio(new snd::FakeAudio);
        audio->requireFiles = true;
        CSoundBank bank(audio);
        StartBank(bank, sfx);
        for (const std::string& name : OggList())
            EXPECT_TRUE(fs::exists(sfx.folder + name + ".wav")) << name;
        const std::string text = log.Text();
        EXPECT_EQ(text.find("Unable"), std::string::npos) << text;
        EXPECT_EQ(text.find("error"), std::string::npos) << text;
        EXPECT_EQ(text.find("Warning"), std::string::npos) << text;
    }
    {
        SCOPED_TRACE("SDL2_mixer back end");
        SfxCopy sfx;
        CapturedLog log(sfx.dir);
        CSharedPtr<snd::SdlAudio> audio(new snd::SdlAudio);
        CSoundBank bank(audio);
        StartBank(bank, sfx);
        // The fanfares lower the music while they play.
        const CMusicSilencer win = bank.GetMusicSilencer("Win.wav");
        EXPECT_GT(win.Time, 1.0f);
        EXPECT_LT(win.Volume, 0.5f);
        EXPECT_EQ(log.Text().find("Unable"), std::string::npos) << log.Text();
    }
}

void ExpectVolumeConfigNamesEverySampleOnce() {
    TempDir dir;
    CapturedLog log(dir);
    CSoundBank bank{CSharedPtr<snd::Audio>()};
    EXPECT_EQ(bank.LoadVolumeConfig((SfxFolder() / "Vol.cfg").string().c_str()), 1);
    EXPECT_EQ(log.Text(), "");

    const std::string text = ReadFile(SfxFolder() / "Vol.cfg");
    // The quoted names, wherever they stand (comments hold none).
    std::multiset<std::string> named;
    for (size_t open = text.find('"'); open != std::string::npos; open = text.find('"', open)) {
        const size_t close = text.find('"', open + 1);
        if (close == std::string::npos)
            break;
        named.insert(text.substr(open + 1, close - open - 1));
        open = close + 1;
    }
    for (const std::string& file : BankFileNames()) {
        EXPECT_EQ(named.count(file), 1u) << file;
        const float v = bank.GetSoundVolume(file.c_str());
        EXPECT_GT(v, 0.1f) << file;
        EXPECT_LE(v, 1.0f) << file;
    }
    EXPECT_EQ(named.size(), BankFileNames().size());
}

TEST(SoundFiles, SamplesAreCleanMonoWithQuietEndsAndTuned) {
    ASSERT_FALSE(GeneratedSounds().empty());
    ExpectVolumeConfigNamesEverySampleOnce();
    for (const std::string& file : BankFileNames()) {
        const std::string stem = Stem(file);
        fs::path path = SfxFolder() / file;
        if (!fs::exists(path))
            path = SfxFolder() / (stem + ".ogg");
        Pcm pcm;
        ASSERT_TRUE(Decode(path, pcm)) << path;
        EXPECT_EQ(pcm.rate, 44100) << stem;
        EXPECT_EQ(pcm.channels, 1) << stem;
        EXPECT_GT(pcm.Seconds(), 0.03f) << stem;
        EXPECT_LT(pcm.Seconds(), 6.0f) << stem;
        const float peak = pcm.Peak();
        const double energy = pcm.Energy();
        EXPECT_LT(peak, 0.97f) << stem << " clips";
        EXPECT_GT(peak, 0.2f) << stem << " is too quiet";
        EXPECT_GT(std::sqrt(energy / pcm.samples.size()), 0.01) << stem;
        // Short fades: no step at either end (the lossy coder may blur the
        // very first samples a little).
        EXPECT_LT(std::fabs(pcm.samples.front()), 0.05f) << stem;
        EXPECT_LT(std::fabs(pcm.samples.back()), 0.02f) << stem;
    }
    // The one looping sample joins without a step.
    Pcm loop;
    ASSERT_TRUE(Decode(SfxFolder() / "TickLoop.wav", loop));
    EXPECT_NEAR(loop.Seconds(), 1.0f, 0.01f);
    EXPECT_LT(std::fabs(loop.samples.back() - loop.samples.front()), 0.005f);
}

void ExpectComboLadderRises() {
    float previous = 0.0f;
    for (int chain = 2; chain <= 9; ++chain) {
        Pcm pcm;
        ASSERT_TRUE(Decode(SfxFolder() / ("Combo" + std::to_string(chain) + ".ogg"), pcm));
        const std::vector<float> mono = pcm.Mono();
        const float hz =
            EstimatePitch(mono, pcm.rate, static_cast<size_t>(pcm.rate * 0.03), 200.0f, 3000.0f);
        ASSERT_GT(hz, 0.0f) << "Combo" << chain << " has no clear pitch";
        EXPECT_GT(hz, previous * 1.04f) << "Combo" << chain << " at " << hz << " Hz";
        previous = hz;
    }
}

// Coarse traits of a sound: length, brightness, where its energy sits in time.
struct Traits {
    float seconds;
    float crossings; // zero crossings per second over the first half second
    float centre;    // energy-weighted mean time, seconds
};

Traits TraitsOf(const Pcm& pcm) {
    Traits t{pcm.Seconds(), 0.0f, 0.0f};
    const size_t n = std::min(pcm.samples.size(), static_cast<size_t>(pcm.rate / 2));
    int crossings = 0;
    for (size_t i = 1; i < n; ++i)
        crossings += (pcm.samples[i - 1] < 0.0f) != (pcm.samples[i] < 0.0f);
    t.crossings = static_cast<float>(crossings) * pcm.rate / static_cast<float>(n);
    double weighted = 0.0, total = 0.0;
    for (size_t i = 0; i < pcm.samples.size(); ++i) {
        const double e = double(pcm.samples[i]) * pcm.samples[i];
        weighted += e * i;
        total += e;
    }
    t.centre = total > 0.0 ? static_cast<float>(weighted / total / pcm.rate) : 0.0f;
    return t;
}

TEST(SoundFiles, CombosRiseAndDischargesReallyDiffer) {
    ASSERT_FALSE(GeneratedSounds().empty());
    ExpectComboLadderRises();
    std::vector<Traits> traits;
    std::vector<std::vector<float>> waves;
    for (int v = 0; v < 8; ++v) {
        Pcm pcm;
        ASSERT_TRUE(Decode(SfxFolder() / ("Terminator" + std::to_string(v) + ".ogg"), pcm));
        traits.push_back(TraitsOf(pcm));
        waves.push_back(pcm.samples);
    }
    for (int a = 0; a < 8; ++a) {
        for (int b = a + 1; b < 8; ++b) {
            const Traits& x = traits[a];
            const Traits& y = traits[b];
            const float distance =
                std::fabs(x.seconds - y.seconds) / std::max(x.seconds, y.seconds) +
                std::fabs(x.crossings - y.crossings) / std::max(x.crossings, y.crossings) +
                std::fabs(x.centre - y.centre) / std::max(x.centre, y.centre);
            EXPECT_GT(distance, 0.05f)
                << "Terminator" << a << " and Terminator" << b << " sound alike";
            // And not the same wave either.
            const size_t n = std::min(waves[a].size(), waves[b].size());
            double dot = 0.0, ea = 0.0, eb = 0.0;
            for (size_t i = 0; i < n; ++i) {
                dot += double(waves[a][i]) * waves[b][i];
                ea += double(waves[a][i]) * waves[a][i];
                eb += double(waves[b][i]) * waves[b][i];
            }
            EXPECT_LT(std::fabs(dot) / std::sqrt(ea * eb), 0.5) << a << " " << b;
        }
    }
}

} // namespace
