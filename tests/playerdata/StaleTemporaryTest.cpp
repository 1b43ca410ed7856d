// A game killed in the middle of a save leaves the save's temporary file
// behind; every later save of that file must step over it. A link at a player
// file is replaced by the saved file, never written through.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "engine/DataPaths.h"
#include "platform/os/Dir.h"
#include "platform/os/Guid.h"
#include "platform/os/Path.h"
#include "playerdata/LevelBestTable.h"
#include "playerdata/ProfileList.h"
#include "playerdata/ProfileSettings.h"
#include "playerdata/QuestSlots.h"
#include "playerdata/QuestState.h"
#include "playerdata/ScoreTable.h"
#include "playerdata/Trophies.h"
#include "support/TempDir.h"

namespace {

// Where the game writes, named as the game names it; the file layer places it.
TEST(PlayerFiles, EverySaveStepsOverAKilledSavesTemporaryFileAndReplacesALink) {
    testsupport::TempDir dir;
    testsupport::ScopedCwd cwd(dir.Path());
    const CDataPaths paths;
    ASSERT_TRUE(os::CreateDir(paths.DataPath));
    ASSERT_TRUE(os::CreateDir(paths.GameDataPath));
    ASSERT_TRUE(os::CreateDir(paths.PlayersPath));
    CProfileList profiles(paths.PlayersPath);
    ASSERT_GE(profiles.CreateProfile("Ann"), 0);
    const std::string folder = profiles.FolderOf("Ann");
    const std::string outside = dir.Path() + "/Outside.txt";
    testsupport::WriteFile(outside, "not the game's");

    const struct {
        const char* what;
        std::string path;
        std::function<bool()> saveAndReadBack;
    } files[] = {
        {"quest save", CQuestSlots(folder).PathOf(CQuestSlots::kMain),
         [&] {
             CQuestState q;
             q.QuestId = os::NewGuid();
             q.SavedSubState = 6; // taken on the results screen: no board
             q.Level = 5;
             q.Lives = 2;
             q.GemsRemaining = 7;
             q.GemGoal = 30;
             q.ClearBoard();
             CQuestState back;
             return q.Save(CQuestSlots(folder).PathOf(CQuestSlots::kMain)) == 1 &&
                    back.Load(CQuestSlots(folder).PathOf(CQuestSlots::kMain)) == 1 &&
                    back.Level == 5 && back.Lives == 2;
         }},
        {"settings", folder + "\\Settings.ini",
         [&] {
             CProfileSettings s("Ann");
             s.Veteran = 1;
             s.Tips[3] = 1;
             if (!s.Save(folder))
                 return false;
             CProfileSettings back("Ann");
             return back.Load(folder) == 1 && back.Veteran == 1 && back.Tips[3] == 1;
         }},
        {"trophies", folder + "\\Trophies.dat",
         [&] {
             CTrophies t;
             t.Levels = {1, 3, 0, 2, 0, 0, 1, 1, 3};
             CTrophies back;
             return t.Save(folder + "\\Trophies.dat") == 1 &&
                    back.Load(folder + "\\Trophies.dat") == 1 && back.Levels == t.Levels;
         }},
        {"score table", paths.GameDataPath + "Game0.tbl",
         [&] {
             CScoreTable t;
             t.Load(paths.GameDataPath + "Game0.tbl");
             const os::Guid id = os::NewGuid();
             const int32_t row = t.Insert(CScoreTable::kMaxScore, "Ann", id);
             if (!t.Save())
                 return false;
             CScoreTable back;
             back.Load(paths.GameDataPath + "Game0.tbl");
             return row < CScoreTable::kRows && back.Rows[size_t(row)].Id == id;
         }},
        {"best scores", paths.GameDataPath + "Sc.bst",
         [&] {
             CLevelBestTable t;
             t.SetDefaultScores();
             t.SetRecord(987650, 3, "Ann");
             CLevelBestTable back;
             return t.Save(paths.GameDataPath + "Sc.bst") == 1 &&
                    back.Load(paths.GameDataPath + "Sc.bst") == 1 && back.Values == t.Values;
         }},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.what);
        FILE* stale = os::Open(os::TemporaryPathFor(file.path), "wb");
        ASSERT_NE(stale, nullptr);
        std::fputs("half a save", stale);
        std::fclose(stale);
        const std::string target = os::ResolveWritePath(file.path);
        std::filesystem::remove(target);
        std::filesystem::create_symlink(outside, target);
        EXPECT_TRUE(file.saveAndReadBack());
        EXPECT_FALSE(std::filesystem::is_symlink(target));
        EXPECT_EQ(testsupport::ReadFile(outside), "not the game's");
        EXPECT_TRUE(file.saveAndReadBack()) << "and again";
    }
    // A settings file damaged past what the ini writer edits is written anew.
    testsupport::WriteFile(os::ResolveWritePath(files[1].path), std::string(10 << 20, 'x'));
    EXPECT_TRUE(files[1].saveAndReadBack());
}

} // namespace
