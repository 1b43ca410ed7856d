#pragma once
// The factories' shared step: a new bonus object of a type. CBonusManager's
// CreateGem and CreateBonus (defined next to this) then give it its level,
// layers and textures (CBonusManager::HandlesFor), layer flag and effect
// factor, Init it and, when asked, add it to the list.
//
// Every kind has a default constructor that sets Kind; its Init may rely on
// Param, the handles of SetTextures, BoardLayers and EffectFactor being set.
#include <cstdint>

class CBonus;

// A new bonus of type 2 TNT, 3 Flash, 4 Time, 5 Adviser, 6 Score or
// 7 Solidarity (owned by the caller); null for any other type.
CBonus* NewBonusOfType(int32_t type);
