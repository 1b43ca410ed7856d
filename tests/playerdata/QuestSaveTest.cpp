// The quest record's file: what is written reads back, and a damaged file is
// refused with the right message and a record that cannot be saved back.
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "playerdata/Damage.h"
#include "playerdata/QuestState.h"
#include "support/CapturedLog.h"
#include "support/TempDir.h"

namespace {

using testsupport::CapturedLog;
using testsupport::ReadFile;
using testsupport::TempDir;

// Offsets of the fields the checks patch.
constexpr size_t kSubStateAt = 32, kLevelAt = 156, kTimeLeftAt = 160, kLivesAt = 168,
                 kSandStepAt = 184, kAdviserAt = 196, kTotemAt = 200, kDifficultyAt = 28;
constexpr size_t kStarsAt = 1552, kCountAt = 1556, kPairsAt = 1560;

CQuestState SampleQuest(int32_t subState, int32_t nonQuest) {
    CQuestState q;
    q.NonQuest = nonQuest;
    q.QuestId = os::NewGuid();
    q.SavedSubState = subState;
    for (int s = 0; s < 3; ++s)
        for (int i = 0; i < 10; ++i)
            q.Counters.Sets[s].Counters[static_cast<size_t>(i)] = 100 * s + i;
    q.Level = 17;
    q.Lives = 4;
    q.GemsRemaining = 7;
    q.GemGoal = 30;
    q.SandTime = 12.125;
    q.ClearBoard();
    q.CellGrids[0][2][3] = -5;
    q.CellGrids[0][7][7] = CQuestState::kSteelCode;
    q.CellGrids[3][0][1] = 3;
    q.Upgrades[5] = 3;
    q.Stars = 1000;
    q.Trophy5Progress = 8;
    q.ExtraLives = 3;
    return q;
}

void Put(std::string& bytes, size_t at, uint32_t v) {
    std::memcpy(&bytes[at], &v, 4);
}

class QuestSave : public ::testing::Test {
protected:
    // Loads the bytes into a record that held other values; the load's result.
    int32_t LoadBytes(const std::string& bytes) {
        loaded = CQuestState();
        loaded.ClearBoard();
        loaded.CellGrids[0][0][0] = 3; // stale grids of an earlier capture
        return loaded.Load(dir.Write("Quest.sav", bytes));
    }

    TempDir dir;
    CapturedLog log{dir};
    CQuestState loaded;
};

TEST_F(QuestSave, EveryShapeReadsBackWithItsSize) {
    const struct {
        int32_t subState, nonQuest;
        size_t size;
    } shapes[] = {{1, 0, 1592}, {6, 0, 312}, {1, 1, 1488}, {8, 1, 208}};
    for (const auto& s : shapes) {
        const CQuestState q = SampleQuest(s.subState, s.nonQuest);
        const std::string path = dir.Path("Quest.sav");
        ASSERT_EQ(q.Save(path), 1);
        const std::string first = ReadFile(path);
        ASSERT_EQ(first.size(), s.size) << s.subState << "/" << s.nonQuest;
        ASSERT_EQ(q.Save(path), 1);
        EXPECT_EQ(ReadFile(path), first) << "saving twice gives the same bytes";
        EXPECT_FALSE(dir.Exists("Quest.tmp"));

        ASSERT_EQ(LoadBytes(first), 1) << log.Text();
        EXPECT_EQ(loaded.QuestId, q.QuestId);
        EXPECT_EQ(loaded.Counters.Sets[2].Counters, q.Counters.Sets[2].Counters);
        EXPECT_EQ(loaded.Counters.Sets[1].Counters, q.Counters.Sets[1].Counters);
        EXPECT_EQ(loaded.Lives, 4);
        EXPECT_EQ(std::pair(loaded.GemsRemaining, loaded.GemGoal), std::pair(7, 30));
        EXPECT_EQ(loaded.SandTime, 12.125);
        if (s.subState == 1) {
            EXPECT_EQ(loaded.CellGrids, q.CellGrids);
        } else {
            EXPECT_FALSE(loaded.HasBoard()) << "no stale board behind a save without one";
            EXPECT_EQ(loaded.Cell(0, 0, 0), CQuestState::kEmptyCell);
        }
        if (s.nonQuest == 0) {
            EXPECT_EQ(loaded.Upgrades, q.Upgrades);
            EXPECT_EQ(loaded.Stars, 1000);
            EXPECT_EQ(loaded.ExtraLives, 3);
        }
    }
}

TEST_F(QuestSave, DamagedFieldsAreRefusedWithTheirMessage) {
    const std::string valid = [&] {
        SampleQuest(1, 0).Save(dir.Path("Valid.sav"));
        return ReadFile(dir.Path("Valid.sav"));
    }();
    const uint32_t key = CQuestState::kFieldKey;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    uint32_t nanBits;
    std::memcpy(&nanBits, &nan, 4);
    const struct {
        size_t at;
        uint32_t value;
        const char* message;
    } cases[] = {
        {0, 0x56415351u, "Error. Corrupted file"}, // "QSAV"
        {4, 3, "Error. Unsupported file version"},
        {kSubStateAt, 2, "Error. Corrupted file"},
        {kDifficultyAt, 0xFFFFFFFFu, "Error. Corrupted file"},
        {kLevelAt, 0, "Error. Corrupted file"},
        {kLevelAt, 1001, "Error. Corrupted file"},
        {kLivesAt, 1001u ^ key, "Error. Corrupted file"},
        {kLivesAt, 0xFFFFFFFFu ^ key, "Error. Corrupted file"},
        {kSandStepAt, 0xFFFFFFFFu, "Error. Corrupted file"},
        {kTimeLeftAt, nanBits, "Error. Corrupted file"},
        {kAdviserAt, nanBits, "Error. Corrupted file"},
        {kTotemAt, 7, "Error. Corrupted file"},
        {208 + 4 * 5, 8, "Error. Corrupted file"},    // colour code 8
        {208 + 256 + 4, 10, "Error. Corrupted file"}, // ten chains
        {208 + 512 + 8, 1, "Error. Corrupted file"},  // bonus type 1
        {208 + 768 + 8, 4, "Error. Corrupted file"},  // bonus level 4
        {208 + 1024, 2, "Error. Corrupted file"},     // fixed mark 2
        {kStarsAt, 1001u ^ CQuestState::kStarKey, "Error. Corrupted file"},
        {kCountAt, 14, "Error. Corrupted file"},
        {kCountAt, 0xFFFFFFFFu, "Error. Corrupted file"},
        {kPairsAt + 8, 14, "Error. Corrupted file"},
    };
    for (const auto& c : cases) {
        std::string bytes = valid;
        Put(bytes, c.at, c.value);
        log.Clear();
        EXPECT_EQ(LoadBytes(bytes), 0) << c.at << " = " << c.value;
        EXPECT_EQ(loaded.State, 0);
        EXPECT_EQ(log.Text().rfind(std::string(" ") + c.message + " " + dir.Path("Quest.sav"), 0),
                  0u)
            << log.Text();
        EXPECT_NE(log.Text().find(", byte "), std::string::npos) << "the reason line follows";
    }

    // Bounds that still load: level 1000, lives 0, no pairs, an unknown kind.
    std::string edge = valid;
    Put(edge, kLevelAt, 1000);
    Put(edge, kLivesAt, 0u ^ key);
    Put(edge, kPairsAt + 8, 3); // kind 3 is skipped: trophy 5 keeps its value
    ASSERT_EQ(LoadBytes(edge), 1) << log.Text();
    EXPECT_EQ(loaded.Trophy5Progress, 0);
    EXPECT_EQ(loaded.ExtraLives, 3);
    Put(edge, kCountAt, 0);
    ASSERT_EQ(LoadBytes(edge.substr(0, kPairsAt)), 1);
    EXPECT_EQ(loaded.ExtraLives, 0);
    EXPECT_EQ(loaded.Pairs.size(), 1u);
}

TEST_F(QuestSave, CutOrScrambledFilesNeverLoadHalfway) {
    SampleQuest(1, 0).Save(dir.Path("Valid.sav"));
    const std::string valid = ReadFile(dir.Path("Valid.sav"));
    damage::EveryPrefix(dir, "Quest.sav", valid, [&](const std::string& path, size_t n) {
        log.Clear();
        loaded = CQuestState();
        EXPECT_EQ(loaded.Load(path), 0) << n;
        EXPECT_EQ(loaded.State, 0);
        const char* message = n < 4 ? " Error. Corrupted file" : " Error. Unable to load file";
        EXPECT_EQ(log.Text().rfind(message, 0), 0u) << n << ": " << log.Text();
        if (n >= 160) {
            EXPECT_EQ(loaded.Level, 17) << "fields before the cut keep the file's values";
        }
    });
    int refused = 0;
    damage::RandomFlips(dir, "Quest.sav", valid, 400, [&](const std::string& path) {
        if (LoadBytes(ReadFile(path)) == 0) {
            ++refused;
            EXPECT_EQ(loaded.State, 0);
        } else {
            EXPECT_EQ(loaded.HasBoard(), loaded.SavedSubState == 1);
        }
    });
    EXPECT_GT(refused, 0);
}

TEST_F(QuestSave, AFailedSaveKeepsTheLastGoodFile) {
    const std::string path = dir.Path("Quest.sav");
    ASSERT_EQ(SampleQuest(8, 0).Save(path), 1);
    const std::string good = ReadFile(path);
    // The temporary file cannot be made: a folder stands in its place.
    std::filesystem::create_directory(dir.Path("Quest.tmp"));
    log.Clear();
    EXPECT_EQ(SampleQuest(1, 0).Save(path), 0);
    EXPECT_EQ(ReadFile(path), good);
    EXPECT_EQ(log.Text().rfind(" Error. Unable to open (save) file " + path, 0), 0u) << log.Text();
}

} // namespace
