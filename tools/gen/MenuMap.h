#pragma once
// The expedition map: "Menu/Map.jpg", a 1024 x 768 chart drawn in ink on
// parchment, and one coloured overlay per stage that shows the region as
// explored ("Menu/MapStage2.png", MapDiff3, MapDiff4_1/4_2, MapDiff5_1/5_2),
// each kMapOverlay texels square and laid at MapOverlayAt() on the map.
// MapMarkers() gives the centre of every level's marker on the trail, level
// by level, in the map's texels (y down).
#include <string>
#include <vector>

#include "ArtCommon.h"

namespace gen {

constexpr int kMapWidth = 1024, kMapHeight = 768, kMapOverlay = 384;
// Levels per stage, in quest order.
constexpr int kStageLevels[5] = {5, 6, 8, 10, 12};

std::vector<Vec2> MapMarkers();
// The trail the map paints: through every marker in level order, then on to
// the treasury.
std::vector<Vec2> MapRoute();

// One overlay picture: its file name below Data/Gfx/, registry name, the stage
// it belongs to (2..5) and where its top-left corner lies on the map.
struct MapOverlay {
    std::string file, name;
    int stage;
    int x, y;
};
const std::vector<MapOverlay>& MapOverlays();

FloatImage PaintMap();
FloatImage PaintMapOverlay(const MapOverlay& overlay);

} // namespace gen
