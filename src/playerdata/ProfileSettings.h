#pragma once
// One player profile: its folder name and the switches of its "\Settings.ini"
// (section "Main": Veteran, SingleTutorial, QuestTutorial; section "QuestTut":
// the ten tutorial tips already shown). The play field reads the switches as
// its tutorial record by index: 9 tips on, 10..19 the tips 1..10 seen.
#include <array>
#include <cstdint>
#include <string>

class CProfileSettings {
public:
    static constexpr int32_t kTips = 10;
    static constexpr int32_t kTipsOnSwitch = 9;
    static constexpr int32_t kFirstTipSwitch = 10;

    explicit CProfileSettings(std::string name = std::string());

    // Reads folder + "\Settings.ini" (defaults for what is missing; a missing
    // file is created empty, never through a link); 1.
    int32_t Load(const std::string& profileFolder);
    // Writes every switch to folder + "\Settings.ini", keeping the file's other
    // keys and sections; a file that cannot be read (too large, a link to
    // nothing) is replaced by a new one. False when it could not be written.
    bool Save(const std::string& profileFolder) const;
    // Every tip "not shown yet".
    void ClearTutorialFlags() { Tips.fill(0); }

    // A switch of the tutorial record (7 Veteran, 8 SingleTutorial,
    // 9 QuestTutorial, 10..19 the tips); 0 for any other index.
    int32_t Switch(int32_t index) const;
    void SetSwitch(int32_t index, int32_t value);

    std::string Name;
    int32_t Veteran = 0;
    int32_t SingleTutorial = 1;
    int32_t QuestTutorial = 1;
    // Base, Gem, Wrong, Timer, Sandbox, Bonus, Totem, Lock, Steel, Shop.
    std::array<int32_t, kTips> Tips{};
};
