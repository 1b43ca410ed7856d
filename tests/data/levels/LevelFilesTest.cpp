// The shipped level files: each loads through the game's reader without a
// word in the log, uses only codes that mean what the designer wrote, keeps
// the colours the quest has at that level, and the set as a whole follows the
// designed curve (gems rising by stage, chains from stage 2, steel from 3).
#include <algorithm>
#include <cstdio>
#include <map>
#include <numeric>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "LevelCatalog.h"
#include "playfield/LevelRules.h"

using namespace levels;

namespace {

LevelSettings NormalSettings(const LoadedLevel& l) {
    // The totem level is started with whatever level the quest is on; its SET
    // decides the colours.
    return EffectiveSettings(l.Desc, l.Level > 0 ? l.Level : 1, false);
}

bool IsSteel(const CLevelDesc& d, int c, int r) { return d.BoardCode(c, r) == 's'; }

// Codes whose colour is settled by the file: a digit, or a letter of the
// shuffled colours (all cells with one letter share a colour).
bool SettledCode(char ch, int32_t colours) {
    return (ch >= '0' && ch <= '6') || (ch >= 'a' && ch < 'a' + colours);
}

std::string Where(const LoadedLevel& l, int c, int r) {
    return l.Name + " column " + std::to_string(c) + " row " + std::to_string(r);
}

} // namespace

TEST(LevelFiles, EveryFileLoadsThroughTheReaderWithoutALogLine) {
    ASSERT_EQ(QuestLevels().size(), static_cast<size_t>(kQuestLevels));
    for (const LoadedLevel* l : AllLevels()) {
        SCOPED_TRACE(l->Name);
        EXPECT_EQ(l->Result, 1);
        EXPECT_EQ(l->Log, "");
        EXPECT_TRUE(l->Desc.IsUsable());
        // Every level names its goal; the field would otherwise keep its own.
        EXPECT_GT(l->Desc.GemsCount, 0);
    }
}

TEST(LevelFiles, EveryCellCodeMeansWhatTheRowsSay) {
    for (const LoadedLevel* lp : AllLevels()) {
        const LoadedLevel& l = *lp;
        const CLevelDesc& d = l.Desc;
        const LevelSettings s = NormalSettings(l);
        const int32_t n = static_cast<int32_t>(s.Colours.size());
        // Groups must get colours, lists only colours in play.
        if (!d.Groups.empty()) {
            EXPECT_EQ(d.GroupsFit(n), 1) << l.Name;
        }
        for (const CLevelList& list : d.Lists)
            for (int32_t c : list.Colours)
                EXPECT_TRUE(InPlay(s, c)) << l.Name << " list " << list.Letter << " colour " << c;

        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c) {
                const std::string at = Where(l, c, r);
                const char b = d.BoardCode(c, r);
                const bool ok = b == 'x' || b == 's' || (b >= '0' && b <= '6' && InPlay(s, b - '0')) ||
                                (b >= 'a' && b < 'a' + n) || (b >= 'A' && b <= 'G' && d.FindGroup(b)) ||
                                (b >= 'I' && b <= 'O' && d.FindList(b));
                EXPECT_TRUE(ok) << at << ": board code '" << b << "'";
                const char k = d.LockCode(c, r);
                EXPECT_TRUE(k == '-' || (k >= '0' && k <= '9')) << at << ": lock code '" << k << "'";
                const char bonus = d.BonusCode(c, r);
                EXPECT_TRUE(bonus == '-' || (bonus >= '0' && bonus <= '5')) << at << ": bonus '" << bonus << "'";
                const char f = d.FixedCode(c, r);
                EXPECT_TRUE(f == '-' || f == 'f') << at << ": fixed code '" << f << "'";
                const char g = d.GemCode(c, r);
                EXPECT_TRUE(g == '-' || g == 'g') << at << ": gem code '" << g << "'";
                // The field gives no gem to steel, and skips a bonus on a gem.
                if (g == 'g') {
                    EXPECT_FALSE(IsSteel(d, c, r)) << at << ": gem on steel";
                }
                if (bonus != '-') {
                    EXPECT_NE(g, 'g') << at << ": bonus on a gem is never placed";
                    EXPECT_FALSE(IsSteel(d, c, r)) << at << ": bonus on steel";
                    EXPECT_FALSE(k >= '1' && k <= '9') << at << ": bonus under a chain";
                }
            }

        // Placed gems come out of the level's count.
        EXPECT_LE(CountCode(d.Gems, 'g'), d.GemsCount) << l.Name;
        // LEVEL only for bonuses the level places, at a tier a bonus has (0..3).
        for (int32_t digit = 0; digit < CLevelDesc::kBonusDigits; ++digit) {
            const int32_t tier = d.LevelOf(digit);
            if (tier < 0)
                continue;
            EXPECT_LE(tier, 3) << l.Name << " LEVEL " << digit;
            EXPECT_GT(CountCode(d.Bonus, static_cast<char>('0' + digit)), 0)
                << l.Name << " LEVEL " << digit << " names a bonus the level does not place";
        }
    }
}

TEST(LevelFiles, SettledCellsNeverStartAsARun) {
    // Three settled cells of one colour in a line would make every draw of
    // the level board start with a ready row, and the field would give up.
    for (const LoadedLevel* lp : AllLevels()) {
        const LoadedLevel& l = *lp;
        const int32_t n = static_cast<int32_t>(NormalSettings(l).Colours.size());
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c)
                for (auto [dc, dr] : {std::pair{1, 0}, std::pair{0, 1}}) {
                    if (c + 2 * dc > 7 || r + 2 * dr > 7)
                        continue;
                    const char a = l.Desc.BoardCode(c, r);
                    if (!SettledCode(a, n))
                        continue;
                    EXPECT_FALSE(l.Desc.BoardCode(c + dc, r + dr) == a &&
                                 l.Desc.BoardCode(c + 2 * dc, r + 2 * dr) == a)
                        << Where(l, c, r) << ": three '" << a << "' in a line";
                }
    }
}

TEST(LevelFiles, ShapedCellsStandOnTheFloor) {
    // Chained steel marked fixed is a wall of the board's shape. Caps fall, so
    // such a wall keeps its place only on a steel stack that reaches the floor;
    // and it only shapes the board while it is both chained and fixed.
    for (const LoadedLevel* lp : AllLevels()) {
        const CLevelDesc& d = lp->Desc;
        for (int c = 0; c < 8; ++c)
            for (int r = 0; r < 8; ++r) {
                if (!IsSteel(d, c, r))
                    continue;
                const bool chained = d.LockCode(c, r) >= '1' && d.LockCode(c, r) <= '9';
                const bool fixed = d.FixedCode(c, r) == 'f';
                if (!chained)
                    continue;
                EXPECT_TRUE(fixed) << Where(*lp, c, r) << ": chained steel that a reshuffle removes";
                for (int below = r + 1; below < 8; ++below)
                    EXPECT_TRUE(IsSteel(d, c, below))
                        << Where(*lp, c, r) << ": wall does not reach the floor (row " << below << ")";
            }
    }
}

TEST(LevelFiles, ColoursFollowTheQuest) {
    // Quest levels keep the colours the game gives by level number (yellow from
    // level 4, violet from 9, all seven in Hard mode): no SET overrides them.
    for (const LoadedLevel& l : QuestLevels()) {
        EXPECT_TRUE(l.Desc.Set.empty()) << l.Name << " overrides the colours in play";
        const LevelSettings s = NormalSettings(l);
        EXPECT_EQ(s.Colours.size(), l.Level < 4 ? 5u : l.Level < 9 ? 6u : 7u) << l.Name;
        EXPECT_EQ(InPlay(s, 1), l.Level >= 4) << l.Name;
        EXPECT_EQ(InPlay(s, 6), l.Level >= 9) << l.Name;
        EXPECT_EQ(EffectiveSettings(l.Desc, l.Level, true).Colours.size(), 7u) << l.Name;
    }
    // The totem level shows the colour of whichever totem the player owns, so
    // all seven colours are in play there, and nothing gets in the way.
    const LoadedLevel& t = TotemLevel();
    EXPECT_EQ(t.Desc.Set, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(t.Desc.SteelLimit, 0);
    EXPECT_EQ(t.Desc.LockLimit, 0);
    EXPECT_GE(CountCode(t.Desc.Board, 'a'), 6) << "the totem colour 'a' should be easy to match";
}

TEST(LevelFiles, DifficultyRisesStageByStage) {
    std::map<int32_t, std::vector<int32_t>> gems;
    for (const LoadedLevel& l : QuestLevels()) {
        const CLevelDesc& d = l.Desc;
        const LevelSettings s = NormalSettings(l);
        gems[l.Stage].push_back(d.GemsCount);
        const bool chains = CountChains(d) > 0 || (s.LockProbability > 0.0f && s.LockLimit > 0);
        const bool steel = CountCode(d.Board, 's') > 0 || (s.SteelProbability > 0.0f && s.SteelLimit > 0);
        // Chains from the jungle on, steel from the valley on; never before.
        EXPECT_EQ(chains, l.Stage >= 2) << l.Name;
        EXPECT_EQ(steel, l.Stage >= 3) << l.Name;
        // Random steel stays a seasoning; more than one in ten would choke the board.
        EXPECT_LE(s.SteelProbability, 0.1f) << l.Name;
        EXPECT_LE(s.LockProbability, 0.1f) << l.Name;
    }
    ASSERT_EQ(gems.size(), static_cast<size_t>(kStages));
    double previousMean = 0.0;
    int32_t previousFirst = 0;
    for (const auto& [stage, counts] : gems) {
        SCOPED_TRACE("stage " + std::to_string(stage));
        EXPECT_EQ(static_cast<int32_t>(counts.size()), CLevelRules::kStageSizes[stage - 1]);
        EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end())) << "gems fall inside the stage";
        const double mean = std::accumulate(counts.begin(), counts.end(), 0.0) / counts.size();
        EXPECT_GT(mean, previousMean);
        EXPECT_GT(counts.front(), previousFirst);
        previousMean = mean;
        previousFirst = counts.front();
    }
}

TEST(LevelFiles, EachFileSaysWhatItIsFor) {
    for (const LoadedLevel* l : AllLevels()) {
        ASSERT_FALSE(l->Comments.empty()) << l->Name;
        if (l->Level > 0) {
            // The title carries the number the level caption shows.
            int32_t stage = 0, inStage = 0;
            CLevelRules::SplitLevel(l->Level, stage, inStage);
            char title[32];
            std::snprintf(title, sizeof title, " Level %d-%d \"", stage, inStage);
            EXPECT_EQ(l->Comments.front().rfind(title, 0), 0u) << l->Name << ": " << l->Comments.front();
        }
        const bool intent = std::any_of(l->Comments.begin(), l->Comments.end(), [](const std::string& c) {
            return c.find("Intent:") != std::string::npos;
        });
        EXPECT_TRUE(intent) << l->Name;
    }
}
