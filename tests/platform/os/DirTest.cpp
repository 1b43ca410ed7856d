#include "platform/os/Dir.h"

#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

std::vector<std::string> Names(const std::vector<os::DirEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back(e.name + (e.isDirectory ? "/" : "") + (e.isSymlink ? "@" : ""));
    return names;
}

TEST(DirPattern, WildcardsIgnoreCaseAndStarDotStarMatchesAll) {
    EXPECT_TRUE(os::MatchesPattern("Ann", "*.*"));
    EXPECT_TRUE(os::MatchesPattern("Quest.sav", "*.SAV"));
    EXPECT_TRUE(os::MatchesPattern("a.b.sav", "*.sav"));
    EXPECT_FALSE(os::MatchesPattern("Quest.sav2", "*.sav"));
    EXPECT_FALSE(os::MatchesPattern("sav", "*.sav"));
    EXPECT_TRUE(os::MatchesPattern("QuestAS1.sav", "Quest??1.*"));
    EXPECT_FALSE(os::MatchesPattern("QuestA1.sav", "Quest??1.*"));
    EXPECT_TRUE(os::MatchesPattern("", "*"));
    EXPECT_TRUE(os::MatchesPattern("Settings.ini", "settings.INI"));
    EXPECT_TRUE(os::MatchesPattern("aaab", "*a*b"));
    EXPECT_FALSE(os::MatchesPattern("aaac", "*a*b"));
}

class DirTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir_ / "Players/Ann");
        fs::create_directories(dir_ / "Players/bob");
        fs::create_directories(dir_ / "Players/Carla/Sub");
        WriteFile(dir_ / "Players/Ann/Quest.sav", "q");
        WriteFile(dir_ / "Players/Ann/Settings.ini", "s");
        WriteFile(dir_ / "Players/notes.txt", "n");
    }
    TempDir dir_;
};

TEST_F(DirTest, ListsNamesAsOnDiskSortedWithoutDotEntries) {
    std::vector<os::DirEntry> entries;
    ASSERT_TRUE(os::ListDir(dir_.Path() + "\\players\\*.*", &entries));
    EXPECT_EQ(Names(entries), (std::vector<std::string>{"Ann/", "bob/", "Carla/", "notes.txt"}));

    ASSERT_TRUE(os::ListDir(dir_.Path() + "\\Players\\ANN\\*.SAV", &entries));
    EXPECT_EQ(Names(entries), (std::vector<std::string>{"Quest.sav"}));

    ASSERT_TRUE(os::ListDir(dir_ / "Players/Carla/", &entries));
    EXPECT_EQ(Names(entries), (std::vector<std::string>{"Sub/"}));

    ASSERT_TRUE(os::ListDir(dir_ / "Players/Ann/*.none", &entries));
    EXPECT_TRUE(entries.empty());

    entries.push_back({});
    EXPECT_FALSE(os::ListDir(dir_ / "NoSuchFolder/*.*", &entries));
    EXPECT_TRUE(entries.empty());
}

TEST_F(DirTest, CreateRemoveAndRename) {
    EXPECT_TRUE(os::CreateDir(dir_.Path() + "\\PLAYERS\\Dave"));
    EXPECT_TRUE(fs::is_directory(dir_ / "Players/Dave"));
    EXPECT_FALSE(os::CreateDir(dir_ / "Players/dave")); // exists under another case
    EXPECT_FALSE(os::CreateDir(dir_ / "Nope/Dave"));    // no parent

    EXPECT_FALSE(os::RemoveDir(dir_ / "Players/Ann")); // not empty
    EXPECT_TRUE(os::RemoveDir(dir_ / "players/dave"));
    EXPECT_FALSE(FileExists(dir_ / "Players/Dave"));

    EXPECT_FALSE(os::RemoveFile(dir_ / "Players/Ann")); // a folder
    EXPECT_TRUE(os::RemoveFile(dir_.Path() + "\\Players\\Ann\\quest.SAV"));
    EXPECT_FALSE(FileExists(dir_ / "Players/Ann/Quest.sav"));
    EXPECT_FALSE(os::RemoveFile(dir_ / "Players/Ann/Quest.sav"));

    std::string ann = dir_ / "Players/Ann/";
    WriteFile(ann + "QuestAS1.sav", "one");
    WriteFile(ann + "QuestAS2.sav", "two");
    EXPECT_FALSE(os::Rename(ann + "QuestAS1.sav", ann + "QuestAS2.sav")); // never replaces
    EXPECT_EQ(ReadFile(ann + "QuestAS2.sav"), "two");
    EXPECT_TRUE(os::RemoveFile(ann + "QuestAS2.sav"));
    EXPECT_TRUE(os::Rename(dir_.Path() + "\\players\\ann\\questas1.sav", ann + "QuestAS2.sav"));
    EXPECT_EQ(ReadFile(ann + "QuestAS2.sav"), "one");
    EXPECT_FALSE(FileExists(ann + "QuestAS1.sav"));
    EXPECT_FALSE(os::Rename(ann + "Missing.sav", ann + "Other.sav"));

    // A change of letter case only is a rename, not a clash.
    EXPECT_TRUE(os::Rename(dir_ / "Players/bob", dir_ / "Players/Bob"));
    EXPECT_TRUE(fs::is_directory(dir_ / "Players/Bob"));
    EXPECT_FALSE(FileExists(dir_ / "Players/bob"));
}

TEST_F(DirTest, RemoveTreeDeletesEverythingBelow) {
    fs::create_directories(dir_ / "Players/Carla/Sub/Deeper");
    WriteFile(dir_ / "Players/Carla/Sub/Deeper/f", "f");
    WriteFile(dir_ / "Players/Carla/.hidden", "h");
    EXPECT_TRUE(os::RemoveTree(dir_.Path() + "\\players\\CARLA"));
    EXPECT_FALSE(FileExists(dir_ / "Players/Carla"));
    EXPECT_TRUE(FileExists(dir_ / "Players/Ann/Quest.sav"));
    EXPECT_FALSE(os::RemoveTree(dir_ / "Players/Carla"));
}

TEST_F(DirTest, RemoveTreeNeverFollowsLinksOutOfTheFolder) {
    fs::create_directories(dir_ / "Outside/Inner");
    WriteFile(dir_ / "Outside/keep.txt", "k");
    WriteFile(dir_ / "Outside/Inner/keep2.txt", "k");
    fs::create_directory_symlink(dir_ / "Outside", dir_ / "Players/Ann/LinkToFolder");
    fs::create_symlink(dir_ / "Outside/keep.txt", dir_ / "Players/Ann/LinkToFile");
    fs::create_directories(dir_ / "Players/Ann/Sub");
    fs::create_directory_symlink("../../../Outside", dir_ / "Players/Ann/Sub/Up");

    EXPECT_TRUE(os::RemoveTree(dir_ / "Players/Ann"));
    EXPECT_FALSE(FileExists(dir_ / "Players/Ann"));
    EXPECT_EQ(ReadFile(dir_ / "Outside/keep.txt"), "k");
    EXPECT_EQ(ReadFile(dir_ / "Outside/Inner/keep2.txt"), "k");

    // The path itself a link: only the link goes.
    fs::create_directory_symlink(dir_ / "Outside", dir_ / "Players/Link");
    EXPECT_TRUE(os::RemoveTree(dir_ / "Players/Link"));
    EXPECT_FALSE(FileExists(dir_ / "Players/Link"));
    EXPECT_TRUE(FileExists(dir_ / "Outside/Inner/keep2.txt"));
}

TEST_F(DirTest, SymlinkedFolderIsListedAsAFolder) {
    fs::create_directory_symlink(dir_ / "Players/Ann", dir_ / "Players/Zed");
    std::vector<os::DirEntry> entries;
    ASSERT_TRUE(os::ListDir(dir_ / "Players/Z*", &entries));
    EXPECT_EQ(Names(entries), (std::vector<std::string>{"Zed/@"}));
}

} // namespace
