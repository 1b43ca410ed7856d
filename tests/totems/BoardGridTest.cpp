// The shared board geometry and the layout of the totem action record.
#include <cstddef>
#include <cstring>

#include <gtest/gtest.h>

#include "playfield/QuestFieldLayout.h"
#include "totems/BoardGrid.h"
#include "totems/TotemAction.h"

namespace {
// The grid as the program starts: it is constant-initialised, so this copy is
// taken before any test (or play field) can write it.
const CBoardGrid kAtStart = g_boardGrid;
} // namespace

TEST(BoardGrid, AtStartItIsTheBuiltInQuestBoard) {
    // Effects placed before the play field's first reset land on the cells the
    // quest board of the built-in layout will show.
    const CQuestFieldLayout quest;
    EXPECT_FLOAT_EQ(kAtStart.originX, quest.BaseOrigin[0]);
    EXPECT_FLOAT_EQ(kAtStart.originY, quest.BaseOrigin[1]);
    EXPECT_FLOAT_EQ(kAtStart.originZ, quest.BaseOrigin[2]);
    EXPECT_FLOAT_EQ(kAtStart.cellWidth, quest.CellWidth);
    EXPECT_FLOAT_EQ(kAtStart.cellHeight, quest.CellHeight);
    EXPECT_EQ(kAtStart.columns * 100 + kAtStart.rows, 808);
    EXPECT_FLOAT_EQ(kAtStart.totalWidth, 8 * quest.CellWidth);
    EXPECT_FLOAT_EQ(kAtStart.totalHeight, 8 * quest.CellHeight);
    float p[3];
    kAtStart.CellToScreen(p, 0, 0);
    EXPECT_FLOAT_EQ(p[0], -153.0f);
    EXPECT_FLOAT_EQ(p[1], 299.0f);
    EXPECT_FLOAT_EQ(p[2], 50.0f);
    kAtStart.CellToScreen(p, 7, 7);
    EXPECT_FLOAT_EQ(p[0], 428.0f);
    EXPECT_FLOAT_EQ(p[1], -282.0f);
}

TEST(BoardGrid, SetStoresAndComputesTotals) {
    const CBoardGrid saved = g_boardGrid;
    SetBoardGrid(-100.0f, 200.0f, 10.0f, 6, 5, 40.0f, 30.0f);
    EXPECT_FLOAT_EQ(g_boardGrid.originX, -100.0f);
    EXPECT_FLOAT_EQ(g_boardGrid.originY, 200.0f);
    EXPECT_FLOAT_EQ(g_boardGrid.originZ, 10.0f);
    EXPECT_FLOAT_EQ(g_boardGrid.totalWidth, 240.0f);
    EXPECT_FLOAT_EQ(g_boardGrid.totalHeight, 150.0f);
    float p[3];
    g_boardGrid.CellToScreen(p, 2, 3);
    EXPECT_FLOAT_EQ(p[0], 0.0f);
    EXPECT_FLOAT_EQ(p[1], 95.0f);
    // Cells outside the board are mapped the same way (callers bound them).
    g_boardGrid.CellToScreen(p, -1, 5);
    EXPECT_FLOAT_EQ(p[0], -120.0f);
    EXPECT_FLOAT_EQ(p[1], 35.0f);
    g_boardGrid = saved;
}

TEST(TotemAction, ThirteenWordsInTheirOrder) {
    static_assert(sizeof(CTotemAction) == 52);
    EXPECT_EQ(offsetof(CTotemAction, value), 12u);
    EXPECT_EQ(offsetof(CTotemAction, toPoint), 28u);
    EXPECT_EQ(offsetof(CTotemAction, flightTime), 40u);
    EXPECT_EQ(offsetof(CTotemAction, bonusType), 44u);
    EXPECT_EQ(offsetof(CTotemAction, value2), 48u);

    CTotemAction a;
    EXPECT_EQ(a.Word(4), 0);
    a.kind = CTotemAction::kViolet;
    a.column = 2;
    a.row = 9;
    a.fromPoint[0] = 1.5f;
    a.fromPoint[2] = -3.0f;
    a.toPoint[1] = 7.0f;
    a.flightTime = 0.5f;
    a.bonusType = 6;
    a.value2 = 4;
    EXPECT_EQ(a.Word(0), 6);
    EXPECT_EQ(a.Word(2), 9);
    EXPECT_FLOAT_EQ(a.FloatWord(4), 1.5f);
    EXPECT_FLOAT_EQ(a.spread, 1.5f) << "Blue's spread shares the first word of fromPoint";
    EXPECT_FLOAT_EQ(a.FloatWord(6), -3.0f);
    EXPECT_FLOAT_EQ(a.FloatWord(8), 7.0f);
    EXPECT_FLOAT_EQ(a.FloatWord(10), 0.5f);
    EXPECT_EQ(a.Word(11), 6);
    EXPECT_EQ(a.Word(12), 4);
    EXPECT_EQ(a.Word(13), 0);
    EXPECT_EQ(a.Word(-1), 0);

    const CTotemAction copy = a; // copied by value into the panel's list
    EXPECT_EQ(std::memcmp(&copy, &a, sizeof a), 0);
}
