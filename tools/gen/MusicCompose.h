#pragma once
// The music composer: from a short plan per track (key, mode, tempo, chord
// progressions, form, instruments, groove) it writes a score of note events.
// Melodies are built from two-bar questions and answers: the question comes
// back, the first answer stays open, the second closes on the tonic, and a
// repeated section brings its melody back varied in colour and ornament.
#include <cstdint>
#include <string>
#include <vector>

namespace gen::synth {

enum class Voice {
    Marimba,
    PanFlute,
    Pluck,
    PluckBass,
    Pad,
    DrumLow,
    DrumOpen,
    DrumSlap,
    DrumRim,
    Shaker
};

// What an event plays in the arrangement.
enum class Part { Melody, Doubling, Bass, Chords, Pad, Drums };

struct Event {
    Part part;
    Voice voice;
    float beat;   // onset, in beats from the start of the loop
    float length; // held, in beats
    float midi;   // pitch (drums: tuning around 60)
    float vel;    // 0..1
    float pan;    // -1..1
    uint32_t seed;
};

enum class Mode { Major, Minor, Dorian, Mixolydian };
enum class BassStyle { Walk, Pulse, Long };
enum class Groove { Steady, Inviting, Sparse, Quick };

struct TrackPlan {
    std::string name; // file base name in "Music/"
    uint64_t seed;
    float bpm;
    int tonic; // MIDI note of the melody's tonic
    Mode mode;
    std::string form;                            // one letter per 8-bar section, "AABA"
    std::vector<int> progressionA, progressionB; // scale degree (0 = tonic) per bar, 8 each
    Voice lead, altLead;                         // A sections / B sections (and the repeat of A)
    Voice arp;                                   // broken chords
    bool pad;                                    // sustained chords under everything
    BassStyle bass;
    Groove groove;
    float density;  // 0..1: how busy the melody's rhythm is
    float arpRate;  // arpeggio notes per beat: 1, 2 or 4
    float loudness; // target level of the finished track (RMS, 0..1)
};

struct Score {
    float bpm = 100.0f;
    int bars = 0;
    std::vector<Event> events;
    float Seconds() const { return static_cast<float>(bars) * 4.0f * 60.0f / bpm; }
};

// MIDI note of a scale step (0 = tonic, 7 = its octave; negative allowed).
int ScaleNote(int tonic, Mode mode, int step);

Score Compose(const TrackPlan& plan);

// The game's six tracks: gameplay1..3, mainmenu, storyline, bonuslevel.
const std::vector<TrackPlan>& TrackPlans();

} // namespace gen::synth
