// The music composer's scores: notes land in the loop, strong beats of the
// melody sit on the bar's chord, sections close where they should, the bass
// follows the roots, and a returning section brings its tune back.
#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tools/gen/MusicCompose.h"

namespace {

using namespace gen::synth;

int PitchClass(float midi) {
    return ((static_cast<int>(std::lround(midi)) % 12) + 12) % 12;
}

std::set<int> ChordClasses(const TrackPlan& plan, int degree) {
    std::set<int> pcs;
    for (int k : {0, 2, 4})
        pcs.insert(PitchClass(static_cast<float>(ScaleNote(plan.tonic, plan.mode, degree + k))));
    return pcs;
}

int DegreeOfBar(const TrackPlan& plan, int bar) {
    const bool isB = plan.form[bar / 8] == 'B';
    return (isB ? plan.progressionB : plan.progressionA)[bar % 8];
}

// Position in the bar, in beats, with the timing looseness taken out.
float BeatInBar(float beat, int& bar) {
    const float grid = std::round(beat * 4.0f) / 4.0f;
    bar = static_cast<int>(grid / 4.0f);
    return grid - static_cast<float>(bar) * 4.0f;
}

TEST(Composer, ScaleStepsMapToNotes) {
    EXPECT_EQ(ScaleNote(60, Mode::Major, 0), 60);
    EXPECT_EQ(ScaleNote(60, Mode::Major, 2), 64);
    EXPECT_EQ(ScaleNote(60, Mode::Major, 7), 72);
    EXPECT_EQ(ScaleNote(60, Mode::Major, -1), 59);
    EXPECT_EQ(ScaleNote(60, Mode::Major, -7), 48);
    EXPECT_EQ(ScaleNote(60, Mode::Major, -8), 47);
    EXPECT_EQ(ScaleNote(69, Mode::Minor, 2), 72);
    EXPECT_EQ(ScaleNote(64, Mode::Dorian, 5), 73);
    EXPECT_EQ(ScaleNote(62, Mode::Mixolydian, 6), 72);
}

TEST(Composer, ScoresFitTheirLoopAndKeepTheHarmony) {
    for (const TrackPlan& plan : TrackPlans()) {
        SCOPED_TRACE(plan.name);
        ASSERT_EQ(plan.progressionA.size(), 8u);
        ASSERT_EQ(plan.progressionB.size(), 8u);
        const Score score = Compose(plan);
        EXPECT_EQ(score.bars, static_cast<int>(plan.form.size()) * 8);
        EXPECT_GE(score.Seconds(), 55.0f);
        EXPECT_LE(score.Seconds(), 120.0f);

        std::vector<std::vector<std::pair<float, int>>> sections(plan.form.size());
        std::set<int> barsWithBass;
        int melodyNotes = 0;
        for (const Event& e : score.events) {
            ASSERT_GE(e.beat, 0.0f);
            ASSERT_LT(e.beat, static_cast<float>(score.bars) * 4.0f);
            EXPECT_GT(e.length, 0.0f);
            EXPECT_GT(e.vel, 0.0f);
            EXPECT_LE(e.vel, 1.0f);
            EXPECT_LE(std::fabs(e.pan), 1.0f);
            int bar = 0;
            const float pos = BeatInBar(e.beat, bar);
            const std::set<int> chord = ChordClasses(plan, DegreeOfBar(plan, bar));
            if (e.part == Part::Melody) {
                ++melodyNotes;
                EXPECT_GE(e.midi, 55.0f);
                EXPECT_LE(e.midi, 96.0f);
                if (pos == 0.0f || pos == 2.0f) {
                    EXPECT_TRUE(chord.count(PitchClass(e.midi)))
                        << "bar " << bar << " beat " << pos << " note " << e.midi;
                }
                sections[bar / 8].push_back(
                    {e.beat - static_cast<float>(bar / 8 * 32), static_cast<int>(e.midi)});
            }
            if (e.part == Part::Bass) {
                EXPECT_GE(e.midi, 36.0f);
                EXPECT_LT(e.midi, 62.0f);
                if (pos == 0.0f) {
                    barsWithBass.insert(bar);
                    const int root = PitchClass(static_cast<float>(
                        ScaleNote(plan.tonic, plan.mode, DegreeOfBar(plan, bar))));
                    EXPECT_EQ(PitchClass(e.midi), root) << "bar " << bar;
                }
            }
        }
        EXPECT_GE(melodyNotes, score.bars * 2);
        EXPECT_EQ(static_cast<int>(barsWithBass.size()), score.bars);

        // A section that ends on the home chord ends its tune on the tonic.
        for (size_t s = 0; s < plan.form.size(); ++s) {
            const int lastBar = static_cast<int>(s) * 8 + 7;
            ASSERT_FALSE(sections[s].empty());
            if (DegreeOfBar(plan, lastBar) == 0) {
                EXPECT_EQ(PitchClass(static_cast<float>(sections[s].back().second)),
                          PitchClass(plan.tonic))
                    << "section " << s;
            }
        }
        // The second A brings back most of the first A's notes.
        size_t secondA = 1;
        while (secondA < plan.form.size() && plan.form[secondA] != 'A')
            ++secondA;
        ASSERT_LT(secondA, plan.form.size());
        int kept = 0;
        for (const auto& [beat, midi] : sections[0])
            for (const auto& [beat2, midi2] : sections[secondA])
                if (std::fabs(beat - beat2) < 0.05f && midi == midi2) {
                    ++kept;
                    break;
                }
        EXPECT_GT(kept * 10, static_cast<int>(sections[0].size()) * 6);
    }
}

} // namespace
