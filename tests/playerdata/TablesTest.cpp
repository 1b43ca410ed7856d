// The high-score table and the per-level records: defaults, ranking, the
// quest's own row, and damaged files.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "playerdata/Damage.h"
#include "playerdata/LevelBestTable.h"
#include "playerdata/ScoreTable.h"
#include "support/CapturedLog.h"
#include "support/TempDir.h"

namespace {

using testsupport::CapturedLog;
using testsupport::ReadFile;
using testsupport::TempDir;

std::vector<int32_t> ScoresOf(const CScoreTable& t) {
    std::vector<int32_t> out;
    for (const auto& row : t.Rows)
        out.push_back(row.Score);
    return out;
}

const std::vector<int32_t> kDefaults = {10000, 9000, 8000, 7000, 6000,
                                        5000,  4000, 3000, 2000, 1000};

TEST(ScoreTable, RankingAndTheQuestsOwnRow) {
    TempDir dir;
    CScoreTable t;
    EXPECT_EQ(t.Load(dir.Path("Game0.tbl")), 0);
    EXPECT_EQ(ScoresOf(t), kDefaults);
    EXPECT_EQ(t.FindRank(6000), 5) << "below an equal score";
    EXPECT_EQ(t.FindRank(999), 10);

    // A new quest enters below the equal score; the last row drops out.
    const os::Guid a = os::NewGuid(), b = os::NewGuid();
    EXPECT_EQ(t.Insert(5000, "Ann.!", a), 6);
    EXPECT_EQ(t.GetName(6), "Ann         ");
    EXPECT_EQ(t.Rows[9].Score, 2000);
    // The same quest again: in place (rank r or r-1), up, down.
    EXPECT_EQ(t.Insert(5500, "Ann", a), 5);
    EXPECT_EQ(t.Insert(9500, "Ann", a), 1);
    EXPECT_EQ(ScoresOf(t),
              (std::vector<int32_t>{10000, 9500, 9000, 8000, 7000, 6000, 5000, 4000, 3000, 2000}));
    EXPECT_EQ(t.Insert(3500, "Ann", a), 7);
    EXPECT_EQ(t.Insert(3200, "Ann", a), 7) << "the row itself at r - 1";
    // A long name keeps its first twelve characters; a score beyond what the
    // file holds is clamped, not stored to wipe the table on reload.
    EXPECT_EQ(t.Insert(2100000000, "Bartholomew_Xyz", b), 0);
    EXPECT_EQ(t.GetName(0), "Bartholomew_");
    EXPECT_EQ(t.Rows[0].Score, CScoreTable::kMaxScore);

    ASSERT_TRUE(t.Save());
    const std::string bytes = ReadFile(dir.Path("Game0.tbl"));
    EXPECT_EQ(bytes.size(), CScoreTable::kFileBytes);
    CScoreTable back;
    EXPECT_EQ(back.Load(dir.Path("Game0.tbl")), 1);
    EXPECT_EQ(ScoresOf(back), ScoresOf(t));
    EXPECT_EQ(back.Rows[0].Id, b);
    EXPECT_EQ(back.Load(dir.Write("Game0.tbl", bytes + "extra")), 1) << "tail ignored";
}

// Where a score enters and what it moves: a new quest or one already in the
// table, at the top, between ties, at the last place and below it. `order`
// lists the rows after the insert by their place before it (-1: the row
// that was stored), so a failure names the row that went wrong.
TEST(ScoreTable, InsertPlacesAScoreAndMovesOnlyTheRowsBelowIt) {
    const std::vector<int32_t> ties(10, 5000);
    const std::vector<int32_t> ones = {10000, 9000, 8000, 7000, 6000, 5000, 4000, 3000, 2000, 1};
    const struct {
        const char* what;
        std::vector<int32_t> start;
        int quest; // the row whose quest scores again, -1 for a new quest
        int32_t value;
        std::string name;
        int32_t rank;
        std::vector<int> order;
        int32_t stored; // the stored row's score
        std::string storedName;
    } cases[] = {
        {"a new best", kDefaults, -1, 10500, "Ann", 0, {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8}, 10500,
         "Ann         "},
        {"below an equal score", kDefaults, -1, 6000, "Ann", 5, {0, 1, 2, 3, 4, -1, 5, 6, 7, 8},
         6000, "Ann         "},
        {"the last place", kDefaults, -1, 1001, "Ann", 9, {0, 1, 2, 3, 4, 5, 6, 7, 8, -1}, 1001,
         "Ann         "},
        {"equal to the last", kDefaults, -1, 1000, "Ann", 10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 0,
         ""},
        {"below the last", kDefaults, -1, 10, "Ann", 10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 0, ""},
        {"a full table of ties", ties, -1, 5000, "Ann", 10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 0, ""},
        {"above a full table of ties", ties, -1, 5001, "Ann", 0, {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8},
         5001, "Ann         "},
        {"nothing scored enters below 1", ones, -1, 0, "Ann", 10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9},
         0, ""},
        {"nothing scored over the defaults", kDefaults, -1, -5, "Ann", 10,
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 0, ""},
        {"the quest's own row up", kDefaults, 7, 8500, "Ann", 2, {0, 1, -1, 2, 3, 4, 5, 6, 8, 9},
         8500, "Ann         "},
        {"the quest's own row in place", kDefaults, 4, 6500, "Ann", 4,
         {0, 1, 2, 3, -1, 5, 6, 7, 8, 9}, 6500, "Ann         "},
        {"the quest's own row, its score again", kDefaults, 4, 6000, "Ann", 4,
         {0, 1, 2, 3, -1, 5, 6, 7, 8, 9}, 6000, "Ann         "},
        {"the quest's own row down", kDefaults, 1, 2500, "Ann", 7, {0, 2, 3, 4, 5, 6, 7, -1, 8, 9},
         2500, "Ann         "},
        {"the quest's own last row lower", kDefaults, 9, 5, "Ann", 9,
         {0, 1, 2, 3, 4, 5, 6, 7, 8, -1}, 5, "Ann         "},
        {"a long name", kDefaults, -1, 20000, "Bartholomew_Xyz", 0,
         {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8}, 20000, "Bartholomew_"},
        {"letters outside the names' set", kDefaults, -1, 20000, "A.b!c-d_e f", 0,
         {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8}, 20000, "A b c-d_e f "},
        {"a name cut at a NUL", kDefaults, -1, 20000, std::string("Jo\0hn", 5), 0,
         {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8}, 20000, "Jo          "},
        {"a score the file cannot hold", kDefaults, -1, 2100000000, "", 0,
         {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8}, CScoreTable::kMaxScore, "            "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CScoreTable t;
        std::vector<os::Guid> ids;
        for (size_t i = 0; i < t.Rows.size(); ++i) {
            t.Rows[i].Score = c.start[i];
            t.Rows[i].Name.fill(' ');
            t.Rows[i].Name[0] = static_cast<char>('a' + i);
            ids.push_back(t.Rows[i].Id = os::NewGuid());
        }
        const os::Guid quest = c.quest < 0 ? os::NewGuid() : ids[size_t(c.quest)];
        EXPECT_EQ(t.Insert(c.value, c.name, quest), c.rank);
        for (size_t i = 0; i < t.Rows.size(); ++i) {
            const int was = c.order[i];
            if (was < 0) {
                EXPECT_EQ(t.Rows[i].Score, c.stored) << "the stored row " << i;
                EXPECT_EQ(t.GetName(int32_t(i)), c.storedName) << "the stored row " << i;
                EXPECT_EQ(t.Rows[i].Id, quest) << "the stored row " << i;
            } else {
                EXPECT_EQ(t.Rows[i].Score, c.start[size_t(was)]) << "row " << i;
                EXPECT_EQ(t.Rows[i].Name[0], 'a' + was) << "row " << i;
                EXPECT_EQ(t.Rows[i].Id, ids[size_t(was)]) << "row " << i;
            }
        }
    }
}

TEST(ScoreTable, DamagedFilesGiveDefaults) {
    TempDir dir;
    CScoreTable t;
    t.Path = dir.Path("Game0.tbl");
    t.Insert(20000, "Ann", os::NewGuid());
    ASSERT_TRUE(t.Save());
    const std::string valid = ReadFile(t.Path);

    // Row 3's score decodes to 0: rows 0-2 stay, the rest are defaults.
    std::string bytes = valid;
    for (size_t i = 0; i < 4; ++i)
        bytes[3 * 32 + 12 + i] = static_cast<char>(CScoreTable::kKeyByte);
    CScoreTable back;
    EXPECT_EQ(back.Load(dir.Write("Game0.tbl", bytes)), 0);
    EXPECT_EQ(ScoresOf(back),
              (std::vector<int32_t>{20000, 10000, 9000, 7000, 6000, 5000, 4000, 3000, 2000, 1000}));

    damage::EveryPrefix(dir, "Game0.tbl", valid, [&](const std::string& path, size_t n) {
        EXPECT_EQ(back.Load(path), 0) << n;
        EXPECT_EQ(back.Rows[9].Score, 1000) << n;
    });
    damage::RandomFlips(dir, "Game0.tbl", valid, 300, [&](const std::string& path) {
        if (back.Load(path) == 0)
            EXPECT_EQ(back.Rows[9].Score, 1000);
        else
            EXPECT_TRUE(
                std::is_sorted(back.Rows.rbegin(), back.Rows.rend(),
                               [](const auto& x, const auto& y) { return x.Score < y.Score; }));
    });
}

TEST(LevelBestTable, RecordsAndTheirFile) {
    TempDir dir;
    CapturedLog log(dir);
    CLevelBestTable scores, times;
    EXPECT_EQ(scores.Load(dir.Path("Sc.bst")), 0);
    scores.SetDefaultScores();
    EXPECT_EQ(scores.Values[7], 90000);
    EXPECT_EQ(scores.Values[8], 50000);
    EXPECT_EQ(scores.Values[40], 210000);
    times.FillEvenly(15, 1215);
    EXPECT_TRUE(log.Text().empty()) << "a missing file is no error";

    EXPECT_EQ(times.IsLower(1215, 41), 0) << "an equal value is no record";
    EXPECT_EQ(times.IsLower(1214, 41), 1);
    EXPECT_EQ(scores.IsHigher(210000, 41), 0) << "an equal value is no record";
    EXPECT_EQ(scores.IsHigher(210001, 41), 1);
    for (int32_t level : {0, 42, -5, 1000}) {
        EXPECT_EQ(scores.IsHigher(1 << 30, level), 0);
        EXPECT_EQ(times.IsLower(-1, level), 0);
        scores.SetRecord(1, level, "X");
    }
    scores.SetRecord(99999, 41, "TwelveChars_");
    scores.SetRecord(12345, 2, "");
    ASSERT_EQ(scores.Save(dir.Path("Sc.bst")), 1);
    CLevelBestTable back;
    ASSERT_EQ(back.Load(dir.Path("Sc.bst")), 1);
    EXPECT_EQ(back.Values, scores.Values);
    EXPECT_EQ(back.Names, scores.Names);

    EXPECT_EQ(FormatRecordTime(75) + FormatRecordTime(5) + FormatRecordTime(3600), "1:150:0560:00");
}

TEST(LevelBestTable, DamagedFilesFallBackAndKeepTheNamesRead) {
    TempDir dir;
    CapturedLog log(dir);
    CLevelBestTable table;
    table.SetRecord(777, 1, "Ann");
    table.Save(dir.Path("Ti.bst"));
    const std::string valid = ReadFile(dir.Path("Ti.bst"));
    const size_t secondRow = 4 + 3 + 4;
    for (int32_t length : {41, -1, INT32_MIN}) {
        std::string bytes = valid;
        std::memcpy(&bytes[secondRow], &length, 4);
        CLevelBestTable back;
        log.Clear();
        EXPECT_EQ(back.Load(dir.Write("Ti.bst", bytes)), 0) << length;
        EXPECT_EQ(back.Names[0], "Ann");
        EXPECT_EQ(back.Values[0], 10000) << "the fallback fill";
        EXPECT_EQ(log.Text().rfind(" Error loading " + dir.Path("Ti.bst") + " \n", 0), 0u)
            << log.Text();
    }
    CLevelBestTable back;
    damage::EveryPrefix(dir, "Ti.bst", valid, [&](const std::string& path, size_t n) {
        EXPECT_EQ(back.Load(path), 0) << n;
    });
    damage::RandomFlips(dir, "Ti.bst", valid, 300, [&](const std::string& path) {
        if (back.Load(path)) {
            EXPECT_EQ(back.Rows(), CLevelBestTable::kQuestLevels);
        }
    });
}

} // namespace
