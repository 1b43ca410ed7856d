#pragma once
// One falling leaf of the main-menu backdrop: a square that drifts down from
// the upper left, rocks about its centre and swings along an arc.
#include <cstdint>

struct CMainMenuLeaf {
    float Side = 0;      // side of the square
    float Height = 0;    // kept beside the side; the drawing uses squares
    float VelocityX = 0; // pixels a second
    float VelocityY = 0; // pixels a second (negative: downwards)
    float RockFrequency = 0;
    float RockSpeed = 0; // peak angular speed
    float ArcWidth = 0, ArcDepth = 0, ArcFrequency = 0;
    float X = 0, Y = 0, Z = 0; // centre before the arc
    float Angle = 0;
    float RockPhase = 0;
    float ArcPhase = 0;
    int32_t Kind = 0; // which leaf picture
};
static_assert(sizeof(CMainMenuLeaf) == 64);
