// The trophies: the award rules, the queue, "Trophies.dat" and the texts of
// "Trophies.txt".
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "playerdata/Trophies.h"
#include "support/CapturedLog.h"
#include "support/TempDir.h"

namespace {

using testsupport::CapturedLog;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

// The file's bytes (the game runs on little-endian hosts only).
std::string Words(const std::vector<int32_t>& v) {
    return std::string(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(int32_t));
}

TEST(Trophies, AwardRulesAndTheQueue) {
    // Per trophy, "level held:value=award". Trophy 0 follows its rule, not its
    // worked example: value 1 at level 2 is nothing new.
    const char* const table[] = {
        "0:0=1 0:1=2 1:0=0 1:1=2 2:1=0 2:0=0 0:7=2",
        "0:9=0 0:10=1 0:14=1 0:15=2 0:20=3 0:25=3 1:14=0 2:19=0 2:20=3 3:99=0",
        "0:5=0 0:6=1 0:15=3 1:9=0 1:10=2 3:99=0",
        "0:499999=0 0:500000=1 0:1000000=2 2:2499999=0 2:2500000=3",
        "0:4=0 0:3=1 1:3=0 1:2=2 1:1=3 3:1=0 0:0=0 0:-5=0",
        "0:10=1 1:29=2 0:30=3",
        "0:49=0 0:50=1 1:99=0 1:100=2 0:100=2 2:200=3",
        "0:7=0 0:8=1 1:8=0",
        "0:11=0 0:10=1 0:6=1 0:5=2 0:3=2 0:2=3 0:0=3 1:6=0 1:5=2 3:0=0"};
    for (int32_t trophy = 0; trophy < CTrophies::kCount; ++trophy) {
        std::istringstream in(table[trophy]);
        int32_t level = 0, value = 0, award = 0;
        char colon = 0, equals = 0;
        while (in >> level >> colon >> value >> equals >> award) {
            CTrophies t;
            t.Levels[static_cast<size_t>(trophy)] = level;
            EXPECT_EQ(t.CheckAward(trophy, value), award)
                << "trophy " << trophy << " at level " << level << ", value " << value;
        }
    }
    EXPECT_EQ(CTrophies().CheckAward(-1, 100) + CTrophies().CheckAward(9, 100), 0);

    // The queue keeps one pair per trophy, at its highest level.
    CTrophies t;
    for (auto [trophy, level] : {std::pair{2, 1}, {5, 2}, {2, 3}, {2, 1}, {7, 2}, {4, 0}})
        t.QueueAward(trophy, level);
    EXPECT_EQ(t.Pending, (std::vector<std::pair<int32_t, int32_t>>{{2, 3}, {5, 2}}));
    t.CommitPendingAwards();
    EXPECT_EQ(t.Levels, (std::vector<int32_t>{0, 0, 3, 0, 0, 2, 0, 0, 0}));
    EXPECT_EQ(t.ShownLevels, t.Levels);
}

TEST(Trophies, DatFileLoadsWholeOrUpToTheFirstBadLevel) {
    TempDir dir;
    CapturedLog log(dir);
    const std::string path = dir.Path("Trophies.dat");
    const std::vector<int32_t> none(CTrophies::kCount, 0);
    const std::pair<std::string, std::vector<int32_t>> cases[] = {
        {Words({2, 0, 0, 0, 0, 0, 0, 1, 3}), {2, 0, 0, 0, 0, 0, 0, 1, 3}},
        {Words({3, 1, 1, 1, 1, 1, 1, 1, 1}), none},
        {Words({1, 2, 3, 1, 2, 3, 1, 2, 1}), {1, 2, 3, 1, 2, 3, 1, 0, 0}},
        {Words({1, -1, 3}), {1, 0, 0, 0, 0, 0, 0, 0, 0}},
        {Words({1, 2, 3, 1}) + "\x02", {1, 2, 3, 1, 0, 0, 0, 0, 0}},
        {"", none}};
    for (const auto& [bytes, levels] : cases) {
        ASSERT_TRUE(WriteFile(path, bytes));
        log.Clear();
        CTrophies t;
        t.Levels.assign(CTrophies::kCount, 2); // a previous player's
        const bool whole = bytes.size() == 36 && levels[8] == 3;
        EXPECT_EQ(t.Load(path), whole ? 1 : 0);
        EXPECT_EQ(t.Levels, levels);
        EXPECT_EQ(log.Text().rfind(" Warning! Unable to load trophies information\n", 0) == 0,
                  !whole)
            << log.Text();
    }
    // Written whole: nine words, and nothing left beside them.
    CTrophies t;
    t.Levels = {1, 3, 0, 2, 0, 0, 1, 1, 3};
    ASSERT_EQ(t.Save(path), 1);
    EXPECT_EQ(ReadFile(path), Words(t.Levels));
    EXPECT_FALSE(testsupport::FileExists(dir.Path("Trophies.tmp")));
    log.Clear();
    EXPECT_EQ(t.Save(dir.Path("No folder/Trophies.dat")), 0);
    EXPECT_NE(log.Text().find("Can't save trophies information!\n"), std::string::npos);
}

TEST(Trophies, DescriptionsKeepTheirLinesWithWindowsOrPlainLineEnds) {
    TempDir dir;
    CapturedLog log(dir);
    const std::string path = dir.Path("Trophies.txt");
    std::string text = "Header line\n", crlf;
    for (int i = 0; i < CTrophies::kDescriptionCount; ++i)
        text += i == 0 ? "Two\nlines\n#\n" : "Text " + std::to_string(i) + "\n# end\n";
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& bytes : {text, crlf}) {
        ASSERT_TRUE(WriteFile(path, bytes));
        CTrophies t;
        EXPECT_EQ(t.LoadDescriptions(path), 1);
        EXPECT_EQ(t.Descriptions[0][0], "Two\nlines\n");
        EXPECT_EQ(t.Descriptions[7][0], "Text 20\n");
        EXPECT_EQ(t.Descriptions[8][2], "Text 23\n");
    }

    // The end of the file before the last '#': what came before stays.
    ASSERT_TRUE(WriteFile(path, text.substr(0, text.rfind('#'))));
    CTrophies cut;
    EXPECT_EQ(cut.LoadDescriptions(path), 0);
    EXPECT_EQ(cut.Descriptions[8][2], "Text 23\n");
    EXPECT_NE(log.Text().find("Error loading Trophies description\n  in " + path + ", line"),
              std::string::npos);
    ASSERT_TRUE(WriteFile(path, "Header only"));
    EXPECT_EQ(cut.LoadDescriptions(path), 0);
    EXPECT_TRUE(cut.Descriptions[8][2].empty() && cut.Descriptions[7].size() == 1);
    log.Clear();
    EXPECT_EQ(CTrophies().LoadDescriptions(dir.Path("Missing.txt")), 0);
    EXPECT_TRUE(log.Text().empty()) << "a missing file is silent";
}

} // namespace
