#include "totems/BoardGrid.h"

CBoardGrid g_boardGrid = {-194.5f, 340.5f, 50.0f, 664.0f, 664.0f, 8, 8, 83.0f, 83.0f};

void CBoardGrid::Set(float x, float y, float z, int32_t columnCount, int32_t rowCount,
                     float width, float height) {
    originX = x;
    originY = y;
    originZ = z;
    columns = columnCount;
    rows = rowCount;
    cellWidth = width;
    cellHeight = height;
    totalWidth = static_cast<float>(columns) * cellWidth;
    totalHeight = static_cast<float>(rows) * cellHeight;
}

void CBoardGrid::CellToScreen(float out[3], int32_t column, int32_t row) const {
    out[0] = originX + (static_cast<float>(column) + 0.5f) * cellWidth;
    out[1] = originY - (static_cast<float>(row) + 0.5f) * cellHeight;
    out[2] = originZ;
}

void SetBoardGrid(float x, float y, float z, int32_t columns, int32_t rows, float cellWidth,
                  float cellHeight) {
    g_boardGrid.Set(x, y, z, columns, rows, cellWidth, cellHeight);
}
