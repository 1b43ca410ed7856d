#pragma once
// The match analyser of the board. It works on a value matrix, one signed int
// per cell indexed [row][column]:
//   c + 1 (1..7)   a free cap of colour c
//   -(c + 1)       a locked (chained) cap of colour c
//   101            steel (-101 steel with chains)
//   0              an empty cell, or a cap that has not landed
// Cells match when their absolute values are equal and 0 < |v| < 100, so
// locked caps take part in rows while steel, empty cells and anything of 100
// or more never do.
//
// Moves follow the player's rule: a swap of two orthogonal neighbours that
// both hold a selectable cap (a value above 0: free colours and steel; locked
// and empty cells cannot be picked), with different values, that makes a run
// through either of the two cells. The no-move test, the hint and the board
// fill all use this one rule, so a board the player cannot play is always
// recognised as dead.
#include <cstdint>
#include <vector>

#include "playfield/MatchGroup.h"

// One swap: column and row of both cells.
struct CMatchMove {
    int32_t Column1 = 0, Row1 = 0, Column2 = 0, Row2 = 0;
    bool operator==(const CMatchMove& o) const {
        return Column1 == o.Column1 && Row1 == o.Row1 && Column2 == o.Column2 && Row2 == o.Row2;
    }
};

class CMatchFinder {
public:
    static constexpr int32_t kSteelValue = 101;
    // Matrices larger than this per side are refused by Resize.
    static constexpr int32_t kMaxSide = 64;

    // 8 x 8 of -1.
    CMatchFinder();

    // New size, every cell -1; sizes are kept within 0..kMaxSide.
    void Resize(int32_t columns, int32_t rows);
    int32_t GetColumns() const { return Columns; }
    int32_t GetRows() const { return Rows; }

    // Cell access; reads outside the matrix give 0, writes outside are ignored.
    int32_t Get(int32_t column, int32_t row) const;
    void Set(int32_t column, int32_t row, int32_t value);
    void Fill(int32_t value);

    // True for a value that takes part in rows.
    static bool Matches(int32_t value) {
        const int32_t a = value < 0 ? -value : value;
        return a > 0 && a < 100;
    }
    // True for a value the player can pick up for a swap.
    static bool Selectable(int32_t value) { return value > 0; }

    // Fills Groups with the groups of runs of at least runLength cells (rows and
    // columns; also diagonals when `diagonals` is set) and returns their number.
    // Runs that share a cell form one group; a group lists each cell once, its
    // runs in the order found (rows top to bottom, then columns left to right,
    // then diagonals), and links the neighbouring cells of every run.
    int32_t FindGroups(int32_t runLength, int32_t diagonals);

    // 1 when runLength or more matching cells of equal absolute value stand in
    // one row or column (or diagonal, when asked); else 0.
    int32_t HasRun(int32_t runLength, int32_t diagonals) const;
    // 1 when some swap allowed by the move rule makes such a run; else 0.
    int32_t HasMove(int32_t runLength, int32_t diagonals) const;
    // Every such swap, first cell left of or above the second, in board order
    // (rows from the top, columns from the left; the right neighbour before the
    // one below). Returns the number of moves.
    int32_t ListMoves(std::vector<CMatchMove>& out, int32_t runLength, int32_t diagonals) const;

    // True when swapping the two cells is a move under the rule (they must be
    // orthogonal neighbours inside the matrix).
    bool IsMove(int32_t column1, int32_t row1, int32_t column2, int32_t row2, int32_t runLength,
                int32_t diagonals) const;

    // [row][column]
    std::vector<std::vector<int32_t>> Matrix;
    std::vector<CMatchGroup> Groups;

private:
    bool Inside(int32_t column, int32_t row) const {
        return column >= 0 && row >= 0 && column < Columns && row < Rows;
    }
    // Length of the run of the value through (column, row) along (dc, dr), both ways.
    int32_t RunThrough(const std::vector<std::vector<int32_t>>& m, int32_t column, int32_t row,
                       int32_t dc, int32_t dr) const;
    bool HasRunThrough(const std::vector<std::vector<int32_t>>& m, int32_t column, int32_t row,
                       int32_t runLength, int32_t diagonals) const;
    bool SwapMakesRun(std::vector<std::vector<int32_t>>& m, int32_t c1, int32_t r1, int32_t c2,
                      int32_t r2, int32_t runLength, int32_t diagonals) const;

    int32_t Columns = 8;
    int32_t Rows = 8;
};
