#pragma once
// Building blocks of the sound and music generators: a seeded random source,
// table oscillators, simple filters, a small stereo reverb and the level tools
// (peak, loudness, fades). Everything runs at 44.1 kHz on float samples in
// -1..1 and is deterministic: the same seed always gives the same samples.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gen::synth {

constexpr int kRate = 44100;
constexpr float kPi = 3.14159265358979f;
constexpr float kTwoPi = 6.28318530717959f;

// Seconds to whole samples (never negative).
int Samples(double seconds);
// Frequency of a MIDI note number (69 = A4 = 440 Hz); fractions allowed.
float MidiHz(float note);

// xorshift64* generator: fast, seedable, identical on every platform.
class Rng {
public:
    explicit Rng(uint64_t seed);
    uint32_t Next();
    float Uniform();                 // 0 .. 1 (1 excluded)
    float Range(float lo, float hi); // lo .. hi
    float Signed() { return Range(-1.0f, 1.0f); }
    int Int(int count); // 0 .. count-1 (0 when count < 1)
    bool Chance(float p) { return Uniform() < p; }

private:
    uint64_t state_;
};

// One period of a waveform in a power-of-two table, read by phase 0..1 with
// linear interpolation.
class WaveTable {
public:
    // Additive: harmonic n (1-based) gets amplitude amps[n-1].
    explicit WaveTable(const std::vector<float>& amps);
    float At(float phase) const;

    static const WaveTable& Sine();
    // A soft, rounded saw (12 harmonics rolling off): pads and horns.
    static const WaveTable& Soft();
    // Odd harmonics only, hollow and woody: the flute's body.
    static const WaveTable& Hollow();

private:
    static constexpr int kSize = 4096;
    std::vector<float> table_;
};

inline float Sin(float phase) {
    return WaveTable::Sine().At(phase);
}

// A phase accumulator, in cycles.
struct Phase {
    double value = 0.0;
    float Step(float hz) {
        const float p = static_cast<float>(value);
        value += static_cast<double>(hz) / kRate;
        value -= static_cast<double>(static_cast<int64_t>(value));
        return p;
    }
};

// One-pole low-pass; High() gives the matching high-pass of the same input.
class OnePole {
public:
    void SetCutoff(float hz);
    float Low(float x);
    float High(float x) { return x - Low(x); }

private:
    float a_ = 1.0f;
    float z_ = 0.0f;
};

// State-variable filter (Chamberlin, two passes per sample for stability up
// to high cutoffs): low, band and high outputs of one input.
class Svf {
public:
    void Set(float hz, float q);
    void Run(float x);
    float low = 0.0f, band = 0.0f, high = 0.0f;

private:
    float f_ = 0.1f;
    float damp_ = 1.0f;
};

// Exponential decay envelope: value falls by 60 dB in `t60` seconds.
float DecayPerSample(float t60);

// Attack-hold-release envelope value at time t (seconds) of a note that is
// held `hold` seconds: linear rise over `attack`, then exponential fall with
// `release` (t60) once the hold ends.
float Ahr(float t, float attack, float hold, float release);

// Small stereo room after the classic comb and all-pass design; `size` 0..1
// sets the decay, `damp` 0..1 the darkening of the tail.
class Reverb {
public:
    Reverb(float size, float damp);
    // Adds the wet signal of `in` (mono or the sum of a stereo pair) into l, r.
    void Process(const float* in, float* l, float* r, size_t count, float wet);

private:
    struct Comb {
        std::vector<float> line;
        size_t pos = 0;
        float store = 0.0f;
    };
    struct AllPass {
        std::vector<float> line;
        size_t pos = 0;
    };
    float RunChannel(std::vector<Comb>& combs, std::vector<AllPass>& passes, float x);
    std::vector<Comb> combsL_, combsR_;
    std::vector<AllPass> passL_, passR_;
    float feedback_;
    float damp_;
};

// Level tools.
float Peak(const std::vector<float>& x);
// The loudest root-mean-square over windows of `window` seconds.
float LoudestRms(const std::vector<float>& x, int channels, float window);
void Scale(std::vector<float>& x, float gain);
// Linear fade-in over `in` and fade-out over `out` seconds (mono or
// interleaved stereo).
void Fade(std::vector<float>& x, int channels, float in, float out);
// Removes a constant offset (a high-pass at a few hertz).
void RemoveDc(std::vector<float>& x, int channels);
// Drops trailing samples below `floor` (absolute), keeping a short margin.
void TrimTail(std::vector<float>& x, float floor);
// Holds the peaks of a loop (interleaved, `channels`) below `ceiling` with a
// smooth gain: attacks reach each peak just in time (a few milliseconds of
// look-ahead), releases recover over `release` seconds. The loop is treated as
// circular, so its end flows into its start without a jump in gain.
void LimitLoop(std::vector<float>& x, int channels, float ceiling, float release);
// Gentle saturation for thick sounds.
float SoftClip(float x);

} // namespace gen::synth
