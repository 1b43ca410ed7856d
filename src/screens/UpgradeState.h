#pragma once
// What the player owns of the shop's sixteen upgrade items: per item the
// bought tier, the highest tier on offer at the quest level reached, the
// item's kind (level property, Power Totem or bonus), the object it stands for
// and its number of tiers; the Golden Stars held; and the items' description
// texts ("Shop.txt"). A tier costs one Golden Star and sells back for one.
//
// Tiers: -1 the totem or bonus is absent from play, 0 present at its base
// tier (level properties always, a totem or bonus once it was offered), 1 up
// to the tier count bought. The tiers and the stars are what a quest save
// keeps; the offers are worked out again at every level start.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CLevelParams;

class CUpgradeState {
public:
    static constexpr int32_t kItems = 16;
    static constexpr int32_t kTextTables = 3;
    static constexpr int32_t kMaxTiers = 4;
    // Item kinds.
    static constexpr int32_t kLevelProperty = 0;
    static constexpr int32_t kTotem = 1;
    static constexpr int32_t kBonus = 2;
    // The level properties' items.
    static constexpr int32_t kItemLevelTime = 6;
    static constexpr int32_t kItemSeconds = 7;
    static constexpr int32_t kItemCount = 8;
    static constexpr int32_t kFirstBonusItem = 10;
    static constexpr int32_t kBonusItems = 6;
    static constexpr int32_t kTotemColours = 7;
    // A level's gem count is the count item's tier plus this.
    static constexpr int32_t kBaseCount = 4;

    CUpgradeState();

    // A new quest: nothing owned but the level properties at their base tier.
    void ResetForNewQuest();
    // The offers at quest `level`: the highest tier whose first level has been
    // reached; a totem or bonus not yet reached is not offered (-1), a level
    // property offers tier 0.
    void SetOfferedTiers(int32_t level);
    // The level properties and the bonus tiers into the level's parameters.
    void ApplyToLevel(CLevelParams& params) const;
    // Each totem item's tier into its colour's entry of the colour-indexed
    // table.
    void WriteTiers(std::array<int32_t, kTotemColours>& colourTiers) const;
    // Tiers taken from a save: each kept within -1..its tier count (the level
    // properties within 0..), stars at least 0.
    void ClampTiers();
    // The item texts; 1 when every text was read, 0 when the file is missing
    // or ends early (the texts read so far stay, the rest stay empty; the
    // reason goes to the object log).
    int32_t LoadTexts(const char* path);

    // The text of `table` for the item's entry `index` (tier index - 1 + 1);
    // empty outside the tables.
    const std::string& Text(int32_t table, int32_t item, int32_t index) const;
    // The first quest level at which the item's tier is offered (tier 1 up);
    // 0 for a tier the item does not have.
    static int32_t FirstLevel(int32_t item, int32_t tier);
    static bool IsItem(int32_t item) { return item >= 0 && item < kItems; }

    std::vector<int32_t> tier;
    std::vector<int32_t> offered;
    std::vector<int32_t> kind;
    std::vector<int32_t> object;
    std::vector<int32_t> tierCount;
    int32_t stars = 0;
    // texts[table][item][tier + 1]
    std::array<std::vector<std::vector<std::string>>, kTextTables> texts;
};
