#pragma once
// "Menu/Medals.png" (kMedalSheetW x kMedalSheetH): the trophy screen's
// medallions, one column per trophy (its own emblem struck in relief) and
// one row per look: dark and grey while the trophy is locked, then bronze,
// silver and gold for its levels.
#include "ArtCommon.h"
#include "MenuArt.h"

namespace gen {

constexpr int kTrophyCount = 9;
constexpr int kMedalCell = 112, kMedalSheetW = 1024, kMedalSheetH = 512;
enum class MedalLook { Locked, Bronze, Silver, Gold, Count };

// The medallion's cell in the sheet (a transparent gutter round it).
AtlasRect MedalCell(int trophy, MedalLook look);
FloatImage PaintMedals();

} // namespace gen
