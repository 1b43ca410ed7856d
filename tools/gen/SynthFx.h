#pragma once
// Noise and sweep textures for the sound effects: air, fire, thunder, stone,
// electricity. Each returns a fresh mono buffer at 44.1 kHz.
#include <cstdint>

#include "SynthVoices.h"

namespace gen::synth {

// Band-passed noise whose centre glides from f0 to f1 (exponentially), swelling
// in and out: wind, a swish, a flight through the air.
Mono Whoosh(float length, float f0, float f1, float q, uint32_t seed);
// Low rumble: noise through a low-pass closing from f0 to f1, dying away.
Mono Rumble(float length, float f0, float f1, uint32_t seed);
// A sine whose pitch falls from f0 to f1: the body of a thud or a boom.
Mono Thud(float length, float f0, float f1);
// A sine glide with a rise-and-fall envelope: risers and falling tones.
Mono Glide(float length, float f0, float f1);
// Sparse sharp snaps (electric crackle, fire): `density` snaps per second,
// thinning out over the length.
Mono Crackle(float length, float density, uint32_t seed);
// Falling stone: grains of band-passed noise between lo and hi hertz.
Mono Debris(float length, int grains, float lo, float hi, uint32_t seed);
// An electric discharge: a jittering buzz at `buzzHz` chopped by crackle, over
// an arc whose pitch falls from f0 to f1.
Mono Zap(float length, float buzzHz, float f0, float f1, uint32_t seed);
// Many coins falling and clinking over `length` seconds.
Mono CoinShower(float length, int coins, float pitch, uint32_t seed);
// A water bubble: a short sine rising in pitch.
Mono Bubble(float hz, float vel);

} // namespace gen::synth
