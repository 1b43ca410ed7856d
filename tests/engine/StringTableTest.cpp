#include "engine/StringTable.h"

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "engine/ObjectLog.h"
#include "support/CapturedLog.h"

using testsupport::CapturedLog;
using testsupport::TempDir;

namespace {

class StringTableTest : public ::testing::Test {
protected:
    int Load(const std::string& strings, const std::string& defines) {
        return LoadStringTable(dir_.Write("Data/Txt/Strings.txt", strings),
                               dir_.Write("Data/TextID.dat", defines));
    }
    std::string Log() const { return log_.Text(); }

    TempDir dir_;
    CapturedLog log_{dir_};
};

const char kGoodStrings[] = "strings  # any case will do\r\n"
                            "TITLE \"Glorvane\"\r\n"
                            "ESCAPES \"a\\nb\\tc \\\\ d \\q e\\\"\r\n"
                            "DUP \"first\"\r\n"
                            "DUP \"second\"\r\n"
                            "BBB \"from bbb\"\r\n"
                            "AAA \"from aaa\"\r\n"
                            "ORPHAN \"no id\"\r\n"
                            "Bare word\r\n"
                            "UXF\r\n"
                            "GoodFormA \"Form\\ntext\"\r\n"
                            "\"Good Form B\" \"b\"\r\n"
                            "GoodFormA \"later\"\r\n";

const char kGoodDefines[] = "define TITLE 1\r\n"
                            "define ESCAPES 2\r\n"
                            "define \"DUP\" 3\r\n"
                            "define TITLE 9\r\n"
                            "define AAA 5\n"
                            "define BBB 5\n"
                            "define Bare 12ab\n"
                            "define UNUSED -7\n";

TEST_F(StringTableTest, GoodFilesFillBothTables) {
    ASSERT_EQ(Load(kGoodStrings, kGoodDefines), 1);
    EXPECT_EQ(GetString(1), "Glorvane");
    EXPECT_EQ(GetString(2), "a\nb\tc \\ d \\q e\\");
    EXPECT_EQ(GetString(3), "first");    // a name met twice keeps its first text
    EXPECT_EQ(GetString(9), "");         // a define met twice keeps its first ID
    EXPECT_EQ(GetString(5), "from aaa"); // one ID, two names: the first in name order
    EXPECT_EQ(GetString(12), "word");    // numbers read as far as they are decimal
    EXPECT_EQ(GetString(-7), "");
    EXPECT_EQ(FindStringDefine("GoodFormA"), "Form\ntext");
    EXPECT_EQ(FindStringDefine("Good Form B"), "b");
    EXPECT_EQ(FindStringDefine("goodforma"), "");
    EXPECT_EQ(FindStringDefine("TITLE"), "");
    EXPECT_EQ(Log(), " Warning! Unable to find string ID  ORPHAN \n");
}

TEST_F(StringTableTest, BufferLookupsCutAndTerminate) {
    ASSERT_EQ(Load(kGoodStrings, kGoodDefines), 1);
    char buffer[16];
    EXPECT_EQ(GetString(1, buffer, 1), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(GetString(1, buffer, 9), 8); // "Glorvane" is exactly size - 1 long
    EXPECT_STREQ(buffer, "Glorvane");
    EXPECT_EQ(GetString(1, buffer, 5), 4);
    EXPECT_STREQ(buffer, "Glor");
    EXPECT_EQ(GetString(1234, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(GetString(1, nullptr, 0), 0);

    EXPECT_EQ(FindStringDefine("GoodFormA", buffer, sizeof buffer), 9);
    EXPECT_STREQ(buffer, "Form\ntext");
    EXPECT_EQ(FindStringDefine("GOODFORMA", buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
}

TEST_F(StringTableTest, MissingFilesAreLoggedAndEmptyTheIds) {
    ASSERT_EQ(Load(kGoodStrings, kGoodDefines), 1);
    ResetObjectLog();
    const std::string missing = dir_.Path("Data\\Txt\\Nope.txt");
    EXPECT_EQ(LoadStringTable(missing, dir_.Path("Data/TextID.dat")), 0);
    EXPECT_EQ(GetString(1), "");
    EXPECT_EQ(Log(), " Unable to open file  " + missing + " \n " +
                         FileFaultLine(missing, 0, "the file cannot be opened"));

    ResetObjectLog();
    const std::string noDefines = dir_.Path("Data/None.dat");
    EXPECT_EQ(LoadStringTable(dir_.Path("Data/Txt/Strings.txt"), noDefines), 0);
    EXPECT_EQ(GetString(1), "");
    EXPECT_EQ(Log(), " Unable to open file  " + noDefines + " \n " +
                         FileFaultLine(noDefines, 0, "the file cannot be opened"));
}

TEST_F(StringTableTest, GamePathsFindFilesWhateverTheirCase) {
    dir_.Write("Data/Txt/strings.txt", "STRINGS A \"case\" UXF");
    dir_.Write("Data/textid.DAT", "define A 77");
    EXPECT_EQ(LoadStringTable(dir_.Path("Data\\Txt\\Strings.txt"), dir_.Path("DATA\\TextID.dat")),
              1);
    EXPECT_EQ(GetString(77), "case");
    EXPECT_EQ(Log(), "");
}

struct BadCase {
    const char* what;
    const char* strings;
    const char* defines;
    bool defineFileIsBad;
    int line; // where the fault is reported; 0 for a file without lines
};

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.what;
}

class StringTableBadFileTest : public StringTableTest,
                               public ::testing::WithParamInterface<BadCase> {};

TEST_P(StringTableBadFileTest, BadGrammarFailsWithEmptyIds) {
    ASSERT_EQ(Load(kGoodStrings, kGoodDefines), 1);
    ResetObjectLog();
    const BadCase& c = GetParam();
    EXPECT_EQ(Load(c.strings, c.defines), 0) << c.what;
    EXPECT_EQ(GetString(1), "") << c.what;
    const std::string path =
        dir_.Path(c.defineFileIsBad ? "Data/TextID.dat" : "Data/Txt/Strings.txt");
    // The message, then the file and the line with a reason on a line of its own.
    const std::string where = FileFaultLine(path, c.line, "");
    const std::string log = Log();
    EXPECT_EQ(log.substr(0, log.find(": ") + 2),
              " Bad file format " + path + " \n " + where.substr(0, where.size() - 1))
        << c.what;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, StringTableBadFileTest,
    ::testing::Values(
        BadCase{"empty string file", "", "define A 1", false, 0},
        BadCase{"wrong first keyword", "TEXTS A \"a\" UXF", "define A 1", false, 1},
        BadCase{"no UXF", "STRINGS A \"a\"", "define A 1", false, 1},
        BadCase{"UXF in lower case", "STRINGS A \"a\" uxf", "define A 1", false, 1},
        BadCase{"name without text", "STRINGS A \"a\" B", "define A 1", false, 1},
        BadCase{"form name without text", "STRINGS UXF F \"f\" G", "define A 1", false, 1},
        BadCase{"define in upper case", "STRINGS A \"a\" UXF", "DEFINE A 1", true, 1},
        BadCase{"define without number", "STRINGS A \"a\" UXF", "define A 1\ndefine B", true, 2},
        BadCase{"define without name", "STRINGS A \"a\" UXF", "define", true, 1}),
    [](const ::testing::TestParamInfo<BadCase>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (c == ' ')
                c = '_';
        return name;
    });

TEST_F(StringTableTest, FormTextsReadBeforeABadFileStay) {
    EXPECT_EQ(Load("STRINGS UXF KeptForm \"kept\" CutForm", "define A 1"), 0);
    EXPECT_EQ(FindStringDefine("KeptForm"), "kept");
    EXPECT_EQ(FindStringDefine("CutForm"), "");
}

TEST_F(StringTableTest, EmptySectionsAndEmptyDefineFileLoad) {
    EXPECT_EQ(Load("Strings\nUXF", ""), 1);
    EXPECT_EQ(Log(), "");
    EXPECT_EQ(Load("STRINGS X \"x\" UXF", ""), 1);
    EXPECT_EQ(Log(), " Warning! Unable to find string ID  X \n");
}

TEST(UnescapeTextTest, EscapesReadLeftToRight) {
    EXPECT_EQ(UnescapeText("a\\nb"), "a\nb");
    EXPECT_EQ(UnescapeText("\\t\\\\n"), "\t\\n");
    EXPECT_EQ(UnescapeText("\\q\\"), "\\q\\");
    EXPECT_EQ(UnescapeText("\\\\\\n"), "\\\n");
    EXPECT_EQ(UnescapeText(""), "");
}

} // namespace
