#include "SynthFx.h"

#include <algorithm>
#include <cmath>

namespace gen::synth {

namespace {

Mono Silence(float length) {
    return Mono(static_cast<size_t>(Samples(length)), 0.0f);
}

// Rise-and-fall shape over 0..1: quick rise, longer fall.
float Swell(float u) {
    if (u <= 0.0f || u >= 1.0f)
        return 0.0f;
    const float rise = 0.3f;
    if (u < rise) {
        const float s = std::sin(0.5f * kPi * u / rise);
        return s * s;
    }
    const float v = (u - rise) / (1.0f - rise);
    return (1.0f - v) * (1.0f - v);
}

float Glide01(float f0, float f1, float u) {
    return f0 * std::pow(f1 / f0, u);
}

} // namespace

Mono Whoosh(float length, float f0, float f1, float q, uint32_t seed) {
    Mono out = Silence(length);
    Rng rng(seed);
    Svf band;
    const float n = static_cast<float>(out.size());
    for (size_t i = 0; i < out.size(); ++i) {
        const float u = static_cast<float>(i) / n;
        if (i % 16 == 0)
            band.Set(Glide01(f0, f1, u), q);
        band.Run(rng.Signed());
        out[i] = Swell(u) * band.band;
    }
    Fade(out, 1, 0.002f, 0.01f);
    return out;
}

Mono Rumble(float length, float f0, float f1, uint32_t seed) {
    Mono out = Silence(length);
    Rng rng(seed);
    OnePole a, b;
    const float n = static_cast<float>(out.size());
    const float k = DecayPerSample(length);
    float env = 1.0f;
    for (size_t i = 0; i < out.size(); ++i) {
        const float u = static_cast<float>(i) / n;
        if (i % 32 == 0) {
            const float c = Glide01(f0, f1, u);
            a.SetCutoff(c);
            b.SetCutoff(c);
        }
        out[i] = env * b.Low(a.Low(rng.Signed())) * 3.0f;
        env *= k;
    }
    Fade(out, 1, 0.003f, 0.02f);
    return out;
}

Mono Thud(float length, float f0, float f1) {
    Mono out = Silence(length);
    Phase ph;
    const float k = DecayPerSample(length);
    const float bend = DecayPerSample(length * 0.3f);
    float a = 1.0f, b = 1.0f;
    for (size_t i = 0; i < out.size(); ++i) {
        const float f = f1 + (f0 - f1) * b;
        out[i] = a * Sin(ph.Step(f));
        a *= k;
        b *= bend;
    }
    Fade(out, 1, 0.001f, 0.02f);
    return out;
}

Mono Glide(float length, float f0, float f1) {
    Mono out = Silence(length);
    Phase ph;
    const float n = static_cast<float>(out.size());
    for (size_t i = 0; i < out.size(); ++i) {
        const float u = static_cast<float>(i) / n;
        out[i] = Swell(u) * Sin(ph.Step(Glide01(f0, f1, u)));
    }
    Fade(out, 1, 0.002f, 0.01f);
    return out;
}

Mono Crackle(float length, float density, uint32_t seed) {
    Mono out = Silence(length);
    Rng rng(seed);
    OnePole hp, lp;
    hp.SetCutoff(1800.0f);
    lp.SetCutoff(8000.0f);
    const float n = static_cast<float>(out.size());
    float snap = 0.0f;
    const float snapK = DecayPerSample(0.004f);
    for (size_t i = 0; i < out.size(); ++i) {
        const float u = static_cast<float>(i) / n;
        const float rate = density * (1.0f - u) * (1.0f - u) / kRate;
        if (rng.Chance(rate))
            snap = rng.Range(0.3f, 1.0f) * (rng.Chance(0.5f) ? 1.0f : -1.0f);
        out[i] = lp.Low(hp.High(snap * rng.Signed()));
        snap *= snapK;
    }
    Fade(out, 1, 0.001f, 0.01f);
    return out;
}

Mono Debris(float length, int grains, float lo, float hi, uint32_t seed) {
    Mono out = Silence(length);
    Rng rng(seed);
    for (int g = 0; g < grains; ++g) {
        // More stones early, fewer and quieter later.
        const float u = rng.Uniform();
        const float at = length * u * u * 0.85f;
        const float hz = lo * std::pow(hi / lo, rng.Uniform());
        const float len = rng.Range(0.015f, 0.06f);
        Svf band;
        band.Set(hz, rng.Range(2.0f, 6.0f));
        Mono grain = Silence(len);
        const float k = DecayPerSample(len);
        float a = 1.0f;
        for (float& s : grain) {
            band.Run(rng.Signed());
            s = a * band.band;
            a *= k;
        }
        Fade(grain, 1, 0.0005f, 0.003f);
        MixInto(out, grain, Samples(at), rng.Range(0.3f, 1.0f) * (1.0f - 0.6f * u));
    }
    out.resize(static_cast<size_t>(Samples(length)));
    Fade(out, 1, 0.001f, 0.02f);
    return out;
}

Mono Zap(float length, float buzzHz, float f0, float f1, uint32_t seed) {
    Mono out = Silence(length);
    Rng rng(seed);
    Phase buzz, arc;
    OnePole lp, hp;
    lp.SetCutoff(7000.0f);
    hp.SetCutoff(120.0f);
    const float n = static_cast<float>(out.size());
    float gate = 1.0f, gateTarget = 1.0f;
    float jitter = 0.0f;
    for (size_t i = 0; i < out.size(); ++i) {
        const float u = static_cast<float>(i) / n;
        // The arc flickers: its level jumps to a new random value now and then.
        if (rng.Chance(180.0f / kRate))
            gateTarget = rng.Chance(0.25f) ? 0.1f : rng.Range(0.5f, 1.0f);
        gate += 0.01f * (gateTarget - gate);
        if (i % 64 == 0)
            jitter = 0.06f * rng.Signed();
        const float b = buzz.Step(buzzHz * (1.0f + jitter));
        const float saw = 2.0f * b - 1.0f;
        const float sweep = Sin(arc.Step(Glide01(f0, f1, u)));
        const float env = (1.0f - u) * (1.0f - u) * std::min(1.0f, u * 60.0f);
        const float x = 0.55f * saw * gate + 0.35f * sweep + 0.25f * rng.Signed() * gate;
        out[i] = env * hp.High(lp.Low(x));
    }
    const Mono crackle = Crackle(length, 90.0f, seed * 7 + 1);
    MixInto(out, crackle, 0, 0.8f);
    Fade(out, 1, 0.001f, 0.015f);
    return out;
}

Mono CoinShower(float length, int coins, float pitch, uint32_t seed) {
    Mono out = Silence(length);
    Rng rng(seed);
    for (int c = 0; c < coins; ++c) {
        const float u = rng.Uniform();
        const float at = length * 0.8f * std::sqrt(u) * u;
        const float hz = pitch * rng.Range(0.8f, 1.35f);
        const uint32_t s = rng.Next();
        const float vel = rng.Range(0.4f, 1.0f) * (1.0f - 0.5f * u);
        MixInto(out, Coin(hz, vel, s), Samples(at), 1.0f);
        // A coin often bounces once, softer and a little later.
        if (rng.Chance(0.5f))
            MixInto(out, Coin(hz * 1.01f, vel * 0.4f, s + 1), Samples(at + rng.Range(0.04f, 0.09f)),
                    1.0f);
    }
    out.resize(static_cast<size_t>(Samples(length)));
    Fade(out, 1, 0.001f, 0.03f);
    return out;
}

Mono Bubble(float hz, float vel) {
    const float length = 0.09f;
    Mono out = Silence(length);
    Phase ph;
    const float n = static_cast<float>(out.size());
    const float k = DecayPerSample(length);
    float a = vel;
    for (size_t i = 0; i < out.size(); ++i) {
        const float u = static_cast<float>(i) / n;
        out[i] = a * Sin(ph.Step(hz * (1.0f + 0.9f * u * u)));
        a *= k;
    }
    Fade(out, 1, 0.002f, 0.01f);
    return out;
}

} // namespace gen::synth
