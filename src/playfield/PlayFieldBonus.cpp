// Bonuses on the board: the board's share of a bonus that fires when its cap
// was destroyed (gem bar place, shake, sound, the Solidarity removals), and the
// requests the bonuses queue while they live (a gem arrived, destroy a cell, a
// bonus needs a new cap, time won, adviser time won, sounds).
#include <algorithm>
#include <cmath>

#include "audio/SoundBank.h"
#include "bonuses/BonusManager.h"
#include "effects/TerminatorManager.h"
#include "engine/Random.h"
#include "playfield/GemsBar.h"
#include "playfield/LevelRules.h"
#include "playfield/PlayField.h"

namespace {

// Shake of an exploding TNT or Flash: grows with the bonus level.
constexpr float kBlastShakeBase = 2.0f;
constexpr float kBlastShakePerLevel = 0.25f;
constexpr float kSolidarityShake = 2.25f;
constexpr float kRedirectShake = 0.75f;
// Seconds a re-homed bonus flies to its new cap, or a homeless one flies off.
constexpr float kRehomeTime = 0.5f;
// Counter of fired bonuses in the profile statistics.
constexpr int32_t kFiredBonusCounter = 5;

// The board's share of a Solidarity bonus: the caps its rays hit go.
void FireSolidarity(CPlayField& f, CBonus& b) {
    const int32_t level = b.Param;
    const int32_t fast = f.FastRemovals();

    // Level 3 first clears the block around the bonus's own cell.
    if (level >= 3 && f.Rows > 0 && f.Columns > 0) {
        const int32_t r0 = std::clamp(b.Row - 1, 0, f.Rows - 1);
        const int32_t r1 = std::clamp(b.Row + 1, 0, f.Rows - 1);
        const int32_t c0 = std::clamp(b.Column - 1, 0, f.Columns - 1);
        const int32_t c1 = std::clamp(b.Column + 1, 0, f.Columns - 1);
        for (int32_t r = r0; r <= r1; ++r)
            for (int32_t c = c0; c <= c1; ++c)
                if (CPlayField::IsResting(f.CapAt(c, r)))
                    f.RemoveSingleCell(c, r, fast);
    }

    // The caps of its colour; from level 2 steel and other special caps too.
    std::vector<CMatchCell> cells = f.RestingCells([&](const CCap& cap) {
        return cap.Colour == b.Colour || (level >= 2 && cap.Colour >= CCap::kFirstSpecialColour);
    });
    // Level 0 spares a third of them.
    if (level <= 0) {
        const size_t spared = cells.size() / 3;
        for (size_t k = 0; k < spared && !cells.empty(); ++k) {
            auto i = static_cast<size_t>(
                std::max(0.0f, std::floor(RandomFloat() * static_cast<float>(cells.size()))));
            i = std::min(i, cells.size() - 1);
            cells.erase(cells.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }

    std::vector<CBonusPoint> points;
    points.reserve(cells.size());
    for (const CMatchCell& cell : cells) {
        const CVector3 p = f.CellToWorld(cell.Column, cell.Row, true);
        points.push_back(CBonusPoint{p.X, p.Y});
    }
    std::vector<float> delays;
    b.SetTargets(points, delays);

    // Each cap goes when its ray arrives; the terminator waits until then and
    // plays no removal sound of its own.
    if (!f.Terminators.IsNull()) {
        for (size_t i = 0; i < cells.size(); ++i) {
            const CSharedPtr<CCap> cap = f.CapAt(cells[i].Column, cells[i].Row);
            if (!CPlayField::IsResting(cap))
                continue;
            CSharedPtr<CTerminator> t = f.Terminators->CreateTerminator(
                1, CMatchGroup::Single(cells[i].Column, cells[i].Row), cap->SpriteTexture(), fast);
            if (t.IsNull())
                continue;
            f.RemoveCap(*t, cap, CPlayField::kRemoveOrdinary);
            const float delay = i < delays.size() && std::isfinite(delays[i]) ? delays[i] : 0.0f;
            t->Time = -std::max(delay, 0.0f);
            f.CountRemovalStats(*t);
        }
    }

    if (level > 2)
        f.Shake.Add(kSolidarityShake);
    f.PlaySoundAt(ESound::Solidarity, b.Pos[0]);
}

} // namespace

void CPlayField::ActivateBonus(CSharedPtr<CBonus> bonus) {
    if (bonus.IsNull())
        return;
    CBonus& b = *bonus;
    const float x = b.Pos[0];
    switch (b.Kind) {
    case CBonus::kGem: {
        // The gems already on their way to the bar take the slots before it.
        int32_t flying = 0;
        if (!Bonuses.IsNull())
            for (const CSharedPtr<CBonus>& other : Bonuses->Bonuses)
                if (!other.IsNull() && other->Kind == CBonus::kGem &&
                    other->State == CBonus::kGemFlight)
                    ++flying;
        if (auto* gem = dynamic_cast<CBonusGem*>(&b); gem && !GemsBar.IsNull())
            GemsBar->GemTarget(gem->FlyTarget, b.Colour, flying + 1);
        PlaySoundAt(ESound::GemOut, x);
        MoveTimer = 0.0f;
        break;
    }
    case CBonus::kTnt:
        Shake.Add(static_cast<float>(b.Param) * kBlastShakePerLevel + kBlastShakeBase);
        PlaySoundAt(ESound::TNT, x);
        break;
    case CBonus::kFlash:
        Shake.Add(static_cast<float>(b.Param) * kBlastShakePerLevel + kBlastShakeBase);
        PlaySoundAt(ESound::Flash, x);
        break;
    case CBonus::kTime:
        PlaySoundAt(ESound::Clock, x);
        break;
    case CBonus::kAdviser:
        PlaySoundAt(ESound::AdviserGet, x);
        break;
    case CBonus::kScore:
        PlaySoundAt(ESound::Multiplier, x);
        break;
    case CBonus::kSolidarity:
        FireSolidarity(*this, b);
        break;
    default:
        break;
    }
    b.Fire();
    Counters.Add(1, kFiredBonusCounter);
}

void CPlayField::ApplyBonusRequests() {
    if (Bonuses.IsNull())
        return;
    // A copy: carrying a request out may change the bonus list, never the
    // requests of this frame.
    const std::vector<CBonusRequest> requests = Bonuses->Pending;
    for (const CBonusRequest& r : requests) {
        switch (r.Code) {
        case CBonusEvent::kGemArrived: {
            const int32_t colour = r.Source.IsNull() ? r.A : r.Source->Colour;
            if (!GemsBar.IsNull())
                GemsBar->AddGem(colour);
            if (!r.Source.IsNull())
                r.Source->State = CBonus::kGemTaken;
            --GemsToCollect;
            PlaySoundAt(ESound::GemBar, r.Source.IsNull() ? 0.0f : r.Source->Pos[0]);
            break;
        }
        case CBonusEvent::kDestroyCell:
            if (CPlayField::IsResting(CapAt(r.B, r.C)))
                RemoveSingleCell(r.B, r.C, FastRemovals());
            break;
        case CBonusEvent::kNeedsCap: {
            if (r.Source.IsNull())
                break;
            CSharedPtr<CCap> home = CapList.PickRandomFreeCap();
            if (home.IsNull()) {
                r.Source->FlyOut(kRehomeTime);
                break;
            }
            home->SetBonus(r.Source);
            r.Source->SetLayerFlag(1);
            const CVector3 p = home->Position + CVector3(Origin[0], Origin[1], Origin[2]);
            r.Source->FlyIn(p.X, p.Y, p.Z, home->Size, home->Column, home->Row, 1, kRehomeTime);
            break;
        }
        case CBonusEvent::kTimeWon:
            if (!LevelOver)
                QueueEvent(CFieldEvent::kTimeWon).Amount = CLevelRules::TimeBonusSeconds(r.A);
            break;
        case CBonusEvent::kAdviserTimeWon:
            if (!LevelOver) {
                Adviser.AddTime(1, CLevelRules::AdviserSeconds(r.A));
                ShowAllMoves();
                PlaySoundAt(ESound::AdviserAct, Adviser.DisplayX);
            }
            break;
        case CBonusEvent::kSolidarityRedirect:
            PlaySoundAt(ESound::SolidarityRedir, r.Value);
            Shake.Add(kRedirectShake);
            break;
        case CBonusEvent::kPlaced:
            PlaySoundAt(ESound::BonusDrop, r.Value);
            break;
        default:
            break;
        }
    }
}
