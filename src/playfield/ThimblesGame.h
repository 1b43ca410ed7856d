#pragma once
// The Attention challenge (play-field state 103): a shell game. Three cups drop
// onto the field; the middle one (cup 1) shows a token, the others an empty
// picture. The cups close, pairs of cups change places, faster and more often
// with every right answer, and the player must click the cup with the token.
// A bonus level is ten rounds.
//
// The play field calls Update once per frame and turns its result codes into
// field events (on 101 it reads ClickedCup and the position of cup 1); the
// game object passes left clicks to OnClick, lays out each round with SetUp
// and counts Wins.
#include <cstdint>
#include <vector>

#include "playfield/CellGrid.h"

class CThimblesGame : public CGridChallenge {
public:
    enum GameState : int32_t {
        kIdle = 8,
        kDealing = 9,
        kShowing = 10,
        kShuffling = 11,
        kWaitingForClick = 12,
        kRevealing = 13,
    };
    enum ClickResult : int32_t { kClickIgnored = 100, kCupChosen = 101 };
    enum UpdateResult : int32_t {
        kNothing = 100,
        kCupOpen = 101,      // the chosen cup is open
        kCupsGone = 108,     // the cups have flown away: the round is over
        kShuffleEnded = 109, // the player must choose
    };
    static constexpr int32_t kCupCount = 3;
    static constexpr int32_t kTokenCup = 1;
    static constexpr int32_t kEmptyPicture = 7;
    static constexpr float kDefaultShowTime = 1.0f;
    static constexpr float kRevealPause = 0.5f;
    static constexpr float kClosePause = 0.4f;
    static constexpr float kFlightTime = 1.0f;

    CThimblesGame();
    ~CThimblesGame();

    // Lays out a round for the bonus-level group (1 or 2); the round number is
    // not used: the difficulty follows Wins.
    void SetUp(int32_t round, int32_t group);
    // 101 when the click chose a cup (only while waiting for the choice), else 100.
    int32_t OnClick(float x, float y);
    int32_t Update(float dt);
    // Sends the cups still in the list straight up and away and empties the list.
    void FlyOut();

    // Where place p (0..2) stands on the rest row.
    float PlaceX(int32_t place) const;
    float RestY() const;
    // Cup i of the list (empty when there is none).
    CSharedPtr<CGridCell> Cup(int32_t i) const;

    float ShowTime = kDefaultShowTime;
    int32_t Layer = 0;
    std::vector<CSharedPtr<CGridCell>> Cups; // cup 0, cup 1 (the token), cup 2
    std::vector<int32_t> Places = {0, 0, 0}; // the cup standing at place 0, 1, 2
    int32_t State = kIdle;
    int32_t Phase = 0;
    float Timer = 0.0f;
    int32_t SwapsDone = 0;
    int32_t Round = 0; // the launcher sets 1
    int32_t Wins = 0;  // right answers so far
    int32_t MovingCupA = 0, MovingCupB = 0;
    int32_t FromPlace = 0, ToPlace = 0; // from > to
    int32_t ClickedCup = 0;
    int32_t SwapCount = 3;
    float SwapTime = 0.5f;
    float SwapPause = 0.25f;

private:
    // Every cup of the list exactly on its place.
    void PlaceCups();
    void DrawSwap();
};
