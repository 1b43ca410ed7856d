// The data and user folders: how they are found, and the user folder laid over
// the data folder by every path and folder call.
#include "platform/os/GameFolders.h"

#include "platform/os/Dir.h"
#include "platform/os/Ini.h"
#include "platform/os/Path.h"
#include "platform/os/SafeWrite.h"
#include "platform/os/TextFile.h"

#include "support/TempDir.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

// Every file below a folder with its bytes, to show a folder left as it was.
std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        files[fs::relative(e.path(), root).string()] =
            e.is_regular_file() ? ReadFile(e.path().string()) : "<folder>";
    return files;
}

struct ScopedFolders {
    ScopedFolders(const std::string& data, const std::string& user) {
        os::SetGameFolders(data, user);
    }
    ~ScopedFolders() { os::SetGameFolders("", ""); }
};

TEST(GameFolders, AreFoundFromTheExecutableAndTheEnvironment) {
    TempDir t;
    fs::create_directories(t / "build/game/Data");
    fs::create_directories(t / "prefix/bin");
    fs::create_directories(t / "prefix/share/glorvane/Data");
    struct Row {
        const char* what;
        os::FolderEnvironment env;
        std::string data, user;
    };
    const Row rows[] = {
        {"a game folder holds its data beside the executable",
         {"", "", "/x/xdg", "/home/ann", t / "build/game"},
         t / "build/game",
         "/x/xdg/glorvane"},
        {"an install finds ../share/glorvane from bin/",
         {"", "", "", "/home/ann", t / "prefix/bin"},
         t / "prefix/share/glorvane",
         "/home/ann/.local/share/glorvane"},
        {"the variables override both",
         {t / "elsewhere/", "/u/me/", "/x/xdg", "/home/ann", t / "build/game"},
         t / "elsewhere",
         "/u/me"},
        {"a relative XDG_DATA_HOME is ignored",
         {"", "", "rel/xdg", "/home/ann", t / "prefix/bin"},
         t / "prefix/share/glorvane",
         "/home/ann/.local/share/glorvane"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(os::ChooseDataFolder(r.env, os::HoldsGameData), r.data) << r.what;
        EXPECT_EQ(os::ChooseUserFolder(r.env), r.user) << r.what;
    }
    // The cache folder: the override, an absolute XDG_CACHE_HOME, ~/.cache.
    const std::pair<os::FolderEnvironment, std::string> caches[] = {
        {{"", "", "", "/home/ann", "", "/c/me/", "/x/cache"}, "/c/me"},
        {{"", "", "", "/home/ann", "", "", "/x/cache"}, "/x/cache/glorvane"},
        {{"", "", "", "/home/ann", "", "", "rel/cache"}, "/home/ann/.cache/glorvane"},
        {{"", "", "", "/home/ann", "", "", ""}, "/home/ann/.cache/glorvane"},
    };
    for (const auto& [env, cache] : caches)
        EXPECT_EQ(os::ChooseCacheFolder(env), cache) << env.xdgCacheHome;
    // This test program's own folder holds no Data folder: it looks for an install.
    const os::FolderEnvironment own = os::ReadFolderEnvironment();
    EXPECT_EQ(os::ChooseDataFolder(own, os::HoldsGameData),
              (fs::path(own.exeFolder).parent_path() / "share/glorvane").string());
}

// The data and user folders are where they were named, letter for letter;
// only the game's own paths below them are matched without regard to case.
TEST(GameFolders, AreTakenAsNamedAndOnlyThePathsBelowThemMatchAnyCase) {
    TempDir t;
    fs::create_directories(t / "CASETEST/glorvane/Players");
    fs::create_directories(t / "DATA/Data/Gfx");
    WriteFile(t / "DATA/Data/Gfx/Icon.png", "png");
    fs::create_directories(t / "mine/players/Ann");
    struct Row {
        const char* what;
        std::string data, user, gamePath, written, read;
    };
    const Row rows[] = {
        {"a user folder not made yet is not a neighbour that differs in case", t / "DATA",
         t / "casetest/glorvane", "Players\\Ann\\Settings.ini",
         t / "casetest/glorvane/Players/Ann/Settings.ini",
         t / "casetest/glorvane/Players/Ann/Settings.ini"},
        {"nor is a missing data folder", t / "data", t / "casetest/glorvane", "Data\\Gfx\\Icon.png",
         t / "casetest/glorvane/Data/Gfx/Icon.png", t / "casetest/glorvane/Data/Gfx/Icon.png"},
        {"below the folders, names match in any case", t / "DATA", t / "mine",
         "PLAYERS\\ann\\Quest.sav", t / "mine/players/Ann/Quest.sav",
         t / "mine/players/Ann/Quest.sav"},
        {"and the data folder is read below it in any case", t / "DATA", t / "mine",
         "data\\GFX\\icon.PNG", t / "mine/data/GFX/icon.PNG", t / "DATA/Data/Gfx/Icon.png"},
    };
    for (const Row& r : rows) {
        ScopedFolders folders(r.data, r.user);
        EXPECT_EQ(os::ResolveWriteTarget(r.gamePath), r.written) << r.what;
        EXPECT_EQ(os::ResolveReadPath(r.gamePath), r.read) << r.what;
    }
    ScopedFolders folders(t / "DATA", t / "casetest/glorvane");
    ASSERT_TRUE(os::WriteFileSafely("Players\\Ann\\Settings.ini", "[Main]\n"));
    EXPECT_EQ(ReadFile(t / "casetest/glorvane/Players/Ann/Settings.ini"), "[Main]\n");
    EXPECT_FALSE(fs::exists(t / "CASETEST/glorvane/Players/Ann"));
}

class Overlay : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(data_ / "Data/Config");
        fs::create_directories(data_ / "Data/Sfx");
        fs::create_directories(data_ / "Players/Old");
        WriteFile(data_ / "Data/Config/Options.ini", "[Sound]\nVolume=5\n");
        WriteFile(data_ / "Data/Sfx/Bell.ogg", "ogg");
        WriteFile(data_ / "Data/Sfx/Drum.wav", "shipped");
        WriteFile(data_ / "Data/Sfx/Gong.ogg", "gong");
        WriteFile(data_ / "Players/Old/Quest.sav", "old");
        before_ = Snapshot(data_.Path());
    }
    void TearDown() override {
        // Whatever the calls did, the data folder is never written.
        EXPECT_EQ(Snapshot(data_.Path()), before_);
    }
    TempDir data_, home_;
    const std::string user_ = home_ / "share/glorvane"; // made by the first write
    std::map<std::string, std::string> before_;
};

TEST_F(Overlay, ReadsUserThenDataAndWritesChangeOnlyTheUserFolder) {
    ScopedFolders folders(data_.Path(), user_);
    std::string text;
    ASSERT_TRUE(os::ReadFileBytes("data\\sfx\\bell.OGG", &text));
    EXPECT_EQ(text, "ogg");

    // A write makes the user folder and the folders in it.
    FILE* f = os::Open("Data\\Sfx\\Bell.wav", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("decoded", f);
    std::fclose(f);
    EXPECT_EQ(ReadFile(user_ + "/Data/Sfx/Bell.wav"), "decoded");

    // An update starts from the data folder's bytes.
    f = os::Open("Data\\Sfx\\Drum.wav", "r+b");
    ASSERT_NE(f, nullptr);
    std::fputs("CH", f);
    std::fclose(f);
    EXPECT_EQ(ReadFile(user_ + "/Data/Sfx/Drum.wav"), "CHipped");
    ASSERT_TRUE(os::ReadFileBytes("Data\\Sfx\\Drum.wav", &text));
    EXPECT_EQ(text, "CHipped");

    // Ini: the shipped value reads until the player's own is written.
    EXPECT_EQ(os::GetProfileString("Sound", "Volume", "", "Data\\Config\\Options.ini"), "5");
    ASSERT_TRUE(os::WriteProfileString("Sound", "Volume", "9", "Data\\Config\\Options.ini"));
    EXPECT_EQ(os::GetProfileString("Sound", "Volume", "", "Data\\Config\\Options.ini"), "9");
    EXPECT_EQ(ReadFile(user_ + "/Data/Config/Options.ini"), "[Sound]\nVolume=9\n");

    // A listing shows both folders, a name both have once.
    WriteFile(user_ + "/Data/Sfx/Bell.ogg", "mine");
    std::vector<os::DirEntry> list;
    ASSERT_TRUE(os::ListDir("Data\\Sfx\\*.*", &list));
    std::vector<std::string> names;
    for (const auto& e : list)
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Bell.ogg", "Bell.wav", "Drum.wav", "Gong.ogg"}));

    // Removing takes the user folder's file; the shipped one shows again.
    EXPECT_TRUE(os::RemoveFile("Data\\Sfx\\Bell.ogg"));
    ASSERT_TRUE(os::ReadFileBytes("Data\\Sfx\\Bell.ogg", &text));
    EXPECT_EQ(text, "ogg");
    EXPECT_FALSE(os::RemoveFile("Data\\Sfx\\Drum.ogg"));

    // A folder only the data folder has takes a new folder in the user folder.
    EXPECT_FALSE(os::CreateDir("Data\\Sfx"));
    EXPECT_TRUE(os::CreateDir("Data\\Config\\New"));
    EXPECT_TRUE(fs::is_directory(user_ + "/Data/Config/New"));
    // Folders are made where the writes go, whatever the data folder has.
    EXPECT_TRUE(os::MakeFolders("Data\\Sfx\\Cut"));
    EXPECT_TRUE(fs::is_directory(user_ + "/Data/Sfx/Cut"));
    EXPECT_EQ(os::ResolveWriteTarget("Data\\Sfx"), user_ + "/Data/Sfx");

    // A safe write's temporary goes beside its target in the user folder; a
    // stale one there goes first.
    WriteFile(user_ + "/Data/Config/Options.tmp", "stale");
    EXPECT_TRUE(os::WriteFileSafely("Data\\Config\\Options.ini", "new"));
    EXPECT_EQ(ReadFile(user_ + "/Data/Config/Options.ini"), "new");
    EXPECT_FALSE(fs::exists(user_ + "/Data/Config/Options.tmp"));
}

using Outcome = os::OldFilesCopy::Outcome;

Outcome CopyOld() {
    return os::CopyOldGameFiles({"Players\\", "Data\\Config\\Options.ini", "Data\\GameData\\"})
        .outcome;
}

TEST_F(Overlay, PlayersLiveInTheUserFolderAndOldOnesAreCopiedOnce) {
    ScopedFolders folders(data_.Path(), user_);
    // The data folder's players are not the user's: a player deleted in the
    // user folder must not come back from there.
    std::vector<os::DirEntry> list;
    EXPECT_FALSE(os::ListDir("Players\\*.*", &list));
    EXPECT_EQ(os::Open("Players\\Old\\Quest.sav", "rb"), nullptr);

    ASSERT_EQ(CopyOld(), Outcome::Copied);
    EXPECT_EQ(ReadFile(user_ + "/Players/Old/Quest.sav"), "old");
    EXPECT_EQ(ReadFile(user_ + "/Data/Config/Options.ini"), "[Sound]\nVolume=5\n");
    ASSERT_TRUE(os::ListDir("Players\\*.*", &list));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "Old");

    // Once the user folder has players, nothing is copied again, even after
    // they are all deleted.
    EXPECT_EQ(CopyOld(), Outcome::Nothing);
    EXPECT_TRUE(os::RemoveTree("Players\\Old"));
    EXPECT_EQ(CopyOld(), Outcome::Nothing);
    EXPECT_FALSE(fs::exists(user_ + "/Players/Old"));
}

// A copy that fails at any one file leaves nothing of itself in the user
// folder, and the next start copies the whole set; so does one a killed game
// left half made in its staging folder.
TEST_F(Overlay, OldFilesAreCopiedWholeOrNotAtAll) {
    fs::create_directories(data_ / "Players/Ann/Sub");
    fs::create_directories(data_ / "Data/GameData");
    WriteFile(data_ / "Players/Ann/Settings.ini", "[Main]\n");
    WriteFile(data_ / "Players/Ann/Sub/Note.txt", "note");
    WriteFile(data_ / "Data/GameData/Game0.tbl", "scores");
    // What the old game left writable only: the player's copy must be readable.
    fs::permissions(data_ / "Players/Old/Quest.sav", fs::perms::owner_write);
    before_ = Snapshot(data_.Path());
    std::map<std::string, std::string> whole;
    for (const auto& [name, bytes] : before_)
        if (name.starts_with("Players") || name.starts_with("Data/GameData") ||
            name.starts_with("Data/Config"))
            whole[name] = bytes;
    whole["Data"] = "<folder>";
    ScopedFolders folders(data_.Path(), user_);
    const std::string staging = user_ + os::kCopyStagingSuffix;

    int files = 0;
    for (int failAt = 0;; ++failAt) {
        SCOPED_TRACE(failAt);
        int seen = 0;
        std::string failed;
        os::FailOldFileCopyWhen([&](const std::string& file) {
            if (seen++ != failAt)
                return false;
            failed = file;
            return true;
        });
        const os::OldFilesCopy copy = os::CopyOldGameFiles(
            {"Players\\", "Data\\Config\\Options.ini", "Data\\GameData\\"});
        os::FailOldFileCopyWhen(nullptr);
        if (failed.empty()) {
            files = seen;
            EXPECT_EQ(copy.outcome, Outcome::Copied);
            break;
        }
        EXPECT_EQ(copy.outcome, Outcome::Failed);
        EXPECT_EQ(copy.problem, "cannot read " + failed);
        EXPECT_FALSE(fs::exists(user_ + "/Players"));
        EXPECT_FALSE(fs::exists(user_ + "/Data"));
        EXPECT_FALSE(fs::exists(staging));
    }
    EXPECT_EQ(files, 5);
    EXPECT_EQ(Snapshot(user_), whole);
    EXPECT_TRUE((fs::status(user_ + "/Players/Old/Quest.sav").permissions() &
                 fs::perms::owner_read) != fs::perms::none);

    // A game killed in the middle: a staging folder with a file cut short, and
    // one file moved into place before the players' folder was.
    fs::remove_all(user_ + "/Players");
    fs::remove_all(user_ + "/Data/GameData");
    fs::create_directories(staging + "/Players/Old");
    WriteFile(staging + "/" + os::kCopyStagingMark, "");
    WriteFile(staging + "/Players/Old/Quest.sav", "ol");
    fs::permissions(staging + "/Players/Old/Quest.sav", fs::perms::owner_write);
    EXPECT_EQ(CopyOld(), Outcome::Copied);
    EXPECT_EQ(Snapshot(user_), whole);
    EXPECT_FALSE(fs::exists(staging));
    // A staging folder is thrown away even when nothing is left to copy.
    fs::create_directories(staging + "/Players");
    WriteFile(staging + "/" + os::kCopyStagingMark, "");
    EXPECT_EQ(CopyOld(), Outcome::Nothing);
    EXPECT_FALSE(fs::exists(staging));

    // A folder of that name the game did not mark is someone else's: it
    // stays as it is and the copy waits for it (an empty one, as a game
    // killed before marking it leaves, goes).
    fs::remove_all(user_);
    fs::create_directories(staging);
    EXPECT_EQ(CopyOld(), Outcome::Copied);
    fs::remove_all(user_);
    fs::create_directories(staging + "/Mine");
    WriteFile(staging + "/Mine/Letter.txt", "dear");
    const std::map<std::string, std::string> mine = Snapshot(staging);
    EXPECT_EQ(CopyOld(), Outcome::Failed);
    EXPECT_EQ(Snapshot(staging), mine);
    EXPECT_FALSE(fs::exists(user_ + "/Players"));
    EXPECT_EQ(CopyOld(), Outcome::Failed);
    EXPECT_EQ(Snapshot(staging), mine);
    // Meanwhile a new player is made; once the folder is out of the way the
    // copy owed is made all the same, beside him.
    fs::remove_all(staging);
    fs::create_directories(user_ + "/Players/New");
    EXPECT_EQ(CopyOld(), Outcome::Copied);
    EXPECT_EQ(ReadFile(user_ + "/Players/Old/Quest.sav"), "old");
    EXPECT_TRUE(fs::is_directory(user_ + "/Players/New"));
    EXPECT_FALSE(fs::exists(user_ + "/" + os::kCopyOwedNote));
    EXPECT_EQ(CopyOld(), Outcome::Nothing);
}

// A user folder inside the data folder's players' folder: the copy leaves out
// the user folder and its own staging folder instead of copying into itself.
TEST_F(Overlay, AUserFolderInsideTheOldPlayersIsNotCopiedIntoItself) {
    const std::string user = data_ / "Players/x";
    {
        ScopedFolders folders(data_.Path(), user);
        fs::create_directories(user);
        WriteFile(user + "/Objects.log", "log");
        ASSERT_EQ(CopyOld(), Outcome::Copied);
        EXPECT_EQ(Snapshot(user + "/Players"), (std::map<std::string, std::string>{
                                                   {"Old", "<folder>"}, {"Old/Quest.sav", "old"}}));
        EXPECT_FALSE(fs::exists(user + os::kCopyStagingSuffix));
    }
    fs::remove_all(user);
}

TEST_F(Overlay, UnsetFoldersMeanTheWorkingDirectoryAlone) {
    ScopedCwd cwd(data_.Path());
    std::string text;
    ASSERT_TRUE(os::ReadFileBytes("Players\\Old\\Quest.sav", &text));
    EXPECT_EQ(text, "old");
    EXPECT_EQ(os::CopyOldGameFiles({"Players\\"}).outcome, Outcome::Nothing);
}

} // namespace
