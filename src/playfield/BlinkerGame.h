#pragma once
// The Reaction challenge (play-field state 104). Eighteen closed cards drop onto
// a 6 x 3 grid: twelve hide tokens, six are blanks. One card at a time flashes
// open; the player must click (anywhere) or press a key while a token shows,
// and must not while a blank shows or nothing is open. Seven catches clear the
// board; every catch speeds the flashing up, every miss costs bonus-level time.
//
// The play field calls Update once per frame: on 101 (catch) it calls
// ConfirmCatch and reads the position of the open card; on 102 (miss) it calls
// ConfirmMiss. The game object calls OnClick for clicks and key presses.
#include <cstdint>
#include <vector>

#include "playfield/CellGrid.h"

class CBlinkerGame : public CGridChallenge {
public:
    enum GameState : int32_t {
        kIdle = 15,
        kDealing = 16,
        kFlashing = 17,
        kJudging = 18,
        kClearingAway = 19,
    };
    // Phases of kFlashing.
    enum FlashPhase : int32_t { kDark = 0, kOpen = 1 };
    // Phases of kJudging.
    enum JudgePhase : int32_t { kJudge = 0, kAfterMiss = 1, kAfterCatch = 2 };
    enum UpdateResult : int32_t {
        kNothing = 100,
        kCatch = 101,     // the click came while a token was open
        kMiss = 102,      // a blank or no card was open
        kCardsGone = 110, // the cards have flown away
    };
    static constexpr int32_t kCardCount = 18;
    static constexpr int32_t kTokenCards = 12;
    static constexpr int32_t kBlankKind = 7;
    static constexpr float kFlightTime = 1.0f;

    CBlinkerGame();
    ~CBlinkerGame();

    // Deals the board for the bonus-level group (1 or 2) and starts the drop.
    void SetUp(int32_t group);
    // A click or key press: while flashing, the click is judged once every card
    // rests. Always 100.
    int32_t OnClick();
    int32_t Update(float dt);
    // Open time x 0.95, dark time x 0.98.
    void SpeedUp();
    // The play field's answer to a catch: catches + 1, SpeedUp, the after-catch
    // pause starts.
    void ConfirmCatch();
    // The play field's answer to a miss: the after-miss pause starts.
    void ConfirmMiss();
    // Sends every card up and away and empties the list.
    void FlyOut();

    // The flashing card (empty when none is open).
    CSharedPtr<CGridCell> OpenCardCell() const;
    static bool IsBlank(const CGridCell& card) { return card.Kind >= kBlankKind; }

    int32_t Layer = 0;
    std::vector<CSharedPtr<CGridCell>> Cards; // in deal order
    int32_t State = kIdle;
    int32_t Phase = 0;
    float Timer = 0.0f;
    int32_t OpenCard = -1; // index into Cards of the flashing card, -1 none
    int32_t BlanksInARow = 0;
    int32_t BlankLimit = 3;
    int32_t Catches = 0;
    int32_t CatchesNeeded = 7;
    float OpenTime = 0.5f;
    float DarkTime = 0.25f;
    float AfterCatchPause = 0.75f;
    float AfterMissPause = 4.0f;
    float Penalty = 0.0f; // seconds the game object takes from the time on a miss

private:
    // Back to flashing, dark, with no card open.
    void ResumeFlashing();
    void FlashNextCard();
};
