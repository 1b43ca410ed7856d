#pragma once
// One record a bonus queues for the play field; the bonus manager gathers the
// records of every bonus once per frame into its pending list and fills in the
// bonus that queued each one. A bonus sets only the words its code uses.
//
// Codes the field acts on: 2 a gem reached the gem bar (a = colour), 4 destroy
// the cap of cell (b = column, c = row), 5 the bonus needs a new cap, 8 time
// won (a = level), 10 adviser time won (a = level), 13 a Solidarity redirect
// (value = x), 14 a bonus made in play was placed (value = x). The others only
// tell what happened.
#include <cstdint>

#include "engine/SharedPtr.h"

class CBonus;

struct CBonusEvent {
    enum Code : int32_t {
        kGemFired = 1,          // a = colour
        kGemArrived = 2,        // a = colour
        kTntExploded = 3,       // a = tier
        kDestroyCell = 4,       // b = column, c = row
        kNeedsCap = 5,          // a pop has ended: attach the bonus to a new cap
        kFlashFired = 6,        // a = level
        kTimeFired = 7,         // a = level
        kTimeWon = 8,           // a = level
        kAdviserFired = 9,      // a = level
        kAdviserTimeWon = 10,   // a = level
        kScoreFired = 11,       // a = level
        kSolidarityFired = 12,  // a = level
        kSolidarityRedirect = 13,  // value = x
        kPlaced = 14            // value = x
    };

    int32_t Code = 0;
    int32_t A = 0;
    int32_t B = 0;
    int32_t C = 0;
    CSharedPtr<CBonus> Source;  // empty when queued; the manager fills it in
    float Value = 0.0f;
};

// The play field's name for the same record.
using CBonusRequest = CBonusEvent;
