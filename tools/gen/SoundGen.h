#pragma once
// The game's sound effects and their tuning, written into <game>/Data/Sfx:
// every sample file the sound bank loads (compressed ones listed in "Ogg.lst"
// for the game's first-run conversion, the rest as wave files) and "Vol.cfg".
#include <filesystem>
#include <string>
#include <vector>

#include "SoundRecipes.h"

namespace gen {

// OGG quality of the shipped sounds and tracks: small files, clean enough.
constexpr float kSoundOggQuality = 0.45f;

// Writes an Ogg Vorbis file (interleaved float samples) whose decoded samples
// stay clear of full scale. Lossy coding can push peaks past the source's, so
// the file is decoded again and, when a peak comes too close, encoded again a
// little quieter.
bool WriteOggBelowFullScale(const std::string& path, std::vector<float> samples, int channels);

// The peak of a sound file's decoded samples as a share of full scale; -1 when
// the file does not decode.
float DecodedPeak(const std::string& path);

// One recipe rendered and mastered: room added, loudness normalised, peaks
// kept below full scale, faded at both ends (loops are left exact).
std::vector<float> RenderSound(const synth::SoundRecipe& recipe);

// The text of "Vol.cfg" / "Ogg.lst" for the recipes.
std::string VolumeConfigText(const std::vector<synth::SoundRecipe>& recipes);
std::string OggListText(const std::vector<synth::SoundRecipe>& recipes);

// Writes the sounds below <gameRoot>/Data/Sfx. A wave file converted by an
// earlier run from a sound that is shipped compressed is removed (it would
// shadow the new sound), and the conversion marker of an existing options file
// is cleared so that the game converts again. 0 on success; on failure prints
// why to stderr and returns 1.
int GenerateSounds(const std::filesystem::path& gameRoot);

// Sounds and music (Music/*.ogg): everything audible of the game.
int GenerateAudio(const std::filesystem::path& gameRoot);

} // namespace gen
