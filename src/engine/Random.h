#pragma once
// Random helpers on the game's one 15-bit generator (platform/Rand15.h), and the
// hexadecimal reader of colour values in configuration and form files.
#include <cstdint>
#include <string_view>

// One draw divided by 32767: 0.0 and 1.0 are both possible.
float RandomFloat();

// An opaque colour: two channels placed symmetrically inside [low1, high1], the
// third drawn from [low2, high2], and which channel gets which chosen at random.
// Intensities are 0..1; values outside are clamped to the channel's range.
uint32_t RandomColour(float low1, float high1, float low2, float high2);

// The value of the first eight characters read as hexadecimal digits; a character
// that is no digit counts as 0.
uint32_t ParseHex(std::string_view text);
