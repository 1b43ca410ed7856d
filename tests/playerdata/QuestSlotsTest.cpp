// The quest files written as the game writes them, by a writer killed at any
// moment: the main save always loads.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "playerdata/QuestSlots.h"
#include "playerdata/QuestState.h"
#include "support/CapturedLog.h"
#include "support/TempDir.h"

namespace {

using testsupport::CapturedLog;
using testsupport::TempDir;

CQuestState ShopSave(int32_t level) {
    CQuestState q;
    q.SavedSubState = CQuestState::kTakenInShop;
    q.Level = level;
    return q;
}

TEST(QuestSlots, AWriterKilledAtAnyMomentLeavesALoadableSave) {
    TempDir dir;
    CapturedLog log(dir);
    // The game's writes after each won level: the copies move on, then the
    // main save and the first copy are written.
    std::filesystem::create_directories(dir.Path("Ann"));
    const CQuestSlots slots(dir.Path("Ann"));
    ASSERT_TRUE(slots.SaveMainAndFirstCopy(ShopSave(1)));
    std::mt19937 rng(7);
    for (int round = 0; round < 25; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int32_t level = 1;; level = level % 1000 + 1) {
                slots.Rotate();
                slots.SaveMainAndFirstCopy(ShopSave(level));
            }
        }
        // The moment of the kill is left to chance (it proves nothing about speed).
        usleep(static_cast<useconds_t>(500 + rng() % 20000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        CQuestState q;
        ASSERT_EQ(slots.LoadToContinue(q), CQuestSlots::kMain)
            << "round " << round << ": " << log.Text();
        EXPECT_TRUE(q.Level >= 1 && q.Level <= 1000) << q.Level;
    }
}

} // namespace
