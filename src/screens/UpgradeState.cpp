#include "screens/UpgradeState.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/ObjectLog.h"
#include "platform/os/Path.h"
#include "playfield/LevelParams.h"
#include "playfield/LevelRules.h"

namespace {

struct ItemRow {
    int32_t kind;
    int32_t object;
    int32_t tiers;
    int32_t from[CUpgradeState::kMaxTiers]; // first level of tiers 1..4 (0: none)
};

// Items 0..15: what each stands for and from which quest level each tier is
// for sale.
constexpr ItemRow kItemTable[CUpgradeState::kItems] = {
    {CUpgradeState::kTotem, 6, 4, {9, 17, 27, 39}},         // violet
    {CUpgradeState::kTotem, 5, 4, {11, 19, 26, 36}},        // white
    {CUpgradeState::kTotem, 3, 3, {21, 29, 37, 0}},         // blue
    {CUpgradeState::kTotem, 1, 4, {7, 18, 23, 31}},         // yellow
    {CUpgradeState::kTotem, 4, 4, {6, 14, 28, 35}},         // orange
    {CUpgradeState::kTotem, 2, 4, {4, 15, 24, 32}},         // red
    {CUpgradeState::kLevelProperty, 0, 4, {3, 16, 26, 38}}, // level time
    {CUpgradeState::kLevelProperty, 1, 4, {5, 15, 25, 37}}, // seconds value
    {CUpgradeState::kLevelProperty, 2, 4, {2, 11, 20, 32}}, // gem count
    {CUpgradeState::kTotem, 0, 4, {10, 19, 30, 39}},        // green
    {CUpgradeState::kBonus, 2, 3, {2, 13, 28, 0}},          // TNT
    {CUpgradeState::kBonus, 6, 3, {8, 17, 30, 0}},          // Score
    {CUpgradeState::kBonus, 4, 3, {7, 22, 34, 0}},          // Time
    {CUpgradeState::kBonus, 3, 3, {5, 9, 21, 0}},           // Flash
    {CUpgradeState::kBonus, 7, 3, {3, 18, 29, 0}},          // Solidarity
    {CUpgradeState::kBonus, 5, 3, {12, 23, 33, 0}},         // Adviser
};

// The level's bonus-tier slots (bonus type - 2) and the item selling each.
constexpr int32_t kBonusItemOfType[CLevelParams::kBonusTypes] = {10, 13, 12, 15, 11, 14};

constexpr size_t kTextLineBytes = 4095 + 2; // a line, its end and the terminator

size_t At(int32_t i) {
    return static_cast<size_t>(i);
}

} // namespace

CUpgradeState::CUpgradeState()
    : tier(kItems, -1), offered(kItems, -1), kind(kItems), object(kItems), tierCount(kItems) {
    for (int32_t i = 0; i < kItems; ++i) {
        kind[At(i)] = kItemTable[i].kind;
        object[At(i)] = kItemTable[i].object;
        tierCount[At(i)] = kItemTable[i].tiers;
    }
    for (auto& table : texts) {
        table.resize(kItems);
        for (int32_t i = 0; i < kItems; ++i)
            table[At(i)].assign(At(tierCount[At(i)] + 2), std::string());
    }
}

void CUpgradeState::ResetForNewQuest() {
    tier.assign(kItems, -1);
    tier[kItemLevelTime] = tier[kItemSeconds] = tier[kItemCount] = 0;
}

int32_t CUpgradeState::FirstLevel(int32_t item, int32_t t) {
    if (!IsItem(item) || t < 1 || t > kItemTable[item].tiers)
        return 0;
    return kItemTable[item].from[t - 1];
}

void CUpgradeState::SetOfferedTiers(int32_t level) {
    for (int32_t i = 0; i < kItems; ++i) {
        int32_t best = kind[At(i)] != kLevelProperty ? -1 : 0;
        for (int32_t t = 1; t <= tierCount[At(i)]; ++t)
            if (level >= FirstLevel(i, t))
                best = t;
        offered[At(i)] = best;
    }
}

void CUpgradeState::ApplyToLevel(CLevelParams& params) const {
    params.GemCeiling = tier[kItemCount] + kBaseCount;
    params.StepSeconds = CLevelRules::UpgradeStepValue(tier[kItemSeconds]);
    params.LevelTime = CLevelRules::UpgradeTierValue(tier[kItemLevelTime]);
    params.BonusTiers.resize(CLevelParams::kBonusTypes);
    for (int32_t k = 0; k < CLevelParams::kBonusTypes; ++k)
        params.BonusTiers[At(k)] = tier[At(kBonusItemOfType[k])];
}

void CUpgradeState::WriteTiers(std::array<int32_t, kTotemColours>& colourTiers) const {
    for (int32_t i = 0; i < kItems; ++i)
        if (kind[At(i)] == kTotem && object[At(i)] >= 0 && object[At(i)] < kTotemColours)
            colourTiers[At(object[At(i)])] = tier[At(i)];
}

void CUpgradeState::ClampTiers() {
    for (int32_t i = 0; i < kItems; ++i)
        tier[At(i)] =
            std::clamp(tier[At(i)], kind[At(i)] == kLevelProperty ? 0 : -1, tierCount[At(i)]);
    stars = std::max(stars, 0);
}

const std::string& CUpgradeState::Text(int32_t table, int32_t item, int32_t index) const {
    static const std::string kNone;
    if (table < 0 || table >= kTextTables || !IsItem(item))
        return kNone;
    const auto& list = texts[At(table)][At(item)];
    return index >= 0 && At(index) < list.size() ? list[At(index)] : kNone;
}

int32_t CUpgradeState::LoadTexts(const char* path) {
    FILE* f = os::Open(path, "rb");
    if (!f) {
        LogObject("File");
        LogObject(path);
        LogObject("not found!\n");
        return 0;
    }
    std::vector<char> buffer(kTextLineBytes);
    int32_t lineNumber = 0;
    auto next = [&]() {
        if (!std::fgets(buffer.data(), static_cast<int>(buffer.size()), f))
            return false;
        ++lineNumber;
        // Texts keep their line ends; a Windows line end becomes '\n'.
        const size_t n = std::strlen(buffer.data());
        if (n >= 2 && buffer[n - 2] == '\r' && buffer[n - 1] == '\n') {
            buffer[n - 2] = '\n';
            buffer[n - 1] = '\0';
        }
        return true;
    };
    auto fail = [&](const std::string& reason) {
        std::fclose(f);
        LogObject("Error loading description text\n");
        LogFileFault(path, lineNumber, reason);
        return 0;
    };
    if (!next())
        return fail("the file is empty");
    for (int32_t i = 0; i < kItems; ++i) {
        const size_t entries = texts[0][At(i)].size();
        for (size_t j = 0; j < entries; ++j) {
            for (auto& table : texts) {
                std::string text;
                for (;;) {
                    if (!next())
                        return fail("the file ends inside the texts of item " + std::to_string(i));
                    if (buffer[0] == '#')
                        break;
                    text += buffer.data();
                }
                table[At(i)][j] = std::move(text);
            }
        }
    }
    std::fclose(f);
    return 1;
}
