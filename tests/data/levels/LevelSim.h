#pragma once
// A pure-logic player for a level file: the board is built from the level's
// codes the way the field builds it (colour codes, letters, groups, lists,
// chains, steel, placed gems, retries until there is no ready row and a
// move), then a simple bot plays it on the match finder alone. Every turn it
// takes the best swap of the move list (see SimBot), lets the cascades run,
// refills the board with the level's colours, steel, chains and gem quota,
// and rebuilds the board when no move is left. Time is simulated per move,
// per cascade step and per rebuild.
//
// Simpler than the play field: no bonuses (neither placed nor won), no totems,
// no sand box; steel only leaves through bonuses, so here it never leaves. The
// numbers lean to the slow side of what a player achieves.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "LevelCatalog.h"
#include "playfield/LevelDesc.h"
#include "playfield/MatchFinder.h"

namespace levels {

// How the bot ranks the moves of the move list.
enum class SimBot {
    Plain,    // most caps removed, then the longest run
    GemAware, // most gems removed, then most chains broken on gems, then most
              // caps of a gem's colour brought in line with it, then runs nearest
              // a gem (so that a stuck gem gets worked loose), then as Plain
};

// Where the gems are, for the bot: 0 none, 1 a free gem, 2 a gem in chains;
// indexed [row][column].
using GemMap = std::array<std::array<int8_t, 8>, 8>;

// The bot's turn on a value matrix: the best move of the move list, ties
// broken by `random` (a number in 0..1). False when the list is empty.
bool ChooseBotMove(const CMatchFinder& board, const GemMap& gems, SimBot bot,
                   const std::function<double()>& random, CMatchMove& best);

struct SimTiming {
    double ThinkSeconds = 2.0;   // the player finds a move and clicks twice
    double SwapSeconds = 0.4;    // the swap flight
    double StepSeconds = 1.2;    // one cascade step: the removal effect, then the fall
    double RebuildSeconds = 3.0; // "no moves": the board falls out and a new one drops in
};

struct SimResult {
    bool BoardBuilt = false;      // the level board met its guarantees in time
    int32_t BoardAttempts = 0;    // draws the level board needed
    int32_t StartGems = 0;        // gems on the first board
    int32_t StartChains = 0;      // chained caps on the first board
    int32_t StartSteel = 0;       // steel caps on the first board
    int32_t GemsGoal = 0;
    int32_t GemsCollected = 0;
    double SecondsToGoal = -1.0;  // negative when the goal was not reached
    double Seconds = 0.0;         // simulated time played
    int32_t Moves = 0;
    int32_t Rebuilds = 0;
    double GemsPerMinute() const { return Seconds > 0.0 ? GemsCollected * 60.0 / Seconds : 0.0; }
};

class LevelSim {
public:
    static constexpr int32_t kSide = 8;
    static constexpr int32_t kSteel = 101;
    // Bound of the level-board draws; the field gives up after as many.
    static constexpr int32_t kBoardAttempts = 200;

    LevelSim(const CLevelDesc& desc, const LevelSettings& settings, uint64_t seed,
             int32_t gemCeiling = kBaseGemCeiling);

    // Draws the level board (the field's board source 1). False when no draw
    // within the bound had both no ready row and a move; the last draw stays.
    bool BuildLevelBoard();
    int32_t Attempts() const { return Attempts_; }

    // Builds the level board and plays until every gem is collected or the
    // simulated time passes `secondsLimit`.
    SimResult Play(double secondsLimit, const SimTiming& timing = {}, SimBot bot = SimBot::Plain);

    struct Cell {
        int32_t Value = 0; // 0 empty, colour + 1, or kSteel
        int32_t Locks = 0;
        bool Gem = false;
        bool Fixed = false;
    };
    const Cell& At(int32_t column, int32_t row) const { return Cells[row][column]; }
    // The board as text, a row per line: colour digit or 's', then '*' for a
    // gem, a chain count, or a blank; and the gems still to come.
    std::string Describe() const;
    // The value matrix of the board (chained caps negative).
    void FillMatrix(CMatchFinder& finder) const;

private:
    double Random();
    int32_t Pick(int32_t size);
    void Shuffle(std::vector<int32_t>& v, int32_t from);
    // The colour draw: a colour + 1, or steel while under the limit.
    int32_t DrawValue(int32_t& steelCount);
    bool DrawLock(int32_t& lockCount);
    bool OneLevelAttempt();
    void PlaceLevelExtras();
    void Gravity();
    // Fills every empty cell; the field's refill (0, 0) or rebuild fill (1, 1).
    void FillEmpty(bool avoidRuns, bool needMove, int32_t chain, bool gemQuota);
    int32_t Cascade();
    void Rebuild();
    int32_t GemsOnBoard() const;

    const CLevelDesc& Desc;
    LevelSettings Settings;
    int32_t GemCeiling;
    uint64_t State;
    Cell Cells[kSide][kSide];
    int32_t Attempts_ = 0;
    int32_t GemPool = 0;
    int32_t GemsToCollect = 0;
    int32_t Collected = 0;
    CMatchFinder Finder;
};

} // namespace levels
