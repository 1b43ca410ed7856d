#include "MusicCompose.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "SynthCore.h"

namespace gen::synth {

namespace {

constexpr int kScales[4][7] = {
    {0, 2, 4, 5, 7, 9, 11}, // major
    {0, 2, 3, 5, 7, 8, 10}, // natural minor
    {0, 2, 3, 5, 7, 9, 10}, // dorian
    {0, 2, 4, 5, 7, 9, 10}, // mixolydian
};
constexpr int kSectionBars = 8;
constexpr int kSlotsPerBar = 8; // the melody's grid: eighth notes
constexpr int kMelodyLow = -2;  // melody range in scale steps around the tonic
constexpr int kMelodyHigh = 10;

int Mod7(int s) {
    return ((s % 7) + 7) % 7;
}

bool IsChordTone(int step, int degree) {
    const int m = Mod7(step - degree);
    return m == 0 || m == 2 || m == 4;
}

// The chord tone of `degree` nearest to `step` within the melody's range;
// ties go in direction `dir`.
int NearestChordTone(int step, int degree, int dir) {
    const int sign = dir >= 0 ? 1 : -1;
    for (int d = 0; d < 14; ++d) {
        for (const int candidate : {step + sign * d, step - sign * d})
            if (candidate >= kMelodyLow && candidate <= kMelodyHigh &&
                IsChordTone(candidate, degree))
                return candidate;
    }
    return std::clamp(step, kMelodyLow, kMelodyHigh);
}

// One melody note on the eighth-note grid of its section.
struct MNote {
    int slot; // from the section's start
    int len;  // in eighths
    int step; // scale step
};

struct Hit {
    int slot, len;
};
using Rhythm = std::vector<Hit>;

// One-bar rhythms, from calm to busy, and closing bars.
const std::vector<Rhythm> kSparse = {
    {{0, 4}, {4, 4}},
    {{0, 6}, {6, 2}},
    {{0, 2}, {2, 2}, {4, 4}},
    {{0, 3}, {3, 1}, {4, 4}},
};
const std::vector<Rhythm> kMedium = {
    {{0, 2}, {2, 2}, {4, 2}, {6, 2}}, {{0, 3}, {3, 1}, {4, 2}, {6, 2}},
    {{0, 2}, {2, 1}, {3, 1}, {4, 4}}, {{0, 4}, {4, 2}, {6, 2}},
    {{0, 2}, {2, 2}, {4, 3}, {7, 1}},
};
const std::vector<Rhythm> kBusy = {
    {{0, 1}, {1, 1}, {2, 2}, {4, 2}, {6, 2}},
    {{1, 1}, {2, 2}, {4, 2}, {6, 2}},
    {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 2}, {6, 2}},
    {{0, 2}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 2}},
};
const std::vector<Rhythm> kEndings = {
    {{0, 2}, {2, 2}, {4, 4}},
    {{0, 4}, {4, 4}},
    {{0, 2}, {2, 6}},
    {{0, 3}, {3, 1}, {4, 4}},
};

const Rhythm& PickRhythm(Rng& rng, float density) {
    const float r = rng.Uniform();
    if (density < 0.35f)
        return r < 0.8f ? kSparse[rng.Int(4)] : kMedium[rng.Int(5)];
    if (density < 0.7f)
        return r < 0.25f ? kSparse[rng.Int(4)]
                         : (r < 0.85f ? kMedium[rng.Int(5)] : kBusy[rng.Int(4)]);
    return r < 0.5f ? kMedium[rng.Int(5)] : kBusy[rng.Int(4)];
}

int Clamp(int s) {
    return std::clamp(s, kMelodyLow, kMelodyHigh);
}

// Walks a bar of melody over `degree` from `cur`, strong beats on chord tones.
// The line drifts back towards the middle of its range and seldom repeats.
void WalkBar(Rng& rng, const Rhythm& rhythm, int bar, int degree, int& cur, int& dir,
             std::vector<MNote>& out) {
    for (const Hit& h : rhythm) {
        if (cur <= kMelodyLow + 2)
            dir = 1;
        else if (cur >= kMelodyHigh - 2)
            dir = -1;
        int next;
        if (h.slot % 4 == 0) {
            next = NearestChordTone(cur + dir * (1 + rng.Int(2)), degree, dir);
            if (next == cur)
                next = NearestChordTone(cur + 2 * dir, degree, dir);
        } else {
            const float r = rng.Uniform();
            const int move = r < 0.55f ? dir : (r < 0.75f ? -dir : (r < 0.85f ? 0 : 2 * dir));
            next = cur + move;
        }
        if (next > kMelodyHigh || next < kMelodyLow) {
            dir = -dir;
            next = Clamp(cur + dir);
            if (h.slot % 4 == 0)
                next = NearestChordTone(next, degree, dir);
        }
        if (rng.Chance(0.2f))
            dir = -dir;
        cur = next;
        out.push_back({bar * kSlotsPerBar + h.slot, h.len, cur});
    }
}

// Moves a copy of a bar's notes so that it starts at `start`, keeping its
// intervals, and sets its strong beats on the chord of its new bar.
void EchoBar(const std::vector<MNote>& source, int fromBar, int toBar, int degree, int start,
             std::vector<MNote>& out) {
    int shift = 0;
    bool first = true;
    for (const MNote& n : source) {
        if (n.slot / kSlotsPerBar != fromBar)
            continue;
        if (first) {
            shift = start - n.step;
            first = false;
        }
        MNote m = n;
        m.slot = toBar * kSlotsPerBar + n.slot % kSlotsPerBar;
        m.step = Clamp(n.step + shift);
        if (m.slot % 4 == 0)
            m.step = Clamp(NearestChordTone(m.step, degree, 1));
        out.push_back(m);
    }
}

int FirstStepOfBar(const std::vector<MNote>& notes, int bar) {
    for (const MNote& n : notes)
        if (n.slot / kSlotsPerBar == bar)
            return n.step;
    return notes.empty() ? 0 : notes.back().step;
}

// A closing bar that steps towards `goal` and lands on it.
void CloseBar(Rng& rng, int bar, int degree, int& cur, int goal, std::vector<MNote>& out) {
    const Rhythm& rhythm = kEndings[rng.Int(static_cast<int>(kEndings.size()))];
    for (size_t i = 0; i < rhythm.size(); ++i) {
        const Hit& h = rhythm[i];
        int next;
        if (i + 1 == rhythm.size()) {
            next = goal;
        } else {
            // Step towards the goal, fast enough to reach it in time.
            const int left = static_cast<int>(rhythm.size() - i);
            const int gap = goal - cur;
            if (gap == 0)
                next = cur + (rng.Chance(0.5f) ? 1 : -1);
            else
                next = cur + (gap > 0 ? 1 : -1) * ((std::abs(gap) + left - 1) / left);
            if (h.slot % 4 == 0 && !IsChordTone(next, degree))
                next = NearestChordTone(next, degree, gap >= 0 ? 1 : -1);
            // Arrive on the goal from a neighbour rather than repeating it.
            if (i + 2 == rhythm.size() && next == goal) {
                auto neighbour = [&](int side) {
                    int n = goal + side;
                    while (h.slot % 4 == 0 && !IsChordTone(n, degree))
                        n += side;
                    return n;
                };
                next = neighbour(1);
                if (next > kMelodyHigh)
                    next = neighbour(-1);
            }
        }
        cur = Clamp(next);
        out.push_back({bar * kSlotsPerBar + h.slot, h.len, cur});
    }
}

// The goal of a phrase's end: the tonic (or the root of a last chord that
// leads on) for a closed answer, another chord tone for an open one.
int PhraseGoal(int degree, bool closed, int near) {
    if (closed) {
        const int root = degree == 0 || degree == 3 || degree == 5 ? 0 : degree;
        int best = root, bestGap = 99;
        for (int octave = -7; octave <= 14; octave += 7) {
            const int s = root + octave;
            if (s >= kMelodyLow && s <= kMelodyHigh && std::abs(s - near) < bestGap) {
                best = s;
                bestGap = std::abs(s - near);
            }
        }
        return best;
    }
    int best = near, bestGap = 99;
    for (int s = kMelodyLow; s <= kMelodyHigh; ++s) {
        if (!IsChordTone(s, degree) || Mod7(s) == 0)
            continue;
        if (std::abs(s - near) < bestGap) {
            best = s;
            bestGap = std::abs(s - near);
        }
    }
    return best;
}

// An eight-bar melody: question, open answer, question again, closed answer.
std::vector<MNote> SectionMelody(uint64_t seed, const std::vector<int>& chords, float density,
                                 int startStep) {
    Rng rng(seed);
    std::vector<MNote> m;
    int cur = NearestChordTone(startStep, chords[0], 1);
    int dir = rng.Chance(0.5f) ? 1 : -1;
    const Rhythm& q1 = PickRhythm(rng, density);
    const Rhythm& q2 = PickRhythm(rng, density);
    // Question, bars 0-1.
    WalkBar(rng, q1, 0, chords[0], cur, dir, m);
    WalkBar(rng, q2, 1, chords[1], cur, dir, m);
    // Open answer, bars 2-3: the question's first bar echoed from a new start,
    // then a close on a chord tone that is not the tonic.
    const int echoStart =
        NearestChordTone(m.front().step + (rng.Chance(0.5f) ? 1 : -1), chords[2], -1);
    std::vector<MNote> question = m;
    EchoBar(question, 0, 2, chords[2], Clamp(echoStart), m);
    cur = m.back().step;
    CloseBar(rng, 3, chords[3], cur, PhraseGoal(chords[3], false, cur), m);
    // The question again, bars 4-5, set on its new chords.
    EchoBar(question, 0, 4, chords[4], question.front().step, m);
    EchoBar(question, 1, 5, chords[5], FirstStepOfBar(question, 1), m);
    // Closed answer, bars 6-7.
    cur = m.back().step;
    EchoBar(question, 0, 6, chords[6], Clamp(NearestChordTone(cur - 1, chords[6], -1)), m);
    cur = m.back().step;
    CloseBar(rng, 7, chords[7], cur, PhraseGoal(chords[7], true, cur), m);
    return m;
}

// Variation for a section that comes back: some long notes split into a note
// and a passing or neighbour note towards the next one.
std::vector<MNote> Ornament(const std::vector<MNote>& in, uint64_t seed) {
    Rng rng(seed);
    std::vector<MNote> out;
    for (size_t i = 0; i < in.size(); ++i) {
        const MNote& n = in[i];
        const int half = n.len / 2;
        // Only weak eighths take the added note: strong beats keep their
        // chord tones.
        const bool weak = (n.slot + half) % 4 != 0;
        if (i + 1 < in.size() && n.len >= 2 && n.len % 2 == 0 && weak && rng.Chance(0.35f)) {
            const int gap = in[i + 1].step - n.step;
            const int passing = gap > 1 ? n.step + 1 : (gap < -1 ? n.step - 1 : n.step + 1);
            out.push_back({n.slot, half, n.step});
            out.push_back({n.slot + half, n.len - half, Clamp(passing)});
        } else {
            out.push_back(n);
        }
    }
    return out;
}

// Chord tones of `degree` as a ladder of MIDI notes from the register `low`.
std::vector<int> ChordLadder(int tonic, Mode mode, int degree, int low, int count) {
    std::vector<int> ladder;
    int step = degree - 14;
    while (static_cast<int>(ladder.size()) < count && step < degree + 35) {
        if (IsChordTone(step, degree)) {
            const int note = ScaleNote(tonic, mode, step);
            if (note >= low)
                ladder.push_back(note);
        }
        ++step;
    }
    return ladder;
}

int BassNote(int tonic, Mode mode, int step) {
    int n = ScaleNote(tonic, mode, step);
    while (n >= 48)
        n -= 12;
    while (n < 36)
        n += 12;
    return n;
}

struct DrumLine {
    Voice voice;
    const char* hits; // sixteen sixteenths: 'X' accent, 'x' normal, '.' rest
};

std::vector<DrumLine> GrooveLines(Groove g) {
    switch (g) {
    case Groove::Steady:
        return {{Voice::DrumLow, "X.........x....."},
                {Voice::DrumOpen, "....x.......x..."},
                {Voice::DrumRim, "......x.......x."},
                {Voice::Shaker, "x.X.x.X.x.X.x.X."}};
    case Groove::Inviting:
        return {{Voice::DrumLow, "X.....x...X....."},
                {Voice::DrumSlap, "....x.......x..."},
                {Voice::DrumOpen, "........x.....x."},
                {Voice::Shaker, "x.X.x.X.x.X.x.X."}};
    case Groove::Sparse:
        return {{Voice::DrumLow, "X..............."},
                {Voice::DrumOpen, "........x......."},
                {Voice::Shaker, "....x.......x..."}};
    case Groove::Quick:
        return {{Voice::DrumLow, "X..x..X...X..x.."},
                {Voice::DrumSlap, "....X.......X..."},
                {Voice::DrumOpen, "..x.....x.x...x."},
                {Voice::Shaker, "xXxXxXxXxXxXxXxX"}};
    }
    return {};
}

} // namespace

int ScaleNote(int tonic, Mode mode, int step) {
    const int octave = (step >= 0 ? step / 7 : -((-step + 6) / 7));
    return tonic + 12 * octave + kScales[static_cast<int>(mode)][Mod7(step)];
}

namespace {

// Writes the parts of a score bar by bar, with a little human looseness in
// time and touch.
class ScoreWriter {
public:
    ScoreWriter(const TrackPlan& plan, Score& score)
        : plan_(plan), score_(score), rng_(plan.seed) {}

    void Add(Part part, Voice v, float beat, float length, float midi, float vel, float pan) {
        const float jitter = 0.012f * rng_.Signed();
        const float touch = 1.0f + 0.08f * rng_.Signed();
        score_.events.push_back({part, v, std::max(0.0f, beat + jitter), length, midi,
                                 std::clamp(vel * touch, 0.05f, 1.0f), pan, rng_.Next()});
    }

    void Melody(const std::vector<MNote>& melody, float sectionBeat, Voice lead, bool doubled) {
        for (const MNote& n : melody) {
            const float beat = sectionBeat + static_cast<float>(n.slot) * 0.5f;
            const float length = static_cast<float>(n.len) * 0.5f * 0.92f;
            const float midi = static_cast<float>(ScaleNote(plan_.tonic, plan_.mode, n.step));
            const float vel = n.slot % 4 == 0 ? 0.85f : 0.7f;
            Add(Part::Melody, lead, beat, length, midi, vel, 0.1f);
            if (doubled)
                Add(Part::Doubling, plan_.altLead, beat, length, midi + 12.0f, vel * 0.45f, -0.25f);
        }
    }

    void Bass(float barBeat, int degree, int nextDegree, bool oddBar) {
        const float root = static_cast<float>(BassNote(plan_.tonic, plan_.mode, degree));
        const float fifth = static_cast<float>(BassNote(plan_.tonic, plan_.mode, degree + 4));
        switch (plan_.bass) {
        case BassStyle::Walk: {
            // Root, fifth, then a step into the next bar's root.
            const int approach =
                BassNote(plan_.tonic, plan_.mode, nextDegree + (rng_.Chance(0.5f) ? -1 : 1));
            Add(Part::Bass, Voice::PluckBass, barBeat, 1.8f, root, 0.9f, 0.0f);
            Add(Part::Bass, Voice::PluckBass, barBeat + 2.0f, 0.9f,
                fifth < root ? fifth + 12.0f : fifth, 0.75f, 0.0f);
            Add(Part::Bass, Voice::PluckBass, barBeat + 3.0f, 0.9f, static_cast<float>(approach),
                0.7f, 0.0f);
            break;
        }
        case BassStyle::Pulse:
            Add(Part::Bass, Voice::PluckBass, barBeat, 0.9f, root, 0.9f, 0.0f);
            Add(Part::Bass, Voice::PluckBass, barBeat + 1.5f, 0.45f, root, 0.65f, 0.0f);
            Add(Part::Bass, Voice::PluckBass, barBeat + 2.0f, 0.9f, root, 0.8f, 0.0f);
            Add(Part::Bass, Voice::PluckBass, barBeat + 3.0f, 0.9f, oddBar ? fifth : root + 12.0f,
                0.7f, 0.0f);
            break;
        case BassStyle::Long:
            Add(Part::Bass, Voice::PluckBass, barBeat, 2.8f, root, 0.85f, 0.0f);
            Add(Part::Bass, Voice::PluckBass, barBeat + 3.0f, 0.9f, fifth, 0.6f, 0.0f);
            break;
        }
    }

    void BrokenChord(float barBeat, int degree) {
        static const int kPattern1[] = {0, 1, 2, 1};
        static const int kPattern2[] = {0, 1, 2, 3, 2, 1, 2, 1};
        static const int kPattern4[] = {0, 1, 2, 3, 2, 1, 2, 3, 0, 1, 2, 3, 4, 3, 2, 1};
        const std::vector<int> ladder = ChordLadder(plan_.tonic - 12, plan_.mode, degree, 55, 5);
        const int count = static_cast<int>(4.0f * plan_.arpRate);
        const int* pattern =
            plan_.arpRate >= 4.0f ? kPattern4 : (plan_.arpRate >= 2.0f ? kPattern2 : kPattern1);
        const float step = 1.0f / plan_.arpRate;
        for (int i = 0; i < count && !ladder.empty(); ++i) {
            const int idx = std::min(pattern[i], static_cast<int>(ladder.size()) - 1);
            const bool onBeat = (i * 4) % count == 0;
            Add(Part::Chords, plan_.arp, barBeat + step * static_cast<float>(i), step * 1.6f,
                static_cast<float>(ladder[idx]), onBeat ? 0.5f : 0.38f, -0.35f);
        }
    }

    // The chord held through the bar, its tones spread across the stereo field.
    void PadChord(float barBeat, int degree) {
        const std::vector<int> tones = ChordLadder(plan_.tonic - 12, plan_.mode, degree, 52, 3);
        for (size_t t = 0; t < tones.size(); ++t)
            Add(Part::Pad, Voice::Pad, barBeat, 3.9f, static_cast<float>(tones[t]), 0.42f,
                t == 0 ? 0.0f : (t == 1 ? -0.5f : 0.5f));
    }

    // Hand drums and shaker. A light bar keeps only the shaker and the low
    // drum; a closing bar gives its last beat to a small fill.
    void Drums(float barBeat, bool light, bool closing) {
        const bool fill = closing && plan_.groove != Groove::Sparse;
        for (const DrumLine& line : GrooveLines(plan_.groove)) {
            const bool shaker = line.voice == Voice::Shaker;
            if (light && !shaker && line.voice != Voice::DrumLow)
                continue;
            for (int s = 0; s < 16; ++s) {
                const char c = line.hits[s];
                if (c == '.' || (fill && s >= 12 && !shaker))
                    continue;
                const float vel = c == 'X' ? (shaker ? 0.5f : 0.8f) : (shaker ? 0.3f : 0.55f);
                const float pan = shaker ? 0.45f : (line.voice == Voice::DrumLow ? -0.1f : -0.2f);
                Add(Part::Drums, line.voice, barBeat + 0.25f * static_cast<float>(s), 0.25f, 60.0f,
                    vel, pan);
            }
        }
        if (fill)
            for (int s = 12; s < 16; ++s)
                Add(Part::Drums, s % 2 ? Voice::DrumSlap : Voice::DrumOpen,
                    barBeat + 0.25f * static_cast<float>(s), 0.25f,
                    60.0f + static_cast<float>(s - 12), 0.45f + 0.1f * static_cast<float>(s - 12),
                    -0.2f);
    }

private:
    const TrackPlan& plan_;
    Score& score_;
    Rng rng_;
};

} // namespace

Score Compose(const TrackPlan& plan) {
    Score score;
    score.bpm = plan.bpm;
    score.bars = static_cast<int>(plan.form.size()) * kSectionBars;
    ScoreWriter write(plan, score);

    // Each letter's melody is composed once, so a section that comes back is
    // recognisably the same tune.
    const std::vector<MNote> melodyA =
        SectionMelody(plan.seed * 31 + 1, plan.progressionA, plan.density, 2);
    const std::vector<MNote> melodyB = SectionMelody(plan.seed * 31 + 2, plan.progressionB,
                                                     std::min(1.0f, plan.density + 0.1f), 5);
    int occurrenceA = 0, occurrenceB = 0;
    for (size_t section = 0; section < plan.form.size(); ++section) {
        const bool isB = plan.form[section] == 'B';
        const int occurrence = isB ? occurrenceB++ : occurrenceA++;
        const std::vector<int>& chords = isB ? plan.progressionB : plan.progressionA;
        const int firstBar = static_cast<int>(section) * kSectionBars;

        // B in the second colour; a section that returns is ornamented, and
        // the third A is doubled an octave up by the second colour.
        std::vector<MNote> melody = isB ? melodyB : melodyA;
        if (occurrence > 0)
            melody = Ornament(melody, plan.seed * 97 + section);
        write.Melody(melody, static_cast<float>(firstBar) * 4.0f, isB ? plan.altLead : plan.lead,
                     !isB && occurrence >= 2);

        const bool nextIsB = section + 1 < plan.form.size() && plan.form[section + 1] == 'B';
        for (int b = 0; b < kSectionBars; ++b) {
            const int degree = chords[b];
            const int nextDegree = b + 1 < kSectionBars
                                       ? chords[b + 1]
                                       : (nextIsB ? plan.progressionB[0] : plan.progressionA[0]);
            const float barBeat = static_cast<float>(firstBar + b) * 4.0f;
            write.Bass(barBeat, degree, nextDegree, b % 2 == 1);
            write.BrokenChord(barBeat, degree);
            if (plan.pad)
                write.PadChord(barBeat, degree);
            // The track's first section enters light.
            write.Drums(barBeat, section == 0, b == kSectionBars - 1);
        }
    }
    std::stable_sort(score.events.begin(), score.events.end(),
                     [](const Event& a, const Event& b) { return a.beat < b.beat; });
    return score;
}

const std::vector<TrackPlan>& TrackPlans() {
    static const std::vector<TrackPlan> plans = {
        // Steady and light: G major, marimba over plucked strings.
        {"gameplay1",
         101,
         96.0f,
         67,
         Mode::Major,
         "AABA",
         {0, 5, 3, 4, 0, 5, 4, 0},
         {3, 4, 2, 5, 3, 4, 1, 4},
         Voice::Marimba,
         Voice::Pluck,
         Voice::Pluck,
         false,
         BassStyle::Walk,
         Groove::Steady,
         0.45f,
         2.0f,
         0.15f},
        // A minor, pan flute over marimba, a soft pad.
        {"gameplay2",
         202,
         90.0f,
         69,
         Mode::Minor,
         "AABA",
         {0, 5, 2, 6, 0, 5, 3, 4},
         {3, 0, 5, 2, 3, 5, 6, 6},
         Voice::PanFlute,
         Voice::Marimba,
         Voice::Marimba,
         true,
         BassStyle::Walk,
         Groove::Steady,
         0.35f,
         2.0f,
         0.15f},
        // E dorian, bright plucks with a flute answer.
        {"gameplay3",
         303,
         100.0f,
         64,
         Mode::Dorian,
         "AABA",
         {0, 3, 0, 3, 6, 3, 4, 0},
         {2, 6, 3, 0, 2, 6, 3, 3},
         Voice::Pluck,
         Voice::PanFlute,
         Voice::Marimba,
         false,
         BassStyle::Pulse,
         Groove::Inviting,
         0.5f,
         2.0f,
         0.15f},
        // The menu: C major, warm pad, flute tune, an open, inviting groove.
        {"mainmenu",
         404,
         88.0f,
         72,
         Mode::Major,
         "AABA",
         {0, 4, 5, 3, 0, 4, 3, 0},
         {5, 3, 0, 4, 5, 3, 1, 4},
         Voice::PanFlute,
         Voice::Marimba,
         Voice::Pluck,
         true,
         BassStyle::Walk,
         Groove::Inviting,
         0.4f,
         2.0f,
         0.17f},
        // The story: D minor, slow, pad and flute, little percussion.
        {"storyline",
         505,
         66.0f,
         62,
         Mode::Minor,
         "ABA",
         {0, 5, 3, 4, 0, 5, 3, 0},
         {5, 2, 6, 0, 5, 2, 3, 4},
         Voice::PanFlute,
         Voice::Pluck,
         Voice::Pluck,
         true,
         BassStyle::Long,
         Groove::Sparse,
         0.2f,
         1.0f,
         0.15f},
        // Bonus levels: F major, quick marimba, busy drums.
        {"bonuslevel",
         606,
         132.0f,
         65,
         Mode::Major,
         "AABAB",
         {0, 3, 4, 0, 5, 3, 4, 0},
         {3, 4, 2, 5, 1, 4, 0, 4},
         Voice::Marimba,
         Voice::Pluck,
         Voice::Marimba,
         false,
         BassStyle::Pulse,
         Groove::Quick,
         0.7f,
         4.0f,
         0.17f},
    };
    return plans;
}

} // namespace gen::synth
