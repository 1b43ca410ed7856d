#pragma once
// The quest record: what the game keeps of a quest in progress, and its file
// image "PSAV" version 2 (the main save and the two automatic copies). The game
// fills it from the play field, the shop and its own state; the play field
// rebuilds a board from its five grids (board source 3).
//
// Grid 0 colour code: 1000 empty, c + 1 for a cap of colour c (101 steel),
// -(c + 1) when the cap carried a gem. Grid 1 the cap's chains. Grid 2 a bonus
// type (0 none), grid 3 its level. Grid 4 the fixed mark (1).
//
// File layout, little-endian, no padding: "PSAV", version, non-quest flag,
// quest id, difficulty, saved sub-state, the counter block (sets 0, 2, 1, each
// word keyed), level, time left, time step, lives (keyed), sand level, sand
// time (double), sand rate step, gems remaining and gem goal (keyed), adviser
// time, pending totem, blue totem flag: 208 bytes. Then the five 8 x 8 grids
// when the save was taken in play (sub-state 1), and in a quest the sixteen
// upgrade values (keyed), the Golden Stars (keyed) and the counted statistic
// pairs (kind, value).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/os/Guid.h"
#include "playerdata/ProfileCounters.h"

class CQuestState {
public:
    enum Grid : int32_t {
        kColourGrid = 0,
        kLockGrid = 1,
        kBonusTypeGrid = 2,
        kBonusLevelGrid = 3,
        kFixedGrid = 4
    };
    static constexpr int32_t kGrids = 5;
    static constexpr int32_t kBoardSize = 8;
    static constexpr int32_t kEmptyCell = 1000;
    static constexpr int32_t kSteelCode = 101;
    static constexpr int32_t kColours = 7;
    static constexpr int32_t kMaxChains = 9;
    static constexpr int32_t kFirstBonusType = 2;
    static constexpr int32_t kLastBonusType = 7;
    static constexpr int32_t kMaxBonusLevel = 3;
    static constexpr int32_t kUpgrades = 16;

    // The state word.
    static constexpr int32_t kNothingToSave = 0;
    static constexpr int32_t kNewQuest = 1;
    static constexpr int32_t kWorthSaving = 2;
    // Screen sub-states a save is taken in.
    static constexpr int32_t kTakenInPlay = 1;
    static constexpr int32_t kTakenAtResults = 6;
    static constexpr int32_t kTakenInShop = 8;

    static constexpr int32_t kMaxLevel = 1000;
    static constexpr int32_t kMaxLives = 1000;
    static constexpr int32_t kMaxStars = 1000;
    static constexpr int32_t kMaxGems = 1000;
    static constexpr int32_t kLastPairKind = 13;
    static constexpr int32_t kTotemColours = 7;

    // Statistic pair kinds the writer emits (trophy progress, earned lives).
    static constexpr int32_t kPairTrophy1 = 1;
    static constexpr int32_t kPairTrophy5 = 5;
    static constexpr int32_t kPairTrophy7 = 7;
    static constexpr int32_t kPairExtraLives = 13;

    static constexpr uint32_t kFieldKey = 0x4E2B91D7u;
    static constexpr uint32_t kUpgradeKey = 0x7A13C5E9u;
    static constexpr uint32_t kStarKey = 0x003B2E91u;

    static constexpr size_t kFixedBytes = 208;
    static constexpr size_t kGridBytes = size_t(kGrids) * kBoardSize * kBoardSize * 4;

    CQuestState();

    // Writes the record; 1 when the whole file is on the disk, 0 when not (the
    // previous file at `path` is then untouched). Logs its failures.
    int32_t Save(const std::string& path) const;
    // Reads and checks a save; 1 with State = 2. On any failure 0, State = 0,
    // the failure logged (a missing file silently); the fields read before the
    // failure hold the file's values.
    int32_t Load(const std::string& path);

    // A grid value of (column, row); 0 (1000 for the colour grid) outside.
    int32_t Cell(int32_t grid, int32_t column, int32_t row) const {
        if (grid < 0 || grid >= kGrids || row < 0 || column < 0)
            return grid == kColourGrid ? kEmptyCell : 0;
        const auto& g = CellGrids[static_cast<std::size_t>(grid)];
        if (static_cast<std::size_t>(row) >= g.size() ||
            static_cast<std::size_t>(column) >= g[static_cast<std::size_t>(row)].size())
            return grid == kColourGrid ? kEmptyCell : 0;
        return g[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    }
    // Every grid made 8 x 8 and filled with the values of an empty cell.
    void ClearBoard();
    // Every grid emptied (no rows): a save taken outside play holds no board.
    void DropBoard();
    // True when all five grids are 8 x 8.
    bool HasBoard() const;

    int32_t State = kNothingToSave;
    int32_t NonQuest = 0;
    os::Guid QuestId;
    int32_t Difficulty = 0;
    int32_t SavedSubState = 3;
    CProfileCounters Counters;
    int32_t Level = 1;
    float TimeLeft = 0.0f;
    float TimeStep = 30.0f;
    int32_t Lives = 2;
    float SandLevel = 0.0f;
    double SandTime = 0.0;
    int32_t SandRateStep = 0;
    int32_t GemsRemaining = 0;
    int32_t GemGoal = 0;
    float AdviserTime = 0.0f;
    int32_t PendingTotem = -1;
    int32_t BlueTotemFlag = 0;
    std::array<std::vector<std::vector<int32_t>>, kGrids> CellGrids;
    std::array<int32_t, kUpgrades> Upgrades{};
    int32_t Stars = 0;
    std::vector<std::pair<int32_t, int32_t>> Pairs;
    int32_t Trophy1Progress = 0;
    int32_t Trophy5Progress = 0;
    int32_t Trophy7Progress = 0;
    int32_t ExtraLives = 0;
};
