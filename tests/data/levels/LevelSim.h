#pragma once
// What a played level is measured by, and the bot that plays it: it takes the
// best swap of the field's move list (see SimBot). FieldPlayer runs it on the
// real play field.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "LevelCatalog.h"
#include "playfield/LevelDesc.h"
#include "playfield/MatchFinder.h"

namespace levels {

constexpr int32_t kBoardSide = 8;

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

} // namespace levels
