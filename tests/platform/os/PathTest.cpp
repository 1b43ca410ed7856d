#include "platform/os/Path.h"
#include "platform/os/TextFile.h"

#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

TEST(Path, BackslashesBecomeSlashes) {
    EXPECT_EQ(os::MapPath("Data\\Config\\Options.ini"), "Data/Config/Options.ini");
    EXPECT_EQ(os::MapPath("Players\\"), "Players/");
    EXPECT_EQ(os::MapPath("/abs/dir\\Data\\x"), "/abs/dir/Data/x");
    EXPECT_EQ(os::MapPath(""), "");
}

class PathCase : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir_ / "Data/Gfx");
        WriteFile(dir_ / "Data/Gfx/MainElements.jpg", "jpg");
    }
    TempDir dir_;
};

TEST_F(PathCase, FileIsFoundWhenOnlyItsCaseDiffers) {
    std::string want = dir_ / "Data/Gfx/MainElements.jpg";
    EXPECT_EQ(os::ResolveReadPath(dir_.Path() + "\\data\\GFX\\mainelements.JPG"), want);
    EXPECT_EQ(os::ResolveReadPath(want), want);

    FILE* f = os::Open(dir_.Path() + "\\DATA\\gfx\\MAINELEMENTS.jpg", "rb");
    ASSERT_NE(f, nullptr);
    char buf[4] = {};
    EXPECT_EQ(std::fread(buf, 1, 3, f), 3u);
    EXPECT_STREQ(buf, "jpg");
    std::fclose(f);
}

TEST_F(PathCase, RelativeGamePathsResolveAgainstTheWorkingDirectory) {
    testsupport::ScopedCwd cwd(dir_.Path());
    EXPECT_EQ(os::ResolveReadPath("data\\gfx\\mainelements.jpg"), "Data/Gfx/MainElements.jpg");
    EXPECT_EQ(os::ResolveReadPath(".\\DATA\\..\\Data\\gfx"), "./Data/../Data/Gfx");
    FILE* f = os::Open("Data\\Gfx\\MainElements.jpg", "rt");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(fs::canonical(os::CurrentDirectory()), fs::canonical(dir_.Path()));
}

TEST_F(PathCase, ExactNameWinsOverCaseVariants) {
    WriteFile(dir_ / "Data/Gfx/mainelements.jpg", "lower");
    WriteFile(dir_ / "Data/Gfx/MAINELEMENTS.JPG", "upper");
    EXPECT_EQ(os::ResolveReadPath(dir_ / "Data/Gfx/mainelements.jpg"),
              dir_ / "Data/Gfx/mainelements.jpg");
    // No exact match: the first variant in byte order, so the answer is stable.
    EXPECT_EQ(os::ResolveReadPath(dir_ / "Data/Gfx/Mainelements.jpg"),
              dir_ / "Data/Gfx/MAINELEMENTS.JPG");
}

TEST_F(PathCase, UnmatchedRestStaysAsWritten) {
    EXPECT_EQ(os::ResolveReadPath(dir_.Path() + "\\DATA\\Missing\\File.TXT"),
              dir_ / "Data/Missing/File.TXT");
    EXPECT_EQ(os::ResolveReadPath("/no/such\\Thing"), "/no/such/Thing");
}

TEST_F(PathCase, WritingCreatesTheGivenNameInsideTheMatchedFolder) {
    FILE* f = os::Open(dir_.Path() + "\\DATA\\gfx\\New.Log", "w");
    ASSERT_NE(f, nullptr);
    std::fputs("x", f);
    std::fclose(f);
    EXPECT_EQ(ReadFile(dir_ / "Data/Gfx/New.Log"), "x");

    // Writing to an existing file under another case replaces that file.
    f = os::Open(dir_.Path() + "\\data\\gfx\\new.log", "a");
    ASSERT_NE(f, nullptr);
    std::fputs("y", f);
    std::fclose(f);
    EXPECT_EQ(ReadFile(dir_ / "Data/Gfx/New.Log"), "xy");
    EXPECT_FALSE(FileExists(dir_ / "Data/Gfx/new.log"));
    EXPECT_EQ(os::Open(dir_ / "Data/Gfx/x", nullptr), nullptr);
}

// --- Text files --------------------------------------------------------------

TEST(TextFile, CrlfReadsAsLf) {
    std::string s = "a\r\nb\nc\r\r\nd\re\r";
    os::NormalizeLineEnds(&s);
    EXPECT_EQ(s, "a\nb\nc\r\nd\re");

    TempDir dir;
    WriteFile(dir / "TextID.dat", "define A 1\r\ndefine B 2\r\n");
    std::string text;
    ASSERT_TRUE(os::ReadTextFile(dir.Path() + "\\textid.DAT", &text));
    EXPECT_EQ(text, "define A 1\ndefine B 2\n");
    ASSERT_TRUE(os::ReadFileBytes(dir / "TextID.dat", &text));
    EXPECT_EQ(text, "define A 1\r\ndefine B 2\r\n");
}

TEST(TextFile, WholeFileReadFailsCleanly) {
    TempDir dir;
    std::string text = "stale";
    EXPECT_FALSE(os::ReadTextFile(dir / "missing.txt", &text));
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(os::ReadFileBytes(dir.Path(), &text)); // a folder

    WriteFile(dir / "big.txt", std::string(100, 'x'));
    EXPECT_FALSE(os::ReadFileBytes(dir / "big.txt", &text, 99));
    EXPECT_TRUE(text.empty());
    EXPECT_TRUE(os::ReadFileBytes(dir / "big.txt", &text, 100));
    EXPECT_EQ(text.size(), 100u);

    WriteFile(dir / "empty.txt", "");
    EXPECT_TRUE(os::ReadTextFile(dir / "empty.txt", &text));
    EXPECT_TRUE(text.empty());
}

std::vector<std::string> ReadAllLines(const std::string& path, int bufSize) {
    std::vector<std::string> lines;
    FILE* f = os::Open(path, "r");
    if (f == nullptr)
        return lines;
    std::vector<char> buf(bufSize);
    while (os::ReadLine(buf.data(), bufSize, f))
        lines.emplace_back(buf.data());
    std::fclose(f);
    return lines;
}

TEST(TextFile, LineReaderGivesTextModeLines) {
    TempDir dir;
    std::string path = dir / "Ogg.lst";
    WriteFile(path, "one\r\ntwo\nthree\rx\r\nlast\r");
    EXPECT_EQ(ReadAllLines(path, 64),
              (std::vector<std::string>{"one\n", "two\n", "three\rx\n", "last"}));
}

TEST(TextFile, LineReaderJoinsCrlfSplitByTheBufferEnd) {
    TempDir dir;
    std::string path = dir / "a.txt";
    WriteFile(path, "abc\r\ndefg\r\n");
    // A 5-byte buffer holds four characters: "abc\r" would be cut before '\n'.
    EXPECT_EQ(ReadAllLines(path, 5), (std::vector<std::string>{"abc\n", "defg", "\n"}));
    EXPECT_EQ(ReadAllLines(path, 2),
              (std::vector<std::string>{"a", "b", "c", "\n", "d", "e", "f", "g", "\n"}));
    char buf[1];
    FILE* f = os::Open(path, "r");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(os::ReadLine(buf, 1, f), nullptr);
    std::fclose(f);
}

} // namespace
