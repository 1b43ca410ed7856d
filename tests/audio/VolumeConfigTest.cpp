// "Vol.cfg": entries, clauses, range warnings and files that end too early.
#include <gtest/gtest.h>

#include "AudioTestSupport.h"
#include "audio/SoundBank.h"

namespace {

using testsupport::CapturedLog;
using testsupport::TempDir;

class AudioVolumeFileTest : public ::testing::Test {
protected:
    int Read(const std::string& text) {
        log_.Clear();
        return bank_.LoadVolumeConfig(dir_.Write("Vol.cfg", text).c_str());
    }
    void ExpectTuning(const char* name, float volume, float pan, float time, float duck) {
        SCOPED_TRACE(name);
        EXPECT_FLOAT_EQ(bank_.GetSoundVolume(name), volume);
        EXPECT_FLOAT_EQ(bank_.GetSoundPanFactor(name), pan);
        EXPECT_FLOAT_EQ(bank_.GetMusicSilencer(name).Time, time);
        EXPECT_FLOAT_EQ(bank_.GetMusicSilencer(name).Volume, duck);
    }

    TempDir dir_;
    CapturedLog log_{dir_};
    CSoundBank bank_{CSharedPtr<snd::Audio>()};
};

TEST_F(AudioVolumeFileTest, EntriesTakeClausesInAnyOrderAndCase) {
    EXPECT_EQ(Read("# sound tuning\n"
                   "\"Click.wav\" 0.5\n"
                   "\"Win.wav\" 1 music 3 0.2 Pan 0\n"
                   "\"select.wav\"\t0.25 PAN 0.3 # comment\n"
                   "  PAN 0.6 MUSIC 2 0.5 MUSIC 4 0.1\n"
                   "\"Click.wav\" 0.1\n"),
              1);
    ExpectTuning("Click.wav", 0.5f, 1.0f, 0.0f, 1.0f); // the first entry wins
    ExpectTuning("CLICK.WAV", 0.5f, 1.0f, 0.0f, 1.0f);
    ExpectTuning("Win.wav", 1.0f, 0.0f, 3.0f, 0.2f);
    ExpectTuning("Select.wav", 0.25f, 0.6f, 4.0f, 0.1f); // later clauses replace
    // Not listed: full volume, never placed, no ducking.
    ExpectTuning("Drop.wav", 1.0f, 0.0f, 0.0f, 1.0f);
    ExpectTuning("Click", 1.0f, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(log_.Text(), "");
}

TEST_F(AudioVolumeFileTest, OutOfRangeValuesAreClampedWithWarnings) {
    EXPECT_EQ(Read("\"Win.wav\" 1.5 MUSIC 150 -2\n"
                   "\"Bad.wav\" -1 PAN 7 MUSIC -3 4\n"
                   "\"Odd.wav\" NAN PAN INF\n"),
              1);
    ExpectTuning("Win.wav", 1.0f, 1.0f, 100.0f, 0.0f);
    ExpectTuning("Bad.wav", 0.0f, 1.0f, 0.0f, 1.0f);
    ExpectTuning("Odd.wav", 0.0f, 1.0f, 0.0f, 1.0f);
    // Each warning is followed by the file, the line, the value read and the value used.
    const std::string at = " " + dir_.Path("Vol.cfg") + ":";
    EXPECT_EQ(log_.Text(), " Warning! WIN.WAV volume >1 ! \n" + at +
                               "1: 1.5 is out of range, 1 is used\n"
                               " Warning! WIN.WAV music silencer time >100 ! \n" +
                               at +
                               "1: 150 is out of range, 100 is used\n"
                               " Warning! WIN.WAV music silencer volume <0 ! \n" +
                               at +
                               "1: -2 is out of range, 0 is used\n"
                               " Warning! BAD.WAV volume <0 ! \n" +
                               at +
                               "2: -1 is out of range, 0 is used\n"
                               " Warning! BAD.WAV panfactor >1 ! \n" +
                               at +
                               "2: 7 is out of range, 1 is used\n"
                               " Warning! BAD.WAV music silencer time <0 ! \n" +
                               at +
                               "2: -3 is out of range, 0 is used\n"
                               " Warning! BAD.WAV music silencer volume >1 ! \n" +
                               at +
                               "2: 4 is out of range, 1 is used\n"
                               " Warning! ODD.WAV panfactor >1 ! \n" +
                               at + "3: inf is out of range, 1 is used\n");
}

TEST_F(AudioVolumeFileTest, TokensSplitWhereTheTokenizerSplits) {
    // ".5" is "." then "5": the volume reads as 0 and "5" names a new entry
    // whose volume is missing.
    EXPECT_EQ(Read("\"A.wav\" .5"), 0);
    ExpectTuning("A.wav", 0.0f, 1.0f, 0.0f, 1.0f);
    ExpectTuning("5", 1.0f, 0.0f, 0.0f, 1.0f);
    // An unquoted file name is three entries' worth of tokens.
    EXPECT_EQ(Read("Click.wav 0.5\n"), 1);
    ExpectTuning("Click.wav", 1.0f, 0.0f, 0.0f, 1.0f);
    ExpectTuning("CLICK", 0.0f, 1.0f, 0.0f, 1.0f); // "." read as its volume
}

TEST_F(AudioVolumeFileTest, AnEarlyEndKeepsTheEntriesBeforeIt) {
    const std::string path = dir_.Path("Vol.cfg");
    EXPECT_EQ(Read("\"Click.wav\" 0.5\n\"Win.wav\""), 0);
    EXPECT_EQ(log_.Text(), " Unexpected end of file " + path + " \n " + path +
                               ":2: the file ends before the volume of WIN.WAV\n");
    ExpectTuning("Click.wav", 0.5f, 1.0f, 0.0f, 1.0f);
    ExpectTuning("Win.wav", 1.0f, 0.0f, 0.0f, 1.0f); // no volume: not added

    EXPECT_EQ(Read("\"Click.wav\" 0.5 PAN"), 0);
    ExpectTuning("Click.wav", 0.5f, 1.0f, 0.0f, 1.0f);

    EXPECT_EQ(Read("\"Click.wav\" 0.5 MUSIC 2 0.5 MUSIC 9"), 0);
    ExpectTuning("Click.wav", 0.5f, 1.0f, 2.0f, 0.5f); // the unfinished clause changes nothing

    EXPECT_EQ(Read("\"Click.wav\" 0.5 PAN 0.4"), 1); // ends after a whole clause
    ExpectTuning("Click.wav", 0.5f, 0.4f, 0.0f, 1.0f);
}

TEST_F(AudioVolumeFileTest, EmptyAndMissingFilesLeaveNeutralTuning) {
    EXPECT_EQ(Read(""), 1);
    EXPECT_EQ(Read("# only a comment\n\n   \t\n"), 1);
    ExpectTuning("Click.wav", 1.0f, 0.0f, 0.0f, 1.0f);

    ASSERT_EQ(Read("\"Click.wav\" 0.5\n"), 1);
    log_.Clear();
    const std::string missing = dir_.Path("Nope.cfg");
    EXPECT_EQ(bank_.LoadVolumeConfig(missing.c_str()), 0);
    EXPECT_EQ(log_.Text(), " Unable to open file " + missing + " \n " + missing +
                               ": the file cannot be opened\n");
    ExpectTuning("Click.wav", 1.0f, 0.0f, 0.0f, 1.0f); // the old tables are gone
}

} // namespace
