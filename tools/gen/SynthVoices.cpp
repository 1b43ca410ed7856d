#include "SynthVoices.h"

#include <algorithm>
#include <cmath>

namespace gen::synth {

namespace {

// A decaying sine partial added into `out`.
void AddPartial(Mono& out, float hz, float amp, float t60, float startPhase = 0.0f) {
    if (hz >= kRate * 0.45f || amp == 0.0f)
        return;
    const float k = DecayPerSample(t60);
    const size_t n = std::min(out.size(), static_cast<size_t>(Samples(t60)));
    Phase ph;
    ph.value = startPhase;
    float a = amp;
    for (size_t i = 0; i < n; ++i) {
        out[i] += a * Sin(ph.Step(hz));
        a *= k;
    }
}

// A short burst of filtered noise: the strike of a mallet, stick or hand.
void AddStrike(Mono& out, Rng& rng, float amp, float length, float lowHz, float highHz) {
    OnePole lp, hp;
    lp.SetCutoff(highHz);
    hp.SetCutoff(lowHz);
    const size_t n = std::min(out.size(), static_cast<size_t>(Samples(length)));
    const float k = DecayPerSample(length);
    float a = amp;
    for (size_t i = 0; i < n; ++i) {
        out[i] += a * hp.High(lp.Low(rng.Signed()));
        a *= k;
    }
}

// Short linear ramps at both ends so that no note starts or stops with a step.
void Ramp(Mono& x, float in, float out) {
    Fade(x, 1, in, out);
}

} // namespace

Mono Marimba(const Note& n) {
    const float base = std::clamp(1.5f * std::sqrt(220.0f / n.hz), 0.25f, 2.2f);
    const float length = std::max(base, std::min(n.hold, base * 1.5f));
    Mono out(static_cast<size_t>(Samples(length)), 0.0f);
    const float v = n.vel;
    AddPartial(out, n.hz, v, base);
    AddPartial(out, n.hz * 3.93f, 0.28f * v * v, base * 0.28f);
    AddPartial(out, n.hz * 9.7f, 0.10f * v * v, base * 0.09f);
    Rng rng(n.seed);
    AddStrike(out, rng, 0.18f * v, 0.006f, 300.0f, 2500.0f + 2000.0f * v);
    Ramp(out, 0.0015f, 0.02f);
    return out;
}

Mono PanFlute(const Note& n) {
    const float release = 0.22f;
    const float length = n.hold + release;
    Mono out(static_cast<size_t>(Samples(length)), 0.0f);
    Rng rng(n.seed);
    Phase body, vib;
    Svf breath;
    breath.Set(n.hz * 1.02f, 2.5f);
    Svf chiff;
    chiff.Set(std::min(n.hz * 3.0f, 9000.0f), 1.5f);
    OnePole tone;
    tone.SetCutoff(std::max(1500.0f, n.hz * 5.0f));
    const float attack = 0.055f;
    const float vibRate = 4.8f + 0.6f * rng.Uniform();
    const float breathAmount = 0.10f + 0.05f * rng.Uniform();
    for (size_t i = 0; i < out.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float env = Ahr(t, attack, n.hold, release);
        // Vibrato arrives only on held notes, a fifth of a second in.
        const float vibDepth = 0.0045f * std::clamp((t - 0.2f) * 3.0f, 0.0f, 1.0f);
        const float hz = n.hz * (1.0f + vibDepth * Sin(vib.Step(vibRate)));
        const float noise = rng.Signed();
        breath.Run(noise);
        chiff.Run(noise);
        const float chiffEnv = t < 0.05f ? (1.0f - t / 0.05f) : 0.0f;
        const float x = tone.Low(WaveTable::Hollow().At(body.Step(hz))) * (0.8f + 0.2f * env);
        out[i] = env * (x + breathAmount * 3.0f * breath.band) + 0.12f * chiffEnv * chiff.band;
        out[i] *= n.vel;
    }
    Ramp(out, 0.002f, 0.01f);
    return out;
}

Mono Pluck(const Note& n, float brightness) {
    const float ring = std::clamp(4.0f * std::sqrt(110.0f / n.hz), 0.6f, 6.0f);
    const float damped = 0.12f;
    const float length = std::min(ring, n.hold + damped * 1.5f);
    Mono out(static_cast<size_t>(Samples(length)) + 1, 0.0f);
    // The loop's averaging filter adds half a sample of delay; an all-pass
    // takes the fraction so that the pitch is exact.
    const float delay = static_cast<float>(kRate) / n.hz - 0.5f;
    const int whole = std::max(2, static_cast<int>(delay - 0.1f));
    const float frac = delay - static_cast<float>(whole);
    const float c = (1.0f - frac) / (1.0f + frac);
    std::vector<float> line(static_cast<size_t>(whole), 0.0f);
    Rng rng(n.seed);
    OnePole shape;
    shape.SetCutoff(n.hz * (1.5f + 14.0f * brightness));
    for (float& s : line)
        s = shape.Low(rng.Signed());
    // Remove the excitation's offset, which would otherwise hum on.
    float mean = 0.0f;
    for (float s : line)
        mean += s;
    mean /= static_cast<float>(line.size());
    for (float& s : line)
        s -= mean;
    const float periods = n.hz * ring;
    const float gain = std::pow(0.001f, 1.0f / std::max(periods, 1.0f));
    const float dampGain = std::pow(0.001f, 1.0f / std::max(n.hz * damped, 1.0f));
    const size_t holdEnd = static_cast<size_t>(Samples(n.hold));
    size_t pos = 0;
    float prev = 0.0f, apIn = 0.0f, apOut = 0.0f;
    for (size_t i = 0; i < out.size(); ++i) {
        const float y = line[pos];
        const float avg = 0.5f * (y + prev);
        prev = y;
        const float ap = c * avg + apIn - c * apOut;
        apIn = avg;
        apOut = ap;
        line[pos] = ap * (i < holdEnd ? gain : dampGain);
        if (++pos == line.size())
            pos = 0;
        out[i] = y * n.vel;
    }
    Ramp(out, 0.001f, 0.015f);
    return out;
}

Mono Pad(const Note& n) {
    const float attack = std::min(0.6f, 0.3f + 0.2f * n.hold);
    const float release = 1.1f;
    const float length = n.hold + release;
    Mono out(static_cast<size_t>(Samples(length)), 0.0f);
    Rng rng(n.seed);
    Phase p[3];
    const float detune[3] = {1.0f, 1.0041f, 0.9958f};
    for (Phase& ph : p)
        ph.value = rng.Uniform();
    OnePole lp1, lp2;
    const float cutoff = std::clamp(n.hz * 2.5f, 500.0f, 3000.0f);
    lp1.SetCutoff(cutoff);
    lp2.SetCutoff(cutoff);
    Phase swell;
    const float swellRate = 0.15f + 0.1f * rng.Uniform();
    for (size_t i = 0; i < out.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float env = Ahr(t, attack, n.hold, release);
        float x = 0.0f;
        for (int k = 0; k < 3; ++k)
            x += WaveTable::Soft().At(p[k].Step(n.hz * detune[k]));
        const float movement = 1.0f + 0.08f * Sin(swell.Step(swellRate));
        out[i] = env * movement * lp2.Low(lp1.Low(x)) * (n.vel / 3.0f);
    }
    Ramp(out, 0.005f, 0.05f);
    return out;
}

Mono Horn(const Note& n) {
    const float release = 0.25f;
    const float length = n.hold + release;
    Mono out(static_cast<size_t>(Samples(length)), 0.0f);
    Rng rng(n.seed);
    Phase p1, p2, vib;
    p2.value = 0.3;
    Svf filter;
    const float attack = 0.045f;
    for (size_t i = 0; i < out.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float env = Ahr(t, attack, n.hold, release);
        // The tone opens as the lips buzz up, then settles a little darker.
        const float open = t < attack * 1.5f
                               ? t / (attack * 1.5f)
                               : 1.0f - 0.25f * std::min(1.0f, (t - attack * 1.5f) * 2.0f);
        if (i % 16 == 0)
            filter.Set(std::min(n.hz * (1.2f + 4.5f * open * n.vel), 9000.0f), 0.8f);
        const float vibDepth = 0.003f * std::clamp((t - 0.25f) * 2.0f, 0.0f, 1.0f);
        const float hz = n.hz * (1.0f + vibDepth * Sin(vib.Step(5.2f)));
        const float x =
            WaveTable::Soft().At(p1.Step(hz)) + 0.6f * WaveTable::Soft().At(p2.Step(hz * 1.003f));
        filter.Run(x);
        out[i] = env * filter.low * 0.65f * n.vel;
    }
    Ramp(out, 0.002f, 0.03f);
    return out;
}

Mono GlassChime(const Note& n, float ring) {
    const float t60 = std::max(0.2f, ring);
    Mono out(static_cast<size_t>(Samples(t60)), 0.0f);
    Rng rng(n.seed);
    const float v = n.vel;
    AddPartial(out, n.hz, v, t60);
    AddPartial(out, n.hz * 1.0007f, 0.25f * v, t60 * 0.8f, 0.25f); // a slow shimmer
    AddPartial(out, n.hz * 2.0f, 0.42f * v, t60 * 0.6f);
    AddPartial(out, n.hz * 3.0f, 0.20f * v, t60 * 0.35f);
    AddPartial(out, n.hz * 4.16f, 0.12f * v, t60 * 0.12f);
    AddStrike(out, rng, 0.05f * v, 0.004f, 3000.0f, 12000.0f);
    Ramp(out, 0.001f, 0.02f);
    return out;
}

Mono Bell(const Note& n, float ratio, float index, float ring) {
    const float t60 = std::max(0.1f, ring);
    Mono out(static_cast<size_t>(Samples(t60)), 0.0f);
    Phase car, mod;
    const float k = DecayPerSample(t60);
    const float kIndex = DecayPerSample(t60 * 0.4f);
    float a = n.vel, idx = index;
    for (size_t i = 0; i < out.size(); ++i) {
        const float m = Sin(mod.Step(n.hz * ratio));
        out[i] = a * Sin(car.Step(n.hz) + idx * m * (1.0f / kTwoPi));
        a *= k;
        idx *= kIndex;
    }
    Ramp(out, 0.001f, 0.02f);
    return out;
}

Mono HandDrum(Drum stroke, float tune, float vel, uint32_t seed) {
    Rng rng(seed);
    float hz = 0.0f, t60 = 0.0f, bend = 0.0f, noiseAmp = 0.0f, noiseLen = 0.0f;
    float lo = 0.0f, hi = 0.0f;
    switch (stroke) {
    case Drum::Low:
        hz = 78.0f;
        t60 = 0.45f;
        bend = 0.6f;
        noiseAmp = 0.15f;
        noiseLen = 0.01f;
        lo = 80.0f;
        hi = 900.0f;
        break;
    case Drum::Open:
        hz = 210.0f;
        t60 = 0.32f;
        bend = 0.25f;
        noiseAmp = 0.25f;
        noiseLen = 0.012f;
        lo = 300.0f;
        hi = 3000.0f;
        break;
    case Drum::Slap:
        hz = 330.0f;
        t60 = 0.12f;
        bend = 0.1f;
        noiseAmp = 0.9f;
        noiseLen = 0.03f;
        lo = 1200.0f;
        hi = 7000.0f;
        break;
    case Drum::Rim:
        hz = 620.0f;
        t60 = 0.07f;
        bend = 0.05f;
        noiseAmp = 0.5f;
        noiseLen = 0.008f;
        lo = 2000.0f;
        hi = 9000.0f;
        break;
    }
    hz *= tune * (1.0f + 0.01f * rng.Signed());
    Mono out(static_cast<size_t>(Samples(t60)), 0.0f);
    // The skin's first mode with a quick downward bend, and its next two
    // (inharmonic) modes much shorter.
    Phase p1, p2, p3;
    const float k = DecayPerSample(t60);
    const float k2 = DecayPerSample(t60 * 0.35f);
    const float bendK = DecayPerSample(0.05f);
    float a = 1.0f, a2 = 0.45f, b = bend;
    for (size_t i = 0; i < out.size(); ++i) {
        const float f = hz * (1.0f + b);
        out[i] =
            a * Sin(p1.Step(f)) + a2 * (Sin(p2.Step(f * 1.59f)) + 0.6f * Sin(p3.Step(f * 2.14f)));
        a *= k;
        a2 *= k2;
        b *= bendK;
    }
    AddStrike(out, rng, noiseAmp, noiseLen, lo, hi);
    for (float& s : out)
        s *= vel;
    Ramp(out, 0.0008f, 0.02f);
    return out;
}

Mono Shaker(float vel, float length, uint32_t seed) {
    Rng rng(seed);
    const float attack = 0.012f;
    Mono out(static_cast<size_t>(Samples(attack + length)), 0.0f);
    Svf band;
    band.Set(5500.0f + 1500.0f * rng.Uniform(), 1.5f);
    OnePole soft;
    soft.SetCutoff(8000.0f);
    for (size_t i = 0; i < out.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float env = t < attack ? t / attack : std::pow(0.001f, (t - attack) / length);
        // Seeds hit the shell at random: a grainy rather than smooth hiss.
        const float grain = rng.Chance(0.35f) ? rng.Signed() : 0.0f;
        band.Run(grain);
        out[i] = env * soft.Low(band.band) * vel;
    }
    Ramp(out, 0.0005f, 0.01f);
    return out;
}

Mono WoodBlock(float hz, float vel, float length) {
    Mono out(static_cast<size_t>(Samples(length)), 0.0f);
    AddPartial(out, hz, 1.0f, length);
    AddPartial(out, hz * 2.71f, 0.45f, length * 0.45f);
    AddPartial(out, hz * 4.53f, 0.2f, length * 0.25f);
    Rng rng(static_cast<uint32_t>(hz));
    AddStrike(out, rng, 0.5f, 0.004f, 1500.0f, 9000.0f);
    for (float& s : out)
        s *= vel;
    Ramp(out, 0.0005f, 0.005f);
    return out;
}

Mono StoneClick(float hz, float vel, uint32_t seed) {
    const float length = 0.09f;
    Mono out(static_cast<size_t>(Samples(length)), 0.0f);
    Rng rng(seed);
    AddPartial(out, hz * 0.5f, 0.5f, length * 0.7f);
    AddPartial(out, hz, 0.55f, length * 0.3f);
    AddPartial(out, hz * 2.33f, 0.3f, length * 0.18f);
    // Grit: a noise burst shaped around the knock's pitch.
    Svf grit;
    grit.Set(hz * 2.0f, 1.5f);
    const float k = DecayPerSample(0.025f);
    float a = 1.2f;
    for (size_t i = 0; i < out.size(); ++i) {
        grit.Run(rng.Signed());
        out[i] += a * grit.band;
        a *= k;
    }
    for (float& s : out)
        s *= vel;
    Ramp(out, 0.0005f, 0.008f);
    return out;
}

Mono Coin(float hz, float vel, uint32_t seed) {
    Rng rng(seed);
    const float t60 = rng.Range(0.18f, 0.4f);
    Mono out(static_cast<size_t>(Samples(t60)), 0.0f);
    const float ratios[] = {1.0f, 1.47f, 2.09f, 2.56f, 3.37f};
    for (int i = 0; i < 5; ++i)
        AddPartial(out, hz * ratios[i] * (1.0f + 0.01f * rng.Signed()),
                   rng.Range(0.3f, 1.0f) / (1.0f + 0.5f * i), t60 / (1.0f + 0.6f * i),
                   rng.Uniform());
    AddStrike(out, rng, 0.4f, 0.003f, 3000.0f, 12000.0f);
    for (float& s : out)
        s *= vel * 0.5f;
    Ramp(out, 0.0005f, 0.01f);
    return out;
}

Mono ClockTick(float hz, float vel, uint32_t seed) {
    const float length = 0.06f;
    Mono out(static_cast<size_t>(Samples(length)), 0.0f);
    Rng rng(seed);
    AddStrike(out, rng, 0.9f, 0.004f, 2500.0f, 11000.0f);
    AddPartial(out, hz, 0.5f, 0.035f);
    AddPartial(out, hz * 1.73f, 0.3f, 0.02f);
    AddPartial(out, hz * 0.31f, 0.25f, 0.03f); // the case's body
    for (float& s : out)
        s *= vel;
    Ramp(out, 0.0003f, 0.005f);
    return out;
}

void MixInto(Mono& dst, const Mono& src, int at, float gain) {
    if (at < 0)
        at = 0;
    const size_t need = static_cast<size_t>(at) + src.size();
    if (dst.size() < need)
        dst.resize(need, 0.0f);
    float* d = dst.data() + at;
    for (size_t i = 0; i < src.size(); ++i)
        d[i] += gain * src[i];
}

void MixPanned(Mono& l, Mono& r, const Mono& src, int at, float gain, float pan) {
    const float angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0f) * 0.25f * kPi;
    MixInto(l, src, at, gain * std::cos(angle) * 1.4142f);
    MixInto(r, src, at, gain * std::sin(angle) * 1.4142f);
}

} // namespace gen::synth
