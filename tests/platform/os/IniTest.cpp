#include "platform/os/Ini.h"

#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace testsupport;

std::string Get(const std::string& path, const char* section, const char* key,
                const char* def = "<default>") {
    return os::GetProfileString(section, key, def, path);
}

class IniRead : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_ / "Options.ini";
        WriteFile(path_, "; Video settings\r\n"
                         "[Settings]\r\n"
                         "Width=1024\r\n"
                         "  Height  =   768   \r\n"
                         ";FullScreen=1\r\n"
                         "Title=\"  Glorvane  \"\r\n"
                         "Single='quoted'\r\n"
                         "Mixed=\"half'\r\n"
                         "Twice=\"\"x\"\"\r\n"
                         "Empty=\r\n"
                         "Width=640\r\n"
                         "Equation=a=b\r\n"
                         "no equals sign here\r\n"
                         "\r\n"
                         "[ sound ]\r\n"
                         "Volume=80\r\n"
                         "[Settings]\r\n"
                         "Late=1\r\n");
    }
    TempDir dir_;
    std::string path_;
};

TEST_F(IniRead, NamesMatchWithoutRegardToCaseOrBlanks) {
    EXPECT_EQ(Get(path_, "settings", "WIDTH"), "1024");
    EXPECT_EQ(Get(path_, "SETTINGS", "height"), "768");
    EXPECT_EQ(Get(path_, "Sound", "volume"), "80");
    EXPECT_EQ(Get(path_, " Sound\t", " Volume "), "80");
}

TEST_F(IniRead, ValuesAreTrimmedAndLoseOneMatchingPairOfQuotes) {
    EXPECT_EQ(Get(path_, "Settings", "Title"), "  Glorvane  ");
    EXPECT_EQ(Get(path_, "Settings", "Single"), "quoted");
    EXPECT_EQ(Get(path_, "Settings", "Mixed"), "\"half'");
    EXPECT_EQ(Get(path_, "Settings", "Twice"), "\"x\"");
    EXPECT_EQ(Get(path_, "Settings", "Equation"), "a=b");
}

TEST_F(IniRead, PresentEmptyValueIsNotTheDefault) {
    EXPECT_EQ(Get(path_, "Settings", "Empty"), "");
}

TEST_F(IniRead, FirstMatchingSectionAndKeyWin) {
    EXPECT_EQ(Get(path_, "Settings", "Width"), "1024");
    // The second [Settings] is never searched.
    EXPECT_EQ(Get(path_, "Settings", "Late"), "<default>");
}

TEST_F(IniRead, CommentsAndLinesWithoutEqualsAreNotKeys) {
    EXPECT_EQ(Get(path_, "Settings", "FullScreen"), "<default>");
    EXPECT_EQ(Get(path_, "Settings", ";FullScreen"), "<default>");
    EXPECT_EQ(Get(path_, "Settings", "no equals sign here"), "<default>");
}

TEST_F(IniRead, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(Get(dir_ / "Nope.ini", "Settings", "Width", "640"), "640");
    EXPECT_EQ(Get(path_, "Graphics", "Width", "640"), "640");
    EXPECT_EQ(Get(path_, "Settings", "Volume", "50"), "50"); // only in [sound]
    EXPECT_EQ(Get(path_, "Settings", "Height2", nullptr), "");
    EXPECT_EQ(Get(path_, nullptr, "Width", "d"), "d");
    EXPECT_EQ(Get(path_, "Settings", nullptr, "d"), "d");
    EXPECT_EQ(Get(dir_.Path(), "Settings", "Width", "dir"), "dir"); // a folder, not a file
}

TEST_F(IniRead, ResultIsCutToBufferSizeMinusOne) {
    char buf[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(os::GetProfileString("Settings", "Title", "", buf, sizeof buf, path_), 4u);
    EXPECT_STREQ(buf, "  Gl");
    EXPECT_EQ(os::GetProfileString("None", "None", "defaults", buf, 3, path_), 2u);
    EXPECT_STREQ(buf, "de");
    EXPECT_EQ(os::GetProfileString("Settings", "Width", "", buf, 1, path_), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(os::GetProfileString("Settings", "Width", "", buf, 0, path_), 0u);
    EXPECT_EQ(buf[0], '\0'); // untouched

    std::string longValue(300, 'v');
    WriteFile(path_, "[A]\nK=" + longValue + "\n");
    EXPECT_EQ(os::GetProfileString("A", "K", "", path_), std::string(255, 'v'));
    EXPECT_EQ(os::GetProfileString("A", "K", "", path_, 255), std::string(254, 'v'));
}

TEST(IniFormat, LfCrlfMixedAndUnterminatedLastLineReadAlike) {
    TempDir dir;
    std::string path = dir / "a.cfg";
    for (const char* text : {"[S]\nA=1\nB=2", "[S]\r\nA=1\r\nB=2\r\n", "[S]\nA=1\r\nB=2\r",
                             "\xEF\xBB\xBF[S]\r\nA=1\nB=2\n"}) {
        WriteFile(path, text);
        EXPECT_EQ(Get(path, "S", "A"), "1") << text;
        EXPECT_EQ(Get(path, "S", "B"), "2") << text;
    }
}

TEST(IniFormat, KeysBeforeTheFirstSectionBelongToNone) {
    TempDir dir;
    std::string path = dir / "a.cfg";
    WriteFile(path, "Orphan=1\n[S]\nA=1\n");
    EXPECT_EQ(Get(path, "S", "Orphan"), "<default>");
    EXPECT_EQ(Get(path, "", "Orphan"), "<default>");
}

TEST(IniFormat, GamePathsWithBackslashesAndOtherLetterCaseAreFound) {
    TempDir dir;
    std::filesystem::create_directories(dir / "Data/Config");
    WriteFile(dir / "Data/Config/Options.ini", "[Settings]\nWidth=800\n");
    EXPECT_EQ(Get(dir.Path() + "\\data\\CONFIG\\options.ini", "Settings", "Width"), "800");

    testsupport::ScopedCwd cwd(dir.Path());
    EXPECT_EQ(Get("Data\\Config\\Options.ini", "Settings", "Width"), "800");
}

// --- Writing ---------------------------------------------------------------

class IniWrite : public ::testing::Test {
protected:
    std::string Write(const char* section, const char* key, const char* value) {
        EXPECT_TRUE(os::WriteProfileString(section, key, value, path_));
        return ReadFile(path_);
    }
    TempDir dir_;
    std::string path_ = dir_ / "Options.ini";
};

TEST_F(IniWrite, ReplacingAValueKeepsEveryOtherByte) {
    const std::string head = "; keep me \r\n[Settings]\r\n  width = 640   \r\nHeight=480\n";
    const std::string tail = "\r\n\t\r\n[Sound]\r\nWidth=1\r\nodd line\r\n;x=y";
    WriteFile(path_, head + "Mode=\"old\"  " + tail);
    EXPECT_EQ(Write("settings", "MODE", "new value"), head + "Mode=new value" + tail);
    // The key keeps its own spelling and the blanks around '='.
    EXPECT_EQ(Write("Settings", "Width", "1024"),
              "; keep me \r\n[Settings]\r\n  width = 1024\r\nHeight=480\n"
              "Mode=new value" +
                  tail);
    EXPECT_EQ(Get(path_, "Sound", "Width"), "1");
}

TEST_F(IniWrite, NewKeyGoesAfterItsSectionsLastEntryWithTheFilesLineEnd) {
    WriteFile(path_, "[Settings]\r\nWidth=640\r\n\r\n; sound options\r\n[Sound]\r\nOn=1\r\n");
    EXPECT_EQ(
        Write("Settings", "Height", "480"),
        "[Settings]\r\nWidth=640\r\nHeight=480\r\n\r\n; sound options\r\n[Sound]\r\nOn=1\r\n");
    EXPECT_EQ(Write("Sound", "Music", "0"),
              "[Settings]\r\nWidth=640\r\nHeight=480\r\n\r\n; sound options\r\n[Sound]\r\nOn=1\r\n"
              "Music=0\r\n");
}

TEST_F(IniWrite, NewKeyInAnEmptySectionFollowsItsHeader) {
    WriteFile(path_, "[A]\n[B]\nx=1\n");
    EXPECT_EQ(Write("A", "k", "v"), "[A]\nk=v\n[B]\nx=1\n");
}

TEST_F(IniWrite, MissingSectionIsAppendedAfterABlankLine) {
    WriteFile(path_, "[Settings]\nWidth=640\n");
    EXPECT_EQ(Write("Game", "Profile", "Ann"), "[Settings]\nWidth=640\n\n[Game]\nProfile=Ann\n");
    WriteFile(path_, "[Settings]\r\nWidth=640"); // no line end at the end
    EXPECT_EQ(Write("Game", "Profile", "Ann"),
              "[Settings]\r\nWidth=640\r\n\r\n[Game]\r\nProfile=Ann\r\n");
    WriteFile(path_, "[Settings]\nWidth=640\n\n");
    EXPECT_EQ(Write("Game", "Profile", "Ann"), "[Settings]\nWidth=640\n\n[Game]\nProfile=Ann\n");
}

TEST_F(IniWrite, UnterminatedLastLineGetsALineEndBeforeANewKey) {
    WriteFile(path_, "[S]\r\na=1");
    EXPECT_EQ(Write("S", "b", "2"), "[S]\r\na=1\r\nb=2\r\n");
}

TEST_F(IniWrite, MissingFileIsCreatedButNotItsFolder) {
    EXPECT_EQ(Write("Settings", "Width", "800"), "[Settings]\nWidth=800\n");
    EXPECT_EQ(Write("Settings", "Height", "600"), "[Settings]\nWidth=800\nHeight=600\n");

    std::string nested = dir_ / "Missing/Options.ini";
    EXPECT_FALSE(os::WriteProfileString("Settings", "Width", "800", nested));
    EXPECT_FALSE(FileExists(dir_ / "Missing"));
}

TEST_F(IniWrite, WritesThroughGamePathsIntoTheExistingFile) {
    std::filesystem::create_directories(dir_ / "Data/Config");
    WriteFile(dir_ / "Data/Config/Options.ini", "[Settings]\nWidth=640\n");
    testsupport::ScopedCwd cwd(dir_.Path());
    EXPECT_TRUE(os::WriteProfileString("Settings", "Width", "800", "data\\config\\OPTIONS.INI"));
    EXPECT_EQ(ReadFile(dir_ / "Data/Config/Options.ini"), "[Settings]\nWidth=800\n");
    EXPECT_FALSE(FileExists(dir_ / "Data/Config/OPTIONS.INI"));
}

TEST_F(IniWrite, RoundTripsWhatItWrites) {
    WriteFile(path_, "[Settings]\nTitle=\"a\"\n");
    for (const char* value : {"", "0", "two words", "x=y", "'q'"}) {
        os::WriteProfileString("Settings", "Title", value, path_);
        EXPECT_EQ(Get(path_, "Settings", "Title"), value[0] == '\'' ? "q" : value);
    }
}

TEST_F(IniWrite, RefusesArgumentsThatWouldBreakTheFile) {
    const std::string before = "[S]\na=1\n";
    WriteFile(path_, before);
    EXPECT_FALSE(os::WriteProfileString("S", "a", "1\n[T]", path_));
    EXPECT_FALSE(os::WriteProfileString("S", "a\r", "1", path_));
    EXPECT_FALSE(os::WriteProfileString("S]", "a", "1", path_));
    EXPECT_FALSE(os::WriteProfileString("S", "a=b", "1", path_));
    EXPECT_FALSE(os::WriteProfileString("S", ";a", "1", path_));
    EXPECT_FALSE(os::WriteProfileString("S", "", "1", path_));
    EXPECT_FALSE(os::WriteProfileString("", "a", "1", path_));
    EXPECT_FALSE(os::WriteProfileString("S", "a", nullptr, path_));
    EXPECT_FALSE(os::WriteProfileString(nullptr, "a", "1", path_));
    EXPECT_EQ(ReadFile(path_), before);
}

TEST_F(IniWrite, LeavesNoTemporaryFilesKeepsModeAndReplacesLinks) {
    WriteFile(path_, "[S]\na=1\n");
    chmod(path_.c_str(), 0640);
    std::string link = dir_ / "Link.ini";
    std::filesystem::create_symlink(path_, link);

    EXPECT_TRUE(os::WriteProfileString("S", "a", "2", path_));
    EXPECT_TRUE(os::WriteProfileString("S", "b", "3", link));

    // The link's values carry over; the file it named stays as it was.
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(link), "[S]\na=2\nb=3\n");
    EXPECT_EQ(ReadFile(path_), "[S]\na=2\n");
    struct stat st;
    ASSERT_EQ(stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    size_t files = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir_.Path()))
        ++files;
    EXPECT_EQ(files, 2u);
}

// Several keys in one write read as the same keys written one by one, and an
// entry that cannot be written keeps the whole write from happening.
TEST_F(IniWrite, SeveralKeysAtOnceOrNoneAtAll) {
    WriteFile(path_, "[B]\r\nx=0\r\n");
    const os::ProfileEntry keys[] = {{"A", "x", "1"}, {"B", "x", "2"}, {"a", "y", "3"}};
    EXPECT_TRUE(os::WriteProfileStrings(keys, path_));
    const std::string together = ReadFile(path_);
    WriteFile(path_, "[B]\r\nx=0\r\n");
    for (const os::ProfileEntry& k : keys)
        Write(k.section, k.key, k.value);
    EXPECT_EQ(together, ReadFile(path_));
    const os::ProfileEntry spoilt[] = {{"A", "x", "4"}, {"A", "y", "line\nbreak"}};
    EXPECT_FALSE(os::WriteProfileStrings(spoilt, path_));
    EXPECT_EQ(ReadFile(path_), together);
}

TEST_F(IniWrite, FolderInPlaceOfTheFileIsAFailureNotACrash) {
    std::filesystem::create_directory(path_);
    EXPECT_FALSE(os::WriteProfileString("S", "a", "1", path_));
    EXPECT_TRUE(std::filesystem::is_directory(path_));
}

} // namespace

namespace {

// A file is parsed once and kept; the kept copy must never hide a change of the
// file, whoever makes it, and a file too large to be a configuration is not read.
TEST(IniKeptFile, EveryChangeOfTheFileIsSeen) {
    TempDir dir;
    const std::string path = dir / "Skin.cfg";
    struct Step {
        const char* what;
        std::string text; // written behind the reader's back; empty: written by us
        const char* expected;
    };
    const Step steps[] = {
        {"first read", "[A]\nKey=1\n", "1"},
        {"same size, same moment", "[A]\nKey=2\n", "2"},
        {"our own write", "", "written"},
        {"longer", "[A]\nKey=three\n", "three"},
        {"removed", "-", "<default>"},
        {"back again", "[A]\nKey=4\n", "4"},
        {"too large to be a configuration file",
         "[A]\nKey=5\n" + std::string(os::kMaxIniBytes, '\n'), "<default>"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.text == "-")
            std::filesystem::remove(path);
        else if (s.text.empty())
            ASSERT_TRUE(os::WriteProfileString("A", "Key", "written", path));
        else
            WriteFile(path, s.text);
        EXPECT_EQ(Get(path, "A", "Key"), s.expected);
        EXPECT_EQ(Get(path, "a", "key"), s.expected); // the kept copy answers alike
    }
}

TEST(IniKeptFile, ValuesTellTheirLineAndAFileFaultIsToldOnce) {
    TempDir dir;
    const std::string path = dir / "Skin.cfg";
    WriteFile(path, "; comment\n[A]\n\nKey = 1\n");
    EXPECT_EQ(os::ReadProfileValue("A", "Key", "", path).line, 4);
    EXPECT_EQ(os::ReadProfileValue("A", "Other", "", path).line, 0);
    EXPECT_EQ(os::ReadProfileValue("A", "Key", "", path).fault, "");

    WriteFile(path, std::string(os::kMaxIniBytes + 1, ';'));
    EXPECT_NE(os::ReadProfileValue("A", "Key", "d", path).fault, "");
    const os::ProfileValue again = os::ReadProfileValue("A", "Key", "d", path);
    EXPECT_EQ(again.fault, "");
    EXPECT_EQ(again.text, "d");
}

} // namespace
