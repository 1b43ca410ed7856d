#pragma once
// Every live bonus of the game: the manager makes them (CreateGem,
// CreateBonus), updates them once per frame, drops the finished ones and
// gathers the events they queue into one pending list that the play field
// reads after the update.
#include <cstdint>
#include <vector>

#include "bonuses/Bonus.h"
#include "bonuses/BonusEvent.h"
#include "engine/SharedPtr.h"

class CBonusManager {
public:
    CBonusManager();
    CBonusManager(const CBonusManager&) = delete;
    CBonusManager& operator=(const CBonusManager&) = delete;

    // A gem of that cap colour; added to the list when add is set.
    void CreateGem(CSharedPtr<CBonus>& out, int32_t colour, int32_t add);
    // Type 2 TNT, 3 Flash, 4 Time, 5 Adviser, 6 Score, 7 Solidarity with its
    // level; any other type leaves `out` empty.
    void CreateBonus(CSharedPtr<CBonus>& out, int32_t type, int32_t param, int32_t upper,
                     int32_t add);
    int32_t AddBonus(CSharedPtr<CBonus> bonus);
    // Its former index, or -1 when it is not listed.
    int32_t RemoveBonus(CSharedPtr<CBonus> bonus);
    void Clear() { Bonuses.clear(); }

    // Empties the pending list, updates every visible bonus (dropping those
    // whose Update returns 0) and collects their events.
    void Update(float dt);
    // 1 when nothing is pending and every bonus's effect is done.
    int32_t AreEffectsDone() const;
    // 1 when nothing is pending and every bonus is placed.
    int32_t AreAllPlaced() const;

    std::vector<CSharedPtr<CBonus>> Bonuses;
    float EffectFactor = 1.0f;
    std::vector<CBonusEvent> Pending;
};
