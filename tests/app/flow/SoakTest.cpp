// A long unattended game that watches the resident memory. Not part of the test
// run (see README): the scripted player plays level after level, bonus levels
// too, winning or losing, for GV_SOAK_SECONDS of wall time (default 300), and
// the resident set is sampled after every level. The levels go round the quest
// in steps of nine, so the first five have visited every stage (and loaded its
// pictures); after them memory must not grow with the levels played.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

#include "app/flow/FlowHarness.h"
#include "app/flow/ScriptedPlayer.h"
#include "playerdata/ProfileSettings.h"
#include "screens/ScreensManager.h"

using namespace flowtest;

namespace {

constexpr size_t kWarmUpLevels = 5;
constexpr int32_t kLevelStep = 9; // shares no factor with the quest's 41 levels
constexpr double kMaxGrowthMb = 16.0;

double ResidentMb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double Mean(const std::vector<double>& v, size_t from, size_t to) {
    double sum = 0.0;
    for (size_t i = from; i < to; ++i)
        sum += v[i];
    return sum / double(to - from);
}

} // namespace

TEST(Soak, DISABLED_MemoryStaysFlatOverManyLevels) {
    const char* env = std::getenv("GV_SOAK_SECONDS");
    const double seconds = env ? std::atof(env) : 300.0;
    FlowHarness h(2026);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    CGame& g = h.Game();
    g.Profile->QuestTutorial = 0;
    ScriptedPlayer player(h);

    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    std::vector<double> resident;
    while (elapsed() < seconds) {
        const int32_t level = g.Level;
        const ScriptedPlayer::Outcome outcome = player.PlayLevel(300.0f);
        // On to the next level intro: bonus levels are played, the results
        // and the shop left, the map's Play clicked, cards clicked away.
        const auto ready = [](const CSharedPtr<CUxForm>& f) { return f->Visible && f->Active; };
        // The last level leads to the closing page instead.
        const auto next = [&] { return g.Mode == kModeLevelIntro || g.Mode == kModeQuestEnd; };
        for (int i = 0; i < 600 && !next(); ++i) {
            if (g.Mode == kModeLevel && g.SubState == kSubBonus)
                player.PlayBonus(120.0f);
            else if (ready(g.Screens->StatisticsForm))
                h.ClickControl(g.Screens->StatisticsForm, 30);
            else if (ready(g.Screens->ShopForm) || ready(g.Screens->MapForm))
                h.PlayOnFromMap();
            else if (i % 15 == 14)
                h.Click(0.0f, 0.0f);
            h.Frames(1);
        }
        ASSERT_TRUE(next()) << "stuck after level " << level << " in sub-state " << g.SubState;
        g.StartLevel(1 + (level - 1 + kLevelStep) % CGame::kQuestLevels);
        resident.push_back(ResidentMb());
        std::printf("level %2d %-4s  %7.1f MB resident  %6.0f s\n", level,
                    outcome == ScriptedPlayer::kWon ? "won" : "lost", resident.back(), elapsed());
        std::fflush(stdout);
    }
    ASSERT_GE(resident.size(), kWarmUpLevels + 4) << "too few levels to judge; give it more time";
    const size_t n = resident.size() - kWarmUpLevels, third = n / 3;
    const double early = Mean(resident, kWarmUpLevels, kWarmUpLevels + third);
    const double late = Mean(resident, resident.size() - third, resident.size());
    std::printf("%zu levels: %.1f MB early, %.1f MB late\n", resident.size(), early, late);
    EXPECT_LT(late - early, kMaxGrowthMb);
}
