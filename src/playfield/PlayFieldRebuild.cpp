// The board without moves is not shuffled in place: its caps tremble, then
// fall off the bottom, and the next refill builds a new board in which the
// fixed caps come back. The same fall-off without trembling restarts the board
// when a tutorial tip asks for it and clears it when a level is abandoned.
#include <algorithm>
#include <cmath>

#include "bonuses/AdviserInterface.h"
#include "bonuses/Bonus.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "engine/Random.h"
#include "playerdata/ProfileSettings.h"
#include "playfield/CapSlot.h"
#include "playfield/PlayField.h"

namespace {

constexpr int32_t kFallRows = 10;
constexpr float kShortestMotion = 0.001f;
// Share of a cap's size by which it trembles either way.
constexpr float kTrembleAmount = 0.3f;
// The tutorial tip that restarts the board when it is closed.
constexpr int32_t kRestartTip = 7;
// The invalid-move tip, and how often it is shown before level 1 remembers it.
constexpr int32_t kInvalidMoveTip = 3;
constexpr int32_t kInvalidMoveTipLimit = 3;

float FallTime(float height, float g) {
    const float t = std::sqrt(std::fabs(2.0f * height / g));
    return (t >= kShortestMotion && std::isfinite(t)) ? t : kShortestMotion;
}

CSandbox* SandboxOf(const CPlayField& field) {
    if (field.Dune.IsNull() || field.Dune->Sandbox.IsNull())
        return nullptr;
    return field.Dune->Sandbox.Get();
}

} // namespace

void CPlayField::RebuildBoard(float delay, int32_t pathKeys) {
    // A path needs a start and an end key, and no key may last zero seconds.
    const int32_t keys = std::max(pathKeys, 2);
    const float wait = delay > 0.0f && std::isfinite(delay) ? delay : 0.0f;
    const float keyTime = std::max(wait / static_cast<float>(keys - 1), kShortestMotion);
    const float g = Motion ? Motion->FallAcceleration : 0.0f;

    SetActive(true);

    RebuildRecords.clear();
    if (GameMode == 0)
        RebuildRecords.assign(static_cast<size_t>(Rows),
                              std::vector<CRebuildRecord>(static_cast<size_t>(Columns)));
    if (!CapSlot.IsNull())
        CapSlot->Clear();

    bool remembered = false;
    for (int32_t c = 0; c < Columns; ++c) {
        for (int32_t r = 0; r < Rows; ++r) {
            if (!IsOnBoard(c, r))
                continue;
            CSharedPtr<CCap>& cell = Board[static_cast<size_t>(r)][static_cast<size_t>(c)];
            if (cell.IsNull() || cell->State == CBoardElement::kRemoving)
                continue;
            CCap& cap = *cell;
            // The new board will carry this gem again.
            if (cap.Gem)
                ++GemPool;
            if (GameMode == 0 && cap.Fixed && static_cast<size_t>(r) < RebuildRecords.size() &&
                static_cast<size_t>(c) < RebuildRecords[static_cast<size_t>(r)].size()) {
                remembered = true;
                CRebuildRecord& rec =
                    RebuildRecords[static_cast<size_t>(r)][static_cast<size_t>(c)];
                rec.Empty = 0;
                rec.Column = c;
                rec.Row = r;
                rec.Colour = cap.Colour;
                rec.LockCount = cap.LockCount;
                rec.Gem = cap.Gem;
                // A gem rides on its cap as a bonus too, but it comes back with
                // the gem flag, not as a bonus of its own.
                if (!cap.Bonus.IsNull() && cap.Bonus->Kind != CBonus::kGem) {
                    rec.BonusFlag = 1;
                    rec.BonusType = cap.Bonus->Kind;
                    rec.BonusLevel = cap.Bonus->Param;
                }
            }

            // The caps scatter a little sideways as they fall.
            const int32_t k = static_cast<int32_t>(std::floor(6.0f * RandomFloat() - 1.0f));
            const CVector3 end = CellToWorld(c + k, r + kFallRows, false);
            const float t = FallTime(cap.Position.Y - end.Y, g);

            const CVector3 from = cap.Position;
            const float amount = kTrembleAmount * cap.Size;
            auto tremble = [&]() {
                const float dx = (RandomFloat() - 0.5f) * amount;
                const float dy = (RandomFloat() - 0.5f) * amount;
                return CVector3(from.X + dx, from.Y + dy, from.Z);
            };
            CVector3 p = tremble();
            cap.Path.SetFirstKey(from.X, from.Y, from.Z, p.X, p.Y, p.Z, 1.0f, 1.0f, 1.0f, 1.0f,
                                 1.0f, 1.0f, keyTime);
            for (int32_t i = 1; i < keys; ++i) {
                p = tremble();
                cap.Path.AddKeyKeepScale(p.X, p.Y, p.Z, 1.0f, 1.0f, 1.0f, keyTime);
            }
            cap.Path.AddKeyFull(end.X, end.Y, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 2.0f, 1.0f, t);

            cap.Landed = 0;
            cap.Duration = t + wait;
            cap.PrevColumn = cap.Column;
            cap.PrevRow = cap.Row;
            cap.Row = r;
            cap.Elapsed = 0.0f;
            cap.State = CBoardElement::kMoving;
            cap.MotionPurpose = CCap::kLeaveBoard;
            cell = CSharedPtr<CCap>();
        }
    }

    Source = kRebuildRecords;
    if (!remembered)
        RebuildRecords.clear();
    SwapList.clear();
    RecheckList.clear();
}

void CPlayField::CloseTutorialTip(int32_t remember) {
    const int32_t tip = TutorialNumber;
    auto markSeen = [&]() {
        if (!Tutorial)
            return;
        Tutorial->SetSwitch(CProfileSettings::kFirstTipSwitch + tip - 1, 1);
        Tutorial->Save(Motion ? Motion->ProfilePath : std::string());
    };

    if (tip >= 1 && tip <= CProfileSettings::kTips) {
        if (tip == kRestartTip) {
            if (remember)
                markSeen();
            SetActive(true);
            if (!CapSlot.IsNull())
                CapSlot->Clear();
            DropBoardCaps();
            Source = kLevelBoard;
            SwapList.clear();
            RecheckList.clear();
        } else if (tip == kInvalidMoveTip) {
            // On the first level the tip keeps coming back until it was shown
            // often enough.
            if (remember && (LevelNumber > 1 || InvalidMoveTips >= kInvalidMoveTipLimit))
                markSeen();
        } else if (remember) {
            markSeen();
        }
    }

    TutorialNumber = 0;
    if (GameMode == 0) {
        if (CSandbox* sandbox = SandboxOf(*this))
            sandbox->Running = 1;
    }
}

void CPlayField::DropAllCaps() {
    Adviser.ReleaseSprites();
    LevelOver = 1;
    if (!CapSlot.IsNull())
        CapSlot->Clear();
    InputOpen = 0;

    DropBoardCaps();
    SwapList.clear();
    RecheckList.clear();

    if (GameMode == 0) {
        if (CSandbox* sandbox = SandboxOf(*this))
            sandbox->Grains.clear();
        if (Totems.BlueFlag != 0)
            Totems.SetBlueFlag(0);
        Totems.CancelActive();
    }
}
