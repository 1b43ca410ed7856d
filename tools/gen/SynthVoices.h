#pragma once
// The instruments of the game's sound palette. Each renders one note into a
// fresh mono buffer at 44.1 kHz that starts at the note's onset and runs until
// the note has died away; MixInto / MixPanned add it into a longer buffer.
#include <cstdint>
#include <vector>

#include "SynthCore.h"

namespace gen::synth {

struct Note {
    float hz = 440.0f;
    float hold = 0.25f; // seconds the note is held before it is released
    float vel = 1.0f;   // 0..1
    uint32_t seed = 1;  // variation of noise and detune
};

using Mono = std::vector<float>;

// Tuned wooden bars: a warm fundamental, the bar's overtones at about 4 and 10
// times, and a short mallet knock.
Mono Marimba(const Note& n);
// Breathy, hollow flute with a soft chiff and a late vibrato.
Mono PanFlute(const Note& n);
// Plucked string (Karplus-Strong); brightness 0..1 shapes the excitation.
Mono Pluck(const Note& n, float brightness);
// Slow, soft pad of detuned rounded saws.
Mono Pad(const Note& n);
// A mellow horn whose brightness opens with the attack: fanfares.
Mono Horn(const Note& n);
// A glass chime with harmonic overtones, so its pitch reads clearly.
Mono GlassChime(const Note& n, float ring);
// An FM bell; `ratio` sets the modulator (inharmonic ratios sound metallic).
Mono Bell(const Note& n, float ratio, float index, float ring);

enum class Drum { Low, Open, Slap, Rim };
// Hand drum strokes; `tune` scales the drum's pitch around its natural one.
Mono HandDrum(Drum stroke, float tune, float vel, uint32_t seed);
// One shake of a seed shaker; `length` seconds of decay.
Mono Shaker(float vel, float length, uint32_t seed);

// A hollow wooden knock at `hz`.
Mono WoodBlock(float hz, float vel, float length);
// A small stone knock: noisy, dry, with a low body.
Mono StoneClick(float hz, float vel, uint32_t seed);
// A coin's clink: bright inharmonic partials.
Mono Coin(float hz, float vel, uint32_t seed);
// A clock's tick: a click and a short metallic ring at `hz`.
Mono ClockTick(float hz, float vel, uint32_t seed);

// Adds src (times gain) into dst from sample `at`, growing dst as needed.
void MixInto(Mono& dst, const Mono& src, int at, float gain);
// The same into a stereo pair by equal-power pan -1 (left) .. 1 (right).
void MixPanned(Mono& l, Mono& r, const Mono& src, int at, float gain, float pan);

} // namespace gen::synth
