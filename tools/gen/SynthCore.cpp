#include "SynthCore.h"

#include <algorithm>
#include <cmath>

namespace gen::synth {

int Samples(double seconds) {
    return seconds > 0.0 ? static_cast<int>(std::lround(seconds * kRate)) : 0;
}

float MidiHz(float note) {
    return 440.0f * std::pow(2.0f, (note - 69.0f) / 12.0f);
}

// ---- Rng ----

Rng::Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {
    if (state_ == 0)
        state_ = 0x2545F4914F6CDD1Dull;
    for (int i = 0; i < 4; ++i)
        Next();
}

uint32_t Rng::Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<uint32_t>((state_ * 0x2545F4914F6CDD1Dull) >> 32);
}

float Rng::Uniform() {
    return static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f);
}

float Rng::Range(float lo, float hi) {
    return lo + (hi - lo) * Uniform();
}

int Rng::Int(int count) {
    if (count < 1)
        return 0;
    return static_cast<int>(Next() % static_cast<uint32_t>(count));
}

// ---- WaveTable ----

WaveTable::WaveTable(const std::vector<float>& amps) : table_(kSize + 1, 0.0f) {
    for (int i = 0; i < kSize; ++i) {
        double v = 0.0;
        for (size_t h = 0; h < amps.size(); ++h)
            v += amps[h] * std::sin(2.0 * 3.14159265358979323846 * double(h + 1) * i / kSize);
        table_[i] = static_cast<float>(v);
    }
    float peak = 0.0f;
    for (int i = 0; i < kSize; ++i)
        peak = std::max(peak, std::fabs(table_[i]));
    if (peak > 0.0f)
        for (float& v : table_)
            v /= peak;
    table_[kSize] = table_[0];
}

float WaveTable::At(float phase) const {
    float p = phase - std::floor(phase);
    const float x = p * kSize;
    int i = static_cast<int>(x);
    if (i >= kSize)
        i = kSize - 1;
    const float f = x - static_cast<float>(i);
    return table_[i] + (table_[i + 1] - table_[i]) * f;
}

const WaveTable& WaveTable::Sine() {
    static const WaveTable t({1.0f});
    return t;
}

const WaveTable& WaveTable::Soft() {
    static const WaveTable t = [] {
        std::vector<float> a;
        for (int n = 1; n <= 12; ++n)
            a.push_back(1.0f / std::pow(static_cast<float>(n), 1.4f));
        return WaveTable(a);
    }();
    return t;
}

const WaveTable& WaveTable::Hollow() {
    static const WaveTable t({1.0f, 0.06f, 0.22f, 0.03f, 0.08f, 0.0f, 0.03f});
    return t;
}

// ---- Filters ----

void OnePole::SetCutoff(float hz) {
    const float c = std::clamp(hz, 1.0f, kRate * 0.49f);
    a_ = 1.0f - std::exp(-kTwoPi * c / kRate);
}

float OnePole::Low(float x) {
    z_ += a_ * (x - z_);
    return z_;
}

void Svf::Set(float hz, float q) {
    const float c = std::clamp(hz, 10.0f, kRate * 0.45f);
    // Two passes per sample: the coefficient of the doubled rate.
    f_ = 2.0f * std::sin(kPi * c / (2.0f * kRate));
    damp_ = 1.0f / std::max(q, 0.5f);
}

void Svf::Run(float x) {
    for (int pass = 0; pass < 2; ++pass) {
        low += f_ * band;
        high = x - low - damp_ * band;
        band += f_ * high;
    }
}

float DecayPerSample(float t60) {
    if (t60 <= 0.0f)
        return 0.0f;
    return std::pow(0.001f, 1.0f / (t60 * kRate));
}

float Ahr(float t, float attack, float hold, float release) {
    if (t < 0.0f)
        return 0.0f;
    if (t < attack)
        return t / attack;
    hold = std::max(hold, attack);
    if (t < hold)
        return 1.0f;
    const float after = t - hold;
    return std::pow(0.001f, after / std::max(release, 0.001f));
}

// ---- Reverb ----

namespace {
constexpr int kCombTunings[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kPassTunings[] = {556, 441, 341, 225};
constexpr int kSpread = 23;
constexpr float kPassFeedback = 0.5f;
constexpr float kInputGain = 0.015f;
} // namespace

Reverb::Reverb(float size, float damp)
    : feedback_(0.7f + 0.28f * std::clamp(size, 0.0f, 1.0f)),
      damp_(0.4f * std::clamp(damp, 0.0f, 1.0f)) {
    for (int t : kCombTunings) {
        combsL_.push_back(Comb{std::vector<float>(t, 0.0f)});
        combsR_.push_back(Comb{std::vector<float>(t + kSpread, 0.0f)});
    }
    for (int t : kPassTunings) {
        passL_.push_back(AllPass{std::vector<float>(t, 0.0f)});
        passR_.push_back(AllPass{std::vector<float>(t + kSpread, 0.0f)});
    }
}

float Reverb::RunChannel(std::vector<Comb>& combs, std::vector<AllPass>& passes, float x) {
    float out = 0.0f;
    for (Comb& c : combs) {
        const float y = c.line[c.pos];
        c.store = y * (1.0f - damp_) + c.store * damp_;
        c.line[c.pos] = x + c.store * feedback_;
        if (++c.pos == c.line.size())
            c.pos = 0;
        out += y;
    }
    for (AllPass& a : passes) {
        const float b = a.line[a.pos];
        a.line[a.pos] = out + b * kPassFeedback;
        if (++a.pos == a.line.size())
            a.pos = 0;
        out = b - out;
    }
    return out;
}

void Reverb::Process(const float* in, float* l, float* r, size_t count, float wet) {
    for (size_t i = 0; i < count; ++i) {
        const float x = in[i] * kInputGain;
        l[i] += wet * RunChannel(combsL_, passL_, x);
        r[i] += wet * RunChannel(combsR_, passR_, x);
    }
}

// ---- Levels ----

float Peak(const std::vector<float>& x) {
    float p = 0.0f;
    for (float v : x)
        p = std::max(p, std::fabs(v));
    return p;
}

float LoudestRms(const std::vector<float>& x, int channels, float window) {
    const size_t frames = x.size() / static_cast<size_t>(channels);
    const size_t w = std::max<size_t>(1, static_cast<size_t>(Samples(window)));
    if (frames == 0)
        return 0.0f;
    double best = 0.0;
    for (size_t start = 0; start < frames; start += w / 4 + 1) {
        const size_t end = std::min(frames, start + w);
        double sum = 0.0;
        for (size_t i = start * channels; i < end * channels; ++i)
            sum += double(x[i]) * x[i];
        const double n = double(std::max<size_t>(w, 1)) * channels;
        best = std::max(best, sum / n);
        if (end == frames)
            break;
    }
    return static_cast<float>(std::sqrt(best));
}

void Scale(std::vector<float>& x, float gain) {
    for (float& v : x)
        v *= gain;
}

void Fade(std::vector<float>& x, int channels, float in, float out) {
    const size_t frames = x.size() / static_cast<size_t>(channels);
    const size_t nIn = std::min(frames, static_cast<size_t>(Samples(in)));
    const size_t nOut = std::min(frames, static_cast<size_t>(Samples(out)));
    for (size_t i = 0; i < nIn; ++i)
        for (int c = 0; c < channels; ++c)
            x[i * channels + c] *= static_cast<float>(i) / static_cast<float>(nIn);
    for (size_t i = 0; i < nOut; ++i) {
        const size_t f = frames - 1 - i;
        for (int c = 0; c < channels; ++c)
            x[f * channels + c] *= static_cast<float>(i) / static_cast<float>(nOut);
    }
}

void RemoveDc(std::vector<float>& x, int channels) {
    const float a = 1.0f - kTwoPi * 8.0f / kRate;
    for (int c = 0; c < channels; ++c) {
        float prevIn = 0.0f, prevOut = 0.0f;
        for (size_t i = static_cast<size_t>(c); i < x.size(); i += channels) {
            const float y = x[i] - prevIn + a * prevOut;
            prevIn = x[i];
            prevOut = y;
            x[i] = y;
        }
    }
}

void TrimTail(std::vector<float>& x, float floor) {
    size_t last = 0;
    for (size_t i = 0; i < x.size(); ++i)
        if (std::fabs(x[i]) > floor)
            last = i;
    const size_t keep = std::min(x.size(), last + static_cast<size_t>(Samples(0.02)));
    x.resize(keep);
}

void LimitLoop(std::vector<float>& x, int channels, float ceiling, float release) {
    const size_t frames = x.size() / static_cast<size_t>(channels);
    if (frames == 0 || ceiling <= 0.0f)
        return;
    const size_t look = std::min(frames, static_cast<size_t>(Samples(0.004)) + 1);
    // The gain each frame needs on its own.
    std::vector<float> need(frames, 1.0f);
    for (size_t i = 0; i < frames; ++i) {
        float p = 0.0f;
        for (int c = 0; c < channels; ++c)
            p = std::max(p, std::fabs(x[i * channels + c]));
        if (p > ceiling)
            need[i] = ceiling / p;
    }
    // The lowest need within the look-ahead window (circular), then averaged
    // over the same length: every peak is reached, smoothly.
    std::vector<float> ahead(frames, 1.0f);
    for (size_t i = 0; i < frames; ++i) {
        if (need[i] >= 1.0f)
            continue;
        for (size_t k = 0; k < look; ++k) {
            const size_t j = (i + frames - k) % frames;
            ahead[j] = std::min(ahead[j], need[i]);
        }
    }
    std::vector<float> gain(frames, 1.0f);
    double sum = 0.0;
    for (size_t k = 0; k < look; ++k)
        sum += ahead[(frames - 1 - k) % frames];
    for (size_t i = 0; i < frames; ++i) {
        sum += ahead[i] - ahead[(i + frames - look) % frames];
        gain[i] = static_cast<float>(sum / static_cast<double>(look));
    }
    // Slow recovery; two turns round the loop settle the state at its start.
    const float up = 1.0f - std::exp(-1.0f / (std::max(release, 0.001f) * kRate));
    float g = 1.0f;
    for (int turn = 0; turn < 2; ++turn) {
        for (size_t i = 0; i < frames; ++i) {
            g = std::min(gain[i], g + (1.0f - g) * up);
            if (turn == 1)
                for (int c = 0; c < channels; ++c)
                    x[i * channels + c] *= g;
        }
    }
}

float SoftClip(float x) {
    return std::tanh(x);
}

} // namespace gen::synth
