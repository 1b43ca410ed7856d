#pragma once
// What a failed write could not keep, as the player is told it; each names
// itself in the notice (the texts follow one another in this order).
#include <cstdint>

enum class ENotSaved : int32_t { NewPlayer, Quest, Trophies, Options, HighScores };
