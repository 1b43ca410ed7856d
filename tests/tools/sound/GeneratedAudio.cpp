#include "GeneratedAudio.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/sound/Decoder.h"
#include "support/TempDir.h"
#include "tools/gen/MusicGen.h"
#include "tools/gen/SoundGen.h"

namespace soundtest {

namespace {

struct Generated {
    testsupport::TempDir dir;
    fs::path root;
    explicit Generated(int (*generate)(const fs::path&)) {
        const fs::path game = dir.Root() / "game";
        if (generate(game) == 0)
            root = game;
    }
};

} // namespace

const fs::path& GeneratedSounds() {
    static Generated generated(gen::GenerateSounds);
    return generated.root;
}

const fs::path& GeneratedMusic() {
    static Generated generated(gen::GenerateMusic);
    return generated.root;
}

fs::path SfxFolder() {
    return GeneratedSounds() / "Data" / "Sfx";
}

fs::path MusicFolder() {
    return GeneratedMusic() / "Music";
}

std::vector<float> Pcm::Mono() const {
    std::vector<float> m(Frames(), 0.0f);
    for (size_t i = 0; i < m.size(); ++i) {
        float sum = 0.0f;
        for (int c = 0; c < channels; ++c)
            sum += samples[i * channels + c];
        m[i] = sum / static_cast<float>(channels);
    }
    return m;
}

float Pcm::Peak() const {
    float peak = 0.0f;
    for (float s : samples)
        peak = std::max(peak, std::fabs(s));
    return peak;
}

double Pcm::Energy() const {
    double energy = 0.0;
    for (float s : samples)
        energy += double(s) * s;
    return energy;
}

bool Decode(const fs::path& path, Pcm& out) {
    std::unique_ptr<snd::Decoder> d = snd::Decoder::Open(path.string());
    if (!d || d->BitsPerSample() != 16)
        return false;
    out.rate = d->Rate();
    out.channels = d->Channels();
    out.samples.clear();
    std::vector<int16_t> buffer(8192);
    while (d->Active()) {
        const int n = d->GetData(buffer.data(), static_cast<uint32_t>(buffer.size() * 2));
        if (n < 0)
            return false;
        for (int i = 0; i < n / 2; ++i)
            out.samples.push_back(static_cast<float>(buffer[i]) / 32768.0f);
    }
    return true;
}

float EstimatePitch(const std::vector<float>& x, int rate, size_t start, float lowHz,
                    float highHz) {
    const size_t window = 2048;
    const size_t maxLag = static_cast<size_t>(rate / lowHz);
    const size_t minLag = std::max<size_t>(2, static_cast<size_t>(rate / highHz));
    if (start + window + maxLag + 2 > x.size())
        return 0.0f;
    std::vector<double> d(maxLag + 2, 0.0);
    for (size_t lag = 1; lag <= maxLag + 1; ++lag) {
        double sum = 0.0;
        for (size_t j = 0; j < window; ++j) {
            const double diff = x[start + j] - x[start + j + lag];
            sum += diff * diff;
        }
        d[lag] = sum;
    }
    // Cumulative-mean normalised difference; the first clear dip is the period.
    std::vector<double> cmnd(maxLag + 2, 1.0);
    double running = 0.0;
    for (size_t lag = 1; lag <= maxLag + 1; ++lag) {
        running += d[lag];
        cmnd[lag] = running > 0.0 ? d[lag] * static_cast<double>(lag) / running : 1.0;
    }
    size_t best = 0;
    for (size_t lag = minLag; lag <= maxLag; ++lag) {
        if (cmnd[lag] < 0.2 && cmnd[lag] <= cmnd[lag - 1] && cmnd[lag] <= cmnd[lag + 1]) {
            best = lag;
            break;
        }
    }
    if (best == 0)
        return 0.0f;
    // Parabolic refinement around the dip.
    const double a = cmnd[best - 1], b = cmnd[best], c = cmnd[best + 1];
    const double denom = a - 2.0 * b + c;
    const double shift = denom != 0.0 ? 0.5 * (a - c) / denom : 0.0;
    return static_cast<float>(rate / (static_cast<double>(best) + shift));
}

std::vector<std::pair<std::string, std::string>> ReadTree(const fs::path& root) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            files.emplace_back(fs::relative(e.path(), root).generic_string(),
                               testsupport::ReadFile(e.path()));
    std::sort(files.begin(), files.end());
    return files;
}

void CopyTree(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

} // namespace soundtest
