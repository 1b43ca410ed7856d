// The level file: its grammar, the description it fills, and every fault the
// reader reports (with the file, the line and the reason in the object log).
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "engine/ObjectLog.h"

#include "playfield/LevelDesc.h"
#include "support/CapturedLog.h"

using testsupport::CapturedLog;
using testsupport::TempDir;
using namespace std::string_view_literals;

namespace {

const char* kFullLevel =
    "# level 12\n"
    "GemsCount 7\n"
    "set ( 0 2 3 4 5 )\n"
    "STEEL 0.02 3\n"
    "Lock 0.5 2   # locks\n"
    "LEVEL 0 2\n"
    "LEVEL 5 1\n"
    "GROUP A 2\n"
    "GROUP B 1\n"
    "LIST I ( 1 6 )\n"
    "BEGIN \"0123s-ab\" \"xxxxxxxx\"\n"
    "  \"AABBxxxx\" \"IIxxxxxx\" \"xxxxxxxx\" \"xxxxxxxx\" \"xxxxxxxx\" \"66666666\"\n"
    "LOCKS \"1-------\" \"--------\" \"--------\" \"--------\"\n"
    "      \"--------\" \"--------\" \"--------\" \"-------9\"\n"
    "BONUS \"0-------\" \"-5------\" \"--------\" \"--------\" \"--------\" \"--------\" "
    "\"--------\" \"--------\"\n"
    "FIXED \"f-------\" \"--------\" \"--------\" \"--------\" \"--------\" \"--------\" "
    "\"--------\" \"-------f\"\n"
    "GEMS \"--g-----\" \"--------\" \"--------\" \"--------\" \"--------\" \"--------\" "
    "\"--------\" \"g-------\"\n";

struct Fault {
    std::string_view Text;
    int Line;
    const char* Message;
};

} // namespace

TEST(LevelDesc, DefaultsAreUsableAndRandom) {
    CLevelDesc d;
    EXPECT_TRUE(d.IsUsable());
    EXPECT_EQ(d.GemsCount, -1);
    EXPECT_TRUE(d.Set.empty());
    EXPECT_EQ(d.SteelLimit, -1);
    EXPECT_EQ(d.LockLimit, -1);
    for (int r = 0; r < 8; ++r) {
        EXPECT_EQ(d.Board[r], "xxxxxxxx");
        EXPECT_EQ(d.Locks[r], "--------");
        EXPECT_EQ(d.Bonus[r], "--------");
        EXPECT_EQ(d.Fixed[r], "--------");
        EXPECT_EQ(d.Gems[r], "--------");
    }
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(d.LevelOf(i), -1);
    EXPECT_EQ(d.GroupsFit(0), 1);
    EXPECT_EQ(d.GroupsFit(-1), 0);
}

TEST(LevelDesc, ReadsEveryStatementInAnyCaseAndOrder) {
    TempDir dir;
    CapturedLog log(dir);
    CLevelDesc d;
    ASSERT_EQ(LoadLevelFile(d, dir.Write("l12.lvl", kFullLevel)), 1) << log.Text();
    EXPECT_TRUE(d.IsUsable());
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(d.GemsCount, 7);
    EXPECT_EQ(d.Set, (std::vector<int32_t>{0, 2, 3, 4, 5}));
    EXPECT_FLOAT_EQ(d.SteelProbability, 0.02f);
    EXPECT_EQ(d.SteelLimit, 3);
    EXPECT_FLOAT_EQ(d.LockProbability, 0.5f);
    EXPECT_EQ(d.LockLimit, 2);
    EXPECT_EQ(d.LevelOf(0), 2);
    EXPECT_EQ(d.LevelOf(5), 1);
    EXPECT_EQ(d.LevelOf(3), -1);
    EXPECT_EQ(d.LevelOf(6), -1);
    ASSERT_EQ(d.Groups.size(), 2u);
    EXPECT_EQ(d.Groups[0].Letter, 'A');
    EXPECT_EQ(d.Groups[0].Size, 2);
    ASSERT_NE(d.FindGroup('B'), nullptr);
    EXPECT_EQ(d.FindGroup('B')->Size, 1);
    EXPECT_EQ(d.FindGroup('C'), nullptr);
    ASSERT_NE(d.FindList('I'), nullptr);
    EXPECT_EQ(d.FindList('I')->Colours, (std::vector<int32_t>{1, 6}));
    EXPECT_EQ(d.FindList('J'), nullptr);
    EXPECT_EQ(d.Board[0], "0123s-ab");
    EXPECT_EQ(d.Board[7], "66666666");
    EXPECT_EQ(d.BoardCode(4, 0), 's');
    EXPECT_EQ(d.BoardCode(0, 2), 'A');
    EXPECT_EQ(d.LockCode(0, 0), '1');
    EXPECT_EQ(d.LockCode(7, 7), '9');
    EXPECT_EQ(d.BonusCode(1, 1), '5');
    EXPECT_EQ(d.FixedCode(7, 7), 'f');
    EXPECT_EQ(d.GemCode(2, 0), 'g');
    EXPECT_EQ(d.GroupsFit(3), 1);
    EXPECT_EQ(d.GroupsFit(2), 0);
}

TEST(LevelDesc, OptionalLimitsUnquotedRowsAndAnEmptyFile) {
    TempDir dir;
    CapturedLog log(dir);
    CLevelDesc d;
    // A limit may be left out; single-token rows need no quotes.
    const std::string text =
        "STEEL 0.1\n"
        "LOCK 0.2 -1\n"
        "FIXED ffffffff -------- xxxxxxxx 12345678 -------- -------- -------- --------\n"
        "GEMSCOUNT 0\n";
    ASSERT_EQ(LoadLevelFile(d, dir.Write("a.lvl", text)), 1) << log.Text();
    EXPECT_FLOAT_EQ(d.SteelProbability, 0.1f);
    EXPECT_EQ(d.SteelLimit, -1);
    EXPECT_EQ(d.LockLimit, -1);
    EXPECT_EQ(d.Fixed[0], "ffffffff");
    EXPECT_EQ(d.Fixed[3], "12345678");
    EXPECT_EQ(d.GemsCount, 0);

    // A second read starts from the defaults again.
    ASSERT_EQ(LoadLevelFile(d, dir.Write("empty.lvl", "# nothing\n\n")), 1);
    EXPECT_EQ(d.GemsCount, -1);
    EXPECT_EQ(d.Fixed[0], "--------");
    EXPECT_TRUE(d.IsUsable());
}

TEST(LevelDesc, EveryFaultNamesFileLineAndReasonAndLeavesItUnusable) {
    const Fault faults[] = {
        {"GEMSCOUNT 3\nWIBBLE 4\n", 2, "unknown keyword \"WIBBLE\""},
        {"GEMSCOUNT 3\n\0 4\n"sv, 2, "unknown keyword \"\\x00\""},
        {"12 SET\n", 1, "unknown keyword \"12\""},
        {"\"GEMSCOUNT\" 3\n", 1, "unknown keyword \"GEMSCOUNT\""},
        {"GEMSCOUNT x\n", 1, "bad number \"x\" for GEMSCOUNT"},
        {"GEMSCOUNT 1.5\n", 1, "bad number \"1.5\" for GEMSCOUNT"},
        {"GEMSCOUNT 99999999999\n", 1, "bad number \"99999999999\" for GEMSCOUNT"},
        {"GEMSCOUNT", 1, "unexpected end of file, GEMSCOUNT expected"},
        {"\n\nSET ( 0 7 )\n", 3, "colour 7 outside 0..6 in SET"},
        {"SET ( -1 )\n", 1, "colour -1 outside 0..6 in SET"},
        {"SET ( )\n", 1, "SET lists no colour"},
        {"SET 0 1 2\n", 1, "\"(\" expected after SET"},
        {"SET ( 0 1\n\n", 1, "unexpected end of file, \")\" expected in SET"},
        {"LIST I ( )\n", 1, "LIST lists no colour"},
        {"LIST I ( 2 9 )\n", 1, "colour 9 outside 0..6 in LIST"},
        {"LIST H ( 1 )\n", 1, "\"H\" is no LIST letter I..O"},
        {"LIST P ( 1 )\n", 1, "\"P\" is no LIST letter I..O"},
        {"GROUP H 2\n", 1, "\"H\" is no GROUP letter A..G"},
        {"GROUP a 2\n", 1, "\"a\" is no GROUP letter A..G"},
        {"GROUP AB 2\n", 1, "\"AB\" is no GROUP letter A..G"},
        {"GROUP C 0\n", 1, "group C has size 0, 1 or more expected"},
        {"STEEL 1.5 2\n", 1, "STEEL probability outside 0..1"},
        {"LOCK -0.1 2\n", 1, "LOCK probability outside 0..1"},
        {"STEEL abc\n", 1, "bad number \"abc\" for STEEL"},
        {"LOCK 0.1 2e\n", 1, "bad number \"2e\" for LOCK"},
        {"LEVEL 6 1\n", 1, "bonus digit 6 outside 0..5 in LEVEL"},
        {"LEVEL -1 1\n", 1, "bonus digit -1 outside 0..5 in LEVEL"},
        {"BEGIN \"xxxxxxxx\"\n\"xxxxxxx\"\n", 2, "row 2 of BEGIN has 7 characters, 8 expected"},
        {"LOCKS \"---------\"\n", 1, "row 1 of LOCKS has 9 characters, 8 expected"},
        {"BONUS \"\"\n", 1, "row 1 of BONUS has 0 characters, 8 expected"},
        {"GEMS 0123s-ab\n", 1, "row 1 of GEMS has 4 characters, 8 expected"},
        {"FIXED \"--------\" \"--------\"\n", 1, "unexpected end of file, row 3 of FIXED expected"},
    };
    TempDir dir;
    CapturedLog log(dir);
    int n = 0;
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.Message);
        log.Clear();
        const std::string path =
            dir.Write("bad" + std::to_string(n++) + ".lvl", std::string(f.Text));
        CLevelDesc d;
        EXPECT_EQ(LoadLevelFile(d, path), 0);
        EXPECT_FALSE(d.IsUsable());
        EXPECT_EQ(d.Status, -1);
        const std::string expected =
            " Bad level file " + path + "\n " + FileFaultLine(path, f.Line, f.Message);
        EXPECT_EQ(log.Text(), expected);
    }
}

TEST(LevelDesc, MissingFileIsLoggedAndUnusable) {
    TempDir dir;
    CapturedLog log(dir);
    CLevelDesc d;
    const std::string path = dir.Path("l99.lvl");
    EXPECT_EQ(LoadLevelFile(d, path), 0);
    EXPECT_FALSE(d.IsUsable());
    EXPECT_EQ(log.Text(), " Unable to open level file " + path + "!\n " +
                              FileFaultLine(path, 0, "the file cannot be opened"));
}

TEST(LevelDesc, CodesOfShortRowsAndCellsOutsideFallBack) {
    CLevelDesc d;
    d.Board[2] = "01";
    d.Locks[2] = "";
    EXPECT_EQ(d.BoardCode(1, 2), '1');
    EXPECT_EQ(d.BoardCode(2, 2), 'x');
    EXPECT_EQ(d.BoardCode(-1, 0), 'x');
    EXPECT_EQ(d.BoardCode(0, 8), 'x');
    EXPECT_EQ(d.LockCode(0, 2), '-');
    EXPECT_EQ(d.GemCode(9, 0), '-');
}

TEST(LevelDesc, GroupsFitCountsTheSizes) {
    CLevelDesc d;
    d.Groups = {{'A', 2}, {'B', 3}};
    EXPECT_EQ(d.GroupsFit(5), 1);
    EXPECT_EQ(d.GroupsFit(4), 0);
    d.Groups = {{'A', 2000000000}, {'B', 2000000000}}; // no overflow
    EXPECT_EQ(d.GroupsFit(7), 0);
}
