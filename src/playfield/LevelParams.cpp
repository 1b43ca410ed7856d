#include "playfield/LevelParams.h"

#include <algorithm>
#include <cmath>

#include "engine/Random.h"

namespace {

constexpr int32_t kAdviser = 5;
constexpr int32_t kScore = 6;
constexpr int32_t kSolidarity = 7;
// A Score draw is taken again at most this often (each retry needs a further
// draw below 0.75, so the bound is never reached in play).
constexpr int kMaxScoreRedraws = 64;

int32_t PickIndex(size_t n) {
    const auto i = static_cast<size_t>(std::floor(RandomFloat() * static_cast<float>(n)));
    return static_cast<int32_t>(std::min(i, n - 1));
}

} // namespace

CLevelParams::CLevelParams()
    : Speed(SpeedForLevel(1)), StepSeconds(UpgradeStepValue(0)), LevelTime(UpgradeTierValue(0)),
      BonusTiers(kBonusTypes, 0) {}

int32_t CLevelParams::TierOf(int32_t type) const {
    const int32_t i = type - kFirstBonusType;
    if (i < 0 || i >= static_cast<int32_t>(BonusTiers.size()))
        return -1;
    return BonusTiers[static_cast<size_t>(i)];
}

int32_t CLevelParams::Draw(int32_t longRow, int32_t& type, int32_t& level) const {
    std::vector<int32_t> candidates;
    if (longRow) {
        for (int32_t t : {kAdviser, kSolidarity})
            if (TierOf(t) >= 0)
                candidates.push_back(t);
    }
    const bool shortSet = candidates.empty();
    if (shortSet) {
        for (int32_t t = kFirstBonusType; t < kFirstBonusType + kBonusTypes; ++t)
            if (t != kAdviser && t != kSolidarity && TierOf(t) >= 0)
                candidates.push_back(t);
    }
    if (candidates.empty())
        return 0;
    int32_t pick = candidates[static_cast<size_t>(PickIndex(candidates.size()))];
    if (shortSet) {
        for (int n = 0; n < kMaxScoreRedraws && pick == kScore && RandomFloat() < 0.75f; ++n)
            pick = candidates[static_cast<size_t>(PickIndex(candidates.size()))];
    }
    type = pick;
    level = TierOf(pick);
    return 1;
}
