#pragma once
// The geometry of the quest field's sand box, shared by the dune effect and the
// keepers that blow sand and dust off its surface.
#include <cmath>
#include <vector>

#include "engine/Vector3.h"

struct CDuneTexCoord {
    float U = 0.0f, V = 0.0f;
};

struct CDuneBox {
    // Top-left corner (y up: the bottom edge is Y - Height), depth and size.
    float X = 0.0f, Y = 0.0f, Z = 0.0f, Width = 0.0f, Height = 0.0f;
    // Per column: the foot on the bottom edge, and the vector from the foot to
    // the top of a full column.
    std::vector<CVector3> BasePoints;
    std::vector<CVector3> ColumnVectors;
    // How many times the sand texture repeats across the width.
    float TextureRepeat = 2.5f;
    float TextureSpan = 1.0f;
    std::vector<CDuneTexCoord> BaseTexCoords;
    std::vector<CDuneTexCoord> TexDeltas;
};

// The column under world x and the fraction towards the next one, for a box of
// `count` surface points (count >= 2): x left of the box gives (0, 0), x at or
// past the last column gives (count - 2, 1).
inline void DuneColumnAt(const CDuneBox& box, int count, float x, int* column, float* fraction) {
    float value = 0.0f;
    if (box.Width > 0.0f)
        value = (x - box.X) * static_cast<float>(count) / box.Width;
    if (!(value >= 0.0f)) {
        *column = 0;
        *fraction = 0.0f;
    } else if (value >= static_cast<float>(count - 1)) {
        *column = count - 2;
        *fraction = 1.0f;
    } else {
        const float c = std::floor(value);
        *column = static_cast<int>(c);
        *fraction = value - c;
    }
}
