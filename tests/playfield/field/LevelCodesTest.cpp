// Level intake and the level board codes: colours in play by level and Hard
// mode, what a level file replaces, letters, groups, lists, steel, chains,
// fixed cells, gems and bonuses, tutorial 7's letter, and level data that no
// board can satisfy.
#include <set>

#include <gtest/gtest.h>

#include "FieldDriver.h"

using namespace fieldtest;

namespace {

// A level file with the given board rows (8 quoted rows) and extra lines.
std::string Level(const BoardRows& begin, const std::string& extra = std::string()) {
    std::string text = "BEGIN";
    for (const std::string& row : begin)
        text += " \"" + row + "\"";
    return text + "\n" + extra;
}

BoardRows Rows(const std::string& first, const std::string& rest = "xxxxxxxx") {
    BoardRows rows;
    rows.fill(rest);
    rows[0] = first;
    return rows;
}

std::string Quoted(const BoardRows& rows) {
    std::string text;
    for (const std::string& row : rows)
        text += " \"" + row + "\"";
    return text;
}

// A block of 8 rows under a keyword: the first given, the others `rest`.
std::string Block(const std::string& key, const std::string& first,
                  const std::string& rest = "--------") {
    return key + Quoted(Rows(first, rest)) + "\n";
}

// Starts the level and lets the first refill build its board.
void Build(FieldDriver& d, const std::string& text, int32_t level = 1) {
    ASSERT_NE(d.StartLevel(level, text), 0);
    d.Frame();
}

} // namespace

TEST(LevelColours, ColoursSteelAndLocksFollowLevelAndHardMode) {
    FieldDriver d;
    CPlayField& f = d.Field();
    f.SetColours(3);
    EXPECT_EQ(f.Colours, (std::vector<int32_t>{0, 2, 3, 4, 5}));
    f.SetColours(4);
    EXPECT_EQ(f.Colours, (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
    f.SetColours(9);
    EXPECT_EQ(f.Colours, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6}));
    f.SetColours(13);
    EXPECT_EQ(f.SteelLimit, 0);
    EXPECT_FLOAT_EQ(f.SteelProbability, 0.0f);
    f.SetColours(14);
    EXPECT_NEAR(f.SteelProbability, 0.006f, 1e-6f);
    EXPECT_EQ(f.SteelLimit, 1);
    f.SetColours(5);
    EXPECT_EQ(f.LockLimit, 0);
    f.SetColours(6);
    EXPECT_NEAR(f.LockProbability, 0.0035f, 1e-6f);
    EXPECT_EQ(f.LockLimit, 1);

    f.HardMode = 1;
    f.SetColours(1);
    EXPECT_EQ(f.Colours.size(), 7u);
    f.SetColours(20);
    EXPECT_NEAR(f.SteelProbability, 0.0155f, 1e-6f);
    EXPECT_EQ(f.SteelLimit, 2);
}

TEST(LevelColours, LevelFileReplacesWhatItGives) {
    FieldDriver d;
    CPlayField& f = d.Field();
    f.HardMode = 1;
    ASSERT_NE(d.StartLevel(14, "SET ( 0 1 2 3 4 5 )\nSTEEL 0.02 3\nGEMSCOUNT 12\n"), 0);
    EXPECT_EQ(f.Colours, (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_NEAR(f.SteelProbability, 0.025f, 1e-6f);
    EXPECT_EQ(f.SteelLimit, 2);
    EXPECT_EQ(f.GemsToCollect, 12);
    EXPECT_EQ(f.GemPool, 12);

    // A steel probability of 1 (and Hard mode's 1.25) is kept below 1.
    ASSERT_NE(d.StartLevel(14, "STEEL 0.9 3\n"), 0);
    EXPECT_LE(f.SteelProbability, CPlayField::kMaxProbability);

    // The next level without a gem count starts from the default goal.
    f.HardMode = 0;
    ASSERT_NE(d.StartLevel(2, "LOCK 0.5 2\n"), 0);
    EXPECT_EQ(f.GemsToCollect, 5);
    EXPECT_EQ(f.GemPool, 5);
    EXPECT_EQ(f.LockLimit, 2);
    EXPECT_EQ(f.SteelLimit, 0);
}

// Limits a level file gives may be any 32-bit number; Hard mode's two thirds of
// them must not overflow.
TEST(LevelColours, HardModeTakesTwoThirdsOfAnyLimit) {
    const struct {
        const char* limit;
        int32_t normal, hard;
    } cases[] = {
        {"0", 0, 0},
        {"3", 3, 2},
        {"1073741824", 1073741824, 715827882},
        {"2147483647", 2147483647, 1431655764},
    };
    FieldDriver d;
    CPlayField& f = d.Field();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        const std::string text =
            std::string("STEEL 0.01 ") + c.limit + "\nLOCK 0.01 " + c.limit + "\n";
        for (int32_t hard : {0, 1}) {
            f.HardMode = hard;
            ASSERT_NE(d.StartLevel(20, text), 0);
            EXPECT_EQ(f.SteelLimit, hard ? c.hard : c.normal);
            EXPECT_EQ(f.LockLimit, hard ? c.hard : c.normal);
        }
    }
}

TEST(LevelColours, FailedLevelFileLeavesAUsableRandomBoard) {
    FieldDriver d;
    CPlayField& f = d.Field();
    EXPECT_EQ(d.StartLevel(4, "SET ( 0 1 )\nBOGUS 3\n"), 0);
    EXPECT_EQ(f.Colours.size(), 6u) << "the colours of the level number stay";
    ASSERT_FALSE(f.LevelDesc.IsNull());
    EXPECT_FALSE(f.LevelDesc->IsUsable());
    d.Frame();
    EXPECT_EQ(d.CountCaps([](const CCap&) { return true; }), 64);
    f.BuildMatchMatrix();
    ASSERT_TRUE(d.RunUntilSettled());
}

TEST(LevelCodes, LettersShareAColourAndDigitsAreExact) {
    FieldDriver d;
    Build(d, Level(Rows("aabb0s78")));
    CPlayField& f = d.Field();
    EXPECT_EQ(f.CapAt(0, 0)->Colour, f.CapAt(1, 0)->Colour);
    EXPECT_EQ(f.CapAt(2, 0)->Colour, f.CapAt(3, 0)->Colour);
    EXPECT_NE(f.CapAt(0, 0)->Colour, f.CapAt(2, 0)->Colour);
    EXPECT_EQ(f.CapAt(4, 0)->Colour, 0);
    EXPECT_EQ(f.CapAt(5, 0)->Colour, CCap::kSteel) << "'s' is steel even at a limit of 0";
    const std::set<int32_t> inPlay(f.Colours.begin(), f.Colours.end());
    EXPECT_TRUE(inPlay.count(f.CapAt(6, 0)->Colour)) << "'7' is a random cell";
    EXPECT_TRUE(inPlay.count(f.CapAt(7, 0)->Colour));
    d.Frames(120);
    f.BuildMatchMatrix();
    EXPECT_EQ(f.MatchFinder.HasRun(3, 0), 0);
    EXPECT_EQ(f.MatchFinder.HasMove(3, 0), 1);
}

TEST(LevelCodes, LockRowsSetChainsAndKeepZeroCellsFree) {
    FieldDriver d;
    BoardRows locks;
    locks.fill("00000000");
    locks[7] = "3-------";
    Build(d, Level(Rows("xxxxxxxx"), "LOCK 0.9 3\nLOCKS" + Quoted(locks) + "\n"));
    CPlayField& f = d.Field();
    EXPECT_EQ(f.CapAt(0, 7)->LockCount, 3);
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 8; ++c)
            EXPECT_EQ(f.CapAt(c, r)->LockCount, 0) << c << "," << r;
    // The digit counts toward the limit of 3: two more random chains at most.
    EXPECT_LE(d.CountCaps([](const CCap& cap) { return cap.LockCount > 0; }), 3);
}

TEST(LevelCodes, GroupsListsAndGroupsThatDoNotFit) {
    FieldDriver d;
    Build(d, Level(Rows("AABIxxxx"), "SET ( 0 2 3 4 5 )\nGROUP A 2\nGROUP B 1\nLIST I ( 3 )\n"));
    CPlayField& f = d.Field();
    const int32_t b = f.CapAt(2, 0)->Colour;
    EXPECT_NE(b, f.CapAt(0, 0)->Colour);
    EXPECT_NE(b, f.CapAt(1, 0)->Colour);
    EXPECT_EQ(f.CapAt(3, 0)->Colour, 3);

    // Groups larger than the colours in play get no colours: random cells.
    FieldDriver big;
    Build(big, Level(Rows("AAxxxxxx"), "GROUP A 9\n"));
    EXPECT_EQ(big.CountCaps([](const CCap&) { return true; }), 64);
    const std::set<int32_t> inPlay(big.Field().Colours.begin(), big.Field().Colours.end());
    EXPECT_TRUE(inPlay.count(big.Field().CapAt(0, 0)->Colour));
}

TEST(LevelCodes, FixedGemsAndBonuses) {
    FieldDriver d;
    d.Params().BonusTiers = {0, 0, 0, 0, 1, 0};
    const std::string extra = "GEMSCOUNT 3\nLEVEL 0 2\n" + Block("FIXED", "f-------") +
                              Block("GEMS", "-g------") + Block("BONUS", "-00-1---");
    Build(d, Level(Rows("xxxxxxxx"), extra));
    CPlayField& f = d.Field();
    EXPECT_EQ(f.CapAt(0, 0)->Fixed, 1);
    EXPECT_EQ(d.CountCaps([](const CCap& cap) { return cap.Fixed != 0; }), 1);
    ASSERT_FALSE(f.CapAt(1, 0)->Bonus.IsNull());
    EXPECT_EQ(f.CapAt(1, 0)->Bonus->Kind, CBonus::kGem) << "a gem carrier takes no level bonus";
    EXPECT_EQ(f.GemPool, 2);
    ASSERT_FALSE(f.CapAt(2, 0)->Bonus.IsNull());
    EXPECT_EQ(f.CapAt(2, 0)->Bonus->Kind, CBonus::kTnt);
    EXPECT_EQ(f.CapAt(2, 0)->Bonus->Param, 2);
    ASSERT_FALSE(f.CapAt(4, 0)->Bonus.IsNull());
    EXPECT_EQ(f.CapAt(4, 0)->Bonus->Kind, CBonus::kScore);
    EXPECT_EQ(f.CapAt(4, 0)->Bonus->Param, 1) << "without LEVEL the default tier";
    EXPECT_EQ(f.Bonuses->Bonuses.size(), 3u);
}

TEST(LevelCodes, TutorialSevenPutsTheOwnedColourOnLetterA) {
    FieldDriver d;
    CPlayField& f = d.Field();
    f.Totems.Tiers[3] = 1;
    ASSERT_NE(d.StartLevel(1, Level(Rows("axxxxxxx"), "SET ( 0 2 3 4 5 )\n")), 0);
    f.TutorialNumber = 7;
    f.TutorialStep = 1;
    d.Frame();
    EXPECT_EQ(f.TutorialColour, 3);
    EXPECT_EQ(f.CapAt(0, 0)->Colour, 3);
}

TEST(LevelCodes, BoardsNoDataCanSatisfyStillGetBuilt) {
    // Every cell green: a ready row everywhere and no move.
    FieldDriver d;
    BoardRows green;
    green.fill("00000000");
    Build(d, Level(green));
    EXPECT_EQ(d.CountCaps([](const CCap& cap) { return cap.Colour == 0; }), 64);

    // A short row fails the read: the board is drawn at random.
    FieldDriver s;
    EXPECT_EQ(s.StartLevel(1, "BEGIN \"01\" \"\" \"2\" \"x\" \"x\" \"x\" \"x\" \"x\"\n"), 0);
    s.Frame();
    EXPECT_EQ(s.CountCaps([](const CCap&) { return true; }), 64);
}
