#include "playfield/MatchFinder.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

namespace {

struct Direction {
    int32_t Dc, Dr;
};
// Rows, columns, then the two diagonals.
constexpr Direction kDirections[4] = {{1, 0}, {0, 1}, {1, 1}, {-1, 1}};

int32_t DirectionCount(int32_t diagonals) { return diagonals ? 4 : 2; }

int32_t AbsValue(int32_t v) { return v < 0 ? -v : v; }

} // namespace

CMatchFinder::CMatchFinder() { Resize(8, 8); }

void CMatchFinder::Resize(int32_t columns, int32_t rows) {
    Columns = std::clamp(columns, 0, kMaxSide);
    Rows = std::clamp(rows, 0, kMaxSide);
    Matrix.assign(static_cast<size_t>(Rows), std::vector<int32_t>(static_cast<size_t>(Columns), -1));
    Groups.clear();
}

int32_t CMatchFinder::Get(int32_t column, int32_t row) const {
    return Inside(column, row) ? Matrix[static_cast<size_t>(row)][static_cast<size_t>(column)] : 0;
}

void CMatchFinder::Set(int32_t column, int32_t row, int32_t value) {
    if (Inside(column, row))
        Matrix[static_cast<size_t>(row)][static_cast<size_t>(column)] = value;
}

void CMatchFinder::Fill(int32_t value) {
    for (auto& row : Matrix)
        std::fill(row.begin(), row.end(), value);
}

int32_t CMatchFinder::FindGroups(int32_t runLength, int32_t diagonals) {
    Groups.clear();
    if (Columns == 0 || Rows == 0)
        return 0;
    const int32_t need = std::max(runLength, 1);

    // 1. Every run, in scan order: all rows (top to bottom, left to right), all
    //    columns, then the diagonals.
    std::vector<std::vector<CMatchCell>> runs;
    for (int32_t d = 0; d < DirectionCount(diagonals); ++d) {
        const Direction dir = kDirections[d];
        const bool columnMajor = dir.Dc == 0;
        const int32_t outer = columnMajor ? Columns : Rows;
        const int32_t inner = columnMajor ? Rows : Columns;
        for (int32_t o = 0; o < outer; ++o) {
            for (int32_t i = 0; i < inner; ++i) {
                const int32_t c = columnMajor ? o : i;
                const int32_t r = columnMajor ? i : o;
                const int32_t v = Matrix[static_cast<size_t>(r)][static_cast<size_t>(c)];
                if (!Matches(v))
                    continue;
                // Only where a run begins.
                const int32_t pc = c - dir.Dc, pr = r - dir.Dr;
                if (Inside(pc, pr) && Matches(Get(pc, pr)) && AbsValue(Get(pc, pr)) == AbsValue(v))
                    continue;
                std::vector<CMatchCell> run;
                int32_t cc = c, rr = r;
                while (Inside(cc, rr) && Matches(Get(cc, rr)) && AbsValue(Get(cc, rr)) == AbsValue(v)) {
                    run.push_back({cc, rr});
                    cc += dir.Dc;
                    rr += dir.Dr;
                }
                if (static_cast<int32_t>(run.size()) >= need)
                    runs.push_back(std::move(run));
            }
        }
    }
    if (runs.empty())
        return 0;

    // 2. Runs that share a cell belong together.
    std::vector<size_t> parent(runs.size());
    std::iota(parent.begin(), parent.end(), size_t{0});
    auto find = [&](size_t x) {
        while (parent[x] != x) {
            parent[x] = parent[parent[x]];
            x = parent[x];
        }
        return x;
    };
    std::vector<int32_t> owner(static_cast<size_t>(Columns * Rows), -1);
    for (size_t i = 0; i < runs.size(); ++i) {
        for (const CMatchCell& cell : runs[i]) {
            int32_t& o = owner[static_cast<size_t>(cell.Row * Columns + cell.Column)];
            if (o < 0) {
                o = static_cast<int32_t>(i);
            } else {
                const size_t a = find(i), b = find(static_cast<size_t>(o));
                // The earlier run stays the root, so a group keeps its first run.
                if (a != b)
                    parent[std::max(a, b)] = std::min(a, b);
            }
        }
    }

    // 3. One group per set of runs, in the order of their first runs; cells once each.
    std::vector<int32_t> groupOfRoot(runs.size(), -1);
    std::vector<int32_t> indexInGroup(static_cast<size_t>(Columns * Rows), -1);
    for (size_t i = 0; i < runs.size(); ++i) {
        const size_t root = find(i);
        if (groupOfRoot[root] < 0) {
            groupOfRoot[root] = static_cast<int32_t>(Groups.size());
            Groups.emplace_back();
        }
        CMatchGroup& g = Groups[static_cast<size_t>(groupOfRoot[root])];
        int32_t previous = -1;
        for (const CMatchCell& cell : runs[i]) {
            int32_t& at = indexInGroup[static_cast<size_t>(cell.Row * Columns + cell.Column)];
            if (at < 0) {
                at = static_cast<int32_t>(g.Cells.size());
                g.Cells.push_back(cell);
            }
            if (previous >= 0)
                g.Links.push_back({previous, at});
            previous = at;
        }
    }
    return static_cast<int32_t>(Groups.size());
}

int32_t CMatchFinder::RunThrough(const std::vector<std::vector<int32_t>>& m, int32_t column,
                                 int32_t row, int32_t dc, int32_t dr) const {
    const int32_t v = m[static_cast<size_t>(row)][static_cast<size_t>(column)];
    if (!Matches(v))
        return 0;
    const int32_t a = AbsValue(v);
    auto same = [&](int32_t c, int32_t r) {
        if (!Inside(c, r))
            return false;
        const int32_t w = m[static_cast<size_t>(r)][static_cast<size_t>(c)];
        return Matches(w) && AbsValue(w) == a;
    };
    int32_t n = 1;
    for (int32_t c = column + dc, r = row + dr; same(c, r); c += dc, r += dr)
        ++n;
    for (int32_t c = column - dc, r = row - dr; same(c, r); c -= dc, r -= dr)
        ++n;
    return n;
}

bool CMatchFinder::HasRunThrough(const std::vector<std::vector<int32_t>>& m, int32_t column,
                                 int32_t row, int32_t runLength, int32_t diagonals) const {
    for (int32_t d = 0; d < DirectionCount(diagonals); ++d)
        if (RunThrough(m, column, row, kDirections[d].Dc, kDirections[d].Dr) >= runLength)
            return true;
    return false;
}

int32_t CMatchFinder::HasRun(int32_t runLength, int32_t diagonals) const {
    const int32_t need = std::max(runLength, 1);
    for (int32_t r = 0; r < Rows; ++r)
        for (int32_t c = 0; c < Columns; ++c)
            for (int32_t d = 0; d < DirectionCount(diagonals); ++d) {
                const Direction dir = kDirections[d];
                // Count each run from its first cell only.
                const int32_t v = Matrix[static_cast<size_t>(r)][static_cast<size_t>(c)];
                if (!Matches(v))
                    continue;
                const int32_t pc = c - dir.Dc, pr = r - dir.Dr;
                if (Inside(pc, pr) && Matches(Get(pc, pr)) && AbsValue(Get(pc, pr)) == AbsValue(v))
                    continue;
                if (RunThrough(Matrix, c, r, dir.Dc, dir.Dr) >= need)
                    return 1;
            }
    return 0;
}

bool CMatchFinder::SwapMakesRun(std::vector<std::vector<int32_t>>& m, int32_t c1, int32_t r1,
                                int32_t c2, int32_t r2, int32_t runLength,
                                int32_t diagonals) const {
    int32_t& a = m[static_cast<size_t>(r1)][static_cast<size_t>(c1)];
    int32_t& b = m[static_cast<size_t>(r2)][static_cast<size_t>(c2)];
    if (!Selectable(a) || !Selectable(b) || a == b)
        return false;
    std::swap(a, b);
    const bool run = HasRunThrough(m, c1, r1, runLength, diagonals) ||
                     HasRunThrough(m, c2, r2, runLength, diagonals);
    std::swap(a, b);
    return run;
}

bool CMatchFinder::IsMove(int32_t column1, int32_t row1, int32_t column2, int32_t row2,
                          int32_t runLength, int32_t diagonals) const {
    if (!Inside(column1, row1) || !Inside(column2, row2))
        return false;
    if (std::abs(column1 - column2) + std::abs(row1 - row2) != 1)
        return false;
    std::vector<std::vector<int32_t>> scratch = Matrix;
    return SwapMakesRun(scratch, column1, row1, column2, row2, std::max(runLength, 1), diagonals);
}

int32_t CMatchFinder::HasMove(int32_t runLength, int32_t diagonals) const {
    std::vector<std::vector<int32_t>> scratch = Matrix;
    const int32_t need = std::max(runLength, 1);
    for (int32_t r = 0; r < Rows; ++r)
        for (int32_t c = 0; c < Columns; ++c) {
            if (c + 1 < Columns && SwapMakesRun(scratch, c, r, c + 1, r, need, diagonals))
                return 1;
            if (r + 1 < Rows && SwapMakesRun(scratch, c, r, c, r + 1, need, diagonals))
                return 1;
        }
    return 0;
}

int32_t CMatchFinder::ListMoves(std::vector<CMatchMove>& out, int32_t runLength,
                                int32_t diagonals) const {
    out.clear();
    std::vector<std::vector<int32_t>> scratch = Matrix;
    const int32_t need = std::max(runLength, 1);
    for (int32_t r = 0; r < Rows; ++r)
        for (int32_t c = 0; c < Columns; ++c) {
            if (c + 1 < Columns && SwapMakesRun(scratch, c, r, c + 1, r, need, diagonals))
                out.push_back({c, r, c + 1, r});
            if (r + 1 < Rows && SwapMakesRun(scratch, c, r, c, r + 1, need, diagonals))
                out.push_back({c, r, c, r + 1});
        }
    return static_cast<int32_t>(out.size());
}
