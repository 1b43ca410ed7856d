// A quest save writer killed at any moment leaves a save that loads.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <string>

#include <gtest/gtest.h>

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
