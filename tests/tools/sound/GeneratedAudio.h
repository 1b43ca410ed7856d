#pragma once
// Shared pieces of the sound and music generator tests: one generated game
// folder per test run (made on first use, removed at exit), decoding of the
// shipped files and a pitch estimate.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace soundtest {

namespace fs = std::filesystem;

// Game folders written once per test run, one by the sound generator, one by
// the music generator. Empty when generation failed (the tests then fail).
const fs::path& GeneratedSounds();
const fs::path& GeneratedMusic();
fs::path SfxFolder();   // <sounds>/Data/Sfx
fs::path MusicFolder(); // <music>/Music

// A decoded file as interleaved samples scaled to -1..1.
struct Pcm {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;
    size_t Frames() const { return channels ? samples.size() / channels : 0; }
    float Seconds() const { return rate ? static_cast<float>(Frames()) / rate : 0.0f; }
    std::vector<float> Mono() const; // channels averaged
    float Peak() const;              // the largest magnitude
    double Energy() const;           // the sum of the squared samples
};
// False when the file does not decode.
bool Decode(const fs::path& path, Pcm& out);

// Fundamental frequency of `x` around `start` (YIN difference method), 0 when
// no period between `lowHz` and `highHz` stands out.
float EstimatePitch(const std::vector<float>& x, int rate, size_t start, float lowHz, float highHz);

// Every file of a folder tree, relative path -> bytes.
std::vector<std::pair<std::string, std::string>> ReadTree(const fs::path& root);
void CopyTree(const fs::path& from, const fs::path& to);

} // namespace soundtest
