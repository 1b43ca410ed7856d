#pragma once
// The saved quest as far as the play field restores a board from it (board
// source 3): five grids of the cells and the field's saved extras.
//
// Grid 0 colour code: 1000 empty, c + 1 for a cap of colour c (101 steel),
// -(c + 1) when the cap carried a gem. Grid 1 the cap's chains. Grid 2 a bonus
// type (0 none), grid 3 its level. Grid 4 the fixed mark (1).
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class CQuestState {
public:
    enum Grid : int32_t { kColourGrid = 0, kLockGrid = 1, kBonusTypeGrid = 2, kBonusLevelGrid = 3,
                          kFixedGrid = 4 };
    static constexpr int32_t kGrids = 5;
    static constexpr int32_t kEmptyCell = 1000;

    // A grid value of (column, row); 0 (1000 for the colour grid) outside.
    int32_t Cell(int32_t grid, int32_t column, int32_t row) const {
        if (grid < 0 || grid >= kGrids || row < 0 || column < 0)
            return grid == kColourGrid ? kEmptyCell : 0;
        const auto& g = CellGrids[static_cast<std::size_t>(grid)];
        if (static_cast<std::size_t>(row) >= g.size() ||
            static_cast<std::size_t>(column) >= g[static_cast<std::size_t>(row)].size())
            return grid == kColourGrid ? kEmptyCell : 0;
        return g[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    }

    int32_t Difficulty = 0;
    float AdviserTime = 0.0f;
    int32_t PendingTotem = -1;
    int32_t BlueTotemFlag = 0;
    std::array<std::vector<std::vector<int32_t>>, kGrids> CellGrids;
};
