#pragma once
// The shipped level files as the tests see them: where they lie in the source
// tree, how they load, and the rules the game applies around them (colours in
// play, steel and chains by level, hard mode) so that a test can work out what
// a level really plays like.
#include <cstdint>
#include <string>
#include <vector>

#include "playfield/LevelDesc.h"

namespace levels {

constexpr int32_t kQuestLevels = 41;
constexpr int32_t kStages = 5;
// Level time without shop upgrades and the gems the board may hold at once.
constexpr double kBaseLevelSeconds = 240.0;
constexpr int32_t kBaseGemCeiling = 4;
constexpr float kGemRatio = 0.33334f;

// "<source>/data/Data/Lvl/" + name.
std::string LevelPath(const std::string& name);
// "l<level>.lvl".
std::string LevelFileName(int32_t level);

// One level file read through the game's reader, with whatever the reader
// wrote to the object log while reading it.
struct LoadedLevel {
    std::string Name;
    int32_t Level = 0;  // quest level, 0 for the totem level
    int32_t Stage = 0;  // 1..5, 0 for the totem level
    int32_t Result = 0; // LoadLevelFile's result
    std::string Log;
    CLevelDesc Desc;
    std::vector<std::string> Comments; // the text of every '#' line, in order
};
LoadedLevel LoadLevel(const std::string& name, int32_t level);
// l1 .. l41 in order.
const std::vector<LoadedLevel>& QuestLevels();
const LoadedLevel& TotemLevel();
// The quest levels in order, then the totem level.
std::vector<const LoadedLevel*> AllLevels();

// The values the field starts a level with before the file is applied.
struct LevelSettings {
    std::vector<int32_t> Colours;
    float SteelProbability = 0.0f;
    int32_t SteelLimit = 0;
    float LockProbability = 0.0f;
    int32_t LockLimit = 0;
    int32_t GemsCount = 5; // the field's own default when a file gives none
};
// Colours, steel and chains the game derives from the level number alone.
LevelSettings DefaultSettings(int32_t level, bool hard);
// Those with the file's SET, STEEL, LOCK and GEMSCOUNT laid over them.
LevelSettings EffectiveSettings(const CLevelDesc& desc, int32_t level, bool hard);

// Colours a level can show in normal mode: the board digits and list colours
// must come from these.
bool InPlay(const LevelSettings& settings, int32_t colour);

// Counts of a code character over one kind of rows.
int32_t CountCode(const CLevelDesc::Rows& rows, char code);
// Cells whose LOCKS character is a chain digit '1'..'9'.
int32_t CountChains(const CLevelDesc& desc);

} // namespace levels
