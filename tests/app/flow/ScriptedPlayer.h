#pragma once
// A scripted player for the headless game: it looks at the board the way a
// person would (which swaps make a row, where the gems are), takes the best
// move from the field's own move list and clicks the two tokens at their
// window pixels, sometimes dragging instead. It closes tutorial tips with a
// click and plays the four challenges from what they show on screen.
#include <cstdint>

#include "app/flow/FlowHarness.h"
#include "playfield/MatchFinder.h"

namespace flowtest {

class ScriptedPlayer {
public:
    enum Outcome { kWon, kLost, kOutOfTime };

    explicit ScriptedPlayer(FlowHarness& harness) : h_(harness) {}

    // The best swap on the board as it stands (false when there is none):
    // gems first, then the most tokens, then chains broken, then lower rows.
    bool BestMove(CMatchMove& out);
    // True when the board waits for the player.
    bool BoardReady();
    // Plays the level in progress (from its intro) until it is won, lost or
    // `seconds` of game time have passed.
    Outcome PlayLevel(float seconds);
    // Plays the bonus level in progress (from its intro) until it ends; false
    // when it has not ended within `seconds`.
    bool PlayBonus(float seconds);

    int32_t Moves() const { return moves_; }
    int32_t Drags() const { return drags_; }

private:
    void MakeMove(const CMatchMove& m);
    void BonusStep();

    FlowHarness& h_;
    int32_t moves_ = 0;
    int32_t drags_ = 0;
    float wait_ = 0.0f;
};

} // namespace flowtest
