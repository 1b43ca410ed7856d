#pragma once
// What a failed write could not keep, as the player is told it; each names
// itself in the notice (the texts follow one another in this order). Each
// file the game writes has its own, so that one file lost is told as that
// file, whatever the other writes of the moment did.
#include <cstdint>

enum class ENotSaved : int32_t {
    NewPlayer,
    Quest,      // the quest save and its automatic copies
    Trophies,
    Options,
    HighScores, // the high-score table
    Settings,   // the player's own settings: tutorial tips, veteran
    BestTimes,
    BestScores
};
