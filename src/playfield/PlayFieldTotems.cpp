// What the totems' powers do to the board. The panel animates the totems and
// reports each effect as an action record; this pass carries the records of
// one frame out in order and answers the launch records with their targets.
#include <algorithm>
#include <cmath>

#include "audio/SoundBank.h"
#include "bonuses/BonusManager.h"
#include "effects/TerminatorManager.h"
#include "engine/Random.h"
#include "playfield/LevelRules.h"
#include "playfield/PlayField.h"

namespace {

// Counter of launched totem powers in the profile statistics.
constexpr int32_t kLaunchCounter = 6;
constexpr int32_t kPointsCounter = 0;
constexpr int32_t kLastColour = 6;
// Red blast: the disc around a cell, or the 2 x 2 block right and below it.
constexpr float kRedDiscRadius = 1.1f;
constexpr float kRedBlockRadius = 0.75f;
// Draws of a random pick before the remaining positions are taken in order.
constexpr int32_t kDrawsPerPick = 64;

// A resting cap that may receive a gem of the green power.
bool TakesGem(const CCap& cap) {
    return cap.Colour < CCap::kFirstSpecialColour && cap.Gem == 0 && cap.Bonus.IsNull();
}

// k distinct positions of 0..n-1 in ascending order: every position when k is
// n, else random draws, a position already taken being drawn again. Should the
// draws keep hitting taken positions, the first free ones complete the pick.
std::vector<int32_t> PickPositions(int32_t k, int32_t n) {
    std::vector<int32_t> picked;
    if (k <= 0 || n <= 0)
        return picked;
    if (k >= n) {
        for (int32_t i = 0; i < n; ++i)
            picked.push_back(i);
        return picked;
    }
    for (int32_t draws = 0; static_cast<int32_t>(picked.size()) < k && draws < kDrawsPerPick * k;
         ++draws) {
        const float f = std::floor(RandomFloat() * static_cast<float>(n));
        const int32_t i = std::clamp(static_cast<int32_t>(std::max(f, 0.0f)), 0, n - 1);
        auto at = std::lower_bound(picked.begin(), picked.end(), i);
        if (at == picked.end() || *at != i)
            picked.insert(at, i);
    }
    for (int32_t i = 0; static_cast<int32_t>(picked.size()) < k && i < n; ++i) {
        auto at = std::lower_bound(picked.begin(), picked.end(), i);
        if (at == picked.end() || *at != i)
            picked.insert(at, i);
    }
    return picked;
}

// The x at which a cap is drawn (its position plus the board offset).
float DrawnX(const CCap& cap) {
    return cap.Position.X + cap.Offset.X;
}

// Board cell index, clamped to 0..last, from a float coordinate of any size.
int32_t ClampIndex(float v, int32_t last) {
    if (!(v > 0.0f))
        return 0;
    if (v >= static_cast<float>(last))
        return last;
    return static_cast<int32_t>(v);
}

struct HitSums {
    int32_t Hits = 0;
    float XSum = 0.0f;
    void Add(float x) {
        ++Hits;
        XSum += x;
    }
};

void ApplyGreenStart(CPlayField& f, const CGreenTotem* green) {
    const int32_t count = green ? green->Tier : 0;
    const int32_t level = green ? green->Level : 0;

    // Level 3: every chained cap without a gem loses all its chains.
    if (level == 3 && !f.Terminators.IsNull()) {
        f.ForEachRestingCap([&](int32_t c, int32_t r, const CSharedPtr<CCap>& cap) {
            if (cap->Gem != 0 || cap->LockCount <= 0)
                return;
            CSharedPtr<CTerminator> t = f.Terminators->CreateTerminator(
                1, CMatchGroup::Single(c, r), cap->SpriteTexture(), 0);
            if (t.IsNull())
                return;
            f.RemoveCap(*t, cap, CPlayField::kStripChain);
            f.Terminators->QueueSound(t);
            f.CountRemovalStats(*t);
        });
    }

    // Every gem on the board is collected; at level 3 whatever its chains.
    std::vector<CTotemPoint> collected;
    std::vector<CSharedPtr<CTerminator>> collectors;
    if (!f.Terminators.IsNull()) {
        f.ForEachRestingCap([&](int32_t c, int32_t r, const CSharedPtr<CCap>& cap) {
            if (cap->Colour >= CCap::kFirstSpecialColour || cap->Gem == 0)
                return;
            CSharedPtr<CTerminator> t = f.Terminators->CreateTerminator(
                1, CMatchGroup::Single(c, r), cap->SpriteTexture(), 0);
            if (t.IsNull())
                return;
            const CVector3 p = f.CellToWorld(c, r, true);
            collected.push_back(CTotemPoint{p.X, p.Y});
            f.RemoveCap(*t, cap,
                        level == 3 ? CPlayField::kRemoveAlways : CPlayField::kRemoveOrdinary);
            // The sound comes when the totem's ray reaches the gem.
            t->SoundQueued = 0;
            collectors.push_back(t);
            f.CountRemovalStats(*t);
            if (level == 3 && f.IsOnBoard(c, r)) {
                CSharedPtr<CCap>& cell = f.Board[static_cast<size_t>(r)][static_cast<size_t>(c)];
                if (cell == cap)
                    cell = CSharedPtr<CCap>();
            }
        });
    }

    // New gems for caps that carry nothing, no more than the level still has.
    const std::vector<CMatchCell> eligible = f.RestingCells(TakesGem);
    const auto e = static_cast<int32_t>(eligible.size());
    const int32_t k = std::min({CLevelRules::GreenTargetCount(count, level), e, f.GemPool});
    std::vector<CTotemPoint> targets;
    std::vector<CTotemCell> targetCells;
    for (int32_t i : PickPositions(k, e)) {
        const CMatchCell& cell = eligible[static_cast<size_t>(i)];
        const CVector3 p = f.CellToWorld(cell.Column, cell.Row, true);
        targets.push_back(CTotemPoint{p.X, p.Y});
        targetCells.push_back(CTotemCell{cell.Column, cell.Row});
    }

    std::vector<float> delays;
    f.Totems.SetGreenTarget(collected, targets, targetCells, delays);
    for (size_t i = 0; i < collectors.size(); ++i) {
        const float d = i < delays.size() ? delays[i] : 0.0f;
        collectors[i]->Time = d > 0.0f && std::isfinite(d) ? -d : 0.0f;
    }
}

void ApplyGreenArrivals(CPlayField& f, CGreenTotem* green) {
    if (!green)
        return;
    const bool any = !green->Unigems.empty();
    for (const CSharedPtr<CUnigem>& effect : green->Unigems) {
        if (effect.IsNull())
            continue;
        const CSharedPtr<CCap> cap = f.CapAt(effect->Column, effect->Row);
        if (!CPlayField::IsResting(cap) || !TakesGem(*cap) || f.Bonuses.IsNull())
            continue;
        CSharedPtr<CBonus> gem;
        f.Bonuses->CreateGem(gem, cap->Colour, 1);
        if (gem.IsNull())
            continue;
        f.CapList.SetGemFlag(cap, 1);
        const CVector3 p = cap->Position + CVector3(f.Origin[0], f.Origin[1], f.Origin[2]);
        gem->Place(p.X, p.Y, p.Z, cap->Size, effect->Column, effect->Row);
        cap->SetBonus(gem);
        effect->ClearEffectList();
        --f.GemPool;
    }
    green->Unigems.clear();
    if (any)
        f.PlaySound(ESound::GemIn);
}

void ApplyRed(CPlayField& f, const CTotemAction& a) {
    const bool block = a.value == 1;
    const float cx = static_cast<float>(a.column) + (block ? 0.5f : 0.0f);
    const float cy = static_cast<float>(a.row) + (block ? 0.5f : 0.0f);
    const float radius = block ? kRedBlockRadius : kRedDiscRadius;
    if (f.Rows > 0 && f.Columns > 0) {
        const float fx = std::floor(cx), fy = std::floor(cy);
        // A centre far off the board leaves an empty range.
        if (fx + 1.0f >= 0.0f && fy + 1.0f >= 0.0f &&
            fx - 1.0f <= static_cast<float>(f.Columns - 1) &&
            fy - 1.0f <= static_cast<float>(f.Rows - 1)) {
            const int32_t r0 = ClampIndex(fy - 1.0f, f.Rows - 1);
            const int32_t r1 = ClampIndex(fy + 1.0f, f.Rows - 1);
            const int32_t c0 = ClampIndex(fx - 1.0f, f.Columns - 1);
            const int32_t c1 = ClampIndex(fx + 1.0f, f.Columns - 1);
            for (int32_t r = r0; r <= r1; ++r)
                for (int32_t c = c0; c <= c1; ++c) {
                    const float dr = static_cast<float>(r) - cy;
                    const float dc = static_cast<float>(c) - cx;
                    if (dr * dr + dc * dc <= radius * radius &&
                        CPlayField::IsResting(f.CapAt(c, r)))
                        f.RemoveSingleCell(c, r, f.FastRemovals());
                }
        }
    }
    f.Shake.Add(static_cast<float>(a.value - 1) * 0.5f + 1.25f);
    f.PlaySoundAt(ESound::TotemRed2, f.CellToWorld(a.column, a.row, true).X);
}

void ApplyBlue(CPlayField& f, const CTotemAction& a, HitSums& hits) {
    if (a.value != 0) {
        // The start of the power: it aims at every steel cap.
        std::vector<CTotemPoint> points;
        std::vector<CTotemCell> cells;
        for (const CMatchCell& cell : f.RestingCells(
                 [](const CCap& cap) { return cap.Colour >= CCap::kFirstSpecialColour; })) {
            const CVector3 p = f.CellToWorld(cell.Column, cell.Row, true);
            points.push_back(CTotemPoint{p.X, p.Y});
            cells.push_back(CTotemCell{cell.Column, cell.Row});
        }
        f.Totems.SetBlueTarget(points, cells);
        if (a.value == 3) {
            // No more steel for the rest of the level.
            f.SteelProbability = 0.0f;
            f.SteelLimit = 0;
            f.PlaySound(ESound::TotemBlue3);
        }
        return;
    }
    const CSharedPtr<CCap> cap = f.CapAt(a.column, a.row);
    if (!CPlayField::IsResting(cap))
        return;
    const float x = DrawnX(*cap);
    f.RemoveSingleCell(a.column, a.row, f.FastRemovals());
    f.Shake.Add(a.spread > 0.0f ? 0.25f : 0.75f);
    hits.Add(x);
}

void ApplyWhite(CPlayField& f, const CTotemAction& a, HitSums& hits) {
    if (a.value > 0) {
        // The start: up to that many landed caps to repaint.
        const std::vector<CMatchCell> landed = f.RestingCells([](const CCap&) { return true; });
        const auto n = static_cast<int32_t>(landed.size());
        std::vector<CTotemPoint> points;
        std::vector<CTotemCell> cells;
        for (int32_t i : PickPositions(std::min(a.value, n), n)) {
            const CMatchCell& cell = landed[static_cast<size_t>(i)];
            const CVector3 p = f.CellToWorld(cell.Column, cell.Row, true);
            points.push_back(CTotemPoint{p.X, p.Y});
            cells.push_back(CTotemCell{cell.Column, cell.Row});
        }
        f.Totems.SetWhiteTarget(points, cells);
        return;
    }
    if (a.value < 0) {
        // The paint has dried: look for rows once more.
        f.RecheckBoardFlag = 1;
        return;
    }
    const CSharedPtr<CCap> cap = f.CapAt(a.column, a.row);
    if (!CPlayField::IsResting(cap))
        return;
    int32_t colour = a.value2;
    if (colour < 0 || colour > kLastColour) {
        // A colour that does not exist paints one of the colours in play.
        if (f.Colours.empty())
            return;
        const float n = static_cast<float>(f.Colours.size());
        const auto i = static_cast<size_t>(std::max(0.0f, std::floor(RandomFloat() * n)));
        colour = f.Colours[std::min(i, f.Colours.size() - 1)];
        if (colour < 0 || colour > kLastColour)
            return;
    }
    f.CapList.RecolourCap(cap, colour);
    if (cap->Gem != 0 && !f.Bonuses.IsNull()) {
        // The gem takes the new colour: a gem of that colour replaces it.
        if (!cap->Bonus.IsNull())
            f.Bonuses->RemoveBonus(cap->Bonus);
        cap->ClearBonus();
        CSharedPtr<CBonus> gem;
        f.Bonuses->CreateGem(gem, colour, 1);
        if (!gem.IsNull()) {
            const CVector3 p = cap->Position + CVector3(f.Origin[0], f.Origin[1], f.Origin[2]);
            gem->Place(p.X, p.Y, p.Z, cap->Size, a.column, a.row);
            cap->SetBonus(gem);
        }
    } else if (!cap->Bonus.IsNull()) {
        // Any other bonus keeps riding on the cap in its new colour.
        SetBonusColour(*cap->Bonus, colour);
    }
    hits.Add(DrawnX(*cap));
}

void ApplyViolet(CPlayField& f, const CTotemAction& a) {
    if (f.Bonuses.IsNull())
        return;
    CSharedPtr<CBonus> bonus;
    f.Bonuses->CreateBonus(bonus, a.bonusType, a.column, 1, 1);
    // A type the bonuses do not know gives nothing.
    if (bonus.IsNull())
        return;
    bonus->CreatedInPlay = 1;
    for (int i = 0; i < 3; ++i) {
        bonus->Pos[i] = a.fromPoint[i];
        bonus->Target[i] = a.toPoint[i];
    }
    bonus->SetZOrder(a.row);
    // It arrives at full size and fully shown.
    bonus->FarScale = 1.0f;
    bonus->FarAlpha = 2.0f;
    const float time = a.flightTime > 0.0f && std::isfinite(a.flightTime) ? a.flightTime : 0.001f;
    bonus->Pop(time);
}

} // namespace

void CPlayField::ApplyTotemActions() {
    HitSums blue, white;
    // A copy: the records of this frame stay as the panel produced them.
    const std::vector<CTotemAction> actions = Totems.Actions;
    for (const CTotemAction& a : actions) {
        switch (a.kind) {
        case CTotemAction::kLaunched:
            Counters.Add(1, kLaunchCounter);
            break;
        case CTotemAction::kGreen: {
            auto* green = dynamic_cast<CGreenTotem*>(Totems.Places[0].Get());
            if (a.value == 0)
                ApplyGreenStart(*this, green);
            else
                ApplyGreenArrivals(*this, green);
            break;
        }
        case CTotemAction::kYellow: {
            const int32_t points = CLevelRules::YellowPoints(a.column, a.row);
            QueueEvent(CFieldEvent::kRemovalFinished, points);
            Counters.AddToSets(points, kPointsCounter);
            if (a.column >= 2) {
                PlaySound(ESound::TotemYellow2);
                SetDuneActive(true);
            }
            break;
        }
        case CTotemAction::kRed:
            ApplyRed(*this, a);
            break;
        case CTotemAction::kBlue:
            ApplyBlue(*this, a, blue);
            break;
        case CTotemAction::kOrange:
            QueueEvent(CFieldEvent::kTimeWon).Amount = CLevelRules::OrangeTime(a.value2, a.value);
            break;
        case CTotemAction::kWhite:
            ApplyWhite(*this, a, white);
            break;
        case CTotemAction::kViolet:
            ApplyViolet(*this, a);
            break;
        default:
            break;
        }
    }
    if (blue.Hits > 0)
        PlaySoundAt(ESound::TotemBlue2, blue.XSum / static_cast<float>(blue.Hits));
    if (white.Hits > 0)
        PlaySoundAt(ESound::TotemWhite2, white.XSum / static_cast<float>(white.Hits));
}
