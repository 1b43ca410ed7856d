// The match finder against a brute-force reference: groups, ready runs and the
// player's moves on random boards with locked, steel and empty cells, plus the
// shapes and corner cases the board meets in play.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "playfield/MatchFinder.h"

namespace {

using Board = std::vector<std::vector<int32_t>>;  // [row][column]
using Cell = std::pair<int32_t, int32_t>;         // (column, row)

bool Matches(int32_t v) {
    const int32_t a = std::abs(v);
    return a > 0 && a < 100;
}

int32_t Rows(const Board& b) { return static_cast<int32_t>(b.size()); }
int32_t Cols(const Board& b) { return b.empty() ? 0 : static_cast<int32_t>(b[0].size()); }

// Every window of three equal matching cells in a row or column.
std::vector<std::vector<Cell>> Windows(const Board& b) {
    std::vector<std::vector<Cell>> out;
    for (int32_t r = 0; r < Rows(b); ++r)
        for (int32_t c = 0; c < Cols(b); ++c) {
            const int32_t v = b[r][c];
            if (!Matches(v))
                continue;
            if (c + 2 < Cols(b) && std::abs(b[r][c + 1]) == std::abs(v) &&
                std::abs(b[r][c + 2]) == std::abs(v))
                out.push_back({{c, r}, {c + 1, r}, {c + 2, r}});
            if (r + 2 < Rows(b) && std::abs(b[r + 1][c]) == std::abs(v) &&
                std::abs(b[r + 2][c]) == std::abs(v))
                out.push_back({{c, r}, {c, r + 1}, {c, r + 2}});
        }
    return out;
}

// Cells joined by shared windows, as sets.
std::set<std::set<Cell>> ReferenceGroups(const Board& b) {
    std::map<Cell, Cell> parent;
    std::function<Cell(Cell)> find = [&](Cell x) {
        while (parent[x] != x)
            x = parent[x] = parent[parent[x]];
        return x;
    };
    for (const auto& w : Windows(b)) {
        for (const Cell& cell : w)
            if (!parent.count(cell))
                parent[cell] = cell;
        for (size_t i = 1; i < w.size(); ++i)
            parent[find(w[i])] = find(w[0]);
    }
    std::map<Cell, std::set<Cell>> comps;
    for (auto& [cell, p] : parent)
        comps[find(cell)].insert(cell);
    std::set<std::set<Cell>> out;
    for (auto& [root, cells] : comps)
        out.insert(cells);
    return out;
}

bool WindowThrough(const Board& b, Cell a, Cell c) {
    for (const auto& w : Windows(b))
        for (const Cell& cell : w)
            if (cell == a || cell == c)
                return true;
    return false;
}

// The player's moves, brute force: both cells picked up (value above 0), values
// differ, and after the swap some window holds one of the two cells.
std::vector<CMatchMove> ReferenceMoves(const Board& b) {
    std::vector<CMatchMove> out;
    for (int32_t r = 0; r < Rows(b); ++r)
        for (int32_t c = 0; c < Cols(b); ++c) {
            const Cell here{c, r};
            for (const Cell& there : {Cell{c + 1, r}, Cell{c, r + 1}}) {
                if (there.first >= Cols(b) || there.second >= Rows(b))
                    continue;
                const int32_t v1 = b[r][c];
                const int32_t v2 = b[there.second][there.first];
                if (v1 <= 0 || v2 <= 0 || v1 == v2)
                    continue;
                Board s = b;
                std::swap(s[r][c], s[there.second][there.first]);
                if (WindowThrough(s, here, there))
                    out.push_back({c, r, there.first, there.second});
            }
        }
    return out;
}

void Load(CMatchFinder& f, const Board& b) {
    f.Resize(Cols(b), Rows(b));
    for (int32_t r = 0; r < Rows(b); ++r)
        for (int32_t c = 0; c < Cols(b); ++c)
            f.Set(c, r, b[r][c]);
}

// A random board: colours 1..colours, some locked, some steel, some empty.
Board RandomBoard(std::mt19937& rng, int32_t cols, int32_t rows, int32_t colours) {
    std::uniform_int_distribution<int32_t> colour(1, colours);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    Board b(rows, std::vector<int32_t>(cols));
    for (auto& row : b)
        for (auto& v : row) {
            const float x = u(rng);
            if (x < 0.04f)
                v = 101;
            else if (x < 0.05f)
                v = -101;
            else if (x < 0.08f)
                v = 0;
            else
                v = colour(rng) * (u(rng) < 0.12f ? -1 : 1);
        }
    return b;
}

// Check the finder's groups on b against the reference.
void ExpectGroupsMatchReference(const Board& b) {
    CMatchFinder f;
    Load(f, b);
    const int32_t n = f.FindGroups(3, 0);
    ASSERT_EQ(n, static_cast<int32_t>(f.Groups.size()));
    std::set<std::set<Cell>> found;
    for (const CMatchGroup& g : f.Groups) {
        std::set<Cell> cells;
        for (const CMatchCell& c : g.Cells)
            EXPECT_TRUE(cells.insert({c.Column, c.Row}).second) << "a cell listed twice";
        EXPECT_EQ(g.Word, 0);
        for (const CMatchLink& l : g.Links) {
            ASSERT_GE(l.I, 0);
            ASSERT_GE(l.J, 0);
            ASSERT_LT(l.I, static_cast<int32_t>(g.Cells.size()));
            ASSERT_LT(l.J, static_cast<int32_t>(g.Cells.size()));
            const CMatchCell& a = g.Cells[l.I];
            const CMatchCell& c = g.Cells[l.J];
            EXPECT_EQ(std::abs(a.Column - c.Column) + std::abs(a.Row - c.Row), 1)
                << "links join neighbours";
        }
        // Every neighbouring pair of the group's cells along a run is linked.
        EXPECT_GE(g.Links.size() + 1, g.Cells.size());
        found.insert(cells);
    }
    EXPECT_EQ(found, ReferenceGroups(b));
    EXPECT_EQ(f.HasRun(3, 0), Windows(b).empty() ? 0 : 1);
}

void ExpectMovesMatchReference(const Board& b) {
    CMatchFinder f;
    Load(f, b);
    std::vector<CMatchMove> moves;
    const int32_t n = f.ListMoves(moves, 3, 0);
    const std::vector<CMatchMove> expected = ReferenceMoves(b);
    EXPECT_EQ(n, static_cast<int32_t>(moves.size()));
    EXPECT_EQ(moves, expected);
    EXPECT_EQ(f.HasMove(3, 0), expected.empty() ? 0 : 1);
    for (const CMatchMove& m : expected)
        EXPECT_TRUE(f.IsMove(m.Column1, m.Row1, m.Column2, m.Row2, 3, 0));
}

// A board with no ready run and no move: value 3 + (column + 2 row) mod 5.
Board Quiet(int32_t cols = 8, int32_t rows = 8) {
    Board b(rows, std::vector<int32_t>(cols));
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c)
            b[r][c] = 3 + (c + 2 * r) % 5;
    return b;
}

} // namespace

TEST(MatchFinder, QuietBackgroundHasNoRunAndNoMove) {
    const Board b = Quiet();
    ASSERT_TRUE(Windows(b).empty());
    ASSERT_TRUE(ReferenceMoves(b).empty());
    CMatchFinder f;
    Load(f, b);
    EXPECT_EQ(f.HasRun(3, 0), 0);
    EXPECT_EQ(f.HasMove(3, 0), 0);
    EXPECT_EQ(f.FindGroups(3, 0), 0);
}

TEST(MatchFinder, RandomBoardsAgreeWithBruteForce) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 1500; ++i) {
        const int32_t colours = 3 + i % 5;
        const int32_t cols = i % 7 == 0 ? 5 + i % 6 : 8;
        const int32_t rows = i % 11 == 0 ? 4 + i % 7 : 8;
        const Board b = RandomBoard(rng, cols, rows, colours);
        SCOPED_TRACE(i);
        ExpectGroupsMatchReference(b);
        ExpectMovesMatchReference(b);
        if (HasFailure())
            break;
    }
}

TEST(MatchFinder, BoardsWithExactlyOneMoveAreFound) {
    std::mt19937 rng(77);
    int found = 0;
    for (int i = 0; i < 200000 && found < 20; ++i) {
        Board b = RandomBoard(rng, 8, 8, 7);
        if (!Windows(b).empty())
            continue;
        const std::vector<CMatchMove> expected = ReferenceMoves(b);
        if (expected.size() != 1)
            continue;
        ++found;
        CMatchFinder f;
        Load(f, b);
        std::vector<CMatchMove> moves;
        ASSERT_EQ(f.ListMoves(moves, 3, 0), 1);
        EXPECT_EQ(moves[0], expected[0]);
        EXPECT_EQ(f.HasMove(3, 0), 1);
        EXPECT_EQ(f.HasRun(3, 0), 0);
    }
    EXPECT_EQ(found, 20);
}

TEST(MatchFinder, CrossingRunsFormOneGroupWithEachCellOnce) {
    struct Shape {
        const char* Name;
        std::vector<Cell> Cells;
    };
    const std::vector<Shape> shapes = {
        {"L", {{1, 1}, {1, 2}, {1, 3}, {2, 3}, {3, 3}}},
        {"T", {{1, 1}, {2, 1}, {3, 1}, {2, 2}, {2, 3}}},
        {"plus", {{2, 1}, {1, 2}, {2, 2}, {3, 2}, {2, 3}}},
        {"long T", {{0, 4}, {1, 4}, {2, 4}, {3, 4}, {4, 4}, {2, 5}, {2, 6}, {2, 7}}},
    };
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.Name);
        Board b = Quiet();
        for (const Cell& c : s.Cells)
            b[c.second][c.first] = 1;  // colour 0, which the background never uses
        CMatchFinder f;
        Load(f, b);
        ASSERT_EQ(f.FindGroups(3, 0), 1);
        const CMatchGroup& g = f.Groups[0];
        EXPECT_EQ(g.Cells.size(), s.Cells.size());
        std::set<Cell> cells;
        for (const CMatchCell& c : g.Cells)
            cells.insert({c.Column, c.Row});
        EXPECT_EQ(cells, std::set<Cell>(s.Cells.begin(), s.Cells.end()));
        ExpectGroupsMatchReference(b);
    }
}

TEST(MatchFinder, GroupsFollowScanOrderAndLinkTheirRuns) {
    Board b = Quiet();
    // A column run at column 6 (rows 0..2), a row run on row 5 (columns 1..4).
    for (int32_t r = 0; r < 3; ++r)
        b[r][6] = 1;
    for (int32_t c = 1; c < 5; ++c)
        b[5][c] = 2;
    CMatchFinder f;
    Load(f, b);
    ASSERT_EQ(f.FindGroups(3, 0), 2);
    // Rows are scanned before columns: the row run comes first.
    EXPECT_EQ(f.Groups[0].Cells.front(), (CMatchCell{1, 5}));
    EXPECT_EQ(f.Groups[0].Cells.size(), 4u);
    EXPECT_EQ(f.Groups[0].Links,
              (std::vector<CMatchLink>{{0, 1}, {1, 2}, {2, 3}}));
    EXPECT_EQ(f.Groups[1].Cells.front(), (CMatchCell{6, 0}));
    EXPECT_EQ(f.Groups[1].Links, (std::vector<CMatchLink>{{0, 1}, {1, 2}}));

    // An L: the row run's cells first, then the column's new cells; the shared
    // corner is linked from both runs.
    Board l = Quiet();
    for (int32_t c = 2; c < 5; ++c)
        l[6][c] = 1;
    l[5][2] = 1;
    l[4][2] = 1;
    Load(f, l);
    ASSERT_EQ(f.FindGroups(3, 0), 1);
    const CMatchGroup& g = f.Groups[0];
    EXPECT_EQ(g.Cells, (std::vector<CMatchCell>{{2, 6}, {3, 6}, {4, 6}, {2, 4}, {2, 5}}));
    EXPECT_EQ(g.Links, (std::vector<CMatchLink>{{0, 1}, {1, 2}, {3, 4}, {4, 0}}));
}

TEST(MatchFinder, ParallelRunsWithoutSharedCellsStayApart) {
    Board b = Quiet();
    for (int32_t c = 0; c < 3; ++c) {
        b[0][c] = 1;
        b[1][c] = 1;
    }
    CMatchFinder f;
    Load(f, b);
    // Three columns of two and two rows of three: the rows are the runs.
    EXPECT_EQ(f.FindGroups(3, 0), 2);
    ExpectGroupsMatchReference(b);
}

TEST(MatchFinder, LockedCapsTakePartSteelAndEmptyCellsBreakRuns) {
    Board b = Quiet();
    b[0][0] = 1;
    b[0][1] = -1;  // locked green
    b[0][2] = 1;
    b[2][0] = 101;  // steel never matches
    b[2][1] = 101;
    b[2][2] = 101;
    b[4][0] = 0;  // empty cells never match
    b[4][1] = 0;
    b[4][2] = 0;
    b[6][0] = 2;
    b[6][1] = 102;  // anything of 100 or more never matches
    b[6][2] = 2;
    b[6][3] = 2;
    CMatchFinder f;
    Load(f, b);
    ASSERT_EQ(f.FindGroups(3, 0), 1);
    EXPECT_EQ(f.Groups[0].Cells, (std::vector<CMatchCell>{{0, 0}, {1, 0}, {2, 0}}));
    EXPECT_EQ(f.HasRun(3, 0), 1);
}

TEST(MatchFinder, MovesFollowThePlayersRule) {
    // A locked cap completes a row, but cannot be moved itself.
    Board b = Quiet();
    b[0][0] = -1;
    b[0][1] = -1;
    b[0][3] = 1;
    CMatchFinder f;
    Load(f, b);
    std::vector<CMatchMove> moves;
    f.ListMoves(moves, 3, 0);
    EXPECT_EQ(moves, (std::vector<CMatchMove>{{2, 0, 3, 0}}));
    EXPECT_EQ(moves, ReferenceMoves(b));

    // The same run blocked behind a lock: only a free cap can be swapped in.
    b = Quiet();
    b[0][0] = 1;
    b[0][1] = 1;
    b[0][3] = -1;  // a locked green right of the gap
    Load(f, b);
    f.ListMoves(moves, 3, 0);
    EXPECT_TRUE(std::find(moves.begin(), moves.end(), CMatchMove{2, 0, 3, 0}) == moves.end());
    EXPECT_EQ(moves, ReferenceMoves(b));

    // Steel may move and so make a row of the cap it changes places with.
    b = Quiet();
    b[0][0] = 1;
    b[0][1] = 1;
    b[0][2] = 101;
    b[0][3] = 1;
    Load(f, b);
    EXPECT_TRUE(f.IsMove(2, 0, 3, 0, 3, 0));
    EXPECT_EQ(f.HasMove(3, 0), 1);

    // Equal values never swap; empty cells cannot be picked.
    b = Quiet();
    b[0][0] = 1;
    b[0][1] = 1;
    b[0][2] = 0;
    b[1][2] = 1;
    Load(f, b);
    EXPECT_FALSE(f.IsMove(2, 0, 2, 1, 3, 0));
    EXPECT_EQ(f.HasMove(3, 0), 0);
    EXPECT_FALSE(f.IsMove(0, 0, 1, 0, 3, 0));
    // Cells that are no neighbours or lie outside are no move.
    EXPECT_FALSE(f.IsMove(0, 0, 2, 0, 3, 0));
    EXPECT_FALSE(f.IsMove(7, 0, 8, 0, 3, 0));
    EXPECT_FALSE(f.IsMove(-1, 0, 0, 0, 3, 0));
}

TEST(MatchFinder, DiagonalsCountOnlyWhenAsked) {
    Board b = Quiet();
    b[2][2] = 1;
    b[3][3] = 1;
    b[4][4] = 1;
    CMatchFinder f;
    Load(f, b);
    EXPECT_EQ(f.HasRun(3, 0), 0);
    EXPECT_EQ(f.HasRun(3, 1), 1);
    EXPECT_EQ(f.FindGroups(3, 0), 0);
    ASSERT_EQ(f.FindGroups(3, 1), 1);
    EXPECT_EQ(f.Groups[0].Cells.size(), 3u);

    b = Quiet();
    b[2][4] = 1;
    b[3][3] = 1;
    b[4][2] = 1;
    Load(f, b);
    EXPECT_EQ(f.HasRun(3, 1), 1);
}

TEST(MatchFinder, RunLengthIsHonoured) {
    Board b = Quiet();
    for (int32_t c = 0; c < 4; ++c)
        b[3][c] = 1;
    CMatchFinder f;
    Load(f, b);
    EXPECT_EQ(f.HasRun(4, 0), 1);
    EXPECT_EQ(f.HasRun(5, 0), 0);
    EXPECT_EQ(f.FindGroups(5, 0), 0);
    EXPECT_EQ(f.FindGroups(4, 0), 1);
}

TEST(MatchFinder, MatrixAccessIsBounded) {
    CMatchFinder f;
    EXPECT_EQ(f.GetColumns(), 8);
    EXPECT_EQ(f.GetRows(), 8);
    EXPECT_EQ(f.Get(0, 0), -1);
    EXPECT_EQ(f.Get(8, 0), 0);
    EXPECT_EQ(f.Get(0, -1), 0);
    f.Set(9, 9, 5);  // ignored
    f.Resize(3, 2);
    EXPECT_EQ(f.Matrix.size(), 2u);
    EXPECT_EQ(f.Matrix[0].size(), 3u);
    EXPECT_EQ(f.Get(2, 1), -1);
    f.Resize(-4, 1000);
    EXPECT_EQ(f.GetColumns(), 0);
    EXPECT_EQ(f.GetRows(), CMatchFinder::kMaxSide);
    EXPECT_EQ(f.FindGroups(3, 0), 0);
    EXPECT_EQ(f.HasMove(3, 0), 0);
    EXPECT_EQ(f.HasRun(3, 0), 0);
}

TEST(MatchFinder, SingleCellGroup) {
    const CMatchGroup g = CMatchGroup::Single(3, 5);
    ASSERT_EQ(g.Cells.size(), 1u);
    EXPECT_EQ(g.Cells[0], (CMatchCell{3, 5}));
    EXPECT_TRUE(g.Links.empty());
    EXPECT_EQ(g.IndexOf(3, 5), 0);
    EXPECT_EQ(g.IndexOf(5, 3), -1);
    CMatchGroup fresh;
    EXPECT_GE(fresh.Cells.capacity(), 8u);
    EXPECT_GE(fresh.Links.capacity(), 8u);
}
