#pragma once
// The board's geometry in world units, shared by the play field (which writes
// it at every board reset), the totems and the bonus effects (which read it to
// place effects over cells and keep targets on the board). y grows upward; row
// 0 is the top row.
#include <cstdint>

struct CBoardGrid {
    // Stores the seven values and computes the totals.
    void Set(float x, float y, float z, int32_t columnCount, int32_t rowCount, float width,
             float height);
    // The world point of a cell's centre into out[0..2]. Any column and row are
    // mapped, inside the board or not.
    void CellToScreen(float out[3], int32_t column, int32_t row) const;

    float originX;      // left edge
    float originY;      // top edge
    float originZ;      // depth of board-level effects
    float totalWidth;   // columns * cellWidth
    float totalHeight;  // rows * cellHeight
    int32_t columns;
    int32_t rows;
    float cellWidth;
    float cellHeight;
};

// The one board grid of the program: 8 x 8 cells of 83 x 83 at (-194.5, 340.5, 50)
// until the play field's first reset.
extern CBoardGrid g_boardGrid;

// Set on g_boardGrid.
void SetBoardGrid(float x, float y, float z, int32_t columns, int32_t rows, float cellWidth,
                  float cellHeight);
