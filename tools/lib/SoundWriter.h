#pragma once
// Writers for the sound formats the game reads, for the data generator and for
// tests that need real files: PCM wave and Ogg Vorbis. Output is deterministic:
// the same samples and settings always give the same bytes (the Ogg stream has
// a fixed serial number and no comments).
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tk {

// Samples are interleaved frames: channel 0, channel 1, ... of frame 0, then
// frame 1 ... Their count must be a whole number of frames. 1..8 channels.

// 16-bit PCM wave file.
bool EncodeWav(std::span<const int16_t> samples, int channels, int rate, std::vector<uint8_t>& out);
bool WriteWav(const std::string& path, std::span<const int16_t> samples, int channels, int rate);

// Ogg Vorbis at a variable bit rate; quality -0.1 (smallest) .. 1.0 (best).
// Float samples run -1..1.
bool EncodeOgg(std::span<const float> samples, int channels, int rate, float quality,
               std::vector<uint8_t>& out);
bool EncodeOgg(std::span<const int16_t> samples, int channels, int rate, float quality,
               std::vector<uint8_t>& out);
bool WriteOgg(const std::string& path, std::span<const float> samples, int channels, int rate,
              float quality);
bool WriteOgg(const std::string& path, std::span<const int16_t> samples, int channels, int rate,
              float quality);

} // namespace tk
