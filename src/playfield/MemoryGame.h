#pragma once
// The Memory challenge (play-field state 101): a game of pairs. Cards drop onto
// a grid showing the same back; the player turns two over; equal pictures stay
// open and score, different ones turn back after half a second. A bonus level
// is three rounds on boards of growing size (size kinds 1-3 for the first half
// of the quest, 4-6 for the second).
//
// The play field calls Update once per frame and turns its result codes into
// field events; the game object passes left clicks to OnClick, lays out each
// round with SetUp and calls FlyOut when a board is finished or time is up.
#include <cstdint>
#include <vector>

#include "playfield/CellGrid.h"

class CMemoryGame : public CGridChallenge {
public:
    enum GameState : int32_t {
        kIdle = 0,
        kWaitingForClick = 1,
        kDealing = 2,
        kClearingAway = 3,
        kTurning = 4,
    };
    enum TurnPhase : int32_t { kOpening = 0, kShowingMismatch = 1, kClosing = 2 };
    enum ClickResult : int32_t { kClickIgnored = 100, kCardTurned = 101, kClickRefused = 102 };
    enum UpdateResult : int32_t {
        kNothing = 100,
        kBoardCleared = 103, // the flown-out board is empty: the round is over
        kMismatchClosing = 104,
        kPairFound = 105,     // a pair was found and cards remain
        kLastPairFound = 106, // the board is solved
    };
    static constexpr int32_t kFirstSizeKind = 1;
    static constexpr int32_t kLastSizeKind = 6;
    static constexpr float kDefaultCloseDelay = 0.5f;
    static constexpr float kFlightTime = 1.0f;
    static constexpr int32_t kDropRows = 10; // cards enter and leave ten rows above their place

    CMemoryGame();
    ~CMemoryGame();

    // Lays out a new round of that size kind (1..6; others are clamped) and
    // starts dealing.
    void SetUp(int32_t sizeKind);
    // A left click in virtual-screen units: 100 nothing happened, 101 a card was
    // turned over, 102 the click was refused (a matched or the open card).
    int32_t OnClick(float x, float y);
    // One frame; the result code (UpdateResult).
    int32_t Update(float dt);
    // Sends every card still on a place up and away; the board removes each
    // card when its flight ends.
    void FlyOut();
    // Empties the arrangement and resets the board.
    void ResetBoard();

    // The card at a place (empty outside the board or where there is none).
    CSharedPtr<CGridCell> CardAt(int32_t column, int32_t row) const;
    bool IsMatched(int32_t column, int32_t row) const;

    int32_t ColumnOrigin = 1, RowOrigin = 3; // grid place of the board's top-left card
    int32_t Columns = 6, Rows = 3;
    float CloseDelay = kDefaultCloseDelay;
    int32_t Layer = 0;
    std::vector<std::vector<CSharedPtr<CGridCell>>> Cards; // [row][column]
    std::vector<std::vector<int32_t>> Matched;             // [row][column], 1 once paired
    int32_t State = kIdle;
    int32_t Phase = kOpening;
    float Timer = 0.0f;
    int32_t FirstColumn = -1, FirstRow = -1;
    int32_t SecondColumn = -1, SecondRow = -1;
    int32_t Round = 0;       // the launcher sets 1; the game object advances it
    int32_t BrokenCards = 0; // the field's memory effects count the cards they break
    // The last matched pair: x, y of the second card, then x, y of the first.
    float PairPosition[4] = {0.0f, 0.0f, 0.0f, 0.0f};

private:
    bool InBoard(int32_t column, int32_t row) const;
    CGridCell* Card(int32_t column, int32_t row) const;
    bool AllMatched() const;
};
