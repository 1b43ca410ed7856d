// The three quest files of a profile: rotation, the restore of the first copy,
// the order a quest is continued in, and a writer killed at any moment.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <string>

#include <gtest/gtest.h>

#include "playerdata/QuestSlots.h"
#include "playerdata/QuestState.h"
#include "support/CapturedLog.h"
#include "support/TempDir.h"

namespace {

using testsupport::CapturedLog;
using testsupport::ReadFile;
using testsupport::TempDir;

CQuestState ShopSave(int32_t level) {
    CQuestState q;
    q.SavedSubState = CQuestState::kTakenInShop;
    q.Level = level;
    return q;
}

TEST(QuestSlots, RotateRestoreAndContinueOrder) {
    TempDir dir;
    CapturedLog log(dir);
    const CQuestSlots slots(dir.Path("Ann"));
    std::filesystem::create_directory(dir.Path("Ann"));

    // Rotation without a first copy leaves no copy at all.
    dir.Write("Ann/QuestAS2.sav", "old");
    slots.Rotate();
    EXPECT_FALSE(dir.Exists("Ann/QuestAS2.sav"));

    // Two completed levels: the older shop state becomes the second copy.
    ASSERT_TRUE(slots.SaveMainAndFirstCopy(ShopSave(3)));
    slots.Rotate();
    ASSERT_TRUE(slots.SaveMainAndFirstCopy(ShopSave(4)));
    CQuestState q;
    EXPECT_EQ(slots.LoadToContinue(q), CQuestSlots::kMain);
    EXPECT_EQ(q.Level, 4);
    dir.Write("Ann/Quest.sav", "damaged");
    EXPECT_EQ(slots.LoadToContinue(q), CQuestSlots::kSecondCopy);
    EXPECT_EQ(q.Level, 3);
    dir.Write("Ann/QuestAS2.sav", "");
    EXPECT_EQ(slots.LoadToContinue(q), CQuestSlots::kFirstCopy);
    EXPECT_EQ(q.Level, 4);

    // The restore copies byte for byte, a whole number of chunks included.
    const std::string chunks(4096, '\x5A');
    dir.Write("Ann/QuestAS2.sav", chunks);
    ASSERT_TRUE(slots.RestoreFirstFromSecond());
    EXPECT_EQ(ReadFile(dir.Path("Ann/QuestAS1.sav")), chunks);

    slots.Delete(false);
    EXPECT_FALSE(dir.Exists("Ann/QuestAS1.sav"));
    EXPECT_TRUE(dir.Exists("Ann/QuestAS2.sav"));
    slots.Delete(true);
    EXPECT_FALSE(dir.Exists("Ann/QuestAS2.sav"));
    EXPECT_EQ(slots.LoadToContinue(q), CQuestSlots::kNone);
}

TEST(QuestSlots, AWriterKilledAtAnyMomentLeavesALoadableSave) {
    TempDir dir;
    CapturedLog log(dir);
    const std::string path = dir.Path("Quest.sav");
    ASSERT_EQ(ShopSave(1).Save(path), 1);
    std::mt19937 rng(7);
    for (int round = 0; round < 25; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int32_t level = 1;; level = level % 1000 + 1)
                ShopSave(level).Save(path);
        }
        usleep(static_cast<useconds_t>(500 + rng() % 20000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        CQuestState q;
        ASSERT_EQ(q.Load(path), 1) << "round " << round << ": " << log.Text();
    }
}

} // namespace
