// Winnability of the shipped levels, estimated by the pure-logic player of
// LevelSim: every level board can be drawn, and a simple bot collects the
// level's gems within a generous multiple of the level time on fixed seeds.
// The per-level numbers are printed so that a designer can read the curve.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "LevelCatalog.h"
#include "LevelSim.h"

using namespace levels;

namespace {

// Games per level, each on its own fixed seed.
constexpr int kGames = 9;
// The bot's median game must finish within this multiple of the level time,
// and every game within the second. (Its last gem can sit in a corner for a
// while: the bot looks one move ahead, without bonuses.)
constexpr double kMedianMultiple = 1.5;
constexpr double kEveryGameMultiple = 3.0;

uint64_t SeedFor(int32_t level, int game) { return 1000u * static_cast<uint64_t>(level) + 17u * game + 5u; }

struct LevelStats {
    std::vector<double> ToGoal; // seconds, negative when missed
    std::vector<std::string> Boards; // the board where each game ended
    double GemsPerMinute = 0.0;
    double Moves = 0.0;
    double Rebuilds = 0.0;
    double Attempts = 0.0;
    int StartChains = 0, StartSteel = 0, StartGems = 0;
};

LevelStats PlayLevel(const LoadedLevel& l, bool hard, double limit, SimBot bot) {
    LevelStats st;
    const LevelSettings s = EffectiveSettings(l.Desc, std::max(l.Level, 1), hard);
    for (int g = 0; g < kGames; ++g) {
        LevelSim sim(l.Desc, s, SeedFor(l.Level, g) + (hard ? 7u : 0u));
        const SimResult r = sim.Play(limit, SimTiming{}, bot);
        st.ToGoal.push_back(r.SecondsToGoal);
        st.Boards.push_back(sim.Describe());
        st.GemsPerMinute += r.GemsPerMinute() / kGames;
        st.Moves += static_cast<double>(r.Moves) / kGames;
        st.Rebuilds += static_cast<double>(r.Rebuilds) / kGames;
        st.Attempts += static_cast<double>(r.BoardAttempts) / kGames;
        if (g == 0) {
            st.StartChains = r.StartChains;
            st.StartSteel = r.StartSteel;
            st.StartGems = r.StartGems;
        }
    }
    return st;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end(), [](double a, double b) {
        // A missed goal counts as slower than any reached one.
        return (a < 0 ? 1e18 : a) < (b < 0 ? 1e18 : b);
    });
    return v[v.size() / 2];
}

void Report(const char* title, bool hard, bool enforce, SimBot bot) {
    std::printf("\n%s (bot: best move by the move list, %d games per level, level time %.0f s)\n", title,
                kGames, kBaseLevelSeconds);
    std::printf("%-10s %5s %4s %5s %4s %6s %5s %9s %9s %7s %6s %8s\n", "level", "stage", "gems", "cols",
                "chn", "steel", "tries", "median s", "x limit", "gem/min", "moves", "rebuilds");
    const double limit = kEveryGameMultiple * kBaseLevelSeconds;
    for (const LoadedLevel* lp : AllLevels()) {
        const LoadedLevel& l = *lp;
        const LevelSettings s = EffectiveSettings(l.Desc, std::max(l.Level, 1), hard);
        const LevelStats st = PlayLevel(l, hard, limit, bot);
        const double median = Median(st.ToGoal);
        std::printf("%-10s %5d %4d %5zu %4d %6d %5.1f %9.0f %9.2f %7.2f %6.0f %8.1f\n", l.Name.c_str(), l.Stage,
                    s.GemsCount, s.Colours.size(), st.StartChains, st.StartSteel, st.Attempts, median,
                    median / kBaseLevelSeconds, st.GemsPerMinute, st.Moves, st.Rebuilds);
        if (!enforce)
            continue;
        EXPECT_TRUE(median >= 0.0 && median <= kMedianMultiple * kBaseLevelSeconds)
            << l.Name << ": the median game took " << median << " simulated seconds";
        for (size_t g = 0; g < st.ToGoal.size(); ++g)
            EXPECT_GE(st.ToGoal[g], 0.0) << l.Name << " game " << g << " did not collect " << s.GemsCount
                                        << " gems in " << limit << " simulated seconds; it ended on\n"
                                        << st.Boards[g];
    }
    std::fflush(stdout);
}

} // namespace

TEST(LevelSim, EveryLevelBoardCanBeDrawn) {
    // The field redraws a level board until it has no ready row and a move,
    // and gives up after LevelSim::kBoardAttempts draws; a level that needs
    // many draws on average is close to one that sometimes gets none.
    std::printf("\nDraws per level board (mean of 40 seeds): normal, hard\n");
    for (const LoadedLevel* l : AllLevels()) {
        double mean[2] = {0.0, 0.0};
        for (int hard = 0; hard < 2; ++hard) {
            const LevelSettings s = EffectiveSettings(l->Desc, std::max(l->Level, 1), hard != 0);
            int failed = 0, attempts = 0;
            for (int seed = 0; seed < 40; ++seed) {
                LevelSim sim(l->Desc, s, 90000u + static_cast<uint64_t>(seed));
                failed += sim.BuildLevelBoard() ? 0 : 1;
                attempts += sim.Attempts();
            }
            mean[hard] = attempts / 40.0;
            EXPECT_EQ(failed, 0) << l->Name << (hard ? " (hard)" : "");
            EXPECT_LE(mean[hard], 30.0) << l->Name << (hard ? " (hard)" : "") << ": too many draws per board";
        }
        std::printf("%-10s %5.1f %5.1f\n", l->Name.c_str(), mean[0], mean[1]);
    }
    std::fflush(stdout);
}

TEST(LevelSim, EveryLevelIsWinnableByASimpleBot) {
    Report("Normal mode", false, true, SimBot::GemAware);
}

TEST(LevelSim, GemBlindBotReport) {
    // The bot that ignores the gems altogether: it shows how much of a level
    // comes to the player by itself. Its last gems can sit out of its way for
    // minutes, so it is only reported.
    Report("Normal mode, gem-blind bot", false, false, SimBot::Plain);
}

TEST(LevelSim, HardModeReport) {
    // Hard mode plays seven colours everywhere with more steel and chains; it
    // is meant to need the shop's upgrades and the bonuses, which the bot does
    // not have, so it is only reported.
    Report("Hard mode", true, false, SimBot::GemAware);
}

TEST(LevelSim, ModelKeepsTheFieldsLimits) {
    // The estimate is only worth something if the model plays by the rules:
    // gems are conserved, steel and chains stay within their limits.
    CLevelDesc d;
    d.GemsCount = 12;
    d.Board[7] = "sxxxxxxs";
    LevelSettings s = DefaultSettings(20, false);
    s.GemsCount = 12;
    s.SteelProbability = 0.3f;
    s.SteelLimit = 4;
    s.LockProbability = 0.3f;
    s.LockLimit = 3;
    LevelSim sim(d, s, 4242);
    const SimResult r = sim.Play(600.0);
    int steel = 0, locked = 0, gems = 0;
    for (int row = 0; row < 8; ++row)
        for (int c = 0; c < 8; ++c) {
            const LevelSim::Cell& cell = sim.At(c, row);
            EXPECT_NE(cell.Value, 0) << "the board is always full after a move";
            steel += cell.Value > 99 ? 1 : 0;
            locked += cell.Locks > 0 ? 1 : 0;
            gems += cell.Gem ? 1 : 0;
            EXPECT_FALSE(cell.Gem && cell.Value > 99) << "gem on steel";
        }
    EXPECT_LE(steel, 4);
    EXPECT_LE(locked, 3);
    EXPECT_LE(gems, kBaseGemCeiling);
    EXPECT_LE(r.GemsCollected + gems, 12);
    EXPECT_GT(r.Moves, 0);
}
