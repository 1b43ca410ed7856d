#include "LevelCatalog.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "playfield/LevelRules.h"
#include "support/CapturedLog.h"

namespace levels {

namespace {

// The text after '#' of every line that is a comment from its first non-blank.
std::vector<std::string> CommentLines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        const size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line[first] == '#')
            out.push_back(line.substr(first + 1));
        start = end + 1;
    }
    return out;
}

} // namespace

std::string LevelPath(const std::string& name) {
    return std::string(GV_SOURCE_DIR) + "/data/Data/Lvl/" + name;
}

std::string LevelFileName(int32_t level) { return "l" + std::to_string(level) + ".lvl"; }

LoadedLevel LoadLevel(const std::string& name, int32_t level) {
    LoadedLevel out;
    out.Name = name;
    out.Level = level;
    if (level > 0) {
        int32_t inStage = 0;
        CLevelRules::SplitLevel(level, out.Stage, inStage);
    }
    const std::string path = LevelPath(name);
    {
        // The reader reports into the object log: give it a file of its own.
        const testsupport::CapturedLog log;
        out.Result = LoadLevelFile(out.Desc, path);
        out.Log = log.Text();
    }
    out.Comments = CommentLines(testsupport::ReadFile(path));
    return out;
}

const std::vector<LoadedLevel>& QuestLevels() {
    static const std::vector<LoadedLevel> all = [] {
        std::vector<LoadedLevel> v;
        for (int32_t l = 1; l <= kQuestLevels; ++l)
            v.push_back(LoadLevel(LevelFileName(l), l));
        return v;
    }();
    return all;
}

const LoadedLevel& TotemLevel() {
    static const LoadedLevel totem = LoadLevel("Totem.lvl", 0);
    return totem;
}

std::vector<const LoadedLevel*> AllLevels() {
    std::vector<const LoadedLevel*> v;
    for (const LoadedLevel& l : QuestLevels())
        v.push_back(&l);
    v.push_back(&TotemLevel());
    return v;
}

LevelSettings DefaultSettings(int32_t level, bool hard) {
    LevelSettings s;
    const float f = hard ? 1.5f : 1.0f;
    s.Colours.push_back(0);
    if (level > 3 || hard)
        s.Colours.push_back(1);
    for (int32_t c = 2; c <= 5; ++c)
        s.Colours.push_back(c);
    if (level > 8 || hard)
        s.Colours.push_back(6);
    if (level >= 14) {
        s.SteelProbability = static_cast<float>(level - 13) * f * 0.001f + 0.005f;
        s.SteelLimit = static_cast<int32_t>(std::floor(f * 0.1f * static_cast<float>(level - 13))) + 1;
    }
    if (level >= 6) {
        s.LockProbability = static_cast<float>(level - 5) * f * 0.001f + 0.0025f;
        s.LockLimit = static_cast<int32_t>(std::floor(f * 0.075f * static_cast<float>(level - 5))) + 1;
    }
    return s;
}

LevelSettings EffectiveSettings(const CLevelDesc& desc, int32_t level, bool hard) {
    LevelSettings s = DefaultSettings(level, hard);
    if (!desc.IsUsable())
        return s;
    if (!desc.Set.empty())
        s.Colours = desc.Set;
    if (desc.SteelLimit >= 0) {
        s.SteelProbability = desc.SteelProbability * (hard ? 1.25f : 1.0f);
        s.SteelLimit = hard ? desc.SteelLimit * 2 / 3 : desc.SteelLimit;
    }
    if (desc.LockLimit >= 0) {
        s.LockProbability = desc.LockProbability * (hard ? 1.25f : 1.0f);
        s.LockLimit = hard ? desc.LockLimit * 2 / 3 : desc.LockLimit;
    }
    if (desc.GemsCount >= 0)
        s.GemsCount = desc.GemsCount;
    return s;
}

bool InPlay(const LevelSettings& settings, int32_t colour) {
    return std::find(settings.Colours.begin(), settings.Colours.end(), colour) != settings.Colours.end();
}

int32_t CountCode(const CLevelDesc::Rows& rows, char code) {
    int32_t n = 0;
    for (const std::string& row : rows)
        n += static_cast<int32_t>(std::count(row.begin(), row.end(), code));
    return n;
}

int32_t CountChains(const CLevelDesc& desc) {
    int32_t n = 0;
    for (const std::string& row : desc.Locks)
        for (char ch : row)
            n += (ch >= '1' && ch <= '9') ? 1 : 0;
    return n;
}

} // namespace levels
