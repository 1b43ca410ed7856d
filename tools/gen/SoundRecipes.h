#pragma once
// The designs of the game's sound effects: one recipe per sample file of the
// sound bank (the Terminator and Combo sets file by file), with the tuning
// that goes into "Vol.cfg" and the form the file is shipped in.
#include <string>
#include <vector>

#include "SynthVoices.h"

namespace gen::synth {

enum class Ship {
    Ogg, // compressed, listed in "Ogg.lst"; the game makes the wave file on first run
    Wav, // shipped as the wave file the bank loads
};

struct SoundRecipe {
    std::string name; // file base name: "Click" for "Click.wav"
    Ship ship;
    // Vol.cfg: volume factor 0..1; pan factor 0..1 (how far a placed play moves
    // left or right); music ducking: seconds and the music's factor meanwhile
    // (0 seconds: none).
    float volume;
    float pan;
    float duckTime;
    float duckVolume;
    // A looping sample: rendered to its exact loop length, no fades.
    bool loop;
    // Share of the small room added around the dry sound.
    float room;
    Mono (*render)();
};

// Every sample file the bank loads, in slot order (variant sets file by file).
const std::vector<SoundRecipe>& SoundRecipes();

} // namespace gen::synth
