#pragma once
// One matched group of the board: its cells in the order found (first cell
// first), links between neighbouring cells of its runs (indices into the cell
// list, which is the order in which a terminator receives the caps), and one
// word that its users copy and do not read.
#include <cstddef>
#include <cstdint>
#include <vector>

struct CMatchCell {
    int32_t Column = 0;
    int32_t Row = 0;
    bool operator==(const CMatchCell& o) const { return Column == o.Column && Row == o.Row; }
};

struct CMatchLink {
    int32_t I = 0;
    int32_t J = 0;
    bool operator==(const CMatchLink& o) const { return I == o.I && J == o.J; }
};

struct CMatchGroup {
    // Empty lists with room for 8 entries each; word 0.
    CMatchGroup() {
        Cells.reserve(8);
        Links.reserve(8);
    }
    // A group of the one cell (the single-cell removals).
    static CMatchGroup Single(int32_t column, int32_t row) {
        CMatchGroup g;
        g.Cells.push_back({column, row});
        return g;
    }

    // Index of the cell in Cells, or -1.
    int32_t IndexOf(int32_t column, int32_t row) const {
        for (std::size_t i = 0; i < Cells.size(); ++i)
            if (Cells[i].Column == column && Cells[i].Row == row)
                return static_cast<int32_t>(i);
        return -1;
    }

    std::vector<CMatchCell> Cells;
    std::vector<CMatchLink> Links;
    int32_t Word = 0;
};
